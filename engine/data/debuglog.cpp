#include "data/debuglog.h"

#include "data/assert.h"
#include "data/bytes.h"
#include "data/printer.h"
#include "data/stackwalk.h"
#include "data/stream.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

const char* const DebugLogFileName = "c:\\debug.log";

namespace {

const int BacktraceDepth = 8;
const int LineSize = 128;

Stream* sm_LogStream = nullptr;
bool sm_Compare = false;

struct LogItem {
    uint32_t m_Tag;
    uint32_t m_Size;
    unsigned char m_Data[256];
    uint32_t m_Backtrace[BacktraceDepth];
};

// DebugLog's caller and the seven frames above it, as offsets from the program's base.
__attribute__((noinline)) void CaptureCallers(uint32_t* backtrace) {
    uintptr_t addresses[BacktraceDepth + 2] = {};
    int count = CaptureBacktrace(addresses, BacktraceDepth + 2);
    uintptr_t base = (uintptr_t)GetModuleHandleA(nullptr);
    for (int i = 0; i < BacktraceDepth; ++i) {
        backtrace[i] = i + 2 < count ? (uint32_t)(addresses[i + 2] - base) : 0;
    }
}

void PrintCallers(const uint32_t* backtrace) {
    uintptr_t base = (uintptr_t)GetModuleHandleA(nullptr);
    uintptr_t addresses[BacktraceDepth];
    for (int i = 0; i < BacktraceDepth; ++i) {
        addresses[i] = base + backtrace[i];
    }
    PrintBacktrace(addresses, BacktraceDepth, nullptr);
}

void WriteU32(uint32_t value) {
    unsigned char bytes[4];
    EncodeU32(value, bytes);
    StreamWrite(sm_LogStream, bytes, 4);
}

uint32_t ReadU32() {
    unsigned char bytes[4] = {};
    StreamRead(sm_LogStream, bytes, 4);
    return DecodeU32(bytes);
}

void WriteItem(const LogItem& item, const void* data) {
    WriteU32(item.m_Tag);
    WriteU32(item.m_Size);
    StreamWrite(sm_LogStream, data, (int)item.m_Size);
    for (uint32_t address : item.m_Backtrace) {
        WriteU32(address);
    }
}

void ReadItem(LogItem* stored) {
    auto& fbuffer = stored->m_Data;
    stored->m_Tag = ReadU32();
    uint32_t flen = ReadU32();
    Assert(flen < sizeof(fbuffer));
    stored->m_Size = flen;
    // A log cut inside an item leaves the rest of it zero, so it differs by what is missing
    // rather than by whatever the stack held.
    memset(fbuffer, 0, sizeof(fbuffer));
    StreamRead(sm_LogStream, fbuffer, (int)flen);
    for (uint32_t& address : stored->m_Backtrace) {
        address = ReadU32();
    }
}

void PrintDumps(const char* label, const void* data, int size) {
    PrintMessage("%s", label);
    HexDump(data, size);
    FloatDump(data, size);
}

void CompareItem(const LogItem& current, const void* data) {
    LogItem stored;
    ReadItem(&stored);
    bool differ = false;
    if (current.m_Tag != stored.m_Tag) {
        PrintError("DebugLog: Current tag %x != stored %x", current.m_Tag, stored.m_Tag);
        differ = true;
    }
    if (current.m_Size != stored.m_Size) {
        PrintError("DebugLog: Current size %d != stored %d", current.m_Size, stored.m_Size);
        differ = true;
    } else if (memcmp(data, stored.m_Data, current.m_Size) != 0) {
        PrintError("DebugLog: Current data != stored data");
        PrintDumps("CURRENT:", data, (int)current.m_Size);
        PrintDumps("STORED:", stored.m_Data, (int)stored.m_Size);
        differ = true;
    }
    if (memcmp(current.m_Backtrace, stored.m_Backtrace, sizeof(stored.m_Backtrace)) != 0) {
        PrintError("DebugLog: Stack backtrace mismatch");
        PrintMessage("CURRENT:");
        PrintCallers(current.m_Backtrace);
        PrintMessage("STORED:");
        PrintCallers(stored.m_Backtrace);
        differ = true;
    }
    if (differ) {
        uint32_t t = current.m_Tag;
        uint32_t f = stored.m_Tag;
        PrintError("DebugLog:  tag (%c%c%c%c) with ftag (%c%c%c%c)", t >> 24, (t >> 16) & 255,
                   (t >> 8) & 255, t & 255, f >> 24, (f >> 16) & 255, (f >> 8) & 255, f & 255);
        FatalQuit("DebugLog mismatch, aborting.");
    }
}

// Fixed-width rows of dump output: the line so far and a bounded append.
struct DumpLine {
    char m_Text[LineSize];
    int m_Length = 0;

    void Append(const char* format, ...) {
        va_list args;
        va_start(args, format);
        int room = LineSize - m_Length;
        int added = vsnprintf(m_Text + m_Length, room, format, args);
        va_end(args);
        m_Length += added < room ? added : room - 1;
    }
};

}  // namespace

bool GetLoginName(char* buffer, int size) {
    snprintf(buffer, size, "unknown");
    DWORD length = (DWORD)size;
    GetUserNameA(buffer, &length);
    return true;
}

bool GetMachineName(char* buffer, int size) {
    snprintf(buffer, size, "unknown");
    DWORD length = (DWORD)size;
    GetComputerNameA(buffer, &length);
    return true;
}

void MakeLogFileName(char* buffer, int size) {
    char machine[MAX_COMPUTERNAME_LENGTH + 1];
    GetMachineName(machine, sizeof(machine));
    time_t now = time(nullptr);
    struct tm local = *localtime(&now);
    snprintf(buffer, size, "%s-%04d%02d%02d-%02d%02d%02dlog.txt", machine, local.tm_year + 1900,
             local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}

void DebugLogOpen(bool compare, const char* name) {
    DebugLogClose();
    sm_Compare = compare;
    sm_LogStream = compare ? StreamOpen(name, false) : StreamCreate(name);
}

// A recorded log cut short by a full disk would fail its compare run for no reason of its own.
void DebugLogClose() {
    if (sm_LogStream) {
        char name[Stream::MaxName + 1];
        strcpy(name, sm_LogStream->m_Name);
        if (StreamClose(sm_LogStream) < 0) {
            PrintError("Cannot write log file '%s'.", name);
        }
        sm_LogStream = nullptr;
    }
}

void DebugLog(uint32_t tag, const void* data, int size, int count) {
    if (!sm_LogStream) {
        return;
    }
    LogItem current;
    auto& fbuffer = current.m_Data;
    uint32_t flen = (uint32_t)(size * count);
    // A compare run reads the stored item into a fixed buffer, so no item may outgrow it.
    Assert(flen < sizeof(fbuffer));
    current.m_Tag = tag;
    current.m_Size = flen;
    CaptureCallers(current.m_Backtrace);
    if (sm_Compare) {
        CompareItem(current, data);
    } else {
        WriteItem(current, data);
    }
}

void HexDump(const void* data, int size) {
    const unsigned char* bytes = (const unsigned char*)data;
    for (int offset = 0; offset < size; offset += 16) {
        DumpLine line;
        line.Append("%08x: ", offset);
        for (int i = offset; i < offset + 16; ++i) {
            line.Append(i < size ? "%02x " : "   ", bytes[i < size ? i : 0]);
        }
        for (int i = offset; i < offset + 16 && i < size; ++i) {
            line.Append("%c", bytes[i] >= 32 && bytes[i] <= 126 ? bytes[i] : '.');
        }
        PrintLevel0("%s\n", line.m_Text);
    }
}

void FloatDump(const void* data, int size) {
    int count = size / 4;
    for (int index = 0; index < count; index += 3) {
        DumpLine line;
        line.Append("%08x: ", index);
        for (int i = index; i < index + 3; ++i) {
            float value = 0;
            if (i < count) {
                memcpy(&value, (const char*)data + i * 4, 4);
                line.Append("%f ", value);
            } else {
                line.Append("   ");
            }
        }
        PrintLevel0("%s\n", line.m_Text);
    }
}
