#ifndef BANK_POPUPMENU_H
#define BANK_POPUPMENU_H

// Win32 handles, as windows.h declares them, so that users of the menu need not include it.
struct HMENU__;
struct HBITMAP__;

// A Win32 popup menu that returns the chosen command id instead of sending it.
class bkPopupMenu {
public:
    bkPopupMenu() : m_Menu(nullptr) {}

    // An empty menu.
    void Create();
    // Destroys the menu with its submenus: the submenus' own objects must not destroy them again.
    void Destroy();
    void AddItem(const char* text, int id, bool checked, bool enabled);
    void AddBitmap(HBITMAP__* bitmap, int id, bool checked, bool enabled);
    void AddSeparator();
    void AddSubMenu(const char* text, bkPopupMenu* submenu, bool enabled);
    // Shows the menu at the screen position, or at the mouse cursor when both are -1, and lets
    // the right button choose as well. Returns the chosen id, 0 when the menu was dismissed.
    int Track(int x, int y);

    HMENU__* GetHandle() const { return m_Menu; }

private:
    HMENU__* m_Menu;
};

// The bitmap file of the asset with the extension "BMP", at its own size, for
// bkPopupMenu::AddBitmap; null when there is none.
HBITMAP__* bkLoadMenuBitmap(const char* name);

#endif
