#ifndef INPUT_JOYSTICK_H
#define INPUT_JOYSTICK_H

#include <cstdint>

#include "input/dinput.h"

// Attached joysticks, found at start-up, known game pads recognised by name, read each frame.
struct inpJoystick {
    // Recognised kinds of pad.
    enum Kind : uint32_t { Unknown = 0, DirectPad = 1, PsxAdapter = 2, SideWinder = 3 };

    // Makes the device; a failed step ends the program.
    void Init();
    // Axes 0 to 65535, sliders, buttons 0 to 29 as bits (byte 0x80 down), hats in hundredths of
    // a degree (0xFFFF centred).
    void TakeState(const DIJOYSTATE2& state);

    uint32_t m_Axes;
    uint32_t m_ButtonCount;
    uint32_t m_Hats;
    int32_t m_X, m_Y, m_Z, m_RX, m_RY, m_RZ;
    int32_t m_Slider[2];
    uint32_t m_Buttons;
    uint32_t m_PrevButtons;
    uint16_t m_POV[2];
    uint32_t m_Kind;
    GUID m_Guid;
    IDirectInputDevice2A* m_Device;
};

const uint32_t inpMaxJoysticks = 4;
extern inpJoystick inpJoysticks[inpMaxJoysticks];
extern uint32_t inpJoystickCount;

// The kind a device's instance and product names stand for.
uint32_t inpJoystickKind(const char* instanceName, const char* productName);
// Reads the "joyDebug" level, finds the attached joysticks (the first four) and makes them.
void inpInitJoysticks();
// Per frame: polls every joystick.
void inpUpdateJoysticks();
// Per message pump: reads every joystick; one that cannot be read keeps its last state.
void inpReadJoysticks();
void inpShutdownJoysticks();

#endif
