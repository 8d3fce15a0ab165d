// The lot-group, solid-flag and lighting modes, one frame at a time over a two-room city seen
// from above: room 1 the 10 by 10 square from the origin, carrying a block of two lots, room 2
// the square beside it in x, without a block.
#include "cityedit/modes.h"

#include "city/psdl.h"
#include "city/sdl.h"
#include "cityedit/blockdata.h"
#include "cityedit/editor.h"
#include "cityedit/solid.h"

#include "tests/engine/devcam/recorder.h"
#include "tests/game/cityedit/blockeditorfixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const uint32_t Left = 1;
const uint32_t Right = 2;
const uint32_t Middle = 4;
const std::string NoLotHelp = "Wheel: Change current lot group (now ";
const char* const LotHelp =
    "LB: Assign poly to lot group %d\nMB: Get current lot group from current lot\nWheel: Change "
    "current lot group";

class Modes : public BlockEditorTest {
protected:
    void SetUp() override {
        BlockEditorTest::SetUp();
        const Vector3 points[6] = {{0, 0, 0}, {10, 0, 0}, {10, 0, 10}, {0, 0, 10}, {20, 0, 0}, {20, 0, 10}};
        lvlPSDL::AllocateVertices(6);
        std::copy(points, points + 6, lvlPSDL::sm_Vertices.begin());
        m_Room.AllocateRooms(3);
        const uint16_t outlines[2][4] = {{0, 1, 2, 3}, {1, 4, 5, 2}};
        for (int r = 1; r <= 2; ++r) {
            lvlSDL* room = lvlSDL::Create(4, 0);
            for (uint16_t k = 0; k < 4; ++k) {
                room->GetPerimeterEntry(k).m_Vertex = outlines[r - 1][k];
            }
            m_Room.m_Rooms[r].reset(room);
            m_Room.m_RoomIds[r] = 100 * r;
        }
        m_Room.m_RoomTypes[1] = 0x01;
        m_Room.m_RoomTypes[2] = 0x02;
        CityBlock* block = new CityBlock(100);
        Square(*block);
        block->MakeGrid(0, 0, 2);
        GetRoomBlock(1) = block;
        PickedRoom = -1;
    }

    void TearDown() override {
        DeleteRoomBlock(1);
        PickedRoom = -1;
        SdlId = -1;
        WarpRoom = 0;
        BlockEditorTest::TearDown();
    }

    // One frame of the mode with the buttons newly pressed and the wheel turned.
    std::string Run(const char* (*mode)(lvlPSDL*, dcPick*), uint32_t buttons, int wheel = 0) {
        Press(buttons, wheel);
        return mode(&m_Room, nullptr);
    }
    std::string Run(const char* (*mode)(lvlPSDL*), uint32_t buttons) {
        Press(buttons, 0);
        return mode(&m_Room);
    }
    void Press(uint32_t buttons, int wheel) {
        Feed(BlockFrameInput());
        Feed(BlockFrameInput(buttons, {}, wheel));
    }

    // The lot group the mode holds now, read from its help over room 2.
    int CurrentGroup() {
        MouseAt(Vector3(15, 0, 5));
        std::string help = Run(LotGroupMode, 0);
        return std::stoi(help.substr(NoLotHelp.size()));
    }

    std::string Help(int group) {
        char text[200];
        snprintf(text, sizeof(text), LotHelp, group);
        return text;
    }

    lvlPSDL m_Room;
    // The immediate-mode layer is not set up over the fake pipeline.
    RecordingDrawer m_Drawer;
};

}  // namespace

TEST_F(Modes, TheWheelWrapsTheLotGroupBothWays) {
    int start = CurrentGroup();
    Run(LotGroupMode, 0, 256 - start);
    ASSERT_EQ(CurrentGroup(), 0);
    struct Case {
        int m_Wheel;
        int m_Group;
    };
    const Case cases[] = {{-1, 255}, {1, 0}, {3, 3}, {-5, 254}, {2, 0}, {-513, 255}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Wheel);
        EXPECT_EQ(Run(LotGroupMode, 0, c.m_Wheel), NoLotHelp + std::to_string(c.m_Group) + ")");
        EXPECT_EQ(PickedRoom, 2);
        EXPECT_EQ(SdlId, 200);
    }
}

TEST_F(Modes, ClicksAssignAndReadTheGroupOfTheLotUnderTheMouse) {
    int start = CurrentGroup();
    Run(LotGroupMode, 0, 7 - start);
    CityBlock* block = GetRoomBlock(1);
    // The grid cut the square in two: the mouse stands over the second lot.
    MouseAt(block->GetLotCentroid(1));
    std::vector<std::string>& calls = m_Drawer.m_Calls;
    calls.clear();
    EXPECT_EQ(Run(LotGroupMode, Left), Help(7));
    EXPECT_EQ(block->Lot(1)->m_Group, 7);
    EXPECT_EQ(block->Lot(0)->m_Group, 0);
    EXPECT_EQ(PickedRoom, 1);
    // The current lot is filled in blue with blending on.
    EXPECT_NE(std::find(calls.begin(), calls.end(), "Color FF0000FF"), calls.end());
    EXPECT_EQ(calls.front(), "Enable 3 1");
    EXPECT_EQ(calls.back(), "Enable 3 0");

    block->Lot(0)->m_Group = 42;
    MouseAt(block->GetLotCentroid(0));
    EXPECT_EQ(Run(LotGroupMode, Middle), Help(42));
    // Over a room without a block a click only says how to change the group.
    MouseAt(Vector3(15, 0, 5));
    EXPECT_EQ(Run(LotGroupMode, Left), NoLotHelp + "42)");
    EXPECT_EQ(block->Lot(0)->m_Group, 42);
}

TEST_F(Modes, LeftClickTogglesTheSolidFlagOfTheRoomAndItsBlock) {
    MouseAt(Vector3(15, 0, 5));
    EXPECT_EQ(Run(SolidFlagMode, Left), "LB: Toggle current room 'solid' flag on/off");
    EXPECT_EQ(m_Room.m_RoomTypes[2], 0x82);
    MouseAt(Vector3(5, 0, 5));
    Run(SolidFlagMode, Left);
    EXPECT_EQ(m_Room.m_RoomTypes[1], 0x81);
    EXPECT_EQ(GetRoomBlock(1)->m_Solid, 1);
    Run(SolidFlagMode, Left);
    EXPECT_EQ(m_Room.m_RoomTypes[1], 0x01);
    EXPECT_EQ(GetRoomBlock(1)->m_Solid, 0);

    // Solid rooms show as translucent blue fans over everything.
    m_Drawer.m_Calls.clear();
    Run(SolidFlagMode, 0);
    EXPECT_EQ(m_Drawer.m_Calls,
              (std::vector<std::string>{"Enable 3 1", "Enable 0 0", "Color 540000FF", "Begin 6",
                                        "Vertex 10.00 0.00 0.00", "Vertex 20.00 0.00 0.00",
                                        "Vertex 20.00 0.00 10.00", "Vertex 10.00 0.00 10.00", "End",
                                        "Enable 0 1", "Enable 3 0"}));
}

TEST_F(Modes, AutodetectSetsTheFlagFromTheBlocksOnly) {
    m_Room.m_RoomTypes[2] = 0xC2;
    Raise(GetRoomBlock(1)->Lot(0), 5.0f);
    MenuScript::Answers().push_back(10);
    Run(SolidFlagMode, Right);
    ASSERT_EQ(MenuScript::Menus().size(), 1u);
    EXPECT_EQ(MenuScript::Menus()[0], (std::vector<std::string>{"Autodetect Solid|10"}));
    EXPECT_EQ(m_Room.m_RoomTypes[1], 0x81);
    EXPECT_EQ(m_Room.m_RoomTypes[2], 0x42);
    // A block with nothing raised is not solid.
    GetRoomBlock(1)->Lot(0)->m_HeightOffset = 0.0f;
    AutodetectSolid(&m_Room);
    EXPECT_EQ(m_Room.m_RoomTypes[1], 0x01);
}

TEST_F(Modes, TheLightingMenuSavesLoadsAndResetsTheRoomColours) {
    AllocateRoomState(m_Room);
    ScratchDir scratch;
    std::string file = scratch.Path("city.lmap");
    RoomColors[1] = 0xFF102030;
    RoomColors[2] = 0xFF405060;
    EXPECT_EQ(Run(LightingMenu, 0), "RB: Menu");
    EXPECT_TRUE(MenuScript::Menus().empty());

    MenuScript::Answers() = {20, 25, 15};
    FileDialogScript::Names() = {file.c_str(), file.c_str()};
    EXPECT_EQ(Run(LightingMenu, Right), "RB: Menu");
    EXPECT_EQ(MenuScript::Menus()[0],
              (std::vector<std::string>{"Import Light Map Definition|10", "Load Light Map|15",
                                        "Save Light Map|20", "|0|grey", "Reset Lighting|25"}));
    EXPECT_EQ(ReadWholeFile(file).size(), 8u + 4 * 3);
    Run(LightingMenu, Right);
    EXPECT_EQ(RoomColors[1], 0xFFFFFFFFu);
    Run(LightingMenu, Right);
    EXPECT_EQ(RoomColors[0], 0u);
    EXPECT_EQ(RoomColors[1], 0xFF102030u);
    EXPECT_EQ(RoomColors[2], 0xFF405060u);
    ASSERT_EQ(FileDialogScript::Dialogs().size(), 2u);
    EXPECT_EQ(FileDialogScript::Dialogs()[0].m_Description, "Game-loadable Lightmap");
    EXPECT_EQ(FileDialogScript::Dialogs()[0].m_Filter, "*.lmap");
    EXPECT_TRUE(FileDialogScript::Dialogs()[0].m_Save);
    EXPECT_FALSE(FileDialogScript::Dialogs()[1].m_Save);
    FreeRoomState();
}
