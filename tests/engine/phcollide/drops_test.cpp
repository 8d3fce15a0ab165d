// Scenes run through the public classes as the game runs them, checked for invariants rather
// than recorded numbers: bodies dropped on box, geometry and terrain grounds come to rest
// without sinking, flying off or gaining energy; bodies meeting head-on keep their momentum;
// a box over the inner edge of a flat ground gets only upward, shallow impacts.
#include <cmath>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "tests/engine/phbound/meshes.h"
#include "tests/engine/phcollide/dropworld.h"
#include "tests/support/scratch.h"

namespace {

const int TenSeconds = 600;
const float Tolerance = 0.01f;
// The active bangers' rest tolerance: with impulses alone a resting body keeps the speed of
// one frame of gravity.
const float ImpulseRest2 = 0.5f;
// A landing contact spring lets a falling box sink a little past the margin before it holds.
const float LandingSink = 0.025f;

struct Drop {
    Ground Ground;
    Shape Shape;
    bool Tilted;
    bool Contacts;
};

std::string DropName(const ::testing::TestParamInfo<Drop>& info) {
    const Drop& d = info.param;
    return std::string(d.Contacts ? "Contacts" : "Impulses") + "_" + ShapeName(d.Shape) +
           (d.Tilted ? "Tilted" : "") + "_on_" + GroundName(d.Ground);
}

// The scratch folder relative to the working directory, where ground files go.
std::string ScratchRoot(const ScratchDir& scratch) {
    const std::string& root = scratch.Root();
    return root.substr(root.rfind("\\scratch\\") + 1);
}

// A start 1 m above the ground (lowest point), somewhere over its middle, turned at random
// when tilted; a capsule lies along x.
Matrix34 DropStart(const Drop& drop, std::mt19937& random) {
    std::uniform_real_distribution<float> place(-4.0f, 4.0f);
    std::uniform_real_distribution<float> tilt(0.2f, 0.6f);
    Matrix34 m = Matrix34::sm_Identity;
    if (drop.Shape == Shape::CAPSULE) {
        m.MakeRotateZ(1.5707964f);
    }
    if (drop.Tilted) {
        m.RotateX(tilt(random));
        m.RotateZ(tilt(random));
        m.RotateY(tilt(random));
    }
    float x = place(random);
    float z = place(random);
    m.d.Set(x, 0.0f, z);
    DropBody probe(drop.Shape, 1.0f, m);
    m.d.y = 1.0f - probe.LowestPoint();
    return m;
}

class DropTest : public ::testing::TestWithParam<Drop> {};

TEST_P(DropTest, BodyComesToRestOnTheGroundAndSleeps) {
    const Drop& drop = GetParam();
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        ScratchDir scratch;
        DropWorld world(drop.Ground, drop.Contacts, ScratchRoot(scratch));
        ASSERT_TRUE(world.Loaded());
        DropBody& body = world.Add(drop.Shape, 1.0f, DropStart(drop, random), Vector3(0, 0, 0));
        DropReport r = world.Run(TenSeconds, true, ImpulseRest2);
        ASSERT_EQ(r.NonFiniteFrame, -1);
        // Box pairs report depths net of the margin, and the pushes take the margin off again:
        // a box rests two margins deep in a box ground.
        float margins = drop.Ground == Ground::BOX && drop.Shape == Shape::BOX ? 2.0f : 1.0f;
        EXPECT_LT(r.WorstSink, margins * phBound::DefaultMargin + LandingSink);
        EXPECT_LT(r.WorstExcessDepth, Tolerance);
        // Pushes may lift a body out by the margin; nothing else adds energy.
        EXPECT_LT(r.WorstEnergyGain, body.Ics.Mass * phCollision::Gravity *
                                         (phBound::DefaultMargin + Tolerance));
        EXPECT_LT(r.FarthestFromStart, 2.0f);
        EXPECT_GE(r.AsleepFrom, 0);
        EXPECT_LT(r.AsleepFrom, TenSeconds - 60);
        EXPECT_LT(body.LowestPoint(), Tolerance);
    }
}

std::vector<Drop> AllDrops() {
    std::vector<Drop> drops;
    for (bool contacts : {false, true}) {
        for (Ground ground : {Ground::BOX, Ground::GEOMETRY, Ground::TERRAIN}) {
            drops.push_back(Drop{ground, Shape::BOX, false, contacts});
            drops.push_back(Drop{ground, Shape::BOX, true, contacts});
            drops.push_back(Drop{ground, Shape::SPHERE, false, contacts});
            drops.push_back(Drop{ground, Shape::CAPSULE, true, contacts});
        }
    }
    return drops;
}

INSTANTIATE_TEST_SUITE_P(Drops, DropTest, ::testing::ValuesIn(AllDrops()), DropName);

// A prop knocked by a car: thrown down at 60 m/s from 1 m up, level and tilted, it is
// stopped by every kind of ground on either response path and stays above it.
TEST(FastDropTest, ThrownDownAtSixtyItStaysAboveTheGround) {
    for (const Drop& drop : AllDrops()) {
        SCOPED_TRACE(DropName(::testing::TestParamInfo<Drop>(drop, 0)));
        std::mt19937 random(7);
        ScratchDir scratch;
        DropWorld world(drop.Ground, drop.Contacts, ScratchRoot(scratch));
        ASSERT_TRUE(world.Loaded());
        DropBody& body =
            world.Add(drop.Shape, 1.0f, DropStart(drop, random), Vector3(0, -60.0f, 0));
        DropReport r = world.Run(120, true, ImpulseRest2);
        ASSERT_EQ(r.NonFiniteFrame, -1);
        EXPECT_GT(body.Ics.Matrix.d.y, 0.0f);
        EXPECT_GT(body.LowestPoint(), -2.0f * phBound::DefaultMargin - Tolerance);
    }
}

struct HeadOn {
    Shape Shape;
    float MassB;
    bool Contacts;
    // Of the first body's momentum.
    float MomentumTolerance;
};

class HeadOnTest : public ::testing::TestWithParam<HeadOn> {};

// Two bodies meet head-on without gravity, their total momentum zero: it stays zero, and
// neither speeds up past where it started.
TEST_P(HeadOnTest, PairKeepsItsMomentum) {
    const HeadOn& pair = GetParam();
    DropWorld world(Ground::NONE, pair.Contacts, "");
    const float speedA = 2.0f;
    const Vector3 velocityA(speedA, 0, 0);
    DropBody& a = world.Add(pair.Shape, 1.0f, Translation(-0.6f, 0, 0), velocityA);
    DropBody& b = world.Add(pair.Shape, pair.MassB, Translation(0.6f, 0, 0),
                            velocityA * (-1.0f / pair.MassB));
    // No rest monitor here: a body put to rest mid-flight would lose its momentum.
    DropReport r = world.Run(120, false, 0.0f);
    ASSERT_EQ(r.NonFiniteFrame, -1);
    EXPECT_LT(r.WorstMomentum, pair.MomentumTolerance * speedA);
    EXPECT_LT(r.WorstEnergyGain, 1e-3);
    // They met and no longer approach.
    EXPECT_LT(a.Ics.Velocity.x, speedA * 0.5f);
    EXPECT_LE(a.Ics.Velocity.x - b.Ics.Velocity.x, 0.01f);
}

INSTANTIATE_TEST_SUITE_P(Pairs, HeadOnTest,
                         ::testing::Values(HeadOn{Shape::SPHERE, 1.0f, true, 0.01f},
                                           HeadOn{Shape::SPHERE, 2.0f, true, 0.01f},
                                           HeadOn{Shape::SPHERE, 2.0f, false, 0.01f},
                                           HeadOn{Shape::BOX, 2.0f, true, 0.001f},
                                           HeadOn{Shape::BOX, 3.0f, false, 0.01f}),
                         [](const ::testing::TestParamInfo<HeadOn>& info) {
                             return std::string(info.param.Contacts ? "Contacts" : "Impulses") +
                                    "_" + ShapeName(info.param.Shape) + "_mass_" +
                                    std::to_string(int(info.param.MassB));
                         });

// A 10 m flat quad split on its diagonal (two coplanar triangles), as geometry and as
// terrain, and a unit box yawed 45 degrees and tilted 0.03 rad, its deepest corner sunk a
// little, at every placement of a 63 x 63 grid over the quad (the diagonal among them), the
// box within the quad's border. Every impact points up, is no deeper than the corner is sunk (plus the margin), and lies within
// the box's reach.
TEST(FlatEdgeTest, BoxOverTheInnerEdgeGetsOnlyUpwardShallowImpacts) {
    ScratchDir scratch;
    for (bool terrainGround : {false, true}) {
        SCOPED_TRACE(terrainGround ? "terrain" : "geometry");
        phBoundTerrain terrain;
        phBoundGeometry geometry;
        phBoundGeometry& ground = terrainGround ? terrain : geometry;
        ASSERT_TRUE(LoadGroundText(ground, ScratchRoot(scratch), "quad", FlatGroundText(1, 10.0f)));
        if (terrainGround) {
            BuildTerrainGrid(terrain, 1, 1);
        }
        Matrix34 groundMatrix = Translation(-5.0f, 0.0f, -5.0f);
        phColliderBase groundCollider;
        groundCollider.InitStatic(&groundMatrix, &ground);
        phBoundBox box;
        phInertialCS ics;
        phCollider collider;
        phIsect isects1[100];
        phIsect isects2[100];
        phImpact impacts[200];
        for (float sink : {0.0005f, 0.03f}) {
            int bad = 0;
            for (int i = 0; i < 63; ++i) {
                for (int j = 0; j < 63; ++j) {
                    Matrix34 m = Matrix34::sm_Identity;
                    m.MakeRotateY(0.7853982f);
                    m.RotateX(0.03f);
                    m.d.Set(-4.2f + 8.4f * i / 62.0f, 0.0f, -4.2f + 8.4f * j / 62.0f);
                    float lowest = m.d.y - 0.5f * (std::fabs(m.a.y) + std::fabs(m.b.y) +
                                                   std::fabs(m.c.y));
                    m.d.y -= lowest + sink;
                    ics.Matrix = m;
                    collider.InitWithICS(&box, &ics, 0);
                    collider.SaveLastMatrix();
                    int n = phCollision::CollideBounds(&box, &collider, &ground, &groundCollider,
                                                       isects1, isects2, impacts, 100, 200,
                                                       Vector3(0, 0, 0));
                    for (int k = 0; k < n; ++k) {
                        const phImpact& impact = impacts[k];
                        bool fine = impact.Normal.y > 0.95f &&
                                    impact.Depth <= sink + phBound::DefaultMargin + 1e-3f &&
                                    impact.Position.Dist(m.d) < 0.87f + sink;
                        if (!fine && bad++ < 3) {
                            ADD_FAILURE() << "sink " << sink << " at (" << m.d.x << ", "
                                          << m.d.z << "): normal (" << impact.Normal.x << ", "
                                          << impact.Normal.y << ", " << impact.Normal.z
                                          << "), depth " << impact.Depth << ", at ("
                                          << impact.Position.x << ", " << impact.Position.y
                                          << ", " << impact.Position.z << ")";
                        }
                    }
                }
            }
            EXPECT_EQ(bad, 0) << "sink " << sink;
        }
    }
}

}  // namespace
