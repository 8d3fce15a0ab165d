#ifndef VECTOR_FILEVALUE_H
#define VECTOR_FILEVALUE_H

#include "data/bytes.h"
#include "vector/vector3.h"

// Numbers as readers take them from files and packets. A value that no later arithmetic can
// use (a NaN, an infinity) or whose magnitude overflows that arithmetic is refused where it is
// read. The tests look at the bits first: a signalling NaN traps even in a comparison while the
// invalid-operation exception is unmasked, as it is during start-up.

// The largest coordinate magnitude a city, its models and their bounds may hold: products and
// sums of a few such values stay far inside f32, and the processed city's 16-bit counts stay in
// reach of walls and lots of that size.
constexpr float MaxCoordinate = 100000.0f;

inline bool IsFiniteValue(float value) {
    return (BitsFromFloat(value) & 0x7F800000u) != 0x7F800000u;
}

// Finite and no larger in magnitude than limit.
inline bool IsValueWithin(float value, float limit) {
    return IsFiniteValue(value) && value <= limit && value >= -limit;
}

inline bool IsCoordinate(float value) { return IsValueWithin(value, MaxCoordinate); }

inline bool IsCoordinate(const Vector3& v) {
    return IsCoordinate(v.x) && IsCoordinate(v.y) && IsCoordinate(v.z);
}

#endif
