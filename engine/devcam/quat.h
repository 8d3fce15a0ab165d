#ifndef DEVCAM_QUAT_H
#define DEVCAM_QUAT_H

#include "vector/quaternion.h"

struct Matrix34;
struct Matrix44;
struct Vector3;

// The trackball's rotations: the mouse on a sphere of radius 0.8 with a hyperbolic sheet
// outside it, rotations as quaternions (i, j, k, r).

// The rotation that turns the trackball point p1 to p2 (window coordinates -1 to 1, y up);
// the identity when they are equal.
Quaternion dcTrackballQuat(float p1x, float p1y, float p2x, float p2y);
// The z of x, y on the sphere of radius r, or on the hyperbola beyond r / sqrt 2.
float dcProjectToSphere(float r, float x, float y);
Quaternion dcAxisAngleToQuat(const Vector3& axis, float angle);
// q1 followed by q2; every 98th call renormalises the result.
void dcComposeQuats(const Quaternion& q1, const Quaternion& q2, Quaternion& result);
// Scales the quaternion to unit length.
void dcRenormQuat(Quaternion& q);
// The rotation matrix; the translation becomes 0.
void dcQuatToMatrix34(const Quaternion& q, Matrix34& m);
// The same rows in a 4x4 matrix with last column zero and last row (0, 0, 0, 1).
void dcQuatToMatrix44(const Quaternion& q, Matrix44& m);

#endif
