#include "phcollide/collider.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "data/callback.h"
#include "data/timemgr.h"
#include "phbound/impact.h"
#include "phcollide/contact.h"
#include "phcore/isect.h"
#include "phcore/segment.h"
#include "phinertia/inertia.h"
#include "tests/engine/phbound/meshes.h"
#include "tests/engine/phcollide/containers.h"
#include "tests/engine/phinertia/reference.h"
#include "tests/support/child.h"

namespace {

// What the component and impulse callbacks were handed, copied out.
struct Seen {
    phComponentApply record;
    Vector3 value;
    bool hasPush;
    Vector3 push;
    Vector3 point;
};
std::vector<Seen> Records;
std::vector<phImpulseReport> Reports;

void RecordComponent(uintptr_t, uintptr_t argument) {
    const phComponentApply& r = *reinterpret_cast<const phComponentApply*>(argument);
    Seen seen{r, *r.Value, r.Push != nullptr, r.Push ? *r.Push : Vector3::sm_Zero, *r.Point};
    Records.push_back(seen);
}

void RecordImpulse(uintptr_t, uintptr_t argument) {
    Reports.push_back(*reinterpret_cast<const phImpulseReport*>(argument));
}

phImpact ImpactOf(phColliderBase* a, phColliderBase* b, int type, const Vector3& point) {
    phImpact impact;
    impact.Clear();
    impact.Type = type;
    impact.FeatureA = 11;
    impact.FeatureB = 22;
    impact.ComponentA = 1;
    impact.ComponentB = 2;
    impact.Position = point;
    impact.Normal.Set(0, 1, 0);
    impact.ColliderA = a;
    impact.ColliderB = b;
    return impact;
}

class ColliderTest : public ::testing::Test {
protected:
    ColliderTest() {
        MakeUnitCube(m_Cube);
        Records.clear();
        Reports.clear();
    }

    TestMesh m_Cube;
};

}  // namespace

TEST_F(ColliderTest, InitialisationsAndIdentifiers) {
    phCollider plain;
    plain.Init(&m_Cube, nullptr);
    EXPECT_EQ(plain.CurrentMatrix->a.x, 1.0f);
    EXPECT_TRUE(plain.CurrentMatrix->d.IsZero());
    EXPECT_EQ(plain.SlowMotion, 1);
    EXPECT_EQ(plain.MotionDistance, 0.0f);
    EXPECT_EQ(plain.UserID, 0);
    EXPECT_NE(plain.GetColliderID(), 0u);
    uint32_t first = plain.GetColliderID();
    plain.Init(&m_Cube, nullptr);
    EXPECT_NE(plain.GetColliderID(), first);

    phColliderBase fixed;
    Matrix34 where = Translation(1, 2, 3);
    fixed.InitStatic(&where, &m_Cube);
    EXPECT_EQ(fixed.GetColliderID(), 0u);
    EXPECT_EQ(fixed.LastMatrix.d.y, 2.0f);
    EXPECT_EQ(fixed.SlowMotion, 1);

    phInertialCS body;
    body.Matrix.d.Set(4, 5, 6);
    phCollider moving;
    moving.InitWithICS(&m_Cube, &body, 9);
    EXPECT_EQ(moving.CurrentMatrix, &body.Matrix);
    EXPECT_EQ(moving.UserID, 9);
    EXPECT_EQ(moving.Matrix.d.x, 4.0f);
    EXPECT_EQ(moving.LastMatrix.d.z, 6.0f);
    EXPECT_EQ(moving.JustReset, 1);
    EXPECT_EQ(moving.MotionDistance, FLT_MAX);
    EXPECT_NE(moving.GetColliderID(), plain.GetColliderID());
    EXPECT_TRUE(moving.IsActive());
    body.Active = 0;
    EXPECT_FALSE(moving.IsActive());

    Matrix34 stored = Translation(-1, 0, 0);
    phColliderBase base;
    base.InitWithStorage(&m_Cube, &stored, &body, 3);
    EXPECT_EQ(body.Matrix.d.x, -1.0f);
    EXPECT_EQ(base.CurrentMatrix, &body.Matrix);
    EXPECT_NE(base.GetColliderID(), 0u);

    Matrix34 driven = Translation(0, 7, 0);
    phCollider follower;
    follower.InitWithMatrix(&m_Cube, &driven, nullptr, 4);
    EXPECT_EQ(follower.CurrentMatrix, &driven);
    EXPECT_EQ(follower.Matrix.d.y, 7.0f);
    EXPECT_EQ(follower.LastMatrix.d.y, 7.0f);
}

TEST_F(ColliderTest, MotionQueriesAfterResetAndOverAFrame) {
    phInertialCS body;
    body.Velocity.Set(6, 0, 0);
    body.AngVelocity.Set(0, 1, 0);
    phCollider collider;
    collider.InitWithICS(&m_Cube, &body, 0);
    Vector3 out;
    collider.GetMotionAtPoint(Vector3(1, 0, 0), out);
    EXPECT_TRUE(out.IsZero());
    collider.GetLocalMotion(Vector3(1, 0, 0), -1, 0, 0, out);
    EXPECT_TRUE(out.IsZero());

    collider.EndFrame();
    body.LastPush.Set(0, 0.5f, 0);
    collider.GetMotionAtPoint(Vector3(0, 0, 1), out);
    EXPECT_NEAR(out.x, (6.0f + 1.0f) / 60.0f, 1e-6f);
    EXPECT_NEAR(out.y, 0.5f, 1e-6f);

    // The matrix turned and moved since the end of the last frame: a point's motion is where
    // it is less where the same body point was.
    body.Matrix.RotateY(0.7f);
    body.Matrix.d.Set(1, 2, 3);
    Vector3 point(1.5f, 2.5f, 2.0f);
    collider.GetLocalMotion(point, -1, 0, 0, out);
    DMat r = DMat::Rows(body.Matrix);
    DVec local = (DVec(point) - DVec(body.Matrix.d)) * r.Transposed();
    ExpectNear(out, DVec(point) - local, 1e-6);

    phCollider still;
    still.Init(&m_Cube, nullptr);
    still.GetLocalVelocity(point, -1, 0, 0, out);
    EXPECT_TRUE(out.IsZero());
    // v + ω × (p - position), with the body now at (1, 2, 3).
    collider.GetLocalVelocity(Vector3(0, 0, 1), -1, 0, 0, out);
    EXPECT_NEAR(out.x, 4.0f, 1e-6f);
    EXPECT_NEAR(out.z, 1.0f, 1e-6f);
}

// With the component callback set and a geometry bound that counts its components' motion,
// a point's motion is measured from the touched element's place at the last frame.
TEST_F(ColliderTest, ElementMotionOfGeometryComponents) {
    datCallback callback(RecordComponent, 0);
    phCollider collider;
    Matrix34 where = Translation(0, 0, 0);
    collider.InitWithMatrix(&m_Cube, &where, nullptr, 0);
    collider.EndFrame();
    collider.SetComponentCallback(&callback);
    m_Cube.ComponentMotion = 1.0f;
    Vector3 point(0.5f, 0.5f, 0.75f);
    struct Case {
        int kind;
        int element;
        Vector3 at;
    };
    const phPolygon& face = m_Cube.Polygons[0];
    Vector3 centroid = Vector3::sm_Zero;
    for (int i = 0; i < 4; ++i) {
        centroid += m_Cube.Vertices[face.VertexIndex[i]] * 0.25f;
    }
    const uint16_t* edge = m_Cube.Edges[0];
    const Case cases[] = {
        {0, 7, m_Cube.Vertices[7]},
        {1, 0, (m_Cube.Vertices[edge[0]] + m_Cube.Vertices[edge[1]]) * 0.5f},
        {2, 0, centroid},
    };
    for (const Case& c : cases) {
        Vector3 out;
        collider.GetLocalMotion(point, 0, c.kind, c.element, out);
        ExpectNear(out, DVec(point - c.at), 1e-6);
    }
    m_Cube.ComponentMotion = 0.0f;
}

// A part that moved within its composite carries its points: their motion and velocity add
// the part's own move to the body's, for the touched component alone, and only while the
// collider takes component callbacks and the composite counts its parts' motion.
TEST_F(ColliderTest, ComponentMotionOfCompositeParts) {
    TestMesh parts[2];
    MakeUnitCube(parts[0]);
    MakeUnitCube(parts[1]);
    TestComposite composite;
    Matrix34 hinge = Matrix34::sm_Identity;
    hinge.RotateY(0.4f);
    hinge.d.Set(2, 0, 0);
    composite.SetParts({&parts[0], &parts[1]}, {Matrix34::sm_Identity, hinge});
    composite.m_LastMatrices[1] = Translation(2, -0.3f, 0);
    composite.ComponentMotion = 1.0f;
    TestWrapper wrapper;
    wrapper.Wrapped = &composite;
    datCallback callback(RecordComponent, 0);

    for (phBound* bound : {static_cast<phBound*>(&composite), static_cast<phBound*>(&wrapper)}) {
        phInertialCS body;
        body.Velocity.Set(1, 0, 0);
        phCollider collider;
        collider.InitWithICS(bound, &body, 0);
        collider.EndFrame();
        // The body moved by (0.5, 0, 0) and turned since the end of the frame.
        body.Matrix.RotateX(0.3f);
        body.Matrix.d.Set(0.5f, 0, 0);
        collider.SetComponentCallback(&callback);
        Vector3 point(2.4f, 0.3f, 0.2f);

        // Reference: the point's place in part 1, where that part point stood a frame ago.
        DMat body_r = DMat::Rows(body.Matrix);
        DVec local = (DVec(point) - DVec(body.Matrix.d)) * body_r.Transposed();
        DMat part_r = DMat::Rows(hinge);
        DVec inPart = (local - DVec(hinge.d)) * part_r.Transposed();
        DVec lastLocal = inPart * DMat::Rows(composite.m_LastMatrices[1]) +
                         DVec(composite.m_LastMatrices[1].d);
        DVec lastWorld = lastLocal;  // The last body matrix is the identity.
        Vector3 out;
        collider.GetLocalMotion(point, 1, 0, 0, out);
        ExpectNear(out, DVec(point) - lastWorld, 1e-5);
        // Part 0 did not move within the composite: the body's motion alone.
        collider.GetLocalMotion(point, 0, 0, 0, out);
        ExpectNear(out, DVec(point) - local, 1e-5);

        DVec partMove = (local - lastLocal) * body_r;
        collider.GetLocalVelocity(point, 1, 0, 0, out);
        ExpectNear(out, DVec(1, 0, 0) + partMove * (1.0 / datTimeManager::Seconds), 1e-3);
        collider.GetLocalVelocity(point, 0, 0, 0, out);
        ExpectNear(out, DVec(1, 0, 0), 1e-6);

        // Without the callback the parts count as fixed in the body.
        collider.SetComponentCallback(nullptr);
        collider.GetLocalMotion(point, 1, 0, 0, out);
        ExpectNear(out, DVec(point) - local, 1e-5);
        collider.GetLocalVelocity(point, 1, 0, 0, out);
        ExpectNear(out, DVec(1, 0, 0), 1e-6);
    }
}

TEST_F(ColliderTest, GravityAndMotionDistance) {
    phInertialCS body;
    body.InitBox(2, 1, 1, 1);
    phCollider collider;
    collider.InitWithICS(&m_Cube, &body, 0);
    collider.ApplyGravity();
    EXPECT_NEAR(body.Force.y, -19.6f, 1e-5f);
    m_Cube.GravityScale = 0.5f;
    collider.ApplyGravity();
    EXPECT_NEAR(body.Force.y, -29.4f, 1e-5f);
    m_Cube.GravityScale = 1.0f;

    struct Case {
        Vector3 angVelocity, velocity, lastPush;
        float distance;
        uint8_t slow;
    };
    const Case cases[] = {
        {Vector3(0, 2, 0), Vector3(1, 0, 0), Vector3(0, 0, 0), 0.05f, 0},
        {Vector3(0, 0, 0), Vector3(0, 0, 0), Vector3(0, 0, 0), 0.0f, 1},
        {Vector3(-1, 0, 0), Vector3(0, 0, 0), Vector3(0, 0, 0), 1.0f / 60.0f, 0},
        {Vector3(0, 0, 0), Vector3(0, 0, 0), Vector3(0.01f, 0, 0), 0.01f, 1},
    };
    for (const Case& c : cases) {
        body.AngVelocity = c.angVelocity;
        body.Velocity = c.velocity;
        body.LastPush = c.lastPush;
        collider.ComputeMotionDistance();
        EXPECT_NEAR(collider.MotionDistance, c.distance, 1e-6f);
        EXPECT_EQ(collider.SlowMotion, c.slow);
    }
}

// Case 0 gravity, case 1 the motion distance, of a collider without a body.
TEST_CHILD(BodyQueryWithoutBody) {
    TestMesh cube;
    MakeUnitCube(cube);
    phCollider collider;
    collider.Init(&cube, nullptr);
    if (ChildCase() == 0) {
        collider.ApplyGravity();
    } else {
        collider.ComputeMotionDistance();
    }
    return 0;
}

TEST(ColliderFatalTest, BodyQueriesWithoutBody) {
    ExpectFatalChildren(
        {{"BodyQueryWithoutBody", "Assert(ICS) failed in [phcollide/collidermotion", "case=0"},
         {"BodyQueryWithoutBody", "Assert(0) failed in [phcollide/collidermotion", "case=1"}});
}

// X pushes the body less than Y: Y is the frame's pusher, and next frame the body's motion
// seen by Y leaves out the push that Y gave.
TEST_F(ColliderTest, PushBookkeeping) {
    phInertialCS body;
    phCollider collider;
    collider.InitWithICS(&m_Cube, &body, 0);
    collider.EndFrame();
    phCollider x;
    x.Init(&m_Cube, nullptr);
    phCollider y;
    y.Init(&m_Cube, nullptr);
    phImpact fromX = ImpactOf(&collider, &x, 1, Vector3(0, -0.5f, 0));
    phImpact fromY = ImpactOf(&y, &collider, 2, Vector3(0, -0.5f, 0));
    collider.ApplyImpulseAndPush(fromX, Vector3::sm_Zero, Vector3(0.1f, 0, 0));
    EXPECT_EQ(collider.Pusher, x.GetColliderID());
    collider.ApplyImpulseAndPush(fromY, Vector3::sm_Zero, Vector3(0, 0.2f, 0));
    collider.ApplyImpulseAndPush(fromX, Vector3::sm_Zero, Vector3(0.15f, 0, 0));
    EXPECT_EQ(collider.Pusher, y.GetColliderID());
    EXPECT_NEAR(collider.MaxPush2, 0.04f, 1e-7f);
    collider.EndFrameAndUpdate();
    EXPECT_EQ(collider.LastPusher, y.GetColliderID());
    EXPECT_EQ(collider.Pusher, 0u);
    EXPECT_NEAR(body.Matrix.d.x, 0.15f, 1e-6f);
    EXPECT_NEAR(body.LastPush.y, 0.2f, 1e-6f);

    Vector3 seenByY;
    Vector3 seenByX;
    collider.GetMotionAtPoint(Vector3::sm_Zero, seenByY, y.GetColliderID());
    collider.GetMotionAtPoint(Vector3::sm_Zero, seenByX, x.GetColliderID());
    EXPECT_EQ(seenByY.y, 0.0f);
    EXPECT_NEAR(seenByX.y, 0.2f, 1e-6f);
}

// Which side's component, element and feature kind the callback sees, for each impact type
// and either side; then the body takes the values.
TEST_F(ColliderTest, ComponentCallbackSeesItsSide) {
    datCallback component(RecordComponent, 0);
    datCallback impulses(RecordImpulse, 0);
    phInertialCS body;
    phCollider collider;
    collider.InitWithICS(&m_Cube, &body, 0);
    collider.SetComponentCallback(&component);
    EXPECT_EQ(collider.SetImpulseCallback(&impulses), &impulses);
    phCollider other;
    other.Init(&m_Cube, nullptr);
    struct Case {
        int type;
        bool sideA;
        int component, element, kind;
    };
    const Case cases[] = {{0, true, 1, 11, 1}, {0, false, 2, 22, 1}, {1, true, 1, 11, 0},
                          {1, false, 2, 22, 2}, {2, true, 1, 11, 2}, {2, false, 2, 22, 0}};
    for (const Case& c : cases) {
        Records.clear();
        phImpact impact = c.sideA ? ImpactOf(&collider, &other, c.type, Vector3(0, 1, 0))
                                  : ImpactOf(&other, &collider, c.type, Vector3(0, 1, 0));
        collider.ApplyImpulse(impact, Vector3(1, 0, 0));
        ASSERT_EQ(Records.size(), 1u);
        const Seen& seen = Records[0];
        EXPECT_EQ(seen.record.Mode, phComponentApply::IMPULSE);
        EXPECT_EQ(seen.record.Component, c.component);
        EXPECT_EQ(seen.record.Element, c.element);
        EXPECT_EQ(seen.record.Kind, c.kind);
        EXPECT_FALSE(seen.hasPush);
        EXPECT_EQ(seen.value.x, 1.0f);
        EXPECT_EQ(seen.point.y, 1.0f);
    }
    EXPECT_EQ(body.Impulse.x, 6.0f);
    EXPECT_EQ(body.AngImpulse.z, -6.0f);
    ASSERT_EQ(Reports.size(), 6u);
    EXPECT_EQ(Reports[0].Impulse->x, 1.0f);

    Records.clear();
    phImpact impact = ImpactOf(&collider, &other, 1, Vector3(0, 1, 0));
    Matrix34 k = Matrix34::sm_Identity;
    collider.ApplyContactForceAndPush(impact, Vector3(0, 3, 0), Vector3(1, 0, 0),
                                      Vector3(0, 0.1f, 0), k);
    ASSERT_EQ(Records.size(), 1u);
    EXPECT_EQ(Records[0].record.Mode, phComponentApply::FORCE);
    EXPECT_TRUE(Records[0].hasPush);
    EXPECT_EQ(Records[0].push.y, 0.1f);
    EXPECT_EQ(Records[0].point.x, 1.0f);
    EXPECT_EQ(body.Implicit, 1u);
    EXPECT_EQ(body.OtherTorque.z, 3.0f);
    EXPECT_EQ(body.Push.y, 0.1f);
    EXPECT_EQ(Reports.size(), 6u);
}

TEST_F(ColliderTest, ContactForcesAndInverseMass) {
    phInertialCS body;
    body.InitBox(2, 1, 1, 1);
    phCollider collider;
    collider.InitWithICS(&m_Cube, &body, 0);
    phContact contact;
    contact.A = &collider;
    contact.Point.Set(0, 0, 1);
    collider.ApplyContactForce(Vector3(2, 0, 0), contact);
    EXPECT_EQ(body.OtherForce.x, 2.0f);
    EXPECT_EQ(body.OtherTorque.y, 2.0f);
    EXPECT_EQ(body.Implicit, 0u);
    Matrix34 k = Matrix34::sm_Identity;
    collider.ApplyContactForce(Vector3(2, 0, 0), contact, k);
    EXPECT_EQ(body.OtherForce.x, 4.0f);
    EXPECT_EQ(body.Implicit, 1u);
    EXPECT_EQ(body.LinearDamping.b.y, 1.0f);

    Matrix34 fromCollider;
    Matrix34 fromBody;
    collider.GetInverseMassMatrix(Vector3(1, 2, 3), fromCollider, -1);
    body.GetInverseMassMatrix(Vector3(1, 2, 3), fromBody);
    EXPECT_EQ(memcmp(&fromCollider, &fromBody, sizeof(Matrix34)), 0);
    collider.GetInverseMassMatrix(Vector3(1, 2, 3), Vector3(0, 1, 0), fromCollider, -1);
    body.GetInverseMassMatrix(Vector3(1, 2, 3), Vector3(0, 1, 0), fromBody);
    EXPECT_EQ(memcmp(&fromCollider, &fromBody, sizeof(Matrix34)), 0);
    phColliderBase fixed;
    fixed.InitStatic(nullptr, &m_Cube);
    fixed.GetInverseMassMatrix(Vector3(1, 2, 3), fromCollider, -1);
    EXPECT_EQ(fromCollider.a.x, 0.0f);
    EXPECT_EQ(fromCollider.c.z, 0.0f);
    // Nothing to apply to: no body, no callback.
    fixed.ApplyContactForce(Vector3(2, 0, 0), contact, k);
}

// A 2x1x1 box moving at 2 along x through still air, k = 0.5: the face into the wind is
// held back by area·s²·k along its normal, as the body is turned.
TEST_F(ColliderTest, DragFollowsTheTurnedFaces) {
    TestMesh box;
    MakeBox(box, 1.0f, 0.5f, 0.5f);
    struct Case {
        float yaw;
        float force;
    };
    const Case cases[] = {{0.0f, -2.0f}, {1.5707964f, -4.0f}, {3.1415927f, -2.0f}};
    for (const Case& c : cases) {
        phInertialCS body;
        body.Matrix.RotateY(c.yaw);
        body.Velocity.Set(2, 0, 0);
        phCollider collider;
        collider.InitWithICS(&box, &body, 0);
        collider.ApplyDrag(0.5f, Vector3::sm_Zero, nullptr);
        EXPECT_NEAR(body.Force.x, c.force, 1e-4f);
        EXPECT_NEAR(body.Force.z, 0.0f, 1e-4f);
        EXPECT_NEAR(body.Torque.Mag(), 0.0f, 1e-4f);
    }
    // Air moving with the body, or a body moving away from every face: no drag.
    phInertialCS body;
    body.Velocity.Set(2, 0, 0);
    phCollider collider;
    collider.InitWithICS(&box, &body, 0);
    collider.ApplyDrag(0.5f, Vector3(2, 0, 0), nullptr);
    EXPECT_TRUE(body.Force.IsZero());
    phCollider bare;
    bare.Init(&box, nullptr);
    bare.ApplyDrag(0.5f, Vector3(9, 0, 0), nullptr);
}

// Composites feel drag on every part, each placed by its matrix in the body; a wrapper on
// the bound it wraps, brought up to date first. Two boxes side by side on a body moving
// along x: twice the force of one, and no torque, as the parts sit symmetrically about it.
TEST_F(ColliderTest, DragReachesThePartsOfContainers) {
    TestMesh box;
    MakeBox(box, 1.0f, 0.5f, 0.5f);
    TestComposite composite;
    composite.SetParts({&box, &box}, {Translation(0, 0, 3), Translation(0, 0, -3)});
    TestWrapper wrapper;
    wrapper.Wrapped = &composite;
    for (phBound* bound : {static_cast<phBound*>(&composite), static_cast<phBound*>(&wrapper)}) {
        phInertialCS body;
        body.Velocity.Set(2, 0, 0);
        phCollider collider;
        collider.InitWithICS(bound, &body, 0);
        collider.ApplyDrag(0.5f, Vector3::sm_Zero, nullptr);
        EXPECT_NEAR(body.Force.x, -4.0f, 1e-4f);
        EXPECT_NEAR(body.Torque.Mag(), 0.0f, 1e-4f);
    }
    EXPECT_EQ(wrapper.m_Prepared, 1);
    // One part alone, off the centre: its drag turns the body about y.
    composite.SetParts({&box}, {Translation(0, 0, 3)});
    phInertialCS body;
    body.Velocity.Set(2, 0, 0);
    phCollider collider;
    collider.InitWithICS(&composite, &body, 0);
    collider.ApplyDrag(0.5f, Vector3::sm_Zero, nullptr);
    EXPECT_NEAR(body.Force.x, -2.0f, 1e-4f);
    EXPECT_NEAR(body.Torque.y, 3.0f * -2.0f, 1e-4f);
}

TEST_F(ColliderTest, SegmentTestsInWorldSpace) {
    Matrix34 where = Matrix34::sm_Identity;
    where.RotateY(0.3f);
    where.d.Set(10, 0, 0);
    phCollider collider;
    collider.InitWithMatrix(&m_Cube, &where, nullptr, 0);

    phSegment segment;
    segment.Set(Vector3(10, 5, 0), Vector3(10, -5, 0), phSegment::PROBE, 0);
    phIsect isect;
    ASSERT_EQ(collider.TestSegment(segment, &isect, 1), 1);
    EXPECT_NEAR(isect.Position.y, 0.5f, 1e-5f);
    EXPECT_NEAR(isect.Position.x, 10.0f, 1e-5f);
    EXPECT_NEAR(isect.Normal.y, 1.0f, 1e-5f);
    EXPECT_EQ(isect.Collider, &collider);

    phSegment side;
    side.Set(Vector3(5, 0, 0), Vector3(10, 0, 0), phSegment::PROBE, 0);
    ASSERT_EQ(collider.TestSegment(side, &isect, 1), 1);
    float expectedX = 10.0f - 0.5f / std::cos(0.3f);
    EXPECT_NEAR(isect.Position.x, expectedX, 1e-4f);
    EXPECT_NEAR(isect.Normal.x, -std::cos(0.3f), 1e-5f);

    phSegment far;
    far.Set(Vector3(0, 5, 0), Vector3(0, -5, 0), phSegment::PROBE, 0);
    EXPECT_EQ(collider.TestSegment(far, &isect, 1), 0);

    phIsect point;
    EXPECT_EQ(collider.TestSegmentPoint(segment, &point, 1), 1);
    EXPECT_EQ(point.Collider, nullptr);
}

TEST(ColliderPoolTest, BlocksBecomeFreeLists) {
    phCollider block[3];
    EXPECT_EQ(phInitColliderPool(block, 3), block + 3);
    EXPECT_EQ(block[0].Prev, nullptr);
    EXPECT_EQ(block[0].Next, &block[1]);
    EXPECT_EQ(block[1].Prev, &block[0]);
    EXPECT_EQ(block[2].Next, nullptr);
    EXPECT_EQ(block[1].Active, 0);
    phColliderTagged tagged[2];
    EXPECT_EQ(phInitColliderPool(tagged, 2), tagged + 2);
    EXPECT_EQ(tagged[0].Next, &tagged[1]);
    EXPECT_EQ(tagged[1].SetTag(5), 5u);
}

TEST(ColliderConstantsTest, PenetrationFollowsTheMargins) {
    uint32_t bits;
    memcpy(&bits, &phCollision::AllowedPenetration, sizeof(bits));
    EXPECT_EQ(bits, 0x3A378034u);
    EXPECT_NEAR(phCollision::DampingFactor, 0.6388766f, 1e-6f);
    EXPECT_NEAR(phCollision::SqrtAllowedPenetration, std::sqrt(0.0007f), 1e-7f);

    phCollision::SetMargins(0.05f);
    EXPECT_NEAR(phCollision::AllowedPenetration, 0.001f, 1e-9f);
    phCollision::SetPenetrationFactor(0.04f);
    EXPECT_NEAR(phCollision::AllowedPenetration, 0.002f, 1e-9f);
    phCollision::ResetResponse();
    EXPECT_FALSE(phCollision::UseContacts);
    EXPECT_EQ(phBound::DefaultMargin, 0.0f);
    EXPECT_NEAR(phCollision::AllowedPenetration, 0.002f, 1e-9f);

    phCollision::UseContacts = true;
    phCollision::SetPenetrationFactor(0.02f);
    phCollision::SetMargins(0.035f);
    memcpy(&bits, &phCollision::AllowedPenetration, sizeof(bits));
    EXPECT_EQ(bits, 0x3A378034u);
}
