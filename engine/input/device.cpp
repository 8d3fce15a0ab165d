// Creation, reading and release shared by the mouse and the keyboard.
#include "input/device.h"

#include "input/input.h"

IDirectInputDeviceA* inpCreateDevice(REFGUID guid, const DIDATAFORMAT* format,
                                     const inpDeviceCalls& calls) {
    inpInitDirectInput();
    lpDI->AddRef();
    IDirectInputDeviceA* device = nullptr;
    inpCheck(lpDI->CreateDevice(guid, &device, nullptr), calls.m_Create);
    inpCheck(device->SetDataFormat(format), calls.m_SetDataFormat);
    DIPROPDWORD dipdw = {};
    dipdw.diph.dwSize = sizeof(DIPROPDWORD);
    dipdw.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    dipdw.diph.dwObj = 0;
    dipdw.diph.dwHow = DIPH_DEVICE;
    dipdw.dwData = inpBufferedItems;
    inpCheck(device->SetProperty(DIPROP_BUFFERSIZE, &dipdw.diph), calls.m_SetProperty);
    return device;
}

void inpReleaseDevice(IDirectInputDeviceA*& device) {
    if (!device) {
        return;
    }
    device->Unacquire();
    device->Release();
    device = nullptr;
    if (lpDI && lpDI->Release() == 0) {
        lpDI = nullptr;
    }
}

bool inpReadDeviceState(IDirectInputDeviceA* device, DWORD size, void* state) {
    if (SUCCEEDED(device->GetDeviceState(size, state))) {
        return true;
    }
    if (FAILED(device->Acquire())) {
        return false;
    }
    return SUCCEEDED(device->GetDeviceState(size, state));
}
