#ifndef GFX_PRINT_H
#define GFX_PRINT_H

#include <cstdint>

class gfxTexture;

// Debug text in screen pixels with the built-in 8 by 8 font.
struct gfxFont {
    uint8_t m_First;
    uint8_t m_Last;
    uint8_t m_CharBytes;  // 1, or 2 for 16-bit characters
    uint8_t m_CellWidth;
    uint8_t m_CellHeight;
    uint8_t m_CellsPerRow;
    uint8_t m_Advance;
    const uint8_t* m_Widths;  // extra width per character from the first, or none
    gfxTexture* m_Texture;
};
extern gfxFont gfxDebugFont;

// One glyph: where it goes relative to the print position, and its cell in the font texture.
struct gfxGlyph {
    int16_t m_X, m_Y;
    uint8_t m_U, m_V, m_Width, m_Height;
};

const int gfxMaxGlyphs = 128;

// Lays out the text from the pen (0, 0): a line feed starts the next line, characters outside
// the font are skipped, glyphs past the 128th are dropped. Returns the glyph count.
int gfxLayoutText(const char* text, const gfxFont& font, gfxGlyph glyphs[gfxMaxGlyphs]);
void gfxPrint(int x, int y, const char* text);
// 0 until the font texture exists.
uint32_t gfxGetCharWidth();
uint32_t gfxGetCharHeight();
void gfxMeasureText(uint32_t* width, uint32_t* height, const char* text, const gfxFont& font);
void gfxCreateFontTexture();
void gfxReleaseFontTexture();

#endif
