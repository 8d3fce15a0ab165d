#include "phcore/debuglines.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/bytes.h"
#include "data/debuglog.h"
#include "phcore/isect.h"
#include "tests/support/scratch.h"

namespace {

// Records what the render asks of the drawing layer.
class RecordingDrawer : public phDebugLineDrawer {
public:
    struct Line {
        uint32_t colour;
        Vector3 from;
        Vector3 to;
    };

    bool Enable(int capability, bool on) override {
        EXPECT_EQ(capability, LIGHTING);
        bool previous = m_Lighting;
        m_Lighting = on;
        return previous;
    }
    void LoadIdentity() override { m_Identity = true; }
    void UnbindTextures() override { m_Unbound = true; }
    void Color(uint32_t colour) override { m_Colour = colour; }
    void Begin(int primitive) override {
        EXPECT_EQ(primitive, LINE_LIST);
        EXPECT_FALSE(m_Lighting);
        EXPECT_TRUE(m_Identity);
        EXPECT_TRUE(m_Unbound);
        m_Vertices.clear();
    }
    void Vertex(float x, float y, float z) override { m_Vertices.push_back(Vector3(x, y, z)); }
    void End() override {
        ASSERT_EQ(m_Vertices.size(), 2u);
        m_Lines.push_back({m_Colour, m_Vertices[0], m_Vertices[1]});
    }

    bool m_Lighting = true;
    bool m_Identity = false;
    bool m_Unbound = false;
    uint32_t m_Colour = 0;
    std::vector<Vector3> m_Vertices;
    std::vector<Line> m_Lines;
};

class DebugLinesTest : public ::testing::Test {
protected:
    void SetUp() override {
        phDebugLineCount = 0;
        DebugLineDrawer = &m_Drawer;
    }
    void TearDown() override {
        DebugLineDrawer = nullptr;
        phDebugLineCount = 0;
    }

    RecordingDrawer m_Drawer;
};

TEST_F(DebugLinesTest, TheFullListDropsFurtherLinesAndDrawsTheRestInOrder) {
    for (int i = 0; i <= MAX_DEBUG_LINES; ++i) {
        phDebugLineAdd(Vector3((float)i, 0, 0), Vector3(0, (float)i, 0), 0xFF000000u + i);
    }
    EXPECT_EQ(phDebugLineCount, MAX_DEBUG_LINES);

    phDebugLineRender(true);
    ASSERT_EQ(m_Drawer.m_Lines.size(), (size_t)MAX_DEBUG_LINES);
    for (int i = 0; i < MAX_DEBUG_LINES; ++i) {
        const RecordingDrawer::Line& line = m_Drawer.m_Lines[i];
        ASSERT_EQ(line.colour, 0xFF000000u + i);
        ASSERT_EQ(line.from.x, (float)i);
        ASSERT_EQ(line.to.y, (float)i);
    }
    EXPECT_EQ(phDebugLineCount, 0);
}

TEST_F(DebugLinesTest, RenderKeepsOrClearsTheListAndRestoresLighting) {
    phDebugLineAdd(Vector3(0, 0, 0), Vector3(1, 0, 0), 0xFFFF0000u);
    phDebugLineAdd(Vector3(0, 0, 0), Vector3(0, 1, 0), 0xFF00FF00u);

    phDebugLineRender(false);
    EXPECT_TRUE(m_Drawer.m_Lighting);
    phDebugLineRender(false);
    ASSERT_EQ(m_Drawer.m_Lines.size(), 4u);
    EXPECT_EQ(m_Drawer.m_Lines[2].colour, 0xFFFF0000u);
    EXPECT_EQ(m_Drawer.m_Lines[3].colour, 0xFF00FF00u);
    EXPECT_EQ(phDebugLineCount, 2);

    m_Drawer.m_Lighting = false;
    phDebugLineRender(true);
    EXPECT_FALSE(m_Drawer.m_Lighting);
    EXPECT_EQ(phDebugLineCount, 0);

    // With no drawer installed nothing is drawn, and a clear still empties the list.
    DebugLineDrawer = nullptr;
    phDebugLineAdd(Vector3(0, 0, 0), Vector3(1, 0, 0), 0xFFFF0000u);
    phDebugLineRender(true);
    EXPECT_EQ(phDebugLineCount, 0);
    EXPECT_EQ(m_Drawer.m_Lines.size(), 6u);
}

// Every edge of the box joins two corners that differ in exactly one coordinate, and every
// such pair of corners is joined once.
TEST_F(DebugLinesTest, BoxQueuesItsTwelveEdgesThroughTheMatrix) {
    Matrix34 matrix;
    matrix.MakeRotateY(0.5f);
    matrix.d.Set(10, 20, 30);
    phDebugBox(Vector3(2, 4, 6), matrix, 0xFF123456u);
    ASSERT_EQ(phDebugLineCount, 12);

    Matrix34 inverse;
    inverse.FastInverse(matrix);
    std::vector<std::pair<int, int>> seen;
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(phDebugLines[i].Colour, 0xFF123456u);
        Vector3 a = phDebugLines[i].From, b = phDebugLines[i].To;
        a.Transform(inverse);
        b.Transform(inverse);
        const float half[3] = {1, 2, 3};
        int codeA = 0, codeB = 0;
        const float ca[3] = {a.x, a.y, a.z}, cb[3] = {b.x, b.y, b.z};
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(std::fabs(ca[k]), half[k], 1e-4f);
            EXPECT_NEAR(std::fabs(cb[k]), half[k], 1e-4f);
            codeA |= (ca[k] > 0) << k;
            codeB |= (cb[k] > 0) << k;
        }
        int diff = codeA ^ codeB;
        EXPECT_TRUE(diff == 1 || diff == 2 || diff == 4) << i;
        seen.push_back(std::make_pair(std::min(codeA, codeB), std::max(codeA, codeB)));
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_TRUE(std::unique(seen.begin(), seen.end()) == seen.end());
}

TEST_F(DebugLinesTest, SphereQueuesThreeClosedCirclesInTheAxisPlanes) {
    const Vector3 centre(1, 2, 3);
    phDebugSphere(centre, 0.5f, 0xFFABCDEFu, 12);
    ASSERT_EQ(phDebugLineCount, 36);
    const Vector3 starts[3] = {Vector3(1, 2.5f, 3), Vector3(1.5f, 2, 3), Vector3(1.5f, 2, 3)};
    for (int circle = 0; circle < 3; ++circle) {
        const phDebugLine* lines = phDebugLines + circle * 12;
        EXPECT_NEAR((lines[0].From - starts[circle]).Mag(), 0.0f, 1e-6f) << circle;
        EXPECT_NEAR((lines[11].To - starts[circle]).Mag(), 0.0f, 1e-5f) << circle;
        for (int i = 0; i < 12; ++i) {
            Vector3 offset = lines[i].To - centre;
            const float constant[3] = {offset.x, offset.y, offset.z};
            EXPECT_NEAR(constant[circle], 0.0f, 1e-6f);
            EXPECT_NEAR(offset.Mag(), 0.5f, 1e-5f);
            if (i > 0) {
                EXPECT_EQ(lines[i].From.x, lines[i - 1].To.x);
            }
        }
    }
    phDebugSphere(centre, 0.5f, 0xFFABCDEFu, 0);
    EXPECT_EQ(phDebugLineCount, 36);
}

TEST(IsectHitTest, TransformRayMovesThePositionAsAPointAndTheNormalAsADirection) {
    phIsect isect;
    isect.SetHit(Vector3(1, 0, 0), Vector3(1, 0, 0), 0.25f, 0.5f, true);
    EXPECT_EQ(isect.T, 0.25f);
    EXPECT_EQ(isect.Depth, 0.5f);
    EXPECT_EQ(isect.FrontSide, 1u);

    const Matrix34 matrix(Vector3(0, 0, -1), Vector3(0, 1, 0), Vector3(1, 0, 0), Vector3(1, 0, 0));
    phTransformRay(isect, matrix);
    EXPECT_EQ(isect.Position.x, 1.0f);
    EXPECT_EQ(isect.Position.y, 0.0f);
    EXPECT_EQ(isect.Position.z, -1.0f);
    EXPECT_EQ(isect.Normal.x, 0.0f);
    EXPECT_EQ(isect.Normal.y, 0.0f);
    EXPECT_EQ(isect.Normal.z, -1.0f);

    // An off-axis point and direction against the plain row-vector product.
    isect.SetHit(Vector3(2, 3, 5), Vector3(0.5f, -1, 2), 0, 0, false);
    const Matrix34 general(Vector3(1, 2, 3), Vector3(4, 5, 6), Vector3(7, 8, 9),
                           Vector3(10, 20, 30));
    phTransformRay(isect, general);
    EXPECT_EQ(isect.FrontSide, 0u);
    EXPECT_FLOAT_EQ(isect.Position.x, 2 * 1 + 3 * 4 + 5 * 7 + 10.0f);
    EXPECT_FLOAT_EQ(isect.Position.y, 2 * 2 + 3 * 5 + 5 * 8 + 20.0f);
    EXPECT_FLOAT_EQ(isect.Position.z, 2 * 3 + 3 * 6 + 5 * 9 + 30.0f);
    EXPECT_FLOAT_EQ(isect.Normal.x, 0.5f * 1 - 4 + 2 * 7);
    EXPECT_FLOAT_EQ(isect.Normal.y, 0.5f * 2 - 5 + 2 * 8);
    EXPECT_FLOAT_EQ(isect.Normal.z, 0.5f * 3 - 6 + 2 * 9);
}

TEST(IsectHitTest, DebugLogRecordsTheHitPartUnderItsTags) {
    ScratchDir scratch;
    std::string path = scratch.Path("isect.log");
    phIsect isect;
    isect.SetHit(Vector3(1, 2, 3), Vector3(0, 1, 0), 0.5f, 0.25f, true);
    DebugLogOpen(false, path.c_str());
    isect.DebugLog();
    DebugLogClose();

    std::string bytes = ReadWholeFile(path);
    const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const uint32_t tags[] = {0x73504F53, 0x734E524D, 0x7354564C, 0x73445054, 0x73414F46};
    const uint32_t sizes[] = {12, 12, 4, 4, 1};
    size_t offset = 0;
    for (int i = 0; i < 5; ++i) {
        ASSERT_LE(offset + 8, bytes.size());
        EXPECT_EQ(DecodeU32(data + offset), tags[i]) << i;
        ASSERT_EQ(DecodeU32(data + offset + 4), sizes[i]) << i;
        offset += 8 + sizes[i] + 32;
    }
    EXPECT_EQ(offset, bytes.size());
    float position[3];
    memcpy(position, data + 8, 12);
    EXPECT_EQ(position[2], 3.0f);
    EXPECT_EQ(data[2 * (8 + 12 + 32) + 2 * (8 + 4 + 32) + 8], 1);
}

}  // namespace
