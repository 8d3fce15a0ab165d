#include "model/shader.h"

#include "data/asset.h"
#include "data/stream.h"
#include "gfx/texreg.h"
#include "gfx/texture.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/engine/model/modelfixture.h"

#include <gtest/gtest.h>

namespace {

// Shader tables read from a scratch file and resolved against the demo textures on a real
// device.
class ResolvedShaders : public WindowPipeline {
protected:
    void TearDown() override {
        modShader::FreeShaders(m_Table, m_Variants, m_PerVariant);
        // The registry keeps the shaders' texture fields as users of the animated texture.
        gfxResetAnimTextures();
        WindowPipeline::TearDown();
        gfxReleaseAllTextures();
        datAssetManager::SetPath("");
    }

    modShader** m_Table = nullptr;
    int m_Variants = 0;
    int m_PerVariant = 0;
};

}  // namespace

// Resolving loads the named texture onto the device, follows an animated texture through the
// shader's own texture field, and leaves a name that is not there as no texture.
TEST_F(ResolvedShaders, NamesBecomeLoadedTextures) {
    ASSERT_TRUE(Open(""));
    datAssetManager::SetPath(SourcePath("tests/data/oddcity").c_str());
    const float white[4] = {1, 1, 1, 1};
    std::string path = m_Scratch.Path("shaders.bin");
    ASSERT_TRUE(WriteWholeFile(path, U32(1) + U32(3) + ShaderRecord("road_a", white, 0.0f) +
                                         ShaderRecord("flow", white, 0.0f) +
                                         ShaderRecord("nosuchtexture", white, 0.0f)));
    Stream* stream = StreamOpen(path.c_str());
    ASSERT_TRUE(stream);
    m_Console.Take();
    m_Table = modShader::LoadShaders(stream, &m_Variants, &m_PerVariant, true);
    StreamClose(stream);
    ASSERT_TRUE(m_Table);
    modShader* s = m_Table[0];

    ASSERT_TRUE(s[0].IsResolved());
    ASSERT_NE(s[0].m_Texture, nullptr);
    EXPECT_STREQ(s[0].m_Texture->m_Name, "road_a");
    EXPECT_EQ(s[0].m_Texture->m_Width, 32);
    EXPECT_NE(s[0].m_Texture->m_Surface, nullptr) << "the texture is on the device";
    EXPECT_EQ(s[0].GetTextureName(), s[0].m_Texture->m_Name);

    ASSERT_NE(s[1].m_Texture, nullptr);
    EXPECT_STREQ(s[1].m_Texture->m_Name, "flow-0001");
    gfxUpdateAnimTextures(0.04f);
    ASSERT_NE(s[1].m_Texture, nullptr);
    EXPECT_STREQ(s[1].m_Texture->m_Name, "flow-0002") << "the animation moves the shader";

    EXPECT_TRUE(s[2].IsResolved());
    EXPECT_EQ(s[2].m_Texture, nullptr);
    EXPECT_NE(m_Console.Take().find("nosuchtexture"), std::string::npos);
}
