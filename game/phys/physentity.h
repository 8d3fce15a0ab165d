#ifndef PHYS_PHYSENTITY_H
#define PHYS_PHYSENTITY_H

class phColliderBase;

// What the physics manager drives of a mover each frame: a pre-update before the sub-steps,
// an update per sub-step, the collider it collides with, a post-update after the sub-steps,
// and Release when an impact leaves a placed prop where it stands.
class qvPhysEntity {
public:
    // The downward acceleration an entity's Update applies to its body (the bank's "Gravity").
    static inline float sm_Gravity = -19.6f;

    virtual ~qvPhysEntity() {}
    virtual void PreUpdate() {}
    virtual void Update() = 0;
    virtual phColliderBase* GetCollider() = 0;
    virtual void PostUpdate() {}
    virtual void Release() {}
};

#endif
