#include "data/printer.h"

#include "data/floatstate.h"
#include "data/stream.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const int TextSize = 4096;

const char* const LevelPrefix[6] = {"", "", "", "Warning: ", "Error: ", "Fatal Error: "};
const char* const LevelSuffix[6] = {"", "\n", "\n", "\n", "\n", "\n"};

const unsigned PlainBit = 0x2;
const unsigned WarningBit = 0x4;
const unsigned ErrorBit = 0x8;

unsigned sm_PrintMask = 0x0E;
PrintHandlerFunc sm_Handler = PrintHandler;
PrintHookFunc sm_ConsoleHook = ConsolePrint;
PrintHookFunc sm_FatalHook = nullptr;
BoxHookFunc sm_BeforeBoxHook = nullptr;
BoxHookFunc sm_AfterErrorBoxHook = nullptr;
bool sm_ErrorBox = false;
bool sm_FatalBox = true;
Stream* sm_LogStream = nullptr;
bool sm_ExitHookRegistered = false;
bool sm_Printed = false;
int sm_FaultFrames = 0;

// Handlers running: a print from inside the handler (a hook that prints, a failing log) is
// nested, and one from inside a nested print is nested again.
int sm_HandlerDepth = 0;

// With a debugger the break stops there; inside a fault frame the breakpoint is that frame's
// to handle. With neither, a breakpoint would only end in Wine's or Windows' crash handler.
bool BreakWouldBeCaught() {
    return IsDebuggerPresent() || sm_FaultFrames > 0;
}

// The log is let go before its failure is reported, so that the report does not go to it.
void EndLogStream(bool writeFailed) {
    Stream* log = sm_LogStream;
    sm_LogStream = nullptr;
    char name[Stream::MaxName + 1];
    strcpy(name, log->m_Name);
    if (StreamClose(log) < 0 || writeFailed) {
        PrintError("Cannot write log file '%s'.", name);
    }
}

struct PrinterInit {
    PrinterInit() {
        atexit(ListOpenFiles);
        // Unattended runs (scripts, CI) switch the modal boxes off; not a user setting.
        if (getenv("PLATTOR_NOBOX")) {
            sm_FatalBox = false;
            sm_ErrorBox = false;
        }
    }
};
PrinterInit sm_PrinterInit;

}  // namespace

void ConsolePrint(const char* text) {
    fputs(text, stdout);
    fflush(stdout);
}

void PrintHandler(int level, const char* format, va_list args) {
    // The buffers are the call's own, so that a nested print cannot overwrite the message that
    // is being written.
    char text[TextSize];
    char joined[TextSize];
    vsnprintf(text, TextSize, format, args);
    // Text too long for the joined buffer is cut, not the line end after it: the next message
    // must not run on.
    int room = TextSize - 1 - (int)strlen(LevelPrefix[level]) - (int)strlen(LevelSuffix[level]);
    snprintf(joined, TextSize, "%s%.*s%s", LevelPrefix[level], room, text, LevelSuffix[level]);
    FloatState saved = SaveFloatState();
    ++sm_HandlerDepth;

    // A nested print is printed plainly: no box, no log, no fatal hook, and from a second level
    // down only to the debugger, so that a hook that prints cannot recurse without end.
    if (sm_HandlerDepth > 1) {
        OutputDebugStringA(joined);
        if (sm_HandlerDepth == 2 && sm_ConsoleHook) {
            sm_ConsoleHook(joined);
        }
        --sm_HandlerDepth;
        RestoreFloatState(saved);
        sm_Printed = true;
        return;
    }

    if ((sm_ErrorBox && level == 4) || (sm_FatalBox && level == 5)) {
        RunBeforeBoxHook();
        MessageBoxA(nullptr, text, LevelPrefix[level], MB_ICONSTOP | MB_OK);
        if (level == 4) {
            RunAfterErrorBoxHook();
        }
    }

    OutputDebugStringA(LevelPrefix[level]);
    OutputDebugStringA(text);
    if (level != 0) {
        OutputDebugStringA("\n");
    }

    if (sm_ConsoleHook) {
        sm_ConsoleHook(joined);
    }
    RestoreFloatState(saved);

    // The log gets exactly what the console got: a formatted stream write would cut it shorter.
    // A log that cannot be written is closed, with one report.
    if (sm_LogStream) {
        int length = (int)strlen(joined);
        if (StreamWrite(sm_LogStream, joined, length) != length || StreamFlush(sm_LogStream) < 0) {
            EndLogStream(true);
        }
    }

    if (level == 5 && sm_FatalHook) {
        sm_FatalHook(text);
    }
    --sm_HandlerDepth;
    sm_Printed = true;
}

#define PRINT_GATED(level, open)            \
    do {                                    \
        if (open) {                         \
            va_list args;                   \
            va_start(args, format);         \
            sm_Handler(level, format, args); \
            va_end(args);                   \
        }                                   \
    } while (0)

void PrintLevel0(const char* format, ...) { PRINT_GATED(0, sm_PrintMask & PlainBit); }
void PrintLevel1(const char* format, ...) { PRINT_GATED(1, sm_PrintMask & PlainBit); }
void PrintMessage(const char* format, ...) { PRINT_GATED(2, sm_PrintMask & PlainBit); }
void PrintVerbose1(int level, const char* format, ...) { PRINT_GATED(2, level >= 1); }
void PrintVerbose2(int level, const char* format, ...) { PRINT_GATED(2, level >= 2); }
void PrintVerbose3(int level, const char* format, ...) { PRINT_GATED(2, level >= 3); }
void PrintWarning(const char* format, ...) { PRINT_GATED(3, sm_PrintMask & WarningBit); }
void PrintError(const char* format, ...) { PRINT_GATED(4, sm_PrintMask & ErrorBit); }

void FatalQuit(const char* format, ...) {
    if (!format) {
        ExitProcess(0);
    }
    PRINT_GATED(5, true);
    if (BreakWouldBeCaught()) {
        DebugBreak();
    }
    exit(1);
}

void FatalAbort(const char* format, ...) {
    if (!format) {
        ExitProcess(0);
    }
    PRINT_GATED(5, true);
    if (!BreakWouldBeCaught()) {
        ExitProcess(1);
    }
    DebugBreak();
    // Read through a volatile so that the compiler cannot drop the faulting store.
    static volatile uintptr_t zeroAddress = 0;
    *(volatile int*)zeroAddress = 0;
    ExitProcess(1);
}

void AssertFailed(const char* expression, const char* file, int line) {
    RunBeforeBoxHook();
    FatalAbort("Assert(%s) failed in [%s, line %d].", expression, file, line);
}

#define CHECK_EXPRESSION(firstLine, level)                                      \
    do {                                                                        \
        if (condition) {                                                        \
            return;                                                             \
        }                                                                       \
        firstLine("Expression '%s' in line %d of '%s':", expression, line, file); \
        va_list args;                                                           \
        va_start(args, format);                                                 \
        sm_Handler(level, format, args);                                        \
        va_end(args);                                                           \
    } while (0)

void CheckExpressionError(int condition, const char* expression, const char* file, int line,
                          const char* format, ...) {
    CHECK_EXPRESSION(PrintError, 4);
}

void CheckExpressionWarning(int condition, const char* expression, const char* file, int line,
                            const char* format, ...) {
    CHECK_EXPRESSION(PrintWarning, 3);
}

void CheckExpressionFatal(int condition, const char* expression, const char* file, int line,
                          const char* format, ...) {
    CHECK_EXPRESSION(PrintError, 5);
}

void SetPrintMask(unsigned mask) { sm_PrintMask = mask; }
unsigned GetPrintMask() { return sm_PrintMask; }

void ErrorBoxOn() { sm_ErrorBox = true; }
void ErrorBoxOff() { sm_ErrorBox = false; }
void FatalBoxOn() { sm_FatalBox = true; }
void FatalBoxOff() { sm_FatalBox = false; }

template <typename T>
static T Replace(T& slot, T value) {
    T old = slot;
    slot = value;
    return old;
}

PrintHandlerFunc SetPrintHandler(PrintHandlerFunc handler) { return Replace(sm_Handler, handler); }
PrintHookFunc SetConsoleHook(PrintHookFunc hook) { return Replace(sm_ConsoleHook, hook); }
PrintHookFunc SetFatalHook(PrintHookFunc hook) { return Replace(sm_FatalHook, hook); }
BoxHookFunc SetBeforeBoxHook(BoxHookFunc hook) { return Replace(sm_BeforeBoxHook, hook); }
BoxHookFunc SetAfterErrorBoxHook(BoxHookFunc hook) { return Replace(sm_AfterErrorBoxHook, hook); }

void RunBeforeBoxHook() {
    if (sm_BeforeBoxHook) {
        sm_BeforeBoxHook();
    }
}

void RunAfterErrorBoxHook() {
    if (sm_AfterErrorBoxHook) {
        sm_AfterErrorBoxHook();
    }
}

bool PrinterPrinted() { return sm_Printed; }
void ClearPrinterPrinted() { sm_Printed = false; }

bool OpenLogStream(const char* name) {
    if (sm_LogStream) {
        return true;
    }
    sm_LogStream = StreamCreate(name);
    if (!sm_LogStream) {
        return false;
    }
    if (!sm_ExitHookRegistered) {
        sm_ExitHookRegistered = true;
        atexit(CloseLogStream);
    }
    return true;
}

void CloseLogStream() {
    if (sm_LogStream) {
        EndLogStream(false);
    }
}

Stream* GetLogStream() { return sm_LogStream; }

void EnterFaultFrame() { ++sm_FaultFrames; }
void LeaveFaultFrame() { --sm_FaultFrames; }
int FaultFrameDepth() { return sm_FaultFrames; }
