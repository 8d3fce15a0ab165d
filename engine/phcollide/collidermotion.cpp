// Colliders: how their points move, segment tests in world space, gravity and air drag.
#include "phcollide/collider.h"

#include <cmath>

#include "data/assert.h"
#include "data/timemgr.h"
#include "phbound/boundpolygonal.h"
#include "phbound/spheretests.h"
#include "phcore/debuglines.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"
#include "phinertia/inertia.h"

namespace {

const uint32_t ForceColour = 0xFFFF00FF;

// The point in the frame of the matrix (a rigid one).
Vector3 ToLocal(const Vector3& point, const Matrix34& m) {
    return phRotateToLocal(point - m.d, m);
}

Vector3 Place(const Vector3& local, const Matrix34& m) {
    return phRotateToWorld(local, m) + m.d;
}

// Where an element of a polygonal bound lies in its own frame: kind 0 a vertex, 1 the middle
// of an edge, 2 the centroid of a polygon.
Vector3 ElementPosition(phBoundPolygonal& bound, int kind, int element) {
    if (kind == 0) {
        return bound.GetVertex(element);
    }
    if (kind == 1) {
        const uint16_t* edge = bound.Edges[element];
        return (bound.GetVertex(edge[0]) + bound.GetVertex(edge[1])) * 0.5f;
    }
    const phPolygon& polygon = bound.Polygons[element];
    int sides = polygon.NumSides();
    Vector3 sum = Vector3::sm_Zero;
    for (int i = 0; i < sides; ++i) {
        sum += bound.GetVertex(polygon.VertexIndex[i]);
    }
    return sum * (1.0f / float(sides));
}

}  // namespace

void phColliderBase::ComputeMotionDistance() {
    if (!ICS) {
        Assert(0);
        return;
    }
    const Vector3& w = ICS->AngVelocity;
    const Vector3& h = Bound->BoxMax;
    Vector3 pushVelocity;
    ICS->GetPushVelocity(pushVelocity);
    float d = (h.z + h.x) * std::fabs(w.y) + (h.y + h.x) * std::fabs(w.z) +
              (h.y + h.z) * std::fabs(w.x) + pushVelocity.Mag();
    MotionDistance = d * datTimeManager::Seconds;
    SlowMotion = MotionDistance < phBound::DefaultSecondaryMargin ? 1 : 0;
}

void phColliderBase::GetMotionAtPoint(const Vector3& point, Vector3& out) const {
    if (ICS && !JustReset) {
        ICS->GetPushMotionAtPoint(point, out);
    } else {
        out.Zero();
    }
}

void phColliderBase::GetMotionAtPoint(const Vector3& point, Vector3& out,
                                      uint32_t otherId) const {
    if (ICS && !JustReset && otherId == LastPusher) {
        ICS->GetMotionAtPoint(point, out);
    } else {
        GetMotionAtPoint(point, out);
    }
}

void phColliderBase::GetLocalMotion(const Vector3& point, int, int kind, int element,
                                    Vector3& out) const {
    if (JustReset) {
        out.Zero();
        return;
    }
    if (ComponentCallback && Bound->Type == phBound::GEOMETRY && Bound->ComponentMotion > 0.0f) {
        phBoundPolygonal& polygonal = static_cast<phBoundPolygonal&>(*Bound);
        out = point - Place(ElementPosition(polygonal, kind, element), LastMatrix);
        return;
    }
    out = point - Place(ToLocal(point, *CurrentMatrix), LastMatrix);
}

void phColliderBase::GetLocalVelocity(const Vector3& point, int, int, int, Vector3& out) const {
    if (ICS) {
        ICS->GetVelocityAtPoint(point, out);
    } else {
        out.Zero();
    }
}

int phColliderBase::TestSegmentWith(phSegment& segment, phIsect* isects, int maxIsects,
                                    bool point) {
    Vector3 centre;
    Bound->GetWorldCentroid(*CurrentMatrix, centre);
    if (!phSegmentNearPoint(centre, Bound->RadiusAroundCentroid, segment)) {
        return 0;
    }
    phSegment local = segment;
    local.Start = ToLocal(segment.Start, *CurrentMatrix);
    local.End = ToLocal(segment.End, *CurrentMatrix);
    local.Update();
    int count = point ? Bound->TestSegmentPoint(local, isects, maxIsects)
                      : Bound->TestSegment(local, isects, maxIsects);
    for (int i = 0; i < count; ++i) {
        phTransformRay(isects[i], *CurrentMatrix);
        if (!point) {
            isects[i].Collider = this;
        }
    }
    return count;
}

int phColliderBase::TestSegment(phSegment& segment, phIsect* isects, int maxIsects) {
    return TestSegmentWith(segment, isects, maxIsects, false);
}

int phColliderBase::TestSegmentPoint(phSegment& segment, phIsect* isects, int maxIsects) {
    return TestSegmentWith(segment, isects, maxIsects, true);
}

void phColliderBase::ApplyGravity() {
    Assert(ICS);
    ICS->Force.y += Bound->GravityScale * ICS->Mass * -phCollision::Gravity;
    const Vector3& position = ICS->Matrix.d;
    phDebugLineAdd(position, position + ICS->Force * ICS->GetMobileInvMass(), ForceColour);
}

void phColliderBase::ApplyDrag(float coefficient, const Vector3& airVelocity, phBound* bound) {
    if (ICS) {
        ApplyDragToPolygons(coefficient, airVelocity, bound ? bound : Bound);
    }
}

// Each face moving into the air is held back along its normal, by its area and the square of
// that speed. The normal is turned with the body: a stored normal is in the bound's frame.
void phColliderBase::ApplyDragToPolygons(float coefficient, const Vector3& airVelocity,
                                         phBound* bound) {
    if (bound->Type != phBound::GEOMETRY && bound->Type != phBound::BOX) {
        return;
    }
    phBoundPolygonal& polygonal = static_cast<phBoundPolygonal&>(*bound);
    const Matrix34& matrix = ICS->Matrix;
    for (int i = polygonal.NumPolygons - 1; i >= 0; --i) {
        const phPolygon& polygon = polygonal.Polygons[i];
        Vector3 centroid = Place(ElementPosition(polygonal, 2, i), matrix);
        Vector3 velocity;
        ICS->GetVelocityAtPoint(centroid, velocity);
        velocity -= airVelocity;
        Vector3 normal = phRotateToWorld(polygon.Normal, matrix);
        float s = velocity.Dot(normal);
        if (s > 0.0f) {
            Vector3 force = normal * -(polygon.Area * s * s * coefficient);
            ICS->Force += force;
            Vector3 torque;
            torque.Cross(centroid - matrix.d, force);
            ICS->Torque += torque;
            phDebugLineAdd(centroid, centroid + force * ICS->GetMobileInvMass(), ForceColour);
        }
    }
}
