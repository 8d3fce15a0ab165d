// Bitmaps: colour-keyed off-screen surfaces loaded from images for blits.
#include "gfx/bitmap.h"

#include <cstring>

#include "data/assert.h"
#include "data/printer.h"
#include "gfx/image.h"
#include "gfx/pipeline.h"
#include "gfx/texconvert.h"
#include "gfx/texreg.h"

gfxBitmap* gfxBitmap::sm_First;

gfxBitmap* gfxBitmap::Create(int width, int height, bool videoMemory) {
    if (!lpDD) {
        PrintWarning("PIPE not started, cannot create textures.");
        return nullptr;
    }
    DDSURFACEDESC2 sd = {};
    sd.dwSize = sizeof(sd);
    sd.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_CKSRCBLT;
    sd.dwWidth = width;
    sd.dwHeight = height;
    sd.ddckCKSrcBlt.dwColorSpaceLowValue = 0;
    sd.ddckCKSrcBlt.dwColorSpaceHighValue = 0;
    sd.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | (videoMemory ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY);
    IDirectDrawSurface7* surface = nullptr;
    if (FAILED(lpDD->CreateSurface(&sd, &surface, nullptr)) || !surface) {
        return nullptr;
    }
    gfxBitmap* b = new gfxBitmap();
    b->m_Name = nullptr;
    b->m_Width = uint16_t(width);
    b->m_Height = uint16_t(height);
    b->m_Surface = surface;
    b->m_RefCount = 1;
    b->m_Next = sm_First;
    sm_First = b;
    return b;
}

void gfxBitmap::SetName(const char* name) {
    gfxReplaceName(m_Name, name);
}

bool gfxBitmap::Load(gfxImage* image) {
    if (image->m_XRes != m_Width || image->m_YRes != m_Height || image->m_Palette) {
        return false;
    }
    DDSURFACEDESC2 sd = {};
    sd.dwSize = sizeof(sd);
    if (gfxFailed(m_Surface->Lock(nullptr, &sd, DDLOCK_WAIT, nullptr),
                  "m_Surface->Lock(NULL,&SD,DDLOCK_WAIT,0)")) {
        return false;
    }
    if (!sd.lpSurface) {
        m_Surface->Unlock(nullptr);
        return false;
    }
    gfxRowConversion conversion = gfxChooseBitmapConversion(
        image->m_Format, sd.ddpfPixelFormat.dwRGBBitCount, sd.ddpfPixelFormat.dwRBitMask);
    for (int y = 0; y < m_Height; ++y) {
        gfxConvertRow(conversion, static_cast<uint8_t*>(sd.lpSurface) + size_t(y) * sd.lPitch,
                      image->Row(y), m_Width);
    }
    gfxFailed(m_Surface->Unlock(nullptr), "m_Surface->Unlock(NULL)");
    return conversion != gfxConvNone;
}

void gfxBitmap::Fill(uint32_t colour) {
    DDBLTFX fx = {};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = colour;
    gfxFailed(m_Surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx),
              "m_Surface->Blt(NULL,NULL,NULL,DDBLT_COLORFILL|DDBLT_WAIT,&fx)");
}

void gfxBitmap::Release(gfxBitmap* bitmap) {
    if (!bitmap) {
        return;
    }
    if (bitmap->m_RefCount == 1 && bitmap->m_Name) {
        gfxForgetBitmapName(bitmap->m_Name);
    }
    if (--bitmap->m_RefCount == 0) {
        bitmap->Destroy();
        delete bitmap;
    }
}

void gfxBitmap::Destroy() {
    SetName(nullptr);
    gfxBitmap** i = &sm_First;
    while (*i && *i != this) {
        i = &(*i)->m_Next;
    }
    Assert(*i);
    *i = m_Next;
    if (m_Surface) {
        m_Surface->Release();
        m_Surface = nullptr;
    }
}

void gfxReleaseAllBitmaps() {
    while (gfxBitmap::sm_First) {
        gfxBitmap::Release(gfxBitmap::sm_First);
    }
}
