// The engine's own ".tex" texture files: a 14-byte header, a palette for the indexed types, and
// the stored levels from the largest down.
#include "gfx/imagebytes.h"
#include "gfx/imagefile.h"
#include "gfx/imageread.h"

#include "data/printer.h"

#include <cstring>
#include <vector>

namespace {

const int HeaderSize = 14;

struct TexType {
    int m_Type;
    int m_FileBits;      // per pixel
    int m_Palette;       // entries
    bool m_Alpha;        // palette alpha (types 14, 16) or index-and-alpha pixels (type 2)
    int m_Format;        // without palettized textures
    int m_PalettizedFormat;
    int m_PaletteFormat; // with palettized textures
};

const TexType TexTypes[] = {
    {1, 8, 256, false, gfxImage::rif888, gfxImage::rif8, gfxImage::Palette555},
    {2, 16, 256, true, gfxImage::rif8888, gfxImage::rif8888, gfxImage::NoPalette},
    {6, 16, 0, false, gfxImage::rif5551, gfxImage::rif5551, gfxImage::NoPalette},
    {14, 8, 256, true, gfxImage::rif8888, gfxImage::rif8, gfxImage::PaletteRGBA},
    {15, 4, 16, false, gfxImage::rif888, gfxImage::rif4, gfxImage::Palette555},
    {16, 4, 16, true, gfxImage::rif8888, gfxImage::rif4, gfxImage::PaletteRGBA},
    {17, 24, 0, false, gfxImage::rif888, gfxImage::rif888, gfxImage::NoPalette},
    {18, 32, 0, false, gfxImage::rif8888, gfxImage::rif8888, gfxImage::NoPalette},
};

const TexType* FindType(int type) {
    for (const TexType& t : TexTypes) {
        if (t.m_Type == type) {
            return &t;
        }
    }
    return nullptr;
}

bool PowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

int64_t LevelFileBytes(const TexType& type, int width, int height) {
    return ((int64_t)width * height * type.m_FileBits + 7) / 8;
}

// File palette entries are blue, green, red and a fourth byte.
void FillPalette(gfxImage* image, const unsigned char* file, int entries) {
    for (int i = 0; i < entries; ++i) {
        const unsigned char* entry = file + 4 * i;
        if (image->m_PaletteFormat == gfxImage::Palette555) {
            uint16_t word = (uint16_t)(0x8000 | (entry[0] >> 3) << 10 | (entry[1] >> 3) << 5 |
                                       entry[2] >> 3);
            image->m_Palette[2 * i] = (unsigned char)word;
            image->m_Palette[2 * i + 1] = (unsigned char)(word >> 8);
        } else {
            unsigned char* out = image->m_Palette + 4 * i;
            out[0] = entry[2];
            out[1] = entry[1];
            out[2] = entry[0];
            out[3] = entry[3];
        }
    }
}

// One level from its file bytes into the image's format.
void ConvertLevel(const TexType& type, const unsigned char* file, const unsigned char* palette,
                  gfxImage* level) {
    int pixels = level->m_XRes * level->m_YRes;
    unsigned char* out = level->m_Pixels;
    bool indexed = type.m_Palette && level->m_PaletteFormat != gfxImage::NoPalette;
    if (!type.m_Palette || indexed) {
        memcpy(out, file, (size_t)LevelFileBytes(type, level->m_XRes, level->m_YRes));
        return;
    }
    int bytes = level->m_Format == gfxImage::rif8888 ? 4 : 3;
    for (int i = 0; i < pixels; ++i, out += bytes) {
        int index;
        if (type.m_FileBits == 4) {
            index = (file[i >> 1] >> (4 * (i & 1))) & 0x0F;
        } else {
            index = file[i * type.m_FileBits / 8];
        }
        const unsigned char* entry = palette + 4 * index;
        out[0] = entry[2];
        out[1] = entry[1];
        out[2] = entry[0];
        if (bytes == 4) {
            out[3] = type.m_Type == 2 ? file[2 * i + 1] : entry[3];
        }
    }
}

}  // namespace

gfxImage* gfxLoadTex(const char* name, bool wantMips) {
    gfxImageFile file(name, "tex");
    if (!file.IsOpen()) {
        return nullptr;
    }
    unsigned char header[HeaderSize];
    if (!file.Read(header, HeaderSize)) {
        PrintError("Texture '%s' is cut short.", name);
        return nullptr;
    }
    int width = DecodeU16(header);
    int height = DecodeU16(header + 2);
    int typeCode = DecodeU16(header + 4);
    int stored = DecodeU16(header + 6);
    uint32_t flags = DecodeU32(header + 10);
    if (!PowerOfTwo(width) || !PowerOfTwo(height)) {
        PrintError("Texture '%s': Bad resolution %d x %d", name, width, height);
        return nullptr;
    }
    const TexType* type = FindType(typeCode);
    if (!type) {
        PrintError("unsupported .tex type: %d", typeCode);
        return nullptr;
    }
    bool palettized = gfxPalettizedTextures && type->m_PaletteFormat != gfxImage::NoPalette;
    int format = palettized ? type->m_PalettizedFormat : type->m_Format;
    if (!gfxImage::Fits(width, height, format)) {
        PrintError("Texture '%s': Bad resolution %d x %d", name, width, height);
        return nullptr;
    }
    std::vector<unsigned char> palette((size_t)type->m_Palette * 4);
    // Nothing is allocated for pixels the file does not hold.
    if (!file.Read(palette.data(), (int)palette.size()) ||
        LevelFileBytes(*type, width, height) > file.Left()) {
        PrintError("Texture '%s' is cut short.", name);
        return nullptr;
    }
    // A file that counts no levels still holds its top level.
    int levels = wantMips && stored > 1 ? stored : 1;
    gfxImageRef image(gfxImage::Create(width, height, format,
                                       palettized ? type->m_PaletteFormat : 0, levels - 1));
    if (palettized) {
        FillPalette(image.get(), palette.data(), type->m_Palette);
    }
    std::vector<unsigned char> bytes;
    for (gfxImage* level = image.get(); level; level = level->m_Next) {
        bytes.resize((size_t)LevelFileBytes(*type, level->m_XRes, level->m_YRes));
        if (!file.Read(bytes.data(), (int)bytes.size())) {
            PrintError("Texture '%s' is cut short.", name);
            return nullptr;
        }
        ConvertLevel(*type, bytes.data(), palette.data(), level);
        level->m_Flags = flags;
    }
    return image.release();
}
