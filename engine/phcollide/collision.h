#ifndef PHCOLLIDE_COLLISION_H
#define PHCOLLIDE_COLLISION_H

#include <cstdint>

#include "vector/matrix34.h"
#include "vector/vector3.h"

class phBound;
class phBoundHotdog;
class phBoundPoint;
class phBoundPolygonal;
class phBoundSphere;
class phColliderBase;
class phContactMgr;
struct phImpact;
struct phIsect;

// Collision between colliders and the response to what it finds: the response constants,
// the dispatch that hands a pair of bounds to the routine for their two shapes, and the
// turning of impacts into contact forces or impulses.
class phCollision {
public:
    static float Gravity;
    // The penetration a resting contact is allowed (a fraction of the default margin), its
    // square root and the contacts' damping factor 4/sqrt(g)/2.
    static float PenetrationFactor;
    static float AllowedPenetration;
    static float SqrtAllowedPenetration;
    static float DampingFactor;
    // Whether impacts are answered by contact forces where possible.
    static bool UseContacts;

    static void SetPenetrationFactor(float factor);
    // New default margins for the bounds, and the constants that follow from them.
    static void SetMargins(float margin);
    // At the start of a physics run: impulses only, and default margins of 0 for the bounds
    // made from now on; the allowed penetration keeps its value.
    static void ResetResponse();

    // The impacts of two colliders' bounds into impacts (at most maxnumimpacts), each naming
    // the two colliders; the two isect buffers of maxIsects records serve the polygonal
    // pairs. direction is the caller's hint of how A moves towards B over the frame. Returns
    // the number written.
    static int CollideBounds(phBound* boundA, phColliderBase* colliderA, phBound* boundB,
                             phColliderBase* colliderB, phIsect* isects1, phIsect* isects2,
                             phImpact* impacts, int maxIsects, int maxnumimpacts,
                             const Vector3& direction);
    // The same for bounds placed by the given matrices, as the parts of composites are; the
    // impacts name no colliders. vertexPaths chooses the polygon-pair mode.
    static int CollideBounds(phBound* boundA, phBound* boundB, const Matrix34& currentA,
                             const Matrix34& lastA, const Matrix34& currentB,
                             const Matrix34& lastB, phIsect* isects1, phIsect* isects2,
                             phImpact* impacts, int maxIsects, int maxnumimpacts,
                             const Vector3& direction, bool vertexPaths);
    // A point-kind source (Y, after the wrappers and composites of X are taken apart) on the
    // shape of X.
    static void CollideSpecial(phBound* boundX, phColliderBase* colliderX, phBound* boundY,
                               phColliderBase* colliderY);
    // The matrix a collider is tested with as it was a frame ago: the last frame's, where the
    // frame's push left it, whoever gave that push. (Taking the pusher's push back would start
    // the body's paths inside the pusher, where no crossing of its faces can be found.)
    static void GetColliderMatrix(const phColliderBase& collider, Matrix34& out);
    // Q's last offset from P carried along with P's turn over the frame, plus offset.
    static void GetRelativeOffset(const Matrix34* currentP, const Matrix34* lastP,
                                  const Matrix34* lastQ, const Vector3& offset, Vector3& out);

    // One impact answered: a contact force through the manager when contacts are on and the
    // manager takes it, else an impulse with pushes. Returns whether a contact force was
    // applied.
    static bool ResolveImpacts(phContactMgr* mgr, phImpact& impact, float scale);
    // A list of impacts of the same bodies answered together: contact forces where taken
    // (those impacts leave the list), else the impulse of each impact removes the impacts it
    // separates; a last impact left alone gets its impulse. count is updated and returned.
    static int ResolveImpactList(phContactMgr* mgr, int& count, phImpact* impacts);

    // The point-kind source's pair routines: impulses on the other collider only.
    static int CollidePointPolygonal(phBoundPoint* point, phColliderBase* pointCollider,
                                     phBoundPolygonal* polygonal,
                                     phColliderBase* polygonalCollider);
    static void CollidePointSphere(phBoundPoint* point, phColliderBase* pointCollider,
                                   phBoundSphere* sphere, phColliderBase* sphereCollider);
    static void CollidePointHotdog(phBoundPoint* point, phColliderBase* pointCollider,
                                   phBoundHotdog* hotdog, phColliderBase* hotdogCollider);

    // The sticking group: two impacts of one pair (consecutive records) or one impact
    // answered so that the bodies stop moving apart at them. side 0 is A, 1 is B.
    static void ResolvePair(phContactMgr* mgr, phImpact* impacts);
    static void ResolvePairOneBody(phContactMgr* mgr, phImpact* impacts, int side);
    static void ResolveStick(phContactMgr* mgr, phImpact& impact);
    static void StopBody(phContactMgr* mgr, phImpact& impact, int side);
    // The linear impulse P and the angular impulse L on one side's body shared among the
    // impacts so that their moments about the body match.
    static void DistributeImpulse(phContactMgr* mgr, int count, phImpact* impacts,
                                  const Vector3& linear, const Vector3& angular, int side);
    // The impulse j on A (B takes -j) applied as an impact's impulse, cut to the friction
    // cone, with the impact's elasticity and pushes.
    static void ApplyStickImpulse(phContactMgr* mgr, phImpact& impact, const Vector3& j);

private:
    static void ComputeConstants();
    static void FinishPair(phContactMgr* mgr, phImpact* impacts, const Vector3& j1,
                           const Vector3& j2);
    // The contact path of the response: the impact's contact solved by the manager and, when
    // it takes it, the force applied with the pushes. capDepth gives the manager at most the
    // default margin of depth.
    static bool ApplyContactResponse(phContactMgr* mgr, phImpact& impact, const Vector3& velA,
                                     const Vector3& velB, const Vector3& impulse,
                                     const Vector3& pushA, const Vector3& pushB,
                                     bool capDepth);
};

#endif
