#ifndef BANK_GFXBANK_H
#define BANK_GFXBANK_H

#include <cstdint>

#include "bank/bklocbank.h"
#include "bank/bkmgr.h"

// The in-window front end (options "local" and "fs"): every bank is drawn with the graphics
// layer's debug text and driven from the keypad through the input layer's key states.

// The debug text as the banks use it: the graphics layer's from the start; tests put a recorder
// in its place. Without one nothing is drawn.
class gfxBankText {
public:
    virtual ~gfxBankText() {}
    virtual void Print(int x, int y, const char* text) = 0;
    virtual int GetCharWidth() = 0;
    virtual int GetCharHeight() = 0;
    virtual int GetScreenHeight() = 0;
};
extern gfxBankText* gfxBankPrinter;

// The key states of this frame and of the one before, indexed by DirectInput key code (bit 0x80
// when down); the input layer installs it. Without it no key is read.
typedef void (*gfxBankKeysFunc)(const uint8_t** current, const uint8_t** previous);
extern gfxBankKeysFunc gfxBankKeys;

// The navigation code of the keypad keys: 8 and 2 pressed (or 9 and 3 held) move up and down,
// Enter presses, 4 and 6 step down and up and press, 0 and the decimal point held adjust by -1
// and +1 (ten times with Shift), Ctrl+M closes.
int bkLocNavigationFromKeys(const uint8_t* current, const uint8_t* previous, float* amount);

class gfxBank : public bkLocBank {
public:
    // The first in-window bank ("Banks") gets the closed group "Bank Positioning".
    gfxBank(int x, int y);

    void DrawLine(int column, int row, const char* text) override;
    int ReadNavigation(float* amount) override;

    // Set by the manager's factory: the next bank is the first.
    static bool sm_PositioningBuilt;
};

class gfxBankManager : public bkManager {
public:
    // The factory for bkManager::CreateInstance.
    static bkManager* Create();

    ~gfxBankManager() override;
    bkBank* CreateBank(const char* name, int x, int y, bool notFirst) override;
    bool Poll(bool wait) override;
    // The shown bank's navigation; with none shown, Ctrl+M shows "Banks". At the first call the
    // layout file, when there is one, is read and kept: it is the bank windows' layout too, and
    // what these banks write back at the end must hand the next run's windows back as they were.
    void Update() override;
    void Draw() override;

private:
    bool m_LayoutKept = false;
};

#endif
