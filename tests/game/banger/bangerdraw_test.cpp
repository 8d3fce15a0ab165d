#include <gtest/gtest.h>

#include "gfx/rstate.h"
#include "rgl/rgl.h"

#include "tests/game/banger/bangerfixture.h"

namespace {

class BangerDrawTest : public BangerFixture {
protected:
    void SetUp() override {
        BangerFixture::SetUp();
        WriteType("lamp", [](qvBangerData& d) { d.BillFlags = qvBangerData::DONT_LIGHT; });
        WriteType("bin");
        // Only a medium model: the high level draws nothing unless one level coarser.
        WritePackage("lamp", LodItems("lamp", {"M"}) + LodItems("shadow", {"H"}) +
                                 ShadersItem(1, 1));
        WritePackage("bin", LodItems("bin", {"H"}) + ShadersItem(1, 1));
        WriteType("crate");
        WritePackage("crate", LodItems("crate", {"H"}) + ShadersItem(3, 1));
    }

    bool SentState(DWORD state, DWORD value) const {
        for (const auto& sent : m_Device.RenderStatesSent()) {
            if (sent.first == state && sent.second == value) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(BangerDrawTest, CoarserFlagDrawsOneLevelDown) {
    qvBangerInstance* lamp = Place("lamp", Vector3(5, 0, 5));
    m_Device.Forget();
    lamp->Draw(4);
    EXPECT_TRUE(m_Device.m_DrawnVertices.empty());
    lamp->AddFlags(qvBangerInstance::COARSER);
    lamp->Draw(4);
    EXPECT_FALSE(m_Device.m_DrawnVertices.empty());
    m_Device.Forget();
    lamp->Draw(0);
    EXPECT_TRUE(m_Device.m_DrawnVertices.empty()) << "level 0 is not drawn";
}

// "Don't Light Object" draws unlit at alpha reference 140 and leaves lighting on after.
TEST_F(BangerDrawTest, UnlitTypeDrawsWithoutLighting) {
    qvBangerInstance* bin = Place("bin", Vector3(5, 0, 6));
    qvBangerInstance* lamp = Place("lamp", Vector3(5, 0, 5));
    lamp->AddFlags(qvBangerInstance::COARSER);
    rglEnable(RGL_LIGHTING, 1);
    bin->Draw(4);
    ASSERT_FALSE(m_Device.m_DrawnVertices.empty());
    EXPECT_FALSE(SentState(D3DRENDERSTATE_ALPHAREF, 140));

    m_Device.Forget();
    lamp->Draw(4);
    ASSERT_FALSE(m_Device.m_DrawnVertices.empty());
    EXPECT_TRUE(SentState(D3DRENDERSTATE_ALPHAREF, 140));
    EXPECT_TRUE(SentState(D3DRENDERSTATE_LIGHTING, FALSE));
    EXPECT_EQ(gfxCurrentState.m_AlphaRef, 0);
    EXPECT_EQ(gfxCurrentState.m_Lighting, 1);
    EXPECT_EQ(gfxStateApplyMask, gfxApplyMasks[1]);
}

// A banger's variant lives in the instance's variant byte, which every instance has and its
// drawing reads; the type word keeps the type index alone. Drawn lit, the model takes the
// shader of its variant's table (the fixture's shaders have powers 1, 2, 3).
TEST_F(BangerDrawTest, VariantChoosesTheShaderTableDrawnWith) {
    qvBangerInstance* crate = Place("crate", Vector3(5, 0, 5));
    int type = crate->GetTypeIndex();
    rglEnable(RGL_LIGHTING, 1);
    for (int variant : {0, 2, 1}) {
        SCOPED_TRACE(variant);
        crate->SetVariant(variant);
        EXPECT_EQ(crate->GetVariant(), variant);
        EXPECT_EQ(crate->GetTypeIndex(), type);
        gfxCurrentState.m_Material = nullptr;
        m_Device.Forget();
        crate->Draw(4);
        ASSERT_FALSE(m_Device.m_DrawnVertices.empty());
        ASSERT_TRUE(gfxCurrentState.m_Material);
        EXPECT_EQ(gfxCurrentState.m_Material->power, float(variant + 1));
    }
}

// The shadow lies on y = 0 under the banger; a banger whose package has none draws nothing.
TEST_F(BangerDrawTest, ShadowLiesOnTheGround) {
    qvBangerInstance* lamp = Place("lamp", Vector3(5, 3, 7));
    m_Device.Forget();
    lamp->DrawShadow();
    ASSERT_FALSE(m_Device.m_DrawnVertices.empty());
    const D3DMATRIX& world = m_Device.m_Transforms[D3DTRANSFORMSTATE_WORLD];
    EXPECT_FLOAT_EQ(world._41, 5.0f);
    EXPECT_FLOAT_EQ(world._42, 0.0f);
    EXPECT_FLOAT_EQ(world._43, 7.0f);

    qvBangerInstance* bin = Place("bin", Vector3(5, 3, 8));
    m_Device.Forget();
    bin->DrawShadow();
    EXPECT_TRUE(m_Device.m_DrawnVertices.empty());
}

}  // namespace
