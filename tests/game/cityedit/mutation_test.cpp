// Damaged city descriptions: each compiles to a sound city, with the compiler's own messages
// for what it passes over, or is refused by its fatal texts.
#include "city/ai.h"
#include "city/psdl.h"
#include "data/asset.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

const int Mutants = 1000;

// Every perimeter names vertices and rooms of the city.
bool SoundCity(const lvlPSDL& city) {
    uint32_t rooms = uint32_t(city.m_Rooms.size());
    for (uint32_t r = 1; r < rooms; ++r) {
        const lvlSDL* room = city.m_Rooms[r].get();
        for (uint32_t i = 0; room && i < room->GetPerimeterCount(); ++i) {
            if (room->GetPerimeterVertex(i) >= lvlPSDL::sm_VertexCount || room->GetNeighbour(i) >= rooms) {
                return false;
            }
        }
    }
    return rooms > 0;
}

bool CheckSdl(int index, std::string& why) {
    static const std::vector<std::string> seeds = {ReadWholeFile(SourcePath("tests/data/oddcity/city/demo.sdl"))};
    static ScratchDir scratch;
    static bool rooted = false;
    if (!rooted) {
        CreateDirectoryA(scratch.Path("city").c_str(), nullptr);
        datAssetManager::SetPath(scratch.Root().c_str());
        rooted = true;
    }
    WriteWholeFile(scratch.Path("city\\m.sdl"), Mutant(seeds, index));
    ConsoleCapture console;
    bool good = true;
    {
        lvlPSDL city;
        good = city.LoadSDL("m") && SoundCity(city);
        lvlAiMap::Free();
    }
    if (!good) {
        why = "unsound city";
    }
    return OnlyAllowedMessages(console.Take(),
                               {" verts, ", "Expected rooms command here", " count must be multiple of ",
                                "count must be at least "},
                               why) &&
           good;
}

}  // namespace

TEST_CHILD(MutateSdl) { return RunMutantsInChild(Mutants, CheckSdl); }

TEST(SdlMutation, DamagedDescriptionsCompileOrAreRefused) {
    // The compiler's and the tokenizer's refusals both name the file and line.
    RunMutation("MutateSdl", Mutants,
                {"m.sdl(", "Assert(value < 1 << (8 * sizeof(SDLCODE_T))) failed in [city/sdlcode",
                 "Assert(count < 256) failed in [city/sdlcode",
                 "Assert(roomNum < rooms) failed in [cityedit/sdlcompile",
                 "Assert(count < MAX_ROOMS_PER_ROAD) failed in [city/ai"},
                6);
}
