#ifndef PHBOUND_POLYPAIR_H
#define PHBOUND_POLYPAIR_H

#include "vector/matrix34.h"
#include "vector/vector3.h"

class phBound;
class phBoundPolygonal;
class phColliderBase;
struct phImpact;
struct phIsect;

// Physics steps per second; the time gates of the impact search count in steps.
extern float phPhysicsRate;

// One side of a colliding pair: its bound, collider, matrices and record table.
struct phPairSide {
    phBound* Bound = nullptr;
    phColliderBase* Collider = nullptr;
    Matrix34 Current;
    Matrix34 Last;
    phIsect* Isects = nullptr;
    int Count = 0;
};

// Where impacts go: the cursor moves on and Left goes down with each impact written.
struct phImpactCursor {
    phImpact* Next = nullptr;
    int Left = 0;
};

// Pairing (polypair.cpp).

// Resets the search marks, turns back-side records around and marks the two records of one
// edge crossing a pair of polygons as joining or overlapping.
void phPrepareIsects(phIsect* isects, int count);
// Whether the record begins a pair with the one after it.
bool phIsectIsPaired(const phIsect* isects, int count, int index);
// The point's motion over the step: expressed in the current frame, moved by current - last.
void phPointMotion(const Matrix34& current, const Matrix34& last, const Vector3& point,
                   Vector3& out);
// The point through A and then B, along the axis.
float phProjectPointToFrame(const Vector3& point, const Matrix34& a, const Matrix34& b,
                            const Vector3& axis);
// Pairs that meet within this time (1.5 physics steps) close within the step.
float phClosingTime();
// Closing time of a gap d at a speed: 0 when already closed, the largest float when the
// speed does not close it.
float phTimeToContact(float d, float speed);
// The interior-edge records of side s (appended to its table up to maxIsects) for polygons of
// s that the other side's records hit; returns how many were added.
int phAddInteriorEdges(phPairSide& side, const phPairSide& other, int maxIsects);
// Records of one side in the world: through the matrix of the bound they hit, interior
// records through their own bound's.
void phIsectsToWorld(phPairSide& side, const phPairSide& other);
// Interior edges, records to the world, then phFindImpacts.
int phCollidePolygonal(phPairSide& a, phPairSide& b, int maxIsects, phImpact* impacts,
                       int maxImpacts);

// Edge contacts (edgepair.cpp).

bool phSameSideNear(float s0, float s1);
// Closest points of two crossing edges; the normal points from B's edge towards A's.
bool phEdgeEdgeClosest(const Vector3& a0, const Vector3& a1, const Vector3& dA,
                       const Vector3& b0, const Vector3& b1, const Vector3& dB, Vector3& normal,
                       Vector3& pointA, Vector3& pointB, float& distance);
// The edge-edge search of both tables (both sides with edge records).
void phEdgeEdgeImpacts(phPairSide& a, phPairSide& b, phImpactCursor& cursor);
// Edge records of one side against the sides of the polygons they hit.
void phEdgeContactImpacts(phPairSide& side, const phPairSide& a, const phPairSide& b,
                          bool sideA, phImpactCursor& cursor);

// Records to impacts (boundpolygonal.cpp).

// Steps over one record, or two when it is the first of a pair.
void phAdvanceIsect(int& index, phIsect*& isect, bool paired);
// At most one vertex-on-face impact for vertex v of one side.
void phIsectsToImpacts(const phPairSide& a, const phPairSide& b, int vertex, phIsect* isects,
                       int count, phImpactCursor& cursor, bool sideA);
// A vertex record to one impact, unless the early-hit rule drops it.
void phIsectToImpact(const phPairSide& a, const phPairSide& b, const phIsect& isect,
                     phImpactCursor& cursor, bool sideA);
// Where the record's segment crosses its polygon's plane (corners through the hit bound);
// false without a polygon or for a segment along the plane.
bool phIsectComputeContact(phIsect& isect);
// Impacts of a polygon pair from both record tables; returns the count written.
int phFindImpacts(phPairSide& a, phPairSide& b, phImpact* impacts, int maxImpacts);

#endif
