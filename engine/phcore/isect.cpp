#include "phcore/isect.h"

#include "data/debuglog.h"

void phIsect::SetPosition(float t, const Vector3& a, const Vector3& b) {
    Position.Set(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z));
}

void phIsect::SetHit(const Vector3& position, const Vector3& normal, float t, float depth,
                     bool front) {
    Position = position;
    Normal = normal;
    T = t;
    Depth = depth;
    FrontSide = front ? 1 : 0;
}

void phIsect::DebugLog() const {
    const uint8_t front = (uint8_t)FrontSide;
    ::DebugLog(0x73504F53, &Position, sizeof(Position));
    ::DebugLog(0x734E524D, &Normal, sizeof(Normal));
    ::DebugLog(0x7354564C, &T, sizeof(T));
    ::DebugLog(0x73445054, &Depth, sizeof(Depth));
    ::DebugLog(0x73414F46, &front, sizeof(front));
}

void phTransformRay(phIsect& isect, const Matrix34& matrix) {
    isect.Position.Transform(matrix);
    const Vector3 n = isect.Normal;
    isect.Normal = matrix.a * n.x + matrix.b * n.y + matrix.c * n.z;
}
