#ifndef DATA_STREAMFIELDS_H
#define DATA_STREAMFIELDS_H

#include <cstdint>

#include "data/bytes.h"
#include "data/stream.h"

// Little-endian fields read and written one at a time through a stream; each says whether the
// whole field went through, so a reader can refuse a file that ends inside one.

inline bool StreamReadBytes(Stream* stream, void* bytes, int count) {
    return StreamRead(stream, bytes, count) == count;
}

inline bool StreamReadU32(Stream* stream, uint32_t& value) {
    unsigned char bytes[4];
    if (!StreamReadBytes(stream, bytes, 4)) {
        return false;
    }
    value = DecodeU32(bytes);
    return true;
}

inline bool StreamReadU16(Stream* stream, uint16_t& value) {
    unsigned char bytes[2];
    if (!StreamReadBytes(stream, bytes, 2)) {
        return false;
    }
    value = (uint16_t)(bytes[0] | bytes[1] << 8);
    return true;
}

inline bool StreamWriteU32(Stream* stream, uint32_t value) {
    unsigned char bytes[4];
    EncodeU32(value, bytes);
    return StreamWrite(stream, bytes, 4) == 4;
}

inline bool StreamWriteU16(Stream* stream, uint16_t value) {
    unsigned char bytes[2] = {(unsigned char)value, (unsigned char)(value >> 8)};
    return StreamWrite(stream, bytes, 2) == 2;
}

#endif
