#ifndef PHBOUND_IMPACT_H
#define PHBOUND_IMPACT_H

#include "vector/matrix34.h"
#include "vector/vector3.h"

class phBound;
class phColliderBase;
class phInertialCS;
class phMaterial;

// One contact between two bounds, as every collide routine writes it and the response reads
// it in place. Collide routines write contiguous arrays of it, at most the caller's maximum.
struct phImpact {
    // Type: 0 edge of A against edge of B, 1 a point of A on a face of B, 2 a vertex of B on a
    // face or the surface of A.
    enum { EDGE_EDGE = 0, A_ON_FACE = 1, B_ON_FACE = 2 };
    // Feature kinds of side B reported by the sphere-polygon test.
    enum { VERTEX = 0, EDGE = 1, FACE = 2 };

    int Type = 0;
    int FeatureA = 0;
    int FeatureB = 0;
    int ComponentA = -1;
    int ComponentB = -1;
    Vector3 Position;
    Vector3 Normal;
    float Depth = 0.0f;
    float Margin = 0.0f;
    float Friction = 0.5f;
    float Elasticity = 0.1f;
    phColliderBase* ColliderA = nullptr;
    phColliderBase* ColliderB = nullptr;

    // With a matrix the position is taken as a point and the normal as a direction into its
    // frame. The materials are not applied yet: friction 0.5, elasticity 0.1.
    void Set(float depth, const Vector3& normal, const Vector3& position, phColliderBase* a,
             phColliderBase* b, const Matrix34* matrix, int featureA, int componentA,
             int componentB);
    // Type from the feature kind of side B; materials of both bounds' material 0; the smaller
    // margin.
    void SetFeature(int kind, int featureB, phBound* boundA, phBound* boundB, int featureA);
    void SetAll(phColliderBase* a, phColliderBase* b, const Vector3& position,
                const Vector3& normal, float depth, phBound* boundA, phBound* boundB, int type,
                int featureA, int featureB);
    void SetColliders(phColliderBase* a, phColliderBase* b);
    void SetCollidersAndComponents(phColliderBase* a, phColliderBase* b, int componentA,
                                   int componentB);
    void SetComponentA(int component) { ComponentA = component; }
    void SetComponentB(int component) { ComponentB = component; }
    static void SetColliders(phColliderBase* a, phColliderBase* b, phImpact* impacts, int count);
    // Zeroes everything but the colliders.
    void Clear();
    void DebugLog() const;

    // Position + 0.5 Depth Normal.
    Vector3 MidPoint() const;

    // What the response does with one impact; these live with the colliders
    // (phcollide/impact.cpp), which a caller links.
    // The velocities of the impact point as a point of each side.
    void GetLocalVelocity(Vector3& velocityA, Vector3& velocityB) const;
    // The motion of the point over the last frame, A's less B's.
    void GetLocalVelocity(Vector3& relativeMotion) const;
    float GetEffectiveMass() const;
    void CombineMaterials();
    static phMaterial* GetMaterial(phColliderBase* collider, int component);
    // The impulse J on A (B takes -J) and the pushes of both sides that answer the relative
    // velocity d (A's less B's) at the point.
    void ComputeImpulse(const Vector3& d, float scale, Vector3& pushA, Vector3& pushB,
                        Vector3& impulse);
    // The two sides' inverse mass matrices at the impact point.
    void InverseMassMatrices(Matrix34& ka, Matrix34& kb) const;
    // The relative velocity change (A's less B's) at `at` per unit impulse on A at `from`
    // (B taking its negation), as a row-vector matrix.
    Matrix34 PairInverseMass(const Vector3& at, const Vector3& from) const;
    // An impulse on A outside the friction cone (with the combined Friction) turned to the
    // cone's edge and sized to stop the normal approach (d·n) under the summed matrix k;
    // false when that edge cannot push.
    bool ClipToFrictionCone(Vector3& j, const Matrix34& k, float approach) const;
    // The pushes that share the depth beyond the default margin between the sides by how
    // readily each moves along the normal. They go out along the normal, or back along the
    // way given (its part along the normal 1).
    void ComputePushes(const Matrix34& ka, const Matrix34& kb, Vector3& pushA,
                       Vector3& pushB) const;
    void ComputePushes(const Matrix34& ka, const Matrix34& kb, const Vector3& way,
                       Vector3& pushA, Vector3& pushB) const;
    void ApplyForceAndPush(const Vector3& force, const Vector3& pushA, const Vector3& pushB,
                           const Matrix34& k) const;
    void ApplyImpulseAndPush(const Vector3& impulse, const Vector3& pushA,
                             const Vector3& pushB) const;
    // The impulse along n that stops a body point moving at speed s along n.
    static float ImpulseToStop(const phInertialCS& body, const Vector3& n, float s,
                               const Vector3& point);
};

// Decide whether the new impact impacts[count] (not yet counted) is kept. Impacts of the list
// that describe the same contact less deeply are removed (the new one moves down with the
// list); false when one of the list describes it at least as deeply. On true the caller counts
// the new impact.
bool phMergeImpact(phImpact* impacts, int& count);
// The same for capsule contacts: only impacts on the same side of point p along the axis
// direction meet, with their normals taken perpendicular to the axis.
bool phMergeImpactAlongAxis(phImpact* impacts, int& count, const Vector3& p,
                            const Vector3& direction);
// Keeps the impacts whose normal points along the direction, in order; when none does, the
// list stays as it is.
void phReduceImpacts(phImpact* impacts, int& count, const Vector3& direction);
// Whether the list holds the contact of features a and b: kind 1 as an edge pair (a, b),
// kind 0 as a point-on-face pair (a, b) from either side, any other kind the mirror of that.
bool phFindImpact(int a, int b, int kind, const phImpact* impacts, int count);

#endif
