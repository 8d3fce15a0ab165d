#include "vector/vector4.h"

#include "data/printer.h"
#include "vector/matrix44.h"

void Vector4::Print() const {
    PrintLevel0("%f,%f,%f,%f\n", x, y, z, w);
}

void Vector4::Print(const char* label) const {
    PrintLevel0("%s: %f,%f,%f,%f\n", label, x, y, z, w);
}

void Vector4::ComputePlane(const Vector3& p0, const Vector3& p1, const Vector3& p2) {
    Vector3 normal;
    normal.Cross(p1 - p0, p2 - p0);
    normal.Normalize();
    ComputePlane(p0, normal);
}

void Vector4::ComputePlane(const Vector3& point, const Vector3& normal) {
    Set(normal.x, normal.y, normal.z, normal.Dot(point));
}

void Vector4::Min(const Vector4& a, const Vector4& b) {
    Set(std::fmin(a.x, b.x), std::fmin(a.y, b.y), std::fmin(a.z, b.z), std::fmin(a.w, b.w));
}

void Vector4::Max(const Vector4& a, const Vector4& b) {
    Set(std::fmax(a.x, b.x), std::fmax(a.y, b.y), std::fmax(a.z, b.z), std::fmax(a.w, b.w));
}

void Vector4::Dot44(const Vector4& v, const Matrix44& m) {
    Set(v.x * m.a.x + v.y * m.b.x + v.z * m.c.x + v.w * m.d.x,
        v.x * m.a.y + v.y * m.b.y + v.z * m.c.y + v.w * m.d.y,
        v.x * m.a.z + v.y * m.b.z + v.z * m.c.z + v.w * m.d.z,
        v.x * m.a.w + v.y * m.b.w + v.z * m.c.w + v.w * m.d.w);
}

bool IsBehindPlane(const Vector3& point, const Vector4& plane) {
    return point.x * plane.x + point.y * plane.y + point.z * plane.z <= plane.w;
}
