#ifndef TESTS_SUPPORT_CHILD_H
#define TESTS_SUPPORT_CHILD_H

#include <string>
#include <vector>

// Fatal paths end the process, so they run in a child: the test program starts itself again
// with "--child=NAME", which runs the function registered under NAME and exits with its result.

typedef int (*ChildFunc)();

struct ChildRegistrar {
    ChildRegistrar(const char* name, ChildFunc func);
};

#define TEST_CHILD(name)                                                \
    static int name##_Child();                                          \
    static ChildRegistrar name##_Registrar(#name, name##_Child);       \
    static int name##_Child()

struct ChildResult {
    int m_ExitCode;
    bool m_TimedOut;
    std::string m_Output;  // standard output and standard error together, "\r\n" as "\n"
};

// Runs the child NAME with extra command-line words after it; waits at most timeoutMs.
ChildResult RunChild(const char* name, const std::string& extraArgs = "", int timeoutMs = 60000);

// Runs any program by its command line, in the folder given (the current one when empty).
ChildResult RunProgram(const std::string& commandLine, const std::string& folder = "",
                       int timeoutMs = 60000);

// A fatal path: the child ends with exit code 1 and prints its report on the way.
struct FatalCase {
    const char* m_Child;
    const char* m_Report;
    const char* m_Args = "";
};

void ExpectFatalChild(const char* child, const char* report, const std::string& args = "");
void ExpectFatalChildren(const std::vector<FatalCase>& cases);

// The number given to a child as "WORD=N" on its command line; otherwise when there is none.
int ChildNumber(const char* word, int otherwise);
// Its "case=N"; 0 when there is none.
int ChildCase();
// The name of the child this process runs; empty in the test program itself.
const std::string& ChildName();

// Called by the test main: runs the child named on the command line, if any.
bool RunChildFromCommandLine(int argc, char** argv, int* exitCode);

#endif
