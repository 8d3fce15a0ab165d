// What the level asks of the banger module: its props, the pool's and the bodies' resets.

#include "banger/bangerseams.h"

#include "banger/active.h"
#include "banger/banger.h"
#include "banger/bangerpool.h"
#include "level/level.h"

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

}  // namespace

void qvInstallBangerSeams() {
    lvlBangers.m_Create = CreateProp;
    lvlBangers.m_ResetPool = ResetPool;
    lvlBangers.m_ResetActive = ResetActive;
}

void qvRemoveBangerSeams() {
    lvlBangers = lvlBangerSeam();
}
