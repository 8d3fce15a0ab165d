// Damaged banger tuning files, text and binary: each loads into a sound record, is refused
// with the reader's message, or ends the program with the tokenizer's or the reader's fatal
// text; none faults, hangs or reads past its file.
#include "banger/bangerdata.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "data/asset.h"
#include "phbound/bound.h"
#include "tests/game/banger/tuning.h"
#include "tests/support/child.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

namespace {

const int Mutants = 1000;

const ScratchDir& TuningRoot() {
    static ScratchDir scratch;
    static bool made = false;
    if (!made) {
        tuning::MakeFolders(scratch.Root(), "tune\\banger\\m");
        datAssetManager::SetPath(scratch.Root().c_str());
        made = true;
    }
    return scratch;
}

// A box record, a record that stops after YRadius without the glow count, a hotdog, and
// the binary form of the first and the last.
const std::vector<std::string>& Seeds() {
    static std::vector<std::string> seeds;
    if (seeds.empty()) {
        Tuning box;
        box.CollisionPrim = 1;
        Tuning cut;
        cut.Tail = false;
        cut.NumGlowsLine = false;
        cut.Glows = {{0.0f, 1.0f, 0.0f}};
        Tuning hotdog;
        hotdog.CollisionPrim = 2;
        seeds = {TuningText(box), TuningText(cut), TuningText(hotdog),
                 TuningBinary(box, TuningRoot().Path("seed1.bin")),
                 TuningBinary(hotdog, TuningRoot().Path("seed2.bin"))};
    }
    return seeds;
}

bool Finite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool ReadMutant(int index, std::string& why) {
    const ScratchDir& root = TuningRoot();
    WriteTuning(root.Root(), "m", Mutant(Seeds(), index));
    qvBangerDataManager manager;
    qvBangerData* d = manager.GetData(manager.Lookup("m"));
    if (!d) {
        return true;
    }
    bool good = d->NumGlows >= 0 && d->Mass > 0.0f && std::isfinite(d->Mass) &&
                Finite(d->Size) && Finite(d->CG) && std::isfinite(d->YRadius);
    for (int i = 0; good && i < d->NumGlows; ++i) {
        good = Finite(d->GlowOffset[i]);
    }
    if (phBound* bound = d->GetBound()) {
        good = good && bound->GetNumMaterials() == 1 && Finite(bound->BoxMin) &&
               Finite(bound->BoxMax);
    }
    if (!good) {
        why = "unsound record";
    }
    return good;
}

}  // namespace

TEST_CHILD(MutateBangerData) { return RunMutantsInChild(Mutants, ReadMutant); }

TEST(BangerDataMutation, DamagedFilesLoadSoundlyOrEndWithAKnownMessage) {
    RunMutation("MutateBangerData", Mutants,
                {"Expected integer.", "Expected float.", "Expected Vector3.", "Expected '",
                 "unknown version string",
                 "is outside", "YRadius != 0.0f"},
                4);
}
