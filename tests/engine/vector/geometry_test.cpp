#include "vector/geometry.h"

#include "tests/engine/vector/matrixcheck.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const Vector3 Square[4] = {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 1.0f}};
const Vector3 Up(0.0f, 1.0f, 0.0f);

}  // namespace

TEST(Geometry, BoundingSphereOfNoPointsAndOnePoint) {
    Vector3 boxMin(1.0f, 1.0f, 1.0f);
    Vector3 boxMax(1.0f, 1.0f, 1.0f);
    Vector3 centre(1.0f, 1.0f, 1.0f);
    float radius = 1.0f;
    geomBoundingSphere(0, nullptr, sizeof(Vector3), &boxMin, &boxMax, &centre, &radius);
    EXPECT_TRUE(boxMin.IsZero() && boxMax.IsZero() && centre.IsZero());
    EXPECT_EQ(radius, 0.0f);

    const Vector3 point(3.0f, -2.0f, 5.0f);
    geomBoundingSphere(1, &point, sizeof(Vector3), &boxMin, &boxMax, &centre, &radius);
    ExpectVectorNear(centre, point, 0.0f);
    ExpectVectorNear(boxMin, point, 0.0f);
    ExpectVectorNear(boxMax, point, 0.0f);
    EXPECT_EQ(radius, 0.0f);
    // Null outputs are skipped.
    geomBoundingSphere(1, &point, sizeof(Vector3), nullptr, nullptr, nullptr, &radius);
}

TEST(Geometry, BoundingSphereContainsEveryPoint) {
    // Points laid out with a stride larger than a Vector3, as in vertex records.
    struct Record {
        Vector3 m_Position;
        float m_Extra;
    };
    Record cube[8];
    for (int i = 0; i < 8; ++i) {
        cube[i].m_Position.Set((i & 1) ? 1.0f : -1.0f, (i & 2) ? 1.0f : -1.0f, (i & 4) ? 1.0f : -1.0f);
        cube[i].m_Extra = 1e9f;
    }
    Vector3 boxMin;
    Vector3 boxMax;
    Vector3 centre;
    float radius = 0.0f;
    geomBoundingSphere(8, &cube[0].m_Position, sizeof(Record), &boxMin, &boxMax, &centre, &radius);
    ExpectVectorNear(boxMin, Vector3(-1.0f, -1.0f, -1.0f), 0.0f);
    ExpectVectorNear(boxMax, Vector3(1.0f, 1.0f, 1.0f), 0.0f);
    for (const Record& r : cube) {
        EXPECT_LE(r.m_Position.Dist(centre), radius + 1e-5f);
    }

    // A cloud whose first diameter misses points, so the growing pass must move the sphere.
    const Vector3 cloud[] = {{-5.0f, 0.0f, 0.0f}, {5.0f, 0.0f, 0.0f}, {0.0f, 4.5f, 3.0f},
                             {1.0f, -4.0f, -3.5f}, {0.0f, 0.0f, 0.5f}};
    Vector4 sphere;
    geomBoundingSphere4(5, cloud, sizeof(Vector3), sphere);
    for (const Vector3& p : cloud) {
        EXPECT_LE(p.Dist(Vector3(sphere.x, sphere.y, sphere.z)), sphere.w + 1e-5f);
    }
    EXPECT_GT(sphere.w, 5.0f);
}

TEST(Geometry, SpherePolygonCases) {
    struct Case {
        Vector3 centre;
        int result;
        int index;
        float depth;
    };
    const Case cases[] = {
        {{0.5f, 0.3f, 0.5f}, 2, 0, 0.2f},            // face
        {{0.5f, 0.0f, -0.5f}, 1, 0, 0.0f},           // in the plane, beyond edge 0
        {{1.2f, 0.0f, 0.5f}, 1, 1, 0.3f},            // beyond edge 1
        {{-0.3f, 0.0f, -0.3f}, 0, 0, 0.0757359f},    // vertex 0
        {{1.3f, 0.0f, 1.3f}, 0, 2, 0.0757359f},      // vertex 2
        {{0.5f, 0.6f, 0.5f}, 3, -1, 0.0f},           // above, out of reach
        {{0.5f, 0.0f, -0.6f}, 3, -1, 0.0f},          // beside edge 0, out of reach
        {{-0.4f, 0.0f, -0.4f}, 3, -1, 0.0f},         // beyond vertex 0, out of reach
        {{0.5f, 0.5f, 0.0f}, 2, 0, 0.0f},            // above an edge midpoint at the radius
    };
    for (const Case& c : cases) {
        Vector3 point;
        Vector3 normal;
        int index = -1;
        float depth = 0.0f;
        int result = geomSpherePolygon(c.centre, 0.5f, Square, 4, Up, point, index, normal, depth);
        EXPECT_EQ(result, c.result) << c.centre.x << "," << c.centre.y << "," << c.centre.z;
        if (result != 3) {
            EXPECT_EQ(index, c.index);
            EXPECT_NEAR(depth, c.depth, 1e-6f);
            EXPECT_NEAR(normal.Mag(), 1.0f, 1e-6f);
        }
    }
}

TEST(Geometry, SegmentSphere) {
    struct Case {
        Vector3 p, d;
        int result;
        float t0, t1;
    };
    const Case cases[] = {
        {{-2.0f, 0.0f, 0.0f}, {4.0f, 0.0f, 0.0f}, 2, 0.25f, 0.75f},
        {{0.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}, 1, 0.5f, 0.0f},     // leaves: the exit
        {{-2.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}, 1, 0.5f, 1.5f},    // enters only
        {{-0.5f, 0.0f, 0.0f}, {0.5f, 0.0f, 0.0f}, 0, 0.0f, 0.0f},    // inside throughout
        {{-2.0f, 2.0f, 0.0f}, {4.0f, 0.0f, 0.0f}, 0, 0.0f, 0.0f},    // miss
        {{-4.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}, 0, 0.0f, 0.0f},    // stops short
        {{2.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0, 0.0f, 0.0f},     // zero segment
    };
    for (const Case& c : cases) {
        float t0 = 0.0f;
        float t1 = 0.0f;
        int result = geomSegmentSphere(c.p, c.d, 1.0f, t0, t1);
        EXPECT_EQ(result, c.result) << c.p.x << "," << c.d.x;
        if (result >= 1) {
            EXPECT_FLOAT_EQ(t0, c.t0);
        }
        if (result == 2 || (result == 1 && c.p.Mag2() > 1.0f)) {
            EXPECT_FLOAT_EQ(t1, c.t1);
        }
    }
}

TEST(Geometry, SegmentCentredBox) {
    float t0 = 0.0f;
    float t1 = 0.0f;
    Vector3 normal0;
    Vector3 normal1;
    int face0 = -1;
    int face1 = -1;
    int result = geomSegmentCentredBox(Vector3(-2.0f, 0.0f, 0.0f), Vector3(4.0f, 0.0f, 0.0f), 1.0f,
                                       1.0f, 1.0f, t0, t1, normal0, normal1, face0, face1);
    EXPECT_EQ(result, 2);
    EXPECT_FLOAT_EQ(t0, 0.25f);
    EXPECT_EQ(face0, 1);
    ExpectVectorNear(normal0, Vector3(-1.0f, 0.0f, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(t1, 0.75f);
    EXPECT_EQ(face1, 0);

    // Hits at exactly t = 0 and t = 1 do not count.
    EXPECT_EQ(geomSegmentCentredBox(Vector3(-1.0f, 0.0f, 0.0f), Vector3(2.0f, 0.0f, 0.0f), 1.0f, 1.0f,
                                    1.0f, t0, t1, normal0, normal1, face0, face1),
              0);
    // From inside up through the top.
    EXPECT_EQ(geomSegmentCentredBox(Vector3(0.0f, 0.0f, 0.0f), Vector3(0.0f, 4.0f, 0.0f), 1.0f, 2.0f,
                                    1.0f, t0, t1, normal0, normal1, face0, face1),
              1);
    EXPECT_EQ(face0, 2);
    EXPECT_FLOAT_EQ(t0, 0.5f);

    for (const Vector3& p : {Vector3(1.0f, 1.0f, 1.0f), Vector3(-1.0f, 0.0f, 0.5f), Vector3(0.0f, 0.0f, 0.0f)}) {
        EXPECT_TRUE(geomPointInBox(p, 1.0f, 1.0f, 1.0f));
    }
    EXPECT_FALSE(geomPointInBox(Vector3(0.0f, 1.01f, 0.0f), 1.0f, 1.0f, 1.0f));
}

TEST(Geometry, SegmentBoxFace) {
    // The +y face (frame (z, x)) of a box with half sizes (1, 2, 3): a segment across it.
    float t0 = 0.0f;
    float t1 = 0.0f;
    int edge0 = -1;
    int edge1 = -1;
    EXPECT_TRUE(geomSegmentBox(Vector3(-2.0f, 2.0f, 0.0f), Vector3(4.0f, 0.0f, 0.0f), Up,
                               Vector3(1.0f, 2.0f, 3.0f), t0, t1, edge0, edge1));
    EXPECT_FLOAT_EQ(t0, 0.25f);
    EXPECT_EQ(edge0, 3);  // v = -hv, v being x in this frame
    EXPECT_FLOAT_EQ(t1, 0.75f);
    EXPECT_EQ(edge1, 1);
    // Wholly beside the face: no hit, both parameters 0.5.
    EXPECT_FALSE(geomSegmentBox(Vector3(5.0f, 2.0f, 5.0f), Vector3(1.0f, 0.0f, 0.0f), Up,
                                Vector3(1.0f, 2.0f, 3.0f), t0, t1, edge0, edge1));
    EXPECT_EQ(t0, 0.5f);
    EXPECT_EQ(t1, 0.5f);
}

TEST(Geometry, PointInPolygonXZ) {
    const Vector3 square[4] = {{0.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 2.0f}, {0.0f, 0.0f, 2.0f}};
    const Vector3 house[5] = {{0.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 2.0f},
                              {1.0f, 0.0f, 3.0f}, {0.0f, 0.0f, 2.0f}};
    // A V whose notch vertex lies straight above the probe, pointing down at it.
    const Vector3 notch[5] = {{0.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 3.0f},
                              {1.0f, 0.0f, 2.0f}, {0.0f, 0.0f, 3.0f}};
    struct Case {
        const Vector3* polygon;
        int n;
        float x, z;
        int inside;
    };
    const Case cases[] = {
        {square, 4, 1.0f, 1.0f, 1},  {square, 4, 3.0f, 1.0f, 0},  {square, 4, 1.0f, -1.0f, 0},
        {house, 5, 1.0f, 1.0f, 1},   {house, 5, 1.0f, 2.5f, 1},   {house, 5, 1.0f, 3.5f, 0},
        {notch, 5, 1.0f, 1.0f, 1},   {notch, 5, 1.0f, 2.5f, 0},   {notch, 5, 1.5f, 2.4f, 1},
        {square, 4, -1.0f, 1.0f, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(geomPointInPolygonXZ(c.x, c.z, c.polygon, c.n), c.inside) << c.x << "," << c.z;
    }
}

TEST(Geometry, SegmentCylinderAndCaps) {
    float t0 = -1.0f;
    float t1 = -1.0f;
    float s0 = -1.0f;
    float s1 = -1.0f;
    // Straight along the axis: no side crossing, and no NaN returned as a hit.
    EXPECT_EQ(geomSegmentCylinder(Vector3(0.5f, -3.0f, 0.0f), Vector3(0.0f, 6.0f, 0.0f), 2.0f, 4.0f, t0,
                                  t1, s0, s1),
              0);
    EXPECT_EQ(geomSegmentCylinder(Vector3(3.0f, -3.0f, 0.0f), Vector3(0.0f, 6.0f, 0.0f), 2.0f, 4.0f, t0,
                                  t1, s0, s1),
              0);
    EXPECT_EQ(t0, -1.0f);

    EXPECT_EQ(geomSegmentCylinder(Vector3(-4.0f, 0.5f, 0.0f), Vector3(8.0f, 0.0f, 0.0f), 2.0f, 4.0f, t0,
                                  t1, s0, s1),
              2);
    EXPECT_FLOAT_EQ(t0, 0.25f);
    EXPECT_FLOAT_EQ(t1, 0.75f);
    EXPECT_FLOAT_EQ(s0, 0.75f);
    EXPECT_FLOAT_EQ(s1, 0.75f);
    EXPECT_EQ(geomSegmentCylinder(Vector3(0.0f, 0.0f, 0.0f), Vector3(4.0f, 1.0f, 0.0f), 2.0f, 4.0f, t0,
                                  t1, s0, s1),
              1);
    EXPECT_FLOAT_EQ(t0, 0.5f);
    EXPECT_FLOAT_EQ(s0, 0.75f);

    // Caps: the sphere of radius 1, only the half on the cap's side.
    EXPECT_EQ(geomSegmentCap(Vector3(0.0f, 2.0f, 0.0f), Vector3(0.0f, -4.0f, 0.0f), 1.0f, t0, t1, true), 1);
    EXPECT_FLOAT_EQ(t0, 0.25f);
    EXPECT_EQ(geomSegmentCap(Vector3(0.0f, 2.0f, 0.0f), Vector3(0.0f, -4.0f, 0.0f), 1.0f, t0, t1, false), 1);
    EXPECT_FLOAT_EQ(t0, 0.75f);
    EXPECT_EQ(geomSegmentCap(Vector3(-2.0f, 0.5f, 0.0f), Vector3(4.0f, 0.0f, 0.0f), 1.0f, t0, t1, true), 2);
    EXPECT_EQ(geomSegmentCap(Vector3(0.0f, 2.0f, 0.0f), Vector3(0.0f, 0.0f, 0.0f), 1.0f, t0, t1, true), 0);

    float t = 0.0f;
    EXPECT_TRUE(geomSegmentDisc(Vector3(0.5f, 1.0f, 0.0f), Vector3(0.0f, -4.0f, 0.0f), 1.0f, t));
    EXPECT_FLOAT_EQ(t, 0.25f);
    EXPECT_FALSE(geomSegmentDisc(Vector3(1.5f, 1.0f, 0.0f), Vector3(0.0f, -4.0f, 0.0f), 1.0f, t));
    EXPECT_FALSE(geomSegmentDisc(Vector3(0.0f, 1.0f, 0.0f), Vector3(0.0f, 1.0f, 0.0f), 1.0f, t));
}

TEST(Geometry, SegmentAxisCylinder) {
    // A cylinder of radius 1 round the line through (0, 0, 5) along (1, 1, 0).
    const Vector3 axisPoint(0.0f, 0.0f, 5.0f);
    const Vector3 axis(1.0f, 1.0f, 0.0f);
    float t0 = 0.0f;
    float t1 = 0.0f;
    EXPECT_EQ(geomSegmentAxisCylinder(Vector3(0.0f, 0.0f, 2.0f), Vector3(0.0f, 0.0f, 6.0f), axisPoint,
                                      axis, 1.0f, t0, t1),
              2);
    EXPECT_FLOAT_EQ(t0, 1.0f / 3.0f);  // z = 4
    EXPECT_FLOAT_EQ(t1, 2.0f / 3.0f);  // z = 6
    EXPECT_EQ(geomSegmentAxisCylinder(Vector3(0.0f, 0.0f, 5.0f), Vector3(0.0f, 0.0f, 2.0f), axisPoint,
                                      axis, 1.0f, t0, t1),
              1);
    EXPECT_FLOAT_EQ(t0, 0.5f);
    EXPECT_EQ(geomSegmentAxisCylinder(Vector3(0.0f, 0.0f, 5.0f), Vector3(3.0f, 3.0f, 0.0f), axisPoint,
                                      axis, 1.0f, t0, t1),
              0);
}

TEST(Geometry, SegmentSegment) {
    float sA = -1.0f;
    float sB = -1.0f;
    // Crossing segments meet inside both.
    EXPECT_TRUE(geomSegmentSegment(Vector3(-1.0f, 0.0f, 0.0f), Vector3(2.0f, 0.0f, 0.0f),
                                   Vector3(0.5f, 1.0f, -1.0f), Vector3(0.0f, 0.0f, 4.0f), sA, sB));
    EXPECT_FLOAT_EQ(sA, 0.75f);
    EXPECT_FLOAT_EQ(sB, 0.25f);
    // The lines meet beyond B's end: the closest pair is B's end and its nearest point on A.
    EXPECT_FALSE(geomSegmentSegment(Vector3(0.0f, 0.0f, 0.0f), Vector3(4.0f, 0.0f, 0.0f),
                                    Vector3(1.0f, 3.0f, 0.0f), Vector3(0.0f, 1.0f, 0.0f), sA, sB));
    EXPECT_FLOAT_EQ(sA, 0.25f);
    EXPECT_FLOAT_EQ(sB, 0.0f);
    // Parallel segments side by side.
    EXPECT_FALSE(geomSegmentSegment(Vector3(0.0f, 0.0f, 0.0f), Vector3(1.0f, 0.0f, 0.0f),
                                    Vector3(3.0f, 1.0f, 0.0f), Vector3(1.0f, 0.0f, 0.0f), sA, sB));
    EXPECT_FLOAT_EQ(sA, 1.0f);
    EXPECT_FLOAT_EQ(sB, 0.0f);
}

TEST(Geometry, ClosestPointsAndAxes) {
    Vector3 closest;
    float numerator = 0.0f;
    const Vector3 p(0.0f, 0.0f, 0.0f);
    const Vector3 d(2.0f, 0.0f, 0.0f);
    EXPECT_EQ(geomClosestPointOnSegment(Vector3(-1.0f, 1.0f, 0.0f), p, d, closest, numerator), 1);
    EXPECT_EQ(geomClosestPointOnSegment(Vector3(1.0f, 1.0f, 0.0f), p, d, closest, numerator), 0);
    ExpectVectorNear(closest, Vector3(1.0f, 0.0f, 0.0f), 0.0f);
    EXPECT_EQ(geomClosestPointOnSegment(Vector3(3.0f, 1.0f, 0.0f), p, d, closest, numerator), 2);
    EXPECT_EQ(geomSegmentParam(p, d, Vector3(0.5f, 7.0f, 0.0f)), 0.25f);
    EXPECT_EQ(geomSegmentParam(p, Vector3(0.0f, 0.0f, 0.0f), Vector3(1.0f, 0.0f, 0.0f)), 0.0f);
    EXPECT_FLOAT_EQ(std::fabs(geomPointLineDistance(Vector3(1.0f, 3.0f, 0.0f), d, p)), 3.0f);

    Vector3 axis;
    float distance = geomLineLineAxis(Vector3(0.0f, 2.0f, 0.0f), Vector3(1.0f, 0.0f, 0.0f),
                                      Vector3(0.0f, 0.0f, 0.0f), Vector3(0.0f, 0.0f, 1.0f), axis,
                                      0.0012217f);
    EXPECT_FLOAT_EQ(distance, 2.0f);
    ExpectVectorNear(axis, Up, 0.0f);
    distance = geomLineLineAxis(Vector3(0.0f, 2.0f, 0.0f), Vector3(1.0f, 0.0f, 0.0f),
                                Vector3(5.0f, 0.0f, 0.0f), Vector3(-3.0f, 0.0f, 0.0f), axis, 0.0012217f);
    EXPECT_FLOAT_EQ(distance, 2.0f);
    ExpectVectorNear(axis, Up, 1e-6f);

    distance = geomHorizontalAxis(Vector3(0.0f, 5.0f, -3.0f), Vector3(1.0f, 0.0f, 0.0f), axis);
    EXPECT_FLOAT_EQ(distance, 3.0f);
    ExpectVectorNear(axis, Vector3(0.0f, 0.0f, -1.0f), 0.0f);
}

TEST(Geometry, CapsuleAgainstEdge) {
    int kind = -1;
    Vector3 normal;
    float depth = 0.0f;
    Vector3 point;
    // The capsule axis crosses over the edge's middle, 0.3 above it.
    EXPECT_EQ(geomCapsulePolygon(Vector3(0.0f, 0.3f, -1.0f), Vector3(0.0f, 0.3f, 1.0f),
                                 Vector3(-1.0f, 0.0f, 0.0f), Vector3(1.0f, 0.0f, 0.0f), 0.5f, kind,
                                 normal, depth, point),
              1);
    EXPECT_EQ(kind, 0);
    EXPECT_FLOAT_EQ(depth, 0.2f);
    ExpectVectorNear(normal, Vector3(0.0f, -1.0f, 0.0f), 1e-6f);
    ExpectVectorNear(point, Vector3(0.0f, 0.3f, 0.0f), 1e-6f);
    // Beside the edge's end: the end decides.
    EXPECT_EQ(geomCapsulePolygon(Vector3(1.2f, 0.3f, -1.0f), Vector3(1.2f, 0.3f, 1.0f),
                                 Vector3(-1.0f, 0.0f, 0.0f), Vector3(1.0f, 0.0f, 0.0f), 0.5f, kind,
                                 normal, depth, point),
              1);
    EXPECT_EQ(kind, 2);
    EXPECT_NEAR(depth, 0.5f - std::sqrt(0.13f), 1e-6f);
    // Too far apart.
    EXPECT_EQ(geomCapsulePolygon(Vector3(0.0f, 0.8f, -1.0f), Vector3(0.0f, 0.8f, 1.0f),
                                 Vector3(-1.0f, 0.0f, 0.0f), Vector3(1.0f, 0.0f, 0.0f), 0.5f, kind,
                                 normal, depth, point),
              3);
}

TEST(Geometry, SegmentVerticalLine) {
    float t = 0.0f;
    float s = 0.0f;
    EXPECT_TRUE(geomSegmentVerticalLine(Vector3(-1.0f, 1.0f, 0.0f), Vector3(2.0f, 0.0f, 0.0f), 0.0f, 4.0f, t, s));
    EXPECT_FLOAT_EQ(t, 0.5f);
    EXPECT_FLOAT_EQ(s, 0.25f);
    // Nearly vertical: overlap along y.
    EXPECT_TRUE(geomSegmentVerticalLine(Vector3(0.0f, -1.0f, 0.0f), Vector3(0.0f, 3.0f, 0.0f), 0.0f, 4.0f, t, s));
    EXPECT_FLOAT_EQ(s, 0.25f);
    EXPECT_FALSE(geomSegmentVerticalLine(Vector3(0.0f, 5.0f, 0.0f), Vector3(0.0f, 1.0f, 0.0f), 0.0f, 4.0f, t, s));
    EXPECT_FLOAT_EQ(s, 1.125f);
    // A zero segment crosses nothing (and divides by nothing).
    EXPECT_FALSE(geomSegmentVerticalLine(Vector3(0.0f, 1.0f, 0.0f), Vector3(0.0f, 0.0f, 0.0f), 0.0f, 4.0f, t, s));
}

TEST(Geometry, PlanesAndTriangles) {
    Vector4 plane(0.0f, 1.0f, 0.0f, 2.0f);
    float t = 0.0f;
    EXPECT_TRUE(geomRayPlane(Vector3(0.0f, 0.0f, 0.0f), Vector3(0.0f, 4.0f, 0.0f), plane, t));
    EXPECT_FLOAT_EQ(t, 0.5f);
    EXPECT_FALSE(geomRayPlane(Vector3(0.0f, 0.0f, 0.0f), Vector3(1.0f, 0.0f, 0.0f), plane, t));

    const Vector3 a(0.0f, 0.0f, 0.0f);
    const Vector3 b(0.0f, 0.0f, 2.0f);
    const Vector3 c(2.0f, 0.0f, 0.0f);
    struct Case {
        Vector3 p;
        bool hit;
    };
    const Case cases[] = {
        {{0.5f, 1.0f, 0.5f}, true},  {{1.0f, 1.0f, 1.0f}, true},    // inside; on the edge b-c
        {{1.5f, 1.0f, 1.5f}, false}, {{-0.1f, 1.0f, 0.5f}, false},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(geomSegmentTriangle(k.p, Vector3(0.0f, -2.0f, 0.0f), a, b, c, t), k.hit) << k.p.x;
    }
    EXPECT_FALSE(geomSegmentTriangle(Vector3(0.5f, 3.0f, 0.5f), Vector3(0.0f, -2.0f, 0.0f), a, b, c, t));

    EXPECT_TRUE(geomIsBelowPlane(Vector3(0.0f, 0.5f, 0.0f), a, Up, 1.0f));
    EXPECT_FALSE(geomIsBelowPlane(Vector3(0.0f, 1.0f, 0.0f), a, Up, 1.0f));
    EXPECT_TRUE(geomSphereTouchesPlane(Vector3(0.0f, -1.0f, 0.0f), a, Up, 1.0f));
    EXPECT_FALSE(geomSphereTouchesPlane(Vector3(0.0f, 1.5f, 0.0f), a, Up, 1.0f));
    EXPECT_EQ(geomClassify(2.0f, 1.0f), 1);
    EXPECT_EQ(geomClassify(-2.0f, 1.0f), -1);
    EXPECT_EQ(geomClassify(1.0f, 1.0f), 0);

    float t0 = 0.8f;
    float t1 = 0.2f;
    int a0 = 1;
    int a1 = 2;
    Vector3 b0(1.0f, 0.0f, 0.0f);
    Vector3 b1(2.0f, 0.0f, 0.0f);
    geomSortPair(t0, t1, a0, a1, b0, b1);
    EXPECT_EQ(t0, 0.2f);
    EXPECT_EQ(a0, 2);
    EXPECT_EQ(b0.x, 2.0f);
}
