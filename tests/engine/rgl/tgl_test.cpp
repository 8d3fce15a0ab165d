#include <algorithm>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "gfx/rstate.h"
#include "gfx/texture.h"
#include "rgl/tgl.h"
#include "tests/engine/rgl/rglfixture.h"

namespace {

class Batches : public RglPipeline {
protected:
    void SetUp() override {
        RglPipeline::SetUp();
        gfxInstallTextureAccess();
        tglInit(FVF_VCT1, 64, 120, 0);
        tglResetStats();
    }
    void TearDown() override {
        tglShutdown();
        RglPipeline::TearDown();
    }

    // A surface-less texture known to the device by a made-up surface number.
    gfxTexture* Texture(bool translucent = false) {
        m_Textures.emplace_back(new gfxTexture());
        gfxTexture* t = m_Textures.back().get();
        t->m_Surface = reinterpret_cast<IDirectDrawSurface7*>(uintptr_t(0x1000 + m_Textures.size()));
        t->m_Flags = translucent ? gfxTexture::Translucent : 0;
        return t;
    }

    static void Triangle(gfxTexture* t) {
        tglSetTexture(t);
        tglReserve(RGL_TRIANGLES, 3);
        for (int i = 0; i < 3; ++i) {
            tglVertex(float(i), 0, 0);
        }
    }

    // The surfaces bound on stage 0, in order, by their numbers.
    std::vector<DWORD> Bound() const {
        std::vector<DWORD> bound;
        for (uintptr_t surface : m_Capture.m_Bound) {
            bound.push_back(DWORD(surface - 0x1000));
        }
        return bound;
    }

    std::vector<std::unique_ptr<gfxTexture>> m_Textures;
};

}  // namespace

TEST_F(Batches, OpaqueInOrderThenTranslucentInReverse) {
    gfxTexture* a = Texture();
    gfxTexture* glass = Texture(true);
    gfxTexture* b = Texture();
    gfxTexture* smoke = Texture(true);
    tglBegin();
    Triangle(a);
    Triangle(glass);
    Triangle(b);
    Triangle(a);
    Triangle(smoke);
    EXPECT_EQ(64u, glass->m_BatchSlot) << "slot 63";
    EXPECT_EQ(63u, smoke->m_BatchSlot);
    EXPECT_EQ(2u, b->m_BatchSlot);
    EXPECT_EQ(0, m_Capture.CountOf("DrawIndexedPrimitive"));
    tglEnd();
    // Opaque in the order taken; translucent from the last slot down, the first taken first.
    EXPECT_EQ((std::vector<DWORD>{1, 3, 2, 4}), Bound());
    auto draws = m_Capture.CallsOf("DrawIndexedPrimitive");
    ASSERT_EQ(4u, draws.size()) << "one draw per slot";
    EXPECT_EQ(6u, draws[0].m_D) << "both triangles of the first texture";
    EXPECT_EQ(3u, draws[1].m_C);
    EXPECT_EQ(0u, a->m_BatchSlot) << "keys are cleared";
    EXPECT_EQ(0u, glass->m_BatchSlot);
    EXPECT_EQ(4u, tglStats.m_TotalTextures);
    EXPECT_EQ(15u, tglStats.m_TotalVerts);
}

TEST_F(Batches, TheSixtyFifthTextureDrawsEverythingFirst) {
    tglBegin();
    for (int i = 0; i < 64; ++i) {
        Triangle(Texture());
    }
    EXPECT_EQ(0, m_Capture.CountOf("DrawIndexedPrimitive"));
    gfxTexture* last = Texture();
    tglSetTexture(last);
    EXPECT_EQ(64, m_Capture.CountOf("DrawIndexedPrimitive"));
    EXPECT_EQ(1u, last->m_BatchSlot);
    EXPECT_EQ(0u, m_Textures[0]->m_BatchSlot);
    tglReserve(RGL_TRIANGLE_FAN, 4);
    for (int i = 0; i < 4; ++i) {
        tglVertex(0, 0, 0);
    }
    tglEnd();
    EXPECT_EQ(65, m_Capture.CountOf("DrawIndexedPrimitive"));
}

TEST_F(Batches, FullSlotsDrawAtOnceOrFlushEverything) {
    gfxTexture* opaque = Texture();
    gfxTexture* other = Texture();
    gfxTexture* glass = Texture(true);
    tglBegin();
    Triangle(other);
    for (int i = 0; i < 40; ++i) {
        Triangle(opaque);
    }
    EXPECT_EQ(0, m_Capture.CountOf("DrawIndexedPrimitive"));
    // The 41st triangle does not fit 120: the slot is drawn alone and refilled from its start.
    Triangle(opaque);
    auto draws = m_Capture.CallsOf("DrawIndexedPrimitive");
    ASSERT_EQ(1u, draws.size());
    EXPECT_EQ(120u, draws[0].m_D) << "the forty triangles of the full slot";
    EXPECT_EQ((std::vector<DWORD>{1}), Bound());
    EXPECT_EQ(2u, opaque->m_BatchSlot);

    // A translucent slot that overflows draws everything collected so far first.
    m_Capture.m_Bound.clear();
    for (int i = 0; i < 41; ++i) {
        Triangle(glass);
    }
    EXPECT_EQ((std::vector<DWORD>{2, 1, 3}), Bound());
    EXPECT_EQ(64u, glass->m_BatchSlot) << "taken again after the flush";
    tglEnd();
}

TEST_F(Batches, UntexturedPrimitivesShareOneSlotAndStatsDivideByOne) {
    tglResetStats();
    EXPECT_EQ(0u, tglStats.m_AvgVerts);
    tglBegin();
    Triangle(nullptr);
    Triangle(Texture());
    Triangle(nullptr);
    tglEnd();
    auto draws = m_Capture.CallsOf("DrawIndexedPrimitive");
    ASSERT_EQ(2u, draws.size());
    EXPECT_EQ(6u, draws[0].m_D) << "the untextured triangles together";
    tglResetStats();
    EXPECT_EQ(4u, tglStats.m_AvgVerts) << "9 vertices over 2 slots";

    gfxDepthComplexity = 1;
    tglColor(0xFF00FF00);
    gfxDepthComplexity = 0;
    EXPECT_EQ(rglDepthComplexityColor, sm_tglColor);
}

// A slot's strips, fans and lists go out as one triangle list holding the same triangles in
// the same order, each turned as the device turns it in its own primitive: strips reverse
// every second triangle, and a fan triangle starts at the corner that colours it when shaded
// flat (its second). A line list between them is drawn alone, in its place.
TEST_F(Batches, ASlotIsOneTriangleListOfItsPrimitives) {
    struct Piece {
        uint32_t m_Type;
        uint32_t m_Count;
    };
    const Piece pieces[] = {{RGL_TRIANGLE_STRIP, 6}, {RGL_TRIANGLE_FAN, 5},
                            {RGL_TRIANGLES, 6},      {RGL_TRIANGLE_STRIP, 3},
                            {RGL_LINES, 4},          {RGL_TRIANGLE_FAN, 3}};
    // The reference: each primitive's triangles by the device's rules, vertices numbered
    // through the slot.
    std::vector<std::vector<float>> expected(1);
    float next = 0;
    for (const Piece& piece : pieces) {
        std::vector<float> own;
        for (uint32_t i = 0; i < piece.m_Count; ++i) {
            own.push_back(next + float(i));
        }
        next += float(piece.m_Count);
        std::vector<float>& out = expected.back();
        if (piece.m_Type == RGL_LINES) {
            expected.push_back(own);
            expected.emplace_back();
            continue;
        }
        for (uint32_t t = 0; t + 2 < piece.m_Count; ++t) {
            if (piece.m_Type == RGL_TRIANGLES && t % 3) {
                continue;
            }
            uint32_t tri[3] = {t, t + 1, t + 2};
            if (piece.m_Type == RGL_TRIANGLE_FAN) {
                tri[0] = t + 1;
                tri[1] = t + 2;
                tri[2] = 0;
            } else if (piece.m_Type == RGL_TRIANGLE_STRIP && t % 2) {
                std::swap(tri[1], tri[2]);
            }
            for (uint32_t k : tri) {
                out.push_back(own[k]);
            }
        }
    }
    tglBegin();
    tglSetTexture(Texture());
    float x = 0;
    for (const Piece& piece : pieces) {
        tglReserve(piece.m_Type, piece.m_Count);
        for (uint32_t i = 0; i < piece.m_Count; ++i) {
            tglVertex(x++, 0, 0);
        }
    }
    m_Capture.Forget();
    gfxStats = gfxStatistics();
    tglEnd();
    EXPECT_EQ(DrawnX(true), expected);
    auto indexed = m_Capture.CallsOf("DrawIndexedPrimitive");
    ASSERT_EQ(2u, indexed.size());
    EXPECT_EQ(DWORD(D3DPT_TRIANGLELIST), indexed[0].m_A);
    // The statistics count what was written: every vertex once, not once per triangle corner.
    EXPECT_EQ(27u, gfxStats.m_Verts);
    EXPECT_EQ(11u, gfxStats.m_Tris);
    EXPECT_EQ(2u, gfxStats.m_Lines);
}
