#ifndef DATA_OPTIONS_H
#define DATA_OPTIONS_H

#include <cstdint>

// The process-wide option table: "-name" followed by its values, read once from the command
// line. A value is any argument up to the next one that starts with "-" and a non-digit, so
// negative numbers are values; "-name=value" gives the first value; the first occurrence wins.

void ParseCommandLine(int argc, char** argv);
// One command-line text, cut in place; here a word starting with "-" always ends the values.
void ParseCommandString(char* text);

bool HasOption(const char* name);
// False, leaving value untouched, when the option is absent or has no value number index.
bool GetOption(const char* name, uint32_t index, int& value);
bool GetOption(const char* name, uint32_t index, float& value);
bool GetOption(const char* name, uint32_t index, const char*& value);
uint32_t OptionValueCount(const char* name);

// With the option name or allDebug present the level becomes 1, or the first value given
// (name's, else allDebug's); otherwise it stays as it is.
void DebugOption(const char* name, int& level);

// Replaces the option by one holding a copy of text; returns its value array.
const char* const* SetOption(const char* name, const char* text);
void ClearOptions();

// The program name and every option as one text ("prog -a=1 2 -b"), cut to fit size bytes;
// returns the bytes the whole text needs, terminator included. A null buffer only counts.
int RebuildCommandLine(char* buffer, int size);

#endif
