#include "bank/bkwinwidget.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bank/bkwinbutton.h"
#include "bank/bkwincombo.h"
#include "bank/bkwinslider.h"
#include "bank/bkwintext.h"
#include "bank/bkwintoggle.h"
#include "tests/support/child.h"
#include "tests/engine/bank/winfixture.h"

namespace {

int g_Calls;

void Count() {
    ++g_Calls;
}

const datCallback Counting(Count);

int Width(HWND control) {
    RECT rect = WindowRect(control);
    return rect.right - rect.left;
}

HFONT FontOf(HWND control) {
    return reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
}

// The user types the characters into a field with the caret at the end.
void Type(HWND edit, const char* text) {
    for (const char* c = text; *c; ++c) {
        SendMessageA(edit, WM_CHAR, *c, 0);
    }
}

void Enter(HWND edit) {
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
}

// The user picks the item from the combo's list.
void Choose(bkWinBank* bank, bkCombo* combo, HWND list, int index) {
    SendMessageA(list, CB_SETCURSEL, index, 0);
    SendMessageA(bank->GetWindow(), WM_COMMAND,
                 MAKEWPARAM(static_cast<bkWinCombo*>(combo)->GetId(), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

class WinWidgets : public WinBanks {
protected:
    void SetUp() override {
        WinBanks::SetUp();
        g_Calls = 0;
        m_Bank = AddBank("Widgets");
        m_Bank->Open();
    }

    bkWinBank* m_Bank = nullptr;
};

}  // namespace

TEST_F(WinWidgets, IdsFollowTheTableAndCloseUpWhenAWidgetGoes) {
    // "Banks" holds Load Config, Save Config and the button of this bank.
    ASSERT_EQ(bkWinWidget::Count(), 3);
    float value = 0;
    bkButton* first = m_Bank->AddButton("first", NullCallback);
    bkButton* second = m_Bank->AddButton("second", NullCallback);
    bkSlider* third = m_Bank->AddSlider("third", &value, 0.0f, 10.0f, 1.0f, Counting);
    EXPECT_EQ(static_cast<bkWinButton*>(first)->GetId(), 1503);
    EXPECT_EQ(static_cast<bkWinButton*>(second)->GetId(), 1504);
    EXPECT_EQ(static_cast<bkWinSlider*>(third)->GetId(), 1505);

    m_Bank->RemoveWidget(second);
    EXPECT_EQ(bkWinWidget::Count(), 5);
    EXPECT_EQ(static_cast<bkWinSlider*>(third)->GetId(), 1504);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(GetDlgCtrlID(Control<bkWinSlider>(third, i)), 1504) << i;
    }
    EXPECT_EQ(ChildRect(Control<bkWinSlider>(third, 0)).top, 20);

    // Its notifications still reach it under the new id.
    m_Bank->Update();
    SendMessageA(m_Bank->GetWindow(), WM_HSCROLL, SB_LINERIGHT,
                 reinterpret_cast<LPARAM>(Control<bkWinSlider>(third, 2)));
    EXPECT_EQ(value, 1.0f);
}

TEST_F(WinWidgets, ButtonsRunTheirCallbackAndLabelsAreStatic) {
    bkButton* button = m_Bank->AddButton("Press", Counting);
    bkButton* label = m_Bank->AddButton("Label");
    char className[32];
    GetClassNameA(Control<bkWinButton>(label, 0), className, sizeof(className));
    EXPECT_STREQ(className, "Static");
    EXPECT_EQ(WindowText(Control<bkWinButton>(label, 0)), "Label");

    SendMessageA(Control<bkWinButton>(button, 0), BM_CLICK, 0, 0);
    SendMessageA(Control<bkWinButton>(button, 0), BM_CLICK, 0, 0);
    EXPECT_EQ(g_Calls, 2);
    static_cast<bkWinButton*>(button)->SetTitle("Pressed");
    EXPECT_EQ(WindowText(Control<bkWinButton>(button, 0)), "Pressed");
}

TEST_F(WinWidgets, TogglesFlipTheirVariableAndFollowIt) {
    uint8_t flag = 0;
    uint32_t bits = 0x0303;
    bkToggle* byte = m_Bank->AddToggle("Flag", &flag, Counting);
    bkToggle* masked = m_Bank->AddToggle("Bits", &bits, 0x0100u, Counting);
    HWND flagBox = Control<bkWinToggle>(byte, 0);
    HWND bitsBox = Control<bkWinToggle>(masked, 0);
    EXPECT_EQ(SendMessageA(flagBox, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(bitsBox, BM_GETCHECK, 0, 0), BST_CHECKED);

    SendMessageA(flagBox, BM_CLICK, 0, 0);
    SendMessageA(bitsBox, BM_CLICK, 0, 0);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(bits, 0x0203u);
    EXPECT_EQ(g_Calls, 2);
    EXPECT_EQ(SendMessageA(flagBox, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(bitsBox, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // The program's own changes show at the next update, without the callback.
    flag = 0;
    bits = 0xFFFF;
    m_Bank->Update();
    EXPECT_EQ(SendMessageA(flagBox, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(bitsBox, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(g_Calls, 2);

    // Hot keys find the toggle by its title.
    bkWidget* found = bkFindWidget(m_Bank, "flag");
    ASSERT_NE(found, nullptr);
    found->Activate("ignored");
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(g_Calls, 3);
    EXPECT_EQ(SendMessageA(flagBox, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(WinWidgets, TextFieldsCommitOnEnterAndLostFocus) {
    char text[8] = "abc";
    bkText* field = m_Bank->AddText("Name", text, sizeof(text), Counting);
    HWND label = Control<bkWinText>(field, 0);
    HWND edit = Control<bkWinText>(field, 1);
    EXPECT_EQ(WindowText(label), "Name");
    EXPECT_EQ(WindowText(edit), "abc");
    EXPECT_EQ(Width(label), int(m_Bank->m_Width * 0.47f));
    EXPECT_EQ(Width(label) + Width(edit), m_Bank->m_Width);
    m_Bank->Update();
    EXPECT_EQ(g_Calls, 0);

    SendMessageA(edit, EM_SETSEL, 0, -1);
    Type(edit, "xy");
    EXPECT_EQ(FontOf(edit), Mgr()->m_BoldFont);
    EXPECT_STREQ(text, "abc");
    Enter(edit);
    EXPECT_STREQ(text, "xy");
    EXPECT_EQ(FontOf(edit), Mgr()->m_Font);
    EXPECT_EQ(g_Calls, 1);
    Enter(edit);
    EXPECT_EQ(g_Calls, 1);

    // Keys other than the caret keys do nothing.
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(WindowText(edit), "xy");

    SetWindowTextA(edit, "kf");
    SendMessageA(edit, WM_KILLFOCUS, 0, 0);
    EXPECT_STREQ(text, "kf");
    EXPECT_EQ(g_Calls, 2);

    // Text set past the field's limit is cut to the buffer, which stays terminated.
    SetWindowTextA(edit, "0123456789");
    Enter(edit);
    EXPECT_STREQ(text, "0123456");

    strcpy(text, "prog");
    m_Bank->Update();
    EXPECT_EQ(WindowText(edit), "prog");
    EXPECT_EQ(g_Calls, 4);
    m_Bank->Update();
    EXPECT_EQ(g_Calls, 4);
}

TEST_F(WinWidgets, ReadOnlyTextNeverWritesTheBuffer) {
    char text[16] = "fixed";
    bkText* field = m_Bank->AddText(nullptr, text, sizeof(text), true, Counting);
    HWND edit = Control<bkWinText>(field, 0);
    EXPECT_EQ(Width(edit), m_Bank->m_Width);
    EXPECT_TRUE(GetWindowLongA(edit, GWL_STYLE) & ES_READONLY);
    SetWindowTextA(edit, "changed");
    Enter(edit);
    SendMessageA(edit, WM_KILLFOCUS, 0, 0);
    m_Bank->Update();
    EXPECT_STREQ(text, "fixed");
    EXPECT_EQ(g_Calls, 0);
}

TEST_F(WinWidgets, SliderFieldsFilterTheCharacters) {
    int32_t natural = 0;
    int32_t integer = 0;
    float real = 0;
    float positive = 0;
    bkSlider* sliders[] = {
        m_Bank->AddSlider("natural", &natural, 0, 10, 1.0f),
        m_Bank->AddSlider("integer", &integer, -1, 10, 1.0f),
        m_Bank->AddSlider("real", &real, -1.0f, 10.0f, 1.0f),
        m_Bank->AddSlider("positive", &positive, 0.0f, 10.0f, 1.0f),
    };
    struct Case {
        int slider;
        const char* before;
        int start;
        int end;
        char c;
        const char* after;
    } cases[] = {
        {0, "", 0, 0, '-'},        {1, "", 0, 0, '-', "-"},
        {1, "5", 1, 1, '-', "5"},      {1, "-5", 0, 0, '-', "-5"},
        {2, "1.5", 3, 3, '.', "1.5"},  {2, "15", 1, 1, '.', "1.5"},
        {1, "15", 1, 1, '.', "15"},    {3, "", 0, 0, '-'},
        {2, "1.5", 1, 2, '.', "1.5"},  {2, "-5", 0, 1, '7', "75"},
        {0, "12", 2, 2, 'a', "12"},    {0, "12", 2, 2, '3', "123"},
        {0, "12", 2, 2, '\b', "1"},    {2, "-1.5", 4, 4, '\b', "-1."},
    };
    for (const Case& c : cases) {
        HWND edit = Control<bkWinSlider>(sliders[c.slider], 1);
        SetWindowTextA(edit, c.before);
        SendMessageA(edit, EM_SETSEL, c.start, c.end);
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c.c), 0);
        EXPECT_EQ(WindowText(edit), c.after) << c.slider << " '" << c.before << "' " << c.c;
    }
}

TEST_F(WinWidgets, SliderCommitsWhatIsTyped) {
    float real = 0;
    int32_t integer = 0;
    bkSlider* realSlider = m_Bank->AddSlider("real", &real, -10.0f, 10.0f, 0.5f, Counting);
    bkSlider* intSlider = m_Bank->AddSlider("int", &integer, 0, 10, 1.0f, Counting);
    HWND realEdit = Control<bkWinSlider>(realSlider, 1);
    HWND intEdit = Control<bkWinSlider>(intSlider, 1);
    m_Bank->Update();
    EXPECT_EQ(g_Calls, 2);  // the first update shows every slider once
    EXPECT_EQ(WindowText(realEdit), "0.0");
    g_Calls = 0;

    struct Case {
        HWND edit;
        const char* typed;
        const char* shown;
        int calls;
    } cases[] = {
        {realEdit, "7", "7", 1},     {realEdit, "7.50", "7.5", 1}, {realEdit, "7.5", "7.5", 0},
        {realEdit, "-2.25", "-2.25", 1}, {realEdit, "40", "10", 1},
        {intEdit, "12", "10", 1},    {intEdit, "3", "3", 1},
    };
    for (const Case& c : cases) {
        g_Calls = 0;
        SendMessageA(c.edit, EM_SETSEL, 0, -1);
        Type(c.edit, c.typed);
        EXPECT_EQ(FontOf(c.edit), Mgr()->m_BoldFont) << c.typed;
        Enter(c.edit);
        EXPECT_EQ(WindowText(c.edit), c.shown) << c.typed;
        EXPECT_EQ(FontOf(c.edit), Mgr()->m_Font) << c.typed;
        EXPECT_EQ(g_Calls, c.calls) << c.typed;
    }
    EXPECT_EQ(real, 10.0f);
    EXPECT_EQ(integer, 3);
    // What was committed is not reported again by the frame update.
    g_Calls = 0;
    m_Bank->Update();
    EXPECT_EQ(g_Calls, 0);
}

TEST_F(WinWidgets, SliderScrollBarStepsAndProgramChangesRunTheCallbackOnce) {
    int32_t value = 5;
    bkSlider* slider = m_Bank->AddSlider("steps", &value, 0, 10, 2.0f, Counting);
    HWND edit = Control<bkWinSlider>(slider, 1);
    HWND scroll = Control<bkWinSlider>(slider, 2);
    m_Bank->Update();
    g_Calls = 0;
    auto Scroll = [&](int code) {
        SendMessageA(m_Bank->GetWindow(), WM_HSCROLL, code, reinterpret_cast<LPARAM>(scroll));
    };
    Scroll(SB_LINERIGHT);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(WindowText(edit), "7");
    EXPECT_EQ(g_Calls, 1);
    Scroll(SB_LINELEFT);
    Scroll(SB_LINELEFT);
    EXPECT_EQ(value, 3);
    Scroll(SB_THUMBTRACK);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(g_Calls, 3);

    // Text typed but not committed is taken before the step.
    SetWindowTextA(edit, "8");
    Scroll(SB_LINERIGHT);
    EXPECT_EQ(value, 10);

    g_Calls = 0;
    value = 4;
    m_Bank->Update();
    EXPECT_EQ(WindowText(edit), "4");
    m_Bank->Update();
    EXPECT_EQ(g_Calls, 1);
}

TEST_F(WinWidgets, SliderWidthsAndReadOuts) {
    float shown = 12.5f;
    float edited = 0;
    bkSlider* readOut = m_Bank->AddSlider("stat", &shown, 0.0f, 0.0f, 0.0f);
    bkSlider* slider = m_Bank->AddSlider("edit", &edited, 0.0f, 1.0f, 0.1f);
    int width = m_Bank->m_Width;
    HWND readEdit = Control<bkWinSlider>(readOut, 1);
    EXPECT_EQ(Control<bkWinSlider>(readOut, 2), nullptr);
    EXPECT_EQ(Width(readEdit), int(width * (0.17647f + 0.2941f)));
    EXPECT_EQ(Width(Control<bkWinSlider>(readOut, 0)) + Width(readEdit), width);
    EXPECT_EQ(Width(Control<bkWinSlider>(slider, 1)), int(width * 0.2941f));
    EXPECT_EQ(Width(Control<bkWinSlider>(slider, 2)), int(width * 0.17647f));
    m_Bank->Update();
    EXPECT_EQ(WindowText(readEdit), "12.5");
    // A read-out field has no edit procedure: focus changes leave the value alone.
    SetWindowTextA(readEdit, "3");
    SendMessageA(readEdit, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(shown, 12.5f);

    // A wider bank re-lays every control.
    m_Bank->SetWidth(300);
    EXPECT_EQ(Width(Control<bkWinSlider>(slider, 1)), int(300 * 0.2941f));
}

TEST_F(WinWidgets, DraggingTheTitleAddsATenthOfAStepPerPixel) {
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    struct Case {
        const char* name;
        BYTE key;
        int from;
        int to;
        float added;
        int cursorAfterMove;
    } cases[] = {
        {"plain", 0, 500, 520, 2.0f, 520},
        {"shift", VK_SHIFT, 500, 520, 0.2f, 520},
        {"control", VK_CONTROL, 500, 490, -10.0f, 490},
        {"right edge wraps", 0, 500, screenWidth - 3, 0.0f, 16},
        {"left edge wraps", 0, 500, 4, 0.0f, screenWidth - 16},
    };
    float value = 0;
    bkSlider* slider = m_Bank->AddSlider("drag", &value, -100.0f, 100.0f, 1.0f, Counting);
    HWND title = Control<bkWinSlider>(slider, 0);
    for (const Case& c : cases) {
        value = 0;
        BYTE keys[256] = {};
        if (c.key) {
            keys[c.key] = 0x80;
        }
        SetKeyboardState(keys);
        SetCursorPos(c.from, 300);
        SendMessageA(title, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        EXPECT_EQ(GetCapture(), title) << c.name;
        EXPECT_TRUE(SendMessageA(title, BM_GETSTATE, 0, 0) & BST_PUSHED) << c.name;
        SetCursorPos(c.to, 300);
        SendMessageA(title, WM_MOUSEMOVE, MK_LBUTTON, 0);
        POINT cursor;
        GetCursorPos(&cursor);
        EXPECT_EQ(cursor.x, c.cursorAfterMove) << c.name;
        EXPECT_NEAR(value, c.added, 1e-5f) << c.name;
        SendMessageA(title, WM_LBUTTONUP, 0, 0);
        EXPECT_EQ(GetCapture(), nullptr) << c.name;
        EXPECT_FALSE(SendMessageA(title, BM_GETSTATE, 0, 0) & BST_PUSHED) << c.name;
        GetCursorPos(&cursor);
        EXPECT_EQ(cursor.x, c.from) << c.name;
    }
    BYTE keys[256] = {};
    SetKeyboardState(keys);
}

TEST_F(WinWidgets, CombosKeepTheirValueOnAnItem) {
    const char* names[] = {"a", "b", "c"};
    int32_t value = 3;
    bkCombo* combo = m_Bank->AddCombo("Pick", &value, 3, names, 2, Counting);
    HWND label = Control<bkWinCombo>(combo, 0);
    HWND list = Control<bkWinCombo>(combo, 1);
    EXPECT_EQ(Width(list), int(m_Bank->m_Width * 0.47f));
    EXPECT_EQ(Width(label) + Width(list), m_Bank->m_Width);
    EXPECT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 1);
    m_Bank->Update();
    EXPECT_EQ(g_Calls, 0);

    struct Case {
        int start;
        int index;
        int value;
    } cases[] = {{3, 2, 4}, {3, 3, 3}, {10, 5, 4}, {0, -1, 2}, {3, 0, 2}};
    for (const Case& c : cases) {
        value = c.start;
        combo->Select(c.index);
        EXPECT_EQ(value, c.value) << c.start << " " << c.index;
        EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), c.value - 2);
    }

    // The user's choice.
    g_Calls = 0;
    m_Bank->Update();
    Choose(m_Bank, combo, list, 2);
    EXPECT_EQ(value, 4);
    EXPECT_EQ(g_Calls, 2);
    m_Bank->Update();
    EXPECT_EQ(g_Calls, 2);

    // The program's.
    value = 3;
    m_Bank->Update();
    EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(g_Calls, 3);

    combo->AddItem("d");
    EXPECT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 4);
    combo->Select(3);
    EXPECT_EQ(value, 5);
    combo->RemoveItem(0);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 0);
    combo->Clear();
    EXPECT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 0);
}

TEST_F(WinWidgets, ByteCombosWithoutTitleFillTheRow) {
    const char* names[] = {"zero", "one"};
    uint8_t value = 1;
    bkCombo* combo = m_Bank->AddCombo(nullptr, &value, 2, names, 0, Counting);
    HWND list = Control<bkWinCombo>(combo, 0);
    EXPECT_EQ(Width(list), m_Bank->m_Width);
    EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 1);
    Choose(m_Bank, combo, list, 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(g_Calls, 1);
}

TEST_CHILD(WinComboFault) {
    bkManager::CreateInstance(bkWinManager::Create);
    bkBank* bank = bkManager::GetInstance()->AddBank("Fault", 0, 0, true);
    const char* holed[] = {"a", nullptr};
    int32_t value = 0;
    switch (ChildCase()) {
    case 1:
        bank->AddCombo("c", &value, 2, nullptr, 0);
        break;
    case 2:
        bank->AddCombo("c", &value, 2, holed, 0);
        break;
    case 3:
        bank->AddCombo("c", &value, 1, holed, 0)->AddItem(nullptr);
        break;
    default:
        break;
    }
    return 0;
}

TEST(WinWidgetFaults, BadComboItemsAreFatal) {
    ExpectFatalChildren({
        {"WinComboFault", "numitems==0 || list!=NULL", "case=1"},
        {"WinComboFault", "list[i]", "case=2"},
        {"WinComboFault", "choice!=NULL", "case=3"},
    });
}

TEST_F(WinWidgets, FieldsBeingTypedInDoNotCommitWhenTheyGo) {
    char text[16] = "kept";
    float value = 1.0f;
    bkText* field = m_Bank->AddText("Text", text, sizeof(text), Counting);
    bkSlider* slider = m_Bank->AddSlider("Slider", &value, 0.0f, 9.0f, 1.0f, Counting);
    HWND textEdit = Control<bkWinText>(field, 1);
    HWND sliderEdit = Control<bkWinSlider>(slider, 1);
    SetWindowTextA(textEdit, "typed");
    SetFocus(textEdit);
    ASSERT_EQ(GetFocus(), textEdit);
    m_Bank->RemoveWidget(field);
    EXPECT_STREQ(text, "kept");

    SetWindowTextA(sliderEdit, "5");
    SetFocus(sliderEdit);
    ASSERT_EQ(GetFocus(), sliderEdit);
    bkManager::DeleteInstance();
    EXPECT_EQ(value, 1.0f);
    EXPECT_EQ(g_Calls, 0);
}
