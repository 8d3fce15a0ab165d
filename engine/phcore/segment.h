#ifndef PHCORE_SEGMENT_H
#define PHCORE_SEGMENT_H

#include <cstdint>

#include "vector/vector3.h"

struct phPolygonCache;

// What the city keeps with a test segment between tests: the rooms of its two ends and the
// polygon it hit last. The cache is owned by the caller; CacheValid says whether it holds a hit.
struct phSegmentInfo {
    int StartRoom = 0;
    int EndRoom = 0;
    phPolygonCache* PolygonCache = nullptr;
    bool CacheValid = false;
};

// The test segment of the segment tests. The kind decides which test of a bound runs.
struct phSegment {
    enum { PROBE = 0, EDGE = 1, AI = 2 };

    int Kind = PROBE;
    Vector3 Start;
    Vector3 End;
    bool IsVertical = false;
    float InvLength = 0.0f;
    uint32_t User = 0;
    phSegmentInfo* m_Info = nullptr;

    void Set(const Vector3& start, const Vector3& end, int kind, uint32_t user);
    void Update();
};

#endif
