#include <cstdio>
#include <direct.h>
#include <string>

#include <gtest/gtest.h>

#include "bank/bkmgr.h"
#include "bank/bkwinmgr.h"
#include "bank/dialogseam.h"
#include "data/fault.h"
#include "gfx/screenshot.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/support/child.h"
#include "tests/support/scratch.h"

namespace {

// A pre-transformed, unlit quad of one colour over pixels x0..x1, y0..y1.
void DrawQuad(float x0, float y0, float x1, float y1, uint32_t colour) {
    struct Vertex {
        float m_X, m_Y, m_Z, m_Rhw;
        uint32_t m_Colour;
    };
    const Vertex quad[4] = {{x0, y0, 0.5f, 1, colour},
                            {x1, y0, 0.5f, 1, colour},
                            {x0, y1, 0.5f, 1, colour},
                            {x1, y1, 0.5f, 1, colour}};
    gfxDrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, quad, 4, 0);
}

uint32_t U32At(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | (uint8_t)bytes[offset + i];
    }
    return value;
}

// An off-screen surface in system memory of the open DirectDraw; null when it cannot be made.
IDirectDrawSurface7* SystemSurface(int width, int height) {
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    IDirectDrawSurface7* surface = nullptr;
    return lpDD->CreateSurface(&desc, &surface, nullptr) == DD_OK ? surface : nullptr;
}

int CountOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

}  // namespace

TEST_F(WindowPipeline, HardwareWindowWithTransformAndLighting) {
    ASSERT_TRUE(Open("-gfxDebug"));
    std::string log = m_Console.Take();
    EXPECT_NE(std::string::npos, log.find("D3D: Using hardware T&L!")) << log;
    EXPECT_NE(std::string::npos, log.find("D3D: using native vertex buffers.")) << log;
    EXPECT_NE(std::string::npos, log.find("D3D: Device supports 8 active lights.")) << log;
    EXPECT_TRUE(gfxUseHwTnL);
    EXPECT_FALSE(gfxUseIntRenderer);
    EXPECT_EQ(DesktopDepth(), gfxPipeline::m_ColorDepth);
    RECT client;
    GetClientRect(hwndMain, &client);
    EXPECT_EQ(800, client.right);
    EXPECT_EQ(600, client.bottom);
    RECT outer;
    GetWindowRect(hwndMain, &outer);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 800) / 2, outer.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - 600) / 2, outer.top);

    // The defaults reached the state record; the world matrix is the identity.
    const gfxRenderState& s = gfxCurrentState;
    EXPECT_EQ(D3DCULL_NONE, s.m_CullMode);
    EXPECT_EQ(D3DCMP_LESSEQUAL, s.m_ZFunc);
    EXPECT_EQ(D3DCMP_NOTEQUAL, s.m_AlphaFunc);
    EXPECT_EQ(D3DSHADE_GOURAUD, s.m_ShadeMode);
    EXPECT_EQ(0, s.m_Dither);
    EXPECT_EQ(D3DBLEND_SRCALPHA, s.m_SrcBlend);
    EXPECT_EQ(D3DBLEND_INVSRCALPHA, s.m_DestBlend);
    EXPECT_EQ(D3DFILL_SOLID, s.m_FillMode);
    EXPECT_FLOAT_EQ(1, gfxWorld.a.x);
    EXPECT_FLOAT_EQ(0, gfxWorld.d.z);
    ASSERT_NE(nullptr, gfxMainViewport);
    EXPECT_EQ(gfxMainViewport, gfxCurrentViewport);
    EXPECT_TRUE(gfxScreenViewport->IsOrtho());

    // A new size while DirectDraw is open refits the window at once, centred.
    gfxParseOptions(640, 480, 16, 16, false);
    GetClientRect(hwndMain, &client);
    EXPECT_EQ(640, client.right);
    EXPECT_EQ(480, client.bottom);
    GetWindowRect(hwndMain, &outer);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 640) / 2, outer.left);
}

TEST_F(WindowPipeline, DeviceChoiceByOption) {
    struct Case {
        const char* m_Options;
        const char* m_Line;
        const char* m_Buffers;
        uint8_t m_Shade;
    };
    const Case cases[] = {
        {"-gfxDebug -nohwtnl", "D3D: No hardware T&L.", "emulated", D3DSHADE_GOURAUD},
        {"-gfxDebug -nohwtnl -nativevb", "D3D: No hardware T&L.", "native", D3DSHADE_GOURAUD},
        {"-gfxDebug -sw -nativevb", nullptr, "emulated", D3DSHADE_FLAT},
        {"-gfxDebug -ref -sw", nullptr, "emulated", D3DSHADE_FLAT},
    };
    for (const Case& c : cases) {
        ResetPipelineSettings();
        m_Console.Take();
        ASSERT_TRUE(Open(c.m_Options)) << c.m_Options << "\n" << m_Console.Take();
        std::string log = m_Console.Take();
        if (c.m_Line) {
            EXPECT_NE(std::string::npos, log.find(c.m_Line)) << c.m_Options << "\n" << log;
        }
        EXPECT_EQ(std::string::npos, log.find("Using hardware T&L!")) << c.m_Options;
        std::string buffers = std::string("D3D: using ") + c.m_Buffers + " vertex buffers.";
        EXPECT_NE(std::string::npos, log.find(buffers)) << c.m_Options << "\n" << log;
        EXPECT_FALSE(gfxUseIntRenderer) << c.m_Options;
        EXPECT_EQ(c.m_Shade, gfxCurrentState.m_ShadeMode) << c.m_Options;
        gfxClosePipeline();
    }
}

TEST_F(WindowPipeline, FrameClearsDrawsAndShootsTheScreen) {
    for (const char* options : {"", "-sw", "-nohwtnl", "-ref"}) {
        ResetPipelineSettings();
        ASSERT_TRUE(Open(options)) << options << "\n" << m_Console.Take();
        std::string path = m_Scratch.Path("shot.bmp");
        for (int frame = 0; frame < 2; ++frame) {
            gfxPumpMessages();
            BeginFrame();
            gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
            gfxBeginScene();
            DrawQuad(100, 100, 200, 200, 0xFFFF0000);
            gfxEndScene();
            if (frame == 1) {
                RequestScreenShot(path.c_str());
            }
            Sleep(2);
            gfxEndFrame();
        }
        EXPECT_GT(gfxFrameTime, 0.0f) << options;
        EXPECT_FALSE(gfxScreenShotPending());
        EXPECT_EQ(2u, gfxStats.m_Tris) << options;

        std::string bmp = ReadWholeFile(path);
        ASSERT_EQ(1440054u, bmp.size()) << options;
        EXPECT_EQ("BM", bmp.substr(0, 2));
        EXPECT_EQ(1440054u, U32At(bmp, 2));
        EXPECT_EQ(54u, U32At(bmp, 10));
        EXPECT_EQ(40u, U32At(bmp, 14));
        EXPECT_EQ(800u, U32At(bmp, 18));
        EXPECT_EQ(600u, U32At(bmp, 22));
        EXPECT_EQ(0x00180001u, U32At(bmp, 26)) << "one plane of 24 bits";
        // The bottom-left pixel comes first, blue, green, red.
        EXPECT_EQ(std::string("\x1E\x0A\x0A", 3), bmp.substr(54, 3)) << options;
        EXPECT_EQ(0x0A0A1Eu, BmpPixel(bmp, 799, 0)) << options;
        EXPECT_EQ(0xFF0000u, BmpPixel(bmp, 150, 150)) << options;
        EXPECT_EQ(0x0A0A1Eu, BmpPixel(bmp, 250, 150)) << options;
        gfxClosePipeline();
    }
}

TEST_F(WindowPipeline, ClearReachesEveryPixelOfTheTarget) {
    ASSERT_TRUE(Open(""));
    BeginFrame();
    gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
    gfxBeginScene();
    gfxEndScene();
    gfxEndFrame();
    ASSERT_EQ(32, gfxPipeline::m_ColorDepth);
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(DD_OK, lpdsRend->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr));
    int wrong = 0;
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
        const uint32_t* row = (const uint32_t*)((const uint8_t*)desc.lpSurface + y * desc.lPitch);
        for (DWORD x = 0; x < desc.dwWidth; ++x) {
            wrong += (row[x] & 0xFFFFFF) != 0x0A0A1E;
        }
    }
    lpdsRend->Unlock(nullptr);
    EXPECT_EQ(0, wrong);
}

TEST_F(WindowPipeline, TranslucentClearBlendsOverThePicture) {
    ASSERT_TRUE(Open(""));
    std::string path = m_Scratch.Path("fade.bmp");
    BeginFrame();
    gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
    gfxSetStateByte(gfxCurrentState.m_AlphaEnable, 1);
    gfxClear(D3DCLEAR_TARGET, 0x80FFFFFF, 1.0f, 0);
    gfxSetStateByte(gfxCurrentState.m_AlphaEnable, 0);
    RequestScreenShot(path.c_str());
    gfxEndFrame();
    std::string bmp = ReadWholeFile(path);
    ASSERT_EQ(1440054u, bmp.size());
    // Half of white over the clear colour, corner to corner.
    for (uint32_t pixel : {BmpPixel(bmp, 0, 0), BmpPixel(bmp, 799, 599), BmpPixel(bmp, 400, 300)}) {
        EXPECT_NEAR(0x84, (int)(pixel >> 16), 2) << std::hex << pixel;
        EXPECT_NEAR(0x8E, (int)(pixel & 0xFF), 2) << std::hex << pixel;
    }
}

TEST_F(WindowPipeline, BitmapsAndFillsLandOnTheTarget) {
    ASSERT_TRUE(Open(""));
    IDirectDrawSurface7* bitmap = SystemSurface(8, 8);
    ASSERT_NE(nullptr, bitmap);
    DDBLTFX fx = {};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = 0x0000FF;
    ASSERT_EQ(DD_OK, bitmap->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx));

    std::string path = m_Scratch.Path("blit.bmp");
    BeginFrame();
    gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
    gfxBeginScene();
    gfxEndScene();
    gfxFillRect(300, 300, 10, 10, 0x00FF00);
    gfxBlitBitmap(500, 100, bitmap, 2, 2, 4, 4, false);
    RequestScreenShot(path.c_str());
    gfxEndFrame();
    bitmap->Release();
    std::string bmp = ReadWholeFile(path);
    ASSERT_EQ(1440054u, bmp.size());
    EXPECT_EQ(0x00FF00u, BmpPixel(bmp, 305, 305));
    EXPECT_EQ(0x0A0A1Eu, BmpPixel(bmp, 310, 305));
    EXPECT_EQ(0x0000FFu, BmpPixel(bmp, 503, 103));
    EXPECT_EQ(0x0A0A1Eu, BmpPixel(bmp, 504, 103));
}

TEST_F(WindowPipeline, TwoShotRequestsInOneFrameWriteTheSecond) {
    ASSERT_TRUE(Open(""));
    std::string first = m_Scratch.Path("first.bmp");
    std::string second = m_Scratch.Path("second.bmp");
    RequestScreenShot(first.c_str());
    RequestScreenShot(second.c_str());
    RequestScreenShot(nullptr);
    BeginFrame();
    gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
    gfxEndFrame();
    EXPECT_NE(std::string::npos,
              m_Console.Take().find("RequestScreenShot() called when previous request not yet "
                                    "complete"));
    EXPECT_FALSE(FileExists(first));
    EXPECT_EQ(1440054u, ReadWholeFile(second).size());
}

TEST_F(WindowPipeline, ScreenShotButtonAsksForAName) {
    ASSERT_TRUE(Open(""));
    // The bank manager writes its layout file where it runs: in the scratch folder.
    char home[MAX_PATH];
    _getcwd(home, sizeof(home));
    _chdir(m_Scratch.Root().c_str());
    bkManager::CreateInstance(bkWinManager::Create);
    static std::string sAnswer;
    auto answer = [](OPENFILENAMEA* dialog, bool save) -> BOOL {
        EXPECT_TRUE(save);
        EXPECT_STREQ("*.bmp", dialog->lpstrFilter + strlen(dialog->lpstrFilter) + 1);
        if (sAnswer.empty()) {
            return FALSE;
        }
        snprintf(dialog->lpstrFile, dialog->nMaxFile, "%s", sAnswer.c_str());
        return TRUE;
    };
    bkFileDialogFunc previous = bkSetFileDialogFunc(answer);
    sAnswer.clear();
    gfxScreenShotButton();
    EXPECT_FALSE(gfxScreenShotPending()) << "a cancelled dialog requests nothing";
    sAnswer = m_Scratch.Path("button.bmp");
    gfxScreenShotButton();
    EXPECT_TRUE(gfxScreenShotPending());
    BeginFrame();
    gfxEndFrame();
    EXPECT_TRUE(FileExists(sAnswer));
    bkSetFileDialogFunc(previous);
    bkManager::DeleteInstance();
    _chdir(home);
}

TEST_F(WindowPipeline, WindowProcedureKeepsTheWindowAndTracksFocus) {
    UseOptions("");
    gfxParseOptions(320, 200, 16, 16, false);
    gfxCreateWindow("window procedure");
    ASSERT_NE(nullptr, hwndMain);
    gfxWindowFlags = 0;
    EXPECT_EQ(0, SendMessageA(hwndMain, WM_CLOSE, 0, 0));
    EXPECT_EQ(gfxQuitRequested, gfxWindowFlags);
    EXPECT_TRUE(IsWindow(hwndMain));
    SendMessageA(hwndMain, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(gfxQuitRequested | gfxAppInactive, gfxWindowFlags);
    SendMessageA(hwndMain, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_EQ(gfxQuitRequested, gfxWindowFlags);
    EXPECT_EQ(0, SendMessageA(hwndMain, WM_SYSCOMMAND, SC_KEYMENU, 0));
    std::string log = m_Console.Take();
    EXPECT_NE(std::string::npos, log.find("gfxWindowProc: WM_CLOSE received"));
    EXPECT_NE(std::string::npos, log.find("gfxWindowProc: WM_ACTIVATEAPP, Losing focus."));
    EXPECT_NE(std::string::npos, log.find("gfxWindowProc: WM_ACTIVATEAPP, Regaining focus."));

    // A posted close arrives through the pump.
    gfxWindowFlags = 0;
    PostMessageA(hwndMain, WM_CLOSE, 0, 0);
    gfxPumpMessages();
    EXPECT_EQ(gfxQuitRequested, gfxWindowFlags);
    EXPECT_TRUE(IsWindow(hwndMain));
    gfxWindowFlags = 0;
}

TEST_F(WindowPipeline, ClosingTwiceReleasesOnce) {
    ASSERT_TRUE(Open("-gfxDebug 2"));
    m_Console.Take();
    gfxClosePipeline();
    std::string first = m_Console.Take();
    EXPECT_NE(std::string::npos, first.find("Releasing lpD3DDev:")) << first;
    EXPECT_NE(std::string::npos, first.find("Releasing lpDD: 0")) << first;
    EXPECT_EQ(std::string::npos, first.find("Unreleased surface")) << first;
    EXPECT_EQ(nullptr, hwndMain);
    gfxClosePipeline();
    EXPECT_EQ("", m_Console.Take());
}

TEST_F(WindowPipeline, LeakedSurfacesAreReportedAndReleased) {
    ASSERT_TRUE(Open(""));
    ASSERT_NE(nullptr, SystemSurface(64, 32));
    m_Console.Take();
    gfxClosePipeline();
    std::string log = m_Console.Take();
    // Once when the device goes and once more when DirectDraw goes, whose release frees it.
    EXPECT_EQ(2, CountOf(log, "D3D: Unreleased surface: A 64 by 32 surface.")) << log;
    EXPECT_EQ(std::string::npos, log.find("Unreleased surface: A 800")) << log;
}

TEST_CHILD(VideoProblem) {
    bkSetMessageBoxFunc([](HWND, const char* text, const char* caption, UINT type) {
        PrintMessage("box [%s] [%s] %s", caption, text,
                     (type & MB_ICONSTOP) ? "stop icon" : "other icon");
        return IDOK;
    });
    UseOptions("-wedge");
    gfxParseOptions(800, 600, 16, 16, true);
    gfxStartPipeline();
    return 0;
}

TEST(PipelineStart, NothingWorkingEndsInTheVideoProblemBox) {
    ChildResult result = RunChild("VideoProblem");
    EXPECT_FALSE(result.m_TimedOut);
    EXPECT_EQ(1, result.m_ExitCode) << result.m_Output;
    EXPECT_EQ(4, CountOf(result.m_Output, "Required DLL not found: WEDGE.DLL")) << result.m_Output;
    EXPECT_NE(std::string::npos,
              result.m_Output.find("box [Video Problem] [Cannot find a suitable display.  Try "
                                   "changing desktop color depth and/or resolution and restart "
                                   "this application.] stop icon"))
        << result.m_Output;
}

TEST_CHILD(OwnDeviceOnDeepDesktop) {
    UseOptions("-swkesh");
    gfxParseOptions(800, 600, 16, 16, true);
    gfxOpenPipeline();
    return 0;
}

TEST(PipelineStart, OwnDeviceInAWindowNeedsASixteenBitDesktop) {
    if (DesktopDepth() <= 16) {
        GTEST_SKIP() << "the desktop is 16-bit";
    }
    ExpectFatalChild("OwnDeviceOnDeepDesktop",
                     "Switch your desktop to 16-bit color mode to run in a window with software "
                     "renderer.");
}

TEST_F(WindowPipeline, DisplayIndexBeyondTheNameTableFailsTheAttempt) {
    for (int index : {8, -1}) {
        ResetPipelineSettings();
        UseOptions("");
        gfxParseOptions(800, 600, 16, 16, true);
        gfxDisplayIndex = index;
        EXPECT_FALSE(gfxOpenPipeline()) << index;
        EXPECT_NE(std::string::npos, m_Console.Take().find("is not supported (0 to 7)")) << index;
        EXPECT_EQ(nullptr, lpDD);
    }
    // The start falls back to display 0.
    ResetPipelineSettings();
    UseOptions("-display 8");
    gfxParseOptions(800, 600, 16, 16, true);
    gfxStartPipeline();
    EXPECT_EQ(0, gfxDisplayIndex);
    EXPECT_NE(nullptr, lpD3DDev);
}

TEST_CHILD(OpenWithInvalidOperationUnmasked) {
    // As the editor's top level leaves the unit: DirectDraw must still open.
    UnmaskInvalidOperation();
    UseOptions("");
    gfxSetWindowMode(true, -1, -1);
    gfxParseOptions(800, 600, 16, 16, true);
    bool opened = gfxOpenPipeline();
    gfxClosePipeline();
    return opened ? 7 : 3;
}

TEST(PipelineStart, OpensUnderTheEditorsFloatingPointMode) {
    ChildResult result = RunChild("OpenWithInvalidOperationUnmasked");
    EXPECT_EQ(7, result.m_ExitCode) << result.m_Output;
}
