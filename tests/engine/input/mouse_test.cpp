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

}  // namespace
