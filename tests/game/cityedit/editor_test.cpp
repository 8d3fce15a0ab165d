#include "cityedit/editor.h"

#include "bank/bank.h"
#include "bank/gfxbank.h"
#include "city/psdl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(EditorState, RoomColoursAreWhiteForRoomsAndBlackForRoomZero) {
    lvlPSDL city;
    city.AllocateRooms(4);
    AllocateRoomState(city);
    EXPECT_EQ(std::vector<uint32_t>(RoomColors, RoomColors + 4),
              (std::vector<uint32_t>{0, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}));
    EXPECT_EQ(std::vector<uint8_t>(RoomSelection, RoomSelection + 4), std::vector<uint8_t>(4, 0));
    PickedRoom = 2;
    SelectPicked();
    SelectPicked();
    SelectPicked();
    EXPECT_EQ(RoomSelection[2], 1);
    PickedRoom = -1;
    SelectPicked();
    FreeRoomState();
}

TEST(EditorState, MainMenuHoldsItsWidgetsInOrder) {
    bkManager::CreateInstance(gfxBankManager::Create);
    bkBank* bank = bkManager::GetInstance()->AddBank("Main Menu", 100, 100, true);
    AddMainMenuWidgets(bank);
    std::vector<std::string> titles;
    for (int i = 0; i < bank->NumWidgets; ++i) {
        titles.push_back(bank->Widget[i]->GetTitle());
    }
    EXPECT_EQ(titles, (std::vector<std::string>{
                          "Mouse Mode", "Culling", "Lighting", "TrackMode", "Paths in TrackCam",
                          "Ai Rails", "LOD", "TrackCam Auto-LOD", "Ruler Vert1", "Ruler Vert2",
                          "Ruler Distance", "Picked Room", "Select Picked", "SDL ID", "Warp Room",
                          "Physics Mode", "Save Block Data", "Load Block Data",
                          "Make Drivable City"}));
    bkManager::DeleteInstance();
}
