#include <cstdlib>
#include <string>

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

// A strip of four vertices in a buffer in program memory, which the internal renderer draws.
gfxVertexBuffer* QuadBuffer(const ColourVertex quad[4]) {
    gfxVertexBuffer* vb = gfxCreateVertexBuffer(4, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, true);
    if (vb) {
        memcpy(gfxLockVertexBuffer(vb, 0), quad, 4 * sizeof(ColourVertex));
        gfxUnlockVertexBuffer(vb);
    }
    return vb;
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
    gfxVertexBuffer* vb = QuadBuffer(quad);
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
    gfxVertexBuffer* vb = QuadBuffer(quad);
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
