#include "data/fault.h"

#include "data/floatstate.h"
#include "data/mapfile.h"
#include "data/printer.h"
#include "data/stackwalk.h"

#include <windows.h>

namespace {

const int SymbolSize = 256;
const int ReportFrames = 16;
const DWORD BreakpointCode = 0x80000003;
const unsigned MxcsrStatusBits = 0x3F;
const unsigned MxcsrInvalidMask = 0x80;
const unsigned short X87InvalidMask = 0x1;
// All exceptions masked: the report must not trap on the state the fault left behind.
const FloatState AllMasked = {0x37F, 0x1F80};
// Room left below the guarded call's frame before the resume call's own.
const DWORD64 ResumeStackMargin = 256;

struct FaultFrame {
    void* m_Jump[5];  // __builtin_setjmp buffer
    FaultFrame* m_Outer;
    FloatState m_FloatState;  // as armed, status cleared
    DWORD64 m_Stack;          // bottom of the arming call's frame: all below is dead on a fault
};

FaultFrame* sm_Innermost = nullptr;
FaultFrame* sm_Resuming = nullptr;

// Only errors and breakpoints are faults. Everything else that passes through (debugger output
// 0x40010006 and 0x4001000A, thread names 0x406D1388, C++ exceptions 0x2x474343 and
// 0xE06D7363) belongs to someone else.
bool IsFault(DWORD code) {
    return (code & 0xF0000000) == 0xC0000000 || code == BreakpointCode;
}

// Entered in place of the faulting instruction, on the dead stack below the frame.
[[noreturn]] void ResumeInFaultFrame() {
    FaultFrame* frame = sm_Resuming;
    sm_Resuming = nullptr;
    RestoreFloatState(frame->m_FloatState);
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
    RestoreFloatState(AllMasked);
    // Out of the frame first: a fault while reporting goes to the next frame out.
    FaultFrame* frame = sm_Innermost;
    LeaveFrame(frame);
    ExceptionReport(pointers);

    CONTEXT* context = pointers->ContextRecord;
    context->Rsp = ((frame->m_Stack - ResumeStackMargin) & ~(DWORD64)15) - 8;
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
    RestoreFloatState(AllMasked);
    ExceptionReport(pointers);
    ExitProcess(1);
}

struct FaultHandlersInit {
    FaultHandlersInit() { InstallFaultHandlers(); }
};
FaultHandlersInit sm_FaultHandlersInit;

}  // namespace

void InstallFaultHandlers() {
    static bool installed = false;
    if (!installed) {
        installed = true;
        AddVectoredExceptionHandler(1, FrameFaultHandler);
        SetUnhandledExceptionFilter(UnhandledFault);
    }
}

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
    frame.m_FloatState = SaveFloatState();
    frame.m_FloatState.m_Mxcsr &= ~MxcsrStatusBits;
    __asm__ __volatile__("mov %%rsp, %0" : "=r"(frame.m_Stack));
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
    FloatState state = SaveFloatState();
    state.m_ControlWord &= ~X87InvalidMask;
    state.m_Mxcsr &= ~(MxcsrInvalidMask | MxcsrStatusBits);
    RestoreFloatState(state);
}
