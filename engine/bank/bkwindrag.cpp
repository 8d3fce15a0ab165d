#include "bank/bkwinslider.h"

// Dragging a slider's title: while the left button is held on it the cursor is hidden and its
// horizontal moves are added to the value, a tenth of a step per pixel (Ctrl ten times that,
// Shift a tenth). The cursor wraps before it reaches a screen edge, so a drag has no end stop.

bkWinSlider* bkWinSlider::sm_Dragged;

namespace {

// The standard button procedure that the titles chain to.
WNDPROC sButtonProc;
POINT sStart;
POINT sPrevious;

const int EDGE = 8;
const int WRAP = 16;

LRESULT CALLBACK TitleProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    bkWinSlider* slider =
        reinterpret_cast<bkWinSlider*>(GetWindowLongPtrA(button, GWLP_USERDATA));
    if (slider) {
        switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            slider->BeginDrag();
            return 0;
        case WM_MOUSEMOVE:
            if (bkWinSlider::sm_Dragged == slider) {
                POINT cursor;
                GetCursorPos(&cursor);
                slider->DragTo(cursor);
                return 0;
            }
            break;
        case WM_LBUTTONUP:
            if (bkWinSlider::sm_Dragged == slider) {
                bkWinSlider::EndDrag();
                return 0;
            }
            break;
        case WM_CAPTURECHANGED:
            // Another window took the mouse: the cursor must not stay hidden.
            if (bkWinSlider::sm_Dragged == slider) {
                bkWinSlider::EndDrag();
            }
            break;
        default:
            break;
        }
    }
    return CallWindowProcA(sButtonProc, button, message, wParam, lParam);
}

}  // namespace

void bkWinSlider::SubclassTitle() {
    SetWindowLongPtrA(m_Title, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    WNDPROC standard = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(m_Title, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TitleProc)));
    if (!sButtonProc) {
        sButtonProc = standard;
    }
}

void bkWinSlider::BeginDrag() {
    CommitEdit(true);
    SetEditFont(m_Edit, false);
    sm_Dragged = this;
    SetCapture(m_Title);
    ShowCursor(FALSE);
    SendMessageA(m_Title, BM_SETSTATE, TRUE, 0);
    GetCursorPos(&sStart);
    sPrevious = sStart;
}

void bkWinSlider::DragTo(POINT cursor) {
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    if (cursor.x >= screenWidth - EDGE || cursor.x < EDGE) {
        cursor.x = cursor.x < EDGE ? screenWidth - WRAP : WRAP;
        SetCursorPos(cursor.x, cursor.y);
        sPrevious = cursor;
        return;
    }
    float scale = 1.0f;
    if (GetKeyState(VK_CONTROL) & 0x8000) {
        scale = 10.0f;
    } else if (GetKeyState(VK_SHIFT) & 0x8000) {
        scale = 0.1f;
    }
    m_Value->Add(float(cursor.x - sPrevious.x) * m_Value->GetDelta() * scale * 0.1f);
    sPrevious = cursor;
}

void bkWinSlider::EndDrag() {
    bkWinSlider* slider = sm_Dragged;
    sm_Dragged = nullptr;
    ShowCursor(TRUE);
    ReleaseCapture();
    SetCursorPos(sStart.x, sStart.y);
    SendMessageA(slider->m_Title, BM_SETSTATE, FALSE, 0);
}
