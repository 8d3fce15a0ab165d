#include "phbound/impact.h"

#include <cfloat>
#include <cmath>

#include <gtest/gtest.h>

#include "phbound/bound.h"
#include "phcollide/collider.h"
#include "phcore/material.h"
#include "phinertia/inertia.h"
#include "tests/engine/phbound/meshes.h"
#include "tests/engine/phcollide/containers.h"
#include "tests/engine/phinertia/reference.h"
#include "tests/support/child.h"

namespace {

// A terrain-like bound: one material per index.
class TerrainBound : public phBound {
public:
    TerrainBound() : phBound(TERRAIN) { NumMaterials = 2; }
    phMaterial* GetMaterial(int index) override { return &m_Materials[index]; }
    bool TestProbePoint(phSegment&, phIsect*, float) override { return false; }
    bool TestAIPoint(phSegment&, phIsect*) override { return false; }
    int TestEdgeSegment(phSegment&, phIsect*, int) override { return 0; }
    bool TestProbeSegment(phSegment&, phIsect*, float) override { return false; }

    phMaterial m_Materials[2];
};

// Body A with a collider, against a static collider B or a second body.
struct Pair {
    TestMesh boundA;
    TestMesh boundB;
    phInertialCS bodyA;
    phInertialCS bodyB;
    phCollider a;
    phCollider b;
    phImpact impact;

    explicit Pair(bool staticB) {
        MakeUnitCube(boundA);
        MakeUnitCube(boundB);
        a.InitWithICS(&boundA, &bodyA, 0);
        if (staticB) {
            b.Init(&boundB, nullptr);
        } else {
            b.InitWithICS(&boundB, &bodyB, 0);
        }
        impact.Clear();
        impact.Type = phImpact::A_ON_FACE;
        impact.Normal.Set(0, 1, 0);
        impact.Position.Set(0, 0, 0);
        impact.ColliderA = &a;
        impact.ColliderB = &b;
    }

    void SetMaterials(float friction, float elasticity) {
        boundA.m_Material.Friction = friction;
        boundA.m_Material.Elasticity = elasticity;
        boundB.m_Material.Friction = 1.0f;
        boundB.m_Material.Elasticity = 1.0f;
    }

    Vector3 RelativeVelocity() {
        Vector3 va;
        Vector3 vb;
        impact.GetLocalVelocity(va, vb);
        return va - vb;
    }

    // The impulses taken into the velocities at once.
    void Fold() {
        bodyA.Update(0.0f);
        bodyB.Update(0.0f);
    }
};

double KineticEnergy(const phInertialCS& body) {
    DVec w(body.AngVelocity);
    DMat r = DMat::Rows(body.Matrix);
    DMat inertia = r.Transposed() * DMat::Diagonal(DVec(body.AngInertia)) * r;
    return 0.5 * body.Mass * DVec(body.Velocity).Dot(DVec(body.Velocity)) +
           0.5 * (w * inertia).Dot(w);
}

}  // namespace

// A body of mass 1 falling at 2 onto a static collider, hit on the line through its centre.
TEST(ImpactTest, FallingBodyOnStaticGround) {
    struct Case {
        const char* name;
        float elasticity;
        Vector3 velocity;
        float impulse;
        float rebound;
    };
    const Case cases[] = {
        {"defaults", 0.1f, Vector3(0, -2, 0), 2.02f, 0.02f},
        {"bouncy", 0.5f, Vector3(0, -2, 0), 2.5f, 0.5f},
        {"separating", 0.5f, Vector3(0, 0.02f, 0), 0.0f, 0.02f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pair pair(true);
        pair.boundA.m_Material.Elasticity = c.elasticity;
        pair.boundB.m_Material.Elasticity = c.elasticity;
        SetMotion(pair.bodyA, c.velocity, Vector3::sm_Zero);
        pair.impact.Position.Set(0, -0.5f, 0);
        Vector3 pushA;
        Vector3 pushB;
        Vector3 j;
        pair.impact.ComputeImpulse(pair.RelativeVelocity(), 1.0f, pushA, pushB, j);
        EXPECT_NEAR(j.y, c.impulse, 1e-5f);
        EXPECT_NEAR(j.x, 0.0f, 1e-6f);
        EXPECT_TRUE(pushA.IsZero());
        pair.impact.ApplyImpulseAndPush(j, pushA, pushB);
        pair.Fold();
        EXPECT_NEAR(pair.bodyA.Velocity.y, c.rebound, 1e-5f);
    }
}

// A static side counts as infinitely heavy; a side of mass 0 makes the pair weightless, so
// that a contact with it gets no spring.
TEST(ImpactTest, EffectiveMassCountsImmovableSidesAsInfinite) {
    struct Case {
        const char* name;
        bool staticB;
        float massA, massB;
        float expected;
    };
    const Case cases[] = {
        {"static against 2", true, 2, 0, 2.0f},
        {"2 against 2", false, 2, 2, 1.0f},
        {"massless against 2", false, 0, 2, 0.0f},
        {"2 against massless", false, 2, 0, 0.0f},
        {"massless against static", true, 0, 0, 0.0f},
        {"static against static", true, 0, 0, FLT_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pair pair(c.staticB);
        pair.bodyA.Init(c.massA, 1, 1, 1);
        pair.bodyB.Init(c.massB, 1, 1, 1);
        if (c.expected == FLT_MAX) {
            pair.impact.ColliderA->ICS = nullptr;
        }
        float mass = pair.impact.GetEffectiveMass();
        EXPECT_NEAR(mass, c.expected, 1e-6f * c.expected);
    }
}

// Pushes share the depth beyond the default margin by the sides' mobility, and never push a
// side down while the other side can be pushed up.
TEST(ImpactTest, PushesFromTheExcessDepth) {
    struct Case {
        const char* name;
        bool staticB;
        float normalY, depth;
        Vector3 pushA, pushB;
    };
    const Case cases[] = {
        {"deep on static", true, 1, 0.135f, Vector3(0, 0.1f, 0), Vector3(0, 0, 0)},
        {"at the margin", true, 1, 0.035f, Vector3(0, 0, 0), Vector3(0, 0, 0)},
        {"equal bodies", false, 1, 0.135f, Vector3(0, 0.1f, 0), Vector3(0, 0, 0)},
        {"A pushed down", false, -1, 0.135f, Vector3(0, 0, 0), Vector3(0, 0.1f, 0)},
        {"A down on static", true, -1, 0.135f, Vector3(0, -0.1f, 0), Vector3(0, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pair pair(c.staticB);
        pair.impact.Normal.Set(0, c.normalY, 0);
        pair.impact.Depth = c.depth;
        Vector3 pushA;
        Vector3 pushB;
        Vector3 j;
        pair.impact.ComputeImpulse(Vector3(0, 1, 0) * c.normalY, 1.0f, pushA, pushB, j);
        EXPECT_TRUE(j.IsZero());
        ExpectNear(pushA, DVec(c.pushA), 1e-6);
        ExpectNear(pushB, DVec(c.pushB), 1e-6);
    }
    // The more mobile side takes the larger share: a body of mass 1 against one of mass 4.
    Pair pair(false);
    pair.bodyB.Init(4, 1, 1, 1);
    pair.impact.Normal.Set(1, 0, 0);
    pair.impact.Depth = 0.135f;
    Vector3 pushA;
    Vector3 pushB;
    Vector3 j;
    pair.impact.ComputeImpulse(Vector3(1, 0, 0), 1.0f, pushA, pushB, j);
    EXPECT_NEAR(pushA.x, 0.1f * 0.8f, 1e-6f);
    EXPECT_NEAR(pushB.x, -0.1f * 0.2f, 1e-6f);
}

// Sliding outside the friction cone: the impulse lies along the cone's edge and stops the
// normal approach entirely.
TEST(ImpactTest, FrictionConeStopsTheNormalApproach) {
    Pair pair(true);
    pair.SetMaterials(0.5f, 0.0f);
    SetMotion(pair.bodyA, Vector3(3, -1, 0), Vector3::sm_Zero);
    Vector3 pushA;
    Vector3 pushB;
    Vector3 j;
    pair.impact.ComputeImpulse(pair.RelativeVelocity(), 1.0f, pushA, pushB, j);
    ExpectNear(j, DVec(-0.5, 1.0, 0.0), 1e-6);
    pair.impact.ApplyImpulseAndPush(j, pushA, pushB);
    pair.Fold();
    EXPECT_NEAR(pair.bodyA.Velocity.y, 0.0f, 1e-6f);
    EXPECT_NEAR(pair.bodyA.Velocity.x, 2.5f, 1e-6f);

    // Friction 0 on one side: only the normal part remains.
    Pair slippery(true);
    slippery.SetMaterials(0.0f, 0.0f);
    slippery.bodyA.Velocity.Set(3, -1, 0);
    slippery.impact.ComputeImpulse(slippery.RelativeVelocity(), 1.0f, pushA, pushB, j);
    ExpectNear(j, DVec(0.0, 1.0, 0.0), 1e-6);
    EXPECT_EQ(slippery.impact.Friction, 0.0f);
}

// Random pairs of bodies and contacts: the impulse against a double-precision port of the
// algorithm, then its effect: the normal approach turns into a rebound of e times it, the
// momentum is kept and no energy is made.
TEST(ImpactTest, ImpulsesMatchDoubleReferenceAndConserve) {
    RandomBodies random(2807);
    for (int trial = 0; trial < 300; ++trial) {
        SCOPED_TRACE(trial);
        Pair pair(trial % 5 == 0);
        random.Body(pair.bodyA);
        random.Body(pair.bodyB);
        for (phInertialCS* body : {&pair.bodyA, &pair.bodyB}) {
            body->MaxAngVelocity.Set(1e6f, 1e6f, 1e6f);
            SetMotion(*body, random.Vector(4.0f), random.Vector(1.0f));
        }
        pair.SetMaterials(trial % 7 == 0 ? 0.0f : random.Uniform(0.1f, 1.0f),
                          random.Uniform(0.0f, 1.0f));
        pair.impact.Normal = random.Unit();
        pair.impact.Position = (pair.bodyA.Matrix.d + pair.bodyB.Matrix.d) * 0.5f;
        Vector3 d = pair.RelativeVelocity();
        DVec n(pair.impact.Normal);
        if (DVec(d).Dot(n) > 0.0) {
            pair.impact.Normal.Negate();
            n = n * -1.0;
        }
        Vector3 pushA;
        Vector3 pushB;
        Vector3 j;
        pair.impact.ComputeImpulse(d, 1.0f, pushA, pushB, j);

        // The reference: K = KA + KB, j = -d·K⁻¹, the cone, then (1 + e).
        DVec point(pair.impact.Position);
        bool staticB = pair.b.ICS == nullptr;
        DMat k;
        for (int axis = 0; axis < 3; ++axis) {
            DVec unit(axis == 0, axis == 1, axis == 2);
            DVec row = VelocityChange(pair.bodyA, unit, point, point);
            if (!staticB) {
                row = row + VelocityChange(pair.bodyB, unit, point, point);
            }
            k.r[axis] = row;
        }
        DVec jr = (DVec(d) * -1.0) * k.Inverse();
        double jn = jr.Dot(n);
        DVec t = jr - n * jn;
        double mu = pair.impact.Friction;
        double e = pair.impact.Elasticity;
        if (jn * mu < t.Mag()) {
            DVec u = t.Mag() > 0 ? t * (mu / t.Mag()) + n : n;
            jr = u * (-DVec(d).Dot(n) / n.Dot(u * k));
        }
        jr = jr * (1.0 + e);
        ExpectNear(j, jr, 2e-3);

        double before = KineticEnergy(pair.bodyA) + (staticB ? 0.0 : KineticEnergy(pair.bodyB));
        DVec momentum = DVec(pair.bodyA.Momentum) + (staticB ? DVec() : DVec(pair.bodyB.Momentum));
        double approach = DVec(d).Dot(n);
        pair.impact.ApplyImpulseAndPush(j, Vector3::sm_Zero, Vector3::sm_Zero);
        pair.Fold();
        Vector3 after = pair.RelativeVelocity();
        EXPECT_NEAR(DVec(after).Dot(n), -e * approach, 2e-3 * (1.0 + std::fabs(approach)));
        double energy = KineticEnergy(pair.bodyA) + (staticB ? 0.0 : KineticEnergy(pair.bodyB));
        EXPECT_LE(energy, before * (1.0 + 1e-4) + 1e-6);
        if (!staticB) {
            ExpectNear(pair.bodyA.Momentum + pair.bodyB.Momentum, momentum, 1e-5);
        }
    }
}

// Two equal bodies head-on: the momentum stays, within 1e-5.
TEST(ImpactTest, HeadOnCollisionKeepsMomentum) {
    Pair pair(false);
    pair.bodyA.InitBox(2, 1, 1, 1);
    pair.bodyB.InitBox(2, 1, 1, 1);
    pair.bodyA.Matrix.d.Set(-0.5f, 0, 0);
    pair.bodyB.Matrix.d.Set(0.5f, 0, 0);
    SetMotion(pair.bodyA, Vector3(1, 0, 0), Vector3::sm_Zero);
    SetMotion(pair.bodyB, Vector3(-1, 0, 0), Vector3::sm_Zero);
    pair.impact.Normal.Set(-1, 0, 0);
    pair.impact.Depth = 0.1f;
    Vector3 pushA;
    Vector3 pushB;
    Vector3 j;
    pair.impact.ComputeImpulse(pair.RelativeVelocity(), 1.0f, pushA, pushB, j);
    pair.impact.ApplyImpulseAndPush(j, pushA, pushB);
    EXPECT_EQ(pair.bodyA.Impulse.x, -pair.bodyB.Impulse.x);
    EXPECT_NEAR(pushA.x, -0.0325f, 1e-6f);
    EXPECT_NEAR(pushB.x, 0.0325f, 1e-6f);
    pair.a.EndFrameAndUpdate();
    pair.b.EndFrameAndUpdate();
    Vector3 total = pair.bodyA.Momentum + pair.bodyB.Momentum;
    EXPECT_NEAR(total.Mag(), 0.0f, 1e-5f);
    EXPECT_NEAR(pair.bodyA.Velocity.x, -0.01f, 1e-5f);
    EXPECT_LT(pair.bodyA.Matrix.d.x, -0.5f);
}

TEST(ImpactTest, ForcesAndMaterialsOnBothSides) {
    Pair pair(false);
    Matrix34 k = Matrix34::sm_Identity;
    pair.impact.ApplyForceAndPush(Vector3(0, 5, 0), Vector3(0, 0.1f, 0), Vector3(0, -0.1f, 0),
                                  k);
    EXPECT_EQ(pair.bodyA.OtherForce.y, 5.0f);
    EXPECT_EQ(pair.bodyB.OtherForce.y, -5.0f);
    EXPECT_EQ(pair.bodyA.Push.y, 0.1f);
    EXPECT_EQ(pair.bodyB.Push.y, -0.1f);
    EXPECT_EQ(pair.bodyB.Implicit, 1u);

    pair.boundA.m_Material.Friction = 0.4f;
    pair.boundB.m_Material.Friction = 0.5f;
    pair.boundA.m_Material.Elasticity = 0.5f;
    pair.boundB.m_Material.Elasticity = 0.5f;
    pair.impact.CombineMaterials();
    EXPECT_FLOAT_EQ(pair.impact.Friction, 0.2f);
    EXPECT_FLOAT_EQ(pair.impact.Elasticity, 0.25f);

    TerrainBound terrain;
    terrain.m_Materials[1].Friction = 0.9f;
    phColliderBase ground;
    ground.InitStatic(nullptr, &terrain);
    EXPECT_EQ(phImpact::GetMaterial(&ground, 1), &terrain.m_Materials[1]);
    EXPECT_EQ(phImpact::GetMaterial(&pair.a, 5), &pair.boundA.m_Material);
}

TEST(ImpactTest, ImpulseToStopAPoint) {
    phInertialCS point;
    point.Init(2, 1, 1, 1);
    EXPECT_NEAR(phImpact::ImpulseToStop(point, Vector3(0, 1, 0), -2.0f, Vector3::sm_Zero), 4.0f,
                1e-6f);
    EXPECT_EQ(phImpact::ImpulseToStop(point, Vector3(0, 1, 0), 0.5f, Vector3::sm_Zero), 0.0f);
    phInertialCS fixed;
    fixed.Init(0, 0, 0, 0);
    EXPECT_EQ(phImpact::ImpulseToStop(fixed, Vector3(0, 1, 0), -2.0f, Vector3(1, 0, 0)), 0.0f);

    RandomBodies random(2808);
    for (int trial = 0; trial < 50; ++trial) {
        phInertialCS body;
        random.Body(body);
        Vector3 n = random.Unit();
        Vector3 at = body.Matrix.d + random.Vector(1.5f);
        float s = -random.Uniform(0.1f, 5.0f);
        float stop = phImpact::ImpulseToStop(body, n, s, at);
        DVec change = VelocityChange(body, DVec(n) * stop, DVec(at), DVec(at));
        EXPECT_NEAR(change.Dot(DVec(n)), -s, 1e-4 * (1.0 - s));
    }
}

// Fixed bodies (mass 0) against anything: every answer finite, the fixed body still.
TEST(ImpactTest, FixedBodiesGiveFiniteImpulses) {
    for (int staticB = 0; staticB < 2; ++staticB) {
        Pair pair(staticB != 0);
        pair.bodyA.Init(0, 0, 0, 0);
        pair.bodyB.Init(3, 1, 1, 1);
        SetMotion(pair.bodyB, Vector3(0, 2, 1), Vector3(0, 1, 0));
        pair.impact.Position.Set(0.3f, -0.5f, 0.2f);
        pair.impact.Depth = 0.2f;
        Vector3 pushA;
        Vector3 pushB;
        Vector3 j;
        Vector3 d = pair.RelativeVelocity();
        pair.impact.ComputeImpulse(d, 1.0f, pushA, pushB, j);
        EXPECT_TRUE(IsFinite(j));
        EXPECT_TRUE(IsFinite(pushA));
        EXPECT_TRUE(IsFinite(pushB));
        EXPECT_TRUE(pushA.IsZero());
        EXPECT_TRUE(std::isfinite(pair.impact.GetEffectiveMass()));
        pair.impact.ApplyImpulseAndPush(j, pushA, pushB);
        pair.a.EndFrameAndUpdate();
        pair.b.EndFrameAndUpdate();
        EXPECT_TRUE(pair.bodyA.Matrix.d.IsZero());
        EXPECT_TRUE(IsFinite(pair.bodyB.Matrix));
        EXPECT_TRUE(IsFinite(pair.bodyB.Velocity));
    }
}

// A composite side answers the touched part's material, a wrapper its wrapped bound's, a
// composite standing for one bound that bound's.
TEST(ImpactTest, MaterialsOfCompositeAndWrapperSides) {
    TestMesh parts[2];
    MakeUnitCube(parts[0]);
    MakeUnitCube(parts[1]);
    TestComposite composite;
    composite.SetParts({&parts[0], &parts[1]}, {Matrix34::sm_Identity, Translation(2, 0, 0)});
    TestComposite single;
    single.SingleBound = &parts[1];
    TerrainBound terrain;
    TestWrapper wrappedComposite;
    wrappedComposite.Wrapped = &composite;
    TestWrapper wrappedTerrain;
    wrappedTerrain.Wrapped = &terrain;
    struct Case {
        phBound* bound;
        int component;
        phMaterial* material;
    };
    const Case cases[] = {
        {&composite, 0, &parts[0].m_Material},  {&composite, 1, &parts[1].m_Material},
        {&single, -1, &parts[1].m_Material},    {&wrappedComposite, 1, &parts[1].m_Material},
        {&wrappedTerrain, 1, &terrain.m_Materials[1]},
    };
    for (const Case& c : cases) {
        phColliderBase side;
        side.InitStatic(nullptr, c.bound);
        EXPECT_EQ(phImpact::GetMaterial(&side, c.component), c.material)
            << "type " << c.bound->Type << " component " << c.component;
    }
    // Combined, the two parts' own values meet.
    parts[1].m_Material.Friction = 0.4f;
    parts[1].m_Material.Elasticity = 0.5f;
    Pair pair(true);
    phColliderBase side;
    side.InitStatic(nullptr, &wrappedComposite);
    pair.impact.ColliderB = &side;
    pair.impact.ComponentB = 1;
    pair.SetMaterials(0.5f, 0.8f);
    pair.impact.CombineMaterials();
    EXPECT_FLOAT_EQ(pair.impact.Friction, 0.2f);
    EXPECT_FLOAT_EQ(pair.impact.Elasticity, 0.4f);
}

TEST_CHILD(CompositeWithoutComponent) {
    TestMesh part;
    MakeUnitCube(part);
    TestComposite composite;
    composite.SetParts({&part}, {Matrix34::sm_Identity});
    phColliderBase side;
    side.InitStatic(nullptr, &composite);
    phImpact::GetMaterial(&side, 1);
    return 0;
}

TEST_CHILD(TerrainWithoutMaterialIndex) {
    TerrainBound terrain;
    phColliderBase ground;
    ground.InitStatic(nullptr, &terrain);
    phImpact::GetMaterial(&ground, -1);
    return 0;
}

TEST_CHILD(VelocityOfImpactWithoutType) {
    Pair pair(true);
    pair.impact.Type = 5;
    Vector3 va;
    Vector3 vb;
    pair.impact.GetLocalVelocity(va, vb);
    return 0;
}

TEST_CHILD(MotionOfImpactWithoutType) {
    Pair pair(true);
    pair.impact.Type = -1;
    Vector3 motion;
    pair.impact.GetLocalVelocity(motion);
    return 0;
}

TEST(ImpactFatalTest, MalformedImpacts) {
    ExpectFatalChildren(
        {{"CompositeWithoutComponent",
          "Assert(\"The component number was not set in the composite collision\" && "
          "component>=0 && component<composite->GetNumBounds()) failed in [phcollide/impact, "
          "line"},
         {"TerrainWithoutMaterialIndex",
          "Assert(\"The material index was not set correctly in the terrain/levelbound "
          "collision\" && component>=0 && component<collider->GetBound()->GetNumMaterials()) "
          "failed in [phcollide/impact, line"},
         {"VelocityOfImpactWithoutType",
          "Assert(\"Tried to GetLocalVelocity from an impact with no Type\" && 0) failed in "
          "[phcollide/impact, line"},
         {"MotionOfImpactWithoutType",
          "Assert(\"Tried to GetLocalVelocity from an impact with no Type\" && 0) failed in "
          "[phcollide/impact, line"}});
}
