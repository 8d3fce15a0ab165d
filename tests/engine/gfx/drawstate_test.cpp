#include <gtest/gtest.h>

#include "gfx/d3dpipe.h"
#include "gfx/drawstate.h"
#include "tests/engine/gfx/pipefixture.h"

namespace {

using StateApplier = FakePipeline;

const uint8_t Vertices[3 * 16] = {};

void Draw() {
    gfxDrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZ | D3DFVF_DIFFUSE, Vertices, 3, 0);
}

typedef std::vector<std::pair<DWORD, DWORD>> States;

IDirectDrawSurface7* StubSurface(const gfxTexture*) {
    return reinterpret_cast<IDirectDrawSurface7*>(0x1000);
}

uint32_t StubFlags(const gfxTexture* texture) {
    return (uint32_t)reinterpret_cast<uintptr_t>(texture) >> 4;
}

// A texture whose flags are the pointer's bits above the fourth.
const gfxTexture* TextureWithFlags(uint32_t flags) {
    return reinterpret_cast<const gfxTexture*>((uintptr_t)flags << 4);
}

}  // namespace

TEST_F(StateApplier, OnlyStatesThatDifferAreSent) {
    Draw();
    EXPECT_TRUE(m_Device.RenderStatesSent().empty()) << "nothing pending after the set-up";

    gfxSetStateByte(gfxCurrentState.m_ZWrite, 0);
    gfxSetStateByte(gfxCurrentState.m_CullMode, D3DCULL_CW);
    gfxSetStateByte(gfxCurrentState.m_ZFunc, gfxCurrentState.m_ZFunc);
    Draw();
    EXPECT_EQ((States{{D3DRENDERSTATE_ZWRITEENABLE, 0}, {D3DRENDERSTATE_CULLMODE, D3DCULL_CW}}),
              m_Device.RenderStatesSent());
    EXPECT_EQ(0u, gfxStateDirty & ~gfxDirtyComposite);

    // The same values again, even with every bit raised, send nothing.
    m_Device.Forget();
    gfxSetStateByte(gfxCurrentState.m_ZWrite, 0);
    gfxMarkAllDirty();
    Draw();
    EXPECT_TRUE(m_Device.RenderStatesSent().empty());
    EXPECT_EQ(1, m_Device.CountOf("SetTransform")) << "the world matrix goes with its bit";

    // A value changed and changed back before the draw sends nothing either.
    m_Device.Forget();
    gfxSetStateByte(gfxCurrentState.m_ZWrite, 1);
    gfxSetStateByte(gfxCurrentState.m_ZWrite, 0);
    Draw();
    EXPECT_TRUE(m_Device.RenderStatesSent().empty());
}

TEST_F(StateApplier, AlphaBlendGoesToBlendAndTestTogether) {
    gfxSetStateByte(gfxCurrentState.m_AlphaEnable, 1);
    Draw();
    EXPECT_EQ((States{{D3DRENDERSTATE_ALPHABLENDENABLE, 1}, {D3DRENDERSTATE_ALPHATESTENABLE, 1}}),
              m_Device.RenderStatesSent());
}

TEST_F(StateApplier, PendingStateWaitsForTheApplyMask) {
    // With lighting off the material is not among the bits that make a draw apply.
    gfxMaterial other;
    gfxCurrentState.m_Material = &other;
    gfxStateDirty |= gfxDirtyMaterial;
    Draw();
    EXPECT_EQ(0, m_Device.CountOf("SetMaterial"));
    gfxStateApplyMask = gfxApplyMasks[1];
    Draw();
    EXPECT_EQ(1, m_Device.CountOf("SetMaterial"));
}

TEST_F(StateApplier, InternalRendererKeepsDeviceClippingOff) {
    gfxUseIntRenderer = true;
    gfxMarkAllDirty();
    Draw();
    EXPECT_EQ((States{{D3DRENDERSTATE_CLIPPING, 0}}), m_Device.RenderStatesSent());
    m_Device.Forget();
    gfxMarkAllDirty();
    Draw();
    EXPECT_TRUE(m_Device.RenderStatesSent().empty());
}

TEST_F(StateApplier, OwnDeviceReceivesItsCorrectionAndMaskSwitches) {
    // Set up on a hardware device: nothing of the own device's switches was sent.
    EXPECT_TRUE(m_Device.RenderStatesSent().empty());
    gfxUseOwnDevice = true;
    gfxMarkAllDirty();
    Draw();
    EXPECT_EQ((States{{D3DRENDERSTATE_SUBPIXEL, 1}, {D3DRENDERSTATE_SUBPIXELX, 1},
                      {D3DRENDERSTATE_PLANEMASK, 0xFFFFFFFF}}),
              m_Device.RenderStatesSent());
    m_Device.Forget();
    gfxSubtexelCorrection = 0;
    gfxMarkAllDirty();
    Draw();
    EXPECT_EQ((States{{D3DRENDERSTATE_SUBPIXELX, 0}}), m_Device.RenderStatesSent());
    gfxSubtexelCorrection = 1;
}

TEST_F(StateApplier, DepthComplexityLeavesItsOverridesAlone) {
    gfxDepthComplexity = 1;
    gfxSetStateByte(gfxCurrentState.m_ZEnable, 0);
    gfxSetStateByte(gfxCurrentState.m_Lighting, 1);
    gfxSetStateByte(gfxCurrentState.m_FillMode, D3DFILL_WIREFRAME);
    Draw();
    EXPECT_EQ((States{{D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME}}), m_Device.RenderStatesSent());
}

TEST_F(StateApplier, TextureAddressingFollowsTheTextureFlags) {
    gfxTextureHooks.m_ResidentSurface = StubSurface;
    gfxTextureHooks.m_Flags = StubFlags;
    struct Case {
        uint32_t m_Flags;
        DWORD m_U;
        DWORD m_V;
    };
    const Case cases[] = {{0x1, D3DTADDRESS_CLAMP, D3DTADDRESS_WRAP},
                          {0x10000, D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP},
                          {0x10001, D3DTADDRESS_CLAMP, D3DTADDRESS_CLAMP}};
    for (const Case& c : cases) {
        // Each case starts from wrapped stages.
        gfxDeviceState.m_AddressU[0] = gfxDeviceState.m_AddressV[0] = D3DTADDRESS_WRAP;
        m_Device.Forget();
        gfxCurrentState.m_Texture[0] = TextureWithFlags(c.m_Flags);
        gfxStateDirty |= gfxDirtyTextures | gfxDirtyStates;
        Draw();
        DWORD u = 0;
        DWORD v = 0;
        for (const FakeDevice::Call& call : m_Device.CallsOf("SetTextureStageState")) {
            if (call.m_A == 0 && call.m_B == D3DTSS_ADDRESSU) {
                u = call.m_C;
            }
            if (call.m_A == 0 && call.m_B == D3DTSS_ADDRESSV) {
                v = call.m_C;
            }
        }
        EXPECT_EQ(c.m_U == D3DTADDRESS_CLAMP ? c.m_U : 0u, u) << std::hex << c.m_Flags;
        EXPECT_EQ(c.m_V == D3DTADDRESS_CLAMP ? c.m_V : 0u, v) << std::hex << c.m_Flags;
        ASSERT_EQ(1, m_Device.CountOf("SetTexture"));
        EXPECT_EQ(1u, m_Device.CallsOf("SetTexture")[0].m_B) << "the resident surface is bound";
    }
    // Software devices chosen by option never receive addressing.
    gfxUseSoftware = true;
    m_Device.Forget();
    gfxDeviceState.m_AddressU[0] = D3DTADDRESS_WRAP;
    gfxCurrentState.m_Texture[0] = TextureWithFlags(0x2);
    gfxStateDirty |= gfxDirtyTextures | gfxDirtyStates;
    Draw();
    gfxCurrentState.m_Texture[0] = TextureWithFlags(0x1);
    gfxStateDirty |= gfxDirtyTextures | gfxDirtyStates;
    Draw();
    for (const FakeDevice::Call& call : m_Device.CallsOf("SetTextureStageState")) {
        EXPECT_NE((DWORD)D3DTSS_ADDRESSU, call.m_B);
    }
    gfxCurrentState.m_Texture[0] = nullptr;
}

TEST_F(StateApplier, StageOneOnlyInNativeMultitexture) {
    gfxTextureHooks.m_ResidentSurface = StubSurface;
    gfxCurrentState.m_Texture[1] = TextureWithFlags(0x100);
    gfxStateDirty |= gfxDirtyStates;
    for (uint32_t mode : {0u, 1u}) {
        gfxMultiTextureMode = mode;
        Draw();
        EXPECT_EQ(0, m_Device.CountOf("SetTexture")) << "mode " << mode;
        EXPECT_EQ(0, m_Device.CountOf("SetTextureStageState")) << "mode " << mode;
    }
    gfxMultiTextureMode = 2;
    gfxStateDirty |= gfxDirtyStates;
    Draw();
    ASSERT_EQ(1, m_Device.CountOf("SetTexture"));
    EXPECT_EQ(1u, m_Device.CallsOf("SetTexture")[0].m_A);
    auto ops = m_Device.CallsOf("SetTextureStageState");
    ASSERT_EQ(1u, ops.size());
    EXPECT_EQ(1u, ops[0].m_A);
    EXPECT_EQ((DWORD)D3DTSS_COLOROP, ops[0].m_B);
    EXPECT_EQ((DWORD)D3DTOP_MODULATE, ops[0].m_C);
    gfxCurrentState.m_Texture[1] = nullptr;
}
