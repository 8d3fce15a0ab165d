#ifndef BANK_BKWINMGR_H
#define BANK_BKWINMGR_H

#include <windows.h>

#include "bank/bkmgr.h"

// The default front end: every bank is a tool window of class "Bank" whose widgets are Win32
// child controls.
class bkWinManager : public bkManager {
public:
    // The factory for bkManager::CreateInstance.
    static bkManager* Create();
    // The manager of the Win32 banks; asserts that there is a manager.
    static bkWinManager* Get();
    // True while the manager deletes its banks: widgets then skip what only matters to the
    // living (re-numbering, committing edits).
    static bool IsDestroying();

    bkWinManager();
    ~bkWinManager() override;

    bkBank* CreateBank(const char* name, int x, int y, bool notFirst) override;
    // With wait, handles one message (false on the quit message); else every pending one.
    bool Poll(bool wait) override;

    HINSTANCE m_Module;
    HFONT m_Font;
    HFONT m_BoldFont;
    bool m_Destroying;
};

#endif
