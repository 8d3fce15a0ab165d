#include "vector/colour.h"
#include "vector/matrix34.h"
#include "vector/vector2.h"
#include "vector/vector3.h"
#include "vector/vector4.h"

#include "tests/support/child.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

void ExpectVector(const Vector3& v, float x, float y, float z, float tolerance = 1e-6f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

}  // namespace

TEST(Colour, PackColorTruncatesAndWrapsWithoutClamping) {
    struct Case {
        float r, g, b, a;
        uint32_t packed;
    };
    const Case cases[] = {
        {1.0f, 0.5f, 0.0f, 1.0f, 0xFFFF7F00u},
        {1.5f, 0.0f, 0.0f, 0.0f, 0x007E0000u},   // 382 & 0xFF
        {0.0f, 0.0f, -0.5f, 0.0f, 0x00000081u},  // -127 & 0xFF
        {0.0f, 1e20f, 0.0f, 0.0f, 0x00000000u},  // beyond any integer: the hardware's 0x80000000
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PackColor(c.r, c.g, c.b, c.a), c.packed) << c.r << "," << c.g << "," << c.b;
    }
}

TEST(Colour, HsvConversions) {
    Vector3 blue(0.0f, 0.0f, 1.0f);
    blue.RGBtoHSV();
    ExpectVector(blue, 0.6666667f, 1.0f, 1.0f);

    Vector3 grey(0.4f, 0.4f, 0.4f);
    grey.RGBtoHSV();
    ExpectVector(grey, 0.0f, 0.0f, 0.4f);

    Vector3 wrapped(1.25f, 0.8f, 0.6f);
    Vector3 plain(0.25f, 0.8f, 0.6f);
    wrapped.HSVtoRGB();
    plain.HSVtoRGB();
    ExpectVector(wrapped, plain.x, plain.y, plain.z);

    // Negative hues have no sector, also those that truncate to sector 0.
    for (float hue : {-0.25f, -0.1f}) {
        Vector3 negative(hue, 0.5f, 0.5f);
        negative.HSVtoRGB();
        ExpectVector(negative, hue, 0.5f, 0.5f, 0.0f);
    }

    Vector3 round(0.0f, 0.0f, 0.0f);
    for (float hue : {0.05f, 0.2f, 0.4f, 0.55f, 0.7f, 0.9f}) {
        round.Set(hue, 0.6f, 0.8f);
        round.HSVtoRGB();
        round.RGBtoHSV();
        ExpectVector(round, hue, 0.6f, 0.8f, 1e-5f);
    }
}

TEST(Vector3, ApproachConvergesOneAxisAfterAnother) {
    Vector3 v(0.0f, 0.0f, 0.0f);
    const Vector3 target(1.0f, 1.0f, 1.0f);
    const Vector3 steps[] = {{0.6f, 0.0f, 0.0f}, {1.0f, 0.6f, 0.0f}, {1.0f, 1.0f, 0.6f},
                             {1.0f, 1.0f, 1.0f}};
    for (int i = 0; i < 4; ++i) {
        bool arrived = v.Approach(target, 0.3f, 2.0f);
        EXPECT_EQ(arrived, i == 3);
        ExpectVector(v, steps[i].x, steps[i].y, steps[i].z);
    }
}

TEST(Vector3, Angle) {
    struct Case {
        Vector3 a, b;
        float angle;
    };
    const Case cases[] = {
        {{1.0f, 2.0f, 3.0f}, {2.0f, 4.0f, 6.0f}, 0.0f},
        {{1.0f, 0.0f, 0.0f}, {-2.0f, 0.0f, 0.0f}, 3.1415927f},
        {{1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 5.0f}, 1.5707964f},
        {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 0.0f},  // no direction: 0, not NaN
        {{1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.a.Angle(c.b), c.angle) << c.a.x << "," << c.b.x;
    }
}

TEST(Vector3, NormalizeAndInvMagOfZero) {
    Vector3 v(0.0f, 0.0f, 0.0f);
    EXPECT_EQ(v.InvMag(), 0.0f);
    v.Normalize();
    ExpectVector(v, 0.0f, 0.0f, 0.0f, 0.0f);
    Vector3 w(3.0f, 0.0f, 4.0f);
    w.Normalize();
    ExpectVector(w, 0.6f, 0.0f, 0.8f);
}

TEST(Vector3, RotationsAgreeWithMatrixRows) {
    const Vector3 p(0.3f, -1.2f, 2.5f);
    const float angle = 0.7f;
    for (char axis : {'x', 'y', 'z'}) {
        Vector3 rotated = p;
        rotated.Rotate(angle, axis);
        Matrix34 m(Matrix34::sm_Identity);
        if (axis == 'x') {
            m.MakeRotateX(angle);
        } else if (axis == 'y') {
            m.MakeRotateY(angle);
        } else {
            m.MakeRotateZ(angle);
        }
        Vector3 transformed = p;
        transformed.Transform(m);
        ExpectVector(rotated, transformed.x, transformed.y, transformed.z);
    }
    Vector3 unchanged = p;
    unchanged.Rotate(angle, 'w');
    ExpectVector(unchanged, p.x, p.y, p.z, 0.0f);
    // Counter-clockwise looking down +z: x turns toward y.
    Vector3 x(1.0f, 0.0f, 0.0f);
    x.RotateZ(1.5707964f);
    ExpectVector(x, 0.0f, 1.0f, 0.0f);
}

TEST(Vector3, Project2DCodes) {
    const Vector3 p(1.0f, 2.0f, 3.0f);
    const float expected[6][2] = {{2, 3}, {3, 2}, {3, 1}, {1, 3}, {1, 2}, {2, 1}};
    for (int code = 0; code < 6; ++code) {
        Vector2 out(0.0f, 0.0f);
        p.Project2D(code, out);
        EXPECT_EQ(out.x, expected[code][0]) << code;
        EXPECT_EQ(out.y, expected[code][1]) << code;
    }
    Vector2 untouched(7.0f, 8.0f);
    p.Project2D(6, untouched);
    EXPECT_EQ(untouched.x, 7.0f);
    EXPECT_EQ(untouched.y, 8.0f);
}

TEST(Vector3, GetPolar) {
    const Vector3 origin(1.0f, 1.0f, 1.0f);
    Vector4 polar;
    Vector3 centre;
    Vector3(1.0f, 4.0f, 5.0f).GetPolar(origin, polar, centre);
    EXPECT_FLOAT_EQ(polar.x, 5.0f);
    EXPECT_FLOAT_EQ(polar.y, 0.0f);
    EXPECT_FLOAT_EQ(polar.z, std::acos(0.8f));
    EXPECT_EQ(polar.w, 0.0f);
    ExpectVector(centre, 1.0f, 1.0f, 1.0f, 0.0f);

    // At the origin itself: incline 0, not acos(0/0).
    origin.GetPolar(origin, polar, centre);
    EXPECT_EQ(polar.x, 0.0f);
    EXPECT_EQ(polar.z, 0.0f);
}

TEST(Vector3, ExtendLengthensAlongItself) {
    Vector3 v(3.0f, 0.0f, 4.0f);
    v.Extend(5.0f);
    ExpectVector(v, 6.0f, 0.0f, 8.0f, 1e-5f);
}

TEST_CHILD(ExtendZero) {
    Vector3 v(0.0f, 0.0f, 0.0f);
    v.Extend(1.0f);
    return 0;
}

TEST(Vector3, ExtendOfZeroIsAnAssertion) {
    ChildResult result = RunChild("ExtendZero");
    EXPECT_NE(result.m_ExitCode, 0);
    EXPECT_NE(result.m_Output.find("Assert(length != 0.0f) failed in [vector/vector3, line "),
              std::string::npos)
        << result.m_Output;
}

TEST(Vector3, PrintFormats) {
    ConsoleCapture capture;
    Vector3(1.0f, 2.5f, -3.0f).Print();
    Vector3(0.0f, 1.0f, 0.0f).Print("up");
    Vector4(1.0f, 2.0f, 3.0f, 4.0f).Print();
    Vector4(1.0f, 2.0f, 3.0f, 4.0f).Print("plane");
    EXPECT_EQ(capture.Take(),
              "1.000000,2.500000,-3.000000"
              "up: 0.000000,1.000000,0.000000"
              "1.000000,2.000000,3.000000,4.000000\n"
              "plane: 1.000000,2.000000,3.000000,4.000000\n");
}

TEST(Vector4, PlanesAndBounds) {
    Vector4 plane;
    plane.ComputePlane(Vector3(0.0f, 2.0f, 0.0f), Vector3(0.0f, 2.0f, 1.0f), Vector3(1.0f, 2.0f, 0.0f));
    EXPECT_FLOAT_EQ(plane.y, 1.0f);
    EXPECT_FLOAT_EQ(plane.w, 2.0f);
    EXPECT_TRUE(IsBehindPlane(Vector3(5.0f, 2.0f, 5.0f), plane));
    EXPECT_FALSE(IsBehindPlane(Vector3(0.0f, 2.5f, 0.0f), plane));

    Vector4 degenerate;
    degenerate.ComputePlane(Vector3(1.0f, 1.0f, 1.0f), Vector3(1.0f, 1.0f, 1.0f), Vector3(2.0f, 2.0f, 2.0f));
    EXPECT_EQ(degenerate.x, 0.0f);
    EXPECT_EQ(degenerate.w, 0.0f);

    Vector4 lower;
    Vector4 upper;
    const Vector4 p(1.0f, -2.0f, 3.0f, -4.0f);
    const Vector4 q(-1.0f, 2.0f, 0.0f, 4.0f);
    lower.Min(p, q);
    upper.Max(p, q);
    EXPECT_EQ(lower.x, -1.0f);
    EXPECT_EQ(lower.w, -4.0f);
    EXPECT_EQ(upper.y, 2.0f);
    EXPECT_EQ(upper.z, 3.0f);
}

TEST(Vector3, FloatHelpers) {
    EXPECT_EQ(Lerp(0.25f, 2.0f, 6.0f), 3.0f);
    EXPECT_EQ(Maxf(1.0f, 2.0f), 2.0f);
    EXPECT_EQ(Maxf(3.0f, 2.0f), 3.0f);
    EXPECT_EQ(Maxf(__builtin_nanf(""), 2.0f), 2.0f);
}
