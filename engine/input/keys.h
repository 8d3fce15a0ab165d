#ifndef INPUT_KEYS_H
#define INPUT_KEYS_H

#include <cstdint>

// The DirectInput key code of a Windows virtual key: the same key of a standard keyboard, or 0
// for a virtual key without one (Alt as such, Pause, Print Screen, Clear, F16 and above...).
uint8_t inpVirtualKeyToDIK(uint32_t virtualKey);

#endif
