#include "data/printer.h"

#include "data/assert.h"
#include "data/floatstate.h"
#include "data/stream.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/failingwrites.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const unsigned DefaultMask = 0x0E;

class PrinterTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetPrintMask(DefaultMask);
        SetFatalHook(nullptr);
        SetBeforeBoxHook(nullptr);
        SetPrintHandler(PrintHandler);
        CloseLogStream();
    }

    // What one print call, made under a mask, leaves on the console.
    struct PrintCase {
        const char* m_Name;
        unsigned m_Mask;
        std::function<void()> m_Print;
        std::string m_Output;
    };

    void ExpectPrinted(const std::vector<PrintCase>& cases) {
        for (const PrintCase& c : cases) {
            SCOPED_TRACE(c.m_Name);
            ConsoleCapture console;
            SetPrintMask(c.m_Mask);
            c.m_Print();
            SetPrintMask(DefaultMask);
            EXPECT_EQ(c.m_Output, console.Take());
        }
    }
};

TEST_F(PrinterTest, LevelsGetTheirPrefixesAndObeyTheMask) {
    ExpectPrinted({
        {"message", DefaultMask, [] { PrintMessage("m %d", 7); }, "m 7\n"},
        {"warning", DefaultMask, [] { PrintWarning("w"); }, "Warning: w\n"},
        {"error", DefaultMask, [] { PrintError("e"); }, "Error: e\n"},
        {"level 1", DefaultMask, [] { PrintLevel1("l"); }, "l\n"},
        {"level 0", DefaultMask, [] { PrintLevel0("a"); PrintLevel0("b"); }, "ab"},
        {"no warnings: message", 0x0A, [] { PrintMessage("m %d", 7); }, "m 7\n"},
        {"no warnings: warning", 0x0A, [] { PrintWarning("w"); }, ""},
        {"no warnings: error", 0x0A, [] { PrintError("e"); }, "Error: e\n"},
        {"mask 0: message", 0, [] { PrintMessage("m"); PrintLevel0("a"); PrintLevel1("l"); }, ""},
        {"mask 0: error", 0, [] { PrintError("e"); }, ""},
        {"verbose 1", 0, [] { PrintVerbose1(1, "v"); PrintVerbose1(0, "x"); }, "v\n"},
        {"verbose 2", 0, [] { PrintVerbose2(2, "v"); PrintVerbose2(1, "x"); }, "v\n"},
        {"verbose 3", 0, [] { PrintVerbose3(3, "v"); PrintVerbose3(2, "x"); }, "v\n"},
        {"mask bits", 0x4, [] { PrintMessage("m"); PrintWarning("w"); PrintError("e"); },
         "Warning: w\n"},
    });
}

TEST_F(PrinterTest, CheckExpressionPrintsTheSiteThenTheMessage) {
    const std::string site = "Expression 'n>0' in line 42 of 'data/hash':\n";
    ExpectPrinted({
        {"error", DefaultMask,
         [] { CheckExpressionError(0, "n>0", "data/hash", 42, "got %d", 3); },
         "Error: " + site + "Error: got 3\n"},
        {"error holds", DefaultMask,
         [] { CheckExpressionError(1, "n>0", "data/hash", 42, "got %d", 3); }, ""},
        {"warning", DefaultMask,
         [] { CheckExpressionWarning(0, "n>0", "data/hash", 42, "got %d", 3); },
         "Warning: " + site + "Warning: got 3\n"},
        {"warning, warnings masked", 0x0A,
         [] { CheckExpressionWarning(0, "n>0", "data/hash", 42, "got %d", 3); },
         "Warning: got 3\n"},
        {"fatal does not quit", DefaultMask,
         [] { CheckExpressionFatal(0, "n>0", "data/hash", 42, "got %d", 3); },
         "Error: " + site + "Fatal Error: got 3\n"},
    });
}

std::vector<int>& HandledLevels() {
    static std::vector<int> levels;
    return levels;
}

void RecordLevel(int level, const char*, va_list) { HandledLevels().push_back(level); }

TEST_F(PrinterTest, EveryLevelGoesThroughTheOneHandler) {
    HandledLevels().clear();
    EXPECT_EQ(&PrintHandler, SetPrintHandler(RecordLevel));
    PrintLevel0("0");
    PrintLevel1("1");
    PrintMessage("2");
    PrintVerbose1(1, "2");
    PrintVerbose2(0, "gated");
    PrintWarning("3");
    PrintError("4");
    CheckExpressionFatal(0, "e", "data/hash", 1, "5");
    SetPrintMask(0);
    PrintMessage("gated");
    PrintError("gated");
    EXPECT_EQ(std::vector<int>({0, 1, 2, 2, 3, 4, 4, 5}), HandledLevels());
}

std::vector<std::string>& FatalTexts() {
    static std::vector<std::string> texts;
    return texts;
}

void RecordFatal(const char* text) { FatalTexts().push_back(text); }

TEST_F(PrinterTest, FatalHookGetsTheBareTextAndPrintedFlagFollowsTheGate) {
    ConsoleCapture console;
    FatalTexts().clear();
    SetFatalHook(RecordFatal);
    PrintError("not fatal");
    CheckExpressionFatal(0, "n>0", "data/hash", 42, "got %d", 3);
    EXPECT_EQ(std::vector<std::string>({"got 3"}), FatalTexts());

    SetPrintMask(0x0A);
    ClearPrinterPrinted();
    PrintWarning("gated");
    PrintVerbose1(0, "gated");
    EXPECT_FALSE(PrinterPrinted());
    PrintError("e");
    EXPECT_TRUE(PrinterPrinted());
    ClearPrinterPrinted();
    PrintVerbose1(1, "v");
    EXPECT_TRUE(PrinterPrinted());
}

TEST_F(PrinterTest, LogStreamHoldsEachMessageAsSoonAsItIsPrinted) {
    ScratchDir scratch;
    ConsoleCapture console;
    EXPECT_FALSE(OpenLogStream(scratch.Path("missing\\t.log").c_str()));
    EXPECT_EQ(nullptr, GetLogStream());

    ASSERT_TRUE(OpenLogStream(scratch.Path("t.log").c_str()));
    PrintError("e");
    Stream* log = GetLogStream();
    ASSERT_NE(nullptr, log);
    EXPECT_EQ(9u, GetFileSize((HANDLE)log->m_Handle, nullptr));

    EXPECT_TRUE(OpenLogStream(scratch.Path("t2.log").c_str()));
    EXPECT_EQ(log, GetLogStream());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(scratch.Path("t2.log").c_str()));

    // Longer than one formatted stream write: the log still matches the console.
    std::string longText(1500, 'x');
    PrintMessage("%s", longText.c_str());
    // Longer than the text buffer: the text is cut, never the line end.
    std::string tooLong(5000, 'y');
    PrintWarning("%s", tooLong.c_str());
    PrintLevel0("tail");
    CloseLogStream();
    EXPECT_EQ(nullptr, GetLogStream());
    std::string cut = "Warning: " + tooLong.substr(0, 4095 - 10) + "\n";
    ASSERT_EQ(4095u, cut.size());
    std::string expected = "Error: e\n" + longText + "\n" + cut + "tail";
    EXPECT_EQ(expected, ReadWholeFile(scratch.Path("t.log")));
    EXPECT_EQ(expected, console.Take());
}

struct HookRecord {
    int m_Prints = 0;
    std::string m_Seen;
};

HookRecord& Hook() {
    static HookRecord record;
    return record;
}

// Prints from inside the console hook twice, as a careless hook might, and then records the
// text it was given.
void PrintingHook(const char* text) {
    if (Hook().m_Prints < 2) {
        ++Hook().m_Prints;
        PrintWarning("inner %d", Hook().m_Prints);
    }
    Hook().m_Seen += text;
}

TEST_F(PrinterTest, NestedPrintsLeaveTheMessageBeingWrittenIntact) {
    ScratchDir scratch;
    Hook() = HookRecord();
    ASSERT_TRUE(OpenLogStream(scratch.Path("t.log").c_str()));
    PrintHookFunc previous = SetConsoleHook(PrintingHook);
    PrintMessage("outer");
    SetConsoleHook(previous);
    CloseLogStream();
    // The first nested print reaches the console plainly, the one nested in it only the debugger;
    // neither goes to the log.
    EXPECT_EQ("Warning: inner 1\nouter\n", Hook().m_Seen);
    EXPECT_EQ("outer\n", ReadWholeFile(scratch.Path("t.log")));
}

TEST_F(PrinterTest, ALogThatCannotBeWrittenIsClosedWithOneReport) {
    ScratchDir scratch;
    ConsoleCapture console;
    std::string path = scratch.Path("t.log");
    {
        FailingWrites failing(8, FailingWrites::Short);
        ASSERT_TRUE(OpenLogStream(path.c_str()));
        PrintMessage("first");
        PrintMessage("second");
        EXPECT_EQ(nullptr, GetLogStream());
        PrintMessage("third");
    }
    EXPECT_EQ("first\nsecond\nError: Cannot write log file '" + path + "'.\nthird\n",
              console.Take());
    EXPECT_EQ("first\nse", ReadWholeFile(path));
}

FloatState& StateInHook() {
    static FloatState state;
    return state;
}

// Round toward zero with flush-to-zero in SSE, single precision rounding down on the x87.
void DisturbFloatState(const char*) {
    FloatState state = SaveFloatState();
    state.m_ControlWord = (unsigned short)((state.m_ControlWord & ~0x0F00) | 0x0400);
    state.m_Mxcsr |= 0x6000u | 0x8000u;
    RestoreFloatState(state);
    StateInHook() = SaveFloatState();
}

TEST_F(PrinterTest, CallersFloatStateSurvivesAMessage) {
    FloatState before = SaveFloatState();
    PrintHookFunc previous = SetConsoleHook(DisturbFloatState);
    PrintMessage("m");
    SetConsoleHook(previous);
    FloatState after = SaveFloatState();
    RestoreFloatState(before);

    EXPECT_NE(before.m_ControlWord, StateInHook().m_ControlWord);
    EXPECT_NE(before.m_Mxcsr, StateInHook().m_Mxcsr);
    EXPECT_EQ(before.m_ControlWord, after.m_ControlWord);
    EXPECT_EQ(before.m_Mxcsr, after.m_Mxcsr);
}

// Stands in for a fault frame: says which exceptions reach it, steps over the breakpoint
// and ends the process on the access fault. Everything else (debugger output) passes on.
LONG CALLBACK ReportFaults(EXCEPTION_POINTERS* info) {
    DWORD code = info->ExceptionRecord->ExceptionCode;
    if (code == EXCEPTION_BREAKPOINT) {
        PrintMessage("breakpoint");
        if (*(unsigned char*)info->ContextRecord->Rip == 0xCC) {
            ++info->ContextRecord->Rip;
        }
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (code == EXCEPTION_ACCESS_VIOLATION) {
        PrintMessage("access violation");
        ExitProcess(42);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

void ArmFaultFrame() {
    AddVectoredExceptionHandler(1, ReportFaults);
    EnterFaultFrame();
}

void SayBeforeBox() { PrintMessage("before box"); }

TEST_CHILD(QuitWithNullFormat) {
    FatalQuit(nullptr);
}

TEST_CHILD(AbortWithNullFormat) {
    FatalAbort(nullptr);
}

TEST_CHILD(QuitIgnoresTheMask) {
    PrintWarning("w");
    SetPrintMask(0);
    FatalQuit("bye %d", 3);
}

TEST_CHILD(AssertWithoutFrame) {
    SetBeforeBoxHook(SayBeforeBox);
    AssertFailed("n>0", "data/hash", 42);
}

int ZeroCount() { return 0; }
const int AssertMacroLine = __LINE__ + 1;
TEST_CHILD(AssertMacro) { Assert(ZeroCount() > 0); return 0; }

TEST_CHILD(AbortUnderFrame) {
    ArmFaultFrame();
    FatalAbort("boom %s", "now");
}

TEST_CHILD(AssertUnderFrame) {
    ArmFaultFrame();
    AssertFailed("n>0", "data/hash", 42);
}

TEST_CHILD(QuitUnderFrame) {
    ArmFaultFrame();
    FatalQuit("quit");
}

TEST(PrinterFatalTest, FatalExitsEndTheProcessWithTheirCodeAndText) {
    const std::string assertLine = "Fatal Error: Assert(n>0) failed in [data/hash, line 42].\n";
    const std::string openFiles = "Max files open at once: 0\n";
    struct Case {
        const char* m_Child;
        int m_ExitCode;
        std::string m_Output;
    };
    const Case cases[] = {
        {"QuitWithNullFormat", 0, ""},
        {"AbortWithNullFormat", 0, ""},
        // The mask set to 0 silences the open-file report at exit, but not the fatal message.
        {"QuitIgnoresTheMask", 1, "Warning: w\nFatal Error: bye 3\n"},
        {"AssertWithoutFrame", 1, "before box\n" + assertLine},
        {"AssertMacro", 1,
         "Fatal Error: Assert(ZeroCount() > 0) failed in [data/printer_test, line " +
             std::to_string(AssertMacroLine) + "].\n"},
        {"AbortUnderFrame", 42, "Fatal Error: boom now\nbreakpoint\naccess violation\n"},
        {"AssertUnderFrame", 42, assertLine + "breakpoint\naccess violation\n"},
        {"QuitUnderFrame", 1, "Fatal Error: quit\nbreakpoint\n" + openFiles},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Child);
        ChildResult result = RunChild(c.m_Child);
        EXPECT_FALSE(result.m_TimedOut);
        EXPECT_EQ(c.m_ExitCode, result.m_ExitCode);
        EXPECT_EQ(c.m_Output, result.m_Output);
    }
}

}  // namespace
