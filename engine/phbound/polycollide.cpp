#include <vector>

#include "phbound/boundpolygonal.h"
#include "phbound/impact.h"
#include "phbound/spheretests.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "vector/vector4.h"

namespace {

enum { NearVertex = 0, FarVertex = 1, FarEdgeEnd = 2 };

const uint16_t NoPolygon = 0xFFFF;
const float NoNearHit = 2.0f;
const float NoFarHit = -1.0f;
// A vertex path starting this many margins behind a face is moved back before it is tested.
const float BackExtension = 1.5f;

struct VertexCandidate {
    int Vertex;
    uint16_t Polygon;
    float T;
    float Depth;
    Vector3 Previous;
};

struct EdgeCandidate {
    int Edge;
    uint16_t Nearest;
    uint16_t Farthest;
    float NearT;
    float FarT;
    float NearDepth;  // positive: entered from the front
    float FarDepth;
};

// The working arrays of one collide call; each call owns its own, so calls nest safely.
struct Scratch {
    std::vector<uint8_t> Flags;
    std::vector<Vector3> Positions;
    std::vector<float> Distances;
    std::vector<VertexCandidate> Paths;
    std::vector<EdgeCandidate> Edges;
};

Vector4 Point4(const Vector3& v) {
    return Vector4(v.x, v.y, v.z, 1.0f);
}

// Marks the vertices whose projection on the local direction stays below the threshold.
void MarkFarVertices(const phBoundPolygonal& bound, const Vector3& localDirection,
                     float threshold, std::vector<uint8_t>& flags) {
    flags.assign(bound.NumVertices, NearVertex);
    for (int i = 0; i < bound.NumVertices; ++i) {
        if (bound.Vertices[i].Dot(localDirection) < threshold) {
            flags[i] = FarVertex;
        }
    }
}

// The record every polygonal collision writes for a hit of one of A's features.
void FillRecord(phIsect& record, float t, float depth, const Vector3& start, const Vector3& end,
                const phBoundPolygonal& other, int polygon, phBound* moving) {
    record = phIsect();
    record.SetPosition(t, start, end);
    record.T = t;
    record.FrontSide = depth > 0.0f ? 1 : 0;
    record.Depth = depth > 0.0f ? depth : -depth;
    record.SegStart = start;
    record.SegEnd = end;
    record.PolyIndex = polygon;
    record.Polygon = &other.Polygons[polygon];
    record.MaterialIndex = other.Polygons[polygon].MaterialIndex;
    record.Normal = other.Polygons[polygon].Normal;
    record.MovingBound = moving;
    record.HitBound = const_cast<phBoundPolygonal*>(&other);
}

void SetVertexFeature(phIsect& record, int vertex) {
    record.FeatureIndex = vertex;
    record.VertexA = -1;
    record.VertexB = vertex;
    record.Flags = phIsect::VertexPath;
}

void SetEdgeFeature(phIsect& record, phBoundPolygonal& bound, int edge, const Matrix34& matrix) {
    record.FeatureIndex = edge;
    record.VertexA = bound.Edges[edge][0];
    record.VertexB = bound.Edges[edge][1];
    record.Flags = 0;
    record.EdgeNormal = bound.GetWorldEdgeNormal(edge, matrix);
}

// The vertex path's step against one polygon; the previous point may be moved back.
void TestVertexPath(VertexCandidate& path, float d, const phPolygon& polygon,
                    const Vector3* vertices, const Vector3& current, int index) {
    const Vector3& corner = vertices[polygon.VertexIndex[0]];
    float dp = (path.Previous - corner).Dot(polygon.Normal);
    if (!(dp > 0.0f)) {
        if (!(dp > -BackExtension * phCollisionMargin)) {
            return;
        }
        phExtendSegment(path.Previous, current, phCollisionMargin);
        dp = (path.Previous - corner).Dot(polygon.Normal);
        // Doubling a path that ends twice as deep as it starts lands the start on the plane.
        if (dp < 0.0f) {
            return;
        }
    }
    float t = dp / (dp - d);
    if (t < path.T && polygon.IntersectSegmentFront(vertices, path.Previous, current)) {
        path.Polygon = uint16_t(index);
        path.T = t;
        path.Depth = -d;
    }
}

void TestEdge(EdgeCandidate& edge, float da, float db, const Vector3& a, const Vector3& b,
              const phPolygon& polygon, const Vector3* vertices, int index) {
    if (std::signbit(da) == std::signbit(db) || da == db) {
        return;
    }
    float t = da / (da - db);
    if (!(t > edge.FarT || t < edge.NearT) ||
        !polygon.IntersectSegment(vertices, Point4(a), Point4(b))) {
        return;
    }
    float depth = da <= 0.0f ? da : -db;
    if (t <= edge.NearT && (da > 0.0f || t < edge.NearT)) {
        edge.Nearest = uint16_t(index);
        edge.NearT = t;
        edge.NearDepth = depth;
    }
    if (t >= edge.FarT && (da < 0.0f || t > edge.FarT)) {
        edge.Farthest = uint16_t(index);
        edge.FarT = t;
        edge.FarDepth = depth;
    }
}

}  // namespace

int phBoundPolygonal::Collide(phBoundPolygonal* other, const Matrix34& matrix,
                              const Matrix34& last, const Matrix34& otherMatrix,
                              const Matrix34& otherLast, bool vertexPaths, phIsect* isectsA,
                              int& countA, phIsect* isectsB, int& countB, int maxIsects,
                              const Vector3& direction) {
    Vector3 localA;
    Vector3 localB;
    float maxA = GetSupport(direction, matrix, localA);
    float minB = other->GetSupportMin(direction, otherMatrix, localB);
    countA = 0;
    countB = 0;
    if (maxA < minB) {
        return 0;
    }
    CollidePolys(other, matrix, otherMatrix, last, otherLast, isectsA, maxIsects, countA,
                 minB - direction.Dot(matrix.d), direction, vertexPaths);
    other->CollidePolys(this, otherMatrix, matrix, otherLast, last, isectsB, maxIsects, countB,
                        direction.Dot(otherMatrix.d) - maxA, direction * -1.0f, vertexPaths);
    return countA + countB;
}

int phBoundPolygonal::CollidePolys(phBoundPolygonal* other, const Matrix34& matrix,
                                   const Matrix34& otherMatrix, const Matrix34& last,
                                   const Matrix34& otherLast, phIsect* isects, int maxIsects,
                                   int& count, float threshold, const Vector3& direction,
                                   bool vertexPaths) {
    return CollidePolysOver(other, matrix, otherMatrix, last, otherLast, isects, maxIsects, count,
                            threshold, direction, vertexPaths, nullptr, true);
}

int phBoundPolygonal::CollidePolysOver(phBoundPolygonal* other, const Matrix34& matrix,
                                       const Matrix34& otherMatrix, const Matrix34& last,
                                       const Matrix34& otherLast, phIsect* isects, int maxIsects,
                                       int& count, float threshold, const Vector3& direction,
                                       bool vertexPaths, const std::vector<int>* polygons,
                                       bool exits) {
    Matrix34 relative;
    relative.DotTranspose(matrix, otherMatrix);
    Matrix34 relativeLast;
    relativeLast.DotTranspose(last, otherLast);
    phCollisionMargin = phBound::SmallerMargin(*this, *other);

    Scratch scratch;
    std::vector<uint8_t>& flags = scratch.Flags;
    std::vector<Vector3>& positions = scratch.Positions;
    MarkFarVertices(*this, phRotateToLocal(direction, matrix), threshold, flags);
    positions.resize(NumVertices);
    for (int i = 0; i < NumVertices; ++i) {
        if (flags[i] == NearVertex) {
            positions[i] = Vertices[i];
            positions[i].Transform(relative);
        }
    }

    // Candidates must come within the other bound's radius about its centroid: its origin may
    // lie far from the centroid that the radius is measured from.
    const Vector3& centroid = other->CentroidOffset;
    float radius2 = other->RadiusAroundCentroid * other->RadiusAroundCentroid;
    scratch.Paths.clear();
    for (int i = vertexPaths ? NumVertices - 1 : -1; i >= 0; --i) {
        if (flags[i] != NearVertex) {
            continue;
        }
        Vector3 previous = Vertices[i];
        previous.Transform(relativeLast);
        if (phSegmentNearPointSq(centroid, radius2, previous, positions[i])) {
            scratch.Paths.push_back({i, NoPolygon, NoNearHit, 0.0f, previous});
        }
    }
    scratch.Edges.clear();
    for (int e = NumEdges - 1; e >= 0; --e) {
        int i0 = Edges[e][0];
        int i1 = Edges[e][1];
        if (flags[i0] == FarVertex && flags[i1] == FarVertex) {
            continue;
        }
        for (int end : {i0, i1}) {
            if (flags[end] == FarVertex) {
                flags[end] = FarEdgeEnd;
                positions[end] = Vertices[end];
                positions[end].Transform(relative);
            }
        }
        if (phSegmentNearPointSq(centroid, radius2, positions[i0], positions[i1])) {
            scratch.Edges.push_back(
                {e, NoPolygon, NoPolygon, NoNearHit, NoFarHit, 0.0f, 0.0f});
        }
    }

    std::vector<float>& distances = scratch.Distances;
    distances.resize(NumVertices);
    const Vector3* otherVertices = other->Vertices;
    const int numPolygons = polygons ? int(polygons->size()) : other->NumPolygons;
    for (int k = numPolygons - 1; k >= 0; --k) {
        const int p = polygons ? (*polygons)[k] : k;
        const phPolygon& polygon = other->Polygons[p];
        const Vector3& corner = otherVertices[polygon.VertexIndex[0]];
        for (int i = 0; i < NumVertices; ++i) {
            if (flags[i] != FarVertex) {
                distances[i] = (positions[i] - corner).Dot(polygon.Normal);
            }
        }
        for (VertexCandidate& path : scratch.Paths) {
            float d = distances[path.Vertex];
            if (d < 0.0f) {
                TestVertexPath(path, d, polygon, otherVertices, positions[path.Vertex], p);
            }
        }
        for (EdgeCandidate& edge : scratch.Edges) {
            int i0 = Edges[edge.Edge][0];
            int i1 = Edges[edge.Edge][1];
            TestEdge(edge, distances[i0], distances[i1], positions[i0], positions[i1], polygon,
                     otherVertices, p);
        }
    }

    count = 0;
    for (const VertexCandidate& path : scratch.Paths) {
        if (path.Polygon == NoPolygon || count >= maxIsects) {
            continue;
        }
        phIsect& record = isects[count++];
        FillRecord(record, path.T, path.Depth, path.Previous, positions[path.Vertex], *other,
                   path.Polygon, this);
        record.FrontSide = 1;
        SetVertexFeature(record, path.Vertex);
    }
    for (const EdgeCandidate& edge : scratch.Edges) {
        int i0 = Edges[edge.Edge][0];
        int i1 = Edges[edge.Edge][1];
        struct Hit {
            uint16_t Polygon;
            float T;
            float Depth;
        };
        const Hit hits[2] = {{edge.Nearest, edge.NearT, edge.NearDepth},
                             {edge.Farthest == edge.Nearest || !exits ? NoPolygon
                                                                      : edge.Farthest,
                              edge.FarT, edge.FarDepth}};
        for (const Hit& hit : hits) {
            if (hit.Polygon == NoPolygon || count >= maxIsects) {
                continue;
            }
            phIsect& record = isects[count++];
            FillRecord(record, hit.T, hit.Depth, positions[i0], positions[i1], *other,
                       hit.Polygon, this);
            SetEdgeFeature(record, *this, edge.Edge, matrix);
        }
    }
    return count;
}

void phBoundPolygonal::CollideSegments(phBound* other, const Matrix34& matrix,
                                       const Matrix34& last, const Matrix34& otherMatrix,
                                       bool vertexPaths, phIsect* isects, int maxIsects,
                                       int& count, float threshold, const Vector3& direction) {
    phCollisionMargin = phBound::SmallerMargin(*this, *other);
    Matrix34 relative;
    relative.DotTranspose(matrix, otherMatrix);
    Matrix34 relativeLast;
    relativeLast.DotTranspose(last, otherMatrix);
    std::vector<uint8_t> flags;
    MarkFarVertices(*this, phRotateToLocal(direction, matrix), threshold, flags);

    phSegmentState state;
    BeginSegments(vertexPaths, relative, relativeLast, state);
    state.Far = flags.data();
    count = 0;
    phSegment segment;
    int index = 0;
    int kind;
    while (count < maxIsects && (kind = NextSegment(segment, index, state)) != SEGMENT_END) {
        phIsect* records = isects + count;
        int hits = other->TestSegment(segment, records, maxIsects - count);
        for (int h = 0; h < hits; ++h) {
            phIsect& record = records[h];
            record.SegStart = segment.Start;
            record.SegEnd = segment.End;
            record.MovingBound = this;
            record.HitBound = other;
            if (kind == SEGMENT_VERTEX) {
                SetVertexFeature(record, index);
            } else {
                SetEdgeFeature(record, *this, index, matrix);
            }
            // Bounds without polygons leave the record's own material.
            if (record.Polygon) {
                record.MaterialIndex = record.Polygon->MaterialIndex;
            }
        }
        count += hits;
    }
}

bool phBoundPolygonal::SphereContact(const Vector3& centre, float radius,
                                     const Vector3& direction, int i, Vector3& point,
                                     Vector3& normal, float& depth, int& kind, int& feature) {
    const phPolygon& polygon = Polygons[i];
    kind = phSpherePolygon(centre, radius, *this, i, point, normal, depth, feature);
    if (kind != 3) {
        return true;
    }
    // The centre may have passed through the polygon during the step.
    if (!(polygon.Normal.Dot(direction * -1.0f) < 0.0f)) {
        return false;
    }
    phSegment probe;
    probe.Set(centre + direction, centre, phSegment::PROBE, 0);
    phIsect hit;
    if (!polygon.TestSegmentFront(Vertices, probe, hit, NoNearHit)) {
        return false;
    }
    Vector3 lowest = centre - polygon.Normal * radius;
    depth = (GetVertex(polygon.VertexIndex[0]) - lowest).Dot(polygon.Normal);
    point = lowest + polygon.Normal * (depth / 2.0f);
    normal = polygon.Normal;
    kind = phImpact::FACE;
    feature = i;
    return true;
}

bool phBoundPolygonal::AddSphereImpact(phBound* sphere, const Vector3& centre, float radius,
                                       const Vector3& direction, int i, const Matrix34& matrix,
                                       phColliderBase* colliderA, phColliderBase* colliderB,
                                       int componentB, phImpact* impacts, int& count) {
    Vector3 point;
    Vector3 normal;
    float depth = 0.0f;
    int kind = 0;
    int feature = 0;
    if (!SphereContact(centre, radius, direction, i, point, normal, depth, kind, feature)) {
        return false;
    }
    phImpact& impact = impacts[count];
    impact.Set(depth, normal, point, colliderA, colliderB, &matrix, 0, -1, componentB);
    if (count > 0 && !phMergeImpact(impacts, count)) {
        return false;
    }
    impacts[count].SetFeature(kind, feature, sphere, this, 0);
    ++count;
    return true;
}

int phBoundPolygonal::CollideSphere(phBound* sphere, const Vector3& centre, float radius,
                                    const Matrix34& matrix, const Vector3& direction,
                                    phColliderBase* colliderA, phColliderBase* colliderB,
                                    phImpact* impacts, int maxImpacts) {
    Vector3 local = phRotateToLocal(centre - matrix.d, matrix);
    Vector3 localDirection = phRotateToLocal(direction, matrix);
    int count = 0;
    for (int i = 0; i < NumPolygons && count < maxImpacts; ++i) {
        AddSphereImpact(sphere, local, radius, localDirection, i, matrix, colliderA, colliderB, -1,
                        impacts, count);
    }
    if (count > 1) {
        phReduceImpacts(impacts, count, direction);
    }
    return count;
}
