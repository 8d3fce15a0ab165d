#include "input/pad.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#define DIRECTINPUT_VERSION 0x0700
#include <dinput.h>

#include "input/joystick.h"
#include "tests/support/child.h"

namespace {

struct Keys {
    Keys(const std::vector<uint8_t>& held) {
        memset(m_State, 0, sizeof(m_State));
        for (uint8_t key : held) {
            m_State[key] = 0x80;
        }
    }
    uint8_t m_State[256];
};

inpJoystick Stick(uint32_t kind, uint32_t axes, uint32_t hats) {
    inpJoystick joystick = {};
    joystick.m_Kind = kind;
    joystick.m_Axes = axes;
    joystick.m_Hats = hats;
    joystick.m_X = joystick.m_Y = joystick.m_Z = joystick.m_RZ = 32768;
    joystick.m_Slider[0] = joystick.m_Slider[1] = 32768;
    joystick.m_POV[0] = 0xFFFF;
    return joystick;
}

TEST(Pad, TheKeyboardAloneDrivesIt) {
    struct Case {
        std::vector<uint8_t> m_Keys;
        uint32_t m_Buttons;
    };
    const Case cases[] = {
        {{DIK_W}, 0x1000},          {{DIK_UP}, 0x1000},         {{DIK_A, DIK_D}, 0xA000},
        {{DIK_I, DIK_K, DIK_J, DIK_L}, 0xF0}, {{DIK_9, DIK_O, DIK_2, DIK_Q}, 0x0F},
        {{DIK_T}, 0x100},           {{DIK_S, DIK_DOWN}, 0x4000}, {{DIK_Z}, 0},
    };
    for (const Case& c : cases) {
        inpPad pad = {};
        Keys keys(c.m_Keys);
        pad.Update(keys.m_State, nullptr);
        EXPECT_EQ(pad.m_Buttons, c.m_Buttons);
    }
}

TEST(Pad, StartAloneComesOnReleaseAndStartWithOthersMakesAChord) {
    struct Frame {
        std::vector<uint8_t> m_Keys;
        uint32_t m_Buttons;
        uint32_t m_Chord;
        uint32_t m_State;
    };
    const std::vector<std::vector<Frame>> sequences = {
        // Y (Start) pressed, held, released.
        {{{DIK_Y}, 0, 0, 1}, {{DIK_Y}, 0, 0, 1}, {{}, 0x800, 0, 0}, {{}, 0, 0, 0}},
        // Y held, then I with it, then both released.
        {{{DIK_Y}, 0, 0, 1},
         {{DIK_Y, DIK_I}, 0, 0x810, 2},
         {{DIK_Y, DIK_I}, 0, 0x810, 2},
         {{DIK_I}, 0, 0x10, 2},
         {{}, 0, 0, 0},
         {{DIK_I}, 0x10, 0, 0}},
        // Start pressed while another button is held is an ordinary button.
        {{{DIK_I}, 0x10, 0, 0}, {{DIK_I, DIK_Y}, 0x810, 0, 0}},
    };
    for (size_t s = 0; s < sequences.size(); ++s) {
        inpPad pad = {};
        for (size_t f = 0; f < sequences[s].size(); ++f) {
            const Frame& frame = sequences[s][f];
            Keys keys(frame.m_Keys);
            uint32_t chord = pad.m_Chord;
            pad.Update(keys.m_State, nullptr);
            EXPECT_EQ(pad.m_Buttons, frame.m_Buttons) << s << "/" << f;
            EXPECT_EQ(pad.m_Chord, frame.m_Chord) << s << "/" << f;
            EXPECT_EQ(pad.m_StartState, frame.m_State) << s << "/" << f;
            EXPECT_EQ(pad.m_PrevChord, chord) << s << "/" << f;
        }
    }
}

TEST(Pad, SticksHatsAndSlidersOfTheFirstJoystick) {
    inpPad pad = {};
    pad.m_AnalogFlag = true;
    Keys none({});

    // Two axes and no hat: the right stick stays where it was put by the start-up.
    inpJoystick plain = Stick(inpJoystick::Unknown, 2, 0);
    plain.m_X = 0xFF00;
    plain.m_Y = 0x0100;
    pad.m_Analog[2] = pad.m_Analog[3] = 128;
    pad.Update(none.m_State, &plain);
    EXPECT_EQ(pad.m_Analog[0], 0xFF);
    EXPECT_EQ(pad.m_Analog[1], 0x01);
    EXPECT_EQ(pad.m_Analog[2], 128);
    EXPECT_EQ(pad.m_Analog[3], 128);

    // Four axes: the right stick from z and rz, crossed for the PSX adapter.
    inpJoystick psx = Stick(inpJoystick::PsxAdapter, 4, 0);
    psx.m_Z = 0x1000;
    psx.m_RZ = 0x2000;
    pad.Update(none.m_State, &psx);
    EXPECT_EQ(pad.m_Analog[2], 0x10);
    EXPECT_EQ(pad.m_Analog[3], 0x20);
    psx.m_Kind = inpJoystick::DirectPad;
    pad.Update(none.m_State, &psx);
    EXPECT_EQ(pad.m_Analog[2], 0x20);
    EXPECT_EQ(pad.m_Analog[3], 0x10);

    // A hat moves the right stick to its edges.
    struct Hat {
        uint16_t m_Position;
        uint8_t m_X, m_Y;
    };
    const Hat hats[] = {{0, 128, 0}, {9000, 255, 128}, {18000, 128, 255}, {27000, 0, 128},
                        {4500, 128, 128}, {0xFFFF, 128, 128}};
    inpJoystick hatted = Stick(inpJoystick::Unknown, 2, 1);
    for (const Hat& hat : hats) {
        hatted.m_POV[0] = hat.m_Position;
        pad.Update(none.m_State, &hatted);
        EXPECT_EQ(pad.m_Analog[2], hat.m_X) << hat.m_Position;
        EXPECT_EQ(pad.m_Analog[3], hat.m_Y) << hat.m_Position;
    }
}

TEST(Pad, JoystickButtonsBySlidersKindAndTable) {
    struct Case {
        uint32_t m_Kind;
        uint32_t m_Axes;
        int32_t m_Slider0, m_Slider1;
        uint32_t m_JoyButtons;
        uint32_t m_Buttons;
    };
    const Case cases[] = {
        // Six axes: the sliders are a direction pad with a dead band from 20000 to 40000.
        {inpJoystick::Unknown, 6, 19999, 40001, 0, 0x1000 | 0x2000},
        {inpJoystick::Unknown, 6, 40001, 19999, 0, 0x4000 | 0x8000},
        {inpJoystick::Unknown, 6, 20000, 40000, 0, 0},
        // The PSX adapter's buttons 12 to 15 are directions; the first one down counts.
        {inpJoystick::PsxAdapter, 2, 0, 0, (1u << 13) | (1u << 15), 0x2000},
        {inpJoystick::PsxAdapter, 6, 30000, 30000, 1u << 12, 0},
        {inpJoystick::Unknown, 2, 0, 0, 1u << 12, 0},
        // Buttons 0 to 11 by kind.
        {inpJoystick::PsxAdapter, 2, 0, 0, 0x0FFF, 0x0FFF},
        {inpJoystick::PsxAdapter, 2, 0, 0, (1u << 1) | (1u << 9), 0x20 | 0x800},
        {inpJoystick::SideWinder, 2, 0, 0, (1u << 1) | (1u << 9), 0x80 | 0x100},
    };
    Keys none({});
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
        const Case& c = cases[i];
        inpJoystick joystick = Stick(c.m_Kind, c.m_Axes, 0);
        joystick.m_Slider[0] = c.m_Slider0;
        joystick.m_Slider[1] = c.m_Slider1;
        joystick.m_Buttons = c.m_JoyButtons;
        inpPad pad = {};
        // Held in the frame before, so that Start is no lone press.
        pad.m_Buttons = 1;
        pad.Update(none.m_State, &joystick);
        EXPECT_EQ(pad.m_Buttons, c.m_Buttons) << i;
    }
}

TEST(Joystick, StateBecomesAxesButtonsAndHats) {
    DIJOYSTATE2 state = {};
    state.lX = 1;
    state.lRz = 6;
    state.rglSlider[1] = 8;
    state.rgdwPOV[0] = 0xFFFFFFFF;
    state.rgdwPOV[1] = 9000;
    state.rgbButtons[0] = 0x80;
    state.rgbButtons[29] = 0x80;
    state.rgbButtons[30] = 0x80;
    state.rgbButtons[5] = 0x7F;
    inpJoystick joystick = {};
    joystick.m_Buttons = 0x4;
    joystick.TakeState(state);
    EXPECT_EQ(joystick.m_X, 1);
    EXPECT_EQ(joystick.m_RZ, 6);
    EXPECT_EQ(joystick.m_Slider[1], 8);
    EXPECT_EQ(joystick.m_POV[0], 0xFFFF);
    EXPECT_EQ(joystick.m_POV[1], 9000);
    EXPECT_EQ(joystick.m_Buttons, 1u | (1u << 29));
    EXPECT_EQ(joystick.m_PrevButtons, 0x4u);
}

TEST(Joystick, KindsByName) {
    struct Case {
        const char* m_Instance;
        const char* m_Product;
        uint32_t m_Kind;
    };
    const Case cases[] = {
        {"", "USB PSX JOYDAPTER", 2},
        {"USB PSX JOYDAPTER", "x", 2},
        {"", "DirectPad Pro Controller", 1},
        {"", "Microsoft SideWinder Game Pad Pro USB version 1.0", 3},
        {"SideWinder Game Pad Pro 2", "", 3},
        {"", "HID-compliant game controller", 2},
        {"", "Microsoft SideWinder Game Pad", 0},
        {"", "usb psx joydapter", 0},
        {"", "", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(inpJoystickKind(c.m_Instance, c.m_Product), c.m_Kind) << c.m_Product;
    }
}

TEST(DeadZone, RescalesOutsideTheZone) {
    EXPECT_FLOAT_EQ(inpApplyDeadZone(0.1f, 0.2f), 0.0f);
    EXPECT_FLOAT_EQ(inpApplyDeadZone(-0.2f, 0.2f), 0.0f);
    EXPECT_FLOAT_EQ(inpApplyDeadZone(0.6f, 0.2f), 0.5f);
    EXPECT_FLOAT_EQ(inpApplyDeadZone(-1.0f, 0.2f), -1.0f);
    EXPECT_FLOAT_EQ(inpApplyDeadZone(0.3f, 0.0f), 0.3f);
}

TEST_CHILD(DeadZone) {
    inpApplyDeadZone(0.5f, ChildCase() == 1 ? 1.0f : -0.1f);
    return 0;
}

// A zone of 1 or more leaves nothing to rescale by; a negative one is no zone.
TEST(DeadZone, OutsideZeroToOneIsFatal) {
    const char* report = "Assert(deadZone >= 0.0f && deadZone < 1.0f) failed in [input/pad";
    ExpectFatalChildren({{"DeadZone", report, "case=1"}, {"DeadZone", report, "case=2"}});
}

}  // namespace
