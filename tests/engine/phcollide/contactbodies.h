#ifndef TESTS_ENGINE_PHCOLLIDE_CONTACTBODIES_H
#define TESTS_ENGINE_PHCOLLIDE_CONTACTBODIES_H

#include "phbound/impact.h"
#include "phcollide/collider.h"
#include "phinertia/inertia.h"
#include "tests/engine/phbound/meshes.h"

// A unit cube collider, with a rigid body of mass 1 unless made fixed (moved only by its
// matrix, still with an identifier of its own).
struct ContactBody {
    TestMesh bound;
    phInertialCS body;
    phCollider collider;

    explicit ContactBody(bool rigid = true) {
        MakeUnitCube(bound);
        if (rigid) {
            collider.InitWithICS(&bound, &body, 0);
        } else {
            collider.Init(&bound, nullptr);
        }
    }
    uint32_t Id() const { return collider.GetColliderID(); }
};

// An impact of the given type and features between a and b at the origin, normal up, friction
// 0.5.
inline phImpact ContactImpact(phColliderBase* a, phColliderBase* b, int type, int elementA,
                              int elementB, float depth = 0.0007f) {
    phImpact impact;
    impact.Clear();
    impact.Type = type;
    impact.FeatureA = elementA;
    impact.FeatureB = elementB;
    impact.ComponentA = -1;
    impact.ComponentB = -1;
    impact.Position.Set(0.0f, 0.0f, 0.0f);
    impact.Normal.Set(0.0f, 1.0f, 0.0f);
    impact.Depth = depth;
    impact.Friction = 0.5f;
    impact.Elasticity = 0.1f;
    impact.ColliderA = a;
    impact.ColliderB = b;
    return impact;
}

// The same contact named from the other side.
inline phImpact MirroredImpact(const phImpact& impact) {
    phImpact mirror = impact;
    mirror.Type = (3 - impact.Type) % 3;
    mirror.FeatureA = impact.FeatureB;
    mirror.FeatureB = impact.FeatureA;
    mirror.ComponentA = impact.ComponentB;
    mirror.ComponentB = impact.ComponentA;
    mirror.ColliderA = impact.ColliderB;
    mirror.ColliderB = impact.ColliderA;
    mirror.Normal = impact.Normal * -1.0f;
    return mirror;
}

#endif
