#ifndef VECTOR_NANFILL_H
#define VECTOR_NANFILL_H

#include <cstdint>
#include <cstring>

// Default-constructed math types are filled with a signalling NaN (bits 0x7F800001), so that
// arithmetic on a value nobody set traps while the invalid-operation exception is unmasked.
constexpr float NanFill = __builtin_nansf("0x1");
constexpr uint32_t NanFillBits = 0x7F800001u;

// Stores the fill into a lone float member; a copy of the bits, which never traps.
inline void NanFloat(float& f) {
    memcpy(&f, &NanFillBits, sizeof(f));
}

inline float Lerp(float t, float a, float b) {
    return (1.0f - t) * a + t * b;
}

// b when a <= b and when the two are unordered.
inline float Maxf(float a, float b) {
    return a > b ? a : b;
}

#endif
