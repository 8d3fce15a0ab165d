#ifndef INPUT_WINPROC_H
#define INPUT_WINPROC_H

#include <cstdint>

#include <windows.h>

// The main window's messages as input: mouse, button and key messages become events, the
// mouse is captured while a button is held, and any other message goes to the registered
// handlers before the default procedure.
LRESULT CALLBACK inpWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The window's view of the mouse: client position of the last mouse message, the buttons
// (1 left, 2 right, 4 middle) from the button messages, and how many buttons hold the capture.
extern int32_t inpMouseX;
extern int32_t inpMouseY;
extern uint32_t inpWindowButtons;
extern uint32_t inpCaptureCount;

// A handler of one window message. At most four live at a time; they must be destroyed in the
// reverse order of their making.
class winDispatchable {
public:
    static const int maxHandlers = 4;

    explicit winDispatchable(UINT message);
    virtual ~winDispatchable();
    virtual void HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // Calls every handler registered for the message, in registration order.
    static void Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

#endif
