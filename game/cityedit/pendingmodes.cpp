// Placeholders of the mouse modes' frame handlers until the modes land.
#include "cityedit/modes.h"

void SelectionMenu(lvlPSDL*, BlockEditor*, int32_t* picked, uint8_t*) {
    *picked = -1;
}

const char* LotGroupMode(lvlPSDL*, dcPick*) {
    return nullptr;
}

const char* SolidFlagMode(lvlPSDL*, dcPick*) {
    return nullptr;
}

const char* LightingMenu(lvlPSDL*) {
    return nullptr;
}
