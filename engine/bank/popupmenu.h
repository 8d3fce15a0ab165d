#ifndef BANK_POPUPMENU_H
#define BANK_POPUPMENU_H

#include <vector>

// Win32 handles, as windows.h declares them, so that users of the menu need not include it.
struct HMENU__;
struct HBITMAP__;

// A Win32 popup menu that returns the chosen command id instead of sending it.
class bkPopupMenu {
public:
    bkPopupMenu() : m_Menu(nullptr), m_Parent(nullptr) {}
    ~bkPopupMenu() { Destroy(); }
    bkPopupMenu(const bkPopupMenu&) = delete;
    bkPopupMenu& operator=(const bkPopupMenu&) = delete;

    // An empty menu.
    void Create();
    // Destroys the menu with its submenus, whose objects then hold no handle. A submenu destroyed
    // on its own first leaves its parent's menu.
    void Destroy();
    void AddItem(const char* text, int id, bool checked, bool enabled);
    void AddBitmap(HBITMAP__* bitmap, int id, bool checked, bool enabled);
    void AddSeparator();
    // The submenu belongs to this menu from then on; adding it to another moves it there.
    void AddSubMenu(const char* text, bkPopupMenu* submenu, bool enabled);
    // Shows the menu at the screen position, or at the mouse cursor when both are -1, and lets
    // the right button choose as well. Returns the chosen id, 0 when the menu was dismissed.
    int Track(int x, int y);

    HMENU__* GetHandle() const { return m_Menu; }

private:
    // Drops the handles that the parent's DestroyMenu has freed, down the whole tree.
    void Forget();
    void Detach();

    HMENU__* m_Menu;
    // The menu that holds this one as a submenu, and the submenus this one holds.
    bkPopupMenu* m_Parent;
    std::vector<bkPopupMenu*> m_SubMenus;
};

// The bitmap file of the asset with the extension "BMP", at its own size, for
// bkPopupMenu::AddBitmap; null when there is none.
HBITMAP__* bkLoadMenuBitmap(const char* name);

#endif
