#ifndef VECTOR_MATRIX44_H
#define VECTOR_MATRIX44_H

#include "vector/vector4.h"

struct Matrix34;

// Four rows, row vectors: p' = p·M with p = (x, y, z, w).
struct Matrix44 {
    Vector4 a, b, c, d;

    constexpr Matrix44() {}
    constexpr Matrix44(const Vector4& a, const Vector4& b, const Vector4& c, const Vector4& d)
        : a(a), b(b), c(c), d(d) {}

    static const Matrix44 sm_Identity;

    void Identity();
    void Zero();
    void Set(const Matrix44& m);
    void Add(const Matrix44& m);
    void Add(const Matrix44& m1, const Matrix44& m2);
    void Subtract(const Matrix44& m);
    void Subtract(const Matrix44& m1, const Matrix44& m2);
    // x, y, z of all four rows; the w column is left alone.
    void AddScaled(const Matrix44& m, float s);
    void Transpose();
    void FromMatrix34(const Matrix34& m);
    void ToMatrix34(Matrix34& m) const;

    void Dot(const Matrix44& m);
    // Careful: this = m2·m1 (each row of m2 times m1).
    void Product(const Matrix44& m1, const Matrix44& m2);
    void FastInverse(const Matrix44& m);
    void Inverse(Matrix44& result) const;
    float Determinant() const;

    void MakeRotateX(float angle);
    void MakeRotateY(float angle);
    void MakeRotateZ(float angle);
    void MakeBezier();
    void MakeHermite();
    void MakeCatmullRom();

    void Print(const char* label = nullptr) const;
    void Transform4(const Vector3* in, Vector4* out, int count) const;
};

static_assert(sizeof(Matrix44) == 64, "Matrix44 is sixteen floats");

#endif
