#include "bank/popupmenu.h"

#include <algorithm>
#include <type_traits>

#include "bank/dialogseam.h"
#include "data/asset.h"

static_assert(std::is_same<HMENU, HMENU__*>::value && std::is_same<HBITMAP, HBITMAP__*>::value,
              "the menu header declares the handles as windows.h does");

namespace {

int RealTrackPopup(HMENU menu, UINT flags, int x, int y, HWND owner) {
    return TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr);
}

bkTrackPopupFunc sTrackPopup = RealTrackPopup;

UINT ItemFlags(bool checked, bool enabled) {
    return (checked ? MF_CHECKED : MF_UNCHECKED) | (enabled ? MF_ENABLED : MF_GRAYED);
}

}  // namespace

bkTrackPopupFunc bkSetTrackPopupFunc(bkTrackPopupFunc function) {
    bkTrackPopupFunc previous = sTrackPopup;
    sTrackPopup = function ? function : RealTrackPopup;
    return previous;
}

void bkPopupMenu::Create() {
    m_Menu = CreatePopupMenu();
}

void bkPopupMenu::Destroy() {
    Detach();
    if (m_Menu) {
        DestroyMenu(m_Menu);
    }
    Forget();
}

void bkPopupMenu::Forget() {
    m_Menu = nullptr;
    for (bkPopupMenu* submenu : m_SubMenus) {
        submenu->m_Parent = nullptr;
        submenu->Forget();
    }
    m_SubMenus.clear();
}

// Otherwise the parent's DestroyMenu would later free this handle again, or whatever menu has
// taken its number since.
void bkPopupMenu::Detach() {
    if (!m_Parent) {
        return;
    }
    for (int i = GetMenuItemCount(m_Parent->m_Menu) - 1; i >= 0; --i) {
        if (GetSubMenu(m_Parent->m_Menu, i) == m_Menu) {
            RemoveMenu(m_Parent->m_Menu, UINT(i), MF_BYPOSITION);
        }
    }
    std::vector<bkPopupMenu*>& siblings = m_Parent->m_SubMenus;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    m_Parent = nullptr;
}

void bkPopupMenu::AddItem(const char* text, int id, bool checked, bool enabled) {
    AppendMenuA(m_Menu, MF_STRING | ItemFlags(checked, enabled), UINT_PTR(id), text);
}

void bkPopupMenu::AddBitmap(HBITMAP__* bitmap, int id, bool checked, bool enabled) {
    AppendMenuA(m_Menu, MF_BITMAP | ItemFlags(checked, enabled), UINT_PTR(id),
                reinterpret_cast<const char*>(bitmap));
}

void bkPopupMenu::AddSeparator() {
    AppendMenuA(m_Menu, MF_SEPARATOR, 0, nullptr);
}

void bkPopupMenu::AddSubMenu(const char* text, bkPopupMenu* submenu, bool enabled) {
    if (AppendMenuA(m_Menu, MF_POPUP | MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED),
                    reinterpret_cast<UINT_PTR>(submenu->m_Menu), text)) {
        submenu->Detach();
        submenu->m_Parent = this;
        m_SubMenus.push_back(submenu);
    }
}

int bkPopupMenu::Track(int x, int y) {
    if (x == -1 && y == -1) {
        POINT cursor;
        GetCursorPos(&cursor);
        x = cursor.x;
        y = cursor.y;
    }
    return sTrackPopup(m_Menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, x, y,
                       GetActiveWindow());
}

HBITMAP__* bkLoadMenuBitmap(const char* name) {
    char path[datAssetManager::MaxName];
    if (!datAssetManager::FullPath(path, sizeof(path), name, "BMP")) {
        return nullptr;
    }
    return static_cast<HBITMAP>(LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}
