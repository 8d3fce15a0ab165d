#include "data/fault.h"

#include "data/mapfile.h"
#include "data/printer.h"
#include "data/stackwalk.h"

#include <windows.h>
#include <xmmintrin.h>

#include <cstdlib>

namespace {

const int SymbolSize = 256;
const int ReportFrames = 16;
const DWORD BreakpointCode = 0x80000003;
const unsigned MxcsrStatusBits = 0x3F;
const unsigned MxcsrInvalidMask = 0x80;
const unsigned short X87InvalidMask = 0x1;
const unsigned short X87AllMasked = 0x37F;
const unsigned MxcsrAllMasked = 0x1F80;
// Room left below the frame's own locals for the resume call.
const DWORD64 ResumeStackMargin = 512;

struct FaultFrame {
    void* m_Jump[5];  // __builtin_setjmp buffer
    FaultFrame* m_Outer;
    unsigned short m_X87Control;
    unsigned m_Mxcsr;
};

FaultFrame* sm_Innermost = nullptr;
FaultFrame* sm_Resuming = nullptr;

// Only errors and breakpoints are faults. Everything else that passes through (debugger output
// 0x40010006 and 0x4001000A, thread names 0x406D1388, C++ exceptions 0x2x474343 and
// 0xE06D7363) belongs to someone else.
bool IsFault(DWORD code) {
    return (code & 0xF0000000) == 0xC0000000 || code == BreakpointCode;
}

unsigned short ReadX87Control() {
    unsigned short control;
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
    return control;
}

// fnclex first: an unmasked x87 exception stays pending and would fire again at the next
// waiting instruction.
void WriteFloatState(unsigned short x87Control, unsigned mxcsr) {
    __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(x87Control));
    _mm_setcsr(mxcsr & ~MxcsrStatusBits);
}

// Entered in place of the faulting instruction, on the dead stack below the frame.
[[noreturn]] void ResumeInFaultFrame() {
    FaultFrame* frame = sm_Resuming;
    sm_Resuming = nullptr;
    WriteFloatState(frame->m_X87Control, frame->m_Mxcsr);
    __builtin_longjmp(frame->m_Jump, 1);
}

void LeaveFrame(FaultFrame* frame) {
    sm_Innermost = frame->m_Outer;
    LeaveFaultFrame();
}

// First chance: the innermost frame takes the fault before any handler of the system does,
// as its filter would in a frame-based handler around the whole call.
LONG CALLBACK FrameFaultHandler(EXCEPTION_POINTERS* pointers) {
    if (!sm_Innermost || !IsFault(pointers->ExceptionRecord->ExceptionCode)) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    WriteFloatState(X87AllMasked, MxcsrAllMasked);
    // Out of the frame first: a fault while reporting goes to the next frame out.
    FaultFrame* frame = sm_Innermost;
    LeaveFrame(frame);
    ExceptionReport(pointers);

    CONTEXT* context = pointers->ContextRecord;
    context->Rsp = (((DWORD64)frame - ResumeStackMargin) & ~(DWORD64)15) - 8;
    context->Rip = (DWORD64)ResumeInFaultFrame;
    context->FltSave.StatusWord = 0;
    context->FltSave.MxCsr &= ~MxcsrStatusBits;
    context->MxCsr &= ~MxcsrStatusBits;
    sm_Resuming = frame;
    return EXCEPTION_CONTINUE_EXECUTION;
}

LONG WINAPI UnhandledFault(EXCEPTION_POINTERS* pointers) {
    if (!IsFault(pointers->ExceptionRecord->ExceptionCode)) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    WriteFloatState(X87AllMasked, MxcsrAllMasked);
    ExceptionReport(pointers);
    ExitProcess(1);
}

struct FaultHandlersInit {
    FaultHandlersInit() {
        AddVectoredExceptionHandler(1, FrameFaultHandler);
        SetUnhandledExceptionFilter(UnhandledFault);
    }
};
FaultHandlersInit sm_FaultHandlersInit;

}  // namespace

long ExceptionReport(EXCEPTION_POINTERS* pointers) {
    const CONTEXT* context = pointers->ContextRecord;
    char symbol[SymbolSize];
    SymbolFromAddress(symbol, (uintptr_t)context->Rip);
    PrintMessage("RAX=%016llx RBX=%016llx RCX=%016llx RDX=%016llx\n"
                 "RSI=%016llx RDI=%016llx RBP=%016llx RSP=%016llx",
                 context->Rax, context->Rbx, context->Rcx, context->Rdx, context->Rsi,
                 context->Rdi, context->Rbp, context->Rsp);
    PrintMessage("Exception %x at EIP=%s", (unsigned)pointers->ExceptionRecord->ExceptionCode,
                 symbol);
    PrintStackWalk(ReportFrames, context, nullptr);
    return 1;
}

bool RunInFaultFrame(FaultBody body, void* user) {
    FaultFrame frame;
    frame.m_Outer = sm_Innermost;
    frame.m_X87Control = ReadX87Control();
    frame.m_Mxcsr = _mm_getcsr();
    if (__builtin_setjmp(frame.m_Jump)) {
        return false;
    }
    sm_Innermost = &frame;
    EnterFaultFrame();
    body(user);
    LeaveFrame(&frame);
    return true;
}

void UnmaskInvalidOperation() {
    WriteFloatState(ReadX87Control() & ~X87InvalidMask, _mm_getcsr() & ~MxcsrInvalidMask);
}
