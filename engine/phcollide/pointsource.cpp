// The point-kind source: a radial push, such as a blast, on the shapes around it, and the
// dispatch that finds the shape under wrappers and composites.
#include <algorithm>
#include <cmath>

#include "data/assert.h"
#include "data/timemgr.h"
#include "phbound/boundcontainer.h"
#include "phbound/boundhotdog.h"
#include "phbound/boundpoint.h"
#include "phbound/boundpolygonal.h"
#include "phbound/boundsphere.h"
#include "phbound/impact.h"
#include "phbound/spheretests.h"
#include "phcollide/collider.h"
#include "phcollide/pairroutines.h"
#include "phcore/poly.h"

namespace {

const float Pi = 3.1415927f;

// The strength of this frame.
float Strength(const phBoundPoint& point) {
    return point.StrengthRate * datTimeManager::Seconds + point.Strength;
}

// The record an impulse of the source is applied with.
phImpact SourceImpact(phBoundPoint* point, phColliderBase* pointCollider, phBound* other,
                      phColliderBase* otherCollider, int featureB, const Vector3& position,
                      const Vector3& normal) {
    phImpact impact;
    impact.Clear();
    impact.Type = phImpact::A_ON_FACE;
    impact.FeatureA = 0;
    impact.FeatureB = featureB;
    impact.ComponentA = -1;
    impact.ComponentB = -1;
    impact.Position = position;
    impact.Normal = normal;
    impact.Depth = 0.0f;
    impact.Margin = phBound::SmallerMargin(*point, *other);
    impact.ColliderA = pointCollider;
    impact.ColliderB = otherCollider;
    return impact;
}

// The push on a ball of radius R centred at centre: k R^2/s^2 pi away from the source, s the
// distance but never less than R. It is applied at the ball's surface facing the source, so
// that it turns nothing.
void PushBall(phBoundPoint* point, phColliderBase* pointCollider, phBound* other,
              phColliderBase* otherCollider, const Vector3& centre, float radius) {
    Vector3 d = point->Position - centre;
    float d2 = d.Mag2();
    if (d2 == 0.0f) {
        return;
    }
    float s2 = std::max(d2, radius * radius);
    Vector3 u = d * (1.0f / std::sqrt(s2));
    Vector3 impulse = u * -(Strength(*point) * radius * radius / s2 * Pi);
    Vector3 facing = centre + d * (radius / std::sqrt(d2));
    phImpact impact =
        SourceImpact(point, pointCollider, other, otherCollider, 0, facing, u);
    otherCollider->ApplyImpulseAndPush(impact, impulse, Vector3(0.0f, 0.0f, 0.0f));
}

}  // namespace

void phCollision::CollidePointSphere(phBoundPoint* point, phColliderBase* pointCollider,
                                     phBoundSphere* sphere, phColliderBase* sphereCollider) {
    PushBall(point, pointCollider, sphere, sphereCollider, sphereCollider->CurrentMatrix->d,
             sphere->Radius);
}

void phCollision::CollidePointHotdog(phBoundPoint* point, phColliderBase* pointCollider,
                                     phBoundHotdog* hotdog, phColliderBase* hotdogCollider) {
    const Matrix34& matrix = *hotdogCollider->CurrentMatrix;
    Vector3 half = matrix.b * (0.5f * hotdog->Length);
    PushBall(point, pointCollider, hotdog, hotdogCollider, matrix.d + half, hotdog->Radius);
    PushBall(point, pointCollider, hotdog, hotdogCollider, matrix.d - half, hotdog->Radius);
}

// Each polygon facing the source within its reach is pushed along its back normal, by its
// area and the weights of its corners, w = 1 - dist²/ρ² (ρ the corner's distance from the
// source), at the weighted middle of the corners drawn in to within dist of the closest
// point.
int phCollision::CollidePointPolygonal(phBoundPoint* point, phColliderBase* pointCollider,
                                       phBoundPolygonal* polygonal,
                                       phColliderBase* polygonalCollider) {
    const Matrix34& matrix = *polygonalCollider->CurrentMatrix;
    const float radius = point->Radius;
    Vector3 c = phRotateToLocal(point->Position - matrix.d, matrix);
    Vector3 direction = phRotateToLocal(point->Direction, matrix);
    const float strength = Strength(*point);
    bool applied = false;
    for (int p = 0; p < polygonal->NumPolygons; ++p) {
        const phPolygon& polygon = polygonal->Polygons[p];
        const int n = polygon.NumSides();
        Vector3 corners[4];
        for (int k = 0; k < n; ++k) {
            corners[k] = polygonal->GetVertex(polygon.VertexIndex[k]);
        }
        float dist = polygon.Normal.Dot(c - corners[0]);
        if (!(dist > 0.0f && dist < radius) ||
            (point->UseDirection && direction.Dot(polygon.Normal) > 0.0f)) {
            continue;
        }
        Vector3 contact;
        Vector3 contactNormal;
        float depth = 0.0f;
        int feature = 0;
        int kind = phSpherePolygon(c, radius, *polygonal, p, contact, contactNormal, depth,
                                   feature);
        if (kind == 3) {
            continue;
        }
        Vector3 closest = contact + contactNormal * (0.5f * depth);
        float e = radius - depth;
        float ratio = radius - e <= dist ? 1.0f : dist / (radius - e);
        float sumW = 0.0f;
        float sumWOverRho2 = 0.0f;
        Vector3 sumWQ(0.0f, 0.0f, 0.0f);
        for (int k = 0; k < n; ++k) {
            float rho2 = (c - corners[k]).Mag2();
            float w = 1.0f - dist * dist / rho2;
            Vector3 q = corners[k] - closest;
            if (kind == 2) {
                q.Scale(0.5f);
            }
            float length = q.Mag();
            if (length > dist) {
                q.Scale(dist / length);
            }
            q += closest;
            sumW += w;
            sumWOverRho2 += w / rho2;
            sumWQ += q * w;
        }
        if (!(sumW > 0.0f)) {
            continue;
        }
        Vector3 position = sumWQ * (1.0f / sumW);
        position.Transform(matrix);
        Vector3 normal = phRotateToWorld(polygon.Normal, matrix) * -1.0f;
        float magnitude = polygon.Area * (sumWOverRho2 / sumW) * ratio;
        Vector3 impulse = normal * (magnitude * strength);
        if (point->UseDirection) {
            impulse.Scale(point->Direction.Dot(normal));
        }
        phImpact impact = SourceImpact(point, pointCollider, polygonal, polygonalCollider, p,
                                       position, normal);
        polygonalCollider->ApplyImpulse(impact, impulse);
        applied = true;
    }
    return applied ? 1 : 0;
}

// Wrappers and composites around X are taken apart in place; the source stays Y.
void phCollision::CollideSpecial(phBound* boundX, phColliderBase* colliderX, phBound* boundY,
                                 phColliderBase* colliderY) {
    while (boundX->Type == phBound::WRAPPER || boundX->Type == phBound::COMPOSITE) {
        if (boundX->Type == phBound::WRAPPER) {
            phBoundWrapper* wrapper = static_cast<phBoundWrapper*>(boundX);
            wrapper->PrepareWrapped();
            boundX = wrapper->Wrapped;
        } else {
            phBound* single = static_cast<phBoundComposite*>(boundX)->SingleBound;
            if (!single) {
                return;
            }
            boundX = single;
        }
    }
    if (boundY->Type != phBound::POINT) {
        Assert(0);
        return;
    }
    const phPairRoutines& r = phGetPairRoutines();
    phBoundPoint* point = static_cast<phBoundPoint*>(boundY);
    switch (boundX->Type) {
        case phBound::SPHERE:
            r.PointSphere(point, colliderY, static_cast<phBoundSphere*>(boundX), colliderX);
            break;
        case phBound::GEOMETRY:
        case phBound::BOX:
        case phBound::TERRAIN:
        case phBound::TERRAIN_ALT:
            r.PointPolygonal(point, colliderY, static_cast<phBoundPolygonal*>(boundX),
                             colliderX);
            break;
        case phBound::HOTDOG:
            r.PointHotdog(point, colliderY, static_cast<phBoundHotdog*>(boundX), colliderX);
            break;
        default:
            break;
    }
}
