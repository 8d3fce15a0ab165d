#include "phcollide/collision.h"

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "phbound/boundbox.h"
#include "tests/engine/phcollide/containers.h"
#include "phbound/boundhotdog.h"
#include "phbound/boundpoint.h"
#include "phbound/boundsphere.h"
#include "phbound/boundterrain.h"
#include "phbound/impact.h"
#include "phbound/polypair.h"
#include "phcollide/collider.h"
#include "phcollide/pairroutines.h"
#include "phcore/isect.h"
#include "phinertia/inertia.h"
#include "tests/engine/phbound/meshes.h"
#include "tests/support/child.h"

namespace {

// What a recording pair routine saw: its name, the bound it was called on and the other one,
// the colliders in the order it was given them, and the caller's direction where it takes
// one (zero where it does not).
struct Call {
    std::string Routine;
    const phBound* On;
    const phBound* Other;
    const phColliderBase* First;
    const phColliderBase* Second;
    Vector3 Direction;
    // The motion a terrain routine was given (zero for the others).
    Vector3 Motion;
};

std::vector<Call> Calls;
// Impacts each bound's routine yields (by either of its bounds), 1 when not listed.
std::map<const phBound*, int> Yields;

int Record(const char* routine, const phBound* on, const phBound* other,
           phColliderBase* first, phColliderBase* second, phImpact* impacts,
           const Vector3& direction = Vector3(0, 0, 0), const Vector3& motion = Vector3(0, 0, 0)) {
    Calls.push_back({routine, on, other, first, second, direction, motion});
    int yield = 1;
    for (const phBound* b : {on, other}) {
        auto found = Yields.find(b);
        if (found != Yields.end()) {
            yield = found->second;
        }
    }
    for (int k = 0; impacts && k < yield; ++k) {
        impacts[k].Clear();
        impacts[k].ComponentA = -1;
        impacts[k].ComponentB = -1;
        impacts[k].ColliderA = first;
        impacts[k].ColliderB = second;
    }
    return yield;
}

int SpySphereSphere(phBoundSphere* a, phBoundSphere* b, const Matrix34&, const Vector3&,
                    phColliderBase* ca, phColliderBase* cb, phImpact* impacts) {
    return Record("SphereSphere", a, b, ca, cb, impacts);
}
int SpyPolygonalSphere(phBoundPolygonal* p, phBound* s, const Vector3&, float, const Matrix34&,
                       const Vector3&, phColliderBase* cs, phColliderBase* cp,
                       phImpact* impacts, int) {
    return Record("PolygonalSphere", p, s, cs, cp, impacts);
}
int SpyBoxSphere(phBoundBox* b, phBound* s, float, const Matrix34&, const Vector3&,
                 const Vector3&, phColliderBase* cs, phColliderBase* cb, phImpact* impacts) {
    return Record("BoxSphere", b, s, cs, cb, impacts);
}
int SpyHotdogSphere(phBoundHotdog* h, phBound* s, float, const Matrix34&, const Vector3&,
                    phColliderBase* cs, phColliderBase* ch, phImpact* impacts) {
    return Record("HotdogSphere", h, s, cs, ch, impacts);
}
int SpyHotdogHotdog(phBoundHotdog* a, phBoundHotdog* b, const Matrix34&, const Matrix34&,
                    phColliderBase* ca, phColliderBase* cb, phImpact* impacts, int) {
    return Record("HotdogHotdog", a, b, ca, cb, impacts);
}
int SpyHotdogPolygonal(phBoundHotdog* h, phBoundPolygonal* p, const Matrix34&, const Matrix34&,
                       const Vector3&, phColliderBase* ch, phColliderBase* cp,
                       phImpact* impacts, int) {
    return Record("HotdogPolygonal", h, p, ch, cp, impacts);
}
int SpyBoxBox(phBoundBox* a, phBoundBox* b, const Matrix34&, const Matrix34&, const Matrix34&,
              const Matrix34&, phColliderBase* ca, phColliderBase* cb, phImpact* impacts, int) {
    return Record("BoxBox", a, b, ca, cb, impacts);
}
// Whether the last polygon pair was asked for vertex paths.
bool VertexPathsAsked = false;

int SpyPolygonalCollide(phBoundPolygonal* a, phBoundPolygonal* b, const Matrix34&,
                        const Matrix34&, const Matrix34&, const Matrix34&, bool vertexPaths,
                        phIsect*, int& countA, phIsect*, int& countB, int,
                        const Vector3& direction) {
    VertexPathsAsked = vertexPaths;
    countA = 1;
    countB = 0;
    Record("PolygonalCollide", a, b, nullptr, nullptr, nullptr, direction);
    return 1;
}
int SpyFindImpacts(phPairSide& a, phPairSide& b, int, phImpact* impacts, int) {
    return Record("FindImpacts", a.Bound, b.Bound, a.Collider, b.Collider, impacts);
}
int SpyTerrainSphere(phBoundTerrain* t, phBound* s, const Vector3&, float, const Matrix34&,
                     const Vector3& motion,
                     const Vector3& direction, phColliderBase* cs, phColliderBase* ct,
                     phImpact* impacts, int) {
    return Record("TerrainSphere", t, s, cs, ct, impacts, direction, motion);
}
int SpyTerrainPolygonal(phBoundTerrain* t, phBoundPolygonal* p, const Matrix34&,
                        const Matrix34&, const Matrix34&, phColliderBase* cp, phIsect*,
                        int& terrainCount, phIsect*, int& otherCount, int,
                        const Vector3& direction) {
    terrainCount = 0;
    otherCount = 1;
    Record("TerrainPolygonal", t, p, cp, nullptr, nullptr, direction);
    return 1;
}
int SpyTerrainHotdog(phBoundTerrain* t, phBoundHotdog* h, const Matrix34&, const Matrix34&,
                     const Vector3& motion, const Vector3& direction, phColliderBase* ch,
                     phColliderBase* ct, phImpact* impacts, int) {
    return Record("TerrainHotdog", t, h, ch, ct, impacts, direction, motion);
}
int SpyTerrainAltHotdog(phBoundTerrainAlt* t, phBoundHotdog* h, const Matrix34&,
                        const Matrix34&, const Vector3& motion, const Vector3& direction,
                        phColliderBase* ch, phColliderBase* ct, phImpact* impacts, int) {
    return Record("TerrainAltHotdog", t, h, ch, ct, impacts, direction, motion);
}
int SpyPointPolygonal(phBoundPoint* s, phColliderBase* cs, phBoundPolygonal* p,
                      phColliderBase* cp) {
    return Record("PointPolygonal", s, p, cs, cp, nullptr);
}
void SpyPointSphere(phBoundPoint* s, phColliderBase* cs, phBoundSphere* b, phColliderBase* cb) {
    Record("PointSphere", s, b, cs, cb, nullptr);
}
void SpyPointHotdog(phBoundPoint* s, phColliderBase* cs, phBoundHotdog* h, phColliderBase* ch) {
    Record("PointHotdog", s, h, cs, ch, nullptr);
}

const phPairRoutines Spies = {
    SpySphereSphere,   SpyPolygonalSphere, SpyBoxSphere,       SpyHotdogSphere,
    SpyHotdogHotdog,   SpyHotdogPolygonal, SpyBoxBox,          SpyPolygonalCollide,
    SpyFindImpacts,    SpyTerrainSphere,   SpyTerrainPolygonal, SpyTerrainHotdog,
    SpyTerrainAltHotdog, SpyPointPolygonal, SpyPointSphere,     SpyPointHotdog};

// The city's level-wide bound stands outside the pair table.
class LevelBound : public phBound {
public:
    LevelBound() : phBound(LEVEL) {}
    phMaterial* GetMaterial(int) override { return nullptr; }
    bool TestProbePoint(phSegment&, phIsect*, float) override { return false; }
    bool TestAIPoint(phSegment&, phIsect*) override { return false; }
    int TestEdgeSegment(phSegment&, phIsect*, int) override { return 0; }
    bool TestProbeSegment(phSegment&, phIsect*, float) override { return false; }
};

// One bound of every kind, static colliders for two sides, and the spies in place.
class DispatchTest : public ::testing::Test {
protected:
    DispatchTest() : m_Sphere(0.5f), m_Hotdog(0.3f, 1.0f), m_Box(Vector3(1, 1, 1)) {
        MakeUnitCube(m_Geometry);
        m_A.Init(nullptr, &m_MatrixA);
        m_B.Init(nullptr, &m_MatrixB);
        m_Saved = phSetPairRoutines(Spies);
        Calls.clear();
        Yields.clear();
    }
    ~DispatchTest() override { phSetPairRoutines(m_Saved); }

    phBound* Kind(char c) {
        switch (c) {
            case 'S': return &m_Sphere;
            case 'G': return &m_Geometry;
            case 'X': return &m_Box;
            case 'H': return &m_Hotdog;
            case '4': return &m_Terrain;
            case '5': return &m_TerrainAlt;
            case 'L': return &m_Level;
            default: return &m_Point;
        }
    }

    int Collide(phBound* a, phBound* b, int maxImpacts = 8) {
        m_A.Bound = a;
        m_B.Bound = b;
        return phCollision::CollideBounds(a, &m_A, b, &m_B, m_Isects1, m_Isects2, m_Impacts, 4,
                                          maxImpacts, Vector3(0, 0, 1));
    }

    phPairRoutines m_Saved;
    phBoundSphere m_Sphere;
    phBoundHotdog m_Hotdog;
    phBoundBox m_Box;
    TestMesh m_Geometry;
    phBoundTerrain m_Terrain;
    phBoundTerrainAlt m_TerrainAlt;
    LevelBound m_Level;
    phBoundPoint m_Point;
    Matrix34 m_MatrixA = Matrix34::sm_Identity;
    Matrix34 m_MatrixB = Translation(0.5f, 0, 0);
    phCollider m_A;
    phCollider m_B;
    phIsect m_Isects1[4];
    phIsect m_Isects2[4];
    phImpact m_Impacts[8];
};

TEST_F(DispatchTest, EachPairOfTypesGoesToItsRoutine) {
    struct Case {
        char a, b;
        const char* routines;  // in the order they ran
        char on;               // the bound the first routine was called on
        char first;            // whose collider the impacts name first
        int direction;         // sign of the caller's direction as the first routine saw it
    };
    const Case cases[] = {
        {'S', 'S', "SphereSphere", 'A', 'A', 0},
        {'S', 'G', "PolygonalSphere", 'B', 'A', 0},
        {'S', 'X', "BoxSphere", 'B', 'A', 0},
        {'S', '4', "TerrainSphere", 'B', 'A', -1},
        {'S', '5', "TerrainSphere", 'B', 'A', -1},
        {'S', 'H', "HotdogSphere", 'B', 'A', 0},
        {'G', 'S', "PolygonalSphere", 'A', 'B', 0},
        {'G', 'G', "PolygonalCollide FindImpacts", 'A', 'A', 1},
        {'G', 'X', "PolygonalCollide FindImpacts", 'A', 'A', 1},
        {'X', 'G', "PolygonalCollide FindImpacts", 'A', 'A', 1},
        {'G', '4', "TerrainPolygonal FindImpacts", 'B', 'A', -1},
        {'G', '5', "TerrainPolygonal FindImpacts", 'B', 'A', -1},
        {'G', 'H', "HotdogPolygonal", 'B', 'B', 0},
        {'X', 'S', "BoxSphere", 'A', 'B', 0},
        {'X', 'X', "BoxBox", 'A', 'A', 0},
        {'X', '4', "TerrainPolygonal FindImpacts", 'B', 'A', -1},
        {'X', 'H', "HotdogPolygonal", 'B', 'B', 0},
        {'H', 'S', "HotdogSphere", 'A', 'B', 0},
        {'H', 'G', "HotdogPolygonal", 'A', 'A', 0},
        {'H', 'X', "HotdogPolygonal", 'A', 'A', 0},
        {'H', '4', "TerrainHotdog", 'B', 'A', -1},
        {'H', '5', "TerrainAltHotdog", 'B', 'A', -1},
        {'H', 'H', "HotdogHotdog", 'A', 'A', 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.a) + " against " + std::string(1, c.b));
        Calls.clear();
        phBound* a = Kind(c.a);
        phBound* b = Kind(c.b);
        EXPECT_EQ(Collide(a, b), 1);
        std::string names;
        for (const Call& call : Calls) {
            names += (names.empty() ? "" : " ") + call.Routine;
        }
        ASSERT_EQ(names, c.routines);
        EXPECT_EQ(Calls.front().On, c.on == 'A' ? a : b);
        EXPECT_EQ(Calls.front().Other, c.on == 'A' ? b : a);
        EXPECT_EQ(m_Impacts[0].ColliderA, c.first == 'A' ? &m_A : &m_B);
        EXPECT_EQ(m_Impacts[0].ColliderB, c.first == 'A' ? &m_B : &m_A);
        EXPECT_EQ(Calls.front().Direction.z, float(c.direction));
    }
}

// A sphere or a capsule against a terrain is given its own motion over the frame, from the
// place it is tested at, whatever the caller's direction; the terrain that works in its own
// frame gets motion and direction turned into that frame.
TEST_F(DispatchTest, TerrainRoutinesGetTheMotionOfTheFrame) {
    m_A.EndFrame();
    m_MatrixA.d.Set(0.5f, -2.0f, 0.25f);
    // A terrain turned a quarter about y: its x is the world's -z, its z the world's x.
    m_MatrixB = Matrix34::sm_Identity;
    m_MatrixB.RotateY(1.5707964f);
    m_MatrixB.d.Set(3, 0, 0);
    struct Case {
        char a, b;
        Vector3 motion;
        Vector3 direction;
    };
    const Case cases[] = {
        {'S', '4', Vector3(0.5f, -2.0f, 0.25f), Vector3(0, 0, -1)},
        {'S', '5', Vector3(0.5f, -2.0f, 0.25f), Vector3(0, 0, -1)},
        {'H', '4', Vector3(0.5f, -2.0f, 0.25f), Vector3(0, 0, -1)},
        {'H', '5', phRotateToLocal(Vector3(0.5f, -2.0f, 0.25f), m_MatrixB),
         phRotateToLocal(Vector3(0, 0, -1), m_MatrixB)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.a) + " against " + std::string(1, c.b));
        Calls.clear();
        Collide(Kind(c.a), Kind(c.b));
        ASSERT_EQ(Calls.size(), 1u);
        EXPECT_NEAR((Calls[0].Motion - c.motion).Mag(), 0.0f, 1e-6f);
        EXPECT_NEAR((Calls[0].Direction - c.direction).Mag(), 0.0f, 1e-6f);
    }
    // Pushed by the terrain's collider last frame, A is tested from where that push left it.
    phInertialCS body;
    phCollider moving;
    moving.InitWithICS(&m_Sphere, &body, 0);
    moving.EndFrame();
    body.Matrix.d.Set(0, -1, 0);
    body.LastPush.Set(0, 0.25f, 0);
    moving.LastPusher = m_B.GetColliderID();
    Calls.clear();
    phCollision::CollideBounds(&m_Sphere, &moving, &m_Terrain, &m_B, m_Isects1, m_Isects2,
                               m_Impacts, 4, 8, Vector3(0, 0, 0));
    ASSERT_EQ(Calls.size(), 1u);
    EXPECT_NEAR((Calls[0].Motion - Vector3(0, -1.0f, 0)).Mag(), 0.0f, 1e-6f);
}

// Only two slowly moving colliders go without vertex paths.
TEST_F(DispatchTest, PolygonPairsTakeVertexPathsUnlessBothMoveSlowly) {
    const struct {
        bool slowA, slowB, paths;
    } cases[] = {{false, false, true}, {true, false, true}, {false, true, true},
                 {true, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.slowA << c.slowB);
        m_A.SlowMotion = c.slowA;
        m_B.SlowMotion = c.slowB;
        VertexPathsAsked = !c.paths;
        Collide(&m_Geometry, &m_Box);
        EXPECT_EQ(VertexPathsAsked, c.paths);
    }
}

TEST_F(DispatchTest, PolygonPairWithoutRecordsFindsNoImpacts) {
    phPairRoutines quiet = Spies;
    quiet.PolygonalCollide = [](phBoundPolygonal*, phBoundPolygonal*, const Matrix34&,
                                const Matrix34&, const Matrix34&, const Matrix34&, bool,
                                phIsect*, int& countA, phIsect*, int& countB, int,
                                const Vector3&) {
        countA = countB = 0;
        return 0;
    };
    phSetPairRoutines(quiet);
    EXPECT_EQ(Collide(&m_Geometry, &m_Box), 0);
    EXPECT_TRUE(Calls.empty());
}

TEST_CHILD(UndefinedPair) {
    phSetPairRoutines(Spies);
    phBoundSphere sphere(0.5f);
    phBoundTerrain terrain;
    LevelBound level;
    phBoundPoint point;
    phBound* pairs[3][2] = {{&terrain, &sphere}, {&sphere, &level}, {&sphere, &point}};
    phBound* a = pairs[ChildCase()][0];
    phBound* b = pairs[ChildCase()][1];
    phCollider ca;
    phCollider cb;
    ca.Init(a, nullptr);
    cb.Init(b, nullptr);
    phIsect isects[2][4];
    phImpact impacts[4];
    phCollision::CollideBounds(a, &ca, b, &cb, isects[0], isects[1], impacts, 4, 4,
                               Vector3(0, 0, 1));
    return 0;
}

TEST_F(DispatchTest, PairsOutsideTheTableAreReported) {
    const char* report = "\"A collider's bound has an undefined type\" && 0";
    ExpectFatalChildren({{"UndefinedPair", report, "case=0"},
                         {"UndefinedPair", report, "case=1"},
                         {"UndefinedPair", report, "case=2"}});
    // Placed by matrices alone, the same pair gives nothing and says nothing.
    Matrix34 m = Matrix34::sm_Identity;
    EXPECT_EQ(phCollision::CollideBounds(&m_Terrain, &m_Sphere, m, m, m, m, m_Isects1,
                                         m_Isects2, m_Impacts, 4, 8, Vector3(0, 0, 1), true),
              0);
    EXPECT_TRUE(Calls.empty());
}

// Three sphere parts of radius 0.5 in a row along x; A's sphere at the origin reaches
// parts 0 and 2 (at x 0 and 0.6) but not part 1, moved 10 m away.
class CompositeTest : public DispatchTest {
protected:
    CompositeTest() : m_P0(0.5f), m_P1(0.5f), m_P2(0.5f) {
        m_MatrixB = Matrix34::sm_Identity;
        m_Composite.SetParts({&m_P0, &m_P1, &m_P2},
                             {Translation(0, 0, 0), Translation(10, 0, 0), Translation(0.6f, 0, 0)});
    }

    phBoundSphere m_P0, m_P1, m_P2;
    TestComposite m_Composite;
};

TEST_F(CompositeTest, PartsWalkFromTheLastAndSkipThoseOutOfReach) {
    Yields[&m_P2] = 2;
    ASSERT_EQ(Collide(&m_Sphere, &m_Composite), 3);
    ASSERT_EQ(Calls.size(), 2u);
    EXPECT_EQ(Calls[0].Other, &m_P2);
    EXPECT_EQ(Calls[1].Other, &m_P0);
    const int parts[3] = {2, 2, 0};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(m_Impacts[k].ComponentB, parts[k]);
        EXPECT_EQ(m_Impacts[k].ComponentA, -1);
        EXPECT_EQ(m_Impacts[k].ColliderA, &m_A);
        EXPECT_EQ(m_Impacts[k].ColliderB, &m_B);
    }

    // The same composite as A: its parts stamp A's component.
    Calls.clear();
    ASSERT_EQ(Collide(&m_Composite, &m_Sphere), 3);
    EXPECT_EQ(Calls[0].On, &m_P2);
    EXPECT_EQ(m_Impacts[0].ComponentA, 2);
    EXPECT_EQ(m_Impacts[2].ComponentA, 0);
    EXPECT_EQ(m_Impacts[2].ComponentB, -1);
}

TEST_F(CompositeTest, AFullImpactArrayEndsTheWalk) {
    // Part 0 behind a wrapper, which shows whether it was visited at all.
    TestWrapper wrapper;
    wrapper.Wrapped = &m_P0;
    m_Composite.m_Parts[0] = &wrapper;
    Yields[&m_P2] = 4;
    EXPECT_EQ(Collide(&m_Sphere, &m_Composite, 4), 4);
    EXPECT_EQ(Calls.size(), 1u);
    EXPECT_EQ(wrapper.m_Prepared, 0);
}

TEST_F(CompositeTest, PartIndexFollowsTheSideItsColliderTook) {
    // A polygonal A against sphere parts: the routine names the sphere's collider (B's)
    // first, so the part index belongs in the impact's first component.
    m_MatrixA = Translation(0.3f, 0, 0);
    ASSERT_EQ(Collide(&m_Geometry, &m_Composite), 2);
    EXPECT_EQ(Calls[0].Routine, "PolygonalSphere");
    EXPECT_EQ(m_Impacts[0].ColliderA, &m_B);
    EXPECT_EQ(m_Impacts[0].ComponentA, 2);
    EXPECT_EQ(m_Impacts[0].ComponentB, -1);
}

TEST_F(CompositeTest, ASingleBoundOrAWrapperStandsForItsBound) {
    ASSERT_EQ(Collide(&m_Sphere, &m_Box), 1);
    std::vector<Call> direct = Calls;
    TestComposite single;
    single.SingleBound = &m_Box;
    TestWrapper wrapper;
    wrapper.Wrapped = &m_Box;
    for (phBound* b : {static_cast<phBound*>(&single), static_cast<phBound*>(&wrapper)}) {
        Calls.clear();
        ASSERT_EQ(Collide(&m_Sphere, b), 1);
        ASSERT_EQ(Calls.size(), 1u);
        EXPECT_EQ(Calls[0].Routine, direct[0].Routine);
        EXPECT_EQ(Calls[0].On, direct[0].On);
        EXPECT_EQ(m_Impacts[0].ComponentB, -1);
    }
    EXPECT_EQ(wrapper.m_Prepared, 1);
    // As A too.
    wrapper.Wrapped = &m_Sphere;
    Calls.clear();
    ASSERT_EQ(Collide(&wrapper, &m_Box), 1);
    EXPECT_EQ(Calls[0].Routine, "BoxSphere");
    EXPECT_EQ(wrapper.m_Prepared, 2);
}

TEST_CHILD(TooManyImpacts) {
    phSetPairRoutines(Spies);
    phBoundSphere sphere(0.5f);
    phBoundSphere part(0.5f);
    phBound* parts[1] = {&part};
    Matrix34 matrices[1] = {Matrix34::sm_Identity};
    TestComposite composite;
    composite.Bounds = parts;
    composite.Matrices = matrices;
    composite.NumBounds = 1;
    Yields[&part] = 5;
    phCollider ca;
    phCollider cb;
    ca.Init(&sphere, nullptr);
    cb.Init(&composite, nullptr);
    phIsect isects[2][4];
    phImpact impacts[8];
    phCollision::CollideBounds(&sphere, &ca, &composite, &cb, isects[0], isects[1], impacts, 4, 4,
                               Vector3(0, 0, 1));
    return 0;
}

TEST_F(CompositeTest, APartThatOverfillsTheArrayIsReported) {
    ExpectFatalChild("TooManyImpacts", "\"Found too many impacts\" && total<=maxnumimpacts");
}

// A body pushed out of the ground last frame is tested from where the push left it, by the
// pusher as by anyone: its paths start outside the pusher.
TEST(ColliderMatrix, ThePushStaysInTheLastMatrix) {
    phBoundSphere sphere(0.5f);
    phInertialCS body;
    body.InitSphere(1.0f, 0.5f);
    Matrix34 storage = Translation(1, 2, 3);
    phCollider pushed;
    pushed.InitWithStorage(&sphere, &storage, &body, 0);
    pushed.LastMatrix = Translation(1, 2, 3);
    pushed.LastMatrix.RotateY(0.5f);
    body.LastPush.Set(0.1f, 0.2f, 0.0f);
    pushed.LastPusher = 77;
    Matrix34 out;
    phCollision::GetColliderMatrix(pushed, out);
    EXPECT_EQ(std::memcmp(&out, &pushed.LastMatrix, sizeof(out)), 0);
}

TEST(RelativeOffset, LastOffsetTurnsWithTheFirstMatrix) {
    Matrix34 lastP = Translation(1, 0, 0);
    Matrix34 lastQ = Matrix34::sm_Identity;
    Matrix34 currentP = Matrix34::sm_Identity;
    currentP.a.Set(0, 0, -1);
    currentP.b.Set(0, 1, 0);
    currentP.c.Set(1, 0, 0);
    Vector3 out;
    phCollision::GetRelativeOffset(&currentP, &lastP, &lastQ, Vector3(0, 0.5f, 0), out);
    EXPECT_FLOAT_EQ(out.x, 0.0f);
    EXPECT_FLOAT_EQ(out.y, 0.5f);
    EXPECT_FLOAT_EQ(out.z, -1.0f);
}

TEST_CHILD(RelativeOffsetWithoutMatrix) {
    Matrix34 m = Matrix34::sm_Identity;
    Vector3 out;
    if (ChildCase() == 0) {
        phCollision::GetRelativeOffset(nullptr, &m, &m, Vector3(0, 0, 0), out);
    } else {
        phCollision::GetRelativeOffset(&m, &m, nullptr, Vector3(0, 0, 0), out);
    }
    return 0;
}

TEST(RelativeOffset, MissingMatricesAreReported) {
    ExpectFatalChildren(
        {{"RelativeOffsetWithoutMatrix",
          "\"A collider's or instance's current matrix is NULL\" && currentA", "case=0"},
         {"RelativeOffsetWithoutMatrix",
          "\"A collider's or instance's last matrix is NULL\" && lastA && lastB", "case=1"}});
}

TEST_F(DispatchTest, PointSourcesReachTheShapeUnderWrappers) {
    struct Case {
        phBound* x;
        const char* routine;
    };
    TestWrapper wrapper;
    wrapper.Wrapped = &m_Hotdog;
    TestComposite single;
    single.SingleBound = &wrapper;
    TestComposite parts;
    const Case cases[] = {
        {&m_Sphere, "PointSphere"},    {&m_Geometry, "PointPolygonal"},
        {&m_Box, "PointPolygonal"},    {&m_Terrain, "PointPolygonal"},
        {&m_TerrainAlt, "PointPolygonal"}, {&m_Hotdog, "PointHotdog"},
        {&single, "PointHotdog"},      {&parts, nullptr},
        {&m_Level, nullptr},
    };
    for (const Case& c : cases) {
        Calls.clear();
        phCollision::CollideSpecial(c.x, &m_A, &m_Point, &m_B);
        if (!c.routine) {
            EXPECT_TRUE(Calls.empty());
            continue;
        }
        ASSERT_EQ(Calls.size(), 1u) << c.routine;
        EXPECT_EQ(Calls[0].Routine, c.routine);
        EXPECT_EQ(Calls[0].On, &m_Point);
        EXPECT_EQ(Calls[0].First, &m_B);
        EXPECT_EQ(Calls[0].Second, &m_A);
    }
    EXPECT_EQ(wrapper.m_Prepared, 1);
}

TEST_CHILD(PointSourceMissing) {
    phBoundSphere a(0.5f);
    phBoundSphere b(0.5f);
    phCollider ca;
    phCollider cb;
    phCollision::CollideSpecial(&a, &ca, &b, &cb);
    return 0;
}

TEST_F(DispatchTest, ASecondBoundThatIsNoPointSourceIsReported) {
    ExpectFatalChild("PointSourceMissing", "0");
}

// The real routine table: a sphere resting on a geometry cube names the sphere's collider
// first whichever side it is passed on.
TEST(ShapeRoutines, SphereOnAGeometryCubeNamesTheSphereFirst) {
    phPairRoutines saved = phSetPairRoutines(phShapePairRoutines());
    TestMesh cube;
    MakeUnitCube(cube);
    phBoundSphere sphere(0.5f);
    Matrix34 cubeMatrix = Matrix34::sm_Identity;
    Matrix34 sphereMatrix = Translation(0.0f, 0.98f, 0.0f);
    phCollider cubeCollider;
    phCollider sphereCollider;
    cubeCollider.Init(&cube, &cubeMatrix);
    sphereCollider.Init(&sphere, &sphereMatrix);
    phIsect isects1[4];
    phIsect isects2[4];
    phImpact impacts[8];
    for (bool sphereFirst : {true, false}) {
        SCOPED_TRACE(sphereFirst);
        phColliderBase& a = sphereFirst ? static_cast<phColliderBase&>(sphereCollider) : cubeCollider;
        phColliderBase& b = sphereFirst ? static_cast<phColliderBase&>(cubeCollider) : sphereCollider;
        int n = phCollision::CollideBounds(a.GetBound(), &a, b.GetBound(), &b, isects1, isects2,
                                           impacts, 4, 8, Vector3(0, 0, 0));
        ASSERT_GE(n, 1);
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(impacts[i].ColliderA, &sphereCollider);
            EXPECT_EQ(impacts[i].ColliderB, &cubeCollider);
            // From the cube towards the sphere.
            EXPECT_GT(impacts[i].Normal.y, 0.9f);
        }
    }
    phSetPairRoutines(saved);
}

// A small sphere that went through a thin floor within one frame, far from the floor's
// origin: the floor's routine looks back along the sphere's motion relative to the floor and
// pushes it back up, whichever side the caller names first and whatever the caller's
// direction holds.
TEST(ShapeRoutines, FastSphereIsCaughtByTheFloorItPassedThrough) {
    phPairRoutines saved = phSetPairRoutines(phShapePairRoutines());
    TestMesh geometry;
    MakeFloor(geometry, 5.0f, 0.0f, true);
    phBoundBox slab(Vector3(10.0f, 0.1f, 10.0f));
    for (phBound* floor : {static_cast<phBound*>(&geometry), static_cast<phBound*>(&slab)}) {
        Matrix34 floorMatrix =
            floor == &slab ? Translation(0.0f, -0.05f, 0.0f) : Matrix34::sm_Identity;
        phBoundSphere sphere(0.1f);
        Matrix34 sphereMatrix = Translation(4.0f, 0.3f, 4.0f);
        phCollider floorCollider;
        phCollider sphereCollider;
        floorCollider.Init(floor, &floorMatrix);
        sphereCollider.Init(&sphere, &sphereMatrix);
        sphereMatrix.d.y = -0.3f;
        phIsect isects1[4];
        phIsect isects2[4];
        phImpact impacts[8];
        for (bool sphereFirst : {true, false}) {
            SCOPED_TRACE(::testing::Message() << "type " << floor->Type << " first " << sphereFirst);
            phColliderBase& a = sphereFirst ? static_cast<phColliderBase&>(sphereCollider) : floorCollider;
            phColliderBase& b = sphereFirst ? static_cast<phColliderBase&>(floorCollider) : sphereCollider;
            Vector3 direction = a.CurrentMatrix->d - a.LastMatrix.d;
            int n = phCollision::CollideBounds(a.GetBound(), &a, b.GetBound(), &b, isects1,
                                               isects2, impacts, 4, 8, direction);
            ASSERT_GE(n, 1);
            EXPECT_GT(impacts[0].Normal.y, 0.99f);
            EXPECT_GT(impacts[0].Depth, 0.3f);
        }
    }
    phSetPairRoutines(saved);
}

}  // namespace
