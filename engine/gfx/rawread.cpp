// Headerless square ".raw" index images with an optional ".act" palette of 256 colours.
#include "gfx/imagefile.h"
#include "gfx/imageread.h"

#include "data/printer.h"

#include <algorithm>

namespace {

// The side of a square file: 1 doubled once for every time the size divides by 4.
int RawSide(int64_t size) {
    int side = 1;
    while (size >= 4) {
        size /= 4;
        side *= 2;
    }
    return side;
}

}  // namespace

gfxImage* gfxLoadRaw(const char* name, bool /*wantMips*/) {
    if (!gfxPalettizedTextures) {
        return nullptr;
    }
    gfxImageFile file(name, "raw");
    if (!file.IsOpen()) {
        return nullptr;
    }
    gfxImageFile act(name, "act", false);
    int side = RawSide(file.Size());
    if (!gfxImage::Fits(side, side, gfxImage::rif8)) {
        PrintError("Raw image '%s' is too large.", name);
        return nullptr;
    }
    gfxImageRef image(gfxImage::Create(side, side, gfxImage::rif8, gfxImage::PaletteRGBA, 0));
    for (int y = side - 1; y >= 0; --y) {
        file.Read(image->Row(y), side);
    }
    unsigned char colours[256 * 3];
    int entries = 0;
    if (act.IsOpen()) {
        entries = (int)std::min<int64_t>(256, act.Size() / 3);
        act.Read(colours, entries * 3);
        if (entries < 256) {
            PrintError("Palette '%s' is cut short.", name);
        }
    }
    // Without the palette file, or past its end, a grey ramp.
    for (int i = 0; i < 256; ++i) {
        unsigned char* out = image->m_Palette + 4 * i;
        for (int b = 0; b < 3; ++b) {
            out[b] = i < entries ? colours[3 * i + b] : (unsigned char)i;
        }
        out[3] = 255;
    }
    return image.release();
}
