#include "phcore/isect.h"

void phIsect::SetPosition(float t, const Vector3& a, const Vector3& b) {
    Position.Set(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z));
}
