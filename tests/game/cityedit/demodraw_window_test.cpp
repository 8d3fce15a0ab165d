// The demo city drawn by the room interpreter from a fixed camera above it, and its export.
#include "city/psdl.h"
#include "data/asset.h"
#include "gfx/screenshot.h"
#include "gfx/texreg.h"
#include "gfx/texture.h"
#include "rgl/tgl.h"

#include "tests/engine/gfx/pipefixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

const uint32_t Background = 0x102040;

// The city lies in x 0 to 40 and z 0 to 30; the camera looks straight down on its middle from
// 40 up, screen right along x and screen down along z, 13 pixels to the unit or so.
Matrix34 OverheadCamera() {
    Matrix34 camera;
    camera.a = Vector3(1, 0, 0);
    camera.b = Vector3(0, 0, -1);
    camera.c = Vector3(0, 1, 0);
    camera.d = Vector3(20, 40, 15);
    return camera;
}

class DemoCity : public WindowPipeline {
protected:
    void SetUp() override {
        WindowPipeline::SetUp();
        datAssetManager::SetPath(SourcePath("assets").c_str());
    }
    void TearDown() override {
        tglShutdown();
        WindowPipeline::TearDown();
        gfxResetAnimTextures();
        datAssetManager::SetPath("");
    }

    // Where a ground point lands on the screen: 300 pixels to tan 30 degrees at depth 40.
    static void ToScreen(float x, float z, int& px, int& py) {
        const float scale = 300.0f / (40.0f * std::tan(30.0f * 3.14159265f / 180.0f));
        px = int(400.0f + (x - 20.0f) * scale);
        py = int(300.0f + (z - 15.0f) * scale);
    }

    // The mean colour of the 9 by 9 pixels round a ground point.
    static void MeanAround(const std::string& bmp, float x, float z, int rgb[3]) {
        int px, py;
        ToScreen(x, z, px, py);
        int sum[3] = {0, 0, 0};
        for (int dy = -4; dy <= 4; ++dy) {
            for (int dx = -4; dx <= 4; ++dx) {
                uint32_t pixel = BmpPixel(bmp, px + dx, py + dy);
                sum[0] += pixel >> 16 & 0xFF;
                sum[1] += pixel >> 8 & 0xFF;
                sum[2] += pixel & 0xFF;
            }
        }
        for (int c = 0; c < 3; ++c) {
            rgb[c] = sum[c] / 81;
        }
    }
};

}  // namespace

TEST_F(DemoCity, DrawnFromAboveCoversItsRoomsInTheirTextures) {
    lvlPSDL city;
    ASSERT_TRUE(city.LoadSDL("demo"));
    ASSERT_TRUE(Open(""));
    // The animated entry stays untextured here: the registry keeps animated textures for the
    // rest of the program, past this test's pipeline.
    lvlPSDL::sm_Textures[5].m_Name.clear();
    LoadCityTextures();
    ASSERT_TRUE(lvlPSDL::sm_Textures[4].m_Texture) << "grass";
    tglInit(FVF_VCT1, 64, 120, 0);
    lvlSDL::sm_ViewPoint = OverheadCamera().d;
    std::string path = m_Scratch.Path("demo.bmp");
    for (int frame = 0; frame < 2; ++frame) {
        gfxPumpMessages();
        BeginFrame();
        gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000 | Background, 1.0f, 0);
        gfxBeginScene();
        gfxSetCamera(OverheadCamera());
        gfxMainViewport->Perspective(60.0f, 0.0f, 1.0f, 1000.0f);
        gfxSetStateByte(gfxCurrentState.m_Lighting, 0);
        gfxSetStateByte(gfxCurrentState.m_CullMode, D3DCULL_NONE);
        tglBegin();
        for (uint32_t r = 1; r < city.m_RoomCount; ++r) {
            tglColor(0xFFFFFFFF);
            city.m_Rooms[r]->DrawRoom(3, 0xFFFFFFFF);
        }
        tglEnd();
        gfxEndScene();
        if (frame == 1) {
            RequestScreenShot(path.c_str());
        }
        gfxEndFrame();
    }
    std::string bmp = ReadWholeFile(path);
    ASSERT_EQ(bmp.size(), 1440054u);

    // Coverage: the rooms' ground covers their outlines; beyond the city is the background.
    struct Region {
        const char* m_Name;
        float m_X0, m_Z0, m_X1, m_Z1;
        bool m_Covered;
    };
    const Region regions[] = {
        {"block", 0.5f, 0.5f, 9.5f, 9.5f, true},
        {"road", 10.5f, 0.5f, 29.5f, 9.5f, true},
        {"intersection", 30.5f, 0.5f, 39.5f, 9.5f, true},
        {"divided road", 30.5f, 10.5f, 39.5f, 29.5f, true},
        {"west of the city", -12.0f, 0.0f, -2.0f, 30.0f, false},
        {"south of the misc room", 0.0f, 22.0f, 25.0f, 30.0f, false},
    };
    for (const Region& region : regions) {
        int x0, y0, x1, y1;
        ToScreen(region.m_X0, region.m_Z0, x0, y0);
        ToScreen(region.m_X1, region.m_Z1, x1, y1);
        int total = 0;
        int background = 0;
        for (int y = std::max(0, y0); y <= std::min(599, y1); ++y) {
            for (int x = std::max(0, x0); x <= std::min(799, x1); ++x) {
                ++total;
                background += BmpPixel(bmp, x, y) == Background;
            }
        }
        ASSERT_GT(total, 100) << region.m_Name;
        if (region.m_Covered) {
            EXPECT_EQ(background, 0) << region.m_Name;
        } else {
            EXPECT_EQ(background, total) << region.m_Name;
        }
    }

    // Colours: the block is grass, the sidewalk light grey, the intersection (whose image is
    // missing) the plain white of the batch colour.
    int rgb[3];
    MeanAround(bmp, 5, 5, rgb);
    EXPECT_GT(rgb[1], rgb[0] + 30) << "grass";
    EXPECT_GT(rgb[1], rgb[2] + 30) << "grass";
    MeanAround(bmp, 20, 1, rgb);
    EXPECT_GT(rgb[0], 120) << "sidewalk";
    EXPECT_LT(std::abs(rgb[0] - rgb[2]), 25) << "sidewalk";
    MeanAround(bmp, 35, 5, rgb);
    EXPECT_EQ(rgb[0] + rgb[1] + rgb[2], 3 * 255) << "untextured intersection";
}

// The export of each demo room at the highest detail, seen from above, follows its words:
// the kinds and sizes of the records, and the fans' corners are the vertices they name.
TEST(DemoCityExport, RecordsFollowTheCodeWords) {
    datAssetManager::SetPath(SourcePath("assets").c_str());
    lvlPSDL city;
    ASSERT_TRUE(city.LoadSDL("demo"));
    datAssetManager::SetPath("");
    lvlSDL::sm_ViewPoint = OverheadCamera().d;
    typedef std::vector<std::pair<uint32_t, uint32_t>> Shapes;
    const std::pair<uint32_t, uint32_t> quad = {5, 4};
    const Shapes expected[7] = {
        {},
        {{6, 4}},
        Shapes(7, quad),
        {{6, 4}, {6, 3}},
        Shapes(14, quad),
        {quad, quad, quad, quad, quad, {6, 4}},
        {},
    };
    const std::vector<std::vector<uint32_t>> fans[7] = {
        {}, {{0, 1, 2, 3}}, {}, {{6, 10, 11, 9}, {6, 7, 8}}, {}, {{}, {}, {}, {}, {}, {1, 2, 4, 3}}, {}};
    for (uint32_t r = 1; r < city.m_RoomCount; ++r) {
        std::vector<uint32_t> buffer(4096);
        int count = city.m_Rooms[r]->GetRoomTriangles(3, buffer.data(), int(buffer.size()));
        Shapes shapes;
        const uint32_t* at = buffer.data();
        for (int k = 0; k < count; ++k) {
            shapes.emplace_back(at[0], at[1]);
            if (k < int(fans[r].size()) && !fans[r][k].empty()) {
                const float* p = reinterpret_cast<const float*>(at + 2);
                for (uint32_t v = 0; v < at[1]; ++v) {
                    const Vector3& named = lvlPSDL::sm_Vertices[fans[r][k][v]];
                    EXPECT_EQ(p[3 * v], named.x) << "room " << r << " corner " << v;
                    EXPECT_EQ(p[3 * v + 2], named.z) << "room " << r << " corner " << v;
                }
            }
            at += 2 + 3 * at[1];
        }
        EXPECT_EQ(shapes, expected[r]) << "room " << r;
    }
}
