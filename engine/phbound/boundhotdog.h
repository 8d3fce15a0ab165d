#ifndef PHBOUND_BOUNDHOTDOG_H
#define PHBOUND_BOUNDHOTDOG_H

#include "phbound/bound.h"
#include "phcore/material.h"

class phBoundPolygonal;
class phColliderBase;
struct phImpact;

// A capsule: a cylinder of Radius round the y axis from -Length/2 to +Length/2, closed by two
// half-spheres. Parts: 0 the lower cap, 1 the upper cap, 2 the side; hits and impacts carry
// them.
class phBoundHotdog : public phBound {
public:
    enum { LOWER_CAP = 0, UPPER_CAP = 1, SIDE = 2 };

    phBoundHotdog();
    phBoundHotdog(float radius, float length);

    phMaterial* GetMaterial(int index) override;
    bool TestProbePoint(phSegment& segment, phIsect* isect, float tLimit) override;
    bool TestAIPoint(phSegment& segment, phIsect* isect) override;
    int TestEdgeSegment(phSegment& segment, phIsect* isects, int maxIsects) override;
    bool TestProbeSegment(phSegment& segment, phIsect* isect, float tLimit) override;
    bool TestSphere(const Vector3& centre, float radius, Vector3* position, Vector3* normal,
                    float* depth) override;
    using phBound::Draw;
    // The outline through the debug line drawer, in the colour (components 0 to 1).
    void Draw(const Vector3& colour);

    void CalcExtents();
    void SetSize(float radius, float length);
    void SetDimensions(float width, float height);
    // The radius scaled by a and the whole height by b.
    void ScaleDimensions(float a, float b);
    bool Load(const char* name);
    // The surface counts as inside.
    bool ContainsPoint(const Vector3& point) const;
    // Up to two crossings of the segment start + t d with the surface, in order of t, each
    // with its part.
    int SegmentCrossings(const Vector3& start, const Vector3& d, float t[2], int part[2]) const;

    // A sphere (A, centre at offset from this capsule's position) against this capsule (B, at
    // matrix); the normal points from the capsule towards the sphere.
    int CollideSphere(phBound* sphere, float sphereRadius, const Matrix34& matrix,
                      const Vector3& offset, phColliderBase* colliderA, phColliderBase* colliderB,
                      phImpact* impacts);
    // This capsule (A) against another (B); the normal points from B towards A.
    int CollideHotdog(phBoundHotdog* other, const Matrix34& matrix, const Matrix34& otherMatrix,
                      phColliderBase* colliderA, phColliderBase* colliderB, phImpact* impacts,
                      int maxImpacts);
    // This capsule (A) against a polygonal bound (B); the normal points from B towards A.
    // When several impacts are found, those whose normal points along direction (world) are
    // kept, if any.
    int CollidePolygonal(phBoundPolygonal* other, const Matrix34& matrix,
                         const Matrix34& otherMatrix, const Vector3& direction,
                         phColliderBase* colliderA, phColliderBase* colliderB, phImpact* impacts,
                         int maxImpacts);

    float Radius;
    float Length;
    phMaterial Material;

private:
    bool FirstCrossing(const phSegment& segment, phIsect& isect, float tLimit, bool fromOutside);
    Vector3 PartNormal(const Vector3& point, int part) const;
};

#endif
