#include "bank/remotepacket.h"

#include <cstring>

#include "data/assert.h"
#include "data/bytes.h"
#include "data/printer.h"

namespace {

const uint8_t Magic[4] = {0x12, 0xE1, 0x45, 0x48};

// What one drain throws away at most; more is left for the next frame.
const int MaxDrainReceives = 64;

}  // namespace

bkPacket::bkPacket(uint32_t command, int size) : m_Size(size), m_Data{} {
    Assert(size >= MIN_SIZE && size <= MAX_SIZE);
    WriteSize();
    memcpy(m_Data + 4, Magic, sizeof(Magic));
    EncodeU32(command, m_Data + 8);
}

void bkPacket::WriteSize() {
    m_Data[0] = uint8_t(m_Size);
    m_Data[1] = uint8_t(m_Size >> 8);
}

void bkPacket::PutU8(int offset, uint8_t value) {
    Assert(offset >= HEADER_SIZE && offset < m_Size);
    m_Data[offset] = value;
}

void bkPacket::PutU32(int offset, uint32_t value) {
    Assert(offset >= HEADER_SIZE && offset + 4 <= m_Size);
    EncodeU32(value, m_Data + offset);
}

void bkPacket::PutBytes(int offset, const void* bytes, int count) {
    Assert(count >= 0 && count <= 4 && offset >= HEADER_SIZE && offset + 4 <= m_Size);
    memcpy(m_Data + offset, bytes, count);
}

void bkPacket::PutName(int offset, const char* name) {
    Assert(offset >= HEADER_SIZE && offset + NAME_SIZE <= m_Size);
    uint8_t* field = m_Data + offset;
    memset(field, 0, NAME_SIZE);
    if (name) {
        strncpy(reinterpret_cast<char*>(field), name, NAME_SIZE - 1);
    }
}

bool bkPacket::AppendString(const char* text) {
    size_t length = strlen(text) + 1;
    if (length > size_t(MAX_SIZE - m_Size)) {
        return false;
    }
    memcpy(m_Data + m_Size, text, length);
    m_Size += int(length);
    WriteSize();
    return true;
}

bool bkPacket::GetU32(int offset, uint32_t* value) const {
    if (offset < 0 || offset + 4 > m_Size) {
        return false;
    }
    *value = DecodeU32(m_Data + offset);
    return true;
}

uint32_t bkPacket::GetCommand() const {
    return DecodeU32(m_Data + 8);
}

bkHeaderCheck bkCheckHeader(const uint8_t* head, uint32_t* size) {
    // The u16 after the size is 0, so the two read as one u32 size.
    *size = DecodeU32(head);
    if (memcmp(head + 4, Magic, sizeof(Magic)) != 0) {
        return bkHeaderCheck::BAD_MAGIC;
    }
    if (*size < uint32_t(bkPacket::MIN_SIZE) || *size > uint32_t(bkPacket::MAX_SIZE)) {
        return bkHeaderCheck::BAD_SIZE;
    }
    return bkHeaderCheck::OK;
}

void bkPacketReader::Drain(bkByteSource* source) {
    uint8_t scrap[bkPacket::MAX_SIZE];
    for (int i = 0; i < MaxDrainReceives; ++i) {
        if (source->Receive(scrap, sizeof(scrap)) <= 0) {
            return;
        }
    }
}

void bkPacketReader::DropPartial() {
    int expected = m_Fill < bkPacket::MIN_SIZE ? bkPacket::MIN_SIZE : int(DecodeU32(m_Buffer));
    PrintError("Packet: got %u, expected %d", unsigned(m_Fill), expected);
    m_Fill = 0;
}

bkPacketReader::Result bkPacketReader::Read(bkByteSource* source, uint32_t now,
                                            bkPacket* packet) {
    for (;;) {
        // The header first; its size was checked before any of the body is asked for.
        int need = m_Fill < bkPacket::MIN_SIZE ? bkPacket::MIN_SIZE - m_Fill
                                               : int(DecodeU32(m_Buffer)) - m_Fill;
        int got = source->Receive(m_Buffer + m_Fill, need);
        if (got < 0) {
            if (m_Fill > 0) {
                DropPartial();
            }
            return CLOSED;
        }
        if (got == 0) {
            if (m_Fill > 0 && now - m_Started >= PARTIAL_TIMEOUT_MS) {
                DropPartial();
                return DROPPED;
            }
            return NONE;
        }
        if (m_Fill == 0) {
            m_Started = now;
        }
        m_Fill += got;
        if (m_Fill < bkPacket::MIN_SIZE) {
            continue;
        }
        uint32_t size = 0;
        switch (bkCheckHeader(m_Buffer, &size)) {
        case bkHeaderCheck::BAD_MAGIC:
            PrintError("Packet: no packet header in the bytes received; they are dropped.");
            m_Fill = 0;
            Drain(source);
            return DROPPED;
        case bkHeaderCheck::BAD_SIZE:
            PrintError("Packet: size %u outside %d to %d; the bytes received are dropped.", size,
                       bkPacket::MIN_SIZE, bkPacket::MAX_SIZE);
            m_Fill = 0;
            Drain(source);
            return DROPPED;
        case bkHeaderCheck::OK:
            break;
        }
        if (m_Fill == int(size)) {
            memcpy(packet->m_Data, m_Buffer, size);
            packet->m_Size = int(size);
            m_Fill = 0;
            return PACKET;
        }
    }
}
