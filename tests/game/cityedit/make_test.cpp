#include "city/ai.h"
#include "city/psdl.h"
#include "cityedit/block.h"
#include "cityedit/blockdata.h"
#include "cityedit/catalog.h"
#include "cityedit/psdltool.h"
#include "data/stream.h"
#include "data/token.h"
#include "data/asset.h"
#include "vector/matrix34.h"

#include "tests/game/cityedit/citysnapshot.h"
#include "tests/support/console.h"
#include "tests/support/failingwrites.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

typedef std::vector<SDLCODE_T> Words;

Vector3 Corner(int i) { return lvlPSDL::sm_Vertices[i]; }

// The tests' own make over the demo city: a raised block with walls, a facade, a skirt and
// instances in room 1, an instance alone in room 3, a long fan in room 5, nothing in room 6.
void CompileDemo(lvlPSDL* city) {
    city->BeginCompileRoom(1);
    SetTexture("grass");
    BeginPrimitive(SDL_RAISEDFAN, 12.0f);
    for (int i = 0; i < 4; ++i) {
        EmitVertex(Corner(i));
    }
    EndPrimitive();
    SetTexture("brick_a");
    // Off the axes: a wall along an axis lies on a boundary of the 64 angle steps.
    Vector3 bend(4.0f, 0.0f, 1.5f);
    EmitWall(Corner(0), bend, 12.0f);
    EmitWall(bend, Corner(1), 12.0f);
    SetTexture("brick_b");
    EmitFacade(Corner(2), Corner(3), 0.0f, 12.0f, 2.6f, 3.0f);
    SetTexture(nullptr);
    EmitSkirt(Vector3(0.0f, 1.25f, 10.0f), Vector3(0.0f, 0.75f, 0.0f), 0.0f, 0.1f);
    Matrix34 placement;
    placement.Identity();
    placement.d.Set(5.0f, 12.0f, 5.0f);
    lvlPSDL::EmitInstance(placement, "lamp", nullptr, nullptr, 1, 0);
    placement.b.Set(0.0f, 0.8f, 0.6f);
    placement.c.Set(0.0f, -0.6f, 0.8f);
    lvlPSDL::EmitInstance(placement, "sign", nullptr, nullptr, 1, 0);
    city->EndCompileRoom();

    city->BeginCompileRoom(3);
    placement.Identity();
    lvlPSDL::EmitInstance(placement, "light", nullptr, nullptr, 2, 0);
    city->EndCompileRoom();

    city->BeginCompileRoom(5);
    SetTexture("flow");
    BeginPrimitive(SDL_FAN);
    for (int i = 0; i < 10; ++i) {
        float angle = 0.6283185f * float(i);
        EmitVertex(Vector3(5.0f + 3.0f * std::cos(angle), 0.1f, 16.0f + 3.0f * std::sin(angle)));
    }
    EndPrimitive();
    city->EndCompileRoom();

    city->BeginCompileRoom(6);
    city->EndCompileRoom();
}


// The demo city's blocks, each compiled into the room of its id, as the editor's make does.
std::vector<std::unique_ptr<CityBlock>> sDemoBlocks;

void CompileBlocks(lvlPSDL* city) {
    for (const std::unique_ptr<CityBlock>& block : sDemoBlocks) {
        city->BeginCompileRoom(city->FindRoomById(uint32_t(block->m_Id)));
        block->Draw(DrawTextured, city, 3);
        city->EndCompileRoom();
    }
}

// A room's commands as the walker reports them: textures by name, fans with their operand
// counts.
void NameCommand(lvlPSDL*, int, uint32_t opcode, uint32_t count, const SDLCODE_T* operands,
                 void* user) {
    std::string name;
    switch (opcode) {
    case SDL_TEXTURE:
        name = "tex " + lvlPSDL::sm_Textures[(operands[-2] & 7) << 8 | operands[-1]].m_Name;
        break;
    case SDL_FAN:
        name = "fan " + std::to_string(count);
        break;
    case SDL_RAISEDFAN:
        name = "raised " + std::to_string(count);
        break;
    case SDL_WALL:
        name = "wall";
        break;
    case SDL_FACADE:
        name = "facade";
        break;
    default:
        name = std::to_string(opcode);
        break;
    }
    static_cast<std::vector<std::string>*>(user)->push_back(name);
}

std::vector<std::string> NameCommands(lvlPSDL& city, int room) {
    std::vector<std::string> names;
    city.ForEachCommand(room, NameCommand, &names);
    return names;
}

// The description as it stands.
void CompileNothing(lvlPSDL*) {}

void ReadDemoBlocks() {
    sDemoBlocks.clear();
    Stream* stream = datAssetManager::Open("city", "demo", "block");
    ASSERT_NE(stream, nullptr);
    TokenReader tokens("demo.block", stream);
    for (;;) {
        std::unique_ptr<CityBlock> block(new CityBlock(0));
        if (!block->Read(tokens)) {
            break;
        }
        sDemoBlocks.push_back(std::move(block));
    }
    StreamClose(stream);
}

class DemoMake : public ::testing::Test {
protected:
    void SetUp() override { datAssetManager::SetPath(SourcePath("tests/data/oddcity").c_str()); }

    // Loads the demo description, makes it and writes the processed file, all under name.
    void Make(lvlPSDL& city, const std::string& name, lvlMakeCallback emitter = CompileDemo) {
        ASSERT_TRUE(city.LoadSDL("demo"));
        EXPECT_TRUE(city.MakeCity(m_Scratch.Path(name).c_str(), emitter));
        ASSERT_TRUE(city.WritePSDL(m_Scratch.Path(name).c_str(), 2));
    }

    // The golden files are written anew when PLATTOR_UPDATE_GOLDENS is set.
    void ExpectGolden(const std::string& made, const std::string& golden) {
        std::string bytes = ReadWholeFile(m_Scratch.Path(made));
        std::string path = SourcePath("tests/game/city/data/" + golden);
        if (getenv("PLATTOR_UPDATE_GOLDENS")) {
            ASSERT_TRUE(WriteWholeFile(path, bytes));
        }
        EXPECT_TRUE(bytes == ReadWholeFile(path)) << golden << " differs; made " << bytes.size()
                                                  << " bytes";
    }

    ConsoleCapture m_Capture;
    ScratchDir m_Scratch;
};

}  // namespace

TEST_F(DemoMake, MakesTheGoldenBytesTwice) {
    {
        lvlPSDL first;
        Make(first, "first");
        // Textures from 11 on are the make's own; vertices from 28 on and floats 0.0 and 0.1
        // too.
        const lvlSDL& room = *first.m_Rooms[1];
        EXPECT_EQ(Words(room.GetCodes(), room.GetCodes() + room.GetCodeCount()),
                  Words({80, 11, 99, 0, 0, 1, 2, 3, 80, 12, 60, 35, 0, 0, 28, 60, 29, 0, 28, 1,
                         80, 13, 94, 1, 0, 3, 3, 2, 3, 28 | 128, 1, 2, 29, 30}));
    }
    lvlPSDL second;
    Make(second, "second");
    ExpectGolden("first.psdl", "demo.psdl");
    ExpectGolden("first.inst", "demo.inst");
    EXPECT_EQ(ReadWholeFile(m_Scratch.Path("second.psdl")),
              ReadWholeFile(m_Scratch.Path("first.psdl")));
    EXPECT_EQ(ReadWholeFile(m_Scratch.Path("second.inst")),
              ReadWholeFile(m_Scratch.Path("first.inst")));
}

TEST_F(DemoMake, LoadGivesBackWhatWasWritten) {
    auto made = std::make_unique<lvlPSDL>();
    Make(*made, "demo");
    CitySnapshot written(*made);
    made.reset();
    EXPECT_EQ(written.m_Words[2], Words({80, 10, 42, 6, 10, 11, 9, 169, 6, 7, 8}));
    EXPECT_TRUE(written.m_Words[5].empty());
    EXPECT_EQ(Words(written.m_Words[4].begin(), written.m_Words[4].begin() + 4),
              Words({80, 14, 176, 8}));

    lvlPSDL loaded;
    ASSERT_TRUE(loaded.Load(m_Scratch.Path("demo").c_str()));
    CitySnapshot read(loaded);
    ExpectEqual(written, read);
    EXPECT_EQ(lvlPSDL::sm_Vertices.size(), lvlPSDL::sm_VertexCount + lvlPSDL::SpareVertices);
    EXPECT_EQ(lvlPSDL::sm_VertexCapacity, lvlPSDL::sm_VertexCount);

    // grass of the description (4) and of the make (11), and sidewalk_a (2), are "default".
    std::vector<uint8_t> materials(lvlPSDL::sm_TextureCount, 0);
    materials[2] = materials[4] = materials[11] = 1;
    EXPECT_EQ(lvlPSDL::sm_MaterialIndex, materials);
    EXPECT_EQ(loaded.GetNumMaterials(), 2);
}

TEST_F(DemoMake, AFailedWriteKeepsTheOldFiles) {
    {
        lvlPSDL good;
        Make(good, "demo");
    }
    std::string psdl = ReadWholeFile(m_Scratch.Path("demo.psdl"));
    std::string inst = ReadWholeFile(m_Scratch.Path("demo.inst"));
    ASSERT_FALSE(inst.empty());
    m_Capture.Take();
    // The disk fills midway through the list or through the city: the write that meets the end
    // fails or is taken short.
    struct Case {
        FailingWrites::Mode m_Mode;
        int m_Allowed;
        bool m_InstFails;
    };
    const Case cases[] = {
        {FailingWrites::Refuse, 16, true},
        {FailingWrites::Short, 16, true},
        {FailingWrites::Short, int(inst.size()) + 1000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.m_Mode << " " << c.m_Allowed);
        {
            FailingWrites failing(c.m_Allowed, c.m_Mode);
            lvlPSDL failed;
            ASSERT_TRUE(failed.LoadSDL("demo"));
            std::string name = m_Scratch.Path("demo");
            EXPECT_EQ(!c.m_InstFails, failed.MakeCity(name.c_str(), CompileDemo));
            EXPECT_FALSE(failed.WritePSDL(name.c_str(), 2));
        }
        std::string output = m_Capture.Take();
        EXPECT_EQ(c.m_InstFails,
                  output.find("could not write all of '" + m_Scratch.Path("demo") + ".inst'") !=
                      std::string::npos) << output;
        EXPECT_NE(output.find("could not write all of '" + m_Scratch.Path("demo") + "'"),
                  std::string::npos) << output;
        EXPECT_EQ(psdl, ReadWholeFile(m_Scratch.Path("demo.psdl")));
        EXPECT_EQ(inst, ReadWholeFile(m_Scratch.Path("demo.inst")));
        for (const char* temporary : {"demo.psdl.new", "demo.inst.new"}) {
            EXPECT_FALSE(FileExists(m_Scratch.Path(temporary))) << temporary;
        }
    }
}

TEST_F(DemoMake, TheBlocksAddTheirCompiledLotsAndChangeNothingElse) {
    LoadCatalogs();
    ReadDemoBlocks();
    ASSERT_EQ(sDemoBlocks.size(), 2u);
    auto described = std::make_unique<lvlPSDL>();
    Make(*described, "described", CompileNothing);
    CitySnapshot before(*described);
    described.reset();
    auto built = std::make_unique<lvlPSDL>();
    Make(*built, "built", CompileBlocks);
    CitySnapshot after(*built);
    std::vector<int> blockRooms;
    for (const std::unique_ptr<CityBlock>& block : sDemoBlocks) {
        blockRooms.push_back(built->FindRoomById(uint32_t(block->m_Id)));
    }
    // The raised lot with plain and composite walls on the edges beside lower ground, then the
    // two flat lots; the other block is one flat lot.
    const std::vector<std::string> room1 = {
        "tex road_lod", "raised 6", "tex brick_a", "wall", "facade", "tex brick_stack", "wall",
        "tex brick_a", "facade", "tex brick_b", "facade", "tex brick_stack", "wall",
        "tex brick_a", "facade", "tex brick_b", "facade", "wall", "facade", "tex brick_a",
        "wall", "facade", "tex grass", "fan 4", "tex sidewalk_a", "fan 4"};
    EXPECT_EQ(NameCommands(*built, 1), room1);
    EXPECT_EQ(NameCommands(*built, 6), std::vector<std::string>({"tex grass", "fan 4"}));
    built.reset();
    sDemoBlocks.clear();
    FloorsCatalog.Clear();
    WallsCatalog.Clear();
    FacadesCatalog.Clear();
    PropsCatalog.Clear();
    ExpectGolden("built.psdl", "demoblocks.psdl");
    EXPECT_EQ(blockRooms, std::vector<int>({1, 6}));

    // The tables only grow: what the description holds stays where it was.
    ASSERT_GT(after.m_Vertices.size(), before.m_Vertices.size());
    for (size_t i = 0; i < before.m_Vertices.size(); ++i) {
        EXPECT_EQ(after.m_Vertices[i].x, before.m_Vertices[i].x) << i;
        EXPECT_EQ(after.m_Vertices[i].y, before.m_Vertices[i].y) << i;
        EXPECT_EQ(after.m_Vertices[i].z, before.m_Vertices[i].z) << i;
    }
    ASSERT_GT(after.m_Floats.size(), before.m_Floats.size());
    EXPECT_TRUE(std::equal(before.m_Floats.begin(), before.m_Floats.end(), after.m_Floats.begin()));
    ASSERT_GT(after.m_Textures.size(), before.m_Textures.size());
    EXPECT_TRUE(
        std::equal(before.m_Textures.begin(), before.m_Textures.end(), after.m_Textures.begin()));
    // The rooms of the blocks hold the lots; every other room, perimeter and road is as the
    // description made it. Neither make places an instance.
    for (size_t r = 0; r < before.m_Words.size(); ++r) {
        bool block = std::find(blockRooms.begin(), blockRooms.end(), int(r + 1)) != blockRooms.end();
        EXPECT_EQ(after.m_Words[r] != before.m_Words[r], block) << "room " << r + 1;
    }
    after.m_Vertices = before.m_Vertices;
    after.m_Floats = before.m_Floats;
    after.m_Textures = before.m_Textures;
    after.m_Words = before.m_Words;
    // The bounds follow the vertex table, which the lots' corners joined.
    after.m_Bounds = before.m_Bounds;
    ExpectEqual(before, after);
    EXPECT_EQ(ReadWholeFile(m_Scratch.Path("built.inst")), "");
    EXPECT_EQ(ReadWholeFile(m_Scratch.Path("described.inst")), "");
}

// A wall of more tiles than a code word counts fails the make by name, where it used to stop
// the program on the word's assertion; the old city and list stay.
TEST_F(DemoMake, AWallOfTooManyTilesFailsTheMakeAndKeepsTheOldFiles) {
    {
        lvlPSDL good;
        Make(good, "demo");
    }
    std::string psdl = ReadWholeFile(m_Scratch.Path("demo.psdl"));
    std::string inst = ReadWholeFile(m_Scratch.Path("demo.inst"));
    LoadCatalogs();
    ReadDemoBlocks();
    ASSERT_FALSE(sDemoBlocks.empty());
    CityBlock* block = sDemoBlocks[0].release();
    int walled = -1;
    for (int i = 0; i < block->LotCount() && walled < 0; ++i) {
        walled = block->Lot(i)->Edges() ? i : -1;
    }
    ASSERT_GE(walled, 0);
    block->Lot(walled)->m_WallTile = 0.0001f;
    int id = block->m_Id;
    {
        lvlPSDL city;
        ASSERT_TRUE(city.LoadSDL("demo"));
        int room = city.FindRoomById(uint32_t(block->m_Id));
        GetRoomBlock(room) = block;
        m_Capture.Take();
        EXPECT_FALSE(city.MakeCity(m_Scratch.Path("demo").c_str(), EmitCityBlocks));
        DeleteRoomBlock(room);
    }
    std::string output = m_Capture.Take();
    EXPECT_NE(output.find("Cannot make the city: block " + std::to_string(id) + ", lot " +
                          std::to_string(walled) +
                          ": a wall has more tiles than the processed city can count."),
              std::string::npos)
        << output;
    EXPECT_EQ(psdl, ReadWholeFile(m_Scratch.Path("demo.psdl")));
    EXPECT_EQ(inst, ReadWholeFile(m_Scratch.Path("demo.inst")));
    EXPECT_FALSE(FileExists(m_Scratch.Path("demo.inst.new")));
    sDemoBlocks.clear();
    FloorsCatalog.Clear();
    WallsCatalog.Clear();
    FacadesCatalog.Clear();
    PropsCatalog.Clear();
}
