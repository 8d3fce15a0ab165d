#ifndef INPUT_DINPUT_H
#define INPUT_DINPUT_H

// DirectInput 7 as the input devices use it.
#define DIRECTINPUT_VERSION 0x0700
#include <dinput.h>

// The process's DirectInput object, made by inpInitDirectInput.
extern IDirectInputA* lpDI;

// A failed DirectInput call ends the program, naming the call.
void inpCheck(HRESULT result, const char* call);

#endif
