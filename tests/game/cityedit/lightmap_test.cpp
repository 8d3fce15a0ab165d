// Light maps, light-map definitions and the colouring of rooms from TIFF images.
#include "cityedit/lightmap.h"

#include "cityedit/tiffimage.h"
#include "gfx/image.h"
#include "gfx/imageread.h"
#include "vector/vector2.h"

#include "tests/game/cityedit/tifffixture.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace {

const uint32_t Unset = 0x12345678;

std::string Bytes(const std::vector<uint32_t>& words) {
    std::string bytes;
    for (uint32_t w : words) {
        for (int i = 0; i < 4; ++i) {
            bytes += char(w >> (8 * i));
        }
    }
    return bytes;
}

class LightMaps : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return m_Scratch.Path(name); }

    // Loads the file's bytes into colours that start as Unset; returns what was printed.
    std::string Load(const std::string& bytes, std::vector<uint32_t>& colours, bool* ok = nullptr) {
        WriteWholeFile(Path("in.lmap"), bytes);
        colours.assign(m_City.m_City.m_RoomCount, Unset);
        bool loaded = LoadLightMap(Path("in.lmap").c_str(), m_City.m_City, colours.data());
        if (ok) {
            *ok = loaded;
        }
        return m_Console.Take();
    }

    ScratchDir m_Scratch;
    ConsoleCapture m_Console;
    CentroidCity m_City{{{2, 2}, {7, 8}}};
};

}  // namespace

TEST_F(LightMaps, SaveWritesTheHeaderAndEveryColourAndLoadsThemBack) {
    std::vector<uint32_t> colours = {0x01020304, 0xFFAABBCC, 0x80000001};
    ASSERT_TRUE(SaveLightMap(Path("a.lmap").c_str(), m_City.m_City, colours.data()));
    std::string file = ReadWholeFile(Path("a.lmap"));
    EXPECT_EQ(file.size(), 20u);
    EXPECT_EQ(file, std::string("LMP0\x03\0\0\0", 8) + Bytes(colours));

    std::vector<uint32_t> loaded;
    bool ok = false;
    EXPECT_EQ(Load(file, loaded, &ok), "");
    EXPECT_TRUE(ok);
    EXPECT_EQ(loaded, colours);  // entry 0 included
}

TEST_F(LightMaps, FilesThatAreNotThisCitysLightMapChangeNothing) {
    const std::string header = std::string("LMP0\x03\0\0\0", 8);
    const std::string three = Bytes({1, 2, 3});
    struct Case {
        const char* m_Label;
        std::string m_Bytes;
        std::string m_Message;
    };
    const std::string name = Path("in.lmap");
    const Case cases[] = {
        {"old magic", "LMP1" + header.substr(4) + three, "Error: File '" + name + "' is old version.\n"},
        {"another room count", "LMP0" + Bytes({4, 1, 2, 3, 4}),
         "Error: File '" + name + "' has 4 rooms, current city has 3, cannot load.\n"},
        {"a count past 2^31", "LMP0" + Bytes({0xFFFFFFFF, 1, 2, 3}),
         "Error: File '" + name + "' has 4294967295 rooms, current city has 3, cannot load.\n"},
        {"one colour short", header + three.substr(0, 8) + "\x01\x02\x03",
         "Error: File '" + name + "' is cut short: 19 bytes, a light map of 3 rooms needs 20.\n"},
        {"no count", "LMP0\x03",
         "Error: File '" + name + "' is cut short: 5 bytes, a light map needs at least 8.\n"},
        {"empty", "", "Error: File '" + name + "' is cut short: 0 bytes, a light map needs at least 8.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Label);
        std::vector<uint32_t> colours;
        bool ok = true;
        EXPECT_EQ(Load(c.m_Bytes, colours, &ok), c.m_Message);
        EXPECT_FALSE(ok);
        EXPECT_EQ(colours, std::vector<uint32_t>(3, Unset));
    }
}

TEST_F(LightMaps, MissingAndUnwritableFilesAreReported) {
    std::vector<uint32_t> colours(3, Unset);
    std::string missing = Path("none.lmap");
    EXPECT_FALSE(LoadLightMap(missing.c_str(), m_City.m_City, colours.data()));
    EXPECT_EQ(m_Console.Take(), "Error: Could not load '" + missing + "'\n");
    std::string nowhere = Path("no folder\\a.lmap");
    EXPECT_FALSE(SaveLightMap(nowhere.c_str(), m_City.m_City, colours.data()));
    EXPECT_EQ(m_Console.Take(), "Error: Could not save '" + nowhere + "'\n");
    EXPECT_FALSE(ImportLightMapDefinition(Path("none.ldef").c_str(), m_City.m_City, colours.data()));
    EXPECT_EQ(m_Console.Take(), "Error: Could not import '" + Path("none.ldef") + "'\n");
    EXPECT_EQ(colours, std::vector<uint32_t>(3, Unset));
}

TEST_F(LightMaps, ResetWhitensEveryRoomButEntryZero) {
    std::vector<uint32_t> colours(3, Unset);
    ResetLighting(m_City.m_City, colours.data());
    EXPECT_EQ(colours, (std::vector<uint32_t>{Unset, 0xFFFFFFFF, 0xFFFFFFFF}));
}

namespace {

class ImageColours : public ::testing::Test {
protected:
    // Colours of the rooms of the city after colouring from the image over (0, 0) to (10, 10).
    std::vector<uint32_t> Colour(const std::string& image, const CentroidCity& city,
                                 Vector2 minimum = Vector2(0, 0), Vector2 maximum = Vector2(10, 10)) {
        std::vector<uint32_t> colours(city.m_City.m_RoomCount, Unset);
        m_Ok = ColorRoomsFromImage(image.c_str(), city.m_City, minimum, maximum, colours.data());
        return colours;
    }

    ScratchDir m_Scratch;
    ConsoleCapture m_Console;
    bool m_Ok = false;
};

}  // namespace

TEST_F(ImageColours, TheQuadrantsColourRoomsByCentroidWithEdgesClamped) {
    std::string image = m_Scratch.Path("q.tif");
    ASSERT_TRUE(WriteTiff(image, 2, 2, Quadrants));
    CentroidCity city({{2, 2}, {7, 8}, {-5, 50}, {12, -3}, {5, 5}});
    EXPECT_EQ(Colour(image, city),
              (std::vector<uint32_t>{Unset, 0xFFFF0000, 0xFFFFFFFF, 0xFF0000FF, 0xFF00FF00,
                                     0xFFFFFFFF}));
    EXPECT_TRUE(m_Ok);
    EXPECT_EQ(m_Console.Take(), "File '" + image + "' alpha = 0\n");
}

// Bottom-up row order, several strips and compression all give the same picture; a large
// image is read whole.
TEST_F(ImageColours, StripsRowOrderAndSizeDoNotChangeThePixelRule) {
    auto gradient = [](int x, int fromTop) {
        return uint32_t((x & 0xFF) << 16 | (fromTop & 0xFF) << 8 | ((x + fromTop) & 0xFF));
    };
    struct Case {
        const char* m_Label;
        int m_Size;
        TiffLayout m_Layout;
    };
    TiffLayout strips;
    strips.m_RowsPerStrip = 3;
    TiffLayout bottomUp = strips;
    bottomUp.m_BottomUp = true;
    TiffLayout packed = bottomUp;
    packed.m_PackBits = true;
    TiffLayout large;
    large.m_RowsPerStrip = 64;
    const Case cases[] = {
        {"one strip", 10, TiffLayout()},
        {"strips of 3 rows", 10, strips},
        {"bottom-up", 10, bottomUp},
        {"packbits", 10, packed},
        {"2048 x 2048", 2048, large},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Label);
        std::string image = m_Scratch.Path("g.tif");
        ASSERT_TRUE(WriteTiff(image, c.m_Size, c.m_Size, gradient, c.m_Layout));
        // Centroids in the middle of pixels (column, row from the top).
        std::vector<std::pair<int, int>> pixels = {
            {0, 0}, {c.m_Size - 1, 0}, {0, c.m_Size - 1}, {c.m_Size / 2, c.m_Size / 3}};
        std::vector<std::pair<float, float>> centroids;
        std::vector<uint32_t> expected = {Unset};
        float pixel = 10.0f / float(c.m_Size);
        for (auto p : pixels) {
            float z = (float(c.m_Size - 1 - p.second) + 0.5f) * pixel;
            centroids.push_back({(float(p.first) + 0.5f) * pixel, z});
            expected.push_back(0xFF000000 | gradient(p.first, p.second));
        }
        CentroidCity city(centroids);
        EXPECT_EQ(Colour(image, city), expected);
        EXPECT_TRUE(m_Ok);
    }
}

TEST_F(ImageColours, ImagesAndAreasThatCannotColourChangeNothing) {
    std::string rgba = m_Scratch.Path("rgba.tif");
    TiffLayout alpha;
    alpha.m_Samples = 4;
    ASSERT_TRUE(WriteTiff(rgba, 2, 2, Quadrants, alpha));
    std::string rgb = m_Scratch.Path("rgb.tif");
    ASSERT_TRUE(WriteTiff(rgb, 2, 2, Quadrants));
    std::string wide = m_Scratch.Path("wide.tif");
    ASSERT_TRUE(WriteTiff(wide, MaxTiffSide + 1, 1, [](int, int) { return 0u; }));
    std::string junk = m_Scratch.Path("junk.tif");
    WriteWholeFile(junk, "II*\0junk, not an image");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* m_Label;
        std::string m_Image;
        Vector2 m_Min;
        Vector2 m_Max;
        std::string m_Message;  // the start of what is printed
    };
    const Case cases[] = {
        {"alpha", rgba, {0, 0}, {10, 10},
         "File '" + rgba + "' alpha = 1\nError: Image must be in 24bit format\n"},
        {"x without extent", rgb, {3, 0}, {3, 10}, "Error: The image '" + rgb + "' is laid over no area"},
        {"z without extent", rgb, {0, 4}, {10, 4}, "Error: The image '" + rgb + "' is laid over no area"},
        {"NaN", rgb, {nan, 0}, {10, 10}, "Error: The image '" + rgb + "' is laid over no area"},
        {"infinity", rgb, {0, 0}, {10, inf}, "Error: The image '" + rgb + "' is laid over no area"},
        {"wider than the limit", wide, {0, 0}, {10, 10},
         "File '" + wide + "' alpha = 0\nError: File '" + wide +
             "' is 16385 x 1 pixels; images of 1 x 1 to 16384 x 16384 are read.\n"},
        {"not a TIFF", junk, {0, 0}, {10, 10}, "Error: "},
        {"missing", m_Scratch.Path("none.tif"), {0, 0}, {10, 10}, "Error: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Label);
        CentroidCity city({{2, 2}});
        EXPECT_EQ(Colour(c.m_Image, city, c.m_Min, c.m_Max), (std::vector<uint32_t>{Unset, Unset}));
        EXPECT_FALSE(m_Ok);
        std::string text = m_Console.Take();
        EXPECT_EQ(text.substr(0, c.m_Message.size()), c.m_Message) << text;
        // libtiff's own messages reach the printer, never a box of its own.
        EXPECT_EQ(text.find("Warning: TIFF"), std::string::npos);
    }
}

TEST_F(ImageColours, ADefinitionNamesTheImageAndItsArea) {
    std::string image = m_Scratch.Path("q.tif");
    ASSERT_TRUE(WriteTiff(image, 2, 2, Quadrants));
    std::string definition = m_Scratch.Path("city.ldef");
    WriteWholeFile(definition, "\"" + image + "\"  ; the image\n 0 0\n 10.0 10 \n");
    CentroidCity city({{2, 2}, {7, 8}});
    std::vector<uint32_t> colours(3, Unset);
    EXPECT_TRUE(ImportLightMapDefinition(definition.c_str(), city.m_City, colours.data()));
    EXPECT_EQ(colours, (std::vector<uint32_t>{Unset, 0xFFFF0000, 0xFFFFFFFF}));
    m_Console.Take();

    WriteWholeFile(definition, "\"" + image + "\" 5 0 5 10\n");
    EXPECT_FALSE(ImportLightMapDefinition(definition.c_str(), city.m_City, colours.data()));
    EXPECT_EQ(colours, (std::vector<uint32_t>{Unset, 0xFFFF0000, 0xFFFFFFFF}));
    EXPECT_NE(m_Console.Take().find("is laid over no area"), std::string::npos);
}
