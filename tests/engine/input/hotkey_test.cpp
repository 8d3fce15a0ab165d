#include "input/hotkey.h"

#include <direct.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bank/bkmgr.h"
#include "input/event.h"
#include "input/winproc.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

namespace {

std::vector<std::string> g_Activated;

class TitledWidget : public bkWidget {
public:
    explicit TitledWidget(const char* title) : m_Title(title) {}
    const char* GetTitle() override { return m_Title.c_str(); }
    void Activate(const char* value) override { g_Activated.push_back(m_Title + "=" + value); }
    std::string m_Title;
};

class TitledBank : public bkBank {
public:
    ~TitledBank() override {
        for (int i = 0; i < NumWidgets; ++i) {
            delete Widget[i];
        }
    }
    void GetConfig(bool*, int*, int*, int*, int*) override {}
    void SetConfig(bool, int, int, int, int) override {}
    bkButton* AddButton(const char* title, datCallback) override {
        AddWidget(new TitledWidget(title));
        return nullptr;
    }
};

class TitledManager : public bkManager {
public:
    static bkManager* Create() { return new TitledManager; }
    bkBank* CreateBank(const char*, int, int, bool) override { return new TitledBank; }
};

void ClearHotKeys() {
    for (inpHotKey& entry : inpHotKeys) {
        delete[] entry.m_Bank;
        delete[] entry.m_Widget;
        delete[] entry.m_Value;
        entry = inpHotKey{};
    }
}

std::string Binding(int slot) {
    const inpHotKey& entry = inpHotKeys[slot];
    if (!entry.m_Bank) {
        return "";
    }
    return std::string(entry.m_Bank) + "/" + entry.m_Widget + "/" + entry.m_Value;
}

class HotKeys : public ::testing::Test {
protected:
    void SetUp() override {
        ClearHotKeys();
        g_Activated.clear();
        _getcwd(m_Home, sizeof(m_Home));
        _chdir(m_Scratch.Root().c_str());
    }
    void TearDown() override {
        bkManager::DeleteInstance();
        ClearHotKeys();
        inpFlushEvents();
        _chdir(m_Home);
    }

    ScratchDir m_Scratch;
    char m_Home[MAX_PATH];
};

TEST_F(HotKeys, KeyNamesChooseTheirSlots) {
    struct Case {
        const char* m_Key;
        int m_Slot;  // -1: ignored
    };
    const Case cases[] = {
        {"a", 0},   {"Z", 25},   {"F1", 26},    {"f12", 37},    {"F3", 28},
        {"F0", -1}, {"Fx", -1},  {"Home", 7},   {"F13", -1},    {"F-30", -1},
        {"1", -1},  {"12", -1},  {"", -1},      {"F99999999999999999999", -1},
    };
    for (const Case& c : cases) {
        ClearHotKeys();
        inpBindHotKey(c.m_Key, "bank", "widget", "value");
        for (int slot = 0; slot < inpHotKeyCount; ++slot) {
            EXPECT_EQ(Binding(slot), slot == c.m_Slot ? "bank/widget/value" : "")
                << c.m_Key << " slot " << slot;
        }
    }
}

TEST_F(HotKeys, ALaterBindingReplacesTheEarlier) {
    inpBindHotKey("b", "one", "w1", "1");
    inpBindHotKey("B", "two", "w2", "2");
    EXPECT_EQ(Binding(1), "two/w2/2");
}

TEST_F(HotKeys, SlotsOfVirtualKeys) {
    EXPECT_EQ(inpHotKeySlot('A'), 0);
    EXPECT_EQ(inpHotKeySlot('Z'), 25);
    EXPECT_EQ(inpHotKeySlot(VK_F1), 26);
    EXPECT_EQ(inpHotKeySlot(VK_F12), 37);
    EXPECT_EQ(inpHotKeySlot(VK_F13), -1);
    EXPECT_EQ(inpHotKeySlot('1'), -1);
    EXPECT_EQ(inpHotKeySlot('a'), -1);
}

TEST_F(HotKeys, ActivationFindsBankAndWidgetIgnoringCase) {
    bkManager::CreateInstance(TitledManager::Create);
    bkBank* bank = bkManager::GetInstance()->AddBank("Track Camera", 0, 0, false);
    bank->AddButton("POV Mode", NullCallback);
    inpBindHotKey("p", "track camera", "pov mode", "1");
    inpBindHotKey("F2", "Track Camera", "No Such Widget", "2");
    inpBindHotKey("F3", "No Such Bank", "POV Mode", "3");

    EXPECT_TRUE(inpActivateHotKey(inpHotKeySlot('P')));
    EXPECT_TRUE(inpActivateHotKey(inpHotKeySlot(VK_F2)));
    EXPECT_TRUE(inpActivateHotKey(inpHotKeySlot(VK_F3)));
    EXPECT_FALSE(inpActivateHotKey(inpHotKeySlot(VK_F4)));
    EXPECT_EQ(g_Activated, (std::vector<std::string>{"POV Mode=1"}));
    // Without Shift no key is a hot key.
    EXPECT_FALSE(RunHotkey('P'));
    EXPECT_EQ(g_Activated.size(), 1u);
}

TEST_F(HotKeys, FilesBindTheirRecords) {
    WriteWholeFile("keys.hot",
                   "a Banks \"Load Config\" 1\n"
                   "F12 \"Track Camera\" \"POV Mode\" on ; a comment\n"
                   "Fred Other Widget 0\n"
                   "1 Ignored Widget 0\n"
                   "F120 Beyond Widget 0\n"
                   "F00000000000000000012 Long Widget 0\n");
    ConsoleCapture console;
    ASSERT_TRUE(inpReadHotKeyFile("keys.hot"));
    EXPECT_NE(console.Take().find("Reading hotkey definitions from 'keys.hot'..."),
              std::string::npos);
    EXPECT_EQ(Binding(0), "Banks/Load Config/1");
    EXPECT_EQ(Binding(37), "Track Camera/POV Mode/on");
    // "Fred" is F with no number and names no key. Key names are read whole, so "F120" leaves
    // F12 as it was, and a number too long to read binds nothing.
    EXPECT_EQ(Binding(25), "");
    EXPECT_FALSE(inpReadHotKeyFile("missing.hot"));
}

TEST_F(HotKeys, AUserFileWinsOverTheDefault) {
    WriteWholeFile("default.hot", "d Default Widget 0\n");
    ConsoleCapture console;
    inpLoadHotKeys("nobody");
    EXPECT_EQ(Binding(3), "Default/Widget/0");
    WriteWholeFile("nobody.hot", "n Mine Widget 0\n");
    inpLoadHotKeys("nobody");
    EXPECT_EQ(Binding(13), "Mine/Widget/0");
    WriteWholeFile("unknown.hot", "u Unknown Widget 0\n");
    inpLoadHotKeys(nullptr);
    EXPECT_EQ(Binding(20), "Unknown/Widget/0");
}

TEST_F(HotKeys, LongNamesAreCutAndACutRecordIsNotBound) {
    std::string longName(300, 'x');
    WriteWholeFile("long.hot", "F10 " + longName + " \"" + longName + "\" " + longName +
                                   "\nb Bank Widget\n");
    ConsoleCapture console;
    ASSERT_TRUE(inpReadHotKeyFile("long.hot"));
    EXPECT_EQ(Binding(35), std::string(31, 'x') + "/" + std::string(31, 'x') + "/" +
                               std::string(31, 'x'));
    EXPECT_EQ(Binding(1), "");
    std::string printed = console.Take();
    EXPECT_NE(printed.find("Warning: long.hot(2): hotkey 'b' has no bank"), std::string::npos)
        << printed;
}

// Damaged hot-key files: each reads to its end, and every slot stays empty or holds three
// terminated names of at most 31 characters.
TEST_F(HotKeys, DamagedFilesNeverHurt) {
    const std::string good =
        "a Banks \"Load Config\" 1\nF12 \"Track Camera\" \"POV Mode\" on\n"
        "F3 Pipeline Wireframe 1 ; comment\nz \"Bank \" \"W\" \"\"\n";
    std::mt19937 random(22);
    ConsoleCapture console;
    for (int round = 0; round < 1200; ++round) {
        std::string text = good;
        switch (round % 6) {
        case 0:  // bit flips
            for (int i = 0; i < 1 + round % 7; ++i) {
                text[random() % text.size()] ^= char(1 << (random() % 8));
            }
            break;
        case 1:  // cut anywhere
            text.resize(random() % text.size());
            break;
        case 2:  // random bytes, zeros and quotes among them
            for (char& c : text) {
                if (random() % 4 == 0) c = char(random() % 256);
            }
            break;
        case 3:  // a long token somewhere
            text.insert(random() % text.size(), std::string(100 + random() % 5000, 'F'));
            break;
        case 4:  // an unclosed quote
            text.insert(random() % text.size(), "\"");
            text.resize(text.size() - random() % 10);
            break;
        default:  // huge and negative function-key numbers
            text = "F" + std::to_string(int32_t(random())) + " b w v\nF-" +
                   std::to_string(random() % 100) + " b w v\n" + text;
            break;
        }
        ASSERT_TRUE(WriteWholeFile("bad.hot", text));
        ASSERT_TRUE(inpReadHotKeyFile("bad.hot"));
        for (const inpHotKey& entry : inpHotKeys) {
            if (!entry.m_Bank) continue;
            ASSERT_LE(strlen(entry.m_Bank), 31u);
            ASSERT_LE(strlen(entry.m_Widget), 31u);
            ASSERT_LE(strlen(entry.m_Value), 31u);
        }
    }
    console.Take();
}

}  // namespace
