#include "model/itemread.h"

#include "data/bytes.h"
#include "data/stream.h"

#include <cstring>

void modItemReader::Bytes(void* buffer, uint32_t count) {
    if (m_Failed || StreamRead(m_Stream, buffer, int(count)) != int(count)) {
        memset(buffer, 0, count);
        m_Failed = true;
    }
}

uint8_t modItemReader::U8() {
    uint8_t value;
    Bytes(&value, 1);
    return value;
}

uint32_t modItemReader::U32() {
    unsigned char bytes[4];
    Bytes(bytes, 4);
    return DecodeU32(bytes);
}

float modItemReader::F32() {
    return FloatFromBits(U32());
}

bool modItemReader::Fits(uint32_t count, uint32_t recordSize) {
    int left = StreamSize(m_Stream) - StreamTell(m_Stream);
    if (m_Failed || left < 0 || uint64_t(count) * recordSize > uint64_t(left)) {
        // Nothing after a damaged count can be trusted to start a record: the package finds
        // its end next instead of reading on from the middle of an item.
        StreamSeek(m_Stream, StreamSize(m_Stream));
        m_Failed = true;
    }
    return !m_Failed;
}
