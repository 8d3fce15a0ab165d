// The image loader: each file format in turn, the first that gives an image wins.
#include "gfx/imagefile.h"

#include "data/printer.h"

bool gfxPalettizedTextures = false;

gfxImage* gfxLoadImage(const char* name, bool wantMips) {
    gfxImage* (*const readers[])(const char*, bool) = {gfxLoadTex, gfxLoadTga, gfxLoadBmp,
                                                       gfxLoadRaw};
    for (auto reader : readers) {
        if (gfxImage* image = reader(name, wantMips)) {
            return image;
        }
    }
    PrintWarning("Texture '%s' not found.", name);
    return nullptr;
}
