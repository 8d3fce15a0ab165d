#include "bank/bkwinbank.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bank/bkwinbutton.h"
#include "bank/gfxbank.h"
#include "bank/bkwingroup.h"
#include "tests/support/child.h"
#include "tests/engine/bank/winfixture.h"

namespace {

struct Frame {
    int width;
    int height;
};

Frame FrameOf(HWND window) {
    RECT outer = WindowRect(window);
    RECT client = ClientRect(window);
    return {int(outer.right - outer.left - client.right),
            int(outer.bottom - outer.top - client.bottom)};
}

// Returns the first button's control.
HWND AddButtons(bkBank* bank, int count) {
    HWND first = nullptr;
    for (int i = 0; i < count; ++i) {
        bkButton* button = bank->AddButton(("b" + std::to_string(i)).c_str(), NullCallback);
        if (i == 0) {
            first = Control<bkWinButton>(button, 0);
        }
    }
    return first;
}

void ResizeClient(HWND window, int width, int height) {
    Frame frame = FrameOf(window);
    SetWindowPos(window, nullptr, 0, 0, width + frame.width, height + frame.height,
                 SWP_NOMOVE | SWP_NOZORDER);
}

int ScrollCode(HWND window, int code, int thumb = 0) {
    SendMessageA(window, WM_VSCROLL, MAKEWPARAM(code, thumb), 0);
    return GetScrollPos(window, SB_VERT);
}

// Thirty rows in an open window ten rows high; returns the first row's control.
HWND FillTenRowWindow(bkWinBank* bank) {
    HWND first = AddButtons(bank, 30);
    bank->Open();
    HWND window = bank->GetWindow();
    ResizeClient(window, ClientRect(window).right, 200);
    bkManager::GetInstance()->Update();
    return first;
}

// Refuses every window of the bank class, as a desktop that cannot take more windows would.
LRESULT CALLBACK RefuseBankWindows(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const char* name = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->lpszClass;
        if (HIWORD(reinterpret_cast<uintptr_t>(name)) && strcmp(name, "Bank") == 0) {
            return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TEST_F(WinBanks, BankWindowsStandFromTheDesktopEdgesAndHideOnClose) {
    RECT desktop = WindowRect(GetDesktopWindow());
    bkWinBank* right = AddBank("Right", -220, 40);
    bkWinBank* bottom = AddBank("Bottom", 30, -300);
    char className[32];
    GetClassNameA(right->GetWindow(), className, sizeof(className));
    EXPECT_STREQ(className, "Bank");
    EXPECT_EQ(WindowText(right->GetWindow()), "Right");
    EXPECT_EQ(WindowRect(right->GetWindow()).left, desktop.right - 220);
    EXPECT_EQ(WindowRect(bottom->GetWindow()).top, desktop.bottom - 300);
    EXPECT_TRUE(GetWindowLongA(right->GetWindow(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(GetWindowLongA(right->GetWindow(), GWL_STYLE) & WS_SYSMENU);
    EXPECT_FALSE(GetWindowLongA(Bank(0)->GetWindow(), GWL_STYLE) & WS_SYSMENU);
    EXPECT_TRUE(Bank(0)->IsOpen());
    EXPECT_FALSE(right->IsOpen());

    AddButtons(right, 3);
    SendMessageA(BankButton("Right"), BM_CLICK, 0, 0);
    Mgr()->Update();
    Pump();
    ASSERT_TRUE(right->IsOpen());
    RECT before = WindowRect(right->GetWindow());

    SendMessageA(right->GetWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
    EXPECT_FALSE(right->IsOpen());
    EXPECT_TRUE(IsWindow(right->GetWindow()));

    SendMessageA(BankButton("Right"), BM_CLICK, 0, 0);
    Pump();
    EXPECT_TRUE(right->IsOpen());
    RECT after = WindowRect(right->GetWindow());
    EXPECT_TRUE(EqualRect(&before, &after));
}

// A bank whose window cannot be made is reported; its widgets are made without controls and
// keep their values, and the program goes on: it updates, lays out and records the bank.
TEST_F(WinBanks, ABankWithoutAWindowIsReportedAndTheProgramGoesOn) {
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseBankWindows, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    bkWinBank* refused = AddBank("Refused");
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(refused->GetWindow(), nullptr);
    EXPECT_NE(m_Console.Take().find("the window of bank 'Refused' cannot be made"),
              std::string::npos);

    uint8_t flag = 0;
    float value = 2.0f;
    char text[16] = "name";
    int32_t choice = 1;
    const char* names[] = {"one", "two"};
    refused->AddButton("label");
    refused->AddButton("button", NullCallback);
    refused->AddToggle("toggle", &flag);
    refused->AddSlider("slider", &value, 0.0f, 10.0f, 0.5f);
    refused->AddText("text", text, sizeof(text), false, NullCallback);
    refused->AddCombo("combo", &choice, 2, names, 0);
    refused->PushGroup("group", false);
    refused->AddButton("inside", NullCallback);
    refused->PopGroup();
    EXPECT_EQ(refused->NumWidgets, 8);
    refused->Open();
    Mgr()->Update();
    EXPECT_FALSE(refused->IsOpen());
    EXPECT_EQ(value, 2.0f);
    EXPECT_STREQ(text, "name");

    // Banks made after it have their windows.
    bkWinBank* later = AddBank("Later");
    EXPECT_NE(later->GetWindow(), nullptr);
    AddButtons(later, 2);
    Mgr()->SaveConfig("refused.bfg");
    EXPECT_NE(ReadWholeFile("refused.bfg").find("\"Refused\" 0 0 0 0 0\n"), std::string::npos);
}

TEST_F(WinBanks, LayoutFileRecordsAndRestoresRealWindows) {
    bkWinBank* saved = AddBank("Saved", 320, 140);
    AddButtons(saved, 20);
    saved->Open();
    Mgr()->Update();
    RECT rect = WindowRect(saved->GetWindow());
    RECT banks = WindowRect(Bank(0)->GetWindow());
    Mgr()->SaveConfig("real.bfg");
    char expected[256];
    snprintf(expected, sizeof(expected), "2\n\"Banks\" 1 %d %d %d %d\n\"Saved\" 1 320 140 %d %d\n",
             int(banks.left), int(banks.top), int(banks.right - banks.left),
             int(banks.bottom - banks.top), int(rect.right - rect.left),
             int(rect.bottom - rect.top));
    EXPECT_EQ(ReadWholeFile("real.bfg"), expected);

    Frame frame = FrameOf(saved->GetWindow());
    WriteWholeFile("moved.bfg", "2\n\"Banks\" 1 10 10 200 100\n\"Saved\" 0 400 200 " +
                                    std::to_string(220) + " " +
                                    std::to_string(frame.height + 147) + "\n");
    Mgr()->LoadConfig("moved.bfg");
    EXPECT_FALSE(saved->IsOpen());
    RECT moved = WindowRect(saved->GetWindow());
    EXPECT_EQ(moved.left, 400);
    EXPECT_EQ(moved.top, 200);
    EXPECT_EQ(moved.right - moved.left, 220);
    EXPECT_EQ(ClientRect(saved->GetWindow()).bottom, 140);
    EXPECT_EQ(saved->m_Width, ClientRect(saved->GetWindow()).right);
}

// The banks of every run, in the order the program makes them.
void AddRunsBanks(bkManager* manager) {
    for (bkBank* bank : {manager->AddBank("Tools", 320, 140, true),
                         manager->AddBank("Closed", -250, 160, true)}) {
        for (const char* title : {"one", "two", "three"}) {
            bank->AddButton(title, NullCallback);
        }
    }
}

// The in-window front end places no windows but writes the layout file at its end: a run under
// it between two runs with bank windows hands the windows back as they were.
TEST_F(WinBanks, AnInWindowRunBetweenTwoWindowRunsLeavesTheLayout) {
    std::string name = bkManager::GetDefaultConfigName();
    AddRunsBanks(Mgr());
    Mgr()->Update();
    Mgr()->Banks[1]->SetConfig(true, 333, 144, 230, 300);
    bkManager::DeleteInstance();
    Pump();
    std::string windows = ReadWholeFile(name);
    ASSERT_NE(windows.find("\"Tools\" 1 333 144 230 "), std::string::npos) << windows;

    bkManager::CreateInstance(gfxBankManager::Create);
    AddRunsBanks(bkManager::GetInstance());
    bkManager::GetInstance()->Update();
    bkManager::DeleteInstance();
    EXPECT_EQ(ReadWholeFile(name), windows);

    // The first update's load is once a process: the next run's is asked for here.
    bkManager::CreateInstance(bkWinManager::Create);
    AddRunsBanks(Mgr());
    Mgr()->LoadConfig(nullptr);
    Mgr()->SaveConfig("again.bfg");
    EXPECT_EQ(ReadWholeFile("again.bfg"), windows);
}

TEST_F(WinBanks, LayoutLoadedIntoAScrolledBankKeepsTheRowsWithTheScrollBar) {
    bkWinBank* bank = AddBank("Scrolled", 300, 50);
    HWND first = FillTenRowWindow(bank);
    HWND window = bank->GetWindow();
    ScrollCode(window, SB_THUMBTRACK, 10);
    ASSERT_EQ(ChildRect(first).top, -200);

    RECT rect = WindowRect(window);
    WriteWholeFile("same.bfg", "1\n\"Scrolled\" 1 " + std::to_string(rect.left) + " " +
                                   std::to_string(rect.top) + " " +
                                   std::to_string(rect.right - rect.left) + " " +
                                   std::to_string(rect.bottom - rect.top) + "\n");
    Mgr()->LoadConfig("same.bfg");
    EXPECT_EQ(ChildRect(first).top, -20 * bank->GetScrollPosition());
}

TEST_F(WinBanks, SizesSnapToRowsAndShrinkToTheContents) {
    bkWinBank* bank = AddBank("Rows", 300, 50);
    AddButtons(bank, 15);
    bank->Open();
    Mgr()->Update();
    HWND window = bank->GetWindow();
    int width = ClientRect(window).right;

    ResizeClient(window, width, 237);
    EXPECT_EQ(ClientRect(window).bottom, 220);
    Frame frame = FrameOf(window);
    EXPECT_EQ(WindowRect(window).right - WindowRect(window).left, bank->m_Width + frame.width);

    ResizeClient(window, width + 30, 237);
    EXPECT_EQ(bank->m_Width, ClientRect(window).right);
    EXPECT_EQ(bank->m_Width, width + 30);

    // Never below 50 pixels above the desktop's bottom.
    RECT desktop = WindowRect(GetDesktopWindow());
    SetWindowPos(window, nullptr, 300, desktop.bottom - 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ResizeClient(window, bank->m_Width, 280);
    int room = int(desktop.bottom) - 50 - (int(desktop.bottom) - 200);
    EXPECT_EQ(ClientRect(window).bottom, room / 20 * 20);

    bkWinBank* small = AddBank("Small", 500, 50);
    AddButtons(small, 3);
    small->Open();
    EXPECT_GT(ClientRect(small->GetWindow()).bottom, 60);
    Mgr()->Update();
    EXPECT_EQ(ClientRect(small->GetWindow()).bottom, 60);
}

TEST_F(WinBanks, ScrollsByWholeRows) {
    bkWinBank* bank = AddBank("Scroll", 300, 50);
    HWND first = FillTenRowWindow(bank);
    HWND window = bank->GetWindow();
    ASSERT_EQ(ClientRect(window).bottom, 200);
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(window, SB_VERT, &info);
    EXPECT_EQ(info.nMax, 29);
    EXPECT_EQ(info.nPage, 10u);

    struct Case {
        int code;
        int thumb;
        int position;
    } cases[] = {
        {SB_LINEDOWN, 0, 1}, {SB_PAGEDOWN, 0, 11}, {SB_LINEUP, 0, 10},
        {SB_THUMBTRACK, 25, 20}, {SB_PAGEUP, 0, 10}, {SB_THUMBPOSITION, 3, 3},
        {SB_ENDSCROLL, 0, 3}, {SB_PAGEUP, 0, 0}, {SB_LINEUP, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScrollCode(window, c.code, c.thumb), c.position) << c.code;
        EXPECT_EQ(ChildRect(first).top, -20 * c.position) << c.code;
    }

    // Resizing keeps the rows where the position says.
    ScrollCode(window, SB_THUMBTRACK, 15);
    ResizeClient(window, ClientRect(window).right, 300);
    int position = bank->GetScrollPosition();
    EXPECT_LE(position + 15, 29);
    EXPECT_EQ(ChildRect(first).top, -20 * position);

    // Adding scrolls back to the top first, so that the new row lands below the others.
    bkButton* added = bank->AddButton("added", NullCallback);
    EXPECT_EQ(bank->GetScrollPosition(), 0);
    EXPECT_EQ(ChildRect(first).top, 0);
    EXPECT_EQ(ChildRect(Control<bkWinButton>(added, 0)).top, 600);
}

TEST_F(WinBanks, FoldingAGroupMovesTheRowsAndResizesTheWindow) {
    bkWinBank* bank = AddBank("Groups", 300, 50);
    bkGroup* group = bank->PushGroup("Group", true);
    AddButtons(bank, 3);
    EXPECT_EQ(bank->PopGroup(), nullptr);
    bkGroup* closed = bank->PushGroup("Closed", false);
    HWND inClosed = AddButtons(bank, 2);
    bank->PopGroup();
    HWND after = Control<bkWinButton>(bank->AddButton("after", NullCallback), 0);
    bank->Open();
    Mgr()->Update();
    EXPECT_FALSE(IsWindowVisible(inClosed));
    EXPECT_EQ(ChildRect(after).top, 100);
    // The closed group shrank the window to its rows when it was popped; it does not grow
    // by itself for the rows added after.
    EXPECT_EQ(ClientRect(bank->GetWindow()).bottom, 100);
    EXPECT_EQ(group->m_Next, closed);
    EXPECT_EQ(closed->m_Prev, group);

    HWND groupButton = Control<bkWinGroup>(group, 0);
    EXPECT_EQ(SendMessageA(groupButton, BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageA(groupButton, BM_CLICK, 0, 0);
    EXPECT_FALSE(group->m_Open);
    EXPECT_EQ(ChildRect(after).top, 40);
    EXPECT_EQ(bank->m_LayoutY, 60);
    EXPECT_EQ(ClientRect(bank->GetWindow()).bottom, 60);

    SendMessageA(groupButton, BM_CLICK, 0, 0);
    EXPECT_TRUE(group->m_Open);
    EXPECT_EQ(ChildRect(after).top, 100);
    EXPECT_EQ(ClientRect(bank->GetWindow()).bottom, 120);

    HWND closedButton = Control<bkWinGroup>(closed, 0);
    SendMessageA(closedButton, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowVisible(inClosed));
    EXPECT_EQ(ChildRect(after).top, 140);
    EXPECT_EQ(ClientRect(bank->GetWindow()).bottom, 160);

    // A removed group leaves the list joined, and a later group links to the one before it.
    bank->RemoveWidget(closed);
    EXPECT_EQ(group->m_Next, nullptr);
    bkGroup* later = bank->PushGroup("Later", true);
    bank->PopGroup();
    EXPECT_EQ(later->m_Prev, group);
}

TEST_F(WinBanks, OnTopActsOnVisibleWindowsWithoutTakingTheActivation) {
    bkWinBank* shown = AddBank("Shown");
    bkWinBank* hidden = AddBank("Hidden");
    shown->Open();
    HWND owner = CreateWindowExA(0, "static", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 100, 100, nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(owner);
    Pump();
    HWND active = GetActiveWindow();

    Mgr()->SetOnTopAll(true);
    EXPECT_TRUE(GetWindowLongA(shown->GetWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongA(hidden->GetWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetActiveWindow(), active);
    Mgr()->SetOnTopAll(false);
    EXPECT_FALSE(GetWindowLongA(shown->GetWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetActiveWindow(), active);
    DestroyWindow(owner);
}

TEST_CHILD(WinBankFault) {
    bkManager::CreateInstance(bkWinManager::Create);
    bkBank* bank = bkManager::GetInstance()->AddBank("Fault", 0, 0, true);
    switch (ChildCase()) {
    case 1:
        for (int i = 0; i < 17; ++i) {
            bank->PushGroup("deep", true);
        }
        break;
    case 2:
        bank->PopGroup();
        break;
    case 3:
        bank->AddButton("lonely", NullCallback);
        bank->PopGroup();
        break;
    case 4:
        bank->PushGroup("once", true);
        bank->PopGroup();
        bank->PopGroup();
        break;
    case 6:
        // Labels of several banks, as the table is shared by every bank window.
        for (int i = 0; i <= bkWinWidget::MAX_WIDGETS; ++i) {
            if (bank->NumWidgets == bkBank::MAX_NUM_WIDGETS) {
                bank = bkManager::GetInstance()->AddBank("More", 0, 0, false);
            }
            bank->AddButton("label");
        }
        break;
    case 5: {
        HWND foreign = CreateWindowExA(0, "button", "x", WS_CHILD,
                                       0, 0, 10, 10, static_cast<bkWinBank*>(bank)->GetWindow(),
                                       reinterpret_cast<HMENU>(4000), nullptr, nullptr);
        SendMessageA(static_cast<bkWinBank*>(bank)->GetWindow(), WM_COMMAND,
                     MAKEWPARAM(4000, BN_CLICKED), reinterpret_cast<LPARAM>(foreign));
        break;
    }
    default:
        break;
    }
    return 0;
}

TEST(WinBankFaults, GroupStackAndUnknownControlsAreFatal) {
    ExpectFatalChildren({
        {"WinBankFault", "sGroupStackPos+1<MAX_NESTED_GROUP", "case=1"},
        {"WinBankFault", "NumWidgets>0", "case=2"},
        {"WinBankFault", "LastGroup", "case=3"},
        {"WinBankFault", "sGroupStackPos>=0", "case=4"},
        {"WinBankFault", "Widget[id-BaseID]", "case=5"},
        {"WinBankFault", "Assert(NumWidgets<MAX_WIDGETS) failed in [bank/bkwinwidget", "case=6"},
    });
}
