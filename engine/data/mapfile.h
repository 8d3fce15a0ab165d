#ifndef DATA_MAPFILE_H
#define DATA_MAPFILE_H

#include <cstdint>

// Symbol names for code addresses, from the linker map file beside the program (its name with
// the extension replaced by ".MAP"). The map is read once, on first use.

void MapFileSymbols();
const char* GetMapTimestamp();
// Writes "0x%x(%s+0x%x)" or "0x%x(Unknown)" into destination (at least 256 bytes).
void SymbolFromAddress(char* destination, uintptr_t address);

// Reads the named map instead of the one beside the program and forgets any table already read.
void SetMapFileName(const char* name);

#endif
