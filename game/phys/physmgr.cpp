#include "phys/physmgr.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "data/printer.h"
#include "data/timemgr.h"
#include "data/timer.h"
#include "level/inst.h"
#include "level/level.h"
#include "bank/bank.h"
#include "phbound/bound.h"
#include "phbound/boundhotdog.h"
#include "phbound/boundpolygonal.h"
#include "phcollide/collider.h"
#include "phcollide/collision.h"
#include "phcollide/contactmgr.h"
#include "phcore/debuglines.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"
#include "phys/levelbound.h"
#include "phys/physentity.h"

qvPhysManager* qvPhysManager::m_pInst = nullptr;

namespace {

float ElapsedMs(uint64_t start) { return float(Timer::Ticks() - start) * Timer::sm_MsPerTick; }

}  // namespace

qvPhysManager::qvPhysManager() : m_ContactMgr(new phContactMgr) {
    if (m_pInst) PrintError("!m_pInst");
    m_pInst = this;
    phCollision::ResetResponse();
    phCollision::UseContacts = false;
    ovStats::Register(this);
    Reset();
}

qvPhysManager::~qvPhysManager() {
    ovStats::Unregister(this);
    delete m_ContactMgr;
    if (m_pInst == this) m_pInst = nullptr;
}

void qvPhysManager::ClearTable() {
    for (Mover& m : m_Movers) {
        m.m_CollidableCount = 0;
        m.m_Flags = 0;
    }
    m_MoverCount = 0;
}

void qvPhysManager::Reset() {
    ClearTable();
    m_ActiveRoomCount = 0;
    ClearStats();
    m_Terrain.Matrix.Identity();
    if (lvlLevelBound::sm_Instance) {
        m_Terrain.Init(lvlLevelBound::sm_Instance, &m_Terrain.Matrix);
        m_Terrain.SaveLastMatrix();
    }
    phCollisionMargin = phBound::DefaultMargin;
}

void qvPhysManager::ClearStats() {
    m_CulledMovers = m_StatsActiveRooms = m_NumSamples = m_NumMovers = 0;
    m_MoverVsCollidable = m_TotalProbes = m_ExternalProbes = 0;
    m_UpdateTime = m_CollectTime = m_CollisionTime = m_MoverUpdateTime = 0;
    m_GatherTime = m_CollisionsTime = m_ObjObjTime = m_ObjObjImpactTime = 0;
    m_ObjTerrainTime = m_ObjTerrainImpactTime = m_PostTime = 0;
    m_ProbeTime = m_ExternalProbeTime = 0;
}

qvPhysManager::Mover* qvPhysManager::Find(lvlInstance* instance) {
    Mover* found = nullptr;
    for (int i = 0; i < m_MoverCount; ++i)
        if (m_Movers[i].m_Instance == instance) found = &m_Movers[i];
    return found;
}

bool qvPhysManager::IsActiveRoom(int room) const {
    for (int i = 0; i < m_ActiveRoomCount; ++i)
        if (m_ActiveRooms[i] == room) return true;
    return false;
}

void qvPhysManager::AddActiveRoom(int room) {
    if (m_ActiveRoomCount < MaxActiveRooms && !IsActiveRoom(room))
        m_ActiveRooms[m_ActiveRoomCount++] = room;
}

qvPhysManager::Mover* qvPhysManager::DeclareMover(lvlInstance* instance, int kind,
                                                   uint16_t flags) {
    if (instance->GetRoom() == 0) {
        PrintError("PHYS.DeclareMover : mover not even in city");
        return nullptr;
    }
    qvPhysEntity* entity = instance->GetActive();
    if ((flags & UPDATE) && !entity) {
        PrintError("qvPhysManager::DeclareMover : cant update a mover with no physEntity");
        return nullptr;
    }
    // An existing entry merges before the table-full test, so a full table still takes flags.
    if (Mover* existing = Find(instance)) {
        existing->m_Flags = uint16_t(existing->m_Flags | flags);
        return existing;
    }
    if (m_MoverCount >= MAX_MOVERS) {
        PrintError("PHYS.DeclareMover: raise MAX_MOVERS past %d", m_MoverCount);
        return nullptr;
    }
    Mover& m = m_Movers[m_MoverCount];
    m.m_Entity = entity;
    m.m_Instance = instance;
    m.m_Flags = flags;
    m.m_Kind = uint8_t(kind);
    m.m_CollidableCount = 0;
    if (kind >= 3) {
        AddActiveRoom(instance->GetRoom());
        if (lvlLevel* level = lvlLevel::GetInstance()) {
            std::vector<int> rooms(size_t(std::max(level->GetMaxNeighbours(), 0)));
            int n = rooms.empty() ? 0 : level->GetNeighbours(instance->GetRoom(), rooms.data());
            for (int i = 0; i < n; ++i) AddActiveRoom(rooms[size_t(i)]);
        }
    }
    ++m_MoverCount;
    return &m;
}

bool qvPhysManager::AcceptNew(lvlInstance* instance) {
    if (m_MoverCount >= MAX_MOVERS) {
        PrintError("PHYS.NewMover, raise MAX_MOVERS past %d", m_MoverCount);
        return false;
    }
    if (instance->GetRoom() == 0) {
        PrintError("PHYS.NewMover : mover not even in city");
        return false;
    }
    return true;
}

qvPhysManager::Mover& qvPhysManager::WriteNew(lvlInstance* instance) {
    Mover& m = m_Movers[m_MoverCount];
    m.m_Entity = instance->GetActive();
    m.m_Instance = instance;
    m.m_Flags = NEW;
    m.m_Kind = 2;
    m.m_CollidableCount = 0;
    return m;
}

void qvPhysManager::ForgetCollidable(Mover& entry, lvlInstance* instance) {
    for (int i = 0; i < entry.m_CollidableCount; ++i)
        if (entry.m_Collidables[i] == instance) entry.m_Collidables[i] = nullptr;
}

void qvPhysManager::NewMover(lvlInstance* instance, lvlInstance* other) {
    if (!AcceptNew(instance)) return;
    if (Mover* existing = Find(instance)) {
        existing->m_Entity = instance->GetActive();
        existing->m_Flags = NEW;
        return;
    }
    WriteNew(instance);
    Mover* partner = Find(other);
    if (!partner) {
        PrintError("PHYS.NewMover - not able to find other's entry");
        return;
    }
    ForgetCollidable(*partner, instance);
    ++m_MoverCount;
}

void qvPhysManager::NewMover(lvlInstance* instance) {
    if (!AcceptNew(instance)) return;
    if (Find(instance)) {
        PrintError("PHYS.NewMover, mover's already here");
        return;
    }
    WriteNew(instance);
    ++m_MoverCount;
}

void qvPhysManager::NewMover(lvlInstance* instance, lvlInstance* previous, lvlInstance* other) {
    if (!AcceptNew(instance)) return;
    if (previous && Find(previous)) {
        PrintError("PHYS.NewMover, mover's already here");
        return;
    }
    WriteNew(instance);
    for (int i = 0; i < m_MoverCount; ++i) ForgetCollidable(m_Movers[i], previous);
    if (!Find(other)) {
        PrintError("PHYS.NewMover - not able to find other's entry");
        return;
    }
    ++m_MoverCount;
}

void qvPhysManager::RemoveMover(lvlInstance* instance) {
    Mover* m = Find(instance);
    bool moved = m_Gathering && m && Updates(*m);
    if (m) m->m_Flags = 0;
    // The body leaves the instance, perhaps for another one within this sub-step.
    qvPhysEntity* entity = instance->GetActive();
    phColliderBase* collider = entity ? entity->GetCollider() : nullptr;
    if (!collider) return;
    m_Solver.Forget(collider);
    // Its motion in this sub-step is not answered: the instance goes back where the sub-step
    // began. Where the motion left it, the last step of a fall may end a corner deeper in
    // the ground than the terrain's collision takes one out when it is woken again.
    if (moved) {
        instance->SetMatrix(collider->LastMatrix);
        if (lvlLevel* level = lvlLevel::GetInstance()) {
            int room = level->RoomOf(instance->GetPosition(), instance->GetRoom());
            if (room != instance->GetRoom()) level->MoveToRoom(instance, room);
        }
    }
}

int qvPhysManager::SubSteps(float seconds) const {
    float steps = std::ceil((seconds - 0.001f) / SampleStep);
    if (!(steps >= 1.0f)) return 0;
    return int(std::min(steps, float(MaxSamples)));
}

void qvPhysManager::Cull() {
    m_StatsActiveRooms = m_ActiveRoomCount;
    for (int i = 0; i < m_MoverCount; ++i) {
        Mover& m = m_Movers[i];
        if (m.m_Kind != 1 || IsActiveRoom(m.m_Instance->GetRoom())) continue;
        ++m_CulledMovers;
        m.m_Flags = 0;
        m.m_Instance->LeaveActiveRooms();
    }
}

void qvPhysManager::SubStep() {
    uint64_t start = Timer::Ticks();
    for (int i = 0; i < m_MoverCount; ++i)
        if (Updates(m_Movers[i])) m_Movers[i].m_Entity->Update();
    m_MoverUpdateTime += ElapsedMs(start);

    start = Timer::Ticks();
    m_Rejected.clear();
    m_Accepted.clear();
    for (int i = 0; i < m_MoverCount; ++i) {
        if (!(m_Movers[i].m_Flags & STATICS)) continue;
        m_Movers[i].m_CollidableCount = 0;
        GatherCollidables(m_Movers[i]);
    }
    m_GatherTime += ElapsedMs(start);

    // NewMover may append entries while this loop runs; they join the pairs next sub-step.
    // The impulses of all the sub-step's impacts are found together once every pair is in.
    start = Timer::Ticks();
    m_Gathering = true;
    for (int i = 0; i < m_MoverCount; ++i) {
        if (m_Movers[i].m_Flags & TERRAIN) CollideTerrain(m_Movers[i]);
        if (m_Movers[i].m_Flags & MOVERS)
            for (int j = i + 1; j < m_MoverCount; ++j)
                if ((m_Movers[j].m_Flags & MOVERS) &&
                    TrivialReject(m_Movers[i].m_Instance, m_Movers[j].m_Instance))
                    CollideInstances(m_Movers[i].m_Instance, m_Movers[j].m_Instance);
        if (m_Movers[i].m_Flags & STATICS)
            for (int c = 0; c < m_Movers[i].m_CollidableCount; ++c)
                if (lvlInstance* other = m_Movers[i].m_Collidables[c])
                    CollideInstances(m_Movers[i].m_Instance, other);
    }
    m_Gathering = false;
    m_Solver.Solve();
    m_Solver.Clear();
    m_CollisionsTime += ElapsedMs(start);

    for (int i = 0; i < m_MoverCount; ++i)
        if (m_Movers[i].m_Flags & NEW) m_Movers[i].m_Flags = 0x001B;
    for (int i = 0; i < m_MoverCount; ++i)
        if (Updates(m_Movers[i]))
            if (phColliderBase* collider = m_Movers[i].m_Entity->GetCollider())
                collider->EndFrame();
}

void qvPhysManager::Update() {
    uint64_t frameStart = Timer::Ticks();
    m_InUpdate = 1;
    Cull();
    for (int i = 0; i < m_MoverCount; ++i)
        if (Updates(m_Movers[i])) m_Movers[i].m_Entity->PreUpdate();
    m_CollectTime += ElapsedMs(frameStart);

    uint64_t start = Timer::Ticks();
    int n = SubSteps(datTimeManager::Seconds);
    // A paused frame, or MaxSamples 0, runs no sub-steps and leaves the frame time alone.
    if (n >= 1) {
        datTimeManager::SlowMotion(true, float(n));
        for (int s = 0; s < n; ++s) SubStep();
        datTimeManager::SlowMotion(false, 1.0f);
    }
    m_NumSamples += n;
    m_CollisionTime += ElapsedMs(start);

    start = Timer::Ticks();
    for (int i = 0; i < m_MoverCount; ++i)
        if (Updates(m_Movers[i])) m_Movers[i].m_Entity->PostUpdate();
    for (int i = 0; i < m_MoverCount; ++i)
        if (m_Movers[i].m_Flags) m_MoverVsCollidable += m_Movers[i].m_CollidableCount;
    m_NumMovers = m_MoverCount;
    m_PostTime += ElapsedMs(start);

    ClearTable();
    m_InUpdate = 0;
    m_ActiveRoomCount = 0;
    m_UpdateTime += ElapsedMs(frameStart);
}

void qvPhysManager::PairSphere(lvlInstance* instance, const Vector3& other, Vector3& centre,
                              float& radius) const {
    centre = instance->GetPosition();
    radius = instance->GetRadius();
    float yRadius = 0.0f;
    Vector3 cg;
    if (!CylinderTrivialReject || !(instance->GetFlags() & PLACED_BANGER) ||
        !sm_Bangers.m_Cylinder || !sm_Bangers.m_Cylinder(instance, yRadius, cg))
        return;
    Matrix34 scratch;
    const Matrix34& m = instance->GetMatrix(scratch);
    centre -= m.a * cg.x + m.b * cg.y + m.c * cg.z;
    centre.y = other.y;
    radius = yRadius;
}

bool qvPhysManager::TrivialReject(lvlInstance* a, lvlInstance* b) const {
    Vector3 pA, pB;
    float rA, rB;
    PairSphere(a, b->GetPosition(), pA, rA);
    PairSphere(b, a->GetPosition(), pB, rB);
    Vector3 d = pA - pB;
    float r = rA + rB;
    return d.Dot(d) <= r * r;
}

int qvPhysManager::SearchRooms(lvlInstance* instance, const Vector3& centre, float radius,
                               int* rooms, bool own) {
    int count = 0;
    if (own) rooms[count++] = instance->GetRoom();
    lvlLevel* level = lvlLevel::GetInstance();
    if (!level) return count;
    int touching[MaxTouchingRooms];
    int n = level->GetRoomsInSphere(touching, MaxTouchingRooms, instance->GetRoom(), centre,
                                    radius);
    // The level may name the own room among the touching ones: each room is searched once.
    for (int i = 0; i < n && i < MaxTouchingRooms; ++i)
        if (std::find(rooms, rooms + count, touching[i]) == rooms + count)
            rooms[count++] = touching[i];
    return count;
}

void qvPhysManager::GatherCollidables(Mover& entry) {
    lvlInstance* mover = entry.m_Instance;
    if (mover->GetRoom() == 0) {
        PrintError("GatherCollidables - Instance in room 0!");
        return;
    }
    lvlLevel* level = lvlLevel::GetInstance();
    if (!level) return;
    int rooms[1 + MaxTouchingRooms];
    int count = SearchRooms(mover, mover->GetPosition(), mover->GetRadius(), rooms);
    for (int r = 0; r < count; ++r) {
        int id = rooms[r];
        if (!(id >= 0 && id < level->GetRoomCount())) {
            PrintError("id >= 0 && id < m_RoomCount");
            continue;
        }
        for (lvlInstance* other = level->GetRoomHead(id); other; other = other->GetNext()) {
            // 0x10 marks an instance that no active body drives: driven ones are movers
            // themselves and meet this one among the movers.
            if (!(other->GetFlags() & lvlInstance::INST_REPORTED) || other == mover) continue;
            if (id != mover->GetRoom() && (other->GetFlags() & 0x0800)) continue;
            if (TrivialReject(mover, other)) {
                if (entry.m_CollidableCount >= MaxCollidables) {
                    PrintError("qvPhysManager::GatherCollidables()- Max Collidables per entry "
                               "exceeded (%d),",
                               MaxCollidables);
                    return;
                }
                entry.m_Collidables[entry.m_CollidableCount++] = other;
                if (m_Accepted.size() < MaxDebugPositions) m_Accepted.push_back(other->GetPosition());
            } else if (m_Rejected.size() < MaxDebugPositions) {
                m_Rejected.push_back(other->GetPosition());
            }
        }
    }
}

phColliderBase* qvPhysManager::ColliderOf(lvlInstance* instance, phBound* bound, int side) {
    if (qvPhysEntity* entity = instance->GetActive())
        if (phColliderBase* collider = entity->GetCollider()) return collider;
    Matrix34 scratch;
    m_SpareMatrices[side] = instance->GetMatrix(scratch);
    m_Spares[side].Init(bound, &m_SpareMatrices[side]);
    m_Spares[side].SaveLastMatrix();
    return &m_Spares[side];
}

void qvPhysManager::Retarget(int count, phColliderBase* spare, phColliderBase* collider) {
    for (int i = 0; i < count; ++i) {
        phImpact& impact = m_Impacts[i];
        if (impact.ColliderA == spare) {
            impact.ColliderA = collider;
        } else if (impact.ColliderB == spare) {
            // The new body takes side A: the impact is seen from it.
            impact.ColliderB = impact.ColliderA;
            impact.ColliderA = collider;
            impact.Normal = Vector3(-impact.Normal.x, -impact.Normal.y, -impact.Normal.z);
            impact.Depth = -impact.Depth;
        }
    }
}

bool qvPhysManager::CollideInstances(lvlInstance* a, lvlInstance* b) {
    uint64_t start = Timer::Ticks();
    phBound* boundA = a->GetBound(0);
    phBound* boundB = b->GetBound(0);
    if (!boundA || !boundB) {
        PrintError("CollideInstances: Attempting to collide instances without bounds");
        return false;
    }
    bool hadA = a->GetActive() != nullptr;
    bool hadB = b->GetActive() != nullptr;
    phColliderBase* colliderA = ColliderOf(a, boundA, 0);
    phColliderBase* colliderB = ColliderOf(b, boundB, 1);
    if (boundB->Type == 3) {
        phCollision::CollideSpecial(boundA, colliderA, boundB, colliderB);
        m_ObjObjTime += ElapsedMs(start);
        return true;
    }
    Vector3 direction = colliderA->CurrentMatrix->d - colliderA->LastMatrix.d;
    int n = phCollision::CollideBounds(boundA, colliderA, boundB, colliderB, m_Isects1,
                                       m_Isects2, m_Impacts, MaxIsects, MaxImpacts, direction);
    m_ObjObjTime += ElapsedMs(start);
    if (n == 0) return false;

    start = Timer::Ticks();
    // A standing banger is always given a body to weigh the hit; a resting prop only by a hit.
    bool standing = (b->GetFlags() & PLACED_BANGER) != 0;
    bool wakes = Wakes(a, b, n);
    bool gotA = false, gotB = false;
    if (!hadA && !(a->GetFlags() & NEW) && wakes) {
        qvPhysEntity* entity = a->AttachEntity();
        if (!entity) PrintError("PhysA");
        else {
            Retarget(n, &m_Spares[0], entity->GetCollider());
            gotA = true;
        }
    }
    if (!hadB && !(b->GetFlags() & NEW) && (wakes || standing)) {
        qvPhysEntity* entity = b->AttachEntity();
        if (!entity) PrintError("PhysB");
        else {
            // Seen from B the impacts are reversed; bring them back to A's side afterwards.
            for (int i = 0; i < n; ++i)
                if (m_Impacts[i].ColliderB == &m_Spares[1]) m_Impacts[i].ColliderB = entity->GetCollider();
            gotB = true;
        }
    }
    float limit = 0.0f;
    if (standing && sm_Bangers.m_ImpulseLimit && sm_Bangers.m_ImpulseLimit(b, limit)) {
        float weight = 1.0f / float(n);
        phImpact* breaking = nullptr;
        for (int i = 0; i < n; ++i) {
            if (BangerImpact(m_Impacts[i], weight, limit) && !breaking) breaking = &m_Impacts[i];
        }
        qvPhysEntity* entity = b->GetActive();
        if (breaking && entity) {
            sm_Bangers.m_BreakLoose(b, a, *breaking);
        } else if (entity) {
            // It holds: the body attached for the impact is not kept.
            entity->Release();
        }
    } else {
        if (gotA) NewMover(a, b);
        if (gotB) NewMover(b, a);
        if (!a->GetActive() != !b->GetActive()) LieOn(n, a->GetActive() != nullptr);
        Resolve(n);
        if (gotA) a->GetActive()->Joined();
        if (gotB) b->GetActive()->Joined();
    }
    m_ObjObjImpactTime += ElapsedMs(start);
    return true;
}

bool qvPhysManager::Drives(lvlInstance* instance) {
    Mover* entry = Find(instance);
    return entry && entry->m_Kind >= 3;
}

bool qvPhysManager::Wakes(lvlInstance* a, lvlInstance* b, int n) {
    bool driven = Drives(a) || Drives(b);
    float deepest = std::sqrt(RestTolerance) * datTimeManager::Seconds + phBound::DefaultMargin;
    for (int i = 0; i < n; ++i) {
        const phImpact& impact = m_Impacts[i];
        Vector3 va, vb;
        impact.GetLocalVelocity(va, vb);
        Vector3 v = va - vb;
        bool fast = driven ? -v.Dot(impact.Normal) > DriveWakeSpeed : v.Mag2() > RestTolerance;
        if (fast || impact.Depth > deepest) return true;
    }
    return false;
}

void qvPhysManager::LieOn(int n, bool bodyOnA) {
    for (int i = 0; i < n; ++i) {
        phImpact& impact = m_Impacts[i];
        // The normal pushes A out of B.
        float down = bodyOnA ? -impact.Normal.y : impact.Normal.y;
        if (down > 0.0f) impact.Depth = std::min(impact.Depth, phBound::DefaultMargin);
    }
}

void qvPhysManager::FaceTheBody(int count, phColliderBase* collider) {
    for (int i = 0; i < count; ++i) {
        phImpact& impact = m_Impacts[i];
        if (impact.ColliderA != collider) {
            std::swap(impact.ColliderA, impact.ColliderB);
            std::swap(impact.ComponentA, impact.ComponentB);
            std::swap(impact.FeatureA, impact.FeatureB);
            impact.Normal = impact.Normal * -1.0f;
            if (impact.Type != phImpact::EDGE_EDGE)
                impact.Type = impact.Type == phImpact::A_ON_FACE ? phImpact::B_ON_FACE
                                                                 : phImpact::A_ON_FACE;
        }
        // The terrain answers with its default material.
        impact.ComponentB = 0;
    }
}

void qvPhysManager::Resolve(int n) {
    if (phCollision::UseContacts) {
        for (int i = 0; i < n; ++i)
            phCollision::ResolveImpacts(m_ContactMgr, m_Impacts[i], 1.0f / float(n));
        return;
    }
    m_Solver.Add(m_Impacts, n);
    // Outside a sub-step's collisions a pair is answered on its own.
    if (!m_Gathering) {
        m_Solver.Solve();
        m_Solver.Clear();
    }
}

bool qvPhysManager::CollideTerrain(Mover& entry) {
    uint64_t start = Timer::Ticks();
    lvlInstance* instance = entry.m_Instance;
    phBound* bound = instance->GetBound(0);
    lvlLevelBound* terrain = lvlLevelBound::sm_Instance;
    if (!bound || !terrain) return false;
    if (instance->GetRoom() == 0) {
        PrintError("qvPhysManager::CollideTerrain - entry in room 0");
        return false;
    }
    qvPhysEntity* entity = instance->GetActive();
    phColliderBase* collider = ColliderOf(instance, bound, 0);
    const Matrix34& current = *collider->CurrentMatrix;
    const Matrix34& last = collider->LastMatrix;
    // The box of the bound's extents: the cheap test, and what round bounds meet the terrain as.
    bool round = bound->Type == phBound::SPHERE || bound->Type == phBound::HOTDOG;
    phBound* box = BoxTrivialReject || round ? instance->GetBound(1) : nullptr;
    if (BoxTrivialReject && box && !terrain->TestBox(*box, current)) return false;
    // The rooms are searched round the finest bound.
    int rooms[1 + MaxTouchingRooms];
    bool own = !(PhysEntityTrivialReject && entity && !entity->SearchesOwnRoom());
    int roomCount = SearchRooms(instance, current.d, bound->RadiusAroundCentroid, rooms, own);
    if (roomCount == 0) return false;
    if (round && box) bound = box;
    int n = 0;
    if (bound->Type == phBound::SPHERE) {
        n = terrain->CollideSphereImpacts(bound, current.d, collider, &m_Terrain, m_Impacts,
                                          MaxImpacts);
    } else if (bound->Type == phBound::GEOMETRY || bound->Type == phBound::BOX) {
        phBoundPolygonal* polygonal = static_cast<phBoundPolygonal*>(bound);
        int records = 0;
        terrain->CollidePolyToLevel(polygonal, rooms, roomCount, collider->GetColliderID(),
                                    current, last, m_Isects1, MaxIsects, records, true);
        n = terrain->FindImpacts(bound, current, last, collider, &m_Terrain, 0, m_Isects1,
                                 records, m_Impacts, MaxImpacts);
    } else if (bound->Type == phBound::HOTDOG) {
        n = terrain->CollideHotdogImpacts(static_cast<phBoundHotdog*>(bound), current, collider,
                                          &m_Terrain, m_Impacts, MaxImpacts);
    }
    FaceTheBody(n, collider);
    m_ObjTerrainTime += ElapsedMs(start);
    if (n == 0) return false;

    start = Timer::Ticks();
    if (!entity) {
        entity = instance->AttachEntity();
        if (!entity) {
            PrintError("PhysA");
            return false;
        }
        Retarget(n, &m_Spares[0], entity->GetCollider());
    }
    if (!bound->GetMaterial(0)) PrintError("BoundA->GetMaterial(0)");
    Resolve(n);
    m_ObjTerrainImpactTime += ElapsedMs(start);
    return true;
}

bool qvPhysManager::Probe(phSegment& segment, phIsect& isect, int roomHint) {
    uint64_t start = Timer::Ticks();
    ++m_TotalProbes;
    // The caller's room pair is kept between probes; without one a pair lives for this call.
    phSegmentInfo local;
    local.StartRoom = local.EndRoom = roomHint;
    phSegmentInfo* info = segment.m_Info ? segment.m_Info : &local;
    lvlLevel* level = lvlLevel::GetInstance();
    if (level) {
        info->StartRoom = level->FindRoomId(segment.Start, info->StartRoom);
        info->EndRoom = level->FindRoomId(segment.End, info->EndRoom);
    }
    isect.T = 2.0f;
    isect.Polygon = nullptr;
    bool hit = false;
    if (lvlLevelBound* terrain = lvlLevelBound::sm_Instance) {
        phSegmentInfo* kept = segment.m_Info;
        segment.m_Info = info;
        hit = terrain->TestSegmentRooms(segment, &isect, isect.T);
        segment.m_Info = kept;
    }
    if (level) {
        int rooms[2] = {info->StartRoom, info->EndRoom};
        int count = rooms[1] != rooms[0] ? 2 : 1;
        for (int r = 0; r < count; ++r) {
            if (!(rooms[r] >= 0 && rooms[r] < level->GetRoomCount())) {
                PrintError("id >= 0 && id < m_RoomCount");
                continue;
            }
            for (lvlInstance* inst = level->GetRoomHead(rooms[r]); inst; inst = inst->GetNext())
                if (inst->GetFlags() & DRIVEABLE) hit = CollideProbe(segment, isect, inst) || hit;
        }
    }
    float ms = ElapsedMs(start);
    m_ProbeTime += ms;
    if (!m_InUpdate) {
        ++m_ExternalProbes;
        m_ExternalProbeTime += ms;
    }
    return hit;
}

bool qvPhysManager::CollideProbe(phSegment& segment, phIsect& isect, lvlInstance* instance) {
    phBound* bound = instance->GetBound();
    if (!bound) {
        PrintError("qvPhysManager::CollideProbe : instance has no bound");
        return false;
    }
    Vector3 mid = (segment.Start + segment.End) * 0.5f;
    Vector3 off = mid - instance->GetPosition();
    float reach = (segment.InvLength > 0 ? 0.5f / segment.InvLength : 0.0f) + instance->GetRadius();
    if (off.Dot(off) > reach * reach) return false;
    Matrix34 scratch;
    const Matrix34& m = instance->GetMatrix(scratch);
    phSegment local = segment;
    Vector3 s = segment.Start - m.d, e = segment.End - m.d;
    local.Set(Vector3(s.Dot(m.a), s.Dot(m.b), s.Dot(m.c)), Vector3(e.Dot(m.a), e.Dot(m.b), e.Dot(m.c)),
              segment.Kind, segment.User);
    local.m_Info = nullptr;
    if (!bound->TestProbeSegment(local, &isect, isect.T)) return false;
    phTransformRay(isect, m);
    isect.HitBound = bound;
    if (isect.Polygon) isect.MaterialIndex = isect.Polygon->MaterialIndex;
    return true;
}

void qvPhysManager::AddWidgets(bkBank* bank) {
    bank->AddSlider("Gravity", &qvPhysEntity::sm_Gravity, -50.0f, 0.0f, 0.1f);
    bank->AddToggle("Lines", &DebugFlags, 0x1u);
    bank->AddToggle("Collidables", &DebugFlags, 0x2u);
    bank->AddSlider("SampleStep", &SampleStep, 1.0f / 120.0f, 1.0f, 1.0f / 60.0f);
    bank->AddSlider("MaxSamples", &MaxSamples, 0, 60, 1.0f);
    bank->AddSlider("Bound LOD", &BoundLOD, 0, 3, 1.0f);
    bank->AddSlider("BoxTrivialReject", &BoxTrivialReject, 0, 1, 1.0f);
    bank->AddSlider("PhysEntityTrivialReject", &PhysEntityTrivialReject, 0, 1, 1.0f);
    bank->AddSlider("CylinderTrivialReject", &CylinderTrivialReject, 0, 1, 1.0f);
    bank->AddSlider("OpponentOptimization", &OpponentOptimization, 0, 1, 1.0f);
}

void qvPhysManager::PrintStats() {
    float n = m_NumSamples > 0 ? float(m_NumSamples) : 1.0f;
    ovStats::Print("Total Physics Update Time:      %5.2fms", m_UpdateTime);
    ovStats::Print("  Obj Pair Collecting Time:     %5.2fms", m_CollectTime);
    ovStats::Print("  Total Collision Time:         %5.2fms (%5.2fms)", m_CollisionTime, m_CollisionTime / n);
    ovStats::Print("    Mover Update:               %5.2fms (%5.2fms)", m_MoverUpdateTime, m_MoverUpdateTime / n);
    ovStats::Print("    Gathering Movers:           %5.2fms (%5.2fms)", m_GatherTime, m_GatherTime / n);
    ovStats::Print("    Collisions:                 %5.2fms (%5.2fms)", m_CollisionsTime, m_CollisionsTime / n);
    ovStats::Print("      Obj/Obj Collision:        %5.2fms (%5.2fms)", m_ObjObjTime, m_ObjObjTime / n);
    ovStats::Print("      Obj/Obj Impact:           %5.2fms (%5.2fms)", m_ObjObjImpactTime, m_ObjObjImpactTime / n);
    ovStats::Print("        VehCarDamage::Impact(): %5.2fms (%5.2fms)", 0.0f, 0.0f);
    ovStats::Print("      Obj/Terrain Collision:    %5.2fms (%5.2fms)", m_ObjTerrainTime, m_ObjTerrainTime / n);
    ovStats::Print("      Obj/Terrain Impact:       %5.2fms (%5.2fms)", m_ObjTerrainImpactTime, m_ObjTerrainImpactTime / n);
    ovStats::Print("  Post-Collision:             %5.2fms", m_PostTime);
    ovStats::Print("NumSamples:         %5d", m_NumSamples);
    ovStats::Print("NumMovers:          %5d", m_NumMovers);
    ovStats::Print("Mover vs Mover:     %5d", 0);
    ovStats::Print("Mover vs Collidable:%5d", m_MoverVsCollidable);
    ovStats::Print("Total Probes:       %5d", m_TotalProbes);
    ovStats::Print("Total Probe Time:   %5.2fms", m_ProbeTime);
    ovStats::Print("External Probes:    %5d", m_ExternalProbes);
    ovStats::Print("External Probe Time:%5.2fms", m_ExternalProbeTime);
    ovStats::Print("NumActiveRooms:     %5d", m_StatsActiveRooms);
    ovStats::Print("NumCulledMovers:    %5d", m_CulledMovers);
    // Only the statistics copy of the active rooms is cleared: the live list stays for Update.
    ClearStats();
}

void qvPhysManager::DebugDraw() {
    if (DebugFlags & 0x1) phDebugLineRender(true);
    if (!(DebugFlags & 0x2)) return;
    auto cross = [](const Vector3& p) {
        ovStats::DrawLine(p.x - 0.5f, p.y, p.z, p.x + 0.5f, p.y, p.z);
        ovStats::DrawLine(p.x, p.y, p.z - 0.5f, p.x, p.y, p.z + 0.5f);
    };
    // The positions are the world's.
    ovStats::BeginDraw(Matrix34::sm_Identity);
    ovStats::SetColor(Vector3(1.0f, 0.75f, 0.2f));
    for (const Vector3& p : m_Rejected) cross(p);
    if (++m_DrawCalls % 2 == 0) {
        ovStats::SetColor(Vector3(0.0f, 0.0f, 0.5f));
        for (const Vector3& p : m_Accepted) cross(p);
    }
    ovStats::EndDraw();
}
