#include "vector/geometry.h"

namespace {

const Vector3& PointAt(const Vector3* points, int stride, int i) {
    return *(const Vector3*)((const char*)points + (size_t)i * (size_t)stride);
}

// Extremes on one axis; ties are broken by the other two coordinates (first, second).
struct Extreme {
    Vector3 m_Point;
    bool Replace(const Vector3& p, float Vector3::*axis, float Vector3::*first,
                 float Vector3::*second, bool maximum) const {
        float value = p.*axis;
        float stored = m_Point.*axis;
        if (maximum) {
            return value > stored ||
                   (value == stored && p.*first >= m_Point.*first && p.*second >= m_Point.*second);
        }
        return value < stored ||
               (value == stored && p.*first <= m_Point.*first && p.*second <= m_Point.*second);
    }
};

void ZeroOutputs(Vector3* boxMin, Vector3* boxMax, Vector3* centre, float* radius) {
    if (boxMin) {
        boxMin->Zero();
    }
    if (boxMax) {
        boxMax->Zero();
    }
    if (centre) {
        centre->Zero();
    }
    if (radius) {
        *radius = 0.0f;
    }
}

}  // namespace

void geomBoundingSphere(int count, const Vector3* points, int stride, Vector3* boxMin,
                        Vector3* boxMax, Vector3* centre, float* radius) {
    if (count <= 0) {
        ZeroOutputs(boxMin, boxMax, centre, radius);
        return;
    }
    const float Far = 1e8f;
    float Vector3::*const axes[3] = {&Vector3::x, &Vector3::y, &Vector3::z};
    Extreme minima[3];
    Extreme maxima[3];
    for (int k = 0; k < 3; ++k) {
        minima[k].m_Point.Set(Far, Far, Far);
        maxima[k].m_Point.Set(-Far, -Far, -Far);
    }
    for (int i = 0; i < count; ++i) {
        const Vector3& p = PointAt(points, stride, i);
        for (int k = 0; k < 3; ++k) {
            // x compares y then z, y compares x then z, z compares x then y.
            float Vector3::*first = axes[k == 0 ? 1 : 0];
            float Vector3::*second = axes[k == 2 ? 1 : 2];
            if (minima[k].Replace(p, axes[k], first, second, false)) {
                minima[k].m_Point = p;
            }
            if (maxima[k].Replace(p, axes[k], first, second, true)) {
                maxima[k].m_Point = p;
            }
        }
    }

    float spans[3];
    for (int k = 0; k < 3; ++k) {
        spans[k] = (maxima[k].m_Point - minima[k].m_Point).Mag2();
    }
    int widest = 2;
    if (spans[0] > spans[1] && spans[0] > spans[2]) {
        widest = 0;
    } else if (spans[1] > spans[0] && spans[1] >= spans[2]) {
        widest = 1;
    }
    Vector3 middle = (minima[widest].m_Point + maxima[widest].m_Point) * 0.5f;
    float r = std::sqrt(spans[widest]) * 0.5f;

    for (int i = 0; i < count; ++i) {
        const Vector3& p = PointAt(points, stride, i);
        float distance2 = (p - middle).Mag2();
        if (distance2 > r * r) {
            float distance = std::sqrt(distance2);
            float grown = (distance + r) * 0.5f;
            middle = p + (middle - p) * (grown / distance);
            r = grown;
        }
    }

    if (boxMin) {
        boxMin->Set(minima[0].m_Point.x, minima[1].m_Point.y, minima[2].m_Point.z);
    }
    if (boxMax) {
        boxMax->Set(maxima[0].m_Point.x, maxima[1].m_Point.y, maxima[2].m_Point.z);
    }
    if (centre) {
        *centre = middle;
    }
    if (radius) {
        *radius = r;
    }
}

void geomBoundingSphere4(int count, const Vector3* points, int stride, Vector4& sphere) {
    Vector3 centre;
    float radius = 0.0f;
    geomBoundingSphere(count, points, stride, nullptr, nullptr, &centre, &radius);
    sphere.Set(centre.x, centre.y, centre.z, radius);
}

namespace {

enum EdgeSide { InsideEdge, OntoEdge, PassedEnd, ShortOfStart };

// Where the centre lies relative to edge i, seen along the polygon normal.
EdgeSide SideOfEdge(const Vector3& centre, const Vector3* vertices, int n, const Vector3& normal,
                    int i) {
    const Vector3& v0 = vertices[i];
    const Vector3& v1 = vertices[(i + 1) % n];
    Vector3 e = v1 - v0;
    Vector3 w = centre - v0;
    Vector3 inward;
    inward.Cross(e, normal);
    if (inward.Dot(w) >= 0.0f) {
        return InsideEdge;
    }
    if (w.Dot(e) < 0.0f) {
        return ShortOfStart;
    }
    return (centre - v1).Dot(e) <= 0.0f ? OntoEdge : PassedEnd;
}

}  // namespace

int geomSpherePolygon(const Vector3& centre, float radius, const Vector3* vertices, int n,
                      const Vector3& normal, Vector3& point, int& index, Vector3& outNormal,
                      float& depth) {
    if (n <= 0 || !geomSphereTouchesPlane(centre, vertices[0], normal, radius)) {
        return 3;
    }
    int insideEdges = 0;
    for (int i = 0; i < n; ++i) {
        EdgeSide side = SideOfEdge(centre, vertices, n, normal, i);
        if (side == InsideEdge) {
            ++insideEdges;
        }
        if (side != OntoEdge) {
            continue;
        }
        const Vector3& v0 = vertices[i];
        Vector3 e = vertices[(i + 1) % n] - v0;
        float ww = (centre - v0).Mag2();
        float ww1 = (centre - vertices[(i + 1) % n]).Mag2();
        float ee = e.Mag2();
        float difference = ww - ww1;
        float q = (2.0f * (ww + ww1) - ee - difference * difference / ee) / 4.0f;
        if (q > radius * radius) {
            return 3;
        }
        // Rounding can leave q a hair below zero for a centre on the edge line.
        q = Maxf(q, 0.0f);
        index = i;
        depth = radius - std::sqrt(q);
        Vector3 edgePoint = v0 + e * std::sqrt(Maxf((ww - q) / ee, 0.0f));
        outNormal = centre - edgePoint;
        outNormal.Normalize();
        point = edgePoint - outNormal * (depth / 2.0f);
        return 1;
    }

    if (insideEdges == n || insideEdges == 0) {
        float distance = (centre - vertices[0]).Dot(normal);
        if (std::fabs(distance) > radius) {
            return 3;
        }
        index = 0;
        outNormal = normal;
        depth = radius - distance;
        point = centre - normal * ((distance + radius) / 2.0f);
        return 2;
    }

    // An edge passed at its end followed by one short of its start names the vertex between.
    // At a sharp corner the centre can lie outside one edge and inside the next, and then no
    // such pair exists: the nearest vertex is the one touched.
    int vertex = -1;
    for (int i = 0; i < n && vertex < 0; ++i) {
        int next = (i + 1) % n;
        if (SideOfEdge(centre, vertices, n, normal, i) == PassedEnd &&
            SideOfEdge(centre, vertices, n, normal, next) == ShortOfStart) {
            vertex = next;
        }
    }
    if (vertex < 0) {
        vertex = 0;
        for (int i = 1; i < n; ++i) {
            if ((centre - vertices[i]).Mag2() < (centre - vertices[vertex]).Mag2()) {
                vertex = i;
            }
        }
    }
    Vector3 w = centre - vertices[vertex];
    float w2 = w.Mag2();
    if (w2 > radius * radius) {
        return 3;
    }
    float length = std::sqrt(w2);
    index = vertex;
    outNormal = w;
    outNormal.Normalize();
    depth = radius - length;
    point = vertices[vertex] - outNormal * (depth / 2.0f);
    return 0;
}

bool geomIsBelowPlane(const Vector3& point, const Vector3& planePoint, const Vector3& normal,
                      float offset) {
    return (point - planePoint).Dot(normal) < offset;
}

bool geomSphereTouchesPlane(const Vector3& centre, const Vector3& planePoint,
                            const Vector3& normal, float radius) {
    return std::fabs((centre - planePoint).Dot(normal)) <= radius;
}

bool geomPointInBox(const Vector3& point, float hx, float hy, float hz) {
    return -hx <= point.x && point.x <= hx && -hy <= point.y && point.y <= hy && -hz <= point.z &&
           point.z <= hz;
}

int geomClassify(float value, float limit) {
    if (value > limit) {
        return 1;
    }
    return value < -limit ? -1 : 0;
}

int geomPointInPolygonXZ(float x, float z, const Vector3* vertices, int n) {
    // Half-open in x: an edge counts when exactly one end lies at or left of x, so a ray
    // through a vertex crosses one of its two edges, never both.
    int crossings = 0;
    for (int i = 0; i < n; ++i) {
        const Vector3& v0 = vertices[i];
        const Vector3& v1 = vertices[(i + 1) % n];
        if ((v0.x <= x) == (v1.x <= x)) {
            continue;
        }
        if (v0.z < z && v1.z < z) {
            continue;
        }
        if ((v0.z > z && v1.z > z) || (v1.z - v0.z) * (x - v0.x) / (v1.x - v0.x) + v0.z > z) {
            ++crossings;
        }
    }
    return crossings & 1;
}

bool geomRayPlane(const Vector3& origin, const Vector3& direction, const Vector4& plane,
                  float& t) {
    Vector3 normal(plane.x, plane.y, plane.z);
    float denominator = direction.Dot(normal);
    if (denominator == 0.0f) {
        return false;
    }
    t = -((origin.Dot(normal) - plane.w) / denominator);
    return true;
}

bool geomSegmentTriangle(const Vector3& p, const Vector3& d, const Vector3& a, const Vector3& b,
                         const Vector3& c, float& t) {
    Vector4 plane;
    plane.ComputePlane(a, b, c);
    float hitT = 0.0f;
    if (!geomRayPlane(p, d, plane, hitT) || hitT < 0.0f || hitT > 1.0f) {
        return false;
    }
    Vector3 normal(plane.x, plane.y, plane.z);
    Vector3 hit = p + d * hitT;
    const Vector3* corners[3] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i) {
        const Vector3& v0 = *corners[i];
        const Vector3& v1 = *corners[(i + 1) % 3];
        Vector3 side;
        side.Cross(v1 - v0, hit - v0);
        if (side.Dot(normal) < 0.0f) {
            return false;
        }
    }
    t = hitT;
    return true;
}
