#ifndef DATA_MEMSTREAM_H
#define DATA_MEMSTREAM_H

#include <cstdint>

// A stream over a caller's buffer: the replay's file. Reads return the bytes written, in
// order, up to the bytes used; a transfer that does not fit moves nothing.
class datMemoryStream {
public:
    // used: bytes already in the buffer (a replay loaded from elsewhere).
    datMemoryStream(void* data, uint32_t capacity, uint32_t used = 0);

    int Read(void* buffer, int count);
    int Write(const void* buffer, int count);
    int GetByte();
    int PutByte(int byte);
    void Rewind();
    uint32_t Size() const { return m_Used; }

private:
    unsigned char* m_Data;
    uint32_t m_Capacity;
    uint32_t m_Used;
    uint32_t m_Cursor;
};

#endif
