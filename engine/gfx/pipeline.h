#ifndef GFX_PIPELINE_H
#define GFX_PIPELINE_H

#include <cstdint>

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

// The process-wide drawing target: one window or full screen, one DirectDraw 7 object, its
// surfaces and one Direct3D 7 device. Everything here is a static of the pipeline; one thread
// uses it.

class gfxPipeline {
public:
    static int m_iWidth;
    static int m_iHeight;
    static float m_fWidth;
    static float m_fHeight;
    // For the mouse: 1 / width and 1 / height.
    static float m_fInvWidth;
    static float m_fInvHeight;
    static int m_ColorDepth;
    static int m_ZDepth;
};

extern bool gfxWindowed;
extern bool gfxMaximized;
extern bool gfxDoubleBuffer;
extern bool gfxTripleBuffer;
extern bool gfxUseSoftware;
extern bool gfxUseReference;
extern bool gfxUseWedge;
extern bool gfxUseOwnDevice;
extern bool gfxRenderToSysmem;
extern bool gfxSysmemOption;
extern bool gfxAllowHwTnL;
extern bool gfxUseHwTnL;
extern bool gfxUseNativeVBs;
extern bool gfxUseIntRenderer;
extern bool gfxNoVBlank;
extern bool gfxMultiTexture;
extern bool gfxUse32BitTextures;
extern int gfxDisplayIndex;
extern int gfxDebugLevel;
extern int gfxTexturesPerPass;
extern int gfxExtraBlendMatrices;
extern int gfxMaxLights;

// gfxWindowFlags bits.
const uint32_t gfxQuitRequested = 0x01;
const uint32_t gfxAppInactive = 0x02;
extern uint32_t gfxWindowFlags;

extern IDirectDraw7* lpDD;
extern IDirect3D7* lpD3D;
extern IDirect3DDevice7* lpD3DDev;
extern IDirectDrawSurface7* lpdsFront;
extern IDirectDrawSurface7* lpdsBack;
extern IDirectDrawSurface7* lpdsBack2;
extern IDirectDrawSurface7* lpdsRend;
extern IDirectDrawSurface7* lpdsZ;
extern IDirectDrawClipper* lpClip;
extern HWND hwndMain;

// Descriptions of the display devices seen by the last enumeration.
const int gfxMaxDisplayNames = 8;
extern char gfxNameBuffer[gfxMaxDisplayNames][32];

extern const GUID IID_IDirect3DWedgeDevice;

// Creates the program's own software device on the render target; set by that device's code.
typedef HRESULT (*gfxCreateKeshDeviceFunc)(IDirectDrawSurface7* target, IDirect3DDevice7** device);
extern gfxCreateKeshDeviceFunc gfxCreateKeshDevice;

// Set while the program renders into a texture surface: frames then neither reset the
// statistics nor present.
extern IDirectDrawSurface7* gfxRenderTarget;

// Software devices open and close their scene inside the frame, hardware devices around it.
inline bool gfxSoftwareScene() {
    return gfxUseSoftware;
}

// Reports a failed DirectDraw or Direct3D call at the error level with the call's text;
// true when the result is a failure.
bool gfxFailed(HRESULT result, const char* call);

// All six floating-point exceptions masked, the x87 unit at 24-bit precision; SSE, which
// 64-bit code computes in, is single precision for floats anyway. The pipeline runs so from
// its start; code that may be called from elsewhere saves and restores the caller's state.
void gfxSetPipelineFloatState();

// Start-up (window, options, devices) and shut-down.
void gfxSetWindowMode(bool windowed, int x, int y);
void gfxSetWindowTitle(const char* title);
void gfxParseOptions(int width, int height, int colorDepth, int zDepth, bool parse);
void gfxCreateWindow(const char* title);
void gfxDestroyWindow();
// Full screen hides the cursor once; closing the pipeline shows it again.
void gfxHideCursor();
// Sizes and centres the window so that its client area is the target size.
void gfxFitWindow();
LRESULT CALLBACK gfxWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
bool gfxOpenDirectDraw();
bool gfxCreateDevice();
bool gfxOpenPipeline();
void gfxStartPipeline();
void gfxReleaseDevice();
void gfxReleaseDirectDraw();
void gfxClosePipeline();

// The frame.
void gfxPumpMessages();
void BeginFrame();
void gfxBeginScene();
void gfxEndScene();
void gfxEndFrame();
void gfxBeginFrameAndScene();
void gfxEndSceneAndFrame();
void gfxPresent();

// Set while a software device's scene is open.
extern bool gfxSceneOpen;

// The milliseconds between the last two frame ends ("Frame Time (ms)").
extern float gfxFrameTime;

#endif
