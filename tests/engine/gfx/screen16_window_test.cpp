#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gfx/screenshot.h"
#include "gfx/texture.h"
#include "gfx/zvisual.h"
#include "gfx/image.h"
#include "gfx/imagefile.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/support/scratch.h"

// These run on a 16-bit 800 by 600 screen (tools/wine-run with PLATTOR_XVFB_SCREEN=800x600x16):
// full screen at the screen's own mode, and the program's own device in a window.
namespace {

class Screen16 : public WindowPipeline {
protected:
    void SetUp() override {
        if (!OnSixteenBitScreen()) {
            GTEST_SKIP() << "needs an 800x600x16 screen";
        }
        WindowPipeline::SetUp();
    }
};

FakeDevice* sOwnDevice;

HRESULT CreateFakeKeshDevice(IDirectDrawSurface7*, IDirect3DDevice7** device) {
    *device = sOwnDevice;
    sOwnDevice->AddRef();
    return D3D_OK;
}

// Each channel of a 16-bit picture is within one step of the colour.
void ExpectNear565(uint32_t expected, uint32_t actual, const char* what) {
    for (int shift = 0; shift < 24; shift += 8) {
        int a = (int)((expected >> shift) & 0xFF);
        int b = (int)((actual >> shift) & 0xFF);
        EXPECT_LE(abs(a - b), 8) << what << std::hex << " " << expected << " " << actual;
    }
}

struct ColourVertex {
    float m_X, m_Y, m_Z;
    uint32_t m_Colour;
    float m_U, m_V;
};

// Vertices in a buffer in program memory, which the internal renderer draws.
gfxVertexBuffer* BufferOf(const ColourVertex* vertices, uint32_t count) {
    gfxVertexBuffer* vb =
        gfxCreateVertexBuffer(count, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, true);
    if (vb) {
        memcpy(gfxLockVertexBuffer(vb, 0), vertices, count * sizeof(ColourVertex));
        gfxUnlockVertexBuffer(vb);
    }
    return vb;
}

bool Near565(uint32_t expected, uint32_t actual) {
    for (int shift = 0; shift < 24; shift += 8) {
        if (abs((int)((expected >> shift) & 0xFF) - (int)((actual >> shift) & 0xFF)) > 8) {
            return false;
        }
    }
    return true;
}

// What the screen itself shows at a point of the window's client area, as 0xRRGGBB, once it
// shows the colour expected or two seconds have passed: Wine presents the primary's updates
// on a thread of its own, a little after the blit.
uint32_t ScreenPixel(int x, int y, uint32_t expected) {
    POINT point = {x, y};
    ClientToScreen(hwndMain, &point);
    HDC screen = GetDC(nullptr);
    uint32_t shown = 0;
    for (int wait = 0; wait < 200; ++wait) {
        COLORREF colour = GetPixel(screen, point.x, point.y);
        shown = (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
        if ((shown & 0xF8F8F8) == (expected & 0xF8F8F8)) {
            break;
        }
        Sleep(10);
    }
    ReleaseDC(nullptr, screen);
    return shown;
}

}  // namespace

// A window as large as the screen sticks out of it, its frame pushing the client area past
// the right and bottom edges: the part on the screen still shows each frame.
TEST_F(Screen16, FramesReachTheScreenFromAWindowLargerThanIt) {
    for (const char* options : {"-swkesh", "-sw"}) {
        ResetPipelineSettings();
        ASSERT_TRUE(Open(options)) << options << "\n" << m_Console.Take();
        RECT client;
        GetClientRect(hwndMain, &client);
        POINT corner = {client.right, client.bottom};
        ClientToScreen(hwndMain, &corner);
        EXPECT_GT(corner.y, 600) << "the window does not reach past the screen";
        for (uint32_t colour : {0xFF00FF00u, 0xFFFF0000u}) {
            BeginFrame();
            gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0);
            gfxBeginScene();
            gfxEndScene();
            gfxEndFrame();
            for (POINT at : {POINT{10, 10}, POINT{400, 300}, POINT{790, 570}}) {
                ExpectNear565(colour & 0xFFFFFF, ScreenPixel(at.x, at.y, colour), options);
            }
        }
        EXPECT_EQ(std::string::npos, m_Console.Take().find("Error")) << options;
        gfxClosePipeline();
    }
}

TEST_F(Screen16, FullScreenFlipsAndShootsA565Target) {
    for (const char* options : {"-fs -gfxDebug", "-fs -sw -gfxDebug"}) {
        ResetPipelineSettings();
        ASSERT_TRUE(Open(options)) << options << "\n" << m_Console.Take();
        std::string log = m_Console.Take();
        EXPECT_NE(std::string::npos, log.find("D3D: Double buffer okay.")) << log;
        bool software = std::string(options).find("-sw") != std::string::npos;
        EXPECT_NE(std::string::npos,
                  log.find(software ? "D3D: Render to sysmem" : "D3D: Render to vidmem"))
            << log;
        EXPECT_FALSE(gfxWindowed);
        EXPECT_EQ(16, gfxPipeline::m_ColorDepth);
        std::string path = m_Scratch.Path("full.bmp");
        BeginFrame();
        gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
        gfxBeginScene();
        gfxEndScene();
        RequestScreenShot(path.c_str());
        gfxEndFrame();
        EXPECT_TRUE(gfxUse565) << options;
        std::string bmp = ReadWholeFile(path);
        ASSERT_EQ(1440054u, bmp.size()) << options;
        ExpectNear565(0x0A0A1E, BmpPixel(bmp, 0, 599), options);
        ExpectNear565(0x0A0A1E, BmpPixel(bmp, 400, 300), options);
        gfxClosePipeline();
        EXPECT_NE(std::string::npos, m_Console.Take().find("RESTORING DISPLAY MODE"));
    }
}

TEST_F(Screen16, OwnDeviceRunsInASixteenBitWindow) {
    FakeDevice device;
    device.m_Caps.dwMaxActiveLights = 0xFFFFFFFF;
    sOwnDevice = &device;
    gfxCreateKeshDevice = CreateFakeKeshDevice;
    ASSERT_TRUE(Open("-swkesh")) << m_Console.Take();
    EXPECT_TRUE(gfxUseIntRenderer);
    EXPECT_TRUE(gfxUseOwnDevice);
    EXPECT_EQ(16, gfxPipeline::m_ColorDepth);
    EXPECT_EQ(8, gfxMaxLights);
    EXPECT_EQ(&device, lpD3DDev);
    EXPECT_EQ(D3DSHADE_FLAT, gfxCurrentState.m_ShadeMode);
    EXPECT_EQ(0, gfxCurrentState.m_Dither) << "dither is for hardware devices";
    gfxClosePipeline();
    EXPECT_EQ(nullptr, lpD3DDev);
}

TEST_F(Screen16, VisualizeZShowsDepthInPlaceOfThePicture) {
    ASSERT_TRUE(Open("-sw")) << m_Console.Take();
    gfxVisualizeZ = 1;
    std::string path = m_Scratch.Path("depth.bmp");
    BeginFrame();
    gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
    gfxBeginScene();
    struct Vertex {
        float m_X, m_Y, m_Z, m_Rhw;
        uint32_t m_Colour;
    };
    const Vertex quad[4] = {{100, 100, 0.5f, 1, 0xFFFFFFFF},
                            {200, 100, 0.5f, 1, 0xFFFFFFFF},
                            {100, 200, 0.5f, 1, 0xFFFFFFFF},
                            {200, 200, 0.5f, 1, 0xFFFFFFFF}};
    gfxDrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, quad, 4, 0);
    gfxEndScene();
    RequestScreenShot(path.c_str());
    gfxEndFrame();
    gfxVisualizeZ = 0;
    std::string bmp = ReadWholeFile(path);
    ASSERT_EQ(1440054u, bmp.size());
    // The quad at half depth is green below the near threshold; the cleared far plane is the
    // darkest red, black.
    uint32_t quadPixel = BmpPixel(bmp, 150, 150);
    EXPECT_EQ(0u, quadPixel & 0xFF00FF) << std::hex << quadPixel;
    EXPECT_GT((quadPixel >> 8) & 0xFF, 0x40u) << std::hex << quadPixel;
    EXPECT_EQ(0u, BmpPixel(bmp, 10, 10));
}

// The real own device in a window: a quad in front of the camera goes through the internal
// renderer, which clips it at the left edge, and lands on the 5-6-5 target in its colour.
TEST_F(Screen16, OwnDeviceDrawsThroughTheInternalRenderer) {
    ASSERT_TRUE(Open("-swkesh")) << m_Console.Take();
    ASSERT_TRUE(gfxUseIntRenderer);
    EXPECT_EQ(256, gfxSetMaxImageSize(0)) << "textures no wider than the spans serve";
    gfxMainViewport->SetFullWindow();
    // The left half reaches far past the left edge of the view.
    const ColourVertex quad[4] = {{-40, -1, -5, 0xFF00FF00, 0, 0},
                            {1, -1, -5, 0xFF00FF00, 1, 0},
                            {-40, 1, -5, 0xFF00FF00, 0, 1},
                            {1, 1, -5, 0xFF00FF00, 1, 1}};
    gfxVertexBuffer* vb = BufferOf(quad, 4);
    ASSERT_TRUE(vb);
    std::string path = m_Scratch.Path("own.bmp");
    BeginFrame();
    gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
    gfxBeginScene();
    gfxDrawVertexBuffer(D3DPT_TRIANGLESTRIP, 0, 4, vb);
    gfxEndScene();
    RequestScreenShot(path.c_str());
    gfxEndFrame();
    EXPECT_GT(gfxStats.m_IntTris, 0u);
    std::string bmp = ReadWholeFile(path);
    ASSERT_EQ(1440054u, bmp.size());
    ExpectNear565(0x00FF00, BmpPixel(bmp, 2, 300), "clipped at the left edge");
    ExpectNear565(0x00FF00, BmpPixel(bmp, 380, 300), "inside");
    ExpectNear565(0x0A0A1E, BmpPixel(bmp, 520, 300), "right of the quad, which ends at 504");
    ExpectNear565(0x0A0A1E, BmpPixel(bmp, 10, 10), "above it");
    gfxDestroyVertexBuffer(vb);
}

// A texture made by the texture code on the own device: its texels reach the target as they
// are, the left half red and the right half blue.
TEST_F(Screen16, OwnDeviceDrawsTexturesOfTheTextureCode) {
    ASSERT_TRUE(Open("-swkesh")) << m_Console.Take();
    gfxSetMaxImageSize(0);
    gfxImage* image = gfxImage::Create(8, 8, gfxImage::rif888, 0, 0);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            uint8_t* p = image->Row(y) + 3 * x;
            p[0] = x < 4 ? 0xFF : 0;  // red
            p[1] = 0;
            p[2] = x < 4 ? 0 : 0xFF;  // blue
        }
    }
    gfxTexture* texture = gfxTexture::Create(image, false);
    gfxReleaseImage(image);
    ASSERT_TRUE(texture);
    const ColourVertex quad[4] = {{-1, -1, -5, 0xFF00FF00, 0, 1},
                            {1, -1, -5, 0xFF00FF00, 1, 1},
                            {-1, 1, -5, 0xFF00FF00, 0, 0},
                            {1, 1, -5, 0xFF00FF00, 1, 0}};
    gfxVertexBuffer* vb = BufferOf(quad, 4);
    ASSERT_TRUE(vb);
    std::string path = m_Scratch.Path("textured.bmp");
    BeginFrame();
    gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
    gfxBeginScene();
    gfxCurrentState.m_Texture[0] = texture;
    gfxStateDirty |= gfxDirtyTextures;
    gfxDrawVertexBuffer(D3DPT_TRIANGLESTRIP, 0, 4, vb);
    gfxEndScene();
    RequestScreenShot(path.c_str());
    gfxEndFrame();
    std::string bmp = ReadWholeFile(path);
    ASSERT_EQ(1440054u, bmp.size());
    ExpectNear565(0xFF0000, BmpPixel(bmp, 350, 300), "left half");
    ExpectNear565(0x0000FF, BmpPixel(bmp, 450, 300), "right half");
    ExpectNear565(0x0A0A1E, BmpPixel(bmp, 10, 10), "outside");
    gfxDestroyVertexBuffer(vb);
    gfxTexture::Release(texture);
}

// The own device draws triangles only: lines and points drawn as the drawing layers draw them,
// from buffers in program memory in screen pixels, reach the target all the same, one pixel
// across, under every culling, with no failed call. One line runs in from left of the view and
// is cut at its edge.
TEST_F(Screen16, OwnDeviceShowsLinesAndPoints) {
    ASSERT_TRUE(Open("-swkesh")) << m_Console.Take();
    gfxSetViewport(gfxScreenViewport);
    struct Line {
        float m_X0, m_Y0, m_X1, m_Y1;
        uint32_t m_Colour;
    };
    const Line lines[] = {
        {100, 100, 300, 100, 0xFFFF0000},  // flat
        {100, 200, 300, 350, 0xFF0000FF},  // slanting
        {400, 100, 400, 300, 0xFF00FF00},  // upright
        {500, 300, 560, 100, 0xFFFFFF00},  // steep, upwards
        {-100, 550, 300, 560, 0xFFFF00FF}, // from left of the view
    };
    const int lineCount = sizeof(lines) / sizeof(lines[0]);
    std::vector<ColourVertex> list;
    for (const Line& line : lines) {
        list.push_back({line.m_X0, line.m_Y0, 0, line.m_Colour, 0, 0});
        list.push_back({line.m_X1, line.m_Y1, 0, line.m_Colour, 0, 0});
    }
    // A strip round a box, a smaller box inside it by indices, and points every fourth pixel
    // along a row.
    const float box[5][2] = {{600, 400}, {700, 400}, {700, 500}, {600, 500}, {600, 400}};
    for (const auto& corner : box) {
        list.push_back({corner[0], corner[1], 0, 0xFFFFFFFF, 0, 0});
    }
    for (int i = 0; i < 4; ++i) {
        list.push_back({box[i][0] * 0.5f + 325, box[i][1] * 0.5f + 225, 0, 0xFFFFFF00, 0, 0});
    }
    const int pointCount = 10;
    for (int i = 0; i < pointCount; ++i) {
        list.push_back({600.0f + 4 * i, 50, 0, 0xFF00FFFF, 0, 0});
    }
    gfxVertexBuffer* vb = BufferOf(list.data(), (uint32_t)list.size());
    ASSERT_TRUE(vb);
    const uint16_t boxIndices[8] = {0, 1, 1, 2, 2, 3, 3, 0};
    for (uint8_t cull : {D3DCULL_NONE, D3DCULL_CW, D3DCULL_CCW}) {
        std::string path = m_Scratch.Path("lines.bmp");
        BeginFrame();
        gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
        gfxBeginScene();
        gfxSetStateByte(gfxCurrentState.m_CullMode, cull);
        gfxDrawVertexBuffer(D3DPT_LINELIST, 0, 2 * lineCount, vb);
        gfxDrawVertexBuffer(D3DPT_LINESTRIP, 2 * lineCount, 5, vb);
        gfxDrawIndexedVertexBuffer(D3DPT_LINELIST, 2 * lineCount + 5, 4, vb, boxIndices, 8);
        gfxDrawVertexBuffer(D3DPT_POINTLIST, 2 * lineCount + 9, pointCount, vb);
        gfxEndScene();
        RequestScreenShot(path.c_str());
        gfxEndFrame();
        std::string bmp = ReadWholeFile(path);
        ASSERT_EQ(1440054u, bmp.size());
        // Along its major axis a line has its colour in each pixel it crosses, once across
        // the other axis, up to but not including its end.
        auto expectLine = [&](float x0, float y0, float x1, float y1, uint32_t colour,
                              const char* what) {
            bool flat = fabsf(x1 - x0) >= fabsf(y1 - y0);
            float a0 = flat ? x0 : y0, a1 = flat ? x1 : y1;
            int first = (int)ceilf(std::min(a0, a1)), end = (int)ceilf(std::max(a0, a1));
            first = std::max(first, 0);
            int missing = 0, wide = 0;
            for (int along = first; along < end; ++along) {
                float t = (along - a0) / (a1 - a0);
                int across = (int)lroundf(flat ? y0 + (y1 - y0) * t : x0 + (x1 - x0) * t);
                int hits = 0;
                for (int d = -2; d <= 2; ++d) {
                    uint32_t pixel = flat ? BmpPixel(bmp, along, across + d)
                                          : BmpPixel(bmp, across + d, along);
                    hits += Near565(colour & 0xFFFFFF, pixel);
                }
                missing += hits == 0;
                // Near its ends a line of the box meets the next one.
                wide += hits > 1 && along >= first + 2 && along < end - 2;
            }
            EXPECT_EQ(0, missing) << what << ", cull " << (int)cull;
            EXPECT_EQ(0, wide) << what << ", cull " << (int)cull;
        };
        const char* names[lineCount] = {"flat", "slanting", "upright", "steep", "cut"};
        for (int i = 0; i < lineCount; ++i) {
            const Line& l = lines[i];
            expectLine(l.m_X0, l.m_Y0, l.m_X1, l.m_Y1, l.m_Colour, names[i]);
        }
        for (int i = 0; i < 4; ++i) {
            expectLine(box[i][0], box[i][1], box[i + 1][0], box[i + 1][1], 0xFFFFFFFF, "box");
            expectLine(box[i][0] * 0.5f + 325, box[i][1] * 0.5f + 225, box[i + 1][0] * 0.5f + 325,
                       box[i + 1][1] * 0.5f + 225, 0xFFFFFF00, "inner box");
        }
        for (int i = 0; i < pointCount; ++i) {
            ExpectNear565(0x00FFFF, BmpPixel(bmp, 600 + 4 * i, 50), "point");
            ExpectNear565(0x0A0A1E, BmpPixel(bmp, 601 + 4 * i, 50), "between points");
        }
        ExpectNear565(0x0A0A1E, BmpPixel(bmp, 640, 440), "inside the inner box");
        std::string log = m_Console.Take();
        EXPECT_EQ(std::string::npos, log.find("failed")) << log;
    }
    gfxDestroyVertexBuffer(vb);
}
