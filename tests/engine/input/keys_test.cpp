#include "input/keys.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(VirtualKeys, MapToTheSameKeysOfAStandardKeyboard) {
    struct Case {
        uint32_t m_Virtual;
        uint8_t m_Key;
    };
    const Case cases[] = {
        {'A', 0x1E},         {'Z', 0x2C},          {'0', 0x0B},         {'1', 0x02},
        {VK_F1, 0x3B},       {VK_F10, 0x44},       {VK_F11, 0x57},      {VK_F15, 0x66},
        {VK_LEFT, 0xCB},     {VK_PRIOR, 0xC9},     {VK_DELETE, 0xD3},   {VK_NUMPAD0, 0x52},
        {VK_NUMPAD8, 0x48},  {VK_DECIMAL, 0x53},   {VK_DIVIDE, 0xB5},   {VK_RETURN, 0x1C},
        {VK_SHIFT, 0x2A},    {VK_CONTROL, 0x1D},   {VK_RSHIFT, 0x36},   {VK_RCONTROL, 0x9D},
        {VK_LMENU, 0x38},    {VK_RMENU, 0xB8},     {VK_APPS, 0xDD},     {VK_SCROLL, 0x46},
        // Keys without a code of their own.
        {VK_MENU, 0},        {VK_PAUSE, 0},        {VK_SNAPSHOT, 0},    {VK_CLEAR, 0},
        {VK_SEPARATOR, 0},   {VK_F16, 0},          {VK_F24, 0},         {166, 0},
        {0xFFFFFFFF, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(inpVirtualKeyToDIK(c.m_Virtual), c.m_Key) << c.m_Virtual;
    }
}

// Every letter, digit and function key has a code, and no two of them share one.
TEST(VirtualKeys, LettersDigitsAndFunctionKeysAreDistinct) {
    std::set<uint8_t> seen;
    auto add = [&](uint32_t vk) {
        uint8_t key = inpVirtualKeyToDIK(vk);
        EXPECT_NE(key, 0) << vk;
        EXPECT_TRUE(seen.insert(key).second) << vk;
    };
    for (uint32_t vk = 'A'; vk <= 'Z'; ++vk) add(vk);
    for (uint32_t vk = '0'; vk <= '9'; ++vk) add(vk);
    for (uint32_t vk = VK_NUMPAD0; vk <= VK_NUMPAD9; ++vk) add(vk);
    for (uint32_t vk = VK_F1; vk <= VK_F15; ++vk) add(vk);
}

}  // namespace
