// The polygonal bound base: its probe, edge and sphere tests and its test segments; and the
// records of a colliding pair turned into impacts: the vertex-on-face impacts, the contact
// point of a level's records and the impact finder that runs the whole search. Pairing the
// records is in polypair.cpp, the edge contacts in edgepair.cpp, the collide itself in
// polycollide.cpp.
#include "phbound/boundpolygonal.h"

#include <cfloat>
#include <cmath>

#include "data/assert.h"
#include "data/printer.h"
#include "phbound/impact.h"
#include "phbound/polypair.h"
#include "phbound/spheretests.h"
#include "phcore/isect.h"
#include "phcore/poly.h"

namespace {

// Parameters of hits run from 0 to 1; these lie beyond both ends.
const float NoNearHit = 2.0f;
const float NoFarHit = -1.0f;

// Times at or below this count as contact now; the least parameter of a hit that may stand
// for a vertex still in play elsewhere.
const float InstantTime = 0.00001f;
const float LeastT = 0.001f;
// The square of the cosine limit beyond which another record runs against or along an impact.
const float RunLimit = 0.258819f;
// Records that sank this far into their segment before T 0.75 entered too early to trust.
const float EarlyHitT = 0.75f;
const float EarlyHitDepth2 = 0.04f;

Vector3 Placed(const Vector3& v, const Matrix34& m) {
    Vector3 p = v;
    p.Transform(m);
    return p;
}

void TakeHit(phIsect& record, const phIsect& hit, int index, const phPolygon* polygon) {
    record = hit;
    record.PolyIndex = index;
    record.Polygon = polygon;
}

// A vertex of one side on a polygon of the other: side B's impact is turned round.
void WriteVertexImpact(const phPairSide& a, const phPairSide& b, const Vector3& position,
                       const phIsect& record, int vertex, bool sideA, phImpactCursor& cursor) {
    phImpact& impact = *cursor.Next;
    if (sideA) {
        impact.SetAll(a.Collider, b.Collider, position, record.Normal, record.Depth, a.Bound,
                      b.Bound, phImpact::A_ON_FACE, vertex, record.PolyIndex);
    } else {
        impact.SetAll(a.Collider, b.Collider, position, record.Normal * -1.0f, record.Depth,
                      a.Bound, b.Bound, phImpact::B_ON_FACE, record.PolyIndex, vertex);
    }
    impact.Margin = phCollisionMargin;
    ++cursor.Next;
    --cursor.Left;
}

}  // namespace

void phKeepEdgeHit(const phIsect& hit, int index, const phPolygon* polygon, phIsect* isects,
                   float& bestT, float& worstT) {
    if (hit.T < bestT || (hit.T == bestT && hit.FrontSide)) {
        TakeHit(isects[0], hit, index, polygon);
        bestT = hit.T;
    }
    if (hit.T > worstT || (hit.T == worstT && !hit.FrontSide)) {
        TakeHit(isects[1], hit, index, polygon);
        worstT = hit.T;
    }
}

void phExtendSegment(Vector3& p, const Vector3& c, float margin) {
    Vector3 span = p - c;
    float length2 = span.Mag2();
    if (margin * margin >= length2) {
        p = p + span;
        return;
    }
    float length = std::sqrt(length2);
    p = c + span * (1.0f + 1.5f * margin / length);
}

void phExtendSegmentByMargin(phSegment& segment) {
    phExtendSegment(segment.Start, segment.End, phCollisionMargin);
    segment.Update();
}

int phBoundPolygonal::RemoveCentroidOffset() {
    for (int i = 0; i < NumVertices; ++i) {
        Vertices[i] -= CentroidOffset;
    }
    phBound::RemoveCentroidOffset();
    return 0;
}

const Vector3& phBoundPolygonal::GetVertex(int index) {
    return Vertices[index];
}

Vector3 phBoundPolygonal::GetWorldEdgeNormal(int edge, const Matrix34& matrix) {
    Vector3 normal;
    GetEdgeNormal(edge, normal);
    return phRotateToWorld(normal, matrix);
}

bool phBoundPolygonal::TestProbePoint(phSegment& segment, phIsect* isect, float tLimit) {
    isect->T = tLimit;
    bool hit = false;
    for (int i = 0; i < NumPolygons; ++i) {
        if (Polygons[i].TestSegmentFront(Vertices, segment, *isect, isect->T)) {
            hit = true;
        }
    }
    return hit;
}

bool phBoundPolygonal::TestProbeSegment(phSegment& segment, phIsect* isect, float tLimit) {
    isect->T = tLimit;
    bool hit = false;
    for (int i = NumPolygons - 1; i >= 0; --i) {
        if (Polygons[i].TestSegmentFront(Vertices, segment, *isect, isect->T)) {
            isect->PolyIndex = i;
            isect->Polygon = &Polygons[i];
            hit = true;
        }
    }
    return hit;
}

bool phBoundPolygonal::TestAIPoint(phSegment& segment, phIsect* isect) {
    isect->T = NoNearHit;
    for (int i = 0; i < NumPolygons; ++i) {
        if (Polygons[i].TestSegment(Vertices, segment, *isect, isect->T, NoNearHit)) {
            return true;
        }
    }
    return false;
}

int phBoundPolygonal::TestEdgeSegment(phSegment& segment, phIsect* isects, int maxIsects) {
    int maxi = maxIsects;
    Assert(maxi>=2);
    float bestT = NoNearHit;
    float worstT = NoFarHit;
    int hits = 0;
    for (int i = NumPolygons - 1; i >= 0; --i) {
        phIsect hit;
        if (!Polygons[i].TestSegment(Vertices, segment, hit, bestT, worstT)) {
            continue;
        }
        ++hits;
        phKeepEdgeHit(hit, i, &Polygons[i], isects, bestT, worstT);
    }
    return hits < 2 ? hits : 2;
}

bool phBoundPolygonal::TestSphere(const Vector3& centre, float radius, Vector3* position,
                                  Vector3* normal, float* depth) {
    return phSphereHitsPolygons(centre, radius, *this, *position, *normal, *depth);
}

float phBoundPolygonal::GetSupport(const Vector3& direction, const Matrix34& matrix,
                                   Vector3& localDirection) {
    localDirection.Set(direction.Dot(matrix.a), direction.Dot(matrix.b), direction.Dot(matrix.c));
    float most = -FLT_MAX;
    for (int i = NumVertices - 1; i >= 0; --i) {
        float projection = GetVertex(i).Dot(localDirection);
        if (projection > most) {
            most = projection;
        }
    }
    return most + direction.Dot(matrix.d);
}

float phBoundPolygonal::GetSupportMin(const Vector3& direction, const Matrix34& matrix,
                                      Vector3& localDirection) {
    float least = -GetSupport(direction * -1.0f, matrix, localDirection);
    localDirection.Negate();
    return least;
}

void phBoundPolygonal::BeginSegments(bool vertexPaths, const Matrix34& current,
                                     const Matrix34& last, phSegmentState& state) const {
    state.Bound = this;
    state.Current = current;
    state.Last = last;
    state.Vertex = vertexPaths ? 0 : NumVertices;
    state.Edge = 0;
}

int phBoundPolygonal::NextSegment(phSegment& segment, int& index, phSegmentState& state) {
    const phBoundPolygonal& bound = *state.Bound;
    for (; state.Vertex < bound.NumVertices; ++state.Vertex) {
        int i = state.Vertex;
        if (state.Far && state.Far[i]) {
            continue;
        }
        segment.Set(Placed(bound.Vertices[i], state.Last),
                    Placed(bound.Vertices[i], state.Current), phSegment::PROBE, 0);
        phExtendSegmentByMargin(segment);
        index = i;
        ++state.Vertex;
        return SEGMENT_VERTEX;
    }
    for (; state.Edge < bound.NumEdges; ++state.Edge) {
        int e = state.Edge;
        int i0 = bound.Edges[e][0];
        int i1 = bound.Edges[e][1];
        if (state.Far && state.Far[i0] && state.Far[i1]) {
            continue;
        }
        segment.Set(Placed(bound.Vertices[i0], state.Current),
                    Placed(bound.Vertices[i1], state.Current), phSegment::EDGE, 0);
        index = e;
        ++state.Edge;
        return SEGMENT_EDGE;
    }
    return SEGMENT_END;
}

void phAdvanceIsect(int& index, phIsect*& isect, bool paired) {
    if (paired) {
        phIsect* XiPnext = isect + 1;
        Assert(!XiPnext->InteriorEdge());
        ++index;
        ++isect;
    }
    ++index;
    ++isect;
}

namespace {

// An edge record that crossed early yet ends deep inside stands for the far end of a long edge,
// not a point where the bounds overlap.
bool EarlyDeepHit(const phIsect& isect) {
    return !(isect.Flags & phIsect::EarlyExempt) && isect.T <= EarlyHitT &&
           isect.Depth * isect.Depth >= EarlyHitDepth2 * (isect.SegEnd - isect.SegStart).Mag2();
}

// An edge record's impact vertex is the end of the edge, Depth behind the face it entered.
// That end must lie where the two bounds overlap: brought back to the face's plane it lies on
// the hit bound (its box through the current matrix, grown by the pair's margin), and a hit
// bound that reaches behind the face (a solid) holds the end itself too. A bound that reaches
// no further than the margin behind the face is a surface and holds whatever lies behind it.
// The far end of a long edge that passed through a body fails one or the other. A vertex
// path's end is the moving vertex itself and may lie past a thin bound it crossed. A terrain
// or a level is ground: its box spans ground of many heights and says nothing of one face.
bool BeyondTheOverlap(const phIsect& isect, const phPairSide& hit) {
    if ((isect.Flags & phIsect::VertexPath) || !hit.Bound) {
        return false;
    }
    int type = hit.Bound->Type;
    if (type == phBound::TERRAIN || type == phBound::TERRAIN_ALT || type == phBound::LEVEL) {
        return false;
    }
    const Matrix34& m = hit.Current;
    const Vector3& low = hit.Bound->BoxMin;
    const Vector3& high = hit.Bound->BoxMax;
    const float margin = phCollisionMargin;
    auto outside = [&](const Vector3& local) {
        return local.x < low.x - margin || local.x > high.x + margin ||
               local.y < low.y - margin || local.y > high.y + margin ||
               local.z < low.z - margin || local.z > high.z + margin;
    };
    Vector3 end = phRotateToLocal(isect.SegEnd - m.d, m);
    Vector3 n = phRotateToLocal(isect.Normal, m);
    Vector3 onFace = end + n * isect.Depth;
    if (outside(onFace)) {
        return true;
    }
    float nearest = std::fmin(low.x * n.x, high.x * n.x) + std::fmin(low.y * n.y, high.y * n.y) +
                    std::fmin(low.z * n.z, high.z * n.z);
    bool surface = onFace.Dot(n) - nearest <= margin;
    return !surface && outside(end);
}

}  // namespace

void phIsectsToImpacts(const phPairSide& a, const phPairSide& b, int vertex, phIsect* isects,
                       int count, phImpactCursor& cursor, bool sideA) {
    int impactsLeft = cursor.Left;
    Assert(impactsLeft > 0);
    const phPairSide& moving = sideA ? a : b;
    const phPairSide& hit = sideA ? b : a;
    float k = phClosingTime();

    int first = -1;
    bool inPlay = false;
    for (int i = 0; i < count; ++i) {
        const phIsect& record = isects[i];
        if (record.InteriorEdge()) {
            continue;
        }
        inPlay = inPlay || (record.VertexA == vertex && !(record.Flags & phIsect::EdgeImpact)) ||
                 (record.VertexB == vertex && (record.Flags & phIsect::JoinedPair));
        if (record.VertexB == vertex && first < 0) {
            first = i;
        }
    }
    if (first < 0) {
        return;
    }
    Vector3 at = isects[first].SegEnd;
    Vector3 motionHit;
    Vector3 motionMoving;
    phPointMotion(hit.Current, hit.Last, at, motionHit);
    phPointMotion(moving.Current, moving.Last, at, motionMoving);
    Vector3 vRel = (motionHit - motionMoving) * phPhysicsRate;

    int chosen = -1;
    int runnerUp = -1;
    float bestTime = FLT_MAX;
    for (int i = first; i < count; ++i) {
        phIsect& record = isects[i];
        if (record.InteriorEdge() || record.VertexB != vertex) {
            continue;
        }
        record.Flags |= phIsect::Used;
        record.BestTime = phTimeToContact(record.Depth - phCollisionMargin,
                                          vRel.Dot(record.Normal));
        if (record.BestTime < k) {
            record.Flags |= phIsect::EarlyExempt;
        }
        if (chosen >= 0 && (isects[chosen].Flags & phIsect::VertexPath)) {
            continue;
        }
        bool take = (record.Flags & phIsect::VertexPath) ||
                    ((record.Flags & phIsect::EarlyExempt) && record.BestTime < bestTime) ||
                    (bestTime > k && (chosen < 0 || record.Depth < isects[chosen].Depth) &&
                     record.T > LeastT && !inPlay);
        if (take) {
            runnerUp = chosen;
            chosen = i;
            bestTime = record.BestTime < bestTime ? record.BestTime : bestTime;
        }
    }
    if (chosen < 0) {
        return;
    }
    const phIsect& record = isects[chosen];
    bool vertexPath = (record.Flags & phIsect::VertexPath) != 0;
    bool exempt = (record.Flags & phIsect::EarlyExempt) != 0;
    bool forbids = exempt ? (record.Flags & phIsect::EdgeImpact) != 0
                          : !vertexPath && record.BestTime <= InstantTime;
    if ((inPlay && forbids) || (!vertexPath && EarlyDeepHit(record)) ||
        BeyondTheOverlap(record, hit)) {
        return;
    }
    Vector3 position = exempt && (record.BestTime > InstantTime || vertexPath)
                           ? record.SegEnd + vRel * (0.5f * record.BestTime)
                           : record.SegEnd + record.Normal * (0.5f * record.Depth);

    for (int i = first; i < count; ++i) {
        phIsect& other = isects[i];
        if (i == chosen || other.InteriorEdge() || other.VertexB != vertex) {
            continue;
        }
        if (other.Polygon == record.Polygon) {
            other.Flags |= phIsect::OverlapPair;
            continue;
        }
        Vector3 segment = other.SegEnd - other.SegStart;
        float along = segment.Dot(record.Normal);
        if (along * along <= RunLimit * segment.Mag2()) {
            continue;
        }
        if (along < 0.0f) {
            other.Flags |= phIsect::OverlapPair;
        } else if (runnerUp >= 0) {
            isects[runnerUp].Flags |= phIsect::Candidate;
        }
    }

    WriteVertexImpact(a, b, position, record, vertex, sideA, cursor);
}

void phIsectToImpact(const phPairSide& a, const phPairSide& b, const phIsect& isect,
                     phImpactCursor& cursor, bool sideA) {
    if (EarlyDeepHit(isect) || BeyondTheOverlap(isect, sideA ? b : a)) {
        return;
    }
    WriteVertexImpact(a, b, isect.SegEnd + isect.Normal * (0.5f * isect.Depth), isect,
                      isect.VertexB, sideA, cursor);
}

bool phIsectComputeContact(phIsect& isect) {
    if (!isect.Polygon || !isect.HitBound) {
        return false;
    }
    const Vector3& corner = isect.HitBound->GetVertex(isect.Polygon->VertexIndex[0]);
    float d0 = (isect.SegStart - corner).Dot(isect.Polygon->Normal);
    float d1 = (isect.SegEnd - corner).Dot(isect.Polygon->Normal);
    if (d0 == d1) {
        return false;
    }
    isect.T = d0 / (d0 - d1);
    isect.SetPosition(isect.T, isect.SegStart, isect.SegEnd);
    return true;
}

namespace {

bool HasEdgeRecords(const phPairSide& side) {
    for (int i = 0; i < side.Count; ++i) {
        if (!(side.Isects[i].Flags & phIsect::VertexPath)) {
            return true;
        }
    }
    return false;
}

void VertexImpacts(const phPairSide& a, const phPairSide& b, const phPairSide& side, bool sideA,
                   phImpactCursor& cursor) {
    uint16_t skip = sideA ? uint16_t(phIsect::Used)
                          : uint16_t(phIsect::Used | phIsect::JoinedPair);
    for (int i = 0; i < side.Count && cursor.Left > 0; ++i) {
        if (!(side.Isects[i].Flags & skip)) {
            phIsectsToImpacts(a, b, side.Isects[i].VertexB, side.Isects, side.Count, cursor,
                              sideA);
        }
    }
}

void CandidateImpacts(const phPairSide& a, const phPairSide& b, const phPairSide& side,
                      bool sideA, phImpactCursor& cursor) {
    for (int i = 0; i < side.Count && cursor.Left > 0; ++i) {
        const phIsect& record = side.Isects[i];
        if ((record.Flags & phIsect::Candidate) &&
            !(record.Flags & (phIsect::OverlapPair | phIsect::EdgeImpact))) {
            phIsectToImpact(a, b, record, cursor, sideA);
        }
    }
}

}  // namespace

int phFindImpacts(phPairSide& a, phPairSide& b, phImpact* impacts, int maxImpacts) {
    phPrepareIsects(a.Isects, a.Count);
    phPrepareIsects(b.Isects, b.Count);
    phImpactCursor cursor;
    cursor.Next = impacts;
    cursor.Left = maxImpacts;
    VertexImpacts(a, b, a, true, cursor);
    VertexImpacts(a, b, b, false, cursor);
    bool edgesA = HasEdgeRecords(a);
    bool edgesB = HasEdgeRecords(b);
    if (edgesA && edgesB) {
        phEdgeEdgeImpacts(a, b, cursor);
    } else if (edgesA) {
        phEdgeContactImpacts(a, a, b, true, cursor);
    } else if (edgesB) {
        phEdgeContactImpacts(b, a, b, false, cursor);
    }
    CandidateImpacts(a, b, a, true, cursor);
    CandidateImpacts(a, b, b, false, cursor);
    if (cursor.Left <= 0) {
        PrintMessage("FindImpacts: Completely filled intersection table!");
    }
    int count = maxImpacts - cursor.Left;
    // A terrain's impacts carry the material of the terrain polygon they touch.
    if (a.Bound && (a.Bound->Type == phBound::TERRAIN || a.Bound->Type == phBound::TERRAIN_ALT)) {
        const phBoundPolygonal* terrain = static_cast<const phBoundPolygonal*>(a.Bound);
        for (int i = 0; i < count; ++i) {
            phImpact& impact = impacts[i];
            int material = impact.Type == phImpact::B_ON_FACE
                               ? terrain->Polygons[impact.FeatureA].MaterialIndex
                               : 0;
            if (impact.ColliderB == b.Collider) {
                impact.ComponentB = material;
            } else {
                impact.ComponentA = material;
            }
        }
    }
    return count;
}
