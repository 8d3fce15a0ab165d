#include <cmath>

#include <gtest/gtest.h>

#include "gfx/rstate.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/support/child.h"

using RenderStates = FakePipeline;

TEST_F(RenderStates, BlendModesSetTheirFactorsAndMarkOnlyChanges) {
    struct Case {
        uint32_t m_Mode;
        uint8_t m_Source;
        uint8_t m_Destination;
    };
    const Case cases[] = {
        {1, D3DBLEND_INVSRCALPHA, D3DBLEND_SRCALPHA}, {2, D3DBLEND_SRCALPHA, D3DBLEND_ONE},
        {3, D3DBLEND_SRCALPHA, D3DBLEND_ZERO},        {4, D3DBLEND_INVSRCALPHA, D3DBLEND_ZERO},
        {5, D3DBLEND_ZERO, D3DBLEND_SRCALPHA},        {6, D3DBLEND_ZERO, D3DBLEND_ZERO},
        {7, D3DBLEND_ONE, D3DBLEND_ONE},              {9, D3DBLEND_DESTALPHA, D3DBLEND_INVDESTALPHA},
        {10, D3DBLEND_INVDESTALPHA, D3DBLEND_DESTALPHA}, {11, D3DBLEND_DESTALPHA, D3DBLEND_ONE},
        {12, D3DBLEND_ONE, D3DBLEND_SRCALPHA},        {0, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
    };
    for (const Case& c : cases) {
        gfxStateDirty = 0;
        gfxSetBlendMode(gfxCurrentState, c.m_Mode);
        EXPECT_EQ(c.m_Source, gfxCurrentState.m_SrcBlend) << c.m_Mode;
        EXPECT_EQ(c.m_Destination, gfxCurrentState.m_DestBlend) << c.m_Mode;
        EXPECT_EQ(c.m_Mode, gfxCurrentState.m_BlendMode);
        EXPECT_EQ(gfxDirtyStates, gfxStateDirty) << c.m_Mode;
        gfxStateDirty = 0;
        gfxSetBlendMode(gfxCurrentState, c.m_Mode);
        EXPECT_EQ(0u, gfxStateDirty) << "mode " << c.m_Mode << " set twice";
    }
    // Modes 3 and 4 share the destination: only the source changes, still one mark.
    gfxSetBlendMode(gfxCurrentState, 3);
    gfxStateDirty = 0;
    gfxSetBlendMode(gfxCurrentState, 4);
    EXPECT_EQ(gfxDirtyStates, gfxStateDirty);
}

TEST_CHILD(BlendModeEight) {
    gfxSetBlendMode(gfxCurrentState, 8);
    return 0;
}

TEST_CHILD(BlendModeThirteen) {
    gfxSetBlendMode(gfxCurrentState, 13);
    return 0;
}

TEST(RenderStateAsserts, BlendModesWithoutFactorsFail) {
    ExpectFatalChildren({
        {"BlendModeEight", "Assert(mode < 13 && mode != 8) failed in [gfx/rstate, line"},
        {"BlendModeThirteen", "Assert(mode < 13 && mode != 8) failed in [gfx/rstate, line"},
    });
}

TEST_F(RenderStates, LightsBeyondTheDeviceOrTheTableAreIgnored) {
    D3DLIGHT7 light;
    gfxDefaultLight(light);
    gfxLightCount = 0;
    gfxSetLight(gfxMaxLights, &light);
    EXPECT_EQ(0, gfxLightCount);
    EXPECT_EQ(0, m_Device.CountOf("SetLight"));

    gfxSetLight(5, &light);
    EXPECT_EQ(6, gfxLightCount);
    EXPECT_EQ(&light, gfxLights[5]);
    ASSERT_EQ(1, m_Device.CountOf("SetLight"));
    EXPECT_EQ(5u, m_Device.CallsOf("SetLight")[0].m_A);
    EXPECT_EQ(gfxDirtyLights, gfxStateDirty & gfxDirtyLights);

    // A device with more lights than the table records: the table's end still holds.
    gfxMaxLights = 100;
    gfxSetLight(gfxMaxLightSlots, &light);
    EXPECT_EQ(6, gfxLightCount);

    m_Device.Forget();
    gfxDisableLights();
    EXPECT_EQ(6, m_Device.CountOf("LightEnable"));
    EXPECT_EQ(0, gfxLightCount);
}

TEST_F(RenderStates, FailedLightIsReported) {
    D3DLIGHT7 light;
    gfxDefaultLight(light);
    m_Device.m_Result = DDERR_GENERIC;
    gfxSetLight(1, &light);
    gfxLightEnable(1, true);
    std::string text = m_Console.Take();
    EXPECT_NE(std::string::npos, text.find("error setting D3D light"));
    EXPECT_NE(std::string::npos,
              text.find("lpD3DDev->LightEnable(idx,flag) failed, code=80004005 (16389)"));
}

TEST(DepthComplexity, LayersGiveTheOverrideGrey) {
    struct Case {
        int m_Layers;
        uint32_t m_Colour;
    };
    const Case cases[] = {{2, 0xFF7F7F7F}, {4, 0xFF3F3F3F}, {16, 0xFF0F0F0F}};
    for (const Case& c : cases) {
        gfxSetDCLayers(c.m_Layers);
        EXPECT_EQ(c.m_Colour, gfxDCColor) << c.m_Layers;
    }
    gfxSetDCLayers(4);
}

TEST_F(RenderStates, CameraSendsTheViewAndMakesTheCompositeStale) {
    Matrix34 camera = Matrix34::sm_Identity;
    camera.d = Vector3(0, 0, 10);
    gfxStateDirty = 0;
    gfxSetCamera(camera);
    EXPECT_FLOAT_EQ(0, gfxView.d.x);
    EXPECT_FLOAT_EQ(0, gfxView.d.y);
    EXPECT_FLOAT_EQ(10, gfxView.d.z);
    EXPECT_FLOAT_EQ(-1, gfxView.c.z);
    EXPECT_EQ(1, m_Device.CountOf("SetTransform"));
    EXPECT_EQ((DWORD)D3DTRANSFORMSTATE_VIEW, m_Device.CallsOf("SetTransform")[0].m_A);
    EXPECT_EQ(gfxDirtyComposite, gfxStateDirty);

    gfxComposeMatrices();
    EXPECT_EQ(0u, gfxStateDirty & gfxDirtyComposite);
    // A point 5 in front of the camera lands in the middle of the target.
    Vector4 in(0, 0, 5, 1);
    Vector4 out;
    gfxTransformPoint(&out, &in);
    EXPECT_NEAR(400, out.x, 1e-3);
    EXPECT_NEAR(300, out.y, 1e-3);
}

TEST_F(RenderStates, FastCameraMatchesTheGeneralOne) {
    Matrix34 camera;
    camera.Identity();
    camera.RotateFullY(0.7f);
    camera.RotateFullX(-0.3f);
    camera.d = Vector3(3, -4, 12);
    gfxSetCamera(camera);
    Matrix44 general = gfxView;
    gfxSetCameraFast(camera);
    const float* a = &general.a.x;
    const float* b = &gfxView.a.x;
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(a[i], b[i], 1e-5) << i;
    }
}

TEST_F(RenderStates, BillboardFacesTheCamera) {
    Matrix34 camera;
    camera.Identity();
    camera.RotateFullY(1.1f);
    camera.d = Vector3(1, 2, 3);
    gfxSetCamera(camera);
    gfxStateDirty = 0;
    gfxLoadBillboard(Vector3(7, 8, 9));
    EXPECT_EQ(gfxDirtyWorld | gfxDirtyComposite, gfxStateDirty);
    // World rotation times the view rotation is the identity.
    Matrix44 product = gfxWorld;
    product.d = Vector4(0, 0, 0, 1);
    Matrix44 view = gfxView;
    view.d = Vector4(0, 0, 0, 1);
    product.Dot(view);
    EXPECT_NEAR(1, product.a.x, 1e-5);
    EXPECT_NEAR(1, product.b.y, 1e-5);
    EXPECT_NEAR(1, product.c.z, 1e-5);
    EXPECT_NEAR(0, product.a.z, 1e-5);
    EXPECT_FLOAT_EQ(7, gfxWorld.d.x);
    EXPECT_FLOAT_EQ(1, gfxWorld.d.w);
}

TEST_F(RenderStates, DefaultsFollowTheDevice) {
    struct Case {
        const char* m_Name;
        bool m_Software;
        int m_Depth;
        uint8_t m_Shade;
        uint8_t m_Dither;
        DWORD m_ColorOp;
    };
    const Case cases[] = {
        {"hardware 32-bit", false, 32, D3DSHADE_GOURAUD, 0, D3DTOP_MODULATE},
        {"hardware 16-bit", false, 16, D3DSHADE_GOURAUD, 1, D3DTOP_MODULATE},
        {"software 16-bit", true, 16, D3DSHADE_FLAT, 0, D3DTOP_SELECTARG1},
    };
    for (const Case& c : cases) {
        gfxUseSoftware = c.m_Software;
        gfxPipeline::m_ColorDepth = c.m_Depth;
        m_Device.Forget();
        gfxReadDeviceStates(gfxCurrentState);
        gfxResetStates(gfxCurrentState);
        const gfxRenderState& s = gfxCurrentState;
        EXPECT_EQ(D3DCULL_NONE, s.m_CullMode) << c.m_Name;
        EXPECT_EQ(D3DCMP_LESSEQUAL, s.m_ZFunc) << c.m_Name;
        EXPECT_EQ(D3DCMP_NOTEQUAL, s.m_AlphaFunc) << c.m_Name;
        EXPECT_EQ(c.m_Shade, s.m_ShadeMode) << c.m_Name;
        EXPECT_EQ(c.m_Dither, s.m_Dither) << c.m_Name;
        EXPECT_EQ(D3DBLEND_SRCALPHA, s.m_SrcBlend) << c.m_Name;
        EXPECT_EQ(D3DBLEND_INVSRCALPHA, s.m_DestBlend) << c.m_Name;
        EXPECT_EQ(0u, s.m_BlendMode) << c.m_Name;
        EXPECT_EQ(1, s.m_Clipping) << c.m_Name;
        EXPECT_EQ(0, s.m_Lighting) << c.m_Name;
        EXPECT_EQ(&gfxDefaultMaterial, s.m_Material) << c.m_Name;
        EXPECT_EQ(gfxApplyMasks[0], gfxStateApplyMask);
        EXPECT_FLOAT_EQ(1, gfxWorld.a.x);
        EXPECT_FLOAT_EQ(0, gfxWorld.d.x);
        bool opSent = false;
        for (const FakeDevice::Call& call : m_Device.CallsOf("SetTextureStageState")) {
            if (call.m_A == 0 && call.m_B == D3DTSS_COLOROP) {
                EXPECT_EQ(c.m_ColorOp, call.m_C) << c.m_Name;
                opSent = true;
            }
        }
        EXPECT_TRUE(opSent) << c.m_Name;
        // The sun is light 0, enabled.
        ASSERT_GE(m_Device.CountOf("SetLight"), 1);
        EXPECT_EQ(0u, m_Device.CallsOf("SetLight")[0].m_A);
        EXPECT_EQ((DWORD)D3DLIGHT_DIRECTIONAL, m_Device.CallsOf("SetLight")[0].m_B);
        EXPECT_FLOAT_EQ(-0.7071f, gfxSunLight.dvDirection.y);
        EXPECT_FLOAT_EQ(15, gfxSunLight.dvRange);
    }
}
