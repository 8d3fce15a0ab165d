#ifndef PHINERTIA_INERTIA_H
#define PHINERTIA_INERTIA_H

#include <cstdint>

#include "phbound/bound.h"
#include "vector/matrix34.h"
#include "vector/vector3.h"

class bkBank;
struct phPolygon;

// What a piece that leaves a body takes with it (Detach): its mass, the owner's index for it,
// and the motion of its centre at the moment it left.
struct phInertialPiece {
    float Mass = 0.0f;
    int Index = 0;
    Vector3 Velocity;
    Vector3 AngVelocity;

    void Set(float mass, int index, const Vector3& velocity, const Vector3& angVelocity);
    void Clear();
};

// A rigid body: mass and principal inertia with their inverses, a world matrix (rows a, b, c
// the body axes, d the centre of mass), momenta and velocities, and the accumulators that
// collisions and contacts fill during a frame. A zero mass or moment fixes the body in that
// respect: its inverse is stored as the largest float, and every computation of motion
// takes such an inverse as zero, so a fixed body neither moves nor turns an infinity loose.
class phInertialCS {
public:
    static const float FixedInverse;

    phInertialCS();

    void Reset();
    void ZeroMotion();
    void ClearForces();
    void Init(float mass, float ax, float ay, float az);

    void InitBox(float mass, float x, float y, float z);
    void InitBoxDensity(float density, float x, float y, float z);
    void InitSphere(float mass, float radius);
    void InitSphereDensity(float density, float radius);
    void InitCylinder(float mass, float radius, float length, char axis);
    void InitCylinderDensity(float density, float radius, float length, char axis);
    void InitHotdog(float mass, float radius, float length, char axis);
    void InitHotdogDensity(float density, float radius, float length, char axis);
    // Mass and moments about the origin of a closed mesh. With principalOut, a body whose
    // products of inertia are large is turned to its principal axes, and the turn is written
    // there.
    void InitFromBound(float density, const Vector3* vertices, const phPolygon* polygons,
                       int count, Matrix34* principalOut);
    // Turns the body to the principal axes of the tensor made of its moments and the given
    // products; answers the axes (rows) in the body's former frame.
    Matrix34 ComputeMassProperties(float pxy, float pxz, float pyz);

    // Joins a second mass (principal moments along this body's axes, or along the rows of
    // its own matrix) centred at a world position. Answers how the body's frame changed: the
    // new axes as rows in the old frame, and row d the old centre seen from the new one.
    Matrix34 AddMass(float mass, const Vector3& inertia, const Vector3& position);
    Matrix34 AddMassRotated(float mass, const Vector3& inertia, const Matrix34& matrix);
    Matrix34 RemoveMass(float mass, const Vector3& inertia, const Vector3& position);
    Matrix34 RemoveMassRotated(float mass, const Vector3& inertia, const Matrix34& matrix);
    Matrix34 Detach(phInertialPiece& piece, float mass, const Vector3& inertia,
                    const Vector3& position);
    Matrix34 DetachRotated(phInertialPiece& piece, float mass, const Vector3& inertia,
                           const Matrix34& matrix);

    void FrameUpdate();
    void SubStep(float dt);
    void Update(float dt);
    void ApplyPush();
    void AddPush(const Vector3& push);
    void AddTurn(const Vector3& turn);
    void Rotate(const Vector3& rotation);
    void ApplyContactForce(const Vector3& force, const Vector3& point, const Matrix34& k);

    void GetVelocityAtPoint(const Vector3& point, Vector3& out) const;
    void GetPushVelocityAtPoint(const Vector3& point, Vector3& out) const;
    void GetMotionAtPoint(const Vector3& point, Vector3& out) const;
    void GetPushMotionAtPoint(const Vector3& point, Vector3& out) const;
    void GetPushVelocity(Vector3& out) const;
    void GetPushMotion(Vector3& out) const;
    Vector3 GetTotalForce(float s) const;
    Vector3 GetTotalTorque(float s) const;
    void GetAccelerationAtPoint(const Vector3& point, Vector3& out) const;
    void GetWorldInertia(Matrix34& out) const;
    void GetWorldInverseInertia(Matrix34& out) const;
    // The velocity change of point (pointA) per unit impulse at point (pointB).
    void GetInverseMassMatrix(const Vector3& point, Matrix34& out) const;
    void GetInverseMassMatrix(const Vector3& pointA, const Vector3& pointB, Matrix34& out) const;

    // The inverses as motion uses them: zero where the body is fixed.
    float GetMobileInvMass() const;
    Vector3 GetMobileInvAngInertia() const;

    void AddWidgets(bkBank& bank);
    void DebugLog() const;

    uint8_t Active;
    float Mass;
    float InvMass;
    Vector3 AngInertia;
    Vector3 InvAngInertia;
    float MaxSpeed;
    Vector3 MaxAngVelocity;
    Vector3 Momentum;
    Vector3 AngMomentum;
    Matrix34 Matrix;
    Vector3 Velocity;
    Vector3 AngVelocity;
    Vector3 Force;
    Vector3 Torque;
    Vector3 OtherForce;
    Vector3 OtherTorque;
    uint8_t OtherForceSet;
    Vector3 Impulse;
    Vector3 AngImpulse;
    Vector3 Push;
    Vector3 Turn;
    Vector3 AppliedPush;
    Vector3 LastPush;
    uint8_t PushedLastFrame;
    uint32_t Implicit;
    Matrix34 LinearDamping;
    Matrix34 CouplingDamping;
    Matrix34 AngularDamping;
    float SubStepTime;

private:
    void IntegrateExplicit(float dt);
    void IntegrateImplicit(float dt);
    // The rotation (world frame) without its parts about the body axes whose moment is 0.
    Vector3 WithoutFixedAxes(const Vector3& rotation) const;
    Matrix34 AddMassTensor(float mass, const Matrix34& tensor, const Vector3& position);
};

#endif
