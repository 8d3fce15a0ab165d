#ifndef BANK_BKTREEVIEW_H
#define BANK_BKTREEVIEW_H

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

// What a tree view asks of a node: its label (a const char*), its first child, its next
// sibling (null ends a level), or it tells that the node was selected or right-clicked.
enum bkTreeQuery { bkTreeLabel, bkTreeFirstChild, bkTreeNextSibling, bkTreeSelected,
                   bkTreeRightClicked };
typedef uintptr_t (*bkTreeAccessor)(void* node, int what);

// A tree of any program objects in a window of its own with a tree-view control. It knows the
// objects only through the accessor, and shows the tree as it was at the last SetRoot.
class bkTreeView {
public:
    static constexpr const char* CLASS_NAME = "bkTreeParentClass";

    // Shows an empty tree window at once.
    bkTreeView(const char* title, int x, int y, int width, int height);
    ~bkTreeView();

    // Fills a new tree from the root; makes the windows again when the user closed them.
    void SetRoot(bkTreeAccessor accessor, void* root);
    void SetTitle(const char* title);

    HWND GetWindow() const { return m_Parent; }
    HWND GetTree() const { return m_Tree; }
    // The node last selected or right-clicked.
    void* GetNode() const { return m_Node; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void CreateWindows();
    void Fill(HTREEITEM parent, void* node);
    LRESULT OnNotify(const NMHDR* header);

    bkTreeAccessor m_Accessor;
    void* m_Node;
    std::string m_Title;
    int m_X;
    int m_Y;
    int m_Width;
    int m_Height;
    HWND m_Parent;
    HWND m_Tree;
};

#endif
