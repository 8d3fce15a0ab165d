#include "city/ai.h"
#include "city/psdl.h"
#include "vector/matrix34.h"

#include "tests/game/city/aifixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(AiPath, PathVertexCounts) {
    struct Case {
        const char* m_Name;
        std::vector<RoomSpec> m_Rooms;
        std::vector<int> m_Road;
        bool m_Direction;
        int m_Count;
        const char* m_Printed;
    };
    const std::vector<Case> cases = {
        {"one room of 3", {{0, {2, 3}, Road(0, 3)}, {0x10, {}, {}}, {0x10, {}, {}}}, {1}, false, 6, ""},
        {"rooms of 3 and 4",
         {{0, {3}, Road(0, 3)}, {0, {4}, Road(2, 4)}, {0x10, {}, {}}, {0x10, {}, {}}},
         {1, 2}, false, 12, ""},
        {"second room against the road",
         {{0, {3}, Road(0, 3)}, {0, {4}, Road(2, 4)}, {0x10, {}, {}}, {0x10, {}, {}}},
         {1, -2}, true, 5 + 3, ""},
        {"no ends", {{0, {}, Road(0, 2)}}, {1}, false, 4, "Warning: BAD ROAD[0] isect = 0,0\n"},
        {"no road element", {{0, {}, Fan}, {0, {}, Road(0, 2)}}, {1, 2}, false, 0,
         "Error: lvlAiMap::SetRoad()- no road/alley element found road=0\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Name);
        AiFixture fixture(c.m_Rooms);
        fixture.SetRoad(c.m_Road, 0, {0.5f}, c.m_Direction);
        EXPECT_EQ(lvlAiMap::GetPathVertexCount(), c.m_Count);
        EXPECT_EQ(fixture.m_Capture.Take(), c.m_Printed);
    }
}

TEST(AiPath, EndRoomsPreferTheSecondClass) {
    // Room 1 has the 0x40 class: its first pass skips room 2 (lowered, plain class).
    {
        AiFixture fixture({{0x40, {0, 2, 3, 4, 3}, Road(0, 2)},
                           {0x10, {}, {}},
                           {0x50, {}, {}},
                           {0x50, {}, {}}});
        fixture.SetRoad({1}, 0, {0.5f}, false);
        EXPECT_EQ(lvlAiMap::GetEndRoom(0), 3);
        // The second pass replaces the second candidate: room 2 is met before room 4.
        EXPECT_EQ(lvlAiMap::GetEndRoom(1), 2);
    }

    AiFixture plain({{0, {0, 2, 2}, Road(0, 2)}, {0x10, {}, {}}});
    plain.SetRoad({1}, 0, {0.5f}, false);
    EXPECT_EQ(lvlAiMap::GetEndRoom(0), 2);
    EXPECT_EQ(lvlAiMap::GetEndRoom(1), 2);
}

TEST(AiPath, LanePointsLieBetweenTheKerbs) {
    AiFixture fixture({{0, {}, Road(0, 3)}});
    fixture.SetRoad({1}, 0, {0.5f, 0.25f}, false);
    Vector3 mid = lvlAiMap::GetVertexMulti(1, 0, false);
    EXPECT_FLOAT_EQ(mid.x, 10.0f);
    EXPECT_FLOAT_EQ(mid.z, 5.0f);
    // Reversed, lane 0 takes the last lane value.
    Vector3 quarter = lvlAiMap::GetVertexMulti(2, 0, true);
    EXPECT_FLOAT_EQ(quarter.x, 20.0f);
    EXPECT_FLOAT_EQ(quarter.z, 3.5f);
    Vector3 kerb = lvlAiMap::GetSidewalkVertexMulti(2, 0, false);
    EXPECT_FLOAT_EQ(kerb.z, 2.0f);

    fixture.m_Capture.Take();
    Vector3 bad = lvlAiMap::GetVertexMulti(3, 0, false);
    EXPECT_EQ(bad.x, 0.0f);
    EXPECT_EQ(bad.z, 0.0f);
    lvlAiMap::GetSidewalkVertexMulti(-1, 0, false);
    EXPECT_EQ(fixture.m_Capture.Take(), "Error: lvlAiMap::GetVertexMulti()- Bad Index 3\n"
                         "Error: lvlAiMap::GetSidewalkVertexMulti()- Bad Index -1\n");
}

TEST(AiPath, SidewalkPointAtADistance) {
    AiFixture fixture({{0, {}, Road(0, 2)}});
    fixture.SetRoad({1}, 0, {0.5f}, false);
    // Raw kerb points at x 0 and 10, smoothed by 0.1 towards each other.
    Vector3 point;
    int room = 0;
    ASSERT_TRUE(lvlAiMap::GetSidewalkPointAt(point, room, 0.1f + 1.0f, 0, false));
    EXPECT_FLOAT_EQ(point.x, 1.1f);
    EXPECT_FLOAT_EQ(point.z, 2.0f);
    EXPECT_EQ(room, 1);
    EXPECT_FALSE(lvlAiMap::GetSidewalkPointAt(point, room, 10.5f, 0, false));
}

TEST(AiPath, AccessorsReadTheFlags) {
    AiFixture fixture({{0, {}, Road(0, 2)}});
    fixture.SetRoad({1}, 0x300 | 0x800 | 0x30000, {0.1f, 0.2f, 0.3f}, false);
    EXPECT_EQ(lvlAiMap::GetLaneCount(0), 1);
    EXPECT_EQ(lvlAiMap::GetLaneCount(1), 0);
    EXPECT_EQ(lvlAiMap::GetRailCount(0), 1);
    EXPECT_EQ(lvlAiMap::GetEndCode(0), 2);
    EXPECT_EQ(lvlAiMap::GetEndCode(1), 3);
    EXPECT_EQ(lvlAiMap::GetFlag(0x100), 1);
    EXPECT_EQ(lvlAiMap::GetFlag(0x2), 0);
    // Only bits 0x15 give the kind.
    lvlAiMap::GetRoad(0).m_SideInfo[0] = 0x2A;
    lvlAiMap::GetRoad(0).m_SideInfo[1] = 0x24;
    EXPECT_STREQ(lvlAiMap::GetTrafficLightModel(0), "sp_traflitsingle_f");
    EXPECT_STREQ(lvlAiMap::GetTrafficLightModel(1), "sp_traflitdual_f");
    // With the first lane skipped, lane 0 of the path is lane value 1.
    Vector3 start = lvlAiMap::GetLaneVertex(0, 0, false);
    EXPECT_FLOAT_EQ(start.z, 2.0f + 6.0f * 0.2f);
}

namespace {

std::vector<Matrix34> g_Placements;
std::vector<int> g_PlacementRooms;

void Place(int room, lvlAiScatter*, const Matrix34& placement) {
    g_PlacementRooms.push_back(room);
    g_Placements.push_back(placement);
}

}  // namespace

TEST(AiPath, ScatterPlacesAlongBothSidewalks) {
    AiFixture fixture({{0, {}, Road(0, 2)}});
    fixture.SetRoad({1}, 0, {0.5f}, false);
    g_Placements.clear();
    g_PlacementRooms.clear();
    lvlAiScatter scatter = {1.0f, 4.0f, 4.0f, 0.5f, 0.5f, Place};
    fixture.m_City.ForEachCommand(1, lvlAiMap::Scatter, &scatter);
    // Distances 1, 5 and 9 on each side of a path 10 long; half-way across the sidewalk
    // from the kerb at z 2 to the edge at z 0.
    ASSERT_EQ(g_Placements.size(), 6u);
    EXPECT_EQ(g_PlacementRooms, std::vector<int>(6, 1));
    const float xs[3] = {1, 5, 9};
    for (int i = 0; i < 6; ++i) {
        const Matrix34& m = g_Placements[i];
        EXPECT_FLOAT_EQ(m.d.x, xs[i % 3]);
        EXPECT_FLOAT_EQ(m.d.y, 0.15f);
        EXPECT_FLOAT_EQ(m.d.z, 1.0f);
        EXPECT_FLOAT_EQ(m.a.z, -1.0f);
        EXPECT_FLOAT_EQ(m.b.y, 1.0f);
        EXPECT_FLOAT_EQ(m.c.x, 1.0f);
    }
}

TEST(AiPath, PathNormalIsUpright) {
    AiFixture fixture({{0, {}, Road(0, 2)}});
    // The second cross-section 10 higher: the lane climbs at 45 degrees.
    for (int k = 4; k < 8; ++k) {
        lvlPSDL::sm_Vertices[k].y = 10.0f;
    }
    fixture.SetRoad({1}, 0, {0.5f}, false);
    for (int i : {0, 3}) {
        Vector3 normal = lvlAiMap::GetPathNormal(i);
        EXPECT_NEAR(normal.x, -0.70710678f, 1e-5f) << i;
        EXPECT_NEAR(normal.y, 0.70710678f, 1e-5f) << i;
        EXPECT_EQ(normal.z, 0.0f) << i;
    }
}

TEST(AiPath, PointsFollowTheCrossSectionAndTheFlags) {
    struct Case {
        const char* m_Name;
        std::vector<SDLCODE_T> m_Words;
        uint32_t m_Flags;
        bool m_Direction;
        Vector3 (*m_Point)();
        Vector3 m_Expected;
    };
    const Case cases[] = {
        // Lanes run between the kerbs b and e of a divided road, not across its median.
        {"divided road lane", DividedRoad(2), 0, false,
         [] { return lvlAiMap::GetVertexMulti(1, 0, false); }, Vector3(10, 0, 2 + 6 * 0.25f)},
        {"divided road near sidewalk", DividedRoad(2), 0, false,
         [] { return lvlAiMap::GetSidewalkVertexMulti(0, 1, false); }, Vector3(0, 0, 2)},
        // Far sidewalks of a divided road lie past its median: e and f.
        {"divided road far sidewalk 0", DividedRoad(2), 0x40, false,
         [] { return lvlAiMap::GetSidewalkVertexMulti(0, 0, false); }, Vector3(0, 0, 8)},
        {"divided road far sidewalk 1", DividedRoad(2), 0x40, false,
         [] { return lvlAiMap::GetSidewalkVertexMulti(1, 1, false); }, Vector3(10, 0, 10)},
        {"road far sidewalk 1", Road(0, 2), 0x40, false,
         [] { return lvlAiMap::GetSidewalkVertexMulti(0, 1, false); }, Vector3(0, 0, 10)},
        // Side 0 drawn in 95 % of the way from its kerb towards the kerbs' mid-point.
        {"drawn in", Road(0, 2), 0x400000, false,
         [] { return lvlAiMap::GetSidewalkVertexMulti(1, 0, false); }, Vector3(10, 0, 2 + 3 * 0.95f)},
        {"divided road drawn in", DividedRoad(2), 0x400000, false,
         [] { return lvlAiMap::GetSidewalkVertexMulti(0, 0, false); }, Vector3(0, 0, 2 + 3 * 0.95f)},
        {"not drawn in on side 1", Road(0, 2), 0x400000, false,
         [] { return lvlAiMap::GetSidewalkVertexMulti(1, 1, false); }, Vector3(10, 0, 2)},
        {"not drawn in with 0x4", Road(0, 2), 0x400004, false,
         [] { return lvlAiMap::GetSidewalkVertexMulti(1, 0, false); }, Vector3(10, 0, 2)},
        // Made current with the direction flag, corners are rounded by up to 5 units, a third
        // of the way to the neighbour here; without it by 0.1.
        {"smoothed with the direction flag", Road(0, 2), 0, true,
         [] { return lvlAiMap::GetLaneVertex(1, 0, false); }, Vector3(10 * 0.333f, 0, 3.5f)},
        {"smoothed by at most 5",
         {SDL_TEXTURE, 1, SDL_ROAD | SDL_LAST | 2, 0, 1, 2, 3, 8, 9, 10, 11}, 0, true,
         [] { return lvlAiMap::GetLaneVertex(2, 0, false); }, Vector3(15, 0, 3.5f)},
        {"smoothed without it", Road(0, 2), 0, false,
         [] { return lvlAiMap::GetLaneVertex(1, 0, false); }, Vector3(0.1f, 0, 3.5f)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Name);
        AiFixture fixture({{0, {}, c.m_Words}});
        fixture.SetRoad({1}, c.m_Flags, {0.25f, 0.75f}, c.m_Direction);
        Vector3 point = c.m_Point();
        EXPECT_FLOAT_EQ(point.x, c.m_Expected.x);
        EXPECT_FLOAT_EQ(point.y, c.m_Expected.y);
        EXPECT_FLOAT_EQ(point.z, c.m_Expected.z);
    }
}
