#include <cfloat>
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "phbound/boundpolygonal.h"
#include "phbound/impact.h"
#include "phbound/polypair.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "tests/engine/phbound/meshes.h"

namespace {

phPairSide Side(phBoundPolygonal& bound, phIsect* isects, int count) {
    phPairSide side;
    side.Bound = &bound;
    side.Current = Matrix34::sm_Identity;
    side.Last = Matrix34::sm_Identity;
    side.Isects = isects;
    side.Count = count;
    return side;
}

// An edge record of feature 0 from start to end, crossing its polygon at the position.
phIsect EdgeRecord(const Vector3& start, const Vector3& end, const Vector3& position,
                   const Vector3& normal, const Vector3& edgeNormal) {
    phIsect record;
    record.SegStart = start;
    record.SegEnd = end;
    record.Position = position;
    record.Normal = normal;
    record.EdgeNormal = edgeNormal;
    record.Depth = 1.0f;
    record.T = 0.5f;
    record.FrontSide = 1;
    record.FeatureIndex = 0;
    record.VertexA = 0;
    record.VertexB = 1;
    return record;
}

struct Point {
    double x, y, z;
};

Point Of(const Vector3& v) {
    return {v.x, v.y, v.z};
}

Point Minus(const Point& a, const Point& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

double Dot(const Point& a, const Point& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Random pairs of edges against the closest points of their lines in double: edges that
// reach each other's line well inside give those points and their distance, with the normal
// from B's edge towards A's; edges whose closest point lies clearly beyond an end are refused.
TEST(EdgeEdgeClosest, AgreesWithTheLinesClosestPointsInDouble) {
    std::mt19937 random(109);
    std::uniform_real_distribution<float> coordinate(-2.0f, 2.0f);
    int inside = 0;
    int outside = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        Vector3 a0(coordinate(random), coordinate(random), coordinate(random));
        Vector3 a1(coordinate(random), coordinate(random), coordinate(random));
        Vector3 b0(coordinate(random), coordinate(random), coordinate(random));
        Vector3 b1(coordinate(random), coordinate(random), coordinate(random));
        Point u = Minus(Of(a1), Of(a0));
        Point v = Minus(Of(b1), Of(b0));
        Point w = Minus(Of(a0), Of(b0));
        double uu = Dot(u, u);
        double uv = Dot(u, v);
        double vv = Dot(v, v);
        double denominator = uu * vv - uv * uv;
        // Near-parallel edges are ill-conditioned in float: left out.
        if (denominator < 0.05 * uu * vv) {
            continue;
        }
        double s = (uv * Dot(v, w) - vv * Dot(u, w)) / denominator;
        double t = (uu * Dot(v, w) - uv * Dot(u, w)) / denominator;
        Vector3 n;
        Vector3 pA;
        Vector3 pB;
        float distance = -1.0f;
        bool valid = phEdgeEdgeClosest(a0, a1, a1 - a0, b0, b1, b1 - b0, n, pA, pB, distance);
        SCOPED_TRACE(trial);
        if (s > 0.02 && s < 0.98 && t > 0.02 && t < 0.98) {
            ++inside;
            ASSERT_TRUE(valid);
            Point qA = {a0.x + s * u.x, a0.y + s * u.y, a0.z + s * u.z};
            Point qB = {b0.x + t * v.x, b0.y + t * v.y, b0.z + t * v.z};
            Point gap = Minus(qA, qB);
            double length = std::sqrt(Dot(gap, gap));
            EXPECT_NEAR(distance, length, 2e-5);
            EXPECT_NEAR(pA.x, qA.x, 2e-4);
            EXPECT_NEAR(pA.y, qA.y, 2e-4);
            EXPECT_NEAR(pA.z, qA.z, 2e-4);
            EXPECT_NEAR(pB.x, qB.x, 2e-4);
            EXPECT_NEAR(pB.y, qB.y, 2e-4);
            EXPECT_NEAR(pB.z, qB.z, 2e-4);
            if (length > 1e-3) {
                EXPECT_NEAR(Dot(Of(n), gap) / length, 1.0, 1e-4);
            }
        } else if (s < -0.02 || s > 1.02 || t < -0.02 || t > 1.02) {
            ++outside;
            EXPECT_FALSE(valid);
        }
    }
    EXPECT_GT(inside, 200);
    EXPECT_GT(outside, 1000);
}

// One edge of A along x through the origin, two edges of B along z above it at heights d and
// sideways offsets e; A rises at one unit a second, too slowly to close either gap within the
// step. A keeps the partner with the smaller 4 d^2 + e^2: the nearer edge wins only when its
// sideways offset does not outweigh four times the squared gap it saves.
TEST(EdgeEdgeImpacts, BestPartnerWeighsTheGapFourTimes) {
    struct Case {
        float e2;  // the nearer edge's offset; the farther one lies straight above
        int partner;
    };
    const Case cases[] = {{0.12f, 1}, {0.18f, 0}};
    const float d1 = 0.1f;
    const float d2 = 0.05f;
    CollisionMarginScope margin(0.01f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.e2);
        TestMesh meshA;
        TestMesh meshB;
        phIsect isectsA[1] = {EdgeRecord(Vector3(-1, 0, 0), Vector3(1, 0, 0), Vector3(0, 0, 0),
                                         Vector3(1, 0, 0), Vector3(0, -1, 0))};
        phIsect isectsB[2];
        const float offsets[2] = {0.0f, c.e2};
        const float heights[2] = {d1, d2};
        for (int j = 0; j < 2; ++j) {
            float e = offsets[j];
            float d = heights[j];
            isectsB[j] = EdgeRecord(Vector3(e, d, -1), Vector3(e, d, 1), Vector3(e, d, 0),
                                    Vector3(0, -1, 0), Vector3(0, 1, 0));
            isectsB[j].FeatureIndex = 10 + j;
        }
        phPrepareIsects(isectsA, 1);
        phPrepareIsects(isectsB, 2);
        phPairSide a = Side(meshA, isectsA, 1);
        a.Last = Translation(0, -1.0f / phPhysicsRate, 0);
        phPairSide b = Side(meshB, isectsB, 2);
        phImpact impacts[4];
        phImpactCursor cursor;
        cursor.Next = impacts;
        cursor.Left = 4;
        phEdgeEdgeImpacts(a, b, cursor);
        EXPECT_EQ(isectsA[0].BestPartner, c.partner);
        ASSERT_GE(cursor.Left, 0);
        ASSERT_GT(4 - cursor.Left, 0);
        // A's impact comes first: its pair's middle, the gap as depth, pointing from A to B.
        const phImpact& impact = impacts[0];
        EXPECT_EQ(impact.Type, phImpact::EDGE_EDGE);
        EXPECT_EQ(impact.FeatureA, 0);
        EXPECT_EQ(impact.FeatureB, 10 + c.partner);
        EXPECT_NEAR(impact.Depth, heights[c.partner], 1e-6f);
        EXPECT_NEAR(impact.Position.x, offsets[c.partner], 1e-6f);
        EXPECT_NEAR(impact.Position.y, 0.5f * heights[c.partner], 1e-6f);
        EXPECT_NEAR(impact.Normal.y, 1.0f, 1e-6f);
    }
}

// The side of the floor square (half-size 2) whose corners both have the given x or z.
int FloorSide(const TestMesh& floor, int axis, float value) {
    const phPolygon& polygon = floor.Polygons[0];
    for (int k = 0; k < 4; ++k) {
        const Vector3& p = floor.Vertices[polygon.VertexIndex[k]];
        const Vector3& q = floor.Vertices[polygon.VertexIndex[(k + 1) % 4]];
        if ((&p.x)[axis] == value && (&q.x)[axis] == value) {
            return k;
        }
    }
    return -1;
}

// An upright edge of A (feature 0) through the floor polygon at (x, 0, z), its edge normal
// facing away from the sides x = 2 and z = 2.
phIsect UprightRecord(float x, float z, TestMesh& floor) {
    phIsect record = EdgeRecord(Vector3(x, 0.5f, z), Vector3(x, -0.5f, z), Vector3(x, 0, z),
                                Vector3(0, 1, 0), Vector3(-0.70710678f, 0, -0.70710678f));
    record.Polygon = &floor.Polygons[0];
    record.HitBound = &floor;
    return record;
}

// The records of A, moving from last to rest, against the floor's sides; returns the impacts.
int EdgeContacts(phIsect* isects, int count, const Matrix34& last, TestMesh& floor,
                 phImpact* impacts, int maxImpacts) {
    TestMesh stick;
    phPairSide a = Side(stick, isects, count);
    a.Last = last;
    phPairSide b = Side(floor, nullptr, 0);
    phImpactCursor cursor;
    cursor.Next = impacts;
    cursor.Left = maxImpacts;
    phEdgeContactImpacts(a, a, b, true, cursor);
    return maxImpacts - cursor.Left;
}

// An upright edge through a floor of half-size 2 at (1, 0, 0): the nearest side is x = 2, one
// unit away. Fast towards z = 2 it reaches that side within the step and meets it there;
// slower or at rest it meets the nearest side. The depth is never more than the record's own
// (1): the side two units away gives no deeper impact.
TEST(EdgeContactImpacts, SideClosingWithinTheStepBeforeTheNearestOne) {
    struct Case {
        float speedZ;
        int axis;  // of the side met
        float distance;
    };
    const Case cases[] = {{120.0f, 2, 2.0f}, {1.0f, 0, 1.0f}, {0.0f, 0, 1.0f}};
    CollisionMarginScope margin(0.01f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speedZ);
        TestMesh floor;
        MakeFloor(floor, 2.0f, 0.0f, false);
        floor.m_EdgeAngle = 0.0f;
        phIsect isects[1] = {UprightRecord(1, 0, floor)};
        phImpact impacts[2];
        ASSERT_EQ(EdgeContacts(isects, 1, Translation(0, 0, -c.speedZ / phPhysicsRate), floor,
                               impacts, 2),
                  1);
        int side = FloorSide(floor, c.axis, 2.0f);
        ASSERT_GE(side, 0);
        const phImpact& impact = impacts[0];
        EXPECT_EQ(impact.Type, phImpact::EDGE_EDGE);
        EXPECT_EQ(impact.FeatureA, 0);
        EXPECT_EQ(impact.FeatureB, floor.Polygons[0].EdgeIndex[side]);
        EXPECT_NEAR(impact.Depth, std::fmin(c.distance, isects[0].Depth), 1e-5f);
        // Half way between the edge and the side, pointing from the side back at the edge.
        Vector3 out(c.axis == 0 ? 1.0f : 0.0f, 0.0f, c.axis == 2 ? 1.0f : 0.0f);
        Vector3 middle = Vector3(1, 0, 0) + out * (0.5f * c.distance);
        EXPECT_NEAR(impact.Position.Dist(middle), 0.0f, 1e-5f);
        EXPECT_NEAR(impact.Normal.Dot(out), -1.0f, 1e-5f);
        EXPECT_TRUE(isects[0].Flags & phIsect::EdgeImpact);
    }
}

// The two records of one edge crossing a pair of polygons are each tried against the floor's
// sides; the second gives an impact only when it meets another side than the first. The first
// lies nearest to the side z = 2; the second nearest to that side too, or to x = 2.
TEST(EdgeContactImpacts, SecondRecordOfAPairOnlyForAnotherSide) {
    struct Case {
        float secondX;
        float secondZ;
        int impacts;
    };
    const Case cases[] = {{1.2f, 1.5f, 1}, {1.8f, 1.0f, 2}};
    CollisionMarginScope margin(0.01f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.secondX);
        TestMesh floor;
        MakeFloor(floor, 2.0f, 0.0f, false);
        floor.m_EdgeAngle = 0.0f;
        phIsect isects[2] = {UprightRecord(1, 1.5f, floor),
                             UprightRecord(c.secondX, c.secondZ, floor)};
        // One edge: the second record starts where the first ends.
        isects[1].VertexA = isects[0].VertexB;
        isects[1].VertexB = isects[0].VertexA;
        phPrepareIsects(isects, 2);
        ASSERT_TRUE(phIsectIsPaired(isects, 2, 0));
        phImpact impacts[4];
        EXPECT_EQ(EdgeContacts(isects, 2, Matrix34::sm_Identity, floor, impacts, 4), c.impacts);
    }
}

}  // namespace
