// The DirectInput mouse: relative motion, wheel clicks and buttons of each poll.
#include "input/device.h"
#include "input/input.h"
#include "input/winproc.h"

bool inpWindowButtonsFlag;
bool inpHasWheel;
int32_t inpMouseDX;
int32_t inpMouseDY;
int32_t inpMouseWheel;
uint32_t inpMouseButtons;
uint32_t inpPrevMouseButtons;

namespace {

IDirectInputDeviceA* mouseDev;

const inpDeviceCalls MouseCalls = {
    "mouseDI->CreateDevice(GUID_SysMouse,&mouseDev,NULL)",
    "mouseDev->SetDataFormat(&c_dfDIMouse)",
    "mouseDev->SetProperty(DIPROP_BUFFERSIZE, &dipdw.diph)",
};

}  // namespace

void inpInitMouse(bool windowButtons) {
    inpWindowButtonsFlag = windowButtons;
    mouseDev = inpCreateDevice(GUID_SysMouse, &c_dfDIMouse, MouseCalls);
    DIDEVCAPS DIMouseCaps = {};
    DIMouseCaps.dwSize = sizeof(DIMouseCaps);
    inpCheck(mouseDev->GetCapabilities(&DIMouseCaps), "mouseDev->GetCapabilities(&DIMouseCaps)");
    inpHasWheel = (DIMouseCaps.dwFlags & DIDC_ATTACHED) && DIMouseCaps.dwAxes > 2;
    mouseDev->Acquire();
}

void inpPollMouse() {
    if (!mouseDev) {
        inpInitMouse(true);
    }
    DIMOUSESTATE state;
    if (inpReadDeviceState(mouseDev, sizeof(state), &state)) {
        inpTakeMouseState(state);
    }
}

void inpTakeMouseState(const DIMOUSESTATE& state) {
    inpMouseDX = state.lX;
    inpMouseDY = state.lY;
    inpMouseWheel = state.lZ / 120;
    inpPrevMouseButtons = inpMouseButtons;
    if (inpWindowButtonsFlag) {
        inpMouseButtons = inpWindowButtons;
    } else {
        inpMouseButtons = (state.rgbButtons[0] ? 1 : 0) | (state.rgbButtons[1] ? 2 : 0) |
                          (state.rgbButtons[2] ? 4 : 0);
    }
}

void inpShutdownMouse() {
    inpReleaseDevice(mouseDev);
}
