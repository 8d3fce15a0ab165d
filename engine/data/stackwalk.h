#ifndef DATA_STACKWALK_H
#define DATA_STACKWALK_H

#include <cstdint>

// Call-stack walks for fault reports and the debug log. Frames are followed with the unwind
// tables of the 64-bit program, so they need neither frame pointers nor a fault guard.

struct Stream;
struct _CONTEXT;

// Prints the return addresses of up to count frames above the context's function, one
// "%s" line each through the printer, or as "%s," to the file when one is given.
void PrintStackWalk(int count, const _CONTEXT* context, Stream* file);
// The same walk from the caller's own frame.
void PrintStackHere(int count, Stream* file);
// Stores the return addresses of the caller's frames, innermost first; returns how many.
int CaptureBacktrace(uintptr_t* addresses, int maximum);
// "%d. %s" per address, numbered from count - 1 down to 0.
void PrintBacktrace(const uintptr_t* addresses, int count, Stream* file);
// True when the address lies in an older frame than the current one.
bool AddressAboveStack(uintptr_t address);

#endif
