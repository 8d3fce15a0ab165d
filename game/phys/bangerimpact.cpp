// The response to a mover hitting a prop that still stands in its place: the prop is taken
// as immovable up to its squared impulse limit; beyond it the rest of the impulse is shared
// as between two free bodies and the prop breaks loose.
#include <cmath>

#include "phbound/bound.h"
#include "phcollide/collision.h"
#include "phcollide/contactmgr.h"
#include "phinertia/inertia.h"
#include "phys/physmgr.h"

namespace {

// Approaches up to this separating speed are answered.
const float ApproachSpeed = 0.01f;
const float SmallestMobility = 1e-5f;

// The point's velocity as a point of the collider's body; zero for one without a body.
Vector3 PointVelocity(const phColliderBase* collider, const Vector3& point) {
    Vector3 velocity(0.0f, 0.0f, 0.0f);
    if (collider && collider->ICS) {
        collider->ICS->GetVelocityAtPoint(point, velocity);
    }
    return velocity;
}

}  // namespace

bool qvPhysManager::BangerImpact(phImpact& impact, float weight, float limit) {
    Vector3 velocityA = PointVelocity(impact.ColliderA, impact.Position);
    Vector3 velocityB = PointVelocity(impact.ColliderB, impact.Position);
    Vector3 pushA, pushB, impulseA, impulseB;
    bool exceeded = BangerImpulse(impact, velocityA - velocityB, weight, pushA, pushB, impulseA,
                                  impulseB, limit);
    if (phCollision::UseContacts && m_ContactMgr) {
        // The manager keeps the contact for the frame; the impulses below answer it now.
        Vector3 force;
        Matrix34 k;
        m_ContactMgr->ProcessImpact(impact, velocityA, velocityB,
                                    impulseA * m_ContactMgr->GetInvTimeStep(), force, k);
    }
    impact.ColliderA->ApplyImpulseAndPush(impact, impulseA, pushA);
    impact.ColliderB->ApplyImpulseAndPush(impact, impulseB, pushB);
    return exceeded;
}

bool qvPhysManager::BangerImpulse(const phImpact& impact, const Vector3& v, float weight,
                                  Vector3& pushA, Vector3& pushB, Vector3& impulseA,
                                  Vector3& impulseB, float limit) {
    const Vector3& n = impact.Normal;
    Matrix34 ka;
    Matrix34 kb;
    impact.ColliderA->GetInverseMassMatrix(impact.Position, ka, impact.ComponentA);
    kb.Zero();
    Vector3 limitImpulse(0.0f, 0.0f, 0.0f);
    Vector3 j(0.0f, 0.0f, 0.0f);
    bool exceeded = false;
    const float approach = v.Dot(n);
    if (approach <= ApproachSpeed) {
        // The impulse that stops A at the point.
        ka.SolvePivoted(j, v * -1.0f);
        // What the impulse answers: A alone against the standing prop, or, once the prop
        // gives way, both bodies and the velocity its limit left.
        Matrix34 k = ka;
        Vector3 rest = v;
        const float j2 = j.Mag2();
        if (j2 > limit) {
            limitImpulse = j * std::sqrt(limit / j2);
            rest = v + phRotateToWorld(limitImpulse, ka);
            impact.ColliderB->GetInverseMassMatrix(impact.Position, kb, impact.ComponentB);
            k.Add3x3(kb);
            k.SolvePivoted(j, rest * -1.0f);
            exceeded = true;
        }
        // Outside the friction cone the impulse goes along its edge and stops only the
        // approach.
        const float jn = j.Dot(n);
        Vector3 jt = j - n * jn;
        const float jtLength = jt.Mag();
        if (jtLength > impact.Friction * jn) {
            Vector3 t = jtLength > 0.0f ? n + jt * (impact.Friction / jtLength) : n;
            Vector3 kt = t;
            kt.Transform(k);
            const float mobility = t.Dot(kt);
            j = std::fabs(mobility) >= SmallestMobility ? t * (-rest.Dot(n) / mobility)
                                                          : Vector3(0.0f, 0.0f, 0.0f);
        }
        j.Scale(1.0f + impact.Elasticity);
    }

    pushA.Zero();
    pushB.Zero();
    const float excess = impact.Depth - phBound::DefaultMargin;
    if (excess > 0.0f) {
        float wA = phRotateToWorld(n, ka).Mag();
        float wB = phRotateToWorld(n, kb).Mag();
        if (wA + wB == 0.0f) {
            wA = wB = 0.5f;
        }
        const float sum = wA + wB;
        pushA = n * (excess * wA / sum);
        pushB = n * (-excess * wB / sum);
        // Nobody is pushed down: the other side is pushed up by as much.
        if (pushA.y >= 0.0f && pushB.y < 0.0f) {
            pushA.y -= pushB.y;
            pushB.y = 0.0f;
        }
        if (pushA.y < 0.0f) {
            pushB.y -= pushA.y;
            pushA.y = 0.0f;
        }
    }
    impulseA = (limitImpulse + j) * weight;
    impulseB = j * -weight;
    return exceeded;
}
