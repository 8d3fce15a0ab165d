#include "vector/matrix34.h"
#include "vector/vector4.h"
#include "vector/random.h"

#include "tests/engine/vector/matrixcheck.h"
#include "tests/support/child.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

#include <cstring>
#include <xmmintrin.h>

namespace {

const float HalfPi = 1.5707964f;

Matrix34 Translation(float x, float y, float z) {
    Matrix34 m(Matrix34::sm_Identity);
    m.d.Set(x, y, z);
    return m;
}

Matrix34 SampleMatrix() {
    return Matrix34(Vector3(2.0f, 1.0f, 0.5f), Vector3(-1.0f, 3.0f, 0.25f),
                    Vector3(0.5f, -0.5f, 4.0f), Vector3(1.0f, -2.0f, 3.0f));
}

}  // namespace

TEST(Matrix34, DotAppliesInReadingOrder) {
    Matrix34 turn(Matrix34::sm_Identity);
    turn.MakeRotateY(HalfPi);
    Matrix34 m = Translation(1.0f, 0.0f, 0.0f);
    m.Dot(turn);
    Vector3 origin(0.0f, 0.0f, 0.0f);
    origin.Transform(m);
    ExpectVectorNear(origin, Vector3(0.0f, 0.0f, -1.0f), 1e-6f);

    // The result may be written over either operand.
    const Matrix34 sample = SampleMatrix();
    Matrix34 expected;
    expected.Dot(sample, sample);
    Matrix34 squared = sample;
    squared.Dot(squared);
    ExpectMatrixNear(squared, expected, 0.0f);
    Matrix34 second = sample;
    second.Dot(sample, second);
    ExpectMatrixNear(second, expected, 0.0f);
    Matrix34 transposed = sample;
    transposed.DotTranspose(transposed);
    expected.DotTranspose(sample, sample);
    ExpectMatrixNear(transposed, expected, 0.0f);
}

TEST(Matrix34, EulerRoundTripInEveryOrder) {
    const char* const orders[] = {"xyz", "xzy", "yxz", "yzx", "zxy", "zyx"};
    const Vector3 angles(0.3f, -0.7f, 1.1f);
    for (const char* order : orders) {
        Matrix34 m(Matrix34::sm_Identity);
        m.FromEulers(angles, order);
        Vector3 back;
        m.GetEulers(back, order);
        ExpectVectorNear(back, angles, 1e-5f);
        Vector3 guarded;
        m.ToEulers(guarded, order);
        ExpectVectorNear(guarded, angles, 1e-5f);
    }
    // "xyz" is Rx·Ry·Rz.
    Matrix34 composed(Matrix34::sm_Identity);
    composed.MakeRotateX(angles.x);
    composed.RotateY(angles.y);
    composed.RotateZ(angles.z);
    Matrix34 m(Matrix34::sm_Identity);
    m.FromEulers(angles, "xyz");
    ExpectMatrixNear(m, composed, 1e-6f);
}

TEST(Matrix34, BadEulerOrders) {
    ConsoleCapture capture;
    Matrix34 m = SampleMatrix();
    m.FromEulers(Vector3(1.0f, 2.0f, 3.0f), "xxy");
    EXPECT_TRUE(SameBits(m, SampleMatrix()));

    Vector3 angles(5.0f, 6.0f, 7.0f);
    m.ToEulers(angles, "abc");
    EXPECT_EQ(angles.x, 5.0f);
    m.GetEulers(angles, "yyy");
    EXPECT_TRUE(angles.IsZero());
    EXPECT_EQ(capture.Take(),
              "Warning: Matrix34::FromEulers()- Bad string 'xxy'\n"
              "Warning: Matrix34::ToEulers()- Bad string 'abc'\n"
              "Warning: Matrix34::GetEulers() - order variable is invalid\n");
}

TEST(Matrix34, ToEulersClampsAndGuards) {
    // a.z = -1: plain asin would give pi/2, the guarded form asin(0.99999) in single precision
    // (1.5663211; the double constant would give 1.5663242).
    Matrix34 m(Vector3(0.0f, 0.0f, -1.0f), Vector3(0.0f, 1.0f, 0.0f), Vector3(1.0f, 0.0f, 0.0f),
               Vector3(0.0f, 0.0f, 0.0f));
    Vector3 angles;
    m.ToEulers(angles, "xyz");
    EXPECT_FLOAT_EQ(angles.y, 1.5663211f);
    EXPECT_EQ(angles.z, 0.0f);  // atan2(0, 0)
    // atan2(0, -0) is pi unguarded; the guard makes it 0.
    Matrix34 signedZero(Vector3(-0.0f, 0.0f, -1.0f), Vector3(0.0f, 1.0f, 0.0f),
                        Vector3(1.0f, 0.0f, 0.0f), Vector3(0.0f, 0.0f, 0.0f));
    signedZero.ToEulers(angles, "xyz");
    EXPECT_EQ(angles.z, 0.0f);
}

TEST(Matrix34, RotateTo) {
    ConsoleCapture capture;
    const Vector3 x(1.0f, 0.0f, 0.0f);
    Matrix34 m = SampleMatrix();
    m.RotateTo(x, Vector3(-1.0f, 0.0f, 0.0f));
    m.RotateTo(x, x);
    EXPECT_TRUE(SameBits(m, SampleMatrix()));
    EXPECT_EQ(capture.Take(), "Error: Matrix34::RotateTo()- CHOKE!!!!!!!\n");

    Matrix34 turn(Matrix34::sm_Identity);
    turn.RotateTo(x, Vector3(0.0f, 1.0f, 0.0f));
    Vector3 moved = x;
    moved.Transform(turn);
    ExpectVectorNear(moved, Vector3(0.0f, 1.0f, 0.0f), 1e-6f);

    Matrix34 halfway(Matrix34::sm_Identity);
    halfway.RotateTo(x, Vector3(0.0f, 1.0f, 0.0f), 0.5f);
    moved = x;
    moved.Transform(halfway);
    ExpectVectorNear(moved, Vector3(0.70710677f, 0.70710677f, 0.0f), 1e-6f);
}

// Directions without an axis between them (zero, or parallel but not of unit length) pass the
// thresholds; they must leave the matrix whole rather than turn it about a zero axis.
TEST(Matrix34, RotateToWithoutAnAxisKeepsTheMatrix) {
    const char* const Choke = "Error: Matrix34::RotateTo()- CHOKE!!!!!!!\n";
    struct Case {
        const char* name;
        Vector3 from;
        Vector3 to;
        const char* message;
    };
    const Case cases[] = {
        {"zero from", {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, Choke},
        {"zero to", {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, Choke},
        {"short, same way", {0.5f, 0.0f, 0.0f}, {0.5f, 0.0f, 0.0f}, ""},
        {"short, opposite", {0.0f, 0.0f, 0.5f}, {0.0f, 0.0f, -0.5f}, Choke},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConsoleCapture capture;
        Matrix34 m = SampleMatrix();
        m.RotateTo(c.from, c.to);
        m.RotateTo(c.from, c.to, 0.5f);
        EXPECT_TRUE(SameBits(m, SampleMatrix()));
        EXPECT_EQ(capture.Take(), std::string(c.message) + c.message);
    }
}

TEST(Matrix34, MakeRotateSpecialAxes) {
    const float alpha = 0.6f;
    struct Case {
        Vector3 axis;
        char single;
        float angle;
    };
    const Case cases[] = {
        {{0.0f, 0.0f, -1.0f}, 'z', -alpha}, {{0.0f, 0.0f, 2.0f}, 'z', alpha},
        {{0.0f, -3.0f, 0.0f}, 'y', -alpha}, {{0.0f, 1.0f, 0.0f}, 'y', alpha},
        {{-1.0f, 0.0f, 0.0f}, 'x', -alpha}, {{5.0f, 0.0f, 0.0f}, 'x', alpha},
    };
    for (const Case& c : cases) {
        Matrix34 m(Matrix34::sm_Identity);
        m.MakeRotate(c.axis, alpha);
        Matrix34 expected(Matrix34::sm_Identity);
        if (c.single == 'x') {
            expected.MakeRotateX(c.angle);
        } else if (c.single == 'y') {
            expected.MakeRotateY(c.angle);
        } else {
            expected.MakeRotateZ(c.angle);
        }
        EXPECT_TRUE(SameBits(m, expected)) << c.single << c.axis.x + c.axis.y + c.axis.z;
    }
    // A general axis goes through the unit-axis formula, which agrees with the single axes.
    Matrix34 general(Matrix34::sm_Identity);
    general.MakeRotate(Vector3(0.0f, 0.0f, 1.0f), alpha);
    Matrix34 unit(Matrix34::sm_Identity);
    unit.MakeRotateUnitAxis(Vector3(0.0f, 0.0f, 1.0f), alpha);
    ExpectMatrixNear(general, unit, 1e-6f);
}

TEST(Matrix34, RotateTurnsAboutOwnOriginAndFullAboutParent) {
    Matrix34 local = Translation(1.0f, 0.0f, 0.0f);
    local.RotateY(HalfPi);
    ExpectVectorNear(local.d, Vector3(1.0f, 0.0f, 0.0f), 0.0f);
    Matrix34 full = Translation(1.0f, 0.0f, 0.0f);
    full.RotateFullY(HalfPi);
    ExpectVectorNear(full.d, Vector3(0.0f, 0.0f, -1.0f), 1e-6f);
    ExpectMatrixNear(Matrix34(local.a, local.b, local.c, full.d), full, 1e-6f);
}

TEST(Matrix34, InverseOfSingularWarnsAndKeepsTheMatrix) {
    ConsoleCapture capture;
    Matrix34 m(Vector3(1.0f, 2.0f, 3.0f), Vector3(1.0f, 2.0f, 3.0f), Vector3(0.0f, 1.0f, 5.0f),
               Vector3(4.0f, 5.0f, 6.0f));
    Matrix34 before = m;
    m.Inverse();
    EXPECT_TRUE(SameBits(m, before));
    // Unset (NaN) input is not inverted either.
    Matrix34 unset;
    Matrix34 target = SampleMatrix();
    unsigned mxcsr = _mm_getcsr();
    _mm_setcsr(mxcsr | 0x80);
    target.Inverse(unset);
    _mm_setcsr(mxcsr);
    EXPECT_TRUE(SameBits(target, unset));
    EXPECT_EQ(capture.Take(), "Warning: Matrix34::Inverse()- Matrix not invertable\n"
                             "Warning: Matrix34::Inverse()- Matrix not invertable\n");
}

TEST(Matrix34, InverseTimesMatrixIsIdentity) {
    RandomReset();
    for (int trial = 0; trial < 50; ++trial) {
        Matrix34 m;
        Vector3* rows[4] = {&m.a, &m.b, &m.c, &m.d};
        for (Vector3* row : rows) {
            row->Set(RandomFloat() * 4.0f - 2.0f, RandomFloat() * 4.0f - 2.0f,
                     RandomFloat() * 4.0f - 2.0f);
        }
        if (std::fabs(m.Determinant3x3()) < 0.5f) {
            continue;
        }
        Matrix34 inverse;
        inverse.Inverse(m);
        Matrix34 product = inverse;
        product.Dot(m);
        ExpectMatrixNear(product, Matrix34::sm_Identity, 1e-5f);
    }
}

TEST(Matrix34, FastInverseAndDotTransposeOfRigidMatrices) {
    Matrix34 rigid(Matrix34::sm_Identity);
    rigid.MakeRotate(Vector3(1.0f, 2.0f, -1.0f), 0.9f);
    rigid.d.Set(3.0f, -1.0f, 2.0f);
    Matrix34 fast;
    fast.FastInverse(rigid);
    Matrix34 general;
    general.Inverse(rigid);
    ExpectMatrixNear(fast, general, 1e-5f);

    Matrix34 other = SampleMatrix();
    Matrix34 viaTranspose = other;
    viaTranspose.DotTranspose(rigid);
    Matrix34 viaInverse = other;
    viaInverse.Dot(fast);
    ExpectMatrixNear(viaTranspose, viaInverse, 1e-5f);
}

TEST(Matrix34, SolvePivoted) {
    Vector3 x(9.0f, 9.0f, 9.0f);
    Matrix34 zero;
    zero.Zero();
    zero.SolvePivoted(x, Vector3(1.0f, 2.0f, 3.0f));
    EXPECT_TRUE(x.IsZero());

    struct Case {
        const char* name;
        Matrix34 m;
        Vector3 solution;  // a least-size solution (orthogonal to what m sends to zero)
    };
    const Vector3 o(0.0f, 0.0f, 0.0f);
    const Case cases[] = {
        {"regular", SampleMatrix(), {0.5f, -1.0f, 2.0f}},
        {"rank 2", Matrix34(Vector3(1.0f, 2.0f, 0.0f), Vector3(0.0f, 1.0f, 1.0f),
                            Vector3(1.0f, 3.0f, 1.0f), o),
         // (1, 1, -1) is sent to zero; the solution is orthogonal to it.
         {1.0f, 2.0f, 3.0f}},
        {"rank 1", Matrix34(Vector3(1.0f, 2.0f, 2.0f), Vector3(2.0f, 4.0f, 4.0f),
                            Vector3(-1.0f, -2.0f, -2.0f), o),
         {1.0f, 2.0f, -1.0f}},
        {"small scale", Matrix34(Vector3(1e-5f, 0.0f, 0.0f), Vector3(0.0f, 2e-5f, 0.0f),
                                 Vector3(0.0f, 0.0f, 3e-5f), o),
         {1.0f, 2.0f, 3.0f}},
    };
    for (const Case& c : cases) {
        Vector3 rhs = c.solution;
        rhs.Transform(Matrix34(c.m.a, c.m.b, c.m.c, o));
        Vector3 found;
        c.m.SolvePivoted(found, rhs);
        if (std::string(c.name) == "rank 2") {
            // Any solution orthogonal to the null direction is the least-size one.
            Vector3 check = found;
            check.Transform(Matrix34(c.m.a, c.m.b, c.m.c, o));
            ExpectVectorNear(check, rhs, 1e-5f);
            EXPECT_NEAR(found.Dot(Vector3(1.0f, 1.0f, -1.0f)), 0.0f, 1e-5f) << c.name;
            continue;
        }
        Vector3 residual = found;
        residual.Transform(Matrix34(c.m.a, c.m.b, c.m.c, o));
        ExpectVectorNear(residual, rhs, 1e-5f * rhs.Mag());
        if (std::string(c.name) != "rank 1") {
            ExpectVectorNear(found, c.solution, 1e-4f);
        }
    }
}

TEST(Matrix34, LookAt) {
    Matrix34 m(Matrix34::sm_Identity);
    m.LookAt(Vector3(0.0f, 0.0f, 10.0f), Vector3(0.0f, 0.0f, 0.0f));
    ExpectMatrixNear(m, Translation(0.0f, 0.0f, 10.0f), 1e-6f);

    // Straight down: the horizontal side axis vanishes; x stands in for it.
    ConsoleCapture capture;
    m.LookAt(Vector3(0.0f, 10.0f, 0.0f), Vector3(0.0f, 0.0f, 0.0f));
    EXPECT_NEAR(std::fabs(m.Determinant3x3()), 1.0f, 1e-6f);
    ExpectVectorNear(m.c, Vector3(0.0f, 1.0f, 0.0f), 0.0f);

    // No direction at all: the camera stays as it was.
    Matrix34 before = m;
    m.LookAt(Vector3(1.0f, 2.0f, 3.0f), Vector3(1.0f, 2.0f, 3.0f));
    EXPECT_TRUE(SameBits(m, before));
    EXPECT_EQ(capture.Take(),
              "Warning: Matrix34::LookAt()- Looking straight up or down\n"
              "Warning: Matrix34::LookAt()- From and to are the same point\n");
}

TEST(Matrix34, PolarViewAndGetPolar) {
    Matrix34 camera(Matrix34::sm_Identity);
    camera.PolarView(20.0f, 0.4f, 0.3f, 0.0f);
    EXPECT_NEAR(camera.d.Mag(), 20.0f, 1e-4f);
    Vector4 polar;
    Vector3 centre;
    camera.GetPolar(polar, centre, 20.0f);
    EXPECT_NEAR(polar.x, 20.0f, 1e-4f);
    EXPECT_NEAR(polar.y, 0.4f, 1e-5f);
    EXPECT_NEAR(polar.z, 0.3f, 1e-5f);
    ExpectVectorNear(centre, Vector3(0.0f, 0.0f, 0.0f), 1e-4f);
}

TEST(Matrix34, NormalizeAndInterpolate) {
    Matrix34 skewed(Vector3(1.0f, 0.1f, 0.0f), Vector3(0.0f, 2.0f, 0.1f), Vector3(0.0f, 0.0f, 3.0f),
                    Vector3(0.0f, 0.0f, 0.0f));
    skewed.Normalize();
    EXPECT_NEAR(skewed.a.Dot(skewed.b), 0.0f, 1e-6f);
    EXPECT_NEAR(skewed.b.Dot(skewed.c), 0.0f, 1e-6f);
    EXPECT_NEAR(skewed.a.Mag(), 1.0f, 1e-6f);
    ExpectVectorNear(skewed.c, Vector3(0.0f, 0.0f, 1.0f), 0.0f);

    Matrix34 start = Translation(0.0f, 0.0f, 0.0f);
    Matrix34 end = Translation(2.0f, 4.0f, 6.0f);
    end.MakeRotateY(1.0f);
    Matrix34 middle;
    middle.Interpolate(start, end, 0.5f);
    Matrix34 expected = Translation(1.0f, 2.0f, 3.0f);
    expected.MakeRotateY(0.5f);
    ExpectMatrixNear(middle, expected, 1e-5f);
}

TEST(Matrix34, CrossRows) {
    const Vector3 v(0.5f, -1.0f, 2.0f);
    Matrix34 m = SampleMatrix();
    m.CrossRows(v);
    Matrix34 n = SampleMatrix();
    n.NegCrossRows(v);
    Vector3 expected;
    expected.Cross(SampleMatrix().b, v);
    ExpectVectorNear(m.b, expected, 0.0f);
    expected.Negate();
    ExpectVectorNear(n.b, expected, 1e-6f);
}

TEST(Matrix34, Transform4WritesZeroFourthWords) {
    Vector3 points[4] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {1.0f, 2.0f, 3.0f}};
    Vector4 out[4];
    Matrix34 m = SampleMatrix();
    m.Transform4(points, out, 4);
    for (int i = 0; i < 4; ++i) {
        Vector3 expected = points[i];
        expected.Transform(m);
        ExpectVectorNear(Vector3(out[i].x, out[i].y, out[i].z), expected, 0.0f);
        uint32_t bits = 1;
        memcpy(&bits, &out[i].w, sizeof(bits));
        EXPECT_EQ(bits, 0u);
    }
}

TEST_CHILD(Matrix34Transform4Six) {
    Vector3 points[8] = {};
    Vector4 out[8];
    SampleMatrix().Transform4(points, out, 6);
    return 0;
}

TEST(Matrix34, Transform4CountMustBeAMultipleOfFour) {
    ChildResult result = RunChild("Matrix34Transform4Six");
    EXPECT_NE(result.m_ExitCode, 0);
    EXPECT_NE(result.m_Output.find("Fatal Error: Assert((count & 3) == 0) failed in [vector/matrix34, line "),
              std::string::npos)
        << result.m_Output;
}

TEST(Matrix34, Print) {
    ConsoleCapture capture;
    Matrix34::sm_Identity.Print("world");
    Translation(1.0f, 2.0f, 3.0f).Print();
    EXPECT_EQ(capture.Take(),
              "world { a: 1.000000,0.000000,0.000000\n"
              " b: 0.000000,1.000000,0.000000\n"
              " c: 0.000000,0.000000,1.000000\n"
              " d: 0.000000,0.000000,0.000000\n"
              "}\n"
              "matrix { a: 1.000000,0.000000,0.000000\n"
              " b: 0.000000,1.000000,0.000000\n"
              " c: 0.000000,0.000000,1.000000\n"
              " d: 1.000000,2.000000,3.000000\n"
              "}\n");
}
