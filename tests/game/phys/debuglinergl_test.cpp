// The physics debug lines drawn on the device through the immediate-mode drawer.
#include "phys/debuglinergl.h"

#include <gtest/gtest.h>

#include <vector>

#include "phcore/debuglines.h"
#include "tests/engine/rgl/rglfixture.h"

namespace {

class DebugLinesOnRgl : public RglPipeline {
protected:
    void SetUp() override {
        RglPipeline::SetUp();
        m_Previous = DebugLineDrawer;
        lvlUseRglDebugLineDrawer();
        phDebugLineCount = 0;
        rglEndFrame();
        m_Capture.Forget();
    }
    void TearDown() override {
        phDebugLineCount = 0;
        DebugLineDrawer = m_Previous;
        RglPipeline::TearDown();
    }
    phDebugLineDrawer* m_Previous = nullptr;
};

TEST_F(DebugLinesOnRgl, EachLineIsAPairInItsColourUnlitUntexturedInWorldSpace) {
    Matrix34 moved = Matrix34::sm_Identity;
    moved.d.Set(5, 5, 5);
    rglLoadMatrix(moved);
    rglEnable(RGL_LIGHTING, 1);
    gfxCurrentState.m_Texture[0] = gfxCurrentState.m_Texture[1] =
        reinterpret_cast<gfxTexture*>(uintptr_t(0x1000));
    phDebugLineAdd(Vector3(1, 2, 3), Vector3(4, 5, 6), 0xFF112233);
    phDebugLineAdd(Vector3(-1, 0, 0), Vector3(1, 0, 0), 0x80FF0000);
    phDebugLineRender(true);

    std::vector<RglDrawn> drawn = Drawn();
    ASSERT_EQ(drawn.size(), 2u);
    struct Expected {
        float m_FromX, m_ToZ;
        uint32_t m_Colour;
    } expected[] = {{1, 6, 0xFF112233}, {-1, 0, 0x80FF0000}};
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(drawn[i].m_Type, unsigned(RGL_LINES));
        ASSERT_EQ(drawn[i].m_Vertices.size(), 2u);
        EXPECT_EQ(drawn[i].m_Vertices[0].x, expected[i].m_FromX);
        EXPECT_EQ(drawn[i].m_Vertices[1].z, expected[i].m_ToZ);
        EXPECT_EQ(drawn[i].m_Vertices[0].m_Colour, expected[i].m_Colour);
        EXPECT_EQ(drawn[i].m_Vertices[1].m_Colour, expected[i].m_Colour);
    }
    EXPECT_EQ(gfxCurrentState.m_Texture[0], nullptr);
    EXPECT_EQ(gfxCurrentState.m_Texture[1], nullptr);
    EXPECT_EQ(gfxWorld.d.x, 0.0f) << "drawn in world space";
    EXPECT_TRUE(rglIsEnabled(RGL_LIGHTING)) << "lighting comes back";
    EXPECT_EQ(phDebugLineCount, 0);
}

}  // namespace
