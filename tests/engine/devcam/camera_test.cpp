#include "devcam/polarcam.h"
#include "devcam/trackballcam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#define DIRECTINPUT_VERSION 0x0700
#include <dinput.h>

#include "bank/dialogseam.h"
#include "gfx/pipeline.h"
#include "input/input.h"
#include "input/winproc.h"
#include "tests/engine/devcam/recorder.h"

namespace {

void HoldKeys(const std::vector<uint8_t>& keys) {
    uint8_t state[256] = {};
    for (uint8_t key : keys) {
        state[key] = 0x80;
    }
    inpTakeKeyboardState(state);
}

void ExpectNear(const Vector3& v, float x, float y, float z, float tolerance = 1e-4f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

Vector3 TransformPoint(const Vector3& p, const Matrix34& m) {
    return m.a * p.x + m.b * p.y + m.c * p.z + m.d;
}

TEST(PolarCam, KeysTurnAndMoveAtTheirSpeeds) {
    struct Case {
        std::vector<uint8_t> m_Keys;
        float m_Distance, m_Azimuth, m_Incline;
    };
    const Case cases[] = {
        {{DIK_INSERT}, 60, 0, 0},
        {{DIK_INSERT, DIK_LCONTROL}, 150, 0, 0},
        {{DIK_PRIOR, DIK_RCONTROL}, -50, 0, 0},
        {{DIK_DELETE}, 50, -2, 0},
        {{DIK_NEXT, DIK_LCONTROL}, 50, 4, 0},
        {{DIK_HOME, DIK_END}, 50, 0, 0},
        {{DIK_HOME}, 50, 0, 2},
    };
    for (const Case& c : cases) {
        dcPolarCam camera;
        camera.Init(50, 0, 0);
        HoldKeys(c.m_Keys);
        for (int frame = 0; frame < 60; ++frame) {
            camera.Update(1.0f / 60.0f);
        }
        EXPECT_NEAR(camera.m_Distance, c.m_Distance, 1e-3);
        EXPECT_NEAR(camera.m_Azimuth, c.m_Azimuth, 1e-4);
        EXPECT_NEAR(camera.m_Incline, c.m_Incline, 1e-4);
    }
    HoldKeys({});
}

TEST(PolarCam, ShiftPansAndTheViewIsTheInverse) {
    dcPolarCam camera;
    camera.Init(20, 0.5f, 0.25f);
    camera.Update(0);
    Matrix34 start = camera.m_Transform;

    HoldKeys({DIK_LSHIFT, DIK_HOME});
    camera.Update(1.0f);
    ExpectNear(camera.m_PanOffset, 0, 10, 0);
    EXPECT_FLOAT_EQ(camera.m_Distance, 20);

    // Page Up goes forward along the view flattened onto the ground; Insert is then ignored.
    HoldKeys({DIK_RSHIFT, DIK_PRIOR, DIK_INSERT});
    camera.Update(0.5f);
    Vector3 flat(start.c.x, 0, start.c.z);
    flat.Normalize();
    ExpectNear(camera.m_PanOffset, -5 * flat.x, 10, -5 * flat.z);

    HoldKeys({DIK_LSHIFT, DIK_NEXT});
    Vector3 before = camera.m_PanOffset;
    Vector3 side = camera.m_Transform.a;
    camera.Update(0.1f);
    ExpectNear(camera.m_PanOffset, before.x + side.x, before.y + side.y, before.z + side.z);

    Matrix34 polar;
    polar.PolarView(20, 0.5f, 0.25f, 0);
    ExpectNear(camera.m_Transform.d, polar.d.x + camera.m_PanOffset.x,
               polar.d.y + camera.m_PanOffset.y, polar.d.z + camera.m_PanOffset.z);
    // transform x view is the identity.
    Vector3 p(3, -4, 5);
    Vector3 there = TransformPoint(p, camera.m_Transform);
    const Matrix44& v = camera.m_View;
    Vector3 back(there.x * v.a.x + there.y * v.b.x + there.z * v.c.x + v.d.x,
                 there.x * v.a.y + there.y * v.b.y + there.z * v.c.y + v.d.y,
                 there.x * v.a.z + there.y * v.b.z + there.z * v.c.z + v.d.z);
    ExpectNear(back, 3, -4, 5);
    EXPECT_EQ(v.a.w, 0.0f);
    EXPECT_EQ(v.d.w, 1.0f);

    // A followed point moves the camera with it; a disabled camera stands still.
    Vector3 target(100, 0, 0);
    camera.m_Follow = &target;
    HoldKeys({});
    Vector3 unfollowed = camera.m_Transform.d;
    camera.Update(0);
    ExpectNear(camera.m_Transform.d, unfollowed.x + 100, unfollowed.y, unfollowed.z);
    camera.m_Enabled = false;
    HoldKeys({DIK_INSERT});
    camera.Update(1);
    EXPECT_FLOAT_EQ(camera.m_Distance, 20);
    HoldKeys({});
}

// The trackball camera in an 800 by 600 window with the mouse and buttons set by the test.
class Trackball : public ::testing::Test {
protected:
    void SetUp() override {
        gfxPipeline::m_iWidth = 800;
        gfxPipeline::m_iHeight = 600;
        gfxPipeline::m_fInvWidth = 1.0f / 800;
        gfxPipeline::m_fInvHeight = 1.0f / 600;
        inpMouseButtons = inpPrevMouseButtons = 0;
        inpMouseWheel = 0;
        HoldKeys({});
        Mouse(400, 300, 0);
        m_Camera.Init(0, 0, -50, 10);
        s_MenuShown = 0;
        s_MenuChoice = 0;
        m_PreviousTrack = bkSetTrackPopupFunc(ScriptedMenu);
    }
    void TearDown() override { bkSetTrackPopupFunc(m_PreviousTrack); }

    // One frame with the mouse at x, y and the buttons held.
    void Frame(int x, int y, uint32_t buttons) {
        Mouse(x, y, buttons);
        m_Camera.Update();
    }
    static void Mouse(int x, int y, uint32_t buttons) {
        inpMouseX = x;
        inpMouseY = y;
        inpPrevMouseButtons = inpMouseButtons;
        inpMouseButtons = buttons;
    }
    static int ScriptedMenu(HMENU, UINT, int, int, HWND) {
        ++s_MenuShown;
        return s_MenuChoice;
    }

    static int s_MenuShown;
    static int s_MenuChoice;
    dcTrackballCam m_Camera;
    bkTrackPopupFunc m_PreviousTrack = nullptr;
};

int Trackball::s_MenuShown;
int Trackball::s_MenuChoice;

TEST_F(Trackball, ResetGoesHome) {
    m_Camera.m_Transform.a.Set(0, 1, 0);
    m_Camera.m_ActiveAxis = 2;
    m_Camera.m_AxisFrame.d.Set(1, 2, 3);
    Mouse(12, 34, 0);
    m_Camera.Reset();
    ExpectNear(m_Camera.m_Transform.a, 1, 0, 0);
    ExpectNear(m_Camera.m_Transform.d, 0, 0, -50);
    ExpectNear(m_Camera.m_AxisFrame.d, 0, 0, 0);
    EXPECT_EQ(m_Camera.m_ActiveAxis, 1);
    EXPECT_EQ(m_Camera.m_Rotation.r, 1.0f);
    EXPECT_EQ(m_Camera.m_LastMouseX, 12);
    EXPECT_EQ(m_Camera.m_LastMouseY, 34);
    EXPECT_STREQ(dcTrackballCam::GetHelp(),
                 "LB: Trackball\nMB: Translate AB\nRM: Translate C / Menu\n"
                 "Hold down CTRL key for continuous motion");
}

TEST_F(Trackball, ARightClickOpensTheMenuAndARightDragDollies) {
    s_MenuChoice = 10100;
    Frame(400, 300, 2);
    Frame(400, 300, 0);
    EXPECT_EQ(s_MenuShown, 1);
    EXPECT_FLOAT_EQ(m_Camera.m_TransScale, 100);
    ExpectNear(m_Camera.m_Transform.d, 0, 0, -50);

    // Right drag: (nx - ny) x trans scale along the view axis, and no menu.
    Frame(400, 300, 2);
    Frame(480, 300, 2);
    Frame(480, 240, 2);
    Frame(480, 240, 0);
    EXPECT_EQ(s_MenuShown, 1);
    ExpectNear(m_Camera.m_Transform.d, 0, 0, -50 + (0.1f + 0.1f) * 100);

    // The wheel dollies by clicks.
    inpMouseWheel = -2;
    Frame(480, 240, 0);
    inpMouseWheel = 0;
    ExpectNear(m_Camera.m_Transform.d, 0, 0, -30 - 200);
    EXPECT_EQ(s_MenuShown, 1);
}

TEST_F(Trackball, MenuCommands) {
    struct Case {
        int m_Id;
        float m_TransScale;
        bool m_POV, m_Wheel;
    };
    const Case cases[] = {
        {10010, 10, false, true}, {11000, 1000, false, true}, {40, 10, true, true},
        {50, 10, false, false},   {0, 10, false, true},       {10500, 500, false, true},
    };
    for (const Case& c : cases) {
        m_Camera.Init(0, 0, -50, 10);
        s_MenuChoice = c.m_Id;
        m_Camera.PopupMenu();
        EXPECT_FLOAT_EQ(m_Camera.m_TransScale, c.m_TransScale) << c.m_Id;
        EXPECT_EQ(m_Camera.m_POVMode, c.m_POV) << c.m_Id;
        EXPECT_EQ(m_Camera.m_WheelZooms, c.m_Wheel) << c.m_Id;
    }
    m_Camera.MenuCommand(20);
    ExpectNear(m_Camera.m_Transform.c, 0, -1, 0);
    ExpectNear(m_Camera.m_Transform.d, 0, 0, -1000);
    // The world origin lies straight ahead at view depth -1000.
    ExpectNear(TransformPoint(Vector3(0, 0, 0), m_Camera.m_Transform), 0, 0, -1000);
    m_Camera.MenuCommand(10);
    ExpectNear(m_Camera.m_AxisFrame.d, 0, 1000, 0, 1e-2f);
    m_Camera.MenuCommand(30);
    ExpectNear(m_Camera.m_Transform.d, 0, 0, -50);
}

TEST_F(Trackball, LeftDragsTurnAboutTheAxisOrigin) {
    m_Camera.SetAxisOrigin(Vector3(5, -2, 7));
    // A drag from the centre back to the centre turns nothing.
    Frame(400, 300, 1);
    Frame(400, 300, 1);
    ExpectNear(m_Camera.m_Transform.a, 1, 0, 0);
    ExpectNear(m_Camera.m_Transform.d, 0, 0, -50);

    std::mt19937 random(22);
    Vector3 origin(5, -2, 7);
    Vector3 pinned = TransformPoint(origin, m_Camera.m_Transform);
    for (int drag = 0; drag < 20; ++drag) {
        Frame(random() % 800, random() % 600, 1);
        for (int step = 0; step < 3; ++step) {
            Frame(random() % 800, random() % 600, 1);
            ExpectNear(TransformPoint(origin, m_Camera.m_Transform), pinned.x, pinned.y, pinned.z,
                       1e-3f);
        }
        Frame(400, 300, 0);
    }
    // The rotation stays a rotation, and the inverse undoes the transform.
    EXPECT_NEAR(m_Camera.m_Transform.a.Mag(), 1, 1e-4);
    EXPECT_NEAR(m_Camera.m_Transform.a.Dot(m_Camera.m_Transform.b), 0, 1e-4);
    Vector3 p(1, 2, 3);
    ExpectNear(TransformPoint(TransformPoint(p, m_Camera.m_Transform), m_Camera.m_Inverse), 1, 2,
               3, 1e-3f);
}

TEST_F(Trackball, MiddleDragsPanAndCtrlKeepsMoving) {
    Frame(400, 300, 4);
    Frame(480, 360, 4);
    ExpectNear(m_Camera.m_Transform.d, 10 * 0.1f, -(10 * 0.1f), -50);

    // With the left control key the reference is the centre: a still mouse keeps moving it.
    HoldKeys({DIK_LCONTROL});
    Frame(480, 360, 4);
    Frame(480, 360, 4);
    Frame(480, 360, 4);
    ExpectNear(m_Camera.m_Transform.d, 3, -3, -50);
    HoldKeys({});
    Frame(480, 360, 4);
    Frame(480, 360, 4);
    ExpectNear(m_Camera.m_Transform.d, 4, -4, -50);
}

TEST_F(Trackball, POVModeKeepsTheAxisOriginAtTheCamera) {
    m_Camera.m_POVMode = true;
    Frame(400, 300, 4);
    Frame(600, 300, 4);
    Matrix34 inverse;
    inverse.FastInverse(m_Camera.m_Transform);
    ExpectNear(m_Camera.m_AxisFrame.d, inverse.d.x, inverse.d.y, inverse.d.z);
}

TEST_F(Trackball, DrawsItsAxesAndGrid) {
    RecordingDrawer drawer;
    m_Camera.m_ActiveAxis = 2;
    m_Camera.m_AxisFrame.d.Set(1, 2, 3);
    m_Camera.DrawAxis();
    EXPECT_EQ(drawer.m_Calls,
              (std::vector<std::string>{"LoadMatrix", "Begin 2", "Color FF7F0000",
                                        "Vertex 0.00 0.00 0.00", "Vertex 1.00 0.00 0.00",
                                        "Color FF007F00", "Vertex 0.00 0.00 0.00",
                                        "Vertex 0.00 1.00 0.00", "Color FF0000FF",
                                        "Vertex 0.00 0.00 0.00", "Vertex 0.00 0.00 1.00", "End",
                                        "LoadIdentity"}));
    ExpectNear(drawer.m_Matrix.d, 1, 2, 3);

    drawer.m_Calls.clear();
    drawer.m_Vertices.clear();
    m_Camera.m_ActiveAxis = 1;
    m_Camera.DrawGrid(2, 0);
    EXPECT_EQ(drawer.m_Calls[1], "Color FF007F7F");
    ASSERT_EQ(drawer.m_Vertices.size(), 20u);
    for (const RecordingDrawer::Point& p : drawer.m_Vertices) {
        EXPECT_EQ(p.y, 0.0f);
        EXPECT_LE(fabsf(p.x), 20.0f);
        EXPECT_LE(fabsf(p.z), 20.0f);
    }
    EXPECT_EQ(drawer.m_Vertices[0].x, -20.0f);
    EXPECT_EQ(drawer.m_Vertices[0].z, -20.0f);
    EXPECT_EQ(drawer.m_Vertices[1].x, 20.0f);
    EXPECT_EQ(drawer.m_Vertices[1].z, -20.0f);
}

}  // namespace
