// Mode 8 "Edit Lighting": the right-button menu of the room colours.
#include "cityedit/modes.h"

#include "bank/filedialog.h"
#include "bank/popupmenu.h"
#include "cityedit/editor.h"
#include "cityedit/lightmap.h"
#include "input/input.h"
#include "input/winproc.h"

namespace {

const uint32_t RightButton = 2;
const int DialogSize = 256;

enum { ImportItem = 10, LoadItem = 15, SaveItem = 20, ResetItem = 25 };

// Each keeps the last name chosen; the definition and the light-map load share one.
char OpenName[DialogSize];
char SaveName[DialogSize];

int TrackMenu() {
    bkPopupMenu menu;
    menu.Create();
    menu.AddItem("Import Light Map Definition", ImportItem, false, true);
    menu.AddItem("Load Light Map", LoadItem, false, true);
    menu.AddItem("Save Light Map", SaveItem, false, true);
    menu.AddSeparator();
    menu.AddItem("Reset Lighting", ResetItem, false, true);
    int choice = menu.Track(-1, -1);
    // The menu took the button's release, which the window messages never report.
    inpWindowButtons = 0;
    return choice;
}

}  // namespace

const char* LightingMenu(lvlPSDL* city) {
    if (!inpMousePressed(RightButton)) {
        return "RB: Menu";
    }
    switch (TrackMenu()) {
    case ImportItem:
        if (bkFileDialog(OpenName, DialogSize, "*.ldef", false, "Lightmap Definition")) {
            ImportLightMapDefinition(OpenName, *city, RoomColors);
        }
        break;
    case LoadItem:
        if (bkFileDialog(OpenName, DialogSize, "*.lmap", false, "Game-loadable Lightmap")) {
            LoadLightMap(OpenName, *city, RoomColors);
        }
        break;
    case SaveItem:
        if (bkFileDialog(SaveName, DialogSize, "*.lmap", true, "Game-loadable Lightmap")) {
            SaveLightMap(SaveName, *city, RoomColors);
        }
        break;
    case ResetItem:
        ResetLighting(*city, RoomColors);
        break;
    default:
        break;
    }
    return "RB: Menu";
}
