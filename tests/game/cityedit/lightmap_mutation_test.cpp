// Damaged light maps, light-map definitions and TIFF images: each colours the rooms or is
// refused with the colours unchanged, and libtiff's complaints come through the printer.
#include "cityedit/lightmap.h"

#include "vector/vector2.h"

#include "tests/game/cityedit/tifffixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const int Mutants = 1100;
const uint32_t Unset = 0x12345678;
const std::vector<std::string> Allowed = {"Error: ", "Warning: ", "' alpha = "};

ScratchDir& Scratch() {
    static ScratchDir scratch;
    return scratch;
}

const CentroidCity& City() {
    static CentroidCity* city = new CentroidCity({{1, 1}, {9, 2}, {5, 8}});
    return *city;
}

std::string TiffSeed(int width, int height, const TiffLayout& layout) {
    std::string path = Scratch().Path("seed.tif");
    WriteTiff(path, width, height,
              [](int x, int y) { return uint32_t(x * 40 << 16 | y * 30 << 8 | (x ^ y)); }, layout);
    return ReadWholeFile(path);
}

// The colours are all Unset after a refusal; after a success the rooms hold opaque colours.
bool Sound(bool ok, const std::vector<uint32_t>& colours, std::string& why) {
    for (size_t i = 0; i < colours.size(); ++i) {
        bool expected = !ok || i == 0 ? colours[i] == Unset : (colours[i] >> 24) == 0xFF;
        if (!expected) {
            why = ok ? "a room without an opaque colour" : "a refusal that changed a colour";
            return false;
        }
    }
    return true;
}

bool CheckLightMap(int index, std::string& why) {
    static const std::vector<std::string> seeds = {
        std::string("LMP0\x04\0\0\0", 8) + std::string(16, '\xFF'),
        std::string("LMP0\x04\0\0\0", 8) + "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10"};
    WriteWholeFile(Scratch().Path("m.lmap"), Mutant(seeds, index));
    ConsoleCapture console;
    std::vector<uint32_t> colours(4, Unset);
    bool ok = LoadLightMap(Scratch().Path("m.lmap").c_str(), City().m_City, colours.data());
    bool sound = ok || colours == std::vector<uint32_t>(4, Unset);
    if (!sound) {
        why = "a refused light map changed a colour";
    }
    return OnlyAllowedMessages(console.Take(), Allowed, why) && sound;
}

bool CheckDefinition(int index, std::string& why) {
    static std::string image = [] {
        std::string path = Scratch().Path("d.tif");
        WriteTiff(path, 2, 2, Quadrants);
        return path;
    }();
    static const std::vector<std::string> seeds = {
        "\"" + image + "\" 0 0 10 10\n",
        "\"" + image + "\" ; area\n -5.5 -2.25\n 12.75 1e3\n"};
    WriteWholeFile(Scratch().Path("m.ldef"), Mutant(seeds, index));
    ConsoleCapture console;
    std::vector<uint32_t> colours(4, Unset);
    bool ok = ImportLightMapDefinition(Scratch().Path("m.ldef").c_str(), City().m_City,
                                       colours.data());
    return Sound(ok, colours, why) && OnlyAllowedMessages(console.Take(), Allowed, why);
}

bool CheckTiff(int index, std::string& why) {
    static const std::vector<std::string> seeds = [] {
        TiffLayout strips;
        strips.m_RowsPerStrip = 2;
        TiffLayout packed = strips;
        packed.m_PackBits = true;
        packed.m_BottomUp = true;
        return std::vector<std::string>{TiffSeed(5, 4, TiffLayout()), TiffSeed(6, 5, strips),
                                        TiffSeed(7, 6, packed)};
    }();
    std::string path = Scratch().Path("m.tif");
    WriteWholeFile(path, Mutant(seeds, index));
    ConsoleCapture console;
    std::vector<uint32_t> colours(4, Unset);
    bool ok = ColorRoomsFromImage(path.c_str(), City().m_City, Vector2(0, 0), Vector2(10, 10),
                                  colours.data());
    return Sound(ok, colours, why) && OnlyAllowedMessages(console.Take(), Allowed, why);
}

}  // namespace

TEST_CHILD(MutateLightMaps) { return RunMutantsInChild(Mutants, CheckLightMap); }
TEST_CHILD(MutateLightMapDefinitions) { return RunMutantsInChild(Mutants, CheckDefinition); }
TEST_CHILD(MutateTiffImages) { return RunMutantsInChild(Mutants, CheckTiff); }

TEST(LightMapMutation, DamagedLightMapsLoadWholeOrAreRefused) {
    RunMutation("MutateLightMaps", Mutants, {});
}

TEST(LightMapMutation, DamagedDefinitionsColourOrAreRefused) {
    RunMutation("MutateLightMapDefinitions", Mutants, {"m.ldef(", "Expected float."}, 4);
}

TEST(LightMapMutation, DamagedTiffImagesColourOrAreRefused) {
    RunMutation("MutateTiffImages", Mutants, {}, 2);
}
