// The drawer installed from the start draws the cameras' and the pick's lines on the device.
#include <gtest/gtest.h>

#include <vector>

#include "devcam/drawer.h"
#include "devcam/pick.h"
#include "devcam/trackballcam.h"
#include "gfx/rstate.h"
#include "input/input.h"
#include "input/winproc.h"
#include "tests/engine/rgl/rglfixture.h"

namespace {

using DevcamOnRgl = RglCameraPipeline;

void Mouse(int x, int y, uint32_t buttons) {
    inpMouseX = x;
    inpMouseY = y;
    inpPrevMouseButtons = inpMouseButtons;
    inpMouseButtons = buttons;
}

TEST_F(DevcamOnRgl, TheDragRectangleIsARedStripInPixelsWithoutDepthTest) {
    inpMouseButtons = inpPrevMouseButtons = 0;
    dcPick pick;
    Mouse(10, 20, 1);
    pick.Update();
    Mouse(30, 40, 1);
    pick.Update();
    pick.Draw();
    std::vector<RglDrawn> drawn = Drawn();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].m_Type, unsigned(RGL_LINE_STRIP));
    const float xs[5] = {10, 30, 30, 10, 10}, ys[5] = {20, 20, 40, 40, 20};
    ASSERT_EQ(drawn[0].m_Vertices.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(drawn[0].m_Vertices[i].x, xs[i]);
        EXPECT_EQ(drawn[0].m_Vertices[i].y, ys[i]);
        EXPECT_EQ(drawn[0].m_Vertices[i].m_Colour, 0xFFFF0000u);
    }
    // Drawn over everything, then depth testing is back.
    bool depthOffWhenDrawn = false;
    for (const FakeDevice::Call& call : m_Capture.m_Calls) {
        if (call.m_Name == "SetRenderState" && call.m_A == D3DRENDERSTATE_ZENABLE) {
            depthOffWhenDrawn = call.m_B == 0;
        }
        if (call.m_Name == "DrawPrimitiveVB") {
            break;
        }
    }
    EXPECT_TRUE(depthOffWhenDrawn);
    EXPECT_NE(gfxCurrentState.m_ZEnable, 0);
}

TEST_F(DevcamOnRgl, AxesGridAndFrustumAreLineListsAndStripsInTheirColours) {
    dcTrackballCam camera;
    camera.Init(0, 0, 10, 1);
    camera.SetAxisOrigin(Vector3(5, 6, 7));
    camera.DrawAxis();
    camera.DrawGrid(2, 1);
    inpMouseButtons = inpPrevMouseButtons = 0;
    dcPick pick;
    Mouse(400, 300, 1);
    pick.Update();
    Mouse(400, 300, 0);
    pick.Update();
    pick.DrawFrustum();

    std::vector<RglDrawn> drawn = Drawn();
    ASSERT_EQ(drawn.size(), 5u);
    struct Expected {
        uint32_t m_Type;
        size_t m_Count;
    } expected[] = {{RGL_LINES, 6}, {RGL_LINES, 20}, {RGL_LINE_STRIP, 5}, {RGL_LINE_STRIP, 5},
                    {RGL_LINES, 8}};
    for (size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_EQ(drawn[i].m_Type, expected[i].m_Type) << i;
        EXPECT_EQ(drawn[i].m_Vertices.size(), expected[i].m_Count) << i;
    }
    // Each axis in its own colour, both of its ends.
    std::vector<uint32_t> axisColours;
    for (const RglDrawnVertex& v : drawn[0].m_Vertices) {
        axisColours.push_back(v.m_Colour);
    }
    EXPECT_EQ(axisColours[0], axisColours[1]);
    EXPECT_EQ(axisColours[2], axisColours[3]);
    EXPECT_EQ(axisColours[4], axisColours[5]);
    EXPECT_EQ(axisColours[0] & 0xFF00FFFF, 0xFF000000u);
    EXPECT_EQ(axisColours[2] & 0xFFFF00FF, 0xFF000000u);
    EXPECT_EQ(axisColours[4] & 0xFFFFFF00, 0xFF000000u);
    EXPECT_EQ(drawn[1].m_Vertices[0].m_Colour, 0xFF007F7Fu);
    for (size_t i = 2; i < drawn.size(); ++i) {
        EXPECT_EQ(drawn[i].m_Vertices[0].m_Colour, 0xFF00FF00u) << i;
    }
    // The matrix of the axes was taken back for what follows.
    EXPECT_EQ(gfxWorld.d.x, 0.0f);
}

}  // namespace
