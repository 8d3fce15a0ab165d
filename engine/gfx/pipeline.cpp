// The pipeline's process-wide state and the report of a failed DirectDraw or Direct3D call.
#include "gfx/pipeline.h"

#include "data/printer.h"

int gfxPipeline::m_iWidth;
int gfxPipeline::m_iHeight;
float gfxPipeline::m_fWidth;
float gfxPipeline::m_fHeight;
float gfxPipeline::m_fInvWidth;
float gfxPipeline::m_fInvHeight;
int gfxPipeline::m_ColorDepth;
int gfxPipeline::m_ZDepth;

bool gfxWindowed = true;
bool gfxMaximized;
bool gfxDoubleBuffer = true;
bool gfxTripleBuffer;
bool gfxUseSoftware;
bool gfxUseReference;
bool gfxUseWedge;
bool gfxUseOwnDevice;
bool gfxRenderToSysmem;
bool gfxSysmemOption;
bool gfxAllowHwTnL = true;
bool gfxUseHwTnL;
bool gfxUseNativeVBs;
bool gfxUseIntRenderer;
bool gfxNoVBlank;
bool gfxMultiTexture = true;
bool gfxUse32BitTextures;
int gfxDisplayIndex;
int gfxDebugLevel;
int gfxTexturesPerPass = 1;
int gfxExtraBlendMatrices;
int gfxMaxLights = 8;
uint32_t gfxWindowFlags;

IDirectDraw7* lpDD;
IDirect3D7* lpD3D;
IDirect3DDevice7* lpD3DDev;
IDirectDrawSurface7* lpdsFront;
IDirectDrawSurface7* lpdsBack;
IDirectDrawSurface7* lpdsBack2;
IDirectDrawSurface7* lpdsRend;
IDirectDrawSurface7* lpdsZ;
IDirectDrawClipper* lpClip;
HWND hwndMain;
IDirectDrawSurface7* gfxRenderTarget;

bool gfxFailed(HRESULT result, const char* call) {
    if (SUCCEEDED(result)) {
        return false;
    }
    PrintError("%s failed, code=%08x (%d)", call, (unsigned)result, (int)(result & 0xFFFF));
    return true;
}
