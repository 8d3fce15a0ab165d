#include "gfx/imagefile.h"

#include "data/asset.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <string>

// The demo city's textures, as tools/demotextures wrote them, load through the texture loader.
TEST(DemoTextures, EveryTextureOfTheDemoCityLoads) {
    datAssetManager::SetPath(SourcePath("assets").c_str());
    const char* names[] = {"road_a",   "sidewalk_a", "road_lod", "grass",    "flow-0001",
                           "flow-0002", "median_a",  "median_b", "median_c", "median_d"};
    ConsoleCapture console;
    for (const char* name : names) {
        SCOPED_TRACE(name);
        gfxImage* image = gfxLoadImage(name, true);
        ASSERT_NE(nullptr, image);
        EXPECT_EQ(32, image->m_XRes);
        EXPECT_EQ(32, image->m_YRes);
        EXPECT_EQ(gfxImage::rif888, image->m_Format);
        gfxReleaseImage(image);
    }
    EXPECT_EQ(std::string::npos, console.Take().find("Warning"));
    EXPECT_EQ(nullptr, gfxLoadImage("nosuchimage", false));
    EXPECT_NE(std::string::npos, console.Take().find("Texture 'nosuchimage' not found."));
    datAssetManager::SetPath("");
}
