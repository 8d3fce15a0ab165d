// Targa files: the reader of uncompressed 24 and 32-bit images and the writer.
#include "gfx/imagebytes.h"
#include "gfx/imagefile.h"
#include "gfx/imageread.h"

#include "data/asset.h"
#include "data/assert.h"
#include "data/printer.h"
#include "data/stream.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

const int HeaderSize = 18;
const int UncompressedTrueColour = 2;
const unsigned char TopRowFirst = 0x20;

// The header fields that are asserted, named as their checks report them.
struct TgaHeader {
    int xOrigin;
    int yOrigin;
};

// One pixel in three file bytes, blue first, from any image format.
struct TgaColours {
    explicit TgaColours(const gfxImage* image) : m_Image(image) {
        int entries = gfxImage::PaletteEntries(image->m_Format);
        for (int i = 0; i < entries && image->m_Palette; ++i) {
            unsigned char* out = m_Table[i];
            if (image->m_PaletteFormat == gfxImage::PaletteRGBA) {
                // Entries are red, green, blue, alpha: written blue first like every pixel.
                const unsigned char* entry = image->m_Palette + 4 * i;
                out[0] = entry[2];
                out[1] = entry[1];
                out[2] = entry[0];
            } else {
                uint16_t word = (uint16_t)(image->m_Palette[2 * i] | image->m_Palette[2 * i + 1] << 8);
                Fields555(word, out);
            }
        }
    }

    // The fields at bits 10-14, 5-9 and 0-4, in that order.
    static void Fields555(uint16_t word, unsigned char* out) {
        out[0] = Expand5((word >> 10) & 31);
        out[1] = Expand5((word >> 5) & 31);
        out[2] = Expand5(word & 31);
    }

    void Pixel(int x, int y, unsigned char* out) const {
        const unsigned char* row = m_Image->Row(y);
        switch (m_Image->m_Format) {
        case gfxImage::rif8888:
            // Targa keeps alpha after the colours: blue, green, red, alpha.
            for (int b = 0; b < 3; ++b) {
                out[b] = row[4 * x + 2 - b];
            }
            out[3] = row[4 * x + 3];
            break;
        case gfxImage::rif888:
            for (int b = 0; b < 3; ++b) {
                out[b] = row[3 * x + 2 - b];
            }
            break;
        case gfxImage::rif5551:
            Fields555(m_Image->Word(x, y), out);
            break;
        case gfxImage::rif555:
            if (gfxUse565) {
                uint16_t word = m_Image->Word(x, y);
                out[0] = Expand5(word >> 11);
                out[1] = Expand6((word >> 5) & 63);
                out[2] = Expand5(word & 31);
            } else {
                Fields555(m_Image->Word(x, y), out);
            }
            break;
        case gfxImage::rif8:
            memcpy(out, m_Table[row[x]], 3);
            break;
        default:
            memcpy(out, m_Table[(row[x >> 1] >> (4 * (x & 1))) & 0x0F], 3);
            break;
        }
    }

    const gfxImage* m_Image;
    unsigned char m_Table[256][3] = {};
};

}  // namespace

gfxImage* gfxLoadTga(const char* name, bool wantMips) {
    gfxImageFile file(name, "tga");
    if (!file.IsOpen()) {
        return nullptr;
    }
    unsigned char bytes[HeaderSize];
    if (!file.Read(bytes, HeaderSize)) {
        PrintError("Targa '%s' is cut short.", name);
        return nullptr;
    }
    TgaHeader h;
    h.xOrigin = DecodeU16(bytes + 8);
    h.yOrigin = DecodeU16(bytes + 10);
    int idLength = bytes[0];
    int colourMapBytes = bytes[1] ? DecodeU16(bytes + 5) * ((bytes[7] + 7) / 8) : 0;
    int imageType = bytes[2];
    int width = DecodeU16(bytes + 12);
    int height = DecodeU16(bytes + 14);
    int depth = bytes[16];
    bool topFirst = (bytes[17] & TopRowFirst) != 0;
    Assert(h.xOrigin == 0);
    Assert(h.yOrigin == 0);
    // Compressed, colour-mapped or other depths would be read as garbage.
    if (imageType != UncompressedTrueColour || (depth != 24 && depth != 32)) {
        PrintError("Targa '%s': only uncompressed 24 and 32-bit images are read (type %d, %d bits).",
                   name, imageType, depth);
        return nullptr;
    }
    int format = depth == 32 ? gfxImage::rif8888 : gfxImage::rif888;
    if (!gfxImage::Fits(width, height, format)) {
        PrintError("Targa '%s': Bad resolution %d x %d", name, width, height);
        return nullptr;
    }
    int stride = width * depth / 8;
    if (!file.Seek(HeaderSize + idLength + colourMapBytes) ||
        (int64_t)stride * height > file.Left()) {
        PrintError("Targa '%s' is cut short.", name);
        return nullptr;
    }
    // Lower levels only where they will be filled: square images asked for with mip levels.
    int mipCount = wantMips && width == height ? 99 : 0;
    gfxImageRef image(gfxImage::Create(width, height, format, 0, mipCount));
    for (int i = 0; i < height; ++i) {
        unsigned char* row = image->Row(topFirst ? i : height - 1 - i);
        file.Read(row, stride);
        for (int x = 0; x < width; ++x) {
            std::swap(row[x * depth / 8], row[x * depth / 8 + 2]);
        }
    }
    if (wantMips) {
        image->GenerateMipmaps();
    }
    return image.release();
}

bool gfxSaveTga(const char* fileName, gfxImage* image) {
    Assert(image->m_Format >= gfxImage::rif8888 && image->m_Format <= gfxImage::rif4);
    Stream* stream = datAssetManager::CreateReplacing(nullptr, fileName, "tga");
    if (!stream) {
        return false;
    }
    int bytes = image->m_Format == gfxImage::rif8888 ? 4 : 3;
    std::vector<unsigned char> out = {0, 0, UncompressedTrueColour, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    PutU16(out, image->m_XRes);
    PutU16(out, image->m_YRes);
    PutU8(out, bytes * 8);
    PutU8(out, TopRowFirst);
    TgaColours colours(image);
    size_t at = out.size();
    out.resize(at + (size_t)image->m_XRes * image->m_YRes * bytes);
    for (int y = 0; y < image->m_YRes; ++y) {
        for (int x = 0; x < image->m_XRes; ++x, at += bytes) {
            colours.Pixel(x, y, out.data() + at);
        }
    }
    bool wrote = StreamWrite(stream, out.data(), (int)out.size()) == (int)out.size();
    return StreamClose(stream) == 0 && wrote;
}
