#include "vector/matrix33.h"

#include "data/printer.h"
#include "vector/scaling.h"

namespace {

Vector3 RowTimes(const Vector3& v, const Matrix33& m) {
    return Vector3(v.x * m.a.x + v.y * m.b.x + v.z * m.c.x, v.x * m.a.y + v.y * m.b.y + v.z * m.c.y,
                   v.x * m.a.z + v.y * m.b.z + v.z * m.c.z);
}

}  // namespace

void Matrix33::Set(const Matrix33& m) {
    *this = m;
}

void Matrix33::Add(const Matrix33& m) {
    Add(*this, m);
}

void Matrix33::Add(const Matrix33& m1, const Matrix33& m2) {
    a = m1.a + m2.a;
    b = m1.b + m2.b;
    c = m1.c + m2.c;
}

void Matrix33::Subtract(const Matrix33& m) {
    Subtract(*this, m);
}

void Matrix33::Subtract(const Matrix33& m1, const Matrix33& m2) {
    a = m1.a - m2.a;
    b = m1.b - m2.b;
    c = m1.c - m2.c;
}

bool Matrix33::IsZero() const {
    return a.IsZero() && b.IsZero() && c.IsZero();
}

void Matrix33::Dot(const Matrix33& m) {
    Dot(Matrix33(*this), m);
}

void Matrix33::Dot(const Matrix33& m1, const Matrix33& m2) {
    Matrix33 r(RowTimes(m1.a, m2), RowTimes(m1.b, m2), RowTimes(m1.c, m2));
    *this = r;
}

// v is copied: it may be one of the rows being replaced.
void Matrix33::CrossRows(Vector3 v) {
    a.Cross(v);
    b.Cross(v);
    c.Cross(v);
}

void Matrix33::MakeCrossProduct(const Vector3& v) {
    a.Set(0.0f, -v.z, v.y);
    b.Set(v.z, 0.0f, -v.x);
    c.Set(-v.y, v.x, 0.0f);
}

void Matrix33::MakeScale(float s) {
    MakeDiagonal(Vector3(s, s, s));
}

void Matrix33::MakeDiagonal(const Vector3& v) {
    a.Set(v.x, 0.0f, 0.0f);
    b.Set(0.0f, v.y, 0.0f);
    c.Set(0.0f, 0.0f, v.z);
}

void Matrix33::Negate() {
    a.Negate();
    b.Negate();
    c.Negate();
}

void Matrix33::Transpose() {
    Transpose(Matrix33(*this));
}

void Matrix33::Transpose(const Matrix33& m) {
    Matrix33 r(Vector3(m.a.x, m.b.x, m.c.x), Vector3(m.a.y, m.b.y, m.c.y),
               Vector3(m.a.z, m.b.z, m.c.z));
    *this = r;
}

float Matrix33::Determinant() const {
    Vector3 bc;
    bc.Cross(b, c);
    return a.Dot(bc);
}

bool TryInverse(Matrix33& m) {
    // Each row is brought to unit scale, so that the determinant of tiny or huge rows stays in
    // range, and the columns of the inverse are scaled back.
    int ea = LargestExponent({m.a.x, m.a.y, m.a.z});
    int eb = LargestExponent({m.b.x, m.b.y, m.b.z});
    int ec = LargestExponent({m.c.x, m.c.y, m.c.z});
    Vector3 a = ScaledBy(m.a, -ea);
    Vector3 b = ScaledBy(m.b, -eb);
    Vector3 c = ScaledBy(m.c, -ec);
    Vector3 bc;
    Vector3 ca;
    Vector3 ab;
    bc.Cross(b, c);
    ca.Cross(c, a);
    ab.Cross(a, b);
    float det = a.Dot(bc);
    if (!IsInvertibleDeterminant(det)) {
        return false;
    }
    float f = 1.0f / det;
    Matrix33 inverse;
    const Vector3 cofactors[3] = {bc, ca, ab};
    Vector3* rows[3] = {&inverse.a, &inverse.b, &inverse.c};
    float Vector3::*const columns[3] = {&Vector3::x, &Vector3::y, &Vector3::z};
    for (int i = 0; i < 3; ++i) {
        rows[i]->Set(std::ldexp(cofactors[0].*columns[i] * f, -ea),
                     std::ldexp(cofactors[1].*columns[i] * f, -eb),
                     std::ldexp(cofactors[2].*columns[i] * f, -ec));
        if (!IsFinite(*rows[i])) {
            return false;
        }
    }
    m = inverse;
    return true;
}

void Matrix33::Inverse() {
    if (!TryInverse(*this)) {
        PrintWarning("Matrix34::Inverse()- Matrix not invertable");
    }
}

void Matrix33::Inverse(const Matrix33& m) {
    Set(m);
    Inverse();
}
