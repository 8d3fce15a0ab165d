#ifndef DATA_DECIMAL_H
#define DATA_DECIMAL_H

#include <climits>
#include <cstdint>

// The number tokens of text files, read without the C library's per-call cost. Both read a
// leading '-' and digits and ignore what follows the number, as atoi and atof do.

// atoi's value for every number of at most 32 bits, wrapped as atoi wraps it, so that ids and
// flags written unsigned read back whole. A longer number stays at INT_MAX or INT_MIN instead
// of wrapping to an arbitrary value, so that range checks see it.
int DecimalToInt(const char* text);

// Exactly (float)atof(text): a plain decimal whose digits fit a double and that has at most
// 22 decimals is one correctly rounded division; everything else goes to atof.
float DecimalToFloat(const char* text);

// The converters' values taken one character at a time, for a reader that finds where a token
// ends by itself and converts it on the way: Start takes the first character, Take each next
// one. Either is false for a character that the value cannot take: DecimalToInt stops there,
// and a reader leaves the token to the converters.

// The leading '-' that both readers take first.
template <typename Reader>
class DecimalSign {
public:
    bool Start(char c) {
        if (c == '-') {
            m_Negative = true;
            return true;
        }
        return static_cast<Reader*>(this)->Take(c);
    }

protected:
    bool m_Negative = false;
};

class DecimalIntReader : public DecimalSign<DecimalIntReader> {
public:
    bool Take(char c) {
        if (c < '0' || c > '9') {
            return false;
        }
        // Held once past 32 bits, so that the value cannot wrap whatever follows.
        if (m_Value <= UINT32_MAX) {
            m_Value = m_Value * 10 + uint64_t(c - '0');
        }
        return true;
    }
    // Whether Value is the converter's value of the characters taken: always, "-" being 0.
    bool Exact() const { return true; }
    int Value() const {
        if (m_Value > UINT32_MAX) {
            return m_Negative ? INT_MIN : INT_MAX;
        }
        uint32_t bits = uint32_t(m_Value);
        return int(m_Negative ? 0u - bits : bits);
    }

private:
    uint64_t m_Value = 0;
};

// Take is also false where the digits outgrow a double's mantissa: the value is then atof's.
class DecimalFloatReader : public DecimalSign<DecimalFloatReader> {
public:
    bool Take(char c) {
        if (c >= '0' && c <= '9') {
            m_Mantissa = m_Mantissa * 10 + uint64_t(c - '0');
            m_Decimals += m_Point;
            m_Digits = true;
            return m_Mantissa < MaxExactMantissa;
        }
        if (c == '.' && !m_Point) {
            m_Point = true;
            return true;
        }
        return false;
    }
    // Whether Value gives what atof gives for the characters taken.
    bool Exact() const { return m_Digits && m_Decimals <= MaxDecimals; }
    // Meaningful only when Exact. A correctly rounded quotient of two exact doubles is the
    // correctly rounded value of the decimal, which is what atof gives; the cast to float then
    // rounds the same double.
    float Value() const {
        double value = double(m_Mantissa) / PowersOfTen[m_Decimals];
        return float(m_Negative ? -value : value);
    }

private:
    static constexpr uint64_t MaxExactMantissa = uint64_t(1) << 53;
    // Every power of ten up to 1e22 is exact in a double.
    static constexpr int MaxDecimals = 22;
    static constexpr double PowersOfTen[MaxDecimals + 1] = {
        1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

    uint64_t m_Mantissa = 0;
    int m_Decimals = 0;
    bool m_Point = false;
    bool m_Digits = false;
};

#endif
