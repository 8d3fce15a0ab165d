#ifndef CITYEDIT_OUTLINE_H
#define CITYEDIT_OUTLINE_H

#include "vector/vector2.h"
#include "vector/vector3.h"

// Small 2D operations on outlines, in the XZ plane where points are Vector3 (y ignored).

// Parameter along a->b of the crossing with c->d, the point in outX/outZ; -1 when the segments
// are parallel or do not meet within both.
float SegmentIntersectXZ(float& outX, float& outZ, const Vector3& a, const Vector3& b,
                         const Vector3& c, const Vector3& d);
// The same on Vector2 points, with the parameters along both segments.
bool SegmentIntersect2D(Vector2& out, float& tAB, float& tCD, const Vector2& a, const Vector2& b,
                        const Vector2& c, const Vector2& d);

// One edge's vote in the even-odd test: whether it crosses the ray from (px, pz) towards +x.
bool EdgeCrossesRayXZ(float ax, float az, float bx, float bz, float px, float pz);
bool PointInPolygonXZ(int n, const float* xs, const float* zs, float px, float pz);

// 0, with the centre and the signed area (positive counter-clockwise with x right and z up);
// 1 for fewer than three points, 2 for a zero area. Outputs are left alone on failure.
int PolygonCentroid(const float* xs, const float* zs, int n, float& cx, float& cz, float& area);

// The point moved by distance across direction, to its left with x right and z up.
Vector3 OffsetPoint(const Vector3& point, const Vector3& direction, float distance);
// Every edge of the closed outline moved across itself by distance; out[i] is where the moved
// edges meeting at corner i cross (their mean end point when they do not).
void OffsetOutline(const Vector3* points, int n, float distance, Vector3* out);
// Edge floor(t) mod n, at the fraction of t.
Vector3 PointAlongOutline(const Vector3* points, int n, float t);

#endif
