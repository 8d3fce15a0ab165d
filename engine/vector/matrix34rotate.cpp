#include "vector/matrix34.h"

#include "data/printer.h"
#include "vector/quaternion.h"
#include "vector/vector4.h"

#include <cstring>

namespace {

const char* const EulerOrders[6] = {"xyz", "xzy", "yxz", "yzx", "zxy", "zyx"};

int FindEulerOrder(const char* order) {
    for (int i = 0; i < 6; ++i) {
        if (order && strcmp(order, EulerOrders[i]) == 0) {
            return i;
        }
    }
    return -1;
}

// R's translation is zero; full turns d about the parent origin as well.
void PostRotate(Matrix34& m, Matrix34& r, bool full) {
    r.d.Zero();
    if (full) {
        m.Dot(r);
    } else {
        m.Dot3x3(r);
    }
}

void MakeAxisRotation(Matrix34& m, char axis, float angle) {
    switch (axis) {
        case 'x':
            m.MakeRotateX(angle);
            break;
        case 'y':
            m.MakeRotateY(angle);
            break;
        default:
            m.MakeRotateZ(angle);
            break;
    }
}

float AxisAngle(const Vector3& angles, char axis) {
    return axis == 'x' ? angles.x : axis == 'y' ? angles.y : angles.z;
}

float GuardedAtan2(float y, float x, bool guarded) {
    if (guarded && y == 0.0f && x == 0.0f) {
        return 0.0f;
    }
    return std::atan2(y, x);
}

float GuardedAsin(float v, bool guarded) {
    const float Limit = 0.99999f;
    if (guarded) {
        v = v > Limit ? Limit : v < -Limit ? -Limit : v;
    }
    return std::asin(v);
}

// Angles of one order; guarded is the ToEulers variant.
Vector3 EulerAngles(const Matrix34& m, int order, bool guarded) {
    const Vector3& a = m.a;
    const Vector3& b = m.b;
    const Vector3& c = m.c;
    switch (order) {
        case 0:
            return Vector3(GuardedAtan2(b.z, c.z, guarded), GuardedAsin(-a.z, guarded),
                           GuardedAtan2(a.y, a.x, guarded));
        case 1:
            return Vector3(GuardedAtan2(-c.y, b.y, guarded), GuardedAtan2(-a.z, a.x, guarded),
                           GuardedAsin(a.y, guarded));
        case 2:
            return Vector3(GuardedAsin(b.z, guarded), GuardedAtan2(-a.z, c.z, guarded),
                           GuardedAtan2(-b.x, b.y, guarded));
        case 3:
            return Vector3(GuardedAtan2(b.z, b.y, guarded), GuardedAtan2(c.x, a.x, guarded),
                           GuardedAsin(-b.x, guarded));
        case 4:
            return Vector3(GuardedAsin(-c.y, guarded), GuardedAtan2(c.x, c.z, guarded),
                           GuardedAtan2(a.y, b.y, guarded));
        default:
            return Vector3(GuardedAtan2(-c.y, c.z, guarded), GuardedAsin(c.x, guarded),
                           GuardedAtan2(-b.x, a.x, guarded));
    }
}

}  // namespace

void Matrix34::MakeRotateX(float angle) {
    float co = std::cos(angle);
    float si = std::sin(angle);
    a.Set(1.0f, 0.0f, 0.0f);
    b.Set(0.0f, co, si);
    c.Set(0.0f, -si, co);
}

void Matrix34::MakeRotateY(float angle) {
    float co = std::cos(angle);
    float si = std::sin(angle);
    a.Set(co, 0.0f, -si);
    b.Set(0.0f, 1.0f, 0.0f);
    c.Set(si, 0.0f, co);
}

void Matrix34::MakeRotateZ(float angle) {
    float co = std::cos(angle);
    float si = std::sin(angle);
    a.Set(co, si, 0.0f);
    b.Set(-si, co, 0.0f);
    c.Set(0.0f, 0.0f, 1.0f);
}

void Matrix34::MakeRotateUnitAxis(const Vector3& axis, float angle) {
    float co = std::cos(angle);
    float si = std::sin(angle);
    float k = 1.0f - co;
    float x = axis.x;
    float y = axis.y;
    float z = axis.z;
    a.Set(x * x * k + co, x * y * k + si * z, x * z * k - si * y);
    b.Set(x * y * k - si * z, y * y * k + co, y * z * k + si * x);
    c.Set(x * z * k + si * y, y * z * k - si * x, z * z * k + co);
}

void Matrix34::MakeRotate(const Vector3& axis, float angle) {
    if (angle == 0.0f) {
        Identity3x3();
    } else if (axis.x == 0.0f && axis.y == 0.0f) {
        MakeRotateZ(axis.z <= 0.0f ? -angle : angle);
    } else if (axis.x == 0.0f && axis.z == 0.0f) {
        MakeRotateY(axis.y <= 0.0f ? -angle : angle);
    } else if (axis.y == 0.0f && axis.z == 0.0f) {
        MakeRotateX(axis.x < 0.0f ? -angle : angle);
    } else {
        Vector3 unit = axis;
        unit.Normalize();
        MakeRotateUnitAxis(unit, angle);
    }
}

#define ROTATION_PAIR(Name, FullName, Params, MakeCall) \
    void Matrix34::Name Params {                        \
        Matrix34 r;                                     \
        r.MakeCall;                                     \
        PostRotate(*this, r, false);                    \
    }                                                   \
    void Matrix34::FullName Params {                    \
        Matrix34 r;                                     \
        r.MakeCall;                                     \
        PostRotate(*this, r, true);                     \
    }

ROTATION_PAIR(RotateX, RotateFullX, (float angle), MakeRotateX(angle))
ROTATION_PAIR(RotateY, RotateFullY, (float angle), MakeRotateY(angle))
ROTATION_PAIR(RotateZ, RotateFullZ, (float angle), MakeRotateZ(angle))
ROTATION_PAIR(RotateUnitAxis, RotateFullUnitAxis, (const Vector3& axis, float angle),
              MakeRotateUnitAxis(axis, angle))
ROTATION_PAIR(Rotate, RotateFull, (const Vector3& axis, float angle), MakeRotate(axis, angle))

#undef ROTATION_PAIR

void Matrix34::RotateTo(const Vector3& from, const Vector3& to) {
    RotateTo(from, to, 1.0f);
}

void Matrix34::RotateTo(const Vector3& from, const Vector3& to, float t) {
    float dot = from.Dot(to);
    if (dot > 0.99999f) {
        return;
    }
    if (dot < -0.99999f) {
        // Opposite directions leave the axis of the turn undefined.
        PrintError("Matrix34::RotateTo()- CHOKE!!!!!!!");
        return;
    }
    Vector3 axis;
    axis.Cross(from, to);
    axis.Normalize();
    // Directions that are not unit length can be parallel, or zero, inside the thresholds:
    // turning about the zero axis would collapse the matrix.
    if (axis.IsZero()) {
        if (!(dot > 0.0f)) {
            PrintError("Matrix34::RotateTo()- CHOKE!!!!!!!");
        }
        return;
    }
    RotateUnitAxis(axis, std::acos(dot) * t);
}

void Matrix34::FromEulers(const Vector3& angles, const char* order) {
    if (FindEulerOrder(order) < 0) {
        PrintWarning("Matrix34::FromEulers()- Bad string '%s'", order ? order : "");
        return;
    }
    Matrix34 r;
    MakeAxisRotation(r, order[0], AxisAngle(angles, order[0]));
    for (int i = 1; i < 3; ++i) {
        Matrix34 next;
        MakeAxisRotation(next, order[i], AxisAngle(angles, order[i]));
        r.Dot3x3(next);
    }
    a = r.a;
    b = r.b;
    c = r.c;
}

void Matrix34::ToEulers(Vector3& angles, const char* order) const {
    int index = FindEulerOrder(order);
    if (index < 0) {
        PrintWarning("Matrix34::ToEulers()- Bad string '%s'", order ? order : "");
        return;
    }
    angles = EulerAngles(*this, index, true);
}

void Matrix34::GetEulers(Vector3& angles, const char* order) const {
    int index = FindEulerOrder(order);
    if (index < 0) {
        PrintWarning("Matrix34::GetEulers() - order variable is invalid");
        angles.Zero();
        return;
    }
    angles = EulerAngles(*this, index, false);
}

void Matrix34::GetEulers(Vector3& angles) const {
    GetEulers(angles, "xyz");
}

void Matrix34::FromQuaternion(const Quaternion& q) {
    const float Root2 = 1.4142135f;
    float x = q.i * Root2;
    float y = q.j * Root2;
    float z = q.k * Root2;
    float r = q.r * Root2;
    a.Set(1.0f - (y * y + z * z), x * y + r * z, x * z - r * y);
    b.Set(x * y - r * z, 1.0f - (x * x + z * z), y * z + r * x);
    c.Set(x * z + r * y, y * z - r * x, 1.0f - (x * x + y * y));
}

void Matrix34::PolarView(float distance, float azimuth, float incline, float twist) {
    FromEulers(Vector3(-incline, azimuth, twist), "zxy");
    d.Scale(c, distance);
}

void Matrix34::GetPolar(Vector4& polar, Vector3& centre, float distance) const {
    Vector3 from;
    Vector3 to;
    GetLookAt(from, to, distance);
    from.GetPolar(to, polar, centre);
}

void Matrix34::GetLookAt(Vector3& from, Vector3& to, float distance) const {
    from = d;
    to = d;
    to.AddScaled(c, -distance);
}

void Matrix34::LookAt(const Vector3& from, const Vector3& to) {
    Vector3 back = from - to;
    back.Normalize();
    if (back.IsZero()) {
        PrintWarning("Matrix34::LookAt()- From and to are the same point");
        return;
    }
    Vector3 side(back.z, 0.0f, -back.x);
    side.Normalize();
    if (side.IsZero()) {
        // Straight up or down: the horizontal side axis vanishes and the frame would be
        // singular, so the world x axis stands in for it.
        PrintWarning("Matrix34::LookAt()- Looking straight up or down");
        side = Vector3::sm_XAxis;
    }
    c = back;
    a = side;
    b.Cross(c, a);
    d = from;
}

void Matrix34::Normalize() {
    a.Cross(b, c);
    a.Normalize();
    b.Cross(c, a);
    b.Normalize();
    c.Normalize();
}

void Matrix34::Interpolate(const Matrix34& m1, const Matrix34& m2, float t) {
    Quaternion q1;
    Quaternion q2;
    q1.FromMatrix(m1);
    q2.FromMatrix(m2);
    if (q1.Dot(q2) < 0.0f) {
        q1.Set(-q1.i, -q1.j, -q1.k, -q1.r);
    }
    Quaternion q;
    q.Slerp(t, q1, q2);
    Vector3 position = m1.d;
    position.AddScaled(m2.d - m1.d, t);
    FromQuaternion(q);
    d = position;
}
