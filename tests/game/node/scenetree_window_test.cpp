#include "node/node.h"

#include <direct.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "bank/bktreeview.h"
#include "bank/bkwinbank.h"
#include "bank/bkwinmgr.h"
#include "bank/dialogseam.h"
#include "data/asset.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

namespace {

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

class Tuned : public ovNode {
public:
    const char* ClassName() override { return "ovTuned"; }
};

// The scripted answer to the popup menu, and what the menu offered.
int g_Answer = 0;
std::string g_Offered;

int AnswerMenu(HMENU menu, UINT, int, int, HWND) {
    char text[64] = "";
    GetMenuStringA(menu, 0, text, sizeof(text), MF_BYPOSITION);
    g_Offered += std::string(text) + " " + std::to_string(GetMenuItemID(menu, 0)) + ";";
    return g_Answer;
}

HWND SceneTree() {
    return FindWindowA(bkTreeView::CLASS_NAME, "Scene Tree");
}

HTREEITEM Next(HWND tree, HTREEITEM item, UINT how) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
}

std::string Label(HWND tree, HTREEITEM item) {
    char text[64] = "";
    TVITEMA data = {};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = sizeof(text);
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}

void RightClick(HWND tree, HTREEITEM item) {
    RECT rect = {};
    memcpy(&rect, &item, sizeof(item));
    SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
    POINT point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    POINT screen = point;
    ClientToScreen(tree, &screen);
    SetCursorPos(screen.x, screen.y);
    PostMessageA(tree, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(point.x, point.y));
    PostMessageA(tree, WM_RBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    Pump();
}

class SceneTreeWindow : public ::testing::Test {
protected:
    void SetUp() override {
        _getcwd(m_Home, sizeof(m_Home));
        _chdir(m_Scratch.Root().c_str());
        CreateDirectoryA("tune", nullptr);
        bkManager::CreateInstance(bkWinManager::Create);
        m_Previous = bkSetTrackPopupFunc(AnswerMenu);
        g_Offered.clear();
        m_Root.SetName("world");
        m_Root.AddChild(&m_Wheel);
        m_Root.AddChild(&m_Nameless);
        m_Wheel.SetName("wheel");
    }
    void TearDown() override {
        bkSetTrackPopupFunc(m_Previous);
        if (HWND window = SceneTree()) {
            DestroyWindow(window);
        }
        bkManager::DeleteInstance();
        Pump();
        _chdir(m_Home);
    }

    ConsoleCapture m_Console;
    ScratchDir m_Scratch;
    char m_Home[MAX_PATH];
    bkTrackPopupFunc m_Previous = nullptr;
    Tuned m_Root;
    Tuned m_Wheel;
    ovNode m_Nameless;
};

TEST_F(SceneTreeWindow, ShowsTheNodesAndOpensABankForOne) {
    m_Root.ShowSceneTree();
    HWND window = SceneTree();
    ASSERT_NE(window, nullptr);
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.top, 300);
    EXPECT_EQ(rect.right - rect.left, 200);
    EXPECT_EQ(rect.bottom - rect.top, 300);
    HWND tree = FindWindowExA(window, nullptr, WC_TREEVIEWA, nullptr);
    ASSERT_NE(tree, nullptr);
    HTREEITEM root = Next(tree, nullptr, TVGN_ROOT);
    HTREEITEM wheel = Next(tree, root, TVGN_CHILD);
    HTREEITEM nameless = Next(tree, wheel, TVGN_NEXT);
    EXPECT_EQ(Label(tree, root), "ovTuned: world");
    EXPECT_EQ(Label(tree, wheel), "ovTuned: wheel");
    EXPECT_EQ(Label(tree, nameless), "ovNode");
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    Pump();

    // Dismissing the menu opens nothing; choosing "Open Bank..." adds a closed bank.
    bkManager* manager = bkManager::GetInstance();
    uint32_t banks = manager->NumBanks;
    g_Answer = 0;
    RightClick(tree, wheel);
    EXPECT_EQ(g_Offered, "Open Bank... 1;");
    EXPECT_EQ(manager->NumBanks, banks);
    g_Answer = 1;
    RightClick(tree, wheel);
    ASSERT_EQ(manager->NumBanks, banks + 1);
    bkWinBank* bank = static_cast<bkWinBank*>(manager->FindBank("ovTuned: wheel"));
    ASSERT_NE(bank, nullptr);
    EXPECT_FALSE(bank->IsOpen());
    HWND bankWindow = bank->GetWindow();
    RECT bankRect;
    GetWindowRect(bankWindow, &bankRect);
    EXPECT_EQ(bankRect.left, 100);
    EXPECT_EQ(bankRect.top, 100);
    EXPECT_NE(FindWindowExA(bankWindow, nullptr, "static", "wheel.ovTuned"), nullptr);
    HWND save = FindWindowExA(bankWindow, nullptr, "button", "Save");
    ASSERT_NE(save, nullptr);
    EXPECT_NE(FindWindowExA(bankWindow, save, "button", "Load"), nullptr);

    // Its Save button writes the node's file.
    SendMessageA(save, BM_CLICK, 0, 0);
    Pump();
    EXPECT_TRUE(FileExists("tune\\wheel.ovTuned"));

    // A second bank for the same node: both exist, with the duplicate-name error.
    m_Console.Take();
    RightClick(tree, wheel);
    EXPECT_EQ(manager->NumBanks, banks + 2);
    EXPECT_NE(m_Console.Take().find("Duplicate bank name! (ovTuned: wheel)"), std::string::npos);

    // The nameless node's label names the file it uses.
    RightClick(tree, nameless);
    bank = static_cast<bkWinBank*>(manager->FindBank("ovNode"));
    ASSERT_NE(bank, nullptr);
    EXPECT_NE(FindWindowExA(bank->GetWindow(), nullptr, "static", "default.ovNode"), nullptr);
}

TEST_F(SceneTreeWindow, ComesBackAfterTheUserClosedIt) {
    m_Root.ShowSceneTree();
    SendMessageA(SceneTree(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_EQ(SceneTree(), nullptr);
    m_Wheel.ShowSceneTree();
    HWND window = SceneTree();
    ASSERT_NE(window, nullptr);
    HWND tree = FindWindowExA(window, nullptr, WC_TREEVIEWA, nullptr);
    EXPECT_EQ(SendMessageA(tree, TVM_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(Label(tree, Next(tree, nullptr, TVGN_ROOT)), "ovTuned: wheel");
}

}  // namespace
