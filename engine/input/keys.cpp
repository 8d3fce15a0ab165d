// Windows virtual keys to DirectInput key codes, for the data of key events.
#include "input/keys.h"

#include <array>

#define DIRECTINPUT_VERSION 0x0700
#include <dinput.h>

namespace {

const uint32_t TableSize = 166;

struct Pair {
    uint8_t m_Virtual;
    uint8_t m_Key;
};

// Letters in virtual-key order A to Z, digits 0 to 9, keypad 0 to 9.
const uint8_t Letters[26] = {DIK_A, DIK_B, DIK_C, DIK_D, DIK_E, DIK_F, DIK_G, DIK_H, DIK_I,
                             DIK_J, DIK_K, DIK_L, DIK_M, DIK_N, DIK_O, DIK_P, DIK_Q, DIK_R,
                             DIK_S, DIK_T, DIK_U, DIK_V, DIK_W, DIK_X, DIK_Y, DIK_Z};
const uint8_t Digits[10] = {DIK_0, DIK_1, DIK_2, DIK_3, DIK_4,
                            DIK_5, DIK_6, DIK_7, DIK_8, DIK_9};
const uint8_t Keypad[10] = {DIK_NUMPAD0, DIK_NUMPAD1, DIK_NUMPAD2, DIK_NUMPAD3, DIK_NUMPAD4,
                            DIK_NUMPAD5, DIK_NUMPAD6, DIK_NUMPAD7, DIK_NUMPAD8, DIK_NUMPAD9};
const uint8_t Functions[15] = {DIK_F1, DIK_F2,  DIK_F3,  DIK_F4,  DIK_F5,
                               DIK_F6, DIK_F7,  DIK_F8,  DIK_F9,  DIK_F10,
                               DIK_F11, DIK_F12, DIK_F13, DIK_F14, DIK_F15};

const Pair Others[] = {
    {VK_BACK, DIK_BACK},         {VK_TAB, DIK_TAB},           {VK_RETURN, DIK_RETURN},
    {VK_SHIFT, DIK_LSHIFT},      {VK_CONTROL, DIK_LCONTROL},  {VK_CAPITAL, DIK_CAPITAL},
    {VK_ESCAPE, DIK_ESCAPE},     {VK_SPACE, DIK_SPACE},       {VK_PRIOR, DIK_PRIOR},
    {VK_NEXT, DIK_NEXT},         {VK_END, DIK_END},           {VK_HOME, DIK_HOME},
    {VK_LEFT, DIK_LEFT},         {VK_UP, DIK_UP},             {VK_RIGHT, DIK_RIGHT},
    {VK_DOWN, DIK_DOWN},         {VK_INSERT, DIK_INSERT},     {VK_DELETE, DIK_DELETE},
    {VK_LWIN, DIK_LWIN},         {VK_RWIN, DIK_RWIN},         {VK_APPS, DIK_APPS},
    {VK_MULTIPLY, DIK_MULTIPLY}, {VK_ADD, DIK_ADD},           {VK_SUBTRACT, DIK_SUBTRACT},
    {VK_DECIMAL, DIK_DECIMAL},   {VK_DIVIDE, DIK_DIVIDE},     {VK_NUMLOCK, DIK_NUMLOCK},
    {VK_SCROLL, DIK_SCROLL},     {VK_LSHIFT, DIK_LSHIFT},     {VK_RSHIFT, DIK_RSHIFT},
    {VK_LCONTROL, DIK_LCONTROL}, {VK_RCONTROL, DIK_RCONTROL}, {VK_LMENU, DIK_LMENU},
    {VK_RMENU, DIK_RMENU},
};

std::array<uint8_t, TableSize> MakeTable() {
    std::array<uint8_t, TableSize> table{};
    for (int i = 0; i < 26; ++i) {
        table['A' + i] = Letters[i];
    }
    for (int i = 0; i < 10; ++i) {
        table['0' + i] = Digits[i];
        table[VK_NUMPAD0 + i] = Keypad[i];
    }
    for (int i = 0; i < 15; ++i) {
        table[VK_F1 + i] = Functions[i];
    }
    for (const Pair& pair : Others) {
        table[pair.m_Virtual] = pair.m_Key;
    }
    return table;
}

const std::array<uint8_t, TableSize> VirtualToDIK = MakeTable();

}  // namespace

uint8_t inpVirtualKeyToDIK(uint32_t virtualKey) {
    return virtualKey < TableSize ? VirtualToDIK[virtualKey] : 0;
}
