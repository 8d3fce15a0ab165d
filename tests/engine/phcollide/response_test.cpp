#include "phcollide/collision.h"

#include <cfloat>
#include <cmath>

#include <gtest/gtest.h>

#include "data/timemgr.h"
#include "phbound/bound.h"
#include "phbound/boundhotdog.h"
#include "phbound/boundpoint.h"
#include "phbound/boundsphere.h"
#include "phbound/impact.h"
#include "phcollide/collider.h"
#include "phcollide/contactmgr.h"
#include "phinertia/inertia.h"
#include "tests/engine/phbound/meshes.h"
#include "tests/engine/phinertia/reference.h"

namespace {

// Keeps the contact switch and the default margin of one test.
class ResponseScope {
public:
    ResponseScope() : m_UseContacts(phCollision::UseContacts), m_Margin(phBound::DefaultMargin) {}
    ~ResponseScope() {
        phCollision::UseContacts = m_UseContacts;
        phBound::DefaultMargin = m_Margin;
    }

private:
    bool m_UseContacts;
    float m_Margin;
};

// A body's velocity at a point once its gathered impulses are taken in, in double.
DVec VelocityAfter(const phInertialCS& body, const DVec& point) {
    DVec position(body.Matrix.d);
    DVec w = DVec(body.AngVelocity) + DVec(body.AngImpulse) * WorldInverseInertia(body);
    DVec v = DVec(body.Velocity) + DVec(body.Impulse) * (1.0 / body.Mass);
    return v + w.Cross(point - position);
}

// Body A (a box) against body B or the static ground, impacts between them.
struct Scene {
    TestMesh boundA;
    TestMesh boundB;
    phInertialCS bodyA;
    phInertialCS bodyB;
    phCollider a;
    phCollider b;
    phImpact impacts[4];

    explicit Scene(bool staticB, float friction = 100.0f, float elasticity = 0.0f) {
        MakeUnitCube(boundA);
        MakeUnitCube(boundB);
        for (TestMesh* mesh : {&boundA, &boundB}) {
            mesh->m_Material.Friction = std::sqrt(friction);
            mesh->m_Material.Elasticity = std::sqrt(elasticity);
        }
        bodyA.InitBox(2.0f, 1.0f, 1.0f, 1.0f);
        bodyB.InitBox(3.0f, 1.0f, 1.0f, 1.0f);
        a.InitWithICS(&boundA, &bodyA, 0);
        if (staticB) {
            b.Init(&boundB, nullptr);
        } else {
            b.InitWithICS(&boundB, &bodyB, 0);
        }
    }

    phImpact& Impact(int i, const Vector3& position, const Vector3& normal, float depth = 0.0f) {
        phImpact& impact = impacts[i];
        impact.Clear();
        impact.Type = phImpact::A_ON_FACE;
        impact.FeatureB = i;
        impact.Position = position;
        impact.Normal = normal;
        impact.Depth = depth;
        impact.ColliderA = &a;
        impact.ColliderB = &b;
        return impact;
    }

    // Two upward impacts on the ground at random points either side of x = 0.
    void TwoContacts(RandomBodies& random, Vector3& p1, Vector3& p2) {
        p1.Set(random.Uniform(-0.8f, -0.2f), 0, random.Uniform(-0.5f, 0.5f));
        p2.Set(random.Uniform(0.2f, 0.8f), 0, random.Uniform(-0.5f, 0.5f));
        Impact(0, p1, Vector3(0, 1, 0));
        Impact(1, p2, Vector3(0, 1, 0));
    }

    DVec RelativeAfter(const Vector3& point) {
        DVec p(point);
        DVec va = VelocityAfter(bodyA, p);
        DVec vb = b.ICS ? VelocityAfter(bodyB, p) : DVec();
        return va - vb;
    }
};

// With contacts off an impact is answered by equal and opposite impulses: momentum and
// angular momentum are kept, and the impulse and pushes are those the impact works out.
TEST(ResolveImpacts, ImpulsePairKeepsMomentum) {
    ResponseScope scope;
    phCollision::UseContacts = false;
    RandomBodies random(29);
    for (int trial = 0; trial < 50; ++trial) {
        Scene scene(false, 0.5f, 0.3f);
        random.Body(scene.bodyA);
        random.Body(scene.bodyB);
        SetMotion(scene.bodyA, random.Vector(3.0f), random.Vector(2.0f));
        SetMotion(scene.bodyB, random.Vector(3.0f), random.Vector(2.0f));
        phImpact& impact =
            scene.Impact(0, random.Vector(5.0f), random.Unit(), random.Uniform(0.0f, 0.1f));
        phImpact copy = impact;
        Vector3 va, vb, pushA, pushB, expected;
        copy.GetLocalVelocity(va, vb);
        copy.ComputeImpulse(va - vb, 0.5f, pushA, pushB, expected);

        EXPECT_FALSE(phCollision::ResolveImpacts(nullptr, impact, 0.5f));
        ExpectNear(scene.bodyA.Impulse, DVec(expected), 1e-5);
        ExpectNear(scene.bodyB.Impulse, DVec(expected) * -1.0, 1e-5);
        DVec xa(scene.bodyA.Matrix.d), xb(scene.bodyB.Matrix.d);
        DVec angular = DVec(scene.bodyA.AngImpulse) + DVec(scene.bodyB.AngImpulse) +
                       xa.Cross(DVec(scene.bodyA.Impulse)) + xb.Cross(DVec(scene.bodyB.Impulse));
        EXPECT_NEAR(angular.Mag(), 0.0, 1e-4 * (1.0 + DVec(expected).Mag() * 10.0));
        ExpectNear(scene.bodyA.Push, DVec(pushA), 1e-6);
        ExpectNear(scene.bodyB.Push, DVec(pushB), 1e-6);
    }
}

// A deep resting impact goes to the contact manager with the margin's depth and keeps its
// own; a contact the manager refuses (a fast approach it cannot hold) gets the impulse.
TEST(ResolveImpacts, ContactPathCapsTheDepthAndFallsBackToTheImpulse) {
    ResponseScope scope;
    phCollision::UseContacts = true;
    phBound::DefaultMargin = 0.035f;
    {
        Scene scene(true);
        SetMotion(scene.bodyA, Vector3(0, 0, 0), Vector3(0, 0, 0));
        phContactMgr mgr;
        mgr.BeginFrame();
        phImpact& impact = scene.Impact(0, Vector3(0, -0.5f, 0), Vector3(0, 1, 0), 0.05f);
        EXPECT_TRUE(phCollision::ResolveImpacts(&mgr, impact, 1.0f));
        EXPECT_FLOAT_EQ(impact.Depth, 0.05f);
        uint32_t key = phContactMgr::HashKey(impact.Type, impact.FeatureA, impact.FeatureB,
                                             scene.a.GetColliderID(), scene.b.GetColliderID());
        int slot = mgr.FindContact(mgr.HeadSlot(key), impact);
        ASSERT_GE(slot, 0);
        EXPECT_FLOAT_EQ(mgr.ContactList[slot].Penetration, 0.035f);
        EXPECT_GT(scene.bodyA.OtherForce.y, 0.0f);
        EXPECT_TRUE(scene.bodyA.Impulse.IsZero());
        // The depth beyond the margin is pushed out all the same.
        EXPECT_NEAR(scene.bodyA.Push.y, 0.015f, 1e-6f);
    }
    {
        // Leaving at 1 m/s: the new contact's damping would pull, the manager refuses it, and
        // the impulse path answers (no impulse for a separating impact, but the push).
        Scene scene(true);
        SetMotion(scene.bodyA, Vector3(0, 1, 0), Vector3(0, 0, 0));
        phContactMgr mgr;
        mgr.BeginFrame();
        phImpact& impact = scene.Impact(0, Vector3(0, -0.5f, 0), Vector3(0, 1, 0), 0.05f);
        EXPECT_FALSE(phCollision::ResolveImpacts(&mgr, impact, 1.0f));
        EXPECT_TRUE(scene.bodyA.OtherForce.IsZero());
        EXPECT_NEAR(scene.bodyA.Push.y, 0.015f, 1e-6f);
    }
    {
        // Contacts off: the manager is not asked.
        phCollision::UseContacts = false;
        Scene scene(true);
        SetMotion(scene.bodyA, Vector3(0, 0, 0), Vector3(0, 0, 0));
        phContactMgr mgr;
        phImpact& impact = scene.Impact(0, Vector3(0, -0.5f, 0), Vector3(0, 1, 0), 0.05f);
        EXPECT_FALSE(phCollision::ResolveImpacts(&mgr, impact, 1.0f));
        EXPECT_TRUE(scene.bodyA.OtherForce.IsZero());
    }
}

// A box falling flat onto two points of the ground, at x and 2x from its centre: the
// impulse that stops the nearer point lifts the farther one, which leaves the list, and the
// nearer one alone is answered. Either order gives the same.
TEST(ResolveImpactList, ImpactsLeftSeparatingLeaveTheList) {
    ResponseScope scope;
    phCollision::UseContacts = false;
    for (bool nearFirst : {true, false}) {
        Scene scene(true);
        SetMotion(scene.bodyA, Vector3(0, -1, 0), Vector3(0, 0, 0));
        Vector3 nearPoint(0.2f, -0.5f, 0.0f);
        Vector3 farPoint(0.4f, -0.5f, 0.0f);
        scene.Impact(0, nearFirst ? nearPoint : farPoint, Vector3(0, 1, 0));
        scene.Impact(1, nearFirst ? farPoint : nearPoint, Vector3(0, 1, 0));
        int count = 2;
        EXPECT_EQ(phCollision::ResolveImpactList(nullptr, count, scene.impacts), 1);
        ASSERT_EQ(count, 1);
        EXPECT_FLOAT_EQ(scene.impacts[0].Position.x, 0.2f);
        EXPECT_NEAR(scene.RelativeAfter(nearPoint).y, 0.0, 1e-5);
        EXPECT_GT(scene.RelativeAfter(farPoint).y, 0.01);
    }
    // Two points either side of the centre hold each other down: both stay, nothing applied.
    Scene scene(true);
    SetMotion(scene.bodyA, Vector3(0, -1, 0), Vector3(0, 0, 0));
    scene.Impact(0, Vector3(-0.4f, -0.5f, 0), Vector3(0, 1, 0));
    scene.Impact(1, Vector3(0.4f, -0.5f, 0), Vector3(0, 1, 0));
    int count = 2;
    EXPECT_EQ(phCollision::ResolveImpactList(nullptr, count, scene.impacts), 2);
    EXPECT_TRUE(scene.bodyA.Impulse.IsZero());
}

// A source of Radius 2 and strength 1 on balls of radius 1: k R²/s² pi away from it, s never
// below R, nothing at the source itself; pushed through the centre, so nothing turns.
TEST(PointSource, BallsArePushedAwayByTheInverseSquare) {
    struct Case {
        Vector3 centre;
        float magnitude;
    };
    const Case cases[] = {
        {Vector3(2, 0, 0), 0.785398f},
        {Vector3(0, -4, 0), 0.19635f},
        {Vector3(0.5f, 0, 0), 0.5f * 3.1415927f},
        {Vector3(0, 0, 0), 0.0f},
    };
    float seconds = datTimeManager::Seconds;
    datTimeManager::Seconds = 0.5f;
    phBoundPoint source;
    source.Radius = 2.0f;
    source.StrengthRate = 1.0f;
    source.Strength = 0.5f;
    phCollider sourceCollider;
    sourceCollider.Init(&source, nullptr);
    for (const Case& c : cases) {
        phBoundSphere ball(1.0f);
        phInertialCS body;
        body.InitSphere(1.0f, 1.0f);
        body.Matrix.d = c.centre;
        phCollider collider;
        collider.InitWithICS(&ball, &body, 0);
        phCollision::CollidePointSphere(&source, &sourceCollider, &ball, &collider);
        EXPECT_NEAR(body.Impulse.Mag(), c.magnitude, 1e-5f);
        if (c.magnitude > 0.0f) {
            EXPECT_NEAR(body.Impulse.Dot(c.centre) / c.centre.Mag(), c.magnitude, 1e-5f);
        }
        EXPECT_NEAR(body.AngImpulse.Mag(), 0.0f, 1e-6f);
    }
    datTimeManager::Seconds = seconds;

    // A capsule takes a ball's push at each end.
    phBoundHotdog hotdog(0.5f, 2.0f);
    phInertialCS body;
    body.InitHotdog(1.0f, 0.5f, 2.0f, 'y');
    body.Matrix.d.Set(0, -3, 0);
    phCollider collider;
    collider.InitWithICS(&hotdog, &body, 0);
    source.StrengthRate = 0.0f;
    source.Strength = 1.0f;
    phCollision::CollidePointHotdog(&source, &sourceCollider, &hotdog, &collider);
    float pi = 3.1415927f;
    EXPECT_NEAR(body.Impulse.y, -(0.25f * pi / 4.0f + 0.25f * pi / 16.0f), 1e-5f);
    EXPECT_NEAR(body.Impulse.x, 0.0f, 1e-6f);
}

// A square floor of half-size 1 facing up, a source of radius 0.6 above it (clear of its
// edges, so that it meets the face).
TEST(PointSource, PolygonsFacingTheSourceWithinReachArePushed) {
    struct Case {
        Vector3 position;
        bool useDirection;
        Vector3 direction;
        int applied;
    };
    const Case cases[] = {
        {Vector3(0, 0.5f, 0), false, Vector3(0, 1, 0), 1},
        {Vector3(0.4f, 0.5f, 0.2f), false, Vector3(0, 1, 0), 1},
        {Vector3(0, -0.5f, 0), false, Vector3(0, 1, 0), 0},  // behind the floor
        {Vector3(0, 0.7f, 0), false, Vector3(0, 1, 0), 0},   // out of reach
        {Vector3(0, 0.5f, 0), true, Vector3(0, 1, 0), 0},    // blowing along the normal
        {Vector3(0, 0.5f, 0), true, Vector3(0, -0.6f, 0.8f), 1},
    };
    float plain = 0.0f;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "source at y " << c.position.y);
        TestMesh floor;
        MakeFloor(floor, 1.0f, 0.0f, false);
        phInertialCS body;
        body.InitBox(1.0f, 2.0f, 0.1f, 2.0f);
        body.Matrix = Translation(5, 0, 0);
        phCollider collider;
        collider.InitWithICS(&floor, &body, 0);
        phBoundPoint source;
        source.Radius = 0.6f;
        source.Strength = 1.0f;
        source.Position = c.position + Vector3(5, 0, 0);
        source.UseDirection = c.useDirection;
        source.Direction = c.direction;
        phCollider sourceCollider;
        sourceCollider.Init(&source, nullptr);
        EXPECT_EQ(phCollision::CollidePointPolygonal(&source, &sourceCollider, &floor, &collider),
                  c.applied);
        if (!c.applied) {
            EXPECT_TRUE(body.Impulse.IsZero());
            continue;
        }
        EXPECT_LT(body.Impulse.y, 0.0f);
        EXPECT_NEAR(body.Impulse.x, 0.0f, 1e-6f);
        EXPECT_NEAR(body.Impulse.z, 0.0f, 1e-6f);
        // Pushed at a point of the floor within the source's height of the point under it.
        float j = -body.Impulse.y;
        Vector3 arm(-body.AngImpulse.z / j, 0.0f, body.AngImpulse.x / j);
        EXPECT_NEAR(body.AngImpulse.y, 0.0f, 1e-6f);
        EXPECT_LE(arm.Dist(Vector3(c.position.x, 0, c.position.z)), c.position.y + 1e-5f);
        EXPECT_LE(std::fabs(arm.x), 1.0f);
        EXPECT_LE(std::fabs(arm.z), 1.0f);
        if (!c.useDirection && c.position.x == 0.0f) {
            plain = body.Impulse.y;
        } else if (c.useDirection) {
            // Scaled by how squarely the source blows on the back normal.
            EXPECT_NEAR(body.Impulse.y, 0.6f * plain, 1e-6f);
        }
    }
}

// Random falling, turning boxes stopped on the static ground at one point: the point ends
// at rest. Sticking at two points of one body: both end at rest when both impulses push.
TEST(Sticking, OneBodyStopsAtItsContacts) {
    ResponseScope scope;
    phCollision::UseContacts = false;
    RandomBodies random(7);
    int pairs = 0;
    for (int trial = 0; trial < 60; ++trial) {
        Scene scene(true);
        scene.bodyA.InitBox(random.Uniform(0.5f, 5.0f), random.Uniform(0.5f, 2.0f),
                            random.Uniform(0.5f, 2.0f), random.Uniform(0.5f, 2.0f));
        scene.bodyA.Matrix = random.Rotation();
        scene.bodyA.Matrix.d.Set(0, 1, 0);
        SetMotion(scene.bodyA, Vector3(random.Uniform(-0.2f, 0.2f), -2, 0),
                  random.Vector(0.5f));
        Vector3 p1, p2;
        scene.TwoContacts(random, p1, p2);
        if (trial % 2 == 0) {
            phCollision::StopBody(nullptr, scene.impacts[0], 0);
            // One point cannot hold a turn: the body's momentum goes through it.
            ExpectNear(scene.bodyA.Impulse, DVec(scene.bodyA.Velocity) * -scene.bodyA.Mass,
                       1e-4);
            continue;
        }
        phCollision::ResolvePair(nullptr, scene.impacts);
        DVec v1 = scene.RelativeAfter(p1);
        DVec v2 = scene.RelativeAfter(p2);
        if (v1.Mag() < 1e-3 && v2.Mag() < 1e-3) {
            ++pairs;
        } else {
            // A fallback answers one impact alone: that point no longer approaches.
            EXPECT_TRUE(v1.y > -1e-3 || v2.y > -1e-3);
        }
    }
    EXPECT_GT(pairs, 10);
}

// Two moving bodies: the relative velocity at the point (one) or points (two) ends zero.
TEST(Sticking, TwoBodiesMoveTogetherAtTheirContacts) {
    ResponseScope scope;
    phCollision::UseContacts = false;
    RandomBodies random(11);
    int pairs = 0;
    for (int trial = 0; trial < 60; ++trial) {
        Scene scene(false);
        random.Body(scene.bodyA);
        random.Body(scene.bodyB);
        scene.bodyA.Matrix.d.Set(0, 1, 0);
        scene.bodyB.Matrix.d.Set(0, -1, 0);
        SetMotion(scene.bodyA, Vector3(0, -2, 0) + random.Vector(0.3f), random.Vector(0.5f));
        SetMotion(scene.bodyB, random.Vector(0.3f), random.Vector(0.5f));
        Vector3 p1, p2;
        scene.TwoContacts(random, p1, p2);
        if (trial % 2 == 0) {
            phCollision::ResolveStick(nullptr, scene.impacts[0]);
            EXPECT_LT(scene.RelativeAfter(p1).Mag(), 1e-3);
            ExpectNear(scene.bodyA.Impulse, DVec(scene.bodyB.Impulse) * -1.0, 1e-5);
            continue;
        }
        phCollision::ResolvePair(nullptr, scene.impacts);
        if (scene.RelativeAfter(p1).Mag() < 1e-3 && scene.RelativeAfter(p2).Mag() < 1e-3) {
            ++pairs;
            ExpectNear(scene.bodyA.Impulse, DVec(scene.bodyB.Impulse) * -1.0, 1e-5);
        }
    }
    EXPECT_GT(pairs, 10);
}

// Three contacts share a linear and an angular impulse so that their sum and moment are
// the given ones; a share that would pull drops its contact.
TEST(Sticking, DistributedSharesMatchTheImpulseAndItsMoment) {
    ResponseScope scope;
    phCollision::UseContacts = false;
    RandomBodies random(5);
    for (int trial = 0; trial < 30; ++trial) {
        Scene scene(true);
        scene.bodyA.Matrix.d.Set(0, 0.5f, 0);
        SetMotion(scene.bodyA, Vector3(0, -1, 0), Vector3(0, 0, 0));
        scene.Impact(0, Vector3(-0.5f, 0, -0.4f), Vector3(0, 1, 0));
        scene.Impact(1, Vector3(0.5f, 0, -0.4f), Vector3(0, 1, 0));
        scene.Impact(2, Vector3(0, 0, 0.5f), Vector3(0, 1, 0));
        Vector3 linear(random.Uniform(-0.2f, 0.2f), random.Uniform(2.0f, 4.0f),
                       random.Uniform(-0.2f, 0.2f));
        Vector3 angular = random.Vector(0.3f);
        phCollision::DistributeImpulse(nullptr, 3, scene.impacts, linear, angular, 0);
        ExpectNear(scene.bodyA.Impulse, DVec(linear), 1e-5);
        ExpectNear(scene.bodyA.AngImpulse, DVec(angular), 1e-4);
    }
    // A moment that would need the third contact to pull: it is dropped and the other two
    // stop the body as a pair.
    Scene scene(true);
    scene.bodyA.Matrix.d.Set(0, 0.5f, 0);
    SetMotion(scene.bodyA, Vector3(0, -1, 0), Vector3(0, 0, 0));
    scene.Impact(0, Vector3(-0.5f, 0, -0.4f), Vector3(0, 1, 0));
    scene.Impact(1, Vector3(0.5f, 0, -0.4f), Vector3(0, 1, 0));
    scene.Impact(2, Vector3(0, 0, 0.5f), Vector3(0, 1, 0));
    phCollision::DistributeImpulse(nullptr, 3, scene.impacts, Vector3(0, 2, 0),
                                   Vector3(5, 0, 0), 0);
    EXPECT_NEAR(scene.RelativeAfter(Vector3(-0.5f, 0, -0.4f)).Mag(), 0.0, 1e-4);
    EXPECT_NEAR(scene.RelativeAfter(Vector3(0.5f, 0, -0.4f)).Mag(), 0.0, 1e-4);
}

// Given the free solution of an impact, the stick impulse applies exactly what the impact's
// own impulse is, friction cone and bounce included.
TEST(Sticking, StickImpulseAgreesWithTheImpactsOwn) {
    ResponseScope scope;
    phCollision::UseContacts = false;
    phBound::DefaultMargin = 0.035f;
    RandomBodies random(3);
    for (int trial = 0; trial < 60; ++trial) {
        Scene scene(trial % 3 == 0, random.Uniform(0.0f, 1.0f), random.Uniform(0.0f, 0.5f));
        random.Body(scene.bodyA);
        random.Body(scene.bodyB);
        SetMotion(scene.bodyA, random.Vector(3.0f), random.Vector(2.0f));
        SetMotion(scene.bodyB, random.Vector(3.0f), random.Vector(2.0f));
        phImpact& impact =
            scene.Impact(0, random.Vector(3.0f), random.Unit(), random.Uniform(0.0f, 0.1f));
        Vector3 va, vb, pushA, pushB, expected;
        impact.GetLocalVelocity(va, vb);
        if ((va - vb).Dot(impact.Normal) > -0.05f) {
            continue;
        }
        impact.ComputeImpulse(va - vb, 1.0f, pushA, pushB, expected);
        Matrix34 ka, kb;
        impact.InverseMassMatrices(ka, kb);
        ka.Add3x3(kb);
        Vector3 free;
        ka.SolvePivoted(free, (va - vb) * -1.0f);
        phCollision::ApplyStickImpulse(nullptr, impact, free);
        ExpectNear(scene.bodyA.Impulse, DVec(expected), 1e-4);
        ExpectNear(scene.bodyA.Push, DVec(pushA), 1e-6);
    }
}

}  // namespace
