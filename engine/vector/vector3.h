#ifndef VECTOR_VECTOR3_H
#define VECTOR_VECTOR3_H

#include "vector/nanfill.h"

#include <cmath>
#include <type_traits>

struct Vector2;
struct Vector4;
struct Matrix34;
struct Matrix44;

struct Vector3 {
    float x, y, z;

    constexpr Vector3() : x(NanFill), y(NanFill), z(NanFill) {}
    constexpr Vector3(float x, float y, float z) : x(x), y(y), z(z) {}

    static const Vector3 sm_Zero;
    static const Vector3 sm_XAxis;
    static const Vector3 sm_YAxis;
    static const Vector3 sm_ZAxis;

    void Set(float sx, float sy, float sz) {
        x = sx;
        y = sy;
        z = sz;
    }
    Vector3& Set(const Vector3& v) {
        x = v.x;
        y = v.y;
        z = v.z;
        return *this;
    }
    void Zero() { Set(0.0f, 0.0f, 0.0f); }

    Vector3& operator+=(const Vector3& b) {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
    Vector3& operator-=(const Vector3& b) {
        x -= b.x;
        y -= b.y;
        z -= b.z;
        return *this;
    }
    void Add(const Vector3& b) { *this += b; }
    void Subtract(const Vector3& a, const Vector3& b) { Set(a.x - b.x, a.y - b.y, a.z - b.z); }
    Vector3 operator+(const Vector3& b) const { return Vector3(x + b.x, y + b.y, z + b.z); }
    Vector3 operator-(const Vector3& b) const { return Vector3(x - b.x, y - b.y, z - b.z); }
    Vector3 operator*(float s) const { return Vector3(x * s, y * s, z * s); }
    void Scale(float s) {
        x *= s;
        y *= s;
        z *= s;
    }
    void Scale(const Vector3& v, float s) { Set(v.x * s, v.y * s, v.z * s); }
    void AddScaled(const Vector3& v, float s) {
        x += v.x * s;
        y += v.y * s;
        z += v.z * s;
    }
    void Negate() { Set(-x, -y, -z); }

    float Dot(const Vector3& b) const { return x * b.x + y * b.y + z * b.z; }
    void Cross(const Vector3& a, const Vector3& b) {
        Set(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
    }
    void Cross(const Vector3& b) { Cross(Vector3(*this), b); }

    float Mag2() const { return x * x + y * y + z * z; }
    float Mag() const { return std::sqrt(Mag2()); }
    float InvMag() const {
        float m2 = Mag2();
        return m2 == 0.0f ? 0.0f : 1.0f / std::sqrt(m2);
    }
    void Normalize() {
        float m2 = Mag2();
        // The squares of components beyond about 1e19 overflow and below about 1e-19 vanish:
        // such vectors are brought to unit scale first. In between nothing changes.
        if (m2 > 1e-30f && m2 < 1e30f) {
            Scale(1.0f / std::sqrt(m2));
        } else {
            NormalizeScaled();
        }
    }
    float Dist(const Vector3& b) const { return (*this - b).Mag(); }
    float FlatDist(const Vector3& b) const {
        float dx = x - b.x;
        float dz = z - b.z;
        return std::sqrt(dx * dx + dz * dz);
    }
    bool IsZero() const { return x == 0.0f && y == 0.0f && z == 0.0f; }

    // Normalize for vectors whose squared length leaves the float range.
    void NormalizeScaled();

    void Print() const;
    void Print(const char* label) const;

    bool Approach(const Vector3& target, float rate, float time);
    void Rotate(float angle, char axis);
    void RotateX(float angle);
    void RotateY(float angle);
    void RotateZ(float angle);
    void Project2D(int code, Vector2& out) const;
    float Angle(const Vector3& b) const;
    float FastAngle(const Vector3& b) const;
    void GetPolar(const Vector3& origin, Vector4& polar, Vector3& centre) const;
    void Extend(float s);
    void Extend(const Vector3& v, float s);
    void RGBtoHSV();
    void HSVtoRGB();

    // this = this·m, translation included.
    void Transform(const Matrix34& m);
    // this = v·(3x3 part of m).
    void Dot3x3(const Vector3& v, const Matrix44& m);
};

static_assert(sizeof(Vector3) == 12, "Vector3 is dumped raw into files");
static_assert(std::is_standard_layout<Vector3>::value, "Vector3 is dumped raw into files");
static_assert(std::is_trivially_copyable<Vector3>::value, "Vector3 is dumped raw into files");

#endif
