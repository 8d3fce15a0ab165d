#ifndef TESTS_ENGINE_BANK_CHILDCHECK_H
#define TESTS_ENGINE_BANK_CHILDCHECK_H

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/child.h"

// A fatal path: the child must fail and print the text.
struct ChildFailure {
    const char* child;
    std::string args;
    const char* text;
};

inline void ExpectChildFailure(const ChildFailure& f) {
    ChildResult result = RunChild(f.child, f.args);
    EXPECT_NE(result.m_ExitCode, 0) << f.child << " " << f.args;
    EXPECT_NE(result.m_Output.find(f.text), std::string::npos)
        << f.child << " " << f.args << ": " << result.m_Output;
}

// The number given to a child as "case=N" on its command line; 0 when there is none.
inline int ChildCase() {
    const char* found = strstr(GetCommandLineA(), "case=");
    return found ? atoi(found + 5) : 0;
}

#endif
