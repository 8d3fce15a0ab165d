#include "bank/widgets.h"

bkButton::bkButton(datCallback cb) : m_Callback(cb) {}

bkText::bkText(char* text, int size, datCallback cb)
    : m_Text(text), m_Copy(new char[size > 0 ? size : 1]), m_Size(size), m_Callback(cb) {
    int length = 0;
    while (length < size - 1 && text[length]) {
        m_Copy[length] = text[length];
        ++length;
    }
    m_Copy[length] = 0;
}

bkSlider::bkSlider(bkSliderValue* value, datCallback cb) : m_Value(value), m_Callback(cb) {}

void bkSlider::SetRange(float min, float max) {
    m_Value->SetRange(min, max);
}

bkCombo::bkCombo(int32_t* value, int count, int offset, datCallback cb)
    : m_Callback(cb), m_IntValue(value), m_ByteValue(nullptr), m_LastShown(0), m_Count(count),
      m_Offset(offset) {
    m_LastShown = GetIndex();
}

bkCombo::bkCombo(uint8_t* value, int count, int offset, datCallback cb)
    : m_Callback(cb), m_IntValue(nullptr), m_ByteValue(value), m_LastShown(0), m_Count(count),
      m_Offset(offset) {
    m_LastShown = GetIndex();
}

int bkCombo::GetIndex() const {
    int value = m_IntValue ? *m_IntValue : *m_ByteValue;
    return value - m_Offset;
}

void bkCombo::SetIndex(int index) {
    if (m_IntValue) {
        *m_IntValue = m_Offset + index;
    } else {
        *m_ByteValue = uint8_t(m_Offset + index);
    }
}

bkColor::bkColor(float* components, datCallback cb) : m_Components(components), m_Callback(cb) {}

bkGroup::bkGroup(bool open)
    : m_Open(open), m_First(0), m_Last(-1), m_Next(nullptr), m_Prev(nullptr) {}
