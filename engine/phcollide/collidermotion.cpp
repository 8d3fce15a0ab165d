// Colliders: how their points move, segment tests in world space, gravity and air drag.
#include "phcollide/collider.h"

#include <cmath>

#include "data/assert.h"
#include "data/timemgr.h"
#include "phbound/boundcontainer.h"
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

// A composite (or a wrapper of one) whose parts move within it, as the motion queries of a
// collider with a component callback see it; null otherwise.
const phBoundComposite* MovingComposite(const phBound* bound) {
    if (bound->Type == phBound::WRAPPER) {
        bound = static_cast<const phBoundWrapper*>(bound)->Wrapped;
    }
    if (!bound || bound->Type != phBound::COMPOSITE || !(bound->ComponentMotion > 0.0f)) {
        return nullptr;
    }
    return static_cast<const phBoundComposite*>(bound);
}

// Where a point of the collider's frame, carried by the part, stood in that frame a frame ago.
Vector3 PartLastPosition(const phBoundComposite& composite, int component,
                         const Vector3& local) {
    if (component < 0 || component >= composite.GetNumBounds() || !composite.LastMatrices) {
        return local;
    }
    return Place(ToLocal(local, composite.Matrices[component]),
                 composite.LastMatrices[component]);
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

void phColliderBase::GetLocalMotion(const Vector3& point, int component, int kind, int element,
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
    Vector3 local = ToLocal(point, *CurrentMatrix);
    const phBoundComposite* composite = ComponentCallback ? MovingComposite(Bound) : nullptr;
    if (composite) {
        local = PartLastPosition(*composite, component, local);
    }
    out = point - Place(local, LastMatrix);
}

void phColliderBase::GetLocalVelocity(const Vector3& point, int component, int, int,
                                      Vector3& out) const {
    if (ICS) {
        ICS->GetVelocityAtPoint(point, out);
    } else {
        out.Zero();
    }
    const phBoundComposite* composite = ComponentCallback ? MovingComposite(Bound) : nullptr;
    if (composite && datTimeManager::Seconds > 0.0f) {
        Vector3 local = ToLocal(point, *CurrentMatrix);
        Vector3 partMotion = local - PartLastPosition(*composite, component, local);
        out += phRotateToWorld(partMotion, *CurrentMatrix) * (1.0f / datTimeManager::Seconds);
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
        ApplyDragToBound(coefficient, airVelocity, bound ? bound : Bound, ICS->Matrix);
    }
}

// Composites part by part from the last, each placed by its matrix in the body; wrappers
// through the bound they wrap (brought up to date first); geometry and boxes face by face;
// other shapes feel no drag.
void phColliderBase::ApplyDragToBound(float coefficient, const Vector3& airVelocity,
                                      phBound* bound, const Matrix34& placement) {
    switch (bound->Type) {
        case phBound::COMPOSITE: {
            phBoundComposite* composite = static_cast<phBoundComposite*>(bound);
            for (int i = composite->GetNumBounds() - 1; i >= 0; --i) {
                Matrix34 part;
                part.Dot(composite->Matrices[i], placement);
                ApplyDragToBound(coefficient, airVelocity, composite->Bounds[i], part);
            }
            return;
        }
        case phBound::WRAPPER: {
            phBoundWrapper* wrapper = static_cast<phBoundWrapper*>(bound);
            wrapper->PrepareWrapped();
            if (wrapper->Wrapped) {
                ApplyDragToBound(coefficient, airVelocity, wrapper->Wrapped, placement);
            }
            return;
        }
        case phBound::GEOMETRY:
        case phBound::BOX:
            ApplyDragToPolygons(coefficient, airVelocity, static_cast<phBoundPolygonal&>(*bound),
                                placement);
            return;
        default:
            return;
    }
}

// Each face moving into the air is held back along its normal, by its area and the square of
// that speed. The normal is turned with the body: a stored normal is in the bound's frame.
void phColliderBase::ApplyDragToPolygons(float coefficient, const Vector3& airVelocity,
                                         phBoundPolygonal& polygonal,
                                         const Matrix34& matrix) {
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
            torque.Cross(centroid - ICS->Matrix.d, force);
            ICS->Torque += torque;
            phDebugLineAdd(centroid, centroid + force * ICS->GetMobileInvMass(), ForceColour);
        }
    }
}
