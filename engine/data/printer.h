#ifndef DATA_PRINTER_H
#define DATA_PRINTER_H

#include <cstdarg>

// The one printer of the program. Levels 0 to 2 are plain (0 has no line end), 3 warnings,
// 4 errors, 5 fatal. Every level goes through one replaceable handler.

typedef void (*PrintHandlerFunc)(int level, const char* format, va_list args);
typedef void (*PrintHookFunc)(const char* text);
typedef void (*BoxHookFunc)();

struct Stream;

void PrintLevel0(const char* format, ...);
void PrintLevel1(const char* format, ...);
void PrintMessage(const char* format, ...);
void PrintVerbose1(int level, const char* format, ...);
void PrintVerbose2(int level, const char* format, ...);
void PrintVerbose3(int level, const char* format, ...);
void PrintWarning(const char* format, ...);
void PrintError(const char* format, ...);
[[noreturn]] void FatalQuit(const char* format, ...);
[[noreturn]] void FatalAbort(const char* format, ...);
[[noreturn]] void AssertFailed(const char* expression, const char* file, int line);

void CheckExpressionError(int condition, const char* expression, const char* file, int line,
                          const char* format, ...);
void CheckExpressionWarning(int condition, const char* expression, const char* file, int line,
                            const char* format, ...);
void CheckExpressionFatal(int condition, const char* expression, const char* file, int line,
                          const char* format, ...);

// The default handler. A print made while it runs (from a hook, from the message loop of a box,
// for a log that cannot be written) is printed plainly, to the debugger and the console only.
void PrintHandler(int level, const char* format, va_list args);
void ConsolePrint(const char* text);

void SetPrintMask(unsigned mask);
unsigned GetPrintMask();

void ErrorBoxOn();
void ErrorBoxOff();
void FatalBoxOn();
void FatalBoxOff();

// Each setter stores the new function and returns the one it replaces.
PrintHandlerFunc SetPrintHandler(PrintHandlerFunc handler);
PrintHookFunc SetConsoleHook(PrintHookFunc hook);
PrintHookFunc SetFatalHook(PrintHookFunc hook);
BoxHookFunc SetBeforeBoxHook(BoxHookFunc hook);
BoxHookFunc SetAfterErrorBoxHook(BoxHookFunc hook);
void RunBeforeBoxHook();
void RunAfterErrorBoxHook();

// Set after every message that reaches the handler; the frame banner clears it.
bool PrinterPrinted();
void ClearPrinterPrinted();

bool OpenLogStream(const char* name);
// A log that could not be written whole is reported as an error when it is closed; one whose
// write fails while printing is closed at once.
void CloseLogStream();
Stream* GetLogStream();

// Fault frames count themselves in and out so that a fatal exit with no frame armed and no
// debugger ends the process at once instead of leaving an unhandled breakpoint behind.
void EnterFaultFrame();
void LeaveFaultFrame();
int FaultFrameDepth();

#endif
