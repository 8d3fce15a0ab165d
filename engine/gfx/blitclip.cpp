// Blits clipped against the screen.
#include "gfx/blitclip.h"

#include "gfx/d3dpipe.h"
#include "gfx/pipeline.h"

bool gfxClipBlit(gfxBlitRect& r, int screenWidth, int screenHeight) {
    if (r.m_X < 0) {
        r.m_SourceX -= r.m_X;
        r.m_Width += r.m_X;
        r.m_X = 0;
    }
    if (r.m_Y < 0) {
        r.m_SourceY -= r.m_Y;
        r.m_Height += r.m_Y;
        r.m_Y = 0;
    }
    if (r.m_X + r.m_Width > screenWidth) {
        r.m_Width = screenWidth - r.m_X;
    }
    if (r.m_Y + r.m_Height > screenHeight) {
        r.m_Height = screenHeight - r.m_Y;
    }
    return r.m_Width >= 1 && r.m_Height >= 1;
}

bool gfxBlitClipped(int x, int y, IDirectDrawSurface7* source, int sx, int sy, int width,
                    int height, uint32_t flags) {
    gfxBlitRect r = {x, y, sx, sy, width, height};
    if (!gfxClipBlit(r, gfxPipeline::m_iWidth, gfxPipeline::m_iHeight)) {
        return false;
    }
    gfxBlitBitmap(r.m_X, r.m_Y, source, r.m_SourceX, r.m_SourceY, r.m_Width, r.m_Height,
                  (flags & DDBLTFAST_SRCCOLORKEY) != 0);
    return true;
}
