// Plotting into images: single pixels, text stamped with the built-in font, and the font image.
#include "gfx/image.h"

namespace {

gfxImage* sm_FontImage = nullptr;

const int GlyphSize = 8;

}  // namespace

void gfxImage::SetPixel(int x, int y, uint32_t value, int rowStep) {
    if (m_XRes == 0 || x < 0) {
        return;
    }
    // Past the right edge the pixel wraps into the next band of rows.
    int row = y + (x / m_XRes) * rowStep;
    int column = x & (m_XRes - 1);
    if (column >= m_XRes || row < 0 || row >= m_YRes) {
        return;
    }
    unsigned char* at = Row(row);
    switch (m_Format) {
    case rif8888:
        at += 4 * column;
        for (int b = 0; b < 4; ++b) {
            at[b] = (unsigned char)(value >> (8 * b));
        }
        break;
    case rif888:
        at += 3 * column;
        for (int b = 0; b < 3; ++b) {
            at[b] = (unsigned char)(value >> (8 * b));
        }
        break;
    case rif5551:
    case rif555:
        SetWord(column, row, (uint16_t)value);
        break;
    case rif8:
        at[column] = (unsigned char)value;
        break;
    case rif4:
        at += column >> 1;
        *at = column & 1 ? (unsigned char)((*at & 0x0F) | (value & 0x0F) << 4)
                         : (unsigned char)((*at & 0xF0) | (value & 0x0F));
        break;
    default:
        break;
    }
}

void gfxImage::Annotate(const char* text) {
    uint32_t ink = 0xFFFFFFFF;
    uint32_t paper = 0xFF000000;
    if (HasPalette()) {
        // Entry 0 becomes black and entry 1 white; the text is drawn in indices.
        unsigned char* palette = m_Palette;
        if (m_PaletteFormat == PaletteRGBA) {
            const unsigned char black[4] = {0, 0, 0, 0xFF};
            for (int b = 0; b < 4; ++b) {
                palette[b] = black[b];
                palette[4 + b] = 0xFF;
            }
        } else {
            palette[0] = 0x00;
            palette[1] = 0x80;
            palette[2] = 0xFF;
            palette[3] = 0xFF;
        }
        ink = 1;
        paper = 0;
    }
    int pen = 0;
    for (const unsigned char* c = (const unsigned char*)text; *c; ++c) {
        if (*c < 32) {
            continue;
        }
        // Codes past the table draw as the last glyph.
        int glyph = *c - 32 < 96 ? *c - 32 : 95;
        for (int row = 0; row < GlyphSize; ++row) {
            unsigned char bits = gfxFontGlyphs[glyph * GlyphSize + row];
            for (int column = 0; column < GlyphSize; ++column) {
                uint32_t value = bits & (0x80 >> column) ? ink : paper;
                SetPixel(pen + column, row, value, GlyphSize);
                SetPixel(pen + column, m_YRes - row - 1, value, -GlyphSize);
            }
        }
        pen += GlyphSize;
    }
}

gfxImage* gfxGetFontImage(int& cellWidth, int& cellHeight) {
    if (!sm_FontImage) {
        sm_FontImage = gfxImage::Create(128, 64, gfxImage::rif5551, 0, 0);
        for (int glyph = 0; glyph < 96; ++glyph) {
            int left = (glyph & 15) * GlyphSize;
            int top = (glyph >> 4) * GlyphSize;
            for (int row = 0; row < GlyphSize; ++row) {
                unsigned char bits = gfxFontGlyphs[glyph * GlyphSize + row];
                for (int column = 0; column < GlyphSize; ++column) {
                    sm_FontImage->SetWord(left + column, top + row,
                                          bits & (0x80 >> column) ? 0xFFFF : 0x0000);
                }
            }
        }
    }
    cellWidth = GlyphSize;
    cellHeight = GlyphSize;
    return sm_FontImage;
}

void gfxReleaseFontImage() {
    while (sm_FontImage) {
        gfxImage* image = sm_FontImage;
        if (image->m_RefCount <= 1) {
            sm_FontImage = nullptr;
        }
        gfxReleaseImage(image);
    }
}
