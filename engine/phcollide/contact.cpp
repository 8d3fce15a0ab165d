// Contacts: creation from an impact, mirroring, and the solve that turns a contact into a
// penalty force with the stiffness matrix of the implicit step.
#include "phcollide/contact.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "data/assert.h"
#include "phbound/bound.h"
#include "phbound/impact.h"
#include "phcollide/collider.h"
#include "phcore/debuglines.h"
#include "phinertia/inertia.h"
#include "vector/nanfill.h"

namespace {

const uint32_t ForceColour = 0xFFFF00FF;
// Below these the tangential step, the cone test and the crossing are taken as degenerate.
const float TinyStep2 = 1e-10f;
const float TinyCrossing = 1e-20f;
const float TinyVelocityChange2 = 1e-12f;
const float CosineKeep = 0.95f;

static_assert(sizeof(Matrix34) == 12 * sizeof(float), "the watched snapshot copies matrices");

// The spring constant that lets a quarter of the weight rest at the allowed penetration
// (named as the assertion reports it).
float RestingStiffness(float mass, float Penetration) {
    Assert(Penetration > 0);
    return mass * phCollision::Gravity * 0.25f / Penetration;
}

// s (f I + (r - f) n n^T), row d zero.
Matrix34 StiffnessMatrix(float s, float f, float r, const Vector3& n) {
    float along = s * (r - f);
    Matrix34 k;
    k.a.Set(n * (n.x * along));
    k.b.Set(n * (n.y * along));
    k.c.Set(n * (n.z * along));
    k.a.x += s * f;
    k.b.y += s * f;
    k.c.z += s * f;
    k.d.Zero();
    return k;
}

// A contact force on a body's OtherForce and OtherTorque, with its debug line.
void AddOtherForce(phInertialCS& body, const Vector3& point, const Vector3& force) {
    body.OtherForce += force;
    Vector3 torque;
    torque.Cross(point - body.Matrix.d, force);
    body.OtherTorque += torque;
    phDebugLineAdd(point, point + force * body.GetMobileInvMass(), ForceColour);
}

// The fraction of the tangential step dt (normal step dn) after which a spring still inside
// the cone of half-width mu * depth reaches its rim, at most r.
float ConeFraction(bool sliding, const Vector3& spring, float depth, float mu,
                   const Vector3& dt, float dn, float r) {
    float dt2 = dt.Mag2();
    float limit = mu * depth;
    float cone2 = limit * limit;
    float f;
    if (dt2 < TinyStep2) {
        f = sliding ? 0.0f : 1.0f;
    } else if (dn < 0.0f && dt2 <= (dn * mu) * (dn * mu)) {
        f = 1.0f;
    } else if (spring.Mag2() >= 0.001f * cone2 + TinyStep2) {
        // g(f) = |spring - f dt|^2 - (mu (depth - f dn))^2 = a f^2 + b f + c.
        float a = dt2 - (dn * mu) * (dn * mu);
        float b = 2.0f * (mu * mu * depth * dn - spring.Dot(dt));
        // A sliding spring was put on the rim: c is 0 there, not its rounding.
        float c = sliding ? 0.0f : spring.Mag2() - cone2;
        float disc = b * b - 4.0f * a * c;
        float atR = 2.0f * a * r + b;
        if (disc <= 0.0f || (disc - b * b) * a <= 0.0f) {
            f = 0.0f;
        } else if (a > 0.0f ? disc >= atR * atR : disc <= atR * atR) {
            f = r;
        } else if (b < 0.0f) {
            f = (std::sqrt(disc) - b) / (2.0f * a);
        } else {
            // The same root without the cancellation.
            f = -2.0f * c / (std::sqrt(disc) + b);
        }
    } else {
        float e = std::sqrt(dt2) + dn * mu;
        f = e > limit && e >= TinyCrossing ? limit / e : 1.0f;
    }
    return f < r ? f : r;
}

}  // namespace

float phContact::sm_TimeStep = 0.0f;
float phContact::sm_Seconds = 0.0f;
const phContact* phContact::sm_Watched = nullptr;
float phContact::sm_WatchedMatrices[24] = {
    NanFill, NanFill, NanFill, NanFill, NanFill, NanFill, NanFill, NanFill,
    NanFill, NanFill, NanFill, NanFill, NanFill, NanFill, NanFill, NanFill,
    NanFill, NanFill, NanFill, NanFill, NanFill, NanFill, NanFill, NanFill};
float phContact::sm_PredictedDepth = 0.0f;

void phContact::InitFromImpact(const phImpact& impact) {
    Type = impact.Type;
    ElementA = impact.FeatureA;
    ElementB = impact.FeatureB;
    ComponentA = impact.ComponentA;
    ComponentB = impact.ComponentB;
    ColliderIdA = impact.ColliderA->GetColliderID();
    ColliderIdB = impact.ColliderB->GetColliderID();
    Point = impact.Position;
    Normal = impact.Normal;
    Friction = impact.Friction;
    Elasticity = impact.Elasticity;
    A = impact.ColliderA;
    B = impact.ColliderB;
    ActiveFlag = NEW;
    LastActiveFlag = NEW;
    Touched = 0;
    Penetration = 0.0f;
    Spring.Zero();
    LastRatio = 0.0f;
    LastFraction = 0.0f;
    LastStiffness = 0.0f;
    LastVelA.Zero();
    LastVelB.Zero();
    LastCosine = 0.0f;
    Stiffness = RestingStiffness(impact.GetEffectiveMass(), phCollision::AllowedPenetration);
    Damping = Stiffness * phCollision::DampingFactor;
}

void phContact::Copy(const phContact& from) {
    int32_t prev = HPrev;
    int32_t next = HNext;
    int32_t* ref = meRefIndex;
    *this = from;
    HPrev = prev;
    HNext = next;
    meRefIndex = ref;
}

bool phContact::Matches(const phImpact& impact) const {
    uint32_t idA = impact.ColliderA->GetColliderID();
    uint32_t idB = impact.ColliderB->GetColliderID();
    if (impact.Type == Type && impact.FeatureA == ElementA && impact.FeatureB == ElementB &&
        impact.ComponentA == ComponentA && impact.ComponentB == ComponentB &&
        idA == ColliderIdA && idB == ColliderIdB) {
        return true;
    }
    return impact.Type == (3 - Type) % 3 && impact.FeatureA == ElementB &&
           impact.FeatureB == ElementA && impact.ComponentA == ComponentB &&
           impact.ComponentB == ComponentA && idA == ColliderIdB && idB == ColliderIdA;
}

void phContact::Swap() {
    if (Type > 0) {
        Type = 3 - Type;
    }
    std::swap(ElementA, ElementB);
    std::swap(ComponentA, ComponentB);
    std::swap(ColliderIdA, ColliderIdB);
    Normal.Negate();
    Spring.Negate();
    std::swap(A, B);
    std::swap(LastVelA, LastVelB);
}

bool phContact::Resolve(const phImpact* impact, const Vector3& u, const Vector3& velA,
                        const Vector3& velB, Vector3& outForce, Matrix34& outK,
                        float& outDamping, float dt) {
    const phImpact* I = impact;
    if (I) {
        AssertText(I->ColliderA && I->ColliderB,
                   "\"A contact is missing a collider\" && (I?(I->A&&I->B):true)");
        if (I->ColliderA->GetColliderID() != ColliderIdA) {
            Swap();
        }
        AssertText(I->ColliderA->GetColliderID() == ColliderIdA,
                      "I->A->GetColliderID()==ColliderIdA");
        AssertText(I->ColliderB->GetColliderID() == ColliderIdB,
                      "I->B->GetColliderID()==ColliderIdB");
    }
    float stepTime = ActiveFlag == KEPT ? sm_TimeStep : sm_Seconds;

    if (I) {
        Point = I->Position;
        A = I->ColliderA;
        B = I->ColliderB;
        if (LastActiveFlag != NEW) {
            // The friction state follows the normal: the same extension in the new plane.
            float length = Spring.Mag();
            Spring.AddScaled(I->Normal, -Spring.Dot(I->Normal));
            float projected = Spring.Mag();
            if (projected > 0.0f) {
                Spring.Scale(length / projected);
            } else {
                Spring.Zero();
            }
        }
        Normal = I->Normal;
    }
    if (this == sm_Watched) {
        std::memcpy(sm_WatchedMatrices, A->CurrentMatrix, 12 * sizeof(float));
        std::memcpy(sm_WatchedMatrices + 12, B->CurrentMatrix, 12 * sizeof(float));
    }

    const Vector3& n = Normal;
    float un = u.Dot(n);
    Vector3 ut = u - n * un;
    sm_PredictedDepth = (I ? I->Depth : Penetration) - un * stepTime;

    if (!I) {
        Assert(LastActiveFlag>=0);
        Penetration -= un * stepTime;
    } else {
        Penetration = I->Depth;
    }
    // A contact whose depth is gone breaks, and so does one refreshed by an impact short of
    // touching (depths net of a margin can be negative): neither carries a spring.
    if (Penetration < 0.0f) {
        Spring.Zero();
        outForce.Zero();
        outK.Zero();
        return false;
    }
    if (I) {
        if (LastActiveFlag == NEW) {
            Spring.Zero();
        } else if (LastActiveFlag == DROPPED && -un * stepTime > Penetration) {
            // Back after a dropped frame: only the part of the step spent in contact drags.
            ut.Scale(-Penetration / (un * stepTime));
        }
    }
    Spring.AddScaled(ut, -stepTime);

    float mu = Friction;
    float limit = mu * Penetration;
    Vector3 relative = velA - velB;
    Vector3 w = relative;
    bool sliding = Spring.Mag2() > limit * limit;
    if (sliding) {
        Spring.Scale(limit / Spring.Mag());
        if (relative.Dot(Spring) <= 0.0f) {
            w = n * relative.Dot(n);
        }
    }

    Vector3 step = relative * dt;
    float dn = step.Dot(n);
    Vector3 dtStep = step - n * dn;
    float r = dn > Penetration ? Penetration / dn : 1.0f;
    float f = ConeFraction(sliding, Spring, Penetration, mu, dtStep, dn, r);

    Vector3 taken = n * (r * dn) + dtStep * f;
    Vector3 force = (n * Penetration + Spring - taken) * Stiffness;
    float c = Damping * (Penetration > phCollision::AllowedPenetration
                             ? std::sqrt(Penetration)
                             : phCollision::SqrtAllowedPenetration);
    force.AddScaled(w, -c);
    float pull = force.Dot(n);
    if (pull < 0.0f) {
        force.AddScaled(n, -pull);
    }

    float s = Stiffness * dt + c;
    // f never exceeds r; at f = r the matrix is s r I.
    outK = StiffnessMatrix(s, f, r, n);

    float keep = 0.0f;
    if (LastActiveFlag == KEPT && A->ICS && B->ICS) {
        Vector3 changeA = velA - LastVelA;
        Vector3 changeB = velB - LastVelB;
        float a2 = changeA.Mag2();
        float b2 = changeB.Mag2();
        if (a2 > TinyVelocityChange2 && b2 > TinyVelocityChange2) {
            float q = changeA.Dot(changeB) / std::sqrt(a2 * b2);
            if (q > 0.0f) {
                float weight;
                if (q <= LastCosine) {
                    weight = q;
                    keep = q;
                } else {
                    weight = LastCosine;
                    keep = CosineKeep * LastCosine + (1.0f - CosineKeep) * q;
                }
                if (weight > 0.0f) {
                    // Each body is dragged along by the other's change through the last
                    // solve's stiffness.
                    Matrix34 last = StiffnessMatrix(LastStiffness, LastFraction, LastRatio, n);
                    AddOtherForce(*B->ICS, Point, phRotateToLocal(changeA, last) * weight);
                    AddOtherForce(*A->ICS, Point, phRotateToLocal(changeB, last) * weight);
                }
            }
        }
    }

    LastStiffness = s;
    LastFraction = f;
    LastRatio = r;
    LastVelA = velA;
    LastVelB = velB;
    LastCosine = keep;
    outForce = force;
    outDamping = c;
    return true;
}

// The springs' extension is Penetration along the normal plus Spring across it; the force
// asks for the extension force/Stiffness. Along the normal the depth takes the asked
// extension (none when the force would pull: a contact never does); across it the spring
// takes the rest, cut to the friction cone of the new depth.
void phContact::ProjectSpring(const phImpact& impact, const Vector3& force) {
    if (Stiffness <= 0.0f) {
        return;
    }
    const Vector3& n = impact.Normal;
    Vector3 target = force * (1.0f / Stiffness);
    float along = target.Dot(n);
    Penetration = along > 0.0f ? along : 0.0f;
    Spring = target - n * along;
    float limit = Friction * Penetration;
    float length2 = Spring.Mag2();
    if (length2 > limit * limit) {
        Spring.Scale(limit / std::sqrt(length2));
    }
}
