#include "vector/geometry.h"

#include "vector/vector2.h"

namespace {

// Squared distance between the points at sA on segment A and sB on segment B.
float PairDistance2(const Vector3& pA, const Vector3& dA, const Vector3& pB, const Vector3& dB,
                    float sA, float sB) {
    return ((pA + dA * sA) - (pB + dB * sB)).Mag2();
}

// Records a hit: the first fills both records, later ones widen the interval.
template <typename Data>
void RecordHit(int& count, float t, const Data& data, float& t0, float& t1, Data& data0,
               Data& data1) {
    if (count == 0) {
        t0 = t1 = t;
        data0 = data1 = data;
        count = 1;
        return;
    }
    if (t < t0) {
        t0 = t;
        data0 = data;
    } else if (t > t1) {
        t1 = t;
        data1 = data;
    }
    count = 2;
}

// The 2D frame of a box face: the codes of Vector3::Project2D, chosen by the normal's signs.
int FaceFrame(const Vector3& normal) {
    if (normal.x != 0.0f) {
        return normal.x > 0.0f ? 0 : 1;
    }
    if (normal.y != 0.0f) {
        return normal.y > 0.0f ? 2 : 3;
    }
    return normal.z > 0.0f ? 4 : 5;
}

float Component(const Vector3& v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// The two parameters at which a segment crosses a quadric, from a·t² + 2b·t + c = 0 with
// c the start's value (negative inside); false when it never crosses or a is 0 (nothing moves
// across it, and the division would be by zero).
bool Crossings(float a, float b, float c, float& entry, float& exit) {
    if (a == 0.0f) {
        return false;
    }
    float disc = (b * b / a - c) / a;
    if (disc < 0.0f) {
        return false;
    }
    float root = std::sqrt(disc);
    entry = -b / a - root;
    exit = root - b / a;
    return true;
}

float Height(float length, float y) {
    // A zero-length capsule is a sphere: every hit is at its centre.
    return length == 0.0f ? 0.5f : y / length + 0.5f;
}

}  // namespace

int geomClosestPointOnSegment(const Vector3& point, const Vector3& p, const Vector3& d,
                              Vector3& closest, float& numerator) {
    numerator = -(p - point).Dot(d);
    if (numerator <= 0.0f) {
        closest = p;
        return 1;
    }
    float d2 = d.Mag2();
    if (d2 - numerator > 0.0f) {
        closest = p + d * (numerator / d2);
        return 0;
    }
    closest = p + d;
    return 2;
}

float geomSegmentParam(const Vector3& p, const Vector3& d, const Vector3& point) {
    float numerator = -(p - point).Dot(d);
    if (numerator <= 0.0f) {
        return 0.0f;
    }
    float d2 = d.Mag2();
    return d2 - numerator > 0.0f ? numerator / d2 : 1.0f;
}

float geomPointLineDistance(const Vector3& point, const Vector3& d, const Vector3& q) {
    Vector3 offset = point - q;
    Vector3 perpendicular;
    perpendicular.Cross(offset, d);
    perpendicular.Cross(d);
    perpendicular.Normalize();
    return offset.Dot(perpendicular);
}

float geomLineLineAxis(const Vector3& pA, const Vector3& dA, const Vector3& pB,
                       const Vector3& dB, Vector3& axis, float tolerance) {
    axis.Cross(dA, dB);
    Vector3 offset = pB - pA;
    if (axis.Mag2() < dA.Mag2() * dB.Mag2() * tolerance) {
        axis.Cross(offset, dB);
        axis.Cross(dB);
        axis.Normalize();
        return -axis.Dot(offset);
    }
    axis.Normalize();
    float distance = -offset.Dot(axis);
    if (distance < 0.0f) {
        axis.Negate();
        distance = -distance;
    }
    return distance;
}

float geomHorizontalAxis(const Vector3& point, const Vector3& d, Vector3& axis) {
    axis.Set(d.z, 0.0f, -d.x);
    axis.Normalize();
    float distance = axis.Dot(point);
    if (distance < 0.0f) {
        axis.Negate();
        distance = -distance;
    }
    return distance;
}

bool geomSegmentSegment(const Vector3& pA, const Vector3& dA, const Vector3& pB,
                        const Vector3& dB, float& sA, float& sB) {
    Vector3 w = pA - pB;
    float a = dA.Dot(dA);
    float b = dA.Dot(dB);
    float c = dB.Dot(dB);
    float d = dA.Dot(w);
    float e = dB.Dot(w);
    float denominator = a * c - b * b;
    // Rounding alone leaves a denominator of a few float steps times a·c for parallel lines,
    // and then the line solution is noise: below this they count as parallel.
    const float ParallelTolerance = 1e-5f;
    if (denominator > ParallelTolerance * a * c) {
        float lineA = (b * e - c * d) / denominator;
        float lineB = (a * e - b * d) / denominator;
        if (lineA >= 0.0f && lineA <= 1.0f && lineB >= 0.0f && lineB <= 1.0f) {
            sA = lineA;
            sB = lineB;
            return true;
        }
    } else if (a > 0.0f && c > 0.0f) {
        // Parallel: every pair in the range where the two overlap (seen along A) is closest;
        // the middle of that range is taken.
        float startB = -d / a;
        float endB = (b - d) / a;
        float from = Maxf(std::fmin(startB, endB), 0.0f);
        float to = std::fmin(Maxf(startB, endB), 1.0f);
        if (from <= to) {
            sA = (from + to) / 2.0f;
            sB = geomSegmentParam(pB, dB, pA + dA * sA);
            return true;
        }
    }
    // The closest pair lies on an end of one of the two segments: try all four ends.
    const float candidates[4][2] = {
        {0.0f, geomSegmentParam(pB, dB, pA)},
        {1.0f, geomSegmentParam(pB, dB, pA + dA)},
        {geomSegmentParam(pA, dA, pB), 0.0f},
        {geomSegmentParam(pA, dA, pB + dB), 1.0f},
    };
    float best = -1.0f;
    for (const auto& candidate : candidates) {
        float distance2 = PairDistance2(pA, dA, pB, dB, candidate[0], candidate[1]);
        if (best < 0.0f || distance2 < best) {
            best = distance2;
            sA = candidate[0];
            sB = candidate[1];
        }
    }
    return false;
}

bool geomSegmentVerticalLine(const Vector3& p, const Vector3& d, float y0, float y1, float& t,
                             float& s) {
    // A zero segment or a zero-length line has no crossing to report.
    if (d.IsZero() || y1 == y0) {
        return false;
    }
    float horizontal = d.x * d.x + d.z * d.z;
    if (horizontal >= 0.01f * std::fabs(d.y)) {
        t = -(p.x * d.x + p.z * d.z) / horizontal;
        s = (p.y + t * d.y - y0) / (y1 - y0);
        return 0.0f < t && t < 1.0f && 0.0f < s && s < 1.0f;
    }
    float top = Maxf(p.y, p.y + d.y);
    float bottom = std::fmin(p.y, p.y + d.y);
    float lineTop = Maxf(y0, y1);
    float lineBottom = std::fmin(y0, y1);
    float middle;
    bool overlap = false;
    if (top > lineBottom && bottom < lineTop) {
        bottom = Maxf(bottom, lineBottom);
        top = std::fmin(top, lineTop);
        middle = (top + bottom) / 2.0f;
        overlap = true;
    } else if (bottom >= lineTop) {
        middle = (lineTop + bottom) / 2.0f;
    } else {
        middle = (top + lineBottom) / 2.0f;
    }
    t = (middle - p.y) / d.y;
    s = (middle - y0) / (y1 - y0);
    return overlap;
}

bool geomSegmentBox(const Vector3& p, const Vector3& d, const Vector3& normal,
                    const Vector3& halfSizes, float& t0, float& t1, int& edge0, int& edge1) {
    int frame = FaceFrame(normal);
    Vector2 start;
    Vector2 direction;
    Vector2 half;
    p.Project2D(frame, start);
    d.Project2D(frame, direction);
    halfSizes.Project2D(frame, half);
    int count = 0;
    // Edges u = +hu, v = +hv, u = -hu, v = -hv.
    for (int edge = 0; edge < 4; ++edge) {
        bool onU = (edge & 1) == 0;
        float sign = edge < 2 ? 1.0f : -1.0f;
        float origin = onU ? start.x : start.y;
        float step = onU ? direction.x : direction.y;
        if (step == 0.0f) {
            continue;
        }
        float t = ((onU ? half.x : half.y) * sign - origin) / step;
        float other = onU ? start.y + t * direction.y : start.x + t * direction.x;
        float otherHalf = onU ? half.y : half.x;
        if (-otherHalf <= other && other <= otherHalf) {
            RecordHit(count, t, edge, t0, t1, edge0, edge1);
        }
    }
    if (count == 0) {
        t0 = t1 = 0.5f;
        return false;
    }
    return t0 <= 1.0f && t1 >= 0.0f;
}

int geomSegmentCentredBox(const Vector3& p, const Vector3& d, float hx, float hy, float hz,
                          float& t0, float& t1, Vector3& normal0, Vector3& normal1, int& face0,
                          int& face1) {
    typedef std::pair<Vector3, int> FaceHit;
    const Vector3 half(hx, hy, hz);
    int count = 0;
    float entryT = 0.0f;
    float exitT = 0.0f;
    FaceHit entry;
    FaceHit exit;
    for (int face = 0; face < 6; ++face) {
        int axis = face / 2;
        float sign = (face & 1) ? -1.0f : 1.0f;
        float step = Component(d, axis);
        if (step == 0.0f) {
            continue;
        }
        float t = (sign * Component(half, axis) - Component(p, axis)) / step;
        if (!(0.0f < t && t < 1.0f)) {
            continue;
        }
        Vector3 hit = p + d * t;
        bool inside = true;
        for (int other = 0; other < 3; ++other) {
            if (other != axis && std::fabs(Component(hit, other)) > Component(half, other)) {
                inside = false;
            }
        }
        if (inside) {
            Vector3 normal(axis == 0 ? sign : 0.0f, axis == 1 ? sign : 0.0f,
                           axis == 2 ? sign : 0.0f);
            RecordHit(count, t, FaceHit(normal, face), entryT, exitT, entry, exit);
        }
    }
    if (count > 0) {
        t0 = entryT;
        t1 = exitT;
        normal0 = entry.first;
        face0 = entry.second;
        normal1 = exit.first;
        face1 = exit.second;
    }
    return count;
}

int geomSegmentSphere(const Vector3& p, const Vector3& d, float radius2, float& t0, float& t1) {
    float c = p.Dot(p);
    float entry = 0.0f;
    float exit = 0.0f;
    if (!Crossings(d.Dot(d), p.Dot(d), c - radius2, entry, exit)) {
        return 0;
    }
    if (c <= radius2) {
        if ((p + d).Mag2() <= radius2) {
            return 0;
        }
        t0 = exit;
        return 1;
    }
    if (entry < 0.0f || entry > 1.0f) {
        return 0;
    }
    t0 = entry;
    t1 = exit;
    return t1 <= 1.0f ? 2 : 1;
}

int geomSegmentCylinder(const Vector3& p, const Vector3& d, float length, float radius2,
                        float& t0, float& t1, float& s0, float& s1) {
    float c = p.x * p.x + p.z * p.z - radius2;
    Vector3 end = p + d;
    bool startInside = c < 0.0f;
    bool endInside = end.x * end.x + end.z * end.z < radius2;
    float entry = 0.0f;
    float exit = 0.0f;
    // Parallel to the axis (a = 0) the side is never crossed; the caps take such segments.
    if ((startInside && endInside) ||
        !Crossings(d.x * d.x + d.z * d.z, p.x * d.x + p.z * d.z, c, entry, exit)) {
        return 0;
    }
    if (startInside) {
        t0 = exit;
        s0 = Height(length, p.y + d.y * t0);
        return 1;
    }
    if (entry < 0.0f || entry > 1.0f) {
        return 0;
    }
    t0 = entry;
    t1 = exit;
    s0 = Height(length, p.y + d.y * t0);
    if (endInside) {
        return 1;
    }
    s1 = Height(length, p.y + d.y * t1);
    return 2;
}

int geomSegmentCap(const Vector3& p, const Vector3& d, float radius2, float& t0, float& t1,
                   bool top) {
    float hits[2] = {0.0f, 0.0f};
    int found = geomSegmentSphere(p, d, radius2, hits[0], hits[1]);
    float sign = top ? 1.0f : -1.0f;
    int kept = 0;
    for (int i = 0; i < found; ++i) {
        if (sign * (p.y + hits[i] * d.y) > 0.0f) {
            (kept == 0 ? t0 : t1) = hits[i];
            ++kept;
        }
    }
    return kept;
}

int geomSegmentAxisCylinder(const Vector3& p, const Vector3& d, const Vector3& axisPoint,
                            const Vector3& axisDirection, float radius, float& t0, float& t1) {
    Vector3 unit = axisDirection;
    unit.Normalize();
    Vector3 offset = p - axisPoint;
    // The parts of the start offset and the direction that are across the axis.
    Vector3 across = offset - unit * offset.Dot(unit);
    Vector3 step = d - unit * d.Dot(unit);
    float c = across.Mag2() - radius * radius;
    float entry = 0.0f;
    float exit = 0.0f;
    if (!Crossings(step.Mag2(), across.Dot(step), c, entry, exit)) {
        return 0;
    }
    if (c < 0.0f) {
        if (exit <= 1.0f) {
            t0 = exit;
            return 1;
        }
        return 0;
    }
    if (entry < 0.0f || entry > 1.0f) {
        return 0;
    }
    t0 = entry;
    t1 = exit;
    return exit <= 1.0f ? 2 : 1;
}

bool geomSegmentDisc(const Vector3& p, const Vector3& d, float radius2, float& t) {
    float endY = p.y + d.y;
    if ((p.y >= 0.0f) == (endY >= 0.0f)) {
        return false;
    }
    t = p.y / (p.y - endY);
    float x = p.x + t * d.x;
    float z = p.z + t * d.z;
    return x * x + z * z <= radius2;
}

int geomCapsulePolygon(const Vector3& segmentStart, const Vector3& segmentEnd,
                       const Vector3& edgeStart, const Vector3& edgeEnd, float radius, int& kind,
                       Vector3& normal, float& depth, Vector3& point) {
    const float ParallelTolerance = 0.0012217f;
    Vector3 dA = segmentEnd - segmentStart;
    Vector3 dB = edgeEnd - edgeStart;
    Vector3 axis;
    float distance = geomLineLineAxis(segmentStart, dA, edgeStart, dB, axis, ParallelTolerance);
    if (distance > radius) {
        return 3;
    }
    float sA = 0.0f;
    float sB = 0.0f;
    if (geomSegmentSegment(segmentStart, dA, edgeStart, dB, sA, sB)) {
        kind = 0;
        normal = axis;
        normal.Negate();
        depth = radius - distance;
        point = segmentStart + dA * sA;
        return 1;
    }
    // The nearer end of the edge, against the closest point of the capsule's axis.
    Vector3 nearStart = segmentStart + dA * geomSegmentParam(segmentStart, dA, edgeStart);
    Vector3 nearEnd = segmentStart + dA * geomSegmentParam(segmentStart, dA, edgeEnd);
    float startDistance = nearStart.Dist(edgeStart);
    float endDistance = nearEnd.Dist(edgeEnd);
    bool useStart = startDistance <= endDistance;
    float endPointDistance = useStart ? startDistance : endDistance;
    if (endPointDistance > radius) {
        return 3;
    }
    kind = useStart ? 1 : 2;
    point = useStart ? nearStart : nearEnd;
    normal = (useStart ? edgeStart : edgeEnd) - point;
    normal.Normalize();
    depth = radius - endPointDistance;
    return 1;
}
