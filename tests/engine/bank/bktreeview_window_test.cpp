#include "bank/bktreeview.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/engine/bank/winfixture.h"

namespace {

struct Node {
    const char* m_Label;
    Node* m_Child;
    Node* m_Next;
};

std::vector<std::string> g_Told;

uintptr_t Access(void* data, int what) {
    Node* node = static_cast<Node*>(data);
    switch (what) {
    case bkTreeLabel:
        return reinterpret_cast<uintptr_t>(node->m_Label);
    case bkTreeFirstChild:
        return reinterpret_cast<uintptr_t>(node->m_Child);
    case bkTreeNextSibling:
        return reinterpret_cast<uintptr_t>(node->m_Next);
    default:
        g_Told.push_back(std::to_string(what) + " " + node->m_Label);
        return 0;
    }
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

// The labels of the tree, each item followed by its children in brackets.
std::string Shape(HWND tree, HTREEITEM first) {
    std::string shape;
    for (HTREEITEM item = first; item; item = Next(tree, item, TVGN_NEXT)) {
        shape += Label(tree, item);
        if (HTREEITEM child = Next(tree, item, TVGN_CHILD)) {
            shape += "(" + Shape(tree, child) + ")";
        }
        shape += " ";
    }
    return shape;
}

// A right click as the user makes it: the cursor over a point of the tree, then the button.
void RightClickAt(HWND tree, POINT point) {
    POINT screen = point;
    ClientToScreen(tree, &screen);
    SetCursorPos(screen.x, screen.y);
    LPARAM at = MAKELPARAM(point.x, point.y);
    PostMessageA(tree, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageA(tree, WM_RBUTTONUP, 0, at);
    Pump();
}

class TreeView : public ::testing::Test {
protected:
    void SetUp() override { g_Told.clear(); }

    Node m_A1 = {"A1", nullptr, nullptr};
    Node m_B = {"B", nullptr, nullptr};
    Node m_A = {"A", &m_A1, &m_B};
    Node m_Root = {"Root", &m_A, nullptr};
};

TEST_F(TreeView, ShowsTheTreeThroughTheAccessor) {
    bkTreeView view("Tree", 100, 300, 200, 300);
    Node alone = {"Alone", nullptr, nullptr};
    view.SetRoot(Access, &alone);
    EXPECT_EQ(SendMessageA(view.GetTree(), TVM_GETCOUNT, 0, 0), 1);

    view.SetRoot(Access, &m_Root);
    HWND tree = view.GetTree();
    EXPECT_EQ(SendMessageA(tree, TVM_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(Shape(tree, Next(tree, nullptr, TVGN_ROOT)), "Root(A(A1 ) B ) ");

    view.SetTitle("Renamed");
    EXPECT_EQ(WindowText(view.GetWindow()), "Renamed");
    EXPECT_TRUE(g_Told.empty());
}

TEST_F(TreeView, TellsSelectionAndRightClicksOnItemsOnly) {
    bkTreeView view("Tree", 100, 300, 200, 300);
    view.SetRoot(Access, &m_Root);
    HWND tree = view.GetTree();
    HTREEITEM root = Next(tree, nullptr, TVGN_ROOT);
    HTREEITEM a = Next(tree, root, TVGN_CHILD);
    HTREEITEM b = Next(tree, a, TVGN_NEXT);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    Pump();
    g_Told.clear();

    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(b));
    Pump();
    EXPECT_EQ(g_Told, (std::vector<std::string>{"3 B"}));
    EXPECT_EQ(view.GetNode(), &m_B);

    g_Told.clear();
    // The item goes in where the rectangle comes out.
    RECT rect = {};
    memcpy(&rect, &a, sizeof(a));
    ASSERT_TRUE(SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect)));
    RightClickAt(tree, {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    EXPECT_EQ(g_Told, (std::vector<std::string>{"4 A"}));
    EXPECT_EQ(view.GetNode(), &m_A);

    g_Told.clear();
    RECT client = ClientRect(tree);
    RightClickAt(tree, {client.right / 2, client.bottom - 10});
    EXPECT_TRUE(g_Told.empty());
}

TEST_F(TreeView, ClosedWindowComesBackAtItsPlace) {
    bkTreeView view("Tree", 120, 310, 210, 290);
    view.SetRoot(Access, &m_Root);
    SendMessageA(view.GetWindow(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_EQ(view.GetWindow(), nullptr);
    EXPECT_EQ(view.GetTree(), nullptr);

    view.SetRoot(Access, &m_B);
    ASSERT_NE(view.GetWindow(), nullptr);
    EXPECT_TRUE(IsWindowVisible(view.GetWindow()));
    RECT rect = WindowRect(view.GetWindow());
    EXPECT_EQ(rect.left, 120);
    EXPECT_EQ(rect.top, 310);
    EXPECT_EQ(rect.right - rect.left, 210);
    EXPECT_EQ(rect.bottom - rect.top, 290);
    EXPECT_EQ(SendMessageA(view.GetTree(), TVM_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(WindowText(view.GetWindow()), "Tree");
}

}  // namespace
