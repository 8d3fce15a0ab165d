// Row converters from image pixels to texture and bitmap surface pixels.
#include "gfx/texconvert.h"

#include <cstring>

#include "gfx/image.h"

namespace {

const uint32_t Red555 = 0x7C00;

uint16_t To555(const uint8_t* p) {
    return uint16_t((p[0] >> 3) << 10 | (p[1] >> 3) << 5 | p[2] >> 3);
}

uint16_t To565(const uint8_t* p) {
    return uint16_t((p[0] >> 3) << 11 | (p[1] >> 2) << 5 | p[2] >> 3);
}

void Put16(uint8_t* d, uint16_t w) {
    d[0] = uint8_t(w);
    d[1] = uint8_t(w >> 8);
}

// A colour-keyed pixel: 0 (the key) when nearly clear, the darkest non-key colour when opaque
// but nearly black, else the plain conversion.
enum KeyResult { KeyClear, KeyDark, KeyPlain };

KeyResult Key(const uint8_t* p) {
    if (p[3] < 64) {
        return KeyClear;
    }
    if (p[0] < 8 && p[1] < 8 && p[2] < 8) {
        return KeyDark;
    }
    return KeyPlain;
}

}  // namespace

gfxRowConversion gfxChooseConversion(int imageFormat, uint32_t bitCount, uint32_t redMask,
                                     bool paletteSurface) {
    if (paletteSurface) {
        if (bitCount == 8) {
            return imageFormat == gfxImage::rif4 ? gfxConv4To8 : gfxConvCopy8;
        }
        return bitCount == 4 && imageFormat == gfxImage::rif4 ? gfxConvCopy4 : gfxConvNone;
    }
    switch (imageFormat) {
    case gfxImage::rif8888:
        return bitCount == 32 ? gfxConv8888To32 : bitCount == 16 ? gfxConv8888To4444 : gfxConvNone;
    case gfxImage::rif888:
        if (bitCount == 24) {
            return gfxConv888To24;
        }
        if (bitCount == 32) {
            return gfxConv888To32;
        }
        if (bitCount == 16) {
            return redMask == Red555 ? gfxConv888To555 : gfxConv888To565;
        }
        return gfxConvNone;
    case gfxImage::rif5551:
    case gfxImage::rif555:
        if (bitCount != 16) {
            return gfxConvNone;
        }
        return redMask == Red555 && imageFormat == gfxImage::rif555 ? gfxConv16To555 : gfxConvCopy16;
    default:
        return gfxConvNone;
    }
}

gfxRowConversion gfxChooseBitmapConversion(int imageFormat, uint32_t bitCount, uint32_t redMask) {
    if (imageFormat == gfxImage::rif8888) {
        if (bitCount == 32) {
            return gfxConvKey8888To32;
        }
        if (bitCount == 16) {
            return redMask == Red555 ? gfxConvKey8888To555 : gfxConvKey8888To565;
        }
        return gfxConvNone;
    }
    if (imageFormat == gfxImage::rif888 && bitCount == 16) {
        return redMask == Red555 ? gfxConv888To555 : gfxConv888To565;
    }
    return gfxChooseConversion(imageFormat, bitCount, redMask, false);
}

int gfxSurfaceRowBytes(uint32_t bitCount, int count) {
    return int((bitCount * uint32_t(count) + 7) / 8);
}

void gfxConvertRow(gfxRowConversion conversion, void* dest, const void* source, int count) {
    uint8_t* d = static_cast<uint8_t*>(dest);
    const uint8_t* s = static_cast<const uint8_t*>(source);
    switch (conversion) {
    case gfxConv8888To32:
        for (int i = 0; i < count; ++i, s += 4, d += 4) {
            d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
        }
        break;
    case gfxConv8888To4444:
        for (int i = 0; i < count; ++i, s += 4, d += 2) {
            Put16(d, uint16_t((s[3] >> 4) << 12 | (s[0] >> 4) << 8 | (s[1] >> 4) << 4 | s[2] >> 4));
        }
        break;
    case gfxConv888To24:
        for (int i = 0; i < count; ++i, s += 3, d += 3) {
            d[0] = s[2], d[1] = s[1], d[2] = s[0];
        }
        break;
    case gfxConv888To32:
        for (int i = 0; i < count; ++i, s += 3, d += 4) {
            d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = 255;
        }
        break;
    case gfxConv888To555:
        for (int i = 0; i < count; ++i, s += 3, d += 2) {
            Put16(d, To555(s));
        }
        break;
    case gfxConv888To565:
        for (int i = 0; i < count; ++i, s += 3, d += 2) {
            Put16(d, To565(s));
        }
        break;
    case gfxConv16To555:
        for (int i = 0; i < count; ++i, s += 2, d += 2) {
            uint16_t w = uint16_t(s[0] | s[1] << 8);
            Put16(d, uint16_t(((w >> 1) & 0x7FE0) | (w & 0x1F)));
        }
        break;
    case gfxConvCopy16:
        memcpy(d, s, size_t(count) * 2);
        break;
    case gfxConvCopy8:
        memcpy(d, s, size_t(count));
        break;
    case gfxConv4To8:
        for (int i = 0; i < count; ++i) {
            d[i] = (i & 1) ? s[i / 2] >> 4 : s[i / 2] & 15;
        }
        break;
    case gfxConvCopy4:
        memcpy(d, s, size_t(count + 1) / 2);
        break;
    case gfxConvKey8888To555:
    case gfxConvKey8888To565:
        for (int i = 0; i < count; ++i, s += 4, d += 2) {
            bool is555 = conversion == gfxConvKey8888To555;
            KeyResult k = Key(s);
            uint16_t w = k == KeyClear ? 0 : k == KeyDark ? (is555 ? 0x2108 : 0x4108)
                                                        : (is555 ? To555(s) : To565(s));
            Put16(d, w);
        }
        break;
    case gfxConvKey8888To32:
        for (int i = 0; i < count; ++i, s += 4, d += 4) {
            KeyResult k = Key(s);
            if (k == KeyClear) {
                d[0] = d[1] = d[2] = d[3] = 0;
            } else if (k == KeyDark) {
                d[0] = d[1] = d[2] = 1, d[3] = s[3];
            } else {
                d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
            }
        }
        break;
    case gfxConvNone:
        break;
    }
}
