#ifndef PHCOLLIDE_COLLIDER_H
#define PHCOLLIDE_COLLIDER_H

#include <cstdint>

#include "phcollide/collision.h"
#include "vector/matrix34.h"
#include "vector/vector3.h"

class datCallback;
class phBound;
class phBoundPolygonal;
class phInertialCS;
struct phContact;
struct phImpact;
struct phIsect;
struct phSegment;

// What a collider made of components hands its component callback for every impulse or
// force before applying it: the side's component, element and feature kind, and pointers to
// copies of the values (Push null when there is no push).
struct phComponentApply {
    enum { IMPULSE = 0, FORCE = 1 };
    uint8_t Mode;
    int Component;
    int Element;
    int Kind;
    const Vector3* Value;
    const Vector3* Push;
    const Vector3* Point;
};

// The feature kind (0 vertex, 1 edge, 2 polygon) of one side of an impact of the given type:
// type 0 edges on both sides, type 1 a vertex of A on a polygon of B, type 2 the reverse;
// -1 for any other type.
int phFeatureKind(int type, bool sideA);

// What the impulse callback receives after each impulse.
struct phImpulseReport {
    const Vector3* Impulse;
    const phImpact* Impact;
};

// One physical object as the collision code sees it: a bound placed by a current matrix, the
// matrix of the end of the last frame, an optional rigid body (ICS) and an identifier.
// Identifiers are handed out at initialisation, unique and never 0; a static collider has 0.
class phColliderBase {
public:
    phColliderBase();
    virtual ~phColliderBase();

    // The velocity change at pointA per unit impulse at pointB (zero without a rigid body).
    virtual void GetInverseMassMatrix(const Vector3& pointA, const Vector3& pointB,
                                      Matrix34& out, int component);
    virtual void GetInverseMassMatrix(const Vector3& point, Matrix34& out, int component);
    virtual void ApplyImpulse(const phImpact& impact, const Vector3& impulse);
    virtual void ApplyImpulseAndPush(const phImpact& impact, const Vector3& impulse,
                                     const Vector3& push);
    virtual void ApplyContactForce(const Vector3& force, const phContact& contact);
    virtual void ApplyContactForce(const Vector3& force, const phContact& contact,
                                   const Matrix34& k);
    virtual void ApplyContactForceAndPush(const phImpact& impact, const Vector3& force,
                                          const Vector3& point, const Vector3& push,
                                          const Matrix34& k);

    void InitWithStorage(phBound* bound, Matrix34* storage, phInertialCS* ics, int id);
    void InitStatic(Matrix34* matrix, phBound* bound);
    void SaveLastMatrix();
    void Reset();
    void EndFrame();
    void EndFrameAndUpdate();
    bool IsActive() const;
    datCallback* SetImpulseCallback(datCallback* callback);
    datCallback* SetComponentCallback(datCallback* callback);
    uint32_t SetWord3(uint32_t word);
    uint32_t GetColliderID() const { return Id; }
    phBound* GetBound() const { return Bound; }

    void ComputeMotionDistance();
    void GetMotionAtPoint(const Vector3& point, Vector3& out) const;
    // The last frame's push is left out when the other party gave it.
    void GetMotionAtPoint(const Vector3& point, Vector3& out, uint32_t otherId) const;
    void GetLocalMotion(const Vector3& point, int component, int kind, int element,
                        Vector3& out) const;
    void GetLocalVelocity(const Vector3& point, int component, int kind, int element,
                          Vector3& out) const;
    int TestSegment(phSegment& segment, phIsect* isects, int maxIsects);
    int TestSegmentPoint(phSegment& segment, phIsect* isects, int maxIsects);
    void ApplyGravity();
    // Air drag on every face of the bound (the collider's own when null) moving into the air.
    void ApplyDrag(float coefficient, const Vector3& airVelocity, phBound* bound);
    void DebugLog() const;

    // Free lists of pooled colliders: links to the neighbours in the block.
    phColliderBase* Next;
    phColliderBase* Prev;
    uint8_t Active;
    Matrix34* MatrixStorage;
    datCallback* ImpulseCallback;
    datCallback* ComponentCallback;
    uint32_t Word3;
    phBound* Bound;
    phInertialCS* ICS;
    Matrix34* CurrentMatrix;
    Matrix34 LastMatrix;
    uint8_t JustReset;
    uint8_t SlowMotion;
    float MotionDistance;
    int32_t UserID;
    float MaxPush2;
    uint32_t Pusher;
    uint32_t LastPusher;

protected:
    // The start of every initialisation; a collider with storage gets a fresh identifier.
    void Begin(phBound* bound, Matrix34* storage, phInertialCS* ics, int id);
    uint32_t Id;

private:
    struct Side;
    Side SideOf(const phImpact& impact) const;
    Side SideOf(const phContact& contact) const;
    void Deliver(const Side& side, uint8_t mode, const Vector3& value, const Vector3& push,
                 const Vector3& point, const Matrix34* k);
    void ApplyDragToBound(float coefficient, const Vector3& airVelocity, phBound* bound,
                          const Matrix34& placement);
    void ApplyDragToPolygons(float coefficient, const Vector3& airVelocity,
                             phBoundPolygonal& polygonal, const Matrix34& placement);
    int TestSegmentWith(phSegment& segment, phIsect* isects, int maxIsects, bool point);
};

// A contact's stiffness k acts on the pair's relative motion, but each side's implicit step
// sees only its own mass. Each side is given k scaled by the pair's mobility along the normal
// over its own, (a + b)/a for A with a and b the two sides' inverse masses along the normal
// at the point, so that both steps take the same share of the force and the pair keeps its
// momentum whatever the masses. Against a side that cannot move, k stays as it is.
void phShareStiffness(phColliderBase& a, int componentA, phColliderBase& b, int componentB,
                      const Vector3& point, const Vector3& normal, const Matrix34& k,
                      Matrix34& kA, Matrix34& kB);

// A collider with its current matrix held in the object.
class phCollider : public phColliderBase {
public:
    phCollider();

    void InitWithICS(phBound* bound, phInertialCS* ics, int id);
    void InitWithMatrix(phBound* bound, Matrix34* matrix, phInertialCS* ics, int id);
    void Init(phBound* bound, Matrix34* matrix);
    void DebugLog() const;

    Matrix34 Matrix;
    // Words of the owner's: the active bangers keep their type's collider id in the first.
    uint32_t OwnerWord;
    uint32_t OwnerWord2;
};

// A pooled collider kind with one more word of its owner's.
class phColliderTagged : public phCollider {
public:
    phColliderTagged() : Tag(0) {}
    uint32_t SetTag(uint32_t tag) { return Tag = tag; }

    uint32_t Tag;
};

// Links a block of count colliders into a free list (inactive, each to its neighbours) and
// answers the address just past the block.
template <class T>
T* phInitColliderPool(T* block, int count) {
    for (int i = 0; i < count; ++i) {
        block[i].Next = i + 1 < count ? &block[i + 1] : nullptr;
        block[i].Prev = i > 0 ? &block[i - 1] : nullptr;
        block[i].Active = 0;
    }
    return block + count;
}

#endif
