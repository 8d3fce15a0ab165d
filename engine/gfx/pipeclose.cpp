// Closing the pipeline: everything made on the device, the surfaces, DirectDraw and the
// window, in reverse order of creation, with a report of surfaces nobody released.
#include "data/printer.h"
#include "gfx/bitmap.h"
#include "gfx/d3dpipe.h"
#include "gfx/hooks.h"
#include "gfx/pipeline.h"
#include "gfx/texreg.h"
#include "gfx/texture.h"
#include "gfx/viewport.h"

namespace {

bool sCursorHidden;

template <typename Interface>
void Release(Interface*& object, const char* name) {
    if (object) {
        ULONG remaining = object->Release();
        PrintVerbose2(gfxDebugLevel, "Releasing %s: %d", name, (int)remaining);
        object = nullptr;
    }
}

HRESULT WINAPI EnumAllSurfCallback(IDirectDrawSurface7* surface, DDSURFACEDESC2* desc, void*) {
    PrintWarning("D3D: Unreleased surface: A %d by %d surface.", (int)desc->dwWidth,
                 (int)desc->dwHeight);
    surface->Release();
    return DDENUMRET_OK;
}

void ReleaseLeakedSurfaces() {
    if (lpDD) {
        lpDD->EnumSurfaces(DDENUMSURFACES_DOESEXIST | DDENUMSURFACES_ALL, nullptr, nullptr,
                           EnumAllSurfCallback);
    }
}

void DeleteViewport(gfxViewport*& viewport) {
    delete viewport;
    viewport = nullptr;
}

}  // namespace

void gfxHideCursor() {
    if (!sCursorHidden) {
        ShowCursor(FALSE);
        sCursorHidden = true;
    }
}

void gfxReleaseDevice() {
    gfxRunHooks(gfxHookDeviceReleasing);
    gfxCurrentViewport = nullptr;
    DeleteViewport(gfxScreenViewport);
    DeleteViewport(gfxMainViewport);
    // Whatever references are still held: the device goes, and every surface made on it
    // must go first, or the report below would name them all.
    gfxReleaseAllTextures();
    gfxReleaseAllBitmaps();
    gfxResetAnimTextures();
    gfxFreeVertexBuffers();
    gfxRunHooks(gfxHookInputStop);
    if (lpdsRend && lpdsZ) {
        lpdsRend->DeleteAttachedSurface(0, lpdsZ);
    }
    Release(lpdsZ, "lpdsZ");
    Release(lpD3DDev, "lpD3DDev");
    Release(lpD3D, "lpD3D");
    Release(lpClip, "lpClip");
    Release(lpdsRend, "lpdsRend");
    Release(lpdsBack2, "lpdsBack2");
    Release(lpdsBack, "lpdsBack");
    Release(lpdsFront, "lpdsFront");
    ReleaseLeakedSurfaces();
}

void gfxReleaseDirectDraw() {
    if (sCursorHidden) {
        ShowCursor(TRUE);
        sCursorHidden = false;
    }
    if (!gfxWindowed && lpDD) {
        PrintMessage("RESTORING DISPLAY MODE");
        lpDD->RestoreDisplayMode();
        lpDD->SetCooperativeLevel(hwndMain, DDSCL_NORMAL);
    }
    ReleaseLeakedSurfaces();
    Release(lpDD, "lpDD");
    gfxDestroyWindow();
}

void gfxClosePipeline() {
    gfxReleaseDevice();
    gfxReleaseDirectDraw();
}
