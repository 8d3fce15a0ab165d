// The bank layout file: which banks are open and where their windows stand.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bank/bkmgr.h"
#include "data/assert.h"
#include "data/debuglog.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/token.h"

namespace {

const char* sConfigPrefix = nullptr;

const int MaxLayoutName = 64;

struct LayoutEntry {
    char m_Name[MaxLayoutName];
    int m_Open;
    int m_X;
    int m_Y;
    int m_Width;
    int m_Height;
};

bool GetLayoutInt(TokenReader& reader, int& value) {
    char token[TokenReader::NumberSize];
    if (reader.GetToken(token, sizeof(token)) == 0) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    long long number = strtoll(token, &end, 10);
    if (*end || errno == ERANGE || number < INT_MIN || number > INT_MAX) {
        return false;
    }
    value = int(number);
    return true;
}

// The whole file is read before any of it is applied, so that a damaged one changes nothing.
// A count of 0 ends the file; entries past the count are not read.
bool ReadLayout(TokenReader& reader, std::vector<LayoutEntry>& entries) {
    int count = 0;
    if (!GetLayoutInt(reader, count) || count < 0) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        LayoutEntry entry;
        // An empty quoted name reads as an empty token; the end of the file shows at the numbers.
        reader.GetToken(entry.m_Name, sizeof(entry.m_Name));
        for (int* value : {&entry.m_Open, &entry.m_X, &entry.m_Y, &entry.m_Width, &entry.m_Height}) {
            if (!GetLayoutInt(reader, *value)) {
                return false;
            }
        }
        entries.push_back(entry);
    }
    return true;
}

}  // namespace

void bkManager::SetConfigPrefix(const char* prefix) {
    sConfigPrefix = prefix;
}

std::string bkManager::GetDefaultConfigName() {
    std::string name;
    if (sConfigPrefix) {
        size_t len = strlen(sConfigPrefix);
        Assert(len<32);
        name = sConfigPrefix;
    }
    char login[11];
    GetLoginName(login, sizeof(login));
    return name + login + ".bfg";
}

void bkManager::SaveConfig(const char* file) {
    std::string name = file ? file : GetDefaultConfigName();
    Stream* stream = StreamCreateReplacing(name.c_str());
    if (!stream) {
        PrintError("bkManager::SaveConfig(%s) failed.", name.c_str());
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
    // A layout file cut short by a full disk would not load; the last good one stays instead.
    if (StreamClose(stream) < 0) {
        PrintError("bkManager::SaveConfig(%s) failed.", name.c_str());
    }
}

void bkManager::LoadConfig(const char* file) {
    std::string name = file ? file : GetDefaultConfigName();
    Stream* stream = StreamOpen(name.c_str(), true);
    if (stream && StreamSize(stream) == 0) {
        StreamClose(stream);
        stream = nullptr;
    }
    if (!stream) {
        PrintWarning("bkManager::LoadConfig(%s) failed.", name.c_str());
        return;
    }
    TokenReader reader(name.c_str(), stream);
    std::vector<LayoutEntry> entries;
    bool read = ReadLayout(reader, entries);
    int line = reader.GetLine();
    StreamClose(stream);
    // One bad file must not keep the program from starting: the layout stays as it is.
    if (!read) {
        PrintError("bkManager::LoadConfig(%s): damaged layout file (line %d); layout unchanged.",
                   name.c_str(), line);
        return;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const LayoutEntry& entry = entries[i];
        // The first entry is "Banks", which stays reachable whatever the file says.
        if (bkBank* bank = FindBank(entry.m_Name)) {
            bank->SetConfig(i == 0 || entry.m_Open != 0, entry.m_X, entry.m_Y, entry.m_Width,
                            entry.m_Height);
        }
    }
}
