#ifndef DATA_BYTES_H
#define DATA_BYTES_H

#include <cstdint>
#include <cstring>

// Little-endian u32 fields and float bit patterns, as files and replays hold them.

inline void EncodeU32(uint32_t value, unsigned char* bytes) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = (unsigned char)(value >> (8 * i));
    }
}

inline uint32_t DecodeU32(const unsigned char* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | (uint32_t)bytes[3] << 24;
}

inline float FloatFromBits(uint32_t bits) {
    float value;
    memcpy(&value, &bits, sizeof(value));
    return value;
}

inline uint32_t BitsFromFloat(float value) {
    uint32_t bits;
    memcpy(&bits, &value, sizeof(bits));
    return bits;
}

#endif
