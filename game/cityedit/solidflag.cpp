// Mode 7 "Edit Portals": the rooms' solid flags, toggled with the mouse or found from the
// blocks.
#include "cityedit/modes.h"

#include "bank/popupmenu.h"
#include "city/psdl.h"
#include "cityedit/block.h"
#include "cityedit/blockdata.h"
#include "cityedit/editor.h"
#include "cityedit/roompick.h"
#include "cityedit/solid.h"
#include "devcam/drawer.h"
#include "input/input.h"
#include "input/winproc.h"

namespace {

const uint32_t LeftButton = 1;
const uint32_t RightButton = 2;
// Blue at a third of full alpha.
const uint32_t SolidTint = 0x540000FF;
const int AutodetectItem = 10;

const char* const Help = "LB: Toggle current room 'solid' flag on/off";

}  // namespace

void ToggleSolid(lvlPSDL* city, int room) {
    uint8_t& type = city->m_RoomTypes[room];
    type ^= SolidRoom;
    if (CityBlock* block = FindRoomBlock(city, room)) {
        block->m_Solid = (type & SolidRoom) ? 1 : 0;
    }
}

void AutodetectSolid(lvlPSDL* city) {
    for (uint32_t room = 1; room < city->m_RoomCount; ++room) {
        CityBlock* block = FindRoomBlock(city, int(room));
        bool solid = block && block->UpdateSolid() != 0;
        uint8_t& type = city->m_RoomTypes[room];
        type = uint8_t(solid ? type | SolidRoom : type & ~SolidRoom);
    }
}

const char* SolidFlagMode(lvlPSDL* city, dcPick*) {
    PickRoomUnderMouse(city, &PickedRoom);
    if (dcDraw) {
        dcDraw->Enable(dcDrawer::AlphaBlend, true);
        dcDraw->Enable(dcDrawer::DepthTest, false);
        dcDraw->Color(SolidTint);
        for (uint32_t room = 1; room < city->m_RoomCount; ++room) {
            const lvlSDL* sdl = city->GetRoom(int(room));
            if (sdl && (city->m_RoomTypes[room] & SolidRoom)) {
                DrawRoomFan(*sdl);
            }
        }
        dcDraw->Enable(dcDrawer::DepthTest, true);
        dcDraw->Enable(dcDrawer::AlphaBlend, false);
    }
    if (inpMousePressed(LeftButton)) {
        if (PickedRoom >= 1 && uint32_t(PickedRoom) < city->m_RoomCount) {
            ToggleSolid(city, PickedRoom);
        }
    } else if (inpMousePressed(RightButton)) {
        bkPopupMenu menu;
        menu.Create();
        menu.AddItem("Autodetect Solid", AutodetectItem, false, true);
        if (menu.Track(-1, -1) == AutodetectItem) {
            AutodetectSolid(city);
        }
        // The menu took the button's release, which the window messages never report.
        inpWindowButtons = 0;
    }
    return Help;
}
