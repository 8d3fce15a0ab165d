#include "level/pathmouse.h"

#include <gtest/gtest.h>
#include <dinput.h>

#include <cmath>

#include "devcam/pick.h"
#include "input/event.h"
#include "input/input.h"
#include "input/winproc.h"
#include "level/pathedit.h"
#include "tests/engine/gfx/pipefixture.h"

namespace {

// The recording device's 800 by 600 pipeline, a perspective of 60 degrees from 1 to 1000 and
// the camera 5 above the ground at z = 10, looking down -z: pixels below the centre row look
// at the ground in front.
class PathInput : public FakePipeline {
protected:
    void SetUp() override {
        FakePipeline::SetUp();
        m_Viewport->Perspective(60.0f, 0.0f, 1.0f, 1000.0f);
        gfxSetViewport(m_Viewport);
        Matrix34 camera = Matrix34::sm_Identity;
        camera.d.Set(0, 5, 10);
        gfxSetCamera(camera);
        gfxWorld = Matrix44::sm_Identity;
        gfxStateDirty |= gfxDirtyComposite;
        inpFlushEvents();
        qvPathSet::sm_Moving = 0;
    }
    void TearDown() override {
        inpFlushEvents();
        inpMouseWheel = 0;
        FakePipeline::TearDown();
    }
};

}  // namespace

TEST_F(PathInput, EventsKeysAndWheelFromTheInputLayer) {
    inpPostEvent(inpRightDown, 3, 4, 2);
    inpPostEvent(inpKeyDown, 0, 0, DIK_A);
    inpPostEvent(inpMouseMove, 5, 6, 2);
    for (int pass = 0; pass < 2; ++pass) {
        qvPathEvent event;
        uint32_t cursor = 0;
        ASSERT_TRUE(PathMouse->PeekEvent(event, cursor));
        EXPECT_EQ(event.m_Type, uint32_t(qvPathEvent::RightDown));
        EXPECT_EQ(event.m_X, 3);
        EXPECT_EQ(event.m_Y, 4);
        ASSERT_TRUE(PathMouse->PeekEvent(event, cursor));
        EXPECT_EQ(event.m_Data, uint32_t(DIK_A));
        ASSERT_TRUE(PathMouse->PeekEvent(event, cursor));
        EXPECT_EQ(event.m_Type, uint32_t(qvPathEvent::MouseMove));
        EXPECT_FALSE(PathMouse->PeekEvent(event, cursor));
    }

    uint8_t keys[256] = {};
    inpTakeKeyboardState(keys);
    EXPECT_FALSE(PathMouse->ShiftHeld());
    for (uint8_t shift : {DIK_LSHIFT, DIK_RSHIFT}) {
        keys[shift] = 0x80;
        inpTakeKeyboardState(keys);
        EXPECT_TRUE(PathMouse->ShiftHeld()) << int(shift);
        keys[shift] = 0;
    }
    inpTakeKeyboardState(keys);

    DIMOUSESTATE state = {};
    state.lZ = -240;
    inpTakeMouseState(state);
    EXPECT_EQ(PathMouse->Wheel(), -2);
}

// A click below the centre puts a vertex on the ground there, and the vertex projects back
// under the mouse.
TEST_F(PathInput, AClickPlacesAVertexOnTheGroundUnderTheMouse) {
    qvPathSet set;
    set.NewPath();
    inpPostEvent(inpLeftDown, 400, 450, 1);
    set.EditMouse();
    ASSERT_EQ(set.GetCurrentPath()->GetVertexCount(), 1);
    Vector3 p = set.GetCurrentPath()->GetVertex(0).m_Position;
    // 150 pixels below the centre at a focal length of 300 / tan 30 degrees.
    double distance = 5.0 * (300.0 / std::tan(3.14159265358979 / 6)) / 150.0;
    EXPECT_NEAR(p.x, 0.0f, 1e-3);
    EXPECT_NEAR(p.y, 0.0f, 1e-4);
    EXPECT_NEAR(p.z, 10.0 - distance, 1e-2);
    inpMouseX = 400;
    inpMouseY = 450;
    EXPECT_NEAR(PathMouse->PointDistance(p), 0.0f, 1e-2);

    // Above the horizon the ray never meets the ground.
    inpFlushEvents();
    inpPostEvent(inpLeftDown, 400, 100, 1);
    set.EditMouse();
    EXPECT_EQ(set.GetCurrentPath()->GetVertexCount(), 1);
}
