// The box against a sphere: the swept centre against the box grown by the radius, then the
// closest point of the box and the region (face, edge or corner) it lies on.
#include "phbound/boundbox.h"

#include <cmath>

#include "phbound/impact.h"
#include "phcore/isect.h"
#include "vector/geometry.h"

namespace {

enum { IN = 0, BELOW = 1, ABOVE = 2 };
enum { EDGE_REGION = 0, FACE_REGION = 1, VERTEX_REGION = 2 };

// Region kind and index by the clamp of x, y and z (in, below, above).
const int RegionKind[3][3][3] = {
    {{FACE_REGION, FACE_REGION, FACE_REGION},
     {FACE_REGION, EDGE_REGION, EDGE_REGION},
     {FACE_REGION, EDGE_REGION, EDGE_REGION}},
    {{FACE_REGION, EDGE_REGION, EDGE_REGION},
     {EDGE_REGION, VERTEX_REGION, VERTEX_REGION},
     {EDGE_REGION, VERTEX_REGION, VERTEX_REGION}},
    {{FACE_REGION, EDGE_REGION, EDGE_REGION},
     {EDGE_REGION, VERTEX_REGION, VERTEX_REGION},
     {EDGE_REGION, VERTEX_REGION, VERTEX_REGION}}};
const int RegionIndex[3][3][3] = {{{-1, 5, 4}, {3, 6, 2}, {2, 4, 0}},
                                  {{1, 5, 1}, {10, 6, 2}, {9, 5, 1}},
                                  {{0, 7, 3}, {11, 7, 3}, {8, 4, 0}}};

float Clamp(float value, float half, int& side) {
    side = value < -half ? BELOW : value > half ? ABOVE : IN;
    return side == BELOW ? -half : side == ABOVE ? half : value;
}

}  // namespace

int phBoundBox::CollideSphere(phBound* sphere, float radius, const Matrix34& matrix,
                              const Vector3& offset, const Vector3& motion,
                              phColliderBase* colliderA, phColliderBase* colliderB,
                              phImpact* impacts) {
    Vector3 p = phRotateToLocal(offset, matrix) - CentroidOffset;
    Vector3 v = phRotateToLocal(motion, matrix);
    Vector3 h = BoxMax - CentroidOffset;
    Vector3 grown = h + Vector3(radius, radius, radius);
    Vector3 contact, normal;
    float depth = 0.0f;
    int kind = FACE_REGION, index = 0;
    bool inside = false;
    phIsect swept;
    if (TestCentredSegment(p - v, p, grown, 1.0f, swept) >= 0) {
        // The centre crossed into reach during the step: meet it where it did.
        p = swept.Position;
        v = v * (1.0f - swept.T);
    } else if (geomPointInBox(p, h.x, h.y, h.z)) {
        // Inside: out through the nearest face, ties in the order x, y, z.
        const float gaps[3] = {h.x - std::fabs(p.x), h.y - std::fabs(p.y), h.z - std::fabs(p.z)};
        int axis = 0;
        for (int k = 1; k < 3; ++k) {
            axis = gaps[k] < gaps[axis] ? k : axis;
        }
        const float coordinate[3] = {p.x, p.y, p.z};
        int face = 2 * axis + (coordinate[axis] > 0.0f ? 0 : 1);
        Vector3 f = p + FaceNormals[face] * gaps[axis];
        float gap = (f - p).Mag();
        // A centre on the face itself has no direction from it: the face's own normal.
        normal = gap > 0.0f ? (f - p) * (1.0f / gap) : FaceNormals[face];
        depth = gap + radius;
        contact = f - normal * (0.5f * depth);
        index = face;
        inside = true;
    } else if (!geomPointInBox(p, grown.x, grown.y, grown.z)) {
        return 0;
    } else {
        v.Zero();
    }
    if (!inside) {
        int sx, sy, sz;
        Vector3 c(Clamp(p.x, h.x, sx), Clamp(p.y, h.y, sy), Clamp(p.z, h.z, sz));
        kind = RegionKind[sx][sy][sz];
        index = RegionIndex[sx][sy][sz];
        Vector3 away = p - c;
        float distance = away.Mag();
        if (distance == 0.0f) {
            return 0;
        }
        normal = away * (1.0f / distance);
        depth = radius - distance - normal.Dot(v);
        if (depth < 0.0f) {
            return 0;
        }
        contact = c + v;
    }
    contact += CentroidOffset;
    contact.Transform(matrix);
    Vector3 worldNormal = phRotateToWorld(normal, matrix);
    impacts[0].SetAll(colliderA, colliderB, contact, worldNormal, depth, sphere, this, kind, 0,
                      index);
    return 1;
}
