#include "phbound/boundpolygonal.h"

#include <cfloat>
#include <cmath>

#include "data/assert.h"
#include "phbound/spheretests.h"
#include "phcore/isect.h"
#include "phcore/poly.h"

namespace {

// Parameters of hits run from 0 to 1; these lie beyond both ends.
const float NoNearHit = 2.0f;
const float NoFarHit = -1.0f;

void TakeHit(phIsect& record, const phIsect& hit, int index, const phPolygon* polygon) {
    record = hit;
    record.PolyIndex = index;
    record.Polygon = polygon;
}

}  // namespace

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
        if (hit.T < bestT || (hit.T == bestT && hit.FrontSide)) {
            TakeHit(isects[0], hit, i, &Polygons[i]);
            bestT = hit.T;
        }
        if (hit.T > worstT || (hit.T == worstT && !hit.FrontSide)) {
            TakeHit(isects[1], hit, i, &Polygons[i]);
            worstT = hit.T;
        }
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
        Vector3 from = bound.Vertices[i];
        from.Transform(state.Last);
        Vector3 to = bound.Vertices[i];
        to.Transform(state.Current);
        segment.Set(from, to, phSegment::PROBE, 0);
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
        Vector3 a = bound.Vertices[i0];
        a.Transform(state.Current);
        Vector3 b = bound.Vertices[i1];
        b.Transform(state.Current);
        segment.Set(a, b, phSegment::EDGE, 0);
        index = e;
        ++state.Edge;
        return SEGMENT_EDGE;
    }
    return SEGMENT_END;
}
