#ifndef VECTOR_VECTOR2_H
#define VECTOR_VECTOR2_H

#include "vector/nanfill.h"

#include <cmath>

struct Vector2 {
    float x, y;

    constexpr Vector2() : x(NanFill), y(NanFill) {}
    constexpr Vector2(float x, float y) : x(x), y(y) {}

    float Mag2() const { return x * x + y * y; }
    float Mag() const { return std::sqrt(Mag2()); }
};

static_assert(sizeof(Vector2) == 8, "Vector2 is dumped raw");

#endif
