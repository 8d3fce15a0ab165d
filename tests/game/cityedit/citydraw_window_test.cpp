#include <string>

#include <gtest/gtest.h>

#include "city/ai.h"
#include "city/psdl.h"
#include "cityedit/psdltool.h"
#include "city/sdlcode.h"
#include "data/asset.h"
#include "gfx/screenshot.h"
#include "gfx/texreg.h"
#include "gfx/texture.h"
#include "gfx/viewport.h"
#include "rgl/rgl.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/engine/rgl/rglfixture.h"
#include "vector/matrix34.h"

namespace {

const char* const DemoFiles[] = {"city\\demo.sdl",      "city\\materials.csv",  "texture\\flow-0001.tga",
                                 "texture\\flow-0002.tga", "texture\\grass.bmp",  "texture\\median_a.tga",
                                 "texture\\median_b.tga",  "texture\\median_c.bmp", "texture\\median_d.tga",
                                 "texture\\road_a.tga",    "texture\\road_lod.tga", "texture\\sidewalk_a.tga"};

// The demo city's files in the scratch folder, which is the asset root.
class CityDrawing : public WindowPipeline {
protected:
    void SetUp() override {
        WindowPipeline::SetUp();
        CreateDirectoryA(m_Scratch.Path("city").c_str(), nullptr);
        CreateDirectoryA(m_Scratch.Path("texture").c_str(), nullptr);
        for (const char* file : DemoFiles) {
            CopyFileA(SourcePath(std::string("tests\\data\\oddcity\\") + file).c_str(), m_Scratch.Path(file).c_str(), FALSE);
        }
        datAssetManager::SetPath(m_Scratch.Root().c_str());
    }
    void TearDown() override {
        EmitDrawer = nullptr;
        AiDrawer = nullptr;
        WindowPipeline::TearDown();
        gfxResetAnimTextures();
        datAssetManager::SetPath("");
    }

    // Every entry of the demo city's table has its texture, but the one without an image; the
    // animated entry shows the frame given.
    static void ExpectDemoTextures(const char* flowFrame) {
        ASSERT_EQ(11u, lvlPSDL::sm_TextureCount);
        EXPECT_EQ(nullptr, lvlPSDL::sm_Textures[0].m_Texture);
        for (uint32_t i = 1; i < 10; ++i) {
            EXPECT_NE(nullptr, lvlPSDL::sm_Textures[i].m_Texture) << lvlPSDL::sm_Textures[i].m_Name;
        }
        EXPECT_EQ("flow", lvlPSDL::sm_Textures[5].m_Name);
        ASSERT_NE(nullptr, lvlPSDL::sm_Textures[5].m_Texture);
        EXPECT_STREQ(flowFrame, lvlPSDL::sm_Textures[5].m_Texture->m_Name);
        EXPECT_EQ("nosuchimage", lvlPSDL::sm_Textures[10].m_Name);
        EXPECT_EQ(nullptr, lvlPSDL::sm_Textures[10].m_Texture);
    }

    template <typename Draw>
    std::string Frame(Draw draw) {
        return ShootFrame(m_Scratch.Path("city.bmp"), 0xFF000000, draw);
    }
};

}  // namespace

// The name stays short: the scratch folder, named after the test, is the asset root.
TEST_F(CityDrawing, DemoTexturesAttach) {
    {
        lvlPSDL city;
        ASSERT_TRUE(city.LoadSDL("demo"));
        // Without a display the names stay alone.
        LoadCityTextures();
        EXPECT_EQ(nullptr, lvlPSDL::sm_Textures[1].m_Texture);
        ASSERT_TRUE(Open(""));
        LoadCityTextures();
        ExpectDemoTextures("flow-0001");
        // One animated texture updates its entry in place.
        gfxUpdateAnimTextures(1.0f / 30.0f + 0.001f);
        EXPECT_STREQ("flow-0002", lvlPSDL::sm_Textures[5].m_Texture->m_Name);
        ASSERT_TRUE(city.WritePSDL("demo", 2));
    }
    lvlPSDL loaded;
    ASSERT_TRUE(loaded.Load("demo"));
    // The animation goes on where it stood.
    ExpectDemoTextures("flow-0002");
}

TEST_F(CityDrawing, EmittersAndTheAiMapDrawThroughRgl) {
    ASSERT_TRUE(Open(""));
    rglSetVertexFormat(FVF_VCT1);
    lvlUseRglEmitDrawer();
    lvlUseRglAiDrawer();
    // The city lies in x and z: the screen shows x across and z down.
    Matrix34 plan(Vector3(1, 0, 0), Vector3(0, 0, 1), Vector3(0, 1, 0), Vector3(0, 0, 0));
    std::string bmp = Frame([&] {
        rglLoadMatrix(plan);
        SetTexture(nullptr);
        rglColor(0xFF00FF00);
        BeginPrimitive(SDL_FAN);
        EmitVertex(Vector3(100, 0, 100));
        EmitVertex(Vector3(200, 0, 100));
        EmitVertex(Vector3(200, 0, 200));
        EmitVertex(Vector3(100, 0, 200));
        EndPrimitive();
        AiDrawer->Begin(lvlAiDrawer::LineStrip);
        AiDrawer->Vertex(Vector3(300, 0, 150), 0xFFFF0000);
        AiDrawer->Vertex(Vector3(400, 0, 150), 0xFFFF0000);
        AiDrawer->End();
    });
    ASSERT_EQ(1440054u, bmp.size());
    EXPECT_EQ(0x00FF00u, BmpPixel(bmp, 150, 150));
    EXPECT_EQ(0u, BmpPixel(bmp, 250, 150));
    EXPECT_EQ(0xFF0000u, BmpPixel(bmp, 350, 150));
    EXPECT_EQ(0u, BmpPixel(bmp, 350, 170));
}
