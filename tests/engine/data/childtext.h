#ifndef TESTS_ENGINE_DATA_CHILDTEXT_H
#define TESTS_ENGINE_DATA_CHILDTEXT_H

#include "tests/support/child.h"

#include <gtest/gtest.h>

#include <string>

// A child's console output with its "\r\n" line ends as "\n"; exitCode gets -1 on a timeout.
inline std::string ChildOutput(const char* child, int* exitCode) {
    ChildResult result = RunChild(child);
    std::string output;
    for (char c : result.m_Output) {
        if (c != '\r') {
            output += c;
        }
    }
    *exitCode = result.m_TimedOut ? -1 : result.m_ExitCode;
    return output;
}

// The child ends with exit code 1 and says message on the way.
inline void ExpectFatalChild(const char* child, const char* message) {
    int exitCode = 0;
    std::string output = ChildOutput(child, &exitCode);
    EXPECT_EQ(1, exitCode) << child << "\n" << output;
    EXPECT_NE(std::string::npos, output.find(message)) << child << "\n" << output;
}

#endif
