#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "gfx/image.h"
#include "gfx/texconvert.h"
#include "gfx/texture.h"

namespace {

uint16_t Word(const std::vector<uint8_t>& b, int i) {
    return uint16_t(b[2 * i] | b[2 * i + 1] << 8);
}

uint32_t Dword(const std::vector<uint8_t>& b, int i) {
    uint32_t v;
    memcpy(&v, &b[4 * i], 4);
    return v;
}

}  // namespace

TEST(TextureSize, RoundsToPowersOfTwoUpTo2048) {
    struct Case {
        int m_In, m_Out;
    } cases[] = {{1, 1}, {2, 2}, {3, 4}, {20, 32}, {100, 128}, {64, 64}, {1000, 1024},
                 {1024, 1024}, {1025, 2048}, {1500, 2048}, {4096, 4096}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.m_Out, gfxTextureSize(c.m_In)) << c.m_In;
    }
}

TEST(RowConverters, ChosenBySurfaceAndConvertedPerPixel) {
    const uint8_t rgb[3] = {0xFF, 0x80, 0x00};
    const uint8_t rgba[4] = {0xFF, 0x80, 0x10, 0xC0};
    struct Case {
        int m_Format;
        uint32_t m_Bits, m_RedMask;
        const uint8_t* m_Source;
        gfxRowConversion m_Expected;
        uint32_t m_Pixel;
    } cases[] = {
        {gfxImage::rif888, 16, 0xF800, rgb, gfxConv888To565, 0xFC00},
        {gfxImage::rif888, 16, 0x7C00, rgb, gfxConv888To555, 0x7E00},
        {gfxImage::rif888, 32, 0xFF0000, rgb, gfxConv888To32, 0xFFFF8000},
        {gfxImage::rif8888, 32, 0xFF0000, rgba, gfxConv8888To32, 0xC0FF8010},
        {gfxImage::rif8888, 16, 0xF00, rgba, gfxConv8888To4444, 0xCF81},
    };
    for (const Case& c : cases) {
        gfxRowConversion conversion = gfxChooseConversion(c.m_Format, c.m_Bits, c.m_RedMask, false);
        ASSERT_EQ(c.m_Expected, conversion) << c.m_Format << " " << c.m_Bits;
        std::vector<uint8_t> out(8, 0xAA);
        gfxConvertRow(conversion, out.data(), c.m_Source, 1);
        EXPECT_EQ(c.m_Pixel, c.m_Bits == 32 ? Dword(out, 0) : Word(out, 0)) << c.m_Format;
        EXPECT_EQ(0xAA, out[c.m_Bits / 8]) << "one pixel written, no more";
    }
    // 5-6-5 words onto a 5-5-5 surface drop green's low bit; onto 5-6-5 they copy.
    const uint8_t white565[2] = {0xFF, 0xFF};
    std::vector<uint8_t> out(2);
    gfxConvertRow(gfxChooseConversion(gfxImage::rif555, 16, 0x7C00, false), out.data(), white565, 1);
    EXPECT_EQ(0x7FFF, Word(out, 0));
    const uint8_t green565[2] = {0xE0, 0x07};
    gfxConvertRow(gfxChooseConversion(gfxImage::rif555, 16, 0x7C00, false), out.data(), green565, 1);
    EXPECT_EQ(0x03E0, Word(out, 0));
    EXPECT_EQ(gfxConvCopy16, gfxChooseConversion(gfxImage::rif555, 16, 0xF800, false));
    EXPECT_EQ(gfxConvCopy16, gfxChooseConversion(gfxImage::rif5551, 16, 0x7C00, false));
}

TEST(RowConverters, PaletteRowsAndColourKeyedBitmaps) {
    const uint8_t nibbles[2] = {0x21, 0x43};
    std::vector<uint8_t> out(4);
    ASSERT_EQ(gfxConv4To8, gfxChooseConversion(gfxImage::rif4, 8, 0, true));
    gfxConvertRow(gfxConv4To8, out.data(), nibbles, 4);
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4}), out) << "low nibble first";
    EXPECT_EQ(gfxConvNone, gfxChooseConversion(gfxImage::rif8, 4, 0, true));

    // Nearly clear, nearly black, and plain pixels.
    const uint8_t pixels[12] = {200, 200, 200, 63, 7, 7, 7, 255, 0xFF, 0x80, 0x00, 64};
    struct Case {
        uint32_t m_Bits, m_RedMask;
        uint32_t m_Expected[3];
    } cases[] = {
        {16, 0x7C00, {0, 0x2108, 0x7E00}},
        {16, 0xF800, {0, 0x4108, 0xFC00}},
        {32, 0xFF0000, {0, 0xFF010101, 0x40FF8000}},
    };
    for (const Case& c : cases) {
        gfxRowConversion conversion = gfxChooseBitmapConversion(gfxImage::rif8888, c.m_Bits, c.m_RedMask);
        std::vector<uint8_t> row(12);
        gfxConvertRow(conversion, row.data(), pixels, 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(c.m_Expected[i], c.m_Bits == 32 ? Dword(row, i) : Word(row, i))
                << c.m_Bits << " bits, pixel " << i;
        }
    }
}
