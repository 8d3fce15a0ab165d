#ifndef DATA_FLOATSTATE_H
#define DATA_FLOATSTATE_H

#include <xmmintrin.h>

// Both floating-point units: 64-bit code computes in SSE, but the x87 word is the one that
// start-up and the pipeline set, so code that must leave the caller's precision and exception
// masks alone saves and restores both.
struct FloatState {
    unsigned short m_ControlWord;
    unsigned m_Mxcsr;
};

inline FloatState SaveFloatState() {
    FloatState state;
    __asm__ __volatile__("fnstcw %0" : "=m"(state.m_ControlWord));
    state.m_Mxcsr = _mm_getcsr();
    return state;
}

// Pending x87 exceptions are cleared first, without waiting (a wait would raise them), so that
// loading a word that unmasks them does not raise one at the next float instruction. SSE flags
// are left as they are.
inline void RestoreFloatState(const FloatState& state) {
    __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(state.m_ControlWord));
    _mm_setcsr(state.m_Mxcsr);
}

#endif
