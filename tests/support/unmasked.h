#ifndef TESTS_SUPPORT_UNMASKED_H
#define TESTS_SUPPORT_UNMASKED_H

#include "data/fault.h"
#include "data/floatstate.h"

// While it lives, invalid floating-point operations trap, as they do while the editor starts:
// a reader that lets a NaN through ends the test program with the fault report.
class InvalidUnmasked {
public:
    InvalidUnmasked() : m_Saved(SaveFloatState()) { UnmaskInvalidOperation(); }
    ~InvalidUnmasked() { RestoreFloatState(m_Saved); }
    InvalidUnmasked(const InvalidUnmasked&) = delete;
    InvalidUnmasked& operator=(const InvalidUnmasked&) = delete;

private:
    FloatState m_Saved;
};

#endif
