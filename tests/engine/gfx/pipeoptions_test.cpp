#include <gtest/gtest.h>

#include "gfx/window.h"
#include "tests/engine/gfx/pipefixture.h"

namespace {

class PipelineOptions : public ::testing::Test {
protected:
    void TearDown() override {
        ResetPipelineSettings();
        UseOptions("");
    }
};

}  // namespace

TEST_F(PipelineOptions, DeviceAndWindowChoicesTakeTheFirstPresent) {
    struct Case {
        const char* m_Options;
        bool m_Software;
        bool m_Reference;
        bool m_Wedge;
        bool m_Own;
        bool m_Windowed;
        bool m_Maximized;
    };
    const Case cases[] = {
        {"", false, false, false, false, true, false},
        {"-sw", true, false, false, false, true, false},
        {"-sw -ref", true, true, false, false, true, false},
        {"-wedged", true, false, true, false, true, false},
        {"-swkesh -sw", true, false, false, true, true, false},
        {"-fs -window", false, false, false, false, true, false},
        {"-fullscreen", false, false, false, false, false, false},
        {"-fs", false, false, false, false, false, false},
        {"-max -fs", false, false, false, false, true, true},
    };
    for (const Case& c : cases) {
        ResetPipelineSettings();
        UseOptions(c.m_Options);
        gfxParseOptions(800, 600, 16, 16, true);
        EXPECT_EQ(c.m_Software, gfxUseSoftware) << c.m_Options;
        EXPECT_EQ(c.m_Reference, gfxUseReference) << c.m_Options;
        EXPECT_EQ(c.m_Wedge, gfxUseWedge) << c.m_Options;
        EXPECT_EQ(c.m_Own, gfxUseOwnDevice) << c.m_Options;
        EXPECT_EQ(c.m_Software, gfxRenderToSysmem) << c.m_Options;
        EXPECT_EQ(c.m_Windowed, gfxWindowed) << c.m_Options;
        EXPECT_EQ(c.m_Maximized, gfxMaximized) << c.m_Options;
    }
}

TEST_F(PipelineOptions, SwitchesAndSizes) {
    ResetPipelineSettings();
    UseOptions("-triple -nomt -novblank -nohwtnl -tex32 -display 1 -gfxDebug 2 -single "
               "-width 1024 -height 768 -cdepth 32 -zdepth 24 -sysmem");
    gfxParseOptions(800, 600, 16, 16, true);
    EXPECT_TRUE(gfxTripleBuffer);
    EXPECT_FALSE(gfxMultiTexture);
    EXPECT_TRUE(gfxNoVBlank);
    EXPECT_FALSE(gfxAllowHwTnL);
    EXPECT_TRUE(gfxUse32BitTextures);
    EXPECT_EQ(1, gfxDisplayIndex);
    EXPECT_EQ(2, gfxDebugLevel);
    EXPECT_FALSE(gfxDoubleBuffer);
    EXPECT_EQ(1024, gfxPipeline::m_iWidth);
    EXPECT_EQ(768, gfxPipeline::m_iHeight);
    EXPECT_EQ(32, gfxPipeline::m_ColorDepth);
    EXPECT_EQ(24, gfxPipeline::m_ZDepth);
    EXPECT_FLOAT_EQ(1.0f / 1024, gfxPipeline::m_fInvWidth);
    // sysmem is read but the render target's memory follows the device alone.
    EXPECT_TRUE(gfxSysmemOption);
    EXPECT_FALSE(gfxRenderToSysmem);

    ResetPipelineSettings();
    UseOptions("-primary -display 3 -nomultitexture -width 1024");
    gfxParseOptions(640, 480, 16, 16, true);
    EXPECT_EQ(0, gfxDisplayIndex);
    EXPECT_FALSE(gfxMultiTexture);
    EXPECT_EQ(1024, gfxPipeline::m_iWidth);
    EXPECT_EQ(480, gfxPipeline::m_iHeight);

    // Without parsing the arguments stand.
    gfxParseOptions(320, 200, 16, 16, false);
    EXPECT_EQ(320, gfxPipeline::m_iWidth);
}

TEST_F(PipelineOptions, MaxTakesTheScreensClientSize) {
    ResetPipelineSettings();
    gfxSetWindowMode(true, 50, 60);
    UseOptions("-max");
    gfxParseOptions(800, 600, 16, 16, true);
    EXPECT_EQ(GetSystemMetrics(SM_CXFULLSCREEN), gfxPipeline::m_iWidth);
    EXPECT_EQ(GetSystemMetrics(SM_CYFULLSCREEN), gfxPipeline::m_iHeight);
    int x = -5;
    int y = -5;
    gfxGetWindowPosition(&x, &y);
    EXPECT_EQ(0, x);
    EXPECT_EQ(0, y);
}
