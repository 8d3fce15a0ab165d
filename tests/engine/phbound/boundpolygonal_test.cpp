#include "phbound/boundpolygonal.h"

#include <cfloat>
#include <cmath>

#include <gtest/gtest.h>

#include "phbound/impact.h"
#include "phbound/polypair.h"
#include "phcore/isect.h"
#include "phcore/segment.h"
#include "tests/engine/phbound/meshes.h"
#include "tests/support/child.h"

namespace {

phSegment Segment(const Vector3& start, const Vector3& end, int kind) {
    phSegment segment;
    segment.Set(start, end, kind, 0);
    return segment;
}

TEST(ExtendSegment, DoublesShortSegmentsAndAddsMarginsToLongOnes) {
    Vector3 c(1, 2, 3);
    Vector3 p = c + Vector3(0.01f, 0, 0);
    phExtendSegment(p, c, 0.035f);
    EXPECT_NEAR(p.x - c.x, 0.02f, 1e-6f);

    p = c + Vector3(0, 1.0f, 0);
    phExtendSegment(p, c, 0.035f);
    EXPECT_NEAR((p - c).Mag(), 1.0525f, 1e-5f);
    EXPECT_NEAR(p.x, c.x, 1e-6f);

    phCollisionMargin = 0.035f;
    phSegment segment = Segment(Vector3(0, 1, 0), Vector3(0, 0, 0), phSegment::PROBE);
    phExtendSegmentByMargin(segment);
    EXPECT_NEAR(segment.Start.y, 1.0525f, 1e-5f);
    EXPECT_NEAR(segment.InvLength, 1.0f / 1.0525f, 1e-5f);
}

TEST(PolygonalSupport, ProjectionsOfACubeAndSeparatedPairs) {
    TestMesh a;
    MakeUnitCube(a);
    Vector3 local;
    Vector3 x(1, 0, 0);
    EXPECT_FLOAT_EQ(a.GetSupport(x, Translation(5, 0, 0), local), 5.5f);
    EXPECT_FLOAT_EQ(a.GetSupportMin(x, Translation(5, 0, 0), local), 4.5f);
    EXPECT_FLOAT_EQ(local.x, 1.0f);

    TestMesh empty;
    empty.Finish();
    EXPECT_EQ(empty.GetSupport(x, Matrix34::sm_Identity, local), -FLT_MAX);

    TestMesh b;
    MakeUnitCube(b);
    phIsect isectsA[8];
    phIsect isectsB[8];
    int countA = 5;
    int countB = 5;
    Matrix34 ma = Translation(0, 0, 0);
    Matrix34 mb = Translation(3, 0, 0);
    EXPECT_EQ(a.Collide(&b, ma, ma, mb, mb, true, isectsA, countA, isectsB, countB, 8, x), 0);
    EXPECT_EQ(countA, 0);
    EXPECT_EQ(countB, 0);
}

TEST(PolygonalSegments, EdgeSegmentKeepsNearestAndFarthest) {
    TestMesh cube;
    MakeUnitCube(cube);
    phIsect isects[2];
    phSegment segment = Segment(Vector3(0, 5, 0), Vector3(0, -5, 0), phSegment::EDGE);
    ASSERT_EQ(cube.TestEdgeSegment(segment, isects, 2), 2);
    EXPECT_NEAR(isects[0].T, 0.45f, 1e-6f);
    EXPECT_EQ(isects[0].FrontSide, 1u);
    EXPECT_EQ(isects[0].PolyIndex, 2);  // +y
    EXPECT_EQ(isects[0].Polygon, &cube.Polygons[2]);
    EXPECT_NEAR(isects[1].T, 0.55f, 1e-6f);
    EXPECT_EQ(isects[1].FrontSide, 0u);
    EXPECT_EQ(isects[1].PolyIndex, 3);  // -y

    // Two cubes stacked in one bound: four faces crossed, still two records.
    TestMesh stacked;
    for (float y : {0.0f, 2.0f}) {
        int base = stacked.AddVertex(-0.5f, y - 0.5f, -0.5f);
        for (int i = 1; i < 8; ++i) {
            stacked.AddVertex(i & 1 ? 0.5f : -0.5f, y + (i & 2 ? 0.5f : -0.5f),
                              i & 4 ? 0.5f : -0.5f);
        }
        Vector3 up(0, 1, 0);
        stacked.AddFace({base + 2, base + 3, base + 7, base + 6}, up);
        stacked.AddFace({base + 0, base + 1, base + 5, base + 4}, up * -1.0f);
    }
    stacked.Finish();
    ASSERT_EQ(stacked.TestEdgeSegment(segment, isects, 4), 2);
    EXPECT_NEAR(isects[0].T, 0.25f, 1e-6f);
    EXPECT_NEAR(isects[1].T, 0.55f, 1e-6f);
}

TEST_CHILD(EdgeSegmentWithOneRecord) {
    TestMesh cube;
    MakeUnitCube(cube);
    phIsect isect;
    phSegment segment = Segment(Vector3(0, 5, 0), Vector3(0, -5, 0), phSegment::EDGE);
    cube.TestEdgeSegment(segment, &isect, 1);
    return 0;
}

TEST(PolygonalSegments, EdgeSegmentNeedsTwoRecords) {
    ChildResult child = RunChild("EdgeSegmentWithOneRecord");
    EXPECT_NE(child.m_ExitCode, 0);
    EXPECT_NE(child.m_Output.find("Assert(maxi>=2) failed in [phbound/boundpolygonal, line "),
              std::string::npos)
        << child.m_Output;
}

TEST(PolygonalSegments, ProbeTestsAndTheirTieRules) {
    TestMesh mesh;
    int a = mesh.AddVertex(-1, 0, -1);
    int b = mesh.AddVertex(1, 0, -1);
    int c = mesh.AddVertex(1, 0, 1);
    int d = mesh.AddVertex(-1, 0, 1);
    mesh.AddFace({a, b, c, d}, Vector3(0, 1, 0));
    mesh.AddFace({a, b, c}, Vector3(0, 1, 0));
    mesh.Finish();
    phSegment down = Segment(Vector3(0.5f, 1, 0), Vector3(0.5f, -1, 0), phSegment::PROBE);

    phIsect probe;
    ASSERT_TRUE(mesh.TestProbeSegment(down, &probe, 2.0f));
    EXPECT_EQ(probe.PolyIndex, 0);
    EXPECT_EQ(probe.Polygon, &mesh.Polygons[0]);
    EXPECT_FLOAT_EQ(probe.T, 0.5f);

    phIsect point;
    ASSERT_TRUE(mesh.TestProbePoint(down, &point, 2.0f));
    EXPECT_FLOAT_EQ(point.T, 0.5f);
    EXPECT_EQ(point.Polygon, nullptr);
    EXPECT_EQ(point.PolyIndex, -1);
    EXPECT_EQ(point.MaterialIndex, -1);

    // From below, a probe misses the one-sided faces; the AI test is two-sided.
    phSegment up = Segment(Vector3(0.5f, -1, 0), Vector3(0.5f, 1, 0), phSegment::AI);
    EXPECT_FALSE(mesh.TestProbePoint(up, &point, 2.0f));
    phIsect ai;
    ASSERT_TRUE(mesh.TestAIPoint(up, &ai));
    EXPECT_FLOAT_EQ(ai.T, 0.5f);
    phSegment beside = Segment(Vector3(5, -1, 0), Vector3(5, 1, 0), phSegment::AI);
    EXPECT_FALSE(mesh.TestAIPoint(beside, &ai));
}

TEST(PolygonalCollide, VertexPathJustBehindAFaceIsMovedBackAndHits) {
    // A lone point moving from 0.01 to 0.02 under a floor at y = 0.
    TestMesh point;
    point.AddVertex(0, 0, 0);
    point.Finish();
    point.RadiusAroundCentroid = 0.0f;
    TestMesh floor;
    MakeFloor(floor, 2.0f, 0.0f, false);
    phIsect isects[4];
    int count = -1;
    Matrix34 now = Translation(0.2f, -0.02f, 0.1f);
    Matrix34 last = Translation(0.2f, -0.01f, 0.1f);
    Vector3 down(0, -1, 0);
    ASSERT_EQ(point.CollidePolys(&floor, now, Matrix34::sm_Identity, last, Matrix34::sm_Identity,
                                 isects, 4, count, -FLT_MAX, down, true),
              1);
    EXPECT_EQ(count, 1);
    const phIsect& r = isects[0];
    EXPECT_EQ(r.Flags & phIsect::VertexPath, phIsect::VertexPath);
    EXPECT_EQ(r.VertexA, -1);
    EXPECT_EQ(r.VertexB, 0);
    EXPECT_EQ(r.FeatureIndex, 0);
    EXPECT_EQ(r.FrontSide, 1u);
    EXPECT_NEAR(r.Depth, 0.02f, 1e-6f);
    EXPECT_NEAR(r.SegStart.y, 0.0f, 1e-6f);  // moved back onto the plane
    EXPECT_EQ(r.Polygon, &floor.Polygons[0]);
    EXPECT_EQ(r.MovingBound, &point);
    EXPECT_EQ(r.HitBound, &floor);

    // Starting farther behind than 1.5 margins, it is not moved and does not hit.
    last = Translation(0.2f, -0.06f, 0.1f);
    now = Translation(0.2f, -0.07f, 0.1f);
    EXPECT_EQ(point.CollidePolys(&floor, now, Matrix34::sm_Identity, last, Matrix34::sm_Identity,
                                 isects, 4, count, -FLT_MAX, down, true),
              0);
}

TEST(PolygonalCollide, EdgesThroughOneOrTwoFacesAndFarBoundOrigins) {
    // A single vertical edge as bound A, through a unit cube B whose origin lies far from its
    // centroid: the cull measures from the centroid.
    TestMesh stick;
    stick.AddVertex(0, 5, 0);
    stick.AddVertex(0, -5, 0);
    stick.AddFace({0, 1, 1}, Vector3(1, 0, 0));
    stick.Finish();
    TestMesh cube;
    for (int i = 0; i < 8; ++i) {
        cube.AddVertex(100 + (i & 1 ? 0.5f : -0.5f), i & 2 ? 0.5f : -0.5f, i & 4 ? 0.5f : -0.5f);
    }
    cube.AddFace({2, 3, 7, 6}, Vector3(0, 1, 0));
    cube.AddFace({0, 1, 5, 4}, Vector3(0, -1, 0));
    cube.Finish();
    phIsect isects[4];
    int count = 0;
    Matrix34 ma = Translation(100, 0, 0);
    ASSERT_EQ(stick.CollidePolys(&cube, ma, Matrix34::sm_Identity, ma, Matrix34::sm_Identity,
                                 isects, 4, count, -FLT_MAX, Vector3(0, -1, 0), false),
              2);
    EXPECT_EQ(isects[0].PolyIndex, 0);
    EXPECT_EQ(isects[0].FrontSide, 1u);
    EXPECT_NEAR(isects[0].T, 0.45f, 1e-5f);
    EXPECT_EQ(isects[1].PolyIndex, 1);
    EXPECT_EQ(isects[1].FrontSide, 0u);
    EXPECT_EQ(isects[0].Flags, 0);
    EXPECT_EQ(isects[0].FeatureIndex, isects[1].FeatureIndex);
    EXPECT_EQ(isects[0].VertexA, stick.Edges[isects[0].FeatureIndex][0]);

    // Ending inside: one face crossed, one record.
    TestMesh shortStick;
    shortStick.AddVertex(0, 5, 0);
    shortStick.AddVertex(0, 0, 0);
    shortStick.AddFace({0, 1, 1}, Vector3(1, 0, 0));
    shortStick.Finish();
    EXPECT_EQ(shortStick.CollidePolys(&cube, ma, Matrix34::sm_Identity, ma,
                                      Matrix34::sm_Identity, isects, 4, count, -FLT_MAX,
                                      Vector3(0, -1, 0), false),
              1);
}

TEST(PolygonalCollide, SegmentsOfAFallingCubeAgainstAFloor) {
    TestMesh cube;
    MakeUnitCube(cube);
    TestMesh floor;
    MakeFloor(floor, 10.0f, 0.0f, false);
    Matrix34 now = Translation(0, 0.45f, 0);
    Matrix34 last = Translation(0, 0.6f, 0);
    phIsect isects[32];
    int count = -1;
    // Only the bottom corners are near the floor along the downward direction.
    cube.CollideSegments(&floor, now, last, Matrix34::sm_Identity, true, isects, 32, count, 0.0f,
                         Vector3(0, -1, 0));
    int paths = 0;
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(isects[i].HitBound, &floor);
        EXPECT_EQ(isects[i].Polygon, &floor.Polygons[0]);
        if (isects[i].Flags & phIsect::VertexPath) {
            ++paths;
            EXPECT_EQ(isects[i].VertexA, -1);
            EXPECT_LT(cube.Vertices[isects[i].VertexB].y, 0.0f);
        }
    }
    EXPECT_EQ(paths, 4);
    // The upright edges cross the floor too: 4 paths and 4 edges.
    EXPECT_EQ(count, 8);

    // A full buffer stops the segments.
    cube.CollideSegments(&floor, now, last, Matrix34::sm_Identity, true, isects, 3, count, 0.0f,
                         Vector3(0, -1, 0));
    EXPECT_LE(count, 3);
}

TEST(PolygonalCollide, SphereOnAFloor) {
    TestMesh floor;
    MakeFloor(floor, 2.0f, 0.0f, false);
    TestMesh ball;  // stands in for the sphere's bound: only its material is read
    ball.Finish();
    phImpact impacts[4];
    Vector3 down(0, -1, 0);
    ASSERT_EQ(floor.CollideSphere(&ball, Vector3(0, 0.4f, 0), 0.5f, Matrix34::sm_Identity, down,
                                  nullptr, nullptr, impacts, 4),
              1);
    EXPECT_NEAR(impacts[0].Depth, 0.1f, 1e-6f);
    EXPECT_FLOAT_EQ(impacts[0].Normal.y, 1.0f);
    EXPECT_NEAR(impacts[0].Position.y, -0.05f, 1e-6f);
    EXPECT_EQ(impacts[0].Type, phImpact::A_ON_FACE);
    EXPECT_EQ(impacts[0].FeatureB, 0);
    EXPECT_EQ(impacts[0].FeatureA, 0);

    // Over the common side both triangles report the same face contact.
    TestMesh halves;
    MakeFloor(halves, 2.0f, 0.0f, true);
    EXPECT_EQ(halves.CollideSphere(&ball, Vector3(0.25f, 0.4f, 0.25f), 0.5f, Matrix34::sm_Identity,
                                   down, nullptr, nullptr, impacts, 4),
              1);

    // A centre that passed through the floor during the step still collides.
    ASSERT_EQ(floor.CollideSphere(&ball, Vector3(0, -0.6f, 0), 0.5f, Matrix34::sm_Identity,
                                  Vector3(0, 1, 0), nullptr, nullptr, impacts, 4),
              1);
    EXPECT_NEAR(impacts[0].Depth, 1.1f, 1e-5f);
    EXPECT_NEAR(impacts[0].Position.y, -0.55f, 1e-5f);
}

// A vertex record of vertex 3 on polygon 2, its segment one unit long from above, ending at
// the origin.
phIsect VertexRecord(float t, float depth, uint16_t flags) {
    phIsect record;
    record.SegStart = Vector3(0, 1, 0);
    record.SegEnd = Vector3(0, 0, 0);
    record.Normal = Vector3(0, 1, 0);
    record.T = t;
    record.Depth = depth;
    record.VertexB = 3;
    record.PolyIndex = 2;
    record.Flags = flags;
    return record;
}

// A record that sank a fifth of its segment or more before T 0.75 entered too early to trust,
// unless its closing time exempts it.
TEST(IsectToImpact, EarlyHitsGiveNoImpactUnlessExempt) {
    struct Case {
        float t;
        float depth;
        uint16_t flags;
        bool impact;
    };
    const Case cases[] = {
        {0.5f, 0.3f, 0, false},
        {0.5f, 0.3f, phIsect::EarlyExempt, true},
        {0.8f, 0.3f, 0, true},
        {0.5f, 0.1f, 0, true},
        {0.75f, 0.25f, 0, false},
    };
    TestMesh meshA;
    TestMesh meshB;
    phPairSide a;
    a.Bound = &meshA;
    phPairSide b;
    b.Bound = &meshB;
    CollisionMarginScope margin(0.02f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.t);
        for (bool sideA : {true, false}) {
            phIsect record = VertexRecord(c.t, c.depth, c.flags);
            phImpact impact;
            phImpactCursor cursor;
            cursor.Next = &impact;
            cursor.Left = 1;
            phIsectToImpact(a, b, record, cursor, sideA);
            ASSERT_EQ(cursor.Left, c.impact ? 0 : 1);
            ASSERT_EQ(cursor.Next, c.impact ? &impact + 1 : &impact);
            if (!c.impact) {
                continue;
            }
            EXPECT_EQ(impact.Type, sideA ? phImpact::A_ON_FACE : phImpact::B_ON_FACE);
            EXPECT_EQ(impact.FeatureA, sideA ? 3 : 2);
            EXPECT_EQ(impact.FeatureB, sideA ? 2 : 3);
            EXPECT_EQ(impact.Normal.y, sideA ? 1.0f : -1.0f);
            EXPECT_FLOAT_EQ(impact.Position.y, 0.5f * c.depth);
            EXPECT_EQ(impact.Depth, c.depth);
            EXPECT_EQ(impact.Margin, 0.02f);
        }
    }
}

// A vertex path and an edge ending at the same vertex on the same polygon: the path makes the
// impact and marks the edge's record as overlapping, though it runs along the polygon.
TEST(IsectsToImpacts, OtherRecordsOfTheVertexOnTheSamePolygonAreSpent) {
    TestMesh meshA;
    TestMesh floor;
    MakeFloor(floor, 2.0f, 0.0f, true);
    phIsect records[3];
    records[0] = VertexRecord(0.9f, 0.1f, phIsect::VertexPath);
    records[0].SegEnd = Vector3(0, -0.1f, 0);
    records[1] = VertexRecord(0.5f, 0.1f, 0);
    records[1].SegStart = Vector3(-1, -0.1f, 0);
    records[1].SegEnd = Vector3(0, -0.1f, 0);
    records[1].VertexA = 4;
    // The same vertex on the floor's other triangle.
    records[2] = records[1];
    for (phIsect& record : records) {
        record.Polygon = &floor.Polygons[0];
        record.HitBound = &floor;
    }
    records[2].Polygon = &floor.Polygons[1];
    phPairSide a;
    a.Bound = &meshA;
    a.Current = a.Last = Matrix34::sm_Identity;
    phPairSide b;
    b.Bound = &floor;
    b.Current = b.Last = Matrix34::sm_Identity;
    phImpact impacts[2];
    phImpactCursor cursor;
    cursor.Next = impacts;
    cursor.Left = 2;
    phIsectsToImpacts(a, b, 3, records, 3, cursor, true);
    ASSERT_EQ(cursor.Left, 1);
    EXPECT_EQ(impacts[0].FeatureA, 3);
    for (const phIsect& record : records) {
        EXPECT_TRUE(record.Flags & phIsect::Used);
    }
    EXPECT_TRUE(records[1].Flags & phIsect::OverlapPair);
    // Along the polygon on another one: neither against the impact nor along its normal.
    EXPECT_FALSE(records[2].Flags & phIsect::OverlapPair);
}

}  // namespace
