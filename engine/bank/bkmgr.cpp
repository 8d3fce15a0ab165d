#include "bank/bkmgr.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "bank/filedialog.h"
#include "data/assert.h"
#include "data/printer.h"

bkManager* bkManager::Instance = nullptr;

namespace {

// Set at start; the first update loads the layout file and clears it.
bool sLoadConfigAtUpdate = true;

void ToggleBankOpen(uintptr_t data) {
    bkBank* bank = reinterpret_cast<bkBank*>(data);
    if (bank->IsOpen()) {
        bank->Close();
    } else {
        bank->Open();
    }
}

void LoadConfigButton() {
    const char* file = bkGetFileName("*.bfg", false, nullptr);
    if (file) {
        bkManager::GetInstance()->LoadConfig(file);
    }
}

void SaveConfigButton() {
    const char* file = bkGetFileName("*.bfg", true, nullptr);
    if (file) {
        bkManager::GetInstance()->SaveConfig(file);
    }
}

}  // namespace

// Front ends may return null from their add operations, so the button is taken from the list:
// DestroyBank must find it again, or "Banks" would keep a button onto a deleted bank.
bkWidget* bkManager::AddBankButton(const char* name, bkBank* bank) {
    bkBank* banks = Banks[0];
    int before = banks->NumWidgets;
    banks->AddButton(name, datCallback(ToggleBankOpen, uintptr_t(bank)));
    return banks->NumWidgets > before ? banks->Widget[banks->NumWidgets - 1] : nullptr;
}

void bkManager::CreateInstance(bkManagerFactory factory) {
    if (Instance) {
        return;
    }
    static bool registered = false;
    if (!registered) {
        registered = true;
        std::atexit(DeleteInstance);
    }
    Instance = factory();
    Assert(Instance);
    bkBank* banks = Instance->AddBank("Banks", 100, 100, true);
    banks->Open();
    banks->AddButton("Load Config", datCallback(LoadConfigButton));
    banks->AddButton("Save Config", datCallback(SaveConfigButton));
}

void bkManager::DeleteInstance() {
    if (!Instance) {
        return;
    }
    Instance->SaveConfig(nullptr);
    delete Instance;
}

bkManager* bkManager::GetInstance() {
    Assert(Instance);
    return Instance;
}

bkManager::~bkManager() {
    for (uint32_t i = 0; i < NumBanks; ++i) {
        delete Banks[i];
    }
    Instance = nullptr;
}

bool bkManager::Poll(bool) {
    return true;
}

void bkManager::Update() {
    if (sLoadConfigAtUpdate) {
        LoadConfig(nullptr);
        sLoadConfigAtUpdate = false;
    }
    for (uint32_t i = 0; i < NumBanks; ++i) {
        Banks[i]->Update();
    }
}

bkBank* bkManager::AddBank(const char* name, int x, int y, bool listed) {
    Assert(NumBanks<MAX_BANKS);
    bkBank* bank = CreateBank(name, x, y, NumBanks != 0);
    // A bank without a name is listed and saved under an empty one.
    if (!name) {
        name = "";
    }
    if (NumBanks > 0) {
        for (uint32_t i = 0; i < NumBanks; ++i) {
            if (strcasecmp(BankNames[i], name) == 0) {
                PrintError("Duplicate bank name! (%s)", name);
            }
        }
        bank->Close();
        bank->m_BankButton = listed ? AddBankButton(name, bank) : nullptr;
    }
    strncpy(BankNames[NumBanks], name, NAME_SIZE - 1);
    BankNames[NumBanks][NAME_SIZE - 1] = 0;
    Banks[NumBanks] = bank;
    ++NumBanks;
    return bank;
}

void bkManager::DestroyBank(bkBank* bank) {
    uint32_t index = 1;
    while (index < NumBanks && Banks[index] != bank) {
        ++index;
    }
    if (index >= NumBanks) {
        FatalQuit("Couldn't destroy this bank");
    }
    if (bank->m_BankButton) {
        Banks[0]->RemoveWidget(bank->m_BankButton);
    }
    delete bank;
    for (uint32_t i = index; i + 1 < NumBanks; ++i) {
        Banks[i] = Banks[i + 1];
        memcpy(BankNames[i], BankNames[i + 1], NAME_SIZE);
    }
    --NumBanks;
    Banks[NumBanks] = nullptr;
    memset(BankNames[NumBanks], 0, NAME_SIZE);
}

bkBank* bkManager::FindBank(const char* name) {
    for (uint32_t i = 0; i < NumBanks; ++i) {
        if (strcasecmp(BankNames[i], name) == 0) {
            return Banks[i];
        }
    }
    return nullptr;
}

void bkManager::OpenBank(const char* name) {
    for (uint32_t i = 0; i < NumBanks; ++i) {
        if (strcasecmp(BankNames[i], name) == 0) {
            Banks[i]->Open();
        }
    }
}

void bkManager::OpenAll() {
    for (uint32_t i = 0; i < NumBanks; ++i) {
        Banks[i]->Open();
    }
}

void bkManager::SetOnTopAll(bool onTop) {
    for (uint32_t i = 0; i < NumBanks; ++i) {
        Banks[i]->SetOnTop(onTop);
    }
}

bkWidget* bkFindWidget(bkBank* bank, const char* title) {
    if (!bank) {
        return nullptr;
    }
    for (int i = 0; i < bank->NumWidgets; ++i) {
        if (strcasecmp(bank->Widget[i]->GetTitle(), title) == 0) {
            return bank->Widget[i];
        }
    }
    return nullptr;
}
