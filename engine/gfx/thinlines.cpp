// Points and lines as thin screen quads, for the device that draws only triangles.
#include "gfx/thinlines.h"

#include <cmath>
#include <utility>

#include "gfx/renderer.h"
#include "gfx/rstate.h"

namespace {

const uint32_t QuadsPerDraw = 32;

// The signed area of a screen triangle as the devices measure it; the screen's y runs down.
float Area(const gfxScreenVertex& a, const gfxScreenVertex& b, const gfxScreenVertex& c) {
    return (c.m_Y - a.m_Y) * (b.m_X - a.m_X) - (b.m_Y - a.m_Y) * (c.m_X - a.m_X);
}

// Clockwise culling removes the triangles of positive area, counter-clockwise culling those of
// negative area.
bool Culled(float area) {
    switch (gfxDeviceState.m_CullMode) {
    case D3DCULL_CW:
        return area > 0;
    case D3DCULL_CCW:
        return area < 0;
    default:
        return false;
    }
}

gfxScreenVertex Moved(const gfxScreenVertex& v, float dx, float dy) {
    gfxScreenVertex moved = v;
    moved.m_X += dx;
    moved.m_Y += dy;
    return moved;
}

// Quads of two triangles each, drawn as one triangle list whenever the batch fills.
class QuadBatch {
public:
    explicit QuadBatch(uint32_t flags) : m_Flags(flags) {}

    // Corners in order round the quad; the first one's colour is the quad's flat colour.
    void Add(gfxScreenVertex c[4]) {
        if (Culled(Area(c[0], c[1], c[2]))) {
            std::swap(c[1], c[3]);
        }
        const gfxScreenVertex order[6] = {c[0], c[1], c[2], c[0], c[2], c[3]};
        for (const gfxScreenVertex& v : order) {
            m_Vertices[m_Count++] = v;
        }
        if (m_Count == QuadsPerDraw * 6) {
            Draw();
        }
    }

    void Draw() {
        if (m_Count) {
            gfxFailed(lpD3DDev->DrawPrimitive(D3DPT_TRIANGLELIST, gfxScreenVertexFormat,
                                              m_Vertices, m_Count, m_Flags),
                      "lpD3DDev->DrawPrimitive(D3DPT_TRIANGLELIST,D3DFVF_TLVERTEX,quads,count,"
                      "flags)");
        }
        m_Count = 0;
    }

private:
    gfxScreenVertex m_Vertices[QuadsPerDraw * 6];
    uint32_t m_Count = 0;
    uint32_t m_Flags;
};

// Half a pixel to either side across the line's major axis: one pixel in each column (or row)
// it crosses, up to but not including its end, as the devices that draw lines do.
void AddLine(QuadBatch& batch, const gfxScreenVertex& a, const gfxScreenVertex& b) {
    bool acrossY = std::fabs(b.m_X - a.m_X) >= std::fabs(b.m_Y - a.m_Y);
    float ox = acrossY ? 0.0f : 0.5f;
    float oy = acrossY ? 0.5f : 0.0f;
    gfxScreenVertex corners[4] = {Moved(a, -ox, -oy), Moved(b, -ox, -oy), Moved(b, ox, oy),
                                  Moved(a, ox, oy)};
    batch.Add(corners);
}

void AddPoint(QuadBatch& batch, const gfxScreenVertex& p) {
    gfxScreenVertex corners[4] = {Moved(p, -0.5f, -0.5f), Moved(p, 0.5f, -0.5f),
                                  Moved(p, 0.5f, 0.5f), Moved(p, -0.5f, 0.5f)};
    batch.Add(corners);
}

}  // namespace

void gfxDrawThinPrimitive(uint32_t type, const gfxScreenVertex* vertices, uint32_t count,
                          const uint16_t* indices, uint32_t flags) {
    QuadBatch batch(flags);
    gfxForEachPointOrLine(
        type, count, indices, [&](uint32_t p) { AddPoint(batch, vertices[p]); },
        [&](uint32_t a, uint32_t b) { AddLine(batch, vertices[a], vertices[b]); });
    batch.Draw();
}
