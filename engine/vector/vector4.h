#ifndef VECTOR_VECTOR4_H
#define VECTOR_VECTOR4_H

#include "vector/vector3.h"

#include <cstdint>

// Also a plane: normal (x, y, z) and w, with p on the plane when p·n = w.
struct Vector4 {
    float x, y, z, w;

    constexpr Vector4() : x(NanFill), y(NanFill), z(NanFill), w(NanFill) {}
    constexpr Vector4(float x, float y, float z, float w) : x(x), y(y), z(z), w(w) {}

    void Set(float sx, float sy, float sz, float sw) {
        x = sx;
        y = sy;
        z = sz;
        w = sw;
    }

    void Print() const;
    void Print(const char* label) const;

    void ComputePlane(const Vector3& p0, const Vector3& p1, const Vector3& p2);
    void ComputePlane(const Vector3& point, const Vector3& normal);
    void Min(const Vector4& a, const Vector4& b);
    void Max(const Vector4& a, const Vector4& b);
    // this = v·m over four components.
    void Dot44(const Vector4& v, const Matrix44& m);
};

static_assert(sizeof(Vector4) == 16, "Vector4 is dumped raw into files and vertex buffers");

bool IsBehindPlane(const Vector3& point, const Vector4& plane);

#endif
