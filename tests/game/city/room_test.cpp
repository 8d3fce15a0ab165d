#include "city/psdl.h"

#include "tests/support/child.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// A city whose vertex table holds the points, and one room per outline.
struct RoomFixture {
    RoomFixture(const std::vector<Vector3>& points,
                const std::vector<std::vector<uint16_t>>& outlines) {
        lvlPSDL::AllocateVertices(uint32_t(points.size()));
        for (size_t i = 0; i < points.size(); ++i) {
            lvlPSDL::sm_Vertices[i] = points[i];
        }
        m_City.AllocateRooms(uint32_t(outlines.size() + 1));
        for (size_t r = 0; r < outlines.size(); ++r) {
            lvlSDL* room = lvlSDL::Create(uint32_t(outlines[r].size()), 0);
            for (size_t i = 0; i < outlines[r].size(); ++i) {
                room->GetPerimeterEntry(uint32_t(i)).m_Vertex = outlines[r][i];
            }
            m_City.m_Rooms[r + 1].reset(room);
        }
    }
    lvlSDL& Room(int room) { return *m_City.m_Rooms[room]; }

    lvlPSDL m_City;
};

const std::vector<Vector3> SquarePoints = {
    {0, 1, 0}, {10, 2, 0}, {10, 3, 10}, {0, 4, 10}, {0, 0, 0}, {5, 0, 0}, {10, 0, 0}};

}  // namespace

TEST(Room, CentroidAndBoundingCircleOfASquare) {
    RoomFixture fixture(SquarePoints, {{0, 1, 2, 3}});
    Vector3 centroid;
    fixture.Room(1).GetRoomCentroid(centroid);
    EXPECT_FLOAT_EQ(centroid.x, 5.0f);
    EXPECT_FLOAT_EQ(centroid.y, 2.5f);
    EXPECT_FLOAT_EQ(centroid.z, 5.0f);
    Vector3 centre;
    float radius = 0.0f;
    fixture.Room(1).GetBoundingCircle(centre, radius);
    // Every corner lies 7.07 away in x-z; the one at y 4 is farthest.
    EXPECT_FLOAT_EQ(radius, std::sqrt(50.0f + 1.5f * 1.5f));
}

TEST(Room, DegenerateRoomsReportAndFallBack) {
    RoomFixture fixture(SquarePoints, {{4, 5, 6}, {}});
    ConsoleCapture capture;
    Vector3 centroid;
    fixture.Room(1).GetRoomCentroid(centroid);
    EXPECT_EQ(centroid.x, 0.0f);
    EXPECT_EQ(centroid.z, 0.0f);
    fixture.Room(2).GetRoomCentroid(centroid);
    EXPECT_EQ(centroid.x, 0.0f);
    EXPECT_EQ(centroid.y, 0.0f);
    EXPECT_EQ(capture.Take(), "Error: lvlSDL::GetRoomCentroid: Room is degenerate.\n"
                         "Error: lvlSDL::GetRoomCentroid: Room is degenerate.\n");
}

TEST(Room, PointInRoomUsesTheHalfOpenRule) {
    RoomFixture fixture(SquarePoints, {{0, 1, 2, 3}, {}});
    struct Case {
        float m_X, m_Z;
        bool m_Inside;
    };
    const Case cases[] = {
        {5, 5, true}, {10, 5, false}, {11, 5, false}, {0, 5, true}, {5, 0, true}, {5, 10, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fixture.Room(1).IsPointInRoom(c.m_X, c.m_Z), c.m_Inside) << c.m_X << "," << c.m_Z;
    }
    EXPECT_FALSE(fixture.Room(2).IsPointInRoom(5, 5));
}

TEST(Room, SnapsToCornersFirstThenEdges) {
    RoomFixture fixture(SquarePoints, {{0, 1, 2, 3}});
    struct Case {
        const char* m_Name;
        Vector3 m_Point;
        bool m_Snaps;
        Vector3 m_Expected;
    };
    const Case cases[] = {
        {"near a corner", {10.03f, 2.0f, 0.04f}, true, {10, 2, 0}},
        // Off the edge x = 10 at its middle: the projection, with y half-way.
        {"near an edge", {10.05f, 0.0f, 5.0f}, true, {10, 2.5f, 5}},
        {"far away", {20, 0, 20}, false, {20, 0, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Name);
        Vector3 point = c.m_Point;
        EXPECT_EQ(fixture.Room(1).SnapToPerimeter(point, 0.1f), c.m_Snaps);
        EXPECT_FLOAT_EQ(point.x, c.m_Expected.x);
        EXPECT_FLOAT_EQ(point.y, c.m_Expected.y);
        EXPECT_FLOAT_EQ(point.z, c.m_Expected.z);
    }
}

TEST(Room, FindRoomByIdGivesTheHighestMatch) {
    RoomFixture fixture(SquarePoints, {{}, {}, {}});
    fixture.m_City.m_RoomIds = {7, 7, 5, 7};
    EXPECT_EQ(fixture.m_City.FindRoomById(7), 3);
    EXPECT_EQ(fixture.m_City.FindRoomById(5), 2);
    // Slot 0 is never a room.
    fixture.m_City.m_RoomIds = {9, 0, 0, 0};
    EXPECT_EQ(fixture.m_City.FindRoomById(9), 0);
    fixture.m_City.m_RoomIds.clear();
    EXPECT_EQ(fixture.m_City.FindRoomById(0), 0);
}

TEST(SparePool, HandsOutTheEntriesAfterTheCity) {
    lvlPSDL::AllocateVertices(3);
    lvlPSDL::SetupSparePool();
    EXPECT_EQ(lvlPSDL::AddSpareVertex(Vector3(1, 2, 3)), 3);
    EXPECT_EQ(lvlPSDL::AddSpareVertex(Vector3(4, 5, 6)), 4);
    EXPECT_EQ(lvlPSDL::sm_Vertices[4].y, 5.0f);
    EXPECT_EQ(lvlPSDL::sm_Available, 510u);
    lvlPSDL::SetupSparePool();
    EXPECT_EQ(lvlPSDL::AddSpareVertex(Vector3(7, 8, 9)), 3);
}

TEST_CHILD(SparePoolExhausted) {
    lvlPSDL::AllocateVertices(3);
    lvlPSDL::SetupSparePool();
    for (uint32_t i = 0; i <= lvlPSDL::SpareVertices; ++i) {
        lvlPSDL::AddSpareVertex(Vector3(0, 0, 0));
    }
    return 0;
}

TEST(SparePool, ExhaustionIsFatal) {
    ExpectFatalChild("SparePoolExhausted", "Assert(sm_Available > 0) failed in [city/psdl");
}

// Rooms made together share blocks: each gets its own zeroed outline and words, a room larger
// than a block gets one of its own, and a pooled room whose words change size still works.
TEST(RoomPool, RoomsKeepTheirOwnOutlinesAndWords) {
    const uint32_t sizes[][2] = {{4, 10}, {0, 0}, {3, 40000}, {1, 1}, {200, 9000}, {5, 70000},
                                 {2, 3},  {0, 5}, {7, 0},     {4, 12}};
    lvlPSDL city;
    for (int round = 0; round < 2; ++round) {
        uint32_t rooms = 300;
        city.AllocateRooms(rooms + 1);
        for (uint32_t r = 1; r <= rooms; ++r) {
            const uint32_t* size = sizes[r % 10];
            lvlSDL* room = city.m_RoomPool.Create(size[0], size[1]);
            city.m_Rooms[r].reset(room);
            ASSERT_EQ(room->GetPerimeterCount(), size[0]);
            ASSERT_EQ(room->GetCodeCount(), size[1]);
            for (uint32_t i = 0; i < size[0]; ++i) {
                ASSERT_EQ(room->GetPerimeterEntry(i).m_Vertex, 0);
                room->GetPerimeterEntry(i) = lvlPerimeterEntry{uint16_t(r), uint16_t(i)};
            }
            for (uint32_t i = 0; i < size[1]; ++i) {
                ASSERT_EQ(room->GetCodes()[i], 0);
                room->GetCodes()[i] = SDLCODE_T(r + i);
            }
        }
        // A room that grows its words moves them out of the pool.
        const SDLCODE_T grown[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
        city.m_Rooms[10]->SetCodes(grown, 13);
        for (uint32_t r = 1; r <= rooms; ++r) {
            const lvlSDL* room = city.m_Rooms[r].get();
            for (uint32_t i = 0; i < room->GetPerimeterCount(); ++i) {
                ASSERT_EQ(room->GetPerimeterEntry(i).m_Vertex, r) << r;
                ASSERT_EQ(room->GetPerimeterEntry(i).m_Neighbour, i) << r;
            }
            for (uint32_t i = 0; r != 10 && i < room->GetCodeCount(); ++i) {
                ASSERT_EQ(room->GetCodes()[i], SDLCODE_T(r + i)) << r;
            }
        }
        EXPECT_EQ(city.m_Rooms[10]->GetCodes()[12], 13);
        // A room of its own allocation takes a pooled one's place.
        city.m_Rooms[3].reset(lvlSDL::Create(2, 2));
    }
}
