#ifndef GFX_TEXCONVERT_H
#define GFX_TEXCONVERT_H

#include <cstdint>

// Row converters from image pixels to surface pixels: pure functions over memory, so that the
// upload of textures and bitmaps reduces to choosing one.
enum gfxRowConversion {
    gfxConvNone,
    gfxConv8888To32,    // bytes 2, 1, 0, 3
    gfxConv8888To4444,  // top 4 bits of alpha, red, green, blue
    gfxConv888To24,     // bytes 2, 1, 0
    gfxConv888To32,     // bytes 2, 1, 0, 255
    gfxConv888To555,
    gfxConv888To565,
    gfxConv16To555,     // 5-6-5 words to 5-5-5
    gfxConvCopy16,
    gfxConvCopy8,
    gfxConv4To8,        // packed nibbles, low first, to one index per byte
    gfxConvCopy4,
    // Bitmaps: alpha below 64 becomes the colour key 0; opaque near-black the darkest
    // non-key colour.
    gfxConvKey8888To555,
    gfxConvKey8888To565,
    gfxConvKey8888To32,
};

// The conversion from an image format to a surface of this bit depth and red mask; gfxConvNone
// when there is none.
gfxRowConversion gfxChooseConversion(int imageFormat, uint32_t bitCount, uint32_t redMask,
                                     bool paletteSurface);
// The same for bitmaps, which take the colour-keyed forms of rif8888.
gfxRowConversion gfxChooseBitmapConversion(int imageFormat, uint32_t bitCount, uint32_t redMask);
// Converts count pixels of one row.
void gfxConvertRow(gfxRowConversion conversion, void* dest, const void* source, int count);
// Bytes a surface row of count pixels takes at this bit depth.
int gfxSurfaceRowBytes(uint32_t bitCount, int count);

#endif
