#include "data/string.h"

#include "data/assert.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

char* StringDuplicate(const char* text) {
    if (!text) {
        return nullptr;
    }
    size_t size = strlen(text) + 1;
    char* copy = new char[size];
    memcpy(copy, text, size);
    return copy;
}

char* StringFormat(char* dest, int maxLen, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int length = vsnprintf(dest, maxLen, format, args);
    va_end(args);
    // The bounded print always terminates, so an overflow shows only in the length it wanted.
    Assert(length >= 0 && length < maxLen);
    return dest;
}
