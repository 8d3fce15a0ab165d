#include "city/psdl.h"

#include "tests/support/child.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// One exported primitive.
struct Record {
    uint32_t m_Kind;
    std::vector<Vector3> m_Points;
};

// A city of the given vertices and texture count with one room of the given words.
struct WordCity {
    WordCity(const std::vector<Vector3>& points, const std::vector<SDLCODE_T>& words,
             uint32_t textures = 8, uint32_t perimeter = 0) {
        lvlPSDL::AllocateVertices(uint32_t(points.size()));
        for (size_t i = 0; i < points.size(); ++i) {
            lvlPSDL::sm_Vertices[i] = points[i];
        }
        lvlPSDL::AllocateTextures(textures);
        lvlPSDL::AllocateFloats(4);
        m_City.AllocateRooms(2);
        lvlSDL* room = lvlSDL::Create(perimeter, 0);
        for (uint32_t i = 0; i < perimeter; ++i) {
            room->GetPerimeterEntry(i).m_Vertex = uint16_t(i);
        }
        room->SetCodes(words.data(), uint32_t(words.size()));
        m_City.m_Rooms[1].reset(room);
        lvlSDL::sm_ViewPoint = Vector3(0, 100, 0);
    }
    lvlSDL& Room() { return *m_City.m_Rooms[1]; }

    std::vector<Record> Export(int lod) {
        std::vector<uint32_t> buffer(4096);
        int count = Room().GetRoomTriangles(lod, buffer.data(), int(buffer.size()));
        std::vector<Record> records;
        const uint32_t* at = buffer.data();
        for (int r = 0; r < count; ++r) {
            Record record{at[0], {}};
            const float* p = reinterpret_cast<const float*>(at + 2);
            for (uint32_t i = 0; i < at[1]; ++i) {
                record.m_Points.emplace_back(p[3 * i], p[3 * i + 1], p[3 * i + 2]);
            }
            at += 2 + 3 * at[1];
            records.push_back(record);
        }
        return records;
    }

    lvlPSDL m_City;
};

// A road of two rows along z: sidewalks 0-2 and 8-10 wide, carriageway between.
const std::vector<Vector3> RoadPoints = {{0, 0, 0},  {2, 0, 0},  {8, 0, 0},  {10, 0, 0},
                                         {0, 0, 10}, {2, 0, 10}, {8, 0, 10}, {10, 0, 10}};

std::vector<SDLCODE_T> Road(SDLCODE_T last = SDL_LAST) {
    return {SDL_TEXTURE, 1, SDLCODE_T(SDL_ROAD | last | 2), 0, 1, 2, 3, 4, 5, 6, 7};
}

std::vector<std::pair<uint32_t, size_t>> Shapes(const std::vector<Record>& records) {
    std::vector<std::pair<uint32_t, size_t>> shapes;
    for (const Record& r : records) {
        shapes.emplace_back(r.m_Kind, r.m_Points.size());
    }
    return shapes;
}

}  // namespace

TEST(RoomTriangles, FanGivesOneRecordOfItsPositions) {
    WordCity city(RoadPoints, {SDL_TEXTURE, 1, SDL_FAN | SDL_LAST | 3, 0, 1, 5, 4, 7});
    std::vector<Record> records = city.Export(3);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].m_Kind, 6u);
    ASSERT_EQ(records[0].m_Points.size(), 5u);
    EXPECT_EQ(records[0].m_Points[2].x, 2.0f);
    EXPECT_EQ(records[0].m_Points[2].z, 10.0f);
    EXPECT_EQ(records[0].m_Points[4].x, 10.0f);
}

// Road pieces by level of detail: one low-detail strip; sidewalks and two carriageway halves;
// and at the highest detail the kerb faces too, the kerb side raised.
TEST(RoomTriangles, RoadPiecesByLevelOfDetail) {
    WordCity city(RoadPoints, Road());
    typedef std::vector<std::pair<uint32_t, size_t>> Shape;
    EXPECT_EQ(Shapes(city.Export(0)), (Shape{{5, 4}}));
    EXPECT_EQ(Shapes(city.Export(2)), (Shape{{5, 4}, {5, 4}, {5, 4}, {5, 4}}));
    std::vector<Record> full = city.Export(3);
    EXPECT_EQ(Shapes(full), (Shape{{5, 4}, {5, 4}, {5, 4}, {5, 4}, {5, 4}, {5, 4}}));
    // Left sidewalk: r0 on the ground, r1 raised; its kerb face from r1 raised down to r1.
    EXPECT_EQ(full[0].m_Points[0].y, 0.0f);
    EXPECT_FLOAT_EQ(full[0].m_Points[1].y, 0.15f);
    EXPECT_FLOAT_EQ(full[1].m_Points[0].y, 0.15f);
    EXPECT_EQ(full[1].m_Points[1].y, 0.0f);
    EXPECT_EQ(full[1].m_Points[1].x, 2.0f);
    // The carriageway halves meet at the centre line.
    EXPECT_EQ(full[4].m_Points[1].x, 5.0f);
    EXPECT_EQ(full[5].m_Points[0].x, 5.0f);
    EXPECT_EQ(full[5].m_Points[1].x, 8.0f);
    EXPECT_EQ(Shapes(city.Export(1)), Shapes(city.Export(0)));
}

// A road or alley of one row makes strips of two vertices, which are not drawn: the batches
// take nothing smaller than a triangle.
TEST(RoomTriangles, OneRowStripsAreLeftOut) {
    WordCity city(RoadPoints, {SDL_TEXTURE, 1, SDL_ROAD | 1, 0, 1, 2, 3, SDL_ALLEY | 1, 0, 1,
                               SDL_FAN | SDL_LAST | 1, 0, 1, 5});
    for (int lod : {0, 3}) {
        std::vector<Record> records = city.Export(lod);
        ASSERT_EQ(records.size(), 1u) << lod;
        EXPECT_EQ(records[0].m_Kind, 6u);
    }
}

TEST(RoomTriangles, RoadWithoutSidewalksHasOnlyItsCarriageway) {
    const std::vector<Vector3> points = {{0, 0, 0}, {10, 0, 0}, {0, 0, 10}, {10, 0, 10}};
    WordCity city(points, {SDL_TEXTURE, 1, SDL_ROAD | SDL_LAST | 2, 0, 0, 1, 1, 2, 2, 3, 3});
    EXPECT_EQ(city.Export(3).size(), 2u);
}

// While the texture is 0 the ground commands make nothing and are stepped over whole; walls,
// facades and skirts still draw, and the walk goes on in step.
TEST(RoomTriangles, TextureZeroSkipsGroundButNotWalls) {
    std::vector<Vector3> points = RoadPoints;
    std::vector<SDLCODE_T> words = {SDL_TEXTURE, 0, SDL_ROAD | 2, 0, 1, 2, 3, 4, 5, 6, 7,
                                    SDL_SIDEWALK | 2, 0, 1, 4, 5, SDL_FAN | 1, 0, 1, 5,
                                    SDL_FACADE | 6, 0, 1, 1, 1, 0, 3,
                                    SDL_TEXTURE | 1, 3, SDL_FAN | SDL_LAST | 1, 0, 1, 5};
    WordCity city(points, words, 300);
    lvlPSDL::sm_Floats[1] = 4.0f;
    lvlSDL::sm_ViewPoint = Vector3(5, 1, 10);
    std::vector<Record> records = city.Export(3);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].m_Kind, 6u) << "the facade";
    EXPECT_EQ(records[0].m_Points[2].y, 4.0f);
    EXPECT_EQ(records[1].m_Points.size(), 3u) << "the fan after texture 259";
}

// Walls, facades and skirts are drawn only when their line faces the eye; crosswalks and flat
// fans only when the eye is at or above them, raised fans when it is at or above their height.
TEST(RoomTriangles, FacingAndSeenFromAbove) {
    std::vector<Vector3> points = {{0, 0, 0}, {10, 0, 0}, {10, 0, 10}, {0, 0, 10}, {0, 2, 0}};
    std::vector<SDLCODE_T> words = {SDL_TEXTURE, 1,
                                    SDL_FACADE | 6, 0, 1, 1, 1, 0, 1,
                                    SDL_SKIRT | 4, 0, 2, 4, 1,
                                    SDL_CROSSWALK | 4, 0, 1, 3, 2,
                                    SDL_FLATFAN | 2, 0, 1, 2, 3,
                                    SDL_RAISEDFAN | SDL_LAST | 2, 3, 0, 1, 2};
    WordCity city(points, words);
    lvlPSDL::sm_Floats = {0.0f, 3.0f, 1.0f, 2.0f};
    struct Case {
        Vector3 m_Eye;
        std::vector<uint32_t> m_Counts;
    };
    const Case cases[] = {
        // In front of the line from vertex 0 to 1 and above everything.
        {{5, 3, 5}, {4, 3, 4, 4, 3}},
        // Exactly at the raised fan's height.
        {{5, 2, 5}, {4, 3, 4, 4, 3}},
        // Behind the walls, below the raised fan but above the ground.
        {{5, 1, -5}, {4, 4}},
        // In front, below the ground.
        {{5, -1, 5}, {4, 3}},
    };
    for (const Case& c : cases) {
        lvlSDL::sm_ViewPoint = c.m_Eye;
        std::vector<uint32_t> counts;
        for (const Record& r : city.Export(3)) {
            counts.push_back(uint32_t(r.m_Points.size()));
        }
        EXPECT_EQ(counts, c.m_Counts) << c.m_Eye.x << "," << c.m_Eye.y << "," << c.m_Eye.z;
    }
}

// A skirt whose one end stands at the base height loses that corner; both ends there, nothing.
TEST(RoomTriangles, SkirtCorners) {
    std::vector<Vector3> points = {{0, 1, 0}, {10, 1, 0}, {10, 0, 0}};
    struct Case {
        SDLCODE_T m_A, m_B;
        size_t m_Records, m_Points;
    };
    const Case cases[] = {{0, 1, 1, 4}, {0, 2, 1, 3}, {2, 1, 1, 3}, {2, 2, 0, 0}};
    for (const Case& c : cases) {
        WordCity city(points, {SDL_TEXTURE, 1, SDL_SKIRT | SDL_LAST | 4, 0, 1, c.m_A, c.m_B});
        lvlPSDL::sm_Floats = {0.0f, 1.0f, 0.0f, 0.0f};
        lvlSDL::sm_ViewPoint = Vector3(5, 5, 5);
        std::vector<Record> records = city.Export(3);
        ASSERT_EQ(records.size(), c.m_Records) << c.m_A << c.m_B;
        if (c.m_Records) {
            EXPECT_EQ(records[0].m_Points.size(), c.m_Points);
        }
    }
}

// A raised median with both end caps: sidewalks and kerbs, two carriageways, two side faces,
// three top bands and two caps at the highest detail.
TEST(RoomTriangles, DividedRoadWithRaisedMedian) {
    std::vector<Vector3> points;
    const float columns[6] = {0, 2, 4.5f, 5.5f, 8, 10};
    for (int r = 0; r < 2; ++r) {
        for (float x : columns) {
            points.emplace_back(x, 0.0f, 10.0f * float(r));
        }
    }
    std::vector<SDLCODE_T> words = {SDL_TEXTURE, 1, SDL_DIVROAD | SDL_LAST | 2,
                                    0xC2 | 4 << 8, 64, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    WordCity city(points, words);
    std::vector<Record> records = city.Export(3);
    ASSERT_EQ(records.size(), 4u + 2u + 2u + 3u + 2u);
    // The middle band lies a quarter unit in from each median edge, a quarter unit up.
    const Record& middle = records[9];
    EXPECT_FLOAT_EQ(middle.m_Points[0].x, 4.75f);
    EXPECT_FLOAT_EQ(middle.m_Points[1].x, 5.25f);
    EXPECT_FLOAT_EQ(middle.m_Points[0].y, 0.25f);
    // The last row's cap runs from r3 to r2.
    EXPECT_EQ(records[12].m_Points[0].x, 5.5f);
    EXPECT_EQ(records[12].m_Points[0].z, 10.0f);
    EXPECT_EQ(city.Export(0).size(), 1u) << "one low-detail strip and no median";
}

TEST(RoomTriangles, BadMedianTypeIsReportedAndTheWalkGoesOn) {
    std::vector<Vector3> points;
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 6; ++c) {
            points.emplace_back(float(2 * c), 0.0f, 10.0f * float(r));
        }
    }
    std::vector<SDLCODE_T> words = {SDL_TEXTURE, 1, SDL_DIVROAD | 2, 7, 0, 0, 1, 2, 3, 4, 5,
                                    6, 7, 8, 9, 10, 11, SDL_FAN | SDL_LAST | 1, 0, 1, 7};
    WordCity city(points, words);
    ConsoleCapture capture;
    EXPECT_EQ(city.Export(3).size(), 4u + 2u + 1u);
    EXPECT_EQ(capture.Take(), "Error: Bad Median Type\n");
}

// Perimeter walls on every edge of a room of 40 corners: edges past the 32 bits of the masks
// are unset; with the back faces, the roof and the trim, each set edge adds its pieces.
TEST(RoomTriangles, PerimeterWallsStopAtTheMaskWidth) {
    std::vector<Vector3> points;
    for (int i = 0; i < 40; ++i) {
        float a = float(i) * 6.2831853f / 40.0f;
        points.emplace_back(20.0f * std::cos(a), 0.0f, 20.0f * std::sin(a));
    }
    struct Case {
        SDLCODE_T m_Flags;
        size_t m_Records;
    };
    const Case cases[] = {{0, 32}, {0x4000, 64}, {8, 33}, {4, 32 + 1 + 32}};
    for (const Case& c : cases) {
        WordCity city(points, {SDL_TEXTURE, 1, SDL_EXT | 0, 10, c.m_Flags, 2 * 256, 0, 3, 0xFFFF, 0xFFFF, 0, 0,
                               0, 0, SDL_FAN | SDL_LAST | 1, 0, 1, 2},
                      8, 40);
        EXPECT_EQ(city.Export(3).size(), c.m_Records + 1) << c.m_Flags;
    }
}

TEST(RoomTriangles, RoofRunsBackwardsFromItsStartEntry) {
    std::vector<Vector3> points = {{0, 0, 0}, {10, 0, 0}, {10, 0, 10}, {0, 0, 10}};
    WordCity city(points, {SDL_TEXTURE, 1, SDL_EXT | 0, 10, 8, 3 * 256, 0, 1, 0, 0, 0, 0, 0, 0,
                           SDL_FAN | SDL_LAST | 1, 0, 1, 2},
                  8, 4);
    std::vector<Record> records = city.Export(3);
    ASSERT_EQ(records.size(), 2u);
    const std::vector<Vector3>& roof = records[0].m_Points;
    ASSERT_EQ(roof.size(), 4u);
    const float xs[4] = {10, 0, 0, 10};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(roof[i].x, xs[i]) << i;
        EXPECT_EQ(roof[i].y, 3.0f);
    }
}

// Rails on a road: open walls on the chosen sides (and their back faces), or closed rails on
// both sides; the road itself follows.
TEST(RoomTriangles, Rails) {
    struct Case {
        SDLCODE_T m_Flags;
        std::vector<size_t> m_Rails;
    };
    const Case cases[] = {
        {1, {4}}, {3, {4, 4}}, {0x4001, {4, 4}}, {0x2000, {8, 8}},
    };
    for (const Case& c : cases) {
        std::vector<SDLCODE_T> words = {SDL_TEXTURE, 1, SDL_EXT | 3, c.m_Flags, 256, 0};
        for (SDLCODE_T w : Road()) {
            words.push_back(w);
        }
        WordCity city(RoadPoints, words);
        std::vector<Record> records = city.Export(3);
        ASSERT_EQ(records.size(), c.m_Rails.size() + 6) << c.m_Flags;
        for (size_t i = 0; i < c.m_Rails.size(); ++i) {
            EXPECT_EQ(records[i].m_Points.size(), c.m_Rails[i]) << c.m_Flags;
        }
    }
}

TEST(RoomTriangles, KerbEndIsOneTriangleAtTheHighestDetail) {
    std::vector<Vector3> points = {{0, 0, 0}, {1, 0, 0}, {0, 0, 5}, {2, 0, 5}};
    for (SDLCODE_T end : {0, 1}) {
        WordCity city(points, {SDL_TEXTURE, 1, SDL_SIDEWALK | SDL_LAST | 2, end, end, 2, 3});
        std::vector<Record> records = city.Export(3);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].m_Kind, 4u);
        ASSERT_EQ(records[0].m_Points.size(), 3u);
        EXPECT_FLOAT_EQ(records[0].m_Points[end == 0 ? 0 : 2].y, 0.15f);
        EXPECT_EQ(records[0].m_Points[1].x, 2.0f);
        EXPECT_TRUE(city.Export(2).empty());
    }
}

TEST_CHILD(ExportPastTheBuffer) {
    WordCity city(RoadPoints, Road());
    uint32_t buffer[20];
    city.Room().GetRoomTriangles(3, buffer, ChildCase() ? 16 : 14);
    return 0;
}

TEST_CHILD(ExportInvalidOpcode) {
    WordCity city(RoadPoints, {SDL_TEXTURE, 1, 13 << 3 | 1, 0});
    uint32_t buffer[20];
    city.Room().GetRoomTriangles(3, buffer, 20);
    return 0;
}

TEST_CHILD(ExportTexturePastTheTable) {
    WordCity city(RoadPoints, {SDL_TEXTURE, 9, SDL_FAN | SDL_LAST | 1, 0, 1, 2});
    uint32_t buffer[20];
    city.Room().GetRoomTriangles(3, buffer, 20);
    return 0;
}

TEST(RoomTriangles, FatalPaths) {
    ExpectFatalChildren({
        {"ExportPastTheBuffer", "Assert(bufsize-=2 >= 0) failed in [city/sdltriangles", "case=0"},
        {"ExportPastTheBuffer", "Assert(bufsize-=3 >= 0) failed in [city/sdltriangles", "case=1"},
        {"ExportInvalidOpcode", "Invalid cmd 105 (13)"},
        {"ExportTexturePastTheTable", "failed in [city/sdlwalk"},
    });
}

TEST(StripTexCoords, RunsForthAndBackInSquaresOfTheWidth) {
    struct Case {
        std::vector<Vector3> m_Points;  // rows of two: rail A, then rail B
        std::vector<float> m_U;
    };
    const Case cases[] = {
        // Width 2 per row, 4 long: 3 squares over 4 units, mirrored on the second segment.
        {{{0, 0, 0}, {2, 0, 0}, {0, 0, 2}, {2, 0, 2}, {0, 0, 4}, {2, 0, 4}}, {0, 1.5f, 0}},
        // All rows at one point: no width.
        {{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, {0, 0}},
        // Shorter than a tenth.
        {{{0, 0, 0}, {2, 0, 0}, {0, 0, 0.05f}, {2, 0, 0.05f}}, {0, 0}},
        // A narrow strip 1000 long would repeat 4000 times: capped at 127 over its longest step.
        {{{0, 0, 0}, {0.5f, 0, 0}, {0, 0, 1000}, {0.5f, 0, 1000}}, {0, 127}},
    };
    for (const Case& c : cases) {
        WordCity city(c.m_Points, {});
        std::vector<SDLCODE_T> words;
        for (size_t i = 0; i < c.m_Points.size(); ++i) {
            words.push_back(SDLCODE_T(i));
        }
        std::vector<float> u(c.m_U.size(), -1.0f);
        lvlSDL::StripTexCoords(u.data(), words.data(), 2, int(u.size()), 1);
        for (size_t i = 0; i < u.size(); ++i) {
            EXPECT_FLOAT_EQ(u[i], c.m_U[i]) << i;
        }
    }
}

TEST(RailTexCoords, WholeRepeatsOfTheUnit) {
    WordCity city({{0, 0, 0}, {1, 0, 0}, {3, 0, 0}}, {});
    const SDLCODE_T words[] = {0, 1, 2};
    struct Case {
        float m_Unit;
        float m_U[3];
    };
    const Case cases[] = {{1.0f, {0, 1, 3}}, {2.0f, {0, 2.0f / 3.0f, 2}}, {0.0f, {0, 0, 0}}};
    for (const Case& c : cases) {
        float u[3] = {-1, -1, -1};
        lvlSDL::RailTexCoords(u, words, c.m_Unit, 3, 1);
        for (int i = 0; i < 3; ++i) {
            EXPECT_FLOAT_EQ(u[i], c.m_U[i]) << c.m_Unit << " " << i;
        }
    }
}

TEST(ColorMultiply, ChannelsMultiplyAndWhiteKeepsTheOther) {
    struct Case {
        uint32_t m_A, m_B, m_Product;
    };
    const Case cases[] = {
        {0xFF808080, 0xFF808080, 0xFF404040},
        {0xFFFFFFFF, 0x12345678, 0x12345678},
        {0x12345678, 0xFFFFFFFF, 0x12345678},
        {0x00FF0000, 0x80FFFFFF, 0xFFFE0000},
        {0xFF102030, 0xFF000000, 0xFF000000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ColorMultiply(c.m_A, c.m_B), c.m_Product) << std::hex << c.m_A << " " << c.m_B;
    }
    EXPECT_EQ(ColorMultiply3(0xFF808080, 0xFFFFFFFF, 0xFF808080), 0xFF404040u);
}
