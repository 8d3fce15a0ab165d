#ifndef TESTS_GAME_PHYS_TESTMOVER_H
#define TESTS_GAME_PHYS_TESTMOVER_H

#include <memory>
#include <vector>

#include "data/timemgr.h"
#include "level/inst.h"
#include "phcollide/collider.h"
#include "phys/physentity.h"
#include "vector/matrix34.h"

// Movers for the physics manager's tests and its benchmark.

// An active body: counts the manager's calls and lends a collider.
class TestEntity : public qvPhysEntity {
public:
    void PreUpdate() override { ++m_Pre; }
    void Update() override {
        ++m_Updates;
        m_Seconds.push_back(datTimeManager::Seconds);
    }
    phColliderBase* GetCollider() override { return &m_Collider; }
    void Reserved() override {}
    void PostUpdate() override { ++m_Post; }
    bool SearchesOwnRoom() override { return m_OwnRoom; }

    phCollider m_Collider;
    bool m_OwnRoom = true;
    int m_Pre = 0, m_Updates = 0, m_Post = 0;
    std::vector<float> m_Seconds;
};

// A mover on the grid: a sphere at a position, with or without an active body, colliding
// with the bound it is given (none by default).
class TestMover : public lvlInstance {
public:
    TestMover(const Vector3& position, float radius, bool entity) : m_Radius(radius) {
        m_Matrix.Identity();
        m_Matrix.d = position;
        if (entity) m_Entity.reset(new TestEntity);
    }
    const Vector3& GetPosition() const override { return m_Matrix.d; }
    const Matrix34& GetMatrix(Matrix34&) const override { return m_Matrix; }
    void SetMatrix(const Matrix34& matrix) override { m_Matrix = matrix; }
    size_t SizeOf() const override { return sizeof(*this); }
    phBound* GetBound(int) override { return m_Bound; }
    qvPhysEntity* GetActive() override { return m_Entity.get(); }
    float GetRadius() const override { return m_Radius; }
    void LeaveActiveRooms() override { ++m_Left; }

    Matrix34 m_Matrix;
    float m_Radius;
    phBound* m_Bound = nullptr;
    std::unique_ptr<TestEntity> m_Entity;
    int m_Left = 0;
};

#endif
