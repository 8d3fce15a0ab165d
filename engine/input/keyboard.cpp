// The DirectInput keyboard: two key-state arrays, this poll's and the one before, and the
// buffered presses between polls.
#include <cstring>

#include "input/device.h"
#include "input/input.h"

uint8_t inpKeyStates[2][256];
uint32_t inpCurrentKeys;

namespace {

IDirectInputDeviceA* keybDev;

const inpDeviceCalls KeyboardCalls = {
    "keybDI->CreateDevice(GUID_SysKeyboard,&keybDev,NULL)",
    "keybDev->SetDataFormat(&c_dfDIKeyboard)",
    "keybDev->SetProperty(DIPROP_BUFFERSIZE, &dipdw.diph)",
};

}  // namespace

void inpInitKeyboard(int) {
    keybDev = inpCreateDevice(GUID_SysKeyboard, &c_dfDIKeyboard, KeyboardCalls);
    keybDev->Acquire();
}

void inpPollKeyboard() {
    if (!keybDev) {
        inpInitKeyboard(0);
    }
    uint8_t state[256];
    if (inpReadDeviceState(keybDev, sizeof(state), state)) {
        inpTakeKeyboardState(state);
    } else {
        inpKeepKeyboardState();
    }
}

void inpTakeKeyboardState(const uint8_t* state) {
    uint32_t next = inpCurrentKeys ^ 1;
    memcpy(inpKeyStates[next], state, 256);
    inpCurrentKeys = next;
}

void inpKeepKeyboardState() {
    memcpy(inpKeyStates[inpCurrentKeys ^ 1], inpKeyStates[inpCurrentKeys], 256);
}

int inpReadKeyboardBuffer(uint8_t* buffer, int maximum) {
    if (!keybDev) {
        return 0;
    }
    DIDEVICEOBJECTDATA items[inpBufferedItems];
    static_assert(sizeof(DIDEVICEOBJECTDATA) == 16, "DirectInput 7 buffered items");
    DWORD count = inpBufferedItems;
    if (FAILED(keybDev->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), items, &count, 0))) {
        return 0;
    }
    int stored = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (!(items[i].dwData & 0x80)) {
            continue;
        }
        uint8_t key = (uint8_t)items[i].dwOfs;
        if (!buffer) {
            inpKeyStates[inpCurrentKeys][key] = 0x80;
        } else if (stored < maximum) {
            buffer[stored++] = key;
        }
    }
    return stored;
}

void inpShutdownKeyboard() {
    inpReleaseDevice(keybDev);
}
