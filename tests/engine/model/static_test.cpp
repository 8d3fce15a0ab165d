#include "model/package.h"
#include "model/shader.h"
#include "model/static.h"

#include "data/asset.h"
#include "gfx/packet.h"
#include "gfx/texture.h"
#include "vector/matrix34.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/engine/model/modelfixture.h"
#include "tests/support/child.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

// Geometry read from packages in a scratch asset root, drawn on the recording device.
class StaticGeometry : public FakePipeline {
protected:
    void SetUp() override {
        FakePipeline::SetUp();
        datAssetManager::SetPath(m_Scratch.Root().c_str());
    }
    void TearDown() override {
        datAssetManager::SetPath("");
        FakePipeline::TearDown();
    }
    modStatic* Load(const std::string& items, const char* name) {
        WriteWholeFile(m_Scratch.Path("g.pkg"), "PKG3" + items);
        modPackage package;
        EXPECT_TRUE(package.Open("", "g"));
        return modStatic::Load(name);
    }

    ScratchDir m_Scratch;
};

modStaticMaterial Material(float alpha) {
    modStaticMaterial m;
    m.diffuse.a = alpha;
    m.power = 2.0f + alpha;
    return m;
}

}  // namespace

TEST_F(StaticGeometry, PacketsWithShaderIndicesAndSwappedColours) {
    std::unique_ptr<modStatic> model(Load(PackageItem("body", GeometryItem({0, 2})), "body"));
    ASSERT_TRUE(model);
    EXPECT_EQ(model->m_PacketCount, 2);
    EXPECT_EQ(model->m_Format, 0x142);
    EXPECT_EQ(model->m_ShaderIndices[1], 2);
    EXPECT_EQ(model->GetVertexCount(), 6u);
    EXPECT_EQ(model->GetTriangleCount(), 2u);
    const gfxPacket& second = *model->m_Packets[1];
    uint32_t colour;
    memcpy(&colour, second.m_Vertices + 24 + 12, 4);
    EXPECT_EQ(colour, 0xFF112233u) << "0xAABBGGRR becomes 0xAARRGGBB";
    float x;
    memcpy(&x, second.m_Vertices + 24, 4);
    EXPECT_EQ(x, 2.0f);
}

TEST_F(StaticGeometry, ShaderIndexOnlyItemsAndItemsNotNext) {
    std::string indexOnly = U32(0x83) + U32(0x142) + std::string{4, 5, 6};
    std::unique_ptr<modStatic> model(Load(PackageItem("mask", indexOnly), "mask"));
    ASSERT_TRUE(model);
    EXPECT_EQ(model->m_PacketCount, 3);
    EXPECT_EQ(model->m_Packets, nullptr);
    EXPECT_EQ(model->m_ShaderIndices[2], 6);
    EXPECT_EQ(Load(PackageItem("body", GeometryItem({0})), "other"), nullptr);
}

TEST_F(StaticGeometry, RadiusIsTheFarthestVertex) {
    WriteWholeFile(m_Scratch.Path("g.pkg"), "PKG3" + PackageItem("body", GeometryItem({0, 0})));
    modPackage package;
    ASSERT_TRUE(package.Open("", "g"));
    // The farthest vertex is (3, 4, -3) of the second packet.
    EXPECT_FLOAT_EQ(modStatic::Radius("body"), std::sqrt(34.0f));
}

TEST_F(StaticGeometry, DamagedItemsAreRefused) {
    std::string whole = GeometryItem({0});
    const std::string cases[] = {
        whole.substr(0, whole.size() - 1),
        // An index past the three vertices.
        whole.substr(0, whole.size() - 2) + std::string{3, 0},
        // No vertices.
        U32(1) + U32(0) + U32(0) + U32(0) + U32(0x142) + U32(1) + U32(0) + U32(3) + U32(0) + U32(0),
    };
    for (const std::string& item : cases) {
        m_Console.Take();
        EXPECT_EQ(Load(PackageItem("body", item), "body"), nullptr);
        EXPECT_EQ(m_Console.Take(), "Error: modStatic::Load: damaged geometry 'body'\n");
    }
}

// Blending goes on just before the first see-through packet of a translucent geometry and off
// after the last packet; the material goes to the device once per change while lit.
TEST_F(StaticGeometry, TranslucentPacketsTurnBlendingOnAndOff) {
    std::unique_ptr<modStatic> model(Load(PackageItem("body", GeometryItem({0, 1, 1})), "body"));
    ASSERT_TRUE(model);
    modShader shaders[2] = {{nullptr, modStaticMaterial::Intern(Material(1.0f))},
                            {nullptr, modStaticMaterial::Intern(Material(0.5f))}};
    model->CheckAlpha(shaders);
    EXPECT_EQ(model->m_Flags & modStatic::Translucent, modStatic::Translucent);
    gfxCurrentState.m_Lighting = 1;
    gfxStateApplyMask = gfxApplyMasks[1];
    gfxStateDirty |= gfxDirtyStates;
    m_Device.Forget();
    model->Draw(shaders);
    std::vector<std::string> sequence;
    for (const FakeDevice::Call& call : m_Device.m_Calls) {
        if (call.m_Name == "SetRenderState" && call.m_A == D3DRENDERSTATE_ALPHABLENDENABLE) {
            sequence.push_back(call.m_B ? "blend on" : "blend off");
        } else if (call.m_Name == "DrawIndexedPrimitive" || call.m_Name == "SetMaterial") {
            sequence.push_back(call.m_Name);
        }
    }
    EXPECT_EQ(sequence, (std::vector<std::string>{"SetMaterial", "DrawIndexedPrimitive",
                                                  "SetMaterial", "blend on",
                                                  "DrawIndexedPrimitive", "DrawIndexedPrimitive",
                                                  "blend off"}));
    EXPECT_EQ(gfxCurrentState.m_AlphaEnable, 0);
    // Drawn without the translucent flag, blending stays as it was.
    m_Device.Forget();
    model->DrawNoAlpha(shaders);
    EXPECT_EQ(m_Device.RenderStatesSent().size(), 0u);
    gfxStateApplyMask = gfxApplyMasks[0];
    shaders[1] = shaders[0];
    model->CheckAlpha(shaders);
    EXPECT_EQ(model->m_Flags & modStatic::Translucent, 0);
}

TEST_F(StaticGeometry, PlacementMatrices) {
    std::string bytes;
    for (int i = 0; i < 12; ++i) {
        bytes += F32(float(i) + 0.5f);
    }
    CreateDirectoryA(m_Scratch.Path("geometry").c_str(), nullptr);
    WriteWholeFile(m_Scratch.Path("geometry\\tree_oak.mtx"), bytes);
    WriteWholeFile(m_Scratch.Path("geometry\\tree_cut.mtx"), bytes.substr(0, 47));
    Matrix34 m;
    ASSERT_TRUE(modLoadMatrix(m, "tree", "oak"));
    EXPECT_EQ(m.a.x, 0.5f);
    EXPECT_EQ(m.d.z, 11.5f);
    m_Console.Take();
    EXPECT_FALSE(modLoadMatrix(m, "tree", "elm"));
    EXPECT_FALSE(modLoadMatrix(m, "tree", "cut"));
    EXPECT_EQ(m_Console.Take(), "") << "a missing matrix is quiet";
}

// Format checks of a geometry item end the program.
TEST_CHILD(GeometryFormat) {
    static ScratchDir scratch;
    datAssetManager::SetPath(scratch.Root().c_str());
    std::string item = GeometryItem({0});
    switch (ChildCase()) {
    case 0:
        item.replace(20, 4, U32(2));
        break;
    case 1:
        item.replace(28, 4, U32(4));
        break;
    default:
        item = GeometryItem({0}, 65536);
        break;
    }
    WriteWholeFile(scratch.Path("g.pkg"), "PKG3" + PackageItem("body", item));
    modPackage package;
    package.Open("", "g");
    modStatic::Load("body");
    return 0;
}

TEST(StaticGeometryFormat, FormatChecksAreFatal) {
    ExpectFatalChildren({
        {"GeometryFormat", "Assert(count == 1) failed in [model/static", "case=0"},
        {"GeometryFormat", "Assert(primType == drawTri) failed in [model/static", "case=1"},
        {"GeometryFormat", "Assert(idxCount < 65536) failed in [model/static", "case=2"},
    });
}

// The environment pass sends the texture to stage 0 and coordinates made from the reflection
// vector through the texture matrix; a world direction, seen through the device's view and
// then that matrix, lands where the placement puts it whatever way the camera turns. The end
// of the pass gives stage 0 its own coordinates back.
TEST_F(StaticGeometry, EnvironmentPassMapsWorldDirections) {
    std::unique_ptr<modStatic> model(Load(PackageItem("body", GeometryItem({0})), "body"));
    ASSERT_TRUE(model);
    gfxTexture environment;
    environment.m_Surface = reinterpret_cast<IDirectDrawSurface7*>(uintptr_t(0x2000));
    // A camera yawed 30 degrees and pitched down 20, away from the origin.
    const double yaw = 0.5235987755982988, pitch = -0.3490658503988659;
    Matrix34 camera;
    camera.a = Vector3(float(std::cos(yaw)), 0.0f, float(-std::sin(yaw)));
    camera.b = Vector3(float(std::sin(yaw) * std::sin(pitch)), float(std::cos(pitch)),
                       float(std::cos(yaw) * std::sin(pitch)));
    camera.c = Vector3(float(std::sin(yaw) * std::cos(pitch)), float(-std::sin(pitch)),
                       float(std::cos(yaw) * std::cos(pitch)));
    camera.d = Vector3(4.0f, 5.0f, -6.0f);
    gfxSetCamera(camera);
    m_Device.Forget();

    modStatic::BeginEnvMap(&environment);
    model->DrawNoState();
    modStatic::EndEnvMap();

    std::vector<std::string> sequence;
    for (const FakeDevice::Call& call : m_Device.m_Calls) {
        if (call.m_Name == "SetTextureStageState" && call.m_A == 0 &&
            (call.m_B == D3DTSS_TEXCOORDINDEX || call.m_B == D3DTSS_TEXTURETRANSFORMFLAGS)) {
            sequence.push_back((call.m_B == D3DTSS_TEXCOORDINDEX ? "index " : "flags ") +
                               std::to_string(call.m_C));
        } else if (call.m_Name == "SetTexture" || call.m_Name == "DrawIndexedPrimitive") {
            sequence.push_back(call.m_Name);
        }
    }
    EXPECT_EQ(sequence, (std::vector<std::string>{"SetTexture", "index 196608", "flags 2",
                                                  "DrawIndexedPrimitive", "index 0", "flags 0"}));
    ASSERT_EQ(m_Device.m_Transforms.count(D3DTRANSFORMSTATE_TEXTURE0), 1u);
    const D3DMATRIX& t = m_Device.m_Transforms[D3DTRANSFORMSTATE_TEXTURE0];
    const D3DMATRIX& view = m_Device.m_Transforms[D3DTRANSFORMSTATE_VIEW];
    struct Case {
        double x, y, z;
        double u, v;
    };
    const Case cases[] = {
        {1, 0, 0, 1.0, 0.5}, {-1, 0, 0, 0.0, 0.5}, {0, 1, 0, 0.5, 0.0},
        {0, -1, 0, 0.5, 1.0}, {0, 0, 1, 0.5, 0.5}, {0.6, 0.8, 0, 0.8, 0.1},
    };
    for (const Case& c : cases) {
        // The direction as the device has it in camera space: the view's rotation only.
        double cam[3];
        for (int k = 0; k < 3; ++k) {
            cam[k] = c.x * (&view._11)[k] + c.y * (&view._21)[k] + c.z * (&view._31)[k];
        }
        // Generated coordinates are (x, y, z, 1) through the texture matrix.
        double u = cam[0] * t._11 + cam[1] * t._21 + cam[2] * t._31 + t._41;
        double v = cam[0] * t._12 + cam[1] * t._22 + cam[2] * t._32 + t._42;
        EXPECT_NEAR(u, c.u, 1e-5) << c.x << " " << c.y << " " << c.z;
        EXPECT_NEAR(v, c.v, 1e-5) << c.x << " " << c.y << " " << c.z;
    }
    environment.m_Surface = nullptr;
}
