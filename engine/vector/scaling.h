#ifndef VECTOR_SCALING_H
#define VECTOR_SCALING_H

#include "vector/vector3.h"

#include <cmath>
#include <initializer_list>

// Scaling by a power of two is exact, so a computation done on scaled values and scaled back
// gives the same bits as the plain one wherever the plain one neither overflowed nor
// underflowed, and a usable result where it did.

// The exponent e that brings the largest magnitude among values into [0.5, 1) when scaled by
// 2^-e; 0 when all are zero or one is not finite (scaling cannot help those).
inline int LargestExponent(std::initializer_list<float> values) {
    float largest = 0.0f;
    for (float v : values) {
        if (!std::isfinite(v)) {
            return 0;
        }
        largest = std::fmax(largest, std::fabs(v));
    }
    int exponent = 0;
    if (largest > 0.0f) {
        std::frexp(largest, &exponent);
    }
    return exponent;
}

inline Vector3 ScaledBy(const Vector3& v, int exponent) {
    return Vector3(std::ldexp(v.x, exponent), std::ldexp(v.y, exponent),
                   std::ldexp(v.z, exponent));
}

inline bool IsFinite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

#endif
