#ifndef DATA_STRING_H
#define DATA_STRING_H

// A heap copy of text (free it with delete[]); null for null.
char* StringDuplicate(const char* text);

// Formats into dest, never writing past maxLen bytes; a text that does not fit in maxLen - 1
// characters is an assertion failure. Returns dest.
char* StringFormat(char* dest, int maxLen, const char* format, ...);

#endif
