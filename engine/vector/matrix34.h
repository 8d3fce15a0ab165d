#ifndef VECTOR_MATRIX34_H
#define VECTOR_MATRIX34_H

#include "vector/vector3.h"

struct Vector4;
struct Quaternion;

// Rows a, b, c (the 3x3 part) and d (the translation), used with row vectors:
// p' = p.x·a + p.y·b + p.z·c + d. A.Dot(B) means first A, then B.
struct Matrix34 {
    Vector3 a, b, c, d;

    constexpr Matrix34() {}
    constexpr Matrix34(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d)
        : a(a), b(b), c(c), d(d) {}

    static const Matrix34 sm_Identity;

    void Identity();
    void Identity3x3();
    void Zero();
    void Set(const Matrix34& m);

    void Add(const Matrix34& m);
    void Add(const Matrix34& m1, const Matrix34& m2);
    void Subtract(const Matrix34& m);
    void Subtract(const Matrix34& m1, const Matrix34& m2);
    void Add3x3(const Matrix34& m);
    void Add3x3(const Matrix34& m1, const Matrix34& m2);
    void Subtract3x3(const Matrix34& m);
    void Subtract3x3(const Matrix34& m1, const Matrix34& m2);
    void AddScaled3x3(const Matrix34& m, float s);

    void Scale(float s);
    void Scale(float sx, float sy, float sz);
    void Scale3x3(float s);
    void Scale3x3(float sx, float sy, float sz);
    void MakeScale(float s);
    void MakeScale(float sx, float sy, float sz);

    void Dot(const Matrix34& m);
    void Dot(const Matrix34& m1, const Matrix34& m2);
    void Dot3x3(const Matrix34& m);
    void Dot3x3(const Matrix34& m1, const Matrix34& m2);
    void DotTranspose(const Matrix34& m);
    void DotTranspose(const Matrix34& m1, const Matrix34& m2);
    void Dot3x3Transpose(const Matrix34& m);
    void Dot3x3Transpose(const Matrix34& m1, const Matrix34& m2);
    void Transpose3x3();
    void Transpose3x3(const Matrix34& m);

    void FastInverse();
    void FastInverse(const Matrix34& m);
    void Inverse();
    void Inverse(const Matrix34& m);
    float Determinant3x3() const;

    void MakeRotateX(float angle);
    void MakeRotateY(float angle);
    void MakeRotateZ(float angle);
    void MakeRotateUnitAxis(const Vector3& axis, float angle);
    void MakeRotate(const Vector3& axis, float angle);
    void RotateX(float angle);
    void RotateY(float angle);
    void RotateZ(float angle);
    void RotateUnitAxis(const Vector3& axis, float angle);
    void Rotate(const Vector3& axis, float angle);
    void RotateFullX(float angle);
    void RotateFullY(float angle);
    void RotateFullZ(float angle);
    void RotateFullUnitAxis(const Vector3& axis, float angle);
    void RotateFull(const Vector3& axis, float angle);
    void RotateTo(const Vector3& from, const Vector3& to);
    void RotateTo(const Vector3& from, const Vector3& to, float t);

    // Angles are always (x, y, z); the order string names the order in which the single-axis
    // rotations apply: "xyz" is Rx·Ry·Rz.
    void FromEulers(const Vector3& angles, const char* order);
    void ToEulers(Vector3& angles, const char* order) const;
    void GetEulers(Vector3& angles, const char* order) const;
    void GetEulers(Vector3& angles) const;

    void FromQuaternion(const Quaternion& q);
    void PolarView(float distance, float azimuth, float incline, float twist);
    void GetPolar(Vector4& polar, Vector3& centre, float distance) const;
    void GetLookAt(Vector3& from, Vector3& to, float distance) const;
    void LookAt(const Vector3& from, const Vector3& to);

    void CrossRows(Vector3 v);
    void NegCrossRows(Vector3 v);
    void Normalize();
    void Interpolate(const Matrix34& m1, const Matrix34& m2, float t);
    // x·M = rhs for the 3x3 part, without failing on singular matrices.
    void SolvePivoted(Vector3& x, const Vector3& rhs) const;

    // count points into 16-byte records (x, y, z, zero word); count is a multiple of 4.
    void Transform4(const Vector3* in, Vector4* out, int count) const;
    void Print(const char* label = nullptr) const;
};

static_assert(sizeof(Matrix34) == 48, "Matrix34 is dumped raw into files");
static_assert(std::is_standard_layout<Matrix34>::value, "Matrix34 is dumped raw into files");
static_assert(std::is_trivially_copyable<Matrix34>::value, "Matrix34 is dumped raw into files");

#endif
