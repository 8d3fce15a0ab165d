#ifndef BANGER_ACTIVE_H
#define BANGER_ACTIVE_H

#include <cstdint>

#include "effects/ptx.h"
#include "node/node.h"
#include "phcollide/collider.h"
#include "phinertia/inertia.h"
#include "phinertia/sleep.h"
#include "phys/physentity.h"
#include "vector/matrix34.h"

class qvBangerInstance;

// A simulated prop: the rigid body, collider, rest monitor and particles that move one banger
// instance (its target) once it has been hit, until it rests or leaves the world.
class qvBangerActive : public qvPhysEntity {
public:
    static constexpr int ParticleCount = 64;
    // Below this height a body has fallen out of the world.
    static constexpr float FloorHeight = -100.0f;

    qvBangerActive();

    // Takes the instance as target: body at its matrix with the type's mass, collider on its
    // bound, rest monitor awake, particle burst.
    void Attach(qvBangerInstance* instance);
    // Lets go of the target: no longer a mover, the target undriven.
    void Detach();
    // Detach, then back to the manager's free part.
    void Release() override;
    // Gravity, rest monitor, one step of the body, the target moved along.
    void Update() override;
    // Particles while awake and in the world; otherwise released.
    void PostUpdate() override;
    phInertialCS* GetICS() override { return &m_ICS; }
    phColliderBase* GetCollider() override { return &m_Collider; }
    // Must never be called: an assertion.
    void Reserved() override;

    qvBangerInstance* GetTarget() const { return m_Target; }
    void SetTarget(qvBangerInstance* target) { m_Target = target; }
    int GetSlot() const { return m_Slot; }
    phSleep& GetSleep() { return m_Sleep; }
    ovParticles& GetParticles() { return m_Particles; }
    // Points the collider at the target's bound again, as after a change of target.
    void InitCollider();
    // The manager's particle texture for a type's TexNumber (1 to 10).
    static int TextureIndex(int texNumber);

private:
    friend class qvBangerActiveManager;

    void StartParticles();
    void DrawParticles();

    phCollider m_Collider;
    int32_t m_Slot = 0;
    phInertialCS m_ICS;
    phSleep m_Sleep;
    qvBangerInstance* m_Target = nullptr;
    ovParticles m_Particles;
    // Where a stationary burst spawns: the body's position at the hit.
    Matrix34 m_BurstOrigin;
    // When the body was attached, in the manager's frames and attach order.
    uint32_t m_AttachFrame = 0;
    uint32_t m_AttachOrder = 0;
};

// The 32 active props: handed out when a banger is hit, simulated or declared to the physics
// manager each frame, taken back when they rest, fall out of the world or leave the rooms.
class qvBangerActiveManager : public ovNode {
public:
    static constexpr int MaxActive = 32;

    // Fatal when one exists already.
    qvBangerActiveManager();
    ~qvBangerActiveManager() override;
    static qvBangerActiveManager* GetInstance() { return sm_Instance; }

    // The body driving the instance, from its owner byte; none when that slot drives another.
    qvBangerActive* GetActive(const qvBangerInstance* instance);
    // A body for the instance: a free one, else the longest attached one not attached this
    // frame and not keep; none when there is none.
    qvBangerActive* Attach(qvBangerInstance* instance, const qvBangerActive* keep = nullptr);
    // Back into the free part: the last in-use entry takes its list position.
    void Remove(qvBangerActive* active);
    // Drops bodies that rest, fell or left the rooms, then simulates or declares the rest.
    void Update() override;
    // Every body detached; the list back in slot order.
    void Reset() override;

    int GetCount() const { return m_Count; }
    qvBangerActive* GetListEntry(int position) const { return m_List[position]; }
    qvBangerActive* GetSlot(int slot) { return &m_Active[slot]; }

private:
    // The body to take from its target when all are in use.
    qvBangerActive* ChooseSteal(const qvBangerActive* keep) const;
    bool Dropped(const qvBangerActive& active) const;
    void Dispatch(qvBangerActive& active);

    static qvBangerActiveManager* sm_Instance;

    int m_Count = 0;
    qvBangerActive* m_List[MaxActive];
    qvBangerActive m_Active[MaxActive];
    uint32_t m_Frame = 0;
    uint32_t m_AttachCount = 0;
};

#endif
