#include "bank/remotepacket.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "data/bytes.h"
#include "tests/support/console.h"

namespace {

// Bytes that arrive in the given pieces, one piece per receive at most; then nothing, or the
// end of the connection.
class PieceSource : public bkByteSource {
public:
    int Receive(void* buffer, int count) override {
        if (m_Pieces.empty()) {
            return m_Ended ? -1 : 0;
        }
        std::vector<uint8_t>& piece = m_Pieces.front();
        int n = count < int(piece.size()) ? count : int(piece.size());
        memcpy(buffer, piece.data(), n);
        piece.erase(piece.begin(), piece.begin() + n);
        if (piece.empty()) {
            m_Pieces.pop_front();
        }
        return n;
    }

    std::deque<std::vector<uint8_t>> m_Pieces;
    bool m_Ended = false;
};

std::vector<uint8_t> Bytes(const bkPacket& packet) {
    return std::vector<uint8_t>(packet.GetData(), packet.GetData() + packet.GetSize());
}

TEST(RemotePacket, BuildsHeaderAndFields) {
    bkPacket packet(bkPacket::CREATE_BANK, bkPacket::CREATE_BANK_SIZE);
    packet.PutU32(12, 7);
    packet.PutName(16, "a name that is far longer than the thirty-one characters of a field");
    packet.PutU8(56, 1);
    const uint8_t* data = packet.GetData();
    const uint8_t head[] = {60, 0, 0, 0, 0x12, 0xE1, 0x45, 0x48, 0x00, 0x01, 0, 0, 7, 0, 0, 0};
    EXPECT_EQ(0, memcmp(data, head, sizeof(head)));
    EXPECT_EQ(strlen(reinterpret_cast<const char*>(data + 16)), 31u);
    EXPECT_EQ(data[47], 0);
    EXPECT_EQ(data[56], 1);
    EXPECT_EQ(packet.GetCommand(), 0x100u);

    // Strings are appended while they fit; the size field follows.
    bkPacket combo(bkPacket::CREATE_WIDGET + 15, bkPacket::CREATE_WIDGET_SIZE);
    EXPECT_TRUE(combo.AppendString("abc"));
    EXPECT_EQ(combo.GetSize(), 84);
    EXPECT_EQ(combo.GetData()[0], 84);
    std::string big(171, 'x');
    EXPECT_TRUE(combo.AppendString(big.c_str()));
    EXPECT_EQ(combo.GetSize(), 256);
    EXPECT_FALSE(combo.AppendString(""));
    EXPECT_EQ(combo.GetSize(), 256);
    EXPECT_EQ(combo.GetData()[0], 0);
    EXPECT_EQ(combo.GetData()[1], 1);

    uint32_t value = 0;
    EXPECT_TRUE(packet.GetU32(56, &value));
    EXPECT_FALSE(packet.GetU32(57, &value));
    EXPECT_FALSE(packet.GetU32(-1, &value));
}

TEST(RemotePacket, HeaderChecks) {
    struct Case {
        uint32_t m_Size;
        bool m_Magic;
        bkHeaderCheck m_Result;
    };
    const Case cases[] = {
        {16, true, bkHeaderCheck::OK},          {256, true, bkHeaderCheck::OK},
        {15, true, bkHeaderCheck::BAD_SIZE},    {0, true, bkHeaderCheck::BAD_SIZE},
        {257, true, bkHeaderCheck::BAD_SIZE},   {0x10010, true, bkHeaderCheck::BAD_SIZE},
        {0xFFFFFFFF, true, bkHeaderCheck::BAD_SIZE}, {20, false, bkHeaderCheck::BAD_MAGIC},
    };
    for (const Case& c : cases) {
        bkPacket packet(bkPacket::VALUE, bkPacket::VALUE_SIZE);
        uint8_t* data = packet.GetData();
        EncodeU32(c.m_Size, data);
        if (!c.m_Magic) {
            data[7] = 0;
        }
        uint32_t size = 0;
        EXPECT_EQ(bkCheckHeader(data, &size), c.m_Result) << c.m_Size;
        EXPECT_EQ(size, c.m_Size);
    }
}

TEST(RemotePacket, ReaderPutsSplitPacketsTogetherAndGivesUpOnUnfinishedOnes) {
    ConsoleCapture console;
    bkPacket sent(bkPacket::VALUE, bkPacket::VALUE_SIZE);
    sent.PutU32(12, 5);
    sent.PutU32(16, 0xABCD);
    std::vector<uint8_t> bytes = Bytes(sent);

    PieceSource source;
    bkPacketReader reader;
    bkPacket got;
    EXPECT_EQ(reader.Read(&source, 0, &got), bkPacketReader::NONE);
    // One byte at a time, two packets back to back.
    for (int twice = 0; twice < 2; ++twice) {
        for (uint8_t b : bytes) {
            source.m_Pieces.push_back({b});
        }
    }
    EXPECT_EQ(reader.Read(&source, 0, &got), bkPacketReader::PACKET);
    EXPECT_EQ(Bytes(got), bytes);
    EXPECT_EQ(reader.Read(&source, 0, &got), bkPacketReader::PACKET);
    EXPECT_EQ(Bytes(got), bytes);

    // The rest of a packet is awaited until the time runs out.
    source.m_Pieces.push_back(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 17));
    EXPECT_EQ(reader.Read(&source, 1000, &got), bkPacketReader::NONE);
    EXPECT_EQ(reader.Read(&source, 1000 + bkPacketReader::PARTIAL_TIMEOUT_MS - 1, &got),
              bkPacketReader::NONE);
    console.Take();
    EXPECT_EQ(reader.Read(&source, 1000 + bkPacketReader::PARTIAL_TIMEOUT_MS, &got),
              bkPacketReader::DROPPED);
    EXPECT_NE(console.Take().find("Packet: got 17, expected 20"), std::string::npos);

    // After a broken header what is waiting goes too; a later packet is read again.
    std::vector<uint8_t> broken = bytes;
    broken[4] = 0;
    source.m_Pieces.push_back(broken);
    source.m_Pieces.push_back(bytes);
    EXPECT_EQ(reader.Read(&source, 0, &got), bkPacketReader::DROPPED);
    EXPECT_NE(console.Take().find("no packet header"), std::string::npos);
    EXPECT_EQ(reader.Read(&source, 0, &got), bkPacketReader::NONE);
    source.m_Pieces.push_back(bytes);
    EXPECT_EQ(reader.Read(&source, 0, &got), bkPacketReader::PACKET);

    // The end of the connection in the middle of a packet.
    source.m_Pieces.push_back(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 3));
    source.m_Ended = true;
    EXPECT_EQ(reader.Read(&source, 0, &got), bkPacketReader::CLOSED);
    EXPECT_NE(console.Take().find("Packet: got 3, expected 16"), std::string::npos);
}

// Mutated streams: whatever the reader hands out is a packet of a size it can hold, and every
// good packet that follows a bad one after a pause is read whole.
TEST(RemotePacket, ReaderSurvivesMutatedStreams) {
    ConsoleCapture console;
    std::mt19937 random(107);
    auto pick = [&](uint32_t n) { return uint32_t(random() % n); };
    for (int round = 0; round < 1500; ++round) {
        bkPacket good(bkPacket::CREATE_WIDGET + pick(16), bkPacket::CREATE_WIDGET_SIZE);
        while (good.AppendString(std::string(pick(40), char('a' + pick(26))).c_str()) &&
               pick(3)) {
        }
        std::vector<uint8_t> bytes = Bytes(good);
        switch (pick(5)) {
        case 0:
            for (uint32_t n = 1 + pick(8); n > 0; --n) {
                bytes[pick(uint32_t(bytes.size()))] ^= uint8_t(1 << pick(8));
            }
            break;
        case 1:
            bytes.resize(pick(uint32_t(bytes.size())));
            break;
        case 2: {
            const uint32_t sizes[] = {0, 15, 0xFFFFFFFF, 0x80000000, 257, 0xFFFF, 16};
            EncodeU32(sizes[pick(7)], bytes.data());
            break;
        }
        case 3:
            bytes.resize(1000 + pick(3000), uint8_t(random()));
            break;
        default:
            for (uint8_t& b : bytes) {
                b = uint8_t(random());
            }
            break;
        }
        PieceSource source;
        size_t at = 0;
        while (at < bytes.size()) {
            size_t n = 1 + pick(64);
            n = n < bytes.size() - at ? n : bytes.size() - at;
            source.m_Pieces.push_back(std::vector<uint8_t>(bytes.begin() + at, bytes.begin() + at + n));
            at += n;
        }
        bkPacketReader reader;
        bkPacket got;
        uint32_t now = 0;
        for (int reads = 0; reads < 200; ++reads, now += 100) {
            bkPacketReader::Result result = reader.Read(&source, now, &got);
            if (result == bkPacketReader::PACKET) {
                ASSERT_GE(got.GetSize(), bkPacket::MIN_SIZE);
                ASSERT_LE(got.GetSize(), bkPacket::MAX_SIZE);
                ASSERT_EQ(uint32_t(got.GetSize()), DecodeU32(got.GetData()));
            }
        }
        source.m_Pieces.push_back(Bytes(good));
        ASSERT_EQ(reader.Read(&source, now, &got), bkPacketReader::PACKET) << round;
        ASSERT_EQ(Bytes(got), Bytes(good)) << round;
    }
}

}  // namespace
