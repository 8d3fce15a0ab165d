#ifndef VECTOR_QUATERNION_H
#define VECTOR_QUATERNION_H

#include "vector/nanfill.h"

struct Matrix34;

// r is the scalar part and is stored last.
struct Quaternion {
    float i, j, k, r;

    constexpr Quaternion() : i(NanFill), j(NanFill), k(NanFill), r(NanFill) {}
    constexpr Quaternion(float i, float j, float k, float r) : i(i), j(j), k(k), r(r) {}

    void Set(float si, float sj, float sk, float sr) {
        i = si;
        j = sj;
        k = sk;
        r = sr;
    }
    float Dot(const Quaternion& q) const { return i * q.i + j * q.j + k * q.k + r * q.r; }

    void Print() const;
    void Print(const char* label) const;

    // The rotation of a followed by that of b.
    void Multiply(const Quaternion& a, const Quaternion& b);
    void Slerp(float t, const Quaternion& q1, const Quaternion& q2);
    void FromMatrix(const Matrix34& m);
};

static_assert(sizeof(Quaternion) == 16, "Quaternion is four floats");

#endif
