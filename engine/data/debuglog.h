#ifndef DATA_DEBUGLOG_H
#define DATA_DEBUGLOG_H

#include <cstdint>

// The debug log hunts nondeterminism: one run records tagged items, each with the call stack
// that produced it; the next run compares item by item and stops at the first difference.
// Records: tag u32, size u32, the data, eight u32 return addresses (offsets from the program's
// base, so that they survive a relocated load).

extern const char* const DebugLogFileName;

bool GetLoginName(char* buffer, int size);
bool GetMachineName(char* buffer, int size);
// machine-YYYYMMDD-hhmmsslog.txt in local time.
void MakeLogFileName(char* buffer, int size);

void DebugLogOpen(bool compare, const char* name = DebugLogFileName);
void DebugLogClose();
// Records or compares size * count bytes under the tag; nothing while no log is open.
void DebugLog(uint32_t tag, const void* data, int size, int count = 1);

void HexDump(const void* data, int size);
void FloatDump(const void* data, int size);

#endif
