#include "cityedit/outline.h"

#include "data/assert.h"

#include <cmath>

namespace {

bool IntersectSegments(float ax, float az, float bx, float bz, float cx, float cz, float dx,
                       float dz, float& t, float& u) {
    float rx = bx - ax;
    float rz = bz - az;
    float sx = dx - cx;
    float sz = dz - cz;
    float denom = rx * sz - rz * sx;
    if (denom == 0.0f) {
        return false;
    }
    float qx = cx - ax;
    float qz = cz - az;
    t = (qx * sz - qz * sx) / denom;
    u = (qx * rz - qz * rx) / denom;
    return t >= 0.0f && t <= 1.0f && u >= 0.0f && u <= 1.0f;
}

}  // namespace

float SegmentIntersectXZ(float& outX, float& outZ, const Vector3& a, const Vector3& b,
                         const Vector3& c, const Vector3& d) {
    float t;
    float u;
    if (!IntersectSegments(a.x, a.z, b.x, b.z, c.x, c.z, d.x, d.z, t, u)) {
        return -1.0f;
    }
    outX = a.x + (b.x - a.x) * t;
    outZ = a.z + (b.z - a.z) * t;
    return t;
}

bool SegmentIntersect2D(Vector2& out, float& tAB, float& tCD, const Vector2& a, const Vector2& b,
                        const Vector2& c, const Vector2& d) {
    float t;
    float u;
    if (!IntersectSegments(a.x, a.y, b.x, b.y, c.x, c.y, d.x, d.y, t, u)) {
        return false;
    }
    out = Vector2(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t);
    tAB = t;
    tCD = u;
    return true;
}

bool EdgeCrossesRayXZ(float ax, float az, float bx, float bz, float px, float pz) {
    if (!(std::fmin(az, bz) < pz && pz <= std::fmax(az, bz) && std::fmax(ax, bx) >= px &&
          az != bz)) {
        return false;
    }
    return ax == bx || (pz - az) * (bx - ax) / (bz - az) + ax >= px;
}

bool PointInPolygonXZ(int n, const float* xs, const float* zs, float px, float pz) {
    bool inside = false;
    for (int cur = 0, prev = n - 1; cur < n; prev = cur++) {
        if (EdgeCrossesRayXZ(xs[prev], zs[prev], xs[cur], zs[cur], px, pz)) {
            inside = !inside;
        }
    }
    return inside;
}

int PolygonCentroid(const float* xs, const float* zs, int n, float& cx, float& cz, float& area) {
    if (n < 3) {
        return 1;
    }
    float sum = 0.0f;
    float sx = 0.0f;
    float sz = 0.0f;
    for (int i = 0, prev = n - 1; i < n; prev = i++) {
        float c = xs[prev] * zs[i] - xs[i] * zs[prev];
        sum += c;
        sx += (xs[i] + xs[prev]) * c;
        sz += (zs[i] + zs[prev]) * c;
    }
    area = 0.5f * sum;
    if (sum == 0.0f) {
        return 2;
    }
    cx = sx / (3.0f * sum);
    cz = sz / (3.0f * sum);
    return 0;
}

Vector3 OffsetPoint(const Vector3& point, const Vector3& direction, float distance) {
    Vector3 side(-direction.z, 0.0f, direction.x);
    side.Normalize();
    return point + side * distance;
}

void OffsetOutline(const Vector3* points, int n, float distance, Vector3* out) {
    for (int i = 0; i < n; ++i) {
        const Vector3& prev = points[(i + n - 1) % n];
        const Vector3& here = points[i];
        const Vector3& next = points[(i + 1) % n];
        Vector3 a0 = OffsetPoint(prev, here - prev, distance);
        Vector3 a1 = OffsetPoint(here, here - prev, distance);
        Vector3 b0 = OffsetPoint(here, next - here, distance);
        Vector3 b1 = OffsetPoint(next, next - here, distance);
        out[i] = (a1 + b0) * 0.5f;
        SegmentIntersectXZ(out[i].x, out[i].z, a0, a1, b0, b1);
        out[i].y = here.y;
    }
}

Vector3 PointAlongOutline(const Vector3* points, int n, float t) {
    Assert(n > 0);
    // An infinite or undefined position names no edge: its edge number would fall outside.
    Assert(std::isfinite(t));
    float whole = std::floor(t);
    int edge = static_cast<int>(std::fmod(whole, static_cast<float>(n)));
    if (edge < 0) {
        edge += n;
    }
    const Vector3& a = points[edge];
    const Vector3& b = points[(edge + 1) % n];
    return a + (b - a) * (t - whole);
}
