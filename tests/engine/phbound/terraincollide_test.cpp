#include <gtest/gtest.h>

#include "phbound/boundhotdog.h"
#include "phbound/boundsphere.h"
#include "phbound/boundterrain.h"
#include "phcore/debuglines.h"
#include "phcore/isect.h"
#include "phbound/impact.h"
#include "phbound/polypair.h"
#include "phcore/poly.h"
#include "tests/engine/phbound/boundfiles.h"
#include "tests/engine/phbound/meshes.h"
#include "tests/engine/phbound/terrains.h"

namespace {

class TerrainCollideTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Files.Write("flat", "bnd", FlatSquareText());
        ASSERT_TRUE(m_Flat.phBoundGeometry::Load("flat"));
        BuildTerrainGrid(m_Flat, 2, 2);
        m_Identity.Identity();
    }

    BoundFiles m_Files;
    phBoundTerrain m_Flat;
    phBoundSphere m_Sphere;
    Matrix34 m_Identity;
    phImpact m_Impacts[8];
};

TEST_F(TerrainCollideTest, SphereRestingOnTheTerrain) {
    struct Case {
        Vector3 centre;
        float depth;
        int material;
    };
    const Case cases[] = {
        {Vector3(0.3f, 0.45f, 0.3f), 0.05f, 0},
        {Vector3(1.8f, 0.3f, 1.8f), 0.2f, 1},
    };
    for (const Case& c : cases) {
        int count = m_Flat.CollideSphere(&m_Sphere, c.centre, 0.5f, m_Identity, Vector3(0, 0, 0), Vector3(0, 0, 0),
                                         nullptr, nullptr, m_Impacts, 8);
        ASSERT_EQ(count, 1);
        const phImpact& impact = m_Impacts[0];
        EXPECT_NEAR(impact.Depth, c.depth, 1e-6f);
        EXPECT_NEAR(impact.Normal.y, 1.0f, 1e-6f);
        Vector3 expected = c.centre - Vector3(0, 0.5f - c.depth / 2, 0);
        EXPECT_NEAR((impact.Position - expected).Mag(), 0.0f, 1e-6f);
        EXPECT_EQ(impact.ComponentB, c.material);
        EXPECT_EQ(impact.FeatureA, 0);
        EXPECT_EQ(impact.Type, phImpact::A_ON_FACE);
    }
}

TEST_F(TerrainCollideTest, SphereOutOfReachTouchesNoBucket) {
    m_Flat.NumListed = 7;
    EXPECT_EQ(m_Flat.CollideSphere(&m_Sphere, Vector3(5, 0, 5), 0.5f, m_Identity,
                                   Vector3(0, 0, 0), Vector3(0, 0, 0), nullptr, nullptr, m_Impacts, 8),
              0);
    EXPECT_EQ(m_Flat.NumListed, 7);
}

TEST_F(TerrainCollideTest, FastSphereDoesNotTunnel) {
    // One metre down in a frame, ending out of the terrain's box: from y 0.6 to y -0.4, far past the plane for its radius.
    int count = m_Flat.CollideSphere(&m_Sphere, Vector3(0.7f, -0.4f, 0.6f), 0.1f, m_Identity,
                                     Vector3(0, -1, 0), Vector3(0, 1, 0), nullptr, nullptr,
                                     m_Impacts, 8);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(m_Impacts[0].Type, phImpact::A_ON_FACE);
    EXPECT_NEAR(m_Impacts[0].Normal.y, 1.0f, 1e-6f);
    EXPECT_NEAR(m_Impacts[0].Depth, 0.5f, 1e-6f);
    EXPECT_EQ(m_Impacts[0].ComponentB, 1);
    // Moving up through it instead is no contact.
    EXPECT_EQ(m_Flat.CollideSphere(&m_Sphere, Vector3(0.7f, -0.4f, 0.6f), 0.1f, m_Identity,
                                   Vector3(0, 1, 0), Vector3(0, -1, 0), nullptr, nullptr,
                                   m_Impacts, 8),
              0);
}

TEST_F(TerrainCollideTest, SphereMeetsATerrainFarFromItsOrigin) {
    phBoundTerrain distant;
    ASSERT_TRUE(distant.phBoundGeometry::Load("flat"));
    distant.OffsetVertices(Vector3(50, 0, 0));
    BuildTerrainGrid(distant, 2, 2);
    EXPECT_EQ(distant.CollideSphere(&m_Sphere, Vector3(50.3f, 0.45f, 0.3f), 0.5f, m_Identity,
                                Vector3(0, 0, 0), Vector3(0, 0, 0), nullptr, nullptr, m_Impacts, 8),
              1);
    // And placed by its matrix.
    Matrix34 moved = m_Identity;
    moved.d.Set(-50, 0, 10);
    ASSERT_EQ(distant.CollideSphere(&m_Sphere, Vector3(0.3f, 0.45f, 10.3f), 0.5f, moved,
                                Vector3(0, 0, 0), Vector3(0, 0, 0), nullptr, nullptr, m_Impacts, 8),
              1);
    EXPECT_NEAR(m_Impacts[0].Position.y, 0.45f - 0.475f, 1e-6f);
    EXPECT_NEAR(m_Impacts[0].Position.z, 10.3f, 1e-5f);
}

TEST_F(TerrainCollideTest, ImpactsStopAtTheCapacity) {
    // Deep over the centre vertex the sphere reaches every triangle.
    int count = m_Flat.CollideSphere(&m_Sphere, Vector3(1, 0.2f, 1), 0.5f, m_Identity,
                                     Vector3(0, 0, 0), Vector3(0, 0, 0), nullptr, nullptr, m_Impacts, 1);
    EXPECT_EQ(count, 1);
}

// Counts the calls of its own segment collide, which then finds nothing.
class SegmentSpy : public TestMesh {
public:
    void CollideSegments(phBound*, const Matrix34&, const Matrix34&, const Matrix34&, bool,
                         phIsect*, int, int& count, float, const Vector3&) override {
        ++m_Calls;
        count = 0;
    }
    int m_Calls = 0;
};

int VertexRecords(const phIsect* isects, int count) {
    int paths = 0;
    for (int i = 0; i < count; ++i) {
        paths += (isects[i].Flags & phIsect::VertexPath) ? 1 : 0;
    }
    return paths;
}

class TerrainPolygonalTest : public TerrainCollideTest {
protected:
    // A unit cube 0.01 m into the terrain, having come down 0.1 m this frame.
    int CollideCube(phBoundTerrain& terrain, phBoundPolygonal& cube) {
        Matrix34 now = m_Identity;
        now.d.Set(1.05f, 0.49f, 0.8f);
        Matrix34 last = now;
        last.d.y = 0.6f;
        m_Now = now;
        m_Last = last;
        return terrain.CollidePolygonal(&cube, now, last, m_Identity, nullptr, m_A, m_CountA,
                                        m_B, m_CountB, 64, Vector3(0, -1, 0));
    }

    Matrix34 m_Now;
    Matrix34 m_Last;
    phIsect m_A[64];
    phIsect m_B[64];
    int m_CountA = -1;
    int m_CountB = -1;
};

TEST_F(TerrainPolygonalTest, SmallBoundsAreSweptOverTheTerrain) {
    TestMesh cube;
    MakeUnitCube(cube);
    phDebugLineCount = 0;
    int total = CollideCube(m_Flat, cube);
    EXPECT_EQ(total, m_CountA + m_CountB);
    // Each polygon swept over is outlined, the ones hit in the hit colour.
    auto outlined = [&](int polygon, uint32_t colour) {
        const phPolygon& p = m_Flat.Polygons[polygon];
        for (int i = 0; i < phDebugLineCount; ++i) {
            const phDebugLine& line = phDebugLines[i];
            if (line.Colour == colour &&
                (line.From - m_Flat.Vertices[p.VertexIndex[0]]).IsZero() &&
                (line.To - m_Flat.Vertices[p.VertexIndex[1]]).IsZero()) {
                return true;
            }
        }
        return false;
    };
    for (int i = 0; i < m_CountB; ++i) {
        EXPECT_TRUE(outlined(m_B[i].PolyIndex, 0xFFFF00FFu)) << i;
        EXPECT_TRUE(outlined(m_B[i].PolyIndex, 0xFF00FF00u)) << i;
    }
    EXPECT_EQ(VertexRecords(m_B, m_CountB), 4);
    for (int i = 0; i < m_CountB; ++i) {
        const phIsect& record = m_B[i];
        EXPECT_EQ(record.HitBound, &m_Flat);
        EXPECT_EQ(record.MovingBound, &cube);
        EXPECT_NEAR(record.Normal.y, 1.0f, 1e-6f);
        EXPECT_EQ(record.MaterialIndex, m_Flat.Polygons[record.PolyIndex].MaterialIndex);
        if (record.Flags & phIsect::VertexPath) {
            EXPECT_NEAR(record.Depth, 0.01f, 1e-5f);
            EXPECT_EQ(record.FrontSide, 1u);
        }
    }
}

TEST_F(TerrainPolygonalTest, SweptCubeRestsOnFourCorners) {
    TestMesh cube;
    MakeUnitCube(cube);
    m_Flat.EnableEdgeTests(false);
    CollideCube(m_Flat, cube);
    phPairSide a;
    a.Bound = &cube;
    a.Current = m_Now;
    a.Last = m_Last;
    a.Isects = m_B;
    a.Count = m_CountB;
    phPairSide b;
    b.Bound = &m_Flat;
    b.Current = m_Identity;
    b.Last = m_Identity;
    b.Isects = m_A;
    b.Count = m_CountA;
    int count = phCollidePolygonal(a, b, 64, m_Impacts, 8);
    ASSERT_EQ(count, 4);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(m_Impacts[i].Type, phImpact::A_ON_FACE);
        EXPECT_NEAR(m_Impacts[i].Depth, 0.01f, 1e-5f);
        EXPECT_NEAR(m_Impacts[i].Normal.y, 1.0f, 1e-6f);
    }
}

TEST_F(TerrainPolygonalTest, LargeBoundsUseTheirOwnSegments) {
    struct Case {
        int vertices;
        bool alt;
        int calls;
    };
    const Case cases[] = {{30, false, 0}, {31, false, 1}, {8, true, 1}, {31, true, 1}};
    phBoundTerrainAlt alt;
    ASSERT_TRUE(alt.phBoundGeometry::Load("flat"));
    BuildTerrainGrid(alt, 2, 2);
    for (const Case& c : cases) {
        SegmentSpy spy;
        MakeBox(spy, 0.5f, 0.5f, 0.5f, c.vertices - 8);
        CollideCube(c.alt ? alt : m_Flat, spy);
        EXPECT_EQ(spy.m_Calls, c.calls) << c.vertices << " " << c.alt;
        if (c.calls == 0) {
            EXPECT_EQ(VertexRecords(m_B, m_CountB), 4) << c.vertices;
        }
        // Only a type 4 terrain with edges on runs its edge pass.
        EXPECT_EQ(m_CountA > 0, !c.alt) << c.vertices << " " << c.alt;
    }
}

TEST_F(TerrainPolygonalTest, TerrainEdgesMeetTheBoundsFaces) {
    TestMesh cube;
    MakeUnitCube(cube);
    CollideCube(m_Flat, cube);
    ASSERT_GT(m_CountA, 0);
    for (int i = 0; i < m_CountA; ++i) {
        const phIsect& record = m_A[i];
        int edge = record.FeatureIndex;
        ASSERT_GE(edge, 0);
        ASSERT_LT(edge, m_Flat.NumEdges);
        EXPECT_EQ(record.VertexA, m_Flat.Edges[edge][0]);
        EXPECT_EQ(record.VertexB, m_Flat.Edges[edge][1]);
        EXPECT_EQ(record.HitBound, &cube);
        EXPECT_EQ(record.Polygon, &cube.Polygons[record.PolyIndex]);
        EXPECT_EQ(record.Flags & 3, 0);
        // In the cube's frame the terrain's plane lies 0.49 m below its centre.
        EXPECT_NEAR(record.SegStart.y, -0.49f, 1e-5f);
        // Each terrain edge is tested once, though two polygons share it: no crossing twice.
        for (int j = 0; j < i; ++j) {
            EXPECT_FALSE(m_A[j].FeatureIndex == edge && m_A[j].PolyIndex == record.PolyIndex &&
                         m_A[j].FrontSide == record.FrontSide)
                << i << " repeats " << j;
        }
    }
    m_Flat.EnableEdgeTests(false);
    CollideCube(m_Flat, cube);
    EXPECT_EQ(m_CountA, 0);
    EXPECT_EQ(VertexRecords(m_B, m_CountB), 4);
}

// A capsule of radius 0.2 and length 0.6 lying along x at the given centre.
Matrix34 LyingAlongX(const Vector3& centre) {
    Matrix34 m;
    m.a.Set(0, -1, 0);
    m.b.Set(1, 0, 0);
    m.c.Set(0, 0, 1);
    m.d = centre;
    return m;
}

TEST_F(TerrainCollideTest, HotdogLyingOnTheTerrain) {
    phBoundHotdog hotdog(0.2f, 0.6f);
    int count = m_Flat.CollideHotdog(&hotdog, LyingAlongX(Vector3(1.1f, 0.15f, 0.4f)), m_Identity,
                                     Vector3(0, 0, 0), Vector3(0, 0, 0), nullptr, nullptr,
                                     m_Impacts, 8);
    ASSERT_GT(count, 0);
    for (int i = 0; i < count; ++i) {
        EXPECT_NEAR(m_Impacts[i].Normal.y, 1.0f, 1e-5f) << i;
        EXPECT_NEAR(m_Impacts[i].Depth, 0.05f, 1e-5f) << i;
    }
    EXPECT_EQ(m_Flat.CollideHotdog(&hotdog, LyingAlongX(Vector3(1.1f, 0.3f, 0.4f)), m_Identity,
                                   Vector3(0, 0, 0), Vector3(0, 0, 0), nullptr, nullptr,
                                   m_Impacts, 8),
              0);
}

TEST_F(TerrainCollideTest, FastHotdogListsTheBucketsUnderItsWholeSweep) {
    m_Files.Write("wide", "bnd", HeightFieldText(8, 2, 1.0f, [](int, int) { return 0.0f; }));
    phBoundTerrain wide;
    ASSERT_TRUE(wide.phBoundGeometry::Load("wide"));
    BuildTerrainGrid(wide, 8, 2);
    phBoundHotdog hotdog(0.2f, 0.6f);
    // From x 1 to x 7 in one frame, along row 0. The bucket outlines show what was listed:
    // the later queries along the capsule's axis list buckets of their own.
    phDebugLineCount = 0;
    wide.CollideHotdog(&hotdog, LyingAlongX(Vector3(7, 0.15f, 0.5f)), m_Identity,
                       Vector3(6, 0, 0), Vector3(-1, 0, 0), nullptr, nullptr, m_Impacts, 8);
    for (int column = 0; column < 8; ++column) {
        bool outlined = false;
        for (int i = 0; i < phDebugLineCount && !outlined; ++i) {
            const phDebugLine& line = phDebugLines[i];
            outlined = line.Colour == 0xFF0000FFu && line.From.x == float(column) &&
                       line.To.x == float(column + 1) && line.From.z == 0.0f;
        }
        EXPECT_TRUE(outlined) << column;
    }
}

TEST_F(TerrainCollideTest, HotdogMeetsATerrainFarFromItsOrigin) {
    phBoundTerrain distant;
    ASSERT_TRUE(distant.phBoundGeometry::Load("flat"));
    distant.OffsetVertices(Vector3(50, 0, 0));
    BuildTerrainGrid(distant, 2, 2);
    phBoundHotdog hotdog(0.2f, 0.6f);
    EXPECT_GT(distant.CollideHotdog(&hotdog, LyingAlongX(Vector3(51.1f, 0.15f, 0.4f)), m_Identity,
                                    Vector3(0, 0, 0), Vector3(0, 0, 0), nullptr, nullptr,
                                    m_Impacts, 8),
              0);
}

TEST_F(TerrainCollideTest, FastHotdogDoesNotTunnel) {
    phBoundHotdog hotdog(0.1f, 0.2f);
    // Down a metre in a frame, ending with the whole capsule under the terrain.
    int count = m_Flat.CollideHotdog(&hotdog, LyingAlongX(Vector3(1.1f, -0.4f, 0.4f)), m_Identity,
                                     Vector3(0, -1, 0), Vector3(0, 1, 0), nullptr, nullptr,
                                     m_Impacts, 8);
    ASSERT_GT(count, 0);
    EXPECT_NEAR(m_Impacts[0].Normal.y, 1.0f, 1e-5f);
    EXPECT_GT(m_Impacts[0].Depth, 0.4f);
}

// The terrain that works in its own frame, stood up as a wall facing +x at x 5: its
// surface's local point (x, 0, z) lies at (5, -x, z). A capsule coming through the wall at a
// metre a frame, motion and direction given in the terrain's frame, is pushed back out along
// +x; the world-frame routine given the same numbers reads them as a move along the wall and
// finds nothing. Given world values, it agrees with the wall's own routine.
TEST_F(TerrainCollideTest, TurnedTerrainTakesTheCapsuleIntoItsFrame) {
    phBoundTerrainAlt wall;
    ASSERT_TRUE(wall.phBoundGeometry::Load("flat"));
    BuildTerrainGrid(wall, 2, 2);
    Matrix34 placed;
    placed.a.Set(0, -1, 0);
    placed.b.Set(1, 0, 0);
    placed.c.Set(0, 0, 1);
    placed.d.Set(5, 0, 0);
    phBoundHotdog hotdog(0.1f, 0.2f);
    Matrix34 capsule;
    capsule.Dot(LyingAlongX(Vector3(1.1f, -0.4f, 0.4f)), placed);
    const Vector3 localMotion(0, -1, 0);
    const Vector3 localDirection(0, 1, 0);

    int count = wall.CollideHotdog(&hotdog, capsule, placed, localMotion, localDirection,
                                   nullptr, nullptr, m_Impacts, 8);
    ASSERT_GT(count, 0);
    const phImpact first = m_Impacts[0];
    EXPECT_NEAR(first.Normal.x, 1.0f, 1e-5f);
    EXPECT_GT(first.Depth, 0.4f);
    EXPECT_NEAR(first.Position.z, 0.4f, 0.2f);
    EXPECT_GT(first.Position.y, -2.0f);
    EXPECT_LT(first.Position.y, 0.0f);

    EXPECT_EQ(wall.phBoundTerrain::CollideHotdog(&hotdog, capsule, placed, localMotion,
                                                  localDirection, nullptr, nullptr, m_Impacts,
                                                  8),
              0);
    ASSERT_EQ(wall.phBoundTerrain::CollideHotdog(&hotdog, capsule, placed,
                                                  phRotateToWorld(localMotion, placed),
                                                  phRotateToWorld(localDirection, placed),
                                                  nullptr, nullptr, m_Impacts, 8),
              count);
    EXPECT_NEAR((m_Impacts[0].Position - first.Position).Mag(), 0.0f, 1e-5f);
    EXPECT_NEAR((m_Impacts[0].Normal - first.Normal).Mag(), 0.0f, 1e-5f);
    EXPECT_NEAR(m_Impacts[0].Depth, first.Depth, 1e-5f);
}

// Placed anyhow, the turned terrain meets a capsule as the same terrain at the origin meets
// the capsule put where it stands in the terrain's frame: its axis (the capsule's rows) and
// centre both go through the terrain's rows, and the impacts come back to the world. Poses
// whose axis dips or turns tell a routine that took only the centre into the frame.
TEST_F(TerrainCollideTest, TurnedTerrainSeesTheCapsuleAsItsOwnFrameDoes) {
    phBoundTerrainAlt ground;
    ASSERT_TRUE(ground.phBoundGeometry::Load("flat"));
    BuildTerrainGrid(ground, 2, 2);
    Matrix34 placed;
    placed.Identity();
    Vector3 tilt(1, 1, 0);
    tilt.Normalize();
    placed.RotateUnitAxis(tilt, 0.9f);
    placed.d.Set(5, 1, -2);
    phBoundHotdog hotdog(0.2f, 0.6f);
    struct Pose {
        const char* what;
        Vector3 axis;
        float angle;
        Vector3 motion;
    };
    // Dipping poses touch at one end, where the routines' choice of points is sharp (a
    // capsule lying flat touches along a line, anywhere on which a point will do).
    const Pose poses[] = {
        {"dipping", Vector3(0, 0, 1), 0.4f, Vector3(0, -0.05f, 0)},
        {"turned and dipping", Vector3(0.6f, 0, 0.8f), 0.5f, Vector3(0.02f, -0.05f, 0)},
        {"leaning", Vector3(0.3f, 0.2f, 0.9327f), 0.7f, Vector3(0, 0, 0)},
    };
    for (const Pose& p : poses) {
        SCOPED_TRACE(p.what);
        Matrix34 local = LyingAlongX(Vector3(1.1f, 0.12f, 0.4f));
        Matrix34 turn;
        turn.Identity();
        turn.RotateUnitAxis(p.axis, p.angle);
        Vector3 centre = local.d;
        local.d.Zero();
        local.Dot(turn);
        local.d = centre;
        phImpact expected[8];
        int count = ground.phBoundTerrain::CollideHotdog(&hotdog, local, m_Identity, p.motion,
                                                         Vector3(0, -1, 0), nullptr, nullptr,
                                                         expected, 8);
        ASSERT_GT(count, 0);
        Matrix34 world;
        world.Dot(local, placed);
        ASSERT_EQ(ground.CollideHotdog(&hotdog, world, placed, p.motion, Vector3(0, -1, 0),
                                       nullptr, nullptr, m_Impacts, 8),
                  count);
        // The same impacts, in whatever order rounding puts them.
        for (int i = 0; i < count; ++i) {
            Vector3 position = expected[i].Position;
            position.Transform(placed);
            Vector3 normal = phRotateToWorld(expected[i].Normal, placed);
            int nearest = 0;
            for (int j = 1; j < count; ++j)
                if ((m_Impacts[j].Position - position).Mag2() <
                    (m_Impacts[nearest].Position - position).Mag2())
                    nearest = j;
            const phImpact& got = m_Impacts[nearest];
            EXPECT_NEAR((got.Position - position).Mag(), 0.0f, 1e-4f) << i;
            EXPECT_NEAR((got.Normal - normal).Mag(), 0.0f, 1e-4f) << i;
            EXPECT_NEAR(got.Depth, expected[i].Depth, 1e-4f) << i;
        }
    }
}

}  // namespace
