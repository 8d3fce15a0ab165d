#include <cstring>

#include "bank/bkmgr.h"
#include "data/assert.h"
#include "data/debuglog.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/token.h"

namespace {

const char* sConfigPrefix = nullptr;

}  // namespace

void bkManager::SetConfigPrefix(const char* prefix) {
    sConfigPrefix = prefix;
}

const char* bkManager::GetDefaultConfigName() {
    static char name[48];
    if (!name[0]) {
        if (sConfigPrefix) {
            size_t len = strlen(sConfigPrefix);
            Assert(len<32);
            memcpy(name, sConfigPrefix, len + 1);
        }
        char login[11];
        GetLoginName(login, sizeof(login));
        strcat(name, login);
        strcat(name, ".bfg");
    }
    return name;
}

void bkManager::SaveConfig(const char* file) {
    const char* name = file ? file : GetDefaultConfigName();
    Stream* stream = StreamCreate(name);
    if (!stream) {
        PrintError("bkManager::SaveConfig(%s) failed.", name);
        return;
    }
    StreamPrintf(stream, "%d\n", int(NumBanks));
    for (uint32_t i = 0; i < NumBanks; ++i) {
        bool open = false;
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        Banks[i]->GetConfig(&open, &x, &y, &width, &height);
        StreamPrintf(stream, "\"%s\" %d %d %d %d %d\n", BankNames[i], open ? 1 : 0, x, y, width,
                     height);
    }
    StreamClose(stream);
}

void bkManager::LoadConfig(const char* file) {
    const char* name = file ? file : GetDefaultConfigName();
    Stream* stream = StreamOpen(name, true);
    if (stream && StreamSize(stream) == 0) {
        StreamClose(stream);
        stream = nullptr;
    }
    if (!stream) {
        PrintWarning("bkManager::LoadConfig(%s) failed.", name);
        return;
    }
    TokenReader reader(name, stream);
    int count = reader.GetInt();
    for (int i = 0; i < count; ++i) {
        char bankName[64];
        reader.GetToken(bankName, sizeof(bankName));
        int open = reader.GetInt();
        int x = reader.GetInt();
        int y = reader.GetInt();
        int width = reader.GetInt();
        int height = reader.GetInt();
        // The first entry is "Banks", which stays reachable whatever the file says.
        if (bkBank* bank = FindBank(bankName)) {
            bank->SetConfig(i == 0 || open != 0, x, y, width, height);
        }
    }
    StreamClose(stream);
}
