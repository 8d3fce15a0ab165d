#include "tests/support/child.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include <cstring>
#include <map>
#include <thread>

namespace {

std::map<std::string, ChildFunc>& Children() {
    static std::map<std::string, ChildFunc> children;
    return children;
}

const char ChildFlag[] = "--child=";

std::string& RunningChild() {
    static std::string name;
    return name;
}

}  // namespace

ChildRegistrar::ChildRegistrar(const char* name, ChildFunc func) { Children()[name] = func; }

bool RunChildFromCommandLine(int argc, char** argv, int* exitCode) {
    if (argc < 2 || strncmp(argv[1], ChildFlag, sizeof(ChildFlag) - 1) != 0) {
        return false;
    }
    RunningChild() = argv[1] + sizeof(ChildFlag) - 1;
    auto found = Children().find(RunningChild());
    if (found == Children().end()) {
        *exitCode = 99;
        return true;
    }
    *exitCode = found->second();
    return true;
}

ChildResult RunChild(const char* name, const std::string& extraArgs, int timeoutMs) {
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string commandLine = std::string("\"") + program + "\" " + ChildFlag + name;
    if (!extraArgs.empty()) {
        commandLine += " " + extraArgs;
    }
    return RunProgram(commandLine, "", timeoutMs);
}

ChildResult RunProgram(const std::string& commandLine, const std::string& folder,
                       int timeoutMs) {
    ChildResult result{-1, false, std::string()};

    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readPipe = nullptr;
    HANDLE writePipe = nullptr;
    if (!CreatePipe(&readPipe, &writePipe, &inherit, 0)) {
        result.m_Output = "could not make the child's pipe, error " +
                          std::to_string(GetLastError());
        return result;
    }
    SetHandleInformation(readPipe, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writePipe;
    startup.hStdError = writePipe;
    PROCESS_INFORMATION process = {};
    std::string mutableLine = commandLine;
    // Wine can refuse a process now and then while many start at once: try again briefly.
    BOOL started = FALSE;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        if (attempt > 0) {
            Sleep(100 * attempt);
        }
        started = CreateProcessA(nullptr, &mutableLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                 folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    }
    DWORD startError = GetLastError();
    CloseHandle(writePipe);
    if (!started) {
        CloseHandle(readPipe);
        result.m_Output = "could not start the child, error " + std::to_string(startError);
        return result;
    }

    // Drain the pipe on a thread of its own so a chatty child never blocks on a full pipe.
    std::thread reader([&] {
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(readPipe, chunk, sizeof(chunk), &got, nullptr) && got > 0) {
            result.m_Output.append(chunk, got);
        }
    });
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_TIMEOUT) {
        result.m_TimedOut = true;
        TerminateProcess(process.hProcess, 255);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    reader.join();
    result.m_Output.erase(std::remove(result.m_Output.begin(), result.m_Output.end(), '\r'),
                          result.m_Output.end());
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.m_ExitCode = (int)code;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(readPipe);
    return result;
}

void ExpectFatalChild(const char* child, const char* report, const std::string& args) {
    ChildResult result = RunChild(child, args);
    EXPECT_FALSE(result.m_TimedOut) << child << " " << args;
    EXPECT_EQ(1, result.m_ExitCode) << child << " " << args << "\n" << result.m_Output;
    EXPECT_NE(std::string::npos, result.m_Output.find(report))
        << child << " " << args << "\n" << result.m_Output;
}

void ExpectFatalChildren(const std::vector<FatalCase>& cases) {
    for (const FatalCase& c : cases) {
        ExpectFatalChild(c.m_Child, c.m_Report, c.m_Args);
    }
}

int ChildNumber(const char* word, int otherwise) {
    const char* found = strstr(GetCommandLineA(), (std::string(word) + "=").c_str());
    return found ? atoi(found + strlen(word) + 1) : otherwise;
}

int ChildCase() { return ChildNumber("case", 0); }

const std::string& ChildName() { return RunningChild(); }
