// The editor's "Main Menu" bank.
#include "cityedit/editor.h"

#include "bank/bank.h"
#include "cityedit/mainloop.h"
#include "input/event.h"

namespace {

void PostCommand(uintptr_t code) {
    inpPostCommand(uint32_t(code));
}

}  // namespace

const char* const MouseModeNames[MouseModeCount] = {
    "TrackCam",  "Pick",          "Block Assign",   "Block Digitize", "Edit Vertex",
    "Edit Path", "Edit Lot Group", "Edit Portals", "Edit Lighting",
};

void SelectPicked() {
    if (PickedRoom != -1 && RoomSelection) {
        RoomSelection[PickedRoom] ^= 1;
    }
}

void AddMainMenuWidgets(bkBank* bank) {
    bank->AddCombo("Mouse Mode", &MouseMode, MouseModeCount, const_cast<const char**>(MouseModeNames), 0);
    bank->AddToggle("Culling", &Culling);
    bank->AddToggle("Lighting", &Lighting);
    bank->AddToggle("TrackMode", &TrackMode);
    bank->AddToggle("Paths in TrackCam", &PathsInTrackCam);
    bank->AddToggle("Ai Rails", &AiRails);
    bank->AddSlider("LOD", &LOD, 0, 3, 1.0f);
    bank->AddToggle("TrackCam Auto-LOD", &TrackCamAutoLOD);
    bank->AddSlider("Ruler Vert1", &RulerVert1, -1, 1000, 0.0f);
    bank->AddSlider("Ruler Vert2", &RulerVert2, -1, 1000, 0.0f);
    bank->AddSlider("Ruler Distance", &RulerDistance, 0.0f, 10000.0f, 0.0f);
    bank->AddSlider("Picked Room", &PickedRoom, -1, 10000, 1.0f);
    bank->AddButton("Select Picked", datCallback(SelectPicked));
    bank->AddSlider("SDL ID", &SdlId, -1, 10000, 1.0f);
    bank->AddToggle("Warp Room", &WarpRoom);
    bank->AddToggle("Physics Mode", &PhysicsMode);
    bank->AddButton("Save Block Data", datCallback(PostCommand, SaveBlockDataCommand));
    bank->AddButton("Load Block Data", datCallback(PostCommand, LoadBlockDataCommand));
    bank->AddButton("Make Drivable City", datCallback(PostCommand, MakeCityCommand));
}
