#ifndef CITYEDIT_MAINLOOP_H
#define CITYEDIT_MAINLOOP_H

#include <cstdint>

class BlockEditor;
class GroupList;
class dcTrackballCam;
class lvlPSDL;

// The editor's interactive frame loop and its parts: the keys of a frame, the camera presets
// and the commands of the Main Menu's buttons.

// Frames until the window is closed or a drivable city has been made. A fault inside a frame
// saves every block (RunWithCrashSave) and ends the program.
void MainLoop(lvlPSDL* city, BlockEditor* editor, GroupList* groups);

// Called at the start of every frame when set. Only the editor's test and benchmark builds set
// it: to make a frame fault, or to time the frames and close the window after some.
typedef void (*MainLoopHook)();
extern MainLoopHook MainLoopFrameHook;

// The keys of one frame: this frame's and the last frame's key states (DirectInput key codes,
// down when bit 0x80 is set). A press is a key down now and up in the last frame, so that one
// physical press is one press however the bytes of a held key read.
struct KeyFrame {
    const uint8_t* m_Current;
    const uint8_t* m_Previous;

    bool Held(uint8_t key) const { return (m_Current[key] & 0x80) != 0; }
    bool Pressed(uint8_t key) const { return Held(key) && !(m_Previous[key] & 0x80); }
    bool Shift() const;
    bool Alt() const;
};

// What the function keys make of the mode state.
struct ModeKeys {
    int32_t m_Mode;
    int32_t m_LastMode;
    int32_t m_LOD;
    // Shift with F3 (3) or F4 (4): the Pick handler is to run once and edit the picked room's
    // block; 0 otherwise.
    int32_t m_PickAndEdit;
};

// The mode keys of a frame: F1 to mode 0 and back to the last mode, F2 Pick, Shift+F3/F4 pick
// and edit, F3/F4 the block modes of the current room, F5 to F9 modes 4 to 8, F12 the next
// LOD. Nothing changes while the block editor captures the mouse.
ModeKeys ApplyKeys(int32_t mode, int32_t lastMode, int32_t lod, bool hasCurrentRoom,
                   bool capture, const KeyFrame& keys);
// A mode other than 0 and the last mode becomes the last mode.
int32_t RememberMode(int32_t mode, int32_t lastMode);

enum CameraPreset { PresetNone, PresetTop, PresetFront, PresetLeft, PresetRight, PresetBack };

// T, F, L, R, B, the first pressed.
CameraPreset PresetForKeys(const KeyFrame& keys);

// The trackball camera looking at its axis origin: from above, from the side (left or right),
// from the front or the back; the trackball is updated once.
void CameraPresetTop(dcTrackballCam& camera);
void CameraPresetSide(dcTrackballCam& camera, bool right);
void CameraPresetFrontBack(dcTrackballCam& camera, bool back);
void ApplyCameraPreset(dcTrackballCam& camera, CameraPreset preset);

const uint32_t SaveBlockDataCommand = 1000;
const uint32_t LoadBlockDataCommand = 1001;
const uint32_t MakeCityCommand = 1002;

// The names last chosen in the commands' dialogs, each proposed again at its next use.
struct MainDialogBuffers {
    static const int Size = 256;
    char m_SaveBlock[Size] = {};
    char m_LoadBlock[Size] = {};
    char m_ProcessedCity[Size] = {};
};

// Runs every command event queued for this frame, in order; other events stay for the mode
// handlers. True when a drivable city has been made and the loop is to end.
bool RunMainCommands(lvlPSDL* city, BlockEditor* editor, const GroupList* groups,
                     MainDialogBuffers& buffers);
// One command: save block data, load block data, make the drivable city; other codes do
// nothing. True as for RunMainCommands.
bool RunMainCommand(uint32_t code, lvlPSDL* city, BlockEditor* editor, const GroupList* groups,
                    MainDialogBuffers& buffers);

#endif
