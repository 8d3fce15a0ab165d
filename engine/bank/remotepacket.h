#ifndef BANK_REMOTEPACKET_H
#define BANK_REMOTEPACKET_H

#include <cstdint>

// The packets of the remote banks, both directions, little-endian: a u16 total size, a u16 0,
// the bytes 12 E1 45 48 and a u32 command, then the body. Pure byte work: the socket side lives
// in bank/remoteserver.
class bkPacket {
public:
    static constexpr int MAX_SIZE = 256;
    static constexpr int HEADER_SIZE = 12;
    // The smallest packet: a header and one u32.
    static constexpr int MIN_SIZE = 16;
    // Bank names and widget titles travel in fields of this many bytes, NUL-terminated.
    static constexpr int NAME_SIZE = 32;

    enum Command : uint32_t {
        CREATE_BANK = 0x100,
        QUIT = 0x101,
        BANK_OPENED = 0x200,
        BANK_CLOSED = 0x201,
        BEGIN_GROUP = 0x202,
        END_GROUP = 0x203,
        VALUE = 0x300,
        // Widget creation: this plus the widget's type code, up to 0x40f.
        CREATE_WIDGET = 0x400,
    };

    // Sizes of the fixed packets.
    static constexpr int CREATE_BANK_SIZE = 60;
    static constexpr int GROUP_SIZE = 60;
    static constexpr int VALUE_SIZE = 20;
    static constexpr int CREATE_WIDGET_SIZE = 80;

    // An empty packet: the body zeroed, the header written for this command and size.
    bkPacket(uint32_t command, int size);
    // Room for a packet to be received.
    bkPacket() : m_Size(0), m_Data{} {}

    void PutU8(int offset, uint8_t value);
    void PutU32(int offset, uint32_t value);
    // count bytes, at most 4, into the field of a value word.
    void PutBytes(int offset, const void* bytes, int count);
    // A name field: at most NAME_SIZE - 1 characters and a NUL; a null name is empty.
    void PutName(int offset, const char* name);
    // Appends a NUL-terminated string after the current end; false, changing nothing, when it
    // does not fit in MAX_SIZE.
    bool AppendString(const char* text);

    // False when the field lies beyond the packet's size.
    bool GetU32(int offset, uint32_t* value) const;
    uint32_t GetCommand() const;
    int GetSize() const { return m_Size; }
    const uint8_t* GetData() const { return m_Data; }
    uint8_t* GetData() { return m_Data; }

private:
    friend class bkPacketReader;

    void WriteSize();

    int m_Size;
    uint8_t m_Data[MAX_SIZE];
};

// What a received header says, or why it cannot be a packet.
enum class bkHeaderCheck { OK, BAD_MAGIC, BAD_SIZE };

// Checks the first MIN_SIZE bytes of a packet; the size is the whole packet's, which must lie
// in MIN_SIZE..MAX_SIZE (the u16 after the size must be 0).
bkHeaderCheck bkCheckHeader(const uint8_t* head, uint32_t* size);

// Where received bytes come from. Receive never waits: it gives the number of bytes read into
// the buffer (at most count), 0 when none are waiting, and -1 once the connection has ended.
class bkByteSource {
public:
    virtual ~bkByteSource() {}
    virtual int Receive(void* buffer, int count) = 0;
};

// Puts whole packets together from a byte source, however the bytes were split on the way,
// without ever waiting for them: a packet that has not come whole stays here until the next
// read. One that stays unfinished for PARTIAL_TIMEOUT_MS is reported and dropped, as is one
// whose header is broken; after a broken header the bytes already waiting are thrown away too,
// since the next packet's start is unknown.
class bkPacketReader {
public:
    static constexpr uint32_t PARTIAL_TIMEOUT_MS = 500;

    enum Result { NONE, PACKET, DROPPED, CLOSED };

    bkPacketReader() : m_Fill(0), m_Started(0), m_Buffer{} {}

    // NONE when no whole packet is there yet; PACKET fills the packet; DROPPED after reporting
    // a bad or unfinished packet; CLOSED when the connection has ended (a packet cut by the end
    // is reported). now is a millisecond clock.
    Result Read(bkByteSource* source, uint32_t now, bkPacket* packet);

private:
    // Reports an unfinished packet and forgets it.
    void DropPartial();
    static void Drain(bkByteSource* source);

    int m_Fill;
    uint32_t m_Started;
    uint8_t m_Buffer[bkPacket::MAX_SIZE];
};

#endif
