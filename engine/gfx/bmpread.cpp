// The ".bmp" reader: uncompressed 8 and 24-bit bitmaps with either information header.
#include "gfx/imagebytes.h"
#include "gfx/imagefile.h"
#include "gfx/imageread.h"

#include "data/printer.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

const int FileHeaderSize = 14;
const int InfoHeaderSize = 40;
const int CoreHeaderSize = 12;
const uint16_t Magic = 0x4D42;

}  // namespace

gfxImage* gfxLoadBmp(const char* name, bool wantMips) {
    gfxImageFile file(name, "bmp");
    if (!file.IsOpen()) {
        return nullptr;
    }
    unsigned char head[FileHeaderSize];
    unsigned char info[InfoHeaderSize] = {};
    if (!file.Read(head, FileHeaderSize)) {
        PrintError("Bitmap '%s' is cut short.", name);
        return nullptr;
    }
    if (DecodeU16(head) != Magic) {
        PrintError("Bitmap '%s' isn't a valid bitmap: %x != %x.", name, DecodeU16(head), Magic);
        return nullptr;
    }
    uint32_t pixelOffset = DecodeU32(head + 10);
    // A core header is shorter than the 40 bytes asked for; it still has to be whole.
    int got = (int)std::min<int64_t>(InfoHeaderSize, file.Left());
    file.Read(info, got);
    uint32_t headerSize = DecodeU32(info);
    bool core = headerSize == CoreHeaderSize;
    if ((core ? CoreHeaderSize : InfoHeaderSize) > got || (!core && headerSize < InfoHeaderSize)) {
        PrintError("Bitmap '%s' is cut short.", name);
        return nullptr;
    }
    int64_t fileWidth = core ? DecodeU16(info + 4) : (int64_t)DecodeU32(info + 4);
    int64_t height = core ? DecodeU16(info + 6) : (int64_t)DecodeU32(info + 8);
    int bits = DecodeU16(info + (core ? 10 : 14));
    uint32_t compression = core ? 0 : DecodeU32(info + 16);
    if (bits != 8 && bits != 24) {
        PrintError("Bitmap '%s' isn't 8bpp or 24bpp", name);
        return nullptr;
    }
    if (compression != 0) {
        PrintError("Don't support compression on bitmap '%s'", name);
        return nullptr;
    }
    // Textures want even widths.
    int64_t width = fileWidth + (fileWidth & 1);
    int format = bits == 8 ? gfxImage::rif8 : gfxImage::rif888;
    if (width > 0xFFFF || height > 0xFFFF || !gfxImage::Fits((int)width, (int)height, format)) {
        PrintError("Bitmap '%s' has a bad size %lld x %lld.", name, (long long)fileWidth,
                   (long long)height);
        return nullptr;
    }
    // File rows are padded to whole 4-byte words.
    int fileStride = (int)((fileWidth * bits + 31) / 32 * 4);
    std::vector<unsigned char> palette;
    if (bits == 8) {
        // The palette follows the header, whichever size it has; a count of colours used
        // shortens it.
        uint32_t used = core ? 0 : DecodeU32(info + 32);
        int entries = used > 0 && used < 256 ? (int)used : 256;
        int entrySize = core ? 3 : 4;
        palette.resize((size_t)entries * entrySize);
        if (headerSize > (uint32_t)file.Size() || !file.Seek(FileHeaderSize + (int)headerSize) ||
            !file.Read(palette.data(), (int)palette.size())) {
            PrintError("Bitmap '%s' is cut short.", name);
            return nullptr;
        }
    }
    if (pixelOffset > (uint32_t)file.Size() || !file.Seek((int)pixelOffset) ||
        (int64_t)fileStride * height > file.Left()) {
        PrintError("Bitmap '%s' is cut short.", name);
        return nullptr;
    }
    gfxImageRef image(gfxImage::Create((int)width, (int)height, format,
                                       bits == 8 ? gfxImage::PaletteRGBA : 0, 0));
    if (bits == 8) {
        int entrySize = core ? 3 : 4;
        int entries = (int)palette.size() / entrySize;
        for (int i = 0; i < 256; ++i) {
            unsigned char* out = image->m_Palette + 4 * i;
            const unsigned char* entry = palette.data() + entrySize * std::min(i, entries - 1);
            out[0] = i < entries ? entry[2] : 0;
            out[1] = i < entries ? entry[1] : 0;
            out[2] = i < entries ? entry[0] : 0;
            out[3] = 255;
        }
    }
    // The padding of a file row becomes the extra column of an odd width where it fits; the
    // rest of a row stays black.
    std::vector<unsigned char> row(fileStride);
    int copy = std::min<int>(fileStride, image->m_Stride);
    for (int y = (int)height - 1; y >= 0; --y) {
        file.Read(row.data(), fileStride);
        unsigned char* out = image->Row(y);
        memset(out, 0, image->m_Stride);
        memcpy(out, row.data(), copy);
        if (bits == 24) {
            for (int x = 0; x + 2 < copy; x += 3) {
                std::swap(out[x], out[x + 2]);
            }
        }
    }
    if (wantMips) {
        image->GenerateMipmaps();
    }
    return image.release();
}
