#ifndef PHBOUND_SPHERETESTS_H
#define PHBOUND_SPHERETESTS_H

#include "vector/matrix34.h"
#include "vector/vector3.h"

class phBoundPolygonal;
struct phIsect;
struct phSegment;

// The sphere-polygon test of the vector layer on polygon i of the bound: 0 vertex, 1 edge,
// 2 face, 3 no reach of the plane. The feature is the bound's vertex, edge or polygon index.
int phSpherePolygon(const Vector3& centre, float radius, phBoundPolygonal& bound, int polygon,
                    Vector3& point, Vector3& normal, float& depth, int& feature);

// The deepest polygon that a sphere reaches with a depth below its radius; ties keep the
// earlier polygon. The local form reports the polygon's surface point (contact middle plus
// half the depth along the normal), the world form the sphere's deepest point (minus half).
// Depth is set to 0 once the sphere passes the bound's quick rejection.
bool phSphereHitsPolygons(const Vector3& centre, float radius, phBoundPolygonal& bound,
                          Vector3& position, Vector3& normal, float& depth);
bool phSphereHitsPolygonsWorld(const Vector3& centre, float radius, phBoundPolygonal& bound,
                               const Matrix34& matrix, Vector3& position, Vector3& normal,
                               float& depth);

// Where the segment enters the sphere: position, normal and t into the record. False for a
// start inside, a miss and a segment without length.
bool phSegmentEntersSphere(const Vector3& centre, float radius, const phSegment& segment,
                           phIsect& hit);

// Whether the segment from p0 to p1 comes within the distance of a point.
bool phSegmentNearPointSq(const Vector3& point, float distance2, const Vector3& p0,
                          const Vector3& p1);
bool phSegmentNearPoint(const Vector3& point, float distance, const phSegment& segment);
bool phSegmentNearOrigin(float distance, const phSegment& segment);
bool phSegmentNearOriginSq(float distance2, const Vector3& p0, const Vector3& p1);

#endif
