#include "model/package.h"
#include "model/shader.h"

#include "data/asset.h"
#include "data/stream.h"
#include "tests/engine/model/modelfixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

namespace {

class ShaderTables : public ::testing::Test {
protected:
    void SetUp() override { datAssetManager::SetPath(m_Scratch.Root().c_str()); }
    void TearDown() override {
        modShader::FreeShaders(m_Table, m_Variants, m_PerVariant);
        modShader::sm_VariantLimit = 9999;
        datAssetManager::SetPath("");
    }
    // Reads the item "shaders" of a package holding it and then an item "after", or of a
    // package that ends with it.
    modShader** Load(const std::string& payload, bool expectAfter = true) {
        WriteWholeFile(m_Scratch.Path("s.pkg"), "PKG3" + PackageItem("shaders", payload) +
                                                    (expectAfter ? PackageItem("after", "x") : ""));
        modPackage package;
        EXPECT_TRUE(package.Open("", "s"));
        Stream* stream = package.OpenFile("shaders");
        EXPECT_TRUE(stream);
        m_Table = modShader::LoadShaders(stream, &m_Variants, &m_PerVariant, false);
        package.CloseFile();
        if (expectAfter) {
            EXPECT_STREQ(package.NextItem(), "after");
        }
        return m_Table;
    }

    ScratchDir m_Scratch;
    modShader** m_Table = nullptr;
    int m_Variants = 0;
    int m_PerVariant = 0;
};

}  // namespace

// Stored colours snap to 32 steps, below 0.05 to 0 and above 0.95 to 1, so near-equal
// materials share one pooled record; the ambient colour follows the diffuse.
TEST_F(ShaderTables, ColoursSnapAndEqualMaterialsShareARecord) {
    const float a[4] = {0.51f, 0.04f, 0.96f, 1.0f};
    const float b[4] = {0.52f, 0.04f, 0.96f, 1.0f};
    std::string payload = U32(1) + U32(3) + ShaderRecord("brick", a, 8.0f) +
                          ShaderRecord("", b, 8.0f) + ShaderRecord("", b, 9.0f);
    modShader** table = Load(payload);
    ASSERT_TRUE(table);
    EXPECT_EQ(m_Variants, 1);
    EXPECT_EQ(m_PerVariant, 3);
    modShader* s = table[0];
    EXPECT_EQ(s[0].m_Material, s[1].m_Material);
    EXPECT_NE(s[1].m_Material, s[2].m_Material);
    const modStaticMaterial& m = *s[0].m_Material;
    EXPECT_EQ(m.diffuse.r, 0.5f);
    EXPECT_EQ(m.diffuse.g, 0.0f);
    EXPECT_EQ(m.diffuse.b, 1.0f);
    EXPECT_EQ(m.ambient.r, 0.5f) << "ambient is the diffuse colour, not the stored one";
    EXPECT_EQ(m.m_Packed, 0xFF7F00FFu);
    EXPECT_FALSE(s[0].IsResolved());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(s[0].m_Texture) & 1, 1u);
    EXPECT_STREQ(s[0].GetTextureName(), "brick");
    EXPECT_EQ(s[1].m_Texture, nullptr);
}

// Bit 7 of the variant word marks packed colours; variants past the limit are read and
// dropped, leaving the stream at the next item.
TEST_F(ShaderTables, PackedVariantsAndTheVariantLimit) {
    std::string packed;
    for (int i = 0; i < 3 * 2; ++i) {
        packed += std::string(1, '\0') + std::string{(char)255, (char)128, 0, (char)255} +
                  std::string(8, '\0') + F32(float(i));
    }
    modShader::sm_VariantLimit = 2;
    modShader** table = Load(U32(0x83) + U32(2) + packed);
    ASSERT_TRUE(table);
    EXPECT_EQ(m_Variants, 2);
    EXPECT_EQ(m_PerVariant, 2);
    EXPECT_NEAR(table[1][1].m_Material->diffuse.r, 1.0f, 1e-6);
    EXPECT_NEAR(table[1][1].m_Material->diffuse.g, 128.0f / 255.0f, 1e-6);
    EXPECT_EQ(table[1][1].m_Material->power, 3.0f);
}

// What the writer puts out reads back to the same pooled materials and names; packed bytes
// clamp below 0 and at 1.
TEST_F(ShaderTables, WrittenTablesReadBack) {
    for (bool packed : {false, true}) {
        modStaticMaterial material;
        material.diffuse = {0.5f, -0.25f, 1.5f, 1.0f};
        material.ambient = material.diffuse;
        material.specular = {0.25f, 0.25f, 0.25f, 1.0f};
        material.emissive = {0.0f, 0.0f, 0.0f, 0.0f};
        material.power = 4.0f;
        char* name = new char[6];
        strcpy(name, "glass");
        modShader shaders[2] = {
            {reinterpret_cast<gfxTexture*>(reinterpret_cast<uintptr_t>(name) + 1),
             modStaticMaterial::Intern(material)},
            {nullptr, nullptr}};
        modShader* variants[1] = {shaders};
        Stream* out = StreamCreate(m_Scratch.Path("w.bin").c_str());
        ASSERT_TRUE(out);
        modShader::WriteShaders(out, variants, 1, 2, packed);
        StreamClose(out);
        shaders[0].FreeName();
        std::string bytes = ReadWholeFile(m_Scratch.Path("w.bin"));
        EXPECT_EQ(bytes[0] & 0x80, packed ? 0x80 : 0);
        modShader** table = Load(bytes);
        ASSERT_TRUE(table) << packed;
        EXPECT_STREQ(table[0][0].GetTextureName(), "glass");
        const modStaticMaterial& m = *table[0][0].m_Material;
        EXPECT_EQ(m.diffuse.g, 0.0f);
        EXPECT_EQ(m.diffuse.b, 1.0f);
        EXPECT_NEAR(m.diffuse.r, packed ? 127.0f / 255.0f : 0.5f, 1e-6);
        EXPECT_EQ(m.power, 4.0f);
        // A shader without a material is written with the default one: white, power 0.
        EXPECT_EQ(table[0][1].m_Material->diffuse.r, 1.0f);
        EXPECT_EQ(table[0][1].m_Texture, nullptr);
        modShader::FreeShaders(m_Table, m_Variants, m_PerVariant);
        m_Table = nullptr;
    }
}

TEST_F(ShaderTables, DamagedTablesAreRefused) {
    const float white[4] = {1, 1, 1, 1};
    std::string whole = U32(2) + U32(1) + ShaderRecord("a", white, 1) + ShaderRecord("b", white, 1);
    const std::string cases[] = {
        whole.substr(0, whole.size() - 3),
        U32(1) + U32(0x7FFFFFFF) + ShaderRecord("a", white, 1),
        U32(0x7FFFFFFF) + U32(2) + ShaderRecord("a", white, 1),
    };
    for (const std::string& payload : cases) {
        ConsoleCapture console;
        EXPECT_EQ(Load(payload, false), nullptr);
        EXPECT_EQ(console.Take(), "Error: modShader::LoadShaders: damaged shader table\n");
    }
}

TEST_CHILD(FullMaterialPool) {
    modStaticMaterial material;
    for (int i = 0; i <= modStaticMaterial::sm_MaxStaticMaterials; ++i) {
        material.power = float(i + 1000);
        modStaticMaterial::Intern(material);
    }
    return 0;
}

TEST(StaticMaterials, FullPoolIsFatal) {
    ExpectFatalChild("FullMaterialPool",
                     "Assert(sm_StaticMaterialCount != sm_MaxStaticMaterials) failed in [model/shader");
}
