// Real input under the X server: DirectInput devices, and keys and clicks sent to a window
// whose procedure is the input window procedure.
#include <direct.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#define DIRECTINPUT_VERSION 0x0700
#include <dinput.h>

#include "bank/bkmgr.h"
#include "data/options.h"
#include "gfx/pipeline.h"
#include "input/attach.h"
#include "input/event.h"
#include "tests/engine/input/events.h"
#include "input/hotkey.h"
#include "input/input.h"
#include "input/joystick.h"
#include "input/pad.h"
#include "input/winproc.h"
#include "rgl/rgl.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

namespace {

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Lets the X server and Wine deliver what was sent, pumping all the while.
void Settle(int milliseconds = 200) {
    DWORD end = GetTickCount() + milliseconds;
    while (GetTickCount() < end) {
        Pump();
        Sleep(10);
    }
    Pump();
}

void SendKey(WORD virtualKey, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = (WORD)MapVirtualKeyA(virtualKey, 0);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

void SendMouse(DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

class NoBanks : public bkManager {
public:
    static bkManager* Create() { return new NoBanks; }
    class Plain : public bkBank {
        void GetConfig(bool*, int*, int*, int*, int*) override {}
        void SetConfig(bool, int, int, int, int) override {}
    };
    bkBank* CreateBank(const char*, int, int, bool) override { return new Plain; }
};

class InputWindow : public ::testing::Test {
protected:
    void SetUp() override {
        _getcwd(m_Home, sizeof(m_Home));
        _chdir(m_Scratch.Root().c_str());
        WNDCLASSA type = {};
        type.lpfnWndProc = inpWindowProc;
        type.hInstance = GetModuleHandleA(nullptr);
        type.lpszClassName = "inpTestWindow";
        type.hCursor = LoadCursor(nullptr, IDC_ARROW);
        RegisterClassA(&type);
        m_Window = CreateWindowA("inpTestWindow", "input", WS_POPUP | WS_VISIBLE, 100, 100, 300,
                                 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(m_Window);
        SetForegroundWindow(m_Window);
        SetFocus(m_Window);
        Settle();
        inpFlushEvents();
    }
    void TearDown() override {
        DestroyWindow(m_Window);
        Pump();
        bkManager::DeleteInstance();
        inpFlushEvents();
        _chdir(m_Home);
    }

    ScratchDir m_Scratch;
    char m_Home[MAX_PATH];
    HWND m_Window = nullptr;
};

TEST_F(InputWindow, ClicksArriveAndCaptureTheMouse) {
    SetCursorPos(150, 130);
    Settle();
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Settle();
    EXPECT_EQ(GetCapture(), m_Window);
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    Settle();
    EXPECT_EQ(GetCapture(), m_Window);
    SendMouse(MOUSEEVENTF_RIGHTUP);
    Settle();
    EXPECT_EQ(GetCapture(), nullptr);

    std::vector<uint32_t> types;
    for (const inpEvent& event : TakeAll()) {
        if (event.type != inpMouseMove) {
            types.push_back(event.type);
            EXPECT_EQ(event.x, 50);
            EXPECT_EQ(event.y, 30);
        }
    }
    EXPECT_EQ(types, (std::vector<uint32_t>{inpLeftDown, inpRightDown, inpLeftUp, inpRightUp}));
}

TEST_F(InputWindow, ShiftHotKeysTakeTheKeyOnlyWhenBound) {
    bkManager::CreateInstance(NoBanks::Create);
    auto pressShifted = [&](WORD key) {
        // The hot key reads Shift as it is when the key message is handled.
        SendKey(VK_SHIFT, false);
        SendKey(key, false);
        Settle();
        SendKey(key, true);
        SendKey(VK_SHIFT, true);
        Settle();
    };
    auto keyDowns = [&]() {
        std::vector<uint32_t> keys;
        for (const inpEvent& event : TakeAll()) {
            if (event.type == inpKeyDown) {
                keys.push_back(event.data);
            }
        }
        return keys;
    };

    pressShifted(VK_F3);
    EXPECT_EQ(keyDowns(), (std::vector<uint32_t>{DIK_LSHIFT, DIK_F3}));
    inpBindHotKey("F3", "No Such Bank", "Widget", "1");
    pressShifted(VK_F3);
    EXPECT_EQ(keyDowns(), (std::vector<uint32_t>{DIK_LSHIFT}));
    // Without Shift the bound key is an ordinary key.
    SendKey(VK_F3, false);
    SendKey(VK_F3, true);
    Settle();
    EXPECT_EQ(keyDowns(), (std::vector<uint32_t>{DIK_F3}));
    delete[] inpHotKeys[28].m_Bank;
    delete[] inpHotKeys[28].m_Widget;
    delete[] inpHotKeys[28].m_Value;
    inpHotKeys[28] = inpHotKey{};
}

TEST_F(InputWindow, DirectInputDevicesStartPollAndStop) {
    inpInitMouse(true);
    inpInitKeyboard(0);
    inpInitJoysticks();
    inpInitPads();
    // The X server has no joysticks: the pads follow the keyboard alone.
    EXPECT_EQ(inpJoystickCount, 0u);
    EXPECT_FALSE(inpPads[0].m_AnalogFlag);

    SendKey('W', false);
    Settle();
    inpPollMouse();
    inpPollKeyboard();
    inpReadKeyboardBuffer(nullptr, 0);
    inpReadJoysticks();
    inpUpdatePads();
    EXPECT_TRUE(inpKeyHeld(DIK_W));
    EXPECT_EQ(inpPads[0].m_Buttons, inpPadUp);
    SendKey('W', true);
    Settle();
    inpPollKeyboard();
    EXPECT_FALSE(inpKeyHeld(DIK_W));

    inpShutdownJoysticks();
    inpShutdownKeyboard();
    inpShutdownMouse();
    // A poll makes its device again.
    inpPollKeyboard();
    inpShutdownKeyboard();
}

// The program's own window: the pipeline starts the devices, and a click sent to its window
// comes out of the pipeline's message pump as events and as the polled mouse buttons.
TEST(PipelineInput, TheMainWindowDeliversInput) {
    ConsoleCapture console;
    static char line[] = "plattor";
    ClearOptions();
    ParseCommandString(line);
    inpAttachToPipeline();
    gfxSetWindowMode(true, -1, -1);
    gfxParseOptions(320, 240, 16, 16, true);
    ASSERT_TRUE(gfxOpenPipeline());
    SetForegroundWindow(hwndMain);
    Settle();
    inpFlushEvents();

    POINT corner = {10, 20};
    ClientToScreen(hwndMain, &corner);
    SetCursorPos(corner.x, corner.y);
    Settle();
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Sleep(100);
    gfxPumpMessages();
    EXPECT_TRUE(inpMouseHeld(1));
    EXPECT_TRUE(inpMousePressed(1));
    SendMouse(MOUSEEVENTF_LEFTUP);
    Sleep(100);
    gfxPumpMessages();
    EXPECT_TRUE(inpMouseReleased(1));

    std::vector<uint32_t> types;
    for (const inpEvent& event : TakeAll()) {
        if (event.type != inpMouseMove) {
            types.push_back(event.type);
            EXPECT_EQ(event.x, 10);
            EXPECT_EQ(event.y, 20);
        }
    }
    EXPECT_EQ(types, (std::vector<uint32_t>{inpLeftDown, inpLeftUp}));

    // Escape going down ends an immediate-mode application's loop; held, it is not new.
    EXPECT_TRUE(rglKeepRunning());
    SendKey(VK_ESCAPE, false);
    Settle();
    gfxPumpMessages();
    EXPECT_FALSE(rglKeepRunning());
    gfxPumpMessages();
    EXPECT_TRUE(rglKeepRunning());
    SendKey(VK_ESCAPE, true);
    Settle();
    gfxPumpMessages();
    gfxClosePipeline();
}

}  // namespace
