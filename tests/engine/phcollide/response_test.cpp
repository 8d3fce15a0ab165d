#include "phcollide/collision.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "data/callback.h"
#include "data/timemgr.h"
#include "phbound/bound.h"
#include "phbound/boundhotdog.h"
#include "phbound/boundpoint.h"
#include "phbound/boundsphere.h"
#include "phbound/impact.h"
#include "phcollide/collider.h"
#include "phcollide/contactmgr.h"
#include "phcollide/impactsolver.h"
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

namespace {

// The relative velocity change (A's less B's) at `point` per unit impulse on A at `at`, B
// taking its negation, in double.
DVec PairChange(const Scene& scene, const DVec& impulse, const DVec& at, const DVec& point) {
    DVec change = VelocityChange(scene.bodyA, impulse, at, point);
    if (scene.b.ICS) {
        change = change + VelocityChange(scene.bodyB, impulse, at, point);
    }
    return change;
}

// The impact's normal as seen from the scene's body A, whichever side the impact names it.
DVec NormalOnA(const Scene& scene, const phImpact& impact) {
    DVec n(impact.Normal);
    return impact.ColliderA == &scene.a ? n : n * -1.0;
}

// Gaussian elimination with partial pivoting; false when the system is singular.
bool Solve(std::vector<std::vector<double>> a, std::vector<double> b, std::vector<double>& x) {
    size_t n = b.size();
    for (size_t col = 0; col < n; ++col) {
        size_t pivot = col;
        for (size_t row = col + 1; row < n; ++row) {
            if (std::fabs(a[row][col]) > std::fabs(a[pivot][col])) pivot = row;
        }
        if (std::fabs(a[pivot][col]) < 1e-9) return false;
        std::swap(a[pivot], a[col]);
        std::swap(b[pivot], b[col]);
        for (size_t row = col + 1; row < n; ++row) {
            double f = a[row][col] / a[col][col];
            for (size_t k = col; k < n; ++k) a[row][k] -= f * a[col][k];
            b[row] -= f * b[col];
        }
    }
    x.assign(n, 0.0);
    for (size_t i = n; i-- > 0;) {
        double s = b[i];
        for (size_t k = i + 1; k < n; ++k) s -= a[i][k] * x[k];
        x[i] = s / a[i][i];
    }
    return true;
}

// The frictionless answer to the scene's first count impacts, by brute force in double: the
// normal impulses (none pulling) after which no point approaches faster than its target and
// every point that pushes meets its target, found among every set of pushing points. A fast
// approach (beyond 1 m/s) is to bounce by the elasticity, a slower one to stop. Returns false
// when no set answers.
bool FrictionlessReference(const Scene& scene, size_t count, double elasticity,
                           std::vector<double>& impulses) {
    std::vector<DVec> p, n;
    std::vector<double> approach, target;
    for (size_t i = 0; i < count; ++i) {
        p.push_back(DVec(scene.impacts[i].Position));
        n.push_back(NormalOnA(scene, scene.impacts[i]));
        DVec va = VelocityAfter(scene.bodyA, p.back());
        DVec vb = scene.b.ICS ? VelocityAfter(scene.bodyB, p.back()) : DVec();
        approach.push_back((va - vb).Dot(n.back()));
        target.push_back(approach.back() < -1.0 ? -elasticity * approach.back() : 0.0);
    }
    // a[i][j]: point i's normal velocity change per unit normal impulse at point j.
    std::vector<std::vector<double>> a(count, std::vector<double>(count));
    for (size_t i = 0; i < count; ++i)
        for (size_t j = 0; j < count; ++j) a[i][j] = PairChange(scene, n[j], p[j], p[i]).Dot(n[i]);
    for (size_t set = 0; set < (size_t(1) << count); ++set) {
        std::vector<size_t> members;
        for (size_t i = 0; i < count; ++i)
            if (set & (size_t(1) << i)) members.push_back(i);
        std::vector<std::vector<double>> sub;
        std::vector<double> rhs, x;
        for (size_t i : members) {
            sub.emplace_back();
            for (size_t j : members) sub.back().push_back(a[i][j]);
            rhs.push_back(target[i] - approach[i]);
        }
        if (!Solve(sub, rhs, x)) continue;
        impulses.assign(count, 0.0);
        bool answers = true;
        for (size_t k = 0; k < members.size(); ++k) {
            answers = answers && x[k] >= 0.0;
            impulses[members[k]] = x[k];
        }
        for (size_t i = 0; i < count && answers; ++i) {
            double after = approach[i];
            for (size_t j = 0; j < count; ++j) after += a[i][j] * impulses[j];
            answers = after >= target[i] - 1e-9;
        }
        if (answers) return true;
    }
    return false;
}

// A body's linear and angular velocity once its gathered impulses are taken in, in double.
void MotionAfter(const phInertialCS& body, DVec& v, DVec& w) {
    v = DVec(body.Velocity) + DVec(body.Impulse) * (1.0 / body.Mass);
    w = DVec(body.AngVelocity) + DVec(body.AngImpulse) * WorldInverseInertia(body);
}

// What each impact of a solve (told by its FeatureB) has given body A in all, summed from
// the impulses A's collider reports.
struct ImpulseTally {
    explicit ImpulseTally(size_t count) : m_OnA(count) {}
    void Heard(uintptr_t, uintptr_t argument) {
        const phImpulseReport& report = *reinterpret_cast<const phImpulseReport*>(argument);
        DVec& sum = m_OnA.at(size_t(report.Impact->FeatureB));
        sum = sum + DVec(*report.Impulse);
    }
    std::vector<DVec> m_OnA;
};

// Random bodies and motions, and count impacts of A at points round its centre with normals
// near one direction; returns the count.
size_t RandomSet(RandomBodies& random, Scene& scene, size_t count) {
    random.Body(scene.bodyA);
    random.Body(scene.bodyB);
    SetMotion(scene.bodyA, random.Vector(3.0f), random.Vector(2.0f));
    SetMotion(scene.bodyB, random.Vector(3.0f), random.Vector(2.0f));
    Vector3 facing = random.Unit();
    for (size_t i = 0; i < count; ++i) {
        Vector3 normal = facing + random.Vector(0.3f);
        normal.Normalize();
        scene.Impact(int(i), scene.bodyA.Matrix.d + random.Vector(1.5f), normal);
    }
    return count;
}

// A random trial's pair: on the ground on even trials, on another body on odd ones; bouncing
// on every third; friction up to the given.
struct Materials {
    bool staticB;
    float elasticity;
    float friction;
};
Materials DrawMaterials(RandomBodies& random, int trial, float friction) {
    Materials drawn;
    drawn.staticB = trial % 2 == 0;
    drawn.elasticity = trial % 3 == 0 ? random.Uniform(0.0f, 0.5f) : 0.0f;
    drawn.friction = random.Uniform(0.0f, friction);
    return drawn;
}

bool Finite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The answers to a lone impact of the scene with friction mu, by brute force in double, from
// the relative velocity w at the point before it. None when the point meets its target
// without an impulse. Else the impulse that stops the slide and brings the normal velocity to
// the target, when it pushes and lies in the cone (sticks is then set). Else every impulse at
// the cone's edge, j = jn (n - mu d), that brings the normal velocity to the target and
// leaves the point sliding along d: a dense search of the direction, each change of sign
// refined by bisection.
std::vector<DVec> LoneReference(const Scene& scene, const DVec& w, double target, double mu,
                                bool& sticks) {
    const phImpact& impact = scene.impacts[0];
    DVec n = NormalOnA(scene, impact);
    DVec p(impact.Position);
    sticks = false;
    if (w.Dot(n) >= target) return {DVec()};
    // Rows: the velocity change per unit impulse along each axis.
    DMat k;
    k.r[0] = PairChange(scene, DVec(1, 0, 0), p, p);
    k.r[1] = PairChange(scene, DVec(0, 1, 0), p, p);
    k.r[2] = PairChange(scene, DVec(0, 0, 1), p, p);
    DVec stick = (n * target - w) * k.Inverse();
    double stickNormal = stick.Dot(n);
    if (stickNormal >= 0.0 && (stick - n * stickNormal).Mag() <= mu * stickNormal) {
        sticks = true;
        return {stick};
    }
    DVec t1 = n.Cross(std::fabs(n.x) < 0.5 ? DVec(1, 0, 0) : DVec(0, 1, 0));
    t1 = t1 * (1.0 / t1.Mag());
    DVec t2 = n.Cross(t1);
    // For a direction: the edge impulse meeting the target, and the after-slide velocity's
    // part across d (zero at an answer); false where the edge cannot push the point apart.
    auto edge = [&](double angle, DVec& j, double& across) {
        DVec d = t1 * std::cos(angle) + t2 * std::sin(angle);
        DVec ray = n - d * mu;
        double stiffness = (ray * k).Dot(n);
        if (stiffness <= 0.0) return false;
        j = ray * ((target - w.Dot(n)) / stiffness);
        DVec u = w + j * k;
        across = u.Dot(n.Cross(d));
        return u.Dot(d) >= -1e-9;
    };
    std::vector<DVec> answers;
    const int samples = 4096;
    const double step = 2.0 * std::acos(-1.0) / samples;
    DVec j;
    double before = 0.0;
    bool valid = edge(0.0, j, before);
    for (int i = 1; i <= samples; ++i) {
        double low = (i - 1) * step, high = i * step, after = 0.0;
        bool next = edge(high, j, after);
        if (valid && next && (before < 0.0) != (after < 0.0)) {
            double lowValue = before;
            for (int b = 0; b < 60; ++b) {
                double mid = 0.5 * (low + high), value = 0.0;
                edge(mid, j, value);
                if ((value < 0.0) == (lowValue < 0.0)) {
                    low = mid;
                    lowValue = value;
                } else {
                    high = mid;
                }
            }
            double across = 0.0;
            if (edge(0.5 * (low + high), j, across)) answers.push_back(j);
        }
        valid = next;
        before = after;
    }
    return answers;
}

}  // namespace

// Random frictionless sets of one to four impacts of a body on the ground or on another body
// (some seen from the other body): the motion after the set is answered together is that of
// the brute-force answer in double.
TEST(ImpactSolver, FrictionlessSetsMeetTheDoubleReference) {
    ResponseScope scope;
    RandomBodies random(43);
    int answered = 0;
    for (int trial = 0; trial < 300; ++trial) {
        bool staticB = trial % 2 == 0;
        double elasticity = trial % 3 == 0 ? random.Uniform(0.0f, 0.5f) : 0.0;
        Scene scene(staticB, 0.0f, float(elasticity));
        size_t count = RandomSet(random, scene, 1 + size_t(trial % 4));
        if (!staticB && count == 2) {
            // Seen from B: the impulses of the set are on either body.
            phImpact& impact = scene.impacts[1];
            std::swap(impact.ColliderA, impact.ColliderB);
            impact.Type = phImpact::B_ON_FACE;
            impact.Normal = impact.Normal * -1.0f;
        }
        // The float elasticity the materials combine to.
        elasticity = double(std::sqrt(float(elasticity))) * double(std::sqrt(float(elasticity)));
        std::vector<double> impulses;
        ASSERT_TRUE(FrictionlessReference(scene, count, elasticity, impulses)) << trial;
        DVec linear, angular;
        for (size_t i = 0; i < count; ++i) {
            DVec j = NormalOnA(scene, scene.impacts[i]) * impulses[i];
            linear = linear + j;
            angular = angular + (DVec(scene.impacts[i].Position) - DVec(scene.bodyA.Matrix.d)).Cross(j);
        }
        DVec v0(scene.bodyA.Velocity), w0(scene.bodyA.AngVelocity);
        DVec expectedV = v0 + linear * (1.0 / scene.bodyA.Mass);
        DVec expectedW = w0 + angular * WorldInverseInertia(scene.bodyA);

        phImpactSolver solver;
        solver.Add(scene.impacts, int(count));
        solver.Solve();
        DVec v, w;
        MotionAfter(scene.bodyA, v, w);
        double scale = 1e-3 * (1.0 + v0.Mag() + w0.Mag());
        EXPECT_NEAR((v - expectedV).Mag(), 0.0, scale) << trial;
        EXPECT_NEAR((w - expectedW).Mag(), 0.0, scale) << trial;
        if (!staticB) {
            // What A takes B gives.
            ExpectNear(scene.bodyB.Impulse, DVec(scene.bodyA.Impulse) * -1.0, 1e-5);
        }
        answered += linear.Mag() > 0.0;
    }
    EXPECT_GT(answered, 150);
}

// A box of 2 kg lying on its four corners meets the ground at the speed a step of gravity
// gives: answered together the corners stop it, within the friction cone when it slides.
// Answered alone, each with a share of a quarter, they left 44 per cent of the fall.
TEST(ImpactSolver, BoxOnItsFourCornersStopsOnTheGround) {
    ResponseScope scope;
    const float fall = 19.6f / 60.0f;
    struct Case {
        float friction;
        float slide;
        float slideAfter;
    };
    const Case cases[] = {
        {1.0f, 0.0f, 0.0f},
        {1.0f, 0.2f, 0.0f},
        {0.3f, 2.0f, 2.0f - 0.3f * fall},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.friction);
        Scene scene(true, c.friction, 0.25f);
        scene.bodyA.Matrix.d.Set(0, 0.5f, 0);
        SetMotion(scene.bodyA, Vector3(c.slide, -fall, 0), Vector3(0, 0, 0));
        int i = 0;
        for (float x : {-0.5f, 0.5f})
            for (float z : {-0.5f, 0.5f}) scene.Impact(i++, Vector3(x, 0, z), Vector3(0, 1, 0));
        phImpactSolver solver;
        solver.Add(scene.impacts, 4);
        solver.Solve();
        DVec v, w;
        MotionAfter(scene.bodyA, v, w);
        EXPECT_NEAR(v.x, c.slideAfter, 1e-4);
        EXPECT_NEAR(v.y, 0.0, 1e-4);
        EXPECT_NEAR(v.z, 0.0, 1e-4);
        EXPECT_NEAR(w.Mag(), 0.0, 1e-4);
    }
}

// A box lying on a slope of 0.3, sunk 1 cm into it by its fall: held by its friction, it is
// pushed back the way it came, straight up (pushed out along the normal it crept down the
// slope by the normal's slant every step); sliding, out along the normal. Either way it comes
// out by the depth along the normal.
TEST(ImpactSolver, HeldContactsArePushedBackTheWayTheyCame) {
    ResponseScope scope;
    phBound::DefaultMargin = 0.0f;
    const float fall = 19.6f / 60.0f;
    const float depth = 0.01f;
    Vector3 normal(-0.3f, 1.0f, 0.0f);
    normal.Normalize();
    struct Case {
        float friction;
        Vector3 push;
    };
    const Case cases[] = {
        {1.0f, Vector3(0.0f, depth / normal.y, 0.0f)},
        {0.31f, Vector3(0.0f, depth / normal.y, 0.0f)},
        {0.29f, normal * depth},
        {0.0f, normal * depth},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.friction);
        Scene scene(true, c.friction, 0.0f);
        scene.bodyA.Matrix.d.Set(0, 0.5f, 0);
        SetMotion(scene.bodyA, Vector3(0, -fall, 0), Vector3(0, 0, 0));
        int i = 0;
        for (float x : {-0.5f, 0.5f})
            for (float z : {-0.5f, 0.5f})
                scene.Impact(i++, Vector3(x, 0.15f * x, z), normal, depth);
        phImpactSolver solver;
        solver.Add(scene.impacts, 4);
        ExpectNear(scene.bodyA.Push, DVec(c.push), 1e-6);
        EXPECT_NEAR(scene.bodyA.Push.Dot(normal), depth, 1e-6f);
    }
}

// A box lying on another on the ground, both falling at a step of gravity: the impacts of
// the two pairs answered together stop both, the lower one holding up the upper one's
// weight as well; a fast approach bounces by the elasticity. Pushes are applied as the
// impacts are taken.
TEST(ImpactSolver, AStackIsStoppedAsAWhole) {
    ResponseScope scope;
    phBound::DefaultMargin = 0.0f;
    for (float fall : {19.6f / 60.0f, 4.0f}) {
        SCOPED_TRACE(fall);
        Scene scene(false, 1.0f, 0.25f);
        scene.bodyA.Matrix.Identity();
        scene.bodyA.Matrix.d.Set(0.1f, 1.5f, 0);
        scene.bodyB.Matrix.Identity();
        scene.bodyB.Matrix.d.Set(0, 0.5f, 0);
        SetMotion(scene.bodyA, Vector3(0, -fall, 0), Vector3(0, 0, 0));
        SetMotion(scene.bodyB, Vector3(0, -fall, 0), Vector3(0, 0, 0));
        TestMesh groundMesh;
        MakeUnitCube(groundMesh);
        groundMesh.m_Material.Friction = 1.0f;
        groundMesh.m_Material.Elasticity = 0.5f;
        phCollider ground;
        ground.Init(&groundMesh, nullptr);
        phImpact impacts[8];
        int i = 0;
        for (float x : {-0.5f, 0.5f}) {
            for (float z : {-0.5f, 0.5f}) {
                // A on B at y 1, B on the ground at y 0.
                impacts[i] = scene.Impact(i, Vector3(x + 0.1f, 1.0f, z), Vector3(0, 1, 0), 0.01f);
                impacts[4 + i].Clear();
                impacts[4 + i].Type = phImpact::A_ON_FACE;
                impacts[4 + i].Position = Vector3(x, 0.0f, z);
                impacts[4 + i].Normal = Vector3(0, 1, 0);
                impacts[4 + i].ColliderA = &scene.b;
                impacts[4 + i].ColliderB = &ground;
                ++i;
            }
        }
        phImpactSolver solver;
        solver.Add(impacts, 8);
        EXPECT_NEAR(scene.bodyA.Push.y, 0.01f, 1e-6f);
        solver.Solve();
        DVec v, w;
        MotionAfter(scene.bodyA, v, w);
        double bounce = fall > 1.0f ? 0.25 * fall : 0.0;
        EXPECT_NEAR(v.y, bounce, 1e-3);
        EXPECT_NEAR(w.Mag(), 0.0, 1e-3);
        MotionAfter(scene.bodyB, v, w);
        EXPECT_NEAR(v.y, bounce, 1e-3);
        EXPECT_NEAR(w.Mag(), 0.0, 1e-3);
        // The ground takes both boxes' fall, and the bounce.
        EXPECT_NEAR(scene.bodyA.Impulse.y + scene.bodyB.Impulse.y,
                    (2.0f + 3.0f) * (fall + float(bounce)), 1e-2);
    }
}

// Random sets of one to four impacts with friction, of a body on the ground or on another
// body: after the solve every point's impulse lies in its friction cone, none pulls, and the
// points no longer approach.
TEST(ImpactSolver, FrictionStaysInItsConeAndNeverPulls) {
    ResponseScope scope;
    RandomBodies random(47);
    int rubbing = 0;
    int approaching = 0;
    for (int trial = 0; trial < 400; ++trial) {
        Materials drawn = DrawMaterials(random, trial, 1.5f);
        Scene scene(drawn.staticB, drawn.friction, drawn.elasticity);
        size_t count = RandomSet(random, scene, 1 + size_t(trial % 4));
        double mu = double(scene.boundA.m_Material.Friction * scene.boundB.m_Material.Friction);
        ImpulseTally tally(count);
        datCallback heard(&ImpulseTally::Heard, &tally, 0);
        scene.a.SetImpulseCallback(&heard);
        // The scale of the impulses: the lighter body's momentum.
        double mass = std::min(scene.bodyA.Mass, drawn.staticB ? scene.bodyA.Mass : scene.bodyB.Mass);
        double tolerance = 1e-5 * mass * (1.0 + 3.0 + 3.0 * 2.0);

        phImpactSolver solver;
        solver.Add(scene.impacts, int(count));
        solver.Solve();
        for (size_t i = 0; i < count; ++i) {
            SCOPED_TRACE(testing::Message() << "trial " << trial << " point " << i);
            DVec n(scene.impacts[i].Normal);
            DVec j = tally.m_OnA[i];
            double jn = j.Dot(n);
            double jt = (j - n * jn).Mag();
            EXPECT_GE(jn, -tolerance);
            EXPECT_LE(jt, mu * jn + tolerance);
            rubbing += jt > 100.0 * tolerance;
            // Settled: a lone point never approaches after, and hardly a point of a set.
            double after = scene.RelativeAfter(scene.impacts[i].Position).Dot(n);
            if (count == 1) {
                EXPECT_GE(after, -0.01);
            }
            approaching += after < -0.01;
        }
    }
    // Most sets hold or slow a slide.
    EXPECT_GT(rubbing, 300);
    // Of some 1,000 points: a few sets whose points press on one another swing through every
    // round without settling.
    EXPECT_LE(approaching, 5);
}

// Random lone impacts with friction up to 3, of a body on the ground or on another body, some
// fast enough to bounce: the impulse is the brute-force answer in double, a stick where the
// cone holds one, else a slide at the cone's edge with the normal velocity at its target.
TEST(ImpactSolver, ALonePointMeetsTheDoubleReference) {
    ResponseScope scope;
    RandomBodies random(53);
    int sticks = 0;
    int slides = 0;
    for (int trial = 0; trial < 400; ++trial) {
        SCOPED_TRACE(trial);
        Materials drawn = DrawMaterials(random, trial, 3.0f);
        Scene scene(drawn.staticB, drawn.friction, drawn.elasticity);
        RandomSet(random, scene, 1);
        DVec n = NormalOnA(scene, scene.impacts[0]);
        DVec w = scene.RelativeAfter(scene.impacts[0].Position);
        phImpactSolver solver;
        solver.Add(scene.impacts, 1);
        double approach = w.Dot(n);
        double target = approach < -1.0 ? -double(scene.impacts[0].Elasticity) * approach : 0.0;
        bool stuck = false;
        std::vector<DVec> answers =
            LoneReference(scene, w, target, double(scene.impacts[0].Friction), stuck);
        ASSERT_FALSE(answers.empty());
        solver.Solve();
        DVec j(scene.bodyA.Impulse);
        double error = DBL_MAX;
        for (const DVec& answer : answers) error = std::min(error, (j - answer).Mag());
        double scale = 1.0 + answers[0].Mag();
        EXPECT_LT(error, 1e-4 * scale);
        sticks += stuck;
        slides += !stuck && answers[0].Mag() > 0.0;
    }
    EXPECT_GT(sticks, 50);
    EXPECT_GT(slides, 50);
}

// Materials out of their range and sides that cannot move: a box on the ground meets it at
// 2 m/s sliding along x at 3 m/s. A negative friction gives no friction (it never pushes the
// slide on), an elasticity above 1 bounces no faster than the approach, below 0 it stops the
// approach; a side without mass, two immobile sides, an impact without a normal or a body
// that approaches infinitely fast give finite answers.
TEST(ImpactSolver, OddMaterialsAndImmobileSidesGiveSoundAnswers) {
    ResponseScope scope;
    phBound::DefaultMargin = 0.0f;
    const float nan = std::nanf("");
    struct Case {
        const char* m_What;
        float m_FrictionA, m_FrictionB;
        float m_ElasticityA, m_ElasticityB;
        bool m_Massless;
        bool m_StaticA;
        Vector3 m_Normal;
        float m_Slide;   // along x after, NaN when not checked
        float m_Bounce;  // along y after, NaN when not checked
        float m_Approach = -2.0f;
    } cases[] = {
        {"negative friction", 0.7f, -0.7f, 0.0f, 0.0f, false, false, Vector3(0, 1, 0), 3.0f,
         0.0f},
        {"elasticity above 1", 0.0f, 0.0f, 1.5f, 1.5f, false, false, Vector3(0, 1, 0), 3.0f,
         2.0f},
        {"negative elasticity", 0.0f, 0.0f, 0.7f, -0.7f, false, false, Vector3(0, 1, 0), 3.0f,
         0.0f},
        {"massless body", 1.0f, 1.0f, 0.5f, 0.5f, true, false, Vector3(0, 1, 0), nan, nan},
        {"both immobile", 1.0f, 1.0f, 0.5f, 0.5f, false, true, Vector3(0, 1, 0), nan, nan},
        {"no normal", 1.0f, 1.0f, 0.5f, 0.5f, false, false, Vector3(0, 0, 0), nan, nan},
        {"infinite approach", 1.0f, 1.0f, 0.5f, 0.5f, false, false, Vector3(0, 1, 0), nan, nan,
         -INFINITY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_What);
        Scene scene(true);
        scene.boundA.m_Material.Friction = c.m_FrictionA;
        scene.boundB.m_Material.Friction = c.m_FrictionB;
        scene.boundA.m_Material.Elasticity = c.m_ElasticityA;
        scene.boundB.m_Material.Elasticity = c.m_ElasticityB;
        if (c.m_Massless) scene.bodyA.InitBox(0.0f, 1.0f, 1.0f, 1.0f);
        if (c.m_StaticA) scene.a.Init(&scene.boundA, nullptr);
        scene.bodyA.Matrix.d.Set(0, 0.5f, 0);
        SetMotion(scene.bodyA, Vector3(3.0f, c.m_Approach, 0), Vector3(0, 0, 0));
        int i = 0;
        for (float x : {-0.5f, 0.5f})
            for (float z : {-0.5f, 0.5f}) scene.Impact(i++, Vector3(x, 0, z), c.m_Normal);
        phImpactSolver solver;
        solver.Add(scene.impacts, 4);
        solver.Solve();
        EXPECT_TRUE(Finite(scene.bodyA.Impulse));
        EXPECT_TRUE(Finite(scene.bodyA.AngImpulse));
        EXPECT_TRUE(Finite(scene.bodyA.Push));
        if (!std::isnan(c.m_Slide)) {
            DVec v, w;
            MotionAfter(scene.bodyA, v, w);
            EXPECT_NEAR(v.x, c.m_Slide, 1e-4);
            EXPECT_NEAR(v.y, c.m_Bounce, 1e-4);
        }
    }
}
