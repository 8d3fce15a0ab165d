#ifndef VECTOR_GEOMETRY_H
#define VECTOR_GEOMETRY_H

#include "vector/vector3.h"
#include "vector/vector4.h"

#include <utility>

// Stateless collision primitives. A segment is a start p and a direction d (end p + d); the
// parameter t in 0..1 names p + t·d. Polygons are n vertices in order with a unit normal.
// Results come back through out-parameters; return values are small codes.

// Box and sphere of count points stride bytes apart; every output may be null.
void geomBoundingSphere(int count, const Vector3* points, int stride, Vector3* boxMin,
                        Vector3* boxMax, Vector3* centre, float* radius);
void geomBoundingSphere4(int count, const Vector3* points, int stride, Vector4& sphere);

// 0 vertex, 1 edge, 2 face, 3 no contact.
int geomSpherePolygon(const Vector3& centre, float radius, const Vector3* vertices, int n,
                      const Vector3& normal, Vector3& point, int& index, Vector3& outNormal,
                      float& depth);
// 3 no contact, 1 contact; kind 0 interior, 1 edge start, 2 edge end.
int geomCapsulePolygon(const Vector3& segmentStart, const Vector3& segmentEnd,
                       const Vector3& edgeStart, const Vector3& edgeEnd, float radius, int& kind,
                       Vector3& normal, float& depth, Vector3& point);

bool geomIsBelowPlane(const Vector3& point, const Vector3& planePoint, const Vector3& normal,
                      float offset);
bool geomSphereTouchesPlane(const Vector3& centre, const Vector3& planePoint,
                            const Vector3& normal, float radius);
bool geomPointInBox(const Vector3& point, float hx, float hy, float hz);
int geomClassify(float value, float limit);

// 1 start, 0 inside, 2 end.
int geomClosestPointOnSegment(const Vector3& point, const Vector3& p, const Vector3& d,
                              Vector3& closest, float& numerator);
float geomSegmentParam(const Vector3& p, const Vector3& d, const Vector3& point);
float geomPointLineDistance(const Vector3& point, const Vector3& d, const Vector3& q);
float geomLineLineAxis(const Vector3& pA, const Vector3& dA, const Vector3& pB,
                       const Vector3& dB, Vector3& axis, float tolerance);
float geomHorizontalAxis(const Vector3& point, const Vector3& d, Vector3& axis);
// True when the closest points of the two lines lie within both segments.
bool geomSegmentSegment(const Vector3& pA, const Vector3& dA, const Vector3& pB,
                        const Vector3& dB, float& sA, float& sB);
bool geomSegmentVerticalLine(const Vector3& p, const Vector3& d, float y0, float y1, float& t,
                             float& s);
bool geomSegmentBox(const Vector3& p, const Vector3& d, const Vector3& normal,
                    const Vector3& halfSizes, float& t0, float& t1, int& edge0, int& edge1);
// Faces 0 to 5 are +x, -x, +y, -y, +z, -z.
int geomSegmentCentredBox(const Vector3& p, const Vector3& d, float hx, float hy, float hz,
                          float& t0, float& t1, Vector3& normal0, Vector3& normal1, int& face0,
                          int& face1);
int geomSegmentSphere(const Vector3& p, const Vector3& d, float radius2, float& t0, float& t1);
// The side of a capsule along y; s is the hit's height as a fraction of length, 0.5 at the centre.
int geomSegmentCylinder(const Vector3& p, const Vector3& d, float length, float radius2,
                        float& t0, float& t1, float& s0, float& s1);
int geomSegmentCap(const Vector3& p, const Vector3& d, float radius2, float& t0, float& t1,
                   bool top);
int geomSegmentAxisCylinder(const Vector3& p, const Vector3& d, const Vector3& axisPoint,
                            const Vector3& axisDirection, float radius, float& t0, float& t1);
bool geomSegmentDisc(const Vector3& p, const Vector3& d, float radius2, float& t);

// Puts the smaller hit first, with its data.
template <typename A, typename B>
void geomSortPair(float& t0, float& t1, A& a0, A& a1, B& b0, B& b1) {
    if (t0 > t1) {
        std::swap(t0, t1);
        std::swap(a0, a1);
        std::swap(b0, b1);
    }
}

int geomPointInPolygonXZ(float x, float z, const Vector3* vertices, int n);
bool geomRayPlane(const Vector3& origin, const Vector3& direction, const Vector4& plane,
                  float& t);
bool geomSegmentTriangle(const Vector3& p, const Vector3& d, const Vector3& a, const Vector3& b,
                         const Vector3& c, float& t);

#endif
