#include "gfx/imagefile.h"

#include "tests/engine/gfx/imagebuild.h"

#include "data/asset.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

Bytes Pixels(const gfxImage* image) {
    return Bytes(image->m_Pixels, image->m_Pixels + image->m_Stride * image->m_YRes);
}

// Texture files in a scratch asset root of the test's own.
class ImageFiles : public ::testing::Test {
protected:
    void SetUp() override {
        datAssetManager::SetPath(m_Scratch.Root().c_str());
        CreateDirectoryA(m_Scratch.Path("texture").c_str(), nullptr);
    }
    void TearDown() override {
        datAssetManager::SetPath("");
        gfxPalettizedTextures = false;
    }
    void Write(const std::string& file, const Bytes& bytes) {
        ASSERT_TRUE(WriteWholeFile(m_Scratch.Path("texture\\" + file),
                                   std::string(bytes.begin(), bytes.end())));
    }

    ScratchDir m_Scratch;
};

struct Loaded {
    explicit Loaded(gfxImage* image) : m_Image(image) {}
    ~Loaded() { gfxReleaseImage(m_Image); }
    gfxImage* operator->() const { return m_Image; }
    gfxImage* m_Image;
};

}  // namespace

TEST_F(ImageFiles, TexTypesExpandThroughTheirPalettes) {
    // Palette entry i on file: blue i, green 2i, red 3i, alpha 4i.
    Bytes palette256;
    for (int i = 0; i < 256; ++i) {
        palette256.insert(palette256.end(), {(unsigned char)i, (unsigned char)(2 * i),
                                             (unsigned char)(3 * i), (unsigned char)(4 * i)});
    }
    Bytes palette16(palette256.begin(), palette256.begin() + 64);
    struct Case {
        int m_Type;
        Bytes m_Palette;
        Bytes m_Pixels;  // 2 by 1
        int m_Format;
        Bytes m_Image;
    };
    const Case cases[] = {
        {1, palette256, {1, 2}, gfxImage::rif888, {3, 2, 1, 6, 4, 2}},
        {2, palette256, {1, 77, 2, 88}, gfxImage::rif8888, {3, 2, 1, 77, 6, 4, 2, 88}},
        {6, {}, {0x34, 0x12, 0x78, 0x56}, gfxImage::rif5551, {0x34, 0x12, 0x78, 0x56}},
        {14, palette256, {1, 2}, gfxImage::rif8888, {3, 2, 1, 4, 6, 4, 2, 8}},
        {15, palette16, {0x21}, gfxImage::rif888, {3, 2, 1, 6, 4, 2}},
        {16, palette16, {0x12}, gfxImage::rif8888, {6, 4, 2, 8, 3, 2, 1, 4}},
        {17, {}, {1, 2, 3, 4, 5, 6}, gfxImage::rif888, {1, 2, 3, 4, 5, 6}},
        {18, {}, {1, 2, 3, 4, 5, 6, 7, 8}, gfxImage::rif8888, {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Type);
        Bytes file = TexHeader(2, 1, c.m_Type, 1, 0xF00D);
        file.insert(file.end(), c.m_Palette.begin(), c.m_Palette.end());
        file.insert(file.end(), c.m_Pixels.begin(), c.m_Pixels.end());
        Write("t.tex", file);
        Loaded image(gfxLoadTex("t", true));
        ASSERT_NE(nullptr, image.m_Image);
        EXPECT_EQ(c.m_Format, image->m_Format);
        EXPECT_EQ(0, image->m_PaletteFormat);
        EXPECT_EQ(0xF00Du, image->m_Flags);
        EXPECT_EQ(c.m_Image, Pixels(image.m_Image));
    }
}

TEST_F(ImageFiles, TexKeepsIndicesWithPalettizedTextures) {
    Bytes file = TexHeader(2, 2, 1, 1, 0);
    for (int i = 0; i < 256; ++i) {
        file.insert(file.end(), {0xF8, 0x08, (unsigned char)(i == 1 ? 0xFF : 0), 9});
    }
    file.insert(file.end(), {1, 0, 0, 255});
    Write("p.tex", file);
    Bytes file14 = TexHeader(2, 1, 16, 1, 0);
    for (int i = 0; i < 16; ++i) {
        file14.insert(file14.end(), {1, 2, 3, (unsigned char)i});
    }
    file14.push_back(0x3A);
    Write("q.tex", file14);
    gfxPalettizedTextures = true;
    Loaded indexed(gfxLoadTex("p", false));
    ASSERT_NE(nullptr, indexed.m_Image);
    EXPECT_EQ(gfxImage::rif8, indexed->m_Format);
    EXPECT_EQ(gfxImage::Palette555, indexed->m_PaletteFormat);
    EXPECT_EQ((Bytes{1, 0, 0, 255}), Pixels(indexed.m_Image));
    // Blue 0xF8 to bits 10-14, green 0x08 to 5-9, red 0xFF to 0-4.
    EXPECT_EQ(0xFC3F, indexed->m_Palette[2] | indexed->m_Palette[3] << 8);
    Loaded nibbles(gfxLoadTex("q", false));
    ASSERT_NE(nullptr, nibbles.m_Image);
    EXPECT_EQ(gfxImage::rif4, nibbles->m_Format);
    EXPECT_EQ(gfxImage::PaletteRGBA, nibbles->m_PaletteFormat);
    EXPECT_EQ(0x3A, nibbles->m_Pixels[0]);
    EXPECT_EQ((Bytes{3, 2, 1, 10}), Bytes(nibbles->m_Palette + 40, nibbles->m_Palette + 44));
}

TEST_F(ImageFiles, TexReadsTheLevelsAskedFor) {
    Bytes file = TexHeader(4, 4, 17, 5, 7);
    for (int i = 0; i < 3 * (16 + 4 + 1); ++i) {
        file.push_back((unsigned char)i);
    }
    Write("m.tex", file);
    Loaded single(gfxLoadTex("m", false));
    ASSERT_NE(nullptr, single.m_Image);
    EXPECT_EQ(1, single->LevelCount());
    Loaded chain(gfxLoadTex("m", true));
    ASSERT_NE(nullptr, chain.m_Image);
    ASSERT_EQ(3, chain->LevelCount());
    EXPECT_EQ(48, chain->m_Next->m_Pixels[0]);
    EXPECT_EQ(60, chain->m_Next->m_Next->m_Pixels[0]);
    EXPECT_EQ(7u, chain->m_Next->m_Next->m_Flags);
}

TEST_F(ImageFiles, TexRefusals) {
    struct Case {
        const char* m_Label;
        Bytes m_File;
        const char* m_Message;
    };
    Bytes cut = TexHeader(4, 4, 18, 1, 0);
    cut.resize(cut.size() + 63);
    Bytes cutMip = TexHeader(4, 4, 17, 3, 0);
    cutMip.resize(cutMip.size() + 48 + 11);
    const Case cases[] = {
        {"not a power of two", TexHeader(48, 64, 17, 1, 0), "Error: Texture 't': Bad resolution 48 x 64"},
        {"zero", TexHeader(0, 64, 17, 1, 0), "Texture 't': Bad resolution 0 x 64"},
        {"row too long", TexHeader(32768, 1, 18, 1, 0), "Texture 't': Bad resolution 32768 x 1"},
        {"type", TexHeader(4, 4, 5, 1, 0), "Error: unsupported .tex type: 5"},
        {"header", Bytes{4, 0, 4}, "Texture 't' is cut short."},
        {"pixels", cut, "Texture 't' is cut short."},
        {"lower level", cutMip, "Texture 't' is cut short."},
        {"palette", TexHeader(4, 4, 1, 1, 0), "Texture 't' is cut short."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Label);
        Write("t.tex", c.m_File);
        ConsoleCapture console;
        EXPECT_EQ(nullptr, gfxLoadTex("t", true));
        EXPECT_NE(std::string::npos, console.Take().find(c.m_Message));
    }
}

TEST_F(ImageFiles, LoaderGoesOnToTheNextFormat) {
    Write("a.tex", TexHeader(48, 64, 17, 1, 0));
    Bytes tga = TgaHeader(1, 1, 24, 0);
    tga.insert(tga.end(), {1, 2, 3});
    Write("a.tga", tga);
    ConsoleCapture console;
    Loaded image(gfxLoadImage("a", false));
    ASSERT_NE(nullptr, image.m_Image);
    EXPECT_EQ((Bytes{3, 2, 1}), Pixels(image.m_Image));
    EXPECT_NE(std::string::npos, console.Take().find("Bad resolution 48 x 64"));

    Write("b.bmp", BmpFile(2, 1, 24, {}, {1, 2, 3, 4, 5, 6, 0, 0}));
    Loaded bitmap(gfxLoadImage("b", false));
    ASSERT_NE(nullptr, bitmap.m_Image);
    EXPECT_EQ((Bytes{3, 2, 1, 6, 5, 4}), Pixels(bitmap.m_Image));

    EXPECT_EQ(nullptr, gfxLoadImage("nothing", false));
    std::string text = console.Take();
    EXPECT_NE(std::string::npos, text.find("Warning: Texture 'nothing' not found."));
    EXPECT_EQ(std::string::npos, text.find("Cannot open"));
}

TEST_F(ImageFiles, TgaRowsOrderAndMipLevels) {
    Bytes bottomUp = TgaHeader(2, 2, 32, 0, 2, 3);
    bottomUp.insert(bottomUp.end(), {'i', 'd', '!'});
    bottomUp.insert(bottomUp.end(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    Write("b.tga", bottomUp);
    Loaded b(gfxLoadTga("b", false));
    ASSERT_NE(nullptr, b.m_Image);
    EXPECT_EQ(gfxImage::rif8888, b->m_Format);
    EXPECT_EQ(1, b->LevelCount());
    EXPECT_EQ((Bytes{11, 10, 9, 12, 15, 14, 13, 16, 3, 2, 1, 4, 7, 6, 5, 8}), Pixels(b.m_Image));

    Bytes topDown = TgaHeader(2, 1, 24, 0x20);
    topDown.insert(topDown.end(), {1, 2, 3, 4, 5, 6});
    Write("t.tga", topDown);
    Loaded t(gfxLoadTga("t", true));
    ASSERT_NE(nullptr, t.m_Image);
    EXPECT_EQ((Bytes{3, 2, 1, 6, 5, 4}), Pixels(t.m_Image));

    for (int height : {64, 32}) {
        Bytes square = TgaHeader(64, height, 24, 0x20);
        square.resize(square.size() + 64 * height * 3, 200);
        Write("s.tga", square);
        Loaded s(gfxLoadTga("s", true));
        ASSERT_NE(nullptr, s.m_Image);
        EXPECT_EQ(height == 64 ? 7 : 1, s->LevelCount());
        if (height == 64) {
            EXPECT_EQ(200, s->m_Next->m_Next->m_Next->m_Next->m_Next->m_Next->m_Pixels[0]);
        }
    }
}

TEST_F(ImageFiles, TgaRefusals) {
    struct Case {
        const char* m_Label;
        Bytes m_File;
        const char* m_Message;
    };
    const Case cases[] = {
        {"compressed", TgaHeader(2, 2, 24, 0, 10), "Targa 'r': only uncompressed 24 and 32-bit images are read (type 10, 24 bits)."},
        {"colour-mapped", TgaHeader(2, 2, 8, 0, 1), "(type 1, 8 bits)"},
        {"16 bits", TgaHeader(2, 2, 16, 0), "(type 2, 16 bits)"},
        {"empty", TgaHeader(0, 2, 24, 0), "Targa 'r': Bad resolution 0 x 2"},
        {"pixels", TgaHeader(2, 2, 24, 0), "Targa 'r' is cut short."},
        {"header", Bytes{0, 0, 2}, "Targa 'r' is cut short."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Label);
        Write("r.tga", c.m_File);
        ConsoleCapture console;
        EXPECT_EQ(nullptr, gfxLoadTga("r", true));
        EXPECT_NE(std::string::npos, console.Take().find(c.m_Message));
    }
}

TEST_CHILD(TgaOrigin) {
    ScratchDir scratch;
    datAssetManager::SetPath(scratch.Root().c_str());
    CreateDirectoryA(scratch.Path("texture").c_str(), nullptr);
    Bytes file = TgaHeader(1, 1, 24, 0);
    file[8 + 2 * (ChildCase() - 1)] = 1;
    file.insert(file.end(), {1, 2, 3});
    WriteWholeFile(scratch.Path("texture\\o.tga"), std::string(file.begin(), file.end()));
    gfxLoadTga("o", false);
    return 0;
}

TEST(ImageFilesFatal, TgaOriginsMustBeZero) {
    ExpectFatalChildren({{"TgaOrigin", "Assert(h.xOrigin == 0) failed in [gfx/tga", "case=1"},
                         {"TgaOrigin", "Assert(h.yOrigin == 0) failed in [gfx/tga", "case=2"}});
}

TEST_F(ImageFiles, TgaWriterRoundTripsAndExpandsEveryFormat) {
    gfxImage* rgba = gfxImage::Create(2, 2, gfxImage::rif8888, 0, 0);
    for (int i = 0; i < 16; ++i) {
        rgba->m_Pixels[i] = (unsigned char)(i * 16 + 1);
    }
    ASSERT_TRUE(gfxSaveTga(m_Scratch.Path("texture\\w.tga").c_str(), rgba));
    std::string file = ReadWholeFile(m_Scratch.Path("texture\\w.tga"));
    EXPECT_EQ(std::string("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\2\0\x20\x20", 18), file.substr(0, 18));
    Loaded back(gfxLoadTga("w", false));
    ASSERT_NE(nullptr, back.m_Image);
    EXPECT_EQ(Pixels(rgba), Pixels(back.m_Image));
    gfxReleaseImage(rgba);

    struct Case {
        const char* m_Label;
        int m_Format;
        int m_PaletteFormat;
        bool m_Use565;
        Bytes m_Pixel;  // one pixel, or its index
        Bytes m_Written;
    };
    const Case cases[] = {
        {"5551", gfxImage::rif5551, 0, true, {0x1F, 0x7C}, {255, 0, 255}},
        {"565", gfxImage::rif555, 0, true, {0xE0, 0x07}, {0, 255, 0}},
        {"555", gfxImage::rif555, 0, false, {0xE0, 0x03}, {0, 255, 0}},
        {"palette 555", gfxImage::rif8, gfxImage::Palette555, true, {1}, {0, 0, 255}},
        {"palette rgba", gfxImage::rif8, gfxImage::PaletteRGBA, true, {1}, {30, 20, 10}},
        {"nibbles", gfxImage::rif4, gfxImage::PaletteRGBA, true, {0x11}, {30, 20, 10}},
    };
    bool saved565 = gfxUse565;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Label);
        gfxImage* image = gfxImage::Create(2, 1, c.m_Format, c.m_PaletteFormat, 0);
        memcpy(image->m_Pixels, c.m_Pixel.data(), c.m_Pixel.size());
        if (c.m_PaletteFormat == gfxImage::Palette555) {
            image->m_Palette[2] = 0x1F;
            image->m_Palette[3] = 0x80;
        } else if (c.m_PaletteFormat) {
            const unsigned char entry[4] = {10, 20, 30, 40};
            memcpy(image->m_Palette + 4, entry, 4);
        }
        gfxUse565 = c.m_Use565;
        ASSERT_TRUE(gfxSaveTga(m_Scratch.Path("x.tga").c_str(), image));
        std::string written = ReadWholeFile(m_Scratch.Path("x.tga"));
        EXPECT_EQ(24, written[16]);
        EXPECT_EQ(std::string(c.m_Written.begin(), c.m_Written.end()), written.substr(18, 3));
        gfxReleaseImage(image);
    }
    gfxUse565 = saved565;
}

TEST_F(ImageFiles, BmpRowsPalettesAndWidths) {
    Bytes palette;
    for (int i = 0; i < 256; ++i) {
        palette.insert(palette.end(), {(unsigned char)i, 1, 2, 0});
    }
    // Width 3 at 8 bits: rows of 3 bytes padded to 4; the image is 4 wide.
    Write("e.bmp", BmpFile(3, 2, 8, palette, {1, 2, 3, 0xEE, 4, 5, 6, 0xEE}));
    Loaded eight(gfxLoadBmp("e", false));
    ASSERT_NE(nullptr, eight.m_Image);
    EXPECT_EQ(gfxImage::rif8, eight->m_Format);
    EXPECT_EQ(gfxImage::PaletteRGBA, eight->m_PaletteFormat);
    EXPECT_EQ(4, eight->m_XRes);
    EXPECT_EQ((Bytes{4, 5, 6, 0xEE, 1, 2, 3, 0xEE}), Pixels(eight.m_Image));
    EXPECT_EQ((Bytes{2, 1, 9, 255}), Bytes(eight->m_Palette + 36, eight->m_Palette + 40));

    // Width 5 at 24 bits: rows of 15 bytes padded to 16; the image is 6 wide and its last
    // column takes the one padding byte, then black.
    Bytes rows;
    for (int y = 0; y < 2; ++y) {
        for (int i = 0; i < 15; ++i) {
            rows.push_back((unsigned char)(y * 100 + i));
        }
        rows.push_back(0xEE);
    }
    Write("f.bmp", BmpFile(5, 2, 24, {}, rows));
    Loaded wide(gfxLoadBmp("f", false));
    ASSERT_NE(nullptr, wide.m_Image);
    EXPECT_EQ(6, wide->m_XRes);
    const unsigned char* top = wide->Row(0);
    EXPECT_EQ((Bytes{102, 101, 100}), Bytes(top, top + 3));
    EXPECT_EQ((Bytes{114, 113, 112}), Bytes(top + 12, top + 15));
    EXPECT_EQ((Bytes{0xEE, 0, 0}), Bytes(top + 15, top + 18));
    EXPECT_EQ((Bytes{2, 1, 0}), Bytes(wide->Row(1), wide->Row(1) + 3));

    Write("g.bmp", BmpFile(63, 1, 24, {}, Bytes(192, 7)));
    Loaded odd(gfxLoadBmp("g", true));
    ASSERT_NE(nullptr, odd.m_Image);
    EXPECT_EQ(64, odd->m_XRes);
}

TEST_F(ImageFiles, BmpCoreHeaderAndShortPalettes) {
    Bytes core = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0};
    Put32(core, 14 + 12 + 3 * 256);
    Put32(core, 12);
    Put16(core, 2);
    Put16(core, 1);
    Put16(core, 1);
    Put16(core, 8);
    for (int i = 0; i < 256; ++i) {
        core.insert(core.end(), {(unsigned char)i, 5, 6});
    }
    core.insert(core.end(), {3, 4, 0, 0});
    Write("c.bmp", core);
    Loaded image(gfxLoadBmp("c", false));
    ASSERT_NE(nullptr, image.m_Image);
    EXPECT_EQ((Bytes{3, 4}), Pixels(image.m_Image));
    EXPECT_EQ((Bytes{6, 5, 3, 255}), Bytes(image->m_Palette + 12, image->m_Palette + 16));

    // Two colours used: the pixels follow the two entries.
    Bytes file = BmpFile(4, 1, 8, {1, 2, 3, 0, 4, 5, 6, 0}, {0, 1, 1, 0});
    file[46] = 2;
    Write("u.bmp", file);
    Loaded used(gfxLoadBmp("u", false));
    ASSERT_NE(nullptr, used.m_Image);
    EXPECT_EQ((Bytes{0, 1, 1, 0}), Pixels(used.m_Image));
    EXPECT_EQ((Bytes{6, 5, 4, 255}), Bytes(used->m_Palette + 4, used->m_Palette + 8));
}

TEST_F(ImageFiles, BmpRefusals) {
    struct Case {
        const char* m_Label;
        Bytes m_File;
        const char* m_Message;
    };
    Bytes magic = BmpFile(2, 2, 24, {}, Bytes(16));
    magic[0] = 'X';
    Bytes huge = BmpFile(2, 2, 24, {}, Bytes(16));
    huge[22] = 0xFF;
    huge[23] = 0xFF;
    huge[24] = 0xFF;
    huge[25] = 0xFF;
    const Case cases[] = {
        {"magic", magic, "Error: Bitmap 'r' isn't a valid bitmap: 4d58 != 4d42."},
        {"bits", BmpFile(2, 2, 16, {}, Bytes(8)), "Error: Bitmap 'r' isn't 8bpp or 24bpp"},
        {"compression", BmpFile(2, 2, 8, Bytes(1024), Bytes(8), 1), "Error: Don't support compression on bitmap 'r'"},
        {"pixels", BmpFile(2, 2, 24, {}, Bytes(15)), "Bitmap 'r' is cut short."},
        {"palette", BmpFile(2, 2, 8, Bytes(10), {}), "Bitmap 'r' is cut short."},
        {"header", Bytes{'B', 'M', 0, 0}, "Bitmap 'r' is cut short."},
        {"negative height", huge, "Bitmap 'r' has a bad size 2 x 4294967295."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Label);
        Write("r.bmp", c.m_File);
        ConsoleCapture console;
        EXPECT_EQ(nullptr, gfxLoadBmp("r", true));
        EXPECT_NE(std::string::npos, console.Take().find(c.m_Message));
    }
}

TEST_F(ImageFiles, BmpWriterAndReaderAgree) {
    gfxImage* image = gfxImage::Create(7, 3, gfxImage::rif888, 0, 0);
    for (int i = 0; i < 63; ++i) {
        image->m_Pixels[i] = (unsigned char)(i * 3);
    }
    ASSERT_TRUE(gfxSaveBmp(m_Scratch.Path("texture\\s.bmp").c_str(), image));
    Loaded back(gfxLoadBmp("s", false));
    ASSERT_NE(nullptr, back.m_Image);
    ASSERT_EQ(8, back->m_XRes);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 7; ++x) {
            const unsigned char* in = image->Row(y) + 3 * x;
            const unsigned char* out = back->Row(y) + 3 * x;
            EXPECT_EQ((Bytes{in[2], in[1], in[0]}), Bytes(out, out + 3)) << x << "," << y;
        }
    }
    gfxReleaseImage(image);
}

TEST_F(ImageFiles, RawOnlyWithPalettizedTextures) {
    Bytes raw(16384);
    raw[0] = 9;
    Write("r.raw", raw);
    ConsoleCapture console;
    EXPECT_EQ(nullptr, gfxLoadRaw("r", false));
    gfxPalettizedTextures = true;
    Loaded grey(gfxLoadRaw("r", false));
    ASSERT_NE(nullptr, grey.m_Image);
    EXPECT_EQ(128, grey->m_XRes);
    EXPECT_EQ(128, grey->m_YRes);
    EXPECT_EQ(9, grey->Row(127)[0]);
    EXPECT_EQ((Bytes{77, 77, 77, 255}), Bytes(grey->m_Palette + 4 * 77, grey->m_Palette + 4 * 78));
    EXPECT_NE(std::string::npos, console.Take().find("Cannot open file"));

    Bytes act;
    for (int i = 0; i < 256; ++i) {
        act.insert(act.end(), {(unsigned char)i, 1, 2});
    }
    Write("r.act", act);
    Write("s.raw", Bytes(65536 + 3));
    Loaded coloured(gfxLoadRaw("r", false));
    ASSERT_NE(nullptr, coloured.m_Image);
    EXPECT_EQ((Bytes{5, 1, 2, 255}), Bytes(coloured->m_Palette + 20, coloured->m_Palette + 24));
    Loaded big(gfxLoadRaw("s", false));
    ASSERT_NE(nullptr, big.m_Image);
    EXPECT_EQ(256, big->m_XRes);
}
