// Colliders: impulses, contact forces and pushes applied to the rigid body (through the
// component callback first where one is set), and the inverse-mass queries.
#include "phcollide/collider.h"

#include <cmath>

#include "data/callback.h"
#include "data/timemgr.h"
#include "phbound/bound.h"
#include "phbound/impact.h"
#include "phcollide/contact.h"
#include "phcore/debuglines.h"
#include "phinertia/inertia.h"

namespace {

const uint32_t ForceColour = 0xFFFF00FF;
const uint32_t ImpulseColour = 0xFFFFFF00;
const uint32_t PushColour = 0xFFFF0000;

bool IsComposite(const phBound* bound) {
    return bound->Type == phBound::COMPOSITE || bound->Type == phBound::WRAPPER;
}

// The inverse mass of a collider's point along a direction (0 when it cannot move).
float MobilityAlong(phColliderBase& collider, int component, const Vector3& point,
                    const Vector3& direction) {
    Matrix34 m;
    collider.GetInverseMassMatrix(point, m, component);
    return direction.Dot(phRotateToWorld(direction, m));
}

Matrix34 Scaled3x3(const Matrix34& k, float factor) {
    Matrix34 out = k;
    out.a = k.a * factor;
    out.b = k.b * factor;
    out.c = k.c * factor;
    return out;
}

}  // namespace

void phShareStiffness(phColliderBase& a, int componentA, phColliderBase& b, int componentB,
                      const Vector3& point, const Vector3& normal, const Matrix34& k,
                      Matrix34& kA, Matrix34& kB) {
    float mobileA = MobilityAlong(a, componentA, point, normal);
    float mobileB = MobilityAlong(b, componentB, point, normal);
    float both = mobileA + mobileB;
    bool shared = mobileA > 0.0f && mobileB > 0.0f && std::isfinite(both);
    kA = shared ? Scaled3x3(k, both / mobileA) : k;
    kB = shared ? Scaled3x3(k, both / mobileB) : k;
}

int phFeatureKind(int type, bool sideA) {
    switch (type) {
        case phImpact::EDGE_EDGE:
            return 1;
        case phImpact::A_ON_FACE:
            return sideA ? 0 : 2;
        case phImpact::B_ON_FACE:
            return sideA ? 2 : 0;
        default:
            return -1;
    }
}

// This collider's side of an impact or contact, and the collider on the other side.
struct phColliderBase::Side {
    int Component;
    int Element;
    int Kind;
    const phColliderBase* Other;
};

phColliderBase::Side phColliderBase::SideOf(const phImpact& impact) const {
    bool a = impact.ColliderA == this;
    return a ? Side{impact.ComponentA, impact.FeatureA, phFeatureKind(impact.Type, true),
                    impact.ColliderB}
             : Side{impact.ComponentB, impact.FeatureB, phFeatureKind(impact.Type, false),
                    impact.ColliderA};
}

phColliderBase::Side phColliderBase::SideOf(const phContact& contact) const {
    bool a = contact.A == this;
    return a ? Side{contact.ComponentA, contact.ElementA, phFeatureKind(contact.Type, true),
                    contact.B}
             : Side{contact.ComponentB, contact.ElementB, phFeatureKind(contact.Type, false),
                    contact.A};
}

// The one path of every apply operation: the component callback sees the values first, then
// the rigid body takes them (an impulse, a force into the frame's contact force, or a force
// with stiffness), then the push; the largest push of the frame names its giver.
void phColliderBase::Deliver(const Side& side, uint8_t mode, const Vector3& value,
                             const Vector3& push, const Vector3& point, const Matrix34* k) {
    bool pushes = !push.IsZero();
    if (ComponentCallback) {
        Vector3 valueCopy = value;
        Vector3 pushCopy = push;
        Vector3 pointCopy = point;
        phComponentApply record{mode,       side.Component, side.Element,          side.Kind,
                                &valueCopy, pushes ? &pushCopy : nullptr, &pointCopy};
        ComponentCallback->Call(uintptr_t(&record));
    }
    if (ICS) {
        Vector3 arm = point - ICS->Matrix.d;
        Vector3 moment;
        moment.Cross(arm, value);
        float inverseMass = ICS->GetMobileInvMass();
        if (mode == phComponentApply::IMPULSE) {
            ICS->Impulse += value;
            ICS->AngImpulse += moment;
            phDebugLineAdd(point, point + value * (inverseMass / datTimeManager::Seconds),
                           ImpulseColour);
        } else if (k) {
            ICS->ApplyContactForce(value, point, *k);
        } else {
            ICS->OtherForce += value;
            ICS->OtherTorque += moment;
            phDebugLineAdd(point, point + ICS->OtherForce * inverseMass, ForceColour);
        }
        if (pushes) {
            ICS->AddPush(push);
            phDebugLineAdd(ICS->Matrix.d, ICS->Matrix.d + push, PushColour);
        }
    }
    float push2 = push.Mag2();
    if (push2 > MaxPush2) {
        MaxPush2 = push2;
        Pusher = side.Other ? side.Other->GetColliderID() : 0;
    }
}

void phColliderBase::ApplyImpulse(const phImpact& impact, const Vector3& impulse) {
    ApplyImpulseAndPush(impact, impulse, Vector3::sm_Zero);
}

void phColliderBase::ApplyImpulseAndPush(const phImpact& impact, const Vector3& impulse,
                                         const Vector3& push) {
    Deliver(SideOf(impact), phComponentApply::IMPULSE, impulse, push, impact.Position, nullptr);
    if (ImpulseCallback) {
        phImpulseReport report{&impulse, &impact};
        ImpulseCallback->Call(uintptr_t(&report));
    }
}

void phColliderBase::ApplyContactForce(const Vector3& force, const phContact& contact) {
    Deliver(SideOf(contact), phComponentApply::FORCE, force, Vector3::sm_Zero, contact.Point,
            nullptr);
}

void phColliderBase::ApplyContactForce(const Vector3& force, const phContact& contact,
                                       const Matrix34& k) {
    Deliver(SideOf(contact), phComponentApply::FORCE, force, Vector3::sm_Zero, contact.Point, &k);
}

void phColliderBase::ApplyContactForceAndPush(const phImpact& impact, const Vector3& force,
                                              const Vector3& point, const Vector3& push,
                                              const Matrix34& k) {
    Deliver(SideOf(impact), phComponentApply::FORCE, force, push, point, &k);
}

void phColliderBase::GetInverseMassMatrix(const Vector3& pointA, const Vector3& pointB,
                                          Matrix34& out, int component) {
    if (ICS) {
        ICS->GetInverseMassMatrix(pointA, pointB, out);
    } else {
        out.Zero();
    }
    if (ComponentCallback && IsComposite(Bound)) {
        Bound->AdjustLocalVelocityEx(out, component, pointA, pointB);
    }
}

void phColliderBase::GetInverseMassMatrix(const Vector3& point, Matrix34& out, int component) {
    if (ICS) {
        ICS->GetInverseMassMatrix(point, out);
    } else {
        out.Zero();
    }
    if (ComponentCallback && IsComposite(Bound)) {
        Bound->AdjustLocalVelocity(out, component, point);
    }
}
