#include "cityedit/blockdata.h"

#include "city/psdl.h"
#include "cityedit/block.h"
#include "cityedit/editor.h"
#include "cityedit/plattor.h"
#include "data/asset.h"
#include "data/bytes.h"
#include "data/options.h"
#include "tests/game/cityedit/catalogfixture.h"
#include "tests/game/cityedit/demoblocks.h"
#include "tests/game/cityedit/groupfixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"
#include "tests/support/unmasked.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <cstring>
#include <vector>

namespace {

// Room 1 of the demo city is the square from (0, 0, 0) to (10, 0, 10), room 6 the block
// room from (10, 0, 10) to (30, 0, 20); both may carry blocks.
CityBlock Square(float dx, float dz, int id) {
    const Vector3 corners[] = {Vector3(dx, 0, dz), Vector3(10 + dx, 0, dz),
                               Vector3(10 + dx, 0, 10 + dz), Vector3(dx, 0, 10 + dz)};
    CityBlock block(id);
    block.BuildFromOutline(corners, 4);
    return block;
}

std::vector<Vector3> SquareCorners(float dx) {
    return {Vector3(dx, 0, 0), Vector3(10 + dx, 0, 0), Vector3(10 + dx, 0, 10), Vector3(dx, 0, 10)};
}

std::vector<Vector3> Corners(const CityBlock* block) {
    std::vector<Vector3> corners;
    for (int i = 0; block && i < block->VertexCount(); ++i) {
        corners.push_back(block->Vertex(i)->m_Position);
    }
    return corners;
}

bool SamePoints(const std::vector<Vector3>& a, const std::vector<Vector3>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if ((a[i] - b[i]).Mag2() > 1e-6f) {
            return false;
        }
    }
    return true;
}

// Test names stay short: the scratch paths must fit the stream layer's names.
class BlockData : public ::testing::Test {
protected:
    DemoBlocks m_Demo;
};

}  // namespace

TEST_F(BlockData, SaveBacksUpAndLoads) {
    ASSERT_TRUE(m_Demo.m_Loaded);
    const std::string file = m_Demo.m_Scratch.Path("saved.block");
    // A city without blocks writes only the end.
    ASSERT_TRUE(SaveBlockData(file.c_str(), &m_Demo.m_City, nullptr));
    EXPECT_EQ(ReadWholeFile(file), "end\n");

    GetRoomBlock(1) = new CityBlock(Square(0, 0, 0));
    GetRoomBlock(6) = new CityBlock(Square(10, 10, 42));
    ASSERT_TRUE(SaveBlockData(file.c_str(), &m_Demo.m_City, nullptr));
    std::string both = ReadWholeFile(file);
    EXPECT_EQ(ReadWholeFile(file + ".bak"), "end\n");
    // A block without an id is written with its room's.
    EXPECT_NE(both.find("id: 101"), std::string::npos);
    EXPECT_NE(both.find("id: 42"), std::string::npos);
    EXPECT_EQ(both.substr(both.size() - 4), "end\n");

    // Only the selected rooms; the older backup is replaced.
    std::vector<uint8_t> selection(m_Demo.m_City.m_RoomCount, 0);
    selection[6] = 1;
    ASSERT_TRUE(SaveBlockData(file.c_str(), &m_Demo.m_City, selection.data()));
    EXPECT_EQ(ReadWholeFile(file + ".bak"), both);
    EXPECT_EQ(ReadWholeFile(file).find("id: 101"), std::string::npos);

    // Saved by a bare name: the asset root and the extension are added, but not the "city"
    // folder that loading reads from.
    selection[1] = 1;
    ASSERT_TRUE(SaveBlockData("again", &m_Demo.m_City, selection.data()));
    EXPECT_TRUE(ReadWholeFile(m_Demo.m_Scratch.Path("again.block")) == both);
    CopyFileA(m_Demo.m_Scratch.Path("again.block").c_str(),
              m_Demo.m_Scratch.Path("city\\again.block").c_str(), FALSE);
    std::vector<Vector3> room6 = Corners(GetRoomBlock(6));
    DeleteAllRoomBlocks();
    LoadBlockData("again", &m_Demo.m_City);
    EXPECT_TRUE(SamePoints(Corners(GetRoomBlock(1)), SquareCorners(0)));
    EXPECT_TRUE(SamePoints(Corners(GetRoomBlock(6)), room6));
    EXPECT_TRUE(m_Demo.m_Boxes.Boxes().empty());
}

TEST_F(BlockData, UnwritableSave) {
    ASSERT_TRUE(m_Demo.m_Loaded);
    EXPECT_FALSE(SaveBlockData(m_Demo.m_Scratch.Path("nosuchfolder\\x").c_str(),
                               &m_Demo.m_City, nullptr));
    EXPECT_EQ(m_Demo.m_Boxes.Boxes(),
              (std::vector<std::string>{
                  "Save Block Data|Couldn't write file.  Might be read-only."}));
}

TEST_F(BlockData, Matching) {
    ASSERT_TRUE(m_Demo.m_Loaded);
    struct Case {
        const char* m_Name;
        float m_Dx;
        bool m_Autosew;
        int m_Room;  // 0: discarded
        float m_EndDx;
    };
    const Case cases[] = {
        {"exact", 0.05f, false, 1, 0.05f},
        {"near", 3.0f, false, 1, 3.0f},
        {"sewn", 3.0f, true, 1, 0.0f},
        {"far", 100.0f, false, 0, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Name);
        DeleteAllRoomBlocks();
        m_Demo.m_Boxes.Boxes().clear();
        m_Demo.m_City.m_RoomTypes[1] &= 0x7F;
        CityBlock block = Square(c.m_Dx, 0, 0);
        block.m_Solid = 1;
        m_Demo.WriteBlocks(c.m_Name, {block});
        ClearOptions();
        if (c.m_Autosew) {
            char options[] = "plattor -autosew";
            ParseCommandString(options);
        }
        LoadBlockData(c.m_Name, &m_Demo.m_City);
        if (!c.m_Room) {
            EXPECT_EQ(GetRoomBlock(1), nullptr);
            EXPECT_EQ(m_Demo.m_Boxes.Boxes(),
                      (std::vector<std::string>{
                          "Load Block Data|Block couldn't find match, discarded.\n\nVert(0) "
                          "position: x=100.000 y=0.000 z=0.000"}));
            continue;
        }
        ASSERT_NE(GetRoomBlock(c.m_Room), nullptr);
        EXPECT_TRUE(SamePoints(Corners(GetRoomBlock(c.m_Room)), SquareCorners(c.m_EndDx)));
        EXPECT_EQ(m_Demo.m_City.m_RoomTypes[c.m_Room] & 0x80, 0x80);
        // A block matched only by nearness takes its room's id.
        EXPECT_EQ(GetRoomBlock(c.m_Room)->m_Id, std::string(c.m_Name) == "exact" ? 0 : 101);
        EXPECT_TRUE(m_Demo.m_Boxes.Boxes().empty());
    }
}

// Centred half way between rooms 1 and 6: the earlier room takes it.
TEST_F(BlockData, EqualNearnessKeepsTheEarlierRoom) {
    ASSERT_TRUE(m_Demo.m_Loaded);
    m_Demo.WriteBlocks("tie", {Square(7.5f, 5.0f, 0)});
    LoadBlockData("tie", &m_Demo.m_City);
    ASSERT_NE(GetRoomBlock(1), nullptr);
    EXPECT_EQ(GetRoomBlock(1)->m_Id, 101);
    EXPECT_EQ(GetRoomBlock(6), nullptr);
    EXPECT_TRUE(m_Demo.m_Boxes.Boxes().empty());
}

TEST_F(BlockData, Extras) {
    ASSERT_TRUE(m_Demo.m_Loaded);
    const Vector3 offset(2.0f, 0.5f, 3.0f);
    m_Demo.WritePackage("lamp", &offset);
    m_Demo.WritePackage("tree", nullptr);
    // Near three of room 1's corners; the fourth is too far from its corner to be joined.
    const float join[] = {0, 0, 0.5f, 10.5f, 0, 0, 10.5f, 0, 10.5f, 3, 0, 10};
    std::string joinFile("\x04\0\0\0", 4);
    joinFile.append(reinterpret_cast<const char*>(join), sizeof(join));
    m_Demo.WriteFile("scene\\lamp.join", joinFile);
    m_Demo.WriteFile("scene\\tree.join", std::string("\xFF\xFF\xFF\x7F", 4) + "cut");
    std::string list = "101,lamp\n999,lamp\n106,nopackage\n101," + std::string(130, 'x') +
                       "\n106,tree\n106,unjoined\n";
    m_Demo.WritePackage("unjoined", nullptr);
    m_Demo.WriteFile("city\\demo.extra", list);
    m_Demo.WriteBlocks("demo", {});
    LoadBlockData("demo.block", &m_Demo.m_City);
    ASSERT_EQ(ExtraCount, 3);
    EXPECT_STREQ(Extras[0].m_Name, "lamp");
    EXPECT_EQ(Extras[0].m_Room, 1);
    EXPECT_TRUE(SamePoints({Extras[0].m_Position}, {offset}));
    EXPECT_STREQ(Extras[1].m_Name, "tree");
    EXPECT_EQ(Extras[1].m_Room, 6);
    EXPECT_STREQ(Extras[2].m_Name, "unjoined");
    std::string printed = m_Demo.m_Console.Take();
    for (const char* message : {"a line longer than 127 characters is skipped",
                                "Join file for 'tree' is cut short.",
                                "Join file not found for unjoined, cannot sew up.",
                                "Whoa... extra landmark in room 1 has wacky join line vertex "
                                "(3.000000,0.000000,10.000000)"}) {
        EXPECT_NE(printed.find(message), std::string::npos) << message << "\n" << printed;
    }
    // The joined corners of room 1 take the join points' x and z; the last stays.
    const lvlSDL& room = *m_Demo.m_City.GetRoom(1);
    EXPECT_TRUE(SamePoints({lvlPSDL::sm_Vertices[room.GetPerimeterVertex(0)],
                            lvlPSDL::sm_Vertices[room.GetPerimeterVertex(3)]},
                           {Vector3(0, 0, 0.5f), Vector3(0, 0, 10)}));

    // A second load appends to the extras; a longer list stops at the table's end.
    m_Demo.WriteFile("city\\demo.extra", "106,tree\n");
    LoadBlockData("demo", &m_Demo.m_City);
    ASSERT_EQ(ExtraCount, 4);
    EXPECT_STREQ(Extras[0].m_Name, "lamp");
    EXPECT_STREQ(Extras[3].m_Name, "tree");
    std::string many;
    for (int i = 0; i < MAX_EXTRAS + 5; ++i) {
        many += "106,tree\n";
    }
    m_Demo.WriteFile("city\\demo.extra", many);
    LoadBlockData("demo", &m_Demo.m_City);
    EXPECT_EQ(ExtraCount, MAX_EXTRAS);
    EXPECT_NE(m_Demo.m_Console.Take().find("more than 128 extras; the rest are left out"),
              std::string::npos);
}

// An older "PKG2" package is walked item by item, where skipping to an item ended the program;
// an offset that is not a coordinate is refused by name and leaves the extra at the origin.
TEST_F(BlockData, ExtrasOfOlderPackagesAndBadOffsets) {
    ASSERT_TRUE(m_Demo.m_Loaded);
    auto item = [](const char* name, const std::string& payload) {
        return "FILE" + std::string(1, char(strlen(name) + 1)) + name + '\0' + payload;
    };
    auto point = [](float x, float y, float z) {
        const float p[] = {x, y, z};
        return std::string(reinterpret_cast<const char*>(p), sizeof(p));
    };
    std::string noShaders(8, '\0');
    m_Demo.WriteFile("geometry\\old.pkg",
                     "PKG2" + item("shaders", noShaders) + item("offset", point(1, 2, 3)));
    const Vector3 nan(FloatFromBits(0x7FC00000), 0.0f, 0.0f);
    m_Demo.WritePackage("bad", &nan);
    m_Demo.WriteFile("city\\demo.extra", "106,old\n106,bad\n");
    m_Demo.WriteBlocks("demo", {});
    {
        InvalidUnmasked trapping;
        LoadBlockData("demo.block", &m_Demo.m_City);
    }
    ASSERT_EQ(ExtraCount, 2);
    EXPECT_TRUE(SamePoints({Extras[0].m_Position}, {Vector3(1, 2, 3)}));
    EXPECT_TRUE(SamePoints({Extras[1].m_Position}, {Vector3(0, 0, 0)}));
    std::string said = m_Demo.m_Console.Take();
    EXPECT_NE(said.find("Model 'bad': its offset is cut short or not a number within +-100000."),
              std::string::npos)
        << said;
}

TEST_F(BlockData, MakeWithExtra) {
    ASSERT_TRUE(m_Demo.m_Loaded);
    CityBlock* block = new CityBlock(Square(0, 0, 101));
    block->Lot(0)->m_Floor = 1;
    GetRoomBlock(1) = block;
    ASSERT_TRUE(m_Demo.m_City.MakeCity(m_Demo.m_Scratch.Path("plain").c_str(), EmitCityBlocks));
    const lvlSDL* room = m_Demo.m_City.GetRoom(1);
    std::vector<SDLCODE_T> words(room->GetCodes(), room->GetCodes() + room->GetCodeCount());
    ASSERT_FALSE(words.empty());

    // The same city again, so that the make numbers its textures as before.
    ASSERT_TRUE(m_Demo.m_City.LoadSDL("demo"));
    const Vector3 offset(2.0f, 0.5f, 3.0f);
    m_Demo.WritePackage("lamp", &offset);
    m_Demo.WriteFile("city\\demo.extra", "101,lamp\n");
    LoadExtras("demo", &m_Demo.m_City);
    ASSERT_EQ(ExtraCount, 1);
    ASSERT_TRUE(m_Demo.m_City.MakeCity(m_Demo.m_Scratch.Path("extra").c_str(), EmitCityBlocks));
    // The extra's record follows those of the blocks, and the room keeps the block's words.
    std::string plain = ReadWholeFile(m_Demo.m_Scratch.Path("plain.inst"));
    std::string extra = ReadWholeFile(m_Demo.m_Scratch.Path("extra.inst"));
    ASSERT_EQ(extra.size(), plain.size() + 4 + 1 + 5 + 4 + 4 + 12);
    EXPECT_EQ(extra.substr(0, plain.size()), plain);
    EXPECT_EQ(extra.substr(plain.size(), 10), std::string("\x01\0\0\x01\x85lamp\0", 10));
    room = m_Demo.m_City.GetRoom(1);
    EXPECT_EQ(std::vector<SDLCODE_T>(room->GetCodes(), room->GetCodes() + room->GetCodeCount()),
              words);
}

namespace {

lvlPSDL* sCrashCity = nullptr;

void Fault(void*) {
    static volatile int* nowhere = nullptr;
    *nowhere = 1;
}

int FaultingEditor(int, char**) {
    RunWithCrashSave(sCrashCity, Fault, nullptr);
    return 0;
}

}  // namespace

// Case 1 with a block file named, case 2 with a block whose save faults too.
TEST_CHILD(FaultInTheEditorsFrame) {
    ScratchDir scratch;
    CreateDirectoryA(scratch.Path("city").c_str(), nullptr);
    CopyFileA(SourcePath("tests\\data\\oddcity\\city\\demo.sdl").c_str(), scratch.Path("city\\demo.sdl").c_str(),
              FALSE);
    datAssetManager::SetPath(scratch.Root().c_str());
    lvlPSDL city;
    if (!city.LoadSDL("demo")) {
        return 3;
    }
    sCrashCity = &city;
    GetRoomBlock(1) = new CityBlock(Square(0, 0, 0));
    if (ChildCase() == 1) {
        CurrentBlockFile = new char[5];
        strcpy(CurrentBlockFile, "mine");
    }
    if (ChildCase() == 2) {
        // The crash file of an earlier run, which a save cut short leaves whole.
        WriteWholeFile(scratch.Path("CRASH.block"), "an earlier crash\n");
        GetRoomBlock(1) = reinterpret_cast<CityBlock*>(uintptr_t(16));
    }
    return ExceptMain(0, nullptr, FaultingEditor);
}

TEST(CrashSave, AFaultInTheEditorSavesTheBlocksAndEndsWithOne) {
    struct Case {
        const char* m_Args;
        const char* m_File;
        const char* m_Message;
    };
    const Case cases[] = {
        {"case=0", "CRASH.block", "Unexpected program fault, saved data out to '"},
        {"case=1", "mine.CRASH.block", "Unexpected program fault, saved data out to '"},
        {"case=2", nullptr, "Unexpected program fault, unable to save city block data (sorry!)"},
    };
    const std::string older = "scratch\\FaultInTheEditorsFrame\\CRASH.block";
    for (const Case& c : cases) {
        std::string saved = "scratch\\FaultInTheEditorsFrame\\" + std::string(c.m_File ? c.m_File : "");
        DeleteFileA(saved.c_str());
        ChildResult result = RunChild("FaultInTheEditorsFrame", c.m_Args);
        EXPECT_EQ(result.m_ExitCode, 1) << result.m_Output;
        for (const char* text : {"Exception c0000005 at EIP=", c.m_Message,
                                 "ExceptMain: Abnormal exit."}) {
            EXPECT_NE(result.m_Output.find(text), std::string::npos) << text << "\n"
                                                                    << result.m_Output;
        }
        if (c.m_File) {
            EXPECT_NE(result.m_Output.find(std::string(c.m_File) + "'"), std::string::npos);
            std::string bytes = ReadWholeFile(saved);
            EXPECT_NE(bytes.find("id: 101"), std::string::npos) << c.m_File;
            EXPECT_EQ(bytes.substr(bytes.size() < 4 ? 0 : bytes.size() - 4), "end\n");
        } else {
            EXPECT_EQ(ReadWholeFile(older), "an earlier crash\n");
        }
    }
}

TEST(RoomGroupBytes, TheHighestNumberedGroupOfARoomWins) {
    ConsoleCapture console;
    GroupCity city(7);
    city.Add("n01", {2, 3});
    city.Add("n05", {3});
    city.Add("other", {4});
    city.Add("N07", {});
    city.m_City.m_RoomGroups.assign(7, 9);
    AssignRoomGroups(&city.m_City, &city.m_Groups);
    EXPECT_EQ(city.m_City.m_RoomGroups, (std::vector<uint8_t>{9, 0, 1, 5, 0, 0, 0}));
}

TEST(MakeName, TheExtensionIsCutInTheLastPartOnly) {
    struct Case {
        const char* m_Name;
        bool m_First;
        const char* m_Cut;
    };
    const Case cases[] = {
        {"out.psdl", false, "out"},      {"out", false, "out"},
        {"..\\out\\city", false, "..\\out\\city"}, {"./foo", false, "./foo"},
        {"c:city.v2.psdl", false, "c:city.v2"}, {".\\city\\x.y.block", true, ".\\city\\x"},
        {"a.b/c", true, "a.b/c"},
    };
    for (const Case& c : cases) {
        char name[64];
        strcpy(name, c.m_Name);
        CutExtension(name, c.m_First);
        EXPECT_STREQ(name, c.m_Cut) << c.m_Name;
    }
}
