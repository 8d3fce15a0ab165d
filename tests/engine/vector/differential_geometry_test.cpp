// Vector operations, rotations, quaternions and the segment and sphere geometry against
// double-precision references: thousands of seeded random cases each, and the degenerate ones
// in tables. Tolerances are in float steps, scaled by the size of the input or the condition
// of the problem.

#include "vector/geometry.h"
#include "vector/matrix34.h"
#include "vector/quaternion.h"

#include "tests/engine/vector/oracle.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const int Cases = 4000;

std::string Text(const Vector3& v) {
    return "(" + std::to_string(v.x) + ", " + std::to_string(v.y) + ", " + std::to_string(v.z) +
           ")";
}

// A vector of random direction at a random scale, every tenth with one component much smaller
// than the others.
Vector3 RandomVector(CaseRandom& random, double low, double high) {
    Dvec v = random.UnitVector() * random.Magnitude(low, high);
    if (random.Next() % 10 == 0) {
        v.y *= 1e-6;
    }
    return random.Floats(v);
}

::testing::AssertionResult Near(Dvec got, Dvec expected, double tolerance) {
    Dvec error = got - expected;
    if (Largest(error) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "(" << got.x << ", " << got.y << ", " << got.z
                                         << ") expected (" << expected.x << ", " << expected.y
                                         << ", " << expected.z << ") within " << tolerance;
}

// Unit-axis rotation of the row-vector convention, in double.
void RotationRows(Dvec axis, double angle, Dvec rows[3]) {
    double c = std::cos(angle);
    double s = std::sin(angle);
    double k = 1.0 - c;
    rows[0] = {axis.x * axis.x * k + c, axis.x * axis.y * k + s * axis.z,
               axis.x * axis.z * k - s * axis.y};
    rows[1] = {axis.x * axis.y * k - s * axis.z, axis.y * axis.y * k + c,
               axis.y * axis.z * k + s * axis.x};
    rows[2] = {axis.x * axis.z * k + s * axis.y, axis.y * axis.z * k - s * axis.x,
               axis.z * axis.z * k + c};
}

}  // namespace

TEST(GeometryDifferential, NormalizeAngleAndCross) {
    CaseRandom random(3);
    for (int i = 0; i < Cases; ++i) {
        // Scales far beyond where squares overflow or vanish.
        Vector3 a = RandomVector(random, -36.0, 36.0);
        Vector3 b = RandomVector(random, -36.0, 36.0);
        Vector3 unit = a;
        unit.Normalize();
        EXPECT_TRUE(Near(D(unit), Unit(D(a)), 4.0 * FloatStep)) << Text(a);

        // acos turns a few float steps of the cosine into that over sin θ, at most their
        // square root next to 0 and π; the angle's own rounding comes on top.
        double cosine = Dot(Unit(D(a)), Unit(D(b)));
        double expected = std::atan2(Length(Cross(Unit(D(a)), Unit(D(b)))), cosine);
        double sine = std::sin(expected);
        double tolerance = std::min(8.0 * FloatStep / sine, std::sqrt(16.0 * FloatStep)) +
                           4.0 * FloatStep * expected;
        EXPECT_NEAR(a.Angle(b), expected, tolerance) << Text(a) << " " << Text(b);

        // The cross product, where it fits in a float: off by a few steps of |a|·|b|.
        Vector3 c = RandomVector(random, -15.0, 15.0);
        Vector3 e = RandomVector(random, -15.0, 15.0);
        Vector3 cross;
        cross.Cross(c, e);
        EXPECT_TRUE(Near(D(cross), Cross(D(c), D(e)), 2.0 * FloatStep * Length(D(c)) * Length(D(e))));
    }
}

TEST(GeometryDifferential, VectorTable) {
    struct Case {
        Vector3 a;
        Vector3 b;
        float angle;
    };
    const float HalfPi = 1.5707964f;
    const Case cases[] = {
        {{1e10f, 0.0f, 0.0f}, {0.0f, 1e10f, 0.0f}, HalfPi},
        {{1e20f, 1e20f, 0.0f}, {0.0f, 0.0f, 3e38f}, HalfPi},
        {{1e-20f, 0.0f, 0.0f}, {0.0f, 0.0f, -1e-25f}, HalfPi},
        {{1e-40f, 0.0f, 0.0f}, {-1e-40f, 0.0f, 0.0f}, 3.1415927f},
        {{3e38f, 3e38f, 3e38f}, {3e38f, 3e38f, 3e38f}, 0.0f},
        {{1.0f, 0.0f, 0.0f}, {1.0f, 1e-30f, 0.0f}, 0.0f},
        {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(c.a.Angle(c.b), c.angle, 4.0 * FloatStep) << Text(c.a) << " " << Text(c.b);
        Vector3 unit = c.a;
        unit.Normalize();
        Dvec expected = c.a.IsZero() ? Dvec{0.0, 0.0, 0.0} : Unit(D(c.a));
        EXPECT_TRUE(Near(D(unit), expected, 4.0 * FloatStep)) << Text(c.a);
    }
}

TEST(GeometryDifferential, RotationsAndQuaternions) {
    CaseRandom random(7);
    for (int i = 0; i < Cases; ++i) {
        // MakeRotate with an axis at any scale.
        Vector3 axis = RandomVector(random, -36.0, 36.0);
        double angle = random.Uniform(-3.14159, 3.14159);
        Matrix34 m(Matrix34::sm_Identity);
        m.MakeRotate(axis, (float)angle);
        Dvec rows[3];
        RotationRows(Unit(D(axis)), (float)angle, rows);
        const Vector3* got[3] = {&m.a, &m.b, &m.c};
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(Near(D(*got[k]), rows[k], 8.0 * FloatStep)) << Text(axis) << " " << angle;
        }

        // A random rotation, every other one within a hair of a half turn.
        Dvec turnAxis = random.UnitVector();
        double turn = (i & 1) ? 3.14159265358979 - random.Magnitude(-8.0, -1.0, true)
                              : random.Uniform(-3.14159, 3.14159);
        RotationRows(turnAxis, turn, rows);
        Matrix34 rotation(random.Floats(rows[0]), random.Floats(rows[1]), random.Floats(rows[2]),
                          Vector3(0.0f, 0.0f, 0.0f));
        Quaternion q;
        q.FromMatrix(rotation);
        double half = turn / 2.0;
        Dvec vector = turnAxis * std::sin(half);
        double scalar = std::cos(half);
        double sign = (q.r * scalar + Dot(Dvec{q.i, q.j, q.k}, vector)) < 0.0 ? -1.0 : 1.0;
        Dvec error = Dvec{q.i, q.j, q.k} * sign - vector;
        EXPECT_LE(std::max(Largest(error), std::fabs(q.r * sign - scalar)), 8.0 * FloatStep)
            << "turn " << turn;

        // And back: the matrix of the quaternion.
        Quaternion exact;
        exact.Set((float)vector.x, (float)vector.y, (float)vector.z, (float)scalar);
        Matrix34 back(Matrix34::sm_Identity);
        back.FromQuaternion(exact);
        const Vector3* backRows[3] = {&back.a, &back.b, &back.c};
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(Near(D(*backRows[k]), rows[k], 8.0 * FloatStep)) << "turn " << turn;
        }
    }
}

TEST(GeometryDifferential, RotationTable) {
    // Half turns and near half turns about axes near and away from the coordinate axes; the
    // scalar part of the quaternion is then near zero.
    const double offsets[] = {0.0, 1e-7, 1e-5, 3e-3, 6.3e-3, 1e-2, 0.1};
    const Dvec axes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, Unit({1, 1, 0}), Unit({1, 2, 3}),
                         Unit({-0.01, 1, 0.02}), Unit({0.003, 0.004, -1})};
    for (double offset : offsets) {
        for (const Dvec& axis : axes) {
            Dvec rows[3];
            double turn = 3.14159265358979 - offset;
            RotationRows(axis, turn, rows);
            Matrix34 rotation(Vector3((float)rows[0].x, (float)rows[0].y, (float)rows[0].z),
                              Vector3((float)rows[1].x, (float)rows[1].y, (float)rows[1].z),
                              Vector3((float)rows[2].x, (float)rows[2].y, (float)rows[2].z),
                              Vector3(0.0f, 0.0f, 0.0f));
            Quaternion q;
            q.FromMatrix(rotation);
            Matrix34 back(Matrix34::sm_Identity);
            back.FromQuaternion(q);
            const Vector3* backRows[3] = {&back.a, &back.b, &back.c};
            for (int k = 0; k < 3; ++k) {
                EXPECT_TRUE(Near(D(*backRows[k]), rows[k], 8.0 * FloatStep))
                    << "offset " << offset << " axis " << axis.x << "," << axis.y << "," << axis.z;
            }
        }
    }
    // Axes too large or small to square.
    const Vector3 scaledAxes[] = {{1e20f, 1e20f, 0.0f}, {1e-25f, -1e-25f, 1e-25f},
                                  {3e-39f, 0.0f, 3e-39f}};
    for (const Vector3& axis : scaledAxes) {
        Matrix34 m(Matrix34::sm_Identity);
        m.MakeRotate(axis, 0.5f);
        Dvec rows[3];
        RotationRows(Unit(D(axis)), 0.5f, rows);
        EXPECT_TRUE(Near(D(m.a), rows[0], 8.0 * FloatStep)) << Text(axis);
        EXPECT_TRUE(Near(D(m.c), rows[2], 8.0 * FloatStep)) << Text(axis);
    }
}

namespace {

// Closest distance of two segments in double: the line solution when inside both, else the
// best of the four ends against the other segment.
double ParamOn(Dvec p, Dvec d, Dvec point) {
    double dd = Dot(d, d);
    return dd == 0.0 ? 0.0 : std::min(1.0, std::max(0.0, Dot(point - p, d) / dd));
}

double SegmentDistance(Dvec pA, Dvec dA, Dvec pB, Dvec dB) {
    Dvec n = Cross(dA, dB);
    double nn = Dot(n, n);
    double best = HUGE_VAL;
    if (nn > 0.0) {
        Dvec w = pB - pA;
        double sA = Dot(Cross(w, dB), n) / nn;
        double sB = Dot(Cross(w, dA), n) / nn;
        if (sA >= 0.0 && sA <= 1.0 && sB >= 0.0 && sB <= 1.0) {
            best = Length((pA + dA * sA) - (pB + dB * sB));
        }
    }
    auto consider = [&](Dvec point, Dvec p, Dvec d) {
        best = std::min(best, Length(point - (p + d * ParamOn(p, d, point))));
    };
    consider(pA, pB, dB);
    consider(pA + dA, pB, dB);
    consider(pB, pA, dA);
    consider(pB + dB, pA, dA);
    return best;
}

// The distance at the parameters returned, against the true closest distance. The float
// formula's denominator a·c − b² carries a few float steps of a·c, so its parameters may be off
// by that over sin²θ; the distance is off by that much of the segments' size at most.
::testing::AssertionResult SegmentsMatch(const Vector3& pA, const Vector3& dA, const Vector3& pB,
                                         const Vector3& dB) {
    float sA = -1.0f;
    float sB = -1.0f;
    bool inside = geomSegmentSegment(pA, dA, pB, dB, sA, sB);
    if (!(sA >= 0.0f && sA <= 1.0f && sB >= 0.0f && sB <= 1.0f)) {
        return ::testing::AssertionFailure() << "parameters " << sA << ", " << sB;
    }
    Dvec a = D(pA), da = D(dA), b = D(pB), db = D(dB);
    double got = Length((a + da * sA) - (b + db * sB));
    double expected = SegmentDistance(a, da, b, db);
    double size = std::max({Length(da), Length(db), Length(b - a), 1e-30});
    double lengths = Dot(da, da) * Dot(db, db);
    double sine2 = lengths > 0.0 ? Dot(Cross(da, db), Cross(da, db)) / lengths : 1.0;
    double tolerance = 16.0 * FloatStep * size * std::min(1.0 / std::max(sine2, 1e-30), 1e4);
    if (!(got <= expected + tolerance)) {
        return ::testing::AssertionFailure()
               << "distance " << got << " at " << sA << ", " << sB << " (" << inside
               << "), expected " << expected << " within " << tolerance;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(GeometryDifferential, SegmentSegment) {
    CaseRandom random(11);
    for (int i = 0; i < Cases; ++i) {
        double scale = random.Magnitude(-3.0, 3.0);
        Vector3 pA = random.Floats(random.UnitVector() * scale * random.Uniform(0.0, 2.0));
        Vector3 dA = random.Floats(random.UnitVector() * scale * random.Uniform(0.1, 2.0));
        Vector3 pB = random.Floats(random.UnitVector() * scale * random.Uniform(0.0, 2.0));
        Dvec direction = random.UnitVector();
        if (i % 3 == 0) {
            // Nearly or exactly parallel to A.
            direction = Unit(D(dA) + random.UnitVector() * Length(D(dA)) *
                                         ((i % 2) ? random.Magnitude(-8.0, -1.0) : 0.0));
        }
        Vector3 dB = random.Floats(direction * scale * random.Uniform(0.1, 2.0) *
                                   ((random.Next() & 1) ? -1.0 : 1.0));
        EXPECT_TRUE(SegmentsMatch(pA, dA, pB, dB)) << i;
    }
}

TEST(GeometryDifferential, SegmentSegmentTable) {
    struct Case {
        Vector3 pA, dA, pB, dB;
        bool inside;
    };
    const Case cases[] = {
        // Parallel, side by side over part of their length: 0.8165 apart, not 1.0.
        {{0, 0, 0}, {1, 1, 1}, {0, 1, 0}, {0.7f, 0.7f, 0.7f}, true},
        {{0, 0, 0}, {1, 1, 1}, {0.7f, 1.7f, 0.7f}, {-0.7f, -0.7f, -0.7f}, true},
        // Collinear and apart, or one end touching.
        {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1, 0, 0}, false},
        {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, true},
        // The same segment twice, and crossing at a tiny angle.
        {{1, 2, 3}, {3, -1, 2}, {1, 2, 3}, {3, -1, 2}, true},
        {{0, 0, 0}, {1000, 0, 0}, {0, 0.001f, 0}, {1000, -0.002f, 0}, true},
        // A point against a segment.
        {{0.5f, 1, 0}, {0, 0, 0}, {0, 0, 0}, {1, 0, 0}, false},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(SegmentsMatch(c.pA, c.dA, c.pB, c.dB)) << Text(c.pA) << Text(c.dA);
        float sA = 0.0f;
        float sB = 0.0f;
        EXPECT_EQ(c.inside, geomSegmentSegment(c.pA, c.dA, c.pB, c.dB, sA, sB))
            << Text(c.pA) << Text(c.dA);
    }
}

namespace {

// Distance from a point to a convex polygon in double: the plane distance when the point lies
// over the polygon, else the distance to the nearest edge. Signed for the face case, as the
// depth of a face contact counts from the plane.
double PolygonDistance(Dvec centre, const Vector3* vertices, int n, Dvec normal, bool* face) {
    bool over = true;
    double nearest = HUGE_VAL;
    for (int i = 0; i < n; ++i) {
        Dvec v0 = D(vertices[i]);
        Dvec v1 = D(vertices[(i + 1) % n]);
        Dvec e = v1 - v0;
        if (Dot(Cross(e, normal), centre - v0) < 0.0) {
            over = false;
        }
        Dvec closest = v0 + e * ParamOn(v0, e, centre);
        nearest = std::min(nearest, Length(centre - closest));
    }
    *face = over;
    return over ? Dot(centre - D(vertices[0]), normal) : nearest;
}

::testing::AssertionResult SphereMatches(const Vector3& centre, float radius,
                                         const Vector3* vertices, int n, const Vector3& normal,
                                         double size) {
    Vector3 point;
    Vector3 outNormal;
    int index = -1;
    float depth = 0.0f;
    int kind = geomSpherePolygon(centre, radius, vertices, n, normal, point, index, outNormal,
                                 depth);
    bool face = false;
    double distance = PolygonDistance(D(centre), vertices, n, D(normal), &face);
    // The edge distance comes from squared lengths: rounded to float steps of size², it is
    // off by that over the distance.
    double tolerance = 16.0 * FloatStep * size * (1.0 + size / std::max(std::fabs(distance), 1e-3 * size));
    // Contact decided within the rounding of the inputs is not checked.
    if (std::fabs(std::fabs(distance) - radius) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    bool touches = std::fabs(distance) < radius;
    if (touches != (kind != 3)) {
        return ::testing::AssertionFailure() << "kind " << kind << " for distance " << distance
                                             << " and radius " << radius;
    }
    if (touches && !(std::fabs(depth - (radius - distance)) <= tolerance)) {
        return ::testing::AssertionFailure() << "kind " << kind << " depth " << depth
                                             << ", expected " << radius - distance;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(GeometryDifferential, SpherePolygon) {
    CaseRandom random(5);
    for (int i = 0; i < Cases; ++i) {
        // A random convex polygon in a random plane: points on an ellipse, some of them thin
        // (sharp corners).
        double scale = random.Magnitude(-2.0, 2.0);
        Dvec normal = random.UnitVector();
        Dvec u = Unit(Cross(normal, random.UnitVector()));
        // Counter-clockwise seen from the side the normal points to, as the contact code expects.
        Dvec v = Cross(u, normal);
        double stretch = (i % 4 == 0) ? random.Magnitude(-2.0, 0.0) : 1.0;
        int n = 3 + (int)(random.Next() % 4);
        double angles[6];
        for (int k = 0; k < n; ++k) {
            angles[k] = random.Uniform(0.0, 6.283185307179586);
        }
        std::sort(angles, angles + n);
        Vector3 vertices[6];
        Dvec centreOfPolygon = random.UnitVector() * scale;
        for (int k = 0; k < n; ++k) {
            vertices[k] = random.Floats(centreOfPolygon + u * (scale * std::cos(angles[k])) +
                                        v * (scale * stretch * std::sin(angles[k])));
        }
        Vector3 floatNormal = random.Floats(normal);
        Vector3 centre = random.Floats(centreOfPolygon + random.UnitVector() * scale *
                                                              random.Uniform(0.0, 2.5));
        float radius = (float)(scale * random.Uniform(0.05, 1.5));
        EXPECT_TRUE(SphereMatches(centre, radius, vertices, n, floatNormal, scale * 3.0)) << i;
    }
}

TEST(GeometryDifferential, SpherePolygonTable) {
    struct Case {
        Vector3 centre;
        float radius;
    };
    // A triangle with a sharp corner at (10, 0, 0): beyond it the centre is outside one edge
    // and inside the next.
    const Vector3 sharp[3] = {{0, 0, 0}, {10, 0, 0}, {0, 0, 1}};
    const Vector3 up(0.0f, 1.0f, 0.0f);
    const Case cases[] = {
        {{10.5f, 0.0f, 0.5f}, 1.5f},
        {{10.5f, 0.3f, 0.2f}, 1.0f},
        {{11.0f, 0.0f, 0.3f}, 1.2f},
        {{-0.5f, 0.0f, 1.5f}, 1.0f},
        {{5.0f, 0.5f, 0.2f}, 0.6f},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(SphereMatches(c.centre, c.radius, sharp, 3, up, 10.0)) << Text(c.centre);
    }
}
