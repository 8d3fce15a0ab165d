// The debug drawing of the statistics module: colours, lines, triangles, quads, wire spheres
// and boxes, and 3D text, all through the immediate-mode layer.
#include "node/stats.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "rgl/rgl.h"
#include "vector/matrix34.h"
#include "vector/vector3.h"
#include "vector/vector4.h"

const Vector3 ovStats::Red(1, 0, 0), ovStats::DarkRed(0.5f, 0, 0), ovStats::LightRed(1, 0.5f, 0.5f);
const Vector3 ovStats::Green(0, 1, 0), ovStats::DarkGreen(0, 0.5f, 0),
    ovStats::LightGreen(0.5f, 1, 0.5f);
const Vector3 ovStats::Blue(0, 0, 1), ovStats::DarkBlue(0, 0, 0.5f),
    ovStats::LightBlue(0.5f, 0.5f, 1);
const Vector3 ovStats::Yellow(1, 1, 0), ovStats::DarkYellow(0.5f, 0.5f, 0),
    ovStats::LightYellow(1, 1, 0.5f);
const Vector3 ovStats::Cyan(0, 1, 1), ovStats::DarkCyan(0, 0.5f, 0.5f),
    ovStats::LightCyan(0.5f, 1, 1);
const Vector3 ovStats::Magenta(1, 0, 1), ovStats::DarkMagenta(0.5f, 0, 0.5f),
    ovStats::LightMagenta(1, 0.5f, 1);
const Vector3 ovStats::Orange(1, 0.5f, 0), ovStats::DarkOrange(0.5f, 0.25f, 0),
    ovStats::LightOrange(1, 0.75f, 0.5f);
const Vector3 ovStats::Black(0, 0, 0), ovStats::Grey(0.5f, 0.5f, 0.5f), ovStats::White(1, 1, 1);

uint32_t ovStats::sm_StartColor = 0xFFFFFFFF;
uint32_t ovStats::sm_EndColor = 0xFFFFFFFF;
bool ovStats::sm_LightingWasOn = false;

namespace {

const float DegreesToRadians = 3.14159265f / 180.0f;

// A component of 0..1 to a byte, rounded; out of range stays at the nearer end.
uint32_t ColorByte(float c) {
    float scaled = c * 255.0f + 0.5f;
    if (!(scaled >= 0.0f)) {
        return 0;
    }
    return scaled >= 255.0f ? 255u : uint32_t(scaled);
}

uint32_t Pack(float r, float g, float b, float a) {
    return ColorByte(a) << 24 | ColorByte(r) << 16 | ColorByte(g) << 8 | ColorByte(b);
}

void Vertex(const Vector3& p) {
    rglVertex(p.x, p.y, p.z);
}

}  // namespace

void ovStats::SetColor(const Vector3& rgb) {
    sm_StartColor = sm_EndColor = Pack(rgb.x, rgb.y, rgb.z, 1.0f);
}

void ovStats::SetColor(const Vector4& rgba) {
    sm_StartColor = sm_EndColor = Pack(rgba.x, rgba.y, rgba.z, rgba.w);
}

void ovStats::SetEndColor(const Vector3& rgb) {
    sm_EndColor = Pack(rgb.x, rgb.y, rgb.z, 1.0f);
}

void ovStats::SetEndColor(const Vector4& rgba) {
    sm_EndColor = Pack(rgba.x, rgba.y, rgba.z, rgba.w);
}

void ovStats::DrawLine(const Vector3& a, const Vector3& b) {
    rglBegin(RGL_LINES);
    rglColor(sm_StartColor);
    Vertex(a);
    rglColor(sm_EndColor);
    Vertex(b);
    rglEnd();
}

void ovStats::DrawLine(float ax, float ay, float az, float bx, float by, float bz) {
    DrawLine(Vector3(ax, ay, az), Vector3(bx, by, bz));
}

void ovStats::DrawTriangle(const Vector3* normal, const Vector3& a, const Vector3& b,
                           const Vector3& c) {
    if (normal) {
        rglNormal(normal->x, normal->y, normal->z);
    }
    rglColor(sm_StartColor);
    rglBegin(RGL_TRIANGLES);
    Vertex(a);
    Vertex(b);
    Vertex(c);
    rglEnd();
}

void ovStats::DrawQuad(const Vector3* normal, const Vector3& a, const Vector3& b,
                       const Vector3& c, const Vector3& d) {
    if (normal) {
        rglNormal(normal->x, normal->y, normal->z);
    }
    rglColor(sm_StartColor);
    rglBegin(RGL_TRIANGLE_FAN);
    Vertex(a);
    Vertex(b);
    Vertex(c);
    Vertex(d);
    rglEnd();
}

namespace {

// The point at a latitude (from +z) and longitude (from +y towards +x), in degrees.
Vector3 SpherePoint(const Vector3& c, float r, int lat, int lon) {
    float sinLat = std::sin(lat * DegreesToRadians);
    return Vector3(c.x + r * std::sin(lon * DegreesToRadians) * sinLat,
                   c.y + r * std::cos(lon * DegreesToRadians) * sinLat,
                   c.z + r * std::cos(lat * DegreesToRadians));
}

}  // namespace

// Rings of latitude 30..150 and meridians every 45 degrees, each cut into 45-degree lines.
void ovStats::DrawSphere(const Vector3& c, float r) {
    for (int lat = 30; lat <= 150; lat += 30) {
        for (int lon = 45; lon <= 360; lon += 45) {
            DrawLine(SpherePoint(c, r, lat, lon - 45), SpherePoint(c, r, lat, lon));
        }
    }
    for (int lon = 0; lon < 360; lon += 45) {
        for (int lat = 45; lat <= 180; lat += 45) {
            DrawLine(SpherePoint(c, r, lat - 45, lon), SpherePoint(c, r, lat, lon));
        }
    }
}

void ovStats::DrawSphere(const Vector4& s) {
    DrawSphere(Vector3(s.x, s.y, s.z), s.w);
}

// Four edges along each axis: the edge from corner k runs where that axis goes min to max.
void ovStats::DrawBox(const Vector3& min, const Vector3& max) {
    const float lo[3] = {min.x, min.y, min.z};
    const float hi[3] = {max.x, max.y, max.z};
    for (int axis = 0; axis < 3; ++axis) {
        int u = (axis + 1) % 3;
        int v = (axis + 2) % 3;
        for (int k = 0; k < 4; ++k) {
            float from[3], to[3];
            from[axis] = lo[axis];
            to[axis] = hi[axis];
            from[u] = to[u] = (k & 1) ? hi[u] : lo[u];
            from[v] = to[v] = (k & 2) ? hi[v] : lo[v];
            DrawLine(from[0], from[1], from[2], to[0], to[1], to[2]);
        }
    }
}

void ovStats::Print3D(const Vector3& point, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    rglPrint3D(point, text);
}

void ovStats::BeginDraw(const Matrix34& matrix) {
    rglLoadMatrix(matrix);
    sm_LightingWasOn = rglEnable(RGL_LIGHTING, 0) != 0;
    rglBindTexture(nullptr);
}

void ovStats::EndDraw() {
    rglEnable(RGL_LIGHTING, sm_LightingWasOn);
}
