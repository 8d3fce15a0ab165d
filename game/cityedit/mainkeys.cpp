// The keys of the editor's frame: function keys to modes and detail, letters to camera presets.
#include "cityedit/mainloop.h"

#include <windows.h>
#include <dinput.h>

namespace {

const int32_t LODCount = 4;

struct ModeKey {
    uint8_t m_Key;
    int32_t m_Mode;
};
const ModeKey DirectModeKeys[] = {
    {DIK_F5, 4}, {DIK_F6, 5}, {DIK_F7, 6}, {DIK_F8, 7}, {DIK_F9, 8},
};

struct PresetKey {
    uint8_t m_Key;
    CameraPreset m_Preset;
};
const PresetKey PresetKeys[] = {
    {DIK_T, PresetTop}, {DIK_F, PresetFront}, {DIK_L, PresetLeft},
    {DIK_R, PresetRight}, {DIK_B, PresetBack},
};

// The first rule that matches sets the mode.
int32_t ModeForKeys(int32_t mode, int32_t lastMode, bool hasCurrentRoom, const KeyFrame& keys,
                    int32_t& pickAndEdit) {
    if (keys.Pressed(DIK_F1)) {
        return mode != 0 ? 0 : lastMode;
    }
    if (keys.Pressed(DIK_F2)) {
        return 1;
    }
    bool f3 = keys.Pressed(DIK_F3);
    bool f4 = keys.Pressed(DIK_F4);
    if (keys.Shift() && (f3 || f4)) {
        pickAndEdit = f3 ? 3 : 4;
        return mode;
    }
    if (f3 && hasCurrentRoom) {
        return 3;
    }
    if (f4 && hasCurrentRoom) {
        return 2;
    }
    for (const ModeKey& key : DirectModeKeys) {
        if (keys.Pressed(key.m_Key)) {
            return key.m_Mode;
        }
    }
    return mode;
}

}  // namespace

bool KeyFrame::Shift() const {
    return Held(DIK_LSHIFT) || Held(DIK_RSHIFT);
}

bool KeyFrame::Alt() const {
    return Held(DIK_LMENU) || Held(DIK_RMENU);
}

int32_t RememberMode(int32_t mode, int32_t lastMode) {
    return mode != 0 ? mode : lastMode;
}

ModeKeys ApplyKeys(int32_t mode, int32_t lastMode, int32_t lod, bool hasCurrentRoom,
                   bool capture, const KeyFrame& keys) {
    ModeKeys result = {mode, lastMode, lod, 0};
    if (capture) {
        return result;
    }
    result.m_Mode = ModeForKeys(mode, lastMode, hasCurrentRoom, keys, result.m_PickAndEdit);
    if (keys.Pressed(DIK_F12)) {
        result.m_LOD = (lod + 1) % LODCount;
    }
    result.m_LastMode = RememberMode(result.m_Mode, lastMode);
    return result;
}

CameraPreset PresetForKeys(const KeyFrame& keys) {
    for (const PresetKey& key : PresetKeys) {
        if (keys.Pressed(key.m_Key)) {
            return key.m_Preset;
        }
    }
    return PresetNone;
}
