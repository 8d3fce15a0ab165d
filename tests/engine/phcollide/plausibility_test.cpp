// Whole-frame plausibility of bodies, colliders, impacts and the rest monitor together: a
// box dropped on a floor comes to rest and is put to sleep, a bouncing ball never gains
// energy. The contacts against the floor plane are found here; each impulse is folded into
// the body before the next contact is solved, as a sequential solver does.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "phbound/impact.h"
#include "phcollide/collider.h"
#include "phinertia/inertia.h"
#include "phinertia/sleep.h"
#include "tests/engine/phbound/meshes.h"
#include "tests/engine/phinertia/reference.h"

namespace {

const float Gravity = 9.8f;

struct World {
    TestMesh floorBound;
    TestMesh bodyBound;
    phInertialCS body;
    phCollider collider;
    phColliderBase floor;
    phSleep sleep;

    World() : sleep(&body, nullptr) {
        MakeFloor(floorBound, 10.0f, 0.0f, false);
        MakeUnitCube(bodyBound);
        floor.InitStatic(nullptr, &floorBound);
    }

    void Start(const Matrix34& matrix) {
        body.Matrix = matrix;
        collider.InitWithICS(&bodyBound, &body, 0);
        collider.SaveLastMatrix();
        sleep.Reset();
    }

    // One frame in the order the game's movers run: gravity, the rest monitor, the
    // integration, then the contacts and the end of the frame.
    void Frame(const std::vector<Vector3>& localPoints) {
        collider.ApplyGravity();
        sleep.Update();
        body.FrameUpdate();
        for (const Vector3& local : localPoints) {
            Vector3 point = local;
            point.Transform(body.Matrix);
            if (point.y >= 0.0f) {
                continue;
            }
            phImpact impact;
            impact.Clear();
            impact.Type = phImpact::A_ON_FACE;
            impact.ColliderA = &collider;
            impact.ColliderB = &floor;
            impact.Position = point;
            impact.Normal.Set(0, 1, 0);
            impact.Depth = -point.y;
            Vector3 va;
            Vector3 vb;
            impact.GetLocalVelocity(va, vb);
            Vector3 pushA;
            Vector3 pushB;
            Vector3 j;
            impact.ComputeImpulse(va - vb, 1.0f, pushA, pushB, j);
            impact.ApplyImpulseAndPush(j, pushA, pushB);
            body.Update(0.0f);
        }
        collider.EndFrame();
    }

    double Energy() const {
        DVec w(body.AngVelocity);
        DMat r = DMat::Rows(body.Matrix);
        DMat inertia = r.Transposed() * DMat::Diagonal(DVec(body.AngInertia)) * r;
        return 0.5 * body.Mass * DVec(body.Velocity).Dot(DVec(body.Velocity)) +
               0.5 * (w * inertia).Dot(w) + body.Mass * Gravity * body.Matrix.d.y;
    }

    bool Finite() const {
        return IsFinite(body.Matrix) && IsFinite(body.Velocity) && IsFinite(body.AngVelocity) &&
               IsFinite(body.Momentum) && IsFinite(body.AngMomentum);
    }
};

}  // namespace

TEST(PlausibilityTest, DroppedBoxComesToRestAndSleeps) {
    World world;
    world.body.InitBox(1, 1, 1, 1);
    // The active bangers' tolerances: with impulses alone a resting body keeps the speed of
    // one frame of gravity.
    world.sleep.VelTolerance2 = 0.5f;
    world.sleep.AngVelTolerance2 = 0.5f;
    Matrix34 start = Matrix34::sm_Identity;
    start.RotateX(0.3f);
    start.RotateZ(0.2f);
    start.d.Set(0, 1.5f, 0);
    world.Start(start);
    std::vector<Vector3> corners;
    for (int i = 0; i < 8; ++i) {
        corners.push_back(Vector3(i & 1 ? 0.5f : -0.5f, i & 2 ? 0.5f : -0.5f, i & 4 ? 0.5f : -0.5f));
    }
    int asleepAt = -1;
    for (int frame = 0; frame < 600; ++frame) {
        world.Frame(corners);
        ASSERT_TRUE(world.Finite()) << "frame " << frame;
        if (asleepAt < 0 && world.sleep.State != phSleep::AWAKE) {
            asleepAt = frame;
        }
    }
    ASSERT_GE(asleepAt, 0);
    EXPECT_LT(asleepAt, 300);
    EXPECT_NE(world.sleep.State, phSleep::AWAKE);
    EXPECT_EQ(world.body.Active, 0);
    // Lying on a face, its centre half a size above the floor, less the allowed sinking.
    const Matrix34& m = world.body.Matrix;
    float up = std::fmax(std::fabs(m.a.y), std::fmax(std::fabs(m.b.y), std::fabs(m.c.y)));
    EXPECT_GT(up, 0.999f);
    EXPECT_NEAR(m.d.y, 0.5f, 0.05f);
}

TEST(PlausibilityTest, BouncingBallNeverGainsEnergy) {
    World world;
    world.body.InitSphere(1, 0.5f);
    world.bodyBound.m_Material.Elasticity = 0.9f;
    world.floorBound.m_Material.Elasticity = 0.9f;
    Matrix34 start = Matrix34::sm_Identity;
    start.d.Set(0, 3, 0);
    world.Start(start);
    const std::vector<Vector3> lowest = {Vector3(0, -0.5f, 0)};
    double first = world.Energy();
    double last = first;
    double worst = -1e30;
    int bounces = 0;
    for (int frame = 0; frame < 600; ++frame) {
        float before = world.body.Velocity.y;
        world.Frame(lowest);
        ASSERT_TRUE(world.Finite()) << "frame " << frame;
        if (before < -0.5f && world.body.Velocity.y > 0.5f) {
            ++bounces;
        }
        double energy = world.Energy();
        worst = std::fmax(worst, energy - last);
        EXPECT_LE(energy, last + 1e-5 * first) << "frame " << frame;
        last = energy;
    }
    EXPECT_GE(bounces, 3);
    EXPECT_LT(last, 0.5 * first);
    RecordProperty("WorstGain", std::to_string(worst));
}
