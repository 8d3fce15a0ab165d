#include "bank/bkremotemgr.h"

#include <direct.h>
#include <winsock2.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bank/bkremotebank.h"
#include "bank/remoteserver.h"
#include "tests/engine/bank/remoteclient.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"
#include "tests/support/unmasked.h"

namespace {

typedef RemoteClient::Packet Packet;

int g_Calls = 0;

void CountCall() {
    ++g_Calls;
}

std::vector<uint32_t> Commands(const std::vector<Packet>& packets) {
    std::vector<uint32_t> commands;
    for (const Packet& p : packets) {
        commands.push_back(p.m_Command);
    }
    return commands;
}

// Starts the remote front end with a client connected over loopback, as `-remote` does.
void StartRemote(RemoteClient* client) {
    bkRemoteServer::SetListenAddress("127.0.0.1", 0);
    client->ConnectWhenListening();
    bkManager::CreateInstance(bkRemoteManager::Create);
    client->Join();
}

// A remote bank manager in a scratch folder of the test's own, where the layout file lands.
class Remote : public ::testing::Test {
protected:
    void SetUp() override {
        _getcwd(m_Home, sizeof(m_Home));
        _chdir(m_Scratch.Root().c_str());
        g_Calls = 0;
        StartRemote(&m_Client);
        m_StartUp = m_Client.Receive();
    }
    void TearDown() override {
        bkManager::DeleteInstance();
        bkRemoteServer::SetListenAddress(nullptr, 0);
        _chdir(m_Home);
    }

    bkManager* Mgr() { return bkManager::GetInstance(); }
    bkRemoteBank* AddBank(const char* name) {
        return static_cast<bkRemoteBank*>(Mgr()->AddBank(name, 300, 200, true));
    }
    // The id of the widget that the creation packet announced.
    static uint32_t WidgetId(const Packet& create) { return create.U32(48); }
    // Updates until the condition holds, for two seconds at most: bytes on loopback may take a
    // moment to arrive.
    template <typename Condition>
    bool UpdateUntil(Condition done) {
        for (int i = 0; i < 200; ++i) {
            Mgr()->Update();
            if (done()) {
                return true;
            }
            Sleep(10);
        }
        return false;
    }
    // What the console got since the last call, kept for UpdateUntil.
    bool Reported(const char* text) {
        m_Report += m_Console.Take();
        return m_Report.find(text) != std::string::npos;
    }
    std::vector<Packet> UpdateAndReceive() {
        Mgr()->Update();
        return m_Client.Receive();
    }

    ConsoleCapture m_Console;
    ScratchDir m_Scratch;
    char m_Home[MAX_PATH];
    RemoteClient m_Client;
    std::vector<Packet> m_StartUp;
    std::string m_Report;
};

TEST_F(Remote, StartUpAndNewBanksArriveInCallOrder) {
    ASSERT_EQ(Commands(m_StartUp), (std::vector<uint32_t>{0x100, 0x200, 0x400, 0x400}));
    const Packet& banks = m_StartUp[0];
    EXPECT_EQ(banks.m_Bytes.size(), 60u);
    EXPECT_EQ(banks.Name(16), "Banks");
    EXPECT_EQ(int32_t(banks.U32(48)), 100);
    EXPECT_EQ(int32_t(banks.U32(52)), 100);
    EXPECT_EQ(banks.m_Bytes[56], 0);
    uint32_t banksId = banks.U32(12);
    EXPECT_EQ(m_StartUp[1].U32(12), banksId);
    EXPECT_EQ(m_StartUp[2].Name(16), "Load Config");
    EXPECT_EQ(m_StartUp[3].Name(16), "Save Config");
    EXPECT_EQ(m_StartUp[2].U32(12), banksId);
    EXPECT_NE(WidgetId(m_StartUp[2]), WidgetId(m_StartUp[3]));

    uint8_t flag = 0;
    int32_t count = 3;
    bkRemoteBank* tune = AddBank("Tune");
    tune->PushGroup("Physics", false);
    tune->AddToggle("Flag", &flag);
    tune->PopGroup();
    tune->AddSlider("Count", &count, 0, 10, 1.0f);
    std::vector<Packet> more = m_Client.Receive();
    ASSERT_EQ(Commands(more), (std::vector<uint32_t>{0x100, 0x400, 0x202, 0x401, 0x203, 0x40c}));
    uint32_t tuneId = more[0].U32(12);
    EXPECT_NE(tuneId, banksId);
    EXPECT_EQ(more[0].Name(16), "Tune");
    EXPECT_EQ(more[0].m_Bytes[56], 1);
    EXPECT_EQ(more[1].U32(12), banksId);
    EXPECT_EQ(more[1].Name(16), "Tune");
    EXPECT_EQ(more[2].U32(12), tuneId);
    EXPECT_EQ(more[2].Name(16), "Physics");
    EXPECT_EQ(more[2].m_Bytes[56], 0);
    EXPECT_EQ(more[3].U32(12), tuneId);
    EXPECT_EQ(more[4].m_Bytes.size(), 16u);
    EXPECT_EQ(more[5].Name(16), "Count");

    // The layout of a remote bank suits bank windows too.
    Mgr()->SaveConfig("layout.bfg");
    EXPECT_EQ(ReadWholeFile(m_Scratch.Path("layout.bfg")),
              "2\n\"Banks\" 1 100 100 200 600\n\"Tune\" 0 300 200 200 600\n");
}

TEST_F(Remote, CreationPacketsCarryEachKindsParameters) {
    uint8_t byteBool = 1;
    uint32_t wordBool = 0;
    uint32_t mask32 = 0x10;
    uint16_t mask16 = 0x0303;
    uint8_t mask8 = 2;
    float f32 = 1.5f;
    uint8_t u8 = 7;
    int8_t i8 = -3;
    uint16_t u16 = 300;
    int16_t i16 = -300;
    uint32_t u32 = 70000;
    int32_t i32 = -70000;
    uint8_t combo8 = 3;
    int32_t combo32 = 1;
    const char* names[] = {"one", "two", "three"};

    bkRemoteBank* bank = AddBank("Kinds");
    m_Client.Receive();
    bank->AddButton("Press", datCallback(CountCall));
    bank->AddToggle("B8", &byteBool);
    bank->AddToggle("B32", &wordBool);
    bank->AddToggle("M32", &mask32, 0x30u);
    bank->AddToggle("M16", &mask16, uint16_t(0x0100));
    bank->AddToggle("M8", &mask8, uint8_t(6));
    bank->AddSlider("F32", &f32, -2.0f, 2.0f, 0.25f);
    bank->AddSlider("U8", &u8, uint8_t(1), uint8_t(9), 1.0f);
    bank->AddSlider("I8", &i8, int8_t(-5), int8_t(5), 1.0f);
    bank->AddSlider("U16", &u16, uint16_t(0), uint16_t(1000), 1.0f);
    bank->AddSlider("I16", &i16, int16_t(-1000), int16_t(1000), 1.0f);
    bank->AddSlider("U32", &u32, 0u, 100000u, 1.0f);
    bank->AddSlider("I32", &i32, -100000, 100000, 1.0f);
    bank->AddButton("Label");
    bank->AddCombo("C8", &combo8, 3, names, 2);
    bank->AddCombo("C32", &combo32, 3, names, 0);
    std::vector<Packet> packets = m_Client.Receive();
    ASSERT_EQ(packets.size(), 16u);

    auto bits = [](float f) { return BitsFromFloat(f); };
    struct Case {
        const char* m_Title;
        uint32_t m_Size;
        uint32_t m_Value;
        uint32_t m_Mask;
        uint32_t m_Min;
        uint32_t m_Delta;
    };
    const Case cases[] = {
        {"Press", 0, 0, 0xFFFFFFFF, 0, 0},
        {"B8", 1, 1, 0xFFFFFFFF, 0, 0},
        {"B32", 4, 0, 0xFFFFFFFF, 0, 0},
        {"M32", 4, 0x10, 0x30, 0, 0},
        {"M16", 2, 0x0303, 0x0100, 0, 0},
        {"M8", 1, 2, 6, 0, 0},
        {"F32", 4, bits(1.5f), 0xFFFFFFFF, bits(-2.0f), bits(0.25f)},
        {"U8", 1, 7, 0xFFFFFFFF, 1, bits(1.0f)},
        {"I8", 1, 0xFD, 0xFFFFFFFF, 0xFB, bits(1.0f)},
        {"U16", 2, 300, 0xFFFFFFFF, 0, bits(1.0f)},
        {"I16", 2, uint16_t(-300), 0xFFFFFFFF, uint16_t(-1000), bits(1.0f)},
        {"U32", 4, 70000, 0xFFFFFFFF, 0, bits(1.0f)},
        {"I32", 4, uint32_t(-70000), 0xFFFFFFFF, uint32_t(-100000), bits(1.0f)},
        {"Label", 0, 0, 0xFFFFFFFF, 0, 0},
        {"C8", 1, 3, 0xFFFFFFFF, 3, 2},
        {"C32", 4, 1, 0xFFFFFFFF, 3, 0},
    };
    uint32_t bankId = packets[0].U32(12);
    for (size_t i = 0; i < packets.size(); ++i) {
        const Packet& p = packets[i];
        const Case& c = cases[i];
        SCOPED_TRACE(c.m_Title);
        EXPECT_EQ(p.m_Command, 0x400 + i);
        EXPECT_EQ(p.U32(12), bankId);
        EXPECT_EQ(p.Name(16), c.m_Title);
        EXPECT_EQ(p.U32(56), c.m_Size);
        uint32_t value = p.U32(60);
        if (c.m_Size < 4) {
            value &= (1u << (8 * c.m_Size)) - 1;
        }
        EXPECT_EQ(value, c.m_Value);
        EXPECT_EQ(p.U32(64), c.m_Mask);
        EXPECT_EQ(p.U32(68), c.m_Min);
        EXPECT_EQ(p.U32(76), c.m_Delta);
        bool combo = i >= 14;
        EXPECT_EQ(p.m_Bytes.size(), combo ? 80u + 4 + 4 + 6 : 80u);
    }
    EXPECT_EQ(packets[6].U32(72), bits(2.0f));
    EXPECT_EQ(packets[8].U32(72), 5u);
    const char expectedNames[] = "one\0two\0three";
    EXPECT_EQ(0, memcmp(packets[14].m_Bytes.data() + 80, expectedNames, sizeof(expectedNames)));
}

// Names beyond the packet's room are left out and reported; the count sent says how many came.
TEST_F(Remote, ComboNamesBeyondThePacketAreCutWithAnError) {
    std::vector<std::string> storage;
    for (int i = 0; i < 40; ++i) {
        storage.push_back("catalogue_item_" + std::to_string(i));
    }
    std::vector<const char*> names;
    for (const std::string& s : storage) {
        names.push_back(s.c_str());
    }
    int32_t value = 0;
    bkRemoteBank* bank = AddBank("Block Editor");
    m_Client.Receive();
    m_Console.Take();
    bank->AddCombo("Floor", &value, int(names.size()), names.data(), 0);
    std::vector<Packet> packets = m_Client.Receive();
    ASSERT_EQ(packets.size(), 1u);
    const Packet& p = packets[0];
    EXPECT_LE(p.m_Bytes.size(), 256u);
    uint32_t sent = p.U32(68);
    EXPECT_GT(sent, 0u);
    EXPECT_LT(sent, 40u);
    size_t offset = 80;
    for (uint32_t i = 0; i < sent; ++i) {
        EXPECT_EQ(p.Name(int(offset)), storage[i]);
        offset += storage[i].size() + 1;
    }
    EXPECT_EQ(offset, p.m_Bytes.size());
    EXPECT_NE(m_Console.Take().find("items of 'Floor' fit in a packet"), std::string::npos);
}

TEST_F(Remote, ValuesFromTheClientAreStoredThenEchoed) {
    uint16_t mask16 = 0;
    uint16_t shared = 0x0303;
    uint8_t bytes[2] = {0, 0x55};
    uint8_t slider = 5;
    float f32 = 0.0f;
    int32_t combo = 2;
    const char* names[] = {"a", "b", "c"};
    bkRemoteBank* bank = AddBank("Values");
    bank->Open();
    bank->AddButton("Go", datCallback(CountCall));
    bank->AddToggle("Mask", &mask16, uint16_t(0x0100), datCallback(CountCall));
    bank->AddToggle("Shared", &shared, uint16_t(0x0100));
    bank->AddToggle("Byte", &bytes[0]);
    bank->AddSlider("Slider", &slider, uint8_t(0), uint8_t(10), 1.0f);
    bank->AddSlider("Float", &f32, -1.0f, 1.0f, 0.1f);
    bank->AddCombo("Combo", &combo, 3, names, 2);
    std::vector<Packet> created = m_Client.Receive();
    ASSERT_EQ(created.size(), 10u);
    auto id = [&](int i) { return WidgetId(created[3 + i]); };

    struct Case {
        int m_Widget;
        uint32_t m_Sent;
        const char* m_What;
    };
    const uint32_t nan = 0x7FC00000;
    const Case cases[] = {
        {1, 0xFFFF, "a mask toggle keeps only its mask bits of the word"},
        {2, 0x0000, "and leaves the variable's other bits alone"},
        {3, 0x1234, "a byte toggle writes one byte"},
        {4, 200, "a slider keeps to its range"},
        {5, nan, "a float slider drops a NaN"},
        {6, 99, "a combo keeps to its items"},
    };
    for (const Case& c : cases) {
        m_Client.Send(0x300, {id(c.m_Widget), c.m_Sent});
    }
    m_Client.Send(0x300, {id(0), 0});
    EXPECT_TRUE(UpdateUntil([] { return g_Calls == 2; }));
    std::vector<Packet> echoes = m_Client.Receive();
    EXPECT_EQ(mask16, 0x0100) << cases[0].m_What;
    EXPECT_EQ(shared, 0x0203) << cases[1].m_What;
    EXPECT_EQ(bytes[0], 0x34) << cases[2].m_What;
    EXPECT_EQ(bytes[1], 0x55) << cases[2].m_What;
    EXPECT_EQ(slider, 10) << cases[3].m_What;
    EXPECT_EQ(f32, 0.0f) << cases[4].m_What;
    EXPECT_EQ(combo, 4) << cases[5].m_What;
    // The mask toggle's callback and the button's.
    EXPECT_EQ(g_Calls, 2);

    // The next update sends every changed value back, in widget order.
    ASSERT_EQ(echoes.size(), 5u);
    for (const Packet& p : echoes) {
        EXPECT_EQ(p.m_Command, 0x300u);
        EXPECT_EQ(p.m_Bytes.size(), 20u);
    }
    EXPECT_EQ(echoes[0].U32(12), id(1));
    EXPECT_EQ(echoes[0].U32(16) & 0xFFFF, 0x0100u);
    EXPECT_EQ(echoes[4].U32(12), id(6));
    EXPECT_EQ(echoes[4].U32(16), 4u);
    EXPECT_TRUE(UpdateAndReceive().empty());
}

TEST_F(Remote, OnlyOpenBanksSendValues) {
    int32_t value = 1;
    bkRemoteBank* bank = AddBank("Closed");
    bank->AddSlider("Value", &value, 0, 100, 1.0f);
    m_Client.Receive();
    value = 2;
    EXPECT_TRUE(UpdateAndReceive().empty());
    // Closing a closed bank sends nothing; opening it does, and then the value follows.
    bank->Close();
    bank->Open();
    std::vector<Packet> packets = UpdateAndReceive();
    ASSERT_EQ(Commands(packets), (std::vector<uint32_t>{0x200, 0x300}));
    EXPECT_EQ(packets[1].U32(16), 2u);

    // The client's closing and opening change the flag and send nothing back.
    m_Client.Send(0x201, {bank->GetId()});
    value = 3;
    EXPECT_TRUE(UpdateUntil([&] { return !bank->IsOpen(); }));
    EXPECT_TRUE(m_Client.Receive().empty());
    m_Client.Send(0x200, {bank->GetId()});
    EXPECT_TRUE(UpdateUntil([&] { return bank->IsOpen(); }));
    packets = m_Client.Receive();
    ASSERT_EQ(Commands(packets), (std::vector<uint32_t>{0x300}));
    EXPECT_EQ(packets[0].U32(16), 3u);
}

// Each hostile packet is reported, and a good packet right after it is still handled.
TEST_F(Remote, HostilePacketsAreReportedAndTheServerGoesOn) {
    int32_t value = 0;
    bkRemoteBank* bank = AddBank("Target");
    bank->AddSlider("Value", &value, 0, 1000, 1.0f);
    uint32_t widget = WidgetId(m_Client.Receive().back());

    auto withSize = [](std::vector<uint8_t> bytes, uint32_t size) {
        bytes[0] = uint8_t(size);
        bytes[1] = uint8_t(size >> 8);
        bytes[2] = uint8_t(size >> 16);
        bytes[3] = uint8_t(size >> 24);
        return bytes;
    };
    std::vector<uint8_t> cut = withSize(RemoteClient::Make(0x300, {widget, 7, 0, 0, 0, 0}), 40);
    cut.resize(30);
    std::vector<uint8_t> badMagic = RemoteClient::Make(0x300, {widget, 7});
    badMagic[5] ^= 0xFF;
    struct Case {
        std::vector<uint8_t> m_Bytes;
        const char* m_Report;
    };
    const Case cases[] = {
        {cut, "Packet: got 30, expected 40"},
        {std::vector<uint8_t>(cut.begin(), cut.begin() + 9), "Packet: got 9, expected 16"},
        {RemoteClient::Make(0x999, {1}), "ProcessMessage: Unknown command '999' received"},
        {withSize(RemoteClient::Make(0x300, {widget, 7}), 12), "size 12 outside 16 to 256"},
        {withSize(RemoteClient::Make(0x300, {widget, 7}), 0), "size 0 outside 16 to 256"},
        {withSize(RemoteClient::Make(0x300, {widget, 7}), 257), "size 257 outside 16 to 256"},
        {withSize(RemoteClient::Make(0x300, {widget, 7}), 0xFFFFFFFF),
         "size 4294967295 outside 16 to 256"},
        {badMagic, "no packet header"},
        {RemoteClient::Make(0x300, {widget + 1000, 7}), "Unknown widget id"},
        {RemoteClient::Make(0x200, {0xDEADBEEF}), "Unknown bank id 3735928559"},
        {RemoteClient::Make(0x300, {widget}), "Value packet of 16 bytes, expected 20"},
    };
    int next = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Report);
        m_Report.clear();
        m_Console.Take();
        m_Client.SendBytes(c.m_Bytes);
        // An unfinished packet waits for the rest, but not for ever.
        EXPECT_TRUE(UpdateUntil([&] { return Reported(c.m_Report); })) << m_Report;
        EXPECT_EQ(value, next - 1);
        m_Client.Send(0x300, {widget, uint32_t(next)});
        EXPECT_TRUE(UpdateUntil([&] { return value == next; }));
        ++next;
    }
}

// A float slider's value that is not finite trapped in the range clamp; it is dropped with the
// packet error and the slider keeps its value.
TEST_F(Remote, NonFiniteFloatValuesAreDropped) {
    float value = 0.5f;
    bkRemoteBank* bank = AddBank("Target");
    bank->AddSlider("Value", &value, 0.0f, 10.0f, 0.1f);
    uint32_t widget = WidgetId(m_Client.Receive().back());
    InvalidUnmasked trapping;
    for (uint32_t bits : {0x7FC00000u, 0x7F800001u, 0xFF800000u}) {
        SCOPED_TRACE(bits);
        m_Report.clear();
        m_Console.Take();
        m_Client.Send(0x300, {widget, bits});
        EXPECT_TRUE(UpdateUntil([&] {
            return Reported("ProcessMessage: Value packet for widget ") &&
                   Reported(" is not a finite number; it is dropped.");
        })) << m_Report;
        EXPECT_EQ(value, 0.5f);
    }
    m_Client.Send(0x300, {widget, 0x40000000u});
    EXPECT_TRUE(UpdateUntil([&] { return value == 2.0f; }));
}

TEST_F(Remote, APacketSplitOnTheWayIsReadWhole) {
    int32_t value = 0;
    bkRemoteBank* bank = AddBank("Split");
    bank->AddSlider("Value", &value, 0, 1000, 1.0f);
    uint32_t widget = WidgetId(m_Client.Receive().back());
    std::vector<uint8_t> bytes = RemoteClient::Make(0x300, {widget, 321});
    // Each update takes what has come and waits for nothing.
    const size_t cuts[] = {0, 5, 14, bytes.size()};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(value, 0);
        m_Client.SendBytes(std::vector<uint8_t>(bytes.begin() + cuts[i], bytes.begin() + cuts[i + 1]));
        Sleep(20);
        Mgr()->Update();
    }
    EXPECT_TRUE(UpdateUntil([&] { return value == 321; }));
    EXPECT_EQ(m_Console.Take().find("Packet:"), std::string::npos);
}

TEST_F(Remote, AClientLeavingMidPacketEndsOnlyTheConnection) {
    int32_t value = 0;
    bkRemoteBank* bank = AddBank("Gone");
    bank->Open();
    bank->AddSlider("Value", &value, 0, 1000, 1.0f);
    uint32_t widget = WidgetId(m_Client.Receive().back());
    std::vector<uint8_t> bytes = RemoteClient::Make(0x300, {widget, 5});
    bytes.resize(10);
    m_Client.SendBytes(bytes);
    m_Client.Close();
    m_Console.Take();
    EXPECT_TRUE(UpdateUntil([] { return !bkRemoteServer::IsConnected(); }));
    EXPECT_TRUE(Reported("Packet: got 10, expected 16")) << m_Report;
    EXPECT_TRUE(Reported("closed the connection")) << m_Report;
    // Later frames neither poll nor send.
    value = 9;
    Mgr()->Update();
    bank->Close();
    EXPECT_EQ(value, 9);
}

// A client that stops reading fills the connection; the program gives it up instead of waiting
// in a send for ever.
TEST_F(Remote, AClientThatStopsReadingIsGivenUp) {
    static uint32_t values[bkBank::MAX_NUM_WIDGETS];
    bkRemoteBank* bank = AddBank("Flood");
    bank->Open();
    for (uint32_t& value : values) {
        value = 0;
        bank->AddSlider("Value", &value, 0u, 0u, 0.0f);
    }
    m_Client.Receive();
    m_Console.Take();
    for (uint32_t round = 1; round < 2000 && bkRemoteServer::IsConnected(); ++round) {
        for (uint32_t& value : values) {
            value = round;
        }
        Mgr()->Update();
    }
    EXPECT_FALSE(bkRemoteServer::IsConnected());
    EXPECT_NE(m_Console.Take().find("SendClientMessage: short send."), std::string::npos);
}

TEST_F(Remote, DestroyingTheManagerTellsTheClientToQuit) {
    bkManager::DeleteInstance();
    std::vector<Packet> packets = m_Client.Receive();
    ASSERT_EQ(Commands(packets), (std::vector<uint32_t>{0x101}));
    EXPECT_EQ(packets[0].m_Bytes.size(), 16u);
    EXPECT_TRUE(m_Client.ServerClosed(1000));
}

// A destroyed bank's ids name nothing any more.
TEST_F(Remote, IdsOfADestroyedBankAreUnknown) {
    int32_t value = 0;
    bkRemoteBank* bank = AddBank("Short Lived");
    bank->AddSlider("Value", &value, 0, 1000, 1.0f);
    std::vector<Packet> created = m_Client.Receive();
    uint32_t bankId = created[0].U32(12);
    uint32_t widget = WidgetId(created.back());
    Mgr()->DestroyBank(bank);
    m_Console.Take();
    m_Client.Send(0x300, {widget, 5});
    m_Client.Send(0x200, {bankId});
    EXPECT_TRUE(UpdateUntil([&] { return Reported("Unknown bank id"); }));
    EXPECT_TRUE(Reported("Unknown widget id"));
    EXPECT_EQ(value, 0);
}

// Random and mutated packets, sent as one stream in bursts: the server reports what it cannot
// use, keeps its variables in range and still answers a good packet at the end.
TEST_F(Remote, FuzzedPacketsLeaveTheServerAnswering) {
    uint8_t toggle = 0;
    uint8_t slider = 5;
    int32_t combo = 0;
    const char* names[] = {"a", "b"};
    bkRemoteBank* bank = AddBank("Fuzz");
    bank->Open();
    bank->AddToggle("Toggle", &toggle, uint8_t(4));
    bank->AddSlider("Slider", &slider, uint8_t(2), uint8_t(9), 1.0f);
    bank->AddCombo("Combo", &combo, 2, names, 0);
    std::vector<Packet> created = m_Client.Receive();
    ASSERT_EQ(created.size(), 6u);
    std::vector<uint32_t> ids = {created[0].U32(12), WidgetId(created[3]), WidgetId(created[4]),
                                 WidgetId(created[5])};

    std::mt19937 random(30);
    auto pick = [&](uint32_t n) { return uint32_t(random() % n); };
    const uint32_t commands[] = {0x200, 0x201, 0x300, 0x300, 0x300, 0x100, 0x999};
    uint8_t previous = 0;
    const int count = 1200;
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> bytes = RemoteClient::Make(
            commands[pick(7)], {ids[pick(4)] + pick(3) - 1, uint32_t(random())});
        switch (pick(6)) {
        case 0:  // bit flips
            for (uint32_t n = 1 + pick(4); n > 0; --n) {
                bytes[pick(uint32_t(bytes.size()))] ^= uint8_t(1 << pick(8));
            }
            break;
        case 1:  // cut: the rest of it comes from the next packet
            bytes.resize(1 + pick(uint32_t(bytes.size())));
            break;
        case 2: {  // huge, negative or small sizes
            const uint32_t sizes[] = {0, 1, 15, 17, 255, 256, 257, 0xFFFF, 0x8000};
            uint32_t size = sizes[pick(9)];
            bytes[0] = uint8_t(size);
            bytes[1] = uint8_t(size >> 8);
            break;
        }
        case 3:  // long: a full packet of noise after a good header
            bytes.resize(256);
            bytes[0] = 0;
            bytes[1] = 1;
            for (size_t k = 16; k < bytes.size(); ++k) {
                bytes[k] = uint8_t(random());
            }
            break;
        case 4:  // noise
            for (uint8_t& b : bytes) {
                b = uint8_t(random());
            }
            break;
        default:
            break;
        }
        // A quit request (command 0x101) ends the program by design. However packets merge
        // or resynchronise, none can be read from a stream without two 0x01 bytes in a row.
        for (uint8_t& b : bytes) {
            if (b == 1 && previous == 1) {
                b = 3;
            }
            previous = b;
        }
        m_Client.SendBytes(bytes);
        Mgr()->Update();
        m_Client.Receive(0);
        EXPECT_EQ(toggle & ~4, 0);
        EXPECT_TRUE(slider >= 2 && slider <= 9) << int(slider);
        EXPECT_TRUE(combo == 0 || combo == 1) << combo;
    }

    // An unfinished packet left at the end is given up; then the server must still answer.
    Sleep(bkPacketReader::PARTIAL_TIMEOUT_MS + 50);
    Mgr()->Update();
    m_Client.Send(0x300, {ids[2], 7});
    EXPECT_TRUE(UpdateUntil([&] { return slider == 7; }));
    EXPECT_TRUE(bkRemoteServer::IsConnected());
}

// A port given by number is the port the server listens on, in network byte order: the other
// tests ask for any free port, which hides a port written the wrong way round. The number is
// below the system's range of free ports, so a parallel test program cannot take it first.
TEST(RemotePort, AFixedPortIsListenedOnAsGiven) {
    const int Port = 38217;
    ScratchDir scratch;
    char home[MAX_PATH];
    _getcwd(home, sizeof(home));
    _chdir(scratch.Root().c_str());
    bkRemoteServer::SetListenAddress("127.0.0.1", Port);
    {
        RemoteClient client;
        client.ConnectWhenListening();
        bkManager::CreateInstance(bkRemoteManager::Create);
        client.Join();
        EXPECT_EQ(Port, client.PeerPort());
        bkManager::DeleteInstance();
    }
    bkRemoteServer::SetListenAddress(nullptr, 0);
    _chdir(home);
}

// The child's layout file, written when it ends, lands in the scratch folder of the parent.
const char ScratchVariable[] = "BANK_REMOTE_SCRATCH";

TEST_CHILD(RemoteQuit) {
    char scratch[MAX_PATH] = "";
    GetEnvironmentVariableA(ScratchVariable, scratch, sizeof(scratch));
    _chdir(scratch);
    RemoteClient client;
    StartRemote(&client);
    client.Send(0x101, {0});
    bkManager::GetInstance()->Update();
    return 0;
}

TEST_CHILD(RemoteBindFails) {
    bkRemoteServer::SetListenAddress("192.0.2.1", 0);
    bkRemoteServer::Install();
    return 0;
}

TEST(RemoteFatal, QuitRequestAndSetUpFailuresEndTheProgram) {
    ScratchDir scratch;
    SetEnvironmentVariableA(ScratchVariable, scratch.Root().c_str());
    ExpectFatalChildren({
        {"RemoteQuit", "REMOTE: Received remote quit request."},
        {"RemoteBindFails", "InstallPort - bind failed, code 10049."},
    });
}

}  // namespace
