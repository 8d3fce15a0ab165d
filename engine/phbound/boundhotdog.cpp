// The capsule bound: sizes, fitting to a bound file, segment and sphere tests, and drawing.
#include "phbound/boundhotdog.h"

#include <algorithm>
#include <cmath>

#include "data/assert.h"
#include "phbound/shapecrossings.h"
#include "phbound/shapefile.h"
#include "phcore/debuglines.h"
#include "phcore/isect.h"
#include "phcore/segment.h"

namespace {

const float CircleStep = 0.62831855f;
const float ArcStep = 0.31415927f;
const float Pi = 3.1415927f;

}  // namespace

phBoundHotdog::phBoundHotdog() : phBoundHotdog(1.0f, 1.0f) {}

phBoundHotdog::phBoundHotdog(float radius, float length)
    : phBound(HOTDOG), Radius(radius), Length(length) {
    NumMaterials = 1;
    CalcExtents();
}

phMaterial* phBoundHotdog::GetMaterial(int) {
    return &Material;
}

void phBoundHotdog::CalcExtents() {
    BoxMax.Set(Radius, 0.5f * Length + Radius, Radius);
    BoxMin = BoxMax * -1.0f;
    BoxMax += CentroidOffset;
    BoxMin += CentroidOffset;
    CalcCentroidAndRadius();
    ScaleMargins();
}

void phBoundHotdog::SetSize(float radius, float length) {
    Radius = radius;
    Length = length;
    float half = 0.5f * length + radius;
    RadiusAroundCentroid = half;
    BoxMin.Set(-radius, -half, -radius);
    BoxMax.Set(radius, half, radius);
    ScaleMargins();
}

void phBoundHotdog::SetDimensions(float width, float height) {
    Radius = 0.5f * width;
    Length = std::max(height - width, 0.0f);
    CalcExtents();
}

void phBoundHotdog::ScaleDimensions(float a, float b) {
    Length = std::max(2.0f * (b - a) * Radius + b * Length, 0.0f);
    Radius *= a;
    CalcExtents();
}

bool phBoundHotdog::Load(const char* name) {
    phOwnMaterialFile file(Material);
    if (!file.Read("phBoundHotdog", name)) {
        return false;
    }
    NumMaterials = file.NumMaterials;
    Vector3 d = file.BoxMax - file.BoxMin;
    Radius = 0.5f * std::sqrt(0.5f * d.x * d.x + 0.5f * d.z * d.z);
    Length = std::max(d.y - 2.0f * Radius, 0.0f);
    BoxMin = file.BoxMin;
    BoxMax = file.BoxMax;
    CalcCentroidAndRadius();
    ScaleMargins();
    return true;
}

bool phBoundHotdog::ContainsPoint(const Vector3& p) const {
    float h = 0.5f * Length;
    float across2 = p.x * p.x + p.z * p.z;
    float r2 = Radius * Radius;
    if (std::fabs(p.y) > h + Radius || across2 > r2) {
        return false;
    }
    if (p.y > h && (p.y - h) * (p.y - h) + across2 > r2) {
        return false;
    }
    return !(p.y < -h && (p.y + h) * (p.y + h) + across2 > r2);
}

int phBoundHotdog::SegmentCrossings(const Vector3& start, const Vector3& d, float t[2],
                                    int part[2]) const {
    float h = 0.5f * Length;
    float r2 = Radius * Radius;
    float found[6];
    int parts[6];
    int count = 0;
    // The side: crossings of the infinite cylinder within the cylinder's height.
    float a = d.x * d.x + d.z * d.z;
    if (a > 0.0f && Length > 0.0f) {
        float b = start.x * d.x + start.z * d.z;
        float disc = b * b - a * (start.x * start.x + start.z * start.z - r2);
        if (disc >= 0.0f) {
            float root = std::sqrt(disc);
            const float roots[2] = {(-b - root) / a, (-b + root) / a};
            for (int i = 0; i < (root > 0.0f ? 2 : 1); ++i) {
                float y = start.y + d.y * roots[i];
                if (roots[i] >= 0.0f && roots[i] <= 1.0f && y >= -h && y <= h) {
                    found[count] = roots[i];
                    parts[count++] = SIDE;
                }
            }
        }
    }
    // The caps: crossings of each end's sphere beyond that end (at the end itself when the
    // capsule has no cylinder, so that a sphere keeps every crossing).
    for (int cap = 0; cap < 2; ++cap) {
        float sign = cap == UPPER_CAP ? 1.0f : -1.0f;
        float roots[2];
        int n = phSphereCrossings(start, d, Vector3(0.0f, sign * h, 0.0f), r2, roots);
        for (int i = 0; i < n; ++i) {
            float beyond = sign * (start.y + d.y * roots[i]) - h;
            if (beyond > 0.0f || (beyond == 0.0f && Length == 0.0f && cap == UPPER_CAP)) {
                found[count] = roots[i];
                parts[count++] = cap;
            }
        }
    }
    // A convex surface is crossed at most twice; order by t.
    for (int i = 1; i < count; ++i) {
        for (int j = i; j > 0 && found[j] < found[j - 1]; --j) {
            std::swap(found[j], found[j - 1]);
            std::swap(parts[j], parts[j - 1]);
        }
    }
    count = std::min(count, 2);
    for (int i = 0; i < count; ++i) {
        t[i] = found[i];
        part[i] = parts[i];
    }
    return count;
}

Vector3 phBoundHotdog::PartNormal(const Vector3& point, int part) const {
    float h = 0.5f * Length;
    Vector3 n = part == SIDE ? Vector3(point.x, 0.0f, point.z)
                : part == UPPER_CAP ? Vector3(point.x, point.y - h, point.z)
                                    : Vector3(point.x, point.y + h, point.z);
    n.Normalize();
    return n;
}

bool phBoundHotdog::FirstCrossing(const phSegment& segment, phIsect& isect, float tLimit,
                                  bool fromOutside) {
    if (fromOutside && ContainsPoint(segment.Start)) {
        return false;
    }
    float t[2];
    int part[2];
    Vector3 d = segment.End - segment.Start;
    if (SegmentCrossings(segment.Start, d, t, part) == 0 || t[0] > tLimit) {
        return false;
    }
    Vector3 hit = segment.Start + d * t[0];
    isect.SetHit(hit, PartNormal(hit, part[0]), t[0], 0.0f, true);
    isect.PolyIndex = part[0];
    return true;
}

bool phBoundHotdog::TestProbePoint(phSegment& segment, phIsect* isect, float tLimit) {
    return FirstCrossing(segment, *isect, tLimit, true);
}

bool phBoundHotdog::TestAIPoint(phSegment& segment, phIsect* isect) {
    return FirstCrossing(segment, *isect, 3.4028235e38f, false);
}

bool phBoundHotdog::TestProbeSegment(phSegment& segment, phIsect* isect, float tLimit) {
    return FirstCrossing(segment, *isect, tLimit, true);
}

int phBoundHotdog::TestEdgeSegment(phSegment& segment, phIsect* isects, int maxisects) {
    Assert(maxisects >= 2);
    bool outside = !ContainsPoint(segment.Start);
    if (!outside && ContainsPoint(segment.End)) {
        return 0;
    }
    float t[2];
    int part[2];
    Vector3 d = segment.End - segment.Start;
    int count = SegmentCrossings(segment.Start, d, t, part);
    for (int i = 0; i < count; ++i) {
        Vector3 hit = segment.Start + d * t[i];
        isects[i].SetHit(hit, PartNormal(hit, part[i]), t[i], 0.0f, outside);
        isects[i].PolyIndex = part[i];
    }
    return count;
}

bool phBoundHotdog::TestSphere(const Vector3& c, float radius, Vector3* position,
                               Vector3* normal, float* depth) {
    float h = 0.5f * Length;
    Vector3 base = c.y > h ? Vector3(0.0f, h, 0.0f)
                   : c.y < -h ? Vector3(0.0f, -h, 0.0f)
                              : Vector3(0.0f, c.y, 0.0f);
    Vector3 d = c - base;
    float reach = radius + Radius;
    if (d.Mag2() > reach * reach) {
        return false;
    }
    float distance = d.Mag();
    // A centre on the axis gives no direction: push it out along x.
    Vector3 n = distance > 0.0f ? d * (1.0f / distance) : Vector3(1.0f, 0.0f, 0.0f);
    *normal = n;
    *depth = reach - distance;
    *position = base + n * (Radius - *depth);
    return true;
}

void phBoundHotdog::Draw(const Vector3& colour) {
    phDebugLineDrawer* drawer = DebugLineDrawer;
    if (!drawer) {
        return;
    }
    bool lighting = drawer->Enable(phDebugLineDrawer::LIGHTING, false);
    drawer->Color(phDebugColour(colour));
    float h = 0.5f * Length;
    // The rims at both ends of the cylinder.
    for (int end = 0; end < 2; ++end) {
        float y = end ? h : -h;
        drawer->Begin(phDebugLineDrawer::LINE_STRIP);
        for (int i = 0; i <= 10; ++i) {
            drawer->Vertex(Radius * std::cos(CircleStep * i), y, Radius * std::sin(CircleStep * i));
        }
        drawer->End();
    }
    // Each cap's outline in the planes x = 0 and z = 0: a half circle from one side over the
    // top; the side lines join the rims.
    for (int plane = 0; plane < 2; ++plane) {
        for (int end = 0; end < 2; ++end) {
            float sign = end ? 1.0f : -1.0f;
            drawer->Begin(phDebugLineDrawer::LINE_STRIP);
            for (float a = 0.0f; a <= Pi + 0.5f * ArcStep; a += ArcStep) {
                float across = Radius * std::cos(a);
                float y = sign * (h + Radius * std::sin(std::min(a, Pi)));
                drawer->Vertex(plane ? across : 0.0f, y, plane ? 0.0f : across);
            }
            drawer->End();
        }
        for (int side = 0; side < 2; ++side) {
            float across = side ? Radius : -Radius;
            drawer->Begin(phDebugLineDrawer::LINE_STRIP);
            drawer->Vertex(plane ? across : 0.0f, -h, plane ? 0.0f : across);
            drawer->Vertex(plane ? across : 0.0f, h, plane ? 0.0f : across);
            drawer->End();
        }
    }
    drawer->Enable(phDebugLineDrawer::LIGHTING, lighting);
}
