#ifndef PHBOUND_BOUNDSPHERE_H
#define PHBOUND_BOUNDSPHERE_H

#include "phbound/bound.h"
#include "phcore/material.h"

class phColliderBase;
struct phImpact;

// A sphere round the bound's origin with one material of its own.
class phBoundSphere : public phBound {
public:
    phBoundSphere();
    explicit phBoundSphere(float radius);

    phMaterial* GetMaterial(int index) override;
    bool TestProbePoint(phSegment& segment, phIsect* isect, float tLimit) override;
    bool TestAIPoint(phSegment& segment, phIsect* isect) override;
    int TestEdgeSegment(phSegment& segment, phIsect* isects, int maxIsects) override;
    bool TestProbeSegment(phSegment& segment, phIsect* isect, float tLimit) override;
    bool TestSphere(const Vector3& centre, float radius, Vector3* position, Vector3* normal,
                    float* depth) override;
    using phBound::Draw;
    // Through the debug line drawer: lighting off, 12-segment circles in the colour (0 to 1).
    void Draw(const Vector3& colour);

    void SetRadius(float radius);
    void ScaleRadius(float scale);
    bool Load(const char* name);

    // This sphere (A, at matrix) against sphere B whose centre lies at offset from A's; the
    // normal points from B towards A. Returns the number of impacts written (0 or 1).
    int CollideSphere(phBoundSphere* other, const Matrix34& matrix, const Vector3& offset,
                      phColliderBase* colliderA, phColliderBase* colliderB, phImpact* impacts);

    float Radius;
    phMaterial Material;

private:
    bool FirstCrossing(const phSegment& segment, phIsect& isect, float tLimit, bool fromOutside);
};

#endif
