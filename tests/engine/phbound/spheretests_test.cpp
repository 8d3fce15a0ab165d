#include "phbound/spheretests.h"

#include <cmath>

#include <gtest/gtest.h>

#include "phcore/isect.h"
#include "phcore/segment.h"
#include "tests/engine/phbound/meshes.h"

namespace {

phSegment Segment(const Vector3& start, const Vector3& end) {
    phSegment segment;
    segment.Set(start, end, phSegment::PROBE, 0);
    return segment;
}

TEST(SegmentEntersSphere, EntryPointNormalAndParameter) {
    phIsect hit;
    ASSERT_TRUE(phSegmentEntersSphere(Vector3(0, 0, 0), 1.0f,
                                      Segment(Vector3(-2, 0, 0), Vector3(2, 0, 0)), hit));
    EXPECT_FLOAT_EQ(hit.T, 0.25f);
    EXPECT_FLOAT_EQ(hit.Position.x, -1.0f);
    EXPECT_FLOAT_EQ(hit.Normal.x, -1.0f);
    EXPECT_FLOAT_EQ(hit.Normal.y, 0.0f);

    ASSERT_TRUE(phSegmentEntersSphere(Vector3(0, 0, 0), 1.0f,
                                      Segment(Vector3(-2, 1, 0), Vector3(2, 1, 0)), hit));
    EXPECT_FLOAT_EQ(hit.T, 0.5f);
    EXPECT_FLOAT_EQ(hit.Position.y, 1.0f);
}

TEST(SegmentEntersSphere, MissesStartsInsideAndDegenerateSegments) {
    struct Case {
        Vector3 start;
        Vector3 end;
        float radius;
    };
    const Case cases[] = {
        {Vector3(0.5f, 0, 0), Vector3(3, 0, 0), 1.0f},    // starts inside, leaves
        {Vector3(-0.5f, 0, 0), Vector3(3, 0, 0), 1.0f},   // starts inside, crosses
        {Vector3(-3, 0, 0), Vector3(-2, 0, 0), 1.0f},     // ends before the sphere
        {Vector3(-2, 1.5f, 0), Vector3(2, 1.5f, 0), 1.0f},  // passes by
        {Vector3(2, 0, 0), Vector3(3, 0, 0), 1.0f},       // runs away
        {Vector3(-2, 0, 0), Vector3(-2, 0, 0), 1.0f},     // no length
        {Vector3(0, 0, 0), Vector3(0, 0, 0), 1.0f},       // no length, at the centre
        {Vector3(-2, 0, 0), Vector3(2, 0, 0), 0.0f},      // through a sphere without size
    };
    for (const Case& c : cases) {
        phIsect hit;
        hit.T = 7.0f;
        EXPECT_FALSE(phSegmentEntersSphere(Vector3(0, 0, 0), c.radius, Segment(c.start, c.end),
                                           hit))
            << c.start.x << " " << c.start.y << " -> " << c.end.x;
        EXPECT_EQ(hit.T, 7.0f);
    }
}

TEST(SegmentNearPoint, RulesOfTheNearestPoint) {
    const float d = 1.0f;
    struct Case {
        const char* name;
        Vector3 p0;
        Vector3 p1;
        float distance;
        bool near;
    };
    const Case cases[] = {
        {"perpendicular, exactly at d", Vector3(-1, 1, 0), Vector3(1, 1, 0), d, true},
        {"perpendicular, d less 1e-6", Vector3(-1, 1, 0), Vector3(1, 1, 0), d - 1e-6f, false},
        {"p0 nearest, at d", Vector3(0, 1, 0), Vector3(0, 3, 0), d, true},
        {"p0 nearest, beyond", Vector3(0, 1.5f, 0), Vector3(0, 3, 0), d, false},
        {"p1 nearest, at d", Vector3(0, 3, 0), Vector3(0, 1, 0), d, true},
        {"p1 nearest, beyond", Vector3(0, 3, 0), Vector3(0, 1.5f, 0), d, false},
        {"zero length, inside", Vector3(0.5f, 0, 0), Vector3(0.5f, 0, 0), d, true},
        {"zero length, outside", Vector3(2, 0, 0), Vector3(2, 0, 0), d, false},
        {"through the point", Vector3(-5, 0, 0), Vector3(5, 0, 0), 0.0f, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(phSegmentNearOrigin(c.distance, Segment(c.p0, c.p1)), c.near) << c.name;
        EXPECT_EQ(phSegmentNearOriginSq(c.distance * c.distance, c.p0, c.p1), c.near) << c.name;
        Vector3 shift(3, -2, 7);
        EXPECT_EQ(phSegmentNearPoint(shift, c.distance, Segment(c.p0 + shift, c.p1 + shift)),
                  c.near)
            << c.name;
    }
}

TEST(SphereHitsPolygons, NoPolygonTouchedLeavesDepthZero) {
    TestMesh floor;
    MakeFloor(floor, 1.0f, 0.0f, false);
    Vector3 position;
    Vector3 normal;
    float depth = 5.0f;
    EXPECT_FALSE(phSphereHitsPolygons(Vector3(0, 0.6f, 0), 0.5f, floor, position, normal, depth));
    EXPECT_EQ(depth, 0.0f);
}

TEST(SphereHitsPolygons, LocalAndWorldPositionsLieOnEitherSideOfTheOverlap) {
    TestMesh floor;
    MakeFloor(floor, 1.0f, 0.0f, false);
    Vector3 position;
    Vector3 normal;
    float depth = 0.0f;
    ASSERT_TRUE(phSphereHitsPolygons(Vector3(0, 0.4f, 0), 0.5f, floor, position, normal, depth));
    EXPECT_NEAR(depth, 0.1f, 1e-6f);
    EXPECT_FLOAT_EQ(normal.y, 1.0f);
    EXPECT_NEAR(position.y, 0.0f, 1e-6f);  // the polygon's surface

    Matrix34 matrix = Translation(10, 20, 30);
    ASSERT_TRUE(phSphereHitsPolygonsWorld(Vector3(10, 20.4f, 30), 0.5f, floor, matrix, position,
                                          normal, depth));
    EXPECT_NEAR(depth, 0.1f, 1e-5f);
    EXPECT_NEAR(position.y, 19.9f, 1e-5f);  // the sphere's deepest point
    EXPECT_NEAR(position.x, 10.0f, 1e-5f);
    EXPECT_FLOAT_EQ(normal.y, 1.0f);
}

TEST(SphereHitsPolygons, TiesKeepTheEarlierPolygonAndRadiusDeepIsIgnored) {
    // Two coplanar squares side by side; a sphere over their common side reaches both equally.
    TestMesh mesh;
    int a = mesh.AddVertex(-1, 0, -1);
    int b = mesh.AddVertex(0, 0, -1);
    int c = mesh.AddVertex(0, 0, 1);
    int d = mesh.AddVertex(-1, 0, 1);
    int e = mesh.AddVertex(1, 0, -1);
    int f = mesh.AddVertex(1, 0, 1);
    mesh.AddFace({a, b, c, d}, Vector3(0, 1, 0));
    mesh.AddFace({b, e, f, c}, Vector3(0, 1, 0));
    mesh.Finish();
    Vector3 position;
    Vector3 normal;
    float depth = 0.0f;
    ASSERT_TRUE(phSphereHitsPolygons(Vector3(0, 0.3f, 0), 0.5f, mesh, position, normal, depth));
    // The first square reports its side point from the edge case of the sphere test, which
    // lies on the common side; the second would give the same depth.
    EXPECT_NEAR(depth, 0.2f, 1e-6f);
    EXPECT_LE(position.x, 0.0f);

    // A centre below the plane gives a depth beyond the radius: not counted.
    EXPECT_FALSE(phSphereHitsPolygons(Vector3(-0.5f, -0.3f, 0), 0.5f, mesh, position, normal,
                                      depth));
    EXPECT_EQ(depth, 0.0f);
}

TEST(SphereHitsPolygons, WorldFormFindsBoundsWhoseCentroidLiesFarFromTheirOrigin) {
    // A floor square 100 along x from its bound's origin: measured from the origin, the radius
    // about the centroid would reject every sphere that touches it.
    TestMesh floor;
    floor.AddVertex(99, 0, -1);
    floor.AddVertex(101, 0, -1);
    floor.AddVertex(101, 0, 1);
    floor.AddVertex(99, 0, 1);
    floor.AddFace({0, 1, 2, 3}, Vector3(0, 1, 0));
    floor.Finish();
    Vector3 position;
    Vector3 normal;
    float depth = 0.0f;
    ASSERT_TRUE(phSphereHitsPolygonsWorld(Vector3(105, 10.4f, 0), 0.5f, floor,
                                          Translation(5, 10, 0), position, normal, depth));
    EXPECT_NEAR(depth, 0.1f, 1e-5f);
    EXPECT_NEAR(position.x, 105.0f, 1e-4f);
    EXPECT_NEAR(position.y, 9.9f, 1e-5f);
    EXPECT_FLOAT_EQ(normal.y, 1.0f);
    EXPECT_FALSE(phSphereHitsPolygonsWorld(Vector3(105, 11.0f, 0), 0.5f, floor,
                                           Translation(5, 10, 0), position, normal, depth));
}

}  // namespace
