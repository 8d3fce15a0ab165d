#include "phbound/polypair.h"

#include <cfloat>
#include <cmath>

#include <gtest/gtest.h>

#include "phbound/boundpolygonal.h"
#include "phbound/impact.h"
#include "phcore/isect.h"
#include "tests/engine/phbound/meshes.h"
#include "tests/support/child.h"

namespace {

TEST(EdgeEdgeClosest, CrossingEdgesAndParallelOnes) {
    Vector3 a0(-1, 0.1f, 0);
    Vector3 a1(1, 0.1f, 0);
    Vector3 b0(0, 0, -1);
    Vector3 b1(0, 0, 1);
    Vector3 n;
    Vector3 pA;
    Vector3 pB;
    float distance = -1.0f;
    ASSERT_TRUE(phEdgeEdgeClosest(a0, a1, a1 - a0, b0, b1, b1 - b0, n, pA, pB, distance));
    EXPECT_FLOAT_EQ(n.y, 1.0f);
    EXPECT_FLOAT_EQ(distance, 0.1f);
    EXPECT_NEAR(pA.x, 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(pA.y, 0.1f);
    EXPECT_NEAR(pB.z, 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(pB.y, 0.0f);

    Vector3 c0(-1, 0.5f, 0);
    Vector3 c1(1, 0.5f, 0);
    EXPECT_FALSE(phEdgeEdgeClosest(a0, a1, a1 - a0, c0, c1, c1 - c0, n, pA, pB, distance));
    // Edge A stops short of B's line.
    Vector3 d0(0.5f, 0.1f, 0);
    EXPECT_FALSE(phEdgeEdgeClosest(d0, a1, a1 - d0, b0, b1, b1 - b0, n, pA, pB, distance));
}

TEST(SameSideNear, SignsAndTheOnePercentRule) {
    struct Case {
        float s0;
        float s1;
        bool same;
    };
    const Case cases[] = {
        {1.0f, 0.5f, true}, {1.0f, 0.005f, false}, {-1.0f, 0.5f, false},
        {-1.0f, -0.5f, true}, {0.0f, 0.0f, false}, {0.005f, 1.0f, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(phSameSideNear(c.s0, c.s1), c.same) << c.s0 << ", " << c.s1;
    }
}

TEST(TimeToContact, NeverDividesByAStillOrOpeningSpeed) {
    EXPECT_EQ(phTimeToContact(0.0f, 0.0f), 0.0f);
    EXPECT_EQ(phTimeToContact(-0.1f, 0.0f), 0.0f);
    EXPECT_EQ(phTimeToContact(0.1f, 0.0f), FLT_MAX);
    EXPECT_EQ(phTimeToContact(0.1f, -2.0f), FLT_MAX);
    EXPECT_FLOAT_EQ(phTimeToContact(0.1f, 2.0f), 0.05f);
}

TEST(PrepareIsects, BackSideRecordsTurnAroundAndPairsJoin) {
    phIsect records[3];
    records[0].FeatureIndex = 4;
    records[0].VertexA = 1;
    records[0].VertexB = 2;
    records[0].T = 0.3f;
    records[0].FrontSide = 1;
    records[0].Flags = phIsect::Candidate | phIsect::EdgeImpact;
    records[1].FeatureIndex = 4;
    records[1].VertexA = 1;
    records[1].VertexB = 2;
    records[1].SegStart = Vector3(0, 0, 0);
    records[1].SegEnd = Vector3(1, 0, 0);
    records[1].T = 0.8f;
    records[1].FrontSide = 0;
    records[2].Flags = phIsect::InteriorEdgeFlag;
    phPrepareIsects(records, 3);
    EXPECT_EQ(records[0].Flags, phIsect::JoinedPair);
    EXPECT_EQ(records[0].BestTime, FLT_MAX);
    EXPECT_EQ(records[0].BestPartner, -1);
    EXPECT_EQ(records[1].VertexA, 2);
    EXPECT_EQ(records[1].VertexB, 1);
    EXPECT_FLOAT_EQ(records[1].SegStart.x, 1.0f);
    EXPECT_FLOAT_EQ(records[1].SegEnd.x, 0.0f);
    EXPECT_NEAR(records[1].T, 0.2f, 1e-6f);
    EXPECT_EQ(records[1].FrontSide, 1u);
    EXPECT_EQ(records[1].Flags, phIsect::JoinedPair);
    EXPECT_TRUE(phIsectIsPaired(records, 3, 0));
    EXPECT_EQ(records[2].Flags, phIsect::InteriorEdgeFlag | phIsect::Used);

    // Entering late and leaving early along one edge: the two overlap.
    records[0].T = 0.9f;
    records[1].VertexA = 1;
    records[1].VertexB = 2;
    records[1].T = 0.7f;
    records[1].FrontSide = 0;
    phPrepareIsects(records, 2);
    EXPECT_EQ(records[0].Flags, phIsect::OverlapPair | phIsect::EdgeImpact);
    EXPECT_EQ(records[1].Flags, phIsect::OverlapPair | phIsect::EdgeImpact);
}

TEST(PolygonPair, ContactPointsAndPointMotion) {
    TestMesh floor;
    MakeFloor(floor, 2.0f, 0.0f, false);
    phIsect record;
    EXPECT_FALSE(phIsectComputeContact(record));
    record.Polygon = &floor.Polygons[0];
    record.HitBound = &floor;
    record.SegStart = Vector3(0, 1, 0);
    record.SegEnd = Vector3(0, -3, 0);
    ASSERT_TRUE(phIsectComputeContact(record));
    EXPECT_FLOAT_EQ(record.T, 0.25f);
    EXPECT_NEAR(record.Position.y, 0.0f, 1e-6f);
    record.SegEnd = Vector3(5, 1, 0);  // along the plane
    EXPECT_FALSE(phIsectComputeContact(record));

    // A body turning a quarter about y around its origin at (1, 0, 0).
    Matrix34 last = Translation(1, 0, 0);
    Matrix34 now = last;
    now.MakeRotateY(1.5707963f);
    now.d.Set(1, 0, 0);
    Vector3 point = Vector3(1, 0, 0);
    point.Transform(now);
    Vector3 motion;
    phPointMotion(now, last, point, motion);
    Vector3 before = point - motion;
    EXPECT_NEAR(before.x, 2.0f, 1e-5f);
    EXPECT_NEAR(before.z, 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(phProjectPointToFrame(Vector3(1, 0, 0), Translation(0, 0, 2),
                                          Translation(3, 0, 0), Vector3(1, 0, 0)),
                    4.0f);
}

TEST_CHILD(NoImpactsLeft) {
    phIsect record;
    phPairSide a;
    phPairSide b;
    phImpactCursor cursor;
    phIsectsToImpacts(a, b, 0, &record, 1, cursor, true);
    return 0;
}

TEST_CHILD(PairEndsInAnInteriorEdge) {
    phIsect records[2];
    records[1].Flags = phIsect::InteriorEdgeFlag;
    int index = 0;
    phIsect* cursor = records;
    phAdvanceIsect(index, cursor, true);
    return 0;
}

TEST(PolygonPair, BrokenTablesAreFatal) {
    struct Case {
        const char* child;
        const char* message;
    };
    const Case cases[] = {
        {"NoImpactsLeft", "Assert(impactsLeft > 0) failed in [phbound/boundpolygonal, line "},
        {"PairEndsInAnInteriorEdge",
         "Assert(!XiPnext->InteriorEdge()) failed in [phbound/boundpolygonal, line "},
    };
    for (const Case& c : cases) {
        ChildResult child = RunChild(c.child);
        EXPECT_NE(child.m_ExitCode, 0) << c.child;
        EXPECT_NE(child.m_Output.find(c.message), std::string::npos) << child.m_Output;
    }
    phIsect records[3];
    int index = 0;
    phIsect* cursor = records;
    phAdvanceIsect(index, cursor, true);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(cursor, records + 2);
    phAdvanceIsect(index, cursor, false);
    EXPECT_EQ(index, 3);
}

phPairSide Side(phBoundPolygonal& bound, const Matrix34& matrix, phIsect* isects) {
    phPairSide side;
    side.Bound = &bound;
    side.Current = matrix;
    side.Last = matrix;
    side.Isects = isects;
    return side;
}

// A unit cube moving from last to now over a large floor, collided both ways.
int CubeOnFloor(TestMesh& cube, const Matrix34& now, const Matrix34& last, phImpact* impacts,
                int maxImpacts) {
    MakeUnitCube(cube);
    TestMesh floor;
    MakeFloor(floor, 10.0f, 0.0f, false);
    phIsect isectsA[32];
    phIsect isectsB[32];
    phPairSide a = Side(cube, now, isectsA);
    a.Last = last;
    phPairSide b = Side(floor, Matrix34::sm_Identity, isectsB);
    cube.Collide(&floor, now, last, Matrix34::sm_Identity, Matrix34::sm_Identity, true, isectsA,
                 a.Count, isectsB, b.Count, 32, Vector3(0, -1, 0));
    return phCollidePolygonal(a, b, 32, impacts, maxImpacts);
}

TEST(PolygonPair, CubeRestingInAFloorGivesOneVertexImpactPerBottomCorner) {
    TestMesh cube;
    Matrix34 at = Translation(0.3f, 0.49f, -0.2f);
    phImpact impacts[16];
    int made = CubeOnFloor(cube, at, at, impacts, 16);
    ASSERT_EQ(made, 4);
    bool seen[8] = {};
    for (int i = 0; i < made; ++i) {
        const phImpact& impact = impacts[i];
        EXPECT_EQ(impact.Type, phImpact::A_ON_FACE);
        ASSERT_GE(impact.FeatureA, 0);
        ASSERT_LT(impact.FeatureA, 8);
        EXPECT_LT(cube.Vertices[impact.FeatureA].y, 0.0f);
        seen[impact.FeatureA] = true;
        EXPECT_FLOAT_EQ(impact.Normal.y, 1.0f);
        EXPECT_NEAR(impact.Depth, 0.01f, 1e-5f);
        EXPECT_NEAR(impact.Position.y, -0.005f, 1e-5f);
        EXPECT_EQ(impact.ComponentA, -1);
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[4] && seen[5]);
}

TEST(PolygonPair, CubeFallingOntoAFloorAtSpeed) {
    // A step of motion down into the floor: vertex paths hit, and nothing is NaN.
    TestMesh cube;
    phImpact impacts[16];
    int made = CubeOnFloor(cube, Translation(0, 0.48f, 0), Translation(0, 0.52f, 0), impacts, 16);
    ASSERT_GE(made, 4);
    for (int i = 0; i < made; ++i) {
        EXPECT_FALSE(std::isnan(impacts[i].Position.x + impacts[i].Position.y +
                                impacts[i].Position.z));
        EXPECT_GT(impacts[i].Normal.y, 0.99f);
    }
}

TEST(PolygonPair, AnEdgeRecordGivesNoImpactBeyondTheOverlap) {
    // One still edge record of A ending at vertex 1 inside B, through B's face z = 0.5: B a
    // unit cube, or a square surface facing +z with nothing behind it. A 14 m edge that
    // crossed early ends 5.5 m deep; one that crossed late still ends 2.8 m deep, past the
    // cube's far face: neither far vertex lies where the bounds overlap and neither may give
    // an impact. A short edge that crossed late is a real corner in the face; one that ends
    // beside the face is not. Behind a surface any depth is overlap.
    struct Case {
        float length;
        float t;
        float depth;
        float x;
        bool surface;
        int impacts;
    };
    const Case cases[] = {
        {14.0f, 0.6f, 5.5f, 0.0f, false, 0}, {14.0f, 0.8f, 2.8f, 0.0f, false, 0},
        {1.0f, 0.99f, 0.01f, 0.0f, false, 1}, {1.0f, 0.95f, 0.05f, 0.3f, false, 1},
        {1.0f, 0.5f, 0.3f, 0.0f, false, 0},   {1.0f, 0.99f, 0.01f, 0.6f, false, 0},
        {1.0f, 0.8f, 0.2f, 0.3f, true, 1},    {14.0f, 0.8f, 2.8f, 0.0f, true, 1},
        {14.0f, 0.8f, 2.8f, 0.6f, true, 0}};
    TestMesh cube;
    MakeUnitCube(cube);
    TestMesh square;
    MakeFloor(square, 0.5f, 0.0f, false);
    // The square turned to face +z at z = 0.5.
    Matrix34 facing = Matrix34::sm_Identity;
    facing.MakeRotateX(1.5707964f);
    facing.d.Set(0.0f, 0.0f, 0.5f);
    for (const Case& c : cases) {
        phIsect record;
        record.SegEnd = Vector3(c.x, 0.0f, 0.5f - c.depth);
        record.SegStart = record.SegEnd + Vector3(0.0f, 0.0f, c.length);
        record.T = c.t;
        record.Depth = c.depth;
        record.Normal = Vector3(0, 0, 1);
        record.VertexA = 0;
        record.VertexB = 1;
        record.PolyIndex = 0;
        TestMesh meshA;
        phPairSide a = Side(meshA, Matrix34::sm_Identity, &record);
        phPairSide b = c.surface ? Side(square, facing, nullptr)
                                 : Side(cube, Matrix34::sm_Identity, nullptr);
        phImpact impacts[2];
        phImpactCursor cursor;
        cursor.Next = impacts;
        cursor.Left = 2;
        phIsectsToImpacts(a, b, 1, &record, 1, cursor, true);
        EXPECT_EQ(2 - cursor.Left, c.impacts)
            << c.length << " " << c.depth << " " << c.x << " " << c.surface;
        record.Flags &= uint16_t(~phIsect::Used);
        cursor.Next = impacts;
        cursor.Left = 2;
        phIsectToImpact(a, b, record, cursor, true);
        EXPECT_EQ(2 - cursor.Left, c.impacts) << "as a candidate: " << c.length << " " << c.depth;
    }
}

TEST(PolygonPair, CrossedEdgesGiveAnEdgeImpactThatSeparatesTheBodies) {
    // B: a long bar along z whose top edge runs at y = 0. A: a bar along x, turned 45 degrees
    // about x, its lowest edge 0.02 below B's top edge, within the margin: the pair is in
    // contact now, so it closes within the step without any motion.
    TestMesh b;
    MakeBox(b, 0.5f, 0.5f, 2.0f);
    Matrix34 mb = Matrix34::sm_Identity;
    mb.MakeRotateZ(0.78539816f);
    mb.d.Set(0, -0.70710678f, 0);
    TestMesh a;
    MakeBox(a, 2.0f, 0.5f, 0.5f);
    Matrix34 ma = Matrix34::sm_Identity;
    ma.MakeRotateX(0.78539816f);
    ma.d.Set(0, 0.70710678f - 0.02f, 0);
    phIsect isectsA[64];
    phIsect isectsB[64];
    phPairSide sa = Side(a, ma, isectsA);
    phPairSide sb = Side(b, mb, isectsB);
    a.Collide(&b, ma, ma, mb, mb, false, isectsA, sa.Count, isectsB, sb.Count, 64,
              Vector3(0, -1, 0));
    ASSERT_GT(sa.Count, 0);
    ASSERT_GT(sb.Count, 0);
    phImpact impacts[16];
    int made = phCollidePolygonal(sa, sb, 64, impacts, 16);
    int edges = 0;
    for (int i = 0; i < made; ++i) {
        if (impacts[i].Type != phImpact::EDGE_EDGE) {
            continue;
        }
        ++edges;
        // From B (below) towards A (above): pushing A along it parts the bodies.
        EXPECT_GT(impacts[i].Normal.y, 0.9f);
        EXPECT_NEAR(impacts[i].Depth, 0.02f, 1e-3f);
    }
    EXPECT_GE(edges, 1);
}

// The edge of the mesh whose two ends lie lowest (sign 1) or highest (sign -1) in the world.
int ExtremeEdge(TestMesh& mesh, const Matrix34& at, float sign) {
    int best = -1;
    float bestHeight = FLT_MAX;
    for (int e = 0; e < mesh.NumEdges; ++e) {
        Vector3 p = mesh.GetVertex(mesh.Edges[e][0]);
        Vector3 q = mesh.GetVertex(mesh.Edges[e][1]);
        p.Transform(at);
        q.Transform(at);
        float height = sign * (p.y + q.y);
        if (height < bestHeight) {
            bestHeight = height;
            best = e;
        }
    }
    return best;
}

// A short box turned onto its edge has its lowest edge 0.3 deep in the top ridge of a long bar
// lying across it, and is being pulled back out. That edge crosses no face of the bar, so no
// record of A names it; the interior-edge pass adds it from A's own records (its ends are
// their inner ends), and the two ridges meet as an edge pair that closes within the step.
TEST(PolygonPair, EdgeBuriedInTheOtherBodyMeetsItsEdgesThroughTheInteriorPass) {
    TestMesh a;
    MakeBox(a, 0.5f, 0.5f, 0.1f);
    Matrix34 ma = Matrix34::sm_Identity;
    ma.MakeRotateZ(0.78539816f);
    ma.d.Set(0, 0.70710678f - 0.3f, 0);
    Matrix34 lastA = ma;
    lastA.d.y -= 0.2f;
    TestMesh b;
    MakeBox(b, 2.0f, 0.5f, 0.5f);
    Matrix34 mb = Matrix34::sm_Identity;
    mb.MakeRotateX(0.78539816f);
    mb.d.Set(0, -0.70710678f, 0);
    phIsect isectsA[64];
    phIsect isectsB[64];
    phPairSide sa = Side(a, ma, isectsA);
    sa.Last = lastA;
    phPairSide sb = Side(b, mb, isectsB);
    a.Collide(&b, ma, lastA, mb, mb, false, isectsA, sa.Count, isectsB, sb.Count, 64,
              Vector3(0, -1, 0));
    const int ridgeA = ExtremeEdge(a, ma, 1.0f);
    const int ridgeB = ExtremeEdge(b, mb, -1.0f);
    for (int i = 0; i < sa.Count; ++i) {
        ASSERT_NE(isectsA[i].FeatureIndex, ridgeA) << i;
    }
    const int before = sa.Count;
    phImpact impacts[16];
    int made = phCollidePolygonal(sa, sb, 64, impacts, 16);

    // One interior record per lower face of A that B's ridge runs through, each naming A's
    // buried edge, in the world.
    int interior = 0;
    for (int i = before; i < sa.Count; ++i) {
        const phIsect& r = isectsA[i];
        ASSERT_TRUE(r.InteriorEdge()) << i;
        ++interior;
        EXPECT_EQ(r.FeatureIndex, ridgeA);
        EXPECT_EQ(r.MovingBound, &a);
        EXPECT_NEAR(r.SegStart.y, -0.3f, 1e-5f);
        EXPECT_NEAR(r.SegEnd.y, -0.3f, 1e-5f);
        EXPECT_NEAR(std::fabs(r.SegEnd.z - r.SegStart.z), 0.2f, 1e-5f);
        EXPECT_NEAR(r.EdgeNormal.y, -1.0f, 1e-5f);
    }
    EXPECT_EQ(interior, 2);

    bool ridges = false;
    for (int i = 0; i < made; ++i) {
        const phImpact& impact = impacts[i];
        if (impact.Type == phImpact::EDGE_EDGE && impact.FeatureA == ridgeA &&
            impact.FeatureB == ridgeB) {
            ridges = true;
            EXPECT_NEAR(impact.Depth, 0.3f, 1e-4f);
            EXPECT_NEAR(std::fabs(impact.Normal.y), 1.0f, 1e-4f);
            EXPECT_NEAR(impact.Position.y, -0.15f, 1e-4f);
        }
    }
    EXPECT_TRUE(ridges);
}

}  // namespace
