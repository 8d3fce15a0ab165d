#ifndef CITYEDIT_MODES_H
#define CITYEDIT_MODES_H

#include <cstdint>

class BlockEditor;
class dcPick;
class lvlPSDL;

// The frame handlers of the main loop's mouse modes. Each runs once per frame while its mode is
// current, draws its overlay and reacts to the mouse; those that return text return the mode's
// help line (null for none).

// Mode 1 "Pick": picking, box selection and the selection menu. Also run once by Shift with F3
// or F4, to pick the room whose block is to be edited.
void SelectionMenu(lvlPSDL* city, BlockEditor* editor, int32_t* picked, uint8_t* selection);

// Mode 6 "Edit Lot Group" and mode 7 "Edit Portals".
const char* LotGroupMode(lvlPSDL* city, dcPick* pick);
const char* SolidFlagMode(lvlPSDL* city, dcPick* pick);

// Mode 8 "Edit Lighting".
const char* LightingMenu(lvlPSDL* city);

#endif
