#ifndef GFX_BLITCLIP_H
#define GFX_BLITCLIP_H

#include <cstdint>

#include <windows.h>
#include <ddraw.h>

// A blit rectangle on the screen and its source origin.
struct gfxBlitRect {
    int m_X, m_Y;
    int m_SourceX, m_SourceY;
    int m_Width, m_Height;
};

// Clips to the screen, shifting the source by what the left and top lose; false when less than
// a pixel is left.
bool gfxClipBlit(gfxBlitRect& rect, int screenWidth, int screenHeight);
// Draws the clipped rectangle of the source surface (flags: DDBLTFAST_SRCCOLORKEY for a keyed
// blit); false when nothing was drawn.
bool gfxBlitClipped(int x, int y, IDirectDrawSurface7* source, int sx, int sy, int width,
                    int height, uint32_t flags);

#endif
