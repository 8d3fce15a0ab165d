// What the level and the physics manager ask of the banger module: its props, the pool's
// and the bodies' resets, a standing prop's impulse limit, its upright cylinder and its
// breaking loose.

#include "banger/bangerseams.h"

#include "banger/active.h"
#include "banger/banger.h"
#include "banger/bangerpool.h"
#include "banger/bangerdata.h"
#include "level/level.h"
#include "phys/physmgr.h"

namespace {

lvlInstance* CreateProp(const char* name, bool fullMatrix) {
    return qvBangerInstance::Create(name, fullMatrix);
}

void ResetPool() {
    if (qvBangerInstancePool* pool = qvBangerInstancePool::GetInstance()) {
        pool->Reset();
    }
}

void ResetActive() {
    if (qvBangerActiveManager* manager = qvBangerActiveManager::GetInstance()) {
        manager->Reset();
    }
}

// Only placed bangers reach these: the physics manager asks for flag 0x01.
bool ImpulseLimit(lvlInstance* b, float& limit) {
    const qvBangerData* data = static_cast<qvBangerInstance*>(b)->GetData();
    if (!data) {
        return false;
    }
    limit = data->ImpulseLimit2;
    return true;
}

bool Cylinder(lvlInstance* b, float& yRadius, Vector3& cg) {
    const qvBangerData* data = static_cast<qvBangerInstance*>(b)->GetData();
    if (!data || data->YRadius == 0.0f) {
        return false;
    }
    yRadius = data->YRadius;
    cg = data->CG;
    return true;
}

void BreakLoose(lvlInstance* b, lvlInstance* a, phImpact& impact) {
    static_cast<qvBangerInstance*>(b)->Impact(a, &impact);
}

}  // namespace

void qvInstallBangerSeams() {
    lvlBangers.m_Create = CreateProp;
    lvlBangers.m_ResetPool = ResetPool;
    lvlBangers.m_ResetActive = ResetActive;
    qvPhysManager::sm_Bangers = {ImpulseLimit, BreakLoose, Cylinder};
}

void qvRemoveBangerSeams() {
    lvlBangers = lvlBangerSeam();
    qvPhysManager::sm_Bangers = {nullptr, nullptr, nullptr};
}
