// Lots compiled into a scratch room and read back with the room walker, or drawn at once into a
// recording drawer.
#include "cityedit/block.h"
#include "cityedit/catalog.h"
#include "cityedit/facadedraw.h"
#include "cityedit/landmark.h"
#include "cityedit/psdltool.h"

#include "city/psdl.h"
#include "gfx/rstate.h"
#include "model/shader.h"
#include "model/static.h"
#include "vector/matrix34.h"

#include "tests/game/cityedit/blockcompare.h"
#include "tests/game/cityedit/catalogfixture.h"
#include "tests/game/cityedit/emitfixture.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

typedef std::vector<SDLCODE_T> Words;

// One command as the walker reports it.
struct Command {
    uint32_t m_Opcode;
    Words m_Operands;
    std::string m_Texture;  // texture commands: the name of the texture selected
    SDLCODE_T m_Word;       // the command word (counts below 8 here, so it precedes the operands)
};

void Collect(lvlPSDL*, int, uint32_t opcode, uint32_t count, const SDLCODE_T* operands,
             void* user) {
    Command command{opcode, Words(operands, operands + count), "", operands[-1]};
    if (opcode == SDL_TEXTURE) {
        uint32_t index = (operands[-2] & 7) << 8 | operands[-1];
        command.m_Texture = lvlPSDL::sm_Textures[index].m_Name;
        command.m_Word = operands[-2];
    }
    static_cast<std::vector<Command>*>(user)->push_back(command);
}

std::vector<Command> Walk(lvlPSDL& city, int room) {
    std::vector<Command> commands;
    city.ForEachCommand(room, Collect, &commands);
    return commands;
}

uint16_t F(float value) {
    for (size_t i = 0; i < lvlPSDL::sm_Floats.size(); ++i) {
        if (lvlPSDL::sm_Floats[i] == value) {
            return uint16_t(i);
        }
    }
    ADD_FAILURE() << "no float " << value;
    return 0xFFFF;
}

uint16_t V(const Vector3& p) {
    for (uint32_t i = 0; i < lvlPSDL::sm_VertexCount; ++i) {
        const Vector3& v = lvlPSDL::sm_Vertices[i];
        if (v.x == p.x && v.y == p.y && v.z == p.z) {
            return uint16_t(i);
        }
    }
    ADD_FAILURE() << "no vertex " << p.x << " " << p.y << " " << p.z;
    return 0xFFFF;
}

// The wall angle in 64 steps per turn, in double.
uint16_t Angle(const Vector3& a, const Vector3& b) {
    double angle = (std::atan2(double(b.z - a.z), double(b.x - a.x)) + 3.14159265358979) * 64.0 /
                   (2.0 * 3.14159265358979);
    return uint16_t(int(angle) & 63);
}

// Two lots side by side, both a little skewed so that no wall runs along an axis: lot 0 on
// vertices 0, 1, 4, 5 and lot 1 on 1, 2, 3, 4, sharing the edge 1-4.
const Vector3 Outline[6] = {Vector3(0, 0, 0),  Vector3(10, 0, 1),  Vector3(20, 0, 2),
                            Vector3(21, 0, 12), Vector3(11, 0, 11), Vector3(1, 0, 10)};

void MakeTwoLots(CityBlock& block) {
    block.BuildFromOutline(Outline, 6);
    block.AddLots(1);
    SetEntries(block.Lot(0), {0, 1, 4, 5}, {-1, 1, -1, -1});
    SetEntries(block.Lot(1), {1, 2, 3, 4}, {-1, -1, -1, 0});
}

// Lot 0 raised to the height with the wall on every edge and the floor "roof_a"; lot 1 flat
// on "grass".
void RaiseFirst(CityBlock& block, float height, const char* wall, const char* sliver = "none") {
    BlockLot* lot = block.Lot(0);
    lot->m_HeightOffset = height;
    lot->m_Floor = FloorsCatalog.Find("roof_a");
    lot->MakeEdges();
    for (int i = 0; i < lot->VertexCount(); ++i) {
        lot->Edges()[i].m_Wall = WallsCatalog.Find(wall);
        lot->Edges()[i].m_Sliver = WallsCatalog.Find(sliver);
    }
    block.Lot(1)->m_Floor = FloorsCatalog.Find("grass");
}

// The catalogues of the tests' walls and floors, a city of two empty rooms, and the recorder
// in place of the immediate-mode drawer.
class LotDraw : public ::testing::Test {
protected:
    void SetUp() override {
        m_Files.Write("floors", "ground,grass,3\r\nroof,roof_a,3\r\n");
        m_Files.Write("walls",
                      "brick,brick_a,3\r\n"
                      "brick,brick_b,2\r\n"
                      "sliver,sliver,0.5\r\n"
                      "custom,tower,,Custom\r\n"
                      "stack,stack2,,Composite,brick_a,brick_b\r\n"
                      "stack,stack3,,Composite,brick_a,brick_b,brick_a\r\n"
                      "stack,broken,,Composite,brick_a\r\n");
        FloorsCatalog.Load("floors");
        WallsCatalog.Load("walls");
        MakeEmptyCity(m_City);
        m_Drawer = EmitDrawer;
        EmitDrawer = &m_Recorder;
    }
    void TearDown() override {
        EmitDrawer = m_Drawer;
        BlockLot::sm_LabelWalls = 0;
        BlockLot::sm_AutoTileWalls = 1;
        BlockLot::sm_DrawSlivers = 1;
    }

    std::vector<Command> Compile(const CityBlock& block, int room = 1) {
        m_City.BeginCompileRoom(room);
        block.Draw(DrawWireframe, &m_City, 3);
        m_City.EndCompileRoom();
        return Walk(m_City, room);
    }

    ConsoleCapture m_Capture;
    CatalogFiles m_Files;
    ScratchDir& m_Scratch = m_Files.m_Scratch;
    lvlPSDL m_City;
    EmitRecorder m_Recorder;
    lvlEmitDrawer* m_Drawer = nullptr;
};

void ExpectCommand(const Command& c, uint32_t opcode, const Words& operands) {
    EXPECT_EQ(c.m_Opcode, opcode);
    EXPECT_EQ(c.m_Operands, operands) << "opcode " << opcode;
}

void ExpectTexture(const Command& c, const char* name) {
    EXPECT_EQ(c.m_Opcode, unsigned(SDL_TEXTURE));
    EXPECT_EQ(c.m_Texture, name);
}

}  // namespace

TEST_F(LotDraw, RaisedBesideFlat) {
    CityBlock block(1);
    MakeTwoLots(block);
    RaiseFirst(block, 12.0f, "brick_a");
    // Compiling draws textured whatever the mode asked.
    std::vector<Command> commands = Compile(block);

    ASSERT_EQ(commands.size(), 2u + 1u + 4u * 2u + 2u);
    ExpectTexture(commands[0], "roof_a");
    ExpectCommand(commands[1], SDL_RAISEDFAN,
                  {F(12.0f), V(Outline[0]), V(Outline[1]), V(Outline[4]), V(Outline[5])});
    // Every edge is walled: three on the perimeter, one towards the flat lot. The wall's
    // texture is selected once; the emitters leave out the repeats.
    ExpectTexture(commands[2], "brick_a");
    const int corners[5] = {0, 1, 4, 5, 0};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const Vector3& a = Outline[corners[i]];
        const Vector3& b = Outline[corners[i + 1]];
        ExpectCommand(commands[3 + 2 * i], SDL_WALL, {Angle(a, b), F(12.0f), V(a), V(b)});
        uint16_t along = uint16_t(std::floor(a.FlatDist(b) / 3.0 + 0.5));
        ExpectCommand(commands[4 + 2 * i], SDL_FACADE,
                      {F(0.0f), F(12.0f), along, 4, V(a), V(b)});
        EXPECT_EQ(commands[4 + 2 * i].m_Word & SDL_LAST, 0u);
    }
    ExpectTexture(commands[11], "grass");
    ExpectCommand(commands[12], SDL_FAN,
                  {V(Outline[1]), V(Outline[2]), V(Outline[3]), V(Outline[4])});
    EXPECT_EQ(commands[12].m_Word, SDL_FAN | 2 | SDL_LAST);
}

TEST_F(LotDraw, WallsWhereTheNeighbourIsLower) {
    struct Case {
        float m_Neighbour;
        float m_Ground;
        bool m_SharedWall;
        float m_Bottom;  // of the shared edge's facade
    };
    const Case cases[] = {
        {0.0f, 0.0f, true, 0.0f},     // flat: from the base
        {6.0f, 0.0f, true, 6.0f},     // lower: from its roof
        {12.0f, 0.0f, false, 0.0f},   // as high
        {20.0f, 0.0f, false, 0.0f},   // higher
        {0.0f, 12.5f, false, 0.0f},   // ground above the roof: nothing is lower
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.m_Neighbour << " " << c.m_Ground);
        BlockLot::sm_DrawSlivers = 0;
        CityBlock block(1);
        MakeTwoLots(block);
        RaiseFirst(block, 12.0f, "brick_b");
        block.Lot(0)->m_Ground = c.m_Ground;
        block.Lot(1)->m_HeightOffset = c.m_Neighbour;
        std::vector<int> bottoms;
        std::vector<Words> walls;
        for (const Command& command : Compile(block)) {
            if (command.m_Opcode == SDL_WALL) {
                walls.push_back(Words(command.m_Operands.end() - 2, command.m_Operands.end()));
            }
            if (command.m_Opcode == SDL_FACADE) {
                bottoms.push_back(command.m_Operands[0]);
            }
        }
        size_t expected = c.m_Ground > 12.0f ? 0 : c.m_SharedWall ? 4 : 3;
        ASSERT_EQ(walls.size(), expected);
        ASSERT_EQ(bottoms.size(), expected);
        bool shared = false;
        for (size_t i = 0; i < walls.size(); ++i) {
            if (walls[i] == Words({V(Outline[1]), V(Outline[4])})) {
                shared = true;
                EXPECT_EQ(bottoms[i], F(c.m_Bottom));
            }
        }
        EXPECT_EQ(shared, c.m_SharedWall);
    }
}

// Plain walls repeat their tile to the nearest whole count along and up, the lot's walltile
// standing in for the element's size when it is set. The spans are all 10.05 long.
TEST_F(LotDraw, PlainFacadesRoundTheirRepeats) {
    struct Case {
        const char* m_Wall;
        float m_Height;
        float m_WallTile;
        uint16_t m_Along;
        uint16_t m_Up;
    };
    const Case cases[] = {
        {"brick_a", 12.0f, 0.0f, 3, 4},  // 3.35 along
        {"brick_a", 13.6f, 0.0f, 3, 5},  // 4.53 up
        {"brick_b", 12.0f, 0.0f, 5, 6},  // 5.03 along with the smaller size
        {"brick_a", 12.0f, 2.5f, 4, 5},  // 4.02 along, 4.8 up
        {"brick_a", 12.0f, 4.0f, 3, 3},  // 2.51 along
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.m_Wall << " " << c.m_Height << " " << c.m_WallTile);
        CityBlock block(1);
        MakeTwoLots(block);
        RaiseFirst(block, c.m_Height, c.m_Wall);
        block.Lot(0)->m_WallTile = c.m_WallTile;
        int facades = 0;
        for (const Command& command : Compile(block)) {
            if (command.m_Opcode == SDL_FACADE) {
                ++facades;
                ASSERT_GE(command.m_Operands.size(), 4u);
                EXPECT_EQ(command.m_Operands[2], c.m_Along);
                EXPECT_EQ(command.m_Operands[3], c.m_Up);
            }
        }
        EXPECT_EQ(facades, 4);
    }
}

TEST_F(LotDraw, SkirtsOnSlopedGround) {
    struct Case {
        const char* m_Sliver;
        uint8_t m_DrawSlivers;
        float m_Ground;
        float m_Neighbour;
        int m_Skirts;
        float m_Base;
        float m_Scale;
        // The last texture written before each skirt. "No texture" writes nothing, so a bare
        // skirt keeps the wall's.
        const char* m_Texture;
    };
    const Case cases[] = {
        // Corners at 0, 0, 1 and 1: the edge at the base height on both ends has none.
        {"none", 1, 0.0f, 0.0f, 3, 1.0f, 0.1f, "brick_a"},
        {"sliver", 1, 0.0f, 0.0f, 3, 1.0f, 2.0f, "sliver"},
        {"none", 0, 0.0f, 0.0f, 0, 0.0f, 0.0f, ""},
        // A neighbour standing above the base covers the gap itself.
        {"none", 1, 0.0f, 6.0f, 2, 1.0f, 0.1f, "brick_a"},
        // A ground value raises the base and makes any lot sloped.
        {"none", 1, 0.5f, 0.0f, 4, 1.5f, 0.1f, "brick_a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.m_Sliver << " " << int(c.m_DrawSlivers) << " "
                                        << c.m_Ground);
        BlockLot::sm_DrawSlivers = c.m_DrawSlivers;
        CityBlock block(1);
        MakeTwoLots(block);
        block.Vertex(4)->m_Position.y = 1.0f;
        block.Vertex(5)->m_Position.y = 1.0f;
        RaiseFirst(block, 12.0f, "brick_a", c.m_Sliver);
        block.Lot(0)->m_Ground = c.m_Ground;
        block.Lot(1)->m_HeightOffset = c.m_Neighbour;
        std::vector<Command> commands = Compile(block);
        int skirts = 0;
        std::string texture;
        for (const Command& command : commands) {
            if (command.m_Opcode == SDL_TEXTURE) {
                texture = command.m_Texture;
            }
            if (command.m_Opcode == SDL_SKIRT) {
                ++skirts;
                EXPECT_EQ(command.m_Operands[0], F(c.m_Base));
                EXPECT_EQ(command.m_Operands[1], F(c.m_Scale));
                EXPECT_EQ(texture, c.m_Texture);
            }
        }
        EXPECT_EQ(skirts, c.m_Skirts);
    }
}

TEST_F(LotDraw, CompositeStacks) {
    // "stack2" is brick_a (15 high) under brick_b (10 high); "stack3" adds brick_a on top.
    struct Case {
        const char* m_Wall;
        float m_Break1;
        float m_Break2;
        std::vector<float> m_Heights;  // the facades' bottoms and tops, in order
    };
    const Case cases[] = {
        {"stack2", 0.0f, 0.0f, {0, 20, 20, 30}},
        {"stack2", 4.0f, 0.0f, {0, 4, 4, 30}},
        {"stack3", 0.0f, 0.0f, {0, 5, 5, 15, 15, 30}},
        {"stack3", 3.0f, 25.0f, {0, 3, 3, 25, 25, 30}},
        {"broken", 0.0f, 0.0f, {}},  // second component missing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.m_Wall << " " << c.m_Break1 << " " << c.m_Break2);
        CityBlock block(1);
        MakeTwoLots(block);
        RaiseFirst(block, 30.0f, c.m_Wall);
        block.Lot(1)->m_HeightOffset = 30.0f;
        BlockLotEdge& edge = block.Lot(0)->Edges()[0];
        edge.m_WallBreak1 = c.m_Break1;
        edge.m_WallBreak2 = c.m_Break2;
        std::vector<uint16_t> heights;
        std::vector<uint16_t> expected;
        for (const Command& command : Compile(block)) {
            if (command.m_Opcode == SDL_FACADE && command.m_Operands[4] == V(Outline[0])) {
                heights.push_back(command.m_Operands[0]);
                heights.push_back(command.m_Operands[1]);
            }
        }
        for (float h : c.m_Heights) {
            expected.push_back(F(h));
        }
        EXPECT_EQ(heights, expected);
    }
}

namespace {

// A landmark on lot 1: a hand-made ring of five points and the model of every level.
BlockLandmark& PlaceLandmark(CityBlock& block, modStatic* model, modStatic* mask) {
    block.Lot(1)->SetLandmark(std::make_unique<BlockLandmark>("church"));
    BlockLandmark& landmark = block.Lot(1)->Landmark();
    for (int level = 0; level < BlockLandmark::LevelCount; ++level) {
        landmark.m_Models[level] = model;
        landmark.m_Masks[level] = mask;
    }
    landmark.m_Rotation = 64;
    landmark.m_Scale = 64;
    landmark.m_Position.Set(1.0f, 0.5f, 2.0f);
    landmark.m_RingPoints = {Vector3(12, 0, 3), Vector3(18, 0, 3), Vector3(19, 0, 10),
                             Vector3(12, 0, 10), Vector3(11, 0, 6)};
    return landmark;
}

// Instance list records: room and flags, name, and the matrix (upright ones filled out).
struct Instance {
    uint32_t m_Head;
    std::string m_Name;
    Matrix34 m_Matrix;
};

std::vector<Instance> ReadInstances(const std::string& bytes) {
    std::vector<Instance> instances;
    size_t at = 0;
    auto take = [&](void* out, size_t n) {
        memcpy(out, bytes.data() + at, n);
        at += n;
    };
    while (at + 5 <= bytes.size()) {
        Instance instance;
        take(&instance.m_Head, 4);
        uint8_t length = 0;
        take(&length, 1);
        instance.m_Name = std::string(bytes.data() + at, (length & 0x7F) - 1);
        at += length & 0x7F;
        Matrix34& m = instance.m_Matrix;
        m.Identity();
        if (length & 0x80) {
            take(&m.a.x, 4);
            take(&m.a.z, 4);
            m.c.Set(-m.a.z, 0.0f, m.a.x);
            take(&m.d, 12);
        } else {
            take(&m, 48);
        }
        instances.push_back(instance);
    }
    return instances;
}

void ExpectNear(const Vector3& a, const Vector3& b) {
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
    EXPECT_NEAR(a.z, b.z, 1e-5f);
}

// What the make of one lot runs; MakeCity takes a plain function.
CityBlock* sMadeBlock;
int sMadeLot;

void CompileOneLot(lvlPSDL* city) {
    city->BeginCompileRoom(1);
    sMadeBlock->Lot(sMadeLot)->Draw(DrawTextured, *sMadeBlock, city, 3);
    city->EndCompileRoom();
}

}  // namespace

TEST_F(LotDraw, LandmarkAndGroundFans) {
    modStatic model;
    modStatic mask;
    struct Case {
        std::vector<uint8_t> m_Fans;
        uint8_t m_Fixed;
    };
    // Bit 7 ends a fan; on the last index it opens no empty fan after it.
    const Case cases[] = {
        {{0, 1, 2 | 0x80, 2, 3, 4}, 0},
        {{0, 1, 2 | 0x80, 2, 3, 4 | 0x80}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.m_Fixed));
        CityBlock block(1);
        MakeTwoLots(block);
        block.Vertex(0)->m_Position.Set(-3.0f, 1.0f, 5.0f);
        block.Lot(1)->m_Floor = FloorsCatalog.Find("grass");
        BlockLandmark& landmark = PlaceLandmark(block, &model, &mask);
        landmark.m_FanIndices = c.m_Fans;
        landmark.m_Fixed = c.m_Fixed;
        gfxStateApplyMask = gfxApplyMasks[1];
        gfxCurrentState.m_Lighting = 1;
        gfxStateDirty = 0;

        sMadeBlock = &block;
        sMadeLot = 1;
        std::string list = m_Scratch.Path("lots");
        ASSERT_TRUE(m_City.MakeCity(list.c_str(), CompileOneLot));

        const std::vector<Vector3>& ring = landmark.m_RingPoints;
        std::vector<Command> commands = Walk(m_City, 1);
        ASSERT_EQ(commands.size(), 3u);
        ExpectTexture(commands[0], "grass");
        ExpectCommand(commands[1], SDL_FAN, {V(ring[0]), V(ring[1]), V(ring[2])});
        ExpectCommand(commands[2], SDL_FAN, {V(ring[2]), V(ring[3]), V(ring[4])});
        EXPECT_EQ(commands[2].m_Word, SDL_FAN | 1 | SDL_LAST);
        EXPECT_EQ(m_Capture.Take().find("dropped"), std::string::npos);

        // Unlit, and the texture factor back at 0.
        EXPECT_EQ(gfxStateApplyMask, 0x0Bu);
        EXPECT_EQ(gfxCurrentState.m_Lighting, 0);
        EXPECT_EQ(gfxCurrentState.m_TextureFactor, 0u);
        EXPECT_NE(gfxStateDirty & gfxDirtyStates, 0u);

        // The model once with flags 1 and 0; the mask is not compiled.
        std::vector<Instance> instances = ReadInstances(ReadWholeFile(list + ".inst"));
        ASSERT_EQ(instances.size(), 1u);
        EXPECT_EQ(instances[0].m_Head, 1u | 1u << 24);
        EXPECT_EQ(instances[0].m_Name, "church");
        const Matrix34& m = instances[0].m_Matrix;
        float angle = 64 * 3.14159265f / 127;
        ExpectNear(m.a, Vector3(0.5f * std::cos(angle), 0.0f, -0.5f * std::sin(angle)));
        ExpectNear(m.b, Vector3(0.0f, 0.5f, 0.0f));
        ExpectNear(m.c, Vector3(0.5f * std::sin(angle), 0.0f, 0.5f * std::cos(angle)));
        ExpectNear(m.d, c.m_Fixed ? Vector3(1.0f, 0.5f, 2.0f) : Vector3(-2.0f, 1.5f, 7.0f));
    }
}

TEST_F(LotDraw, DrawnLandmarkAddsItsMask) {
    modStatic model;
    modStatic mask;
    CityBlock block(1);
    MakeTwoLots(block);
    PlaceLandmark(block, &model, &mask);
    struct FactorRecorder : EmitRecorder {
        void DrawModel(const Matrix34& matrix, modStatic* m, modShader* shaders) override {
            EmitRecorder::DrawModel(matrix, m, shaders);
            m_Factors.push_back(gfxCurrentState.m_TextureFactor);
        }
        std::vector<uint32_t> m_Factors;
    } recorder;
    EmitDrawer = &recorder;
    block.Lot(1)->Draw(DrawSolid, block, &m_City, 2);
    ASSERT_EQ(recorder.m_Models.size(), 2u);
    EXPECT_EQ(recorder.m_Models[0].m_Model, &model);
    EXPECT_EQ(recorder.m_Models[1].m_Model, &mask);
    EXPECT_EQ(recorder.m_Factors, std::vector<uint32_t>({0xFFFFFFFF, 0xFFFFFFFF}));
    EXPECT_EQ(gfxCurrentState.m_TextureFactor, 0u);
}

TEST_F(LotDraw, WireframeAndDebug) {
    CityBlock block(1);
    MakeTwoLots(block);
    block.Lot(1)->m_Group = 3;
    block.Lot(1)->m_HeightOffset = 5.0f;

    block.Draw(DrawWireframe, &m_City, 3);
    EXPECT_EQ(m_Recorder.m_Log,
              "strip (0 0 0|0 0) (10 0 1|10 1) (11 0 11|11 11) (1 0 10|1 10) (0 0 0|0 0);"
              "strip (10 0 1|10 1) (20 0 2|20 2) (21 0 12|21 12) (11 0 11|11 11) (10 0 1|10 1);");

    // Only the lot with a group: its colour of hue 3/16, white again, and its number.
    m_Recorder.m_Log.clear();
    block.Draw(DrawDebug, &m_City, 3);
    EXPECT_EQ(m_Recorder.m_Log,
              "colour FFDFFF00;fan (10 0 1|10 1) (20 0 2|20 2) (21 0 12|21 12) (11 0 11|11 11);"
              "colour FFFFFFFF;print (15.5 0 6.5) 3;");
}

TEST_F(LotDraw, WallLabels) {
    CityBlock block(1);
    MakeTwoLots(block);
    RaiseFirst(block, 12.0f, "brick_a");
    BlockLot::sm_LabelWalls = 1;
    for (int mode : {DrawSolid, DrawTextured}) {
        m_Recorder.m_Log.clear();
        block.Draw(mode, &m_City, 3);
        std::vector<std::string> expected;
        if (mode == DrawTextured) {
            expected = {"print (0 0 0) brick_a", "print (10 0 1) brick_a",
                        "print (11 0 11) brick_a", "print (1 0 10) brick_a"};
        }
        EXPECT_EQ(m_Recorder.Entries("print"), expected) << mode;
    }
}

namespace {

// The custom wall "tower" with a model and a mask of its own and a join line 4 wide and 6
// high; its shader table is the test's and goes back before the catalogue frees the element.
class CustomFacade : public LotDraw {
protected:
    void SetUp() override {
        LotDraw::SetUp();
        m_Tower = WallsCatalog.Get(WallsCatalog.Find("tower"));
        ASSERT_NE(m_Tower, nullptr);
        m_Tower->m_ModelLoaded = true;
        m_Model = m_Tower->m_Models[SurfaceElement::LevelH] = new modStatic;
        m_Mask = m_Tower->m_Masks[SurfaceElement::LevelH] = new modStatic;
        m_Tower->m_InvJoinWidth = 0.25f;
        m_Tower->m_InvJoinHeight = 1.0f / 6.0f;
        for (int v = 0; v < 3; ++v) {
            m_Variants[v] = &m_Shaders[v];
        }
    }
    void TearDown() override {
        m_Tower->m_Shaders = nullptr;
        m_Tower->m_VariantCount = 0;
        LotDraw::TearDown();
    }

    SurfaceElement* m_Tower = nullptr;
    modStatic* m_Model = nullptr;
    modStatic* m_Mask = nullptr;
    modShader m_Shaders[3] = {};
    modShader* m_Variants[3] = {};
};

}  // namespace

TEST_F(CustomFacade, TilesAsTheReference) {
    std::mt19937 random(2145);
    std::uniform_real_distribution<float> coordinate(-50.0f, 50.0f);
    std::uniform_real_distribution<float> height(0.5f, 40.0f);
    for (int run = 0; run < 200; ++run) {
        bool tiled = run % 4 != 3;
        BlockLot::sm_AutoTileWalls = tiled;
        // Every tenth span is shorter than half a module, and still gets its one model.
        Vector3 a(coordinate(random), coordinate(random), coordinate(random));
        Vector3 b(coordinate(random), coordinate(random), coordinate(random));
        if (run % 10 == 0) {
            b.Set(a.x + b.x / 50.0f, b.y, a.z + b.z / 50.0f);
        }
        float bottom = height(random);
        float top = bottom + height(random);
        SCOPED_TRACE(run);
        m_Recorder.m_Models.clear();
        DrawFacade(*m_Tower, true, a, b, bottom, top, 0.0f, 0, 3, 0.0f, 0.0f);

        double dx = double(b.x) - a.x;
        double dz = double(b.z) - a.z;
        double length = std::sqrt(dx * dx + dz * dz);
        int nx = tiled ? std::max(1, int(std::floor(length / 4.0 + 0.5))) : 1;
        int ny = tiled ? std::max(1, int(std::floor((double(top) - bottom) / 6.0 + 0.5))) : 1;
        ASSERT_EQ(m_Recorder.m_Models.size(), size_t(2 * nx * ny));
        double ax = dx / 4.0 / nx;
        double az = dz / 4.0 / nx;
        double am = std::sqrt(ax * ax + az * az);
        size_t k = 0;
        for (int j = 0; j < ny; ++j) {
            for (int i = 0; i < nx; ++i) {
                for (modStatic* expected : {m_Model, m_Mask}) {
                    const EmitRecorder::Model& drawn = m_Recorder.m_Models[k++];
                    EXPECT_EQ(drawn.m_Model, expected);
                    const Matrix34& m = drawn.m_Matrix;
                    double t = double(j) / ny;
                    double u = double(i) / nx;
                    const double tolerance = 1e-4 * (1.0 + std::fabs(a.x) + std::fabs(b.x));
                    EXPECT_NEAR(m.a.x, ax, 1e-5);
                    EXPECT_EQ(m.a.y, 0.0f);
                    EXPECT_NEAR(m.a.z, az, 1e-5);
                    EXPECT_EQ(m.b.x, 0.0f);
                    EXPECT_NEAR(m.b.y, (double(top) - bottom) / 6.0 / ny, 1e-5);
                    EXPECT_EQ(m.b.z, 0.0f);
                    EXPECT_NEAR(m.c.x, -az / am, 1e-5);
                    EXPECT_NEAR(m.c.z, ax / am, 1e-5);
                    EXPECT_NEAR(m.d.x, a.x + dx * u, tolerance);
                    EXPECT_NEAR(m.d.y, bottom * (1.0 - t) + top * t, 1e-4 * (1.0 + top));
                    EXPECT_NEAR(m.d.z, a.z + dz * u, tolerance);
                }
            }
        }
    }
}

TEST_F(CustomFacade, VariantsAndBounds) {
    struct Case {
        int m_VariantCount;
        int m_Variant;
        uint8_t m_HasBound;
        int m_Table;  // index into the test's tables; -1 for none
    };
    const Case cases[] = {
        {3, 4, 1, 1},
        {3, 2, 0, 2},
        // A model without variants has no shader table instead of a division by zero.
        {0, 4, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.m_VariantCount << " " << c.m_Variant);
        m_Tower->m_Shaders = c.m_VariantCount ? m_Variants : nullptr;
        m_Tower->m_VariantCount = c.m_VariantCount;
        m_Tower->m_HasBound = c.m_HasBound;
        CityBlock block(1);
        MakeTwoLots(block);
        RaiseFirst(block, 6.0f, "tower");
        for (int i = 0; i < 4; ++i) {
            block.Lot(0)->Edges()[i].m_WallVariant = c.m_Variant;
        }
        block.Lot(1)->m_HeightOffset = 6.0f;

        // Drawn: each model with its mask and the variant's shaders.
        m_Recorder.m_Models.clear();
        block.Draw(DrawTextured, &m_City, 3);
        ASSERT_EQ(m_Recorder.m_Models.size(), 18u);
        for (const EmitRecorder::Model& drawn : m_Recorder.m_Models) {
            EXPECT_EQ(drawn.m_Shaders, c.m_Table < 0 ? nullptr : m_Variants[c.m_Table]);
        }

        // Compiled: the models alone, flagged 32 when the element has a bound.
        sMadeBlock = &block;
        sMadeLot = 0;
        std::string list = m_Scratch.Path("tower");
        ASSERT_TRUE(m_City.MakeCity(list.c_str(), CompileOneLot));
        std::vector<Instance> instances = ReadInstances(ReadWholeFile(list + ".inst"));
        // The three perimeter edges, each about 10 long: 3 models across, 1 up.
        ASSERT_EQ(instances.size(), 9u);
        for (const Instance& instance : instances) {
            EXPECT_EQ(instance.m_Head, 1u | uint32_t(c.m_HasBound ? 32 : 0) << 24);
            EXPECT_EQ(instance.m_Name, "tower");
        }
    }
}
