#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

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

namespace {

// The options as the program's own arguments, where "-5" is a value.
void UseArguments(const char* options) {
    static std::vector<std::string> words;
    static std::vector<char*> argv;
    words = {"plattor"};
    std::istringstream split(options);
    for (std::string word; split >> word;) {
        words.push_back(word);
    }
    argv.clear();
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    ClearOptions();
    ParseCommandLine(int(argv.size()), argv.data());
}

}  // namespace

// A size or depth that no device can use is named with its option and value, and the pipeline
// starts from the caller's values, all four; a good value beside a bad one is not taken.
TEST_F(PipelineOptions, UnusableSizesAndDepthsAreReportedAndTheDefaultsStand) {
    struct Case {
        const char* m_Options;
        const char* m_Reported;
    };
    const Case cases[] = {
        {"-width -5", "-width -5:"},
        {"-width abc", "-width abc:"},
        {"-width 1024x", "-width 1024x:"},
        {"-width 5000 -height 4000", "-width 5000:|-height 4000:"},
        {"-width 1024 -height 0", "-height 0:"},
        {"-height 99999999999", "-height 99999999999:"},
        {"-width 63", "-width 63:"},
        {"-width 2049", "-width 2049:"},
        {"-cdepth 12", "-cdepth 12:"},
        {"-cdepth 32 -zdepth 8", "-zdepth 8:"},
        {"-zdepth deep -width 640", "-zdepth deep:"},
        {"-width 64 -height 2048 -cdepth 24 -zdepth 32", ""},
    };
    for (const Case& c : cases) {
        ResetPipelineSettings();
        UseArguments(c.m_Options);
        ConsoleCapture console;
        gfxParseOptions(800, 600, 16, 16, true);
        std::string printed = console.Take();
        std::string reported = c.m_Reported;
        if (reported.empty()) {
            EXPECT_EQ(printed, "") << c.m_Options;
            EXPECT_EQ(64, gfxPipeline::m_iWidth);
            EXPECT_EQ(2048, gfxPipeline::m_iHeight);
            EXPECT_EQ(24, gfxPipeline::m_ColorDepth);
            EXPECT_EQ(32, gfxPipeline::m_ZDepth);
            continue;
        }
        size_t lines = 0;
        for (size_t start = 0; start != std::string::npos; ++lines) {
            size_t bar = reported.find('|', start);
            std::string option = reported.substr(start, bar == std::string::npos ? bar : bar - start);
            EXPECT_NE(printed.find("Error: Option " + option + " the pipeline cannot use it"),
                      std::string::npos)
                << c.m_Options << ": " << printed;
            start = bar == std::string::npos ? bar : bar + 1;
        }
        EXPECT_EQ(size_t(std::count(printed.begin(), printed.end(), '\n')), lines) << printed;
        EXPECT_NE(printed.find("starting from 800 x 600, depths 16 and 16."), std::string::npos)
            << printed;
        EXPECT_EQ(800, gfxPipeline::m_iWidth) << c.m_Options;
        EXPECT_EQ(600, gfxPipeline::m_iHeight) << c.m_Options;
        EXPECT_EQ(16, gfxPipeline::m_ColorDepth) << c.m_Options;
        EXPECT_EQ(16, gfxPipeline::m_ZDepth) << c.m_Options;
    }
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
