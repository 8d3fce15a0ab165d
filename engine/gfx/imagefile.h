#ifndef GFX_IMAGEFILE_H
#define GFX_IMAGEFILE_H

#include "gfx/image.h"

struct Stream;

// Image files in the asset directory "texture": ".tex", ".tga", ".bmp" and ".raw" with an
// ".act" palette, tried in that order. Each reader gives an image with one reference, or null.
gfxImage* gfxLoadImage(const char* name, bool wantMips);
gfxImage* gfxLoadTex(const char* name, bool wantMips);
gfxImage* gfxLoadTga(const char* name, bool wantMips);
gfxImage* gfxLoadBmp(const char* name, bool wantMips);
gfxImage* gfxLoadRaw(const char* name, bool wantMips);

// Writers replace the named file only when the whole image went out; false otherwise.
bool gfxSaveBmp(const char* fileName, gfxImage* image);
bool gfxSaveTga(const char* fileName, gfxImage* image);

// Frame capture: one 24-bit ".bmp" header, then frames of pixels, three bytes each. The file is
// replaced at the close, and only when every frame went out; otherwise the close reports it.
Stream* gfxOpenRawBmpStream(const char* fileName, int width, int height);
void gfxWriteRawBmpFrame(Stream* stream, const uint32_t* pixels, int count);
void gfxCloseRawBmpStream(Stream* stream);

// Whether 16-bit images copied from the screen are laid out 5-6-5 (else 5-5-5). The screen
// copy sets it; the writers read it.
extern bool gfxUse565;
// Whether palettized surfaces are in use: palette images then stay palettized and ".raw" files
// load. Off unless the pipeline turns it on.
extern bool gfxPalettizedTextures;

#endif
