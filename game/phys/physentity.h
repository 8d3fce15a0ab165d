#ifndef PHYS_PHYSENTITY_H
#define PHYS_PHYSENTITY_H

class phColliderBase;
class phInertialCS;

// What the physics manager drives of a mover each frame: a pre-update before the sub-steps,
// an update per sub-step, the collider it collides with, a post-update after the sub-steps,
// and Release when an impact leaves a placed prop where it stands.
class qvPhysEntity {
public:
    // The downward acceleration an entity's Update applies to its body (the bank's "Gravity").
    static inline float sm_Gravity = -19.6f;

    virtual ~qvPhysEntity() {}
    virtual void PreUpdate() {}
    // By default gravity on the entity's body: its weight joins the body's force.
    virtual void Update();
    // The entity's rigid body; none for an entity without one.
    virtual phInertialCS* GetICS() { return nullptr; }
    virtual phColliderBase* GetCollider() = 0;
    // An operation of the interface that no caller asks for; every entity answers it.
    virtual void Reserved() = 0;
    virtual void PostUpdate() {}
    virtual void Release() {}
    // Whether the terrain collision searches the mover's own room as well as the rooms its
    // bound touches; only read with the manager's "PhysEntityTrivialReject" on.
    virtual bool SearchesOwnRoom() { return true; }
    // Called once the first impact that attached the entity has been answered.
    virtual void Joined() {}
};

#endif
