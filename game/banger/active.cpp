// One active prop: taking a banger as target, stepping its body and letting it go.

#include "banger/active.h"

#include <algorithm>

#include "banger/banger.h"
#include "banger/bangerdata.h"
#include "data/assert.h"
#include "data/callback.h"
#include "data/debuglog.h"
#include "level/level.h"
#include "phys/physmgr.h"

namespace {

const uint32_t MatrixLogTag = 0x6E6E6E74;
// A burst is the rule's initial blast and this many more.
const int ExtraBlast = 10;
// The particles draw in the level's second bucket, after the rooms.
const int ParticleBucket = 1;

}  // namespace

qvBangerActive::qvBangerActive() {
    m_ICS.Reset();
    m_Sleep.Init(&m_ICS, this);
    // Both rest tolerances the manager's: props settle long before a car would.
    m_Sleep.VelTolerance2 = qvPhysManager::RestTolerance;
    m_Sleep.AngVelTolerance2 = qvPhysManager::RestTolerance;
    m_Particles.Init(ParticleCount, 2, 2, 4, nullptr);
    m_BurstOrigin.Identity();
}

void qvBangerActive::Attach(qvBangerInstance* instance) {
    qvBangerData* data = instance->GetData();
    AssertText(data, "Data");
    instance->ClearFlags(qvBangerInstance::UNDRIVEN);
    instance->SetOwner(uint8_t(m_Slot + 1));

    m_ICS.Reset();
    Matrix34 scratch;
    m_ICS.Matrix = instance->GetMatrix(scratch);
    DebugLog(MatrixLogTag, &m_ICS.Matrix, int(sizeof(Matrix34)));
    m_Target = instance;

    float mass = data->Mass;
    qvBangerDataManager* types = qvBangerDataManager::GetInstance();
    if (types && types->TuneBangers) {
        mass = types->MassMultiplier * data->Size.x * data->Size.y * data->Size.z;
    }
    m_ICS.InitBox(mass, data->Size.x, data->Size.y, data->Size.z);
    InitCollider();

    m_ICS.Velocity = instance->GetVelocity();
    m_ICS.Momentum = m_ICS.Velocity * m_ICS.Mass;
    m_Sleep.Reset();
    m_Sleep.WakeUp();
    StartParticles();
}

void qvBangerActive::InitCollider() {
    m_Collider.InitWithICS(m_Target->GetBound(3), &m_ICS, 0);
    qvBangerData* data = m_Target->GetData();
    m_Collider.OwnerWord = data ? uint32_t(data->ColliderId) : 0;
    m_Collider.SaveLastMatrix();
    m_Collider.DebugLog();
}

int qvBangerActive::TextureIndex(int texNumber) {
    return std::clamp(texNumber - 1, 0, qvBangerDataManager::NUM_TEXTURES - 1);
}

// A stationary burst spawns around the body's position at the hit through an emitter of its
// own: the type's shared rule keeps its tuned position.
void qvBangerActive::StartParticles() {
    qvBangerData& data = *m_Target->GetData();
    qvBangerDataManager* types = qvBangerDataManager::GetInstance();
    gfxTexture* texture = types ? types->GetTexture(TextureIndex(data.TexNumber)) : nullptr;
    m_Particles.Reset();
    if (data.TexNumber == 0 || !texture) {
        return;
    }
    m_Particles.AttachTexture(texture);
    ovBirthRule* rule = &data.BirthRule;
    m_Particles.SetBirthRule(rule);
    bool burst = true;
    if (rule->BirthFlags & ovBirthRule::Stationary) {
        m_BurstOrigin.Identity();
        m_BurstOrigin.d = m_ICS.Matrix.d;
        m_Particles.SetEmitter(&m_BurstOrigin);
        burst = (m_Target->GetFlags() & qvBangerInstance::PLACED) != 0;
    } else {
        m_Particles.SetEmitter(&m_ICS.Matrix);
    }
    if (burst) {
        m_Particles.Blast(rule->InitialBlast + ExtraBlast, false);
    }
}

void qvBangerActive::Detach() {
    if (!m_Target) {
        return;
    }
    if (qvPhysManager* physics = qvPhysManager::GetInstance()) {
        physics->RemoveMover(m_Target);
    }
    m_Target->AddFlags(qvBangerInstance::UNDRIVEN);
    m_Target->SetOwner(0);
    m_Target = nullptr;
}

void qvBangerActive::Reserved() {
    Assert(0);
}

void qvBangerActive::Release() {
    Detach();
    if (qvBangerActiveManager* manager = qvBangerActiveManager::GetInstance()) {
        manager->Remove(this);
    }
}

void qvBangerActive::Update() {
    qvPhysEntity::Update();
    m_Sleep.Update();
    m_ICS.FrameUpdate();
    if (!m_Target) {
        return;
    }
    m_Target->SetMatrix(m_ICS.Matrix);
    lvlLevel* level = lvlLevel::GetInstance();
    if (!level) {
        return;
    }
    int room = level->FindRoomId(m_Target->GetPosition(), m_Target->GetRoom());
    if (room < 0 || room >= level->GetRoomCount()) {
        room = 0;
    }
    if (room != m_Target->GetRoom()) {
        level->MoveToRoom(m_Target, room);
    }
}

void qvBangerActive::PostUpdate() {
    if (m_Sleep.State != phSleep::RESTING && m_ICS.Matrix.d.y >= FloorHeight) {
        m_Particles.Update();
        if (m_Particles.GetLiveCount() > 0) {
            lvlLevel::AddDrawable(ParticleBucket,
                                  datCallback(&qvBangerActive::DrawParticles, this));
        }
        return;
    }
    Release();
}

void qvBangerActive::DrawParticles() {
    m_Particles.Cull();
}
