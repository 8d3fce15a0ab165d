// Input's places in the pipeline's start, message pump and close.
#include "input/attach.h"

#include "bank/gfxbank.h"
#include "gfx/hooks.h"
#include "gfx/window.h"
#include "input/input.h"
#include "input/joystick.h"
#include "input/pad.h"
#include "input/winproc.h"
#include "rgl/rgl.h"

namespace {

void StartInput() {
    inpInitMouse(true);
    inpInitKeyboard(0);
    inpInitJoysticks();
    inpInitPads();
}

void PollInput() {
    inpPollMouse();
    inpPollKeyboard();
    inpReadJoysticks();
    inpUpdatePads();
}

void StopInput() {
    inpShutdownJoysticks();
    inpShutdownKeyboard();
    inpShutdownMouse();
}

void KeyStates(const uint8_t** current, const uint8_t** previous) {
    *current = inpCurrentKeyState();
    *previous = inpPreviousKeyState();
}

}  // namespace

void inpAttachToPipeline() {
    gfxBankKeys = KeyStates;
    rglKeyStates = KeyStates;
    gfxInputWindowProc = inpWindowProc;
    gfxAddHook(gfxHookInputStart, StartInput);
    gfxAddHook(gfxHookInputPoll, PollInput);
    gfxAddHook(gfxHookInputStop, StopInput);
}
