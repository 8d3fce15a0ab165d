#ifndef PHBOUND_BOUND_H
#define PHBOUND_BOUND_H

#include "vector/matrix34.h"
#include "vector/vector3.h"

class phMaterial;
struct phIsect;
struct phSegment;

// Margin of the polygon pair being collided; set by the polygonal collisions.
extern float phCollisionMargin;

// A direction of a bound's own frame turned into the frame its matrix places it in (the 3x3
// part only), and back.
Vector3 phRotateToWorld(const Vector3& local, const Matrix34& matrix);
Vector3 phRotateToLocal(const Vector3& world, const Matrix34& matrix);

// The base of every collision shape. The order of the virtual operations is fixed: derived
// bounds (the polygonal family, the city's level bound) append their own after these.
class phBound {
public:
    enum {
        SPHERE = 0,
        GEOMETRY = 1,
        BOX = 2,
        POINT = 3,
        TERRAIN = 4,
        TERRAIN_ALT = 5,
        HOTDOG = 6,
        COMPOSITE = 7,
        WRAPPER = 8,
        LEVEL = 9
    };

    // Process-wide; a bound copies them when it is constructed or rescaled.
    static float DefaultMargin;
    static float DefaultSecondaryMargin;

    explicit phBound(int type);

    virtual int RemoveCentroidOffset();
    virtual phMaterial* GetMaterial(int index) = 0;
    virtual int GetNumMaterials();
    virtual float GetFriction();
    virtual void SetFriction(float friction);
    virtual float GetElasticity();
    virtual void SetElasticity(float elasticity);
    virtual bool TestProbePoint(phSegment& segment, phIsect* isect, float tLimit) = 0;
    virtual bool TestAIPoint(phSegment& segment, phIsect* isect) = 0;
    virtual int TestEdgeSegment(phSegment& segment, phIsect* isects, int maxIsects) = 0;
    virtual bool TestProbeSegment(phSegment& segment, phIsect* isect, float tLimit) = 0;
    virtual bool TestSphere(const Vector3& centre, float radius, Vector3* position,
                            Vector3* normal, float* depth);
    // Called by colliders for the components of composite and wrapper bounds.
    virtual void AdjustLocalVelocityEx(Matrix34& velocity, int component, const Vector3& pointA,
                                       const Vector3& pointB);
    virtual void AdjustLocalVelocity(Matrix34& velocity, int component, const Vector3& point);
    virtual float GetEffectiveMass(const Vector3& normal, const Vector3& position, int component,
                                   float mass);
    virtual const Vector3& GetVertex(int index);
    virtual void Draw(int mode);
    // Last, so that it does not move the slots above.
    virtual ~phBound();

    bool HasCentroidOffset() const { return IsCentroidOffset; }
    void SetCentroidOffset(const Vector3& offset);
    void CalcCentroidAndRadius();
    void GetWorldCentroid(const Matrix34& matrix, Vector3& out) const;
    void GetWorldCentroid(Vector3& out, const Matrix34& matrix) const;
    void ScaleMargins();
    static void SetDefaultMargins(float margin);

    void GetMaterialProperties(const phIsect& isect, float& friction, float& elasticity);
    static void CombineMaterialProperties(phBound* a, const phIsect& p, phBound* b,
                                          const phIsect& q, float& friction, float& elasticity);

    int TestSegment(phSegment& segment, phIsect* isects, int maxIsects);
    int TestSegmentPoint(phSegment& segment, phIsect* isect, int maxIsects);
    // A pair of bounds collides with the smaller of their margins.
    static float SmallerMargin(const phBound& a, const phBound& b);

    int NumMaterials;
    int Type;
    Vector3 BoxMin;
    Vector3 BoxMax;
    bool IsCentroidOffset;
    Vector3 CentroidOffset;
    float RadiusAroundCentroid;
    // A component's own motion counts in the collider's local motion while this is positive.
    float ComponentMotion;
    float GravityScale;
    float Margin;
    float SecondaryMargin;
};

#endif
