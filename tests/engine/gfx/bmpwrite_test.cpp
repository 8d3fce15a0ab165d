#include "gfx/imagefile.h"

#include "data/stream.h"
#include "tests/support/console.h"
#include "tests/support/failingwrites.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct ImageHolder {
    explicit ImageHolder(gfxImage* image) : m_Image(image) {}
    ~ImageHolder() { gfxReleaseImage(m_Image); }
    gfxImage* m_Image;
};

std::string Bytes(std::initializer_list<int> values) {
    std::string text;
    for (int v : values) {
        text += (char)v;
    }
    return text;
}

uint32_t U32At(const std::string& file, size_t at) {
    return (uint8_t)file[at] | (uint8_t)file[at + 1] << 8 | (uint8_t)file[at + 2] << 16 |
           (uint32_t)(uint8_t)file[at + 3] << 24;
}

}  // namespace

TEST(BmpWrite, HeaderAndBottomUpRowsPaddedToWords) {
    ScratchDir scratch;
    // Two rows of three pixels: rows of 9 bytes are padded to 12.
    ImageHolder holder(gfxImage::Create(3, 2, gfxImage::rif888, 0, 0));
    for (int i = 0; i < 18; ++i) {
        holder.m_Image->m_Pixels[i] = (unsigned char)(i + 1);
    }
    ConsoleCapture console;
    std::string path = scratch.Path("shot.bmp");
    ASSERT_TRUE(gfxSaveBmp(path.c_str(), holder.m_Image));
    EXPECT_NE(std::string::npos, console.Take().find("Saving a rif888 image"));
    std::string file = ReadWholeFile(path);
    ASSERT_EQ(54u + 24u, file.size());
    EXPECT_EQ("BM", file.substr(0, 2));
    EXPECT_EQ(78u, U32At(file, 2));
    EXPECT_EQ(54u, U32At(file, 10));
    EXPECT_EQ(40u, U32At(file, 14));
    EXPECT_EQ(3u, U32At(file, 18));
    EXPECT_EQ(2u, U32At(file, 22));
    EXPECT_EQ(Bytes({1, 0, 24, 0}), file.substr(26, 4));
    EXPECT_EQ(0u, U32At(file, 30));
    EXPECT_EQ(3u, U32At(file, 38));
    EXPECT_EQ(2u, U32At(file, 42));
    EXPECT_EQ(Bytes({10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0}), file.substr(54, 12));
    EXPECT_EQ(Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}), file.substr(66, 12));
}

TEST(BmpWrite, ScreenSizesNeedNoPadding) {
    ScratchDir scratch;
    ImageHolder holder(gfxImage::Create(640, 480, gfxImage::rif8888, 0, 0));
    ConsoleCapture console;
    std::string path = scratch.Path("shot.bmp");
    ASSERT_TRUE(gfxSaveBmp(path.c_str(), holder.m_Image));
    EXPECT_EQ(921654u, ReadWholeFile(path).size());
}

TEST(BmpWrite, PixelsOfEachFormat) {
    struct Case {
        const char* m_Label;
        int m_Format;
        bool m_Use565;
        std::string m_Pixel;
        std::string m_Written;
    };
    const Case cases[] = {
        {"32 bits drop the fourth byte", gfxImage::rif8888, true, Bytes({9, 8, 7, 6}), Bytes({9, 8, 7})},
        // 0xFFE0 in 5-6-5: blue 0, green 63, red 31.
        {"5-6-5", gfxImage::rif555, true, Bytes({0xE0, 0xFF}), Bytes({0, 255, 255})},
        // 0x7FE0 in 5-5-5: blue 0, green 31, red 31.
        {"5-5-5", gfxImage::rif555, false, Bytes({0xE0, 0x7F}), Bytes({0, 255, 255})},
        // Green 0x21 (6 bits) gives 0x84 | 0x02; red 0x10 gives 0x84.
        {"5-6-5 widening", gfxImage::rif5551, true, Bytes({0x21, 0x84}), Bytes({0x08, 0x86, 0x84})},
    };
    bool saved565 = gfxUse565;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Label);
        ScratchDir scratch;
        ImageHolder holder(gfxImage::Create(4, 1, c.m_Format, 0, 0));
        int bytes = gfxImage::BitsPerPixel(c.m_Format) / 8;
        for (int x = 0; x < 4; ++x) {
            memcpy(holder.m_Image->m_Pixels + x * bytes, c.m_Pixel.data(), bytes);
        }
        gfxUse565 = c.m_Use565;
        ConsoleCapture console;
        std::string path = scratch.Path("shot.bmp");
        ASSERT_TRUE(gfxSaveBmp(path.c_str(), holder.m_Image));
        std::string file = ReadWholeFile(path);
        ASSERT_EQ(54u + 12u, file.size());
        EXPECT_EQ(c.m_Written + c.m_Written + c.m_Written + c.m_Written, file.substr(54));
    }
    gfxUse565 = saved565;
}

TEST(BmpWrite, RefusalsKeepTheOldFile) {
    ScratchDir scratch;
    std::string path = scratch.Path("shot.bmp");
    ASSERT_TRUE(WriteWholeFile(path, "old"));
    ConsoleCapture console;
    {
        ImageHolder palette(gfxImage::Create(4, 4, gfxImage::rif8, gfxImage::PaletteRGBA, 0));
        EXPECT_FALSE(gfxSaveBmp(path.c_str(), palette.m_Image));
        EXPECT_NE(std::string::npos, console.Take().find("can't save image format 5"));
    }
    EXPECT_EQ("old", ReadWholeFile(path));
    EXPECT_FALSE(gfxSaveBmp(scratch.Path("missing\\shot.bmp").c_str(),
                            ImageHolder(gfxImage::Create(2, 2, gfxImage::rif888, 0, 0)).m_Image));
    EXPECT_NE(std::string::npos, console.Take().find("Cannot create file"));
}

// A disk that fills midway, whether the write that meets the end fails or is taken short.
TEST(BmpWrite, EveryImageWriterKeepsTheOldFileOnAFullDisk) {
    ScratchDir scratch;
    ConsoleCapture console;
    ImageHolder image(gfxImage::Create(64, 64, gfxImage::rif888, 0, 0));
    const uint32_t frame[64] = {};
    // Each writer gives whether it reports the file written; the report is what it prints.
    struct Case {
        const char* m_Name;
        bool (*m_Write)(const std::string& path, gfxImage* image, const uint32_t* frame);
        std::string m_Report;
    };
    const Case cases[] = {
        {"shot.bmp", [](const std::string& path, gfxImage* image,
                        const uint32_t*) { return gfxSaveBmp(path.c_str(), image); },
         ""},
        {"shot.tga", [](const std::string& path, gfxImage* image,
                        const uint32_t*) { return gfxSaveTga(path.c_str(), image); },
         ""},
        {"movie.bmp",
         [](const std::string& path, gfxImage*, const uint32_t* frame) {
             // The capture has no result: its close reports instead.
             Stream* stream = gfxOpenRawBmpStream(path.c_str(), 64, 64);
             if (stream) {
                 for (int row = 0; row < 64; ++row) {
                     gfxWriteRawBmpFrame(stream, frame, 64);
                 }
                 gfxCloseRawBmpStream(stream);
             }
             return false;
         },
         "Error: gfxCloseRawBmpStream: could not write all of '"},
    };
    for (const Case& c : cases) {
        for (FailingWrites::Mode mode : {FailingWrites::Refuse, FailingWrites::Short}) {
            SCOPED_TRACE(testing::Message() << c.m_Name << " " << mode);
            std::string path = scratch.Path(c.m_Name);
            ASSERT_TRUE(WriteWholeFile(path, "old"));
            console.Take();
            {
                FailingWrites full(100, mode);
                EXPECT_FALSE(c.m_Write(path, image.m_Image, frame));
            }
            EXPECT_EQ("old", ReadWholeFile(path));
            EXPECT_FALSE(FileExists(path + ReplacingSuffix));
            std::string printed = console.Take();
            EXPECT_TRUE(c.m_Report.empty() || printed.find(c.m_Report + path) != std::string::npos)
                << printed;
        }
    }
}

TEST(BmpWrite, RawStreamWritesHeaderThenFrames) {
    ScratchDir scratch;
    std::string path = scratch.Path("movie.bmp");
    ConsoleCapture console;
    Stream* stream = gfxOpenRawBmpStream(path.c_str(), 4, 1);
    ASSERT_NE(nullptr, stream);
    const uint32_t frame[2] = {0xAA030201, 0xBB060504};
    gfxWriteRawBmpFrame(stream, frame, 2);
    gfxWriteRawBmpFrame(stream, frame, 1);
    gfxCloseRawBmpStream(stream);
    std::string text = console.Take();
    EXPECT_NE(std::string::npos,
              text.find("gfxOpenRawBmpStream: opening bmp stream " + path + " width(4) height(1)"));
    EXPECT_NE(std::string::npos, text.find("gfxCloseRawBmpStream: well, closing the stream"));
    std::string file = ReadWholeFile(path);
    ASSERT_EQ(54u + 9u, file.size());
    EXPECT_EQ(4u, U32At(file, 18));
    EXPECT_EQ(Bytes({1, 2, 3, 4, 5, 6, 1, 2, 3}), file.substr(54));
}
