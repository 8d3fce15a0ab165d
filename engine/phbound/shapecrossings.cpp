#include "phbound/shapecrossings.h"

#include <cmath>

int phSphereCrossings(const Vector3& start, const Vector3& d, const Vector3& centre,
                      float radius2, float t[2]) {
    Vector3 offset = start - centre;
    float a = d.Mag2();
    if (a == 0.0f) {
        return 0;
    }
    float b = offset.Dot(d);
    float disc = b * b - a * (offset.Mag2() - radius2);
    if (disc < 0.0f) {
        return 0;
    }
    float root = std::sqrt(disc);
    const float roots[2] = {(-b - root) / a, (-b + root) / a};
    int count = 0;
    for (int i = 0; i < (root > 0.0f ? 2 : 1); ++i) {
        if (roots[i] >= 0.0f && roots[i] <= 1.0f) {
            t[count++] = roots[i];
        }
    }
    return count;
}
