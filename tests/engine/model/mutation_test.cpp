// Damaged model packages: each is refused, read to its end, or ended by the package's own
// fatal refusals of a damaged item stream.
#include "model/package.h"

#include "data/asset.h"
#include "data/stream.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

const int Mutants = 1200;
// Payloads here tell their own size first, as the model loaders' records do; a loader trusts
// no size past this.
const uint32_t LargestPayload = 4096;

std::string U32(uint32_t n) { return std::string{(char)n, (char)(n >> 8), (char)(n >> 16), (char)(n >> 24)}; }

std::string Item(const std::string& name, const std::string& body, bool withLength) {
    std::string payload = U32((uint32_t)body.size()) + body;
    std::string item = "FILE" + std::string(1, (char)(name.size() + 1)) + name + '\0';
    return item + (withLength ? U32((uint32_t)payload.size()) : "") + payload;
}

std::vector<std::string> Seeds() {
    std::vector<std::string> seeds;
    for (bool pkg3 : {true, false}) {
        seeds.push_back(std::string(pkg3 ? "PKG3" : "PKG2") + Item("geometry", "vertices and faces", pkg3) +
                        Item("shaders", "s", pkg3) + Item("mtx", std::string(48, 'm'), pkg3));
    }
    return seeds;
}

// Reads the package as a loader would: each item's payload whole, or skipped, in turn.
bool CheckPackage(int index, std::string& why) {
    static const std::vector<std::string> seeds = Seeds();
    static ScratchDir scratch;
    datAssetManager::SetPath(scratch.Root().c_str());
    std::string file = Mutant(seeds, index);
    WriteWholeFile(scratch.Path("m.pkg"), file);
    ConsoleCapture console;
    {
        modPackage package;
        if (package.Open("", "m")) {
            bool skipping = index % 4 == 1;
            if (index % 4 == 3 && file.compare(0, 4, "PKG3") == 0) {
                package.SkipTo("mtx");
            }
            // Every item takes at least a header of the file, so this many turns reach its end.
            for (size_t turn = 0; turn <= file.size() && strcmp(package.NextItem(), modPackage::EndName); ++turn) {
                Stream* stream = package.OpenFile(package.NextItem());
                if (!stream) {
                    why = "the next item does not open";
                    return false;
                }
                if (skipping) {
                    package.SkipFile();
                    continue;
                }
                unsigned char size[4];
                if (StreamRead(stream, size, 4) != 4) {
                    break;
                }
                uint32_t count = size[0] | size[1] << 8 | size[2] << 16 | (uint32_t)size[3] << 24;
                std::string body(std::min(count, LargestPayload), '\0');
                if (count > LargestPayload || StreamRead(stream, &body[0], (int)count) != (int)count) {
                    break;
                }
                package.CloseFile();
            }
        }
    }
    std::string stray;
    if (!OnlyAllowedLines(console.Take(), {"Bad magic.", "modPackage: 'PreLoaded", "Cannot open file"},
                          &stray)) {
        why = "unexpected message: " + stray;
        return false;
    }
    return true;
}

}  // namespace

TEST_CHILD(MutatePackage) { return RunMutantsInChild(Mutants, CheckPackage); }

TEST(PackageMutation, DamagedPackagesAreRefused) {
    RunMutation("MutatePackage", Mutants,
                {"modPackage: missing file magic, previous reader didn't consume all data.",
                 "Assert(len <= sizeof(m_NextItem)) failed in [model/package"},
                4);
}
