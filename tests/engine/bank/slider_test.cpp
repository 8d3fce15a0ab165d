#include "bank/slider.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/child.h"

namespace {

// The variable sits between guard bytes, so that any access beyond its width shows.
template <typename Type>
struct Guarded {
    unsigned char before[8];
    Type value;
    unsigned char after[8];

    explicit Guarded(Type v) : value(v) {
        memset(before, 0xAB, sizeof(before));
        memset(after, 0xAB, sizeof(after));
    }
    bool Intact() const {
        for (int i = 0; i < 8; ++i) {
            if (before[i] != 0xAB || after[i] != 0xAB) {
                return false;
            }
        }
        return true;
    }
};

enum Op { INC, DEC, ADD, TEXT };

struct Step {
    Op op;
    float amount;
    const char* text;
    double expected;
};

struct Case {
    const char* name;
    int type;  // 0 f32, 1 u8, 2 i8, 3 u16, 4 i16, 5 u32, 6 i32
    double start;
    double min;
    double max;
    float delta;
    double afterConstruction;
    std::vector<Step> steps;
};

template <typename Type>
void RunCase(const Case& c) {
    Guarded<Type> g(Type(c.start));
    bkSliderValueT<Type> slider(c.delta, &g.value, Type(c.min), Type(c.max));
    EXPECT_EQ(double(g.value), c.afterConstruction) << c.name;
    int index = 0;
    for (const Step& s : c.steps) {
        switch (s.op) {
        case INC:
            slider.Increment();
            break;
        case DEC:
            slider.Decrement();
            break;
        case ADD:
            slider.Add(s.amount);
            break;
        case TEXT:
            slider.SetFromText(s.text);
            break;
        }
        EXPECT_EQ(double(g.value), s.expected) << c.name << ", step " << index;
        ++index;
    }
    EXPECT_TRUE(g.Intact()) << c.name;
}

void RunAnyType(const Case& c) {
    switch (c.type) {
    case 0: RunCase<float>(c); break;
    case 1: RunCase<uint8_t>(c); break;
    case 2: RunCase<int8_t>(c); break;
    case 3: RunCase<uint16_t>(c); break;
    case 4: RunCase<int16_t>(c); break;
    case 5: RunCase<uint32_t>(c); break;
    case 6: RunCase<int32_t>(c); break;
    }
}

TEST(SliderValue, StepsClampsRoundsAndParses) {
    const Case cases[] = {
        {"u8 at its maximum", 1, 255, 0, 255, 1, 255, {{INC, 0, "", 255}}},
        {"i8 half steps round away from zero", 2, 0, -10, 10, 0.5f, 0,
         {{DEC, 0, "", -1}, {DEC, 0, "", -1}, {DEC, 0, "", -2}}},
        {"quarter steps on an integer", 6, 0, -100, 100, 0.25f, 0,
         {{INC, 0, "", 0}, {INC, 0, "", 1}, {INC, 0, "", 1}, {INC, 0, "", 1}, {INC, 0, "", 1},
          {INC, 0, "", 2}}},
        {"text without digits", 6, 7, 5, 9, 1, 7, {{TEXT, 0, "abc", 5}}},
        {"text beyond the range", 4, 0, -50, 50, 1, 0,
         {{TEXT, 0, "70000", 50}, {TEXT, 0, "-9", -9}}},
        {"negative text on unsigned", 5, 3, 0, 4000000000.0, 1, 3,
         {{TEXT, 0, "-5", 0}, {TEXT, 0, "3999999999", 3999999999.0}}},
        {"u16 steps and adds clamp", 3, 65530, 0, 65535, 4, 65530,
         {{INC, 0, "", 65534}, {INC, 0, "", 65535}, {ADD, -70000, "", 0}}},
        {"float steps clamp", 0, 0.5, 0, 1, 0.25f, 0.5,
         {{INC, 0, "", 0.75}, {INC, 0, "", 1}, {INC, 0, "", 1}, {ADD, -3, "", 0},
          {TEXT, 0, "0.125", 0.125}}},
        {"read-out outside a range of one value", 6, 50, 7, 7, 0, 50, {}},
        {"construction clamps", 1, 200, 0, 100, 0, 100, {}},
        {"u32 above 2^31", 5, 3000000000.0, 0, 4294967295.0, 1, 3000000000.0,
         {{INC, 0, "", 3000000001.0}}},
    };
    for (const Case& c : cases) {
        RunAnyType(c);
    }
}

TEST(SliderValue, StepsFromAVariableTheProgramChanged) {
    int32_t value = 5;
    bkSliderValueT<int32_t> slider(0.5f, &value, 0, 100);
    slider.Increment();
    EXPECT_EQ(value, 6);  // 5.5 rounds up
    value = 40;
    slider.Increment();
    EXPECT_EQ(value, 41);  // 40.5, not 6
}

TEST(SliderValue, RebindingStepsFromTheNewVariable) {
    int16_t first = 3;
    int16_t second = 20;
    bkSliderValueT<int16_t> slider(1, &first, 0, 30);
    slider.SetValuePtr(&second);
    slider.Increment();
    EXPECT_EQ(second, 21);
    EXPECT_EQ(first, 3);
}

TEST(SliderValue, FormatsEachType) {
    char text[bkSliderValue::TEXT_SIZE];
    float f = 1.25f;
    bkSliderValueT<float> fs(0.1f, &f, -10, 10);
    struct FloatCase {
        float value;
        const char* shown;
    } floats[] = {
        {1.25f, "1.25"}, {2.0f, "2.0"}, {-3.5f, "-3.5"}, {0.0005f, "0.001"}, {7.125f, "7.125"},
    };
    for (const FloatCase& c : floats) {
        f = c.value;
        fs.Format(text);
        EXPECT_STREQ(text, c.shown);
    }

    uint32_t u = 4000000000u;
    bkSliderValueT<uint32_t> us(1, &u, 0, 4294967295u);
    us.Format(text);
    EXPECT_STREQ(text, "4000000000");

    int8_t i = -7;
    bkSliderValueT<int8_t> is(1, &i, -10, 10);
    is.Format(text);
    EXPECT_STREQ(text, "-7");
}

TEST(SliderValue, ReportsChangesAgainstWhatWasShown) {
    char text[bkSliderValue::TEXT_SIZE] = "";
    int32_t value = 9;
    bkSliderValueT<int32_t> slider(1, &value, 0, 9);
    EXPECT_TRUE(slider.UpdateText(text));
    EXPECT_STREQ(text, "9");
    EXPECT_FALSE(slider.UpdateText(text));
    value = 4;
    EXPECT_TRUE(slider.UpdateText(text));
    EXPECT_STREQ(text, "4");
    EXPECT_FALSE(slider.SetFromText("4"));
    EXPECT_TRUE(slider.SetFromText("6"));
    EXPECT_FALSE(slider.UpdateText(text));

    // Even a float too large for a step of 1 shows at the first update.
    float big = 3.0e9f;
    bkSliderValueT<float> bs(0, &big, 0, 4.0e9f);
    EXPECT_TRUE(bs.UpdateText(text));
}

TEST(SliderValue, SignAndRange) {
    int32_t a = 0;
    bkSliderValueT<int32_t> positive(1, &a, 0, 10);
    EXPECT_FALSE(positive.IsSigned());
    EXPECT_FALSE(positive.IsFloat());
    positive.SetRange(-4.6f, 2.5f);
    EXPECT_TRUE(positive.IsSigned());
    a = 2;
    positive.Increment();
    EXPECT_EQ(a, 3);  // the maximum 2.5 became 3
    positive.Increment();
    EXPECT_EQ(a, 3);
    positive.SetFromText("-100");
    EXPECT_EQ(a, -5);

    uint8_t b = 0;
    bkSliderValueT<uint8_t> byte(1, &b, 0, 10);
    byte.SetRange(-20, 1000);
    EXPECT_FALSE(byte.IsSigned());
    byte.SetFromText("999");
    EXPECT_EQ(b, 255);

    float f = 0;
    bkSliderValueT<float> fs(1, &f, -1, 1);
    EXPECT_TRUE(fs.IsFloat());
    EXPECT_TRUE(fs.IsSigned());
}

TEST_CHILD(SliderConstruction) {
    int32_t outOfRange = 11;
    uint32_t filledWord = 0xCDCDCDCD;
    uint8_t filledByte = 0xCD;
    float filledFloat;
    memcpy(&filledFloat, &filledWord, sizeof(filledFloat));
    switch (ChildCase()) {
    case 0:
        bkSliderValueT<int32_t>(1, &outOfRange, 0, 10);
        break;
    case 1:
        bkSliderValueT<uint32_t>(0, &filledWord, 0, 0);
        break;
    case 2:
        bkSliderValueT<uint8_t>(0, &filledByte, 0, 0);
        break;
    case 3:
        bkSliderValueT<float>(0, &filledFloat, 0, 0);
        break;
    }
    return 0;
}

TEST(SliderValue, ConstructionAssertions) {
    ExpectFatalChildren({
        {"SliderConstruction",
         "Assert(!delta || *Value >= Min && *Value <= Max) failed in [bank/slider", "case=0"},
        {"SliderConstruction",
         "Assert(*(Type*)Value != (Type)0xCDCDCDCD) failed in [bank/slider", "case=1"},
        {"SliderConstruction",
         "Assert(*(Type*)Value != (Type)0xCDCDCDCD) failed in [bank/slider", "case=2"},
        {"SliderConstruction",
         "Assert(*(unsigned*)Value != 0xCDCDCDCD) failed in [bank/slider", "case=3"},
    });
}

}  // namespace
