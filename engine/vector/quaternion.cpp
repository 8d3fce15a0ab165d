#include "vector/quaternion.h"

#include "data/printer.h"
#include "vector/matrix34.h"

#include <cmath>

namespace {

void NormalizeQuaternion(Quaternion& q) {
    float m2 = q.Dot(q);
    if (m2 == 0.0f) {
        return;
    }
    float f = 1.0f / std::sqrt(m2);
    q.Set(q.i * f, q.j * f, q.k * f, q.r * f);
}

// acos of the four-component cosine, 0 outside the open range (-1, 1).
float SlerpAngle(float cosine) {
    return (cosine > -1.0f && cosine < 1.0f) ? std::acos(cosine) : 0.0f;
}

}  // namespace

void Quaternion::Print() const {
    PrintLevel0("%fi,%fj,%fk,%f\n", i, j, k, r);
}

void Quaternion::Print(const char* label) const {
    PrintLevel0("%s: %fi,%fj,%fk,%f\n", label, i, j, k, r);
}

void Quaternion::Multiply(const Quaternion& a, const Quaternion& b) {
    Set(a.i * b.r + b.i * a.r + a.k * b.j - a.j * b.k, a.j * b.r + b.j * a.r + a.i * b.k - a.k * b.i,
        a.k * b.r + b.k * a.r + a.j * b.i - a.i * b.j, a.r * b.r - a.i * b.i - a.j * b.j - a.k * b.k);
}

void Quaternion::Slerp(float t, const Quaternion& q1, const Quaternion& q2) {
    Quaternion from = q1;
    float theta = SlerpAngle(from.Dot(q2));
    if (std::fabs(theta) >= 1.5707964f) {
        from.Set(-from.i, -from.j, -from.k, -from.r);
        theta = SlerpAngle(from.Dot(q2));
    }
    float sine = std::sin(theta);
    if (sine == 0.0f) {
        *this = q1;
        return;
    }
    float inverse = 1.0f / sine;
    float f1 = std::sin(theta - t * theta) * inverse;
    float f2 = std::sin(t * theta) * inverse;
    Set(from.i * f1 + q2.i * f2, from.j * f1 + q2.j * f2, from.k * f1 + q2.k * f2,
        from.r * f1 + q2.r * f2);
    NormalizeQuaternion(*this);
}

void Quaternion::FromMatrix(const Matrix34& m) {
    const float Threshold = 0.00001f;
    float w2 = (m.a.x + m.b.y + m.c.z + 1.0f) / 4.0f;
    if (w2 > Threshold) {
        r = std::sqrt(w2);
        float f = 0.25f / r;
        i = (m.b.z - m.c.y) * f;
        j = (m.c.x - m.a.z) * f;
        k = (m.a.y - m.b.x) * f;
    } else {
        r = 0.0f;
        float x2 = -(m.b.y + m.c.z) / 2.0f;
        if (x2 > Threshold) {
            i = std::sqrt(x2);
            float f = 0.5f / i;
            j = m.a.y * f;
            k = m.a.z * f;
        } else {
            i = 0.0f;
            float y2 = (1.0f - m.c.z) / 2.0f;
            if (y2 > Threshold) {
                j = std::sqrt(y2);
                k = m.b.z / (2.0f * j);
            } else {
                j = 0.0f;
                k = 1.0f;
                return;
            }
        }
    }
    NormalizeQuaternion(*this);
}
