#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "gfx/kesh.h"

// The own device on real system-memory DirectDraw surfaces, which need no display.
namespace {

typedef HRESULT(WINAPI* DirectDrawCreateExFunc)(GUID*, void**, REFIID, IUnknown*);

struct TLVertex {
    float m_X, m_Y, m_Z, m_Rhw;
    uint32_t m_Diffuse, m_Specular;
    float m_U, m_V;
};
const DWORD TLFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;

TLVertex V(float x, float y, float z = 0.5f, uint32_t colour = 0xFFFFFF, float u = 0, float v = 0) {
    return TLVertex{x, y, z, 1, colour, 0xFFFFFFFF, u, v};
}

const uint32_t Mask565[3] = {0xF800, 0x07E0, 0x001F};
const uint32_t Mask555[3] = {0x7C00, 0x03E0, 0x001F};

class KeshDevice : public ::testing::Test {
protected:
    void SetUp() override {
        m_Library = LoadLibraryA("DDRAW.DLL");
        ASSERT_TRUE(m_Library);
        auto create = reinterpret_cast<DirectDrawCreateExFunc>(
            reinterpret_cast<void*>(GetProcAddress(m_Library, "DirectDrawCreateEx")));
        ASSERT_TRUE(create);
        ASSERT_EQ(DD_OK, create(nullptr, (void**)&m_DD, IID_IDirectDraw7, nullptr));
        ASSERT_EQ(DD_OK, m_DD->SetCooperativeLevel(nullptr, DDSCL_NORMAL));
    }
    void TearDown() override {
        if (m_Device) {
            m_Device->Release();
        }
        for (IDirectDrawSurface7* s : m_Surfaces) {
            s->Release();
        }
        if (m_DD) {
            m_DD->Release();
        }
        if (m_Library) {
            FreeLibrary(m_Library);
        }
    }

    // A system-memory surface of the caps and pixel format.
    IDirectDrawSurface7* Make(int width, int height, DWORD caps, const DDPIXELFORMAT& format) {
        DDSURFACEDESC2 desc = {};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc.dwWidth = width;
        desc.dwHeight = height;
        desc.ddsCaps.dwCaps = caps | DDSCAPS_SYSTEMMEMORY;
        desc.ddpfPixelFormat = format;
        desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        IDirectDrawSurface7* surface = nullptr;
        EXPECT_EQ(DD_OK, m_DD->CreateSurface(&desc, &surface, nullptr)) << width << "x" << height;
        if (surface) {
            m_Surfaces.push_back(surface);
        }
        return surface;
    }

    IDirectDrawSurface7* Surface(int width, int height, int bits, const uint32_t* masks) {
        DDPIXELFORMAT format = {};
        format.dwFlags = DDPF_RGB;
        format.dwRGBBitCount = bits;
        format.dwRBitMask = masks[0];
        format.dwGBitMask = masks[1];
        format.dwBBitMask = masks[2];
        return Make(width, height, DDSCAPS_OFFSCREENPLAIN, format);
    }

    IDirectDrawSurface7* DepthBuffer(int width, int height) {
        DDPIXELFORMAT format = {};
        format.dwFlags = DDPF_ZBUFFER;
        format.dwZBufferBitDepth = 16;
        format.dwZBitMask = 0xFFFF;
        return Make(width, height, DDSCAPS_ZBUFFER, format);
    }

    // A 5-6-5 target of the size, with a depth buffer when asked, and the device on it with
    // culling off and flat shading.
    void Open(int width, int height, bool depth, const uint32_t* masks = Mask565) {
        m_Target = Surface(width, height, 16, masks);
        ASSERT_TRUE(m_Target);
        if (depth) {
            m_Depth = DepthBuffer(width, height);
            ASSERT_TRUE(m_Depth);
            ASSERT_EQ(DD_OK, m_Target->AddAttachedSurface(m_Depth));
        }
        ASSERT_EQ(D3D_OK, CreateKeshDevice(m_Target, &m_Device));
        m_Device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        m_Device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
        m_Device->SetRenderState(D3DRENDERSTATE_SUBPIXELX, 1);
    }

    // The surface's pixels row by row, without the pitch's padding.
    std::vector<uint16_t> Pixels(IDirectDrawSurface7* surface) {
        DDSURFACEDESC2 desc = {};
        desc.dwSize = sizeof(desc);
        std::vector<uint16_t> out;
        if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) {
            ADD_FAILURE() << "lock";
            return out;
        }
        for (DWORD y = 0; y < desc.dwHeight; ++y) {
            const uint16_t* row = (const uint16_t*)((const uint8_t*)desc.lpSurface + y * desc.lPitch);
            out.insert(out.end(), row, row + desc.dwWidth);
        }
        surface->Unlock(nullptr);
        return out;
    }

    void Fill(IDirectDrawSurface7* surface, uint16_t (*texel)(int x, int y)) {
        DDSURFACEDESC2 desc = {};
        desc.dwSize = sizeof(desc);
        ASSERT_EQ(DD_OK, surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr));
        for (DWORD y = 0; y < desc.dwHeight; ++y) {
            uint16_t* row = (uint16_t*)((uint8_t*)desc.lpSurface + y * desc.lPitch);
            for (DWORD x = 0; x < desc.dwWidth; ++x) {
                row[x] = texel((int)x, (int)y);
            }
        }
        surface->Unlock(nullptr);
    }

    void Draw(D3DPRIMITIVETYPE type, const std::vector<TLVertex>& v) {
        ASSERT_EQ(D3D_OK, m_Device->BeginScene());
        EXPECT_EQ(D3D_OK, m_Device->DrawPrimitive(type, TLFormat, (void*)v.data(), (DWORD)v.size(), 0));
        ASSERT_EQ(D3D_OK, m_Device->EndScene());
    }

    HMODULE m_Library = nullptr;
    IDirectDraw7* m_DD = nullptr;
    std::vector<IDirectDrawSurface7*> m_Surfaces;
    IDirectDrawSurface7* m_Target = nullptr;
    IDirectDrawSurface7* m_Depth = nullptr;
    IDirect3DDevice7* m_Device = nullptr;
};

// The snapped position in sixteenths of a pixel, as the device snaps.
int32_t Snap(float value, bool subpixel) {
    const float c = subpixel ? 786432.0f : 12582912.0f;
    volatile float s = value + c;
    s = s - c;
    return (int32_t)(s * 16.0f);
}

// Reference coverage: the pixels whose centre lies on a row from the top (inclusive) to the
// bottom (exclusive) of the snapped triangle, and between its left edge (inclusive) and right
// edge (exclusive) on that row, computed row by row by intersecting the edges.
std::vector<int> Coverage(const TLVertex t[3], bool subpixel, int width, int height) {
    std::vector<int> cover(width * height, 0);
    double x[3], y[3];
    for (int i = 0; i < 3; ++i) {
        x[i] = Snap(t[i].m_X, subpixel);
        y[i] = Snap(t[i].m_Y, subpixel);
    }
    double area = (y[2] - y[0]) * (x[1] - x[0]) - (y[1] - y[0]) * (x[2] - x[0]);
    if (area == 0) {
        return cover;
    }
    for (int py = 0; py < height; ++py) {
        double yc = 16.0 * py;
        double lo = 1e30, hi = -1e30;
        int crossings = 0;
        for (int e = 0; e < 3; ++e) {
            int a = e, b = (e + 1) % 3;
            if (y[a] > y[b]) {
                std::swap(a, b);
            }
            if (y[a] == y[b] || yc < y[a] || yc >= y[b]) {
                continue;
            }
            double xi = x[a] + (yc - y[a]) * (x[b] - x[a]) / (y[b] - y[a]);
            lo = std::min(lo, xi);
            hi = std::max(hi, xi);
            ++crossings;
        }
        if (crossings < 2) {
            continue;
        }
        for (int px = 0; px < width; ++px) {
            if (16.0 * px >= lo && 16.0 * px < hi) {
                cover[py * width + px] = 1;
            }
        }
    }
    return cover;
}

// A perspective-free attribute plane through the three unsnapped vertices, at pixel (x, y).
double Interpolate(const TLVertex t[3], double a0, double a1, double a2, double x, double y) {
    double d = (t[1].m_X - t[0].m_X) * (t[2].m_Y - t[0].m_Y) -
               (t[2].m_X - t[0].m_X) * (t[1].m_Y - t[0].m_Y);
    double l1 = ((x - t[0].m_X) * (t[2].m_Y - t[0].m_Y) - (t[2].m_X - t[0].m_X) * (y - t[0].m_Y)) / d;
    double l2 = ((t[1].m_X - t[0].m_X) * (y - t[0].m_Y) - (x - t[0].m_X) * (t[1].m_Y - t[0].m_Y)) / d;
    return a0 + (a1 - a0) * l1 + (a2 - a0) * l2;
}

uint64_t Hash(const std::vector<uint16_t>& pixels) {
    uint64_t h = 1469598103934665603ull;
    for (uint16_t p : pixels) {
        h = (h ^ (p & 0xFF)) * 1099511628211ull;
        h = (h ^ (p >> 8)) * 1099511628211ull;
    }
    return h;
}

uint16_t Checker(int x, int y) {
    return (uint16_t)(x * 37 + y * 1021 + 1);
}

}  // namespace

TEST_F(KeshDevice, ClearsTargetAndDepthWithPackedValues) {
    struct Case {
        const uint32_t* m_Masks;
        uint16_t m_Pixel;
    };
    for (const Case& c : {Case{Mask565, 0xFC08}, Case{Mask555, 0x7E08}}) {
        Open(8, 4, true, c.m_Masks);
        EXPECT_EQ(D3D_OK, m_Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                                          0x00FF8040, 1.0f, 0));
        for (uint16_t p : Pixels(m_Target)) {
            ASSERT_EQ(c.m_Pixel, p);
        }
        for (uint16_t p : Pixels(m_Depth)) {
            ASSERT_EQ(0xFFFF, p);
        }
        // Inside a scene, where the target is locked, as well.
        ASSERT_EQ(D3D_OK, m_Device->BeginScene());
        EXPECT_EQ(D3D_OK, m_Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 0.5f, 0));
        ASSERT_EQ(D3D_OK, m_Device->EndScene());
        for (uint16_t p : Pixels(m_Target)) {
            ASSERT_EQ(0, p);
        }
        for (uint16_t p : Pixels(m_Depth)) {
            ASSERT_EQ(0x7FFF, p);
        }
        m_Device->Release();
        m_Device = nullptr;
    }
}

TEST_F(KeshDevice, RefusesOtherTargetsASecondDeviceAndWhatItCannotDo) {
    const uint32_t masks32[3] = {0xFF0000, 0xFF00, 0xFF};
    const uint32_t masks444[3] = {0x0F00, 0x00F0, 0x000F};
    IDirect3DDevice7* device = nullptr;
    EXPECT_EQ(keshUnsupportedTarget, CreateKeshDevice(Surface(8, 8, 32, masks32), &device));
    EXPECT_EQ(keshUnsupportedTarget, CreateKeshDevice(Surface(8, 8, 16, masks444), &device));
    Open(8, 8, false);
    EXPECT_EQ(keshSecondDevice, CreateKeshDevice(m_Target, &device));

    TLVertex line[2] = {V(0, 0), V(5, 5)};
    ASSERT_EQ(D3D_OK, m_Device->BeginScene());
    for (D3DPRIMITIVETYPE type : {D3DPT_POINTLIST, D3DPT_LINELIST, D3DPT_LINESTRIP}) {
        EXPECT_EQ(keshNotImplemented, m_Device->DrawPrimitive(type, TLFormat, line, 2, 0));
    }
    m_Device->EndScene();
    D3DMATRIX matrix = {};
    D3DVIEWPORT7 viewport = {};
    EXPECT_EQ(keshNotImplemented, m_Device->GetTransform(D3DTRANSFORMSTATE_WORLD, &matrix));
    EXPECT_EQ(keshNotImplemented, m_Device->GetViewport(&viewport));
    EXPECT_EQ(keshNotImplemented, m_Device->DrawPrimitiveVB(D3DPT_TRIANGLELIST, nullptr, 0, 3, 0));
    EXPECT_EQ(keshNotImplemented, m_Device->ValidateDevice(nullptr));
    EXPECT_EQ(D3D_OK, m_Device->SetTransform(D3DTRANSFORMSTATE_WORLD, &matrix));

    // Records beyond the 4 lights and 8 enable flags are refused.
    D3DLIGHT7 light = {};
    light.dvRange = 7;
    EXPECT_EQ(D3D_OK, m_Device->SetLight(3, &light));
    EXPECT_EQ(DDERR_INVALIDPARAMS, m_Device->SetLight(4, &light));
    EXPECT_EQ(DDERR_INVALIDPARAMS, m_Device->LightEnable(8, TRUE));
    D3DLIGHT7 back = {};
    EXPECT_EQ(D3D_OK, m_Device->GetLight(3, &back));
    EXPECT_EQ(7.0f, back.dvRange);
    DWORD value = 0;
    EXPECT_EQ(D3D_OK, m_Device->SetTextureStageState(1, D3DTSS_ADDRESSU, 3));
    EXPECT_EQ(D3D_OK, m_Device->GetTextureStageState(1, D3DTSS_ADDRESSU, &value));
    EXPECT_EQ(3u, value);
    EXPECT_EQ(DDERR_INVALIDPARAMS, m_Device->SetRenderState((D3DRENDERSTATETYPE)256, 1));

    D3DDEVICEDESC7 caps;
    memset(&caps, 0xCD, sizeof(caps));
    EXPECT_EQ(D3D_OK, m_Device->GetCaps(&caps));
    EXPECT_EQ(0x500u, caps.dwDevCaps);
    EXPECT_EQ((DWORD)DDBD_16, caps.dwDeviceRenderBitDepth);
    EXPECT_EQ((DWORD)DDBD_16, caps.dwDeviceZBufferBitDepth);
    EXPECT_EQ(256u, caps.dwMaxTextureWidth);
    EXPECT_EQ(1u, caps.dwMinTextureHeight);
    EXPECT_EQ(1, caps.wMaxSimultaneousTextures);
    EXPECT_EQ(0u, caps.dwMaxActiveLights);
    EXPECT_EQ(0u, caps.dwStencilCaps);
    // Without a depth buffer, depth starts off.
    EXPECT_EQ(D3D_OK, m_Device->GetRenderState(D3DRENDERSTATE_ZENABLE, &value));
    EXPECT_EQ(0u, value);
    EXPECT_EQ(D3D_OK, m_Device->GetRenderState(D3DRENDERSTATE_PLANEMASK, &value));
    EXPECT_EQ(0xFFFFFFFFu, value);
}

TEST_F(KeshDevice, FlatTriangleTakesItsFirstVertexColour) {
    Open(128, 128, false);
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1, 0);
    Draw(D3DPT_TRIANGLELIST, {V(0, 0, 0.5f, 0x00FF0000), V(100, 0, 0.5f, 0x0000FF00),
                              V(0, 100, 0.5f, 0x000000FF)});
    std::vector<uint16_t> p = Pixels(m_Target);
    EXPECT_EQ(0xF800, p[10 * 128 + 10]);
    EXPECT_EQ(0, p[90 * 128 + 90]);
}

// Random triangles, some reaching past the target, in whole-pixel and sixteenth snapping:
// every pixel matches the reference coverage, and textured pixels carry the texel the
// double-precision plane of u and v picks; depth is the plane's within a step.
TEST_F(KeshDevice, RandomTrianglesMatchTheReferenceCoverageTexelsAndDepth) {
    const int W = 48, H = 40;
    Open(W, H, true);
    IDirectDrawSurface7* texture = Surface(16, 8, 16, Mask565);
    Fill(texture, Checker);
    std::vector<uint16_t> texels = Pixels(texture);
    std::mt19937 random(146);
    std::uniform_real_distribution<float> coordinate(-8, 56);
    std::uniform_real_distribution<float> unit(0, 1);
    for (int trial = 0; trial < 400; ++trial) {
        bool subpixel = trial & 1;
        bool textured = trial & 2;
        m_Device->SetRenderState(D3DRENDERSTATE_SUBPIXEL, subpixel);
        m_Device->SetTexture(0, textured ? texture : nullptr);
        m_Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        TLVertex t[3];
        for (TLVertex& v : t) {
            v = V(coordinate(random), coordinate(random), unit(random), 0xFFFFFF,
                  unit(random) * 3 - 1, unit(random) * 3 - 1);
        }
        Draw(D3DPT_TRIANGLELIST, {t[0], t[1], t[2]});
        std::vector<int> cover = Coverage(t, subpixel, W, H);
        std::vector<uint16_t> pixels = Pixels(m_Target);
        std::vector<uint16_t> depth = Pixels(m_Depth);
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                int i = y * W + x;
                if (!cover[i]) {
                    ASSERT_EQ(0, pixels[i]) << "trial " << trial << " at " << x << "," << y;
                    ASSERT_EQ(0xFFFF, depth[i]) << "trial " << trial << " at " << x << "," << y;
                    continue;
                }
                double z = Interpolate(t, t[0].m_Z, t[1].m_Z, t[2].m_Z, x, y);
                double expectedDepth = std::floor(std::min(std::max(z, 0.0), 1.0) * 65535.0);
                ASSERT_NEAR(expectedDepth, depth[i], 1.0) << "trial " << trial;
                if (!textured) {
                    ASSERT_EQ(0xFFFF, pixels[i]) << "trial " << trial << " at " << x << "," << y;
                    continue;
                }
                double u = Interpolate(t, t[0].m_U, t[1].m_U, t[2].m_U, x, y) * 16;
                double v = Interpolate(t, t[0].m_V, t[1].m_V, t[2].m_V, x, y) * 8;
                auto nearEdge = [](double a) { return fabs(a - std::round(a)) < 2e-3; };
                if (nearEdge(u) || nearEdge(v)) {
                    continue;
                }
                int column = ((int)std::floor(u) % 16 + 16) % 16;
                int row = ((int)std::floor(v) % 8 + 8) % 8;
                ASSERT_EQ(texels[row * 16 + column], pixels[i])
                    << "trial " << trial << " at " << x << "," << y << " u " << u << " v " << v;
            }
        }
    }
}

// Additive drawing adds 1 to each pixel a triangle covers, so the target counts how many
// triangles covered each pixel: the strips and fans must draw exactly their triangles.
TEST_F(KeshDevice, StripsAndFansDrawTheirTrianglesWithTheirWinding) {
    const int W = 40, H = 24;
    Open(W, H, false);
    m_Device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    m_Device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    // Colour 8 packs to 1.
    std::vector<TLVertex> strip = {V(1, 2, 0, 8), V(3, 20, 0, 8), V(9, 1, 0, 8), V(12, 22, 0, 8),
                                   V(20, 3, 0, 8), V(25, 21, 0, 8), V(33, 2, 0, 8)};
    struct Case {
        D3DPRIMITIVETYPE m_Type;
        int m_Count;
        std::vector<std::vector<int>> m_Triangles;
    };
    const Case cases[] = {
        {D3DPT_TRIANGLESTRIP, 5, {{0, 1, 2}, {1, 2, 3}, {2, 3, 4}}},
        {D3DPT_TRIANGLESTRIP, 4, {{0, 1, 2}, {1, 2, 3}}},
        {D3DPT_TRIANGLESTRIP, 2, {}},
        {D3DPT_TRIANGLEFAN, 6, {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}}},
        {D3DPT_TRIANGLELIST, 7, {{0, 1, 2}, {3, 4, 5}}},
    };
    for (const Case& c : cases) {
        m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1, 0);
        Draw(c.m_Type, std::vector<TLVertex>(strip.begin(), strip.begin() + c.m_Count));
        std::vector<int> expected(W * H, 0);
        for (const std::vector<int>& t : c.m_Triangles) {
            TLVertex tri[3] = {strip[t[0]], strip[t[1]], strip[t[2]]};
            std::vector<int> cover = Coverage(tri, false, W, H);
            for (int i = 0; i < W * H; ++i) {
                expected[i] += cover[i];
            }
        }
        std::vector<uint16_t> pixels = Pixels(m_Target);
        for (int i = 0; i < W * H; ++i) {
            ASSERT_EQ(expected[i], pixels[i]) << c.m_Type << " of " << c.m_Count << " at " << i;
        }
    }

    // Culling: clockwise mode draws negative areas only, counter-clockwise positive ones; the
    // odd triangles of a strip count with their winding reversed.
    m_Device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 0);
    std::vector<TLVertex> positive = {V(2, 2), V(20, 2), V(2, 20)};
    std::vector<TLVertex> negative = {V(2, 2), V(2, 20), V(20, 2)};
    std::vector<TLVertex> quad = {V(2, 2), V(20, 2), V(2, 20), V(20, 20)};
    struct Cull {
        DWORD m_Mode;
        const std::vector<TLVertex>* m_Vertices;
        D3DPRIMITIVETYPE m_Type;
        bool m_Drawn;
    };
    for (const Cull& c : {Cull{D3DCULL_CW, &negative, D3DPT_TRIANGLELIST, true},
                          Cull{D3DCULL_CW, &positive, D3DPT_TRIANGLELIST, false},
                          Cull{D3DCULL_CCW, &positive, D3DPT_TRIANGLELIST, true},
                          Cull{D3DCULL_CCW, &negative, D3DPT_TRIANGLELIST, false},
                          Cull{D3DCULL_NONE, &negative, D3DPT_TRIANGLELIST, true},
                          Cull{0, &positive, D3DPT_TRIANGLELIST, true},
                          Cull{D3DCULL_CCW, &quad, D3DPT_TRIANGLESTRIP, true}}) {
        m_Device->SetRenderState(D3DRENDERSTATE_CULLMODE, c.m_Mode);
        m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1, 0);
        Draw(c.m_Type, *c.m_Vertices);
        std::vector<uint16_t> pixels = Pixels(m_Target);
        EXPECT_EQ(c.m_Drawn ? 0xFFFF : 0, pixels[4 * W + 4]) << "cull " << c.m_Mode;
        if (c.m_Type == D3DPT_TRIANGLESTRIP) {
            EXPECT_EQ(0xFFFF, pixels[18 * W + 18]) << "the strip's second triangle";
        }
    }
}

TEST_F(KeshDevice, DepthTestsLessOrEqualAndWritesByState) {
    const int W = 32, H = 16;
    Open(W, H, true);
    struct Case {
        DWORD m_ZEnable, m_ZWrite;
        uint16_t m_Overlap;      // where the far triangle overlaps the near one
        uint16_t m_DepthAfter;   // the depth there afterwards
    };
    // The near triangle (z 0.25, red) is drawn first, the far one (z 0.75, blue) after it.
    for (const Case& c : {Case{1, 1, 0xF800, 16383}, Case{1, 0, 0x001F, 65535},
                          Case{0, 1, 0x001F, 49151}, Case{0, 0, 0x001F, 65535}}) {
        m_Device->SetRenderState(D3DRENDERSTATE_ZENABLE, c.m_ZEnable);
        m_Device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, c.m_ZWrite);
        m_Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        Draw(D3DPT_TRIANGLELIST, {V(0, 0, 0.25f, 0xFF0000), V(20, 0, 0.25f), V(0, 16, 0.25f),
                                  V(4, 0, 0.75f, 0x0000FF), V(32, 0, 0.75f), V(4, 16, 0.75f)});
        std::vector<uint16_t> pixels = Pixels(m_Target);
        std::vector<uint16_t> depth = Pixels(m_Depth);
        EXPECT_EQ(c.m_Overlap, pixels[2 * W + 6]) << c.m_ZEnable << c.m_ZWrite;
        EXPECT_EQ(c.m_DepthAfter, depth[2 * W + 6]) << c.m_ZEnable << c.m_ZWrite;
        EXPECT_EQ(0x001F, pixels[2 * W + 25]) << "beside it, the far one draws";
    }
    // An equal depth passes.
    m_Device->SetRenderState(D3DRENDERSTATE_ZENABLE, 1);
    m_Device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, 1);
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 0.5f, 0);
    Draw(D3DPT_TRIANGLELIST, {V(0, 0, 0.5f, 0x00FF00), V(32, 0, 0.5f), V(0, 16, 0.5f)});
    EXPECT_EQ(0x07E0, Pixels(m_Target)[2 * W + 2]);
}

uint16_t Gradient565(int x, int y) {
    return (uint16_t)((x * 2654435761u + y * 40503u) >> 7);
}

// Every template width from 1 to 256 texels (Wine pads the rows of narrow textures), mapped
// one texel per pixel and twice over so that u and v wrap.
TEST_F(KeshDevice, TexturedSpansCopyTexelsOfEveryWidth) {
    Open(512, 16, false);
    for (int width = 1; width <= 256; width *= 2) {
        IDirectDrawSurface7* texture = Surface(width, 4, 16, Mask565);
        Fill(texture, Gradient565);
        ASSERT_EQ(D3D_OK, m_Device->SetTexture(0, texture));
        m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1, 0);
        float w = (float)(2 * width);
        Draw(D3DPT_TRIANGLESTRIP, {V(0, 0, 0.5f, 0, 0, 0), V(w, 0, 0.5f, 0, 2, 0),
                                   V(0, 8, 0.5f, 0, 0, 2), V(w, 8, 0.5f, 0, 2, 2)});
        std::vector<uint16_t> pixels = Pixels(m_Target);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 2 * width; ++x) {
                ASSERT_EQ(Gradient565(x % width, y % 4), pixels[y * 512 + x])
                    << "width " << width << " at " << x << "," << y;
            }
        }
        EXPECT_EQ(0, pixels[8 * 512]) << "nothing below";
        m_Device->SetTexture(0, nullptr);
    }
    // Wider textures have no span template: refused, and the triangle is drawn flat.
    IDirectDrawSurface7* wide = Surface(512, 2, 16, Mask565);
    EXPECT_EQ(DDERR_INVALIDPARAMS, m_Device->SetTexture(0, wide));
    Draw(D3DPT_TRIANGLELIST, {V(0, 0, 0.5f, 0x00FF00), V(16, 0), V(0, 16)});
    EXPECT_EQ(0x07E0, Pixels(m_Target)[1 * 512 + 1]);
}

TEST_F(KeshDevice, AdditiveMaskAndGouraudSpans) {
    const int W = 16, H = 8;
    Open(W, H, false, Mask555);
    // Additive: each pixel is its own 16-bit sum, so an overflow does not reach the neighbour.
    m_Device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    m_Device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFF, 1, 0);
    Draw(D3DPT_TRIANGLESTRIP, {V(0, 0, 0, 8), V(W, 0, 0, 8), V(0, H, 0, 8), V(W, H, 0, 8)});
    for (uint16_t p : Pixels(m_Target)) {
        ASSERT_EQ(0x8000, p) << "0x7FFF + 1 in each pixel";
    }
    m_Device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, 0);
    struct Case {
        D3DRENDERSTATETYPE m_State;
        DWORD m_Value;
    };
    for (const Case& c : {Case{D3DRENDERSTATE_PLANEMASK, 0},
                          Case{D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD}}) {
        m_Device->SetRenderState(c.m_State, c.m_Value);
        m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1, 0);
        Draw(D3DPT_TRIANGLESTRIP, {V(0, 0, 0, 0xFFFFFF), V(W, 0), V(0, H), V(W, H)});
        for (uint16_t p : Pixels(m_Target)) {
            ASSERT_EQ(0, p) << c.m_State;
        }
        m_Device->SetRenderState(D3DRENDERSTATE_PLANEMASK, 0xFFFFFFFF);
        m_Device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
    }
}

// Hashes of small pictures that freeze the edge rule: triangles at whole and sixteenth
// positions, a strip, a textured quad and a depth overlap.
TEST_F(KeshDevice, GoldenPictures) {
    Open(32, 32, true);
    IDirectDrawSurface7* texture = Surface(8, 8, 16, Mask565);
    Fill(texture, Checker);
    struct Case {
        const char* m_Name;
        bool m_Subpixel;
        bool m_Textured;
        std::vector<TLVertex> m_Strip;
        uint64_t m_Hash;
    };
    const Case cases[] = {
        {"whole", false, false,
         {V(3.4f, 2.6f, 0.5f, 0xFF8040), V(29.5f, 7.5f), V(9.49f, 30.2f)},
         0xd6462940b9650797ull},
        {"sixteenth", true, false,
         {V(3.4f, 2.6f, 0.5f, 0xFF8040), V(29.5f, 7.5f), V(9.49f, 30.2f)},
         0x65c7e501ad8c5802ull},
        {"strip", true, false,
         {V(0.3f, 4, 0.5f, 0x40C0FF), V(5, 28.8f), V(14.7f, 1), V(18, 30), V(31.6f, 15)},
         0xbafb94e639011cafull},
        {"textured", true, true,
         {V(2.5f, 1.5f, 0.5f, 0, 0, 0), V(30, 4, 0.5f, 0, 2, 0), V(1, 29, 0.5f, 0, 0, 1.5f),
          V(27.3f, 31, 0.5f, 0, 2, 1.5f)},
         0x934aba184d6def56ull},
        {"depth", true, false,
         {V(0, 0, 0.9f, 0xFF0000), V(32, 8, 0.1f), V(4, 32, 0.5f), V(30, 30, 0.9f)},
         0xd0816e0aae6201d6ull},
    };
    for (const Case& c : cases) {
        m_Device->SetRenderState(D3DRENDERSTATE_SUBPIXEL, c.m_Subpixel);
        m_Device->SetTexture(0, c.m_Textured ? texture : nullptr);
        m_Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x102030, 0.6f, 0);
        D3DPRIMITIVETYPE type = c.m_Strip.size() == 3 ? D3DPT_TRIANGLELIST : D3DPT_TRIANGLESTRIP;
        Draw(type, c.m_Strip);
        std::vector<uint16_t> pixels = Pixels(m_Target);
        std::vector<uint16_t> depth = Pixels(m_Depth);
        pixels.insert(pixels.end(), depth.begin(), depth.end());
        EXPECT_EQ(c.m_Hash, Hash(pixels)) << c.m_Name;
    }
}

TEST_F(KeshDevice, BadVerticesAndIndicesDrawNothingOutside) {
    const int W = 16, H = 16;
    Open(W, H, true);
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1, 0);
    float nan = std::nanf("");
    std::vector<TLVertex> v = {V(nan, 0), V(5, 5), V(0, 9), V(-1e30f, 0), V(1e30f, 3), V(2, 1e9f),
                               V(-3000, -3000), V(3000, 8), V(8, 3000)};
    const WORD indices[6] = {0, 1, 2, 1, 2, 40};
    ASSERT_EQ(D3D_OK, m_Device->BeginScene());
    EXPECT_EQ(D3D_OK, m_Device->DrawPrimitive(D3DPT_TRIANGLELIST, TLFormat, v.data(), 9, 0));
    EXPECT_EQ(D3D_OK, m_Device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, TLFormat, v.data(), 9,
                                                     (WORD*)indices, 6, 0));
    EXPECT_EQ(DDERR_INVALIDPARAMS,
              m_Device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZ, v.data(), 3, 0));
    ASSERT_EQ(D3D_OK, m_Device->EndScene());
    std::vector<uint16_t> pixels = Pixels(m_Target);
    // Only the huge triangle of the last three vertices, clipped to the target, is drawn.
    EXPECT_EQ(0xFFFF, pixels[8 * W + 8]);
    EXPECT_EQ(D3DERR_SCENE_NOT_IN_SCENE,
              m_Device->DrawPrimitive(D3DPT_TRIANGLELIST, TLFormat, v.data(), 3, 0));
}
