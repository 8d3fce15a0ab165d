// Mode 1 "Pick": the room under the mouse, box selection, the selection menu and the
// translucent walls that show what is picked and selected.
#include "cityedit/modes.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "bank/filedialog.h"
#include "bank/msgbox.h"
#include "bank/popupmenu.h"
#include "city/psdl.h"
#include "cityedit/blockcommand.h"
#include "cityedit/blockdata.h"
#include "cityedit/editor.h"
#include "cityedit/roompick.h"
#include "cityedit/selection.h"
#include "data/asset.h"
#include "devcam/pick.h"
#include "input/input.h"
#include "input/winproc.h"
#include "rgl/rgl.h"

namespace {

const uint32_t MiddleButton = 4;
const uint32_t RightButton = 2;
const int ButtonsYesNo = 2;
const int IconQuestion = 1;
const float WallHeight = 30.0f;

enum SelectionCommand {
    CmdEditCurrentBlock = 10,
    CmdCameraAxisToRoom = 11,
    CmdDeleteCurrentBlock = 12,
    CmdClearSelection = 20,
    CmdInvertSelection = 21,
    CmdHideUnselected = 22,
    CmdPickAnyVert = 23,
    CmdSaveSelectionBlocks = 24,
    CmdSaveSelectionVrml = 1003,
};

const uint32_t PickedSelectedColor = 0x7FFFFF00;
const uint32_t PickedColor = 0x7F00FF00;
const uint32_t SelectedColor = 0x7FFF0000;

// Set when a drag box starts: 1 adds the rooms it holds, 0 removes them; -1 between boxes.
int32_t sAddMode = -1;
// The dialogs' last names.
char sBlockFileName[256];
char sVrmlFileName[64];

const lvlSDL* SelectableRoom(const lvlPSDL* city, uint32_t room) {
    const lvlSDL* sdl = city->GetRoom(int(room));
    return sdl && sdl->GetPerimeterCount() <= uint32_t(MAX_EDIT_PERIMETER) ? sdl : nullptr;
}

const Vector3& OutlinePoint(const lvlSDL* sdl, uint32_t i) {
    return *sdl->GetVertex(sdl->GetPerimeterVertex(i));
}

bool InVolume(const Vector4 planes[6], const Vector3& point) {
    for (int i = 0; i < 6; ++i) {
        if (!IsBehindPlane(point, planes[i])) {
            return false;
        }
    }
    return true;
}

void AimTrackCam(lvlPSDL* city, int room) {
    Vector3 centroid;
    city->GetRoom(room)->GetRoomCentroid(centroid);
    TrackCam.SetAxisOrigin(centroid);
}

void SaveSelectionBlocks(lvlPSDL* city, const uint8_t* selection) {
    SeedCityDialog(sBlockFileName, sizeof(sBlockFileName));
    if (bkFileDialog(sBlockFileName, sizeof(sBlockFileName), "*.block", true,
                     "City Block File")) {
        SaveBlockData(sBlockFileName, city, selection);
    }
}

void SaveSelectionAsVrml(lvlPSDL* city, const uint8_t* selection) {
    SeedCityDialog(sVrmlFileName, sizeof(sVrmlFileName));
    if (bkFileDialog(sVrmlFileName, sizeof(sVrmlFileName), "*.wrl", true, "VRML 2.0 File")) {
        SaveSelectionVrml(sVrmlFileName, city, selection);
    }
}

void RunSelectionCommand(int id, lvlPSDL* city, BlockEditor* editor, int room,
                         uint8_t* selection) {
    uint32_t count = city->m_RoomCount;
    switch (id) {
    case CmdEditCurrentBlock:
        AimTrackCam(city, room);
        EditRoomBlock(city, editor, room);
        break;
    case CmdCameraAxisToRoom:
        AimTrackCam(city, room);
        break;
    case CmdDeleteCurrentBlock:
        if (BankMessageBox("Confirm!",
                           "This cannot be undone!  Are you sure you want to delete the current "
                           "block?",
                           ButtonsYesNo, IconQuestion) == 1 &&
            room < MAX_ROOM_BLOCKS) {
            DeleteRoomBlock(room);
            // The block modes would otherwise go on with a room whose block is gone.
            if (CurrentRoom == room) {
                CurrentRoom = -1;
            }
        }
        break;
    case CmdClearSelection:
        memset(selection, 0, count);
        break;
    case CmdInvertSelection:
        for (uint32_t r = 0; r < count; ++r) {
            selection[r] ^= 1;
        }
        break;
    case CmdHideUnselected:
        HideUnselected = !HideUnselected;
        break;
    case CmdPickAnyVert:
        PickAnyVert = !PickAnyVert;
        break;
    case CmdSaveSelectionBlocks:
        SaveSelectionBlocks(city, selection);
        break;
    case CmdSaveSelectionVrml:
        SaveSelectionAsVrml(city, selection);
        break;
    default:
        break;
    }
}

void ShowSelectionMenu(lvlPSDL* city, BlockEditor* editor, int room, uint8_t* selection) {
    bool blockRoom = room != -1 && (city->m_RoomTypes[room] & BlockRoom);
    bkPopupMenu menu;
    menu.Create();
    if (blockRoom) {
        menu.AddItem("Edit Current Block", CmdEditCurrentBlock, false, true);
    }
    if (room != -1) {
        menu.AddItem("Set Camera Axis to Selected Room", CmdCameraAxisToRoom, false, true);
    }
    if (blockRoom) {
        menu.AddItem("Delete Current Block", CmdDeleteCurrentBlock, false, true);
    }
    menu.AddItem("Save Selection as VRML file", CmdSaveSelectionVrml, false, true);
    menu.AddItem("Save Selection as block data", CmdSaveSelectionBlocks, false, true);
    menu.AddItem("Clear Selection", CmdClearSelection, false, true);
    menu.AddItem("Invert Selection", CmdInvertSelection, false, true);
    menu.AddItem("Hide Unselected", CmdHideUnselected, HideUnselected != 0, true);
    menu.AddItem("Pick any Vert to Select Block", CmdPickAnyVert, PickAnyVert != 0, true);
    int choice = menu.Track(-1, -1);
    // The commands that need a picked room are only offered with one.
    if (room != -1 || choice > CmdDeleteCurrentBlock) {
        RunSelectionCommand(choice, city, editor, room, selection);
    }
    // The menu took the button's release, which the window messages never report.
    inpWindowButtons = 0;
    menu.Destroy();
}

uint32_t WallColor(uint32_t room, int picked, const uint8_t* selection) {
    bool selected = selection[room] & 1;
    if (int(room) == picked) {
        return selected ? PickedSelectedColor : PickedColor;
    }
    return selected && !HideUnselected ? SelectedColor : 0;
}

void DrawSelectionWalls(lvlPSDL* city, int picked, const uint8_t* selection) {
    rglEnable(RGL_CULL_FACE, 0);
    rglEnable(RGL_BLEND, 1);
    rglBindTexture(nullptr);
    for (uint32_t room = 1; room < city->m_RoomCount; ++room) {
        const lvlSDL* sdl = city->GetRoom(int(room));
        uint32_t color = WallColor(room, picked, selection);
        if (!color || !sdl || sdl->GetPerimeterCount() == 0) {
            continue;
        }
        rglColor(color);
        rglBegin(RGL_TRIANGLE_STRIP);
        for (uint32_t i = 0; i <= sdl->GetPerimeterCount(); ++i) {
            const Vector3& p = OutlinePoint(sdl, i % sdl->GetPerimeterCount());
            rglVertex(p.x, p.y + WallHeight, p.z);
            rglVertex(p.x, p.y, p.z);
        }
        rglEnd();
    }
    rglEnable(RGL_BLEND, 0);
    rglEnable(RGL_CULL_FACE, 1);
}

}  // namespace

void SelectRoomsInVolume(lvlPSDL* city, const Vector4 planes[6], uint8_t* selection,
                         uint8_t value, bool anyVertex) {
    for (uint32_t room = 1; room < city->m_RoomCount; ++room) {
        const lvlSDL* sdl = SelectableRoom(city, room);
        if (!sdl || sdl->GetPerimeterCount() == 0) {
            continue;
        }
        uint32_t inside = 0;
        for (uint32_t i = 0; i < sdl->GetPerimeterCount(); ++i) {
            inside += InVolume(planes, OutlinePoint(sdl, i));
        }
        if (anyVertex ? inside > 0 : inside == sdl->GetPerimeterCount()) {
            selection[room] = value;
        }
    }
}

void SeedCityDialog(char* buffer, size_t size) {
    if (buffer[0]) {
        return;
    }
    int length = snprintf(buffer, size, "%scity\\", datAssetManager::GetPath());
    // A cut path would name another folder.
    if (length < 0 || size_t(length) >= size) {
        buffer[0] = 0;
    }
}

void SelectionMenu(lvlPSDL* city, BlockEditor* editor, int32_t* picked, uint8_t* selection) {
    *picked = -1;
    Picker.Update();
    if (Picker.m_State != dcPick::Dragging) {
        if (Picker.m_Valid) {
            Picker.m_Valid = false;
            SelectRoomsInVolume(city, Picker.m_Planes, selection, sAddMode == 1 ? 1 : 0,
                                PickAnyVert != 0);
            sAddMode = -1;
        } else {
            PickRoomUnderMouse(city, picked);
        }
    } else if (sAddMode == -1) {
        sAddMode = BlockAltHeld() ? 0 : 1;
    }
    if (*picked != -1 && inpMousePressed(MiddleButton)) {
        selection[*picked] ^= 1;
    }
    if (inpMousePressed(RightButton)) {
        ShowSelectionMenu(city, editor, *picked, selection);
    }
    DrawSelectionWalls(city, *picked, selection);
}
