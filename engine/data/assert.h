#ifndef DATA_ASSERT_H
#define DATA_ASSERT_H

#include "data/printer.h"

// The module path of a source file, as assertions report it: "/x/engine/data/hash.cpp"
// becomes "data/hash". Worked out at compile time from __FILE__.
struct ModulePath {
    char m_Text[96];
};

constexpr ModulePath MakeModulePath(const char* file) {
    int start = 0;
    int end = 0;
    int length = 0;
    while (file[length]) {
        ++length;
    }
    end = length;
    for (int i = 0; i < length; ++i) {
        const char* rest = file + i;
        if (rest[0] == '/' || rest[0] == '\\') {
            bool engine = rest[1] == 'e' && rest[2] == 'n' && rest[3] == 'g' && rest[4] == 'i' &&
                          rest[5] == 'n' && rest[6] == 'e' && (rest[7] == '/' || rest[7] == '\\');
            bool game = rest[1] == 'g' && rest[2] == 'a' && rest[3] == 'm' && rest[4] == 'e' &&
                        (rest[5] == '/' || rest[5] == '\\');
            if (engine) {
                start = i + 8;
            } else if (game) {
                start = i + 6;
            }
        }
        if (file[i] == '.') {
            end = i;
        }
    }
    if (end < start) {
        end = length;
    }
    ModulePath path{};
    int out = 0;
    for (int i = start; i < end && out < 95; ++i) {
        path.m_Text[out++] = file[i] == '\\' ? '/' : file[i];
    }
    path.m_Text[out] = 0;
    return path;
}

#define Assert(expression)                                                          \
    do {                                                                            \
        if (!(expression)) {                                                        \
            static constexpr ModulePath assertPath_ = MakeModulePath(__FILE__);      \
            AssertFailed(#expression, assertPath_.m_Text, __LINE__);                \
        }                                                                           \
    } while (0)

// An assertion whose report is the given text rather than the stringized expression, for
// checks whose report names things the code spells otherwise.
#define AssertText(expression, text)                                                \
    do {                                                                            \
        if (!(expression)) {                                                        \
            static constexpr ModulePath assertPath_ = MakeModulePath(__FILE__);      \
            AssertFailed(text, assertPath_.m_Text, __LINE__);                       \
        }                                                                           \
    } while (0)

#endif
