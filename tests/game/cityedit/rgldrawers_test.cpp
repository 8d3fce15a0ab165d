// One call gives every game drawing seam its immediate-mode drawer.
#include "cityedit/rgldrawers.h"

#include <gtest/gtest.h>

#include "city/ai.h"
#include "cityedit/psdltool.h"
#include "level/pathdrawer.h"
#include "phcore/debuglines.h"

#include "city/psdl.h"
#include "data/asset.h"
#include "model/package.h"
#include "model/static.h"
#include "vector/matrix34.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/engine/model/modelfixture.h"

#include <memory>

TEST(RglDrawers, OneCallInstallsEverySeam) {
    lvlAiDrawer* ai = AiDrawer;
    lvlEmitDrawer* emit = EmitDrawer;
    qvPathDrawer* paths = PathDrawer;
    phDebugLineDrawer* lines = DebugLineDrawer;
    AiDrawer = nullptr;
    EmitDrawer = nullptr;
    PathDrawer = nullptr;
    DebugLineDrawer = nullptr;
    lvlUseRglDrawers();
    EXPECT_NE(AiDrawer, nullptr);
    EXPECT_NE(EmitDrawer, nullptr);
    EXPECT_NE(PathDrawer, nullptr);
    EXPECT_NE(DebugLineDrawer, nullptr);
    AiDrawer = ai;
    EmitDrawer = emit;
    PathDrawer = paths;
    DebugLineDrawer = lines;
}

namespace {

// The emitters' immediate-mode drawer on the recording device, with a model from a package of
// the scratch asset root.
class EmitOnRgl : public FakePipeline {
protected:
    void SetUp() override {
        FakePipeline::SetUp();
        datAssetManager::SetPath(m_Scratch.Root().c_str());
        m_Previous = EmitDrawer;
        lvlUseRglEmitDrawer();
    }
    void TearDown() override {
        EmitDrawer = m_Previous;
        datAssetManager::SetPath("");
        FakePipeline::TearDown();
    }

    ScratchDir m_Scratch;
    lvlEmitDrawer* m_Previous = nullptr;
};

}  // namespace

TEST_F(EmitOnRgl, AnInstanceDrawsItsModelAtItsPlaceThenTheWorldIsIdentityAgain) {
    WriteWholeFile(m_Scratch.Path("g.pkg"), "PKG3" + PackageItem("H", GeometryItem({0})));
    modPackage package;
    ASSERT_TRUE(package.Open("", "g"));
    std::unique_ptr<modStatic> model(modStatic::Load("H"));
    package.Close();
    ASSERT_TRUE(model);
    Matrix34 placement = Matrix34::sm_Identity;
    placement.d.Set(7.0f, 2.0f, -4.0f);
    m_Device.Forget();
    lvlPSDL::EmitInstance(placement, "lamp", model.get(), nullptr, 1, 0);
    bool drawn = false;
    for (const FakeDevice::Call& call : m_Device.m_Calls) {
        if (call.m_Name == "DrawIndexedPrimitive") {
            drawn = true;
            break;
        }
    }
    auto world = m_Device.m_Transforms.find(D3DTRANSFORMSTATE_WORLD);
    ASSERT_TRUE(drawn);
    ASSERT_NE(world, m_Device.m_Transforms.end());
    EXPECT_EQ(world->second._41, 7.0f);
    EXPECT_EQ(gfxWorld.d.x, 0.0f);
    EXPECT_EQ(gfxWorld.a.x, 1.0f);
}
