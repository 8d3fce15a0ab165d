// Trackball rotations as quaternions.
#include "devcam/quat.h"

#include <cmath>

#include "vector/matrix34.h"
#include "vector/matrix44.h"
#include "vector/vector3.h"

namespace {

const float TrackballSize = 0.8f;
const float InvRoot2 = 0.70710677f;
// Compositions since the last renormalisation.
int sComposeCount;

Vector3 Ijk(const Quaternion& q) {
    return Vector3(q.i, q.j, q.k);
}

}  // namespace

Quaternion dcTrackballQuat(float p1x, float p1y, float p2x, float p2y) {
    if (p1x == p2x && p1y == p2y) {
        return Quaternion(0, 0, 0, 1);
    }
    Vector3 p1(p1x, p1y, dcProjectToSphere(TrackballSize, p1x, p1y));
    Vector3 p2(p2x, p2y, dcProjectToSphere(TrackballSize, p2x, p2y));
    Vector3 axis;
    axis.Cross(p2, p1);
    float t = (p1 - p2).Mag() / (2.0f * TrackballSize);
    t = t > 1.0f ? 1.0f : (t < -1.0f ? -1.0f : t);
    return dcAxisAngleToQuat(axis, 2.0f * asinf(t));
}

float dcProjectToSphere(float r, float x, float y) {
    float d = sqrtf(x * x + y * y);
    if (d < r * InvRoot2) {
        return sqrtf(r * r - d * d);
    }
    float t = r * InvRoot2;
    return t * t / d;
}

Quaternion dcAxisAngleToQuat(const Vector3& axis, float angle) {
    Vector3 unit = axis;
    unit.Normalize();
    unit.Scale(sinf(angle * 0.5f));
    return Quaternion(unit.x, unit.y, unit.z, cosf(angle * 0.5f));
}

void dcComposeQuats(const Quaternion& q1, const Quaternion& q2, Quaternion& result) {
    Vector3 t1 = Ijk(q1) * q2.r;
    Vector3 t2 = Ijk(q2) * q1.r;
    Vector3 t3;
    t3.Cross(Ijk(q2), Ijk(q1));
    Vector3 ijk = t1 + t2 + t3;
    float r = q1.r * q2.r - Ijk(q1).Dot(Ijk(q2));
    result.Set(ijk.x, ijk.y, ijk.z, r);
    if (++sComposeCount > 97) {
        sComposeCount = 0;
        dcRenormQuat(result);
    }
}

// By the length itself: dividing by its square would pull a quaternion of length l to 1 / l.
void dcRenormQuat(Quaternion& q) {
    float length = sqrtf(q.Dot(q));
    q.Set(q.i / length, q.j / length, q.k / length, q.r / length);
}

void dcQuatToMatrix34(const Quaternion& q, Matrix34& m) {
    m.a.Set(1 - 2 * (q.j * q.j + q.k * q.k), 2 * (q.i * q.j - q.k * q.r),
            2 * (q.k * q.i + q.j * q.r));
    m.b.Set(2 * (q.i * q.j + q.k * q.r), 1 - 2 * (q.k * q.k + q.i * q.i),
            2 * (q.j * q.k - q.i * q.r));
    m.c.Set(2 * (q.k * q.i - q.j * q.r), 2 * (q.j * q.k + q.i * q.r),
            1 - 2 * (q.j * q.j + q.i * q.i));
    m.d.Zero();
}

void dcQuatToMatrix44(const Quaternion& q, Matrix44& m) {
    Matrix34 rotation;
    dcQuatToMatrix34(q, rotation);
    m.FromMatrix34(rotation);
}
