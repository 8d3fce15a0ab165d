#include "vector/vector3.h"

#include "data/assert.h"
#include "data/printer.h"
#include "vector/matrix34.h"
#include "vector/matrix44.h"
#include "vector/scaling.h"
#include "vector/vector2.h"
#include "vector/vector4.h"

const Vector3 Vector3::sm_Zero(0.0f, 0.0f, 0.0f);
const Vector3 Vector3::sm_XAxis(1.0f, 0.0f, 0.0f);
const Vector3 Vector3::sm_YAxis(0.0f, 1.0f, 0.0f);
const Vector3 Vector3::sm_ZAxis(0.0f, 0.0f, 1.0f);

void Vector3::Print() const {
    PrintLevel0("%f,%f,%f", x, y, z);
}

void Vector3::Print(const char* label) const {
    PrintLevel0("%s: %f,%f,%f", label, x, y, z);
}

namespace {

// One axis of Approach: true when the component has reached its target.
bool ApproachAxis(float& value, float target, float step) {
    if (target > value) {
        value += step;
        if (value > target) {
            value = target;
        }
    } else if (target < value) {
        value -= step;
        if (value < target) {
            value = target;
        }
    }
    return value == target;
}

}  // namespace

bool Vector3::Approach(const Vector3& target, float rate, float time) {
    float step = rate * time;
    return ApproachAxis(x, target.x, step) && ApproachAxis(y, target.y, step) &&
           ApproachAxis(z, target.z, step);
}

void Vector3::Rotate(float angle, char axis) {
    switch (axis) {
        case 'x':
            RotateX(angle);
            break;
        case 'y':
            RotateY(angle);
            break;
        case 'z':
            RotateZ(angle);
            break;
        default:
            break;
    }
}

void Vector3::RotateX(float angle) {
    float c = std::cos(angle);
    float s = std::sin(angle);
    float ny = c * y - s * z;
    z = s * y + c * z;
    y = ny;
}

void Vector3::RotateY(float angle) {
    float c = std::cos(angle);
    float s = std::sin(angle);
    float nx = c * x + s * z;
    z = c * z - s * x;
    x = nx;
}

void Vector3::RotateZ(float angle) {
    float c = std::cos(angle);
    float s = std::sin(angle);
    float nx = c * x - s * y;
    y = s * x + c * y;
    x = nx;
}

void Vector3::Project2D(int code, Vector2& out) const {
    switch (code) {
        case 0:
            out = Vector2(y, z);
            break;
        case 1:
            out = Vector2(z, y);
            break;
        case 2:
            out = Vector2(z, x);
            break;
        case 3:
            out = Vector2(x, z);
            break;
        case 4:
            out = Vector2(x, y);
            break;
        case 5:
            out = Vector2(y, x);
            break;
        default:
            break;
    }
}

namespace {

Vector3 UnitScaled(const Vector3& v) {
    return ScaledBy(v, -LargestExponent({v.x, v.y, v.z}));
}

}  // namespace

void Vector3::NormalizeScaled() {
    Vector3 unit = UnitScaled(*this);
    Scale(unit, unit.InvMag());
}

float Vector3::Angle(const Vector3& other) const {
    // The angle does not depend on the lengths: both vectors are taken at unit scale, so that
    // the product of the squared lengths neither overflows nor underflows.
    Vector3 a = UnitScaled(*this);
    Vector3 b = UnitScaled(other);
    // A zero vector has no direction; without this guard 1/sqrt(0) makes the cosine NaN.
    float product = a.Mag2() * b.Mag2();
    if (product == 0.0f) {
        return 0.0f;
    }
    float f = 1.0f / std::sqrt(product);
    if (f == 0.0f) {
        return 0.0f;
    }
    float cosine = a.Dot(b) * f;
    if (cosine > 0.9999999f) {
        return 0.0f;
    }
    if (cosine < -1.0f) {
        return 3.1415927f;
    }
    return std::acos(cosine);
}

float Vector3::FastAngle(const Vector3& b) const {
    return std::acos(Dot(b));
}

void Vector3::GetPolar(const Vector3& origin, Vector4& polar, Vector3& centre) const {
    Vector3 d = *this - origin;
    float distance = d.Mag();
    float azimuth = std::atan2(d.x, d.z);
    // A point at the origin itself has no incline; acos(0/0) would be NaN.
    float incline = 0.0f;
    if (distance != 0.0f) {
        incline = std::acos(std::sqrt(d.x * d.x + d.z * d.z) / distance);
    }
    polar.Set(distance, azimuth, incline, 0.0f);
    centre = origin;
}

void Vector3::Extend(float s) {
    Extend(Vector3(*this), s);
}

void Vector3::Extend(const Vector3& v, float s) {
    float length = v.Mag();
    Assert(length != 0.0f);
    Scale(v, (length + s) / length);
}

void Vector3::Transform(const Matrix34& m) {
    Set(x * m.a.x + y * m.b.x + z * m.c.x + m.d.x, x * m.a.y + y * m.b.y + z * m.c.y + m.d.y,
        x * m.a.z + y * m.b.z + z * m.c.z + m.d.z);
}

void Vector3::Dot3x3(const Vector3& v, const Matrix44& m) {
    Set(v.x * m.a.x + v.y * m.b.x + v.z * m.c.x, v.x * m.a.y + v.y * m.b.y + v.z * m.c.y,
        v.x * m.a.z + v.y * m.b.z + v.z * m.c.z);
}
