// Damaged instance lists: each stops with a reported error or loads what is whole, into
// sound room lists, and never reads past the file.

#include "level/level.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "level/instclasses.h"
#include "tests/game/level/levelfixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

namespace {

const int Mutants = 1200;

const Matrix34 Identity(Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1), Vector3(0, 0, 0));

std::vector<std::string> Seeds() {
    InstFile every;
    every.Compact(0x2, 5, 1, "banger_cone", 1.0f, 0.0f, Vector3(2, 0, 2));
    every.Compact(0x5, 2, 1, "lamp", 0.6f, 0.8f, Vector3(4, 1, 6));
    every.Compact(0x1, 1, 2, "kiosk", 0.0f, 1.0f, Vector3(14, 0, 2));
    Matrix34 wall(Vector3(6, 0, 0), Vector3(0, 3, 0), Vector3(0, 0, 1), Vector3(8, 0, 5));
    every.Full(0x20, 0, 1, "wall", wall);
    every.Full(0x0, 0, 3, "lamp", Identity);
    every.Compact(0x2, 0, 1, "crate", 1.0f, 0.0f, Vector3(5, 0, 5));
    InstFile props;
    for (int i = 0; i < 6; ++i) {
        props.Full(0x2, i, 1 + i, "banger_cone", Identity);
    }
    return {every.m_Bytes, props.m_Bytes};
}

// The assets that the lists name, made once per child.
void WriteAssets(const ScratchDir& scratch) {
    for (const char* dir : {"geometry", "city", "bound"}) {
        CreateDirectoryA(scratch.Path(dir).c_str(), nullptr);
    }
    auto package = [&](const std::string& name, const std::string& extra) {
        WriteWholeFile(scratch.Path("geometry\\" + name + ".pkg"),
                       "PKG3" + LodItems(name, {"H", "M"}) + ShadersItem(3, 1) + extra);
    };
    package("lamp", "");
    package("wall", "");
    package("banger_cone", "");
    Matrix34 skew(Vector3(1, 0, 0), Vector3(0.2f, 1, 0), Vector3(0, 0, 1), Vector3(1, 0, 0));
    Matrix34 zero(Vector3(0, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1), Vector3(1, 0, 0));
    package("kiosk", XrefsItem({{Identity, "banger_cone"}, {skew, "banger_cone"},
                                {zero, "banger_cone"}, {Identity, "parasol"}}));
    Matrix34 box(Vector3(6, 0, 0), Vector3(0, 3, 0), Vector3(0, 0, 1), Vector3(3, 1.5f, 0));
    WriteWholeFile(scratch.Path("geometry\\wall_bound.mtx"), InstFile::MatrixBytes(box));
}

bool SoundLists(const GridLevel& level, std::string& why) {
    for (int r = 0; r < level.GetRoomCount(); ++r) {
        uint16_t flags = 0;
        lvlInstance* previous = nullptr;
        int length = 0;
        for (lvlInstance* i = level.GetRoomHead(r); i; i = i->GetNext()) {
            Matrix34 scratch;
            const Matrix34& m = i->GetMatrix(scratch);
            if (i->GetRoom() != r || i->GetPrevious() != previous || ++length > 10000 ||
                !std::isfinite(m.d.x + m.d.y + m.d.z)) {
                why = "room " + std::to_string(r) + " holds an unsound list";
                return false;
            }
            flags = uint16_t(flags | i->GetFlags());
            previous = i;
        }
        if (flags != level.GetRoomFlags(r)) {
            why = "room " + std::to_string(r) + " flags are not its members'";
            return false;
        }
    }
    return true;
}

bool CheckInstList(int index, std::string& why) {
    static const std::vector<std::string> seeds = Seeds();
    static ScratchDir scratch;
    static bool written = false;
    datAssetManager::SetPath(scratch.Root().c_str());
    if (!written) {
        WriteAssets(scratch);
        written = true;
    }
    std::string bytes = Mutant(seeds, index);
    WriteWholeFile(scratch.Path("city\\m.inst"), bytes);
    lvlBangers.m_Create = CreateTestProp;
    ConsoleCapture console;
    {
        GridLevel level;
        if (!level.LoadInstances("city", "m")) {
            why = "the list was not read";
            return false;
        }
        // Every record takes at least 25 bytes.
        if (level.GetInstanceCount() > int(bytes.size() / 25) || !SoundLists(level, why)) {
            if (why.empty()) {
                why = "more instances than records";
            }
            return false;
        }
    }
    std::string stray;
    if (!OnlyAllowedLines(console.Take(),
                          {"Error: lvlLevel::LoadInstances: ", "Warning: Cannot open file",
                           "Facade with bounds '", "Error: bad x-ref matrix.. bailing",
                           "Error: really bad x-ref matrix.. bailing", "Error: Xref'd prop ",
                           "Error: Malformed ", "Error: EndGeom: "},
                          &stray)) {
        why = "unexpected message: " + stray;
        return false;
    }
    return true;
}

}  // namespace

TEST_CHILD(MutateInstList) {
    return RunMutantsInChild(Mutants, CheckInstList);
}

// A mutated name or kind may ask a set for bound files it has none of: the loader's refusal.
TEST(InstListMutation, DamagedListsStopWithAnErrorOrLoadWhatIsWhole) {
    RunMutation("MutateInstList", Mutants,
                {"needs a bound called", "Required object totally missing"}, 4);
}
