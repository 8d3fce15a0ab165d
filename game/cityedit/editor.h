#ifndef CITYEDIT_EDITOR_H
#define CITYEDIT_EDITOR_H

#include <cstdint>

#include "devcam/pick.h"
#include "devcam/polarcam.h"
#include "devcam/trackballcam.h"
#include "cityedit/citypath.h"

class bkBank;
class lvlPSDL;

// The editor's process-wide state, shared by its main program, its loop and its modes.

// 0 "TrackCam", 1 "Pick", 2 "Block Assign", 3 "Block Digitize", 4 "Edit Vertex", 5 "Edit Path",
// 6 "Edit Lot Group", 7 "Edit Portals", 8 "Edit Lighting".
extern int32_t MouseMode;
const int MouseModeCount = 9;
extern const char* const MouseModeNames[MouseModeCount];
// The last mode that was not 0.
extern int32_t LastMouseMode;
// The room whose block is being edited; -1 none.
extern int32_t CurrentRoom;
// Level of detail for drawing, 0 to 3.
extern int32_t LOD;
// The room under the mouse in the picking modes, and its id; -1 none.
extern int32_t PickedRoom;
extern int32_t SdlId;
extern int32_t RulerVert1;
extern int32_t RulerVert2;
extern float RulerDistance;

extern uint8_t Culling;
extern uint8_t TrackMode;
extern uint8_t PathsInTrackCam;
extern uint8_t PickAnyVert;
extern uint8_t Lighting;
extern uint8_t AiRails;
extern uint8_t TrackCamAutoLOD;
extern uint8_t PhysicsMode;
extern uint8_t WarpRoom;
extern uint8_t HideUnselected;

// One packed 0xAARRGGBB colour per room; one flag byte per room, bit 0 selected.
extern uint32_t* RoomColors;
extern uint8_t* RoomSelection;

// The name of the last loaded block file (heap); null when none was loaded.
extern char* CurrentBlockFile;

extern dcTrackballCam TrackCam;
extern dcPolarCam PolarCam;
extern dcPick Picker;
// The path editor of mode 5, on the city the main program gives it.
extern class CityPathEditor CityPathEditor;

// The room colours (entry 0 black, every room white) and the selection (nothing selected),
// sized for the city's rooms.
void AllocateRoomState(const lvlPSDL& city);
void FreeRoomState();

// The "Main Menu" widgets.
void AddMainMenuWidgets(bkBank* bank);
// Flips the selection bit of the picked room, if any.
void SelectPicked();

#endif
