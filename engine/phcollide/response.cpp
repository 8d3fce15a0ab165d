// The response to impacts: a contact force through the contact manager where it takes the
// contact, else an impulse with pushes; one impact at a time or a list of them together.
#include "phbound/bound.h"
#include "phbound/impact.h"
#include "phcollide/collider.h"
#include "phcollide/contactmgr.h"

bool phCollision::ApplyContactResponse(phContactMgr* mgr, phImpact& impact, const Vector3& velA,
                                       const Vector3& velB, const Vector3& impulse,
                                       const Vector3& pushA, const Vector3& pushB,
                                       bool capDepth) {
    if (!UseContacts || !mgr) {
        return false;
    }
    const float invStep = mgr->GetInvTimeStep();
    // A contact is only ever given the margin's worth of depth; the pushes see the rest.
    const float depth = impact.Depth;
    if (capDepth && depth >= phBound::DefaultMargin) {
        impact.Depth = phBound::DefaultMargin;
    }
    Vector3 force;
    Matrix34 k;
    bool taken = mgr->ProcessImpact(impact, velA, velB, impulse * invStep, force, k);
    impact.Depth = depth;
    if (taken) {
        impact.ApplyForceAndPush(force, pushA, pushB, k);
    }
    return taken;
}

namespace {

// What an impact asks for: the velocities of its point on both sides, its impulse (times
// scale) and its pushes.
struct Answer {
    Vector3 VelA;
    Vector3 VelB;
    Vector3 Impulse;
    Vector3 PushA;
    Vector3 PushB;
};

Answer ComputeAnswer(phImpact& impact, float scale) {
    Answer answer;
    impact.GetLocalVelocity(answer.VelA, answer.VelB);
    impact.ComputeImpulse(answer.VelA - answer.VelB, scale, answer.PushA, answer.PushB,
                          answer.Impulse);
    return answer;
}

void RemoveImpact(phImpact* impacts, int& count, int index) {
    for (int k = index; k + 1 < count; ++k) {
        impacts[k] = impacts[k + 1];
    }
    --count;
}

// The relative velocity (A's less B's) that the impulse on A at the source impact's point
// (B taking its negation) adds at the target impact's point.
Vector3 VelocityChange(const phImpact& source, const phImpact& target, const Vector3& impulse) {
    return phRotateToWorld(impulse, source.PairInverseMass(target.Position, source.Position));
}

}  // namespace

bool phCollision::ResolveImpacts(phContactMgr* mgr, phImpact& impact, float scale) {
    Answer a = ComputeAnswer(impact, scale);
    if (ApplyContactResponse(mgr, impact, a.VelA, a.VelB, a.Impulse, a.PushA, a.PushB, true)) {
        return true;
    }
    impact.ApplyImpulseAndPush(a.Impulse, a.PushA, a.PushB);
    return false;
}

// Each impact's impulse (its bounce taken out) is tried on the others: an impact that it
// leaves separating needs no answer of its own. Only a single impact left is answered here;
// more are left to the caller.
int phCollision::ResolveImpactList(phContactMgr* mgr, int& count, phImpact* impacts) {
    for (int i = 0; i < count;) {
        phImpact& impact = impacts[i];
        Answer a = ComputeAnswer(impact, 1.0f);
        if (ApplyContactResponse(mgr, impact, a.VelA, a.VelB, a.Impulse, a.PushA, a.PushB,
                                 true)) {
            RemoveImpact(impacts, count, i);
            continue;
        }
        Vector3 impulse = a.Impulse * (1.0f / (1.0f + impact.Elasticity));
        for (int j = 0; j < count;) {
            if (j == i) {
                ++j;
                continue;
            }
            Vector3 otherA;
            Vector3 otherB;
            impacts[j].GetLocalVelocity(otherA, otherB);
            Vector3 after = otherA - otherB + VelocityChange(impacts[i], impacts[j], impulse);
            if (after.Dot(impacts[j].Normal) > 0.0f) {
                RemoveImpact(impacts, count, j);
                if (j < i) {
                    --i;
                }
                continue;
            }
            ++j;
        }
        ++i;
    }
    if (count == 1) {
        ResolveImpacts(nullptr, impacts[0], 1.0f);
    }
    return count;
}
