#include "gfx/image.h"

#include "tests/support/console.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Holder {
    explicit Holder(gfxImage* image) : m_Image(image) {}
    ~Holder() { gfxReleaseImage(m_Image); }
    gfxImage* operator->() const { return m_Image; }
    gfxImage* m_Image;
};

std::vector<std::pair<int, int>> Levels(const gfxImage* image) {
    std::vector<std::pair<int, int>> sizes;
    for (; image; image = image->m_Next) {
        sizes.push_back({image->m_XRes, image->m_YRes});
    }
    return sizes;
}

}  // namespace

TEST(Image, CreateBuildsChainsThatShareTheLastPalette) {
    Holder chain(gfxImage::Create(256, 64, gfxImage::rif888, 0, 99));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{256, 64}, {128, 32}, {64, 16}, {32, 8}, {16, 4},
                                                {8, 2}, {4, 1}}),
              Levels(chain.m_Image));
    EXPECT_EQ(768, chain->m_Stride);
    EXPECT_EQ(1u, chain->m_RefCount);
    EXPECT_EQ(0u, chain->m_Flags);

    Holder two(gfxImage::Create(16, 16, gfxImage::rif888, 0, 2));
    EXPECT_EQ(3, two->LevelCount());

    Holder indexed(gfxImage::Create(64, 64, gfxImage::rif8, gfxImage::PaletteRGBA, 99));
    const gfxImage* last = indexed.m_Image;
    while (last->m_Next) {
        EXPECT_EQ(indexed->m_Palette, last->m_Palette);
        last = last->m_Next;
    }
    EXPECT_EQ(indexed->m_Palette, last->m_Palette);
    EXPECT_EQ(1024, gfxImage::PaletteBytes(gfxImage::rif8, gfxImage::PaletteRGBA));
    EXPECT_EQ(64, gfxImage::PaletteBytes(gfxImage::rif4, gfxImage::PaletteRGBA));
    EXPECT_EQ(32, gfxImage::PaletteBytes(gfxImage::rif4, gfxImage::Palette555));
    Holder four(gfxImage::Create(8, 8, gfxImage::rif4, gfxImage::Palette555, 0));
    EXPECT_EQ(4, four->m_Stride);
}

TEST(Image, ReleaseLeavesSharedLevelsToTheirOtherHolders) {
    gfxImage* top = gfxImage::Create(8, 8, gfxImage::rif8, gfxImage::PaletteRGBA, 99);
    gfxImage* middle = top->m_Next;
    ++middle->m_RefCount;
    gfxReleaseImage(top);
    // The middle level lives on with its own chain and palette.
    EXPECT_EQ(1u, middle->m_RefCount);
    EXPECT_EQ(3, middle->LevelCount());
    middle->m_Palette[1023] = 7;
    gfxReleaseImage(middle);
}

TEST(Image, GenerateMipmapsAveragesFourPixels) {
    Holder image(gfxImage::Create(2, 2, gfxImage::rif8888, 0, 1));
    const unsigned char pixels[16] = {0, 10, 255, 1, 1, 10, 255, 1, 2, 10, 255, 1, 4, 11, 255, 2};
    memcpy(image->m_Pixels, pixels, 16);
    image->GenerateMipmaps();
    const unsigned char* mip = image->m_Next->m_Pixels;
    EXPECT_EQ((std::vector<int>{1, 10, 255, 1}), std::vector<int>(mip, mip + 4));

    Holder indexed(gfxImage::Create(4, 4, gfxImage::rif8, gfxImage::PaletteRGBA, 1));
    memset(indexed->m_Next->m_Pixels, 9, 4);
    ConsoleCapture console;
    indexed->GenerateMipmaps();
    EXPECT_NE(std::string::npos,
              console.Take().find(
                  "gfxImage::GenerateMipmaps - Can't autogenerate palettized texture mipmaps yet."));
    EXPECT_EQ(9, indexed->m_Next->m_Pixels[3]);
}

TEST(Image, ScaleUsesFifteenBitWeights) {
    Holder image(gfxImage::Create(2, 2, gfxImage::rif888, 0, 0));
    memset(image->m_Pixels, 255, 12);
    image->Scale(3, 3);
    ASSERT_EQ(3, image->m_XRes);
    ASSERT_EQ(3, image->m_YRes);
    ASSERT_EQ(9, image->m_Stride);
    const int rows[3][3] = {{255, 255, 255}, {255, 254, 254}, {255, 254, 254}};
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(rows[y][x], image->Row(y)[3 * x]) << x << "," << y;
        }
    }

    ConsoleCapture console;
    Holder words(gfxImage::Create(4, 4, gfxImage::rif5551, 0, 0));
    words->Scale(8, 8);
    EXPECT_NE(std::string::npos,
              console.Take().find("gfxImage::Scale - Only 24 bit and 32 bit images are handled."));
    EXPECT_EQ(4, words->m_XRes);
    Holder thin(gfxImage::Create(1, 4, gfxImage::rif888, 0, 0));
    thin->Scale(8, 8);
    EXPECT_EQ(1, thin->m_XRes);
    EXPECT_NE(std::string::npos, console.Take().find("can't scale 1 x 4 to 8 x 8"));
    // Stretched more than 32768 times, the steps would run backwards out of the picture.
    Holder tall(gfxImage::Create(2, 2, gfxImage::rif888, 0, 0));
    tall->Scale(2, 40000);
    EXPECT_EQ(2, tall->m_YRes);
    EXPECT_NE(std::string::npos, console.Take().find("can't scale 2 x 2 to 2 x 40000"));
}

TEST(Image, ScaleMatchesABilinearReference) {
    Holder image(gfxImage::Create(5, 4, gfxImage::rif8888, 0, 0));
    for (int i = 0; i < 5 * 4 * 4; ++i) {
        image->m_Pixels[i] = (unsigned char)(i * 37 % 251);
    }
    std::vector<unsigned char> source(image->m_Pixels, image->m_Pixels + 80);
    image->Scale(9, 7);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            double sx = x * 4.0 / 8.0;
            double sy = y * 3.0 / 6.0;
            int c = std::min(3, (int)sx);
            int r = std::min(2, (int)sy);
            double fx = sx - c;
            double fy = sy - r;
            for (int b = 0; b < 4; ++b) {
                auto at = [&](int cx, int ry) { return (double)source[ry * 20 + cx * 4 + b]; };
                double want = at(c, r) * (1 - fx) * (1 - fy) + at(c + 1, r) * fx * (1 - fy) +
                              at(c, r + 1) * (1 - fx) * fy + at(c + 1, r + 1) * fx * fy;
                EXPECT_NEAR(want, image->Row(y)[4 * x + b], 1.5) << x << "," << y << "," << b;
            }
        }
    }
}

TEST(Image, ReformatToSixteenBits) {
    Holder rgb(gfxImage::Create(2, 2, gfxImage::rif888, 0, 1));
    memset(rgb->m_Pixels, 0, 12);
    rgb->m_Pixels[0] = 0xF8;  // red
    rgb->m_Pixels[4] = 0x08;  // green
    rgb->m_Pixels[8] = 0xFF;  // blue
    rgb->Reformat(gfxImage::rif555);
    EXPECT_EQ(gfxImage::rif555, rgb->m_Format);
    EXPECT_EQ(4, rgb->m_Stride);
    EXPECT_EQ(gfxImage::rif555, rgb->m_Next->m_Format);
    EXPECT_EQ(0x801F, rgb->Word(0, 0));
    EXPECT_EQ(0x8020, rgb->Word(1, 0));
    EXPECT_EQ(0xFC00, rgb->Word(0, 1));

    Holder rgba(gfxImage::Create(2, 1, gfxImage::rif8888, 0, 0));
    const unsigned char pixels[8] = {0, 0, 0, 63, 0, 0, 0, 64};
    memcpy(rgba->m_Pixels, pixels, 8);
    rgba->Reformat(gfxImage::rif5551);
    EXPECT_EQ(0x0000, rgba->Word(0, 0));
    EXPECT_EQ(0x8000, rgba->Word(1, 0));

    Holder indexed(gfxImage::Create(4, 4, gfxImage::rif8, gfxImage::PaletteRGBA, 0));
    unsigned char* before = indexed->m_Pixels;
    ConsoleCapture console;
    indexed->Reformat(3);
    EXPECT_NE(std::string::npos,
              console.Take().find("gfxImage::Reformat() cannot reformat image format 5 to 3"));
    EXPECT_EQ(gfxImage::rif8, indexed->m_Format);
    EXPECT_EQ(before, indexed->m_Pixels);
}

TEST(Image, AverageColorOfTheSmallestLevel) {
    Holder rgb(gfxImage::Create(4, 4, gfxImage::rif888, 0, 1));
    for (gfxImage* level = rgb.m_Image; level; level = level->m_Next) {
        for (int i = 0; i < level->m_XRes * level->m_YRes; ++i) {
            level->m_Pixels[3 * i] = level->m_Next ? 99 : 10;
            level->m_Pixels[3 * i + 1] = 20;
            level->m_Pixels[3 * i + 2] = 30;
        }
    }
    EXPECT_EQ(0xFF0A141Eu, rgb->AverageColor());
    Holder rgba(gfxImage::Create(2, 2, gfxImage::rif8888, 0, 0));
    EXPECT_EQ(0u, rgba->AverageColor());
    Holder words(gfxImage::Create(2, 1, gfxImage::rif555, 0, 0));
    words->SetWord(0, 0, 31);
    words->SetWord(1, 0, 31 << 10);
    // Fields 0-4 and 10-14 each average 15.5: 15.5 * 255 / 31 = 127.5.
    EXPECT_EQ(0xFF7F007Fu, words->AverageColor());
}

TEST(Image, SetPixelWrapsIntoBandsAndStaysInside) {
    Holder image(gfxImage::Create(8, 16, gfxImage::rif8, gfxImage::PaletteRGBA, 0));
    memset(image->m_Pixels, 0, 128);
    image->SetPixel(10, 1, 5, 8);  // column 2, band 1: row 9
    EXPECT_EQ(5, image->Row(9)[2]);
    image->SetPixel(10, 14, 6, -8);  // row 6
    EXPECT_EQ(6, image->Row(6)[2]);
    image->SetPixel(3, 16, 7, 8);
    image->SetPixel(20, 14, 7, 8);
    image->SetPixel(3, -1, 7, 8);
    int sevens = 0;
    for (int i = 0; i < 128; ++i) {
        sevens += image->m_Pixels[i] == 7;
    }
    EXPECT_EQ(0, sevens);

    Holder nibbles(gfxImage::Create(4, 1, gfxImage::rif4, gfxImage::PaletteRGBA, 0));
    memset(nibbles->m_Pixels, 0, 2);
    nibbles->SetPixel(0, 0, 0x1A, 8);
    nibbles->SetPixel(1, 0, 0x2B, 8);
    nibbles->SetPixel(3, 0, 0xC, 8);
    EXPECT_EQ(0xBA, nibbles->m_Pixels[0]);
    EXPECT_EQ(0xC0, nibbles->m_Pixels[1]);
    Holder rgb(gfxImage::Create(2, 1, gfxImage::rif888, 0, 0));
    memset(rgb->m_Pixels, 0, 6);
    rgb->SetPixel(1, 0, 0xAA030201, 8);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 1, 2, 3}), std::vector<int>(rgb->m_Pixels, rgb->m_Pixels + 6));
}

TEST(Image, AnnotateStampsTopAndBottomEdges) {
    Holder image(gfxImage::Create(64, 64, gfxImage::rif8888, 0, 0));
    memset(image->m_Pixels, 0x55, 64 * 64 * 4);
    image->Annotate("A\x01" "B");
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            bool stamped = x < 16 && (y < 8 || y >= 56);
            EXPECT_EQ(stamped, image->Row(y)[4 * x] != 0x55) << x << "," << y;
        }
    }
    // The glyph's top row is the image's top row and, mirrored, its bottom row.
    for (int x = 0; x < 8; ++x) {
        uint32_t want = gfxFontGlyphs[('A' - 32) * 8] & (0x80 >> x) ? 0xFF : 0x00;
        EXPECT_EQ(want, image->Row(0)[4 * x]);
        EXPECT_EQ(want, image->Row(63)[4 * x]);
    }

    Holder indexed(gfxImage::Create(16, 16, gfxImage::rif8, gfxImage::Palette555, 0));
    indexed->Annotate("I");
    EXPECT_EQ(0x8000, indexed->m_Palette[0] | indexed->m_Palette[1] << 8);
    EXPECT_EQ(0xFFFF, indexed->m_Palette[2] | indexed->m_Palette[3] << 8);
    EXPECT_EQ(1, indexed->Row(0)[2]);
    EXPECT_EQ(0, indexed->Row(0)[0]);
}

TEST(Image, FontImageHoldsEveryGlyph) {
    int width = 0;
    int height = 0;
    gfxImage* font = gfxGetFontImage(width, height);
    EXPECT_EQ(8, width);
    EXPECT_EQ(8, height);
    ASSERT_EQ(128, font->m_XRes);
    ASSERT_EQ(64, font->m_YRes);
    EXPECT_EQ(gfxImage::rif5551, font->m_Format);
    EXPECT_EQ(font, gfxGetFontImage(width, height));
    // 'Q' is glyph 49: column 1, row 3.
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            bool set = gfxFontGlyphs[49 * 8 + row] & (0x80 >> column);
            EXPECT_EQ(set ? 0xFFFF : 0, font->Word(8 + column, 24 + row));
        }
    }
    ++font->m_RefCount;
    gfxReleaseFontImage();
    EXPECT_EQ(1u, gfxGetFontImage(width, height)->m_RefCount);
    gfxReleaseFontImage();
}

TEST(Image, FlipVertical) {
    Holder image(gfxImage::Create(1, 3, gfxImage::rif888, 0, 0));
    const unsigned char pixels[9] = {1, 1, 1, 2, 2, 2, 3, 3, 3};
    memcpy(image->m_Pixels, pixels, 9);
    image->FlipVertical();
    EXPECT_EQ((std::vector<int>{3, 3, 3, 2, 2, 2, 1, 1, 1}),
              std::vector<int>(image->m_Pixels, image->m_Pixels + 9));
}

TEST(Image, SizeLimitDropsTopLevelsThenHalves) {
    EXPECT_EQ(0, gfxSetMaxImageSize(64));
    gfxImage* chain = gfxImage::Create(256, 256, gfxImage::rif888, 0, 99);
    chain->m_Flags = 0x40;
    gfxImage* limited = gfxLimitImageSize(chain);
    EXPECT_EQ(64, limited->m_XRes);
    EXPECT_EQ(7, limited->LevelCount());
    EXPECT_EQ(0x40u, limited->m_Flags);
    gfxReleaseImage(limited);

    gfxImage* single = gfxImage::Create(256, 4, gfxImage::rif8, gfxImage::PaletteRGBA, 0);
    for (int x = 0; x < 256; ++x) {
        single->Row(0)[x] = (unsigned char)x;
    }
    single->m_Palette[1023] = 1;
    limited = gfxLimitImageSize(single);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{64, 1}}), Levels(limited));
    EXPECT_EQ(64, limited->m_Stride);
    EXPECT_EQ(8, limited->Row(0)[2]);
    EXPECT_EQ(1, limited->m_Palette[1023]);
    gfxReleaseImage(limited);

    // A side of 1 is not halved to nothing.
    limited = gfxLimitImageSize(gfxImage::Create(256, 1, gfxImage::rif888, 0, 0));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{64, 1}}), Levels(limited));
    gfxReleaseImage(limited);
    limited = gfxLimitImageSize(gfxImage::Create(1, 256, gfxImage::rif888, 0, 0));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1, 64}}), Levels(limited));
    gfxReleaseImage(limited);
    EXPECT_EQ(64, gfxSetMaxImageSize(0));
}

TEST(Image, ColourSpaces) {
    struct Case {
        Vector3 m_Hsv;
        Vector3 m_Rgb;
    };
    const Case cases[] = {
        {{0.0f, 1.0f, 1.0f}, {1.0f, 0.0f, 0.0f}},
        {{0.5f, 1.0f, 1.0f}, {0.0f, 1.0f, 1.0f}},
        {{1.0f / 3.0f, 1.0f, 0.5f}, {0.0f, 0.5f, 0.0f}},
        {{0.75f, 0.5f, 1.0f}, {0.75f, 0.5f, 1.0f}},
        {{0.0f, 0.0f, 0.25f}, {0.25f, 0.25f, 0.25f}},
    };
    for (const Case& c : cases) {
        Vector3 rgb;
        gfxHsvToRgb(rgb, c.m_Hsv);
        EXPECT_NEAR(c.m_Rgb.x, rgb.x, 1e-5f);
        EXPECT_NEAR(c.m_Rgb.y, rgb.y, 1e-5f);
        EXPECT_NEAR(c.m_Rgb.z, rgb.z, 1e-5f);
        Vector3 hsv;
        gfxRgbToHsv(hsv, c.m_Rgb);
        EXPECT_NEAR(c.m_Hsv.x, hsv.x, 1e-5f);
        EXPECT_NEAR(c.m_Hsv.y, hsv.y, 1e-5f);
        EXPECT_NEAR(c.m_Hsv.z, hsv.z, 1e-5f);
    }
    Vector3 wrapped;
    gfxHsvToRgb(wrapped, Vector3(1.0f, 1.0f, 1.0f));
    EXPECT_EQ(1.0f, wrapped.x);
    EXPECT_EQ(0.0f, wrapped.y);
    const int logs[][2] = {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {256, 8}, {65535, 15}};
    for (const auto& l : logs) {
        EXPECT_EQ(l[1], gfxLog2(l[0])) << l[0];
    }
}
