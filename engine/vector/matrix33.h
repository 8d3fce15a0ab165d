#ifndef VECTOR_MATRIX33_H
#define VECTOR_MATRIX33_H

#include "vector/vector3.h"

#include <cmath>

// Three rows of three, row vectors as Matrix34.
struct Matrix33 {
    Vector3 a, b, c;

    constexpr Matrix33() {}
    constexpr Matrix33(const Vector3& a, const Vector3& b, const Vector3& c) : a(a), b(b), c(c) {}

    void Set(const Matrix33& m);
    void Add(const Matrix33& m);
    void Add(const Matrix33& m1, const Matrix33& m2);
    void Subtract(const Matrix33& m);
    void Subtract(const Matrix33& m1, const Matrix33& m2);
    bool IsZero() const;
    void Dot(const Matrix33& m);
    void Dot(const Matrix33& m1, const Matrix33& m2);
    void CrossRows(Vector3 v);
    // u·M = u × v.
    void MakeCrossProduct(const Vector3& v);
    void MakeScale(float s);
    void MakeDiagonal(const Vector3& v);
    void Negate();
    void Transpose();
    void Transpose(const Matrix33& m);
    float Determinant() const;
    void Inverse();
    void Inverse(const Matrix33& m);
};

static_assert(sizeof(Matrix33) == 36, "Matrix33 is nine floats");

// Inverts m in place; false (m unchanged, nothing printed) when it is singular or its inverse
// does not fit in a float.
bool TryInverse(Matrix33& m);

// A determinant that can be divided by: not 0, and not NaN or infinite (from unset or
// overflowing input), which would only spread through the inverse.
inline bool IsInvertibleDeterminant(float det) {
    return det != 0.0f && std::isfinite(det);
}

#endif
