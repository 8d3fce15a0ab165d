#ifndef BANK_BKMGR_H
#define BANK_BKMGR_H

#include <cstdint>
#include <string>

#include "bank/bank.h"

class bkManager;

typedef bkManager* (*bkManagerFactory)();

// The process-wide owner of every bank. Front ends derive from it and make their own banks;
// bank 0 is always "Banks", which lists the others.
class bkManager {
public:
    static const int MAX_BANKS = 100;
    static const int NAME_SIZE = 32;

    // Makes the manager with the factory, with the open bank "Banks" and its Load Config and
    // Save Config buttons. The manager is deleted at process exit unless DeleteInstance ran.
    static void CreateInstance(bkManagerFactory factory);
    // Writes the layout file under the default name and deletes the manager.
    static void DeleteInstance();
    // The manager; asserts that there is one.
    static bkManager* GetInstance();
    // The prefix of the default layout file name; null for none.
    static void SetConfigPrefix(const char* prefix);
    // The prefix, the login name and ".bfg", as they are at the call.
    static std::string GetDefaultConfigName();

    virtual ~bkManager();
    // not-first is false only for the very first bank, "Banks".
    virtual bkBank* CreateBank(const char* name, int x, int y, bool notFirst) = 0;
    virtual bool Poll(bool wait);
    // Loads the layout file at the first call, then refreshes every bank.
    virtual void Update();
    virtual void Draw() {}

    // A listed bank gets a button in "Banks" that opens and closes it.
    bkBank* AddBank(const char* name, int x, int y, bool listed);
    void DestroyBank(bkBank* bank);
    // The first bank of that name, ignoring case.
    bkBank* FindBank(const char* name);
    void OpenBank(const char* name);
    void OpenAll();
    void SetOnTopAll(bool onTop);
    // A null file stands for the default name. A file that cannot be written whole leaves the
    // old one in place, and a damaged one leaves the layout as it is: both are errors, and the
    // program goes on.
    void SaveConfig(const char* file);
    void LoadConfig(const char* file);

    static bkManager* Instance;

    uint32_t NumBanks = 0;
    bkBank* Banks[MAX_BANKS] = {};
    char BankNames[MAX_BANKS][NAME_SIZE] = {};

private:
    bkWidget* AddBankButton(const char* name, bkBank* bank);
};

// The first widget of the bank whose title equals the given one ignoring case; null for a null
// bank or no match.
bkWidget* bkFindWidget(bkBank* bank, const char* title);

#endif
