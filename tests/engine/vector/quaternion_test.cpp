#include "vector/matrix34.h"
#include "vector/quaternion.h"

#include "tests/engine/vector/matrixcheck.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

namespace {

Matrix34 Rotation(const Vector3& axis, float angle) {
    Matrix34 m(Matrix34::sm_Identity);
    m.MakeRotate(axis, angle);
    return m;
}

}  // namespace

TEST(Quaternion, FromMatrixOfIdentity) {
    Quaternion q;
    q.FromMatrix(Matrix34::sm_Identity);
    EXPECT_EQ(q.i, 0.0f);
    EXPECT_EQ(q.j, 0.0f);
    EXPECT_EQ(q.k, 0.0f);
    EXPECT_EQ(q.r, 1.0f);
}

TEST(Quaternion, MatrixRoundTrip) {
    // Angles near pi take the branches without a scalar part.
    const Matrix34 rotations[] = {
        Rotation(Vector3(1.0f, 2.0f, 3.0f), 0.8f),   Rotation(Vector3(0.0f, 1.0f, 0.0f), -2.0f),
        Rotation(Vector3(1.0f, 0.0f, 0.0f), 3.1415927f), Rotation(Vector3(0.0f, 1.0f, 0.0f), 3.1415927f),
        Rotation(Vector3(0.0f, 0.0f, 1.0f), 3.1415927f), Rotation(Vector3(1.0f, 1.0f, 0.0f), 3.1415927f),
    };
    for (const Matrix34& m : rotations) {
        Quaternion q;
        q.FromMatrix(m);
        Matrix34 back(Matrix34::sm_Identity);
        back.FromQuaternion(q);
        ExpectMatrixNear(back, m, 1e-6f);
    }
}

TEST(Quaternion, MultiplyAppliesFirstThenSecond) {
    Matrix34 first = Rotation(Vector3(1.0f, 0.0f, 0.0f), 0.5f);
    Matrix34 second = Rotation(Vector3(0.0f, 1.0f, 1.0f), 1.1f);
    Quaternion a;
    Quaternion b;
    a.FromMatrix(first);
    b.FromMatrix(second);
    Quaternion product;
    product.Multiply(a, b);
    Matrix34 fromProduct(Matrix34::sm_Identity);
    fromProduct.FromQuaternion(product);
    Matrix34 expected = first;
    expected.Dot3x3(second);
    ExpectMatrixNear(fromProduct, expected, 1e-6f);
}

TEST(Quaternion, Slerp) {
    Quaternion q(0.0f, 0.38268343f, 0.0f, 0.9238795f);
    Quaternion same;
    same.Slerp(0.3f, q, q);
    EXPECT_FLOAT_EQ(same.j, q.j);
    EXPECT_FLOAT_EQ(same.r, q.r);

    // Halfway to a quarter turn about y is an eighth of a turn.
    Quaternion identity(0.0f, 0.0f, 0.0f, 1.0f);
    Quaternion q1(0.0f, 0.70710677f, 0.0f, 0.70710677f);
    Quaternion middle;
    middle.Slerp(0.5f, identity, q1);
    EXPECT_NEAR(middle.j, 0.38268343f, 1e-6f);
    EXPECT_NEAR(middle.r, 0.9238795f, 1e-6f);
}

TEST(Quaternion, Print) {
    ConsoleCapture capture;
    Quaternion q(1.0f, 2.0f, 3.0f, 4.0f);
    q.Print();
    q.Print("q");
    EXPECT_EQ(capture.Take(), "1.000000i,2.000000j,3.000000k,4.000000\nq: 1.000000i,2.000000j,3.000000k,4.000000\n");
}
