#ifndef TESTS_GAME_CITYEDIT_FATALCASES_H
#define TESTS_GAME_CITYEDIT_FATALCASES_H

#include "tests/support/child.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct FatalCase {
    const char* m_Child;
    const char* m_Report;
};

// Each child must end the process with a failure and print its report on the way out.
inline void ExpectFatalChildren(const std::vector<FatalCase>& cases) {
    for (const FatalCase& c : cases) {
        ChildResult result = RunChild(c.m_Child);
        EXPECT_NE(0, result.m_ExitCode) << c.m_Child;
        EXPECT_NE(std::string::npos, result.m_Output.find(c.m_Report))
            << c.m_Child << ": " << result.m_Output;
    }
}

#endif
