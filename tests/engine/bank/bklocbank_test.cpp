#include "bank/bklocbank.h"

#include <direct.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bank/gfxbank.h"
#include "tests/support/child.h"
#include "tests/support/scratch.h"

namespace {

// A bank whose lines are written down and whose keys are a scripted code.
class ScriptBank : public bkLocBank {
public:
    ScriptBank() : bkLocBank(100, 100) {}
    void DrawLine(int column, int row, const char* text) override {
        m_Lines.push_back(std::to_string(column) + "," + std::to_string(row) + " " + text);
    }
    int ReadNavigation(float* amount) override {
        *amount = m_Amount;
        return m_Code;
    }
    // One frame with the code.
    void Key(int code, float amount = 0) {
        m_Code = code;
        m_Amount = amount;
        Update();
        m_Code = NavNone;
    }
    std::vector<std::string> Drawn() {
        m_Lines.clear();
        Draw();
        return m_Lines;
    }

    int m_Code = NavNone;
    float m_Amount = 0;
    std::vector<std::string> m_Lines;
};

int g_Calls;
void Count() {
    ++g_Calls;
}

class LocBank : public ::testing::Test {
protected:
    void SetUp() override {
        g_Calls = 0;
        bkLocBank::sm_NumShown = 10;
        bkLocBank::sm_Current = nullptr;
    }
    void TearDown() override { bkLocBank::sm_Current = nullptr; }
};

TEST_F(LocBank, TheCursorScrollsTheShownLines) {
    ScriptBank bank;
    for (int i = 0; i < 30; ++i) {
        bank.AddButton(("b" + std::to_string(i)).c_str());
    }
    bank.Key(bkLocBank::NavUp);
    EXPECT_EQ(bank.ActiveWidget, 0);
    for (int i = 0; i < 9; ++i) {
        bank.Key(bkLocBank::NavDown);
    }
    EXPECT_EQ(bank.ActiveWidget, 9);
    EXPECT_EQ(bank.m_FirstShown, 0);
    bank.Key(bkLocBank::NavDown);
    EXPECT_EQ(bank.ActiveWidget, 10);
    EXPECT_EQ(bank.m_FirstShown, 1);
    std::vector<std::string> lines = bank.Drawn();
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines.front(), "2,0 -- b1 --");
    EXPECT_EQ(lines[lines.size() - 2], "0,9 >>");
    EXPECT_EQ(lines.back(), "2,9 -- b10 --");

    for (int i = 0; i < 40; ++i) {
        bank.Key(bkLocBank::NavDown);
    }
    EXPECT_EQ(bank.ActiveWidget, 29);
    EXPECT_EQ(bank.m_FirstShown, 20);
    for (int i = 0; i < 10; ++i) {
        bank.Key(bkLocBank::NavUp);
    }
    EXPECT_EQ(bank.ActiveWidget, 19);
    EXPECT_EQ(bank.m_FirstShown, 19);
}

TEST_F(LocBank, ClosedGroupsAreSkippedUntilOpened) {
    ScriptBank bank;
    uint8_t flag = 0;
    bank.AddButton("top");
    bank.PushGroup("Outer", false);
    bank.AddToggle("inside", &flag);
    bank.PushGroup("Inner", false);
    bank.AddButton("deep");
    bank.PopGroup();
    bank.PopGroup();
    bank.AddButton("bottom");

    EXPECT_EQ(bank.Drawn(), (std::vector<std::string>{"0,0 >>", "2,0 -- top --",
                                                      "2,1 Outer-[CLOSED]", "2,2 -- bottom --"}));
    bank.Key(bkLocBank::NavDown);
    bank.Key(bkLocBank::NavDown);
    EXPECT_EQ(bank.ActiveWidget, 5);
    bank.Key(bkLocBank::NavUp);
    EXPECT_EQ(bank.ActiveWidget, 1);
    bank.Key(bkLocBank::NavPress);
    // The nested closed group keeps its contents hidden.
    EXPECT_EQ(bank.Drawn(),
              (std::vector<std::string>{"2,0 -- top --", "0,1 >>", "2,1 Outer-[OPENED]",
                                        "3,2 inside: [ ]", "3,3 Inner-[CLOSED]",
                                        "2,4 -- bottom --"}));
    bank.Key(bkLocBank::NavDown);
    bank.Key(bkLocBank::NavDown);
    bank.Key(bkLocBank::NavPress);
    bank.Key(bkLocBank::NavDown);
    EXPECT_EQ(bank.ActiveWidget, 4);
    EXPECT_EQ(bank.Drawn()[5], "4,4 -- deep --");
    // Closing the outer group hides both levels again.
    for (int i = 0; i < 3; ++i) {
        bank.Key(bkLocBank::NavUp);
    }
    bank.Key(bkLocBank::NavPress);
    EXPECT_EQ(bank.Drawn().size(), 4u);
    bank.Key(bkLocBank::NavDown);
    EXPECT_EQ(bank.ActiveWidget, 5);
}

TEST_F(LocBank, LinesShowTheVariablesAsTheyAreNow) {
    ScriptBank bank;
    float f = 1.5f;
    uint8_t u8 = 200, byteMask = 4;
    int8_t i8 = -5;
    uint16_t u16 = 60000, wordMask = 0x100;
    int16_t i16 = -300;
    uint32_t u32 = 4000000000u, u32bool = 0, u32mask = 0x10;
    int32_t i32 = -70000, combo = 12;
    uint8_t byteCombo = 9;
    const char* names[] = {"zero", "one", "two"};
    bank.AddSlider("T", &f, 0.0f, 10.0f, 0.1f);
    bank.AddSlider("u8", &u8, (uint8_t)0, (uint8_t)255, 1.0f);
    bank.AddSlider("i8", &i8, (int8_t)-10, (int8_t)10, 1.0f);
    bank.AddSlider("u16", &u16, (uint16_t)0, (uint16_t)65535, 1.0f);
    bank.AddSlider("i16", &i16, (int16_t)-1000, (int16_t)1000, 1.0f);
    bank.AddSlider("u32", &u32, 0u, 4294967295u, 1.0f);
    bank.AddSlider("i32", &i32, -100000, 100000, 1.0f);
    bank.AddToggle("bool", &u32bool);
    bank.AddToggle("mask32", &u32mask, 0x10u);
    bank.AddToggle("mask16", &wordMask, (uint16_t)0x200);
    bank.AddToggle("mask8", &byteMask, (uint8_t)4);
    bank.AddCombo("combo", &combo, 3, names, 10);
    bank.AddCombo("bytes", &byteCombo, 3, names, 10);
    bank.AddButton("press", datCallback(Count));
    bkLocBank::sm_NumShown = 25;
    std::vector<std::string> lines = bank.Drawn();
    const std::vector<std::string> expected = {
        "0,0 >>",          "2,0 T:    1.500",     "2,1 u8: 200",        "2,2 i8: -5",
        "2,3 u16: 60000",  "2,4 i16: -300",       "2,5 u32: 4000000000", "2,6 i32: -70000",
        "2,7 bool: [ ]",   "2,8 mask32: [X]",     "2,9 mask16: [ ]",    "2,10 mask8: [X]",
        "2,11 combo: [two]", "2,12 bytes: [?????]", "2,13 [[press]]"};
    EXPECT_EQ(lines, expected);
}

TEST_F(LocBank, StepsStayWithinTheRange) {
    ScriptBank bank;
    uint8_t u8 = 250;
    float f = 0.5f;
    int32_t combo = 2;
    const char* names[] = {"a", "b", "c"};
    bank.AddSlider("u8", &u8, (uint8_t)0, (uint8_t)255, 1.0f, datCallback(Count));
    bank.AddSlider("f", &f, 0.0f, 1.0f, 0.25f, datCallback(Count));
    bank.AddCombo("c", &combo, 3, names, 0, datCallback(Count));
    bank.Key(bkLocBank::NavAdjust, 10);
    EXPECT_EQ(u8, 255);
    EXPECT_EQ(g_Calls, 1);
    bank.Key(bkLocBank::NavAdjust, 10);
    EXPECT_EQ(g_Calls, 1);
    bank.Key(bkLocBank::NavAdjust, -1);
    EXPECT_EQ(u8, 254);

    bank.Key(bkLocBank::NavDown);
    bank.Key(bkLocBank::NavAdjust, -1);
    EXPECT_FLOAT_EQ(f, 0.25f);
    bank.Key(bkLocBank::NavAdjust, -10);
    EXPECT_FLOAT_EQ(f, 0.0f);
    EXPECT_EQ(g_Calls, 4);

    bank.Key(bkLocBank::NavDown);
    bank.Key(bkLocBank::NavAdjust, 1);
    EXPECT_EQ(combo, 2);
    bank.Key(bkLocBank::NavAdjust, -10);
    EXPECT_EQ(combo, 2);
    bank.Key(bkLocBank::NavStepDown);
    EXPECT_EQ(combo, 1);
    bank.Key(bkLocBank::NavStepUp);
    EXPECT_EQ(combo, 2);
    EXPECT_EQ(g_Calls, 6);
}

TEST_F(LocBank, PressesFlipTogglesAndRunCallbacks) {
    ScriptBank bank;
    uint8_t byteBool = 2;
    uint32_t word = 0, bits = 0x11;
    float slider = 1;
    bank.AddToggle("b", &byteBool, datCallback(Count));
    bank.AddToggle("w", &word, datCallback(Count));
    bank.AddToggle("m", &bits, 0x10u, datCallback(Count));
    bank.AddButton("label");
    bank.AddSlider("s", &slider, 0.0f, 2.0f, 1.0f, datCallback(Count));
    bank.AddButton("button", datCallback(Count));
    // A byte holding 2 is on: a press turns it off.
    bank.Key(bkLocBank::NavPress);
    EXPECT_EQ(byteBool, 0);
    bank.Key(bkLocBank::NavPress);
    EXPECT_EQ(byteBool, 1);
    bank.Key(bkLocBank::NavDown);
    bank.Key(bkLocBank::NavPress);
    EXPECT_EQ(word, 1u);
    bank.Key(bkLocBank::NavDown);
    bank.Key(bkLocBank::NavPress);
    EXPECT_EQ(bits, 0x01u);
    EXPECT_EQ(g_Calls, 4);
    bank.Key(bkLocBank::NavDown);
    bank.Key(bkLocBank::NavPress);
    bank.Key(bkLocBank::NavDown);
    bank.Key(bkLocBank::NavPress);
    EXPECT_EQ(g_Calls, 4);
    bank.Key(bkLocBank::NavDown);
    bank.Key(bkLocBank::NavPress);
    EXPECT_EQ(g_Calls, 5);
    // Text fields are not added; the titles serve the hot keys.
    char text[8] = "x";
    bank.AddText("text", text, 8, NullCallback);
    bank.AddText("text", text, 8, false, NullCallback);
    EXPECT_EQ(bank.NumWidgets, 6);
    EXPECT_EQ(bkFindWidget(&bank, "BUTTON"), bank.Widget[5]);
}

TEST_F(LocBank, OneBankIsShownAtATime) {
    ScriptBank a, b;
    a.Open();
    EXPECT_EQ(bkLocBank::sm_Current, &a);
    b.Open();
    EXPECT_FALSE(a.IsOpen());
    EXPECT_EQ(bkLocBank::sm_Current, &b);
    // Even an empty bank closes.
    b.Key(bkLocBank::NavClose);
    EXPECT_FALSE(b.IsOpen());
    EXPECT_EQ(bkLocBank::sm_Current, nullptr);
    bool open = true;
    int ignored = 0;
    a.GetConfig(&open, &ignored, &ignored, &ignored, &ignored);
    EXPECT_FALSE(open);
}

// These banks are no windows: a layout given is kept and reported back as it was given, and
// which bank is shown stays the keypad's choice. Before any layout a bank reports where it was
// made, at the size of a new bank window, never zeros that a window would take.
TEST_F(LocBank, ReportsTheLayoutLastGivenElseItsPlaceOfCreation) {
    ScriptBank a;
    bool open = true;
    int place[4] = {};
    a.GetConfig(&open, &place[0], &place[1], &place[2], &place[3]);
    EXPECT_FALSE(open);
    EXPECT_EQ(std::vector<int>(place, place + 4), (std::vector<int>{100, 100, 200, 600}));
    a.SetConfig(true, 1, 2, 3, 4);
    EXPECT_FALSE(a.IsOpen());
    EXPECT_EQ(bkLocBank::sm_Current, nullptr);
    a.GetConfig(&open, &place[0], &place[1], &place[2], &place[3]);
    EXPECT_TRUE(open);
    EXPECT_EQ(std::vector<int>(place, place + 4), (std::vector<int>{1, 2, 3, 4}));
    a.Open();
    a.SetConfig(false, 5, 6, 7, 8);
    EXPECT_TRUE(a.IsOpen());
    a.GetConfig(&open, &place[0], &place[1], &place[2], &place[3]);
    EXPECT_FALSE(open);
}

TEST(LocNavigation, KeypadCodes) {
    struct Case {
        std::vector<uint8_t> m_Now;
        std::vector<uint8_t> m_Before;
        int m_Code;
        float m_Amount;
    };
    const Case cases[] = {
        {{0x48}, {}, bkLocBank::NavUp, 0},
        {{0x48}, {0x48}, bkLocBank::NavNone, 0},
        {{0x49}, {0x49}, bkLocBank::NavUp, 0},
        {{0x50}, {}, bkLocBank::NavDown, 0},
        {{0x51}, {0x51}, bkLocBank::NavDown, 0},
        {{0x9C}, {}, bkLocBank::NavPress, 0},
        {{0x4B}, {}, bkLocBank::NavStepDown, 0},
        {{0x4D}, {}, bkLocBank::NavStepUp, 0},
        {{0x52}, {0x52}, bkLocBank::NavAdjust, -1},
        {{0x52, 0x36}, {}, bkLocBank::NavAdjust, -10},
        {{0x53}, {}, bkLocBank::NavAdjust, 1},
        {{0x53, 0x2A}, {}, bkLocBank::NavAdjust, 10},
        {{0x32, 0x1D}, {0x1D}, bkLocBank::NavClose, 0},
        {{0x32, 0x9D}, {}, bkLocBank::NavClose, 0},
        {{0x32}, {}, bkLocBank::NavNone, 0},
        {{0x48, 0x50}, {}, bkLocBank::NavUp, 0},
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
        uint8_t now[256] = {}, before[256] = {};
        for (uint8_t key : cases[i].m_Now) now[key] = 0x80;
        for (uint8_t key : cases[i].m_Before) before[key] = 0x80;
        float amount = 0;
        EXPECT_EQ(bkLocNavigationFromKeys(now, before, &amount), cases[i].m_Code) << i;
        EXPECT_EQ(amount, cases[i].m_Amount) << i;
    }
}

// The manager of in-window banks with a recording debug text and scripted keys.
class RecordingText : public gfxBankText {
public:
    void Print(int x, int y, const char* text) override {
        m_Printed.push_back(std::to_string(x) + "," + std::to_string(y) + " " + text);
    }
    int GetCharWidth() override { return 8; }
    int GetCharHeight() override { return 12; }
    int GetScreenHeight() override { return 480; }
    std::vector<std::string> m_Printed;
};

uint8_t g_Now[256];
uint8_t g_Before[256];
void ScriptedKeys(const uint8_t** current, const uint8_t** previous) {
    *current = g_Now;
    *previous = g_Before;
}

class InWindow : public ::testing::Test {
protected:
    void SetUp() override {
        _getcwd(m_Home, sizeof(m_Home));
        _chdir(m_Scratch.Root().c_str());
        m_Printer = gfxBankPrinter;
        gfxBankPrinter = &m_Text;
        gfxBankKeys = ScriptedKeys;
        bkLocBank::sm_WidgetsAtTop = 1;
        bkLocBank::sm_XOffset = 15;
        bkLocBank::sm_YOffset = 0;
        bkLocBank::sm_NumShown = 10;
        bkManager::CreateInstance(gfxBankManager::Create);
    }
    void TearDown() override {
        bkManager::DeleteInstance();
        gfxBankPrinter = m_Printer;
        gfxBankKeys = nullptr;
        _chdir(m_Home);
    }
    void Frame(std::vector<uint8_t> keys) {
        memcpy(g_Before, g_Now, 256);
        memset(g_Now, 0, 256);
        for (uint8_t key : keys) g_Now[key] = 0x80;
        bkManager::GetInstance()->Update();
    }

    RecordingText m_Text;
    gfxBankText* m_Printer = nullptr;
    ScratchDir m_Scratch;
    char m_Home[MAX_PATH];
};

TEST_F(InWindow, BanksOpenFromTheBankOfBanksAndCloseWithCtrlM) {
    bkManager* manager = bkManager::GetInstance();
    bkBank* tools = manager->AddBank("Tools", 0, 0, true);
    float value = 1.5f;
    tools->AddSlider("T", &value, 0.0f, 2.0f, 0.5f);
    // Adding a bank closes the shown one: nothing is shown at first.
    EXPECT_EQ(bkLocBank::sm_Current, nullptr);
    Frame({});
    manager->Draw();
    EXPECT_TRUE(m_Text.m_Printed.empty());

    Frame({0x1D, 0x32});
    ASSERT_EQ(bkLocBank::sm_Current, manager->Banks[0]);
    manager->Draw();
    EXPECT_EQ(m_Text.m_Printed,
              (std::vector<std::string>{"15,0 >>", "31,0 Bank Positioning-[CLOSED]",
                                        "31,12 [[Load Config]]", "31,24 [[Save Config]]",
                                        "31,36 [[Tools]]"}));
    Frame({});
    Frame({0x50});
    Frame({});
    Frame({0x50});
    Frame({});
    Frame({0x50});
    Frame({0x9C});
    EXPECT_EQ(bkLocBank::sm_Current, tools);
    m_Text.m_Printed.clear();
    manager->Draw();
    EXPECT_EQ(m_Text.m_Printed, (std::vector<std::string>{"15,0 >>", "31,0 T:    1.500"}));
    Frame({0x53, 0x2A});
    EXPECT_FLOAT_EQ(value, 2.0f);
    Frame({0x1D, 0x32});
    EXPECT_EQ(bkLocBank::sm_Current, nullptr);

    manager->DestroyBank(tools);
    EXPECT_EQ(manager->Banks[0]->NumWidgets, 7);
}

TEST_F(InWindow, WithoutALayoutFileTheBanksWriteWhereTheyWereMade) {
    bkManager* manager = bkManager::GetInstance();
    manager->AddBank("Tools", 30, -40, true);
    Frame({});
    manager->SaveConfig("local.bfg");
    EXPECT_EQ(ReadWholeFile("local.bfg"),
              "2\n\"Banks\" 1 100 100 200 600\n\"Tools\" 0 30 -40 200 600\n");
}

TEST_F(InWindow, ThePositioningGroupPlacesTheLines) {
    bkManager* manager = bkManager::GetInstance();
    manager->Banks[0]->Open();
    gfxBank* banks = static_cast<gfxBank*>(manager->Banks[0]);
    banks->GetLocWidget(0)->Press();
    banks->ActiveWidget = 0;
    m_Text.m_Printed.clear();
    manager->Draw();
    EXPECT_EQ(m_Text.m_Printed.size(), 8u);
    EXPECT_EQ(m_Text.m_Printed[2], "39,12 Widgets at Top: [X]");
    EXPECT_EQ(m_Text.m_Printed[3], "39,24 X Offset: 15");
    EXPECT_EQ(m_Text.m_Printed[5], "39,48 Num Shown: 10");

    // At the bottom: the last shown row stands one character above the y offset from the
    // bottom of the screen.
    bkLocBank::sm_WidgetsAtTop = 0;
    bkLocBank::sm_YOffset = 20;
    bkLocBank::sm_NumShown = 7;
    m_Text.m_Printed.clear();
    manager->Draw();
    ASSERT_EQ(m_Text.m_Printed.size(), 8u);
    EXPECT_EQ(m_Text.m_Printed.back(), "31," + std::to_string(480 - 20 - 12) + " [[Save Config]]");
    EXPECT_EQ(m_Text.m_Printed[1], "31," + std::to_string(-7 * 12 - 20 + 480) +
                                       " Bank Positioning-[OPENED]");
}

TEST_CHILD(UnclosedGroup) {
    ScriptBank first;
    first.PushGroup("closed", false);
    ScriptBank second;
    return 0;
}

TEST_CHILD(NinthGroup) {
    ScriptBank bank;
    for (int i = 0; i < 9; ++i) {
        bank.PushGroup("g", true);
    }
    return 0;
}

TEST_CHILD(PopWithoutPush) {
    ScriptBank bank;
    bank.PopGroup();
    return 0;
}

TEST_CHILD(PopOtherBank) {
    ScriptBank first;
    ScriptBank second;
    first.PushGroup("g", true);
    second.PopGroup();
    return 0;
}

TEST_CHILD(SliderOutOfRange) {
    ScriptBank bank;
    int32_t value = 11;
    bank.AddSlider("s", &value, 0, 10, 1.0f);
    return 0;
}

TEST(LocBankMisuse, IsFatal) {
    ExpectFatalChildren({
        {"UnclosedGroup", "unclosed group?"},
        {"NinthGroup", "Assert(groupStackPointer < maxGroupStack) failed in [bank/bklocbank"},
        {"PopWithoutPush", "Assert(groupStackPointer) failed in [bank/bklocbank"},
        {"PopOtherBank", "Assert(groupBank[groupStackPointer] == this) failed in [bank/bklocbank"},
        {"SliderOutOfRange",
         "Assert(!delta || (*value >= min && *value <= max)) failed in [bank/bklocbank"},
    });
}

}  // namespace
