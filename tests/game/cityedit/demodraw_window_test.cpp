// The demo city drawn by the room interpreter from a fixed camera above it, and its export.
#include "city/psdl.h"
#include "rgl/tgl.h"

#include "tests/game/cityedit/demoview.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class DemoCity : public DemoCityPipeline {};

}  // namespace

TEST_F(DemoCity, DrawnFromAboveCoversItsRoomsInTheirTextures) {
    lvlPSDL city;
    ASSERT_TRUE(city.LoadSDL("demo"));
    ASSERT_TRUE(Open(""));
    LoadDemoTextures();
    tglInit(FVF_VCT1, 64, 120, 0);
    gfxMainViewport->Perspective(60.0f, 0.0f, 1.0f, 1000.0f);
    ExpectDemoPicture(ShootDemo(city));
}

// The export of each demo room at the highest detail, seen from above, follows its words:
// the kinds and sizes of the records, and the fans' corners are the vertices they name.
TEST(DemoCityExport, RecordsFollowTheCodeWords) {
    datAssetManager::SetPath(SourcePath("tests/data/oddcity").c_str());
    lvlPSDL city;
    ASSERT_TRUE(city.LoadSDL("demo"));
    datAssetManager::SetPath("");
    lvlSDL::sm_ViewPoint = DemoOverheadCamera().d;
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
