#ifndef BANK_TOGGLE_H
#define BANK_TOGGLE_H

#include <cstdint>

#include "bank/widget.h"
#include "data/callback.h"

// A check box over a boolean byte or word, or over the bits of a mask in a byte, 16-bit or
// 32-bit word. It reads and writes only the variable's own width.
class bkToggle : public virtual bkWidget {
public:
    enum Kind { BYTE_BOOL, U32_BOOL, BYTE_MASK, U16_MASK, U32_MASK };

    bkToggle(uint8_t* value, datCallback cb);
    bkToggle(uint32_t* value, datCallback cb);
    bkToggle(uint8_t* value, uint8_t mask, datCallback cb);
    bkToggle(uint16_t* value, uint16_t mask, datCallback cb);
    bkToggle(uint32_t* value, uint32_t mask, datCallback cb);

    // Booleans store their negation; masks flip only the mask bits.
    void Toggle();
    // Non-zero when set: the boolean itself, or the variable's mask bits.
    uint32_t GetState() const;

protected:
    Kind m_Kind;
    void* m_Value;
    uint32_t m_Mask;
    datCallback m_Callback;
};

#endif
