#include "data/decimal.h"

#include <cstdlib>

int DecimalToInt(const char* text) {
    DecimalIntReader number;
    if (number.Start(*text)) {
        while (number.Take(*++text)) {
        }
    }
    return number.Value();
}

float DecimalToFloat(const char* text) {
    DecimalFloatReader number;
    const char* p = text;
    if (*p && number.Start(*p)) {
        while (*++p && number.Take(*p)) {
        }
    }
    if (*p != 0 || !number.Exact()) {
        return float(atof(text));
    }
    return number.Value();
}
