// The capsule's collisions: against a sphere, another capsule and a polygonal bound.
#include "phbound/boundhotdog.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "phbound/boundpolygonal.h"
#include "phbound/impact.h"
#include "phbound/spheretests.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"
#include "vector/geometry.h"

namespace {

// Axes closer to parallel than this (0.035 squared, on the squared sine) overlap.
const float ParallelSine2 = 0.001225f;
const int MaxAxisIsects = 16;
// Closer than this, two points give no direction between them.
const float MeetDistance = 1e-6f;
// Rounding room at the rim of an edge's range of normals.
const float EdgeConeSlack = 1e-3f;

Vector3 IntoFrame(const Vector3& point, const Matrix34& m) {
    return phRotateToLocal(point - m.d, m);
}

int PartAt(float s) {
    return s <= 0.0f ? phBoundHotdog::LOWER_CAP : s >= 1.0f ? phBoundHotdog::UPPER_CAP
                                                             : phBoundHotdog::SIDE;
}

// A unit vector from b towards a; when they (all but) meet, the fallback.
Vector3 Direction(const Vector3& a, const Vector3& b, const Vector3& fallback) {
    Vector3 d = a - b;
    float length = d.Mag();
    return length > MeetDistance ? d * (1.0f / length) : fallback;
}

}  // namespace

int phBoundHotdog::CollideSphere(phBound* sphere, float sphereRadius, const Matrix34& matrix,
                                 const Vector3& offset, phColliderBase* colliderA,
                                 phColliderBase* colliderB, phImpact* impacts) {
    Vector3 c = phRotateToLocal(offset, matrix);
    float h = 0.5f * Length;
    int part = c.y > h ? UPPER_CAP : c.y < -h ? LOWER_CAP : SIDE;
    float axisY = part == UPPER_CAP ? h : part == LOWER_CAP ? -h : c.y;
    Vector3 d = c - Vector3(0.0f, axisY, 0.0f);
    float reach = sphereRadius + Radius;
    if (d.Mag2() > reach * reach) {
        return 0;
    }
    float distance = d.Mag();
    // A centre on the axis gives no direction: push it out along the capsule's x axis.
    Vector3 n = distance > 0.0f ? phRotateToWorld(d * (1.0f / distance), matrix) : matrix.a;
    float depth = reach - distance;
    Vector3 contact = matrix.d + matrix.b * axisY + n * (Radius - 0.5f * depth);
    impacts[0].SetAll(colliderA, colliderB, contact, n, depth, sphere, this, phImpact::A_ON_FACE,
                      0, part);
    return 1;
}

int phBoundHotdog::CollideHotdog(phBoundHotdog* other, const Matrix34& matrix,
                                 const Matrix34& otherMatrix, phColliderBase* colliderA,
                                 phColliderBase* colliderB, phImpact* impacts, int maxImpacts) {
    if (maxImpacts < 1) {
        return 0;
    }
    Vector3 a = matrix.b * Length;
    Vector3 pA = matrix.d - matrix.b * (0.5f * Length);
    Vector3 b = otherMatrix.b * other->Length;
    Vector3 pB = otherMatrix.d - otherMatrix.b * (0.5f * other->Length);
    float sA = 0.0f, sB = 0.0f;
    geomSegmentSegment(pA, a, pB, b, sA, sB);
    Vector3 qA = pA + a * sA, qB = pB + b * sB;
    float reach = Radius + other->Radius;
    float depth = reach - qA.Dist(qB);
    if (depth < 0.0f) {
        return 0;
    }
    Vector3 across;
    across.Cross(a, b);
    bool parallel = across.Mag2() < ParallelSine2 * a.Mag2() * b.Mag2();
    // Crossing axes give no direction between the closest points: use their common normal.
    across.Normalize();
    Vector3 n = Direction(qA, qB, across.IsZero() ? matrix.a : across);
    // Side by side, the closest parameters are not unique: the overlap of the two axes along
    // A's decides whether they lie beside each other or end to end.
    float a2 = a.Mag2();
    float u0 = a2 > 0.0f ? (pB - pA).Dot(a) / a2 : 0.0f;
    float u1 = a2 > 0.0f ? (pB + b - pA).Dot(a) / a2 : 0.0f;
    if (u0 > u1) {
        std::swap(u0, u1);
    }
    const float ends[2] = {std::max(u0, 0.0f), std::min(u1, 1.0f)};
    if (parallel && ends[1] > ends[0]) {
        // Side by side: the two ends of the overlap along A's axis carry the contact; an end
        // that a slight tilt has taken out of reach carries none.
        int count = 0;
        for (int i = 0; i < 2 && count < maxImpacts; ++i) {
            Vector3 onA = pA + a * ends[i];
            float s = geomSegmentParam(pB, b, onA);
            Vector3 onB = pB + b * s;
            float endDepth = reach - onA.Dist(onB);
            if (!(endDepth > 0.0f)) {
                continue;
            }
            Vector3 endNormal = Direction(onA, onB, n);
            impacts[count++].SetAll(colliderA, colliderB,
                                    onA - endNormal * (Radius - 0.5f * endDepth), endNormal,
                                    endDepth, this, other, phImpact::EDGE_EDGE, PartAt(ends[i]),
                                    PartAt(s));
        }
        if (count > 0) {
            return count;
        }
    }
    impacts[0].SetAll(colliderA, colliderB, qA - n * (Radius - 0.5f * depth), n, depth, this,
                      other, phImpact::EDGE_EDGE, PartAt(sA), PartAt(sB));
    return 1;
}

int phBoundHotdog::CollidePolygonal(phBoundPolygonal* other, const Matrix34& matrix,
                                    const Matrix34& otherMatrix, const Vector3& direction,
                                    phColliderBase* colliderA, phColliderBase* colliderB,
                                    phImpact* impacts, int maxImpacts) {
    return CollidePolygonalOver(other, matrix, otherMatrix, direction, colliderA, colliderB,
                                impacts, maxImpacts, nullptr, Vector3(0.0f, 0.0f, 0.0f));
}

int phBoundHotdog::CollidePolygonalOver(phBoundPolygonal* other, const Matrix34& matrix,
                                        const Matrix34& otherMatrix, const Vector3& direction,
                                        phColliderBase* colliderA, phColliderBase* colliderB,
                                        phImpact* impacts, int maxImpacts,
                                        const std::vector<int>* polygons,
                                        const Vector3& motion) {
    float h = 0.5f * Length;
    // Cap centres in the polygonal bound's frame.
    const Vector3 caps[2] = {IntoFrame(matrix.d - matrix.b * h, otherMatrix),
                             IntoFrame(matrix.d + matrix.b * h, otherMatrix)};
    // Contacts are gathered first and listed deepest first, so that a shallow contact of a
    // neighbouring polygon never stands in for the deep one it lies beside.
    struct Candidate {
        int Kind, Feature, Part;
        float Depth;
        Vector3 Normal, Point;
    };
    std::vector<Candidate> candidates;
    // Whether an edge's range of normals (between its faces') holds the normal: a flat or
    // concave edge is touched through its faces instead.
    auto edgeTakes = [&](int edge, const Vector3& normal) {
        Vector3 edgeNormal;
        other->GetEdgeNormal(edge, edgeNormal);
        float angle = other->GetEdgeAngle(edge);
        return angle < 0.0f || normal.Dot(edgeNormal) >= angle - EdgeConeSlack;
    };
    // The axis from one end through a polygon: the side is pushed out along the face normal
    // from the far end's deepest point.
    auto throughFace = [&](int polygon, const Vector3& from, const Vector3& to) {
        const phPolygon& face = other->Polygons[polygon];
        phSegment axis;
        axis.Set(from, to, phSegment::PROBE, 0);
        phIsect crossing;
        if (!face.TestSegmentFront(other->Vertices, axis, crossing, 2.0f)) {
            return;
        }
        Vector3 deepest = to - face.Normal * Radius;
        float depth = (crossing.Position - deepest).Dot(face.Normal);
        candidates.push_back({phImpact::FACE, polygon, SIDE, depth, face.Normal,
                              deepest + face.Normal * (0.5f * depth)});
    };

    // Without a list: every polygon and every edge, including edges of no polygon.
    std::vector<int> all;
    std::vector<int> edges;
    if (!polygons) {
        all.resize(size_t(other->NumPolygons));
        for (int i = 0; i < other->NumPolygons; ++i) {
            all[size_t(i)] = i;
        }
        for (int e = 0; e < other->NumEdges; ++e) {
            edges.push_back(e);
        }
    }
    const bool listed = polygons != nullptr;
    if (!listed) {
        polygons = &all;
    }
    // The centre's path over the step: a capsule that passed through a face this frame is
    // pushed back out of it.
    const Vector3 centre = IntoFrame(matrix.d, otherMatrix);
    const Vector3 localMotion = phRotateToLocal(motion, otherMatrix);
    for (int i : *polygons) {
        const phPolygon& face = other->Polygons[i];
        for (int k = 0; listed && k < face.NumSides(); ++k) {
            edges.push_back(face.EdgeIndex[k]);
        }
        if (localMotion.Dot(face.Normal) < 0.0f) {
            throughFace(i, centre - localMotion, centre);
        }
        for (int cap = 0; cap < 2; ++cap) {
            Candidate c{0, 0, cap, 0.0f, Vector3(), Vector3()};
            c.Kind = phSpherePolygon(caps[cap], Radius, *other, i, c.Point, c.Normal, c.Depth,
                                     c.Feature);
            if (c.Kind == 3) {
                Vector3 axis = caps[cap] - caps[1 - cap];
                if (Length > 0.0f && axis.Dot(other->Polygons[i].Normal) < 0.0f) {
                    throughFace(i, caps[1 - cap], caps[cap]);
                }
                continue;
            }
            if (c.Kind != phImpact::VERTEX && (caps[cap] - c.Point).Dot(c.Normal) < 0.0f) {
                continue;
            }
            if (c.Kind == phImpact::EDGE && !edgeTakes(c.Feature, c.Normal)) {
                continue;
            }
            candidates.push_back(c);
        }
    }

    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    for (int e : edges) {
        const Vector3& from = other->GetVertex(other->Edges[e][0]);
        const Vector3& to = other->GetVertex(other->Edges[e][1]);
        int end = 0;
        Vector3 normal, point;
        float depth = 0.0f;
        if (geomCapsulePolygon(caps[0], caps[1], from, to, Radius, end, normal, depth, point) ==
            3) {
            continue;
        }
        // From the edge towards the axis.
        Vector3 onEdge = from + (to - from) * geomSegmentParam(from, to - from, point);
        if ((point - onEdge).Dot(normal) < 0.0f) {
            normal.Negate();
        }
        if (!edgeTakes(e, normal)) {
            continue;
        }
        int kind = end == 0 ? phImpact::EDGE : phImpact::VERTEX;
        int feature = end == 0 ? e : other->Edges[e][end == 1 ? 0 : 1];
        candidates.push_back(
            {kind, feature, SIDE, depth, normal, point - normal * (Radius - 0.5f * depth)});
    }

    if (Length > 0.0f) {
        phSegment axis;
        axis.Set(caps[0], caps[1], phSegment::EDGE, 0);
        phIsect crossings[MaxAxisIsects];
        int crossed = other->TestEdgeSegment(axis, crossings, MaxAxisIsects);
        for (int i = 0; i < crossed; ++i) {
            int polygon = crossings[i].PolyIndex;
            if (polygon < 0) {
                continue;
            }
            // The end behind the face is the one to push out.
            bool upperBehind = (caps[1] - caps[0]).Dot(other->Polygons[polygon].Normal) < 0.0f;
            throughFace(polygon, caps[upperBehind ? 0 : 1], caps[upperBehind ? 1 : 0]);
        }
    }

    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.Depth > b.Depth; });
    int count = 0;
    for (const Candidate& c : candidates) {
        if (count >= maxImpacts) {
            break;
        }
        phImpact& impact = impacts[count];
        impact.Set(c.Depth, c.Normal, c.Point, colliderA, colliderB, &otherMatrix, c.Part, -1, -1);
        impact.SetFeature(c.Kind, c.Feature, this, other, c.Part);
        // One impact per feature and capsule part: a capsule lying on a face rests on both
        // caps, and the merge along the axis keeps the two ends apart.
        bool known = false;
        for (int i = 0; i < count && !known; ++i) {
            known = impacts[i].FeatureB == c.Feature && impacts[i].Type == impact.Type &&
                    impacts[i].FeatureA == c.Part;
        }
        if (!known && (count == 0 || phMergeImpactAlongAxis(impacts, count, matrix.d, matrix.b))) {
            ++count;
        }
    }
    if (count > 1) {
        phReduceImpacts(impacts, count, direction);
    }
    return count;
}
