#ifndef GFX_IMAGEBYTES_H
#define GFX_IMAGEBYTES_H

#include "data/bytes.h"

#include <cstdint>
#include <vector>

// Little-endian header fields of the image files, gathered into a buffer or taken from one.
inline uint16_t DecodeU16(const unsigned char* bytes) { return (uint16_t)(bytes[0] | bytes[1] << 8); }

inline void PutU8(std::vector<unsigned char>& out, unsigned value) { out.push_back((unsigned char)value); }

inline void PutU16(std::vector<unsigned char>& out, unsigned value) {
    out.push_back((unsigned char)value);
    out.push_back((unsigned char)(value >> 8));
}

inline void PutU32(std::vector<unsigned char>& out, uint32_t value) {
    unsigned char bytes[4];
    EncodeU32(value, bytes);
    out.insert(out.end(), bytes, bytes + 4);
}

// A 5-bit colour field widened to 8 bits so that 31 becomes 255; 6-bit fields likewise.
inline unsigned char Expand5(unsigned field) { return (unsigned char)(field << 3 | field >> 2); }
inline unsigned char Expand6(unsigned field) { return (unsigned char)(field << 2 | field >> 4); }

#endif
