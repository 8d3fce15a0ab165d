#ifndef MODEL_ITEMREAD_H
#define MODEL_ITEMREAD_H

#include <cstdint>

struct Stream;

// Little-endian fields of a package item. A read past the stream's end leaves zeros and marks
// the reader failed, so that a loader checks once per record instead of per field.
class modItemReader {
public:
    explicit modItemReader(Stream* stream) : m_Stream(stream) {}

    uint8_t U8();
    uint32_t U32();
    float F32();
    void Bytes(void* buffer, uint32_t count);
    // Whether count records of the given size can still follow; false marks the reader failed
    // and leaves the stream at its end, so that a damaged count never sizes an allocation.
    bool Fits(uint32_t count, uint32_t recordSize);
    bool Failed() const { return m_Failed; }

private:
    Stream* m_Stream;
    bool m_Failed = false;
};

#endif
