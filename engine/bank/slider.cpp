#include "bank/slider.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>

#include "data/assert.h"

namespace {

template <typename Type>
constexpr bool IsFloatType() {
    return std::is_floating_point<Type>::value;
}

// A value next to v in the given direction; plain +-1 unless a large float swallows the 1.
template <typename Type>
Type Neighbour(Type v, int direction) {
    Type next = Type(v + direction);
    if constexpr (IsFloatType<Type>()) {
        if (next == v) {
            next = std::nextafter(v, direction > 0 ? std::numeric_limits<Type>::infinity()
                                                   : -std::numeric_limits<Type>::infinity());
        }
    }
    return next;
}

template <typename Type>
double Clamp(double v, Type min, Type max) {
    if (v < min) {
        return min;
    }
    if (v > max) {
        return max;
    }
    return v;
}

// Halves away from zero.
double RoundHalfAway(double v) {
    return v >= 0.0 ? std::floor(v + 0.5) : std::ceil(v - 0.5);
}

// Converts after clamping into the type's own range, so that no out-of-range conversion occurs.
template <typename Type>
Type ToType(double v) {
    if constexpr (IsFloatType<Type>()) {
        return Type(v);
    } else {
        return Type(Clamp<double>(RoundHalfAway(v), std::numeric_limits<Type>::min(),
                                  std::numeric_limits<Type>::max()));
    }
}

}  // namespace

template <typename Type>
bkSliderValueT<Type>::bkSliderValueT(float delta_, Type* value, Type min, Type max)
    : delta(delta_), m_Accumulator(0.0), Value(value), m_LastShown(0), Min(min), Max(max) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wparentheses"
    Assert(!delta || *Value >= Min && *Value <= Max);
#pragma GCC diagnostic pop
    if constexpr (IsFloatType<Type>()) {
        Assert(*(unsigned*)Value != 0xCDCDCDCD);
    } else {
        Assert(*(Type*)Value != (Type)0xCDCDCDCD);
    }
    if (Min != Max) {
        *Value = Type(Clamp(*Value, Min, Max));
    }
    m_Accumulator = *Value;

    // Start from a shown value unlike the variable, so that the first UpdateText shows it.
    m_LastShown = *Value;
    if (*Value < Max) {
        m_LastShown = Neighbour(*Value, 1);
    }
    if (m_LastShown == *Value && *Value > Min) {
        m_LastShown = Neighbour(*Value, -1);
    }
}

template <typename Type>
void bkSliderValueT<Type>::Step(double amount) {
    if constexpr (IsFloatType<Type>()) {
        *Value = Type(Clamp(*Value + Type(amount), Min, Max));
    } else {
        // The program may have changed the variable since the last step: start from it then.
        if (ToType<Type>(m_Accumulator) != *Value) {
            m_Accumulator = *Value;
        }
        m_Accumulator = Clamp(m_Accumulator + amount, Min, Max);
        Type rounded = ToType<Type>(m_Accumulator);
        if (rounded != *Value) {
            *Value = rounded;
        }
    }
}

template <typename Type>
void bkSliderValueT<Type>::Increment() {
    Step(delta);
}

template <typename Type>
void bkSliderValueT<Type>::Decrement() {
    Step(-double(delta));
}

template <typename Type>
void bkSliderValueT<Type>::Add(float amount) {
    Step(amount);
}

template <typename Type>
bool bkSliderValueT<Type>::UpdateText(char* text) {
    if (*Value == m_LastShown) {
        return false;
    }
    Format(text);
    m_LastShown = *Value;
    return true;
}

template <typename Type>
bool bkSliderValueT<Type>::SetFromText(const char* text) {
    double parsed;
    if constexpr (IsFloatType<Type>()) {
        parsed = std::strtod(text, nullptr);
        // "nan" reads as text without digits does: a NaN would pass the clamp and then differ
        // from what was shown at every update.
        if (std::isnan(parsed)) {
            parsed = 0.0;
        }
    } else {
        parsed = double(std::strtoll(text, nullptr, 10));
    }
    Type stored = ToType<Type>(Clamp(parsed, Min, Max));
    *Value = stored;
    m_Accumulator = stored;
    bool changed = stored != m_LastShown;
    m_LastShown = stored;
    return changed;
}

template <typename Type>
void bkSliderValueT<Type>::Format(char* text) {
    if constexpr (IsFloatType<Type>()) {
        std::snprintf(text, TEXT_SIZE, "%0.3f", double(*Value));
        char* point = std::strchr(text, '.');
        if (point) {
            char* end = text + std::strlen(text);
            while (end > point + 2 && end[-1] == '0') {
                --end;
            }
            *end = 0;
        }
    } else if constexpr (std::is_signed<Type>::value) {
        std::snprintf(text, TEXT_SIZE, "%d", int(*Value));
    } else {
        std::snprintf(text, TEXT_SIZE, "%u", unsigned(*Value));
    }
}

template <typename Type>
void bkSliderValueT<Type>::SetRange(float min, float max) {
    Min = ToType<Type>(min);
    Max = ToType<Type>(max);
}

template <typename Type>
bool bkSliderValueT<Type>::IsFloat() {
    return IsFloatType<Type>();
}

template <typename Type>
bool bkSliderValueT<Type>::IsSigned() {
    if constexpr (std::is_signed<Type>::value) {
        return Min < 0;
    } else {
        return false;
    }
}

template <typename Type>
void bkSliderValueT<Type>::SetValuePtr(Type* value) {
    Value = value;
    m_Accumulator = *Value;
}

template class bkSliderValueT<float>;
template class bkSliderValueT<uint8_t>;
template class bkSliderValueT<int8_t>;
template class bkSliderValueT<uint16_t>;
template class bkSliderValueT<int16_t>;
template class bkSliderValueT<uint32_t>;
template class bkSliderValueT<int32_t>;
