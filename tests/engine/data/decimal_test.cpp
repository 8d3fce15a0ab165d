#include "data/decimal.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

uint32_t Bits(float value) {
    uint32_t bits;
    memcpy(&bits, &value, sizeof(bits));
    return bits;
}

void ExpectAsAtof(const std::string& text) {
    EXPECT_EQ(Bits(DecimalToFloat(text.c_str())), Bits(float(atof(text.c_str())))) << text;
}

}  // namespace

TEST(Decimal, IntsAsAtoiUpTo32BitsAndLongerOnesHeld) {
    struct Case {
        const char* m_Text;
        int m_Value;
    };
    const Case cases[] = {
        {"0", 0},
        {"-0", 0},
        {"0012", 12},
        {"12abc", 12},
        {"1-2", 1},
        {"-", 0},
        {"-  5", 0},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        // Unsigned ids and flags wrap as atoi wraps them and read back whole.
        {"2147483648", INT_MIN},
        {"4294967295", -1},
        {"3000000000", int(3000000000u)},
        {"-2147483649", INT_MAX},
        {"-4294967295", 1},
        {"4294967296", INT_MAX},
        {"4294967297", INT_MAX},
        {"-4294967296", INT_MIN},
        {"-99999999999999999999999", INT_MIN},
        {"00000000000000000000000000000000000000000042", 42},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecimalToInt(c.m_Text), c.m_Value) << c.m_Text;
    }
    std::mt19937 random(7);
    for (int i = 0; i < 10000; ++i) {
        std::string text = std::to_string(int32_t(random()));
        EXPECT_EQ(DecimalToInt(text.c_str()), atoi(text.c_str())) << text;
    }
}

TEST(Decimal, FloatsBitForBitAsAtof) {
    char largest[64];
    snprintf(largest, sizeof(largest), "%f", 3.4028235e38);
    const char* const cases[] = {
        "0", "-0", "-0.000", ".5", "-.5", "1.", ".", "-", "1.5abc", "1e3", "-1.25e2", "0x10",
        "1.2.3", "0.1", "0.3", "16777217", "9007199254740991", "9007199254740993",
        "0.0000000000000000000001", "0.00000000000000000000001", "123456.789012", largest,
        "00000000000000000000000000000000000001.5",
    };
    for (const char* text : cases) {
        ExpectAsAtof(text);
    }
    // Numbers as "%f" and shorter forms write them, near every power of ten a float reaches.
    std::mt19937 random(11);
    for (int i = 0; i < 200000; ++i) {
        uint64_t mantissa = random() % (i % 2 ? 1000000u : 0xFFFFFFFFu);
        if (i % 3 == 0) {
            mantissa = mantissa * 0x100000u + random() % 0x100000u;
        }
        int decimals = int(random() % 24);
        std::string digits = std::to_string(mantissa);
        if (digits.size() <= size_t(decimals)) {
            digits.insert(0, size_t(decimals) + 1 - digits.size(), '0');
        }
        digits.insert(digits.size() - size_t(decimals), ".");
        ExpectAsAtof(i % 5 ? digits : "-" + digits);
    }
}
