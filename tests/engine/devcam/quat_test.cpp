#include "devcam/quat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "vector/matrix34.h"
#include "vector/matrix44.h"
#include "vector/vector3.h"

namespace {

TEST(TrackballMath, SphereAndHyperbola) {
    EXPECT_FLOAT_EQ(dcProjectToSphere(0.8f, 0, 0), 0.8f);
    EXPECT_FLOAT_EQ(dcProjectToSphere(0.8f, 1, 0), 0.32f);
    // Both sheets meet where they change over.
    float edge = 0.8f * 0.70710677f;
    EXPECT_NEAR(dcProjectToSphere(0.8f, edge - 1e-5f, 0), dcProjectToSphere(0.8f, edge, 0), 1e-4);
    EXPECT_FLOAT_EQ(dcProjectToSphere(0.8f, 0.3f, 0.4f), sqrtf(0.64f - 0.25f));
}

TEST(TrackballMath, EqualPointsGiveTheIdentity) {
    Quaternion q = dcTrackballQuat(0.25f, -0.5f, 0.25f, -0.5f);
    EXPECT_EQ(q.i, 0.0f);
    EXPECT_EQ(q.j, 0.0f);
    EXPECT_EQ(q.k, 0.0f);
    EXPECT_EQ(q.r, 1.0f);
}

// Against double precision on random drags: the axis is p2 x p1 of the sphere points, the
// angle twice the arcsine of their distance over 1.6.
TEST(TrackballMath, RotationOfADragAgainstDouble) {
    std::mt19937 random(163);
    std::uniform_real_distribution<double> coordinate(-1.0, 1.0);
    auto sphere = [](double x, double y) {
        double d = sqrt(x * x + y * y);
        double t = 0.8 * 0.70710677;
        return d < t ? sqrt(0.64 - d * d) : t * t / d;
    };
    for (int i = 0; i < 200; ++i) {
        double x1 = coordinate(random), y1 = coordinate(random);
        double x2 = coordinate(random), y2 = coordinate(random);
        double p1[3] = {x1, y1, sphere(x1, y1)};
        double p2[3] = {x2, y2, sphere(x2, y2)};
        double axis[3] = {p2[1] * p1[2] - p2[2] * p1[1], p2[2] * p1[0] - p2[0] * p1[2],
                          p2[0] * p1[1] - p2[1] * p1[0]};
        double length = sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
        double dx = p1[0] - p2[0], dy = p1[1] - p2[1], dz = p1[2] - p2[2];
        double t = std::min(1.0, sqrt(dx * dx + dy * dy + dz * dz) / 1.6);
        double half = asin(t);
        Quaternion q = dcTrackballQuat((float)x1, (float)y1, (float)x2, (float)y2);
        EXPECT_NEAR(q.i, axis[0] / length * sin(half), 1e-4) << i;
        EXPECT_NEAR(q.j, axis[1] / length * sin(half), 1e-4) << i;
        EXPECT_NEAR(q.k, axis[2] / length * sin(half), 1e-4) << i;
        EXPECT_NEAR(q.r, cos(half), 1e-4) << i;
    }
}

// The matrix of a quaternion turns row vectors by the opposite angle (Rodrigues in double).
TEST(TrackballMath, QuaternionMatricesAgainstDouble) {
    std::mt19937 random(1163);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int i = 0; i < 100; ++i) {
        double a[3] = {unit(random), unit(random), unit(random)};
        double length = sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
        for (double& c : a) c /= length;
        double angle = unit(random) * 3.0;
        double v[3] = {unit(random), unit(random), unit(random)};
        // v rotated by -angle about a.
        double c = cos(-angle), s = sin(-angle);
        double dot = a[0] * v[0] + a[1] * v[1] + a[2] * v[2];
        double cross[3] = {a[1] * v[2] - a[2] * v[1], a[2] * v[0] - a[0] * v[2],
                           a[0] * v[1] - a[1] * v[0]};
        double expected[3];
        for (int k = 0; k < 3; ++k) {
            expected[k] = v[k] * c + cross[k] * s + a[k] * dot * (1 - c);
        }

        Quaternion q = dcAxisAngleToQuat(
            Vector3((float)(a[0] * 3), (float)(a[1] * 3), (float)(a[2] * 3)), (float)angle);
        Matrix34 m;
        dcQuatToMatrix34(q, m);
        EXPECT_EQ(m.d.Mag2(), 0.0f);
        Vector3 turned = m.a * (float)v[0] + m.b * (float)v[1] + m.c * (float)v[2];
        EXPECT_NEAR(turned.x, expected[0], 1e-5) << i;
        EXPECT_NEAR(turned.y, expected[1], 1e-5) << i;
        EXPECT_NEAR(turned.z, expected[2], 1e-5) << i;

        Matrix44 m44;
        dcQuatToMatrix44(q, m44);
        EXPECT_EQ(m44.a.x, m.a.x);
        EXPECT_EQ(m44.c.y, m.c.y);
        EXPECT_EQ(m44.a.w, 0.0f);
        EXPECT_EQ(m44.d.x, 0.0f);
        EXPECT_EQ(m44.d.w, 1.0f);
    }
}

TEST(TrackballMath, ComposingAppliesTheFirstThenTheSecond) {
    Quaternion aboutX = dcAxisAngleToQuat(Vector3(1, 0, 0), 0.5f);
    Quaternion aboutY = dcAxisAngleToQuat(Vector3(0, 1, 0), 0.25f);
    Quaternion both;
    dcComposeQuats(aboutX, aboutY, both);
    Matrix34 mx, my, mboth;
    dcQuatToMatrix34(aboutX, mx);
    dcQuatToMatrix34(aboutY, my);
    dcQuatToMatrix34(both, mboth);
    // Column-vector matrices: the first rotation is applied first, so R = Ry Rx, and with
    // row vectors v Rboth = (v Ry) Rx.
    Matrix34 product;
    product.Dot(my, mx);
    EXPECT_NEAR(product.a.x, mboth.a.x, 1e-6);
    EXPECT_NEAR(product.a.y, mboth.a.y, 1e-6);
    EXPECT_NEAR(product.b.z, mboth.b.z, 1e-6);
    EXPECT_NEAR(product.c.x, mboth.c.x, 1e-6);
}

TEST(TrackballMath, RenormalisingMakesUnitLength) {
    Quaternion q(0, 0, 2, 0);
    dcRenormQuat(q);
    EXPECT_FLOAT_EQ(q.k, 1.0f);
    Quaternion r(1, 1, 1, 1);
    dcRenormQuat(r);
    EXPECT_FLOAT_EQ(r.Dot(r), 1.0f);

    // Every 98th composition renormalises: within 98 compositions of a long quaternion with
    // the identity exactly one result has unit length.
    Quaternion longer(0, 0, 0, 1.5f);
    Quaternion identity(0, 0, 0, 1);
    int units = 0;
    for (int i = 0; i < 98; ++i) {
        Quaternion result;
        dcComposeQuats(longer, identity, result);
        if (fabsf(result.Dot(result) - 1.0f) < 1e-6f) {
            ++units;
        } else {
            EXPECT_FLOAT_EQ(result.r, 1.5f);
        }
    }
    EXPECT_EQ(units, 1);
}

}  // namespace
