#include "vector/matrix34.h"

#include "data/printer.h"
#include "vector/matrix33.h"
#include "vector/scaling.h"

#include <cmath>

namespace {

float MaxAbs(const Vector3& v) {
    return std::fmax(std::fabs(v.x), std::fmax(std::fabs(v.y), std::fabs(v.z)));
}

// Solves the 2x2 normal equations [uu uv; uv vv]·(s, t) = (ur, vr); false when singular.
bool SolveNormal2(float uu, float uv, float vv, float ur, float vr, float& s, float& t) {
    float det = uu * vv - uv * uv;
    if (det == 0.0f) {
        return false;
    }
    s = (ur * vv - vr * uv) / det;
    t = (uu * vr - uv * ur) / det;
    return true;
}

Vector3 CofactorColumn(const Vector3 cofactors[3], int column) {
    if (column == 0) {
        return Vector3(cofactors[0].x, cofactors[1].x, cofactors[2].x);
    }
    if (column == 1) {
        return Vector3(cofactors[0].y, cofactors[1].y, cofactors[2].y);
    }
    return Vector3(cofactors[0].z, cofactors[1].z, cofactors[2].z);
}

Vector3 Times3x3(const Vector3& v, const Matrix34& m) {
    return Vector3(v.x * m.a.x + v.y * m.b.x + v.z * m.c.x, v.x * m.a.y + v.y * m.b.y + v.z * m.c.y,
                   v.x * m.a.z + v.y * m.b.z + v.z * m.c.z);
}

// Least-size x with x·M as close to rhs as the line spanned by row r of M allows
// (every row of a rank-1 matrix is a multiple of r).
Vector3 SolveRank1(const Matrix34& m, const Vector3& r, const Vector3& rhs) {
    float rr = r.Dot(r);
    Vector3 k(m.a.Dot(r) / rr, m.b.Dot(r) / rr, m.c.Dot(r) / rr);
    float s = rhs.Dot(r) / rr;
    return k * (s / k.Mag2());
}

// Least-size x with x·M as close to rhs as the plane M spans allows; null is the direction
// that M sends to zero (a column of the cofactors).
bool SolveRank2(const Matrix34& m, Vector3 null, const Vector3& rhs, Vector3& x) {
    null.Normalize();
    Vector3 helper = std::fabs(null.x) < 0.5f ? Vector3::sm_XAxis : Vector3::sm_YAxis;
    Vector3 u;
    u.Cross(null, helper);
    u.Normalize();
    Vector3 v;
    v.Cross(null, u);
    Vector3 mu = Times3x3(u, m);
    Vector3 mv = Times3x3(v, m);
    float s = 0.0f;
    float t = 0.0f;
    if (!SolveNormal2(mu.Dot(mu), mu.Dot(mv), mv.Dot(mv), mu.Dot(rhs), mv.Dot(rhs), s, t)) {
        return false;
    }
    x = u * s + v * t;
    return true;
}

}  // namespace

void Matrix34::FastInverse() {
    FastInverse(Matrix34(*this));
}

void Matrix34::FastInverse(const Matrix34& m) {
    Vector3 position(-m.d.Dot(m.a), -m.d.Dot(m.b), -m.d.Dot(m.c));
    Transpose3x3(m);
    d = position;
}

float Matrix34::Determinant3x3() const {
    return Matrix33(a, b, c).Determinant();
}

void Matrix34::Inverse() {
    Matrix33 inverse(a, b, c);
    if (TryInverse(inverse)) {
        Matrix34 result(inverse.a, inverse.b, inverse.c, Vector3());
        result.d = Times3x3(d, result);
        result.d.Negate();
        if (IsFinite(result.d)) {
            *this = result;
            return;
        }
    }
    PrintWarning("Matrix34::Inverse()- Matrix not invertable");
}

void Matrix34::Inverse(const Matrix34& m) {
    Set(m);
    Inverse();
}

namespace {

// SolvePivoted at unit scale.
void SolveScaled(const Matrix34& m, Vector3& x, const Vector3& rhs) {
    const Vector3& a = m.a;
    const Vector3& b = m.b;
    const Vector3& c = m.c;
    const Vector3* rows[3] = {&a, &b, &c};
    int pivotRow = 0;
    float pivot = 0.0f;
    for (int i = 0; i < 3; ++i) {
        float largest = MaxAbs(*rows[i]);
        if (largest > pivot) {
            pivot = largest;
            pivotRow = i;
        }
    }
    if (pivot == 0.0f) {
        x.Zero();
        return;
    }
    float tolerance = 0.0001f * pivot;

    // Row i of the cofactors belongs to row i of the matrix.
    Vector3 cofactors[3];
    cofactors[0].Cross(b, c);
    cofactors[1].Cross(c, a);
    cofactors[2].Cross(a, b);
    float largestCofactor = 0.0f;
    for (const Vector3& row : cofactors) {
        largestCofactor = std::fmax(largestCofactor, MaxAbs(row));
    }
    float det = a.Dot(cofactors[0]);

    // Cofactors are products of two elements, so they are held against the tolerance
    // times the pivot: the test then does not depend on the scale of the matrix.
    float cofactorTolerance = tolerance * pivot;
    // The determinant, a product of three elements, is held against the tolerance times the
    // cofactor tolerance for the same reason.
    if (std::fabs(det) > tolerance * cofactorTolerance &&
        std::fabs(det) > tolerance * largestCofactor &&
        MaxAbs(cofactors[pivotRow]) >= cofactorTolerance) {
        x.Set(cofactors[0].x * rhs.x + cofactors[0].y * rhs.y + cofactors[0].z * rhs.z,
              cofactors[1].x * rhs.x + cofactors[1].y * rhs.y + cofactors[1].z * rhs.z,
              cofactors[2].x * rhs.x + cofactors[2].y * rhs.y + cofactors[2].z * rhs.z);
        x.Scale(1.0f / det);
        return;
    }

    if (largestCofactor > cofactorTolerance) {
        // The cofactor column through the largest cofactor is the direction M sends to zero.
        int column = 0;
        float best = -1.0f;
        for (int i = 0; i < 3; ++i) {
            Vector3 candidate = CofactorColumn(cofactors, i);
            if (MaxAbs(candidate) > best) {
                best = MaxAbs(candidate);
                column = i;
            }
        }
        if (SolveRank2(m, CofactorColumn(cofactors, column), rhs, x)) {
            return;
        }
    }
    x = SolveRank1(m, *rows[pivotRow], rhs);
}

}  // namespace

void Matrix34::SolvePivoted(Vector3& x, const Vector3& rhs) const {
    // Solved at unit scale (x·M = rhs becomes x'·M' = rhs with M' = M·2^-e and x = x'·2^-e):
    // every test below is relative to the scale and decides alike, and the determinant of tiny
    // or huge elements stays in range.
    int exponent = LargestExponent({a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z});
    Matrix34 scaled(ScaledBy(a, -exponent), ScaledBy(b, -exponent), ScaledBy(c, -exponent), d);
    SolveScaled(scaled, x, rhs);
    x = ScaledBy(x, -exponent);
}

