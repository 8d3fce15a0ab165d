#include "data/mapfile.h"

#include "data/printer.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const int LineSize = 256;
const int TimestampSize = 256;
const int MapNameSize = MAX_PATH + 8;

struct MapSymbol {
    const char* m_Name;
    uintptr_t m_Address;
};

MapSymbol* sm_Symbols = nullptr;
char* sm_Names = nullptr;
int sm_SymbolCount = 0;
bool sm_Loaded = false;
char sm_Timestamp[TimestampSize] = "NO TIMESTAMP";
char sm_MapName[MapNameSize] = "";
// Added to every map address: the program may load elsewhere than the map says.
intptr_t sm_LoadShift = 0;

// The whole program name: a name cut short would look for a map that is not there.
void BuildMapName(char* name) {
    char program[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, program, sizeof(program));
    program[length < sizeof(program) ? length : sizeof(program) - 1] = 0;
    char* dot = strrchr(program, '.');
    if (dot) {
        *dot = 0;
    }
    snprintf(name, MapNameSize, "%s.MAP", program);
}

bool StartsWith(const char* line, const char* prefix) {
    return strncmp(line, prefix, strlen(prefix)) == 0;
}

// One pass over the map: counts the symbols and their name bytes, and fills the table when it
// has been allocated (never past what the counting pass found).
void ScanMap(FILE* map, int capacity, size_t nameCapacity, int* count, size_t* nameBytes) {
    char line[LineSize];
    bool inPublics = false;
    *count = 0;
    *nameBytes = 0;
    while (fgets(line, LineSize, map)) {
        if (strstr(line, "Timestamp is")) {
            snprintf(sm_Timestamp, TimestampSize, "%s", line);
            continue;
        }
        unsigned long long preferred = 0;
        if (sscanf(line, " Preferred load address is %llx", &preferred) == 1) {
            sm_LoadShift = (intptr_t)((uintptr_t)GetModuleHandleA(nullptr) - (uintptr_t)preferred);
            continue;
        }
        if (!inPublics) {
            inPublics = strstr(line, "Publics by Value") != nullptr;
            continue;
        }
        if (StartsWith(line, " 0002:")) {
            break;
        }
        char name[LineSize];
        unsigned long long address = 0;
        if (!StartsWith(line, " 0001:") || sscanf(line, "%*s %255s %llx", name, &address) != 2) {
            continue;
        }
        size_t size = strlen(name) + 1;
        if (sm_Symbols) {
            if (*count == capacity || *nameBytes + size > nameCapacity) {
                break;
            }
            memcpy(sm_Names + *nameBytes, name, size);
            sm_Symbols[*count].m_Name = sm_Names + *nameBytes;
            sm_Symbols[*count].m_Address = (uintptr_t)address + sm_LoadShift;
        }
        ++*count;
        *nameBytes += size;
    }
}

void FreeSymbols() {
    if (sm_Symbols) {
        GlobalFree(sm_Symbols);
        GlobalFree(sm_Names);
    }
    sm_Symbols = nullptr;
    sm_Names = nullptr;
    sm_SymbolCount = 0;
}

// The program's own image: an address past the last symbol but inside it still belongs to that
// symbol's neighbourhood; anything else is foreign.
bool InsideProgramImage(uintptr_t address) {
    const unsigned char* base = (const unsigned char*)GetModuleHandleA(nullptr);
    const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)base;
    const IMAGE_NT_HEADERS* nt = (const IMAGE_NT_HEADERS*)(base + dos->e_lfanew);
    uintptr_t start = (uintptr_t)base;
    return address >= start && address - start < nt->OptionalHeader.SizeOfImage;
}

// The symbol whose address is the greatest at or below the address, or -1.
int FindSymbol(uintptr_t address) {
    int lo = 0;
    int hi = sm_SymbolCount - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        if (address < sm_Symbols[mid].m_Address) {
            hi = mid - 1;
        } else if (mid + 1 < sm_SymbolCount && address >= sm_Symbols[mid + 1].m_Address) {
            lo = mid + 1;
        } else {
            if (mid + 1 == sm_SymbolCount && address > sm_Symbols[mid].m_Address &&
                !InsideProgramImage(address)) {
                return -1;
            }
            return mid;
        }
    }
    return -1;
}

}  // namespace

void MapFileSymbols() {
    if (sm_Loaded) {
        return;
    }
    sm_Loaded = true;
    if (!sm_MapName[0]) {
        BuildMapName(sm_MapName);
    }
    snprintf(sm_Timestamp, TimestampSize, "NO TIMESTAMP");
    sm_LoadShift = 0;

    FILE* map = fopen(sm_MapName, "r");
    if (!map) {
        char text[MapNameSize + 32];
        snprintf(text, sizeof(text), "Couldn't open '%s'", sm_MapName);
        OutputDebugStringA(text);
        return;
    }
    int count = 0;
    size_t nameBytes = 0;
    ScanMap(map, 0, 0, &count, &nameBytes);
    sm_Symbols = (MapSymbol*)GlobalAlloc(GPTR, (count ? count : 1) * sizeof(MapSymbol));
    sm_Names = (char*)GlobalAlloc(GPTR, nameBytes ? nameBytes : 1);
    PrintError("%d symbols parsed from map file.", count);
    rewind(map);
    size_t nameCapacity = nameBytes;
    ScanMap(map, count, nameCapacity, &sm_SymbolCount, &nameBytes);
    fclose(map);
}

const char* GetMapTimestamp() {
    MapFileSymbols();
    return sm_Timestamp;
}

void SymbolFromAddress(char* destination, uintptr_t address) {
    MapFileSymbols();
    int found = FindSymbol(address);
    if (found < 0) {
        snprintf(destination, LineSize, "0x%llx(Unknown)", (unsigned long long)address);
        return;
    }
    snprintf(destination, LineSize, "0x%llx(%s+0x%llx)", (unsigned long long)address,
             sm_Symbols[found].m_Name,
             (unsigned long long)(address - sm_Symbols[found].m_Address));
}

void SetMapFileName(const char* name) {
    FreeSymbols();
    snprintf(sm_MapName, MapNameSize, "%s", name);
    sm_Loaded = false;
}
