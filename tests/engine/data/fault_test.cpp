#include "data/assert.h"
#include "data/fault.h"
#include "data/mapfile.h"
#include "data/printer.h"
#include "data/stackwalk.h"
#include "data/stream.h"
#include "tests/support/child.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

std::string sm_Console;

void CaptureConsole(const char* text) { sm_Console += text; }

std::string Symbol(uintptr_t address) {
    char text[256];
    SymbolFromAddress(text, address);
    return text;
}

int CountLines(const std::string& text, const std::string& start, const std::string& end) {
    size_t from = text.find(start);
    size_t to = text.find(end, from);
    int lines = 0;
    for (size_t i = from; i < to && i != std::string::npos; i = text.find('\n', i + 1)) {
        ++lines;
    }
    return lines;
}

class MapFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        sm_Console.clear();
        m_OldHook = SetConsoleHook(CaptureConsole);
    }
    void TearDown() override {
        SetConsoleHook(m_OldHook);
        SetMapFileName("");
    }
    PrintHookFunc m_OldHook = nullptr;
};

TEST_F(MapFileTest, AddressesNameTheSymbolAtOrBelowThem) {
    SetMapFileName(TestDataPath("three.map").c_str());
    struct Case {
        uintptr_t m_Address;
        const char* m_Text;
    };
    const Case cases[] = {
        {0x1000, "0x1000(first+0x0)"},
        {0x11ff, "0x11ff(first+0x1ff)"},
        {0x1210, "0x1210(second+0x10)"},
        {0x1500, "0x1500(third+0x0)"},
        {0x800, "0x800(Unknown)"},
        // Past the last symbol and outside the program: nobody's.
        {0x1700, "0x1700(Unknown)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.m_Text, Symbol(c.m_Address)) << std::hex << c.m_Address;
    }
    EXPECT_STREQ(" Timestamp is 3a1b2c3d (Mon Dec 11 10:00:00 2000)\n", GetMapTimestamp());
}

TEST_F(MapFileTest, MapIsReadOnce) {
    ScratchDir scratch;
    std::string map = scratch.Path("copy.map");
    ASSERT_TRUE(WriteWholeFile(map, ReadWholeFile(TestDataPath("three.map"))));
    SetMapFileName(map.c_str());
    EXPECT_EQ("0x1210(second+0x10)", Symbol(0x1210));
    ASSERT_TRUE(DeleteFileA(map.c_str()));
    EXPECT_EQ("0x1210(second+0x10)", Symbol(0x1210));
    GetMapTimestamp();
    EXPECT_EQ("Error: 3 symbols parsed from map file.\n", sm_Console);
}

TEST_F(MapFileTest, NoPublicsOrNoMapMeansUnknown) {
    SetMapFileName(TestDataPath("nopublics.map").c_str());
    EXPECT_EQ("0x1000(Unknown)", Symbol(0x1000));
    EXPECT_EQ("Error: 0 symbols parsed from map file.\n", sm_Console);

    sm_Console.clear();
    SetMapFileName(TestDataPath("absent.map").c_str());
    EXPECT_EQ("0x1000(Unknown)", Symbol(0x1000));
    EXPECT_STREQ("NO TIMESTAMP", GetMapTimestamp());
    EXPECT_EQ("", sm_Console);
}

TEST_F(MapFileTest, ProgramMapNamesItsOwnFunctions) {
    EXPECT_NE(std::string::npos, Symbol((uintptr_t)&PrintBacktrace).find("(_Z14PrintBacktrace"));
    EXPECT_NE(std::string::npos, std::string(GetMapTimestamp()).find("Timestamp is"));
    // Data lies past the last code symbol but inside the program: still named.
    static int data = 0;
    EXPECT_NE(std::string::npos, Symbol((uintptr_t)&data).find('+')) << Symbol((uintptr_t)&data);
}

__attribute__((noinline)) int CaptureHere(uintptr_t* addresses, int maximum) {
    int count = CaptureBacktrace(addresses, maximum);
    __asm__ __volatile__("" ::: "memory");
    return count;
}

TEST_F(MapFileTest, BacktraceStartsInTheCaller) {
    uintptr_t addresses[4] = {};
    ASSERT_EQ(4, CaptureHere(addresses, 4));
    MapFileSymbols();
    sm_Console.clear();
    EXPECT_NE(std::string::npos, Symbol(addresses[0]).find("CaptureHere"));
    EXPECT_NE(std::string::npos, Symbol(addresses[1]).find("BacktraceStartsInTheCaller"));

    PrintBacktrace(addresses, 2, nullptr);
    EXPECT_EQ(0u, sm_Console.find("1. 0x"));
    EXPECT_NE(std::string::npos, sm_Console.find("\n0. 0x"));
}

__attribute__((noinline)) void WalkToFile(Stream* file) {
    PrintStackHere(2, file);
    __asm__ __volatile__("" ::: "memory");
}

TEST_F(MapFileTest, WalksAndBacktracesGoToAFile) {
    ScratchDir scratch;
    Stream* file = StreamCreate(scratch.Path("walk.txt").c_str());
    ASSERT_NE(nullptr, file);
    WalkToFile(file);
    uintptr_t addresses[2] = {(uintptr_t)&WalkToFile, 0x800};
    PrintBacktrace(addresses, 2, file);
    StreamClose(file);
    std::string text = ReadWholeFile(scratch.Path("walk.txt"));
    size_t walkEnd = text.find(",0x") + 1;
    EXPECT_NE(std::string::npos, text.substr(0, walkEnd).find("WalkToFile")) << text;
    EXPECT_NE(std::string::npos, text.find("WalksAndBacktracesGoToAFile", walkEnd)) << text;
    EXPECT_NE(std::string::npos, text.find(",1. 0x")) << text;
    EXPECT_NE(std::string::npos,
              text.find("(_ZN12_GLOBAL__N_110WalkToFileEP6Stream+0x0)\n0. 0x800(Unknown)\n"))
        << text;
}

TEST(AddressAboveStack, OlderFramesAreAbove) {
    int local = 0;
    EXPECT_TRUE(AddressAboveStack((uintptr_t)&local));
    EXPECT_FALSE(AddressAboveStack(0x1000));
}

__attribute__((noinline)) void WriteToAddressZero() {
    static volatile uintptr_t zero = 0;
    *(volatile int*)zero = 1;
}

__attribute__((noinline)) void InvalidX87Operation() {
    static volatile unsigned signalling = 0x7F800001;
    __asm__ __volatile__("flds %0\n\tfstp %%st(0)\n\tfwait" : : "m"(signalling));
}

__attribute__((noinline)) void InvalidSseOperation() {
    static volatile unsigned signalling = 0x7F800001;
    float value;
    memcpy(&value, (const void*)&signalling, 4);
    static volatile float result;
    result = value + 1.0f;
    (void)result;
}

void Breakpoint() { DebugBreak(); }

struct FaultCase {
    const char* m_Child;
    const char* m_Exception;
    const char* m_Where;
};

// Each child faults inside a frame, then says what its handler saw and carries on.
int FaultThenCarryOn(void (*fault)()) {
    bool returned = RunInFaultFrame([fault] { fault(); });
    PrintMessage("handler ran: returned=%d depth=%d", returned, FaultFrameDepth());
    bool second = RunInFaultFrame([] {});
    PrintMessage("next frame returned=%d", second);
    return 7;
}

TEST_CHILD(AccessViolationInFrame) { return FaultThenCarryOn(WriteToAddressZero); }
TEST_CHILD(BreakpointInFrame) { return FaultThenCarryOn(Breakpoint); }
TEST_CHILD(X87TrapInFrame) {
    UnmaskInvalidOperation();
    return FaultThenCarryOn(InvalidX87Operation);
}
TEST_CHILD(SseTrapInFrame) {
    UnmaskInvalidOperation();
    return FaultThenCarryOn(InvalidSseOperation);
}

TEST(FaultFrame, FaultIsReportedAndHandled) {
    const FaultCase cases[] = {
        {"AccessViolationInFrame", "Exception c0000005 at EIP=0x", "WriteToAddressZero"},
        {"BreakpointInFrame", "Exception 80000003 at EIP=0x", nullptr},
        {"X87TrapInFrame", "Exception c0000090 at EIP=0x", "InvalidX87Operation"},
        // Windows says c00002b5 for SSE traps, Wine c0000090.
        {"SseTrapInFrame", "Exception c00", "InvalidSseOperation"},
    };
    for (const FaultCase& c : cases) {
        ChildResult result = RunChild(c.m_Child);
        const std::string& out = result.m_Output;
        EXPECT_EQ(7, result.m_ExitCode) << c.m_Child << "\n" << out;
        EXPECT_EQ(out.find("symbols parsed from map file.\nRAX="), out.find('\n') - 29) << out;
        EXPECT_NE(std::string::npos, out.find("\nRSI=")) << out;
        size_t exception = out.find(c.m_Exception);
        ASSERT_NE(std::string::npos, exception) << c.m_Child << "\n" << out;
        if (c.m_Where) {
            std::string line = out.substr(exception, out.find('\n', exception) - exception);
            EXPECT_NE(std::string::npos, line.find(c.m_Where)) << line;
        }
        int walk = CountLines(out, c.m_Exception, "handler ran") - 1;
        EXPECT_GE(walk, 1) << out;
        EXPECT_LE(walk, 16) << out;
        EXPECT_NE(std::string::npos, out.find("handler ran: returned=0 depth=0")) << out;
        EXPECT_NE(std::string::npos, out.find("next frame returned=1")) << out;
    }
}

__attribute__((noinline)) int FaultDeepDown(int depth) {
    if (depth == 0) {
        WriteToAddressZero();
        return 0;
    }
    int below = FaultDeepDown(depth - 1);
    __asm__ __volatile__("" ::: "memory");
    return below + 1;
}

TEST_CHILD(WalkNamesTheCallers) {
    RunInFaultFrame([] { FaultDeepDown(3); });
    PrintMessage("deep");
    RunInFaultFrame([] { FaultDeepDown(40); });
    PrintMessage("end");
    return 0;
}

TEST(FaultFrame, WalkNamesTheCallers) {
    ChildResult result = RunChild("WalkNamesTheCallers");
    const std::string& out = result.m_Output;
    EXPECT_EQ(0, result.m_ExitCode);
    size_t walk = out.find('\n', out.find("Exception c0000005"));
    std::string lines[5];
    for (std::string& line : lines) {
        size_t end = out.find('\n', walk + 1);
        line = out.substr(walk + 1, end - walk - 1);
        walk = end;
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(std::string::npos, lines[i].find("FaultDeepDown")) << out;
    }
    EXPECT_NE(std::string::npos, (lines[3] + lines[4]).find("RunInFaultFrame")) << out;
    // A deep stack shows its innermost 16 frames only.
    size_t second = out.find("Exception c0000005", out.find("deep\n"));
    std::string report = out.substr(second, out.find("end\n", second) - second);
    EXPECT_EQ(17, std::count(report.begin(), report.end(), '\n')) << out;
}

TEST_CHILD(FatalInsideFrames) {
    bool outer = RunInFaultFrame([] {
        bool inner = RunInFaultFrame([] { FatalQuit("quit %d", 3); });
        PrintMessage("inner handler: %d", inner);
        FatalAbort("abort");
    });
    PrintMessage("outer handler: %d", outer);
    return 5;
}

TEST(FaultFrame, FatalExitsReachTheInnermostFrame) {
    ChildResult result = RunChild("FatalInsideFrames");
    const std::string& out = result.m_Output;
    EXPECT_EQ(5, result.m_ExitCode) << out;
    size_t quit = out.find("Fatal Error: quit 3\n");
    size_t inner = out.find("inner handler: 0", quit);
    size_t abort = out.find("Fatal Error: abort\n", inner);
    size_t outer = out.find("outer handler: 0", abort);
    EXPECT_NE(std::string::npos, quit) << out;
    EXPECT_NE(std::string::npos, inner) << out;
    EXPECT_NE(std::string::npos, abort) << out;
    EXPECT_NE(std::string::npos, outer) << out;
    EXPECT_NE(std::string::npos, out.find("Exception 80000003", quit)) << out;
}

int NoItems() { return 0; }

// As the program's main runs the editor: one fault frame round everything, and exit code 1
// when the frame ends in a fault.
const int FramedAssertLine = __LINE__ + 2;
TEST_CHILD(AssertInRealFrame) {
    bool returned = RunInFaultFrame([] { Assert(NoItems() > 0); });
    PrintMessage("frame returned=%d depth=%d", returned, FaultFrameDepth());
    return returned ? 0 : 1;
}

TEST(FaultFrame, AssertionInsideTheFrameIsReportedAndEndsWithCodeOne) {
    ChildResult result = RunChild("AssertInRealFrame");
    const std::string& out = result.m_Output;
    EXPECT_FALSE(result.m_TimedOut);
    EXPECT_EQ(1, result.m_ExitCode) << out;
    // The assertion's message, then the frame's register dump, the breakpoint of the fatal
    // abort with its walk, and the frame's handler; the abort's own fault never comes.
    const std::string message = "Fatal Error: Assert(NoItems() > 0) failed in [data/fault_test, line " +
                                std::to_string(FramedAssertLine) + "].\n";
    size_t assertion = out.find(message);
    size_t registers = out.find("\nRAX=", assertion);
    size_t exception = out.find("\nException 80000003 at EIP=0x", registers);
    size_t handler = out.find("\nframe returned=0 depth=0\n", exception);
    ASSERT_NE(std::string::npos, assertion) << out;
    ASSERT_NE(std::string::npos, registers) << out;
    ASSERT_NE(std::string::npos, exception) << out;
    ASSERT_NE(std::string::npos, handler) << out;
    int walk = CountLines(out, "\nException 80000003", "\nframe returned") - 1;
    EXPECT_GE(walk, 1) << out;
    EXPECT_LE(walk, 16) << out;
    EXPECT_NE(std::string::npos, out.substr(exception, handler - exception).find("AssertFailed"))
        << out;
    EXPECT_EQ(std::string::npos, out.find("c0000005")) << out;
}

TEST_CHILD(DebuggerOutputInFrame) {
    bool returned = RunInFaultFrame([] {
        OutputDebugStringA("plain debugger output");
        PrintMessage("printed inside");
    });
    return returned ? 3 : 4;
}

TEST(FaultFrame, DebuggerOutputIsNoFault) {
    ChildResult result = RunChild("DebuggerOutputInFrame");
    const std::string& out = result.m_Output;
    EXPECT_EQ(3, result.m_ExitCode);
    EXPECT_EQ(0u, out.find("printed inside\n")) << out;
    EXPECT_EQ(std::string::npos, out.find("Exception")) << out;
}

TEST_CHILD(FaultWithNoFrame) {
    WriteToAddressZero();
    return 0;
}

TEST(FaultFrame, FaultWithNoFrameEndsWithCodeOne) {
    ChildResult result = RunChild("FaultWithNoFrame");
    const std::string& out = result.m_Output;
    EXPECT_EQ(1, result.m_ExitCode);
    EXPECT_NE(std::string::npos, out.find("Exception c0000005 at EIP=0x")) << out;
}

TEST_CHILD(ReportWithoutMap) {
    SetMapFileName("Z:\\no\\such.map");
    RunInFaultFrame([] { WriteToAddressZero(); });
    return 0;
}

TEST(FaultFrame, WithoutMapEveryAddressIsUnknown) {
    ChildResult result = RunChild("ReportWithoutMap");
    const std::string& out = result.m_Output;
    size_t exception = out.find("Exception c0000005 at EIP=0x");
    ASSERT_NE(std::string::npos, exception) << out;
    std::string report = out.substr(exception);
    EXPECT_EQ(std::string::npos, report.find('+')) << out;
    EXPECT_NE(std::string::npos, report.find("(Unknown)\n0x")) << out;
}

}  // namespace
