#include "vector/matrix34.h"
#include "vector/matrix44.h"

#include "tests/engine/vector/matrixcheck.h"
#include "tests/support/child.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

namespace {

Matrix44 Sample() {
    return Matrix44(Vector4(2.0f, 1.0f, 0.5f, 0.1f), Vector4(-1.0f, 3.0f, 0.25f, 0.0f),
                    Vector4(0.5f, -0.5f, 4.0f, 0.2f), Vector4(1.0f, -2.0f, 3.0f, 1.0f));
}

void ExpectNear(const Matrix44& m, const Matrix44& n, float tolerance) {
    const Vector4* rows[2][4] = {{&m.a, &m.b, &m.c, &m.d}, {&n.a, &n.b, &n.c, &n.d}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(rows[0][i]->x, rows[1][i]->x, tolerance) << "row " << i;
        EXPECT_NEAR(rows[0][i]->y, rows[1][i]->y, tolerance) << "row " << i;
        EXPECT_NEAR(rows[0][i]->z, rows[1][i]->z, tolerance) << "row " << i;
        EXPECT_NEAR(rows[0][i]->w, rows[1][i]->w, tolerance) << "row " << i;
    }
}

}  // namespace

TEST(Matrix44, ProductIsTheSecondTimesTheFirst) {
    Matrix44 first = Sample();
    Matrix44 second;
    second.MakeRotateY(0.7f);
    second.d.Set(4.0f, 5.0f, 6.0f, 1.0f);
    Matrix44 product;
    product.Product(first, second);
    Matrix44 expected = second;
    expected.Dot(first);
    ExpectNear(product, expected, 1e-6f);
}

TEST(Matrix44, AgreesWithMatrix34) {
    Matrix34 m(Matrix34::sm_Identity);
    m.MakeRotate(Vector3(1.0f, -1.0f, 2.0f), 0.8f);
    m.d.Set(1.0f, 2.0f, 3.0f);
    Matrix34 n(Matrix34::sm_Identity);
    n.MakeRotateZ(0.3f);
    n.d.Set(-1.0f, 0.0f, 4.0f);
    Matrix44 m44;
    Matrix44 n44;
    m44.FromMatrix34(m);
    n44.FromMatrix34(n);
    m44.Dot(n44);
    m.Dot(n);
    Matrix34 back;
    m44.ToMatrix34(back);
    ExpectMatrixNear(back, m, 1e-6f);

    Matrix44 fast;
    fast.FastInverse(m44);
    Matrix34 inverse;
    inverse.FastInverse(m);
    fast.ToMatrix34(back);
    ExpectMatrixNear(back, inverse, 1e-5f);
    EXPECT_EQ(fast.d.w, 1.0f);

    Matrix44 rotation;
    rotation.MakeRotateX(0.4f);
    Matrix34 rotation34(Matrix34::sm_Identity);
    rotation34.MakeRotateX(0.4f);
    rotation.ToMatrix34(back);
    ExpectMatrixNear(back, rotation34, 0.0f);
}

TEST(Matrix44, Inverse) {
    Matrix44 m = Sample();
    Matrix44 inverse;
    m.Inverse(inverse);
    inverse.Dot(m);
    ExpectNear(inverse, Matrix44::sm_Identity, 1e-5f);

    ConsoleCapture capture;
    Matrix44 singular = Sample();
    singular.c = singular.a;
    Matrix44 untouched = Sample();
    singular.Inverse(untouched);
    ExpectNear(untouched, Sample(), 0.0f);
    EXPECT_EQ(capture.Take(), "Warning: Matrix44::Inverse()- Matrix not invertable\n");
}

TEST(Matrix44, Vector4AndVector3Products) {
    Matrix44 m = Sample();
    Vector4 v;
    v.Dot44(Vector4(1.0f, 0.0f, 0.0f, 1.0f), m);
    EXPECT_FLOAT_EQ(v.x, 3.0f);
    EXPECT_FLOAT_EQ(v.w, 1.1f);
    Vector3 u;
    u.Dot3x3(Vector3(0.0f, 1.0f, 1.0f), m);
    EXPECT_FLOAT_EQ(u.x, -0.5f);
    EXPECT_FLOAT_EQ(u.z, 4.25f);
}

TEST(Matrix44, TransposeAndAddScaled) {
    Matrix44 m = Sample();
    m.Transpose();
    EXPECT_EQ(m.a.y, -1.0f);
    EXPECT_EQ(m.d.x, 0.1f);
    Matrix44 sum = Sample();
    sum.AddScaled(Sample(), 2.0f);
    EXPECT_FLOAT_EQ(sum.a.x, 6.0f);
    EXPECT_FLOAT_EQ(sum.a.w, 0.1f);  // the w column is left alone
}

TEST(Matrix44, Transform4AndPrint) {
    Vector3 points[4] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f}};
    Vector4 out[4];
    Sample().Transform4(points, out, 4);
    EXPECT_FLOAT_EQ(out[0].x, 3.0f);
    EXPECT_FLOAT_EQ(out[3].z, 3.0f);
    EXPECT_EQ(out[2].w, 0.0f);

    ConsoleCapture capture;
    Matrix44::sm_Identity.Print("id");
    EXPECT_EQ(capture.Take(),
              "id { a: 1.000000,0.000000,0.000000,0.000000\n"
              " b: 0.000000,1.000000,0.000000,0.000000\n"
              " c: 0.000000,0.000000,1.000000,0.000000\n"
              " d: 0.000000,0.000000,0.000000,1.000000\n"
              "}\n");
}

TEST_CHILD(Matrix44Transform4Six) {
    Vector3 points[8] = {};
    Vector4 out[8];
    Sample().Transform4(points, out, 6);
    return 0;
}

TEST(Matrix44, Transform4CountMustBeAMultipleOfFour) {
    ChildResult result = RunChild("Matrix44Transform4Six");
    EXPECT_NE(result.m_ExitCode, 0);
    EXPECT_NE(result.m_Output.find("Assert((count & 3) == 0) failed in [vector/matrix44, line "),
              std::string::npos)
        << result.m_Output;
}

TEST(Matrix44, SplineBasesInterpolateTheirEnds) {
    // Weights (t³, t², t, 1)·M at t = 0 and t = 1. Hermite gives the end points; the Bezier
    // rows are the negated published basis and Catmull-Rom is twice its published basis, as the
    // system has them.
    struct Case {
        void (Matrix44::*make)();
        float at0[4];
        float at1[4];
    };
    const Case cases[] = {
        {&Matrix44::MakeBezier, {-1, 0, 0, 0}, {0, 0, 0, -1}},
        {&Matrix44::MakeHermite, {1, 0, 0, 0}, {0, 1, 0, 0}},
        {&Matrix44::MakeCatmullRom, {0, 2, 0, 0}, {0, 0, 2, 0}},
    };
    for (const Case& c : cases) {
        Matrix44 basis;
        (basis.*c.make)();
        Vector4 w0;
        Vector4 w1;
        w0.Dot44(Vector4(0.0f, 0.0f, 0.0f, 1.0f), basis);
        w1.Dot44(Vector4(1.0f, 1.0f, 1.0f, 1.0f), basis);
        const float got0[4] = {w0.x, w0.y, w0.z, w0.w};
        const float got1[4] = {w1.x, w1.y, w1.z, w1.w};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(got0[i], c.at0[i]);
            EXPECT_EQ(got1[i], c.at1[i]);
        }
    }
}
