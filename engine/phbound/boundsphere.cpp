// The sphere bound: analytic segment and sphere tests, fitting to a bound file, and the
// sphere-against-sphere collision.
#include "phbound/boundsphere.h"

#include <cmath>

#include "data/assert.h"
#include "phbound/impact.h"
#include "phbound/shapecrossings.h"
#include "phbound/shapefile.h"
#include "phcore/debuglines.h"
#include "phcore/isect.h"
#include "phcore/segment.h"

namespace {

// The outward normal at a point of the sphere; zero at the centre.
Vector3 OutwardNormal(const Vector3& point) {
    Vector3 n = point;
    n.Normalize();
    return n;
}

const int SphereSegments = 12;

}  // namespace

phBoundSphere::phBoundSphere() : phBoundSphere(1.0f) {}

phBoundSphere::phBoundSphere(float radius) : phBound(SPHERE) {
    NumMaterials = 1;
    SetRadius(radius);
}

phMaterial* phBoundSphere::GetMaterial(int) {
    return &Material;
}

void phBoundSphere::SetRadius(float radius) {
    Radius = radius;
    BoxMin.Set(-radius, -radius, -radius);
    BoxMax.Set(radius, radius, radius);
    RadiusAroundCentroid = radius;
    CentroidOffset.Set(0.0f, 0.0f, 0.0f);
    ScaleMargins();
}

void phBoundSphere::ScaleRadius(float scale) {
    SetRadius(Radius * scale);
}

// The box stays the one of the file's vertices and the centroid offset stays as it was; the
// radius round the centroid is the fitted radius, since the collisions work with it.
bool phBoundSphere::Load(const char* name) {
    phOwnMaterialFile file(Material);
    if (!file.Read("phBoundSphere", name)) {
        return false;
    }
    NumMaterials = file.NumMaterials;
    Vector3 d = file.BoxMax - file.BoxMin;
    Radius = 0.5f * std::sqrt((d.x * d.x + d.y * d.y + d.z * d.z) * 0.33333334f);
    RadiusAroundCentroid = Radius;
    BoxMin = file.BoxMin;
    BoxMax = file.BoxMax;
    ScaleMargins();
    return true;
}

bool phBoundSphere::FirstCrossing(const phSegment& segment, phIsect& isect, float tLimit,
                                  bool fromOutside) {
    if (fromOutside && segment.Start.Mag2() < Radius * Radius) {
        return false;
    }
    float t[2];
    Vector3 d = segment.End - segment.Start;
    if (phSphereCrossings(segment.Start, d, Vector3(0, 0, 0), Radius * Radius, t) == 0 ||
        t[0] > tLimit) {
        return false;
    }
    Vector3 hit = segment.Start + d * t[0];
    isect.SetHit(hit, OutwardNormal(hit), t[0], 0.0f, true);
    return true;
}

bool phBoundSphere::TestProbePoint(phSegment& segment, phIsect* isect, float tLimit) {
    return FirstCrossing(segment, *isect, tLimit, true);
}

bool phBoundSphere::TestAIPoint(phSegment& segment, phIsect* isect) {
    return FirstCrossing(segment, *isect, 3.4028235e38f, true);
}

bool phBoundSphere::TestProbeSegment(phSegment& segment, phIsect* isect, float tLimit) {
    if (!FirstCrossing(segment, *isect, tLimit, true)) {
        return false;
    }
    isect->PolyIndex = 0;
    return true;
}

int phBoundSphere::TestEdgeSegment(phSegment& segment, phIsect* isects, int maxisects) {
    Assert(maxisects >= 2);
    float r2 = Radius * Radius;
    bool outside = segment.Start.Mag2() >= r2;
    if (!outside && segment.End.Mag2() < r2) {
        return 0;
    }
    float t[2];
    Vector3 d = segment.End - segment.Start;
    int count = phSphereCrossings(segment.Start, d, Vector3(0, 0, 0), r2, t);
    for (int i = 0; i < count; ++i) {
        Vector3 hit = segment.Start + d * t[i];
        isects[i].SetHit(hit, OutwardNormal(hit), t[i], 0.0f, outside);
        isects[i].PolyIndex = 0;
    }
    return count;
}

bool phBoundSphere::TestSphere(const Vector3& centre, float radius, Vector3* position,
                               Vector3* normal, float* depth) {
    float reach = radius + RadiusAroundCentroid;
    float distance = centre.Mag();
    if (!(distance < reach)) {
        return false;
    }
    // A centre at the sphere's own gives no direction: push it out along +y.
    Vector3 n = distance > 0.0f ? centre * (1.0f / distance) : Vector3(0.0f, 1.0f, 0.0f);
    *normal = n;
    *depth = reach - distance;
    *position = n * RadiusAroundCentroid;
    return true;
}

int phBoundSphere::CollideSphere(phBoundSphere* other, const Matrix34& matrix,
                                 const Vector3& offset, phColliderBase* colliderA,
                                 phColliderBase* colliderB, phImpact* impacts) {
    float rsum = RadiusAroundCentroid + other->RadiusAroundCentroid;
    float distance2 = offset.Mag2();
    if (!(distance2 < rsum * rsum)) {
        return 0;
    }
    float distance = std::sqrt(distance2);
    Vector3 n = distance > 0.0f ? offset * (-1.0f / distance) : Vector3(0.0f, 1.0f, 0.0f);
    float depth = rsum - distance;
    // The middle of the overlap: A's surface point towards B, half the depth back inside.
    Vector3 contact = matrix.d - n * (RadiusAroundCentroid - depth * 0.5f);
    impacts[0].SetAll(colliderA, colliderB, contact, n, depth, this, other, 0, 0, 0);
    return 1;
}

void phBoundSphere::Draw(const Vector3& colour) {
    phDebugLineDrawer* drawer = DebugLineDrawer;
    if (!drawer) {
        return;
    }
    bool lighting = drawer->Enable(phDebugLineDrawer::LIGHTING, false);
    drawer->Color(phDebugColour(colour));
    const float step = 2.0f * 3.14159265f / SphereSegments;
    for (int axis = 0; axis < 3; ++axis) {
        drawer->Begin(phDebugLineDrawer::LINE_STRIP);
        for (int i = 0; i <= SphereSegments; ++i) {
            float u = RadiusAroundCentroid * std::cos(step * i);
            float v = RadiusAroundCentroid * std::sin(step * i);
            Vector3 p = axis == 0 ? Vector3(0, u, v) : axis == 1 ? Vector3(u, 0, v) : Vector3(u, v, 0);
            drawer->Vertex(p.x, p.y, p.z);
        }
        drawer->End();
    }
    drawer->Enable(phDebugLineDrawer::LIGHTING, lighting);
}
