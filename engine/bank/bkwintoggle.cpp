#include "bank/bkwintoggle.h"

#include "data/assert.h"

void bkWinToggle::Create(const char* title) {
    m_Title = title ? title : "";
    HWND hToggle = AddControl("button", title, BS_CHECKBOX | BS_LEFTTEXT);
    AssertText(Made(hToggle), "hToggle");
    m_TitleControl = hToggle;
    ShowState();
    EndRow();
}

void bkWinToggle::ShowState() {
    m_Shown = GetState() != 0;
    SendMessageA(m_TitleControl, BM_SETCHECK, m_Shown ? BST_CHECKED : BST_UNCHECKED, 0);
}

void bkWinToggle::Update() {
    if ((GetState() != 0) != m_Shown) {
        ShowState();
    }
}

void bkWinToggle::Activate(const char*) {
    Toggle();
    m_Callback.Call(0);
    ShowState();
}

void bkWinToggle::SetTitle(const char* title) {
    m_Title = title ? title : "";
    bkWinWidget::SetTitle(title);
}

LRESULT bkWinToggle::Command(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        Activate(nullptr);
        return 0;
    }
    return bkWinWidget::Command(window, message, wParam, lParam);
}

void bkWinToggle::Columns(int width, int* widths) {
    widths[0] = width;
}
