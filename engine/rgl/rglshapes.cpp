// What rgl draws from its primitives: text at a world point, wire and solid boxes, axes,
// spheres and ellipsoids, billboards and texture tiles.
#include "rgl/rgl.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "gfx/pipeline.h"
#include "gfx/print.h"
#include "gfx/rstate.h"
#include "gfx/viewport.h"
#include "vector/colour.h"
#include "vector/matrix34.h"
#include "vector/matrix44.h"
#include "vector/vector4.h"

namespace {

const float Pi = 3.14159265358979f;
const int TileSize = 100;
int sTileX;
int sTileY;

uint32_t Pack(const Vector4& c) {
    return PackColor(c.x, c.y, c.z, c.w);
}

void Vertex(const Vector3& p) {
    rglVertex(p.x, p.y, p.z);
}

}  // namespace

void rglBillboardCorners(const Vector3& c, float s, Vector3 corners[4]) {
    if (gfxStateDirty & gfxDirtyComposite) {
        gfxComposeMatrices();
    }
    Vector3 right(gfxView.a.x, gfxView.b.x, gfxView.c.x);
    Vector3 up(gfxView.a.y, gfxView.b.y, gfxView.c.y);
    corners[0] = c - right * s - up * s;
    corners[1] = corners[0] + right * (2 * s);
    corners[2] = corners[1] + up * (2 * s);
    corners[3] = corners[0] + up * (2 * s);
}

void rglPrint3D(const Vector3& p, const char* text) {
    if (gfxStateDirty & gfxDirtyComposite) {
        gfxComposeMatrices();
    }
    const Matrix44& m = gfxComposite;
    float X = p.x * m.a.x + p.y * m.b.x + p.z * m.c.x + m.d.x;
    float Y = p.x * m.a.y + p.y * m.b.y + p.z * m.c.y + m.d.y;
    float W = p.x * m.a.w + p.y * m.b.w + p.z * m.c.w + m.d.w;
    if (!(W > 0.0f)) {
        return;
    }
    const gfxTexture* bound = gfxCurrentState.m_Texture[0];
    gfxPrint(int(X / W), int(Y / W), text);
    rglBindTexture(const_cast<gfxTexture*>(bound));
}

void rglPrintf3D(const Vector3& p, const char* format, ...) {
    char buffer[128];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    rglPrint3D(p, buffer);
}

void rglDrawWireBox(const Vector3& size, const Matrix34& m) {
    rglLoadMatrix(m);
    Vector3 h = size * 0.5f;
    rglColor(PackColor(1, 1, 1, 1));
    rglBegin(RGL_LINES);
    // Four edges along each axis.
    for (int axis = 0; axis < 3; ++axis) {
        for (int corner = 0; corner < 4; ++corner) {
            float s1 = corner & 1 ? 1.0f : -1.0f;
            float s2 = corner & 2 ? 1.0f : -1.0f;
            Vector3 a, b;
            if (axis == 0) {
                a = Vector3(-h.x, s1 * h.y, s2 * h.z), b = Vector3(h.x, s1 * h.y, s2 * h.z);
            } else if (axis == 1) {
                a = Vector3(s1 * h.x, -h.y, s2 * h.z), b = Vector3(s1 * h.x, h.y, s2 * h.z);
            } else {
                a = Vector3(s1 * h.x, s2 * h.y, -h.z), b = Vector3(s1 * h.x, s2 * h.y, h.z);
            }
            Vertex(a);
            Vertex(b);
        }
    }
    rglEnd();
}

void rglDrawSolidBox(const Vector3& size, const Matrix34& m, const Vector4& colour) {
    rglLoadMatrix(m);
    Vector3 h = size * 0.5f;
    rglColor(Pack(colour) | 0xFF000000);
    // Faces -z, +z, +x, +y, -x, -y: the fixed axis, its sign, and the two that run.
    static const int faces[6][4] = {{2, -1, 0, 1}, {2, 1, 1, 0}, {0, 1, 2, 1},
                                    {1, 1, 0, 2},  {0, -1, 1, 2}, {1, -1, 2, 0}};
    const float half[3] = {h.x, h.y, h.z};
    for (const auto& f : faces) {
        rglBegin(RGL_TRIANGLE_FAN);
        static const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        for (const auto& c : corners) {
            float p[3];
            p[f[0]] = f[1] * half[f[0]];
            p[f[2]] = c[0] * half[f[2]];
            p[f[3]] = c[1] * half[f[3]];
            rglVertex(p[0], p[1], p[2]);
        }
        rglEnd();
    }
}

void rglDrawAxes(float length, const Matrix34& m) {
    rglLoadMatrix(m);
    rglBegin(RGL_LINES);
    rglColor(0xFFFF0000);
    rglVertex(-length, 0, 0);
    rglVertex(length, 0, 0);
    rglColor(0xFF00FF00);
    rglVertex(0, -length, 0);
    rglVertex(0, length, 0);
    rglColor(0xFF0000FF);
    rglVertex(0, 0, -length);
    rglVertex(0, 0, length);
    rglEnd();
}

void rglDrawWireSphere(float r, int n) {
    for (int circle = 0; circle < 3; ++circle) {
        rglBegin(RGL_LINE_STRIP);
        for (int i = 0; i <= n; ++i) {
            float a = i * 2 * Pi / n;
            float c = r * cosf(a);
            float s = r * sinf(a);
            if (circle == 0) {
                rglVertex(0, c, s);
            } else if (circle == 1) {
                rglVertex(c, 0, s);
            } else {
                rglVertex(c, s, 0);
            }
        }
        rglEnd();
    }
}

void rglDrawWireEllipsoid(const Vector3& radii, const Matrix34& m, int n) {
    rglLoadMatrix(m);
    if (n < 4) {
        n = 4;
    }
    int k = n / 2;
    for (int j = 1; j < k; ++j) {
        float b = j * Pi / k;
        float y = radii.y * cosf(b);
        float q = sinf(b);
        rglBegin(RGL_LINE_STRIP);
        for (int i = 0; i <= n; ++i) {
            float a = i * 2 * Pi / n;
            rglVertex(radii.x * q * cosf(a), y, radii.z * q * sinf(a));
        }
        rglEnd();
    }
}

void rglDrawWireEllipsoid(float radius, const Matrix34& m, int n) {
    rglDrawWireEllipsoid(Vector3(radius, radius, radius), m, n);
}

void rglDrawBillboard(const Vector3& centre, float halfSize, const Vector4& colour) {
    Vector3 corners[4];
    rglBillboardCorners(centre, halfSize, corners);
    static const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    rglColor(Pack(colour));
    rglBegin(RGL_TRIANGLE_FAN);
    for (int i = 0; i < 4; ++i) {
        rglTexCoord(uv[i][0], uv[i][1]);
        Vertex(corners[i]);
    }
    rglEnd();
}

void rglResetTileCursor() {
    sTileX = sTileY = 0;
}

void rglShowTexture(gfxTexture* texture) {
    gfxViewport* previous = gfxCurrentViewport;
    gfxSetViewport(gfxScreenViewport);
    rglEnable(RGL_LIGHTING, 0);
    gfxSetBlendMode(gfxCurrentState, 0);
    rglBindTexture(texture);
    float x = float(sTileX);
    float y = float(sTileY);
    static const float corners[4][4] = {
        {0, TileSize, 0, 0}, {TileSize, TileSize, 1, 0}, {TileSize, 0, 1, 1}, {0, 0, 0, 1}};
    rglColor(0xFFFFFFFF);
    rglBegin(RGL_TRIANGLE_FAN);
    for (const auto& c : corners) {
        rglTexCoord(c[2], c[3]);
        rglVertex(x + c[0], y + c[1], 0);
    }
    rglEnd();
    if (previous) {
        gfxSetViewport(previous);
    }
    sTileY += TileSize;
    if (sTileY > gfxPipeline::m_iHeight - TileSize) {
        sTileX += TileSize;
        sTileY = 0;
    }
}
