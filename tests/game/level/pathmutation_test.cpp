// Damaged ".pathset" files: each is refused with an error and leaves the set as it was, or
// loads into a sound set that walks, draws and saves.

#include "level/pathedit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "data/asset.h"
#include "tests/game/level/pathfixture.h"
#include "vector/filevalue.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

namespace {

const int Mutants = 1500;

FileBytes& Record(FileBytes& file, const char* name, int count, uint32_t current, uint8_t type,
                  uint8_t spacing) {
    file.Name(name).U32(uint32_t(count)).U32(current);
    for (int i = 0; i < count; ++i) {
        file.U32(0x01000000u * i + 0x123456).F32(3.0f * i).F32(0.5f * (i % 3));
        file.F32(i % 2 ? 4.0f : -4.0f);
    }
    return file.Byte(type).Byte(spacing).Byte(0).Byte(0);
}

std::vector<std::string> Seeds() {
    FileBytes three = FileBytes().Bytes("PTH1").U32(3).U32(1);
    Record(three, "Main Street", 6, 2, qvPath::LineStrip, 8);
    Record(three, "Kerbs", 4, 4, qvPath::Lines, 20);
    Record(three, "Lamps", 3, 0, qvPath::Points, 0);
    FileBytes long_ = FileBytes().Bytes("PTH1").U32(1).U32(0);
    Record(long_, "Decal", 40, 39, qvPath::LineStrip, 1);
    return {three.m_Bytes, long_.m_Bytes, FileBytes().Bytes("PTH1").U32(0).U32(0).m_Bytes};
}

void Ignore(const Matrix34&, void*) {}

bool Sound(const qvPathSet& set, std::string& why) {
    if (set.GetPathCount() > uint32_t(MAX_PATHS) ||
        (set.GetPathCount() && set.GetCurrentPathIndex() >= set.GetPathCount())) {
        why = "path count or current path out of range";
        return false;
    }
    for (uint32_t i = 0; i < set.GetPathCount(); ++i) {
        const qvPath& path = *set.GetPath(i);
        if (memchr(path.GetName(), 0, qvPath::NAME_SIZE) == nullptr ||
            path.GetCurrentVertex() < 0 || path.GetCurrentVertex() > path.GetVertexCount() ||
            path.GetType() < 0 || path.GetType() > qvPath::LineStrip ||
            !(path.GetSpacing() >= 0.25f && path.GetSpacing() <= 63.75f)) {
            why = "path " + std::to_string(i) + " is not sound";
            return false;
        }
        for (int v = 0; v < path.GetVertexCount(); ++v) {
            const Vector3& p = path.GetVertex(v).m_Position;
            if (!IsCoordinate(p)) {
                why = "a vertex is not a coordinate";
                return false;
            }
        }
    }
    return true;
}

bool CheckPathSet(int index, std::string& why) {
    static const std::vector<std::string> seeds = Seeds();
    static ScratchDir scratch;
    datAssetManager::SetPath(scratch.Root().c_str());
    WriteWholeFile(scratch.Path("m.pathset"), Mutant(seeds, index));
    ConsoleCapture console;
    DrawRecorder drawer;
    {
        qvPathSet set;
        set.NewPath();
        set.GetPath(0)->SetName("KEEP");
        if (set.Load(nullptr, "m")) {
            if (!Sound(set, why)) {
                return false;
            }
            for (uint32_t i = 0; i < set.GetPathCount(); ++i) {
                set.GetPath(i)->Walk(Ignore, nullptr, set.GetPath(i)->GetSpacing());
                set.GetPath(i)->Draw(i == set.GetCurrentPathIndex());
                DrawPathDecal(*set.GetPath(i));
            }
            // What was loaded saves to a file that loads and saves to the same bytes.
            qvPathSet again;
            if (!set.Save(nullptr, "s1") || !again.Load(nullptr, "s1") ||
                !again.Save(nullptr, "s2") ||
                ReadWholeFile(scratch.Path("s1.pathset")) !=
                    ReadWholeFile(scratch.Path("s2.pathset"))) {
                why = "the loaded set does not save and load again unchanged";
                return false;
            }
        } else if (set.GetPathCount() != 1 || strcmp(set.GetPath(0)->GetName(), "KEEP") != 0) {
            why = "a refused file changed the set";
            return false;
        }
    }
    std::string stray;
    if (!OnlyAllowedLines(console.Take(),
                          {"Error: qvPathSet::Load - ", "Warning: BAD PATH DATA: "}, &stray)) {
        why = "unexpected message: " + stray;
        return false;
    }
    return true;
}

}  // namespace

TEST_CHILD(MutatePathSet) {
    return RunMutantsInChild(Mutants, CheckPathSet);
}

TEST(PathSetMutation, DamagedFilesAreRefusedOrLoadSound) {
    RunMutation("MutatePathSet", Mutants, {});
}
