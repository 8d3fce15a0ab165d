#include <string>

#include <gtest/gtest.h>

#include "gfx/image.h"
#include "gfx/screenshot.h"
#include "gfx/texture.h"
#include "gfx/viewport.h"
#include "rgl/rgl.h"
#include "rgl/tgl.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/engine/rgl/rglfixture.h"

namespace {

const uint32_t Clear = 0xFF0A0A1E;

gfxTexture* SolidTexture(uint8_t r, uint8_t g, uint8_t b, int format = gfxImage::rif888) {
    gfxImage* image = gfxImage::Create(8, 8, format, 0, 0);
    int bytes = format == gfxImage::rif888 ? 3 : 4;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            uint8_t* p = image->Row(y) + bytes * x;
            p[0] = r, p[1] = g, p[2] = b;
            if (bytes == 4) {
                p[3] = 255;
            }
        }
    }
    gfxTexture* t = gfxTexture::Create(image, false);
    gfxReleaseImage(image);
    return t;
}

class RglWindow : public WindowPipeline {
protected:
    void TearDown() override {
        WindowPipeline::TearDown();
        gfxReleaseAllTextures();
    }

    template <typename Draw>
    std::string Frame(Draw draw) {
        return ShootFrame(m_Scratch.Path("rgl.bmp"), Clear, draw);
    }

    static void Quad(float x0, float y0, float x1, float y1) {
        rglBegin(RGL_TRIANGLE_FAN);
        rglTexCoord(0, 0), rglVertex(x0, y0, 0);
        rglTexCoord(1, 0), rglVertex(x1, y0, 0);
        rglTexCoord(1, 1), rglVertex(x1, y1, 0);
        rglTexCoord(0, 1), rglVertex(x0, y1, 0);
        rglEnd();
    }

    static void TglQuad(gfxTexture* t, float x0, float y0, float x1, float y1) {
        tglSetTexture(t);
        tglColor(0xFFFFFFFF);
        tglReserve(RGL_TRIANGLE_FAN, 4);
        tglTexCoord(0, 0), tglVertex(x0, y0, 0);
        tglTexCoord(1, 0), tglVertex(x1, y0, 0);
        tglTexCoord(1, 1), tglVertex(x1, y1, 0);
        tglTexCoord(0, 1), tglVertex(x0, y1, 0);
    }
};

}  // namespace

TEST_F(RglWindow, ColouredAndTexturedFans) {
    for (const char* options : {"", "-nohwtnl"}) {
        ResetPipelineSettings();
        ASSERT_TRUE(Open(options)) << m_Console.Take();
        rglSetVertexFormat(FVF_VCT1);
        gfxTexture* red = SolidTexture(0xFF, 0, 0);
        ASSERT_NE(nullptr, red);
        std::string bmp = Frame([&] {
            rglBindTexture(nullptr);
            rglColor(0xFF00FF00);
            Quad(100, 100, 200, 200);
            rglBindTexture(red);
            rglColor(0xFFFFFFFF);
            Quad(300, 100, 400, 200);
            rglBindTexture(nullptr);
        });
        ASSERT_EQ(1440054u, bmp.size());
        EXPECT_EQ(0x00FF00u, BmpPixel(bmp, 150, 150)) << options;
        EXPECT_EQ(0x0A0A1Eu, BmpPixel(bmp, 50, 50)) << options;
        EXPECT_EQ(0xFF0000u, BmpPixel(bmp, 350, 150)) << options;
        EXPECT_EQ(0x0A0A1Eu, BmpPixel(bmp, 250, 150)) << options;
        gfxTexture::Release(red);
        gfxClosePipeline();
    }
}

TEST_F(RglWindow, TglBatchesDrawEachTextureWhereItWasPut) {
    ASSERT_TRUE(Open(""));
    rglSetVertexFormat(FVF_VCT1);
    tglInit(FVF_VCT1, 64, 120, 0);
    gfxTexture* red = SolidTexture(0xFF, 0, 0);
    gfxTexture* blue = SolidTexture(0, 0, 0xFF);
    gfxTexture* glass = SolidTexture(0xFF, 0xFF, 0xFF, gfxImage::rif8888);
    ASSERT_TRUE(red && blue && glass);
    ASSERT_TRUE(glass->GetFlags() & gfxTexture::Translucent);
    std::string bmp = Frame([&] {
        tglBegin();
        TglQuad(red, 100, 100, 150, 150);
        TglQuad(glass, 120, 300, 180, 350);
        TglQuad(blue, 200, 100, 250, 150);
        TglQuad(red, 300, 100, 350, 150);
        TglQuad(blue, 100, 300, 150, 350);
        tglEnd();
    });
    ASSERT_EQ(1440054u, bmp.size());
    EXPECT_EQ(0xFF0000u, BmpPixel(bmp, 125, 125));
    EXPECT_EQ(0x0000FFu, BmpPixel(bmp, 225, 125));
    EXPECT_EQ(0xFF0000u, BmpPixel(bmp, 325, 125));
    EXPECT_EQ(0x0A0A1Eu, BmpPixel(bmp, 275, 125));
    // The translucent quad was drawn after the blue one it overlaps.
    EXPECT_EQ(0xFFFFFFu, BmpPixel(bmp, 130, 320));
    EXPECT_EQ(0x0000FFu, BmpPixel(bmp, 110, 320));
    tglShutdown();
}
