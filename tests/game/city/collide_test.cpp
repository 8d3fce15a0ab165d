#include "city/psdl.h"
#include "phbound/polypair.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"

#include "tests/engine/phbound/meshes.h"
#include "tests/support/child.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// One room: a grass fan over the square (0, 0) to (10, 10) at height 0, turning so that its
// normal points up, with material byte 3.
struct FloorCity {
    FloorCity() {
        const Vector3 points[5] = {{0, -5, 0}, {0, 0, 0}, {0, 0, 10}, {10, 0, 10}, {10, 0, 0}};
        lvlPSDL::AllocateVertices(5);
        for (int i = 0; i < 5; ++i) {
            lvlPSDL::sm_Vertices[i] = points[i];
        }
        lvlPSDL::AllocateTextures(2);
        lvlPSDL::sm_MaterialIndex[1] = 3;
        m_City.AllocateRooms(2);
        const SDLCODE_T words[] = {SDL_TEXTURE, 1, SDL_FAN | SDL_LAST | 2, 1, 2, 3, 4};
        lvlSDL* room = lvlSDL::Create(4, 0);
        room->SetCodes(words, 7);
        for (uint16_t i = 0; i < 4; ++i) {
            room->GetPerimeterEntry(i).m_Vertex = uint16_t(i + 1);
        }
        m_City.m_Rooms[1].reset(room);
    }

    lvlPSDL m_City;
};

// A cube of side 1 round (offsetX, 0, 0) of its own frame.
void MakeCube(TestMesh& cube, float offsetX = 0.0f) {
    for (int i = 0; i < 8; ++i) {
        cube.AddVertex(offsetX + (i & 1 ? 0.5f : -0.5f), i & 2 ? 0.5f : -0.5f,
                       i & 4 ? 0.5f : -0.5f);
    }
    cube.AddFace({0, 1, 3, 2}, Vector3(0, 0, -1));
    cube.AddFace({4, 5, 7, 6}, Vector3(0, 0, 1));
    cube.AddFace({0, 1, 5, 4}, Vector3(0, -1, 0));
    cube.AddFace({2, 3, 7, 6}, Vector3(0, 1, 0));
    cube.AddFace({0, 2, 6, 4}, Vector3(-1, 0, 0));
    cube.AddFace({1, 3, 7, 5}, Vector3(1, 0, 0));
    cube.Finish();
}

// One room holding one road of the given rows along z, one unit apart: sidewalks from x 0 to
// 2 and 8 to 10 (kerb side raised 0.15), carriageway between.
struct RoadCity {
    explicit RoadCity(int rows) {
        const float columns[4] = {0, 2, 8, 10};
        lvlPSDL::AllocateVertices(1 + 4 * rows);
        lvlPSDL::sm_Vertices[0] = Vector3(0, -5, 0);
        std::vector<SDLCODE_T> words = {SDL_TEXTURE, 1, SDL_ROAD | SDL_LAST, SDLCODE_T(rows)};
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < 4; ++c) {
                lvlPSDL::sm_Vertices[1 + 4 * r + c] = Vector3(columns[c], 0, float(r));
                words.push_back(SDLCODE_T(1 + 4 * r + c));
            }
        }
        lvlPSDL::AllocateTextures(3);
        m_City.AllocateRooms(2);
        lvlSDL* room = lvlSDL::Create(0, 0);
        room->SetCodes(words.data(), uint32_t(words.size()));
        m_City.m_Rooms[1].reset(room);
    }

    // A segment test over room 1, down from height / 2 to -height / 2 at (x, z).
    bool Probe(float x, float z, float height, phIsect& isect) {
        phSegmentInfo info;
        info.StartRoom = 1;
        info.EndRoom = 1;
        phSegment segment;
        segment.Set(Vector3(x, 0.5f * height, z), Vector3(x, -0.5f * height, z), phSegment::PROBE,
                    0);
        segment.m_Info = &info;
        return m_City.TestSegmentRooms(segment, &isect, 2.0f);
    }

    lvlPSDL m_City;
};

Matrix34 At(float x, float y, float z) {
    Matrix34 m;
    m.Identity();
    m.d.Set(x, y, z);
    return m;
}

}  // namespace

// The cube falls from 1.3 to 0.3 above the floor: its bottom corners' paths and its upright
// edges cross the floor, all in the fan's first triangle.
TEST(CollidePolyToLevel, SinkingCubeGivesVertexAndEdgeRecords) {
    FloorCity city;
    TestMesh cube;
    MakeCube(cube);
    const int rooms[] = {1};
    std::vector<phIsect> isects(32);
    int count = -1;
    int made = city.m_City.CollidePolyToLevel(&cube, rooms, 1, 42, At(3, 0.3f, 6), At(3, 1.3f, 6),
                                              isects.data(), 32, count, true);
    ASSERT_EQ(made, 8);
    EXPECT_EQ(count, 8);
    int paths = 0;
    for (int i = 0; i < count; ++i) {
        const phIsect& r = isects[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(r.Id, 42u);
        EXPECT_EQ(r.MaterialIndex, 3);
        EXPECT_EQ(r.HitBound, &city.m_City);
        EXPECT_FLOAT_EQ(r.Normal.y, 1.0f);
        EXPECT_NEAR(r.Position.y, 0.0f, 1e-5f);
        EXPECT_NEAR(r.Depth, 0.2f, 1e-5f);
        // The side flag names the end that went under the floor: the record's end when set.
        const Vector3& under = r.FrontSide ? r.SegEnd : r.SegStart;
        const Vector3& over = r.FrontSide ? r.SegStart : r.SegEnd;
        EXPECT_NEAR(under.y, -0.2f, 1e-5f);
        EXPECT_GT(over.y, 0.0f);
        if (r.Flags & phIsect::VertexPath) {
            ++paths;
            EXPECT_NEAR(r.T, 0.8f, 1e-5f);
            EXPECT_EQ(cube.GetVertex(r.FeatureIndex).y, -0.5f);
        } else {
            EXPECT_NE(cube.GetVertex(r.VertexA).y, cube.GetVertex(r.VertexB).y);
        }
    }
    EXPECT_EQ(paths, 4);

    // Without vertex paths only the edges; well away from the floor nothing.
    EXPECT_EQ(city.m_City.CollidePolyToLevel(&cube, rooms, 1, 0, At(3, 0.3f, 6), At(3, 1.3f, 6),
                                             isects.data(), 32, count, false),
              4);
    EXPECT_EQ(city.m_City.CollidePolyToLevel(&cube, rooms, 1, 0, At(3, 3, 6), At(3, 4, 6),
                                             isects.data(), 32, count, true),
              0);
}

// The rooms' polygons are gathered round the cube's centroid, not round its origin 100 units
// away.
TEST(CollidePolyToLevel, PolygonsAreGatheredRoundTheCentroid) {
    FloorCity city;
    TestMesh cube;
    MakeCube(cube, 100.0f);
    const int rooms[] = {1};
    std::vector<phIsect> isects(32);
    int count = -1;
    EXPECT_EQ(city.m_City.CollidePolyToLevel(&cube, rooms, 1, 0, At(-97, 0.3f, 6),
                                             At(-97, 1.3f, 6), isects.data(), 32, count, true),
              8);
}

TEST(CollidePolyToLevel, FullTablesAreReported) {
    FloorCity city;
    TestMesh cube;
    MakeCube(cube);
    ConsoleCapture capture;
    const int rooms[] = {1};
    std::vector<phIsect> isects(32);
    int count = 0;
    EXPECT_EQ(city.m_City.CollidePolyToLevel(&cube, rooms, 1, 0, At(3, 0.3f, 6), At(3, 1.3f, 6),
                                             isects.data(), 3, count, true),
              3);
    EXPECT_EQ(capture.Take(),
              "Warning: CollidePolyToLevel: Completely filled intersection table!\n");

    // Two polygons a room: the 129th listing of the room no longer fits the 256.
    std::vector<int> many(130, 1);
    city.m_City.CollidePolyToLevel(&cube, many.data(), 130, 0, At(3, 0.3f, 6), At(3, 1.3f, 6),
                                   isects.data(), 32, count, false);
    EXPECT_EQ(capture.Take(), "Error: CollidePolyToLevel - buffer overflow, polys lost (room 1)\n"
                              "Error: CollidePolyToLevel - buffer overflow, polys lost (room 1)\n");
}

// A road of two rows between closed rails one unit high, the first row's ends closed.
TEST(RoomPolys, RoadWithClosedRails) {
    const Vector3 points[9] = {{0, -5, 0}, {0, 0, 0},  {2, 0, 0},  {8, 0, 0}, {10, 0, 0},
                               {0, 0, 10}, {2, 0, 10}, {8, 0, 10}, {10, 0, 10}};
    lvlPSDL city;
    lvlPSDL::AllocateVertices(9);
    for (int i = 0; i < 9; ++i) {
        lvlPSDL::sm_Vertices[i] = points[i];
    }
    lvlPSDL::AllocateTextures(3);
    lvlPSDL::sm_MaterialIndex = {0, 4, 5};
    const SDLCODE_T words[] = {SDL_TEXTURE, 1, SDL_EXT | 3, 0x2010, 256, 0,
                               SDL_ROAD | SDL_LAST | 2, 1, 2, 3, 4, 5, 6, 7, 8};
    std::unique_ptr<lvlSDL> room(lvlSDL::Create(0, 0));
    room->SetCodes(words, 15);
    lvlPSDL::SetupSparePool();
    phPolygon polys[16];
    uint32_t cursor = 0;
    ASSERT_EQ(room->BuildRoomPolys(nullptr, polys, 16, &cursor), 9);
    const std::vector<int> materials = {4, 4, 4, 4, 4, 4, 5, 4, 5};
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(polys[k].MaterialIndex, materials[k]) << k;
    }
    // The left rail's middle band: row 1's rail point lies a third of the height outside.
    const phPolygon& band = polys[1];
    const Vector3& far = lvlPSDL::sm_Vertices[band.VertexIndex[0]];
    const Vector3& near = lvlPSDL::sm_Vertices[band.VertexIndex[1]];
    EXPECT_FLOAT_EQ(far.x, -0.333f);
    EXPECT_FLOAT_EQ(far.y, 0.75f);
    EXPECT_FLOAT_EQ(far.z, 10.0f);
    EXPECT_FLOAT_EQ(near.x, 0.0f);
    EXPECT_FLOAT_EQ(near.z, 0.0f);
    // The kerb sides of the sidewalks are raised.
    EXPECT_FLOAT_EQ(lvlPSDL::sm_Vertices[polys[6].VertexIndex[1]].y, 0.15f);
}

// A road of two rows with both sidewalks, then an alley: the road's quads take the sidewalk,
// ground and sidewalk materials; an array too small for the alley stops before it, and the
// cursor resumes there with the road's texture, losing and repeating nothing.
TEST(RoomPolys, ResumeAtTheCommandThatDidNotFit) {
    RoadCity road(2);
    lvlPSDL::AllocateTextures(4);
    lvlPSDL::sm_MaterialIndex = {0, 6, 7, 8};
    const SDLCODE_T words[] = {SDL_TEXTURE, 1, SDL_ROAD | 2, 1, 2, 3, 4, 5, 6, 7, 8,
                               SDL_ALLEY | SDL_LAST | 2, 1, 4, 5, 8};
    lvlSDL& room = *road.m_City.m_Rooms[1];
    room.SetCodes(words, 16);
    lvlPSDL::SetupSparePool();
    phPolygon polys[4];
    uint32_t cursor = 0;
    ASSERT_EQ(room.BuildRoomPolys(nullptr, polys, 3, &cursor), 3);
    EXPECT_EQ(polys[0].MaterialIndex, 7);
    EXPECT_EQ(polys[1].MaterialIndex, 6);
    EXPECT_EQ(polys[2].MaterialIndex, 7);
    EXPECT_EQ(cursor, 11u << 11 | 1u);
    ASSERT_EQ(room.BuildRoomPolys(nullptr, polys, 3, &cursor), 1);
    EXPECT_EQ(polys[0].MaterialIndex, 6);
    EXPECT_EQ(cursor, lvlSDL::EndCursor);
}

// One fan command of 130 triangles cannot be built 128 at a time.
TEST(RoomPolys, PrimitiveLargerThanABatchIsReported) {
    FloorCity city;
    std::vector<SDLCODE_T> words = {SDL_TEXTURE, 1, SDL_FAN | SDL_LAST, 130};
    for (int i = 0; i < 132; ++i) {
        words.push_back(SDLCODE_T(1 + i % 4));
    }
    city.m_City.m_Rooms[1]->SetCodes(words.data(), uint32_t(words.size()));
    ConsoleCapture capture;
    phSegment segment;
    segment.Set(Vector3(4, 10, 3), Vector3(4, -10, 3), phSegment::PROBE, 0);
    phIsect isect;
    lvlPSDL::SetupSparePool();
    EXPECT_FALSE(city.m_City.m_Rooms[1]->CollideSegment(nullptr, segment, &isect, 2.0f, -1.0f));
    EXPECT_EQ(capture.Take(), "Error: CollideSegment: Primitive too large, raise maxPolys\n");
}

// A road row whose kerb vertex lies past the table, as a damaged processed file can hold.
TEST_CHILD(RoomPolysVertexPastTheTable) {
    FloorCity city;
    const SDLCODE_T words[] = {SDL_TEXTURE, 1, SDL_ROAD | SDL_LAST | 2, 1, 60000, 2, 3, 1, 4, 3, 2};
    city.m_City.m_Rooms[1]->SetCodes(words, 11);
    lvlPSDL::SetupSparePool();
    phPolygon polys[16];
    uint32_t cursor = 0;
    city.m_City.m_Rooms[1]->BuildRoomPolys(nullptr, polys, 16, &cursor);
    return 0;
}

TEST(RoomPolys, VertexPastTheTableIsFatal) {
    ExpectFatalChildren({
        {"RoomPolysVertexPastTheTable", "failed in [city/sdlpolybuild"},
    });
}

// A road of 100 rows is one command of 297 polygons, more than a batch of the segment test;
// only the rows near the segment are built, so a ten-unit probe in its middle finds the road.
TEST(TestSegmentRooms, BuildsOnlyThePolygonsNearTheSegment) {
    RoadCity road(100);
    ConsoleCapture capture;
    phIsect isect;
    ASSERT_TRUE(road.Probe(5, 50.5f, 10.0f, isect));
    EXPECT_NEAR(isect.T, 0.5f, 1e-6f);
    EXPECT_NEAR(isect.Position.y, 0.0f, 1e-6f);
    EXPECT_EQ(capture.Take(), "");
}

// The records of a collision with the city stay good through segment tests that reuse the
// spare pool: the sidewalk polygons' raised corners and the contact points read the same.
TEST(CollidePolyToLevel, RecordsOutliveLaterSegmentTests) {
    RoadCity road(20);
    TestMesh cube;
    MakeCube(cube);
    const int rooms[] = {1};
    std::vector<phIsect> isects(32);
    int count = 0;
    road.m_City.CollidePolyToLevel(&cube, rooms, 1, 0, At(1, 0.45f, 5.3f), At(1, 0.45f, 5.3f),
                                   isects.data(), 32, count, false);
    ASSERT_GT(count, 0);
    struct Kept {
        Vector3 corners[4];
        Vector3 contact;
    };
    std::vector<Kept> kept(count);
    int spare = 0;
    for (int i = 0; i < count; ++i) {
        const phPolygon& polygon = *isects[i].Polygon;
        for (int k = 0; k < 4; ++k) {
            kept[i].corners[k] = road.m_City.GetVertex(polygon.VertexIndex[k]);
            spare += polygon.VertexIndex[k] >= lvlPSDL::sm_VertexCount;
        }
        phIsect copy = isects[i];
        ASSERT_TRUE(phIsectComputeContact(copy));
        kept[i].contact = copy.Position;
        // The sidewalk slopes up from 0 at x = 0 to the kerb at x = 2.
        EXPECT_NEAR(copy.Position.y, 0.075f * copy.Position.x, 1e-5f);
    }
    EXPECT_GT(spare, 0);

    phIsect isect;
    ASSERT_TRUE(road.Probe(1, 15.5f, 2.0f, isect));
    ASSERT_TRUE(road.Probe(9, 12.5f, 2.0f, isect));
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        const phPolygon& polygon = *isects[i].Polygon;
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(road.m_City.GetVertex(polygon.VertexIndex[k]).Dist(kept[i].corners[k]),
                      0.0f);
        }
        phIsect copy = isects[i];
        ASSERT_TRUE(phIsectComputeContact(copy));
        EXPECT_EQ(copy.Position.Dist(kept[i].contact), 0.0f);
    }
}
