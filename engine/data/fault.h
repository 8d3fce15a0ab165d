#ifndef DATA_FAULT_H
#define DATA_FAULT_H

// Fault frames: a guarded call whose faults (access violations, the breakpoint of a fatal
// exit, floating-point traps, any other processor exception) are reported by ExceptionReport
// and then end the call, so that the caller can run its handler. Frames nest; the innermost
// one takes the fault. A fault with no frame armed is reported and ends the process with
// exit code 1.
//
// The guarded call is left with a jump: destructors of objects inside it do not run.

struct _EXCEPTION_POINTERS;

// Makes sure the fault handlers are in place (they install themselves at start-up; a program
// that uses no fault frame calls this so that a stray fault is still reported and ends it
// with exit code 1).
void InstallFaultHandlers();

// The filter of every fault frame: registers, the faulting address and a 16-frame walk.
// Returns 1 (run the handler).
long ExceptionReport(_EXCEPTION_POINTERS* pointers);

typedef void (*FaultBody)(void* user);

// Runs body(user) inside a fault frame: true when it returned, false when it faulted.
bool RunInFaultFrame(FaultBody body, void* user);

template <typename Body>
bool RunInFaultFrame(const Body& body) {
    return RunInFaultFrame([](void* user) { (*(const Body*)user)(); }, (void*)&body);
}

// Lets invalid floating-point operations trap (x87 and SSE), so that arithmetic on the
// uninitialised-value fill faults where it happens.
void UnmaskInvalidOperation();

#endif
