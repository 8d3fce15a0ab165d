#include <cmath>

#include <gtest/gtest.h>

#include "gfx/viewport.h"
#include "tests/engine/gfx/pipefixture.h"

namespace {

using Viewports = FakePipeline;

void ExpectRow(const Vector4& row, float x, float y, float z, float w, const char* name) {
    EXPECT_FLOAT_EQ(x, row.x) << name;
    EXPECT_FLOAT_EQ(y, row.y) << name;
    EXPECT_FLOAT_EQ(z, row.z) << name;
    EXPECT_FLOAT_EQ(w, row.w) << name;
}

}  // namespace

TEST_F(Viewports, WindowIsClippedToTheTarget) {
    gfxViewport viewport;
    viewport.SetWindow(-10, 0, 100, 50, 0, 1);
    EXPECT_EQ(0u, viewport.m_Viewport.dwX);
    EXPECT_EQ(90u, viewport.m_Viewport.dwWidth);
    EXPECT_EQ(50u, viewport.m_Viewport.dwHeight);
    EXPECT_FLOAT_EQ(1.8f, viewport.m_Aspect);
    ExpectRow(viewport.m_Screen.a, 45, 0, 0, 0, "a");
    ExpectRow(viewport.m_Screen.b, 0, -25, 0, 0, "b");
    ExpectRow(viewport.m_Screen.c, 0, 0, 0.999999f, 0, "c");
    ExpectRow(viewport.m_Screen.d, 45, 25, 0, 1, "d");
    // Sent at once, dirty bits cleared.
    EXPECT_EQ(90u, m_Device.m_Viewport.dwWidth);
    EXPECT_EQ(0u, viewport.m_Dirty);

    viewport.SetWindow(700, 550, 300, 100, 0, 1);
    EXPECT_EQ(100u, viewport.m_Viewport.dwWidth);
    EXPECT_EQ(50u, viewport.m_Viewport.dwHeight);
}

TEST_F(Viewports, OddSizesHalveDownward) {
    gfxParseOptions(801, 601, 32, 16, false);
    gfxViewport viewport;
    viewport.SetFullWindow();
    EXPECT_FLOAT_EQ(400, viewport.m_Screen.a.x);
    EXPECT_FLOAT_EQ(-301, viewport.m_Screen.b.y);
    EXPECT_FLOAT_EQ(400, viewport.m_Screen.d.x);
    EXPECT_FLOAT_EQ(300, viewport.m_Screen.d.y);
}

TEST_F(Viewports, PerspectiveForDirect3DAndTheInternalRenderer) {
    struct Case {
        bool m_Internal;
        float m_Depth;
        float m_Offset;
    };
    const Case cases[] = {{false, 1.0001000f, -1.0001000f}, {true, 1.0002000f, -2.0002000f}};
    for (const Case& c : cases) {
        gfxUseIntRenderer = c.m_Internal;
        gfxViewport viewport;
        viewport.SetWindow(0, 0, 800, 600, 0, 1);
        m_Device.Forget();
        viewport.Perspective(60, 0, 1, 10000);
        const Matrix44& p = viewport.m_Projection;
        EXPECT_NEAR(1.2990381f, p.a.x, 1e-6);
        EXPECT_NEAR(1.7320508f, p.b.y, 1e-6);
        EXPECT_FLOAT_EQ(1, p.c.w);
        EXPECT_NEAR(c.m_Depth, p.c.z, 1e-6) << c.m_Internal;
        EXPECT_NEAR(c.m_Offset, p.d.z, 1e-6) << c.m_Internal;
        EXPECT_FLOAT_EQ(0, p.d.w);
        EXPECT_FALSE(viewport.IsOrtho());
        EXPECT_EQ(1, m_Device.CountOf("SetTransform"));
        EXPECT_EQ((DWORD)D3DTRANSFORMSTATE_PROJECTION, m_Device.CallsOf("SetTransform")[0].m_A);
        // Left and bottom side planes.
        EXPECT_NEAR(-0.7924058f, viewport.m_SidePlanes[0], 1e-6);
        EXPECT_NEAR(-0.6099943f, viewport.m_SidePlanes[1], 1e-6);
        EXPECT_NEAR(-0.8660254f, viewport.m_SidePlanes[4], 1e-6);
        EXPECT_NEAR(-0.5f, viewport.m_SidePlanes[5], 1e-6);
    }
}

TEST_F(Viewports, InternalRendererDepthFillsTheWholeRange) {
    // Clip depth runs from -1 to 1 for the internal renderer: near must land on min z, far on
    // max z, never below min z.
    gfxUseIntRenderer = true;
    gfxViewport viewport;
    viewport.SetWindow(0, 0, 800, 600, 0, 1);
    float zs = viewport.m_Screen.c.z;
    float zo = viewport.m_Screen.d.z;
    EXPECT_NEAR(0.0f, -1 * zs + zo, 1e-6);
    EXPECT_NEAR(0.999999f, 1 * zs + zo, 1e-6);
}

TEST_F(Viewports, AspectZeroUsesTheRectangle) {
    gfxViewport viewport;
    viewport.SetWindow(0, 0, 400, 100, 0, 1);
    viewport.Perspective(90, 0, 1, 100);
    EXPECT_NEAR(4.0f, viewport.m_TanX, 1e-5);
    viewport.Perspective(90, -2, 1, 100);
    EXPECT_NEAR(-2.0f, viewport.m_TanX, 1e-5);
}

TEST_F(Viewports, OrthoMapsPixels) {
    gfxViewport viewport;
    viewport.SetWindow(0, 0, 800, 600, 0, 1);
    viewport.Ortho(0, 800, 600, 0, -1, 1);
    EXPECT_TRUE(viewport.IsOrtho());
    const Matrix44& p = viewport.m_Projection;
    // Pixel (800, 600) is the bottom-right clip corner (1, -1).
    EXPECT_FLOAT_EQ(1, 800 * p.a.x + p.d.x);
    EXPECT_FLOAT_EQ(-1, 600 * p.b.y + p.d.y);
}

TEST_F(Viewports, SphereTests) {
    gfxSetCameraMatrix(Matrix44::sm_Identity);
    gfxViewport viewport;
    viewport.SetWindow(0, 0, 800, 600, 0, 1);
    viewport.Perspective(60, 0, 1, 1000);
    struct Case {
        float m_X, m_Y, m_Z;
        int m_Result;
    };
    const Case cases[] = {
        {0, 0, -5, 1},     {0, 0, -1.5f, 3},  {0, 0, 5, 0},      {0, 2.9f, -5, 2},
        {0, 0, -999.5f, 4}, {0, 0, -1002, 0},  {100, 0, -5, 0},   {-1.2f, 0, -1.5f, 3},
    };
    for (const Case& c : cases) {
        float depth = 0;
        EXPECT_EQ(c.m_Result, viewport.TestSphere(c.m_X, c.m_Y, c.m_Z, 1.0f, &depth))
            << c.m_X << " " << c.m_Y << " " << c.m_Z;
        EXPECT_FLOAT_EQ(-c.m_Z, depth);
    }
}

TEST_F(Viewports, FovYFromFovX) {
    gfxViewport viewport;
    viewport.SetWindow(0, 0, 800, 600, 0, 1);
    EXPECT_NEAR(1.2870022f, viewport.FovYFromFovX(1.5707963f), 1e-6);
}

TEST_F(Viewports, SwitchKeepsEachViewportsMatrices) {
    Matrix34 camera = Matrix34::sm_Identity;
    camera.d = Vector3(1, 2, 3);
    gfxSetCamera(camera);
    gfxViewport* other = gfxCreateViewport();
    m_Device.Forget();
    gfxSetViewport(other);
    EXPECT_EQ(other, gfxCurrentViewport);
    EXPECT_FLOAT_EQ(3, m_Viewport->m_Camera.d.z);
    EXPECT_FLOAT_EQ(0, gfxCamera.d.z);
    EXPECT_EQ(1, m_Device.CountOf("SetViewport"));
    gfxSetViewport(m_Viewport);
    EXPECT_FLOAT_EQ(3, gfxCamera.d.z);
    delete other;
}
