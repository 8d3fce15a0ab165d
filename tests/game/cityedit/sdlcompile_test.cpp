#include "city/ai.h"
#include "city/psdl.h"
#include "data/asset.h"

#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"
#include "tests/support/unmasked.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

typedef std::vector<SDLCODE_T> Words;

// n vertices at (i, 0, 0) and t texture names.
std::string Tables(int vertices, int textures) {
    std::string text;
    for (int i = 0; i < vertices; ++i) {
        text += "v " + std::to_string(i) + " 0 0\n";
    }
    for (int i = 1; i <= textures; ++i) {
        text += "td tex" + std::to_string(i) + "\n";
    }
    return text;
}

// A city of 12 vertices, 3 textures and room slots 0 to 3, with the given room blocks.
std::string SmallCity(const std::string& rooms) {
    return Tables(12, 3) + "rooms 3 1 0\n" + rooms;
}

Words RoomWords(const lvlPSDL& city, int room) {
    const lvlSDL* sdl = city.m_Rooms[room].get();
    return Words(sdl->GetCodes(), sdl->GetCodes() + sdl->GetCodeCount());
}

class SdlCompile : public ::testing::Test {
protected:
    bool Load(const std::string& text) {
        std::string path = m_Scratch.Path("test.sdl");
        EXPECT_TRUE(WriteWholeFile(path, text));
        return m_City.LoadSDL(path.c_str());
    }

    ConsoleCapture m_Capture;
    ScratchDir m_Scratch;
    lvlPSDL m_City;
};

}  // namespace

TEST_F(SdlCompile, WritesTheWordsOfEachCommand) {
    struct Case {
        const char* m_Room;
        Words m_Words;
        std::vector<float> m_Heights;  // of vertices 0 to 11
        const char* m_Printed;         // besides the pass lines
    };
    const std::vector<float> level(12, 0.0f);
    const float d = -0.15f;
    const float dd = -0.15f - 0.15f;
    const std::vector<Case> cases = {
        {"type 16 ofan 4 7 8 9 10", {170, 7, 8, 9, 10}, {0, 0, 0, 0, 0, 0, 0, d, d, d, d, 0}, ""},
        {"ofan 4 7 8 9 10", {178, 7, 8, 9, 10}, level, ""},
        {"type 16 ofan2 3 1 2 3", {169, 1, 2, 3}, level, ""},
        {"ofan3 3 1 2 3 crosswalk 4 1 2 3 4", {164, 1, 2, 3, 4}, {0, d, d, d, 0, 0, 0, 0, 0, 0, 0, 0},
         ""},
        {"ostrip 4 1 2 3 4", {170, 1, 2, 4, 3}, level, ""},
        {"ostrip 3 1 2 3", {169, 1, 2, 3}, level, ""},
        {"ostrip 5 1 2 3 4 5 foo 3 1 2 3 ofan 3 4 5 6", {177, 4, 5, 6}, level, ""},
        {"ext 2 5 1.5", {74, 5, 384}, level, ""},
        {"ext 4 5 1.5 0.25 9", {76, 5, 384, 64, 9}, level, ""},
        {"ext 9 1 2.0 1 2 3 4 5 6 7", {72, 9, 1, 512, 1, 2, 3, 4, 5, 6, 7}, level, ""},
        // Truncated before the check: just below 0 is 0, just below 256 the largest word.
        {"ext 3 1 -0.001 255.998", {75, 1, 0, 65535}, level, ""},
        {"tex 2 road 8 1 2 3 4 0 2 3 5", {80, 2, 130, 1, 2, 3, 4, 0, 2, 3, 5},
         {0, 0, dd, dd, 0, 0, 0, 0, 0, 0, 0, 0}, ""},
        {"road 4 1 1 2 3", {129, 1, 1, 2, 3}, level, ""},
        {"divroad 8 451 1.75 1 2 3 4 5 6", {193, 451, 448, 1, 2, 3, 4, 5, 6},
         {0, 0, d, d, d, d, 0, 0, 0, 0, 0, 0}, ""},
        {"sidewalk 4 1 2 3 4 alley 2 5 6", {10, 1, 2, 3, 4, 145, 5, 6}, level, ""},
        {"sidewalk 5 1 2 3 4 9 alley 2 5 6", {10, 1, 2, 3, 4, 145, 5, 6}, level,
         "Error: sidewalk count must be multiple of two\n"},
        {"alley 3 1 2 9 sidewalk 2 5 6", {17, 1, 2, 137, 5, 6}, level,
         "Error: alley count must be multiple of two\n"},
        {"road 6 1 2 3 4 9 9 ofan 3 4 5 6", {1, 1, 2, 3, 4, 177, 4, 5, 6},
         {0, 0, d, d, 0, 0, 0, 0, 0, 0, 0, 0}, "Error: road count must be multiple of four\n"},
        {"divroad 10 0 0 1 1 2 3 4 5 9 9 ofan 3 4 5 6", {65, 0, 0, 1, 1, 2, 3, 4, 5, 177, 4, 5, 6},
         {0, 0, d, d, 0, 0, 0, 0, 0, 0, 0, 0}, "Error: divided road count must be multiple of six\n"},
        // A count error that leaves no whole group writes nothing; its values are dropped.
        {"sidewalk 1 9 ofan 3 4 5 6", {177, 4, 5, 6}, level,
         "Error: sidewalk count must be multiple of two\n"},
        {"road 3 1 2 3 ofan 3 4 5 6", {177, 4, 5, 6}, level,
         "Error: road count must be multiple of four\n"},
        {"divroad 5 0 0 1 2 3 divroad 1 0 ofan 3 4 5 6", {177, 4, 5, 6}, level,
         "Error: divided road count must be multiple of six\n"
         "Error: divided road count must be multiple of six\n"},
        {"ostrip 2 1 2 ofan 3 4 5 6", {177, 4, 5, 6}, level,
         "Error: ostrip count must be at least three\n"},
        {"ofan 2 1 2 ofan2 1 3 ofan3 0 ofan 3 4 5 6", {177, 4, 5, 6}, level,
         "Error: ofan count must be at least three\nError: ofan count must be at least three\n"
         "Error: ofan count must be at least three\n"},
        {"ext 1 5 ofan 3 4 5 6", {177, 4, 5, 6}, level, "Error: ext count must be at least two\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Room);
        m_Capture.Take();
        ASSERT_TRUE(Load(SmallCity(std::string("room 1 ") + c.m_Room + "\n")));
        EXPECT_EQ(RoomWords(m_City, 1), c.m_Words);
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(lvlPSDL::sm_Vertices[i].y, c.m_Heights[i]) << "vertex " << i;
        }
        std::string words = std::to_string(c.m_Words.size());
        std::string pass = "12 verts, 4 rooms, " + words + " codes\n";
        EXPECT_EQ(m_Capture.Take(), c.m_Printed + pass + c.m_Printed + pass);
    }
}

TEST_F(SdlCompile, TextureIndexAboveAByte) {
    ASSERT_TRUE(Load(Tables(5, 300) + "rooms 2 0 0\nroom 1 tex 300 ostrip 4 1 2 3 4\n"));
    EXPECT_EQ(RoomWords(m_City, 1), Words({81, 44, 170, 1, 2, 4, 3}));
    EXPECT_EQ(lvlPSDL::sm_TextureCount, 301u);
    EXPECT_EQ(lvlPSDL::sm_Textures[300].m_Name, "tex300");
    EXPECT_EQ(lvlPSDL::sm_MaterialIndex.size(), 301u);

    // Names are tokens of at most 31 characters.
    ASSERT_TRUE(Load("td " + std::string(40, 'n') + "\nrooms 2 0 0 room 1\n"));
    EXPECT_EQ(lvlPSDL::sm_Textures[1].m_Name, std::string(31, 'n'));
}

TEST_F(SdlCompile, RoomsWithoutWordsAndCitiesWithoutTextures) {
    // The perimeter's count is its number of pairs, not of values.
    ASSERT_TRUE(Load(Tables(4, 0) +
                     "rooms 2 1 1\nroom 2 perimeter 3 0 1 1 0 2 3 id 17 type 260\n"
                     "room 1 ofan 3 0 1 2 perimeter 1 3 2\n"));
    EXPECT_EQ(lvlPSDL::sm_TextureCount, 1u);
    EXPECT_EQ(m_City.m_RoomCount, 4u);
    EXPECT_EQ(m_City.m_FirstRoomCount, 2u);
    EXPECT_EQ(m_City.m_Rooms[0], nullptr);
    EXPECT_EQ(m_City.m_Rooms[3], nullptr);
    const lvlSDL& room = *m_City.m_Rooms[2];
    EXPECT_EQ(room.GetCodes(), nullptr);
    EXPECT_EQ(room.GetCodeCount(), 0u);
    ASSERT_EQ(room.GetPerimeterCount(), 3u);
    const uint32_t expected[3][2] = {{0, 1}, {1, 0}, {2, 3}};
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(room.GetPerimeterVertex(i), expected[i][0]);
        EXPECT_EQ(room.GetNeighbour(i), expected[i][1]);
    }
    EXPECT_EQ(m_City.m_RoomIds[2], 17u);
    EXPECT_EQ(m_City.m_RoomTypes[2], 4);
    EXPECT_EQ(RoomWords(m_City, 1), Words({177, 0, 1, 2}));
    EXPECT_EQ(m_City.m_Rooms[1]->GetPerimeterCount(), 1u);
    EXPECT_EQ(lvlAiMap::GetRoadCount(), 0u);
}

TEST_F(SdlCompile, MissingRoomsKeywordStillReadsTheCounts) {
    ASSERT_TRUE(Load(Tables(3, 0) + "2 1 0\nroom 1 ofan 3 0 1 2\n"));
    EXPECT_EQ(m_City.m_RoomCount, 3u);
    EXPECT_EQ(m_City.m_FirstRoomCount, 2u);
    EXPECT_EQ(RoomWords(m_City, 1), Words({177, 0, 1, 2}));
    std::string pass = "Error: Expected rooms command here\n3 verts, 3 rooms, 4 codes\n";
    EXPECT_EQ(m_Capture.Take(), pass + pass);
}

TEST_F(SdlCompile, MissingFileWarnsAndFails) {
    datAssetManager::SetPath(m_Scratch.Root().c_str());
    EXPECT_FALSE(m_City.LoadSDL("x"));
    EXPECT_EQ(m_Capture.Take(), "Warning: Cannot open file '" + m_Scratch.Root() + "\\city\\x.sdl'.\n");
}

// As the editor compiles it at start-up: a value no arithmetic can use traps.
TEST_CHILD(LoadSdlFile) {
    InvalidUnmasked unmasked;
    lvlPSDL city;
    city.LoadSDL(__argv[__argc - 1]);
    return 0;
}

TEST(SdlCompileFailures, MalformedDescriptionsAreFatal) {
    const char* WordTooLarge = "Assert(value < 1 << (8 * sizeof(SDLCODE_T))) failed in [city/sdlcode";
    struct Case {
        const char* m_Name;
        std::string m_Text;
        const char* m_Message;
    };
    const std::vector<Case> cases = {
        {"no rooms line and no counts", Tables(3, 0) + "room 1 ofan 3 0 1 2\n",
         "test.sdl(4): Expected integer."},
        {"room past the slots", Tables(3, 0) + "rooms 5 3 1\nroom 9\n",
         "Assert(roomNum < rooms) failed in [cityedit/sdlcompile"},
        {"room 0", SmallCity("room 0\n"), "test.sdl(17): Bad room number 0."},
        {"negative room", SmallCity("room -2\n"), "Assert(roomNum < rooms) failed in [cityedit/sdlcompile"},
        {"room twice", SmallCity("room 1 room 2 room 1\n"), "Room 1 appears twice."},
        {"negative room counts", Tables(3, 0) + "rooms 2 -1 0\nroom 1\n", "Bad room counts 2 -1 0."},
        {"crosswalk of 3", SmallCity("room 1 crosswalk 3 1 2 3\n"),
         "Assert(count == 4) failed in [cityedit/sdlcompile"},
        {"vertex past the table", SmallCity("room 1 ofan3 3 1 2 12\n"), "Vertex index 12 out of range."},
        {"negative vertex", SmallCity("room 1 road 4 1 -1 2 3\n"), WordTooLarge},
        {"vertex past a word", SmallCity("room 1 ofan 3 1 2 65536\n"), WordTooLarge},
        {"perimeter vertex", SmallCity("room 1 perimeter 1 40 0\n"), "Vertex index 40 out of range."},
        {"neighbour past the slots", SmallCity("room 1 perimeter 2 1 0 2 4\n"),
         "Neighbour room 4 out of range."},
        {"negative neighbour", SmallCity("room 1 perimeter 1 1 -3\n"), "Neighbour room -3 out of range."},
        {"negative perimeter count", SmallCity("room 1 perimeter -1\n"), "Bad perimeter count -1."},
        {"texture past the table", SmallCity("room 1 tex 4\n"), "Texture index 4 out of range."},
        {"count of 0", SmallCity("room 1 sidewalk 0\n"), "Assert(count) failed in [city/sdlcode"},
        {"count of 256", SmallCity("room 1 road 1024\n"), "Assert(count < 256) failed in [city/sdlcode"},
        {"negative median height", SmallCity("room 1 divroad 8 0 -1.5 1 2 3 4 5 6\n"), WordTooLarge},
        {"huge median height", SmallCity("room 1 divroad 8 0 1e308 1 2 3 4 5 6\n"), WordTooLarge},
        {"word too large", SmallCity("room 1 ext 2 65536 1.0\n"), WordTooLarge},
        {"height of 256", SmallCity("room 1 ext 2 1 256\n"), WordTooLarge},
        {"height past 2^32 / 256", SmallCity("room 1 ext 2 1 16777218\n"), WordTooLarge},
        {"infinite height", SmallCity("room 1 ext 2 1 1e39\n"), WordTooLarge},
        {"second value below 0", SmallCity("room 1 ext 3 1 0 -0.004\n"), WordTooLarge},
        {"AI road of 100 rooms", SmallCity("room 1 ai 1 100\n"),
         "Assert(count < MAX_ROOMS_PER_ROAD) failed in [city/ai"},
        {"AI road of -1 rooms", SmallCity("room 1 ai 1 -1\n"),
         "Assert(count < MAX_ROOMS_PER_ROAD) failed in [city/ai"},
        // Values left over after a count error are numbers: a keyword among them is an error.
        {"keyword among leftover values", SmallCity("room 1 alley 3 0 0 ofan 3 0 0 0\n"),
         "test.sdl(17): Expected integer."},
        {"keyword among dropped values", SmallCity("room 1 ostrip 5 1 2 3 4 ofan 3 4 5 6\n"),
         "test.sdl(17): Expected integer."},
        {"AI road room 0", SmallCity("room 1 ai 15 1 0 0 0 0 1 1 1 1 1 1 1 1 0 0\n"),
         "AI road room 0 out of range."},
        {"AI road room past the slots", SmallCity("room 1 ai 15 1 -4 0 0 0 1 1 1 1 1 1 1 1 0 0\n"),
         "AI road room -4 out of range."},
        {"AI count too large", SmallCity("room 1 ai 16 1 2 0 0 0 1 1 1 1 1 1 1 1 0 0\n"),
         "AI road count 16 does not match its 15 values."},
        {"AI lane counts", SmallCity("room 1 ai 15 1 2 0 -1 0\n"), "Bad AI lane counts -1 0."},
        {"AI end vertex", SmallCity("room 1 ai 15 1 2 0 0 0 1 1 1 1 1 1 1 99 0 0\n"),
         "Vertex index 99 out of range."},
        {"not a number", SmallCity("room 1 road 4 1 x 2 3\n"), "test.sdl(17): Expected integer."},
        {"vertex not a number", "v 1 +2 3\n", "test.sdl(1): Expected float."},
        {"infinite vertex", "v 1 -1e39 3\n", "test.sdl(1): Vertex 0 is not a number within +-100000."},
        {"vertex far past the range", Tables(2, 0) + "v 1e30 0 0\n", "test.sdl(3): Vertex 2 is not a number"},
        {"vertex past the range", Tables(3, 0) + "v 0 0 -100001\n", "Vertex 3 is not a number"},
        {"AI lane value past the range",
         SmallCity("room 1 ai 16 1 2 0 1 0 1e30 1 1 1 1 1 1 1 1 0 0\n"),
         "AI lane value 0 is not a number within +-100000."},
        {"no room block", SmallCity("foo 1\n"), "test.sdl(17): Expected 'room', got 'foo'."},
        {"too many vertices", Tables(65536, 0) + "rooms 1 0 0\n", "More than 65535 vertices."},
        {"too many textures", Tables(0, 2047) + "rooms 1 0 0\n", "More than 2046 textures."},
    };
    ScratchDir scratch;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Name);
        std::string path = scratch.Path("test.sdl");
        ASSERT_TRUE(WriteWholeFile(path, c.m_Text));
        ExpectFatalChild("LoadSdlFile", c.m_Message, "\"" + path + "\"");
    }
}

TEST(SdlCompileFailures, DroppingStopsAtTheEndOfTheFile) {
    // A count far past the file's values would otherwise read empty tokens for half a minute.
    ScratchDir scratch;
    std::string path = scratch.Path("test.sdl");
    ASSERT_TRUE(WriteWholeFile(path, SmallCity("room 1 ofan 3 4 5 6 foo 2147483647\n")));
    ChildResult result = RunChild("LoadSdlFile", "\"" + path + "\"", 10000);
    EXPECT_FALSE(result.m_TimedOut);
    EXPECT_EQ(result.m_ExitCode, 0) << result.m_Output;
}

TEST(SdlCompileFailures, AiValuesAreCheckedWhileFilling) {
    // The counting pass skips the AI values: its own messages come before the AI record's.
    ScratchDir scratch;
    std::string path = scratch.Path("test.sdl");
    ASSERT_TRUE(WriteWholeFile(path, SmallCity("room 1 sidewalk 3 1 2 3 ai 1 100\n")));
    ChildResult result = RunChild("LoadSdlFile", "\"" + path + "\"");
    EXPECT_EQ(result.m_ExitCode, 1);
    std::string error = "Error: sidewalk count must be multiple of two\n";
    size_t passes = result.m_Output.find(error + "12 verts, 4 rooms, 3 codes\n" + error);
    size_t assertion = result.m_Output.find("Assert(count < MAX_ROOMS_PER_ROAD) failed in [city/ai");
    EXPECT_NE(passes, std::string::npos) << result.m_Output;
    EXPECT_NE(assertion, std::string::npos) << result.m_Output;
    EXPECT_LT(passes, assertion) << result.m_Output;
}
