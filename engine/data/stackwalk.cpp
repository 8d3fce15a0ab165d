#include "data/stackwalk.h"

#include "data/mapfile.h"
#include "data/printer.h"
#include "data/stream.h"

#include <windows.h>

namespace {

const int SymbolSize = 256;
const int MaxWalk = 64;

bool InsideThreadStack(DWORD64 address) {
    ULONG_PTR low = 0;
    ULONG_PTR high = 0;
    GetCurrentThreadStackLimits(&low, &high);
    return address >= low && address + 8 <= high;
}

// Return addresses above the context's function, innermost first. The walk ends where the
// chain leaves the thread's stack or the process's own address range, so a corrupt stack only
// shortens it.
int UnwindReturnAddresses(const CONTEXT* start, uintptr_t* addresses, int maximum) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    DWORD64 lowest = (DWORD64)system.lpMinimumApplicationAddress;
    DWORD64 highest = (DWORD64)system.lpMaximumApplicationAddress;
    CONTEXT context = *start;
    int count = 0;
    while (count < maximum && InsideThreadStack(context.Rsp)) {
        DWORD64 stack = context.Rsp;
        DWORD64 imageBase = 0;
        PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &imageBase, nullptr);
        if (function) {
            void* handlerData = nullptr;
            DWORD64 establisher = 0;
            RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, context.Rip, function, &context,
                             &handlerData, &establisher, nullptr);
        } else {
            // A leaf, or a jump to nowhere: the return address is on top of the stack.
            context.Rip = *(DWORD64*)context.Rsp;
            context.Rsp += 8;
        }
        if (context.Rip < lowest || context.Rip > highest || context.Rsp <= stack) {
            break;
        }
        addresses[count++] = (uintptr_t)context.Rip;
    }
    return count;
}

void PrintAddresses(const uintptr_t* addresses, int count, Stream* file) {
    char symbol[SymbolSize];
    for (int i = 0; i < count; ++i) {
        SymbolFromAddress(symbol, addresses[i]);
        if (file) {
            StreamPrintf(file, "%s,", symbol);
        } else {
            PrintMessage("%s", symbol);
        }
    }
}

}  // namespace

void PrintStackWalk(int count, const CONTEXT* context, Stream* file) {
    uintptr_t addresses[MaxWalk];
    int walked = UnwindReturnAddresses(context, addresses, count < MaxWalk ? count : MaxWalk);
    PrintAddresses(addresses, walked, file);
}

__attribute__((noinline)) void PrintStackHere(int count, Stream* file) {
    CONTEXT context;
    RtlCaptureContext(&context);
    PrintStackWalk(count, &context, file);
}

__attribute__((noinline)) int CaptureBacktrace(uintptr_t* addresses, int maximum) {
    CONTEXT context;
    RtlCaptureContext(&context);
    return UnwindReturnAddresses(&context, addresses, maximum);
}

void PrintBacktrace(const uintptr_t* addresses, int count, Stream* file) {
    char symbol[SymbolSize];
    for (int i = 0; i < count; ++i) {
        SymbolFromAddress(symbol, addresses[i]);
        PrintMessage("%d. %s", count - 1 - i, symbol);
        if (file) {
            StreamPrintf(file, "%d. %s\n", count - 1 - i, symbol);
        }
    }
}

bool AddressAboveStack(uintptr_t address) {
    volatile char here = 0;
    return address > (uintptr_t)&here;
}
