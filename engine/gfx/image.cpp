// The image record: creation and release of mip chains, and the whole-image operations.
#include "gfx/image.h"

#include "data/assert.h"
#include "data/printer.h"

#include <cstring>
#include <vector>

namespace {

const uint8_t BitsByFormat[7] = {0, 32, 24, 16, 16, 8, 4};

int StrideOf(int width, int format) { return (gfxImage::BitsPerPixel(format) * width) >> 3; }

}  // namespace

int gfxImage::BitsPerPixel(int format) {
    return format >= rif8888 && format <= rif4 ? BitsByFormat[format] : 0;
}

int gfxImage::PaletteEntries(int format) {
    return format == rif8 ? 256 : format == rif4 ? 16 : 0;
}

int gfxImage::PaletteBytes(int format, int paletteFormat) {
    int entrySize = paletteFormat == PaletteRGBA ? 4 : paletteFormat == Palette555 ? 2 : 0;
    return PaletteEntries(format) * entrySize;
}

bool gfxImage::Fits(int width, int height, int format) {
    // A 4-bit row of an odd width still needs its last half byte.
    int rowBytes = (BitsPerPixel(format) * width + 7) >> 3;
    return width >= 1 && width <= 0xFFFF && height >= 1 && height <= 0xFFFF &&
           BitsPerPixel(format) > 0 && rowBytes <= 0xFFFF;
}

gfxImage* gfxImage::Create(int width, int height, int format, int paletteFormat, int mipCount) {
    Assert(BitsPerPixel(format) > 0);
    Assert(width >= 0 && width <= 0xFFFF && height >= 0 && height <= 0xFFFF);
    Assert(StrideOf(width, format) <= 0xFFFF);
    Assert(paletteFormat == NoPalette ||
           (PaletteEntries(format) && (paletteFormat == PaletteRGBA || paletteFormat == Palette555)));
    gfxImage* image = new gfxImage;
    image->m_XRes = (uint16_t)width;
    image->m_YRes = (uint16_t)height;
    image->m_Stride = (uint16_t)StrideOf(width, format);
    image->m_Format = (uint8_t)format;
    image->m_PaletteFormat = (uint8_t)paletteFormat;
    image->m_Flags = 0;
    // A 4-bit image of odd width keeps room for its last half byte.
    size_t rowRoom = (size_t)((BitsPerPixel(format) * width + 7) >> 3);
    image->m_Pixels = new unsigned char[rowRoom * height + 1];
    int paletteBytes = PaletteBytes(format, paletteFormat);
    image->m_Palette = paletteBytes ? new unsigned char[paletteBytes] : nullptr;
    image->m_RefCount = 1;
    image->m_Next = nullptr;
    if (mipCount > 0 && width > 1 && height > 1) {
        image->m_Next = Create(width >> 1, height >> 1, format, paletteFormat, mipCount - 1);
        if (image->m_Palette) {
            delete[] image->m_Palette;
            image->m_Palette = image->m_Next->m_Palette;
        }
    }
    return image;
}

void gfxImage::Release() {
    delete[] m_Pixels;
    m_Pixels = nullptr;
    // The last level of a chain owns the palette; the levels above only refer to it.
    if (!m_Next) {
        delete[] m_Palette;
    }
    m_Palette = nullptr;
    if (m_Next) {
        gfxReleaseImage(m_Next);
        m_Next = nullptr;
    }
}

void gfxReleaseImage(gfxImage* image) {
    if (image && --image->m_RefCount == 0) {
        image->Release();
        delete image;
    }
}

int gfxImage::LevelCount() const {
    int count = 0;
    for (const gfxImage* level = this; level; level = level->m_Next) {
        ++count;
    }
    return count;
}

uint16_t gfxImage::Word(int x, int y) const {
    const unsigned char* at = Row(y) + 2 * x;
    return (uint16_t)(at[0] | at[1] << 8);
}

void gfxImage::SetWord(int x, int y, uint16_t value) {
    unsigned char* at = Row(y) + 2 * x;
    at[0] = (unsigned char)value;
    at[1] = (unsigned char)(value >> 8);
}

void gfxImage::GenerateMipmaps() {
    if (HasPalette()) {
        PrintError("gfxImage::GenerateMipmaps - Can't autogenerate palettized texture mipmaps yet.");
        return;
    }
    // The readers ask for it only on 24 and 32-bit images; other formats are left alone.
    int bytes = BitsPerPixel(m_Format) >> 3;
    if (m_Format != rif8888 && m_Format != rif888) {
        return;
    }
    for (gfxImage* level = this; level->m_Next; level = level->m_Next) {
        gfxImage* next = level->m_Next;
        for (int y = 0; y < next->m_YRes; ++y) {
            const unsigned char* top = level->Row(2 * y);
            const unsigned char* bottom = level->Row(2 * y + 1);
            unsigned char* out = next->Row(y);
            for (int x = 0; x < next->m_XRes; ++x) {
                for (int b = 0; b < bytes; ++b) {
                    int left = 2 * x * bytes + b;
                    int right = left + bytes;
                    out[x * bytes + b] =
                        (unsigned char)((top[left] + top[right] + bottom[left] + bottom[right]) >> 2);
                }
            }
        }
    }
}

void gfxImage::Scale(int newWidth, int newHeight) {
    if (m_Format != rif8888 && m_Format != rif888) {
        PrintError("gfxImage::Scale - Only 24 bit and 32 bit images are handled.");
        return;
    }
    const int One = 32768;
    // Bilinear weights need two source samples per axis and two destination samples to step
    // between; a step below 0 (a side stretched more than 32768 times) would walk backwards
    // out of the picture.
    bool sizesFit = m_XRes >= 2 && m_YRes >= 2 && newWidth >= 2 && newHeight >= 2 &&
                    Fits(newWidth, newHeight, m_Format);
    int stepX = sizesFit ? (m_XRes * One - One) / (newWidth - 1) - 1 : -1;
    int stepY = sizesFit ? (m_YRes * One - One) / (newHeight - 1) - 1 : -1;
    if (stepX < 0 || stepY < 0) {
        PrintError("gfxImage::Scale - can't scale %d x %d to %d x %d.", m_XRes, m_YRes, newWidth,
                   newHeight);
        return;
    }
    int bytes = BitsPerPixel(m_Format) >> 3;
    int newStride = StrideOf(newWidth, m_Format);
    unsigned char* scaled = new unsigned char[(size_t)newStride * newHeight + 1];
    for (int j = 0; j < newHeight; ++j) {
        int sy = j * stepY;
        int r = sy >> 15;
        int fy = sy & 0x7FFF;
        const unsigned char* row0 = Row(r);
        const unsigned char* row1 = Row(r + 1);
        unsigned char* out = scaled + (size_t)j * newStride;
        for (int i = 0; i < newWidth; ++i) {
            int sx = i * stepX;
            int c = sx >> 15;
            int fx = sx & 0x7FFF;
            int w00 = ((One - fx) * (One - fy)) >> 15;
            int w10 = (fx * (One - fy)) >> 15;
            int w01 = ((One - fx) * fy) >> 15;
            int w11 = (fx * fy) >> 15;
            for (int b = 0; b < bytes; ++b) {
                int at = c * bytes + b;
                int sum = row0[at] * w00 + row0[at + bytes] * w10 + row1[at] * w01 +
                          row1[at + bytes] * w11;
                out[i * bytes + b] = (unsigned char)(sum >> 15);
            }
        }
    }
    delete[] m_Pixels;
    m_Pixels = scaled;
    m_XRes = (uint16_t)newWidth;
    m_YRes = (uint16_t)newHeight;
    m_Stride = (uint16_t)newStride;
}

void gfxImage::Reformat(int newFormat) {
    for (gfxImage* level = this; level; level = level->m_Next) {
        bool from888 = level->m_Format == rif888 && newFormat == rif555;
        bool from8888 = level->m_Format == rif8888 && newFormat == rif5551;
        if (!from888 && !from8888) {
            PrintError("gfxImage::Reformat() cannot reformat image format %d to %d",
                       level->m_Format, newFormat);
            continue;
        }
        int bytes = from888 ? 3 : 4;
        int newStride = level->m_XRes * 2;
        unsigned char* words = new unsigned char[(size_t)newStride * level->m_YRes + 1];
        for (int y = 0; y < level->m_YRes; ++y) {
            const unsigned char* in = level->Row(y);
            unsigned char* out = words + (size_t)y * newStride;
            for (int x = 0; x < level->m_XRes; ++x, in += bytes, out += 2) {
                // Red lands in the low bits and bit 15 is set: the order of Palette555 entries,
                // not of rif555 pixels. The conversion has always worked this way; nothing in
                // the editor converts to rif555.
                uint16_t alpha = from888 || in[3] > 63 ? 0x8000 : 0;
                uint16_t word = (uint16_t)(alpha | (in[2] >> 3) << 10 | (in[1] >> 3) << 5 | in[0] >> 3);
                out[0] = (unsigned char)word;
                out[1] = (unsigned char)(word >> 8);
            }
        }
        delete[] level->m_Pixels;
        level->m_Pixels = words;
        level->m_Format = (uint8_t)newFormat;
        level->m_Stride = (uint16_t)newStride;
    }
}

uint32_t gfxImage::AverageColor() const {
    const gfxImage* last = this;
    while (last->m_Next) {
        last = last->m_Next;
    }
    int count = last->m_XRes * last->m_YRes;
    if ((last->m_Format != rif888 && last->m_Format != rif555) || count == 0) {
        return 0;
    }
    uint64_t sums[3] = {0, 0, 0};
    for (int y = 0; y < last->m_YRes; ++y) {
        for (int x = 0; x < last->m_XRes; ++x) {
            if (last->m_Format == rif888) {
                const unsigned char* pixel = last->Row(y) + 3 * x;
                for (int b = 0; b < 3; ++b) {
                    sums[b] += pixel[b];
                }
            } else {
                uint16_t word = last->Word(x, y);
                for (int b = 0; b < 3; ++b) {
                    sums[b] += (word >> (5 * b)) & 31;
                }
            }
        }
    }
    float reciprocal = 1.0f / (float)count;
    // The 5-bit fields are read in the Palette555 order, as Reformat writes them.
    float scale = last->m_Format == rif555 ? 8.225806f : 1.0f;
    uint32_t mean[3];
    for (int b = 0; b < 3; ++b) {
        mean[b] = (uint32_t)((float)sums[b] * reciprocal * scale);
    }
    return 0xFF000000u | mean[0] << 16 | mean[1] << 8 | mean[2];
}

void gfxImage::FlipVertical() {
    std::vector<unsigned char> swap(m_Stride);
    for (int top = 0, bottom = m_YRes - 1; top < bottom; ++top, --bottom) {
        memcpy(swap.data(), Row(top), m_Stride);
        memcpy(Row(top), Row(bottom), m_Stride);
        memcpy(Row(bottom), swap.data(), m_Stride);
    }
}
