// The loose instances that broken-loose bangers become, and their pool.

#include "banger/bangerpool.h"

#include <new>

#include "banger/active.h"
#include "banger/bangerdata.h"
#include "gfx/texreg.h"
#include "gfx/texture.h"
#include "level/level.h"

qvBangerInstancePool* qvBangerInstancePool::sm_Instance = nullptr;
gfxTexture* qvBangerInstancePool::sm_GlowTexture = nullptr;

qvBangerLooseInstance::qvBangerLooseInstance() {
    SetFlags(BANGER | UNDRIVEN);
    m_Matrix.Identity();
}

// The record's bound once loose as while placed, so the prop keeps its shape; a type without
// one collides with its geometry's.
phBound* qvBangerLooseInstance::GetBound(int lod) {
    if (phBound* bound = qvBangerInstance::GetBound(lod)) {
        return bound;
    }
    return lvlInstance::GetBound(lod);
}

void qvBangerLooseInstance::Release() {
    if (qvBangerActiveManager* manager = qvBangerActiveManager::GetInstance()) {
        if (qvBangerActive* active = manager->GetActive(this)) {
            active->Release();
        }
    }
    lvlLevel* level = lvlLevel::GetInstance();
    if (level && GetRoom() > 0) {
        level->MoveToRoom(this, 0);
    }
}

qvBangerInstancePool::qvBangerInstancePool() {
    sm_Instance = this;
}

qvBangerInstancePool::~qvBangerInstancePool() {
    Free();
    gfxTexture::Release(sm_GlowTexture);
    sm_GlowTexture = nullptr;
    if (sm_Instance == this) {
        sm_Instance = nullptr;
    }
}

// The loose instances handed out so far let go of their bodies and leave the rooms.
void qvBangerInstancePool::Free() {
    lvlLevel* level = lvlLevel::GetInstance();
    for (int i = 0; i < m_Count; ++i) {
        m_Loose[i].Release();
        if (level) {
            level->RemoveFromRoom(&m_Loose[i]);
        }
    }
    m_Loose.reset();
    m_Count = 0;
}

int qvBangerInstancePool::Init(int count) {
    Free();
    m_Next = 0;
    m_Loose.reset(count > 0 ? new (std::nothrow) qvBangerLooseInstance[size_t(count)] : nullptr);
    m_Count = m_Loose ? count : 0;
    return m_Count;
}

qvBangerLooseInstance* qvBangerInstancePool::Take() {
    if (m_Count == 0) {
        return nullptr;
    }
    qvBangerLooseInstance* loose = &m_Loose[m_Next];
    m_Next = (m_Next + 1) % m_Count;
    loose->Release();
    loose->ClearFlags(qvBangerInstance::TAKEN);
    return loose;
}

void qvBangerInstancePool::Reset() {
    m_Next = 0;
    for (int i = 0; i < m_Count; ++i) {
        m_Loose[i].Release();
    }
}

void qvBangerInstancePool::SetGlowTexture(const char* name) {
    if (!sm_GlowTexture) {
        sm_GlowTexture = gfxGetTexture(name, 1);
    }
}
