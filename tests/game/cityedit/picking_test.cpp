#include "city/psdl.h"
#include "data/asset.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

const uint32_t Grass = 4;

// The demo city compiled from its description; room 1 is a grass fan over the square from
// (0, 0) to (10, 10) at height 0, turning clockwise seen from above.
class Picking : public ::testing::Test {
protected:
    Picking() {
        datAssetManager::SetPath(SourcePath("tests/data/oddcity").c_str());
        m_City.LoadSDL("demo");
        m_Capture.Take();
        lvlPSDL::sm_MaterialIndex[Grass] = 3;
        m_Cache.reset(m_City.CreatePolygonCache());
        m_Info.PolygonCache = m_Cache.get();
    }

    phSegment Vertical(float x, float z, int startRoom, int endRoom) {
        phSegment segment;
        segment.Set(Vector3(x, 10.0f, z), Vector3(x, -10.0f, z), phSegment::PROBE, 7);
        m_Info.StartRoom = startRoom;
        m_Info.EndRoom = endRoom;
        segment.m_Info = &m_Info;
        return segment;
    }

    ConsoleCapture m_Capture;
    lvlPSDL m_City;
    std::unique_ptr<phPolygonCache> m_Cache;
    phSegmentInfo m_Info;
};

void ExpectFloorHit(const phIsect& isect, float x, float z) {
    EXPECT_FLOAT_EQ(isect.Position.x, x);
    EXPECT_FLOAT_EQ(isect.Position.y, 0.0f);
    EXPECT_FLOAT_EQ(isect.Position.z, z);
    EXPECT_FLOAT_EQ(isect.T, 0.5f);
    // The fan turns clockwise seen from above, so its normal points down.
    EXPECT_FLOAT_EQ(isect.Normal.x, 0.0f);
    EXPECT_FLOAT_EQ(isect.Normal.y, -1.0f);
    EXPECT_FLOAT_EQ(isect.Normal.z, 0.0f);
    EXPECT_EQ(isect.MaterialIndex, 3);
}

}  // namespace

TEST_F(Picking, EditorPickHitsOnlyTheRoomUnderTheSegment) {
    for (uint32_t room = 1; room < m_City.m_RoomCount; ++room) {
        SCOPED_TRACE("room " + std::to_string(room));
        phSegment segment = Vertical(4.0f, 3.0f, 0, 0);
        phIsect isect;
        lvlPSDL::SetupSparePool();
        bool hit = m_City.m_Rooms[room]->CollideSegment(nullptr, segment, &isect, 2.0f, -1.0f);
        EXPECT_EQ(hit, room == 1);
        if (hit) {
            ExpectFloorHit(isect, 4.0f, 3.0f);
            EXPECT_EQ(isect.User, 7u);
            EXPECT_EQ(isect.HitBound, &m_City);
        }
    }
    EXPECT_EQ(m_Capture.Take(), "");
}

TEST_F(Picking, SegmentOverRoomsUsesItsRoomsAndItsCache) {
    phIsect isect;
    phSegment segment = Vertical(4.0f, 3.0f, 1, 1);
    ASSERT_TRUE(m_City.TestSegmentRooms(segment, &isect, 2.0f));
    ExpectFloorHit(isect, 4.0f, 3.0f);
    ASSERT_TRUE(m_Info.CacheValid);
    EXPECT_EQ(lvlPSDL::sm_Available, lvlPSDL::SpareVertices);

    // The cached polygon answers without the rooms.
    phIsect again;
    m_Info.StartRoom = m_Info.EndRoom = 0;
    ASSERT_TRUE(m_City.TestSegmentRooms(segment, &again, 2.0f));
    ExpectFloorHit(again, 4.0f, 3.0f);

    // Outside the room: the cache misses, the room has nothing there.
    phSegment outside = Vertical(-5.0f, -5.0f, 1, 1);
    EXPECT_FALSE(m_City.TestSegmentRooms(outside, &isect, 2.0f));
    EXPECT_FALSE(m_Info.CacheValid);
    phSegment nowhere = Vertical(4.0f, 3.0f, 0, 0);
    EXPECT_FALSE(m_City.TestSegmentRooms(nowhere, &isect, 2.0f));

    // Ends in two rooms: the start room's hit stays when the end room has none.
    phSegment across;
    across.Set(Vector3(4.0f, 10.0f, 3.0f), Vector3(4.0f, -10.0f, 3.0f), phSegment::PROBE, 0);
    m_Info.StartRoom = 1;
    m_Info.EndRoom = 5;
    across.m_Info = &m_Info;
    ASSERT_TRUE(m_City.TestSegmentRooms(across, &isect, 2.0f));
    ExpectFloorHit(isect, 4.0f, 3.0f);
    EXPECT_TRUE(m_Info.CacheValid);
}

TEST_F(Picking, EveryRoomBuildsItsPolygonsAndResumes) {
    phPolygon polys[64];
    int total = 0;
    for (uint32_t room = 1; room < m_City.m_RoomCount; ++room) {
        lvlPSDL::SetupSparePool();
        uint32_t cursor = 0;
        total += m_City.m_Rooms[room]->BuildRoomPolys(nullptr, polys, 64, &cursor);
        EXPECT_EQ(cursor, lvlSDL::EndCursor) << room;
    }
    EXPECT_GT(total, 0);
    // The road's first command needs three quads: one at a time stops before it.
    lvlPSDL::SetupSparePool();
    uint32_t cursor = 0;
    EXPECT_EQ(m_City.m_Rooms[2]->BuildRoomPolys(nullptr, polys, 1, &cursor), 0);
    EXPECT_EQ(cursor, 2u << 11 | 1);
    EXPECT_EQ(m_City.m_Rooms[2]->BuildRoomPolys(nullptr, polys, 3, &cursor), 3);
    EXPECT_NE(cursor, lvlSDL::EndCursor);
    EXPECT_EQ(m_City.m_Rooms[2]->BuildRoomPolys(nullptr, polys, 3, &cursor), 1);
    EXPECT_EQ(cursor, lvlSDL::EndCursor);
    EXPECT_EQ(m_Capture.Take(), "");
}

TEST_F(Picking, StripPairsMakeTrianglesAndRaisedCorners) {
    lvlPSDL::SetupSparePool();
    phPolygon poly;
    const int pairs[4] = {0, 1, 2, 1};
    const float flat[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    lvlSDL::MakeStripPoly(poly, 5, pairs, flat);
    EXPECT_EQ(poly.VertexIndex[0], 0);
    EXPECT_EQ(poly.VertexIndex[1], 1);
    EXPECT_EQ(poly.VertexIndex[2], 2);
    EXPECT_EQ(poly.VertexIndex[3], 0);
    EXPECT_EQ(poly.MaterialIndex, 5);

    const int quad[4] = {0, 1, 3, 2};
    const float raised[4] = {0.15f, 0.0f, 0.0f, 0.0f};
    lvlSDL::MakeStripPoly(poly, 1, quad, raised);
    uint32_t spare = lvlPSDL::sm_VertexCount;
    EXPECT_EQ(poly.VertexIndex[0], spare);
    EXPECT_FLOAT_EQ(lvlPSDL::sm_Vertices[spare].y, 0.15f);
    EXPECT_EQ(poly.VertexIndex[1], 1);
    EXPECT_EQ(poly.VertexIndex[2], 2);
    EXPECT_EQ(poly.VertexIndex[3], 3);

    // Vertex 0 as the fourth corner would make a triangle: the quad starts there instead.
    const int last[4] = {1, 2, 0, 3};
    lvlSDL::MakeStripPoly(poly, 1, last, flat);
    EXPECT_EQ(poly.NumSides(), 4);
    EXPECT_EQ(poly.VertexIndex[0], 0);
    EXPECT_EQ(poly.VertexIndex[1], 1);
    EXPECT_EQ(poly.VertexIndex[2], 2);
    EXPECT_EQ(poly.VertexIndex[3], 3);
    EXPECT_FLOAT_EQ(poly.Normal.y, -1.0f);
}

TEST_CHILD(RefusedLevelOperation) {
    std::string which = __argv[__argc - 1];
    if (which == "second") {
        lvlPSDL first;
        lvlPSDL second;
        return 0;
    }
    lvlPSDL city;
    phSegment segment;
    phIsect isect;
    if (which == "isects") {
        city.TestSegmentIsects(segment, &isect, 1);
    } else if (which == "hits") {
        city.SegmentHits(segment);
    } else {
        city.TestSegmentRooms(segment, &isect, 2.0f);
    }
    return 0;
}

TEST(PickingFailures, RefusalsAreFatal) {
    const struct {
        const char* m_Which;
        const char* m_Message;
    } cases[] = {
        {"second", "Assert(!sm_Instance) failed in [phys/levelbound"},
        {"isects", "Assert(0) failed in [city/psdl"},
        {"hits", "Assert(0) failed in [city/psdl"},
        {"noinfo", "Assert(seg.m_Info) failed in [city/psdlcollide"},
    };
    for (const auto& c : cases) {
        ChildResult result = RunChild("RefusedLevelOperation", c.m_Which);
        EXPECT_NE(result.m_ExitCode, 0) << c.m_Which;
        EXPECT_NE(result.m_Output.find(c.m_Message), std::string::npos) << result.m_Output;
    }
}

TEST_F(Picking, LoadComputesTheBoundsOfTheVertexTable) {
    EXPECT_EQ(m_City.Type, int(phBound::LEVEL));
    EXPECT_FLOAT_EQ(m_City.BoxMin.y, -0.3f);
    EXPECT_FLOAT_EQ(m_City.BoxMax.x, 40.0f);
    EXPECT_FLOAT_EQ(m_City.BoxMax.z, 30.0f);
    // The sphere's centre is the bound's centroid offset.
    EXPECT_TRUE(m_City.HasCentroidOffset());
    EXPECT_NEAR(m_City.CentroidOffset.x, 20.0f, 1e-3f);
    EXPECT_NEAR(m_City.CentroidOffset.z, 15.0f, 1e-3f);
    EXPECT_NEAR(m_City.RadiusAroundCentroid, 25.0f, 1e-3f);
    EXPECT_EQ(&m_City.GetVertex(13), &lvlPSDL::sm_Vertices[13]);
}

TEST(SideTest, EyeOnTheNegativeSideOfTheLine) {
    const Vector3 a(0.0f, 0.0f, 0.0f);
    const Vector3 b(10.0f, 0.0f, 0.0f);
    const struct {
        float m_X, m_Z;
        bool m_Behind;
    } cases[] = {{5, -1, true}, {5, 1, false}, {20, 0, false}};
    for (const auto& c : cases) {
        lvlSDL::sm_ViewPoint.Set(c.m_X, 3.0f, c.m_Z);
        EXPECT_EQ(lvlSDL::IsBackFacing(a, b), c.m_Behind) << c.m_X << "," << c.m_Z;
    }
}

namespace {

// The segment against every polygon of the room, as the room builds them, with no box to pass
// first: hit or not, and the point of the nearest hit.
bool BruteForceHit(const lvlSDL& room, const phSegment& segment, Vector3& position) {
    phPolygon polys[128];
    lvlPSDL::SetupSparePool();
    uint32_t cursor = 0;
    bool hit = false;
    float nearest = 0.0f;
    while (cursor != lvlSDL::EndCursor) {
        if (cursor != 0) {
            lvlPSDL::SetupSparePool();
        }
        int count = room.BuildRoomPolys(nullptr, polys, 128, &cursor);
        for (int k = 0; k < count; ++k) {
            phIsect record;
            if (polys[k].TestSegment(lvlPSDL::sm_Vertices.data(), segment, record, 2.0f, -1.0f) &&
                (!hit || record.T < nearest)) {
                hit = true;
                nearest = record.T;
                position = record.Position;
            }
        }
    }
    return hit;
}

// The bundled demo district: roads, a divided road, an alley, sidewalks and buildings.
class RoomBoxes : public ::testing::Test {
protected:
    RoomBoxes() {
        datAssetManager::SetPath(SourcePath("assets").c_str());
        m_City.LoadSDL("demo");
        m_Capture.Take();
    }

    ConsoleCapture m_Capture;
    lvlPSDL m_City;
};

}  // namespace

// Random segments, from far above and from the side, some aimed at the rooms' own corners where
// a hit lies on a box's face: each room answers as the brute-force test of all its polygons
// does, and so does the first room that is hit, as the editor's ground point takes it.
TEST_F(RoomBoxes, SegmentTestsAnswerAsEveryPolygonDoes) {
    ASSERT_GT(m_City.m_RoomCount, 20u);
    std::mt19937 random(35);
    std::uniform_real_distribution<float> across(-180.0f, 180.0f);
    std::uniform_real_distribution<float> height(-5.0f, 400.0f);
    std::uniform_real_distribution<float> jitter(-0.01f, 0.01f);
    int hits = 0;
    int firstHits = 0;
    for (int n = 0; n < 400; ++n) {
        Vector3 start(across(random), height(random), across(random));
        Vector3 end(across(random), height(random) - 200.0f, across(random));
        if (n % 3 == 0) {
            // Through a corner of a room, on past it.
            const lvlSDL* room = m_City.GetRoom(1 + int(random() % (m_City.m_RoomCount - 1)));
            Vector3 corner = *room->GetVertex(room->GetPerimeterVertex(
                uint32_t(random() % room->GetPerimeterCount())));
            corner += Vector3(jitter(random), 0.0f, jitter(random));
            end = start + (corner - start) * 1.5f;
        }
        phSegment segment;
        segment.Set(start, end, phSegment::PROBE, 0);
        int first = 0;
        int expectedFirst = 0;
        for (uint32_t r = 1; r < m_City.m_RoomCount; ++r) {
            const lvlSDL& room = *m_City.GetRoom(int(r));
            Vector3 expected;
            bool expectedHit = BruteForceHit(room, segment, expected);
            lvlPSDL::SetupSparePool();
            phIsect isect;
            bool hit = room.CollideSegment(nullptr, segment, &isect, 2.0f, -1.0f);
            ASSERT_EQ(hit, expectedHit) << "segment " << n << " room " << r;
            if (hit) {
                ++hits;
                EXPECT_EQ(isect.Position.x, expected.x);
                EXPECT_EQ(isect.Position.y, expected.y);
                EXPECT_EQ(isect.Position.z, expected.z);
                first = first ? first : int(r);
            }
            expectedFirst = expectedFirst || !expectedHit ? expectedFirst : int(r);
        }
        EXPECT_EQ(first, expectedFirst) << "segment " << n;
        firstHits += first != 0;
    }
    // The cases reach both answers often.
    EXPECT_GT(hits, 200);
    EXPECT_GT(firstHits, 100);
    EXPECT_LT(firstHits, 390);
    EXPECT_EQ(m_Capture.Take(), "");
}

// A room's box is the one of its words as they are now: new words move it.
TEST_F(RoomBoxes, NewWordsMoveTheBox) {
    lvlSDL& room = *m_City.GetRoom(1);
    const lvlSDL& other = *m_City.GetRoom(int(m_City.m_RoomCount) - 1);
    Vector3 here;
    Vector3 there;
    room.GetRoomCentroid(here);
    other.GetRoomCentroid(there);
    auto down = [](const Vector3& point) {
        phSegment segment;
        segment.Set(point + Vector3(0.0f, 500.0f, 0.0f), point - Vector3(0.0f, 50.0f, 0.0f),
                    phSegment::PROBE, 0);
        return segment;
    };
    auto hits = [&](phSegment segment) {
        lvlPSDL::SetupSparePool();
        phIsect isect;
        return room.CollideSegment(nullptr, segment, &isect, 2.0f, -1.0f);
    };
    ASSERT_TRUE(hits(down(here)));
    ASSERT_FALSE(hits(down(there)));
    std::vector<SDLCODE_T> words(other.GetCodes(), other.GetCodes() + other.GetCodeCount());
    room.SetCodes(words.data(), uint32_t(words.size()));
    EXPECT_FALSE(hits(down(here)));
    EXPECT_TRUE(hits(down(there)));
}
