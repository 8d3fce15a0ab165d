#include "vector/matrix34.h"

#include "data/assert.h"
#include "data/printer.h"
#include "vector/vector4.h"

const Matrix34 Matrix34::sm_Identity(Vector3(1.0f, 0.0f, 0.0f), Vector3(0.0f, 1.0f, 0.0f),
                                     Vector3(0.0f, 0.0f, 1.0f), Vector3(0.0f, 0.0f, 0.0f));

namespace {

// v·m3x3, the rotation part only.
Vector3 Rotated(const Vector3& v, const Matrix34& m) {
    return Vector3(v.x * m.a.x + v.y * m.b.x + v.z * m.c.x, v.x * m.a.y + v.y * m.b.y + v.z * m.c.y,
                   v.x * m.a.z + v.y * m.b.z + v.z * m.c.z);
}

// v·m3x3ᵀ.
Vector3 RotatedTranspose(const Vector3& v, const Matrix34& m) {
    return Vector3(v.Dot(m.a), v.Dot(m.b), v.Dot(m.c));
}

// The 3x3 part of out becomes each row of m1 times m2; out may be m1 or m2, d is kept.
void RowProducts(Matrix34& out, const Matrix34& m1, const Matrix34& m2,
                 Vector3 (*product)(const Vector3&, const Matrix34&)) {
    Vector3 ra = product(m1.a, m2);
    Vector3 rb = product(m1.b, m2);
    Vector3 rc = product(m1.c, m2);
    out.a = ra;
    out.b = rb;
    out.c = rc;
}

}  // namespace

void Matrix34::Identity() {
    Set(sm_Identity);
}

void Matrix34::Identity3x3() {
    a = sm_Identity.a;
    b = sm_Identity.b;
    c = sm_Identity.c;
}

void Matrix34::Zero() {
    a.Zero();
    b.Zero();
    c.Zero();
    d.Zero();
}

void Matrix34::Set(const Matrix34& m) {
    *this = m;
}

void Matrix34::Add(const Matrix34& m) {
    Add(*this, m);
}

void Matrix34::Add(const Matrix34& m1, const Matrix34& m2) {
    Add3x3(m1, m2);
    d = m1.d + m2.d;
}

void Matrix34::Subtract(const Matrix34& m) {
    Subtract(*this, m);
}

void Matrix34::Subtract(const Matrix34& m1, const Matrix34& m2) {
    Subtract3x3(m1, m2);
    d = m1.d - m2.d;
}

void Matrix34::Add3x3(const Matrix34& m) {
    Add3x3(*this, m);
}

void Matrix34::Add3x3(const Matrix34& m1, const Matrix34& m2) {
    a = m1.a + m2.a;
    b = m1.b + m2.b;
    c = m1.c + m2.c;
}

void Matrix34::Subtract3x3(const Matrix34& m) {
    Subtract3x3(*this, m);
}

void Matrix34::Subtract3x3(const Matrix34& m1, const Matrix34& m2) {
    a = m1.a - m2.a;
    b = m1.b - m2.b;
    c = m1.c - m2.c;
}

void Matrix34::AddScaled3x3(const Matrix34& m, float s) {
    a.AddScaled(m.a, s);
    b.AddScaled(m.b, s);
    c.AddScaled(m.c, s);
}

void Matrix34::Scale(float s) {
    Scale(s, s, s);
}

void Matrix34::Scale(float sx, float sy, float sz) {
    Scale3x3(sx, sy, sz);
    d.Set(d.x * sx, d.y * sy, d.z * sz);
}

void Matrix34::Scale3x3(float s) {
    Scale3x3(s, s, s);
}

void Matrix34::Scale3x3(float sx, float sy, float sz) {
    a.Set(a.x * sx, a.y * sy, a.z * sz);
    b.Set(b.x * sx, b.y * sy, b.z * sz);
    c.Set(c.x * sx, c.y * sy, c.z * sz);
}

void Matrix34::MakeScale(float s) {
    MakeScale(s, s, s);
}

void Matrix34::MakeScale(float sx, float sy, float sz) {
    a.Set(sx, 0.0f, 0.0f);
    b.Set(0.0f, sy, 0.0f);
    c.Set(0.0f, 0.0f, sz);
}

void Matrix34::Dot(const Matrix34& m) {
    Dot(Matrix34(*this), m);
}

void Matrix34::Dot(const Matrix34& m1, const Matrix34& m2) {
    Vector3 position = Rotated(m1.d, m2) + m2.d;
    Dot3x3(m1, m2);
    d = position;
}

void Matrix34::Dot3x3(const Matrix34& m) {
    Dot3x3(Matrix34(*this), m);
}

void Matrix34::Dot3x3(const Matrix34& m1, const Matrix34& m2) {
    RowProducts(*this, m1, m2, Rotated);
}

void Matrix34::DotTranspose(const Matrix34& m) {
    DotTranspose(Matrix34(*this), m);
}

void Matrix34::DotTranspose(const Matrix34& m1, const Matrix34& m2) {
    Vector3 position = RotatedTranspose(m1.d - m2.d, m2);
    Dot3x3Transpose(m1, m2);
    d = position;
}

void Matrix34::Dot3x3Transpose(const Matrix34& m) {
    Dot3x3Transpose(Matrix34(*this), m);
}

void Matrix34::Dot3x3Transpose(const Matrix34& m1, const Matrix34& m2) {
    RowProducts(*this, m1, m2, RotatedTranspose);
}

void Matrix34::Transpose3x3() {
    Transpose3x3(Matrix34(*this));
}

void Matrix34::Transpose3x3(const Matrix34& m) {
    Vector3 ra(m.a.x, m.b.x, m.c.x);
    Vector3 rb(m.a.y, m.b.y, m.c.y);
    c.Set(m.a.z, m.b.z, m.c.z);
    a = ra;
    b = rb;
}

// v is copied: it may be one of the rows being replaced.
void Matrix34::CrossRows(Vector3 v) {
    a.Cross(v);
    b.Cross(v);
    c.Cross(v);
}

void Matrix34::NegCrossRows(Vector3 v) {
    a.Cross(v, Vector3(a));
    b.Cross(v, Vector3(b));
    c.Cross(v, Vector3(c));
}

void Matrix34::Transform4(const Vector3* in, Vector4* out, int count) const {
    Assert((count & 3) == 0);
    // Last to first, so that the records may overwrite the points they come from.
    for (int i = count - 1; i >= 0; --i) {
        Vector3 p = in[i];
        p.Transform(*this);
        out[i].x = p.x;
        out[i].y = p.y;
        out[i].z = p.z;
        out[i].w = 0.0f;
    }
}

void Matrix34::Print(const char* label) const {
    if (label) {
        PrintLevel0("%s {", label);
    } else {
        PrintLevel0("matrix {");
    }
    a.Print(" a");
    PrintMessage("");
    b.Print(" b");
    PrintMessage("");
    c.Print(" c");
    PrintMessage("");
    d.Print(" d");
    PrintMessage("");
    PrintLevel0("}\n");
}
