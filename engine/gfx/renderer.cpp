// The internal renderer: transform, outcodes, clipping against the six planes, projection and
// batching of screen vertices for the device.
#include "gfx/renderer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "data/assert.h"
#include "data/floatstate.h"
#include "gfx/hooks.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "gfx/thinlines.h"
#include "gfx/vertexformat.h"
#include "gfx/viewport.h"
#include "vector/nanfill.h"

namespace {

struct ClipVertex {
    float m_X, m_Y, m_Z, m_W;
    uint32_t m_Diffuse;
    uint32_t m_Specular;
    float m_U, m_V;
};

struct ClipSpaceVertex {
    float m_X, m_Y, m_Z, m_W;
};

const uint32_t BatchSize = 72;
const int MaxClipVertices = 16;
const uint32_t DepthComplexityColour = 0xFF202020;

// Working arrays, grown to the largest primitive seen.
std::unique_ptr<gfxScreenVertex[]> sScreen;
std::unique_ptr<ClipSpaceVertex[]> sClip;
std::unique_ptr<uint8_t[]> sOutcodes;
uint32_t sVertexRoom;
std::unique_ptr<uint16_t[]> sIndices;
uint32_t sIndexRoom;

gfxScreenVertex sBatch[BatchSize];
uint32_t sBatchCount;
ClipVertex sPolygons[2][MaxClipVertices];

float sScreenWidth;
float sScreenHeight;

const bool sHooked = gfxAddHook(gfxHookDeviceCreated, gfxIntRendererDeviceCreated) &&
                     gfxAddHook(gfxHookDeviceReleasing, gfxIntRendererRelease);

// Where a vertex keeps its colour and texture coordinates.
struct Layout {
    uint32_t m_Size;
    int32_t m_Colour;  // -1: the current colour
    uint32_t m_UV;
};

Layout LayoutOf(uint32_t format) {
    Layout layout = {gfxVertexSize(format), -1, 12};
    switch (format & ~0xFu) {
    case 0x100:
        break;
    case 0x110:
        layout.m_UV = 24;
        break;
    case 0x140:
        layout.m_Colour = 12;
        layout.m_UV = 16;
        break;
    default:
        Assert(0);
    }
    return layout;
}

uint32_t CurrentColour() {
    if (gfxDepthComplexity) {
        return DepthComplexityColour;
    }
    return gfxCurrentState.m_Material ? gfxCurrentState.m_Material->m_Packed : 0xFFFFFFFF;
}

// Grows the per-vertex arrays; a failed allocation leaves them empty.
bool Reserve(uint32_t count) {
    if (count <= sVertexRoom) {
        return true;
    }
    gfxIntRendererRelease();
    sScreen.reset(new (std::nothrow) gfxScreenVertex[count]);
    sClip.reset(new (std::nothrow) ClipSpaceVertex[count]);
    sOutcodes.reset(new (std::nothrow) uint8_t[count]);
    if (!sScreen || !sClip || !sOutcodes) {
        gfxIntRendererRelease();
        return false;
    }
    uint32_t fillWords[8];
    std::fill(fillWords, fillWords + 8, NanFillBits);
    gfxScreenVertex fill;
    memcpy(&fill, fillWords, sizeof(fill));
    std::fill(sScreen.get(), sScreen.get() + count, fill);
    sVertexRoom = count;
    return true;
}

bool ReserveIndices(uint32_t count) {
    if (count <= sIndexRoom) {
        return true;
    }
    sIndices.reset(new (std::nothrow) uint16_t[count]);
    sIndexRoom = sIndices ? count : 0;
    return sIndices != nullptr;
}

// Magnitudes compared as integers: the sign bit cleared, the order of positive floats is the
// order of their bit patterns.
uint32_t Magnitude(float f) {
    uint32_t bits;
    memcpy(&bits, &f, 4);
    return bits & 0x7FFFFFFF;
}

uint8_t Outcode(const ClipSpaceVertex& v) {
    uint32_t w = Magnitude(v.m_W);
    uint8_t code = 0;
    if (Magnitude(v.m_X) > w) {
        code |= v.m_X >= 0 ? 0x01 : 0x02;
    }
    if (Magnitude(v.m_Y) > w) {
        code |= v.m_Y >= 0 ? 0x04 : 0x08;
    }
    if (Magnitude(v.m_Z) > w) {
        code |= v.m_Z >= 0 ? 0x10 : 0x20;
    }
    return code;
}

void Transform(const float* p, const Matrix44& m, float out[4]) {
    out[0] = p[0] * m.a.x + p[1] * m.b.x + p[2] * m.c.x + m.d.x;
    out[1] = p[0] * m.a.y + p[1] * m.b.y + p[2] * m.c.y + m.d.y;
    out[2] = p[0] * m.a.z + p[1] * m.b.z + p[2] * m.c.z + m.d.z;
    out[3] = p[0] * m.a.w + p[1] * m.b.w + p[2] * m.c.w + m.d.w;
}

float Clamp(float value, float high) {
    return value < 0 ? 0 : (value > high ? high : value);
}

// Clip space to the screen through the viewport's scales and offsets, clamped to the target.
void Project(gfxScreenVertex& out, float x, float y, float z, float w) {
    const Matrix44& s = gfxCurrentViewport->m_Screen;
    float r = 1.0f / w;
    out.m_X = Clamp(x * r * s.a.x + s.d.x, sScreenWidth);
    out.m_Y = Clamp(y * r * s.b.y + s.d.y, sScreenHeight);
    out.m_Z = z * r * s.c.z + s.d.z;
    out.m_Rhw = r;
}

void SetAttributes(gfxScreenVertex& out, const uint8_t* vertex, const Layout& layout,
                   uint32_t colour) {
    if (layout.m_Colour >= 0) {
        memcpy(&colour, vertex + layout.m_Colour, 4);
    }
    out.m_Diffuse = colour;
    out.m_Specular = 0xFFFFFFFF;
    memcpy(&out.m_U, vertex + layout.m_UV, 8);
}

// Points and lines on a device without them go as thin quads; true when so drawn.
bool DrawnThin(uint32_t type, const gfxScreenVertex* vertices, uint32_t count,
               const uint16_t* indices) {
    if (!gfxIsLineOrPoint(type) || gfxDeviceDrawsLines()) {
        return false;
    }
    gfxDrawThinPrimitive(type, vertices, count, indices, gfxIntDrawFlags);
    return true;
}

// The batch holds triangles, or the lines or points of a primitive of those.
void DrawBatch(D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST) {
    if (!sBatchCount) {
        return;
    }
    if (type == D3DPT_TRIANGLELIST) {
        gfxFailed(lpD3DDev->DrawPrimitive(D3DPT_TRIANGLELIST, gfxScreenVertexFormat, sBatch,
                                          sBatchCount, gfxIntDrawFlags),
                  "lpD3DDev->DrawPrimitive(D3DPT_TRIANGLELIST,D3DFVF_TLVERTEX,batch,count,28)");
        gfxStats.m_IntTris += sBatchCount / 3;
    } else if (!DrawnThin(type, sBatch, sBatchCount, nullptr)) {
        gfxFailed(lpD3DDev->DrawPrimitive(type, gfxScreenVertexFormat, sBatch, sBatchCount,
                                          gfxIntDrawFlags),
                  "lpD3DDev->DrawPrimitive((D3DPRIMITIVETYPE)dm,D3DFVF_TLVERTEX,batch,count,28)");
    }
    sBatchCount = 0;
}

// Whole triangles (3), lines (2) or points (1): the batch's size is a multiple of each.
void AddToBatch(const gfxScreenVertex* v, uint32_t n, D3DPRIMITIVETYPE type) {
    for (uint32_t i = 0; i < n; ++i) {
        sBatch[sBatchCount++] = v[i];
    }
    if (sBatchCount == BatchSize) {
        DrawBatch(type);
    }
}

// Signed distance-like value of a vertex to one of the six planes, positive inside.
float Inside(const ClipVertex& v, int plane) {
    switch (plane) {
    case 0: return v.m_W + v.m_Z;
    case 1: return v.m_W + v.m_X;
    case 2: return v.m_W - v.m_X;
    case 3: return v.m_W + v.m_Y;
    case 4: return v.m_W - v.m_Y;
    default: return v.m_W - v.m_Z;
    }
}

// The position and coordinates of the point at t along a-b; its colours stay as they are.
void Interpolate(ClipVertex& v, const ClipVertex& a, const ClipVertex& b, float t) {
    v.m_X = a.m_X + (b.m_X - a.m_X) * t;
    v.m_Y = a.m_Y + (b.m_Y - a.m_Y) * t;
    v.m_Z = a.m_Z + (b.m_Z - a.m_Z) * t;
    v.m_W = a.m_W + (b.m_W - a.m_W) * t;
    v.m_U = a.m_U + (b.m_U - a.m_U) * t;
    v.m_V = a.m_V + (b.m_V - a.m_V) * t;
}

// The point of edge a-b on the plane; its colours are those of the outside end.
ClipVertex Intersect(const ClipVertex& a, const ClipVertex& b, float da, float db, int plane,
                     const ClipVertex& outside) {
    ClipVertex v;
    Interpolate(v, a, b, da / (da - db));
    switch (plane) {
    case 0: v.m_Z = -v.m_W; break;
    case 1: v.m_X = -v.m_W; break;
    case 2: v.m_X = v.m_W; break;
    case 3: v.m_Y = -v.m_W; break;
    case 4: v.m_Y = v.m_W; break;
    default: v.m_Z = v.m_W; break;
    }
    v.m_Diffuse = outside.m_Diffuse;
    v.m_Specular = outside.m_Specular;
    return v;
}

// One pass of the clipper; the count of vertices left.
int ClipPass(const ClipVertex* in, int count, ClipVertex* out, int plane) {
    int n = 0;
    const ClipVertex* previous = &in[count - 1];
    float dPrevious = Inside(*previous, plane);
    for (int i = 0; i < count; ++i) {
        const ClipVertex& current = in[i];
        float d = Inside(current, plane);
        bool previousIn = dPrevious >= 0;
        bool currentIn = d >= 0;
        if (previousIn != currentIn && n < MaxClipVertices) {
            out[n++] = Intersect(*previous, current, dPrevious, d, plane,
                                 currentIn ? *previous : current);
        }
        if (currentIn && n < MaxClipVertices) {
            out[n++] = current;
        }
        previous = &current;
        dPrevious = d;
    }
    return n;
}

// A vertex of the primitive in clip space with its colour and coordinates.
ClipVertex ClipVertexOf(uint32_t index, const uint8_t* vertices, const Layout& layout,
                        uint32_t colour) {
    const ClipSpaceVertex& c = sClip[index];
    ClipVertex v;
    v.m_X = c.m_X;
    v.m_Y = c.m_Y;
    v.m_Z = c.m_Z;
    v.m_W = c.m_W;
    const uint8_t* source = vertices + (size_t)layout.m_Size * index;
    if (layout.m_Colour >= 0) {
        memcpy(&colour, source + layout.m_Colour, 4);
    }
    v.m_Diffuse = colour;
    v.m_Specular = 0xFFFFFFFF;
    memcpy(&v.m_U, source + layout.m_UV, 8);
    return v;
}

void ProjectClipVertex(gfxScreenVertex& out, const ClipVertex& v) {
    Project(out, v.m_X, v.m_Y, v.m_Z, v.m_W);
    out.m_Diffuse = v.m_Diffuse;
    out.m_Specular = v.m_Specular;
    out.m_U = v.m_U;
    out.m_V = v.m_V;
}

void ClipTriangle(const uint32_t index[3], const uint8_t* vertices, const Layout& layout,
                  uint32_t colour) {
    ClipVertex* polygon = sPolygons[0];
    for (int i = 0; i < 3; ++i) {
        polygon[i] = ClipVertexOf(index[i], vertices, layout, colour);
    }
    int count = 3;
    int current = 0;
    for (int plane = 0; plane < 6; ++plane) {
        count = ClipPass(sPolygons[current], count, sPolygons[current ^ 1], plane);
        current ^= 1;
        if (!count) {
            return;
        }
    }
    gfxScreenVertex screen[MaxClipVertices];
    for (int i = 0; i < count; ++i) {
        ProjectClipVertex(screen[i], sPolygons[current][i]);
    }
    for (int k = 0; k + 2 < count; ++k) {
        const gfxScreenVertex triangle[3] = {screen[0], screen[k + 1], screen[k + 2]};
        AddToBatch(triangle, 3, D3DPT_TRIANGLELIST);
    }
}

// The part of line a-b inside all six planes, its ends keeping their own colours.
void ClipLine(uint32_t a, uint32_t b, const uint8_t* vertices, const Layout& layout,
              uint32_t colour) {
    uint8_t codeA = sOutcodes[a], codeB = sOutcodes[b];
    if (codeA & codeB) {
        return;
    }
    ClipVertex ends[2] = {ClipVertexOf(a, vertices, layout, colour),
                          ClipVertexOf(b, vertices, layout, colour)};
    float t0 = 0, t1 = 1;
    for (int plane = 0; (codeA | codeB) && plane < 6; ++plane) {
        float da = Inside(ends[0], plane), db = Inside(ends[1], plane);
        if (da < 0 && db < 0) {
            return;
        }
        if (da < 0) {
            t0 = std::max(t0, da / (da - db));
        } else if (db < 0) {
            t1 = std::min(t1, da / (da - db));
        }
    }
    if (t0 >= t1) {
        return;
    }
    gfxScreenVertex screen[2];
    for (int i = 0; i < 2; ++i) {
        ClipVertex v = ends[i];
        Interpolate(v, ends[0], ends[1], i ? t1 : t0);
        ProjectClipVertex(screen[i], v);
    }
    AddToBatch(screen, 2, D3DPT_LINELIST);
}

// Classification 3 of points and lines: the points inside are drawn, the lines cut to the
// view; both go out in batches.
void ClipLinesOrPoints(uint32_t type, uint32_t elements, const uint8_t* vertices,
                       const Layout& layout, uint32_t colour, const uint16_t* indices) {
    sBatchCount = 0;
    gfxForEachPointOrLine(
        type, elements, indices,
        [&](uint32_t p) {
            if (!sOutcodes[p]) {
                gfxScreenVertex screen;
                ProjectClipVertex(screen, ClipVertexOf(p, vertices, layout, colour));
                AddToBatch(&screen, 1, D3DPT_POINTLIST);
            }
        },
        [&](uint32_t a, uint32_t b) { ClipLine(a, b, vertices, layout, colour); });
    DrawBatch(type == D3DPT_POINTLIST ? D3DPT_POINTLIST : D3DPT_LINELIST);
}

// The triangles of a list, strip or fan as vertex numbers, through the indices when given.
template <typename Visit>
void ForEachTriangle(uint32_t type, uint32_t count, const uint16_t* indices, Visit visit) {
    auto at = [indices](uint32_t i) { return indices ? (uint32_t)indices[i] : i; };
    auto emit = [&](uint32_t a, uint32_t b, uint32_t c) {
        uint32_t t[3] = {at(a), at(b), at(c)};
        visit(t);
    };
    if (type == D3DPT_TRIANGLELIST) {
        for (uint32_t i = 0; i + 2 < count; i += 3) {
            emit(i, i + 1, i + 2);
        }
    } else if (type == D3DPT_TRIANGLESTRIP) {
        uint32_t i = 0;
        for (; i + 3 < count; i += 2) {
            emit(i, i + 1, i + 2);
            emit(i + 1, i + 3, i + 2);
        }
        if (i + 2 < count) {
            emit(i, i + 1, i + 2);
        }
    } else if (type == D3DPT_TRIANGLEFAN) {
        for (uint32_t k = 0; k + 2 < count; ++k) {
            emit(0, k + 1, k + 2);
        }
    }
}

uint32_t TriangleCount(uint32_t type, uint32_t count) {
    if (type == D3DPT_TRIANGLELIST) {
        return count / 3;
    }
    if (type == D3DPT_TRIANGLESTRIP || type == D3DPT_TRIANGLEFAN) {
        return count > 2 ? count - 2 : 0;
    }
    return 0;
}

// Classification 3: clip what crosses, then draw what lies wholly inside.
void ClipPrimitive(uint32_t type, uint32_t count, const uint8_t* vertices, const Layout& layout,
                   uint32_t colour, uint32_t indexCount, const uint16_t* indices) {
    uint32_t elements = indices ? indexCount : count;
    if (gfxIsLineOrPoint(type)) {
        ClipLinesOrPoints(type, elements, vertices, layout, colour, indices);
        return;
    }
    sBatchCount = 0;
    ForEachTriangle(type, elements, indices, [&](const uint32_t t[3]) {
        uint8_t a = sOutcodes[t[0]], b = sOutcodes[t[1]], c = sOutcodes[t[2]];
        if ((a | b | c) && !(a & b & c)) {
            ClipTriangle(t, vertices, layout, colour);
        }
    });
    DrawBatch();
    for (uint32_t i = 0; i < count; ++i) {
        if (!sOutcodes[i]) {
            const ClipSpaceVertex& c = sClip[i];
            Project(sScreen[i], c.m_X, c.m_Y, c.m_Z, c.m_W);
            SetAttributes(sScreen[i], vertices + (size_t)layout.m_Size * i, layout, colour);
        }
    }
    if (indices) {
        if (!ReserveIndices(TriangleCount(type, indexCount) * 3)) {
            return;
        }
        uint32_t n = 0;
        ForEachTriangle(type, indexCount, indices, [&](const uint32_t t[3]) {
            if (!(sOutcodes[t[0]] | sOutcodes[t[1]] | sOutcodes[t[2]])) {
                sIndices[n++] = (uint16_t)t[0];
                sIndices[n++] = (uint16_t)t[1];
                sIndices[n++] = (uint16_t)t[2];
            }
        });
        if (n) {
            gfxFailed(lpD3DDev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, gfxScreenVertexFormat,
                                                     sScreen.get(), count, sIndices.get(), n,
                                                     gfxIntDrawFlags),
                      "lpD3DDev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST,D3DFVF_TLVERTEX,verts,"
                      "vcount,indices,icount,28)");
            gfxStats.m_IntTris += n / 3;
        }
        return;
    }
    ForEachTriangle(type, count, nullptr, [&](const uint32_t t[3]) {
        if (!(sOutcodes[t[0]] | sOutcodes[t[1]] | sOutcodes[t[2]])) {
            const gfxScreenVertex triangle[3] = {sScreen[t[0]], sScreen[t[1]], sScreen[t[2]]};
            AddToBatch(triangle, 3, D3DPT_TRIANGLELIST);
        }
    });
    DrawBatch();
}

// Runs the renderer under masked single precision and draws what it leaves to the caller.
template <typename DrawScreen>
void RenderAndDraw(uint32_t type, uint32_t format, const void* vertices, uint32_t count,
                   const uint16_t* indices, uint32_t indexCount, DrawScreen draw) {
    FloatState saved = SaveFloatState();
    gfxSetPipelineFloatState();
    if (gfxIntRender(type, count, format, vertices, indexCount, indices)) {
        draw();
        gfxStats.m_IntTris += TriangleCount(type, indices ? indexCount : count);
    }
    RestoreFloatState(saved);
}

}  // namespace

bool gfxIntRender(uint32_t type, uint32_t count, uint32_t format, const void* vertices,
                  uint32_t indexCount, const uint16_t* indices) {
    Layout layout = LayoutOf(format);
    if (!count || !Reserve(count)) {
        return false;
    }
    if (gfxStateDirty & gfxDirtyComposite) {
        gfxComposeMatrices();
    }
    const uint8_t* bytes = (const uint8_t*)vertices;
    uint32_t colour = CurrentColour();
    int code;
    if (!gfxCurrentState.m_Clipping) {
        code = 1;
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* vertex = bytes + (size_t)layout.m_Size * i;
            float p[3], s[4];
            memcpy(p, vertex, 12);
            Transform(p, gfxComposite, s);
            gfxScreenVertex& out = sScreen[i];
            float r = 1.0f / s[3];
            out.m_X = Clamp(s[0] * r, sScreenWidth);
            out.m_Y = Clamp(s[1] * r, sScreenHeight);
            out.m_Z = s[2] * r;
            out.m_Rhw = r;
            SetAttributes(out, vertex, layout, colour);
        }
    } else {
        uint8_t any = 0, all = 0xFF;
        for (uint32_t i = 0; i < count; ++i) {
            float p[3];
            memcpy(p, bytes + (size_t)layout.m_Size * i, 12);
            Transform(p, gfxWorldViewProj, &sClip[i].m_X);
            uint8_t outcode = Outcode(sClip[i]);
            sOutcodes[i] = outcode;
            any |= outcode;
            all &= outcode;
        }
        code = all ? 0 : (any ? 3 : 2);
    }
    switch (code) {
    case 0:
        return false;
    case 1:
        return true;
    case 2:
        for (uint32_t i = 0; i < count; ++i) {
            const ClipSpaceVertex& c = sClip[i];
            Project(sScreen[i], c.m_X, c.m_Y, c.m_Z, c.m_W);
            SetAttributes(sScreen[i], bytes + (size_t)layout.m_Size * i, layout, colour);
        }
        return true;
    default:
        Assert(code == 3);
        ClipPrimitive(type, count, bytes, layout, colour, indexCount, indices);
        return false;
    }
}

const void* gfxIntScreenVertices() {
    return sScreen.get();
}

void gfxIntDraw(D3DPRIMITIVETYPE type, uint32_t format, const void* vertices, uint32_t count) {
    RenderAndDraw(type, format, vertices, count, nullptr, 0, [&] {
        if (DrawnThin(type, sScreen.get(), count, nullptr)) {
            return;
        }
        gfxFailed(lpD3DDev->DrawPrimitive(type, gfxScreenVertexFormat, sScreen.get(), count,
                                          gfxIntDrawFlags),
                  "lpD3DDev->DrawPrimitive((D3DPRIMITIVETYPE)dm,D3DFVF_TLVERTEX,verts,count,28)");
    });
}

void gfxIntDrawIndexed(D3DPRIMITIVETYPE type, uint32_t format, const void* vertices,
                       uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount) {
    RenderAndDraw(type, format, vertices, vertexCount, indices, indexCount, [&] {
        if (DrawnThin(type, sScreen.get(), indexCount, indices)) {
            return;
        }
        gfxFailed(lpD3DDev->DrawIndexedPrimitive(type, gfxScreenVertexFormat, sScreen.get(),
                                                 vertexCount, (WORD*)indices, indexCount,
                                                 gfxIntDrawFlags),
                  "lpD3DDev->DrawIndexedPrimitive((D3DPRIMITIVETYPE)dm,D3DFVF_TLVERTEX,verts,"
                  "vcount,indices,icount,28)");
    });
}

void gfxIntRendererDeviceCreated() {
    sScreenWidth = gfxPipeline::m_fWidth;
    sScreenHeight = gfxPipeline::m_fHeight;
}

void gfxIntRendererRelease() {
    sScreen.reset();
    sClip.reset();
    sOutcodes.reset();
    sVertexRoom = 0;
    sIndices.reset();
    sIndexRoom = 0;
}
