#ifndef INPUT_INPUT_H
#define INPUT_INPUT_H

#include <cstdint>

struct DIMOUSESTATE;

// The DirectInput mouse and keyboard, read once a frame. Keys are named by their DirectInput
// key codes everywhere in the program.

// The buffered changes a device holds between two reads.
const int inpBufferedItems = 32;

void inpInitDirectInput();
// With windowButtons the mouse buttons come from the window messages, not from DirectInput.
void inpInitMouse(bool windowButtons);
void inpInitKeyboard(int flag);
// Each poll makes its device first when there is none.
void inpPollMouse();
void inpPollKeyboard();
// Takes the buffered key presses since the last read. Each press is stored in buffer while
// fewer than maximum are stored; without a buffer (maximum 0) each press marks its key held in
// the current array, so that a key pressed and released between two polls is seen. Returns the
// number stored.
int inpReadKeyboardBuffer(uint8_t* buffer, int maximum);
void inpShutdownMouse();
void inpShutdownKeyboard();

// What a mouse poll read: motion, wheel clicks (raw wheel / 120, toward 0) and buttons
// (1 left, 2 right, 4 middle). Polls call it; tests feed it.
void inpTakeMouseState(const DIMOUSESTATE& state);
// What a keyboard poll read: the array becomes current, the current one previous.
void inpTakeKeyboardState(const uint8_t* state);
// What a failed keyboard poll leaves: the last state stays current and becomes the previous
// one too, so that a held key, or a buffered press marked in it, is not pressed a second time.
void inpKeepKeyboardState();

extern bool inpWindowButtonsFlag;
extern bool inpHasWheel;
extern int32_t inpMouseDX;
extern int32_t inpMouseDY;
extern int32_t inpMouseWheel;
extern uint32_t inpMouseButtons;
extern uint32_t inpPrevMouseButtons;

// Key states by DirectInput key code, bit 0x80 when down; inpCurrentKeys names the array of
// the last poll, the other holds the poll before.
extern uint8_t inpKeyStates[2][256];
extern uint32_t inpCurrentKeys;

inline const uint8_t* inpCurrentKeyState() {
    return inpKeyStates[inpCurrentKeys];
}
inline const uint8_t* inpPreviousKeyState() {
    return inpKeyStates[inpCurrentKeys ^ 1];
}
inline bool inpKeyHeld(uint32_t key) {
    return (inpCurrentKeyState()[key] & 0x80) != 0;
}
inline bool inpKeyPressed(uint32_t key) {
    return inpKeyHeld(key) && !(inpPreviousKeyState()[key] & 0x80);
}
inline bool inpMouseHeld(uint32_t button) {
    return (inpMouseButtons & button) != 0;
}
inline bool inpMousePressed(uint32_t button) {
    return (inpMouseButtons & button) && !(inpPrevMouseButtons & button);
}
inline bool inpMouseReleased(uint32_t button) {
    return !(inpMouseButtons & button) && (inpPrevMouseButtons & button);
}

#endif
