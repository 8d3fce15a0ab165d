#include "city/ai.h"
#include "city/psdl.h"
#include "data/asset.h"

#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using ::testing::ElementsAre;

namespace {

typedef std::vector<SDLCODE_T> Words;

struct Command {
    uint32_t m_Opcode;
    Words m_Operands;

    bool operator==(const Command& other) const {
        return m_Opcode == other.m_Opcode && m_Operands == other.m_Operands;
    }
};

void Decode(lvlPSDL*, int, uint32_t opcode, uint32_t count, const SDLCODE_T* operands,
            void* user) {
    static_cast<std::vector<Command>*>(user)->push_back({opcode, Words(operands, operands + count)});
}

struct ExpectedRoom {
    uint32_t m_Id;
    uint8_t m_Type;
    std::vector<lvlPerimeterEntry> m_Perimeter;
    Words m_Words;
    std::vector<Command> m_Commands;
};

// Worked out by hand from tests/data/oddcity/city/demo.sdl.
const ExpectedRoom DemoRooms[7] = {
    {},
    {101, 1, {{0, 0}, {1, 2}, {2, 5}, {3, 0}},
     {80, 4, 178, 0, 1, 2, 3},
     {{SDL_TEXTURE, {}}, {SDL_FAN, {0, 1, 2, 3}}}},
    {102, 0, {{1, 0}, {6, 3}, {9, 6}, {2, 1}},
     {80, 1, 2, 1, 4, 5, 2, 6, 7, 8, 9, 164, 4, 5, 8, 7, 74, 5, 384},
     {{SDL_TEXTURE, {}}, {SDL_ROAD, {1, 4, 5, 2, 6, 7, 8, 9}}, {SDL_CROSSWALK, {4, 5, 8, 7}}}},
    {103, 80, {{6, 2}, {10, 0}, {11, 4}, {9, 2}},
     {80, 10, 42, 6, 10, 11, 9, 169, 6, 7, 8},
     {{SDL_TEXTURE, {}}, {SDL_FLATFAN, {6, 10, 11, 9}}, {SDL_FLATFAN, {6, 7, 8}}}},
    {104, 0, {{9, 3}, {11, 0}, {21, 0}, {16, 0}},
     {80, 1, 75, 1, 256, 0, 194, 1730, 128, 9, 12, 13, 14, 15, 11, 16, 17, 18, 19, 20, 21},
     {{SDL_TEXTURE, {}},
      {SDL_EXT, {1, 256, 0}},
      {SDL_DIVROAD, {9, 12, 13, 14, 15, 11, 16, 17, 18, 19, 20, 21}}}},
    {105, 0, {{3, 1}, {2, 6}, {22, 0}, {23, 0}},
     {80, 5, 10, 3, 24, 2, 25, 10, 23, 23, 22, 25, 18, 24, 25, 23, 22, 170, 1, 2, 4, 3,
      72, 10, 8, 3072, 0, 0, 15, 0, 0, 0, 0, 0},
     // The ext after the marked strip is never run.
     {{SDL_TEXTURE, {}}, {SDL_SIDEWALK, {3, 24, 2, 25}}, {SDL_SIDEWALK, {23, 23, 22, 25}},
      {SDL_ALLEY, {24, 25, 23, 22}}, {SDL_FLATFAN, {1, 2, 4, 3}}}},
    {106, 4, {{2, 2}, {9, 4}, {26, 0}, {22, 5}}, {}, {}},
};

}  // namespace

TEST(DemoCity, CompilesToTheHandWorkedRooms) {
    ConsoleCapture capture;
    datAssetManager::SetPath(SourcePath("tests/data/oddcity").c_str());
    lvlPSDL city;
    ASSERT_TRUE(city.LoadSDL("demo"));
    EXPECT_EQ(capture.Take(), "28 verts, 7 rooms, 92 codes\n28 verts, 7 rooms, 92 codes\n");

    EXPECT_EQ(city.m_RoomCount, 7u);
    EXPECT_EQ(city.m_FirstRoomCount, 6u);
    EXPECT_EQ(city.m_Rooms[0], nullptr);
    for (int r = 1; r < 7; ++r) {
        SCOPED_TRACE("room " + std::to_string(r));
        const ExpectedRoom& expected = DemoRooms[r];
        const lvlSDL& room = *city.m_Rooms[r];
        EXPECT_EQ(city.m_RoomIds[r], expected.m_Id);
        EXPECT_EQ(city.m_RoomTypes[r], expected.m_Type);
        EXPECT_EQ(city.m_RoomGroups[r], 0);
        ASSERT_EQ(room.GetPerimeterCount(), expected.m_Perimeter.size());
        for (uint32_t i = 0; i < room.GetPerimeterCount(); ++i) {
            EXPECT_EQ(room.GetPerimeterVertex(i), expected.m_Perimeter[i].m_Vertex) << i;
            EXPECT_EQ(room.GetNeighbour(i), expected.m_Perimeter[i].m_Neighbour) << i;
        }
        EXPECT_EQ(Words(room.GetCodes(), room.GetCodes() + room.GetCodeCount()), expected.m_Words);
        std::vector<Command> commands;
        city.ForEachCommand(r, Decode, &commands);
        EXPECT_EQ(commands, expected.m_Commands);
    }
}

TEST(DemoCity, TablesAndAiRoad) {
    ConsoleCapture capture;
    datAssetManager::SetPath(SourcePath("tests/data/oddcity").c_str());
    lvlPSDL city;
    ASSERT_TRUE(city.LoadSDL("demo"));

    ASSERT_EQ(lvlPSDL::sm_VertexCount, 28u);
    EXPECT_EQ(lvlPSDL::sm_VertexCapacity, 28u);
    ASSERT_EQ(lvlPSDL::sm_Vertices.size(), 28u + 512u);
    // Lowered once: kerbs of the road and the divided road, the intersection's corners;
    // twice: a road kerb or corner that a plain lowering fan names again.
    const float d = -0.15f;
    const float dd = -0.15f - 0.15f;
    const float heights[28] = {0, 0, 0, 0, d, d, d, dd, dd, dd, d, d, d, d,
                               d, d, 0, d, d, d, d, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 28; ++i) {
        EXPECT_EQ(lvlPSDL::sm_Vertices[i].y, heights[i]) << "vertex " << i;
    }
    EXPECT_EQ(lvlPSDL::sm_Vertices[13].x, 34.5f);
    EXPECT_EQ(lvlPSDL::sm_Vertices[26].z, 20.0f);
    EXPECT_TRUE(std::signbit(lvlPSDL::sm_Vertices[27].x));
    EXPECT_EQ(lvlPSDL::sm_Vertices[27].x, 0.0f);
    uint32_t spare;
    memcpy(&spare, &lvlPSDL::sm_Vertices[28 + 511].z, 4);
    EXPECT_EQ(spare, 0x7F800001u);

    const char* names[] = {"",         "road_a",   "sidewalk_a", "road_lod",
                           "grass",    "flow",     "median_a",   "median_b",
                           "median_c", "median_d", "nosuchimage"};
    ASSERT_EQ(lvlPSDL::sm_TextureCount, 11u);
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(lvlPSDL::sm_Textures[i].m_Name, names[i]);
        EXPECT_EQ(lvlPSDL::sm_Textures[i].m_Texture, nullptr);
        EXPECT_EQ(lvlPSDL::sm_MaterialIndex[i], 0);
    }

    ASSERT_EQ(lvlAiMap::GetRoadCount(), 1u);
    const lvlAiRoad& road = lvlAiMap::GetRoad(0);
    EXPECT_EQ(road.m_Flags, 1536u);
    EXPECT_EQ(road.m_RoomCount, 2);
    EXPECT_THAT(road.m_Rooms, ElementsAre(2, -3));
    EXPECT_EQ(road.m_NumLanes[0], 1);
    EXPECT_EQ(road.m_NumLanes[1], 1);
    EXPECT_THAT(road.m_LaneValues, ElementsAre(0.25f, 0.75f));
    const uint16_t ends[8] = {6, 7, 8, 9, 1, 4, 5, 2};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(road.m_RoadData[i], ends[i]);
    }
    EXPECT_EQ(road.m_SideInfo[0], 1);
    EXPECT_EQ(road.m_SideInfo[1], 4);
}
