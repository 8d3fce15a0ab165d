#include "vector/matrix66.h"
#include "vector/numeric.h"

#include "tests/engine/vector/matrixcheck.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

std::vector<float> Sorted(const float* roots, int count) {
    std::vector<float> v(roots, roots + count);
    std::sort(v.begin(), v.end());
    return v;
}

void ExpectRoots(const float* roots, int count, std::vector<float> expected, float tolerance) {
    ASSERT_EQ(count, (int)expected.size());
    std::vector<float> got = Sorted(roots, count);
    for (int i = 0; i < count; ++i) {
        EXPECT_NEAR(got[i], expected[i], tolerance) << "root " << i;
    }
}

Matrix33 Sample33(float s) {
    return Matrix33(Vector3(2.0f * s, 1.0f, 0.5f), Vector3(-1.0f, 3.0f * s, 0.25f),
                    Vector3(0.5f, -0.5f, 4.0f * s));
}

}  // namespace

TEST(Numeric, Roots) {
    float r[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    ExpectRoots(r, SolveQuadratic(-3.0f, 2.0f, r[0], r[1], 1e-5f), {1.0f, 2.0f}, 1e-6f);
    ExpectRoots(r, SolveQuadratic(2.0f, 1.0f, r[0], r[1], 1e-5f), {-1.0f}, 1e-6f);
    EXPECT_EQ(SolveQuadratic(0.0f, 1.0f, r[0], r[1], 1e-5f), 0);

    ExpectRoots(r, SolveCubic(-6.0f, 11.0f, -6.0f, r[0], r[1], r[2], 1e-5f), {1.0f, 2.0f, 3.0f}, 1e-4f);
    ExpectRoots(r, SolveCubic(0.0f, 0.0f, -8.0f, r[0], r[1], r[2], 1e-5f), {2.0f}, 1e-5f);
    // x³ − x: q = 0 on the three-root branch.
    ExpectRoots(r, SolveCubic(0.0f, -1.0f, 0.0f, r[0], r[1], r[2], 1e-5f), {-1.0f, 0.0f, 1.0f}, 1e-5f);
    // (x − 1)²(x + 2): the double root.
    ExpectRoots(r, SolveCubic(0.0f, -3.0f, 2.0f, r[0], r[1], r[2], 1e-5f), {-2.0f, 1.0f}, 1e-5f);

    // (x − 1)(x − 2)(x − 3)(x − 4) = x⁴ − 10x³ + 35x² − 50x + 24.
    ExpectRoots(r, SolveQuartic(-10.0f, 35.0f, -50.0f, 24.0f, r, 1e-6f), {1.0f, 2.0f, 3.0f, 4.0f}, 2e-3f);
    // x⁴ − 5x² + 4: biquadratic.
    ExpectRoots(r, SolveQuartic(0.0f, -5.0f, 0.0f, 4.0f, r, 1e-6f), {-2.0f, -1.0f, 1.0f, 2.0f}, 1e-4f);
    // (x² + 1)(x − 1)(x + 3) = x⁴ + 2x³ − 2x² + 2x − 3.
    ExpectRoots(r, SolveQuartic(2.0f, -2.0f, 2.0f, -3.0f, r, 1e-6f), {-3.0f, 1.0f}, 1e-4f);
    EXPECT_EQ(SolveQuartic(0.0f, 2.0f, 0.0f, 1.0f, r, 1e-6f), 0);  // (x² + 1)²
}

TEST(Numeric, CubeRootAndAngleOf) {
    EXPECT_FLOAT_EQ(CubeRoot(-27.0f), -3.0f);
    EXPECT_FLOAT_EQ(CubeRoot(8.0f), 2.0f);
    EXPECT_EQ(CubeRoot(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(AngleOf(1.0f, -1.0f), 3.0f * 3.1415927f / 4.0f);
    EXPECT_FLOAT_EQ(AngleOf(-1.0f, -1.0f), 5.0f * 3.1415927f / 4.0f);
    EXPECT_FLOAT_EQ(AngleOf(1.0f, 1.0f), 3.1415927f / 4.0f);
    EXPECT_EQ(AngleOf(0.0f, 0.0f), -1.5707964f);
    EXPECT_EQ(AngleOf(2.0f, 0.0f), 1.5707964f);
}

TEST(Numeric, RotationVectorsAndQuaternions) {
    const Vector3 rotation(0.0f, 0.0f, 0.5f);
    Matrix34 m(Matrix34::sm_Identity);
    RotationToMatrix(rotation, m);
    Matrix34 z(Matrix34::sm_Identity);
    z.MakeRotateZ(0.5f);
    ExpectMatrixNear(m, z, 1e-6f);

    Matrix34 placed;
    MatrixFromPosRot(placed, Vector3(1.0f, 2.0f, 3.0f), Vector3(0.0f, 0.0f, 0.0f));
    Matrix34 expected(Matrix34::sm_Identity);
    expected.d.Set(1.0f, 2.0f, 3.0f);
    ExpectMatrixNear(placed, expected, 0.0f);
    MatrixFromPosRot(placed, Vector3(1.0f, 2.0f, 3.0f), rotation);
    z.d.Set(1.0f, 2.0f, 3.0f);
    ExpectMatrixNear(placed, z, 1e-6f);

    Matrix34 turned(Matrix34::sm_Identity);
    RotateByVector(turned, Vector3(0.0f, 0.0f, 0.0f));
    ExpectMatrixNear(turned, Matrix34::sm_Identity, 0.0f);
    RotateByVector(turned, Vector3(0.0f, 0.3f, 0.0f));
    RotateByVector(turned, Vector3(0.0f, 0.2f, 0.0f));
    Matrix34 y(Matrix34::sm_Identity);
    y.MakeRotateY(0.5f);
    ExpectMatrixNear(turned, y, 1e-6f);

    Matrix34 general(Matrix34::sm_Identity);
    general.MakeRotate(Vector3(1.0f, -2.0f, 0.5f), 1.2f);
    Quaternion q;
    q.FromMatrix(general);
    Matrix33 fromQuaternion;
    QuaternionToMatrix33(q, fromQuaternion);
    ExpectMatrixNear(Matrix34(fromQuaternion.a, fromQuaternion.b, fromQuaternion.c, Vector3(0, 0, 0)),
                     Matrix34(general.a, general.b, general.c, Vector3(0, 0, 0)), 1e-6f);
}

// Rotation vectors of a decayed spin can be non-zero with a length that is 0 in float: they
// turn nothing, where dividing by that length would give NaN or fail the assertion.
TEST(Numeric, RotationVectorsTooShortToMeasureTurnNothing) {
    const Vector3 tiny(1e-30f, 0.0f, -1e-30f);
    ASSERT_FALSE(tiny.IsZero());
    ASSERT_EQ(tiny.Mag(), 0.0f);
    Matrix34 placed;
    MatrixFromPosRot(placed, Vector3(1.0f, 2.0f, 3.0f), tiny);
    Matrix34 expected(Matrix34::sm_Identity);
    expected.d.Set(1.0f, 2.0f, 3.0f);
    ExpectMatrixNear(placed, expected, 0.0f);
    Matrix34 turned(expected);
    RotateByVector(turned, tiny);
    ExpectMatrixNear(turned, expected, 0.0f);
}

TEST(Numeric, OrthonormalizeIterate) {
    struct Case {
        Vector3 a, b, c;
        int turns;
    };
    const Case cases[] = {
        {{0.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.0f}, 0},  // no obtuse angle
        // Obtuse at a: one turn puts that corner at c. Obtuse at b needs two.
        {{0.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}, {-1.0f, 1.0f, 0.0f}, 1},
        {{0.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}, {3.0f, 1.0f, 0.0f}, 2},
    };
    for (const Case& c : cases) {
        Vector3 a = c.a;
        Vector3 b = c.b;
        Vector3 cc = c.c;
        Vector3 v(1.0f, 2.0f, 3.0f);
        OrthonormalizeIterate(a, b, cc, &v);
        const Vector3 original[3] = {c.a, c.b, c.c};
        ExpectVectorNear(a, original[c.turns % 3], 0.0f);
        const float values[3] = {1.0f, 2.0f, 3.0f};
        EXPECT_EQ(v.x, values[c.turns % 3]) << c.turns;
    }
    // NaN rows never pass the test: the call still returns, after the two turns that finite
    // rows can need, with v turned alike.
    const float nan = std::nanf("");
    const Vector3 rows[3] = {{nan, 1.0f, 0.0f}, {nan, 2.0f, 0.0f}, {nan, 3.0f, 0.0f}};
    Vector3 a = rows[0];
    Vector3 b = rows[1];
    Vector3 cc = rows[2];
    Vector3 v(1.0f, 2.0f, 3.0f);
    OrthonormalizeIterate(a, b, cc, &v);
    EXPECT_EQ(a.y, 3.0f);
    EXPECT_EQ(b.y, 1.0f);
    EXPECT_EQ(cc.y, 2.0f);
    EXPECT_EQ(v.x, 3.0f);
    EXPECT_EQ(v.y, 1.0f);
    EXPECT_EQ(v.z, 2.0f);
}

TEST(Numeric, ArrivalAccel) {
    // Speeds 0 and 2 over 4 units: mean speed 1 needs 4 s; with 10 s there is time.
    EXPECT_FLOAT_EQ(ArrivalAccel(10.0f, 0.0f, 0.0f, 4.0f, 2.0f), 0.5f);
    // Too little time: cover the distance in half of it.
    EXPECT_FLOAT_EQ(ArrivalAccel(2.0f, 0.0f, 0.0f, 4.0f, 2.0f), 8.0f);
    EXPECT_EQ(ArrivalAccel(0.0f, 0.0f, 0.0f, 4.0f, 0.0f), 0.0f);
    // Already at the target but moving: no mean-speed arrival time (it would be 0, and the
    // formula would divide by the zero distance); the half-time rule brakes from speed 1
    // over h = 1.
    EXPECT_EQ(ArrivalAccel(2.0f, 5.0f, 1.0f, 5.0f, 1.0f), -2.0f);
    EXPECT_EQ(ArrivalAccel(2.0f, 5.0f, -1.0f, 5.0f, 3.0f), 2.0f);
    Vector3 accel;
    ArrivalAccel3(accel, 2.0f, Vector3(0.0f, 0.0f, 0.0f), Vector3(0.0f, 0.0f, 0.0f),
                  Vector3(4.0f, 1.0f, 0.0f), Vector3(2.0f, 0.0f, 0.0f));
    ExpectVectorNear(accel, Vector3(8.0f, 2.0f, 0.0f), 1e-6f);
}

TEST(Numeric, Matrix33) {
    Matrix33 cross;
    const Vector3 v(1.0f, -2.0f, 0.5f);
    cross.MakeCrossProduct(v);
    const Vector3 u(0.3f, 0.7f, -1.1f);
    Vector3 expected;
    expected.Cross(u, v);
    Matrix34 asMatrix(cross.a, cross.b, cross.c, Vector3(0.0f, 0.0f, 0.0f));
    Vector3 product = u;
    product.Transform(asMatrix);
    ExpectVectorNear(product, expected, 1e-6f);

    Matrix33 m = Sample33(1.0f);
    Matrix33 inverse;
    inverse.Inverse(m);
    inverse.Dot(m);
    Matrix33 identity;
    identity.MakeScale(1.0f);
    Matrix33 difference;
    difference.Subtract(inverse, identity);
    ExpectVectorNear(difference.a, Vector3(0.0f, 0.0f, 0.0f), 1e-6f);
    ExpectVectorNear(difference.c, Vector3(0.0f, 0.0f, 0.0f), 1e-6f);

    ConsoleCapture capture;
    Matrix33 singular(Vector3(1.0f, 2.0f, 3.0f), Vector3(2.0f, 4.0f, 6.0f), Vector3(0.0f, 1.0f, 0.0f));
    singular.Inverse();
    EXPECT_EQ(singular.b.x, 2.0f);
    EXPECT_EQ(capture.Take(), "Warning: Matrix34::Inverse()- Matrix not invertable\n");

    Matrix33 zero;
    zero.MakeScale(0.0f);
    EXPECT_TRUE(zero.IsZero());
    EXPECT_FALSE(identity.IsZero());
}

TEST(Numeric, Matrix66Inverse) {
    Matrix33 zero;
    zero.MakeScale(0.0f);
    Matrix33 identity;
    identity.MakeScale(1.0f);
    Matrix33 singular(Vector3(1.0f, 0.0f, 0.0f), Vector3(0.0f, 0.0f, 0.0f), Vector3(0.0f, 0.0f, 1.0f));
    struct Case {
        const char* name;
        Matrix33 A, B, C, D;
    };
    const Case cases[] = {
        {"full", Sample33(1.0f), Sample33(0.1f), Sample33(-0.2f), Sample33(2.0f)},
        {"B zero", Sample33(1.0f), zero, Sample33(-0.2f), Sample33(2.0f)},
        {"C zero", Sample33(1.0f), Sample33(0.3f), zero, Sample33(2.0f)},
        {"A singular", singular, identity, identity, Sample33(2.0f)},
        {"D singular", Sample33(2.0f), identity, identity, singular},
        {"both singular", zero, identity, identity, zero},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Matrix66 m;
        m.Set(c.A, c.B, c.C, c.D);
        Matrix66 inverse;
        inverse.Inverse(m);
        inverse.Dot(m);
        const Matrix33* blocks[4] = {&inverse.A, &inverse.B, &inverse.C, &inverse.D};
        for (int i = 0; i < 4; ++i) {
            const Matrix33& expected = (i == 0 || i == 3) ? identity : zero;
            ExpectVectorNear(blocks[i]->a, expected.a, 1e-5f);
            ExpectVectorNear(blocks[i]->b, expected.b, 1e-5f);
            ExpectVectorNear(blocks[i]->c, expected.c, 1e-5f);
        }
    }

    ConsoleCapture capture;
    Matrix66 singular66;
    singular66.Set(identity, identity, identity, identity);
    Matrix66 before = singular66;
    singular66.Inverse();
    EXPECT_EQ(memcmp(&singular66, &before, sizeof(before)), 0);
    EXPECT_EQ(capture.Take(), "Warning: Matrix34::Inverse()- Matrix not invertable\n");
}

TEST(Numeric, Matrix66BlockOperations) {
    Matrix66 m;
    m.Set(Sample33(1.0f), Sample33(2.0f), Sample33(3.0f), Sample33(4.0f));
    Matrix66 t = m;
    t.Transpose();
    EXPECT_EQ(t.B.a.y, m.C.b.x);
    EXPECT_EQ(t.A.a.y, m.A.b.x);
    Matrix66 sum;
    sum.Add(m, m);
    sum.Subtract(m);
    EXPECT_EQ(memcmp(&sum, &m, sizeof(m)), 0);
}
