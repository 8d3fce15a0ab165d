// The impacts of one step answered together: sequential impulses over all of them, each
// applied to the bodies as soon as it is found, so that every impact sees the others'.
#include "phcollide/impactsolver.h"

#include <algorithm>

#include "phbound/bound.h"
#include "phcollide/collider.h"
#include "phinertia/inertia.h"

void phImpactSolver::Side::Set(const phColliderBase* collider) {
    Body = collider->ICS;
    if (Body) {
        Body->GetWorldInverseInertia(InvInertia);
        InvMass = Body->GetMobileInvMass();
    }
}

Vector3 phImpactSolver::Side::Gathered(const Vector3& point) const {
    if (!Body) {
        return Vector3::sm_Zero;
    }
    Vector3 spin;
    spin.Cross(phRotateToWorld(Body->AngImpulse, InvInertia), point - Body->Matrix.d);
    return Body->Impulse * InvMass + spin;
}

void phImpactSolver::Add(phImpact* impacts, int count) {
    for (int i = 0; i < count; ++i) {
        phImpact& impact = impacts[i];
        impact.CombineMaterials();
        Point p;
        p.Impact = impact;
        Vector3 va;
        Vector3 vb;
        impact.GetLocalVelocity(va, vb);
        p.Velocity = va - vb;
        p.Impulse.Zero();
        p.K = impact.PairInverseMass(impact.Position, impact.Position);
        p.A.Set(impact.ColliderA);
        p.B.Set(impact.ColliderB);
        p.Target = 0.0f;
        Matrix34 ka;
        Matrix34 kb;
        impact.InverseMassMatrices(ka, kb);
        Vector3 pushA;
        Vector3 pushB;
        impact.ComputePushes(ka, kb, pushA, pushB);
        impact.ApplyImpulseAndPush(Vector3::sm_Zero, pushA, pushB);
        m_Points.push_back(p);
    }
}

void phImpactSolver::Forget(const phColliderBase* collider) {
    m_Points.erase(std::remove_if(m_Points.begin(), m_Points.end(),
                                  [collider](const Point& p) {
                                      return p.Impact.ColliderA == collider ||
                                             p.Impact.ColliderB == collider;
                                  }),
                   m_Points.end());
}

Vector3 phImpactSolver::CurrentVelocity(const Point& p) {
    const Vector3& at = p.Impact.Position;
    return p.Velocity + p.A.Gathered(at) - p.B.Gathered(at);
}

// Along the normal to the target speed, never pulling; then across it to stop the sliding,
// within the friction cone.
float phImpactSolver::Relax(Point& p) {
    const phImpact& impact = p.Impact;
    const Vector3& n = impact.Normal;
    float stiffness = n.Dot(phRotateToWorld(n, p.K));
    if (!(stiffness > 0.0f)) {
        return 0.0f;
    }
    Vector3 velocity = CurrentVelocity(p);
    float normal = p.Impulse.Dot(n);
    Vector3 across = p.Impulse - n * normal;
    float wanted = std::max(normal + (p.Target - velocity.Dot(n)) / stiffness, 0.0f);
    velocity += phRotateToWorld(n * (wanted - normal), p.K);
    Vector3 slide = velocity - n * velocity.Dot(n);
    float speed = slide.Mag();
    if (speed > 0.0f) {
        Vector3 t = slide * (1.0f / speed);
        float along = t.Dot(phRotateToWorld(t, p.K));
        if (along > 0.0f) {
            across -= t * (speed / along);
        }
    }
    // A negative friction would turn the cone inside out and push the slide on.
    float limit = std::max(impact.Friction, 0.0f) * wanted;
    float length = across.Mag();
    if (length > limit) {
        across = length > 0.0f ? across * (limit / length) : Vector3::sm_Zero;
    }
    Vector3 change = n * wanted + across - p.Impulse;
    if (change.IsZero()) {
        return 0.0f;
    }
    p.Impulse += change;
    // Each round's change is applied on its own: an impulse callback hears it as one impulse.
    impact.ApplyImpulseAndPush(change, Vector3::sm_Zero, Vector3::sm_Zero);
    return phRotateToWorld(change, p.K).Mag();
}

void phImpactSolver::Solve() {
    // How fast each point approaches before this step's impulses: a fast one is to bounce.
    for (Point& p : m_Points) {
        float approach = CurrentVelocity(p).Dot(p.Impact.Normal);
        float elasticity = std::min(std::max(p.Impact.Elasticity, 0.0f), 1.0f);
        p.Target = approach < -RestingApproach ? -elasticity * approach : 0.0f;
    }
    for (int round = 0; round < MaxRounds; ++round) {
        float largest = 0.0f;
        for (Point& p : m_Points) {
            largest = std::max(largest, Relax(p));
        }
        if (largest < SettledSpeed) {
            break;
        }
    }
}
