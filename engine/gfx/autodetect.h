#ifndef GFX_AUTODETECT_H
#define GFX_AUTODETECT_H

#include <cstdint>

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

// Display auto-detection: every DirectDraw device classified by its Direct3D devices, its
// display modes listed, the result cached in "gfxconf.dat" and reused while the devices stay
// the same; the chosen device then sets the pipeline's device flags.

struct gfxDisplayMode {
    uint16_t m_Width;
    uint16_t m_Height;
    uint16_t m_Bits;
    uint16_t m_Flag;  // 7 for 16-bit modes, 6 otherwise
};

const int gfxMaxDetectedModes = 64;
const int gfxMaxDetectedDevices = 8;

// Kinds of gfxDetectedDevice::m_Kind.
const uint32_t gfxKindNoHardware = 1;
const uint32_t gfxKindHardware = 2;
const uint32_t gfxKindHardwareTnL = 3;

struct gfxDetectedDevice {
    GUID m_Guid;  // DirectDraw's device identifier
    char m_Description[64];
    uint32_t m_Kind;
    uint32_t m_Type;  // m_Kind - 1
    uint32_t m_ModeCount;
    uint32_t m_ChosenMode;    // the last 640 x 480 x 16 mode, else 0
    uint32_t m_RenderDepths;  // DDBD_16, DDBD_24, DDBD_32
    gfxDisplayMode m_Modes[gfxMaxDetectedModes];
};
static_assert(sizeof(gfxDetectedDevice) == 612, "device records are 612 bytes in the file");

extern gfxDetectedDevice gfxDetectedDevices[gfxMaxDetectedDevices];
extern uint32_t gfxDetectedCount;
extern uint32_t gfxChosenDevice;

const char* const gfxConfigName = "gfxconf.dat";

// Detects or reuses the cache, then applies the chosen device; false when no device is found.
bool gfxAutoDetect();
// False when the file cannot be opened or does not hold a sound table ("GFX2").
bool gfxLoadConfig();
// False when the file cannot be written.
bool gfxSaveConfig();
void gfxApplyDetectedDevice();
void gfxResetDetectedChoice();

// The enumeration callbacks; record is the gfxDetectedDevice being filled.
BOOL WINAPI Detect(GUID* guid, LPSTR description, LPSTR driverName, void* context,
                   HMONITOR monitor);
HRESULT WINAPI DeviceCallback(LPSTR description, LPSTR name, LPD3DDEVICEDESC7 desc,
                              void* record);
HRESULT WINAPI ResCallback(LPDDSURFACEDESC2 mode, void* record);
// Whether the callbacks print their progress lines.
extern bool gfxDetectVerbose;

#endif
