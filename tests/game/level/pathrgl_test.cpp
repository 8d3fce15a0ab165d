// Paths drawn on the device through the immediate-mode drawer.
#include <gtest/gtest.h>

#include <vector>

#include "gfx/rstate.h"
#include "level/pathdrawer.h"
#include "level/pathset.h"
#include "tests/engine/rgl/rglfixture.h"
#include "tests/game/level/pathfixture.h"

namespace {

// The camera's pipeline with the rgl path drawer installed.
class PathsOnRgl : public RglCameraPipeline {
protected:
    void SetUp() override {
        RglCameraPipeline::SetUp();
        m_Previous = PathDrawer;
        lvlUseRglPathDrawer();
    }
    void TearDown() override {
        PathDrawer = m_Previous;
        RglCameraPipeline::TearDown();
    }
    qvPathDrawer* m_Previous = nullptr;
};

TEST_F(PathsOnRgl, AStripWithMarkersOverTheCityThenDepthAsBefore) {
    qvPath path("STRIP");
    path.SetType(qvPath::LineStrip);
    AddPoints(path, {{-1, 0, 0}, {0, 0, 0}, {1, 1, 0}});
    path.SelectVertex(1);
    path.Draw(false);

    std::vector<RglDrawn> drawn = Drawn();
    // The strip, a marker per vertex and one for the current vertex.
    ASSERT_EQ(drawn.size(), 5u);
    EXPECT_EQ(drawn[0].m_Type, unsigned(RGL_LINE_STRIP));
    ASSERT_EQ(drawn[0].m_Vertices.size(), 3u);
    EXPECT_EQ(drawn[0].m_Vertices[2].x, 1.0f);
    EXPECT_EQ(drawn[0].m_Vertices[2].y, 1.0f);
    const uint32_t markerColours[4] = {0xFF00BF00, 0xFF00BF00, 0xFF00BF00, 0xFF00FF00};
    for (int i = 0; i < 4; ++i) {
        const RglDrawn& marker = drawn[1 + i];
        EXPECT_EQ(marker.m_Type, unsigned(RGL_LINES)) << i;
        ASSERT_EQ(marker.m_Vertices.size(), 8u) << i;
        for (const RglDrawnVertex& v : marker.m_Vertices) {
            EXPECT_EQ(v.m_Colour, markerColours[i]) << i;
        }
    }
    for (const RglDrawnVertex& v : drawn[0].m_Vertices) {
        EXPECT_EQ(v.m_Colour, 0xFF00BF00u);
    }
    // The current vertex's marker is centred on the screen, where the origin is seen.
    EXPECT_NEAR(drawn[4].m_Vertices[0].x, 396.0f, 0.01f);
    EXPECT_NEAR(drawn[4].m_Vertices[0].y, 296.0f, 0.01f);

    // The strip was drawn with every depth passing; the comparison is back afterwards.
    DWORD zFunctionAtStrip = 0;
    for (const FakeDevice::Call& call : m_Capture.m_Calls) {
        if (call.m_Name == "SetRenderState" && call.m_A == D3DRENDERSTATE_ZFUNC) {
            zFunctionAtStrip = call.m_B;
        }
        if (call.m_Name == "DrawPrimitiveVB") {
            break;
        }
    }
    EXPECT_EQ(zFunctionAtStrip, DWORD(D3DCMP_ALWAYS));
    EXPECT_EQ(gfxCurrentState.m_ZFunc, D3DCMP_LESSEQUAL);
}

TEST_F(PathsOnRgl, ADecalIsAWhiteStripWithItsTextureCoordinates) {
    qvPath path("DECAL");
    AddPoints(path, {{0, 0, 0}, {2, 0, 0}, {0, 0, 2}, {2, 0, 2}});
    DrawPathDecal(path);
    std::vector<RglDrawn> drawn = Drawn();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].m_Type, unsigned(RGL_TRIANGLE_STRIP));
    ASSERT_EQ(drawn[0].m_Vertices.size(), 4u);
    const float us[4] = {0, 1, 0, 1}, vs[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(drawn[0].m_Vertices[i].m_Colour, 0xFFFFFFFFu) << i;
        EXPECT_EQ(drawn[0].m_Vertices[i].u, us[i]) << i;
        EXPECT_EQ(drawn[0].m_Vertices[i].v, vs[i]) << i;
    }
}

}  // namespace
