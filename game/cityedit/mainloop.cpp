// The editor's interactive frame loop: commands, keys and camera, the city and its extras, the
// mouse mode's handler and the read-outs, under the fault frame of the crash save.
#include "cityedit/mainloop.h"

#include <cstdio>

#include "city/ai.h"
#include "city/psdl.h"
#include "cityedit/block.h"
#include "cityedit/blockdata.h"
#include "cityedit/blockeditor.h"
#include "cityedit/editor.h"
#include "cityedit/modes.h"
#include "cityedit/plattor.h"
#include "data/printer.h"
#include "devcam/pick.h"
#include "gfx/pipeline.h"
#include "gfx/print.h"
#include "gfx/rstate.h"
#include "gfx/texreg.h"
#include "input/event.h"
#include "input/input.h"
#include "input/winproc.h"
#include "model/static.h"
#include "phcore/isect.h"
#include "phcore/segment.h"
#include "rgl/rgl.h"
#include "rgl/tgl.h"
#include "simple/simple.h"

MainLoopHook MainLoopFrameHook = nullptr;

namespace {

const float CameraStep = 1.0f / 60.0f;
const float AnimationStep = 1.0f / 30.0f;
const uint32_t White = 0xFFFFFFFF;
const int TextX = 4;
const int GroundY = 4;
const int ModeY = 16;
const int HelpY = 24;
const int DrawTextured = 2;
const int DrawLotGroups = 3;
const int ModeLotGroup = 6;

const char* const PickHelp = "LB: Add pick box to selection\nMB: Toggle pick as selected\nRB: Menu";
const char* const PickRemoveHelp =
    "LB: Remove pick box from selection\nMB: Toggle pick as selected\nRB: Menu";

// What the loop keeps from one frame to the next.
struct LoopState {
    lvlPSDL* m_City;
    BlockEditor* m_Editor;
    GroupList* m_Groups;
    MainDialogBuffers m_Dialogs;
};

bool BlockMode() {
    return MouseMode == 2 || MouseMode == 3;
}

bool ShownWhenHiding(int room) {
    return !HideUnselected || (RoomSelection[room] & 1) || room == PickedRoom;
}

// Shift with F3 or F4: the room under the mouse becomes the one edited, with F3 in "Block
// Digitize".
void PickAndEdit(LoopState& state, int32_t key) {
    SelectionMenu(state.m_City, state.m_Editor, &PickedRoom, RoomSelection);
    if (PickedRoom == -1) {
        return;
    }
    Vector3 centroid;
    state.m_City->GetRoom(PickedRoom)->GetRoomCentroid(centroid);
    TrackCam.SetAxisOrigin(centroid);
    EditRoomBlock(state.m_City, state.m_Editor, PickedRoom);
    if (key == 3 && CurrentRoom != -1) {
        MouseMode = 3;
    }
}

void RunKeys(LoopState& state, const KeyFrame& keys) {
    ModeKeys result = ApplyKeys(MouseMode, LastMouseMode, LOD, CurrentRoom != -1,
                                state.m_Editor->m_Capture != 0, keys);
    MouseMode = result.m_Mode;
    LastMouseMode = result.m_LastMode;
    LOD = result.m_LOD;
    if (result.m_PickAndEdit) {
        PickAndEdit(state, result.m_PickAndEdit);
        LastMouseMode = RememberMode(MouseMode, LastMouseMode);
    }
}

void RunCamera(const KeyFrame& keys) {
    ApplyCameraPreset(TrackCam, PresetForKeys(keys));
    if (TrackCamAutoLOD) {
        if (inpMouseButtons & ~inpPrevMouseButtons) {
            LOD = 0;
        } else if (inpPrevMouseButtons && !inpMouseButtons) {
            LOD = 3;
        }
    }
    if (TrackMode) {
        TrackCam.Update();
    } else {
        PolarCam.Update(CameraStep);
    }
}

void DrawRooms(lvlPSDL* city) {
    for (uint32_t room = 1; room < city->m_RoomCount; ++room) {
        int r = int(room);
        // A description may count rooms that it never describes: their slots stay empty.
        const lvlSDL* sdl = city->GetRoom(r);
        if (!sdl || (BlockMode() && r == CurrentRoom) || !ShownWhenHiding(r)) {
            continue;
        }
        tglColor(RoomColors[room]);
        const CityBlock* block = r < MAX_ROOM_BLOCKS ? GetRoomBlock(r) : nullptr;
        if ((city->m_RoomTypes[room] & BlockRoom) && block && LOD != 0) {
            block->Draw(MouseMode == ModeLotGroup ? DrawLotGroups : DrawTextured, city, LOD);
        } else if (!PhysicsMode) {
            sdl->DrawRoom(LOD, White);
        }
    }
}

void DrawExtras() {
    for (int i = 0; i < ExtraCount; ++i) {
        const ExtraRecord& extra = Extras[i];
        if (!ShownWhenHiding(extra.m_Room)) {
            continue;
        }
        if (!extra.m_Model) {
            FatalQuit("Missing extra model: %s\n\nPlease fix the extras.csv file in shop\\city.",
                      extra.m_Name);
        }
        Matrix34 placement;
        placement.Identity();
        placement.d = extra.m_Position;
        rglLoadMatrix(placement);
        extra.m_Model->Draw(extra.m_Shaders ? extra.m_Shaders[0] : nullptr);
        rglLoadIdentity();
    }
}

void DrawCity(lvlPSDL* city) {
    Matrix34 camera;
    camera.FastInverse(TrackCam.m_Transform);
    gfxSetCamera(TrackMode ? camera : PolarCam.m_Transform);
    rglLoadIdentity();
    rglEnable(RGL_LIGHTING, Lighting);
    rglEnable(RGL_CULL_FACE, Culling);
    gfxUpdateAnimTextures(AnimationStep);
    rglColor(White);
    tglBegin();
    lvlSDL::sm_ViewPoint = camera.d;
    DrawRooms(city);
    tglEnd();
    rglLoadIdentity();
    DrawExtras();
    rglBindTexture(nullptr);
    if (AiRails) {
        lvlAiMap::Draw(city);
    }
}

// The current mode's frame; returns its help text, null for none.
const char* RunMode(LoopState& state, const KeyFrame& keys) {
    lvlPSDL* city = state.m_City;
    BlockEditor* editor = state.m_Editor;
    switch (MouseMode) {
    case 0:
        TrackCam.DrawAxis();
        if (PathsInTrackCam) {
            CityPathEditor.Draw();
        }
        return TrackCam.GetHelp();
    case 1:
        SelectionMenu(city, editor, &PickedRoom, RoomSelection);
        return keys.Alt() ? PickRemoveHelp : PickHelp;
    case 2:
    case 3:
        editor->m_Digitize = MouseMode == 3;
        editor->UpdateBlockEditor(&Picker, city);
        editor->DrawBlockLots(&Picker, city);
        return editor->m_HelpText;
    case 5:
        return CityPathEditor.EditMouse();
    case 6:
        return LotGroupMode(city, &Picker);
    case 7:
        return SolidFlagMode(city, &Picker);
    case 8:
        return LightingMenu(city);
    default:
        return nullptr;
    }
}

// The point of the city under the mouse: the first room in room order that the ray hits.
void PrintGroundPoint(lvlPSDL* city) {
    dcRay ray;
    ray.FromScreen(float(inpMouseX), float(inpMouseY));
    if (!ray.m_Valid) {
        return;
    }
    phSegment segment;
    segment.Set(ray.m_Start, ray.m_End, phSegment::PROBE, 0);
    for (uint32_t room = 1; room < city->m_RoomCount; ++room) {
        const lvlSDL* sdl = city->GetRoom(int(room));
        if (!sdl) {
            continue;
        }
        lvlPSDL::SetupSparePool();
        phIsect isect;
        if (sdl->CollideSegment(nullptr, segment, &isect, 2.0f, -1.0f)) {
            char text[64];
            snprintf(text, sizeof(text), "%7.1f,%5.1f,%7.1f", isect.Position.x,
                     isect.Position.y, isect.Position.z);
            gfxPrint(TextX, GroundY, text);
            return;
        }
    }
}

bool RunFrame(LoopState& state) {
    if (MainLoopFrameHook) {
        MainLoopFrameHook();
    }
    keshBeginFrame(true);
    inpReadKeyboardBuffer(nullptr, 0);
    KeyFrame keys = {inpCurrentKeyState(), inpPreviousKeyState()};

    if (RunMainCommands(state.m_City, state.m_Editor, state.m_Groups, state.m_Dialogs)) {
        gfxEndScene();
        return false;
    }
    RunKeys(state, keys);
    if (MouseMode == 0) {
        RunCamera(keys);
    }
    DrawCity(state.m_City);
    const char* help = RunMode(state, keys);
    PrintGroundPoint(state.m_City);

    inpFlushEvents();
    Picker.Draw();
    if (MouseMode >= 0 && MouseMode < MouseModeCount) {
        gfxPrint(TextX, ModeY, MouseModeNames[MouseMode]);
    }
    if (help) {
        gfxPrint(TextX, HelpY, help);
    }
    keshEndFrame();
    return !keshWantsQuit();
}

}  // namespace

void MainLoop(lvlPSDL* city, BlockEditor* editor, GroupList* groups) {
    LoopState state{city, editor, groups, {}};
    RunWithCrashSave(city, [](void* user) {
        LoopState& loop = *static_cast<LoopState*>(user);
        while (RunFrame(loop)) {
        }
    }, &state);
}
