// Joysticks: enumeration, recognition by name, device creation and reading.
#include "input/joystick.h"

#include <cstring>

#include "data/options.h"
#include "data/printer.h"
#include "input/input.h"

inpJoystick inpJoysticks[inpMaxJoysticks];
uint32_t inpJoystickCount;

namespace {

int sJoyDebug;

bool Starts(const char* name, const char* prefix) {
    return strncmp(name, prefix, strlen(prefix)) == 0;
}

// A driver's name fields are fixed arrays: copy them with an end, whatever they hold.
struct DeviceName {
    explicit DeviceName(const char (&field)[MAX_PATH]) {
        memcpy(m_Text, field, MAX_PATH);
        m_Text[MAX_PATH] = 0;
    }
    char m_Text[MAX_PATH + 1];
};

BOOL CALLBACK EnumJoystickProc(const DIDEVICEINSTANCEA* device, void*) {
    DeviceName instance(device->tszInstanceName);
    DeviceName product(device->tszProductName);
    PrintVerbose1(sJoyDebug, "Joystick Subtype = %d, Instance = [%s], Product = [%s]",
                  (int)((device->dwDevType >> 8) & 0xFF), instance.m_Text, product.m_Text);
    if (inpJoystickCount < inpMaxJoysticks) {
        inpJoystick& joystick = inpJoysticks[inpJoystickCount++];
        joystick.m_Kind = inpJoystickKind(instance.m_Text, product.m_Text);
        joystick.m_Guid = device->guidInstance;
    }
    return DIENUM_CONTINUE;
}

BOOL CALLBACK EnumObjectProc(const DIDEVICEOBJECTINSTANCEA* object, void*) {
    if (!sJoyDebug) {
        return DIENUM_CONTINUE;
    }
    DWORD type = object->dwType;
    PrintLevel0("Instnum %d, Type: ", (int)((type >> 8) & 0xFFFF));
    if (type & DIDFT_ABSAXIS) {
        PrintLevel0("ABS ");
    }
    if (type & DIDFT_RELAXIS) {
        PrintLevel0("REL ");
    }
    if (type & DIDFT_AXIS) {
        PrintLevel0("AXIS ");
    }
    if (type & DIDFT_TGLBUTTON) {
        PrintLevel0("TOGGLE ");
    }
    if (type & DIDFT_PSHBUTTON) {
        PrintLevel0("PUSH ");
    }
    if (type & DIDFT_BUTTON) {
        PrintLevel0("BUTTON ");
    }
    if (type & DIDFT_POV) {
        PrintLevel0("POV ");
    }
    DeviceName name(object->tszName);
    PrintMessage("named [%s]", name.m_Text);
    return DIENUM_CONTINUE;
}

}  // namespace

uint32_t inpJoystickKind(const char* instanceName, const char* productName) {
    if (strcmp(productName, "USB PSX JOYDAPTER") == 0 ||
        strcmp(instanceName, "USB PSX JOYDAPTER") == 0) {
        return inpJoystick::PsxAdapter;
    }
    if (strcmp(productName, "DirectPad Pro Controller") == 0) {
        return inpJoystick::DirectPad;
    }
    if (Starts(productName, "Microsoft SideWinder Game Pad Pro") ||
        Starts(instanceName, "SideWinder Game Pad Pro")) {
        return inpJoystick::SideWinder;
    }
    if (strcmp(productName, "HID-compliant game controller") == 0) {
        return inpJoystick::PsxAdapter;
    }
    return inpJoystick::Unknown;
}

void inpJoystick::Init() {
    IDirectInputDeviceA* dev = nullptr;
    inpCheck(lpDI->CreateDevice(m_Guid, &dev, 0), "lpDI->CreateDevice(m_Guid,&dev,0)");
    inpCheck(dev->QueryInterface(IID_IDirectInputDevice2A, (LPVOID*)&m_Device),
             "dev->QueryInterface(IID_IDirectInputDevice2,(LPVOID*)&m_Device)");
    dev->Release();
    inpCheck(m_Device->EnumObjects(EnumObjectProc, this, DIDFT_ALL),
             "m_Device->EnumObjects(EnumObjectProc,this,DIDFT_ALL)");
    DIDEVCAPS dc = {};
    dc.dwSize = sizeof(dc);
    inpCheck(m_Device->GetCapabilities(&dc), "m_Device->GetCapabilities(&dc)");
    m_Axes = dc.dwAxes;
    m_ButtonCount = dc.dwButtons;
    m_Hats = dc.dwPOVs;
    inpCheck(m_Device->SetDataFormat(&c_dfDIJoystick2), "m_Device->SetDataFormat(&c_dfDIJoystick2)");
    m_Device->Acquire();
    PrintVerbose1(sJoyDebug, "%d axes, %d buttons, %d POV hats", (int)m_Axes, (int)m_ButtonCount,
                  (int)m_Hats);
}

void inpJoystick::TakeState(const DIJOYSTATE2& state) {
    m_X = state.lX;
    m_Y = state.lY;
    m_Z = state.lZ;
    m_RX = state.lRx;
    m_RY = state.lRy;
    m_RZ = state.lRz;
    m_Slider[0] = state.rglSlider[0];
    m_Slider[1] = state.rglSlider[1];
    m_POV[0] = (uint16_t)state.rgdwPOV[0];
    m_POV[1] = (uint16_t)state.rgdwPOV[1];
    m_PrevButtons = m_Buttons;
    m_Buttons = 0;
    for (int i = 0; i < 30; ++i) {
        if (state.rgbButtons[i] & 0x80) {
            m_Buttons |= 1u << i;
        }
    }
}

void inpInitJoysticks() {
    DebugOption("joyDebug", sJoyDebug);
    inpInitDirectInput();
    inpCheck(lpDI->EnumDevices(DIDEVTYPE_JOYSTICK, EnumJoystickProc, nullptr, DIEDFL_ATTACHEDONLY),
             "lpDI->EnumDevices(DIDEVTYPE_JOYSTICK,EnumJoystickProc,0,DIEDFL_ATTACHEDONLY)");
    for (uint32_t i = 0; i < inpJoystickCount; ++i) {
        inpJoysticks[i].Init();
    }
}

void inpUpdateJoysticks() {
    for (uint32_t i = 0; i < inpJoystickCount; ++i) {
        if (inpJoysticks[i].m_Device) {
            inpJoysticks[i].m_Device->Poll();
        }
    }
}

void inpReadJoysticks() {
    for (uint32_t i = 0; i < inpJoystickCount; ++i) {
        inpJoystick& joystick = inpJoysticks[i];
        DIJOYSTATE2 state;
        static_assert(sizeof(DIJOYSTATE2) == 272, "the joystick state is 272 bytes");
        if (joystick.m_Device &&
            SUCCEEDED(joystick.m_Device->GetDeviceState(sizeof(state), &state))) {
            joystick.TakeState(state);
        }
    }
}

void inpShutdownJoysticks() {
    for (uint32_t i = 0; i < inpJoystickCount; ++i) {
        inpJoystick& joystick = inpJoysticks[i];
        if (joystick.m_Device) {
            joystick.m_Device->Unacquire();
            joystick.m_Device->Release();
            joystick.m_Device = nullptr;
        }
    }
}
