#ifndef PHCOLLIDE_CONTACT_H
#define PHCOLLIDE_CONTACT_H

#include <cstdint>

#include "vector/matrix34.h"
#include "vector/vector3.h"

class phColliderBase;
struct phImpact;

// The persistent record of one touching pair of features of two colliders, as the contact
// manager keeps it from frame to frame. Each solve turns it into a penalty force: a spring
// along the normal that carries a quarter of the weight at the allowed penetration, a
// tangential spring that holds until it leaves the friction cone, and damping, with the
// stiffness matrix the implicit step of the rigid body uses. The colliders read its point,
// its sides and its type when a contact force is applied to them.
struct phContact {
    // ActiveFlag: created this frame, dropped this frame, kept this frame, not yet seen.
    enum { NEW = -1, DROPPED = 0, KEPT = 1, UNSEEN = 2 };

    int32_t Type = 0;
    int32_t ElementA = 0;
    int32_t ElementB = 0;
    int32_t ComponentA = -1;
    int32_t ComponentB = -1;
    uint32_t ColliderIdA = 0;
    uint32_t ColliderIdB = 0;
    Vector3 Point;
    Vector3 Normal;  // from B towards A
    float Friction = 0.0f;
    float Elasticity = 0.0f;
    phColliderBase* A = nullptr;
    phColliderBase* B = nullptr;
    int32_t ActiveFlag = NEW;
    int32_t LastActiveFlag = NEW;
    // 0 when created or refreshed by an impact, 1 when solved as part of a held pair.
    uint32_t Touched = 0;
    float Penetration = 0.0f;
    Vector3 Spring;  // tangential extension: the friction state
    float LastRatio = 0.0f;
    float LastFraction = 0.0f;
    float LastStiffness = 0.0f;
    Vector3 LastVelA;
    Vector3 LastVelB;
    float LastCosine = 0.0f;
    float Stiffness = 0.0f;
    float Damping = 0.0f;
    // Links of the manager's hash chains, and the place outside the table that holds this
    // contact's slot, so that a move can repoint it.
    int32_t HPrev = -1;
    int32_t HNext = -1;
    int32_t* meRefIndex = nullptr;

    // A new contact from the impact's pair of features; its spring is sized by the impact's
    // effective mass. The allowed penetration must be positive (fatal otherwise).
    void InitFromImpact(const phImpact& impact);
    // Everything but the hash links and the back-reference.
    void Copy(const phContact& from);
    // Whether the impact names this contact's pair of features, in either order of sides.
    bool Matches(const phImpact& impact) const;
    // Turns the contact into its mirror: sides exchanged, normal and spring negated.
    void Swap();
    // Solves the contact for one step, refreshed by the impact or (null) carried on without
    // one. u is velA - velB, the velocities of the contact point as a point of A and of B.
    // Answers whether the contact still holds; outForce is the force on A, outK the stiffness
    // matrix of the implicit step (row d zero), outDamping the damping constant used.
    bool Resolve(const phImpact* impact, const Vector3& u, const Vector3& velA,
                 const Vector3& velB, Vector3& outForce, Matrix34& outK, float& outDamping,
                 float dt);
    // Moves Spring and Penetration so that the springs' extension answers the given force,
    // keeping the spring within the friction cone.
    void ProjectSpring(const phImpact& impact, const Vector3& force);

    // The two time steps of a solve: the manager's frame step for a contact kept this frame,
    // the time manager's frame time otherwise. Set by the manager's BeginFrame; 0 before.
    static float sm_TimeStep;
    static float sm_Seconds;
    // Debug hook: the solve of the watched contact copies both colliders' current matrices
    // here; every solve leaves its predicted depth Penetration - (Normal.u) dt'.
    static const phContact* sm_Watched;
    static float sm_WatchedMatrices[24];
    static float sm_PredictedDepth;
};

#endif
