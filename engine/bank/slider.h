#ifndef BANK_SLIDER_H
#define BANK_SLIDER_H

#include <cstdint>

// The arithmetic behind a slider: one bound variable of one numeric type with its range and
// step. The slider widget drives it without knowing the type.
class bkSliderValue {
public:
    // Room that Format and UpdateText need in the caller's text buffer.
    static const int TEXT_SIZE = 64;

    virtual ~bkSliderValue() {}
    virtual void Increment() = 0;
    virtual void Decrement() = 0;
    virtual void Add(float amount) = 0;
    // Formats the variable into text when it differs from what was shown last.
    virtual bool UpdateText(char* text) = 0;
    // Parses, clamps and stores; true when the result differs from what was shown last.
    virtual bool SetFromText(const char* text) = 0;
    virtual void Format(char* text) = 0;
    virtual void SetRange(float min, float max) = 0;
    virtual bool IsFloat() = 0;
    virtual bool IsSigned() = 0;
    // The step; 0 makes a read-out slider.
    virtual float GetDelta() = 0;
};

// Types: float, uint8_t, int8_t, uint16_t, int16_t, uint32_t, int32_t (instantiated in
// slider.cpp). Integer types step through a double accumulator so that fractional steps add up.
template <typename Type>
class bkSliderValueT : public bkSliderValue {
public:
    bkSliderValueT(float delta, Type* value, Type min, Type max);

    void Increment() override;
    void Decrement() override;
    void Add(float amount) override;
    bool UpdateText(char* text) override;
    bool SetFromText(const char* text) override;
    void Format(char* text) override;
    void SetRange(float min, float max) override;
    bool IsFloat() override;
    bool IsSigned() override;
    float GetDelta() override { return delta; }

    void SetValuePtr(Type* value);

private:
    void Step(double amount);

    float delta;
    double m_Accumulator;
    Type* Value;
    Type m_LastShown;
    Type Min;
    Type Max;
};

#endif
