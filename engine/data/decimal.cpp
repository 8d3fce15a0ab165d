#include "data/decimal.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Every power of ten up to 1e22 is exact in a double.
const double PowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
const int MaxDecimals = 22;
const uint64_t MaxExactMantissa = uint64_t(1) << 53;

}  // namespace

int DecimalToInt(const char* text) {
    bool negative = *text == '-';
    if (negative) {
        ++text;
    }
    uint64_t value = 0;
    for (; IsDigit(*text); ++text) {
        value = value * 10 + uint64_t(*text - '0');
        if (value > UINT32_MAX) {
            return negative ? INT_MIN : INT_MAX;
        }
    }
    uint32_t bits = uint32_t(value);
    return int(negative ? 0u - bits : bits);
}

// A correctly rounded quotient of two exact doubles is the correctly rounded value of the
// decimal, which is what atof gives; the cast to float then rounds the same double.
float DecimalToFloat(const char* text) {
    const char* p = text;
    bool negative = *p == '-';
    if (negative) {
        ++p;
    }
    uint64_t mantissa = 0;
    int decimals = 0;
    bool digits = false;
    bool point = false;
    for (;; ++p) {
        if (IsDigit(*p)) {
            mantissa = mantissa * 10 + uint64_t(*p - '0');
            if (mantissa >= MaxExactMantissa) {
                return float(atof(text));
            }
            decimals += point;
            digits = true;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits || *p != 0 || decimals > MaxDecimals) {
        return float(atof(text));
    }
    double value = double(mantissa) / PowersOfTen[decimals];
    return float(negative ? -value : value);
}
