// Display auto-detection: DirectDraw devices enumerated, classified by their Direct3D devices
// and display modes, compared with the cache and re-detected when they changed.
#include "gfx/autodetect.h"

#include <cstring>

#include "data/printer.h"

bool gfxDetectVerbose = true;

namespace {

typedef HRESULT(WINAPI* DirectDrawCreateExFunc)(GUID*, void**, REFIID, IUnknown*);
typedef HRESULT(WINAPI* DirectDrawEnumerateExFunc)(LPDDENUMCALLBACKEXA, void*, DWORD);

const DWORD EnumerateAllDevices = 7;  // attached, detached and non-display devices
const DWORD TnLCaps = 0x10000;
const DWORD HardwareCaps = 0x80000;

// A table being filled by an enumeration. Full tables take no more devices and remember it.
struct DetectTable {
    gfxDetectedDevice* m_Devices;
    uint32_t m_Count;
    bool m_Overflow;
    DirectDrawCreateExFunc m_Create;
};

struct CapsTest {
    DWORD D3DPRIMCAPS::*m_Field;
    DWORD m_Bit;
    const char* m_Text;
};

const CapsTest CapsTests[] = {
    {&D3DPRIMCAPS::dwTextureCaps, 0x01,
     "lpD3DDeviceDesc->dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_PERSPECTIVE"},
    {&D3DPRIMCAPS::dwTextureFilterCaps, 0x02,
     "lpD3DDeviceDesc->dpcTriCaps.dwTextureFilterCaps & D3DPTFILTERCAPS_LINEAR"},
    {&D3DPRIMCAPS::dwSrcBlendCaps, 0x10,
     "lpD3DDeviceDesc->dpcTriCaps.dwSrcBlendCaps & D3DPBLENDCAPS_SRCALPHA"},
    {&D3DPRIMCAPS::dwRasterCaps, 0x80,
     "lpD3DDeviceDesc->dpcTriCaps.dwRasterCaps & D3DPRASTERCAPS_FOGVERTEX"},
};

void Log(const char* format, const char* a, const char* b = nullptr) {
    if (gfxDetectVerbose) {
        PrintMessage(format, a, b);
    }
}

bool Enumerate(HMODULE library, DetectTable& table) {
    auto enumerate =
        (DirectDrawEnumerateExFunc)(void*)GetProcAddress(library, "DirectDrawEnumerateExA");
    if (!enumerate) {
        return false;
    }
    enumerate(Detect, &table, EnumerateAllDevices);
    return true;
}

}  // namespace

HRESULT WINAPI DeviceCallback(LPSTR description, LPSTR name, LPD3DDEVICEDESC7 desc,
                              void* context) {
    gfxDetectedDevice& record = *(gfxDetectedDevice*)context;
    Log("DeviceCallback: %s / %s", description, name);
    if (desc->deviceGUID == IID_IDirect3DRefDevice) {
        Log("...ignoring reference device.", nullptr);
        return D3DENUMRET_OK;
    }
    if (desc->dwDevCaps & TnLCaps) {
        Log("Found HWTNL device.", nullptr);
        record.m_Kind = gfxKindHardwareTnL;
        return D3DENUMRET_OK;
    }
    if (record.m_Kind == gfxKindHardwareTnL || !(desc->dwDevCaps & HardwareCaps)) {
        return D3DENUMRET_OK;
    }
    bool passed = true;
    for (const CapsTest& test : CapsTests) {
        if (!(desc->dpcTriCaps.*test.m_Field & test.m_Bit)) {
            PrintError("HW rejected because caps test '%s' failed.", test.m_Text);
            passed = false;
            // Without vertex fog the rest does not matter.
            if (test.m_Bit == 0x80) {
                return D3DENUMRET_OK;
            }
        }
    }
    if (passed) {
        Log("Found acceptable HW device.", nullptr);
        record.m_Kind = gfxKindHardware;
        record.m_RenderDepths = desc->dwDeviceRenderBitDepth;
    }
    return D3DENUMRET_OK;
}

HRESULT WINAPI ResCallback(LPDDSURFACEDESC2 mode, void* context) {
    gfxDetectedDevice& record = *(gfxDetectedDevice*)context;
    DWORD bits = mode->ddpfPixelFormat.dwRGBBitCount;
    DWORD depthBit = bits == 32 ? DDBD_32 : bits == 24 ? DDBD_24 : bits == 16 ? DDBD_16 : 0;
    if (!(record.m_RenderDepths & depthBit)) {
        return DDENUMRET_OK;
    }
    if (gfxDetectVerbose) {
        PrintMessage("ResCallback: %d x %d x %d", (int)mode->dwWidth, (int)mode->dwHeight,
                     (int)bits);
    }
    // The table keeps the first 64 modes.
    if (record.m_ModeCount < gfxMaxDetectedModes) {
        gfxDisplayMode& m = record.m_Modes[record.m_ModeCount++];
        m.m_Width = (uint16_t)mode->dwWidth;
        m.m_Height = (uint16_t)mode->dwHeight;
        m.m_Bits = (uint16_t)bits;
        m.m_Flag = bits == 16 ? 7 : 6;
    }
    return DDENUMRET_OK;
}

BOOL WINAPI Detect(GUID* guid, LPSTR description, LPSTR driverName, void* context, HMONITOR) {
    DetectTable& table = *(DetectTable*)context;
    if (gfxDetectVerbose) {
        PrintMessage("Detect: GUID=%x Desc=%s Name=%s", (unsigned)(uintptr_t)guid, description,
                     driverName);
    }
    IDirectDraw7* dd = nullptr;
    if (FAILED(table.m_Create(guid, (void**)&dd, IID_IDirectDraw7, nullptr))) {
        return DDENUMRET_OK;
    }
    if (table.m_Count == gfxMaxDetectedDevices) {
        table.m_Overflow = true;
        dd->Release();
        return DDENUMRET_OK;
    }
    gfxDetectedDevice& record = table.m_Devices[table.m_Count];
    memset(&record, 0, sizeof(record));
    strncpy(record.m_Description, description ? description : "", sizeof(record.m_Description) - 1);
    record.m_Kind = gfxKindNoHardware;
    record.m_RenderDepths = DDBD_16;
    IDirect3D7* d3d = nullptr;
    if (SUCCEEDED(dd->QueryInterface(IID_IDirect3D7, (void**)&d3d))) {
        d3d->EnumDevices(DeviceCallback, &record);
        d3d->Release();
    }
    record.m_Type = record.m_Kind - 1;
    DDDEVICEIDENTIFIER2 identifier = {};
    if (SUCCEEDED(dd->GetDeviceIdentifier(&identifier, 0))) {
        record.m_Guid = identifier.guidDeviceIdentifier;
    }
    dd->EnumDisplayModes(0, nullptr, &record, ResCallback);
    for (uint32_t i = 0; i < record.m_ModeCount; ++i) {
        const gfxDisplayMode& m = record.m_Modes[i];
        if (m.m_Width == 640 && m.m_Height == 480 && m.m_Bits == 16) {
            record.m_ChosenMode = i;
        }
    }
    dd->Release();
    ++table.m_Count;
    return DDENUMRET_OK;
}

bool gfxAutoDetect() {
    HMODULE library = LoadLibraryA("DDRAW.DLL");
    if (!library) {
        return false;
    }
    auto create = (DirectDrawCreateExFunc)(void*)GetProcAddress(library, "DirectDrawCreateEx");
    if (!create) {
        FreeLibrary(library);
        return false;
    }
    if (gfxLoadConfig()) {
        // The saved devices enumerated again, quietly, into a table of their own.
        gfxDetectedDevice current[gfxMaxDetectedDevices];
        DetectTable again = {current, 0, false, create};
        gfxDetectVerbose = false;
        bool enumerated = Enumerate(library, again);
        gfxDetectVerbose = true;
        if (enumerated && again.m_Count == gfxDetectedCount && !again.m_Overflow) {
            bool changed = false;
            for (uint32_t i = 0; i < again.m_Count; ++i) {
                if (current[i].m_Guid != gfxDetectedDevices[i].m_Guid) {
                    PrintMessage("gfxAutoDetect: Device #%d changed GUID, forcing redetect.",
                                 (int)i);
                    changed = true;
                }
            }
            if (!changed) {
                FreeLibrary(library);
                gfxApplyDetectedDevice();
                return true;
            }
        } else {
            PrintMessage("gfxAutoDetect: Devices added or removed, forcing redetect.");
        }
    }
    DetectTable table = {gfxDetectedDevices, 0, false, create};
    gfxChosenDevice = 0;
    Enumerate(library, table);
    gfxDetectedCount = table.m_Count;
    if (!gfxDetectedCount) {
        FreeLibrary(library);
        return false;
    }
    gfxSaveConfig();
    FreeLibrary(library);
    gfxApplyDetectedDevice();
    return true;
}
