// A sphere, a box and a capsule dropped on a terrain and on each other, run through the
// dispatch and the response for ten seconds at 60 frames a second, once answered by impulses
// and once by contacts.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "data/timemgr.h"
#include "phbound/bound.h"
#include "phbound/boundbox.h"
#include "phbound/boundhotdog.h"
#include "phbound/boundsphere.h"
#include "phbound/boundterrain.h"
#include "phbound/impact.h"
#include "phcollide/collider.h"
#include "phcollide/collision.h"
#include "phcollide/contactmgr.h"
#include "phcore/isect.h"
#include "phinertia/inertia.h"
#include "tests/engine/phbound/boundfiles.h"
#include "tests/engine/phbound/meshes.h"
#include "tests/engine/phbound/terrains.h"
#include "tests/engine/phinertia/reference.h"

namespace {

const int Frames = 600;

struct Body {
    phInertialCS ics;
    phCollider collider;

    void Start(phBound* bound, const Matrix34& matrix) {
        ics.Matrix = matrix;
        collider.InitWithICS(bound, &ics, 0);
        collider.SaveLastMatrix();
    }
};

class SceneTest : public ::testing::TestWithParam<bool> {
protected:
    SceneTest()
        : m_UseContacts(phCollision::UseContacts),
          m_Seconds(datTimeManager::Seconds),
          m_Sphere(0.3f),
          m_Boxy(Vector3(1.2f, 0.6f, 1.2f)),
          m_Hotdog(0.2f, 0.8f) {
        datTimeManager::Seconds = 1.0f / 60.0f;
        m_Files.Write("ground", "bnd",
                      HeightFieldText(10, 10, 1.0f, [](int, int) { return 0.0f; }));
        EXPECT_TRUE(m_Terrain.phBoundGeometry::Load("ground"));
        BuildTerrainGrid(m_Terrain, 5, 5);
        m_Ground.InitStatic(nullptr, &m_Terrain);

        m_Box.Start(&m_Boxy, Translation(5, 1.0f, 5));
        // The sphere lands on the box's top, the capsule (lying along x) beside it.
        m_Ball.Start(&m_Sphere, Translation(5, 2.2f, 5.25f));
        Matrix34 lying = Matrix34::sm_Identity;
        lying.MakeRotateZ(1.5707963f);
        lying.d.Set(5, 3.0f, 4.7f);
        m_Capsule.Start(&m_Hotdog, lying);
        m_Box.ics.InitBox(3.0f, 1.2f, 0.6f, 1.2f);
        m_Ball.ics.InitSphere(1.0f, 0.3f);
        m_Capsule.ics.InitHotdog(1.0f, 0.2f, 0.8f, 'y');
    }
    ~SceneTest() override {
        phCollision::UseContacts = m_UseContacts;
        datTimeManager::Seconds = m_Seconds;
    }

    // One pair collided and its impacts answered, each with weight 1/n.
    void Collide(phColliderBase& a, phColliderBase& b) {
        Vector3 motionA = a.CurrentMatrix->d - a.LastMatrix.d;
        Vector3 motionB = b.CurrentMatrix->d - b.LastMatrix.d;
        int n = phCollision::CollideBounds(a.GetBound(), &a, b.GetBound(), &b, m_Isects1,
                                           m_Isects2, m_Impacts, 100, 200, motionA - motionB);
        for (int i = 0; i < n; ++i) {
            phCollision::ResolveImpacts(&m_Mgr, m_Impacts[i], 1.0f / float(n));
        }
    }

    // The movers' order: gravity and the integration (which takes in what the last frame's
    // collisions applied), then the collisions at the new places, then the end of the frame,
    // which applies the pushes.
    void Frame() {
        m_Mgr.BeginFrame();
        Body* bodies[3] = {&m_Ball, &m_Box, &m_Capsule};
        for (Body* body : bodies) {
            body->collider.ApplyGravity();
            body->ics.FrameUpdate();
        }
        for (Body* body : bodies) {
            Collide(body->collider, m_Ground);
        }
        Collide(m_Ball.collider, m_Box.collider);
        Collide(m_Capsule.collider, m_Box.collider);
        Collide(m_Ball.collider, m_Capsule.collider);
        for (Body* body : bodies) {
            body->collider.EndFrame();
        }
    }

    // The lowest point of each body over the terrain.
    float Lowest(const Body& body) const {
        const Matrix34& m = body.ics.Matrix;
        if (&body == &m_Ball) {
            return m.d.y - m_Sphere.Radius;
        }
        if (&body == &m_Capsule) {
            Vector3 half = m.b * (0.5f * m_Hotdog.Length);
            return std::fmin((m.d + half).y, (m.d - half).y) - m_Hotdog.Radius;
        }
        float lowest = 1e30f;
        for (int i = 0; i < 8; ++i) {
            Vector3 corner = m_Boxy.BoxVertices[i];
            corner.Transform(m);
            lowest = std::fmin(lowest, corner.y);
        }
        return lowest;
    }

    bool m_UseContacts;
    float m_Seconds;
    BoundFiles m_Files;
    phBoundTerrain m_Terrain;
    phColliderBase m_Ground;
    phBoundSphere m_Sphere;
    phBoundBox m_Boxy;
    phBoundHotdog m_Hotdog;
    Body m_Ball;
    Body m_Box;
    Body m_Capsule;
    phContactMgr m_Mgr;
    phIsect m_Isects1[100];
    phIsect m_Isects2[100];
    phImpact m_Impacts[200];
};

TEST_P(SceneTest, BodiesComeToRestOnTheTerrainAndEachOther) {
    phCollision::UseContacts = GetParam();
    const Body* bodies[3] = {&m_Ball, &m_Box, &m_Capsule};
    const char* names[3] = {"sphere", "box", "capsule"};
    float worst[3] = {1e9f, 1e9f, 1e9f};
    for (int frame = 0; frame < Frames; ++frame) {
        Frame();
        for (int k = 0; k < 3; ++k) {
            const phInertialCS& ics = bodies[k]->ics;
            ASSERT_TRUE(IsFinite(ics.Matrix) && IsFinite(ics.Velocity) &&
                        IsFinite(ics.AngVelocity))
                << names[k] << " at frame " << frame;
            worst[k] = std::fmin(worst[k], Lowest(*bodies[k]));
        }
    }
    for (int k = 0; k < 3; ++k) {
        const phInertialCS& ics = bodies[k]->ics;
        printf("%s worst %g pos %g %g %g v %g w %g\n", names[k], worst[k], ics.Matrix.d.x, ics.Matrix.d.y, ics.Matrix.d.z, ics.Velocity.Mag(), ics.AngVelocity.Mag());
        EXPECT_LT(ics.Velocity.Mag(), 0.05f) << names[k];
        EXPECT_LT(ics.AngVelocity.Mag(), 0.1f) << names[k];
    }
    // Where they were dropped: the box on the ground, the sphere and the capsule on its top.
    EXPECT_NEAR(m_Box.ics.Matrix.d.y, 0.3f, phBound::DefaultMargin);
    EXPECT_NEAR(m_Ball.ics.Matrix.d.y, 0.9f, phBound::DefaultMargin);
    EXPECT_NEAR(m_Capsule.ics.Matrix.d.y, 0.8f, phBound::DefaultMargin);
}

INSTANTIATE_TEST_SUITE_P(Paths, SceneTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Contacts" : "Impulses";
                         });

}  // namespace
