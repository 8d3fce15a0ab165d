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
    // Four times the squares of r, i, j and k. The largest of them is taken by a square root
    // and the others from sums and differences of elements divided by it: dividing by a small
    // one (r near a half turn) would magnify the rounding of the elements without bound.
    float trace = m.a.x + m.b.y + m.c.z;
    float r4 = trace + 1.0f;
    float i4 = 1.0f + m.a.x - m.b.y - m.c.z;
    float j4 = 1.0f - m.a.x + m.b.y - m.c.z;
    float k4 = 1.0f - m.a.x - m.b.y + m.c.z;
    if (!(r4 < i4 || r4 < j4 || r4 < k4)) {
        r = std::sqrt(r4 / 4.0f);
        float f = 0.25f / r;
        i = (m.b.z - m.c.y) * f;
        j = (m.c.x - m.a.z) * f;
        k = (m.a.y - m.b.x) * f;
    } else if (i4 >= j4 && i4 >= k4) {
        i = std::sqrt(i4 / 4.0f);
        float f = 0.25f / i;
        r = (m.b.z - m.c.y) * f;
        j = (m.a.y + m.b.x) * f;
        k = (m.a.z + m.c.x) * f;
    } else if (j4 >= k4) {
        j = std::sqrt(j4 / 4.0f);
        float f = 0.25f / j;
        r = (m.c.x - m.a.z) * f;
        i = (m.a.y + m.b.x) * f;
        k = (m.b.z + m.c.y) * f;
    } else {
        k = std::sqrt(k4 / 4.0f);
        float f = 0.25f / k;
        r = (m.a.y - m.b.x) * f;
        i = (m.a.z + m.c.x) * f;
        j = (m.b.z + m.c.y) * f;
    }
    NormalizeQuaternion(*this);
}
