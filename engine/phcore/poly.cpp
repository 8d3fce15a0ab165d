#include "phcore/poly.h"

#include <cmath>

#include "data/assert.h"
#include "phcore/isect.h"
#include "phcore/segment.h"
#include "vector/filevalue.h"

namespace {

Vector3 CrossProduct(const Vector3& a, const Vector3& b) {
    Vector3 result;
    result.Cross(a, b);
    return result;
}

// The parameter of the plane crossing from the signed distances of the two ends; false when
// there is none to report: both ends on the plane (+0 and -0 differ only in their sign bits),
// or an end at no finite distance. Decided before dividing, so that a segment lying in the
// plane never makes a NaN, which traps while invalid operations are unmasked.
bool CrossingParameter(float d0, float d1, float& t) {
    if (!IsFiniteValue(d0) || !IsFiniteValue(d1) || d0 == d1) {
        return false;
    }
    t = d0 / (d0 - d1);
    return true;
}

}  // namespace

phPolygon::phPolygon() {
    Normal.Set(0.0f, 0.0f, 1.0f);
}

void phPolygon::InitTriangle(int i0, int i1, int i2, const Vector3* vertices) {
    VertexIndex[0] = uint16_t(i0);
    VertexIndex[1] = uint16_t(i1);
    VertexIndex[2] = uint16_t(i2);
    VertexIndex[3] = 0;
    ComputeNormal(vertices);
}

void phPolygon::InitQuad(int i0, int i1, int i2, int i3, const Vector3* vertices) {
    Assert(i3 != 0);
    VertexIndex[0] = uint16_t(i0);
    VertexIndex[1] = uint16_t(i1);
    VertexIndex[2] = uint16_t(i2);
    VertexIndex[3] = uint16_t(i3);
    ComputeNormal(vertices);
}

int phPolygon::ComputeNormal(const Vector3* vertices) {
    const Vector3& a = vertices[VertexIndex[0]];
    const Vector3& b = vertices[VertexIndex[1]];
    const Vector3& c = vertices[VertexIndex[2]];
    Vector3 n = CrossProduct(c - b, a - b);
    float length2 = n.Mag2();
    float length = std::sqrt(length2);
    Area = 0.5f * length;
    if (NumSides() == 4) {
        const Vector3& d = vertices[VertexIndex[3]];
        Area += 0.5f * CrossProduct(c - d, a - d).Mag();
    }
    if (length2 == 0.0f) {
        Normal.Set(0.0f, 0.0f, 0.0f);
    } else {
        float inverse = 1.0f / length;
        Normal.Set(n.x * inverse, n.y * inverse, n.z * inverse);
    }
    return ComputeEdgeNormals(EdgeNormals, vertices);
}

int phPolygon::ComputeEdgeNormals(Vector4* edgeNormals, const Vector3* vertices) const {
    int sides = NumSides();
    for (int k = 0; k < sides; ++k) {
        const Vector3& from = vertices[VertexIndex[k]];
        const Vector3& to = vertices[VertexIndex[(k + 1) % sides]];
        Vector3 e = CrossProduct(Normal, to - from);
        e.Normalize();
        edgeNormals[k].x = e.x;
        edgeNormals[k].y = e.y;
        edgeNormals[k].z = e.z;
        edgeNormals[k].w = 1.0f;
    }
    return sides;
}

void phPolygon::RotateVertices() {
    uint16_t firstVertex = VertexIndex[0];
    uint16_t firstEdge = EdgeIndex[0];
    Vector4 firstNormal = EdgeNormals[0];
    for (int k = 0; k < 3; ++k) {
        VertexIndex[k] = VertexIndex[k + 1];
        EdgeIndex[k] = EdgeIndex[k + 1];
        EdgeNormals[k] = EdgeNormals[k + 1];
    }
    VertexIndex[3] = firstVertex;
    EdgeIndex[3] = firstEdge;
    EdgeNormals[3] = firstNormal;
}

bool phPolygon::IsInside(const Vector3* vertices, const Vector3& p, const Vector3& direction,
                         bool twoSided) const {
    int sides = NumSides();
    for (int k = 0; k < sides; ++k) {
        const Vector3& a = vertices[VertexIndex[k]];
        const Vector3& b = vertices[VertexIndex[(k + 1) % sides]];
        Vector3 c = CrossProduct(b - a, direction);
        float s = (p - a).Dot(c);
        if (s == 0.0f) {
            continue;
        }
        const Vector4& edgeNormal = EdgeNormals[k];
        float e = edgeNormal.x * c.x + edgeNormal.y * c.y + edgeNormal.z * c.z;
        bool outside = twoSided ? std::signbit(s) != std::signbit(e) : (e > 0.0f && s < 0.0f);
        if (outside) {
            return false;
        }
    }
    return true;
}

float phPolygon::PlaneDistance(const Vector3* vertices, const Vector3& point) const {
    return (point - vertices[VertexIndex[0]]).Dot(Normal);
}

void phPolygon::WriteHit(const phSegment& segment, float t, float depth, uint32_t frontSide,
                         phIsect& isect) const {
    isect.SetPosition(t, segment.Start, segment.End);
    isect.Normal = Normal;
    isect.T = t;
    isect.Depth = depth;
    isect.FrontSide = frontSide;
}

int phPolygon::TestSegmentFront(const Vector3* vertices, const phSegment& segment, phIsect& isect,
                                float tLimit) const {
    float d0 = PlaneDistance(vertices, segment.Start);
    if (!(d0 >= 0.0f)) {
        return 0;
    }
    float d1 = PlaneDistance(vertices, segment.End);
    if (!(d1 < 0.0f)) {
        return 0;
    }
    float t;
    if (!CrossingParameter(d0, d1, t) || t > tLimit ||
        !IsInside(vertices, segment.Start, segment.End - segment.Start, false)) {
        return 0;
    }
    WriteHit(segment, t, -d1, 1, isect);
    return 1;
}

int phPolygon::TestSegment(const Vector3* vertices, const phSegment& segment, phIsect& isect,
                           float tNear, float tFar) const {
    float d0 = PlaneDistance(vertices, segment.Start);
    float d1 = PlaneDistance(vertices, segment.End);
    if (std::signbit(d0) == std::signbit(d1)) {
        return 0;
    }
    float t;
    if (!CrossingParameter(d0, d1, t) || (t < tFar && t > tNear) ||
        !IsInside(vertices, segment.Start, segment.End - segment.Start, true)) {
        return 0;
    }
    if (d0 <= 0.0f) {
        WriteHit(segment, t, -d0, 0, isect);
    } else {
        WriteHit(segment, t, -d1, 1, isect);
    }
    return 1;
}

int phPolygon::IntersectSegmentFront(const Vector3* vertices, const Vector3& p,
                                     const Vector3& q) const {
    return IsInside(vertices, p, q - p, false) ? 1 : 0;
}

int phPolygon::IntersectSegment(const Vector3* vertices, const Vector4& p, const Vector4& q) const {
    Vector3 start;
    start.Set(p.x, p.y, p.z);
    Vector3 direction;
    direction.Set(q.x - p.x, q.y - p.y, q.z - p.z);
    return IsInside(vertices, start, direction, true) ? 1 : 0;
}
