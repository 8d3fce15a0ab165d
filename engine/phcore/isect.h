#ifndef PHCORE_ISECT_H
#define PHCORE_ISECT_H

#include <cstdint>

#include "vector/matrix34.h"
#include "vector/vector3.h"

class phBound;
struct phPolygon;

// The intersection record of the segment tests and of the polygonal collisions. Arrays of it
// are contiguous; the pair search steps through them one or two records at a time.
struct phIsect {
    // Flags. The marks from Used to EdgeImpact belong to the impact search and are cleared
    // with SearchMask when it starts.
    enum {
        VertexPath = 0x001,
        InteriorEdgeFlag = 0x002,
        Admissible = 0x004,
        Used = 0x008,
        Candidate = 0x010,
        JoinedPair = 0x020,
        EarlyExempt = 0x040,
        OverlapPair = 0x080,
        EdgeImpact = 0x100,
        SearchMask = 0xFE07
    };

    // Written by the segment tests.
    Vector3 Position;
    Vector3 Normal;
    float T = 0.0f;
    float Depth = 0.0f;
    uint32_t FrontSide = 0;
    int PolyIndex = -1;

    // Written by the polygonal collisions and the pair search.
    int FeatureIndex = -1;
    int VertexA = -1;
    int VertexB = -1;
    Vector3 SegStart;
    Vector3 SegEnd;
    Vector3 EdgeNormal;
    const phPolygon* Polygon = nullptr;
    int MaterialIndex = -1;  // used when Polygon is null; -1 is the default material
    phBound* MovingBound = nullptr;
    uint32_t Id = 0;
    uint32_t User = 0;  // the caller's word passed to the collide operation
    phBound* HitBound = nullptr;
    float BestTime = 0.0f;
    int BestPartner = -1;
    float BestOffset = 0.0f;
    Vector3 BestMidpoint;
    Vector3 BestDirection;
    float BestDistance = 0.0f;
    uint16_t Flags = 0;

    bool InteriorEdge() const { return (Flags & InteriorEdgeFlag) != 0; }

    // Position = a + t (b - a).
    void SetPosition(float t, const Vector3& a, const Vector3& b);
    // Fills the hit part: Position, Normal, T, Depth and the front-side flag.
    void SetHit(const Vector3& position, const Vector3& normal, float t, float depth,
                bool front);
    // The hit part into the debug log, each field under its own tag.
    void DebugLog() const;
};

// Brings a segment-test result into another frame, in place: Position as a point, Normal as a
// direction.
void phTransformRay(phIsect& isect, const Matrix34& matrix);

#endif
