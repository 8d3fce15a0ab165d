#ifndef VECTOR_NUMERIC_H
#define VECTOR_NUMERIC_H

#include "vector/matrix33.h"
#include "vector/matrix34.h"
#include "vector/quaternion.h"

// Numerics under the rigid-body code. A rotation vector's direction is the axis and its length
// the angle in radians.

// The 3x3 part of m becomes the rotation (d kept); the vector must not be zero.
void RotationToMatrix(const Vector3& rotation, Matrix34& m);
void QuaternionToMatrix33(const Quaternion& q, Matrix33& m);
void MatrixFromPosRot(Matrix34& m, const Vector3& position, const Vector3& rotation);
void RotateByVector(Matrix34& m, const Vector3& rotation);
// Cycles the rows (and v's components with them) until the triangle of their end points has
// no obtuse angle at a or at b.
void OrthonormalizeIterate(Vector3& a, Vector3& b, Vector3& c, Vector3* v = nullptr);

float CubeRoot(float x);
// Angle of (x, y) in -pi/2 .. 3pi/2.
float AngleOf(float y, float x);
// Real roots of x² + b·x + c; the count is 0, 1 or 2.
int SolveQuadratic(float b, float c, float& r1, float& r2, float tolerance);
// Real roots of x³ + a·x² + b·x + c; the count is 1, 2 or 3.
int SolveCubic(float a, float b, float c, float& r1, float& r2, float& r3, float tolerance);
// Real roots of x⁴ + a·x³ + b·x² + c·x + d, in any order; the count is 0 to 4.
int SolveQuartic(float a, float b, float c, float d, float roots[4], float tolerance);

// Constant acceleration that takes a coordinate from start (at start speed) to target (at
// target speed) within time.
float ArrivalAccel(float time, float start, float startSpeed, float target, float targetSpeed);
void ArrivalAccel3(Vector3& accel, float time, const Vector3& start, const Vector3& startSpeed,
                   const Vector3& target, const Vector3& targetSpeed);

#endif
