// The DirectInput object and the fatal check of its calls.
#include "input/dinput.h"

#include "data/printer.h"
#include "input/input.h"

IDirectInputA* lpDI;

void inpCheck(HRESULT result, const char* call) {
    if (FAILED(result)) {
        FatalAbort("%s failed, code=%08x (%d)", call, (unsigned)result, (int)(result & 0xFFFF));
    }
}

void inpInitDirectInput() {
    if (lpDI) {
        return;
    }
    inpCheck(DirectInputCreateA(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, &lpDI, nullptr),
             "DirectInputCreate(GetModuleHandle(0),DIRECTINPUT_VERSION,&lpDI,NULL)");
}
