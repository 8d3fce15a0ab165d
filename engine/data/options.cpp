#include "data/options.h"

#include "data/hash.h"
#include "data/string.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// No wildcard expansion of the arguments by the C runtime: "*.sdl" reaches us as typed.
extern "C" int _dowildcard;
int _dowildcard = 0;

namespace {

struct OptionRecord {
    uint32_t m_Count;
    char** m_Values;
    char* m_Copy;  // SetOption's own text; parsed values point into the arguments
};

int sm_Argc = 0;
char** sm_Argv = nullptr;
char* sm_StringArgv[1] = {nullptr};

// Made on first use, so that options asked for by other static initialisers find a table.
HashTable& OptionTable() {
    static HashTable table(101);
    return table;
}

OptionRecord* FindOption(const char* name) {
    return (OptionRecord*)OptionTable().Access(name);
}

void FreeRecord(OptionRecord* record) {
    delete[] record->m_Values;
    delete[] record->m_Copy;
    delete record;
}

void AddOption(const char* name, const std::vector<char*>& values, char* copy) {
    OptionRecord* record = new OptionRecord{(uint32_t)values.size(), nullptr, copy};
    record->m_Values = new char*[values.size()];
    for (size_t i = 0; i < values.size(); ++i) {
        record->m_Values[i] = values[i];
    }
    OptionTable().Insert(name, (uintptr_t)record);
}

bool StartsOption(const char* argument) {
    return !argument || (argument[0] == '-' && !(argument[1] >= '0' && argument[1] <= '9'));
}

const char* OptionValue(const char* name, uint32_t index) {
    OptionRecord* record = FindOption(name);
    return record && index < record->m_Count ? record->m_Values[index] : nullptr;
}

}  // namespace

void ParseCommandLine(int argc, char** argv) {
    sm_Argc = argc;
    sm_Argv = argv;
    for (int i = 0; argv && i < argc;) {
        char* argument = argv[i++];
        if (!argument || argument[0] != '-') {
            continue;
        }
        int end = i;
        while (end < argc && !StartsOption(argv[end])) {
            ++end;
        }
        char* name = argument + 1;
        char* equals = strchr(name, '=');
        if (equals) {
            *equals = 0;
        }
        if (HasOption(name)) {
            if (equals) {
                *equals = '=';
            }
        } else {
            std::vector<char*> values;
            if (equals) {
                values.push_back(equals + 1);
            }
            values.insert(values.end(), argv + i, argv + end);
            AddOption(name, values, nullptr);
        }
        i = end;
    }
    // Emptying every listed table (at the end of a batch build) must spare the options.
    OptionTable().Unlink();
}

void ParseCommandString(char* text) {
    char* scan = strchr(text, ' ');
    if (scan) {
        delete[] sm_StringArgv[0];
        sm_StringArgv[0] = new char[scan - text + 1];
        memcpy(sm_StringArgv[0], text, scan - text);
        sm_StringArgv[0][scan - text] = 0;
        sm_Argv = sm_StringArgv;
        sm_Argc = 0;
        while ((scan = strchr(scan, '-')) != nullptr) {
            char* name = scan + 1;
            scan = name + strcspn(name, "= ");
            if (*scan) {
                *scan++ = 0;
            }
            ++sm_Argc;
            if (HasOption(name)) {
                continue;
            }
            std::vector<char*> values;
            for (;;) {
                scan += strspn(scan, "= ");
                if (!*scan || *scan == '-') {
                    break;
                }
                values.push_back(scan);
                scan += strcspn(scan, "= ");
                if (*scan) {
                    *scan++ = 0;
                }
            }
            AddOption(name, values, nullptr);
        }
    }
    OptionTable().Unlink();
}

bool HasOption(const char* name) {
    return FindOption(name) != nullptr;
}

bool GetOption(const char* name, uint32_t index, int& value) {
    const char* text = OptionValue(name, index);
    if (text) {
        value = atoi(text);
    }
    return text != nullptr;
}

bool GetOption(const char* name, uint32_t index, float& value) {
    const char* text = OptionValue(name, index);
    if (text) {
        value = (float)atof(text);
    }
    return text != nullptr;
}

bool GetOption(const char* name, uint32_t index, const char*& value) {
    const char* text = OptionValue(name, index);
    if (text) {
        value = text;
    }
    return text != nullptr;
}

uint32_t OptionValueCount(const char* name) {
    OptionRecord* record = FindOption(name);
    return record ? record->m_Count : 0;
}

void DebugOption(const char* name, int& level) {
    bool named = HasOption(name);
    if (!named && !HasOption("allDebug")) {
        return;
    }
    level = 1;
    if (!(named && GetOption(name, 0, level))) {
        GetOption("allDebug", 0, level);
    }
}

const char* const* SetOption(const char* name, const char* text) {
    OptionRecord* old = FindOption(name);
    if (old) {
        OptionTable().Delete(name);
        FreeRecord(old);
    }
    char* copy = StringDuplicate(text);
    AddOption(name, {copy}, copy);
    return FindOption(name)->m_Values;
}

void ClearOptions() {
    HashTable& table = OptionTable();
    HashTable::Iterator iterator;
    for (bool more = table.First(iterator); more; more = table.Next(iterator)) {
        FreeRecord((OptionRecord*)iterator.m_Value);
    }
    table.Kill();
}

int RebuildCommandLine(char* buffer, int size) {
    std::string text = sm_Argc > 0 && sm_Argv && sm_Argv[0] ? sm_Argv[0] : "";
    HashTable& table = OptionTable();
    HashTable::Iterator iterator;
    for (bool more = table.First(iterator); more; more = table.Next(iterator)) {
        const OptionRecord* record = (const OptionRecord*)iterator.m_Value;
        text += std::string(" -") + iterator.m_Key;
        for (uint32_t i = 0; i < record->m_Count; ++i) {
            text += (i == 0 ? "=" : " ") + std::string(record->m_Values[i]);
        }
    }
    if (buffer && size > 0) {
        size_t length = text.size() < (size_t)size ? text.size() : (size_t)size - 1;
        memcpy(buffer, text.c_str(), length);
        buffer[length] = 0;
    }
    return (int)text.size() + 1;
}
