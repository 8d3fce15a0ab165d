#ifndef CITYEDIT_ROOMPICK_H
#define CITYEDIT_ROOMPICK_H

#include <cstdint>

class lvlPSDL;
class lvlSDL;

// The room under the mouse in the picking modes: of rooms 1 to count - 1 with at most
// MAX_EDIT_PERIMETER perimeter vertices, the last whose projected outline holds the mouse
// becomes the picked room, with its id in SdlId and bit 6 of its type byte in WarpRoom. Over
// no room they keep their values.
void PickRoomUnderMouse(lvlPSDL* city, int32_t* picked);

// The room's outline as one triangle fan in the drawer's current colour and states.
void DrawRoomFan(const lvlSDL& room);

#endif
