#include "bank/bkwinmgr.h"
#include "bank/bkwinwidget.h"

// The edit procedure of text fields and slider values: Enter and losing the focus commit, the
// field turns bold while the user types, and keys other than the caret keys are swallowed.

namespace {

// The standard edit procedure that every subclassed field chains to.
WNDPROC sEditProc;

bool IsCaretKey(WPARAM key) {
    return key == VK_END || key == VK_HOME || key == VK_LEFT || key == VK_RIGHT ||
           key == VK_UP || key == VK_DOWN;
}

bkWinWidget* EditWidget(HWND edit) {
    return reinterpret_cast<bkWinWidget*>(GetWindowLongPtrA(edit, GWLP_USERDATA));
}

LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    bkWinWidget* widget = EditWidget(edit);
    if (widget) {
        switch (message) {
        case WM_KILLFOCUS:
            widget->CommitEdit(true);
            // The commit's callback may have removed the widget with its field.
            if (!IsWindow(edit)) {
                return 0;
            }
            bkWinWidget::SetEditFont(edit, false);
            break;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                widget->CommitEdit(true);
                if (IsWindow(edit)) {
                    bkWinWidget::SetEditFont(edit, false);
                }
                return 0;
            }
            if (!IsCaretKey(wParam)) {
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == VK_RETURN || !widget->AcceptChar(edit, wParam)) {
                return 0;
            }
            bkWinWidget::SetEditFont(edit, true);
            break;
        default:
            break;
        }
    }
    return CallWindowProcA(sEditProc, edit, message, wParam, lParam);
}

}  // namespace

void bkWinWidget::SubclassEdit(HWND edit) {
    SetWindowLongPtrA(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    WNDPROC standard = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
    if (!sEditProc) {
        sEditProc = standard;
    }
}

void bkWinWidget::SetEditFont(HWND edit, bool bold) {
    bkWinManager* manager = bkWinManager::Get();
    HFONT font = bold ? manager->m_BoldFont : manager->m_Font;
    if (reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0)) != font) {
        SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void bkWinWidget::ReadEdit(HWND edit, EditState* state) {
    GetWindowTextA(edit, state->text, sizeof(state->text));
    state->start = 0;
    state->end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&state->start),
                 reinterpret_cast<LPARAM>(&state->end));
}

void bkWinWidget::Reselect(HWND edit, bool selectAll, const EditState& state) {
    if (selectAll) {
        SendMessageA(edit, EM_SETSEL, 0, -1);
    } else {
        SendMessageA(edit, EM_SETSEL, state.start, state.end);
    }
}
