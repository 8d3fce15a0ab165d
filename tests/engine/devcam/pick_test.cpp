#include "devcam/pick.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "input/input.h"
#include "input/winproc.h"
#include "tests/engine/devcam/recorder.h"
#include "tests/engine/gfx/pipefixture.h"

namespace {

void Mouse(int x, int y, uint32_t buttons) {
    inpMouseX = x;
    inpMouseY = y;
    inpPrevMouseButtons = inpMouseButtons;
    inpMouseButtons = buttons;
}

Vector4 Screen(const Vector3& p) {
    Vector4 screen(0, 0, 0, 0);
    EXPECT_TRUE(dcProjectToScreen(screen, p));
    return screen;
}

bool Inside(const dcPick& pick, const Vector3& p) {
    for (const Vector4& plane : pick.m_Planes) {
        if (!IsBehindPlane(p, plane)) {
            return false;
        }
    }
    return true;
}

// The recording device's 800 by 600 pipeline with a perspective of 60 degrees from 1 to 1000
// and the camera at (0, 0, 10) looking down -z, so that the world origin is at the centre of
// the screen, 10 units away.
class Picking : public FakePipeline {
protected:
    void SetUp() override {
        FakePipeline::SetUp();
        LookAtOriginFromTen();
        gfxWorld = Matrix44::sm_Identity;
        gfxStateDirty |= gfxDirtyComposite;
        inpMouseButtons = inpPrevMouseButtons = 0;
        Mouse(400, 300, 0);
    }
    void TearDown() override {
        delete gfxScreenViewport;
        gfxScreenViewport = nullptr;
        FakePipeline::TearDown();
    }
};

TEST_F(Picking, PointsProjectAndMeasureFromTheMouse) {
    Vector4 centre = Screen(Vector3(0, 0, 0));
    EXPECT_NEAR(centre.x, 400, 1e-3);
    EXPECT_NEAR(centre.y, 300, 1e-3);
    EXPECT_NEAR(centre.w, 0.1f, 1e-5);
    // x grows to the right and y upward in the world, downward on the screen.
    double focal = 300 / tan(3.14159265358979 / 6);
    Vector4 right = Screen(Vector3(1, 2, 0));
    EXPECT_NEAR(right.x, 400 + focal / 10, 1e-2);
    EXPECT_NEAR(right.y, 300 - 2 * focal / 10, 1e-2);

    Mouse(403, 296, 0);
    EXPECT_NEAR(dcPickPointDist(Vector3(0, 0, 0)), 25, 1e-2);
    // Behind the eye, and at the eye itself.
    EXPECT_EQ(dcPickPointDist(Vector3(0, 0, 20)), dcInvisible);
    EXPECT_EQ(dcPickPointDist(Vector3(0, 0, 10)), dcInvisible);
    Vector4 untouched(1, 2, 3, 4);
    EXPECT_FALSE(dcProjectToScreen(untouched, Vector3(0, 0, 30)));
}

TEST_F(Picking, SegmentDistancesAndParameters) {
    Vector3 a(-1, 0, 0);
    Vector3 b(1, 0, 0);
    Vector4 B = Screen(b);
    float t = -1;

    // Beyond b: the distance to b, t = 1.
    Mouse((int)B.x + 30, 300 + 40, 0);
    EXPECT_NEAR(dcPickSegmentDist(t, a, b), dcPickPointDist(b), 1e-2);
    EXPECT_EQ(t, 1.0f);
    Mouse(0, 310, 0);
    dcPickSegmentDist(t, a, b);
    EXPECT_EQ(t, 0.0f);

    // Beside the middle: the distance to the line across the screen.
    Mouse(420, 290, 0);
    EXPECT_NEAR(dcPickSegmentDist(t, a, b), 100, 1e-2);
    EXPECT_NEAR(t, (1 + 20 / (B.x - 400)) / 2, 1e-4);

    // A segment running away from the eye: t is the world parameter under the mouse, not the
    // screen one.
    Vector3 front(2, -1, 0);
    Vector3 back(2, -1, -200);
    for (float world : {0.1f, 0.3f, 0.7f}) {
        Vector3 p = front + (back - front) * world;
        Vector4 under = Screen(p);
        Mouse((int)lroundf(under.x), (int)lroundf(under.y), 0);
        float distance = dcPickSegmentDist(t, front, back);
        EXPECT_LT(distance, 1.0f);
        EXPECT_NEAR(t, world, 0.02f) << world;
    }

    // An end behind the eye makes the segment invisible; a segment seen end on is a point.
    EXPECT_EQ(dcPickSegmentDist(t, a, Vector3(0, 0, 50)), dcInvisible);
    Mouse(403, 304, 0);
    EXPECT_NEAR(dcPickSegmentDist(t, Vector3(0, 0, 0), Vector3(0, 0, 0)), 25, 1e-2);
    EXPECT_EQ(t, 0.0f);
}

TEST_F(Picking, PolygonsAroundTheMouse) {
    const Vector3 triangle[3] = {Vector3(-1, -1, 0), Vector3(1, -1, 0), Vector3(0, 1, 0)};
    Mouse(400, 300, 0);
    EXPECT_TRUE(dcPickInPolygon(3, triangle));
    Mouse(400, 200, 0);
    EXPECT_FALSE(dcPickInPolygon(3, triangle));
    // A concave outline by the even-odd rule: the notch is outside.
    const Vector3 notched[6] = {Vector3(-2, -2, 0), Vector3(2, -2, 0), Vector3(2, 2, 0),
                                Vector3(1, 2, 0),   Vector3(0, -1, 0), Vector3(-1, 2, 0)};
    Mouse(400, 270, 0);
    EXPECT_FALSE(dcPickInPolygon(6, notched));
    Mouse(400, 380, 0);
    EXPECT_TRUE(dcPickInPolygon(6, notched));
    // A corner behind the eye.
    const Vector3 behind[3] = {Vector3(-1, -1, 0), Vector3(1, -1, 0), Vector3(0, 1, 40)};
    EXPECT_FALSE(dcPickInPolygon(3, behind));
    // Rooms have outlines of up to 512 corners: any number is tested whole.
    for (int n : {255, 256, 512}) {
        SCOPED_TRACE(n);
        std::vector<Vector3> circle;
        for (int i = 0; i < n; ++i) {
            float angle = 6.2831853f * float(i) / float(n);
            circle.emplace_back(cosf(angle), sinf(angle), 0.0f);
        }
        Mouse(400, 300, 0);
        EXPECT_TRUE(dcPickInPolygon(n, circle.data()));
        Mouse(400, 100, 0);
        EXPECT_FALSE(dcPickInPolygon(n, circle.data()));
    }
}

TEST(LineLine, ClosestPointsAgainstDouble) {
    Vector3 q1, q2;
    EXPECT_FALSE(dcLineLineClosest(Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(0, 1, 0),
                                   Vector3(2, 1, 0), q1, q2));
    EXPECT_FALSE(dcLineLineClosest(Vector3(0, 0, 0), Vector3(0, 0, 0), Vector3(0, 1, 0),
                                   Vector3(2, 1, 0), q1, q2));

    std::mt19937 random(164);
    std::uniform_real_distribution<double> unit(-10.0, 10.0);
    for (int i = 0; i < 200; ++i) {
        double p[4][3];
        for (auto& point : p) {
            for (double& c : point) c = unit(random);
        }
        // The common perpendicular in double: solve for mua, mub.
        double d21[3], d43[3], d13[3];
        for (int k = 0; k < 3; ++k) {
            d21[k] = p[1][k] - p[0][k];
            d43[k] = p[3][k] - p[2][k];
            d13[k] = p[0][k] - p[2][k];
        }
        auto dot = [](const double* a, const double* b) {
            return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
        };
        double den = dot(d21, d21) * dot(d43, d43) - dot(d43, d21) * dot(d43, d21);
        double mua = (dot(d13, d43) * dot(d43, d21) - dot(d13, d21) * dot(d43, d43)) / den;
        double mub = (dot(d13, d43) + dot(d43, d21) * mua) / dot(d43, d43);
        Vector3 v[4];
        for (int j = 0; j < 4; ++j) v[j].Set((float)p[j][0], (float)p[j][1], (float)p[j][2]);
        float a = 0, b = 0;
        ASSERT_TRUE(dcLineLineClosest(v[0], v[1], v[2], v[3], q1, q2, &a, &b));
        EXPECT_NEAR(a, mua, 1e-3 * (1 + fabs(mua)));
        EXPECT_NEAR(b, mub, 1e-3 * (1 + fabs(mub)));
        EXPECT_NEAR(q1.x, p[0][0] + mua * d21[0], 1e-2);
        EXPECT_NEAR(q2.z, p[2][2] + mub * d43[2], 1e-2);
    }
}

TEST_F(Picking, RaysRunFromTheNearToTheFarPlane) {
    dcRay ray;
    ray.FromScreen(400, 300);
    EXPECT_TRUE(ray.m_Valid);
    EXPECT_NEAR(ray.m_Start.x, 0, 1e-4);
    EXPECT_NEAR(ray.m_Start.z, 9, 1e-3);
    EXPECT_NEAR(ray.m_End.z, 10 - 1000, 2.0);
    ray.FromScreen(100, 450);
    Vector4 start = Screen(ray.m_Start);
    Vector4 end = Screen(ray.m_End);
    EXPECT_NEAR(start.x, 100, 1e-2);
    EXPECT_NEAR(start.y, 450, 1e-2);
    EXPECT_NEAR(end.x, 100, 0.5);
    EXPECT_NEAR(end.y, 450, 0.5);
}

TEST_F(Picking, AClickSelectsASixPixelBox) {
    dcPick pick;
    Mouse(400, 300, 1);
    pick.Update();
    EXPECT_EQ(pick.m_State, dcPick::Dragging);
    EXPECT_EQ(pick.m_Mode, dcPick::Box);
    EXPECT_FALSE(pick.m_Valid);
    Mouse(400, 300, 0);
    pick.Update();
    EXPECT_EQ(pick.m_State, dcPick::Idle);
    ASSERT_TRUE(pick.m_Valid);
    const float rectangle[4] = {397, 297, 403, 303};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pick.m_Rectangle[i], rectangle[i]);
    }
    EXPECT_TRUE(Inside(pick, Vector3(0, 0, 0)));
    EXPECT_TRUE(Inside(pick, Vector3(0, 0, -500)));
    EXPECT_FALSE(Inside(pick, Vector3(0.2f, 0, 0)));
    EXPECT_FALSE(Inside(pick, Vector3(0, -0.2f, 0)));
}

TEST_F(Picking, ADragSelectsAFrustumWhateverItsDirection) {
    dcPick pick;
    Mouse(500, 400, 1);
    pick.Update();
    Mouse(450, 350, 1);
    pick.Update();
    Mouse(300, 200, 1);
    pick.Update();
    EXPECT_EQ(pick.m_EndX, 300);
    Mouse(300, 200, 0);
    pick.Update();
    ASSERT_TRUE(pick.m_Valid);
    EXPECT_EQ(pick.m_StartX, 300);
    EXPECT_EQ(pick.m_StartY, 200);
    EXPECT_EQ(pick.m_EndX, 500);
    EXPECT_EQ(pick.m_EndY, 400);

    // Against the screen: a point is inside when it projects into the rectangle between the
    // near and far planes.
    std::mt19937 random(36);
    std::uniform_real_distribution<float> spread(-8.0f, 8.0f);
    std::uniform_real_distribution<float> depth(-1100.0f, 9.9f);
    int insides = 0;
    for (int i = 0; i < 2000; ++i) {
        float z = depth(random);
        float scale = (10.0f - z) / 10.0f;
        Vector3 p(spread(random) * scale, spread(random) * scale, z);
        Vector4 s = Screen(p);
        float viewDepth = 10.0f - z;
        bool expected = s.x > 300 && s.x < 500 && s.y > 200 && s.y < 400 && viewDepth > 1.0f &&
                        viewDepth < 1000.0f;
        bool margin = fabsf(s.x - 300) < 0.05f || fabsf(s.x - 500) < 0.05f ||
                      fabsf(s.y - 200) < 0.05f || fabsf(s.y - 400) < 0.05f ||
                      fabsf(viewDepth - 1000.0f) < 0.5f;
        if (!margin) {
            EXPECT_EQ(Inside(pick, p), expected) << p.x << " " << p.y << " " << p.z;
            insides += expected;
        }
    }
    EXPECT_GT(insides, 100);
}

TEST_F(Picking, AMiddlePressMakesARayAndNeverDrags) {
    dcPick pick;
    Mouse(100, 450, 4);
    pick.Update();
    EXPECT_EQ(pick.m_Mode, dcPick::Line);
    EXPECT_EQ(pick.m_State, dcPick::Idle);
    ASSERT_TRUE(pick.m_Ray.m_Valid);
    Vector4 start = Screen(pick.m_Ray.m_Start);
    EXPECT_NEAR(start.x, 100, 1e-2);
    EXPECT_NEAR(start.y, 450, 1e-2);
    Mouse(200, 450, 4);
    pick.Update();
    EXPECT_EQ(pick.m_State, dcPick::Idle);
    EXPECT_NEAR(Screen(pick.m_Ray.m_Start).x, 200, 1e-2);
    Mouse(200, 450, 0);
    pick.Update();
    EXPECT_FALSE(pick.m_Valid);
}

TEST_F(Picking, TheDragRectangleIsDrawnInPixels) {
    RecordingDrawer drawer;
    dcPick pick;
    pick.Draw();
    EXPECT_TRUE(drawer.m_Calls.empty());
    Mouse(10, 20, 1);
    pick.Update();
    Mouse(30, 40, 1);
    pick.Update();
    pick.Draw();
    EXPECT_EQ(drawer.m_Calls,
              (std::vector<std::string>{"Enable 0 0", "Color FFFF0000", "Begin 3",
                                        "Vertex 10.00 20.00 0.00", "Vertex 30.00 20.00 0.00",
                                        "Vertex 30.00 40.00 0.00", "Vertex 10.00 40.00 0.00",
                                        "Vertex 10.00 20.00 0.00", "End", "Enable 0 1"}));
    EXPECT_EQ(gfxCurrentViewport, m_Viewport);
}

TEST_F(Picking, MarkersSurroundTheProjectedPoint) {
    struct Case {
        const char* name;
        void (*draw)(const Vector3&);
        int offsets[8][2];
    };
    const Case cases[] = {
        {"star", dcDrawMarker, {{-4, -4}, {4, 4}, {-4, 4}, {4, -4}, {-4, 0}, {4, 0}, {0, 4},
                                {0, -4}}},
        {"square", dcDrawSquareMarker, {{-4, -4}, {4, -4}, {4, -4}, {4, 4}, {4, 4}, {-4, 4},
                                        {-4, 4}, {-4, -4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingDrawer drawer;
        c.draw(Vector3(0, 0, 0));
        std::vector<std::string> expected = {"Enable 0 0", "Begin 2"};
        for (const auto& offset : c.offsets) {
            char text[64];
            snprintf(text, sizeof(text), "Vertex %.2f %.2f 0.00", 400.0f + offset[0],
                     300.0f + offset[1]);
            expected.push_back(text);
        }
        expected.push_back("End");
        expected.push_back("Enable 0 1");
        EXPECT_EQ(drawer.m_Calls, expected);
        EXPECT_EQ(gfxCurrentViewport, m_Viewport);

        drawer.m_Calls.clear();
        c.draw(Vector3(0, 0, 30));
        EXPECT_TRUE(drawer.m_Calls.empty());
    }
}

TEST_F(Picking, TheFrustumIsDrawnFromItsCorners) {
    dcPick pick;
    Mouse(400, 300, 1);
    pick.Update();
    Mouse(400, 300, 0);
    pick.Update();
    RecordingDrawer drawer;
    pick.DrawFrustum();
    EXPECT_EQ(drawer.m_Calls.front(), "Color FF00FF00");
    EXPECT_EQ(drawer.m_Vertices.size(), 5u + 5u + 8u);
    EXPECT_EQ(drawer.m_Calls[1], "Begin 3");
    EXPECT_EQ(drawer.m_Calls[2], drawer.m_Calls[6]);
}

}  // namespace
