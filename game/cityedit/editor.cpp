// The editor's process-wide state.
#include "cityedit/editor.h"

#include <cstring>

#include "city/psdl.h"

int32_t MouseMode = 0;
int32_t LastMouseMode = 1;
int32_t CurrentRoom = -1;
int32_t LOD = 3;
int32_t PickedRoom = -1;
int32_t SdlId = -1;
int32_t RulerVert1 = -1;
int32_t RulerVert2 = -1;
float RulerDistance = 0.0f;

uint8_t Culling = 1;
uint8_t TrackMode = 1;
uint8_t PathsInTrackCam = 1;
uint8_t PickAnyVert = 1;
uint8_t Lighting = 0;
uint8_t AiRails = 0;
uint8_t TrackCamAutoLOD = 0;
uint8_t PhysicsMode = 0;
uint8_t WarpRoom = 0;
uint8_t HideUnselected = 0;

uint32_t* RoomColors = nullptr;
uint8_t* RoomSelection = nullptr;
char* CurrentBlockFile = nullptr;

dcTrackballCam TrackCam;
dcPolarCam PolarCam;
dcPick Picker;
class CityPathEditor CityPathEditor;

namespace {

const uint32_t White = 0xFFFFFFFF;

struct PolarCamStart {
    PolarCamStart() { PolarCam.Init(10.0f, 0.0f, 0.1f); }
};
PolarCamStart sPolarCamStart;

}  // namespace

void AllocateRoomState(const lvlPSDL& city) {
    FreeRoomState();
    uint32_t count = city.m_RoomCount;
    // Entry 0 is no room, but the light maps write every entry: it starts black, not as
    // whatever the allocation held.
    RoomColors = new uint32_t[count]();
    for (uint32_t room = 1; room < count; ++room) {
        RoomColors[room] = White;
    }
    RoomSelection = new uint8_t[count]();
}

void FreeRoomState() {
    delete[] RoomColors;
    RoomColors = nullptr;
    delete[] RoomSelection;
    RoomSelection = nullptr;
}
