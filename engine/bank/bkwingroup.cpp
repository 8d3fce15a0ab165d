#include "bank/bkwingroup.h"

#include "bank/bkwinbank.h"
#include "bank/bkwinmgr.h"
#include "data/assert.h"

bkWinGroup::bkWinGroup(bkWinBank* bank, const char* title, bool open)
    : bkGroup(open), bkWinWidget(bank) {
    HWND hButton = AddControl("button", title, BS_AUTOCHECKBOX | BS_PUSHLIKE);
    AssertText(Made(hButton), "hButton");
    m_TitleControl = hButton;
    SendMessageA(hButton, WM_SETFONT, reinterpret_cast<WPARAM>(bkWinManager::Get()->m_BoldFont),
                 FALSE);
    SendMessageA(hButton, BM_SETCHECK, open ? BST_CHECKED : BST_UNCHECKED, 0);
    EndRow();
}

bkWinGroup::~bkWinGroup() {
    if (m_Prev) {
        m_Prev->m_Next = m_Next;
    }
    if (m_Next) {
        m_Next->m_Prev = m_Prev;
    }
    // A later push must not link onto a group that is gone.
    if (m_Bank->LastGroup == this) {
        m_Bank->LastGroup = m_Prev;
    }
}

LRESULT bkWinGroup::Command(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        m_Open = SendMessageA(m_TitleControl, BM_GETCHECK, 0, 0) == BST_CHECKED;
        m_Bank->ShowRange(this, m_Open);
        return 0;
    }
    return bkWinWidget::Command(window, message, wParam, lParam);
}

void bkWinGroup::Columns(int width, int* widths) {
    widths[0] = width;
}
