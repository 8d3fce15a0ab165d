#include <array>
#include <vector>

#include <gtest/gtest.h>

#include "gfx/rstate.h"
#include "rgl/rgl.h"
#include "tests/engine/rgl/rglfixture.h"
#include "tests/support/child.h"
#include "vector/matrix34.h"

namespace {

using RglRing = RglPipeline;

// Fills the ring to used vertices with one point list.
void Use(uint32_t used) {
    rglEndFrame();
    if (used) {
        rglBegin(RGL_POINTS);
        for (uint32_t i = 0; i < used; ++i) {
            rglVertex(0, 0, 0);
        }
        rglEnd();
    }
}

typedef std::array<float, 3> Tri;

// The triangles of a strip or fan, wound as drawn, degenerate ones left out.
std::vector<Tri> Triangles(const std::vector<float>& v, uint32_t type) {
    std::vector<Tri> tris;
    for (size_t i = 0; i + 2 < v.size(); ++i) {
        Tri t = type == RGL_TRIANGLE_FAN ? Tri{v[0], v[i + 1], v[i + 2]}
                : (i & 1)               ? Tri{v[i + 1], v[i], v[i + 2]}
                                        : Tri{v[i], v[i + 1], v[i + 2]};
        if (t[0] != t[1] && t[1] != t[2] && t[0] != t[2]) {
            tris.push_back(t);
        }
    }
    return tris;
}

}  // namespace

TEST_F(RglRing, BeginAppendsOrRestartsAndKeepsWholeLinesAndTriangles) {
    struct Case {
        uint32_t m_Used;
        uint32_t m_Type;
        DWORD m_Lock;
        uint32_t m_FirstStart;
        uint32_t m_FirstCount;  // of a primitive of 12 vertices
    } cases[] = {
        {956, RGL_TRIANGLE_FAN, 0x1020, 956, 4},
        {957, RGL_TRIANGLE_FAN, 0x2020, 0, 12},
        {955, RGL_LINES, 0x1020, 955, 4},      // ends at 959
        {955, RGL_TRIANGLES, 0x1020, 955, 3},  // ends at 958
        {956, RGL_TRIANGLES, 0x1020, 956, 3},  // ends at 959
        {0, RGL_LINE_STRIP, 0x2020, 0, 12},    // after rglEndFrame
    };
    for (const Case& c : cases) {
        Use(c.m_Used);
        m_Capture.Forget();
        Ring()->m_LockFlags.clear();
        rglBegin(c.m_Type);
        for (int i = 0; i < 12; ++i) {
            rglVertex(float(i), 0, 0);
        }
        rglEnd();
        ASSERT_FALSE(Ring()->m_LockFlags.empty());
        EXPECT_EQ(c.m_Lock, Ring()->m_LockFlags[0]) << c.m_Used << " " << c.m_Type;
        auto draws = m_Capture.CallsOf("DrawPrimitiveVB");
        ASSERT_FALSE(draws.empty());
        EXPECT_EQ(c.m_Type, draws[0].m_A);
        EXPECT_EQ(c.m_FirstStart, draws[0].m_B) << c.m_Used << " " << c.m_Type;
        EXPECT_EQ(c.m_FirstCount, draws[0].m_C) << c.m_Used << " " << c.m_Type;
        if (draws.size() > 1) {
            EXPECT_EQ(0u, draws[1].m_B);
            EXPECT_EQ(0x2020u, Ring()->m_LockFlags[1]) << "a wrap discards";
        }
    }
    // A primitive without vertices draws nothing.
    m_Capture.Forget();
    rglBegin(RGL_TRIANGLES);
    rglEnd();
    EXPECT_EQ(0, m_Capture.CountOf("DrawPrimitiveVB"));
}

TEST_F(RglRing, WrappedStripsAndFansKeepTheirGeometry) {
    UseEmulatedRing();
    for (uint32_t type : {uint32_t(RGL_LINE_STRIP), uint32_t(RGL_TRIANGLE_STRIP),
                          uint32_t(RGL_TRIANGLE_FAN)}) {
        // Both parities of the cut.
        for (uint32_t used : {0u, 1u, 500u}) {
            Use(used);
            m_Capture.m_Draws.clear();
            const int count = 2000;
            rglBegin(type);
            for (int i = 0; i < count; ++i) {
                rglVertex(float(i), 0, 0);
            }
            rglEnd();
            auto pieces = DrawnX();
            ASSERT_GT(pieces.size(), 2u);
            std::vector<float> original(count);
            for (int i = 0; i < count; ++i) {
                original[i] = float(i);
            }
            if (type == RGL_LINE_STRIP) {
                size_t total = 0;
                for (size_t p = 0; p < pieces.size(); ++p) {
                    if (p > 0) {
                        EXPECT_EQ(pieces[p - 1].back(), pieces[p].front()) << "continues";
                    }
                    total += pieces[p].size();
                }
                EXPECT_EQ(size_t(count) + pieces.size() - 1, total);
                continue;
            }
            std::vector<Tri> drawn;
            for (const auto& piece : pieces) {
                if (type == RGL_TRIANGLE_FAN) {
                    EXPECT_EQ(0.0f, piece.front()) << "the centre leads every piece";
                }
                auto tris = Triangles(piece, type);
                drawn.insert(drawn.end(), tris.begin(), tris.end());
            }
            EXPECT_EQ(Triangles(original, type), drawn) << "type " << type << " after " << used;
        }
    }
}

TEST_F(RglRing, CapabilitiesAnswerAsSpecified) {
    EXPECT_EQ(0, rglEnable(RGL_DEPTH_TEST, 1));
    EXPECT_EQ(1, rglEnable(RGL_DEPTH_TEST, 1)) << "returns the value stored before";
    EXPECT_FALSE(rglIsEnabled(RGL_DEPTH_TEST));
    EXPECT_EQ(1, gfxCurrentState.m_ZEnable);
    rglEnable(RGL_CULL_FACE, 1);
    EXPECT_EQ(D3DCULL_CW, gfxCurrentState.m_CullMode);
    rglEnable(RGL_CULL_FACE, 0);
    EXPECT_EQ(D3DCULL_NONE, gfxCurrentState.m_CullMode);
    rglEnable(RGL_LIGHTING, 1);
    EXPECT_TRUE(rglIsEnabled(RGL_LIGHTING));
    EXPECT_EQ(0x7Fu, gfxStateApplyMask);
    rglEnable(RGL_LIGHTING, 0);
    EXPECT_EQ(0x0Bu, gfxStateApplyMask);
    rglEnable(RGL_BLEND, 1);
    EXPECT_FALSE(rglIsEnabled(RGL_BLEND));
    EXPECT_EQ(1, gfxCurrentState.m_AlphaEnable);
    rglEnable(RGL_LIGHT_MAPS, 1);
    EXPECT_TRUE(rglIsEnabled(RGL_LIGHT_MAPS));
    rglEnable(RGL_LIGHT_MAPS, 0);

    // A state change draws what is pending under the old state first.
    rglEnable(RGL_CULL_FACE, 1);
    m_Capture.Forget();
    rglBegin(RGL_TRIANGLES);
    rglVertex(0, 0, 0), rglVertex(1, 0, 0), rglVertex(0, 1, 0);
    rglEnd();
    bool cullSent = false;
    for (const FakeDevice::Call& call : m_Capture.m_Calls) {
        if (call.m_Name == "SetRenderState" && call.m_A == DWORD(D3DRENDERSTATE_CULLMODE)) {
            cullSent = true;
        }
        if (call.m_Name == "DrawPrimitiveVB") {
            EXPECT_TRUE(cullSent) << "the state goes before the draw";
        }
    }
    EXPECT_TRUE(cullSent);
    rglEnable(RGL_CULL_FACE, 0);
}

TEST_F(RglRing, DepthComplexityOverridesColourAndTexture) {
    gfxTexture* texture = reinterpret_cast<gfxTexture*>(0x100);
    gfxDepthComplexity = 1;
    rglColor(0xFF123456);
    rglBindTexture(texture);
    EXPECT_EQ(nullptr, gfxCurrentState.m_Texture[0]);
    gfxDepthComplexity = 0;
    rglBegin(RGL_POINTS);
    rglVertex(0, 0, 0);
    rglEnd();
    uint32_t colour;
    memcpy(&colour, Ring()->m_Bytes.data() + 12, 4);
    EXPECT_EQ(rglDepthComplexityColor, colour);
    rglBindTexture(texture);
    EXPECT_EQ(texture, gfxCurrentState.m_Texture[0]);
    rglBindTexture(nullptr);
}

TEST_F(RglRing, MatrixStackAndTextBehindTheCamera) {
    Matrix34 m = Matrix34::sm_Identity;
    m.d = Vector3(1, 2, 3);
    rglLoadMatrix(m);
    for (int i = 0; i < 15; ++i) {
        rglPushMatrix();
    }
    rglLoadIdentity();
    for (int i = 0; i < 15; ++i) {
        rglPopMatrix();
    }
    EXPECT_EQ(3.0f, gfxWorld.d.z);
    rglMultMatrix(m);
    EXPECT_EQ(6.0f, gfxWorld.d.z);

    // A point behind the camera prints nothing and leaves the texture as it was.
    gfxTexture* texture = reinterpret_cast<gfxTexture*>(0x100);
    rglLoadIdentity();
    rglBindTexture(texture);
    m_Capture.Forget();
    rglPrint3D(Vector3(0, 0, 50), "behind");
    EXPECT_EQ(0, m_Capture.CountOf("DrawPrimitive"));
    EXPECT_EQ(texture, gfxCurrentState.m_Texture[0]);
    rglBindTexture(nullptr);
}

TEST_CHILD(RglPushSixteen) {
    for (int i = 0; i < 16; ++i) {
        rglPushMatrix();
    }
    return 0;
}

TEST_CHILD(RglBadFormat) {
    rglSetVertexFormat(0x152);
    return 0;
}

TEST_CHILD(RglEndWithoutBegin) {
    rglEnd();
    return 0;
}

TEST(RglFatal, OverflowFormatAndPairing) {
    ExpectFatalChildren({{"RglPushSixteen", "rglPushMatrix()- Matrix stack overflow"},
                         {"RglBadFormat", "Unsupported vertex format."},
                         {"RglEndWithoutBegin", "Assert(sm_beginBegun) failed in [rgl/rgl, line"}});
}

namespace {

uint8_t sNow[256];
uint8_t sBefore[256];
void ScriptedKeys(const uint8_t** current, const uint8_t** previous) {
    *current = sNow;
    *previous = sBefore;
}

}  // namespace

TEST(RglApp, KeepRunningStopsOnAClosedWindowOrANewEscape) {
    const uint8_t Escape = 0x01, Space = 0x39;
    struct Case {
        bool m_Hooked;
        uint8_t m_Key;
        uint8_t m_Now, m_Before;
        uint32_t m_Flags;
        bool m_Running;
    } cases[] = {
        {true, Escape, 0x80, 0x00, 0, false},
        {true, Escape, 0x80, 0x80, 0, true},  // held from the frame before
        {true, Escape, 0x00, 0x80, 0, true},  // released
        {true, Space, 0x80, 0x00, 0, true},
        {false, Escape, 0x80, 0x00, 0, true},  // no keyboard attached
        {true, Escape, 0x00, 0x00, gfxQuitRequested, false},
    };
    for (const Case& c : cases) {
        memset(sNow, 0, sizeof(sNow));
        memset(sBefore, 0, sizeof(sBefore));
        sNow[c.m_Key] = c.m_Now;
        sBefore[c.m_Key] = c.m_Before;
        rglKeyStates = c.m_Hooked ? ScriptedKeys : nullptr;
        gfxWindowFlags = c.m_Flags;
        EXPECT_EQ(rglKeepRunning(), c.m_Running) << int(c.m_Key) << " " << int(c.m_Now) << " "
                                                  << int(c.m_Before) << " " << c.m_Flags;
    }
    rglKeyStates = nullptr;
    gfxWindowFlags = 0;
}
