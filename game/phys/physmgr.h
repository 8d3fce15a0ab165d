#ifndef PHYS_PHYSMGR_H
#define PHYS_PHYSMGR_H

#include <cstdint>
#include <vector>

#include "node/stats.h"
#include "phbound/impact.h"
#include "phcollide/collider.h"
#include "phcollide/impactsolver.h"
#include "phcore/isect.h"
#include "vector/vector3.h"

class bkBank;
class lvlInstance;
class phBound;
class phContactMgr;
struct phSegment;
class qvPhysEntity;

// The game's per-frame collision work: movers are declared each frame, culled to the active
// rooms, stepped in sub-steps, collided with each other and with the static instances near
// them; the table is empty again after Update.
class qvPhysManager : public ovStatsPage {
public:
    static constexpr int MAX_MOVERS = 32;
    static constexpr int MaxCollidables = 32;
    static constexpr int MaxActiveRooms = 20;
    static constexpr int MaxTouchingRooms = 8;
    static constexpr int MaxIsects = 100;
    static constexpr int MaxImpacts = 200;
    static constexpr size_t MaxDebugPositions = 64;
    // Instance flags the manager reads: a placed banger, a driveable surface.
    static constexpr uint16_t PLACED_BANGER = 0x0001;
    static constexpr uint16_t DRIVEABLE = 0x0020;

    static constexpr uint16_t UPDATE = 0x0001;
    static constexpr uint16_t TERRAIN = 0x0002;
    static constexpr uint16_t STATICS = 0x0008;
    static constexpr uint16_t MOVERS = 0x0010;
    static constexpr uint16_t NEW = 0x0100;
    // The squared speed (m/s, and rad/s turning) below which a prop's body counts as resting:
    // the rest tolerances of the active props. Props that meet slower than its square root
    // leave each other asleep.
    static constexpr float RestTolerance = 0.5f;
    // The approach speed at which a mover that drives itself (kind 3 and up) wakes a resting
    // prop it pushes.
    static constexpr float DriveWakeSpeed = 0.05f;

    struct Mover {
        lvlInstance* m_Instance;
        qvPhysEntity* m_Entity;
        uint16_t m_CollidableCount;
        lvlInstance* m_Collidables[MaxCollidables];
        uint16_t m_Flags;
        uint8_t m_Kind;
    };

    qvPhysManager();
    ~qvPhysManager() override;
    static qvPhysManager* GetInstance() { return m_pInst; }

    void Reset();
    Mover* DeclareMover(lvlInstance* instance, int kind, uint16_t flags);
    void NewMover(lvlInstance* instance, lvlInstance* other);
    void NewMover(lvlInstance* instance);
    void NewMover(lvlInstance* instance, lvlInstance* previous, lvlInstance* other);
    // Drops the instance's mover for the rest of the frame, and the impacts its body took
    // this sub-step, which are not to reach the next object the body drives. Dropped during
    // the sub-step's collisions, the instance goes back where the sub-step began.
    void RemoveMover(lvlInstance* instance);
    void Update();

    // The number of sub-steps for a frame time: ceil((seconds - 0.001) / SampleStep), at most
    // MaxSamples; 0 for a paused frame.
    int SubSteps(float seconds) const;
    void GatherCollidables(Mover& entry);
    // True when the two may touch: their bounding spheres overlap. With
    // "CylinderTrivialReject" on, a placed banger with a YRadius is an upright cylinder round
    // its model origin, at the other side's height.
    bool TrivialReject(lvlInstance* a, lvlInstance* b) const;
    // Collide a pair, or a mover with the terrain, and answer the impacts; false when there
    // were none. Virtual so a harness can watch what a frame collides.
    virtual bool CollideInstances(lvlInstance* a, lvlInstance* b);
    virtual bool CollideTerrain(Mover& entry);
    // A wheel ray against the terrain and the driveable instances of its two rooms.
    bool Probe(phSegment& segment, phIsect& isect, int roomHint);
    bool CollideProbe(phSegment& segment, phIsect& isect, lvlInstance* instance);

    // What the banger code answers about a placed banger b hit by a mover a. Unset, a placed
    // banger is answered like any other instance.
    struct BangerSeam {
        // The squared impulse b takes before it breaks loose; false when b has no type record.
        bool (*m_ImpulseLimit)(lvlInstance* b, float& limit);
        // b breaks loose, hit by a through the impact that first exceeded its limit.
        void (*m_BreakLoose)(lvlInstance* b, lvlInstance* a, phImpact& impact);
        // b's type's YRadius and CG; false when b has no type record or no YRadius.
        bool (*m_Cylinder)(lvlInstance* b, float& yRadius, Vector3& cg);
    };
    static inline BangerSeam sm_Bangers = {nullptr, nullptr, nullptr};

    // One impact of mover A on placed banger B that takes squared impulses up to limit,
    // applied to both colliders; true when the impulse that would stop A exceeded it.
    bool BangerImpact(phImpact& impact, float weight, float limit);
    // The computation: v is A's velocity at the point less B's. B counts as immovable until
    // the limit is exceeded; the impulses are weighted, the pushes are not.
    static bool BangerImpulse(const phImpact& impact, const Vector3& v, float weight,
                              Vector3& pushA, Vector3& pushB, Vector3& impulseA,
                              Vector3& impulseB, float limit);

    void AddWidgets(bkBank* bank);
    void DebugDraw();

    void PrintStats() override;

    int GetMoverCount() const { return m_MoverCount; }
    const Mover& GetMover(int i) const { return m_Movers[i]; }
    int GetActiveRoomCount() const { return m_ActiveRoomCount; }
    const int* GetActiveRooms() const { return m_ActiveRooms; }
    int GetCulledCount() const { return m_CulledMovers; }
    int GetNumSamples() const { return m_NumSamples; }

    int32_t MaxSamples = 6;
    float SampleStep = 1.0f / 60.0f;
    int32_t BoundLOD = 3;
    int32_t BoxTrivialReject = 0;
    int32_t PhysEntityTrivialReject = 0;
    int32_t CylinderTrivialReject = 0;
    int32_t OpponentOptimization = 0;
    // 0x1 "Lines": the physics debug lines; 0x2 "Collidables": what the gathering took and
    // left.
    uint32_t DebugFlags = 0;

private:
    Mover* Find(lvlInstance* instance);
    bool IsActiveRoom(int room) const;
    void AddActiveRoom(int room);
    void ClearTable();
    void ClearStats();
    // A mover that joined without a body (NewMover) gets 0x1B but has nothing to update.
    static bool Updates(const Mover& m) { return (m.m_Flags & UPDATE) && m.m_Entity; }
    void Cull();
    void SubStep();
    bool AcceptNew(lvlInstance* instance);
    Mover& WriteNew(lvlInstance* instance);
    static void ForgetCollidable(Mover& entry, lvlInstance* instance);
    // The instance's room (unless own is false) and the distinct rooms touching the sphere;
    // returns the count.
    static int SearchRooms(lvlInstance* instance, const Vector3& centre, float radius, int* rooms,
                           bool own = true);
    // Where the pair test takes the instance, and its reach, as TrivialReject describes.
    void PairSphere(lvlInstance* instance, const Vector3& other, Vector3& centre,
                    float& radius) const;
    // The terrain's impacts seen from the body: its collider on side A, the terrain on B.
    void FaceTheBody(int count, phColliderBase* collider);
    // Whether the pair's n impacts are a hit that wakes a side without a body. Between props
    // the sides must meet faster than a resting body moves (the root of RestTolerance) at one
    // of them: a body lying on a resting prop meets it each step at the speed one step of
    // gravity gives and leaves it asleep; woken by every touch, a pile of more props than
    // there are bodies never came to rest. A mover that drives itself wakes it by any approach
    // faster than DriveWakeSpeed: else, creeping into it, it was stopped as by a wall. An
    // overlap deeper than a resting body sinks in a step wakes it either way.
    bool Wakes(lvlInstance* a, lvlInstance* b, int n);
    // A resting prop that lies on the body of the pair's other side does not push it: the
    // push pressed the body down into what holds it up, whose push lifted it back the next
    // step, every step, so that it never rested, and under a heap it pressed the bottom layer
    // into the ground. Awake, the prop would rise instead; an overlap deeper than a resting
    // body sinks in a step wakes it (Wakes). The impulses still stop the body as the ground
    // does.
    void LieOn(int n, bool bodyOnA);
    // Whether the instance is declared this frame as a mover that drives itself.
    bool Drives(lvlInstance* instance);
    // The n impacts of one pair: with contacts on, each to the contact response with a
    // weight of 1/n; else to the solver, which answers all the impacts of a sub-step
    // together (each impulse weighted 1/n would leave a body lying on several points
    // sinking).
    void Resolve(int n);
    // The entity's collider, or the side's spare collider placed on the instance.
    phColliderBase* ColliderOf(lvlInstance* instance, phBound* bound, int side);
    // Impacts that named the spare collider name the new one, taking side A.
    void Retarget(int count, phColliderBase* spare, phColliderBase* collider);

    static qvPhysManager* m_pInst;

    Mover m_Movers[MAX_MOVERS];
    int m_MoverCount = 0;
    int m_ActiveRooms[MaxActiveRooms];
    int m_ActiveRoomCount = 0;
    int m_InUpdate = 0;
    int m_DrawCalls = 0;
    phContactMgr* m_ContactMgr;
    phCollider m_Terrain;
    phCollider m_Spares[2];
    Matrix34 m_SpareMatrices[2];
    phIsect m_Isects1[MaxIsects];
    phIsect m_Isects2[MaxIsects];
    phImpact m_Impacts[MaxImpacts];
    phImpactSolver m_Solver;
    // Set while a sub-step's pairs are collided: their impacts wait for the solver.
    bool m_Gathering = false;
    std::vector<Vector3> m_Rejected;
    std::vector<Vector3> m_Accepted;

    // Statistics, kept until PrintStats.
    int m_CulledMovers = 0;
    int m_StatsActiveRooms = 0;
    int m_NumSamples = 0;
    int m_NumMovers = 0;
    int m_MoverVsCollidable = 0;
    int m_TotalProbes = 0;
    int m_ExternalProbes = 0;
    float m_UpdateTime = 0, m_CollectTime = 0, m_CollisionTime = 0, m_MoverUpdateTime = 0;
    float m_GatherTime = 0, m_CollisionsTime = 0, m_ObjObjTime = 0, m_ObjObjImpactTime = 0;
    float m_ObjTerrainTime = 0, m_ObjTerrainImpactTime = 0, m_PostTime = 0;
    float m_ProbeTime = 0, m_ExternalProbeTime = 0;
};

#endif
