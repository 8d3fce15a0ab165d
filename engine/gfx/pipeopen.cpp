// Opening the pipeline: the display DLL, DirectDraw, the surfaces, the z-buffer and the
// Direct3D device, with the fall-backs down to the "Video Problem" box.
#include <cstdlib>
#include <cstring>

#include "bank/msgbox.h"
#include "data/floatstate.h"
#include "data/options.h"
#include "data/printer.h"
#include "gfx/hooks.h"
#include "gfx/image.h"
#include "gfx/kesh.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "gfx/viewport.h"

// The outside rasterizer's own device.
const GUID IID_IDirect3DWedgeDevice = {
    0x706E9520, 0x6DB1, 0x11D2, {0xB9, 0x01, 0x00, 0x10, 0x4B, 0x36, 0xAE, 0x4B}};

gfxCreateKeshDeviceFunc gfxCreateKeshDevice = CreateKeshDevice;
char gfxNameBuffer[gfxMaxDisplayNames][32];

namespace {

typedef HRESULT(WINAPI* DirectDrawCreateExFunc)(GUID*, void**, REFIID, IUnknown*);
typedef HRESULT(WINAPI* DirectDrawEnumerateExFunc)(LPDDENUMCALLBACKEXA, void*, DWORD);
typedef HRESULT(WINAPI* DirectDrawEnumerateFunc)(LPDDENUMCALLBACKA, void*);

const DWORD EnumerateAllDevices = 7;  // attached, detached and non-display devices
const DWORD WindowedCooperation = 0x1008;
const DWORD FullScreenCooperation = 0x1013;
const DWORD HintAntialiasing = 0x100;
const DWORD SeparateTextureMemories = 0x4000;

int sDeviceCount;
int sCountDown;
bool sNamesOverflow;
GUID sDeviceGuid;
bool sHaveGuid;
DDPIXELFORMAT sZFormat;
bool sHaveZFormat;

}  // namespace

// Set before DirectDraw is loaded: its GL stack under Wine does not survive an unmasked
// invalid operation.
void gfxSetPipelineFloatState() {
    FloatState state = SaveFloatState();
    state.m_ControlWord = (unsigned short)((state.m_ControlWord & ~0x033F) | 0x003F);
    state.m_Mxcsr = (state.m_Mxcsr & ~0x3F) | 0x1F80;
    RestoreFloatState(state);
}

namespace {

BOOL WINAPI gfxEnumDisplayCallback(GUID* guid, LPSTR description, LPSTR driverName, void*) {
    PrintVerbose1(gfxDebugLevel, "D3D: GUID %x Description [%s] DriverName [%s]",
                  (unsigned)(uintptr_t)guid, description, driverName);
    if (sDeviceCount == gfxMaxDisplayNames) {
        sNamesOverflow = true;
        return DDENUMRET_CANCEL;
    }
    strncpy(gfxNameBuffer[sDeviceCount], description ? description : "", 31);
    gfxNameBuffer[sDeviceCount][31] = 0;
    ++sDeviceCount;
    sHaveGuid = guid != nullptr;
    if (guid) {
        sDeviceGuid = *guid;
    }
    if (sCountDown == 0) {
        return DDENUMRET_CANCEL;
    }
    --sCountDown;
    return DDENUMRET_OK;
}

BOOL WINAPI gfxEnumDisplayCallbackEx(GUID* guid, LPSTR description, LPSTR driverName,
                                      void* context, HMONITOR) {
    return gfxEnumDisplayCallback(guid, description, driverName, context);
}

bool gfxEnumDisplayDevices(HMODULE library) {
    sDeviceCount = 0;
    sCountDown = gfxDisplayIndex;
    sNamesOverflow = false;
    sHaveGuid = false;
    if (gfxDisplayIndex < 0 || gfxDisplayIndex >= gfxMaxDisplayNames) {
        PrintError("D3D: Display index %d is not supported (0 to %d).", gfxDisplayIndex,
                   gfxMaxDisplayNames - 1);
        return false;
    }
    auto enumerateEx =
        (DirectDrawEnumerateExFunc)(void*)GetProcAddress(library, "DirectDrawEnumerateExA");
    auto enumerate =
        (DirectDrawEnumerateFunc)(void*)GetProcAddress(library, "DirectDrawEnumerateA");
    if (enumerateEx) {
        enumerateEx(gfxEnumDisplayCallbackEx, nullptr, EnumerateAllDevices);
    } else if (enumerate) {
        enumerate(gfxEnumDisplayCallback, nullptr);
    }
    if (sNamesOverflow) {
        PrintError("D3D: More than %d display devices.", gfxMaxDisplayNames);
        return false;
    }
    return true;
}

// False after the failure was reported and the partial start undone.
bool Check(HRESULT result, const char* call) {
    if (gfxFailed(result, call)) {
        gfxClosePipeline();
        return false;
    }
    return true;
}

const char* DisplayDllName() {
    if (gfxUseWedge) {
        return HasOption("wedged") ? "WEDGED.DLL" : "WEDGE.DLL";
    }
    return "DDRAW.DLL";
}

}  // namespace

bool gfxOpenDirectDraw() {
    gfxSetPipelineFloatState();
    const char* dllName = DisplayDllName();
    HMODULE library = LoadLibraryA(dllName);
    if (!library) {
        PrintError("Required DLL not found: %s", dllName);
        return false;
    }
    auto create = (DirectDrawCreateExFunc)(void*)GetProcAddress(library, "DirectDrawCreateEx");
    if (!create) {
        PrintError("Required DLL is corrupt: %s", dllName);
        return false;
    }
    if (!gfxEnumDisplayDevices(library)) {
        return false;
    }
    if (!Check(create(sHaveGuid ? &sDeviceGuid : nullptr, (void**)&lpDD, IID_IDirectDraw7,
                      nullptr),
               "DirectDrawCreateEx(guid,(void**)&lpDD,IID_IDirectDraw7,NULL)")) {
        return false;
    }
    DDCAPS caps = {};
    caps.dwSize = sizeof(caps);
    if (!Check(lpDD->GetCaps(&caps, nullptr), "lpDD->GetCaps(&ddcaps,NULL)")) {
        return false;
    }
    if (!(caps.dwCaps2 & DDCAPS2_CANRENDERWINDOWED)) {
        PrintVerbose1(gfxDebugLevel, "D3D: Selected device can't render to a window.");
        gfxWindowed = false;
    }
    gfxCreateWindow("D3D Pipeline");
    if (!hwndMain) {
        PrintError("CreateWindow failed, code=%08x", (unsigned)GetLastError());
        gfxClosePipeline();
        return false;
    }
    DWORD cooperation = gfxWindowed ? WindowedCooperation : FullScreenCooperation;
    if (!Check(lpDD->SetCooperativeLevel(hwndMain, cooperation),
               "lpDD->SetCooperativeLevel(hwndMain,flags)")) {
        return false;
    }
    if (!gfxWindowed) {
        if (!Check(lpDD->SetDisplayMode(gfxPipeline::m_iWidth, gfxPipeline::m_iHeight,
                                        gfxPipeline::m_ColorDepth, 0, 0),
                   "lpDD->SetDisplayMode(m_iWidth, m_iHeight, m_ColorDepth, 0, 0)")) {
            return false;
        }
        gfxHideCursor();
    }
    return true;
}

namespace {

DWORD SurfaceMemory() {
    return gfxUseSoftware ? DDSCAPS_SYSTEMMEMORY : DDSCAPS_VIDEOMEMORY;
}

HRESULT CreateOffscreen(DWORD memory, DWORD caps2, IDirectDrawSurface7** surface) {
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = gfxPipeline::m_iWidth;
    desc.dwHeight = gfxPipeline::m_iHeight;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | memory;
    desc.ddsCaps.dwCaps2 = caps2;
    return lpDD->CreateSurface(&desc, surface, nullptr);
}

HRESULT CreatePrimary(int backBuffers) {
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (!gfxWindowed) {
        desc.ddsCaps.dwCaps |= DDSCAPS_3DDEVICE;
    }
    if (backBuffers) {
        desc.dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc.ddsCaps.dwCaps |= DDSCAPS_COMPLEX | DDSCAPS_FLIP;
        desc.dwBackBufferCount = backBuffers;
    }
    return lpDD->CreateSurface(&desc, &lpdsFront, nullptr);
}

HRESULT Attached(IDirectDrawSurface7* surface, DWORD caps, IDirectDrawSurface7** attached) {
    DDSCAPS2 wanted = {};
    wanted.dwCaps = caps;
    return surface->GetAttachedSurface(&wanted, attached);
}

bool CreateFullScreenSurfaces() {
    int backBuffers = gfxDoubleBuffer ? (gfxTripleBuffer ? 2 : 1) : 0;
    HRESULT result = CreatePrimary(backBuffers);
    if (FAILED(result) && backBuffers) {
        backBuffers = 1;
        result = CreatePrimary(backBuffers);
    }
    if (!Check(result, "lpDD->CreateSurface(&ddsd,&lpdsFront,NULL)")) {
        return false;
    }
    if (backBuffers) {
        if (!Check(Attached(lpdsFront, DDSCAPS_BACKBUFFER, &lpdsBack),
                   "lpdsFront->GetAttachedSurface(&ddscaps,&lpdsBack)")) {
            return false;
        }
        if (backBuffers == 2) {
            if (!Check(Attached(lpdsBack, DDSCAPS_FLIP, &lpdsBack2),
                       "lpdsBack->GetAttachedSurface(&ddscaps,&lpdsBack2)")) {
                return false;
            }
            PrintVerbose1(gfxDebugLevel, "D3D: Triple buffer okay.");
        } else {
            PrintVerbose1(gfxDebugLevel, "D3D: Double buffer okay.");
        }
    } else {
        lpdsBack = lpdsFront;
        lpdsBack->AddRef();
        PrintVerbose1(gfxDebugLevel, "D3D: Single buffer okay.");
    }
    if (gfxRenderToSysmem) {
        if (!Check(CreateOffscreen(DDSCAPS_SYSTEMMEMORY, 0, &lpdsRend),
                   "lpDD->CreateSurface(&ddsd,&lpdsRend,NULL)")) {
            return false;
        }
        PrintVerbose1(gfxDebugLevel, "D3D: Render to sysmem");
    } else {
        lpdsRend = lpdsBack;
        lpdsRend->AddRef();
        PrintVerbose1(gfxDebugLevel, "D3D: Render to vidmem");
    }
    return true;
}

bool CreateWindowedSurfaces() {
    if (!Check(CreateOffscreen(SurfaceMemory(), HintAntialiasing, &lpdsBack),
               "lpDD->CreateSurface(&ddsd,&lpdsBack,NULL)")) {
        return false;
    }
    lpdsRend = lpdsBack;
    lpdsRend->AddRef();
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    if (!Check(lpdsBack->GetSurfaceDesc(&desc), "lpdsBack->GetSurfaceDesc(&ddsd)")) {
        return false;
    }
    gfxPipeline::m_ColorDepth = (int)((desc.ddpfPixelFormat.dwRGBBitCount + 1) & ~7u);
    if (gfxPipeline::m_ColorDepth > 16 && (gfxUseWedge || gfxUseOwnDevice)) {
        FatalQuit("Switch your desktop to 16-bit color mode to run in a window with software "
                  "renderer.");
    }
    if (!Check(CreatePrimary(0), "lpDD->CreateSurface(&ddsd,&lpdsFront,NULL)") ||
        !Check(lpDD->CreateClipper(0, &lpClip, nullptr), "lpDD->CreateClipper(0,&lpClip,NULL)") ||
        !Check(lpClip->SetHWnd(0, hwndMain), "lpClip->SetHWnd(0,hwndMain)") ||
        !Check(lpdsFront->SetClipper(lpClip), "lpdsFront->SetClipper(lpClip)")) {
        return false;
    }
    return true;
}

HRESULT WINAPI gfxEnumZ(DDPIXELFORMAT* format, void*) {
    PrintVerbose1(gfxDebugLevel, "D3D: Z bit depth = %d", (int)format->dwZBufferBitDepth);
    if (!sHaveZFormat || (int)format->dwZBufferBitDepth == gfxPipeline::m_ZDepth) {
        sZFormat = *format;
        sHaveZFormat = true;
    }
    return D3DENUMRET_OK;
}

HRESULT WINAPI gfxEnumTexs(DDPIXELFORMAT* f, void*) {
    PrintVerbose1(gfxDebugLevel,
                  "D3D: Texture: Size = %d; Flags = %x; FourCC=%x; BitCount=%d; R/G/B/A=%x/%x/%x/%x",
                  (int)f->dwSize, (unsigned)f->dwFlags, (unsigned)f->dwFourCC,
                  (int)f->dwRGBBitCount, (unsigned)f->dwRBitMask, (unsigned)f->dwGBitMask,
                  (unsigned)f->dwBBitMask, (unsigned)f->dwRGBAlphaBitMask);
    return D3DENUMRET_OK;
}

const GUID& ZFormatDevice() {
    if (gfxUseWedge) {
        return IID_IDirect3DWedgeDevice;
    }
    if (gfxUseReference) {
        return IID_IDirect3DRefDevice;
    }
    return gfxUseSoftware ? IID_IDirect3DRGBDevice : IID_IDirect3DHALDevice;
}

bool CreateZBuffer() {
    sHaveZFormat = false;
    memset(&sZFormat, 0, sizeof(sZFormat));
    lpD3D->EnumZBufferFormats(ZFormatDevice(), gfxEnumZ, nullptr);
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = gfxPipeline::m_iWidth;
    desc.dwHeight = gfxPipeline::m_iHeight;
    desc.ddpfPixelFormat = sZFormat;
    desc.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | SurfaceMemory();
    return Check(lpDD->CreateSurface(&desc, &lpdsZ, nullptr),
                 "lpDD->CreateSurface(&ddsd,&lpdsZ,NULL)") &&
           Check(lpdsRend->AddAttachedSurface(lpdsZ), "lpdsRend->AddAttachedSurface(lpdsZ)");
}

bool CreateChosenDevice() {
    if (gfxUseWedge) {
        return Check(lpD3D->CreateDevice(IID_IDirect3DWedgeDevice, lpdsRend, &lpD3DDev),
                     "lpD3D->CreateDevice(IID_IDirect3DWedgeDevice,lpdsRend,&lpD3DDev)");
    }
    if (gfxUseReference) {
        return Check(lpD3D->CreateDevice(IID_IDirect3DRefDevice, lpdsRend, &lpD3DDev),
                     "lpD3D->CreateDevice(IID_IDirect3DRefDevice,lpdsRend,&lpD3DDev)");
    }
    if (gfxUseOwnDevice) {
        // The own device's spans serve textures up to 256 texels wide.
        gfxSetMaxImageSize(256);
        HRESULT result =
            gfxCreateKeshDevice ? gfxCreateKeshDevice(lpdsRend, &lpD3DDev) : E_NOTIMPL;
        return Check(result, "CreateKeshDevice(lpdsRend,&lpD3DDev)");
    }
    if (gfxUseSoftware) {
        return Check(lpD3D->CreateDevice(IID_IDirect3DRGBDevice, lpdsRend, &lpD3DDev),
                     "lpD3D->CreateDevice(IID_IDirect3DRGBDevice,lpdsRend,&lpD3DDev)");
    }
    if (gfxAllowHwTnL &&
        SUCCEEDED(lpD3D->CreateDevice(IID_IDirect3DTnLHalDevice, lpdsRend, &lpD3DDev))) {
        PrintVerbose1(gfxDebugLevel, "D3D: Using hardware T&L!");
        gfxUseHwTnL = true;
        gfxUseNativeVBs = !HasOption("nonativevb");
        return true;
    }
    PrintVerbose1(gfxDebugLevel, "D3D: No hardware T&L.");
    return Check(lpD3D->CreateDevice(IID_IDirect3DHALDevice, lpdsRend, &lpD3DDev),
                 "lpD3D->CreateDevice(IID_IDirect3DHALDevice,lpdsRend,&lpD3DDev)");
}

bool ReadDeviceCaps() {
    D3DDEVICEDESC7 desc = {};
    if (!Check(lpD3DDev->GetCaps(&desc), "lpD3DDev->GetCaps(&desc)")) {
        return false;
    }
    if (desc.dwDevCaps & SeparateTextureMemories) {
        gfxTexturesPerPass = 1;
    } else if (desc.wMaxSimultaneousTextures > 1 && gfxMultiTexture) {
        gfxTexturesPerPass = desc.wMaxSimultaneousTextures;
    } else {
        gfxTexturesPerPass = 1;
    }
    PrintVerbose1(gfxDebugLevel, "D3D: Device supports %d texture(s) per primitive.",
                  gfxTexturesPerPass);
    gfxExtraBlendMatrices = (int)desc.wMaxVertexBlendMatrices - 1;
    PrintVerbose1(gfxDebugLevel, "D3D: Device supports %d extra blend matrices per vertex.",
                  gfxExtraBlendMatrices);
    gfxMaxLights = desc.dwMaxActiveLights == 0xFFFFFFFF ? 8 : (int)desc.dwMaxActiveLights;
    PrintVerbose1(gfxDebugLevel, "D3D: Device supports %d active lights.", gfxMaxLights);
    return true;
}

void CreateViewports() {
    gfxScreenViewport = gfxCreateViewport();
    const D3DVIEWPORT7& area = gfxScreenViewport->m_Viewport;
    gfxScreenViewport->Ortho((float)area.dwX, (float)(area.dwX + area.dwWidth),
                             (float)(area.dwY + area.dwHeight), (float)area.dwY, -1.0f, 1.0f);
    gfxMainViewport = gfxCreateViewport();
    if (gfxCurrentViewport != gfxMainViewport) {
        gfxSetViewport(gfxMainViewport);
    }
}

}  // namespace

bool gfxCreateDevice() {
    bool surfaces = gfxWindowed ? CreateWindowedSurfaces() : CreateFullScreenSurfaces();
    if (!surfaces ||
        !Check(lpDD->QueryInterface(IID_IDirect3D7, (void**)&lpD3D),
               "lpDD->QueryInterface(IID_IDirect3D7,(void**)&lpD3D)") ||
        !CreateZBuffer()) {
        return false;
    }
    gfxUseIntRenderer = gfxUseOwnDevice || gfxUseWedge;
    gfxUseNativeVBs = HasOption("nativevb") && !gfxUseSoftware;
    gfxUseHwTnL = false;
    if (!CreateChosenDevice()) {
        return false;
    }
    PrintVerbose1(gfxDebugLevel, "D3D: using %s vertex buffers.",
                  gfxUseNativeVBs ? "native" : "emulated");
    gfxFailed(lpD3DDev->EnumTextureFormats(gfxEnumTexs, nullptr),
              "lpD3DDev->EnumTextureFormats(gfxEnumTexs,NULL)");
    if (!ReadDeviceCaps()) {
        return false;
    }
    gfxRunHooks(gfxHookInputStart);
    gfxReadDeviceStates(gfxCurrentState);
    gfxDeviceState = gfxCurrentState;
    gfxResetStates(gfxCurrentState);
    CreateViewports();
    gfxRunHooks(gfxHookDeviceCreated);
    return true;
}

bool gfxOpenPipeline() {
    return gfxOpenDirectDraw() && gfxCreateDevice();
}

void gfxStartPipeline() {
    if (gfxOpenPipeline()) {
        return;
    }
    gfxParseOptions(640, 480, 16, 16, false);
    if (gfxOpenPipeline()) {
        return;
    }
    gfxDisplayIndex = gfxDisplayIndex != 0 || sDeviceCount == 0 ? 0 : sDeviceCount - 1;
    if (gfxOpenPipeline()) {
        return;
    }
    gfxDisplayIndex = 0;
    gfxUseSoftware = true;
    gfxUseWedge = true;
    gfxUseOwnDevice = true;
    gfxRenderToSysmem = true;
    if (gfxOpenPipeline()) {
        return;
    }
    BankMessageBox("Video Problem",
                   "Cannot find a suitable display.  Try changing desktop color depth and/or "
                   "resolution and restart this application.",
                   0, 2);
    exit(1);
}
