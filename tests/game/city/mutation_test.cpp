// Damaged processed cities (with their AI roads), material tables and game material blocks:
// each loads soundly, is passed over with the reader's own message, or is refused by its
// fatal texts; the materials taken save and load back to the same text.
#include "city/ai.h"
#include "city/materialmgr.h"
#include "city/materials.h"
#include "city/psdl.h"
#include "data/asset.h"
#include "data/hash.h"
#include "data/stream.h"
#include "data/token.h"
#include "tests/game/city/materialblocks.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const int Mutants = 1000;

// The asset root of the child, with its "city" folder.
const ScratchDir& CityRoot() {
    static ScratchDir scratch;
    static bool made = false;
    if (!made) {
        CreateDirectoryA(scratch.Path("city").c_str(), nullptr);
        datAssetManager::SetPath(scratch.Root().c_str());
        made = true;
    }
    return scratch;
}

// What the reader promises of a city it took: every table within its limits, every
// perimeter and AI road naming vertices and rooms that are there.
bool SoundCity(const lvlPSDL& city, std::string& why) {
    uint32_t rooms = uint32_t(city.m_Rooms.size());
    bool good = rooms > 0 && city.m_RoomTypes.size() == rooms && city.m_RoomGroups.size() == rooms &&
                lvlPSDL::sm_VertexCount <= lvlPSDL::MaxVertices &&
                lvlPSDL::sm_Textures.size() <= lvlPSDL::MaxTextures &&
                lvlPSDL::sm_MaterialIndex.size() == lvlPSDL::sm_Textures.size();
    for (uint32_t r = 1; good && r < rooms; ++r) {
        const lvlSDL* room = city.m_Rooms[r].get();
        for (uint32_t i = 0; room && i < room->GetPerimeterCount(); ++i) {
            good = good && room->GetPerimeterVertex(i) < lvlPSDL::sm_VertexCount &&
                   room->GetNeighbour(i) < rooms;
        }
    }
    for (uint32_t i = 0; good && i < lvlAiMap::GetRoadCount(); ++i) {
        const lvlAiRoad& road = lvlAiMap::GetRoad(i);
        good = road.m_Rooms.size() == road.m_RoomCount &&
               road.m_LaneValues.size() == size_t(road.m_NumLanes[0] + road.m_NumLanes[1]);
        for (int16_t room : road.m_Rooms) {
            good = good && room != 0 && uint32_t(std::abs(room)) < rooms;
        }
    }
    if (!good) {
        why = "unsound city";
    }
    return good;
}

bool CheckPsdl(int index, std::string& why) {
    static const std::vector<std::string> seeds = {ReadWholeFile(TestDataPath("demo.psdl"))};
    const ScratchDir& root = CityRoot();
    static bool tabled = WriteWholeFile(root.Path("city\\materials.csv"),
                                        ReadWholeFile(SourcePath("tests/data/oddcity/city/materials.csv")));
    (void)tabled;
    WriteWholeFile(root.Path("city\\m.psdl"), Mutant(seeds, index));
    ConsoleCapture console;
    bool good = true;
    {
        lvlPSDL city;
        good = city.Load("m") && SoundCity(city, why);
        lvlAiMap::Free();
    }
    return OnlyAllowedMessages(console.Take(), {"has mtl index"}, why) && good;
}

// The game's materials, for the table to name.
void LoadGameMaterials() {
    static const char* const Blocks =
        "mtl mud { elasticity: 0.2 friction: 0.7 effect: dust sound: none }\n"
        "mtl ice { elasticity: 0.1 friction: 0.05 effect: none sound: crack drag: 0.1 width: 1 "
        "height: 2 depth: 3 ptxindex: 1 2 ptxthreshold: 0.5 0.75 }\n";
    std::string path = CityRoot().Path("game.mtl");
    WriteWholeFile(path, Blocks);
    Stream* stream = StreamOpen(path.c_str());
    TokenReader reader(path.c_str(), stream);
    while (reader.CheckToken("mtl", false)) {
        qvMaterialMgr::Instance()->Load(reader);
    }
    StreamClose(stream);
}

bool CheckMaterialTable(int index, std::string& why) {
    static const std::vector<std::string> seeds = {
        ReadWholeFile(SourcePath("tests/data/oddcity/city/materials.csv")),
        "texture,material\r\nwalk,mud\r\nrink,ice\r\nrock,gravel,extra\r\n"
        "a_texture_name_near_the_field_size,mud\r\n"};
    static bool loaded = false;
    if (!loaded) {
        qvMaterialMgr::CreateInstance();
        LoadGameMaterials();
        loaded = true;
    }
    WriteWholeFile(CityRoot().Path("city\\materials.csv"), Mutant(seeds, index));
    ConsoleCapture console;
    HashTable indices(101, false, 32);
    int largest = LoadMaterialTable(indices);
    if (largest < 0 || largest > qvMaterialMgr::Instance()->GetNumMaterials()) {
        why = "material index " + std::to_string(largest);
        return false;
    }
    return OnlyAllowedMessages(console.Take(), {"has mtl index"}, why);
}

// With a block of every number at and beyond its range in turn, so that mutants carry such
// values at every field; one block a seed, as a mutant of a long file is mostly refused whole.
std::vector<std::string> MaterialSeeds() {
    std::vector<std::string> seeds = {
        "mtl grass { elasticity: 0.3 friction: 0.8 effect: grassy_dust_cloud sound: "
        "soft_rustle_of_leaves }\n",
        "mtl a_long_material_name_1234567890123 { elasticity: 0.25 friction: 0.5 effect: none sound: "
        "none drag: 0.5 width: 1.5 height: 0.25 depth: 0.125 ptxindex: 3 4 ptxthreshold: 1.5 2.5 }\n"};
    for (int slot = 0; slot < MaterialSlots; ++slot) {
        for (const MaterialEdge& edge : MaterialEdges(slot)) {
            seeds.push_back(MaterialBlockWith("edge", slot, edge.m_Value));
        }
    }
    return seeds;
}

// The materials a file made (the default aside, which no block of a file replaces by its
// saved name) written out, read by a fresh manager and written again: the two texts agree.
bool RoundTrips(std::string& why) {
    std::string path = CityRoot().Path("r.mtl");
    auto save = [&path] {
        qvMaterialMgr* manager = qvMaterialMgr::Instance();
        Stream* stream = StreamCreate(path.c_str());
        TokenReader writer("r.mtl", stream);
        for (int i = 1; i < manager->GetNumMaterials(); ++i) {
            manager->GetMaterial(i)->Save(writer);
        }
        StreamClose(stream);
        return ReadWholeFile(path);
    };
    std::string saved = save();
    int count = qvMaterialMgr::Instance()->GetNumMaterials();
    qvMaterialMgr::DeleteInstance();
    qvMaterialMgr* manager = qvMaterialMgr::CreateInstance();
    Stream* stream = StreamOpen(path.c_str());
    TokenReader reader("r.mtl", stream);
    while (reader.CheckToken("mtl", false)) {
        manager->Load(reader);
    }
    StreamClose(stream);
    if (manager->GetNumMaterials() != count || save() != saved) {
        why = "the saved materials do not read back:\n" + saved;
        return false;
    }
    return true;
}

// Game material blocks, as a material file lists them; most mutants keep their keywords,
// since any damaged keyword is fatal and children are slow to start.
bool CheckMaterialBlocks(int index, std::string& why) {
    static const std::vector<std::string> seeds = MaterialSeeds();
    const ScratchDir& root = CityRoot();
    std::string path = root.Path("m.mtl");
    WriteWholeFile(path, Mutant(seeds, index));
    Stream* stream = StreamOpen(path.c_str());
    ConsoleCapture console;
    // A fresh manager each time: names gathered over many mutants would fill its tables.
    qvMaterialMgr::DeleteInstance();
    qvMaterialMgr* manager = qvMaterialMgr::CreateInstance();
    TokenReader reader("m.mtl", stream);
    for (int block = 0; block < 4 && reader.CheckToken("mtl", false); ++block) {
        manager->Load(reader);
    }
    StreamClose(stream);
    for (int i = 0; i < manager->GetNumMaterials(); ++i) {
        if (strnlen(manager->GetMaterial(i)->Name, phMaterial::NameSize) >= size_t(phMaterial::NameSize)) {
            why = "material name not terminated";
            return false;
        }
    }
    return RoundTrips(why) &&
           OnlyAllowedMessages(console.Take(), {"phMaterialMgr: no room for material", "phMaterialMgr: material '"}, why);
}

}  // namespace

TEST_CHILD(MutatePsdl) { return RunMutantsInChild(Mutants, CheckPsdl); }
TEST_CHILD(MutateMaterialTable) { return RunMutantsInChild(Mutants, CheckMaterialTable); }
TEST_CHILD(MutateMaterialBlocks) {
    qvMaterialMgr::CreateInstance();
    return RunMutantsInChild(Mutants, CheckMaterialBlocks);
}

TEST(CityMutation, DamagedProcessedCitiesAreRefused) {
    RunMutation("MutatePsdl", Mutants,
                {"Wrong version of PSDL file -- please re-save city from newer version of block editor.",
                 "Wrong target size -- use a different SDL class to load this file.",
                 "is cut short or damaged", "lvlAiMap::Load: road room",
                 "Assert(count < MAX_ROOMS_PER_ROAD) failed in [city/ai"},
                4);
}

TEST(CityMutation, SeedsLoadWhole) {
    ScratchDir scratch;
    CreateDirectoryA(scratch.Path("city").c_str(), nullptr);
    datAssetManager::SetPath(scratch.Root().c_str());
    WriteWholeFile(scratch.Path("city\\demo.psdl"), ReadWholeFile(TestDataPath("demo.psdl")));
    lvlPSDL city;
    ASSERT_TRUE(city.Load("demo"));
    std::string why;
    EXPECT_TRUE(SoundCity(city, why));
    EXPECT_GT(lvlAiMap::GetRoadCount(), 0u);
    lvlAiMap::Free();
    datAssetManager::SetPath("");
}

TEST(CityMutation, DamagedMaterialTablesAreRead) { RunMutation("MutateMaterialTable", Mutants, {}); }

TEST(CityMutation, DamagedMaterialBlocksAreReadOrRefused) {
    RunMutation("MutateMaterialBlocks", Mutants,
                // The mutant's own file: its saved blocks must read back without a refusal.
                {"m.mtl(", "Assert(NameIndex<MAX_MATERIALS) failed in [phcore/materialmgr"},
                4);
}
