// The editor's start on the program's own software device: these run on a 16-bit 800 by 600
// screen (tools/wine-run with PLATTOR_XVFB_SCREEN=800x600x16).
#include "city/psdl.h"
#include "gfx/viewport.h"
#include "rgl/tgl.h"

#include "tests/game/cityedit/demoview.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class Screen16 : public DemoCityPipeline {
protected:
    void SetUp() override {
        if (!OnSixteenBitScreen()) {
            GTEST_SKIP() << "needs an 800x600x16 screen";
        }
        DemoCityPipeline::SetUp();
    }
};

}  // namespace

// In the editor's order: the city, the pipeline at 800 by 600 from the command line, the
// city's textures, the view and the batches; then the demo city drawn from above, every
// frame reaching the screen without a failed call.
TEST_F(Screen16, EditorStartsOnTheOwnDeviceAndDrawsTheDemoCity) {
    lvlPSDL city;
    ASSERT_TRUE(city.LoadSDL("demo"));
    UseOptions("-swkesh");
    gfxSetWindowMode(true, -1, -1);
    gfxParseOptions(800, 600, 16, 16, true);
    gfxStartPipeline();
    ASSERT_TRUE(gfxUseOwnDevice) << m_Console.Take();
    ASSERT_TRUE(gfxUseIntRenderer);
    ASSERT_EQ(800, gfxPipeline::m_iWidth);
    ASSERT_EQ(16, gfxPipeline::m_ColorDepth);
    LoadDemoTextures();
    gfxCurrentViewport->Perspective(60.0f, gfxCurrentViewport->m_Aspect, 1.0f, 10000.0f);
    tglInit(FVF_VCT1, 64, 120, 0);
    std::string bmp = ShootDemo(city);
    EXPECT_GT(gfxStats.m_IntTris, 0u) << "drawn through the internal renderer";
    ExpectDemoPicture(bmp);
    EXPECT_EQ(std::string::npos, m_Console.Take().find("Error")) << "every call succeeded";
}
