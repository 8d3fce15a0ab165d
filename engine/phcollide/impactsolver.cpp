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

namespace {

// The way a point goes back out: one that its friction holds came in along its own motion (a
// body lying on a slope sinks straight down by the step's gravity) and goes back the same way;
// pushed out along the normal, it would creep down the slope by the normal's slant every
// step. One that slides goes out along the normal.
Vector3 WayOut(const phImpact& impact, const Vector3& velocity) {
    float approach = -velocity.Dot(impact.Normal);
    Vector3 across = velocity + impact.Normal * approach;
    float friction = impact.Friction;
    if (!(approach > 0.0f) || across.Mag2() > friction * friction * approach * approach) {
        return impact.Normal;
    }
    return velocity * (-1.0f / approach);
}

}  // namespace

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
        p.Alone.Set(impact.Normal, impact.Friction, p.K);
        Matrix34 ka;
        Matrix34 kb;
        impact.InverseMassMatrices(ka, kb);
        Vector3 pushA;
        Vector3 pushB;
        impact.ComputePushes(ka, kb, WayOut(impact, p.Velocity), pushA, pushB);
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

float phImpactSolver::Relax(Point& p) {
    Vector3 free = CurrentVelocity(p) - phRotateToWorld(p.Impulse, p.K);
    Vector3 change = p.Alone.Find(free, p.Target) - p.Impulse;
    if (change.IsZero()) {
        return 0.0f;
    }
    p.Impulse += change;
    // Each round's change is applied on its own: an impulse callback hears it as one impulse.
    p.Impact.ApplyImpulseAndPush(change, Vector3::sm_Zero, Vector3::sm_Zero);
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
