#ifndef TESTS_GAME_PHYS_PRINTERRORS_H
#define TESTS_GAME_PHYS_PRINTERRORS_H

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

// Errors printed while a physics test runs.
inline std::vector<std::string>& PhysErrors() {
    static std::vector<std::string> errors;
    return errors;
}

// The print handler that keeps them.
inline void RecordPhysError(int level, const char* format, va_list args) {
    char line[512];
    vsnprintf(line, sizeof(line), format, args);
    if (level == 4) PhysErrors().push_back(line);
}

#endif
