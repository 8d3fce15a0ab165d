#ifndef INPUT_DEVICE_H
#define INPUT_DEVICE_H

#include "input/dinput.h"

// The call texts of one kind of device, for the fatal report of a failed creation step.
struct inpDeviceCalls {
    const char* m_Create;
    const char* m_SetDataFormat;
    const char* m_SetProperty;
};

// Makes a system device: a counted reference to the DirectInput object, the device, its data
// format and a buffer of inpBufferedItems items. No cooperative level is set. The caller acquires it.
IDirectInputDeviceA* inpCreateDevice(REFGUID guid, const DIDATAFORMAT* format,
                                     const inpDeviceCalls& calls);
// Unacquires and releases the device, and the device's reference to the DirectInput object.
void inpReleaseDevice(IDirectInputDeviceA*& device);
// Reads the device state, acquiring once more when the first read fails.
bool inpReadDeviceState(IDirectInputDeviceA* device, DWORD size, void* state);

#endif
