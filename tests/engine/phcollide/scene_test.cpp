// A sphere, a box and a capsule dropped on a terrain and on each other, run through the
// dispatch and the response for ten seconds at 60 frames a second, once answered by impulses
// and once by contacts, with the sphere or the capsule on the box.
#include <cmath>
#include <string>
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
#include "tests/engine/phcollide/dropworld.h"
#include "tests/engine/phinertia/reference.h"

namespace {

const int Frames = 600;

// Which body is dropped on the box and how the impacts are answered.
struct Scene {
    bool UseContacts;
    bool CapsuleOnBox;
};

struct Body {
    phInertialCS ics;
    phCollider collider;

    void Start(phBound* bound, const Matrix34& matrix) {
        ics.Matrix = matrix;
        collider.InitWithICS(bound, &ics, 0);
        collider.SaveLastMatrix();
    }
};

class SceneTest : public ::testing::TestWithParam<Scene> {
protected:
    SceneTest()
        : m_UseContacts(phCollision::UseContacts),
          m_Seconds(datTimeManager::Seconds),
          m_Sphere(0.3f),
          m_Boxy(Vector3(1.6f, 0.6f, 1.6f)),
          m_Hotdog(0.2f, 0.8f) {
        datTimeManager::Seconds = 1.0f / 60.0f;
        // 10 x 10 m of flat ground in four cells, each two triangles, all of one material.
        m_Files.Write("ground", "bnd", FlatGroundText(2, 5.0f));
        EXPECT_TRUE(m_Terrain.phBoundGeometry::Load("ground"));
        BuildTerrainGrid(m_Terrain, 2, 2);
        m_Ground.InitStatic(nullptr, &m_Terrain);

        // The box lands on the ground; the sphere or the capsule lands on the middle of its
        // top, the other on the ground. (A load off the middle tilts the box, and the tilt
        // sets a body on it rolling, which nothing slows.) On the ground the capsule lies
        // along x across the diagonal of a cell, so that each end rests on a triangle of its
        // own; on the box both ends rest on its top face.
        m_Box.Start(&m_Boxy, Translation(6.5f, 1.0f, 1.5f));
        bool capsuleOnBox = GetParam().CapsuleOnBox;
        m_Ball.Start(&m_Sphere, capsuleOnBox ? Translation(2.5f, 1.0f, 7.5f)
                                             : Translation(6.5f, 2.2f, 1.5f));
        Matrix34 lying = Matrix34::sm_Identity;
        lying.MakeRotateZ(1.5707963f);
        lying.d = capsuleOnBox ? Vector3(6.5f, 1.9f, 1.5f) : Vector3(8.0f, 1.5f, 2.0f);
        m_Capsule.Start(&m_Hotdog, lying);
        m_Box.ics.InitBox(3.0f, 1.6f, 0.6f, 1.6f);
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
    const bool contacts = GetParam().UseContacts;
    const bool capsuleOnBox = GetParam().CapsuleOnBox;
    phCollision::UseContacts = contacts;
    const Body* bodies[3] = {&m_Ball, &m_Box, &m_Capsule};
    const char* names[3] = {"sphere", "box", "capsule"};
    // The last second's largest move and turn from where each body was at its start, taken
    // every frame: a body that rocks between two places each frame is not at rest.
    Matrix34 second[3];
    float moved[3] = {0.0f, 0.0f, 0.0f};
    float turned[3] = {0.0f, 0.0f, 0.0f};
    for (int frame = 0; frame < Frames; ++frame) {
        if (frame == Frames - 60) {
            for (int k = 0; k < 3; ++k) {
                second[k] = bodies[k]->ics.Matrix;
            }
        }
        Frame();
        for (int k = 0; frame >= Frames - 60 && k < 3; ++k) {
            const Matrix34& now = bodies[k]->ics.Matrix;
            moved[k] = std::fmax(moved[k], now.d.Dist(second[k].d));
            turned[k] = std::fmax(turned[k], (now.a - second[k].a).Mag() +
                                                 (now.b - second[k].b).Mag() +
                                                 (now.c - second[k].c).Mag());
        }
        for (int k = 0; k < 3; ++k) {
            const phInertialCS& ics = bodies[k]->ics;
            ASSERT_TRUE(IsFinite(ics.Matrix) && IsFinite(ics.Velocity) &&
                        IsFinite(ics.AngVelocity))
                << names[k] << " at frame " << frame;
            ASSERT_GE(Lowest(*bodies[k]), -phBound::DefaultMargin - 1e-4f)
                << names[k] << " at frame " << frame;
        }
    }
    // At rest: over the last second no body moved or turned by more than a millimetre's worth.
    // (With impulses alone a resting body keeps an approach that its pushes cancel.)
    for (int k = 0; k < 3; ++k) {
        EXPECT_LT(moved[k], 1e-3f) << names[k];
        EXPECT_LT(turned[k], 1e-3f) << names[k];
        // On the contact springs the bodies are still; impulses leave the approach.
        if (contacts) {
            EXPECT_LT(bodies[k]->ics.Velocity.Mag(), 1e-3f) << names[k];
            EXPECT_LT(bodies[k]->ics.AngVelocity.Mag(), 1e-3f) << names[k];
        }
    }
    // Where they were dropped: the box on the ground, one body on its top, the other on the
    // ground; the capsule lying flat wherever it is.
    EXPECT_NEAR(m_Box.ics.Matrix.d.y, 0.3f, phBound::DefaultMargin);
    EXPECT_NEAR(m_Capsule.ics.Matrix.b.y, 0.0f, 0.01f);
    const float top = m_Box.ics.Matrix.d.y + 0.3f;
    const float onTop = capsuleOnBox ? m_Hotdog.Radius - (m_Capsule.ics.Matrix.d.y - top)
                                     : m_Sphere.Radius - (m_Ball.ics.Matrix.d.y - top);
    if (capsuleOnBox) {
        EXPECT_NEAR(m_Ball.ics.Matrix.d.y, m_Sphere.Radius, phBound::DefaultMargin);
        EXPECT_NEAR(m_Capsule.ics.Matrix.d.x, 6.5f, 0.01f);
        EXPECT_NEAR(m_Capsule.ics.Matrix.d.z, 1.5f, 0.01f);
    } else {
        EXPECT_NEAR(m_Capsule.ics.Matrix.d.y, m_Hotdog.Radius, phBound::DefaultMargin);
    }
    // The body on the box's top: within the margin on the contact springs. With impulses
    // weighted 1/n a resting body keeps an approach that its pushes cancel, and the box's push
    // out of the ground comes at the end of the frame, after the body on it was answered: it
    // rests the margin plus that push deep.
    if (contacts) {
        EXPECT_GT(onTop, 0.0f);
        EXPECT_LT(onTop, phBound::DefaultMargin);
    } else {
        EXPECT_GT(m_Box.ics.AppliedPush.y, 0.01f);
        EXPECT_NEAR(onTop, phBound::DefaultMargin + m_Box.ics.AppliedPush.y, 2e-3f);
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, SceneTest,
                         ::testing::Values(Scene{false, false}, Scene{true, false},
                                           Scene{false, true}, Scene{true, true}),
                         [](const ::testing::TestParamInfo<Scene>& info) {
                             return std::string(info.param.UseContacts ? "Contacts" : "Impulses") +
                                    (info.param.CapsuleOnBox ? "CapsuleOnBox" : "SphereOnBox");
                         });

}  // namespace
