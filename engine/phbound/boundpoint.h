#ifndef PHBOUND_BOUNDPOINT_H
#define PHBOUND_BOUNDPOINT_H

#include "phbound/bound.h"
#include "phcore/material.h"

// A radial source of force, such as a blast: it pushes what lies within Radius of Position
// away, with a strength that grows at StrengthRate per second from Strength; with
// UseDirection only what faces against Direction, scaled by how squarely. It has no surface
// of its own: segments and probes pass through it.
class phBoundPoint : public phBound {
public:
    phBoundPoint() : phBound(POINT) {}

    phMaterial* GetMaterial(int) override { return &Material; }
    bool TestProbePoint(phSegment&, phIsect*, float) override { return false; }
    bool TestAIPoint(phSegment&, phIsect*) override { return false; }
    int TestEdgeSegment(phSegment&, phIsect*, int) override { return 0; }
    bool TestProbeSegment(phSegment&, phIsect*, float) override { return false; }

    Vector3 Position = Vector3(0.0f, 0.0f, 0.0f);
    float Radius = 0.0f;
    float StrengthRate = 0.0f;
    float Strength = 0.0f;
    Vector3 Direction = Vector3(0.0f, 1.0f, 0.0f);
    bool UseDirection = false;
    phMaterial Material;
};

#endif
