// The in-window bank's widget: its line, and what a press or a step does to its variable.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "bank/bklocbank.h"
#include "data/string.h"

bkLocWidget::bkLocWidget(bkLocBank* bank, const char* title, void* value, uint16_t size,
                         Type type, datCallback cb)
    : m_Bank(bank),
      m_Title(StringDuplicate(title ? title : "")),
      m_Value(value),
      m_Size(size),
      m_Type(type),
      m_LastValue(0),
      m_Mask(0xFFFFFFFF),
      m_Min(0),
      m_Max(0),
      m_Delta(0),
      m_Count(0),
      m_Names(nullptr),
      m_Offset(0),
      m_GroupSize(0),
      Invisible(0),
      m_Depth(0),
      m_Callback(cb) {
    if (value && size <= sizeof(m_LastValue)) {
        memcpy(&m_LastValue, value, size);
    }
}

bkLocWidget::~bkLocWidget() {}

double bkLocWidget::GetNumber() const {
    switch (m_Type) {
    case F32Slider: return *static_cast<float*>(m_Value);
    case U8Slider: return *static_cast<uint8_t*>(m_Value);
    case I8Slider: return *static_cast<int8_t*>(m_Value);
    case U16Slider: return *static_cast<uint16_t*>(m_Value);
    case I16Slider: return *static_cast<int16_t*>(m_Value);
    case U32Slider: return *static_cast<uint32_t*>(m_Value);
    default: return *static_cast<int32_t*>(m_Value);
    }
}

void bkLocWidget::SetNumber(double value) {
    switch (m_Type) {
    case F32Slider: *static_cast<float*>(m_Value) = (float)value; break;
    case U8Slider: *static_cast<uint8_t*>(m_Value) = (uint8_t)value; break;
    case I8Slider: *static_cast<int8_t*>(m_Value) = (int8_t)value; break;
    case U16Slider: *static_cast<uint16_t*>(m_Value) = (uint16_t)value; break;
    case I16Slider: *static_cast<int16_t*>(m_Value) = (int16_t)value; break;
    case U32Slider: *static_cast<uint32_t*>(m_Value) = (uint32_t)value; break;
    default: *static_cast<int32_t*>(m_Value) = (int32_t)value; break;
    }
}

int bkLocWidget::GetComboValue() const {
    return m_Type == ByteCombo ? *static_cast<uint8_t*>(m_Value) : *static_cast<int32_t*>(m_Value);
}

void bkLocWidget::SetComboValue(int value) {
    if (m_Type == ByteCombo) {
        *static_cast<uint8_t*>(m_Value) = (uint8_t)value;
    } else {
        *static_cast<int32_t*>(m_Value) = value;
    }
}

void bkLocWidget::Format(char* line, int size) const {
    const char* title = m_Title.get();
    switch (m_Type) {
    case Button:
        snprintf(line, size, "[[%s]]", title);
        break;
    case Label:
        snprintf(line, size, "-- %s --", title);
        break;
    case ByteBool:
        snprintf(line, size, "%s: [%c]", title, *static_cast<uint8_t*>(m_Value) ? 'X' : ' ');
        break;
    case U32Bool:
        snprintf(line, size, "%s: [%c]", title, *static_cast<uint32_t*>(m_Value) ? 'X' : ' ');
        break;
    case U32Mask:
        snprintf(line, size, "%s: [%c]", title,
                 *static_cast<uint32_t*>(m_Value) & m_Mask ? 'X' : ' ');
        break;
    case U16Mask:
        snprintf(line, size, "%s: [%c]", title,
                 *static_cast<uint16_t*>(m_Value) & m_Mask ? 'X' : ' ');
        break;
    case ByteMask:
        snprintf(line, size, "%s: [%c]", title,
                 *static_cast<uint8_t*>(m_Value) & m_Mask ? 'X' : ' ');
        break;
    case F32Slider:
        snprintf(line, size, "%s: %8.3f", title, *static_cast<float*>(m_Value));
        break;
    case U8Slider:
    case U16Slider:
    case U32Slider:
        snprintf(line, size, "%s: %u", title, (unsigned)GetNumber());
        break;
    case I8Slider:
    case I16Slider:
    case I32Slider:
        snprintf(line, size, "%s: %d", title, (int)GetNumber());
        break;
    case ByteCombo:
    case I32Combo: {
        int item = GetComboValue() - m_Offset;
        bool known = item >= 0 && item < m_Count && m_Names;
        snprintf(line, size, "%s: [%s]", title, known ? m_Names[item] : "?????");
        break;
    }
    case GroupHeader:
        snprintf(line, size, "%s-[%s]", title, *m_OpenFlag ? "OPENED" : "CLOSED");
        break;
    }
}

// Byte booleans store their negation, as a Win32 check box does: flipping bit 0 would leave a
// byte holding 2 set.
void bkLocWidget::Press() {
    switch (m_Type) {
    case ByteBool:
    case GroupHeader: {
        uint8_t* flag = static_cast<uint8_t*>(m_Value);
        *flag = !*flag;
        break;
    }
    case U32Bool: {
        uint32_t* flag = static_cast<uint32_t*>(m_Value);
        *flag = !*flag;
        break;
    }
    case U32Mask:
        *static_cast<uint32_t*>(m_Value) ^= m_Mask;
        break;
    case U16Mask:
        *static_cast<uint16_t*>(m_Value) ^= (uint16_t)m_Mask;
        break;
    case ByteMask:
        *static_cast<uint8_t*>(m_Value) ^= (uint8_t)m_Mask;
        break;
    case Button:
        break;
    default:
        return;
    }
    m_Callback.Call(0);
}

void bkLocWidget::Adjust(float amount) {
    if (m_Type >= F32Slider && m_Type <= I32Slider) {
        double value = GetNumber();
        double next = value + (double)amount * m_Delta;
        if (m_Type != F32Slider) {
            next = std::round(next);
        }
        next = next < m_Min ? m_Min : (next > m_Max ? m_Max : next);
        if (m_Type == F32Slider) {
            next = (float)next;
        }
        if (next != value) {
            SetNumber(next);
            m_Callback.Call(0);
        }
    } else if (m_Type == ByteCombo || m_Type == I32Combo) {
        int value = GetComboValue();
        if (amount == -1.0f && value > m_Offset) {
            SetComboValue(value - 1);
            m_Callback.Call(0);
        } else if (amount == 1.0f && value < m_Offset + m_Count - 1) {
            SetComboValue(value + 1);
            m_Callback.Call(0);
        }
    }
}
