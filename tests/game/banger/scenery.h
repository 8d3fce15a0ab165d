#ifndef TESTS_GAME_BANGER_SCENERY_H
#define TESTS_GAME_BANGER_SCENERY_H

#include <algorithm>
#include <string>

#include "level/inst.h"
#include "level/level.h"
#include "phbound/boundbox.h"
#include "phbound/impact.h"
#include "phcollide/collider.h"
#include "phinertia/inertia.h"
#include "phys/physentity.h"
#include "phys/physmgr.h"
#include "tests/engine/model/modelfixture.h"
#include "tests/game/phys/polygonlevel.h"

// What the prop scenes stand on and drive through them; shared by the scene tests and the
// physics manager's benchmark.

// The ground of the scenes: a slab whose top is y = 0 under every room, collided as the city
// collides a polygonal bound: its edges and vertex paths as segments into polygon records,
// then the level bound's impact finder.
class Ground : public PolygonLevel {
public:
    Ground() {
        AddQuad({-50, 0, -50}, {-50, 0, 50}, {150, 0, 50}, {150, 0, -50});
        AddQuad({-50, -2, -50}, {150, -2, -50}, {150, -2, 50}, {-50, -2, 50});
        m_Identity.Identity();
        m_Collider.InitStatic(&m_Identity, this);
    }
    // One slab lies under every room: it answers for the body's own room only.
    int CollideRoom(int room, phBoundPolygonal* other, const Matrix34& current,
                    const Matrix34& last, phColliderBase* collider, phImpact* impacts,
                    int maxImpacts) override {
        if (room != lvlLevel::GetInstance()->FindRoomId(current.d, 0)) {
            return 0;
        }
        phIsect* isects = m_Isects;
        int count = 0;
        CollidePolygonal(other, 0, collider ? collider->GetColliderID() : 0, current, last, isects,
                         qvPhysManager::MaxIsects, count, true);
        int made = FindImpacts(other, current, last, collider, &m_Collider, 0, isects, count,
                               impacts, maxImpacts);
        // Seen from the body: it is side A of every impact, the ground side B with its one
        // material.
        for (int i = 0; i < made; ++i) {
            phImpact& impact = impacts[i];
            if (impact.ColliderA != collider) {
                std::swap(impact.ColliderA, impact.ColliderB);
                std::swap(impact.ComponentA, impact.ComponentB);
                std::swap(impact.FeatureA, impact.FeatureB);
                impact.Normal = impact.Normal * -1.0f;
                if (impact.Type != phImpact::EDGE_EDGE) {
                    impact.Type = impact.Type == phImpact::A_ON_FACE ? phImpact::B_ON_FACE
                                                                     : phImpact::A_ON_FACE;
                }
            }
            impact.ComponentB = 0;
        }
        return made;
    }

    // The level's room query: the body's room first, then the others the sphere reaches.
    static int Rooms(const Vector3& position, float radius, int* rooms, int max) {
        lvlLevel* level = lvlLevel::GetInstance();
        int own = level->FindRoomId(position, 0);
        int count = 0;
        if (own > 0 && count < max) rooms[count++] = own;
        int around[MAX_ROOMS_AROUND];
        int found = level->GetRoomsInSphere(around, MAX_ROOMS_AROUND, own, position, radius);
        for (int i = 0; i < found && count < max; ++i) {
            if (around[i] != own) rooms[count++] = around[i];
        }
        return count;
    }

private:
    Matrix34 m_Identity;
    phCollider m_Collider;
    phIsect m_Isects[qvPhysManager::MaxIsects];
};

// A heavy box on the ground driven along x by a force that holds the speed it is given.
class Car : public lvlInstance {
public:
    static constexpr float Mass = 1500.0f;

    explicit Car(const Vector3& position) : m_Box(Vector3(2.0f, 1.5f, 4.0f)), m_Entity(this) {
        m_Body.InitBox(Mass, 2.0f, 1.5f, 4.0f);
        m_Body.Matrix.Identity();
        m_Body.Matrix.d = position;
        m_Body.ZeroMotion();
        m_Collider.InitWithICS(&m_Box, &m_Body, 0);
    }
    const Vector3& GetPosition() const override { return m_Body.Matrix.d; }
    const Matrix34& GetMatrix(Matrix34&) const override { return m_Body.Matrix; }
    void SetMatrix(const Matrix34& matrix) override { m_Body.Matrix = matrix; }
    size_t SizeOf() const override { return sizeof(*this); }
    phBound* GetBound() override { return &m_Box; }
    qvPhysEntity* GetActive() override { return &m_Entity; }
    float GetRadius() const override { return m_Box.RadiusAroundCentroid; }

    struct Drive : qvPhysEntity {
        explicit Drive(Car* car) : m_Car(car) {}
        void Update() override {
            phInertialCS& body = m_Car->m_Body;
            // Speed along x held; the lane (z) and the heading held by a spring and damper.
            body.Force.x += Mass * 20.0f * (m_Car->m_Speed - body.Velocity.x);
            body.Force.z +=
                Mass * (40.0f * (m_Car->m_Lane - body.Matrix.d.z) - 12.0f * body.Velocity.z);
            body.Torque.y -=
                body.AngInertia.y * (40.0f * body.Matrix.c.x + 12.0f * body.AngVelocity.y);
            qvPhysEntity::Update();
            body.FrameUpdate();
            lvlLevel* level = lvlLevel::GetInstance();
            int room = level->FindRoomId(body.Matrix.d, m_Car->GetRoom());
            if (room != m_Car->GetRoom()) level->MoveToRoom(m_Car, room);
        }
        phInertialCS* GetICS() override { return &m_Car->m_Body; }
        phColliderBase* GetCollider() override { return &m_Car->m_Collider; }
        Car* m_Car;
    };

    phBoundBox m_Box;
    phInertialCS m_Body;
    phCollider m_Collider;
    Drive m_Entity;
    float m_Speed = 0.0f;
    float m_Lane = 0.0f;
};

// The items of a prop's package: every level of detail and the shadow one triangle spanning the prop's
// box, so that the instance's radius is the prop's own, and one shader.
inline std::string PropPackageItems(const std::string& name, const Vector3& size) {
    std::string model = U32(1) + U32(3) + U32(0) + U32(0) + U32(0x142);
    model += U32(1) + U32(0) + U32(3) + U32(3);
    const Vector3 corners[3] = {Vector3(-0.5f * size.x, 0.0f, -0.5f * size.z),
                                Vector3(0.5f * size.x, 0.0f, -0.5f * size.z),
                                Vector3(0.0f, size.y, 0.5f * size.z)};
    for (const Vector3& c : corners) {
        model += F32(c.x) + F32(c.y) + F32(c.z) + U32(0xFFFFFFFF) + F32(0.0f) + F32(0.0f);
    }
    model += U32(3) + std::string{0, 0, 1, 0, 2, 0};
    std::string items;
    for (const char* lod : {"H", "M", "L", "VL"}) items += PackageItem(name + "_" + lod, model);
    items += PackageItem("shadow_H", model);
    const float white[4] = {1, 1, 1, 1};
    items += PackageItem("shaders", U32(1) + U32(1) + ShaderRecord("", white, 1.0f));
    return items;
}

#endif
