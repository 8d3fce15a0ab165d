#ifndef CITY_PSDLBYTES_H
#define CITY_PSDLBYTES_H

#include "data/bytes.h"
#include "data/stream.h"

#include <cstdint>
#include <vector>

// Little-endian fields of the city's binary files, gathered into a buffer (or taken from one)
// so that the stream sees few large transfers instead of one call per field.
class psdlBytes {
public:
    void Put(uint32_t value, int size) { Encode(Extend(size), value, size); }
    void PutFloat(float value) { Put(BitsFromFloat(value), 4); }
    void PutBytes(const void* bytes, size_t count) {
        const unsigned char* p = static_cast<const unsigned char*>(bytes);
        m_Bytes.insert(m_Bytes.end(), p, p + count);
    }

    // Room for count more bytes at the end, to be filled through the pointer.
    unsigned char* Extend(size_t count) {
        size_t at = m_Bytes.size();
        m_Bytes.resize(at + count);
        return m_Bytes.data() + at;
    }
    static void Encode(unsigned char* bytes, uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            bytes[i] = (unsigned char)(value >> (8 * i));
        }
    }

    static uint32_t Get(const unsigned char* bytes, int size) {
        uint32_t value = 0;
        for (int i = 0; i < size; ++i) {
            value |= uint32_t(bytes[i]) << (8 * i);
        }
        return value;
    }
    static float GetFloat(const unsigned char* bytes) { return FloatFromBits(DecodeU32(bytes)); }

    // Hands the gathered bytes to the stream; false when it took fewer.
    bool Flush(Stream* stream) {
        int count = int(m_Bytes.size());
        bool ok = StreamWrite(stream, m_Bytes.data(), count) == count;
        m_Bytes.clear();
        return ok;
    }
    bool FlushWhenFull(Stream* stream) { return m_Bytes.size() < FlushSize || Flush(stream); }

    // Records are gathered this far before they go to the stream: a small city goes out in
    // one write.
    static const size_t FlushSize = 1 << 17;
    std::vector<unsigned char> m_Bytes;
};

#endif
