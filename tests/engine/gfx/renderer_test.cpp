#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "gfx/renderer.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/support/child.h"

namespace {

// A vertex of format 0x142: position, colour, one coordinate pair.
struct ColourVertex {
    float m_X, m_Y, m_Z;
    uint32_t m_Colour;
    float m_U, m_V;
};

struct Screen {
    float m_X, m_Y, m_Z, m_Rhw;
    uint32_t m_Diffuse, m_Specular;
    float m_U, m_V;
};
static_assert(sizeof(Screen) == 32, "screen vertex");

const uint32_t ColourFormat = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// The internal renderer on the recording device: an 800 by 600 target, the camera at the
// origin looking down -z, near 1 and far 20.
class IntRenderer : public FakePipeline {
protected:
    void SetUp() override {
        FakePipeline::SetUp();
        gfxUseIntRenderer = true;
        m_Viewport->SetFullWindow();
        m_Viewport->Perspective(60, 0, 1, 20);
        gfxStateDirty |= gfxDirtyComposite;
        gfxIntRendererDeviceCreated();
        gfxCurrentState.m_Clipping = 1;
        m_Device.Forget();
    }
    void TearDown() override {
        gfxIntRendererRelease();
        FakePipeline::TearDown();
    }

    // A point spread over the view volume and past its planes, with random coordinates.
    static ColourVertex RandomVertex(std::mt19937& random, uint32_t colour) {
        std::uniform_real_distribution<float> lateral(-14, 14);
        std::uniform_real_distribution<float> depth(-26, 3);
        std::uniform_real_distribution<float> coordinate(0, 1);
        ColourVertex p;
        p.m_X = lateral(random);
        p.m_Y = lateral(random);
        p.m_Z = depth(random);
        p.m_Colour = colour;
        p.m_U = coordinate(random);
        p.m_V = coordinate(random);
        return p;
    }

    // The viewport's scales and offsets, with the matrices composed.
    const Matrix44& ScreenMatrix() {
        if (gfxStateDirty & gfxDirtyComposite) {
            gfxComposeMatrices();
        }
        return m_Viewport->m_Screen;
    }

    // Every triangle the device received, as screen vertices.
    std::vector<Screen> DrawnTriangles() const {
        std::vector<Screen> out;
        for (const std::vector<uint8_t>& draw : m_Device.m_DrawnVertices) {
            size_t n = draw.size() / sizeof(Screen);
            std::vector<Screen> v(n);
            memcpy(v.data(), draw.data(), n * sizeof(Screen));
            out.insert(out.end(), v.begin(), v.end());
        }
        return out;
    }
};

ColourVertex At(float x, float y, float z, uint32_t colour = 0xFF00FF00, float u = 0, float v = 0) {
    return ColourVertex{x, y, z, colour, u, v};
}

// Clip space of a world point for the fixture's camera and projection, in double.
void ClipOf(const ColourVertex& p, double c[4]) {
    const Matrix44& m = gfxWorldViewProj;
    c[0] = p.m_X * (double)m.a.x + p.m_Y * (double)m.b.x + p.m_Z * (double)m.c.x + m.d.x;
    c[1] = p.m_X * (double)m.a.y + p.m_Y * (double)m.b.y + p.m_Z * (double)m.c.y + m.d.y;
    c[2] = p.m_X * (double)m.a.z + p.m_Y * (double)m.b.z + p.m_Z * (double)m.c.z + m.d.z;
    c[3] = p.m_X * (double)m.a.w + p.m_Y * (double)m.b.w + p.m_Z * (double)m.c.w + m.d.w;
}

// Barycentric weights of point p in the 2-D triangle abc.
bool Barycentric(double px, double py, const Screen& a, const Screen& b, const Screen& c,
                 double w[3]) {
    double d = (b.m_Y - c.m_Y) * (a.m_X - c.m_X) + (c.m_X - b.m_X) * (a.m_Y - c.m_Y);
    if (fabs(d) < 1e-9) {
        return false;
    }
    w[0] = ((b.m_Y - c.m_Y) * (px - c.m_X) + (c.m_X - b.m_X) * (py - c.m_Y)) / d;
    w[1] = ((c.m_Y - a.m_Y) * (px - c.m_X) + (a.m_X - c.m_X) * (py - c.m_Y)) / d;
    w[2] = 1 - w[0] - w[1];
    return true;
}

// Solves the 3x3 system m x = r by Cramer's rule.
bool Solve3(const double m[3][3], const double r[3], double x[3]) {
    auto det = [](const double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    double d = det(m);
    if (fabs(d) < 1e-12) {
        return false;
    }
    for (int k = 0; k < 3; ++k) {
        double a[3][3];
        memcpy(a, m, sizeof(a));
        for (int i = 0; i < 3; ++i) {
            a[i][k] = r[i];
        }
        x[k] = det(a) / d;
    }
    return true;
}

}  // namespace

// Random triangles, many crossing the near, far and side planes, drawn as lists and indexed
// lists: on a grid of screen samples, what the device received covers exactly the samples the
// triangle covers inside the view volume (by a double-precision ray test), once, with the
// perspective-correct texture coordinate and depth.
TEST_F(IntRenderer, ClippedOutputMatchesADoublePrecisionReference) {
    std::mt19937 random(25);
    const Matrix44& s = ScreenMatrix();
    int checked = 0;
    for (int trial = 0; trial < 150; ++trial) {
        ColourVertex v[3];
        for (ColourVertex& p : v) {
            p = RandomVertex(random, 0xFF00FF00);
        }
        m_Device.Forget();
        const uint16_t indices[3] = {0, 1, 2};
        if (trial & 1) {
            gfxIntDrawIndexed(D3DPT_TRIANGLELIST, ColourFormat, v, 3, indices, 3);
        } else {
            gfxIntDraw(D3DPT_TRIANGLELIST, ColourFormat, v, 3);
        }
        std::vector<Screen> drawn = DrawnTriangles();
        ASSERT_EQ(0u, drawn.size() % 3);
        double clip[3][4];
        for (int i = 0; i < 3; ++i) {
            ClipOf(v[i], clip[i]);
        }
        for (double py = 2.5; py < 600; py += 7) {
            for (double px = 3.5; px < 800; px += 7) {
                double X = (px - s.d.x) / s.a.x;
                double Y = (py - s.d.y) / s.b.y;
                // Weights l with sum(l c) on the ray through the sample: x = X w, y = Y w.
                double m[3][3], r[3] = {0, 0, 1}, l[3];
                for (int i = 0; i < 3; ++i) {
                    m[0][i] = clip[i][0] - X * clip[i][3];
                    m[1][i] = clip[i][1] - Y * clip[i][3];
                    m[2][i] = 1;
                }
                bool covered = false, margin = true;
                double refU = 0, refZ = 0;
                if (Solve3(m, r, l)) {
                    double w = 0, z = 0;
                    for (int i = 0; i < 3; ++i) {
                        w += l[i] * clip[i][3];
                        z += l[i] * clip[i][2];
                        refU += l[i] * v[i].m_U;
                    }
                    double lMin = std::min(l[0], std::min(l[1], l[2]));
                    covered = lMin >= 0 && w > 0 && z >= -w && z <= w;
                    margin = fabs(lMin) < 1e-3 || fabs(z + w) < 1e-3 * w ||
                             fabs(z - w) < 1e-3 * w;
                    refZ = w != 0 ? z / w * s.c.z + s.d.z : 0;
                }
                if (margin) {
                    continue;
                }
                int hits = 0, strictHits = 0;
                for (size_t t = 0; t < drawn.size(); t += 3) {
                    double b[3];
                    if (!Barycentric(px, py, drawn[t], drawn[t + 1], drawn[t + 2], b)) {
                        continue;
                    }
                    if (std::min(b[0], std::min(b[1], b[2])) < -1e-4) {
                        continue;
                    }
                    ++hits;
                    strictHits += std::min(b[0], std::min(b[1], b[2])) > 1e-4;
                    double q = 0, u = 0, z = 0;
                    for (int i = 0; i < 3; ++i) {
                        q += b[i] * drawn[t + i].m_Rhw;
                        u += b[i] * drawn[t + i].m_U * drawn[t + i].m_Rhw;
                        z += b[i] * drawn[t + i].m_Z;
                    }
                    ASSERT_NEAR(refU, u / q, 2e-3) << "trial " << trial << " at " << px << "," << py;
                    ASSERT_NEAR(refZ, z, 2e-3) << "trial " << trial << " at " << px << "," << py;
                }
                ASSERT_EQ(covered ? 1 : 0, hits > 0 ? 1 : 0)
                    << "trial " << trial << " at " << px << "," << py;
                ASSERT_LE(strictHits, 1) << "overlapping output, trial " << trial;
                checked += covered;
            }
        }
    }
    EXPECT_GT(checked, 10000);
}

TEST_F(IntRenderer, WhollyOutsideOnePlaneDrawsNothing) {
    const ColourVertex beyondFar[3] = {At(0, 0, -30), At(1, 0, -30), At(0, 1, -31)};
    const ColourVertex leftOfView[3] = {At(-50, 0, -5), At(-40, 1, -5), At(-45, -1, -6)};
    for (const ColourVertex* v : {beyondFar, leftOfView}) {
        gfxIntDraw(D3DPT_TRIANGLELIST, ColourFormat, v, 3);
    }
    EXPECT_TRUE(m_Device.m_Calls.empty());
    EXPECT_EQ(0u, gfxStats.m_IntTris);
}

TEST_F(IntRenderer, WhollyInsideGoesToTheDeviceInOneCallWithItsOwnIndices) {
    const ColourVertex v[4] = {At(-1, -1, -5, 0xFF112233, 0.25f, 0.75f), At(1, -1, -5),
                               At(-1, 1, -5), At(1, 1, -5)};
    const uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
    gfxIntDrawIndexed(D3DPT_TRIANGLELIST, ColourFormat, v, 4, indices, 6);
    auto draws = m_Device.CallsOf("DrawIndexedPrimitive");
    ASSERT_EQ(1u, draws.size());
    EXPECT_EQ((DWORD)D3DPT_TRIANGLELIST, draws[0].m_A);
    EXPECT_EQ(0x1C4u, draws[0].m_B);
    EXPECT_EQ(4u, draws[0].m_C);
    EXPECT_EQ(std::vector<WORD>(indices, indices + 6), m_Device.m_LastIndices);
    EXPECT_EQ(2u, gfxStats.m_IntTris);
    // (-1, -1) at depth 5 is 1/5 of the way from the centre to the edges, tan 30 degrees up.
    const Screen* screen = (const Screen*)gfxIntScreenVertices();
    float half = 300 / (5 * tanf(30 * 3.14159265f / 180));
    EXPECT_NEAR(400 - half, screen[0].m_X, 1e-3);
    EXPECT_NEAR(300 + half, screen[0].m_Y, 1e-3);
    EXPECT_FLOAT_EQ(0.2f, screen[0].m_Rhw);
    EXPECT_EQ(0xFF112233u, screen[0].m_Diffuse);
    EXPECT_EQ(0xFFFFFFFFu, screen[0].m_Specular);
    EXPECT_EQ(0.25f, screen[0].m_U);
    EXPECT_EQ(0.75f, screen[0].m_V);

    m_Device.Forget();
    gfxIntDraw(D3DPT_TRIANGLESTRIP, ColourFormat, v, 4);
    auto strip = m_Device.CallsOf("DrawPrimitive");
    ASSERT_EQ(1u, strip.size());
    EXPECT_EQ((DWORD)D3DPT_TRIANGLESTRIP, strip[0].m_A);
    EXPECT_EQ(28u, strip[0].m_D) << "no clipping, no extents, no lighting";
}

TEST_F(IntRenderer, NearPlaneCrossingBecomesAQuadOfTwoTriangles) {
    // One vertex behind the camera: the near plane cuts off a corner.
    const ColourVertex v[3] = {At(-1, 0, -5, 0xFF0000FF), At(1, 0, -5, 0xFF00FF00),
                               At(0, 0.2f, 4, 0xFFFF0000)};
    gfxIntDraw(D3DPT_TRIANGLELIST, ColourFormat, v, 3);
    auto draws = m_Device.CallsOf("DrawPrimitive");
    ASSERT_EQ(1u, draws.size());
    EXPECT_EQ(6u, draws[0].m_C);
    EXPECT_EQ(0x1C4u, draws[0].m_B);
    std::vector<Screen> drawn = DrawnTriangles();
    // The new vertices on the near plane take the colour of their outside end, the plane's own
    // depth and reciprocal w 1.
    int onNear = 0;
    for (const Screen& s : drawn) {
        if (s.m_Diffuse == 0xFFFF0000) {
            ++onNear;
            EXPECT_NEAR(1.0f, s.m_Rhw, 1e-5);
            EXPECT_NEAR(m_Viewport->m_Screen.d.z - m_Viewport->m_Screen.c.z, s.m_Z, 1e-5);
        }
    }
    EXPECT_EQ(3, onNear) << "two new vertices, one of them used twice in the fan";
    EXPECT_EQ(2u, gfxStats.m_IntTris);
}

TEST_F(IntRenderer, ClippedTrianglesAreBatchedTwentyFourAtATime) {
    std::vector<ColourVertex> v;
    for (int i = 0; i < 25; ++i) {
        // Each crosses the far plane as a single triangle.
        float x = -3 + 0.2f * i;
        v.push_back(At(x, -1, -10));
        v.push_back(At(x + 0.1f, -1, -30));
        v.push_back(At(x, 1, -10));
    }
    gfxIntDraw(D3DPT_TRIANGLELIST, ColourFormat, v.data(), (uint32_t)v.size());
    auto draws = m_Device.CallsOf("DrawPrimitive");
    ASSERT_EQ(3u, draws.size()) << "each is cut into a quad: 50 triangles";
    EXPECT_EQ(72u, draws[0].m_C);
    EXPECT_EQ(72u, draws[1].m_C);
    EXPECT_EQ(6u, draws[2].m_C);
    EXPECT_EQ(50u, gfxStats.m_IntTris);
}

TEST_F(IntRenderer, CrossingIndexedPrimitiveDrawsItsInsideTrianglesThroughANewIndexList) {
    // A strip of three triangles: the first crosses the left edge, the others lie inside.
    const ColourVertex v[5] = {At(-9, -1, -5), At(-1, 1, -5), At(0, -1, -5), At(0, 1, -5),
                               At(1, -1, -5)};
    const uint16_t indices[5] = {0, 1, 2, 3, 4};
    gfxIntDrawIndexed(D3DPT_TRIANGLESTRIP, ColourFormat, v, 5, indices, 5);
    auto batch = m_Device.CallsOf("DrawPrimitive");
    ASSERT_EQ(1u, batch.size());
    EXPECT_EQ(6u, batch[0].m_C) << "the left edge cuts off a corner: a quad";
    auto inside = m_Device.CallsOf("DrawIndexedPrimitive");
    ASSERT_EQ(1u, inside.size());
    EXPECT_EQ((DWORD)D3DPT_TRIANGLELIST, inside[0].m_A);
    // The strip's second triangle keeps its winding: (1, 3, 2).
    EXPECT_EQ((std::vector<WORD>{1, 3, 2, 2, 3, 4}), m_Device.m_LastIndices);
}

TEST_F(IntRenderer, FanWithItsCentreOutsideIsClippedTriangleByTriangle) {
    const ColourVertex v[4] = {At(0, 0, 4), At(-1, -1, -5), At(1, -1, -5), At(1, 1, -5)};
    gfxIntDraw(D3DPT_TRIANGLEFAN, ColourFormat, v, 4);
    auto draws = m_Device.CallsOf("DrawPrimitive");
    ASSERT_EQ(1u, draws.size());
    EXPECT_EQ(12u, draws[0].m_C) << "two quads";
}

TEST_F(IntRenderer, WithoutClippingEveryVertexIsClampedToTheScreen) {
    gfxCurrentState.m_Clipping = 0;
    const ColourVertex v[3] = {At(-50, 0, -5), At(50, 30, -5), At(0, -40, -5)};
    gfxIntDraw(D3DPT_TRIANGLELIST, ColourFormat, v, 3);
    ASSERT_EQ(1, m_Device.CountOf("DrawPrimitive"));
    std::vector<Screen> drawn = DrawnTriangles();
    ASSERT_EQ(3u, drawn.size());
    EXPECT_EQ(0.0f, drawn[0].m_X);
    EXPECT_EQ(800.0f, drawn[1].m_X);
    EXPECT_EQ(0.0f, drawn[1].m_Y);
    EXPECT_EQ(600.0f, drawn[2].m_Y);
    EXPECT_FLOAT_EQ(0.2f, drawn[0].m_Rhw);
}

TEST_F(IntRenderer, VerticesWithoutColourTakeTheMaterialsOrTheDepthComplexityColour) {
    struct NormalVertex {
        float m_X, m_Y, m_Z, m_NX, m_NY, m_NZ, m_U, m_V;
    };
    const NormalVertex lit[3] = {{0, 0, -5, 0, 0, 1, 0.5f, 0.25f},
                                 {1, 0, -5, 0, 0, 1, 0, 0},
                                 {0, 1, -5, 0, 0, 1, 0, 0}};
    gfxMaterial material;
    material.m_Packed = 0xFF445566;
    gfxCurrentState.m_Material = &material;
    struct Case {
        uint8_t m_DepthComplexity;
        uint32_t m_Colour;
    };
    for (const Case& c : {Case{0, 0xFF445566}, Case{1, 0xFF202020}}) {
        gfxDepthComplexity = c.m_DepthComplexity;
        gfxIntDraw(D3DPT_TRIANGLELIST, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, lit, 3);
        std::vector<Screen> drawn = DrawnTriangles();
        ASSERT_FALSE(drawn.empty());
        EXPECT_EQ(c.m_Colour, drawn.back().m_Diffuse);
        EXPECT_EQ(0.5f, drawn[drawn.size() - 3].m_U) << "coordinates after the normal";
        EXPECT_EQ(0.25f, drawn[drawn.size() - 3].m_V);
    }
    gfxDepthComplexity = 0;
    gfxCurrentState.m_Material = &gfxDefaultMaterial;
}

// Random lines, many crossing the near, far and side planes, drawn as lists and indexed lists:
// the device receives each one cut to the view volume as a double-precision cut in clip space
// puts it, with its coordinates interpolated and its ends' own colours, or nothing when none
// of it is inside.
TEST_F(IntRenderer, LinesAreCutToTheViewAsADoublePrecisionReferenceCutsThem) {
    std::mt19937 random(35);
    const Matrix44& s = ScreenMatrix();
    int cut = 0, drawn = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        const ColourVertex v[2] = {RandomVertex(random, 0xFFFF0000),
                                   RandomVertex(random, 0xFF0000FF)};
        double clip[2][4];
        ClipOf(v[0], clip[0]);
        ClipOf(v[1], clip[1]);
        // The planes w + z, w + x, w - x, w + y, w - y, w - z, each kept where not negative.
        double t0 = 0, t1 = 1;
        bool crosses = false;
        for (int plane = 0; plane < 6; ++plane) {
            double d[2];
            for (int i = 0; i < 2; ++i) {
                const double* c = clip[i];
                const double across[6] = {c[2], c[0], -c[0], c[1], -c[1], -c[2]};
                d[i] = c[3] + across[plane];
            }
            if (d[0] < 0 && d[1] < 0) {
                t0 = 1, t1 = 0;
            } else if (d[0] < 0 || d[1] < 0) {
                crosses = true;
                double t = d[0] / (d[0] - d[1]);
                d[0] < 0 ? t0 = std::max(t0, t) : t1 = std::min(t1, t);
            }
        }
        if (fabs(t1 - t0) < 1e-3) {
            continue;
        }
        m_Device.Forget();
        const uint16_t indices[2] = {0, 1};
        if (trial & 1) {
            gfxIntDrawIndexed(D3DPT_LINELIST, ColourFormat, v, 2, indices, 2);
        } else {
            gfxIntDraw(D3DPT_LINELIST, ColourFormat, v, 2);
        }
        std::vector<Screen> line = DrawnTriangles();
        if (t0 > t1) {
            ASSERT_TRUE(line.empty()) << "trial " << trial;
            continue;
        }
        auto draws = m_Device.m_Calls;
        ASSERT_EQ(1u, draws.size()) << "trial " << trial;
        EXPECT_EQ((DWORD)D3DPT_LINELIST, draws[0].m_A);
        ASSERT_EQ(2u, line.size()) << "trial " << trial;
        for (int end = 0; end < 2; ++end) {
            double t = end ? t1 : t0, p[4];
            for (int k = 0; k < 4; ++k) {
                p[k] = clip[0][k] + (clip[1][k] - clip[0][k]) * t;
            }
            const Screen& got = line[end];
            ASSERT_NEAR(p[0] / p[3] * s.a.x + s.d.x, got.m_X, 0.02) << "trial " << trial;
            ASSERT_NEAR(p[1] / p[3] * s.b.y + s.d.y, got.m_Y, 0.02) << "trial " << trial;
            ASSERT_NEAR(p[2] / p[3] * s.c.z + s.d.z, got.m_Z, 1e-4) << "trial " << trial;
            ASSERT_NEAR(1 / p[3], got.m_Rhw, 1e-4 / p[3]) << "trial " << trial;
            ASSERT_NEAR(v[0].m_U + (v[1].m_U - v[0].m_U) * t, got.m_U, 1e-4) << "trial " << trial;
            EXPECT_EQ(v[end].m_Colour, got.m_Diffuse);
        }
        cut += crosses;
        ++drawn;
    }
    EXPECT_GT(cut, 200);
    EXPECT_GT(drawn, cut);
}

// The program's own device draws no points or lines: each line reaches it as a quad across
// its minor axis one pixel wide and each point as a pixel square, two triangles each, in the
// colour of the line's first end, wound so that the device's culling keeps them.
TEST_F(IntRenderer, OnTheOwnDeviceLinesAndPointsBecomeQuadsThatFaceTheViewer) {
    gfxUseOwnDevice = true;
    gfxCurrentState.m_Clipping = 0;
    m_Viewport->Ortho(0, 800, 600, 0, -1, 1);
    gfxStateDirty |= gfxDirtyComposite;
    // Screen pixels at depth 0: flat, steep and backwards lines of a strip, then points.
    const ColourVertex strip[4] = {At(100, 100, 0, 0xFFFF0000), At(200, 120, 0, 0xFF00FF00),
                                   At(190, 300, 0, 0xFF0000FF), At(50, 290, 0)};
    struct Case {
        uint8_t m_Cull;
        int m_AreaSign;  // of every triangle; 0: any
    };
    for (const Case& c : {Case{D3DCULL_NONE, 0}, Case{D3DCULL_CW, -1}, Case{D3DCULL_CCW, 1}}) {
        gfxSetStateByte(gfxCurrentState.m_CullMode, c.m_Cull);
        gfxApplyPending();
        m_Device.Forget();
        gfxIntDraw(D3DPT_LINESTRIP, ColourFormat, strip, 4);
        gfxIntDraw(D3DPT_POINTLIST, ColourFormat, strip, 2);
        auto draws = m_Device.CallsOf("DrawPrimitive");
        ASSERT_EQ(2u, draws.size());
        for (const auto& draw : draws) {
            EXPECT_EQ((DWORD)D3DPT_TRIANGLELIST, draw.m_A);
            EXPECT_EQ(28u, draw.m_D);
        }
        EXPECT_EQ(3u * 6, draws[0].m_C) << "three lines";
        EXPECT_EQ(2u * 6, draws[1].m_C) << "two points";
        std::vector<Screen> drawn = DrawnTriangles();
        for (size_t t = 0; t < drawn.size(); t += 3) {
            const Screen& a = drawn[t];
            const Screen& b = drawn[t + 1];
            const Screen& d = drawn[t + 2];
            float area = (d.m_Y - a.m_Y) * (b.m_X - a.m_X) - (b.m_Y - a.m_Y) * (d.m_X - a.m_X);
            EXPECT_NE(0.0f, area);
            if (c.m_AreaSign) {
                EXPECT_EQ(c.m_AreaSign, area > 0 ? 1 : -1) << "triangle " << t / 3;
            }
            EXPECT_EQ(strip[t / 6 % 3].m_Colour, a.m_Diffuse) << "triangle " << t / 3;
        }
        // The flat first line spans a pixel in y, the steep second one a pixel in x.
        auto extent = [&](size_t quad, bool x) {
            float low = 1e9f, high = -1e9f;
            for (size_t i = quad * 6; i < quad * 6 + 6; ++i) {
                float value = x ? drawn[i].m_X : drawn[i].m_Y;
                low = std::min(low, value);
                high = std::max(high, value);
            }
            return std::make_pair(low, high);
        };
        EXPECT_EQ(std::make_pair(99.5f, 120.5f), extent(0, false));
        EXPECT_EQ(std::make_pair(100.0f, 200.0f), extent(0, true));
        EXPECT_EQ(std::make_pair(189.5f, 200.5f), extent(1, true));
        EXPECT_EQ(std::make_pair(120.0f, 300.0f), extent(1, false));
        EXPECT_EQ(std::make_pair(99.5f, 100.5f), extent(3, true)) << "the first point";
        EXPECT_EQ(std::make_pair(99.5f, 100.5f), extent(3, false));
    }
}

TEST_CHILD(IntRendererBadFormat) {
    const float v[9] = {};
    gfxIntRender(D3DPT_TRIANGLELIST, 3, D3DFVF_XYZRHW, v, 0, nullptr);
    return 0;
}

TEST(IntRendererAsserts, FormatsWithoutAPlacePositionAndCoordinateAreRefused) {
    ExpectFatalChild("IntRendererBadFormat", "Assert(0) failed in [gfx/renderer, line");
}
