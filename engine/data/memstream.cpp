#include "data/memstream.h"

#include <cstring>

datMemoryStream::datMemoryStream(void* data, uint32_t capacity, uint32_t used)
    : m_Data((unsigned char*)data), m_Capacity(capacity), m_Used(used < capacity ? used : capacity),
      m_Cursor(0) {}

int datMemoryStream::Read(void* buffer, int count) {
    if (count < 0 || (uint32_t)count > m_Used - m_Cursor) {
        return 0;
    }
    memcpy(buffer, m_Data + m_Cursor, count);
    m_Cursor += count;
    return count;
}

int datMemoryStream::Write(const void* buffer, int count) {
    if (count < 0 || (uint32_t)count > m_Capacity - m_Cursor) {
        return 0;
    }
    memcpy(m_Data + m_Cursor, buffer, count);
    m_Cursor += count;
    if (m_Cursor > m_Used) {
        m_Used = m_Cursor;
    }
    return count;
}

int datMemoryStream::GetByte() {
    unsigned char byte = 0;
    return Read(&byte, 1) ? byte : -1;
}

int datMemoryStream::PutByte(int byte) {
    unsigned char value = (unsigned char)byte;
    return Write(&value, 1) ? value : -1;
}

void datMemoryStream::Rewind() { m_Cursor = 0; }
