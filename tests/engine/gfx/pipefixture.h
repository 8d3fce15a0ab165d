#ifndef TESTS_ENGINE_GFX_PIPEFIXTURE_H
#define TESTS_ENGINE_GFX_PIPEFIXTURE_H

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "data/options.h"
#include "gfx/d3dpipe.h"
#include "gfx/drawstate.h"
#include "gfx/kesh.h"
#include "gfx/pipeline.h"
#include "gfx/renderer.h"
#include "gfx/rstate.h"
#include "gfx/viewport.h"
#include "vector/matrix34.h"
#include "tests/engine/gfx/fakedevice.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

// Every pipeline switch back to its value at program start.
inline void ResetPipelineSettings() {
    gfxWindowed = true;
    gfxMaximized = false;
    gfxDoubleBuffer = true;
    gfxTripleBuffer = false;
    gfxUseSoftware = false;
    gfxUseReference = false;
    gfxUseWedge = false;
    gfxUseOwnDevice = false;
    gfxRenderToSysmem = false;
    gfxSysmemOption = false;
    gfxAllowHwTnL = true;
    gfxUseHwTnL = false;
    gfxUseNativeVBs = false;
    gfxUseIntRenderer = false;
    gfxNoVBlank = false;
    gfxMultiTexture = true;
    gfxUse32BitTextures = false;
    gfxDisplayIndex = 0;
    gfxDebugLevel = 0;
    gfxTexturesPerPass = 1;
    gfxMaxLights = 8;
    gfxWindowFlags = 0;
    gfxDepthComplexity = 0;
    gfxMultiTextureMode = 0;
    gfxTextureHooks = gfxTextureAccess();
    gfxIntRenderer = {gfxIntDraw, gfxIntDrawIndexed};
    gfxSetWindowMode(true, -1, -1);
}

// The command line of the test: "-sw -gfxDebug", for instance.
inline void UseOptions(const char* options) {
    static char line[512];
    ClearOptions();
    snprintf(line, sizeof(line), "plattor %s", options);
    ParseCommandString(line);
}

// A pipeline whose device is the recording fake: the target is 800 by 600, the state records
// hold the defaults and the device has received them.
class FakePipeline : public ::testing::Test {
protected:
    void SetUp() override {
        ResetPipelineSettings();
        UseOptions("");
        gfxParseOptions(800, 600, 32, 16, false);
        lpD3DDev = &m_Device;
        lpD3D = &m_Direct3D;
        gfxLightCount = 0;
        memset(gfxLights, 0, sizeof(gfxLights));
        gfxStateDirty = 0;
        gfxReadDeviceStates(gfxCurrentState);
        gfxDeviceState = gfxCurrentState;
        gfxResetStates(gfxCurrentState);
        m_Viewport = new gfxViewport;
        gfxCurrentViewport = nullptr;
        gfxSetViewport(m_Viewport);
        m_Viewport->SetFullWindow();
        gfxApplyDrawState(gfxCurrentState, gfxDeviceState);
        gfxStats = gfxStatistics();
        m_Device.Forget();
    }

    void TearDown() override {
        gfxFreeVertexBuffers();
        gfxCurrentViewport = nullptr;
        delete m_Viewport;
        lpD3DDev = nullptr;
        lpD3D = nullptr;
        ResetPipelineSettings();
    }

    // A perspective of 60 degrees from 1 to 1000 with the camera at (0, 0, 10) looking down
    // -z, so that the world origin is at the centre of the screen, 10 units away; the screen
    // viewport in pixels.
    void LookAtOriginFromTen() {
        m_Viewport->Perspective(60.0f, 0.0f, 1.0f, 1000.0f);
        gfxScreenViewport = gfxCreateViewport();
        gfxScreenViewport->Ortho(0, 800, 600, 0, -1, 1);
        gfxSetViewport(m_Viewport);
        Matrix34 camera = Matrix34::sm_Identity;
        camera.d.Set(0, 0, 10);
        gfxSetCamera(camera);
    }

    FakeDevice m_Device;
    FakeDirect3D m_Direct3D;
    gfxViewport* m_Viewport = nullptr;
    ConsoleCapture m_Console;
};

// A pipeline opened by the test in an 800 by 600 window (or full screen, by option) on the
// test's display, closed after the test.
class WindowPipeline : public ::testing::Test {
protected:
    void SetUp() override { ResetPipelineSettings(); }
    void TearDown() override {
        gfxClosePipeline();
        gfxCreateKeshDevice = CreateKeshDevice;
        ResetPipelineSettings();
        UseOptions("");
    }

    bool Open(const char* options) {
        UseOptions(options);
        gfxSetWindowMode(true, -1, -1);
        gfxParseOptions(800, 600, 16, 16, true);
        return gfxOpenPipeline();
    }

    ConsoleCapture m_Console;
    ScratchDir m_Scratch;
};

inline int DesktopDepth() {
    HDC screen = GetDC(nullptr);
    int depth = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return depth;
}

// The screen of the 16-bit tests (tools/wine-run with PLATTOR_XVFB_SCREEN=800x600x16).
inline bool OnSixteenBitScreen() {
    return DesktopDepth() == 16 && GetSystemMetrics(SM_CXSCREEN) == 800 &&
           GetSystemMetrics(SM_CYSCREEN) == 600;
}

// The pixel at x, y from the top of an 800 by 600 24-bit bitmap, as 0xRRGGBB.
inline uint32_t BmpPixel(const std::string& bmp, int x, int y) {
    size_t at = 54 + ((size_t)(599 - y) * 800 + x) * 3;
    return (uint32_t)(uint8_t)bmp[at + 2] << 16 | (uint32_t)(uint8_t)bmp[at + 1] << 8 |
           (uint8_t)bmp[at];
}

#endif
