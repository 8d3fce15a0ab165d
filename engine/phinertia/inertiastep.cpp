// The rigid body's integration: frame updates and sub-steps, the explicit and the implicit
// (contact-damped) step, pushes and contact forces with stiffness.
#include "phinertia/inertia.h"

#include <cmath>

#include "data/timemgr.h"
#include "phcore/debuglines.h"

namespace {

const float TurnThreshold2 = 1e-15f;
const uint32_t ForceColour = 0xFFFF00FF;

// Adds the part of v that reaches beyond what total already does along v.
void MergeCorrection(Vector3& total, const Vector3& v) {
    if (v.Dot(total) < 0.0f) {
        total += v;
        return;
    }
    float v2 = v.Mag2();
    if (v2 == 0.0f) {
        return;
    }
    float t = total.Dot(v) / v2;
    Vector3 excess = v * t - v;
    if (excess.Dot(v) < 0.0f) {
        total -= excess;
    }
}

float Clamp(float value, float limit, bool& clamped) {
    if (value > limit) {
        clamped = true;
        return limit;
    }
    if (value < -limit) {
        clamped = true;
        return -limit;
    }
    return value;
}

// The cross-product matrix of r, in row form: v·S = v × r.
void CrossMatrix(const Vector3& r, Matrix34& s) {
    s.a.Set(0.0f, -r.z, r.y);
    s.b.Set(r.z, 0.0f, -r.x);
    s.c.Set(-r.y, r.x, 0.0f);
    s.d.Zero();
}

}  // namespace

void phInertialCS::FrameUpdate() {
    float dt = datTimeManager::Seconds - SubStepTime;
    if (dt > 0.0f) {
        Force += OtherForce;
        Torque += OtherTorque;
        Update(dt);
    }
    OtherForce.Zero();
    OtherTorque.Zero();
    SubStepTime = 0.0f;
    OtherForceSet = 0;
    LastPush = AppliedPush;
    PushedLastFrame = LastPush.IsZero() ? 0 : 1;
    AppliedPush.Zero();
}

void phInertialCS::SubStep(float dt) {
    Vector3 force = Force;
    Vector3 torque = Torque;
    Force += OtherForce;
    Torque += OtherTorque;
    Update(dt);
    Force = force;
    Torque = torque;
    OtherForce.Zero();
    OtherTorque.Zero();
    OtherForceSet = 0;
    SubStepTime += dt;
}

void phInertialCS::Update(float dt) {
    if (Active) {
        if (Implicit) {
            IntegrateImplicit(dt);
        } else {
            IntegrateExplicit(dt);
        }
        float speed2 = Velocity.Mag2();
        if (speed2 > MaxSpeed * MaxSpeed) {
            float scale = MaxSpeed / std::sqrt(speed2);
            Velocity.Scale(scale);
            Momentum.Scale(scale);
        }
        Matrix.d += Push;
        Matrix.d.AddScaled(Velocity, dt);
        Turn.AddScaled(AngVelocity, dt);
        Rotate(Turn);
    }
    Force.Zero();
    Torque.Zero();
    Impulse.Zero();
    AngImpulse.Zero();
    AppliedPush += Push;
    Push.Zero();
    Turn.Zero();
    Implicit = 0;
    LinearDamping.Zero();
    CouplingDamping.Zero();
    AngularDamping.Zero();
}

void phInertialCS::IntegrateExplicit(float dt) {
    Momentum += Impulse;
    Momentum.AddScaled(Force, dt);
    Velocity = Momentum * GetMobileInvMass();
    AngMomentum += AngImpulse;
    AngMomentum.AddScaled(Torque, dt);

    Vector3 inverse = GetMobileInvAngInertia();
    bool clamped = false;
    float wx = Clamp(AngMomentum.Dot(Matrix.a) * inverse.x, MaxAngVelocity.x, clamped);
    float wy = Clamp(AngMomentum.Dot(Matrix.b) * inverse.y, MaxAngVelocity.y, clamped);
    float wz = Clamp(AngMomentum.Dot(Matrix.c) * inverse.z, MaxAngVelocity.z, clamped);
    if (clamped) {
        AngMomentum = Matrix.a * (wx * AngInertia.x) + Matrix.b * (wy * AngInertia.y) +
                      Matrix.c * (wz * AngInertia.z);
    }
    AngVelocity = Matrix.a * wx + Matrix.b * wy + Matrix.c * wz;
}

// Backward Euler over the frame's contact stiffness: the velocities after the step are solved
// together with the damping they cause (D linear, C coupling, E angular).
void phInertialCS::IntegrateImplicit(float dt) {
    float mu = GetMobileInvMass();
    Matrix34 a;
    a.Identity3x3();
    a.AddScaled3x3(LinearDamping, dt * mu);
    a.d.Zero();
    a.Inverse();

    Matrix34 ct;
    ct.Transpose3x3(CouplingDamping);
    Matrix34 act;
    act.Dot3x3(a, ct);
    Matrix34 cact;
    cact.Dot3x3(CouplingDamping, act);
    Matrix34 b;
    GetWorldInertia(b);
    b.AddScaled3x3(AngularDamping, dt);
    b.AddScaled3x3(cact, -dt * dt * mu);

    Vector3 p = Impulse + Force * dt;
    Vector3 rhs = phRotateToWorld(p * (-dt * mu), act) + AngImpulse + Torque * dt;
    Vector3 dw;
    b.SolvePivoted(dw, rhs);
    dw = WithoutFixedAxes(dw);

    Vector3 dv = phRotateToWorld((p - phRotateToWorld(dw * dt, CouplingDamping)) * mu, a);
    Velocity += dv;
    Momentum = Velocity * Mass;
    AngVelocity += dw;
    Matrix34 inertia;
    GetWorldInertia(inertia);
    AngMomentum = phRotateToWorld(AngVelocity, inertia);
}

void phInertialCS::Rotate(const Vector3& rotation) {
    float angle2 = rotation.Mag2();
    if (angle2 > TurnThreshold2) {
        float angle = std::sqrt(angle2);
        Matrix.RotateUnitAxis(rotation * (1.0f / angle), angle);
    }
}

void phInertialCS::ApplyPush() {
    Matrix.d += Push;
    AppliedPush += Push;
    Push.Zero();
}

// A body fixed in place is not pushed, nor turned about a fixed axis.
void phInertialCS::AddPush(const Vector3& push) {
    if (GetMobileInvMass() != 0.0f) {
        MergeCorrection(Push, push);
    }
}

void phInertialCS::AddTurn(const Vector3& turn) {
    MergeCorrection(Turn, WithoutFixedAxes(turn));
}

Vector3 phInertialCS::WithoutFixedAxes(const Vector3& rotation) const {
    Vector3 inverse = GetMobileInvAngInertia();
    Vector3 body = phRotateToLocal(rotation, Matrix);
    body.Set(inverse.x == 0.0f ? 0.0f : body.x, inverse.y == 0.0f ? 0.0f : body.y,
             inverse.z == 0.0f ? 0.0f : body.z);
    return phRotateToWorld(body, Matrix);
}

void phInertialCS::ApplyContactForce(const Vector3& force, const Vector3& point,
                                     const Matrix34& k) {
    Implicit = 1;
    OtherForce += force;
    Vector3 r = point - Matrix.d;
    Vector3 torque;
    torque.Cross(r, force);
    OtherTorque += torque;
    OtherForceSet = 1;
    LinearDamping.Add(k);

    Matrix34 s;
    CrossMatrix(r, s);
    Matrix34 sk;
    sk.Dot3x3(s, k);
    sk.d.Zero();
    CouplingDamping.Add3x3(sk);
    Matrix34 crossed;
    crossed.a.Cross(r, sk.a);
    crossed.b.Cross(r, sk.b);
    crossed.c.Cross(r, sk.c);
    AngularDamping.Add3x3(crossed);
    phDebugLineAdd(point, point + force * GetMobileInvMass(), ForceColour);
}
