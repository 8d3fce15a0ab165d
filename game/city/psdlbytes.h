#ifndef CITY_PSDLBYTES_H
#define CITY_PSDLBYTES_H

#include "data/bytes.h"

#include <cstdint>
#include <vector>

// Little-endian fields of the city's binary files, gathered into a buffer (or taken from one)
// so that the stream sees few large transfers instead of one call per field.
class psdlBytes {
public:
    void Put(uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            m_Bytes.push_back((unsigned char)(value >> (8 * i)));
        }
    }
    void PutFloat(float value) { Put(BitsFromFloat(value), 4); }
    void PutBytes(const void* bytes, size_t count) {
        const unsigned char* p = static_cast<const unsigned char*>(bytes);
        m_Bytes.insert(m_Bytes.end(), p, p + count);
    }

    static uint32_t Get(const unsigned char* bytes, int size) {
        uint32_t value = 0;
        for (int i = 0; i < size; ++i) {
            value |= uint32_t(bytes[i]) << (8 * i);
        }
        return value;
    }
    static float GetFloat(const unsigned char* bytes) { return FloatFromBits(DecodeU32(bytes)); }

    std::vector<unsigned char> m_Bytes;
};

#endif
