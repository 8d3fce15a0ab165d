#include "input/input.h"

#include <gtest/gtest.h>

#include <cstring>

#define DIRECTINPUT_VERSION 0x0700
#include <dinput.h>

#include "input/winproc.h"

namespace {

TEST(Mouse, MotionWheelClicksAndButtons) {
    inpWindowButtonsFlag = false;
    struct Case {
        int32_t m_Wheel;
        uint8_t m_Buttons[3];
        int32_t m_Clicks;
        uint32_t m_Held;
    };
    const Case cases[] = {
        {240, {0x80, 0, 0}, 2, 1},   {-119, {0, 1, 0}, 0, 2},  {-120, {0, 0, 0x80}, -1, 4},
        {119, {1, 1, 1}, 0, 7},      {-360, {0, 0, 0}, -3, 0},
    };
    uint32_t previous = inpMouseButtons;
    for (const Case& c : cases) {
        DIMOUSESTATE state = {};
        state.lX = 3;
        state.lY = -4;
        state.lZ = c.m_Wheel;
        memcpy(state.rgbButtons, c.m_Buttons, 3);
        inpTakeMouseState(state);
        EXPECT_EQ(inpMouseDX, 3);
        EXPECT_EQ(inpMouseDY, -4);
        EXPECT_EQ(inpMouseWheel, c.m_Clicks) << c.m_Wheel;
        EXPECT_EQ(inpMouseButtons, c.m_Held) << c.m_Wheel;
        EXPECT_EQ(inpPrevMouseButtons, previous);
        previous = c.m_Held;
    }
}

TEST(Mouse, WindowButtonsReplaceTheDeviceButtons) {
    inpWindowButtonsFlag = true;
    inpWindowButtons = 4;
    DIMOUSESTATE state = {};
    state.rgbButtons[0] = 0x80;
    inpTakeMouseState(state);
    EXPECT_EQ(inpMouseButtons, 4u);
    EXPECT_TRUE(inpMousePressed(4) || inpPrevMouseButtons == 4);
    inpWindowButtons = 0;
    inpTakeMouseState(state);
    EXPECT_TRUE(inpMouseReleased(4));
    EXPECT_FALSE(inpMouseHeld(4));
    inpWindowButtonsFlag = false;
}

TEST(Keyboard, HeldKeysArePressedOnlyInTheirFirstPoll) {
    uint8_t state[256] = {};
    inpTakeKeyboardState(state);
    state[DIK_A] = 0x80;
    state[DIK_B] = 0x01;  // only bit 0x80 means down
    inpTakeKeyboardState(state);
    EXPECT_TRUE(inpKeyHeld(DIK_A));
    EXPECT_TRUE(inpKeyPressed(DIK_A));
    EXPECT_FALSE(inpKeyHeld(DIK_B));
    inpTakeKeyboardState(state);
    EXPECT_TRUE(inpKeyHeld(DIK_A));
    EXPECT_FALSE(inpKeyPressed(DIK_A));
    state[DIK_A] = 0;
    inpTakeKeyboardState(state);
    EXPECT_FALSE(inpKeyHeld(DIK_A));
    EXPECT_EQ(inpPreviousKeyState()[DIK_A], 0x80);
}

// A poll that fails between two frames leaves the keys as they were: a key held across it, or
// one whose buffered press was marked before it, is pressed once; a key that goes down while
// the device is lost is pressed at the next poll that reads it.
TEST(Keyboard, AFailedPollMakesNoSecondPress) {
    uint8_t up[256] = {};
    uint8_t down[256] = {};
    down[DIK_F] = 0x80;
    struct Case {
        const char* m_Name;
        const uint8_t* m_Polls[3];  // null: the poll fails
        bool m_MarkBuffered;        // a buffered press marks F after the first poll
        bool m_Pressed[3];
    };
    const Case cases[] = {
        {"held across", {down, nullptr, down}, false, {true, false, false}},
        {"pressed across", {up, nullptr, down}, false, {false, false, true}},
        {"buffered, then lost", {up, nullptr, up}, true, {true, false, false}},
        {"lost twice", {down, nullptr, nullptr}, false, {true, false, false}},
    };
    for (const Case& c : cases) {
        inpTakeKeyboardState(up);
        for (int poll = 0; poll < 3; ++poll) {
            if (c.m_Polls[poll]) {
                inpTakeKeyboardState(c.m_Polls[poll]);
            } else {
                inpKeepKeyboardState();
            }
            if (poll == 0 && c.m_MarkBuffered) {
                inpKeyStates[inpCurrentKeys][DIK_F] = 0x80;
            }
            EXPECT_EQ(inpKeyPressed(DIK_F), c.m_Pressed[poll]) << c.m_Name << " poll " << poll;
        }
    }
}

}  // namespace
