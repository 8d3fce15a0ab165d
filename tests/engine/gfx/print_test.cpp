#include <string>

#include <gtest/gtest.h>

#include "gfx/print.h"

namespace {

gfxFont Font() {
    gfxFont font = gfxDebugFont;
    font.m_CellWidth = font.m_CellHeight = font.m_Advance = 8;
    return font;
}

}  // namespace

TEST(DebugText, LayoutFollowsLineFeedsAndSkipsWhatTheFontLacks) {
    gfxFont font = Font();
    gfxGlyph glyphs[gfxMaxGlyphs];
    ASSERT_EQ(2, gfxLayoutText("A\nB", font, glyphs));
    // 'A' is glyph 33: column 1, row 2 of the texture.
    EXPECT_EQ(0, glyphs[0].m_X);
    EXPECT_EQ(8, glyphs[0].m_U);
    EXPECT_EQ(16, glyphs[0].m_V);
    EXPECT_EQ(0, glyphs[1].m_X);
    EXPECT_EQ(8, glyphs[1].m_Y);
    EXPECT_EQ(16, glyphs[1].m_U);
    EXPECT_EQ(8, glyphs[1].m_Width);
    EXPECT_EQ(8, glyphs[1].m_Height);

    // Control characters and 128 to 255 draw nothing and do not move the pen.
    ASSERT_EQ(2, gfxLayoutText("a\x01\x09\x80\xFF~", font, glyphs));
    EXPECT_EQ(8, glyphs[1].m_X);
    EXPECT_EQ(0, glyphs[1].m_Y);
    EXPECT_EQ((126 - 32) % 16 * 8, glyphs[1].m_U);

    std::string longText(200, 'x');
    EXPECT_EQ(gfxMaxGlyphs, gfxLayoutText(longText.c_str(), font, glyphs));
    EXPECT_EQ(127 * 8, glyphs[127].m_X);

    uint32_t width = 0, height = 0;
    gfxMeasureText(&width, &height, "ab\x01\n", font);
    EXPECT_EQ(16u, width);
    EXPECT_EQ(8u, height);
}

TEST(DebugText, NoCellSizeBeforeTheFontExists) {
    EXPECT_EQ(0u, gfxGetCharWidth());
    EXPECT_EQ(0u, gfxGetCharHeight());
}
