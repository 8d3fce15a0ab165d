#include "city/ai.h"
#include "city/materialmgr.h"
#include "city/psdl.h"
#include "data/asset.h"
#include "data/stream.h"
#include "data/token.h"

#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

std::string U32(uint32_t value) { return std::string(reinterpret_cast<const char*>(&value), 4); }
std::string F32(float value) { return std::string(reinterpret_cast<const char*>(&value), 4); }
std::string U16(uint16_t value) { return std::string(reinterpret_cast<const char*>(&value), 2); }

// One vertex, the given texture names, room slots 0 to 2 of which slot 2 is empty, no AI roads.
void MakeSmallCity(lvlPSDL& city, const std::vector<std::string>& textures) {
    lvlPSDL::AllocateVertices(1);
    lvlPSDL::sm_Vertices[0] = Vector3(1.0f, 2.0f, 3.0f);
    lvlPSDL::sm_Floats = {0.5f};
    lvlPSDL::AllocateTextures(uint32_t(textures.size() + 1));
    for (size_t i = 0; i < textures.size(); ++i) {
        lvlPSDL::sm_Textures[i + 1].m_Name = textures[i];
    }
    city.AllocateRooms(3);
    city.m_FirstRoomCount = 2;
    city.m_Rooms[1].reset(lvlSDL::Create(1, 3));
    city.m_Rooms[1]->GetPerimeterEntry(0) = lvlPerimeterEntry{0, 2};
    const SDLCODE_T words[3] = {0xB1, 0, 0};
    city.m_Rooms[1]->SetCodes(words, 3);
    city.m_RoomTypes[1] = 0x10;
    city.m_RoomGroups[1] = 3;
    city.BoxMin = Vector3(1.0f, 2.0f, 3.0f);
    city.BoxMax = Vector3(1.0f, 2.0f, 3.0f);
    city.SetCentroidOffset(Vector3(1.0f, 2.0f, 3.0f));
    city.RadiusAroundCentroid = 0.25f;
    lvlAiMap::Allocate(0);
}

void MakeDir(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

class PsdlFile : public ::testing::Test {
protected:
    void SetUp() override {
        MakeDir(m_Scratch.Path("city"));
        datAssetManager::SetPath(m_Scratch.Root().c_str());
    }

    ConsoleCapture m_Capture;
    ScratchDir m_Scratch;
};

}  // namespace

TEST_F(PsdlFile, WritesEveryFieldInOrder) {
    {
        lvlPSDL city;
        MakeSmallCity(city, {});
        ASSERT_TRUE(city.WritePSDL("small", 2));
    }
    EXPECT_EQ(m_Capture.Take(), "1 verts written...\n");

    std::string v = F32(1.0f) + F32(2.0f) + F32(3.0f);
    std::string expected = "PSD0" + U32(2) + U32(1) + v + U32(1) + F32(0.5f) +
                           // no texture names: the room count follows the texture count
                           U32(1) + U32(3) + U32(2) +
                           // room 1, then the empty slot 2 as an empty room
                           U32(1) + U32(3) + U16(0) + U16(2) + U16(0xB1) + U16(0) + U16(0) +
                           U32(0) + U32(0) + std::string("\0\x10\0", 3) +
                           std::string("\0\x03\0", 3) + v + v + v + F32(0.25f) + U32(0);
    EXPECT_EQ(ReadWholeFile(m_Scratch.Path("city\\small.psdl")), expected);

    lvlPSDL loaded;
    ASSERT_TRUE(loaded.Load("small"));
    ASSERT_EQ(loaded.m_RoomCount, 3u);
    EXPECT_EQ(loaded.m_Rooms[2]->GetPerimeterCount(), 0u);
    EXPECT_EQ(loaded.m_Rooms[2]->GetCodes(), nullptr);
    EXPECT_EQ(loaded.m_RoomTypes, std::vector<uint8_t>({0, 0x10, 0}));
    EXPECT_EQ(loaded.m_RoomGroups, std::vector<uint8_t>({0, 3, 0}));
    EXPECT_EQ(loaded.RadiusAroundCentroid, 0.25f);
    EXPECT_EQ(loaded.BoxMax.z, 3.0f);
    EXPECT_EQ(lvlPSDL::sm_Vertices.size(), 1u + lvlPSDL::SpareVertices);
    EXPECT_TRUE(std::isnan(lvlPSDL::sm_Vertices[1].y));
}

TEST_F(PsdlFile, MaterialTableGivesTexturesTheirIndices) {
    ASSERT_TRUE(WriteWholeFile(m_Scratch.Path("city\\materials.csv"),
                               "texture,material\ngrass,default\ngrass,other\nwalk,none\n"
                               "bad\nwalk,default,extra\n"));
    {
        lvlPSDL city;
        MakeSmallCity(city, {"grass-0002", "grass-1002", "walk", "", "-0001", "abcd"});
        ASSERT_TRUE(city.WritePSDL("materials", 2));
    }
    std::string file = ReadWholeFile(m_Scratch.Path("city\\materials.psdl"));
    // An empty entry is a single 0 byte.
    EXPECT_NE(file.find(std::string("\x05walk\0\0\x06-0001", 13)), std::string::npos);
    m_Capture.Take();

    lvlPSDL loaded;
    ASSERT_TRUE(loaded.Load("materials"));
    EXPECT_EQ(m_Capture.Take(),
              "texture 'grass' has mtl index 1\ntexture 'grass' has mtl index 1\n");
    const std::vector<std::string> names = {"", "grass", "grass-1002", "walk", "", "", "abcd"};
    const std::vector<uint8_t> materials = {0, 1, 0, 0, 0, 0, 0};
    ASSERT_EQ(lvlPSDL::sm_TextureCount, 7u);
    for (uint32_t i = 0; i < 7; ++i) {
        EXPECT_EQ(lvlPSDL::sm_Textures[i].m_Name, names[i]) << i;
        EXPECT_EQ(lvlPSDL::sm_Textures[i].m_Texture, nullptr) << i;
    }
    EXPECT_EQ(lvlPSDL::sm_MaterialIndex, materials);
    EXPECT_EQ(loaded.GetNumMaterials(), 2);
}

TEST_F(PsdlFile, StoredNamesEndAtTheirFirstZeroByte) {
    ASSERT_TRUE(WriteWholeFile(m_Scratch.Path("city\\materials.csv"), "texture,material\nab,default\n"));
    {
        lvlPSDL city;
        // Zero bytes with a frame suffix after them: the name is what comes before the zeros.
        MakeSmallCity(city, {"abXY-0003", "brick-0003"});
        ASSERT_TRUE(city.WritePSDL("padded", 2));
    }
    std::string path = m_Scratch.Path("city\\padded.psdl");
    std::string file = ReadWholeFile(path);
    size_t name = file.find("abXY-0003");
    ASSERT_NE(name, std::string::npos);
    file[name + 2] = '\0';
    file[name + 3] = '\0';
    ASSERT_TRUE(WriteWholeFile(path, file));
    m_Capture.Take();

    lvlPSDL loaded;
    ASSERT_TRUE(loaded.Load("padded"));
    EXPECT_EQ(lvlPSDL::sm_Textures[1].m_Name, std::string("ab"));
    EXPECT_EQ(lvlPSDL::sm_Textures[2].m_Name, "brick");
    EXPECT_EQ(lvlPSDL::sm_MaterialIndex, std::vector<uint8_t>({0, 1, 0}));
    EXPECT_EQ(m_Capture.Take(), "texture 'ab' has mtl index 1\ntexture 'ab' has mtl index 1\n");
}

TEST_F(PsdlFile, MissingTableLeavesTexturesWithoutMaterials) {
    lvlPSDL loaded;
    MakeSmallCity(loaded, {"grass"});
    ASSERT_TRUE(loaded.WritePSDL("plain", 2));
    m_Capture.Take();
    ASSERT_TRUE(loaded.Load("plain"));
    EXPECT_EQ(m_Capture.Take(), "Warning: Cannot open file '" + m_Scratch.Root() +
                                    "\\city\\materials.csv'.\n");
    EXPECT_EQ(lvlPSDL::sm_MaterialIndex, std::vector<uint8_t>({0, 0}));
    EXPECT_EQ(loaded.GetNumMaterials(), 1);
    EXPECT_FALSE(loaded.Load("nosuchcity"));
    EXPECT_FALSE(loaded.WritePSDL((m_Scratch.Path("nodir") + "\\x").c_str(), 2));
    EXPECT_NE(m_Capture.Take().find("Cannot create file"), std::string::npos);
}

TEST_CHILD(LoadPsdlFile) {
    lvlPSDL city;
    city.Load(__argv[__argc - 1]);
    return 0;
}

TEST(PsdlFileFailures, BadFilesAreFatal) {
    ScratchDir scratch;
    ConsoleCapture capture;
    datAssetManager::SetPath(scratch.Root().c_str());
    lvlPSDL city;
    MakeSmallCity(city, {"grass"});
    std::string good = scratch.Path("good.psdl");
    ASSERT_TRUE(city.WritePSDL(good.c_str(), 2));
    const std::string bytes = ReadWholeFile(good);

    struct Case {
        const char* m_Title;
        std::string m_Bytes;
        const char* m_Message;
    };
    const std::vector<Case> cases = {
        {"magic", "PSD1" + bytes.substr(4),
         "Wrong version of PSDL file -- please re-save city from newer version of block editor."},
        {"target size", "PSD0" + U32(4) + bytes.substr(8),
         "Wrong target size -- use a different SDL class to load this file."},
        {"cut in the rooms", bytes.substr(0, 60), "is cut short or damaged (rooms)."},
        {"room longer than the file", bytes.substr(0, 55) + U32(1000) + bytes.substr(59), "(room)."},
        {"cut in the AI roads", bytes.substr(0, bytes.size() - 2), "(AI roads)."},
        {"absurd vertex count", "PSD0" + U32(2) + U32(0x10000000) + bytes.substr(12),
         "(vertices)."},
        {"perimeter past the vertices", bytes.substr(0, 59) + U16(1) + bytes.substr(61),
         "(perimeter)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Title);
        std::string path = scratch.Path("bad.psdl");
        ASSERT_TRUE(WriteWholeFile(path, c.m_Bytes));
        ChildResult result = RunChild("LoadPsdlFile", "\"" + path + "\"");
        EXPECT_NE(result.m_ExitCode, 0);
        EXPECT_NE(result.m_Output.find(c.m_Message), std::string::npos) << result.m_Output;
    }
}

TEST_F(PsdlFile, MaterialIndicesFollowTheGameMaterials) {
    {
        std::string path = m_Scratch.Path("game.mtl");
        ASSERT_TRUE(WriteWholeFile(path, "mtl mud { elasticity: 0.2 friction: 0.7 effect: dust "
                                         "sound: none }\n"));
        Stream* stream = StreamOpen(path.c_str());
        ASSERT_NE(stream, nullptr);
        TokenReader reader(path.c_str(), stream);
        reader.CheckToken("mtl", false);
        qvMaterialMgr::Instance()->Load(reader);
        StreamClose(stream);
    }
    ASSERT_TRUE(WriteWholeFile(m_Scratch.Path("city\\materials.csv"),
                               "texture,material\nwalk,mud\ngrass,default\nrock,gravel\n"));
    {
        lvlPSDL loaded;
        MakeSmallCity(loaded, {"grass", "walk", "rock"});
        ASSERT_TRUE(loaded.WritePSDL("mud", 2));
        m_Capture.Take();
        ASSERT_TRUE(loaded.Load("mud"));
        // The table's lines, then the textures.
        EXPECT_EQ(m_Capture.Take(),
                  "texture 'walk' has mtl index 2\ntexture 'grass' has mtl index 1\n"
                  "texture 'grass' has mtl index 1\ntexture 'walk' has mtl index 2\n");
        EXPECT_EQ(lvlPSDL::sm_MaterialIndex, std::vector<uint8_t>({0, 1, 2, 0}));
        EXPECT_EQ(loaded.GetNumMaterials(), 3);
        EXPECT_EQ(loaded.GetMaterial(2), qvMaterialMgr::Instance()->Find("mud"));
    }
    qvMaterialMgr::DeleteInstance();
}
