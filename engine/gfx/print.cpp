// Debug text: the font texture, the layout of a string into glyphs and their drawing as
// screen cells.
#include "gfx/print.h"

#include "gfx/d3dpipe.h"
#include "gfx/hooks.h"
#include "gfx/image.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "gfx/texture.h"

gfxFont gfxDebugFont = {32, 127, 1, 0, 0, 16, 0, nullptr, nullptr};

namespace {

int CharAt(const char* text, int i, int charBytes) {
    if (charBytes == 1) {
        return (signed char)text[i];
    }
    return (uint8_t)text[2 * i] | (uint8_t)text[2 * i + 1] << 8;
}

bool AtEnd(const char* text, int i, int charBytes) {
    return charBytes == 1 ? text[i] == 0 : (text[2 * i] | text[2 * i + 1]) == 0;
}

int GlyphWidth(const gfxFont& font, int c) {
    return font.m_Advance + (font.m_Widths ? font.m_Widths[c - font.m_First] : 0);
}

void CreateOnFrame() {
    if (lpDD) {
        gfxCreateFontTexture();
    }
}

const bool sHooked = gfxAddHook(gfxHookFrameStart, CreateOnFrame) &&
                     gfxAddHook(gfxHookDeviceReleasing, gfxReleaseFontTexture);

}  // namespace

int gfxLayoutText(const char* text, const gfxFont& font, gfxGlyph glyphs[gfxMaxGlyphs]) {
    int count = 0;
    int x = 0;
    int y = 0;
    for (int i = 0; !AtEnd(text, i, font.m_CharBytes); ++i) {
        int c = CharAt(text, i, font.m_CharBytes);
        if (c == '\n') {
            x = 0;
            y += font.m_CellHeight;
            continue;
        }
        if (c < font.m_First || c > font.m_Last || count == gfxMaxGlyphs) {
            continue;
        }
        int k = c - font.m_First;
        gfxGlyph& g = glyphs[count++];
        g.m_X = int16_t(x);
        g.m_Y = int16_t(y);
        g.m_U = uint8_t(k % font.m_CellsPerRow * font.m_CellWidth);
        g.m_V = uint8_t(k / font.m_CellsPerRow * font.m_CellHeight);
        g.m_Width = uint8_t(GlyphWidth(font, c));
        g.m_Height = font.m_CellHeight;
        x += g.m_Width;
    }
    return count;
}

void gfxCreateFontTexture() {
    if (gfxDebugFont.m_Texture) {
        return;
    }
    int cellWidth = 0;
    int cellHeight = 0;
    gfxImage* image = gfxGetFontImage(cellWidth, cellHeight);
    gfxTexture* texture = gfxTexture::Create(image, false);
    if (!texture) {
        return;
    }
    texture->SetFlags(texture->GetFlags() & ~gfxTexture::Hardware);
    gfxDebugFont.m_Texture = texture;
    gfxDebugFont.m_CellWidth = uint8_t(cellWidth);
    gfxDebugFont.m_CellHeight = uint8_t(cellHeight);
    gfxDebugFont.m_Advance = uint8_t(cellWidth);
}

void gfxReleaseFontTexture() {
    while (gfxTexture* t = gfxDebugFont.m_Texture) {
        if (t->m_RefCount == 1) {
            gfxDebugFont.m_Texture = nullptr;
        }
        gfxTexture::Release(t);
    }
    gfxDebugFont.m_CellWidth = gfxDebugFont.m_CellHeight = gfxDebugFont.m_Advance = 0;
    gfxReleaseFontImage();
}

uint32_t gfxGetCharWidth() {
    return gfxDebugFont.m_CellWidth;
}

uint32_t gfxGetCharHeight() {
    return gfxDebugFont.m_CellHeight;
}

void gfxMeasureText(uint32_t* width, uint32_t* height, const char* text, const gfxFont& font) {
    uint32_t w = 0;
    for (int i = 0; !AtEnd(text, i, font.m_CharBytes); ++i) {
        int c = CharAt(text, i, font.m_CharBytes);
        if (c >= font.m_First && c <= font.m_Last) {
            w += GlyphWidth(font, c);
        }
    }
    *width = w;
    *height = font.m_CellHeight;
}

void gfxPrint(int x, int y, const char* text) {
    gfxCreateFontTexture();
    gfxTexture* font = gfxDebugFont.m_Texture;
    if (!font) {
        return;
    }
    uint8_t textures = gfxEnableTextures;
    uint8_t depthComplexity = gfxDepthComplexity;
    gfxEnableTextures = 1;
    gfxDepthComplexity = 0;
    if (gfxCurrentState.m_Texture[0] != font) {
        gfxCurrentState.m_Texture[0] = font;
        gfxStateDirty |= gfxDirtyTextures;
    }
    gfxGlyph glyphs[gfxMaxGlyphs];
    int count = gfxLayoutText(text, gfxDebugFont, glyphs);
    if (count) {
        gfxScreenCell cells[gfxMaxGlyphs];
        for (int i = 0; i < count; ++i) {
            const gfxGlyph& g = glyphs[i];
            cells[i] = gfxScreenCell{float(g.m_X), float(g.m_Y), float(g.m_U), float(g.m_V),
                                     float(g.m_Width), float(g.m_Height)};
        }
        gfxDrawScreenQuads(Vector3(float(x), float(y), 0.0f), cells, count, 0xFFFFFFFF,
                           float(font->m_Width), float(font->m_Height));
    }
    gfxEnableTextures = textures;
    gfxDepthComplexity = depthComplexity;
}
