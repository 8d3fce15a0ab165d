// What the response does with one impact: the velocities at its point, its effective mass,
// its materials, and the impulse and pushes that answer it.
#include "phbound/impact.h"

#include <cfloat>
#include <cmath>

#include "data/assert.h"
#include "phbound/bound.h"
#include "phbound/boundcontainer.h"
#include "phcollide/collider.h"
#include "phcore/material.h"
#include "phinertia/inertia.h"

namespace {

// A relative normal velocity above this separates: no impulse.
const float SeparatingSpeed = 0.01f;
const float DegenerateCone = 1e-5f;

// The mass of a side: the largest float for a static side (no rigid body).
float SideMass(const phImpact& impact, const phColliderBase* collider, int component) {
    const phInertialCS* ics = collider->ICS;
    if (!ics) {
        return FLT_MAX;
    }
    float mass = ics->Mass;
    if (collider->ComponentCallback) {
        mass = collider->Bound->GetEffectiveMass(impact.Normal, impact.Position, component, mass);
    }
    return mass;
}

// 1/mass of a side: 0 for a static side and for one of no positive mass.
float SideInverseMass(const phImpact& impact, const phColliderBase* collider, int component) {
    float mass = SideMass(impact, collider, component);
    return mass <= 0.0f || mass >= FLT_MAX ? 0.0f : 1.0f / mass;
}

}  // namespace

void phImpact::GetLocalVelocity(Vector3& velocityA, Vector3& velocityB) const {
    int kindA = phFeatureKind(Type, true);
    if (kindA < 0) {
        // The report quotes the expression: keep its spelling.
        Assert("Tried to GetLocalVelocity from an impact with no Type" && 0);
        return;
    }
    ColliderA->GetLocalVelocity(Position, ComponentA, kindA, FeatureA, velocityA);
    ColliderB->GetLocalVelocity(Position, ComponentB, phFeatureKind(Type, false), FeatureB,
                                velocityB);
}

void phImpact::GetLocalVelocity(Vector3& relativeMotion) const {
    int kindA = phFeatureKind(Type, true);
    if (kindA < 0) {
        Assert("Tried to GetLocalVelocity from an impact with no Type" && 0);
        return;
    }
    Vector3 motionA;
    Vector3 motionB;
    ColliderA->GetLocalMotion(Position, ComponentA, kindA, FeatureA, motionA);
    ColliderB->GetLocalMotion(Position, ComponentB, phFeatureKind(Type, false), FeatureB,
                              motionB);
    relativeMotion = motionA - motionB;
}

// A side without a rigid body cannot be moved: it counts as infinitely heavy, and two such
// sides give the largest float. A side of mass 0 makes the pair weightless: 0.
float phImpact::GetEffectiveMass() const {
    if (SideMass(*this, ColliderA, ComponentA) == 0.0f ||
        SideMass(*this, ColliderB, ComponentB) == 0.0f) {
        return 0.0f;
    }
    float s = SideInverseMass(*this, ColliderA, ComponentA) +
              SideInverseMass(*this, ColliderB, ComponentB);
    return s == 0.0f ? FLT_MAX : 1.0f / s;
}

namespace {

// The material of a bound as one side of an impact: a composite asks its part, a wrapper the
// bound it wraps, a terrain or level bound the polygon's material.
phMaterial* SideMaterial(phBound* bound, int component) {
    switch (bound->Type) {
        case phBound::COMPOSITE: {
            phBoundComposite* composite = static_cast<phBoundComposite*>(bound);
            if (composite->SingleBound) {
                return composite->SingleBound->GetMaterial(0);
            }
            // The report quotes the expression: keep its spelling.
            Assert("The component number was not set in the composite collision" && component>=0 && component<composite->GetNumBounds());
            return composite->GetComponentMaterial(0, component);
        }
        case phBound::WRAPPER:
            return SideMaterial(static_cast<phBoundWrapper*>(bound)->Wrapped, component);
        case phBound::TERRAIN:
        case phBound::TERRAIN_ALT:
        case phBound::LEVEL:
            AssertText(component >= 0 && component < bound->GetNumMaterials(),
                       "\"The material index was not set correctly in the terrain/levelbound collision\" && component>=0 && component<collider->GetBound()->GetNumMaterials()");
            return bound->GetMaterial(component);
        default:
            return bound->GetMaterial(0);
    }
}

}  // namespace

phMaterial* phImpact::GetMaterial(phColliderBase* collider, int component) {
    return SideMaterial(collider->GetBound(), component);
}

void phImpact::CombineMaterials() {
    phMaterial* a = GetMaterial(ColliderA, ComponentA);
    phMaterial* b = GetMaterial(ColliderB, ComponentB);
    Friction = a->Friction * b->Friction;
    Elasticity = a->Elasticity * b->Elasticity;
}

void phImpact::InverseMassMatrices(Matrix34& ka, Matrix34& kb) const {
    ColliderA->GetInverseMassMatrix(Position, ka, ComponentA);
    ColliderB->GetInverseMassMatrix(Position, kb, ComponentB);
}

Matrix34 phImpact::PairInverseMass(const Vector3& at, const Vector3& from) const {
    Matrix34 ka;
    Matrix34 kb;
    ColliderA->GetInverseMassMatrix(at, from, ka, ComponentA);
    ColliderB->GetInverseMassMatrix(at, from, kb, ComponentB);
    ka.Add3x3(kb);
    return ka;
}

// Outside the friction cone the impulse turns to the cone's edge, u = n + mu t/|t|, and is
// sized so that the normal approach stops: n·K·j = -d·n.
bool phImpact::ClipToFrictionCone(Vector3& j, const Matrix34& k, float approach) const {
    const Vector3& n = Normal;
    float jn = j.Dot(n);
    Vector3 t = j - n * jn;
    float tLength = t.Mag();
    if (jn * Friction >= tLength) {
        return true;
    }
    Vector3 u = tLength > 0.0f ? t * (Friction / tLength) + n : n;
    // Sized along the normal (n·K·u), so that the normal approach stops exactly; u·K·u
    // would leave part of it. A non-positive q would pull the bodies together.
    float q = n.Dot(phRotateToWorld(u, k));
    if (!(q >= DegenerateCone)) {
        return false;
    }
    j = u * (-approach / q);
    return true;
}

void phImpact::ComputeImpulse(const Vector3& d, float scale, Vector3& pushA, Vector3& pushB,
                              Vector3& impulse) {
    Matrix34 ka;
    Matrix34 kb;
    InverseMassMatrices(ka, kb);
    Matrix34 k = ka;
    k.Add3x3(kb);

    impulse.Zero();
    float approach = d.Dot(Normal);
    if (approach <= SeparatingSpeed) {
        Vector3 j;
        k.SolvePivoted(j, d * -1.0f);
        CombineMaterials();
        if (!ClipToFrictionCone(j, k, approach)) {
            j = Vector3::sm_Zero;
        }
        impulse = j * (1.0f + Elasticity);
    }
    ComputePushes(ka, kb, pushA, pushB);
    impulse.Scale(scale);
}

void phImpact::ComputePushes(const Matrix34& ka, const Matrix34& kb, Vector3& pushA,
                             Vector3& pushB) const {
    ComputePushes(ka, kb, Normal, pushA, pushB);
}

void phImpact::ComputePushes(const Matrix34& ka, const Matrix34& kb, const Vector3& way,
                             Vector3& pushA, Vector3& pushB) const {
    const Vector3& n = Normal;
    pushA.Zero();
    pushB.Zero();
    float excess = Depth - phBound::DefaultMargin;
    float a = phRotateToWorld(n, ka).Mag2();
    float b = phRotateToWorld(n, kb).Mag2();
    // Two sides that cannot move (static or fixed) share nothing: a push of half the excess
    // would move a fixed body.
    if (!(excess > 0.0f && (a > 0.0f || b > 0.0f))) {
        return;
    }
    float shareA = 0.5f;
    float shareB = 0.5f;
    if (a > b) {
        shareA = 1.0f / (std::sqrt(b / a) + 1.0f);
        shareB = 1.0f - shareA;
    } else if (a < b) {
        shareB = 1.0f / (std::sqrt(a / b) + 1.0f);
        shareA = 1.0f - shareB;
    }
    pushA = way * (shareA * excess);
    pushB = way * -(shareB * excess);
    // Nothing is pushed down while the other side can take it up.
    if (pushA.y < 0.0f && b > 0.0f) {
        pushB.y -= pushA.y;
        pushA.y = 0.0f;
    } else if (pushB.y < 0.0f && a > 0.0f) {
        pushA.y -= pushB.y;
        pushB.y = 0.0f;
    }
}

void phImpact::ApplyForceAndPush(const Vector3& force, const Vector3& pushA,
                                 const Vector3& pushB, const Matrix34& k) const {
    Matrix34 kA;
    Matrix34 kB;
    phShareStiffness(*ColliderA, ComponentA, *ColliderB, ComponentB, Position, Normal, k, kA, kB);
    ColliderA->ApplyContactForceAndPush(*this, force, Position, pushA, kA);
    ColliderB->ApplyContactForceAndPush(*this, force * -1.0f, Position, pushB, kB);
}

void phImpact::ApplyImpulseAndPush(const Vector3& impulse, const Vector3& pushA,
                                   const Vector3& pushB) const {
    ColliderA->ApplyImpulseAndPush(*this, impulse, pushA);
    ColliderB->ApplyImpulseAndPush(*this, impulse * -1.0f, pushB);
}

// A body that cannot move along n takes no impulse.
float phImpact::ImpulseToStop(const phInertialCS& body, const Vector3& n, float s,
                              const Vector3& point) {
    if (s >= 0.0f) {
        return 0.0f;
    }
    Matrix34 m;
    body.GetInverseMassMatrix(point, m);
    float q = n.Dot(phRotateToWorld(n, m));
    return q > 0.0f ? -s / q : 0.0f;
}
