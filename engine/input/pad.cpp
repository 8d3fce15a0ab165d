// The four pads: keyboard map, first joystick's sticks, hat, sliders and buttons, Start rule.
#include "input/pad.h"

#define DIRECTINPUT_VERSION 0x0700
#include <dinput.h>

#include "data/assert.h"
#include "input/input.h"
#include "input/joystick.h"

inpPad inpPads[inpPadCount];

namespace {

struct KeyBit {
    uint8_t m_Key;
    uint32_t m_Bit;
};

const KeyBit KeyMap[] = {
    {DIK_I, 0x10},   {DIK_K, 0x40},    {DIK_J, 0x80},       {DIK_L, 0x20},
    {DIK_9, 0x08},   {DIK_O, 0x02},    {DIK_W, inpPadUp},   {DIK_A, inpPadLeft},
    {DIK_S, inpPadDown}, {DIK_D, inpPadRight}, {DIK_2, 0x04}, {DIK_Q, 0x01},
    {DIK_T, 0x100},  {DIK_Y, inpPadStart}, {DIK_LEFT, inpPadLeft}, {DIK_DOWN, inpPadDown},
    {DIK_RIGHT, inpPadRight}, {DIK_UP, inpPadUp},
};

// Joystick buttons 0 to 11 as pad bits.
const uint32_t PsxButtons[12] = {0x10, 0x20, 0x40, 0x80, 0x01, 0x02,
                                 0x04, 0x08, 0x100, 0x800, 0x400, 0x200};
const uint32_t OtherButtons[12] = {0x10, 0x80, 0x40, 0x20, 0x08, 0x02,
                                   0x04, 0x01, 0x800, 0x100, 0x400, 0x200};
// Buttons 12 to 15 of the PSX adapter are its directions.
const uint32_t PsxDirections[4] = {inpPadUp, inpPadRight, inpPadDown, inpPadLeft};

uint8_t High(int32_t axis) {
    return (uint8_t)(axis >> 8);
}

void ReadSticks(inpPad& pad, const inpJoystick& joystick) {
    pad.m_Analog[0] = High(joystick.m_X);
    pad.m_Analog[1] = High(joystick.m_Y);
    if (joystick.m_Axes >= 4) {
        bool psx = joystick.m_Kind == inpJoystick::PsxAdapter;
        pad.m_Analog[2] = High(psx ? joystick.m_Z : joystick.m_RZ);
        pad.m_Analog[3] = High(psx ? joystick.m_RZ : joystick.m_Z);
    } else if (joystick.m_Hats) {
        pad.m_Analog[2] = 128;
        pad.m_Analog[3] = 128;
        switch (joystick.m_POV[0]) {
        case 0:
            pad.m_Analog[3] = 0;
            break;
        case 9000:
            pad.m_Analog[2] = 255;
            break;
        case 18000:
            pad.m_Analog[3] = 255;
            break;
        case 27000:
            pad.m_Analog[2] = 0;
            break;
        }
    }
}

uint32_t JoystickButtons(const inpJoystick& joystick) {
    uint32_t buttons = 0;
    bool psx = joystick.m_Kind == inpJoystick::PsxAdapter;
    if (joystick.m_Axes == 6) {
        if (joystick.m_Slider[1] < 20000) {
            buttons |= inpPadLeft;
        } else if (joystick.m_Slider[1] > 40000) {
            buttons |= inpPadRight;
        }
        if (joystick.m_Slider[0] < 20000) {
            buttons |= inpPadUp;
        } else if (joystick.m_Slider[0] > 40000) {
            buttons |= inpPadDown;
        }
    } else if (psx) {
        for (int i = 0; i < 4; ++i) {
            if (joystick.m_Buttons & (1u << (12 + i))) {
                buttons |= PsxDirections[i];
                break;
            }
        }
    }
    const uint32_t* map = psx ? PsxButtons : OtherButtons;
    for (int i = 0; i < 12; ++i) {
        if (joystick.m_Buttons & (1u << i)) {
            buttons |= map[i];
        }
    }
    return buttons;
}

}  // namespace

void inpPad::Update(const uint8_t* keys, const inpJoystick* joystick) {
    m_PrevButtons = m_Buttons;
    m_Buttons = 0;
    for (const KeyBit& key : KeyMap) {
        if (keys[key.m_Key] & 0x80) {
            m_Buttons |= key.m_Bit;
        }
    }
    if (joystick) {
        if (m_AnalogFlag) {
            ReadSticks(*this, *joystick);
        }
        m_Buttons |= JoystickButtons(*joystick);
    }

    m_PrevChord = m_Chord;
    m_Chord = 0;
    switch (m_StartState) {
    case 0:
        if (m_PrevButtons == 0 && m_Buttons == inpPadStart) {
            m_StartState = 1;
            m_Buttons = 0;
        }
        break;
    case 1:
        if (m_Buttons & ~inpPadStart) {
            m_Chord = m_Buttons;
            m_Buttons = 0;
            m_StartState = 2;
        } else if (m_Buttons == 0) {
            m_Buttons = inpPadStart;
            m_StartState = 0;
        } else {
            m_Buttons = 0;
        }
        m_PrevButtons = 0;
        break;
    default:
        m_Chord = m_Buttons;
        if (m_Buttons == 0) {
            m_StartState = 0;
        } else {
            m_Buttons = 0;
        }
        m_PrevButtons = 0;
        break;
    }
}

void inpInitPads() {
    bool analog = inpJoystickCount > 0 && inpJoysticks[0].m_Axes >= 2;
    for (int i = 0; i < 2; ++i) {
        inpPads[i].m_AnalogFlag = analog;
        for (uint8_t& axis : inpPads[i].m_Analog) {
            axis = 128;
        }
    }
}

void inpUpdatePads() {
    const inpJoystick* joystick = inpJoystickCount > 0 ? &inpJoysticks[0] : nullptr;
    for (inpPad& pad : inpPads) {
        pad.Update(inpCurrentKeyState(), joystick);
    }
}

// The zone must leave room to rescale: below 1, or the division below has nothing to divide by.
float inpApplyDeadZone(float value, float deadZone) {
    Assert(deadZone >= 0.0f && deadZone < 1.0f);
    if (value > deadZone) {
        return (value - deadZone) / (1.0f - deadZone);
    }
    if (value < -deadZone) {
        return (value + deadZone) / (1.0f - deadZone);
    }
    return 0;
}
