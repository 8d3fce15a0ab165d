#include "city/ai.h"
#include "city/psdl.h"

#include "tests/game/city/aifixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Primitive {
    int m_Type;
    std::vector<Vector3> m_Points;
    std::vector<uint32_t> m_Colours;
};

class DrawRecorder : public lvlAiDrawer {
public:
    void Begin(int primitive) override {
        EXPECT_FALSE(m_Open);
        m_Open = true;
        m_Primitives.push_back(Primitive{primitive, {}, {}});
    }
    void Vertex(const Vector3& position, uint32_t colour) override {
        ASSERT_TRUE(m_Open);
        m_Primitives.back().m_Points.push_back(position);
        m_Primitives.back().m_Colours.push_back(colour);
    }
    void End() override {
        EXPECT_TRUE(m_Open);
        m_Open = false;
    }

    bool m_Open = false;
    std::vector<Primitive> m_Primitives;
};

// The vertices that mark the two road ends: end 0 at 90 to 93, end 1 the same shape 100
// units along x at 94 to 97. P1 - P3 and P1 - P2 are 3-4-5 triangles, so that the units
// along them are exact.
void MarkRoadEnds(lvlAiRoad& road) {
    const Vector3 end0[4] = {{30, 0, 0}, {26, 0, 3}, {33, 0, 4}, {33, 0, 9}};
    for (int k = 0; k < 4; ++k) {
        lvlPSDL::sm_Vertices[90 + k] = end0[k];
        lvlPSDL::sm_Vertices[94 + k] = end0[k] + Vector3(100, 0, 0);
        road.m_RoadData[k] = uint16_t(90 + k);
        road.m_RoadData[4 + k] = uint16_t(94 + k);
    }
}

void ExpectPoint(const Vector3& actual, const Vector3& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-4f);
    EXPECT_NEAR(actual.y, expected.y, 1e-4f);
    EXPECT_NEAR(actual.z, expected.z, 1e-4f);
}

const std::vector<RoomSpec> OneRoad = {
    {0, {2, 3}, Road(0, 3)}, {0x10, {}, {}}, {0x10, {}, {}}, {0, {}, Fan}};

}  // namespace

TEST(AiDraw, EndLines) {
    struct Case {
        const char* m_Name;
        uint32_t m_Flags;
        int m_End;
        int m_Mode;
        Vector3 m_A;
        Vector3 m_B;
    };
    const Case cases[] = {
        // End code 1: one unit past P3 away from P4, then one unit along P2 to P1.
        {"code 1", 0x400, 0, 1, {33, 0, 3}, {33.8f, 0, 2.4f}},
        {"code 1 moved", 0x400 | 0x800000, 0, 1, {31.8f, 0, 1.4f}, {32.6f, 0, 0.8f}},
        {"end 1 not moved by end 0's flag", 0x10000 | 0x800000, 1, 1, {133, 0, 3}, {133.8f, 0, 2.4f}},
        {"end 1 moved", 0x10000 | 0x1000000, 1, 1, {131.8f, 0, 1.4f}, {132.6f, 0, 0.8f}},
        // Mode 0 takes the other end's vertices, one unit past P4, and never moves.
        {"mode 0", 0x400 | 0x800000, 0, 0, {133, 0, 10}, {133.8f, 0, 9.4f}},
        // Other codes: a unit line across P1, along P1 to P2.
        {"code 2", 0x800, 0, 1, {30.4f, 0, -0.3f}, {29.6f, 0, 0.3f}},
        {"code 0, mode 0", 0x400, 1, 0, {30.4f, 0, -0.3f}, {29.6f, 0, 0.3f}},
        {"code 3", 0x30000, 1, 1, {130.4f, 0, -0.3f}, {129.6f, 0, 0.3f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Name);
        AiFixture fixture(OneRoad);
        lvlAiMap::Allocate(1);
        AiFixture::MakeRoad(lvlAiMap::GetRoad(0), {1}, c.m_Flags, {0.25f, 0.75f});
        MarkRoadEnds(lvlAiMap::GetRoad(0));
        lvlAiMap::SetRoad(&fixture.m_City, 0, true);
        Vector3 a, b;
        lvlAiMap::GetEndLine(c.m_End, c.m_Mode, a, b);
        ExpectPoint(a, c.m_A);
        ExpectPoint(b, c.m_B);
    }
}

TEST(AiDraw, EndMarkersAndRails) {
    AiFixture fixture(OneRoad);
    lvlAiMap::Allocate(3);
    // End 0 has code 1, end 1 code 2; both sides have rails.
    AiFixture::MakeRoad(lvlAiMap::GetRoad(0), {1}, 0x400 | 0x20000 | 0x200, {0.25f, 0.75f});
    MarkRoadEnds(lvlAiMap::GetRoad(0));
    // A road without a path draws nothing; one without lanes on side 0 draws only side 1.
    AiFixture::MakeRoad(lvlAiMap::GetRoad(1), {4}, 0x200, {0.25f, 0.75f});
    AiFixture::MakeRoad(lvlAiMap::GetRoad(2), {1}, 0x200, {0.5f});
    MarkRoadEnds(lvlAiMap::GetRoad(2));

    DrawRecorder recorder;
    lvlAiMap::Draw(&fixture.m_City);
    EXPECT_EQ(fixture.m_Capture.Take(), "");
    AiDrawer = &recorder;
    lvlAiMap::Draw(&fixture.m_City);
    AiDrawer = nullptr;
    EXPECT_EQ(fixture.m_Capture.Take(),
              "Error: lvlAiMap::SetRoad()- no road/alley element found road=1\n");
    EXPECT_FALSE(recorder.m_Open);

    const uint32_t white = 0xFFFFFFFF, red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF;
    const float y = 0.15f;
    const std::vector<Primitive> ends = {
        // Side 0 runs from its last lane point into end 1 (code 2: blue), lifted by 0.15.
        {lvlAiDrawer::LineStrip, {{20, y, 3.5f}, {130.4f, y, -0.3f}, {129.6f, y, 0.3f}}, {white, blue, blue}},
        // The arrow: a, 5 past b away from a, 2.5 to the side of a.
        {lvlAiDrawer::TriangleList, {{130.4f, y, -0.3f}, {125.6f, y, 3.3f}, {131.9f, y, 1.7f}},
         {blue, blue, blue}},
        // Side 1 runs the other way, from the lane point at the road's start into end 0.
        {lvlAiDrawer::LineStrip, {{0, y, 6.5f}, {33, y, 3}, {33.8f, y, 2.4f}}, {white, red, red}},
        {lvlAiDrawer::TriangleList, {{33, y, 3}, {37.8f, y, -0.6f}, {31.5f, y, 1}}, {red, red, red}},
        // Road 2: side 1 only, into end 0 with code 0.
        {lvlAiDrawer::LineStrip, {{0, y, 5}, {30.4f, y, -0.3f}, {29.6f, y, 0.3f}}, {white, green, green}},
        {lvlAiDrawer::TriangleList, {{30.4f, y, -0.3f}, {25.6f, y, 3.3f}, {31.9f, y, 1.7f}},
         {green, green, green}},
    };
    // Rails through every smoothed path vertex: a third of the way to the neighbour.
    const float xs[6] = {0, 3.33f, 6.67f, 13.33f, 16.67f, 20};
    std::vector<std::vector<Vector3>> rails(3);
    for (int j = 0; j < 6; ++j) {
        rails[0].push_back(Vector3(xs[j], y, 3.5f));
        rails[1].push_back(Vector3(xs[5 - j], y, 6.5f));
        rails[2].push_back(Vector3(xs[5 - j], y, 5));
    }

    ASSERT_EQ(recorder.m_Primitives.size(), 9u);
    const int endAt[6] = {0, 1, 2, 3, 6, 7};
    const int railAt[3] = {4, 5, 8};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE("end primitive " + std::to_string(i));
        const Primitive& drawn = recorder.m_Primitives[endAt[i]];
        EXPECT_EQ(drawn.m_Type, ends[i].m_Type);
        ASSERT_EQ(drawn.m_Points.size(), 3u);
        for (int k = 0; k < 3; ++k) {
            ExpectPoint(drawn.m_Points[k], ends[i].m_Points[k]);
        }
        EXPECT_EQ(drawn.m_Colours, ends[i].m_Colours);
    }
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("rail " + std::to_string(i));
        const Primitive& drawn = recorder.m_Primitives[railAt[i]];
        EXPECT_EQ(drawn.m_Type, lvlAiDrawer::LineStrip);
        ASSERT_EQ(drawn.m_Points.size(), 6u);
        for (int j = 0; j < 6; ++j) {
            ExpectPoint(drawn.m_Points[j], rails[i][j]);
            // Opaque, no green, a random red and blue.
            EXPECT_EQ(drawn.m_Colours[j] & 0xFF00FF00, 0xFF000000u);
        }
        EXPECT_NE(drawn.m_Colours[0], drawn.m_Colours[1]);
    }
}
