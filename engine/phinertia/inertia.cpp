// The rigid body's set-up, shape initialisers, queries and diagnostics.
#include "phinertia/inertia.h"

#include <cfloat>

#include "bank/bank.h"
#include "data/assert.h"
#include "data/debuglog.h"
#include "data/printer.h"
#include "data/timemgr.h"
#include "vector/numeric.h"

const float phInertialCS::FixedInverse = FLT_MAX;

namespace {

const float OneTwelfth = 0.083333336f;
const float SphereDensityFactor = 4188.78f;    // 4/3 pi, per 1000 kg
const float CylinderDensityFactor = 3141.5928f;  // pi, per 1000 kg
const float HotdogCubicTolerance = 0.001f;

float Inverse(float x) {
    return x == 0.0f ? phInertialCS::FixedInverse : 1.0f / x;
}

float Mobile(float inverse) {
    return inverse >= phInertialCS::FixedInverse ? 0.0f : inverse;
}

// Moments of a solid about its axis letter: the axis gets along, the other two across.
bool AxisMoments(char axis, float along, float across, Vector3& out) {
    switch (axis) {
        case 'x':
            out.Set(along, across, across);
            return true;
        case 'y':
            out.Set(across, along, across);
            return true;
        case 'z':
            out.Set(across, across, along);
            return true;
        default:
            return false;
    }
}

// Lᵀ·diag(d)·R; row d of out zero.
void SandwichDiagonal(const Matrix34& l, const Vector3& d, const Matrix34& r, Matrix34& out) {
    Matrix34 scaled;
    scaled.a = r.a * d.x;
    scaled.b = r.b * d.y;
    scaled.c = r.c * d.z;
    Matrix34 transposed;
    transposed.Transpose3x3(l);
    out.Dot3x3(transposed, scaled);
    out.d.Zero();
}

// Rows: the body axes each crossed with the arm.
void ArmMatrix(const Matrix34& body, const Vector3& arm, Matrix34& out) {
    out.a.Cross(body.a, arm);
    out.b.Cross(body.b, arm);
    out.c.Cross(body.c, arm);
}

}  // namespace

void phInertialPiece::Set(float mass, int index, const Vector3& velocity,
                          const Vector3& angVelocity) {
    Mass = mass;
    Index = index;
    Velocity = velocity;
    AngVelocity = angVelocity;
}

void phInertialPiece::Clear() {
    Set(0.0f, 0, Vector3::sm_Zero, Vector3::sm_Zero);
}

phInertialCS::phInertialCS() : Active(1), OtherForceSet(0), PushedLastFrame(0), Implicit(0) {
    Init(1.0f, 1.0f, 1.0f, 1.0f);
    MaxSpeed = 500.0f;
    MaxAngVelocity.Set(5.0f, 5.0f, 5.0f);
    // The reset latches the pending pushes as the last push: there are none yet.
    Push.Zero();
    AppliedPush.Zero();
    Reset();
}

void phInertialCS::Reset() {
    Matrix.Identity();
    ZeroMotion();
    LastPush.Zero();
    PushedLastFrame = 0;
}

void phInertialCS::ZeroMotion() {
    Momentum.Zero();
    AngMomentum.Zero();
    Velocity.Zero();
    AngVelocity.Zero();
    ClearForces();
}

void phInertialCS::ClearForces() {
    Force.Zero();
    Torque.Zero();
    OtherForce.Zero();
    OtherTorque.Zero();
    OtherForceSet = 0;
    Impulse.Zero();
    AngImpulse.Zero();
    LastPush = AppliedPush + Push;
    PushedLastFrame = LastPush.IsZero() ? 0 : 1;
    Push.Zero();
    Turn.Zero();
    AppliedPush.Zero();
    Implicit = 0;
    LinearDamping.Zero();
    CouplingDamping.Zero();
    AngularDamping.Zero();
    SubStepTime = 0.0f;
}

void phInertialCS::Init(float mass, float ax, float ay, float az) {
    // The report quotes the expression: keep its spelling.
    Assert("you tried to initialize an object with negative inertia" && mass>=0.0f && ax>=0.0f && ay>=0.0f && az>=0.0f);
    Mass = mass;
    InvMass = Inverse(mass);
    AngInertia.Set(ax, ay, az);
    InvAngInertia.Set(Inverse(ax), Inverse(ay), Inverse(az));
}

void phInertialCS::InitBox(float mass, float x, float y, float z) {
    float k = mass * OneTwelfth;
    Init(mass, k * (y * y + z * z), k * (x * x + z * z), k * (x * x + y * y));
}

void phInertialCS::InitBoxDensity(float density, float x, float y, float z) {
    InitBox(density * x * y * z * 1000.0f, x, y, z);
}

void phInertialCS::InitSphere(float mass, float radius) {
    float moment = 0.4f * mass * radius * radius;
    Init(mass, moment, moment, moment);
}

void phInertialCS::InitSphereDensity(float density, float radius) {
    InitSphere(density * radius * radius * radius * SphereDensityFactor, radius);
}

void phInertialCS::InitCylinder(float mass, float radius, float length, char axis) {
    float along = 0.5f * mass * radius * radius;
    float across = mass * length * length * OneTwelfth + 0.5f * along;
    Vector3 moments;
    if (AxisMoments(axis, along, across, moments)) {
        Init(mass, moments.x, moments.y, moments.z);
    }
}

void phInertialCS::InitCylinderDensity(float density, float radius, float length, char axis) {
    InitCylinder(density * radius * radius * length * CylinderDensityFactor, radius, length,
                 axis);
}

// The hemispherical ends enter through t, the real root of t³ + 3r²t - r³.
void phInertialCS::InitHotdog(float mass, float radius, float length, char axis) {
    float r = radius;
    float l = length;
    // The moments divide by 4r + 3L: a capsule of no size has none.
    if (!(4.0f * r + 3.0f * l > 0.0f)) {
        PrintError("phInertialCS::InitHotdog()- a capsule of radius %g and length %g has no "
                   "size; its inertia is left as it was",
                   double(r), double(l));
        return;
    }
    float roots[3] = {0.0f, 0.0f, 0.0f};
    int count = SolveCubic(0.0f, 3.0f * r * r, -r * r * r, roots[0], roots[1], roots[2],
                           HotdogCubicTolerance);
    float t = roots[0];
    if (t < 0.0f && count > 1) {
        t = roots[1];
    }
    if (t < 0.0f && count > 2) {
        t = roots[2];
    }
    float q = 1.0f / (4.0f * r + 3.0f * l);
    float across = ((4.0f * r * t + 0.25f * l * l + 0.75f * r * r) * l + l * l * r +
                    1.6f * r * r * r) * q * mass;
    float along = (1.0666667f * r + l) * q * r * r * mass * 1.5f;
    Vector3 moments;
    if (AxisMoments(axis, along, across, moments)) {
        Init(mass, moments.x, moments.y, moments.z);
    }
}

void phInertialCS::InitHotdogDensity(float density, float radius, float length, char axis) {
    float mass = (1.3333333f * radius + length) * density * radius * radius * CylinderDensityFactor;
    InitHotdog(mass, radius, length, axis);
}

float phInertialCS::GetMobileInvMass() const {
    return Mobile(InvMass);
}

Vector3 phInertialCS::GetMobileInvAngInertia() const {
    return Vector3(Mobile(InvAngInertia.x), Mobile(InvAngInertia.y), Mobile(InvAngInertia.z));
}

void phInertialCS::GetVelocityAtPoint(const Vector3& point, Vector3& out) const {
    Vector3 spin;
    spin.Cross(AngVelocity, point - Matrix.d);
    out = Velocity + spin;
}

void phInertialCS::GetPushVelocityAtPoint(const Vector3& point, Vector3& out) const {
    GetVelocityAtPoint(point, out);
    out.AddScaled(LastPush, datTimeManager::FPS);
}

void phInertialCS::GetMotionAtPoint(const Vector3& point, Vector3& out) const {
    GetVelocityAtPoint(point, out);
    out.Scale(datTimeManager::Seconds);
}

void phInertialCS::GetPushMotionAtPoint(const Vector3& point, Vector3& out) const {
    GetMotionAtPoint(point, out);
    out += LastPush;
}

void phInertialCS::GetPushVelocity(Vector3& out) const {
    out = Velocity + LastPush * (1.0f / datTimeManager::Seconds);
}

void phInertialCS::GetPushMotion(Vector3& out) const {
    out = Velocity * datTimeManager::Seconds + LastPush;
}

Vector3 phInertialCS::GetTotalForce(float s) const {
    return Force + Impulse * s;
}

Vector3 phInertialCS::GetTotalTorque(float s) const {
    return Torque + AngImpulse * s;
}

void phInertialCS::GetAccelerationAtPoint(const Vector3& point, Vector3& out) const {
    Vector3 r = point - Matrix.d;
    Vector3 gyro;
    gyro.Cross(AngMomentum, AngVelocity);
    Matrix34 inverse;
    GetWorldInverseInertia(inverse);
    Vector3 alpha = phRotateToWorld(Torque + gyro, inverse);
    Vector3 tangential;
    tangential.Cross(alpha, r);
    Vector3 around;
    around.Cross(AngVelocity, r);
    Vector3 centripetal;
    centripetal.Cross(AngVelocity, around);
    out = Force * GetMobileInvMass() + tangential + centripetal;
}

void phInertialCS::GetWorldInertia(Matrix34& out) const {
    SandwichDiagonal(Matrix, AngInertia, Matrix, out);
}

void phInertialCS::GetWorldInverseInertia(Matrix34& out) const {
    SandwichDiagonal(Matrix, GetMobileInvAngInertia(), Matrix, out);
}

void phInertialCS::GetInverseMassMatrix(const Vector3& point, Matrix34& out) const {
    GetInverseMassMatrix(point, point, out);
}

// Row-vector form: the velocity change at A is J·(X_Bᵀ·D·X_A) plus J/m.
void phInertialCS::GetInverseMassMatrix(const Vector3& pointA, const Vector3& pointB,
                                        Matrix34& out) const {
    Matrix34 xa;
    Matrix34 xb;
    ArmMatrix(Matrix, pointA - Matrix.d, xa);
    ArmMatrix(Matrix, pointB - Matrix.d, xb);
    SandwichDiagonal(xb, GetMobileInvAngInertia(), xa, out);
    float m = GetMobileInvMass();
    out.a.x += m;
    out.b.y += m;
    out.c.z += m;
}

void phInertialCS::AddWidgets(bkBank& bank) {
    bank.AddButton("Constants");
    bank.AddSlider("Mass", &Mass, 0.001f, 1e7f, 1.0f);
    bank.AddVectorSlider("AngInertia", &AngInertia, 0.001f, 1e7f, 1.0f);
}

void phInertialCS::DebugLog() const {
    ::DebugLog(0x6956454C, &Velocity, sizeof(Velocity));
    ::DebugLog(0x69414E47, &AngVelocity, sizeof(AngVelocity));
    ::DebugLog(0x69464F52, &Force, sizeof(Force));
    ::DebugLog(0x69544F52, &Torque, sizeof(Torque));
    ::DebugLog(0x694F4652, &OtherForce, sizeof(OtherForce));
    ::DebugLog(0x694F5452, &OtherTorque, sizeof(OtherTorque));
    ::DebugLog(0x694F5346, &OtherForceSet, sizeof(OtherForceSet));
    ::DebugLog(0x69494D50, &Impulse, sizeof(Impulse));
    ::DebugLog(0x6941494D, &AngImpulse, sizeof(AngImpulse));
    ::DebugLog(0x69505348, &Push, sizeof(Push));
    ::DebugLog(0x6954524E, &Turn, sizeof(Turn));
    ::DebugLog(0x69415053, &AppliedPush, sizeof(AppliedPush));
    ::DebugLog(0x694C5053, &LastPush, sizeof(LastPush));
    ::DebugLog(0x69504C46, &PushedLastFrame, sizeof(PushedLastFrame));
}
