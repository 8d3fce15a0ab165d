#include "vector/matrix44.h"

#include "data/assert.h"
#include "data/printer.h"
#include "vector/matrix33.h"
#include "vector/matrix34.h"
#include "vector/scaling.h"

const Matrix44 Matrix44::sm_Identity(Vector4(1.0f, 0.0f, 0.0f, 0.0f), Vector4(0.0f, 1.0f, 0.0f, 0.0f),
                                     Vector4(0.0f, 0.0f, 1.0f, 0.0f), Vector4(0.0f, 0.0f, 0.0f, 1.0f));

namespace {

Vector4 Sum(const Vector4& p, const Vector4& q, float s) {
    return Vector4(p.x + q.x * s, p.y + q.y * s, p.z + q.z * s, p.w + q.w * s);
}

Vector4 ScaledBy(const Vector4& v, int exponent) {
    return Vector4(std::ldexp(v.x, exponent), std::ldexp(v.y, exponent), std::ldexp(v.z, exponent),
                   std::ldexp(v.w, exponent));
}

Vector4 RowTimes(const Vector4& v, const Matrix44& m) {
    Vector4 r;
    r.Dot44(v, m);
    return r;
}

// Determinant of the 3x3 minor that leaves out row skipRow and column skipColumn.
float Minor(const Matrix44& m, int skipRow, int skipColumn) {
    const Vector4* rows[4] = {&m.a, &m.b, &m.c, &m.d};
    float e[3][3];
    int r = 0;
    for (int i = 0; i < 4; ++i) {
        if (i == skipRow) {
            continue;
        }
        const float values[4] = {rows[i]->x, rows[i]->y, rows[i]->z, rows[i]->w};
        int col = 0;
        for (int j = 0; j < 4; ++j) {
            if (j != skipColumn) {
                e[r][col++] = values[j];
            }
        }
        ++r;
    }
    return e[0][0] * (e[1][1] * e[2][2] - e[1][2] * e[2][1]) -
           e[0][1] * (e[1][0] * e[2][2] - e[1][2] * e[2][0]) +
           e[0][2] * (e[1][0] * e[2][1] - e[1][1] * e[2][0]);
}

float Cofactor(const Matrix44& m, int row, int column) {
    float minor = Minor(m, row, column);
    return ((row + column) & 1) ? -minor : minor;
}

}  // namespace

void Matrix44::Identity() {
    Set(sm_Identity);
}

void Matrix44::Zero() {
    a.Set(0.0f, 0.0f, 0.0f, 0.0f);
    b = a;
    c = a;
    d = a;
}

void Matrix44::Set(const Matrix44& m) {
    *this = m;
}

void Matrix44::Add(const Matrix44& m) {
    Add(*this, m);
}

void Matrix44::Add(const Matrix44& m1, const Matrix44& m2) {
    a = Sum(m1.a, m2.a, 1.0f);
    b = Sum(m1.b, m2.b, 1.0f);
    c = Sum(m1.c, m2.c, 1.0f);
    d = Sum(m1.d, m2.d, 1.0f);
}

void Matrix44::Subtract(const Matrix44& m) {
    Subtract(*this, m);
}

void Matrix44::Subtract(const Matrix44& m1, const Matrix44& m2) {
    a = Sum(m1.a, m2.a, -1.0f);
    b = Sum(m1.b, m2.b, -1.0f);
    c = Sum(m1.c, m2.c, -1.0f);
    d = Sum(m1.d, m2.d, -1.0f);
}

void Matrix44::AddScaled(const Matrix44& m, float s) {
    Vector4* rows[4] = {&a, &b, &c, &d};
    const Vector4* from[4] = {&m.a, &m.b, &m.c, &m.d};
    for (int i = 0; i < 4; ++i) {
        rows[i]->x += from[i]->x * s;
        rows[i]->y += from[i]->y * s;
        rows[i]->z += from[i]->z * s;
    }
}

void Matrix44::Transpose() {
    Matrix44 m = *this;
    a.Set(m.a.x, m.b.x, m.c.x, m.d.x);
    b.Set(m.a.y, m.b.y, m.c.y, m.d.y);
    c.Set(m.a.z, m.b.z, m.c.z, m.d.z);
    d.Set(m.a.w, m.b.w, m.c.w, m.d.w);
}

void Matrix44::FromMatrix34(const Matrix34& m) {
    a.Set(m.a.x, m.a.y, m.a.z, 0.0f);
    b.Set(m.b.x, m.b.y, m.b.z, 0.0f);
    c.Set(m.c.x, m.c.y, m.c.z, 0.0f);
    d.Set(m.d.x, m.d.y, m.d.z, 1.0f);
}

void Matrix44::ToMatrix34(Matrix34& m) const {
    m.a.Set(a.x, a.y, a.z);
    m.b.Set(b.x, b.y, b.z);
    m.c.Set(c.x, c.y, c.z);
    m.d.Set(d.x, d.y, d.z);
}

void Matrix44::Dot(const Matrix44& m) {
    Matrix44 r(RowTimes(a, m), RowTimes(b, m), RowTimes(c, m), RowTimes(d, m));
    *this = r;
}

void Matrix44::Product(const Matrix44& m1, const Matrix44& m2) {
    Matrix44 r(RowTimes(m2.a, m1), RowTimes(m2.b, m1), RowTimes(m2.c, m1), RowTimes(m2.d, m1));
    *this = r;
}

void Matrix44::FastInverse(const Matrix44& m) {
    Vector4 position(-(m.d.x * m.a.x + m.d.y * m.a.y + m.d.z * m.a.z),
                     -(m.d.x * m.b.x + m.d.y * m.b.y + m.d.z * m.b.z),
                     -(m.d.x * m.c.x + m.d.y * m.c.y + m.d.z * m.c.z), 1.0f);
    Matrix44 r(Vector4(m.a.x, m.b.x, m.c.x, 0.0f), Vector4(m.a.y, m.b.y, m.c.y, 0.0f),
               Vector4(m.a.z, m.b.z, m.c.z, 0.0f), position);
    *this = r;
}

float Matrix44::Determinant() const {
    return a.x * Cofactor(*this, 0, 0) + a.y * Cofactor(*this, 0, 1) + a.z * Cofactor(*this, 0, 2) +
           a.w * Cofactor(*this, 0, 3);
}

void Matrix44::Inverse(Matrix44& result) const {
    // Each row is brought to unit scale, so that the determinant of tiny or huge rows stays in
    // range, and the columns of the inverse are scaled back.
    const Vector4* rows[4] = {&a, &b, &c, &d};
    int exponents[4];
    Matrix44 m;
    Vector4* scaled[4] = {&m.a, &m.b, &m.c, &m.d};
    for (int i = 0; i < 4; ++i) {
        exponents[i] = LargestExponent({rows[i]->x, rows[i]->y, rows[i]->z, rows[i]->w});
        *scaled[i] = ScaledBy(*rows[i], -exponents[i]);
    }
    float det = m.Determinant();
    Matrix44 inverse;
    bool finite = IsInvertibleDeterminant(det);
    if (finite) {
        float f = 1.0f / det;
        Vector4* out[4] = {&inverse.a, &inverse.b, &inverse.c, &inverse.d};
        for (int i = 0; i < 4; ++i) {
            Vector4& row = *out[i];
            row.Set(std::ldexp(Cofactor(m, 0, i) * f, -exponents[0]),
                    std::ldexp(Cofactor(m, 1, i) * f, -exponents[1]),
                    std::ldexp(Cofactor(m, 2, i) * f, -exponents[2]),
                    std::ldexp(Cofactor(m, 3, i) * f, -exponents[3]));
            finite = finite && std::isfinite(row.x) && std::isfinite(row.y) &&
                     std::isfinite(row.z) && std::isfinite(row.w);
        }
    }
    if (!finite) {
        PrintWarning("Matrix44::Inverse()- Matrix not invertable");
        return;
    }
    result = inverse;
}

void Matrix44::MakeRotateX(float angle) {
    Matrix34 r(Matrix34::sm_Identity);
    r.MakeRotateX(angle);
    FromMatrix34(r);
}

void Matrix44::MakeRotateY(float angle) {
    Matrix34 r(Matrix34::sm_Identity);
    r.MakeRotateY(angle);
    FromMatrix34(r);
}

void Matrix44::MakeRotateZ(float angle) {
    Matrix34 r(Matrix34::sm_Identity);
    r.MakeRotateZ(angle);
    FromMatrix34(r);
}

void Matrix44::MakeBezier() {
    a.Set(1.0f, -3.0f, 3.0f, -1.0f);
    b.Set(-3.0f, 6.0f, -3.0f, 0.0f);
    c.Set(3.0f, -3.0f, 0.0f, 0.0f);
    d.Set(-1.0f, 0.0f, 0.0f, 0.0f);
}

void Matrix44::MakeHermite() {
    a.Set(2.0f, -2.0f, 1.0f, 1.0f);
    b.Set(-3.0f, 3.0f, -2.0f, -1.0f);
    c.Set(0.0f, 0.0f, 1.0f, 0.0f);
    d.Set(1.0f, 0.0f, 0.0f, 0.0f);
}

// Twice the published Catmull-Rom basis.
void Matrix44::MakeCatmullRom() {
    a.Set(-1.0f, 3.0f, -3.0f, 1.0f);
    b.Set(2.0f, -5.0f, 4.0f, -1.0f);
    c.Set(-1.0f, 0.0f, 1.0f, 0.0f);
    d.Set(0.0f, 2.0f, 0.0f, 0.0f);
}

void Matrix44::Print(const char* label) const {
    if (label) {
        PrintLevel0("%s {", label);
    } else {
        PrintLevel0("matrix {");
    }
    a.Print(" a");
    b.Print(" b");
    c.Print(" c");
    d.Print(" d");
    PrintLevel0("}\n");
}

void Matrix44::Transform4(const Vector3* in, Vector4* out, int count) const {
    Assert((count & 3) == 0);
    // Last to first, so that the records may overwrite the points they come from.
    for (int i = count - 1; i >= 0; --i) {
        Vector3 p = in[i];
        out[i].Set(p.x * a.x + p.y * b.x + p.z * c.x + d.x, p.x * a.y + p.y * b.y + p.z * c.y + d.y,
                   p.x * a.z + p.y * b.z + p.z * c.z + d.z, 0.0f);
    }
}
