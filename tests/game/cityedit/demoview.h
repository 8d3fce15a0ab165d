#ifndef TESTS_GAME_CITYEDIT_DEMOVIEW_H
#define TESTS_GAME_CITYEDIT_DEMOVIEW_H

// The demo city drawn by the room interpreter from straight above its middle, and what an
// 800 by 600 picture of it shows on any device: the rooms' ground covers their outlines, the
// background shows round them, and the ground wears its textures' colours. Channels are
// compared to within a 16-bit target's steps.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "city/psdl.h"
#include "data/asset.h"
#include "gfx/d3dpipe.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "gfx/screenshot.h"
#include "gfx/texreg.h"
#include "gfx/texture.h"
#include "rgl/tgl.h"
#include "tests/engine/gfx/pipefixture.h"
#include "vector/matrix34.h"

const uint32_t DemoBackground = 0x102040;

// The city lies in x 0 to 40 and z 0 to 30; the camera looks straight down on its middle from
// 40 up, screen right along x and screen down along z, 13 pixels to the unit or so.
inline Matrix34 DemoOverheadCamera() {
    Matrix34 camera;
    camera.a = Vector3(1, 0, 0);
    camera.b = Vector3(0, 0, -1);
    camera.c = Vector3(0, 1, 0);
    camera.d = Vector3(20, 40, 15);
    return camera;
}

// One frame of every room at the highest detail, as the editor draws the processed city.
inline void DrawDemoFrame(const lvlPSDL& city) {
    lvlSDL::sm_ViewPoint = DemoOverheadCamera().d;
    gfxPumpMessages();
    BeginFrame();
    gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000 | DemoBackground, 1.0f, 0);
    gfxBeginScene();
    gfxSetCamera(DemoOverheadCamera());
    gfxSetStateByte(gfxCurrentState.m_Lighting, 0);
    gfxSetStateByte(gfxCurrentState.m_CullMode, D3DCULL_NONE);
    tglBegin();
    for (uint32_t r = 1; r < city.m_RoomCount; ++r) {
        tglColor(0xFFFFFFFF);
        city.m_Rooms[r]->DrawRoom(3, 0xFFFFFFFF);
    }
    tglEnd();
    gfxEndScene();
}

// A window pipeline over the project's assets, whose city batches end with it.
class DemoCityPipeline : public WindowPipeline {
protected:
    void SetUp() override {
        WindowPipeline::SetUp();
        datAssetManager::SetPath(SourcePath("tests/data/oddcity").c_str());
    }
    void TearDown() override {
        tglShutdown();
        WindowPipeline::TearDown();
        gfxResetAnimTextures();
        datAssetManager::SetPath("");
    }

    // The textures of the loaded city on the open pipeline. The animated entry stays
    // untextured: the registry keeps animated textures for the rest of the program, past this
    // test's pipeline.
    static void LoadDemoTextures() {
        lvlPSDL::sm_Textures[5].m_Name.clear();
        LoadCityTextures();
        ASSERT_TRUE(lvlPSDL::sm_Textures[4].m_Texture) << "grass";
    }

    // The second of two frames, shot.
    std::string ShootDemo(const lvlPSDL& city) {
        std::string path = m_Scratch.Path("demo.bmp");
        for (int frame = 0; frame < 2; ++frame) {
            DrawDemoFrame(city);
            if (frame == 1) {
                RequestScreenShot(path.c_str());
            }
            gfxEndFrame();
        }
        return ReadWholeFile(path);
    }
};

// Where a ground point lands on the screen: 300 pixels to tan 30 degrees at depth 40.
inline void DemoToScreen(float x, float z, int& px, int& py) {
    const float scale = 300.0f / (40.0f * std::tan(30.0f * 3.14159265f / 180.0f));
    px = int(400.0f + (x - 20.0f) * scale);
    py = int(300.0f + (z - 15.0f) * scale);
}

inline bool IsDemoBackground(uint32_t pixel) {
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(int(pixel >> shift & 0xFF) - int(DemoBackground >> shift & 0xFF)) > 8) {
            return false;
        }
    }
    return true;
}

// The mean colour of the 9 by 9 pixels round a ground point.
inline void DemoMeanAround(const std::string& bmp, float x, float z, int rgb[3]) {
    int px, py;
    DemoToScreen(x, z, px, py);
    int sum[3] = {0, 0, 0};
    for (int dy = -4; dy <= 4; ++dy) {
        for (int dx = -4; dx <= 4; ++dx) {
            uint32_t pixel = BmpPixel(bmp, px + dx, py + dy);
            sum[0] += pixel >> 16 & 0xFF;
            sum[1] += pixel >> 8 & 0xFF;
            sum[2] += pixel & 0xFF;
        }
    }
    for (int c = 0; c < 3; ++c) {
        rgb[c] = sum[c] / 81;
    }
}

// The picture of the last DrawDemoFrame, an 800 by 600 24-bit bitmap.
inline void ExpectDemoPicture(const std::string& bmp) {
    ASSERT_EQ(bmp.size(), 1440054u);
    struct Region {
        const char* m_Name;
        float m_X0, m_Z0, m_X1, m_Z1;
        bool m_Covered;
    };
    const Region regions[] = {
        {"block", 0.5f, 0.5f, 9.5f, 9.5f, true},
        {"road", 10.5f, 0.5f, 29.5f, 9.5f, true},
        {"intersection", 30.5f, 0.5f, 39.5f, 9.5f, true},
        {"divided road", 30.5f, 10.5f, 39.5f, 29.5f, true},
        {"west of the city", -12.0f, 0.0f, -2.0f, 30.0f, false},
        {"south of the misc room", 0.0f, 22.0f, 25.0f, 30.0f, false},
    };
    for (const Region& region : regions) {
        int x0, y0, x1, y1;
        DemoToScreen(region.m_X0, region.m_Z0, x0, y0);
        DemoToScreen(region.m_X1, region.m_Z1, x1, y1);
        int total = 0;
        int background = 0;
        for (int y = std::max(0, y0); y <= std::min(599, y1); ++y) {
            for (int x = std::max(0, x0); x <= std::min(799, x1); ++x) {
                ++total;
                background += IsDemoBackground(BmpPixel(bmp, x, y));
            }
        }
        ASSERT_GT(total, 100) << region.m_Name;
        if (region.m_Covered) {
            EXPECT_EQ(background, 0) << region.m_Name;
        } else {
            EXPECT_EQ(background, total) << region.m_Name;
        }
    }

    // The block is grass, the sidewalk light grey, the intersection (whose image is missing)
    // the plain white of the batch colour.
    int rgb[3];
    DemoMeanAround(bmp, 5, 5, rgb);
    EXPECT_GT(rgb[1], rgb[0] + 30) << "grass";
    EXPECT_GT(rgb[1], rgb[2] + 30) << "grass";
    DemoMeanAround(bmp, 20, 1, rgb);
    EXPECT_GT(rgb[0], 120) << "sidewalk";
    EXPECT_LT(std::abs(rgb[0] - rgb[2]), 25) << "sidewalk";
    DemoMeanAround(bmp, 35, 5, rgb);
    for (int c = 0; c < 3; ++c) {
        EXPECT_GE(rgb[c], 0xF8) << "untextured intersection";
    }
}

#endif
