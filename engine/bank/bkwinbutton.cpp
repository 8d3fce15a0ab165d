#include "bank/bkwinbutton.h"

#include "data/assert.h"

bkWinButton::bkWinButton(bkWinBank* bank, const char* title, datCallback cb, bool label)
    : bkButton(cb), bkWinWidget(bank) {
    HWND hButton = label ? AddControl("static", title, SS_CENTER | SS_CENTERIMAGE)
                         : AddControl("button", title, BS_PUSHBUTTON);
    AssertText(Made(hButton), "hButton");
    m_TitleControl = hButton;
    EndRow();
}

LRESULT bkWinButton::Command(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        m_Callback.Call(0);
        return 0;
    }
    return bkWinWidget::Command(window, message, wParam, lParam);
}

void bkWinButton::Columns(int width, int* widths) {
    widths[0] = width;
}
