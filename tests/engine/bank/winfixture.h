#ifndef TESTS_ENGINE_BANK_WINFIXTURE_H
#define TESTS_ENGINE_BANK_WINFIXTURE_H

#include <direct.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "bank/bkwinbank.h"
#include "bank/bkwinmgr.h"
#include "bank/bkwinwidget.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

// Handles every message queued for the test's thread, as the program's message pump would.
inline void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

inline RECT WindowRect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

inline RECT ClientRect(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    return rect;
}

inline std::string WindowText(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

// The control at the index (left to right) of a widget that a Win32 bank returned.
template <typename Win, typename Data>
HWND Control(Data* widget, int index) {
    return static_cast<Win*>(widget)->GetControl(index);
}

// A control's rectangle in its bank window's client coordinates.
inline RECT ChildRect(HWND control) {
    RECT rect = WindowRect(control);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// A Win32 bank manager in a scratch folder of the test's own, where the layout file lands.
class WinBanks : public ::testing::Test {
protected:
    void SetUp() override {
        _getcwd(m_Home, sizeof(m_Home));
        _chdir(m_Scratch.Root().c_str());
        bkManager::CreateInstance(bkWinManager::Create);
    }
    void TearDown() override {
        bkManager::DeleteInstance();
        Pump();
        _chdir(m_Home);
    }

    bkWinManager* Mgr() { return bkWinManager::Get(); }
    bkWinBank* Bank(int index) { return static_cast<bkWinBank*>(Mgr()->Banks[index]); }
    bkWinBank* AddBank(const char* name, int x = 300, int y = 100) {
        return static_cast<bkWinBank*>(Mgr()->AddBank(name, x, y, true));
    }
    // The button of a bank in "Banks".
    HWND BankButton(const char* name) {
        return FindWindowExA(Bank(0)->GetWindow(), nullptr, "button", name);
    }

    ConsoleCapture m_Console;
    ScratchDir m_Scratch;
    char m_Home[MAX_PATH];
};

#endif
