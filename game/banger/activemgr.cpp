// The active props' manager: handing bodies out, taking them back, and each frame's
// simulation or declaration to the physics manager.

#include "banger/active.h"
#include "banger/banger.h"
#include "banger/bangerdata.h"
#include "data/printer.h"
#include "phys/physmgr.h"

qvBangerActiveManager* qvBangerActiveManager::sm_Instance = nullptr;

namespace {

// CollisionType bits that choose how a loose prop moves, first match wins: simulated here,
// or declared to the physics manager with a mover kind and flags.
struct MoverRule {
    uint8_t m_Bit;
    int m_Kind;
    uint16_t m_Flags;
};
const MoverRule MoverRules[] = {{0x04, 1, 0x03}, {0x40, 2, 0x1B}, {0x10, 1, 0x1B}};

}  // namespace

qvBangerActiveManager::qvBangerActiveManager() {
    if (sm_Instance) {
        FatalQuit("Already have qvBangerActiveManager");
    }
    sm_Instance = this;
    for (int i = 0; i < MaxActive; ++i) {
        m_List[i] = &m_Active[i];
        m_Active[i].m_Slot = i;
    }
}

qvBangerActiveManager::~qvBangerActiveManager() {
    sm_Instance = nullptr;
    m_Count = 0;
}

qvBangerActive* qvBangerActiveManager::GetActive(const qvBangerInstance* instance) {
    int owner = instance->GetOwner();
    if (owner < 1 || owner > MaxActive) {
        return nullptr;
    }
    qvBangerActive* active = &m_Active[owner - 1];
    return active->m_Target == instance ? active : nullptr;
}

// The longest attached body, so that bodies taken in one burst (a shatter's parts) never
// take each other's; none attached this frame, and never the caller's own.
qvBangerActive* qvBangerActiveManager::ChooseSteal(const qvBangerActive* keep) const {
    qvBangerActive* chosen = nullptr;
    for (int i = 0; i < m_Count; ++i) {
        qvBangerActive* active = m_List[i];
        if (active == keep || active->m_AttachFrame == m_Frame) {
            continue;
        }
        if (!chosen || active->m_AttachOrder < chosen->m_AttachOrder) {
            chosen = active;
        }
    }
    return chosen;
}

qvBangerActive* qvBangerActiveManager::Attach(qvBangerInstance* instance,
                                               const qvBangerActive* keep) {
    for (int i = 0; i < m_Count; ++i) {
        if (m_List[i]->m_Target == instance) {
            PrintError("Banger's already attached");
            return nullptr;
        }
    }
    qvBangerActive* active = nullptr;
    if (m_Count == MaxActive) {
        active = ChooseSteal(keep);
        if (!active) {
            return nullptr;
        }
        active->Detach();
    } else {
        active = m_List[m_Count++];
    }
    active->m_AttachFrame = m_Frame;
    active->m_AttachOrder = ++m_AttachCount;
    active->Attach(instance);
    return active;
}

void qvBangerActiveManager::Remove(qvBangerActive* active) {
    for (int i = 0; i < m_Count; ++i) {
        if (m_List[i] == active) {
            m_List[i] = m_List[m_Count - 1];
            m_List[m_Count - 1] = active;
            --m_Count;
            return;
        }
    }
}

bool qvBangerActiveManager::Dropped(const qvBangerActive& active) const {
    return active.m_Sleep.State == phSleep::RESTING ||
           active.m_ICS.Matrix.d.y < qvBangerActive::FloorHeight || !active.m_Target ||
           active.m_Target->GetRoom() == 0;
}

void qvBangerActiveManager::Dispatch(qvBangerActive& active) {
    const qvBangerData* data = active.m_Target->GetData();
    uint8_t type = data ? data->CollisionType : 0;
    if (type & qvBangerData::SELF_SIMULATED) {
        active.Update();
        active.PostUpdate();
        return;
    }
    qvPhysManager* physics = qvPhysManager::GetInstance();
    for (const MoverRule& rule : MoverRules) {
        if (type & rule.m_Bit) {
            if (physics) {
                physics->DeclareMover(active.m_Target, rule.m_Kind, rule.m_Flags);
            }
            return;
        }
    }
}

// A dropped body is detached as well, so that its target is undriven and collides again.
// Bodies are dispatched from the last in use down: one that lets go moves the last entry,
// already done, into its place.
void qvBangerActiveManager::Update() {
    ++m_Frame;
    for (int i = 0; i < m_Count;) {
        qvBangerActive* active = m_List[i];
        if (Dropped(*active)) {
            active->Detach();
            Remove(active);
        } else {
            ++i;
        }
    }
    for (int i = m_Count - 1; i >= 0; --i) {
        Dispatch(*m_List[i]);
    }
}

void qvBangerActiveManager::Reset() {
    for (int i = MaxActive - 1; i >= 0; --i) {
        m_Active[i].Detach();
    }
    for (int i = 0; i < MaxActive; ++i) {
        m_List[i] = &m_Active[i];
        m_Active[i].m_Slot = i;
    }
    m_Count = 0;
}
