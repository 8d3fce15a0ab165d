// Pairing the records of two colliding polygonal bounds: the tables are prepared (back-side
// records turned round, the two records of one edge paired), interior edges appended, records
// brought into the world, and the motion and closing times the impact search measures pairs by.
// The edge contacts live in edgepair.cpp, the records' turning into impacts in boundpolygonal.cpp.
#include "phbound/polypair.h"

#include <cfloat>
#include <utility>

#include "phbound/boundpolygonal.h"
#include "phcore/isect.h"
#include "phcore/poly.h"

float phPhysicsRate = 60.0f;

namespace {

// A pair joins when its two parameters leave at most this much of the edge outside.
const float JoinLimit = 1.03f;
// Pairs that meet within this many physics steps count as closing now.
const float StepsToClose = 1.5f;

}  // namespace

void phPrepareIsects(phIsect* isects, int count) {
    for (int i = 0; i < count; ++i) {
        phIsect& record = isects[i];
        record.Flags &= phIsect::SearchMask;
        record.BestTime = FLT_MAX;
        record.BestPartner = -1;
        if (record.InteriorEdge()) {
            record.Flags |= phIsect::Used;
            continue;
        }
        if (!record.FrontSide) {
            std::swap(record.VertexA, record.VertexB);
            std::swap(record.SegStart, record.SegEnd);
            record.T = 1.0f - record.T;
            record.FrontSide = 1;
        }
        if (i == 0) {
            continue;
        }
        phIsect& previous = isects[i - 1];
        if (previous.InteriorEdge() || previous.FeatureIndex != record.FeatureIndex ||
            previous.VertexB != record.VertexA) {
            continue;
        }
        uint16_t mark = previous.T + record.T <= JoinLimit
                            ? uint16_t(phIsect::JoinedPair)
                            : uint16_t(phIsect::OverlapPair | phIsect::EdgeImpact);
        previous.Flags |= mark;
        record.Flags |= mark;
    }
}

bool phIsectIsPaired(const phIsect* isects, int count, int index) {
    if (index + 1 >= count) {
        return false;
    }
    const phIsect& record = isects[index];
    const phIsect& next = isects[index + 1];
    return (record.Flags & (phIsect::JoinedPair | phIsect::OverlapPair)) &&
           next.FeatureIndex == record.FeatureIndex && next.VertexA == record.VertexB;
}

void phPointMotion(const Matrix34& current, const Matrix34& last, const Vector3& point,
                   Vector3& out) {
    Matrix34 inverse;
    inverse.FastInverse(current);
    Vector3 local = point;
    local.Transform(inverse);
    Vector3 before = local;
    before.Transform(last);
    out = point - before;
}

float phProjectPointToFrame(const Vector3& point, const Matrix34& a, const Matrix34& b,
                            const Vector3& axis) {
    Vector3 p = point;
    p.Transform(a);
    p.Transform(b);
    return p.Dot(axis);
}

float phClosingTime() {
    return StepsToClose / phPhysicsRate;
}

float phTimeToContact(float d, float speed) {
    if (d <= 0.0f) {
        return 0.0f;
    }
    if (speed <= 0.0f) {
        return FLT_MAX;
    }
    return d / speed;
}

int phAddInteriorEdges(phPairSide& side, const phPairSide& other, int maxIsects) {
    phBoundPolygonal* bound = static_cast<phBoundPolygonal*>(side.Bound);
    int added = 0;
    for (int h = 0; h < other.Count && side.Count < maxIsects; ++h) {
        const phPolygon* polygon = other.Isects[h].Polygon;
        bool seen = !polygon || other.Isects[h].HitBound != side.Bound;
        for (int k = 0; k < h && !seen; ++k) {
            seen = other.Isects[k].Polygon == polygon;
        }
        if (seen) {
            continue;
        }
        int sides = polygon->NumSides();
        bool inside[4] = {false, false, false, false};
        for (int c = 0; c < sides; ++c) {
            int vertex = polygon->VertexIndex[c];
            bool inner = false;
            bool outer = false;
            for (int r = 0; r < side.Count; ++r) {
                const phIsect& record = side.Isects[r];
                if (record.InteriorEdge()) {
                    continue;
                }
                int innerEnd = record.FrontSide ? record.VertexB : record.VertexA;
                int outerEnd = record.FrontSide ? record.VertexA : record.VertexB;
                inner = inner || innerEnd == vertex;
                outer = outer || outerEnd == vertex;
            }
            inside[c] = inner && !outer;
        }
        int first = -1;
        if (inside[0] && inside[1]) {
            first = 0;
        } else if (inside[0] && inside[sides - 1]) {
            first = sides - 1;
        } else if (inside[1] && inside[2] && (sides == 3 || !inside[3])) {
            first = 1;
        } else if (sides == 4 && inside[2] && inside[3] && !inside[0] && !inside[1]) {
            first = 2;
        }
        if (first < 0) {
            continue;
        }
        int second = (first + 1) % sides;
        phIsect& record = side.Isects[side.Count++];
        record = phIsect();
        record.Position.Zero();
        record.Normal.Set(1.0f, 0.0f, 0.0f);
        record.T = 0.0f;
        record.FrontSide = 0;
        record.PolyIndex = 0;
        record.FeatureIndex = polygon->EdgeIndex[first];
        record.VertexA = polygon->VertexIndex[first];
        record.VertexB = polygon->VertexIndex[second];
        record.SegStart = bound->GetVertex(record.VertexA);
        record.SegEnd = bound->GetVertex(record.VertexB);
        bound->GetEdgeNormal(record.FeatureIndex, record.EdgeNormal);
        record.MovingBound = side.Bound;
        record.Flags = phIsect::InteriorEdgeFlag;
        ++added;
    }
    return added;
}

void phIsectsToWorld(phPairSide& side, const phPairSide& other) {
    for (int i = 0; i < side.Count; ++i) {
        phIsect& record = side.Isects[i];
        // Interior records hold this side's own corners; the others lie in the hit bound's frame.
        const Matrix34& matrix = record.InteriorEdge() ? side.Current : other.Current;
        record.SegStart.Transform(matrix);
        record.SegEnd.Transform(matrix);
        if (record.InteriorEdge()) {
            record.EdgeNormal = phRotateToWorld(record.EdgeNormal, matrix);
            continue;
        }
        record.Position.Transform(matrix);
        record.Normal = phRotateToWorld(record.Normal, matrix);
    }
}

int phCollidePolygonal(phPairSide& a, phPairSide& b, int maxIsects, phImpact* impacts,
                       int maxImpacts) {
    phAddInteriorEdges(a, b, maxIsects);
    phAddInteriorEdges(b, a, maxIsects);
    phIsectsToWorld(a, b);
    phIsectsToWorld(b, a);
    return phFindImpacts(a, b, impacts, maxImpacts);
}
