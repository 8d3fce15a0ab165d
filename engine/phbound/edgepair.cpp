// Edge contacts of a colliding pair: the closest points of two crossing edges, the best
// partner of every edge record among the other side's edges and the edge-edge impacts they
// give, and, when only one side has edge records, its edges against the sides of the polygons
// they hit.
#include <cfloat>
#include <cmath>

#include "phbound/boundpolygonal.h"
#include "phbound/impact.h"
#include "phbound/polypair.h"
#include "phcore/isect.h"
#include "phcore/poly.h"

namespace {

// Cones are widened by sin 15 degrees and a little more.
const float ConeSlack = 0.258819f + 0.01f;
const float NearSameSide = 0.01f;

Vector3 Cross(const Vector3& a, const Vector3& b) {
    Vector3 c;
    c.Cross(a, b);
    return c;
}

Vector3 Velocity(const phPairSide& side, const Vector3& point) {
    if (!side.Bound) {
        return Vector3(0.0f, 0.0f, 0.0f);
    }
    Vector3 motion;
    phPointMotion(side.Current, side.Last, point, motion);
    return motion * phPhysicsRate;
}

float EdgeAngle(const phPairSide& side, const phIsect& record) {
    return static_cast<phBoundPolygonal*>(side.Bound)->GetEdgeAngle(record.FeatureIndex);
}

// The point on edge p0..p1 where it meets the plane through q with normal m, or the middle
// when it runs along it; false when it does not reach the plane.
bool PointTowards(const Vector3& p0, const Vector3& p1, const Vector3& q, const Vector3& m,
                  Vector3& point) {
    float s0 = m.Dot(p0 - q);
    float s1 = m.Dot(p1 - q);
    if (phSameSideNear(s0, s1)) {
        return false;
    }
    point = s1 == s0 ? (p0 + p1) * 0.5f : (p0 * s1 - p1 * s0) * (1.0f / (s1 - s0));
    return true;
}

// Pairs that do not close within the step are judged by distance alone.
bool ClosesWithinStep(float time) {
    return time < phClosingTime();
}

void ClearCandidate(phIsect& record, bool closes, float distance) {
    if (closes || record.Depth > 0.5f * distance) {
        record.Flags &= uint16_t(~phIsect::Candidate);
    }
}

struct PairTrial {
    int Partner;
    float Time;
    float Distance;
    bool Admissible;
    bool NearParallel;
    bool Closes;
    Vector3 Direction;
    Vector3 Midpoint;
    Vector3 OtherPoint;
};

void OfferPair(phIsect& record, const PairTrial& trial) {
    float e = (trial.OtherPoint - record.Position).Dot(record.Normal);
    bool none = record.BestPartner < 0;
    bool replace;
    if (trial.Closes) {
        replace = none || record.BestOffset < e || trial.Time < record.BestTime ||
                  !(record.Flags & phIsect::Admissible);
    } else {
        float d = trial.Distance;
        if (trial.NearParallel || d > 1.2f * record.Depth || !(trial.Time < record.BestTime)) {
            return;
        }
        replace = none ? e * e + d * d < record.Depth * record.Depth
                       : 4.0f * d * d + e * e < record.BestOffset * record.BestOffset +
                                                    4.0f * record.BestDistance *
                                                        record.BestDistance;
    }
    if (!replace) {
        return;
    }
    record.BestTime = trial.Time;
    record.BestDirection = trial.Direction;
    record.BestDistance = trial.Distance;
    record.Flags = trial.Admissible ? uint16_t(record.Flags | phIsect::Admissible)
                                    : uint16_t(record.Flags & ~phIsect::Admissible);
    record.BestMidpoint = trial.Midpoint;
    record.BestOffset = e;
    record.BestPartner = trial.Partner;
}

bool IsEdgeRecord(const phIsect& record) {
    return !(record.Flags & phIsect::VertexPath);
}

void WriteEdgeImpact(const phPairSide& a, const phPairSide& b, int featureA, int featureB,
                     const Vector3& position, const Vector3& normal, float depth,
                     phImpactCursor& cursor) {
    phImpact& impact = *cursor.Next;
    impact.SetAll(a.Collider, b.Collider, position, normal, depth, a.Bound, b.Bound,
                  phImpact::EDGE_EDGE, featureA, featureB);
    impact.Margin = phCollisionMargin;
    ++cursor.Next;
    --cursor.Left;
}

// Emits the best pairs of one side; B's side skips pairs its partner already emitted.
void EmitBestPairs(phPairSide& side, const phPairSide& other, const phPairSide& a,
                   const phPairSide& b, bool sideA, phImpactCursor& cursor) {
    for (int i = 0; i < side.Count && cursor.Left > 0; ++i) {
        phIsect& record = side.Isects[i];
        if (record.BestPartner < 0 || !(record.Flags & phIsect::Admissible)) {
            continue;
        }
        const phIsect& partner = other.Isects[record.BestPartner];
        bool repeat = i > 0 && side.Isects[i - 1].FeatureIndex == record.FeatureIndex &&
                      side.Isects[i - 1].BestPartner == record.BestPartner;
        bool chosenBack = !sideA && partner.BestPartner == i &&
                          (partner.Flags & phIsect::Admissible);
        if (repeat || (partner.Flags & phIsect::OverlapPair) || chosenBack) {
            continue;
        }
        int featureA = sideA ? record.FeatureIndex : partner.FeatureIndex;
        int featureB = sideA ? partner.FeatureIndex : record.FeatureIndex;
        WriteEdgeImpact(a, b, featureA, featureB, record.BestMidpoint,
                        record.BestDirection * -1.0f, record.BestDistance, cursor);
        record.Flags |= phIsect::EdgeImpact;
    }
}

}  // namespace

bool phSameSideNear(float s0, float s1) {
    if (s0 > 0.0f) {
        return NearSameSide * s0 < s1 && NearSameSide * s1 < s0;
    }
    return s1 < NearSameSide * s0 && s0 < NearSameSide * s1;
}

bool phEdgeEdgeClosest(const Vector3& a0, const Vector3& a1, const Vector3& dA,
                       const Vector3& b0, const Vector3& b1, const Vector3& dB, Vector3& normal,
                       Vector3& pointA, Vector3& pointB, float& distance) {
    Vector3 n = Cross(dA, dB);
    if (!(n.Mag2() > 0.0f)) {
        return false;
    }
    n.Normalize();
    float d = n.Dot(a0 - b0);
    if (d < 0.0f) {
        d = -d;
        n.Negate();
    }
    if (!PointTowards(a0, a1, b0, Cross(n, dB), pointA) ||
        !PointTowards(b0, b1, pointA, Cross(n, dA), pointB)) {
        return false;
    }
    normal = n;
    distance = d;
    return true;
}

void phEdgeEdgeImpacts(phPairSide& a, phPairSide& b, phImpactCursor& cursor) {
    for (int j = 0; j < b.Count; ++j) {
        phIsect& rB = b.Isects[j];
        if (!IsEdgeRecord(rB)) {
            continue;
        }
        for (int i = 0; i < a.Count; ++i) {
            phIsect& rA = a.Isects[i];
            if (!IsEdgeRecord(rA) || (rA.InteriorEdge() && rB.InteriorEdge())) {
                continue;
            }
            Vector3 eA = rA.SegEnd - rA.SegStart;
            Vector3 eB = rB.SegEnd - rB.SegStart;
            Vector3 n;
            Vector3 pA;
            Vector3 pB;
            float d = 0.0f;
            if (!phEdgeEdgeClosest(rA.SegStart, rA.SegEnd, eA, rB.SegStart, rB.SegEnd, eB, n,
                                   pA, pB, d)) {
                continue;
            }
            PairTrial trial;
            trial.Distance = d;
            trial.Direction = n;
            trial.Midpoint = (pA + pB) * 0.5f;
            trial.Admissible =
                d == 0.0f || (n.Dot(rA.EdgeNormal) >= EdgeAngle(a, rA) - ConeSlack &&
                              -n.Dot(rB.EdgeNormal) >= EdgeAngle(b, rB) - ConeSlack);
            float cross2 = Cross(eA, eB).Mag2();
            trial.NearParallel = cross2 < d * d * eA.Mag2() || cross2 < d * d * eB.Mag2();
            float speed = (Velocity(b, pB) - Velocity(a, pA)).Dot(n);
            trial.Time = d == 0.0f ? 0.0f : phTimeToContact(d - phCollisionMargin, speed);
            trial.Closes = ClosesWithinStep(trial.Time);
            ClearCandidate(rA, trial.Closes, d);
            ClearCandidate(rB, trial.Closes, d);
            if (!rA.InteriorEdge()) {
                trial.Partner = j;
                trial.OtherPoint = pB;
                OfferPair(rA, trial);
            }
            if (!rB.InteriorEdge()) {
                trial.Partner = i;
                trial.OtherPoint = pA;
                OfferPair(rB, trial);
            }
        }
    }
    EmitBestPairs(a, b, a, b, true, cursor);
    EmitBestPairs(b, a, a, b, false, cursor);
}

void phEdgeContactImpacts(phPairSide& side, const phPairSide& a, const phPairSide& b,
                          bool sideA, phImpactCursor& cursor) {
    const phPairSide& hit = sideA ? b : a;
    int lastPairSide = -1;
    for (int i = 0; i < side.Count && cursor.Left > 0; ++i) {
        phIsect& record = side.Isects[i];
        bool secondOfPair = i > 0 && phIsectIsPaired(side.Isects, side.Count, i - 1);
        if (!secondOfPair) {
            lastPairSide = -1;
        }
        if (!IsEdgeRecord(record) || record.InteriorEdge() || !record.Polygon ||
            (record.Flags & phIsect::OverlapPair)) {
            continue;
        }
        const phPolygon& polygon = *record.Polygon;
        int sides = polygon.NumSides();
        Vector3 corners[4];
        for (int k = 0; k < sides; ++k) {
            corners[k] = hit.Bound->GetVertex(polygon.VertexIndex[k]);
            corners[k].Transform(hit.Current);
        }
        Vector3 normal = phRotateToWorld(polygon.Normal, hit.Current);
        Vector3 velocity = Velocity(side, record.Position) - Velocity(hit, record.Position);
        int soonest = -1;
        int nearest = -1;
        float soonestTime = FLT_MAX;
        float nearestD = FLT_MAX;
        for (int step = 0; step < sides; ++step) {
            int k = (step + sides - 1) % sides;
            const Vector3& start = corners[k];
            const Vector3& end = corners[(k + 1) % sides];
            Vector3 inward = Cross(normal, end - start);
            inward.Normalize();
            float d = (record.Position - end).Dot(inward);
            float speed = -inward.Dot(velocity);
            if (speed > 0.0f) {
                float time = std::fmax(d - phCollisionMargin, 0.0f) / speed;
                if (time < soonestTime) {
                    soonestTime = time;
                    soonest = k;
                }
            }
            if (d < nearestD) {
                nearestD = d;
                nearest = k;
            }
        }
        bool closes = soonest >= 0 && ClosesWithinStep(soonestTime);
        int k = closes ? soonest : nearest;
        if (k < 0 || k == lastPairSide) {
            continue;
        }
        Vector3 s0 = corners[k];
        Vector3 s1 = corners[(k + 1) % sides];
        Vector3 eR = record.SegEnd - record.SegStart;
        Vector3 n;
        Vector3 pS;
        Vector3 pR;
        float distance = 0.0f;
        if (!phEdgeEdgeClosest(s0, s1, s1 - s0, record.SegStart, record.SegEnd, eR, n, pS, pR,
                               distance) ||
            !(n.Dot(record.EdgeNormal) < -(EdgeAngle(side, record) - ConeSlack))) {
            continue;
        }
        int polygonEdge = polygon.EdgeIndex[k];
        // The side's own cone as well: a flat side (its two polygons coplanar) admits no
        // sideways direction, which would push a body resting on the face across it.
        phBoundPolygonal* hitBound = static_cast<phBoundPolygonal*>(hit.Bound);
        Vector3 sideNormal;
        hitBound->GetEdgeNormal(polygonEdge, sideNormal);
        if (!(n.Dot(phRotateToWorld(sideNormal, hit.Current)) >=
              hitBound->GetEdgeAngle(polygonEdge) - ConeSlack)) {
            continue;
        }
        // Never deeper than the record's edge really lies behind the polygon.
        float depth = std::fmin(distance, record.Depth);
        // n points from the record's edge towards the side; impact normals point from B to A.
        WriteEdgeImpact(a, b, sideA ? record.FeatureIndex : polygonEdge,
                        sideA ? polygonEdge : record.FeatureIndex, (pS + pR) * 0.5f,
                        sideA ? n * -1.0f : n, depth, cursor);
        record.Flags |= phIsect::EdgeImpact;
        ClearCandidate(record, closes, distance);
        lastPairSide = k;
    }
}
