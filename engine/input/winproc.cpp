// The input window procedure and the registry of window-message handlers.
#include "input/winproc.h"

#include "data/assert.h"
#include "input/event.h"
#include "input/hotkey.h"
#include "input/keys.h"

int32_t inpMouseX;
int32_t inpMouseY;
uint32_t inpWindowButtons;
uint32_t inpCaptureCount;

namespace {

winDispatchable* dispatch_array[winDispatchable::maxHandlers];
UINT dispatch_messages[winDispatchable::maxHandlers];
int handlerCount;

uint32_t ButtonsOf(WPARAM wParam) {
    uint32_t buttons = 0;
    if (wParam & MK_LBUTTON) {
        buttons |= 1;
    }
    if (wParam & MK_RBUTTON) {
        buttons |= 2;
    }
    if (wParam & MK_MBUTTON) {
        buttons |= 4;
    }
    return buttons;
}

void PostMouse(uint32_t type, WPARAM wParam, LPARAM lParam) {
    inpMouseX = (int16_t)LOWORD(lParam);
    inpMouseY = (int16_t)HIWORD(lParam);
    inpPostEvent(type, inpMouseX, inpMouseY, ButtonsOf(wParam));
}

void ButtonDown(HWND window, uint32_t type, uint32_t button, WPARAM wParam, LPARAM lParam) {
    inpWindowButtons |= button;
    PostMouse(type, wParam, lParam);
    if (inpCaptureCount++ == 0) {
        SetCapture(window);
    }
}

// A release whose press happened outside the window finds no capture to give back: the count
// stays at 0 so that the next press captures again.
void ButtonUp(uint32_t type, uint32_t button, WPARAM wParam, LPARAM lParam) {
    inpWindowButtons &= ~button;
    PostMouse(type, wParam, lParam);
    if (inpCaptureCount > 0 && --inpCaptureCount == 0) {
        ReleaseCapture();
    }
}

}  // namespace

LRESULT CALLBACK inpWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
        if (!RunHotkey((uint32_t)wParam)) {
            inpPostEvent(inpKeyDown, 0, 0, inpVirtualKeyToDIK((uint32_t)wParam));
        }
        return 0;
    case WM_KEYUP:
        inpPostEvent(inpKeyUp, 0, 0, inpVirtualKeyToDIK((uint32_t)wParam));
        return 0;
    case WM_CHAR:
        inpPostEvent(inpCharacter, 0, 0, (uint32_t)wParam);
        return 0;
    case WM_MOUSEMOVE:
        PostMouse(inpMouseMove, wParam, lParam);
        return 0;
    case WM_LBUTTONDOWN:
        ButtonDown(window, inpLeftDown, 1, wParam, lParam);
        return 0;
    case WM_RBUTTONDOWN:
        ButtonDown(window, inpRightDown, 2, wParam, lParam);
        return 0;
    case WM_MBUTTONDOWN:
        ButtonDown(window, inpMiddleDown, 4, wParam, lParam);
        return 0;
    case WM_LBUTTONUP:
        ButtonUp(inpLeftUp, 1, wParam, lParam);
        return 0;
    case WM_RBUTTONUP:
        ButtonUp(inpRightUp, 2, wParam, lParam);
        return 0;
    case WM_MBUTTONUP:
        ButtonUp(inpMiddleUp, 4, wParam, lParam);
        return 0;
    case WM_CAPTURECHANGED:
        inpWindowButtons = 0;
        inpCaptureCount = 0;
        return 0;
    default:
        winDispatchable::Dispatch(window, message, wParam, lParam);
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

winDispatchable::winDispatchable(UINT message) {
    Assert(handlerCount != maxHandlers && "Out of winDispatchables!");
    dispatch_array[handlerCount] = this;
    dispatch_messages[handlerCount] = message;
    ++handlerCount;
}

winDispatchable::~winDispatchable() {
    Assert(dispatch_array[--handlerCount] == this);
}

void winDispatchable::Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    for (int i = 0; i < handlerCount; ++i) {
        if (dispatch_messages[i] == message) {
            dispatch_array[i]->HandleMessage(window, message, wParam, lParam);
        }
    }
}
