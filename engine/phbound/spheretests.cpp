#include "phbound/spheretests.h"

#include <cmath>

#include "phbound/boundpolygonal.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"
#include "vector/geometry.h"

namespace {

// The deepest contact of the sphere with the bound's polygons: the contact middle of the
// sphere-polygon test, its normal and depth.
bool DeepestContact(const Vector3& centre, float radius, phBoundPolygonal& bound, Vector3& point,
                    Vector3& normal, float& depth) {
    depth = 0.0f;
    bool touched = false;
    for (int i = 0; i < bound.NumPolygons; ++i) {
        Vector3 contact;
        Vector3 contactNormal;
        float contactDepth = 0.0f;
        int feature = 0;
        int kind = phSpherePolygon(centre, radius, bound, i, contact, contactNormal,
                                   contactDepth, feature);
        if (kind == 3 || !(contactDepth < radius) || !(contactDepth > depth)) {
            continue;
        }
        touched = true;
        depth = contactDepth;
        point = contact;
        normal = contactNormal;
    }
    return touched;
}

}  // namespace

int phSpherePolygon(const Vector3& centre, float radius, phBoundPolygonal& bound, int polygon,
                    Vector3& point, Vector3& normal, float& depth, int& feature) {
    // The vector layer takes its inner sides on the right of each side seen from the front,
    // collision polygons on the left: the corners go in reversed.
    const phPolygon& face = bound.Polygons[polygon];
    int sides = face.NumSides();
    Vector3 corners[4];
    for (int k = 0; k < sides; ++k) {
        corners[k] = bound.GetVertex(face.VertexIndex[sides - 1 - k]);
    }
    int index = 0;
    int kind = geomSpherePolygon(centre, radius, corners, sides, face.Normal, point, index,
                                 normal, depth);
    if (kind == 0) {
        feature = face.VertexIndex[sides - 1 - index];
    } else if (kind == 1) {
        feature = face.EdgeIndex[(2 * sides - 2 - index) % sides];
    } else {
        feature = polygon;
    }
    return kind;
}

bool phSphereHitsPolygons(const Vector3& centre, float radius, phBoundPolygonal& bound,
                          Vector3& position, Vector3& normal, float& depth) {
    float reach = bound.RadiusAroundCentroid + radius;
    if ((centre - bound.CentroidOffset).Mag2() > reach * reach) {
        return false;
    }
    Vector3 point;
    if (!DeepestContact(centre, radius, bound, point, normal, depth)) {
        return false;
    }
    position = point + normal * (depth / 2.0f);
    return true;
}

bool phSphereHitsPolygonsWorld(const Vector3& centre, float radius, phBoundPolygonal& bound,
                               const Matrix34& matrix, Vector3& position, Vector3& normal,
                               float& depth) {
    // Rejecting about the origin with a radius about the centroid would drop the contacts of a
    // bound whose centroid lies away from its origin.
    float reach = bound.CentroidOffset.Mag() + bound.RadiusAroundCentroid + radius;
    if ((centre - matrix.d).Mag2() > reach * reach) {
        return false;
    }
    Vector3 local = phRotateToLocal(centre - matrix.d, matrix);
    Vector3 point;
    Vector3 localNormal;
    if (!DeepestContact(local, radius, bound, point, localNormal, depth)) {
        return false;
    }
    position = point - localNormal * (depth / 2.0f);
    position.Transform(matrix);
    normal = phRotateToWorld(localNormal, matrix);
    return true;
}

bool phSegmentEntersSphere(const Vector3& centre, float radius, const phSegment& segment,
                           phIsect& hit) {
    Vector3 a = segment.Start - centre;
    Vector3 d = segment.End - segment.Start;
    float dd = d.Mag2();
    // No direction to enter along, and no sphere surface to take a normal from.
    if (dd == 0.0f || !(radius > 0.0f)) {
        return false;
    }
    float ad = a.Dot(d);
    float r2 = radius * radius;
    float tc = -ad / dd;
    if (tc < 0.0f || (a + d * tc).Mag2() > r2) {
        return false;
    }
    if (tc > 1.0f && (segment.End - centre).Mag2() > r2) {
        return false;
    }
    float disc = 4.0f * ad * ad - 4.0f * dd * (a.Mag2() - r2);
    if (disc < 0.0f) {
        return false;
    }
    float t = (-2.0f * ad - std::sqrt(disc)) / (2.0f * dd);
    if (t < 0.0f || t > 1.0f) {
        return false;
    }
    hit.Position = segment.Start + d * t;
    hit.Normal = (hit.Position - centre) * (1.0f / radius);
    hit.T = t;
    return true;
}

bool phSegmentNearPointSq(const Vector3& point, float distance2, const Vector3& p0,
                          const Vector3& p1) {
    Vector3 a = p0 - point;
    Vector3 d = p1 - p0;
    float ad = a.Dot(d);
    if (ad >= 0.0f) {
        return a.Mag2() <= distance2;
    }
    float dd = d.Mag2();
    if (-ad >= dd) {
        return (p1 - point).Mag2() <= distance2;
    }
    return dd * distance2 >= a.Mag2() * dd - ad * ad;
}

bool phSegmentNearPoint(const Vector3& point, float distance, const phSegment& segment) {
    return phSegmentNearPointSq(point, distance * distance, segment.Start, segment.End);
}

bool phSegmentNearOrigin(float distance, const phSegment& segment) {
    return phSegmentNearPointSq(Vector3::sm_Zero, distance * distance, segment.Start,
                                segment.End);
}

bool phSegmentNearOriginSq(float distance2, const Vector3& p0, const Vector3& p1) {
    return phSegmentNearPointSq(Vector3::sm_Zero, distance2, p0, p1);
}
