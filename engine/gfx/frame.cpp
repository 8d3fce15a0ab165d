// The frame: message pump, lost surfaces, scenes, fade, presentation and frame time.
#include "data/printer.h"
#include "data/timemgr.h"
#include "data/timer.h"
#include "gfx/d3dpipe.h"
#include "gfx/fade.h"
#include "gfx/hooks.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "gfx/screenshot.h"
#include "gfx/viewport.h"
#include "gfx/zvisual.h"

bool gfxSceneOpen;
float gfxFrameTime;

namespace {

Timer sFrameTimer;
bool sFrameTimerStarted;

void SendState(D3DRENDERSTATETYPE type, DWORD value) {
    gfxFailed(lpD3DDev->SetRenderState(type, value), "lpD3DDev->SetRenderState(state,value)");
}

void RestoreLostSurfaces() {
    if (gfxWindowed || !lpdsFront || lpdsFront->IsLost() != DDERR_SURFACELOST) {
        return;
    }
    PrintMessage("BeginFrame: Restoring lost surfaces.");
    gfxFailed(lpDD->RestoreAllSurfaces(), "lpDD->RestoreAllSurfaces()");
    gfxRestoreVertexBuffers();
    gfxRunHooks(gfxHookSurfacesRestored);
}

// The states that depth complexity overrides go straight to the device, so that neither
// state record needs to be invalidated.
void SendFrameStates() {
    if (gfxDepthComplexity) {
        SendState(D3DRENDERSTATE_ZENABLE, FALSE);
        SendState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
        SendState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
        SendState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
        SendState(D3DRENDERSTATE_LIGHTING, FALSE);
    } else {
        SendState(D3DRENDERSTATE_ZENABLE, gfxDeviceState.m_ZEnable);
        SendState(D3DRENDERSTATE_SRCBLEND, gfxDeviceState.m_SrcBlend);
        SendState(D3DRENDERSTATE_DESTBLEND, gfxDeviceState.m_DestBlend);
        SendState(D3DRENDERSTATE_LIGHTING, gfxDeviceState.m_Lighting);
    }
}

void DrawFade() {
    gfxStepFade(gfxFade, datTimeManager::Seconds);
    if ((gfxFade.m_Current >> 24) == 0) {
        return;
    }
    gfxSetStateByte(gfxCurrentState.m_AlphaEnable, 1);
    gfxClear(D3DCLEAR_TARGET, gfxFade.m_Current, 1.0f, 0);
    gfxSetStateByte(gfxCurrentState.m_AlphaEnable, 0);
}

// The window's client area in screen coordinates.
RECT ClientOnScreen() {
    RECT rect;
    GetClientRect(hwndMain, &rect);
    POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
    ClientToScreen(hwndMain, &corners[0]);
    ClientToScreen(hwndMain, &corners[1]);
    return RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

// The part of the client area that lies on the primary surface, and the part of the target
// that maps onto it. A window may stand partly off the screen (at the screen's own size its
// frame pushes the client area past the edges); the clipper's list under Wine still reaches
// past the primary there, and such a blit is refused whole. False when nothing is on screen
// (minimized, or moved wholly off).
bool VisibleBlit(RECT& dest, RECT& source) {
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    if (gfxFailed(lpdsFront->GetSurfaceDesc(&desc), "lpdsFront->GetSurfaceDesc(&ddsd)")) {
        return false;
    }
    RECT client = ClientOnScreen();
    RECT screen = {0, 0, (LONG)desc.dwWidth, (LONG)desc.dwHeight};
    if (!IntersectRect(&dest, &client, &screen)) {
        return false;
    }
    // The client area can be smaller than the target (the frame's maximum size is the
    // screen's), so the blit scales: each edge of the source moves in proportion.
    int64_t width = gfxPipeline::m_iWidth;
    int64_t height = gfxPipeline::m_iHeight;
    int64_t clientWidth = client.right - client.left;
    int64_t clientHeight = client.bottom - client.top;
    source.left = (LONG)((dest.left - client.left) * width / clientWidth);
    source.top = (LONG)((dest.top - client.top) * height / clientHeight);
    source.right = (LONG)(width - (client.right - dest.right) * width / clientWidth);
    source.bottom = (LONG)(height - (client.bottom - dest.bottom) * height / clientHeight);
    return source.left < source.right && source.top < source.bottom;
}

void WaitForVerticalBlank() {
    gfxFailed(lpDD->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr),
              "lpDD->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN,0)");
}

// waitBefore and waitAfter: vertical-blank waits around a windowed blit.
void Present(bool waitBefore, bool waitAfter) {
    if (gfxWindowed) {
        RECT source;
        RECT dest;
        bool visible = VisibleBlit(dest, source);
        if (waitBefore) {
            WaitForVerticalBlank();
        }
        if (visible) {
            gfxFailed(lpdsFront->Blt(&dest, lpdsRend, &source, 0, nullptr),
                      "lpdsFront->Blt(&dest,lpdsRend,&src,0 ,0)");
        }
        if (waitAfter) {
            WaitForVerticalBlank();
        }
        return;
    }
    if (gfxRenderToSysmem) {
        gfxFailed(lpdsBack->BltFast(0, 0, lpdsRend, nullptr,
                                    DDBLTFAST_NOCOLORKEY | DDBLTFAST_WAIT),
                  "lpdsBack->BltFast(0,0,lpdsRend,NULL,DDBLTFAST_NOCOLORKEY | DDBLTFAST_WAIT)");
    }
    if (lpdsBack != lpdsFront) {
        gfxFailed(lpdsFront->Flip(nullptr, DDFLIP_WAIT), "lpdsFront->Flip(0, DDFLIP_WAIT)");
    }
}

void MeasureFrameTime() {
    uint64_t now = Timer::Ticks();
    if (!sFrameTimerStarted) {
        sFrameTimer.m_Start = now;
        sFrameTimerStarted = true;
    }
    gfxFrameTime = (float)(now - sFrameTimer.m_Start) * Timer::sm_MsPerTick;
    sFrameTimer.m_Start = now;
}

}  // namespace

void gfxPumpMessages() {
    MSG message;
    for (;;) {
        if (gfxWindowFlags & gfxAppInactive) {
            if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
                break;
            }
        } else if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) ||
                   message.message == WM_QUIT) {
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    gfxRunHooks(gfxHookInputPoll);
}

void BeginFrame() {
    RestoreLostSurfaces();
    gfxRunHooks(gfxHookFrameStart);
    if (!gfxSoftwareScene()) {
        gfxFailed(lpD3DDev->BeginScene(), "lpD3DDev->BeginScene()");
    }
    if (!gfxRenderTarget) {
        gfxStats = gfxStatistics();
    }
    SendFrameStates();
    if (gfxCurrentViewport) {
        gfxSetViewport(gfxCurrentViewport);
    }
}

void gfxBeginScene() {
    if (gfxSoftwareScene()) {
        gfxSceneOpen = true;
        gfxFailed(lpD3DDev->BeginScene(), "lpD3DDev->BeginScene()");
    }
}

void gfxEndScene() {
    if (gfxCurrentState.m_Texture[0]) {
        gfxCurrentState.m_Texture[0] = nullptr;
        gfxStateDirty |= gfxDirtyTextures;
    }
    gfxApplyPending();
    if (gfxSoftwareScene()) {
        gfxSceneOpen = false;
        gfxFailed(lpD3DDev->EndScene(), "lpD3DDev->EndScene()");
    }
}

void gfxEndFrame() {
    bool hardware = !gfxSoftwareScene();
    if (hardware) {
        DrawFade();
    }
    gfxRunHooks(gfxHookFrameEnd);
    if (hardware) {
        gfxFailed(lpD3DDev->EndScene(), "lpD3DDev->EndScene()");
    }
    if (gfxRenderTarget) {
        return;
    }
    if (gfxVisualizeZ && gfxUseSoftware) {
        gfxShowZBuffer();
    }
    Present(!gfxNoVBlank, false);
    MeasureFrameTime();
    if (gfxScreenShotPending()) {
        gfxTakeScreenShot();
    }
}

void gfxBeginFrameAndScene() {
    BeginFrame();
    gfxBeginScene();
}

void gfxEndSceneAndFrame() {
    gfxEndScene();
    gfxEndFrame();
}

void gfxPresent() {
    if (!gfxRenderTarget) {
        Present(true, true);
    }
}
