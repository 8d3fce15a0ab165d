#include "bank/dialogseam.h"

#include <direct.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "bank/filedialog.h"
#include "bank/msgbox.h"
#include "bank/popupmenu.h"
#include "data/asset.h"
#include "tests/engine/bank/winfixture.h"

namespace {

// Answers the first window of the class that the thread shows, from a thread of its own, the
// way a user would; the test's thread meanwhile sits in the modal loop.
class Answerer {
public:
    typedef void (*Action)(HWND window, uintptr_t data);

    Answerer(const char* className, Action action, uintptr_t data)
        : m_Thread(GetCurrentThreadId()), m_ClassName(className), m_Action(action),
          m_Data(data), m_Worker([this] { Run(); }) {}
    ~Answerer() { m_Worker.join(); }

    bool Found() const { return m_Found; }
    RECT Rect() const { return m_Rect; }

private:
    struct Search {
        const char* className;
        HWND found;
    };

    static BOOL CALLBACK Match(HWND window, LPARAM data) {
        Search* search = reinterpret_cast<Search*>(data);
        char name[64];
        GetClassNameA(window, name, sizeof(name));
        if (IsWindowVisible(window) && strcmp(name, search->className) == 0) {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    }

    void Run() {
        for (int tries = 0; tries < 500; ++tries) {
            Search search = {m_ClassName, nullptr};
            EnumThreadWindows(m_Thread, Match, reinterpret_cast<LPARAM>(&search));
            if (search.found) {
                Sleep(100);
                GetWindowRect(search.found, &m_Rect);
                m_Found = true;
                m_Action(search.found, m_Data);
                Dismiss(search.found);
                return;
            }
            Sleep(20);
        }
    }

    // Should the action not end the modal loop, the test fails instead of waiting for ever.
    static void Dismiss(HWND window) {
        for (int tries = 0; tries < 250; ++tries) {
            if (!IsWindow(window) || !IsWindowVisible(window)) {
                return;
            }
            Sleep(20);
        }
        while (IsWindow(window) && IsWindowVisible(window)) {
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
            PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
            Sleep(200);
        }
    }

    DWORD m_Thread;
    const char* m_ClassName;
    Action m_Action;
    uintptr_t m_Data;
    std::atomic<bool> m_Found{false};
    RECT m_Rect = {};
    std::thread m_Worker;
};

void ClickButton(HWND dialog, uintptr_t id) {
    PostMessageA(GetDlgItem(dialog, int(id)), BM_CLICK, 0, 0);
}

// Writes the path into the file name field and presses OK.
void ChooseFile(HWND dialog, uintptr_t path) {
    HWND name = GetDlgItem(dialog, edt1);
    if (!name) {
        name = GetDlgItem(dialog, cmb13);
    }
    SendMessageA(name, WM_SETTEXT, 0, static_cast<LPARAM>(path));
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
}

void PressKeys(HWND menu, uintptr_t downs) {
    for (uintptr_t i = 0; i < downs; ++i) {
        PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    }
    PostMessageA(menu, WM_KEYDOWN, downs ? VK_RETURN : VK_ESCAPE, 0);
}

// What the scripted seams saw.
struct Seen {
    std::string text;
    std::string caption;
    UINT type = 0;
    int answer = 0;
    std::string filter;
    std::string fileOnEntry;
    std::string startDir;
    DWORD flags = 0;
    DWORD maxFile = 0;
    bool save = false;
    const char* choice = nullptr;
    HMENU menu = nullptr;
    UINT trackFlags = 0;
    POINT at = {};
    HWND owner = nullptr;
};

Seen g_Seen;

int ScriptedBox(HWND, const char* text, const char* caption, UINT type) {
    g_Seen.text = text;
    g_Seen.caption = caption;
    g_Seen.type = type;
    return g_Seen.answer;
}

BOOL ScriptedDialog(OPENFILENAMEA* dialog, bool save) {
    const char* end = dialog->lpstrFilter;
    while (*end || end[1]) {
        ++end;
    }
    g_Seen.filter.assign(dialog->lpstrFilter, end + 2);
    g_Seen.fileOnEntry = dialog->lpstrFile;
    g_Seen.startDir = dialog->lpstrInitialDir ? dialog->lpstrInitialDir : "";
    g_Seen.flags = dialog->Flags;
    g_Seen.maxFile = dialog->nMaxFile;
    g_Seen.save = save;
    if (!g_Seen.choice) {
        return FALSE;
    }
    strcpy(dialog->lpstrFile, g_Seen.choice);
    return TRUE;
}

int ScriptedTrack(HMENU menu, UINT flags, int x, int y, HWND owner) {
    g_Seen.menu = menu;
    g_Seen.trackFlags = flags;
    g_Seen.at = {x, y};
    g_Seen.owner = owner;
    return g_Seen.answer;
}

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        g_Seen = Seen();
        _getcwd(m_Home, sizeof(m_Home));
        _chdir(m_Scratch.Root().c_str());
        m_Owner = CreateWindowExA(0, "static", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                                  100, 300, 200, nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(m_Owner);
        SetActiveWindow(m_Owner);
        Pump();
    }
    void TearDown() override {
        bkSetMessageBoxFunc(nullptr);
        bkSetFileDialogFunc(nullptr);
        bkSetTrackPopupFunc(nullptr);
        DestroyWindow(m_Owner);
        Pump();
        datAssetManager::SetPath("");
        _chdir(m_Home);
    }

    std::string Here(const char* name) {
        char dir[MAX_PATH];
        _getcwd(dir, sizeof(dir));
        return std::string(dir) + "\\" + name;
    }

    ScratchDir m_Scratch;
    char m_Home[MAX_PATH];
    HWND m_Owner = nullptr;
};

const std::string NUL(1, '\0');

}  // namespace

TEST_F(Dialogs, MessageBoxButtonsIconsAndAnswers) {
    bkSetMessageBoxFunc(ScriptedBox);
    struct Case {
        int buttons;
        int icon;
        UINT type;
        int answer;
        int result;
    } cases[] = {
        {3, 1, MB_YESNOCANCEL | MB_ICONQUESTION, IDYES, 1},
        {3, 1, MB_YESNOCANCEL | MB_ICONQUESTION, IDNO, 0},
        {3, 1, MB_YESNOCANCEL | MB_ICONQUESTION, IDCANCEL, -1},
        {0, 2, MB_OK | MB_ICONSTOP, IDOK, 1},
        {1, 0, MB_OKCANCEL | MB_ICONINFORMATION, IDCANCEL, -1},
        {2, 1, MB_YESNO | MB_ICONQUESTION, IDNO, 0},
        {7, -1, MB_OK | MB_ICONINFORMATION, 0, -1},
    };
    for (const Case& c : cases) {
        g_Seen.answer = c.answer;
        EXPECT_EQ(BankMessageBox("Title", "Text", c.buttons, c.icon), c.result) << c.buttons;
        EXPECT_EQ(g_Seen.type, c.type) << c.buttons << " " << c.icon;
    }
    EXPECT_EQ(g_Seen.caption, "Title");
    EXPECT_EQ(g_Seen.text, "Text");
}

TEST_F(Dialogs, RealMessageBoxAnswersItsButtons) {
    struct Case {
        int button;
        int result;
    } cases[] = {{IDYES, 1}, {IDNO, 0}, {IDCANCEL, -1}};
    // Test programs run unattended; this one box is answered, so it is shown.
    _putenv("PLATTOR_NOBOX=");
    for (const Case& c : cases) {
        Answerer user("#32770", ClickButton, c.button);
        EXPECT_EQ(BankMessageBox("Real", "Go on?", 3, 1), c.result) << c.button;
    }
    _putenv("PLATTOR_NOBOX=1");
}

TEST_F(Dialogs, GetFileNameProposesThePreviousChoiceWithoutExtension) {
    bkSetFileDialogFunc(ScriptedDialog);
    datAssetManager::SetPath("Z:/assets/root/");
    EXPECT_EQ(bkGetFileName("*.bfg", false, nullptr), nullptr);

    g_Seen.choice = "C:\\x\\a.bfg";
    const char* chosen = bkGetFileName("*.bfg", false, "Layouts");
    ASSERT_NE(chosen, nullptr);
    EXPECT_STREQ(chosen, "C:\\x\\a.bfg");
    EXPECT_EQ(g_Seen.filter,
              "Layouts" + NUL + "*.bfg" + NUL + "All Files" + NUL + "*.*" + NUL + NUL);
    EXPECT_EQ(g_Seen.startDir, "Z:\\assets\\root");
    EXPECT_EQ(g_Seen.maxFile, 128u);
    EXPECT_FALSE(g_Seen.save);
    EXPECT_EQ(g_Seen.flags, DWORD(OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY));

    g_Seen.choice = nullptr;
    EXPECT_EQ(bkGetFileName("*.bmp", true, nullptr), nullptr);
    EXPECT_EQ(g_Seen.fileOnEntry, "C:\\x\\a");
    EXPECT_EQ(g_Seen.filter, "*.bmp" + NUL + "*.bmp" + NUL + "All Files" + NUL + "*.*" + NUL + NUL);
    EXPECT_TRUE(g_Seen.save);

    g_Seen.choice = "C:\\x.y\\name";
    bkGetFileName("*.bmp", true, nullptr);
    g_Seen.choice = nullptr;
    bkGetFileName("*.bmp", true, nullptr);
    EXPECT_EQ(g_Seen.fileOnEntry, "C:\\x.y\\name");
}

TEST_F(Dialogs, FileDialogStartsInTheCallersDirectory) {
    bkSetFileDialogFunc(ScriptedDialog);
    char buffer[64] = "Z:/some/dir/";
    g_Seen.choice = "Z:\\some\\dir\\b.pkg";
    EXPECT_TRUE(bkFileDialog(buffer, sizeof(buffer), "*.pkg", false, "Models"));
    EXPECT_EQ(g_Seen.fileOnEntry, "Z:\\some\\dir");
    EXPECT_EQ(g_Seen.startDir, "Z:\\some\\dir");
    EXPECT_EQ(g_Seen.maxFile, 64u);
    EXPECT_STREQ(buffer, "Z:\\some\\dir\\b.pkg");

    char current[MAX_PATH] = ".";
    g_Seen.choice = nullptr;
    EXPECT_FALSE(bkFileDialog(current, sizeof(current), "*.pkg", true, nullptr));
    char dir[MAX_PATH];
    GetCurrentDirectoryA(sizeof(dir), dir);
    EXPECT_EQ(g_Seen.startDir, dir);

    // A current directory longer than the buffer is not written into it.
    char small[8] = ".";
    EXPECT_FALSE(bkFileDialog(small, sizeof(small), "*.pkg", true, nullptr));
    EXPECT_EQ(g_Seen.startDir, ".");
    EXPECT_EQ(g_Seen.maxFile, 8u);
}

TEST_F(Dialogs, RealFileDialogsReturnTheChosenPath) {
    WriteWholeFile("there.bfg", "1\n");
    std::string existing = Here("there.bfg");
    {
        Answerer user("#32770", ChooseFile, reinterpret_cast<uintptr_t>(existing.c_str()));
        const char* chosen = bkGetFileName("*.bfg", false, nullptr);
        ASSERT_NE(chosen, nullptr);
        EXPECT_STREQ(chosen, existing.c_str());
    }
    std::string fresh = Here("fresh.bfg");
    {
        Answerer user("#32770", ChooseFile, reinterpret_cast<uintptr_t>(fresh.c_str()));
        const char* chosen = bkGetFileName("*.bfg", true, nullptr);
        ASSERT_NE(chosen, nullptr);
        EXPECT_STREQ(chosen, fresh.c_str());
    }
    {
        Answerer user("#32770", ClickButton, IDCANCEL);
        char buffer[MAX_PATH] = ".";
        EXPECT_FALSE(bkFileDialog(buffer, sizeof(buffer), "*.bfg", false, nullptr));
    }
}

TEST_F(Dialogs, PopupMenuItemsAndScriptedChoice) {
    bkSetTrackPopupFunc(ScriptedTrack);
    bkPopupMenu sub;
    sub.Create();
    sub.AddItem("Inner", 21, false, true);
    bkPopupMenu menu;
    menu.Create();
    menu.AddItem("Checked", 11, true, true);
    menu.AddItem("Greyed", 12, false, false);
    menu.AddSeparator();
    menu.AddSubMenu("More", &sub, true);
    HMENU handle = menu.GetHandle();
    ASSERT_EQ(GetMenuItemCount(handle), 4);
    EXPECT_EQ(GetMenuItemID(handle, 0), 11u);
    EXPECT_TRUE(GetMenuState(handle, 0, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(handle, 1, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(handle, 2, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetSubMenu(handle, 3), sub.GetHandle());

    SetCursorPos(222, 333);
    g_Seen.answer = 12;
    EXPECT_EQ(menu.Track(-1, -1), 12);
    EXPECT_EQ(g_Seen.menu, handle);
    EXPECT_EQ(g_Seen.trackFlags, UINT(TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON));
    EXPECT_EQ(g_Seen.at.x, 222);
    EXPECT_EQ(g_Seen.at.y, 333);
    EXPECT_EQ(g_Seen.owner, GetActiveWindow());
    menu.Track(40, 50);
    EXPECT_EQ(g_Seen.at.x, 40);
    EXPECT_EQ(g_Seen.at.y, 50);
    menu.Destroy();
    EXPECT_EQ(menu.GetHandle(), nullptr);
    EXPECT_FALSE(IsMenu(handle));
}

TEST_F(Dialogs, SubMenusNeverOutliveOrDoubleFreeTheirHandles) {
    bkPopupMenu inner;
    inner.Create();
    bkPopupMenu sub;
    sub.Create();
    sub.AddSubMenu("Inner", &inner, true);
    bkPopupMenu menu;
    menu.Create();
    menu.AddItem("Item", 11, false, true);
    menu.AddSubMenu("Sub", &sub, true);
    HMENU handles[] = {menu.GetHandle(), sub.GetHandle(), inner.GetHandle()};
    menu.Destroy();
    EXPECT_EQ(sub.GetHandle(), nullptr);
    EXPECT_EQ(inner.GetHandle(), nullptr);
    for (HMENU handle : handles) {
        EXPECT_FALSE(IsMenu(handle));
    }
    // Destroying the forgotten submenus touches no menu made since.
    bkPopupMenu later;
    later.Create();
    sub.Destroy();
    inner.Destroy();
    EXPECT_TRUE(IsMenu(later.GetHandle()));

    // A submenu destroyed first leaves its parent.
    bkPopupMenu parent;
    parent.Create();
    sub.Create();
    parent.AddSubMenu("Sub", &sub, true);
    ASSERT_EQ(GetMenuItemCount(parent.GetHandle()), 1);
    sub.Destroy();
    EXPECT_EQ(GetMenuItemCount(parent.GetHandle()), 0);
    HMENU parentHandle = parent.GetHandle();
    parent.Destroy();
    EXPECT_FALSE(IsMenu(parentHandle));
    later.Destroy();
}

TEST_F(Dialogs, RealPopupMenuOpensAtTheCursor) {
    bkPopupMenu menu;
    menu.Create();
    menu.AddItem("One", 11, false, true);
    menu.AddItem("Two", 12, false, true);
    menu.AddSeparator();
    menu.AddItem("Three", 13, false, true);
    SetCursorPos(200, 210);
    {
        Answerer user("#32768", PressKeys, 2);
        EXPECT_EQ(menu.Track(-1, -1), 12);
        ASSERT_TRUE(user.Found());
        EXPECT_EQ(user.Rect().left, 200);
        EXPECT_EQ(user.Rect().top, 210);
    }
    {
        Answerer user("#32768", PressKeys, 0);
        EXPECT_EQ(menu.Track(-1, -1), 0);
    }
    menu.Destroy();
}

TEST_F(Dialogs, MenuBitmapsLoadFromTheAssets) {
    // A 1x1 24-bit bitmap file.
    const unsigned char bmp[58] = {
        'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
        40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0,
        0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0x20, 0x40, 0x60, 0};
    ASSERT_TRUE(WriteWholeFile("tiny.bmp", std::string(reinterpret_cast<const char*>(bmp), 58)));
    HBITMAP bitmap = bkLoadMenuBitmap("tiny");
    ASSERT_NE(bitmap, nullptr);
    BITMAP info;
    GetObjectA(bitmap, sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 1);
    EXPECT_EQ(info.bmHeight, 1);

    bkPopupMenu menu;
    menu.Create();
    menu.AddBitmap(bitmap, 31, true, true);
    EXPECT_TRUE(GetMenuState(menu.GetHandle(), 0, MF_BYPOSITION) & MF_BITMAP);
    menu.Destroy();
    DeleteObject(bitmap);
    EXPECT_EQ(bkLoadMenuBitmap("missing"), nullptr);
}
