#include "bank/toggle.h"

#include "data/assert.h"

bkToggle::bkToggle(uint8_t* value, datCallback cb)
    : m_Kind(BYTE_BOOL), m_Value(value), m_Mask(0), m_Callback(cb) {
    Assert(value);
    Assert(*(unsigned char*)value != 0xCD);
}

bkToggle::bkToggle(uint32_t* value, datCallback cb)
    : m_Kind(U32_BOOL), m_Value(value), m_Mask(0), m_Callback(cb) {
    Assert(value);
    Assert(*value != 0xCDCDCDCD);
}

bkToggle::bkToggle(uint8_t* value, uint8_t mask, datCallback cb)
    : m_Kind(BYTE_MASK), m_Value(value), m_Mask(mask), m_Callback(cb) {
    Assert(value);
    Assert(*value != 0xCD);
}

bkToggle::bkToggle(uint16_t* value, uint16_t mask, datCallback cb)
    : m_Kind(U16_MASK), m_Value(value), m_Mask(mask), m_Callback(cb) {
    Assert(value);
    Assert(*value != 0xCDCD);
}

bkToggle::bkToggle(uint32_t* value, uint32_t mask, datCallback cb)
    : m_Kind(U32_MASK), m_Value(value), m_Mask(mask), m_Callback(cb) {
    Assert(value);
    Assert(*value != 0xCDCDCDCD);
}

void bkToggle::Toggle() {
    uint8_t* byte = static_cast<uint8_t*>(m_Value);
    uint16_t* half = static_cast<uint16_t*>(m_Value);
    uint32_t* word = static_cast<uint32_t*>(m_Value);
    switch (m_Kind) {
    case BYTE_BOOL:
        *byte = !*byte;
        break;
    case U32_BOOL:
        *word = !*word;
        break;
    case BYTE_MASK:
        *byte ^= uint8_t(m_Mask);
        break;
    case U16_MASK:
        *half ^= uint16_t(m_Mask);
        break;
    case U32_MASK:
        *word ^= m_Mask;
        break;
    }
}

uint32_t bkToggle::GetState() const {
    const uint8_t* byte = static_cast<const uint8_t*>(m_Value);
    const uint16_t* half = static_cast<const uint16_t*>(m_Value);
    const uint32_t* word = static_cast<const uint32_t*>(m_Value);
    switch (m_Kind) {
    case BYTE_BOOL:
        return *byte;
    case U32_BOOL:
        return *word;
    case BYTE_MASK:
        return *byte & m_Mask;
    case U16_MASK:
        return *half & m_Mask;
    case U32_MASK:
        return *word & m_Mask;
    }
    return 0;
}
