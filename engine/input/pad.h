#ifndef INPUT_PAD_H
#define INPUT_PAD_H

#include <cstdint>

struct inpJoystick;

// Pad button bits: the four directions, Start, and the other buttons below them.
const uint32_t inpPadUp = 0x1000;
const uint32_t inpPadRight = 0x2000;
const uint32_t inpPadDown = 0x4000;
const uint32_t inpPadLeft = 0x8000;
const uint32_t inpPadStart = 0x0800;

// A console game pad made from the keyboard and the first joystick. Start pressed alone is
// delivered when it is released; Start held with other buttons makes them a chord instead.
struct inpPad {
    // keys: the current key-state array; joystick: the first joystick, or null.
    void Update(const uint8_t* keys, const inpJoystick* joystick);

    uint32_t m_Buttons;
    uint8_t m_Analog[4];  // left x, left y, right x, right y; 128 centred
    bool m_AnalogFlag;
    uint32_t m_PrevButtons;
    uint32_t m_Chord;
    uint32_t m_PrevChord;
    uint32_t m_StartState;  // 0 idle, 1 Start held alone, 2 chord
};

const int inpPadCount = 4;
extern inpPad inpPads[inpPadCount];

// Pads 0 and 1 read the first joystick's sticks when it has two axes or more.
void inpInitPads();
void inpUpdatePads();
// 0 within the dead zone, else the value rescaled so that ±1 stays ±1; dead zone 0 to below 1.
float inpApplyDeadZone(float value, float deadZone);

#endif
