// Damaged shader tables and geometry items: each is refused with its message, read whole, or
// ended by the loaders' own format checks.
#include "model/package.h"
#include "model/shader.h"
#include "model/static.h"

#include "data/asset.h"
#include "gfx/pipeline.h"
#include "tests/engine/model/modelfixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const int Mutants = 1000;

std::vector<std::string> Seeds() {
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    std::string unpacked = U32(2) + U32(2) + ShaderRecord("brick", grey, 4) +
                           ShaderRecord("", grey, 5) + ShaderRecord("glass_window", grey, 6) +
                           ShaderRecord("b", grey, 7);
    std::string packed = U32(0x81) + U32(1) + std::string(1, '\3') + "ab" + '\0' +
                         std::string(12, '\x40') + F32(1.0f);
    std::string geometry = GeometryItem({0, 1, 1});
    std::string indexOnly = U32(0x82) + U32(0x142) + std::string{1, 0};
    return {"PKG3" + PackageItem("shaders", unpacked) + PackageItem("geometry", geometry),
            "PKG3" + PackageItem("shaders", packed) + PackageItem("geometry", indexOnly)};
}

// Reads the package as a model loader does: the shader table, then the geometry.
bool CheckLoaders(int index, std::string& why) {
    static const std::vector<std::string> seeds = Seeds();
    static ScratchDir scratch;
    datAssetManager::SetPath(scratch.Root().c_str());
    WriteWholeFile(scratch.Path("m.pkg"), Mutant(seeds, index));
    ConsoleCapture console;
    {
        modPackage package;
        if (package.Open("", "m")) {
            int variants = 0;
            int perVariant = 0;
            if (Stream* stream = package.OpenFile("shaders")) {
                modShader** table = modShader::LoadShaders(stream, &variants, &perVariant, false);
                package.CloseFile();
                modShader::FreeShaders(table, variants, perVariant);
            }
            std::unique_ptr<modStatic> model(modStatic::Load("geometry"));
            if (model && model->m_Packets && model->GetTriangleCount() > 3) {
                why = "more triangles than the seeds hold";
                return false;
            }
        }
    }
    std::string stray;
    if (!OnlyAllowedLines(console.Take(),
                          {"Bad magic.", "modPackage:", "Cannot open file",
                           "Error: modShader::LoadShaders: damaged shader table",
                           "Error: modStatic::Load: damaged geometry"},
                          &stray)) {
        why = "unexpected message: " + stray;
        return false;
    }
    return true;
}

}  // namespace

TEST_CHILD(MutateLoaders) { return RunMutantsInChild(Mutants, CheckLoaders); }

TEST(LoaderMutation, DamagedItemsAreRefused) {
    RunMutation("MutateLoaders", Mutants,
                {"modPackage: missing file magic, previous reader didn't consume all data.",
                 "Assert(len <= sizeof(m_NextItem)) failed in [model/package",
                 "Assert(count == 1) failed in [model/static",
                 "Assert(primType == drawTri) failed in [model/static",
                 "Assert(idxCount < 65536) failed in [model/static",
                 "Assert(package) failed in [model/static"},
                4);
}
