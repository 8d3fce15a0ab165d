#ifndef GFX_KESHRASTER_H
#define GFX_KESHRASTER_H

#include <cstdint>

// The rasterizer of the program's own software device: 16-bit targets, flat or textured
// spans, additive blending, a 16-bit depth buffer, culling and a write mask.
//
// Pixel centres lie on whole coordinates, as in Direct3D. Edges follow the top-left rule: a
// pixel whose centre lies exactly on an edge belongs to the triangle when the edge is a top
// edge or a left edge, so that triangles sharing an edge cover each of its pixels once.

// A pre-transformed vertex as the device reads it.
struct keshVertex {
    float m_X, m_Y, m_Z, m_Rhw;
    uint32_t m_Diffuse;
    float m_U, m_V;
};

// What the routines draw into and with; filled by the device.
struct keshTarget {
    uint16_t* m_Pixels;  // locked target memory, null outside a scene
    int m_Width;
    int m_Height;
    int m_Pitch;         // in pixels
    uint16_t* m_Depth;   // locked depth memory, or null
    int m_DepthPitch;    // in pixels
    bool m_Is565;
};

struct keshTexture {
    const uint16_t* m_Texels;  // null: no texture
    int m_Log2Width;           // selects the span template
    int m_Pitch;               // in texels
    uint32_t m_RowMask;
    float m_Height;
};

class keshRaster {
public:
    static const int StateCount = 256;

    keshRaster();

    // Packs 0x00RRGGBB into the target's 16-bit pixel.
    uint16_t Pack(uint32_t colour) const;

    // Marks the routines for re-selection before the next triangle.
    void Invalidate() { m_Selected = false; }

    // One triangle; reverse uses the set-up of the opposite winding (odd triangles of strips).
    void DrawTriangle(const keshVertex& a, const keshVertex& b, const keshVertex& c,
                      bool reverse);

    keshTarget m_Target;
    keshTexture m_Texture;
    uint32_t m_States[StateCount];

private:
    enum SpanKind { SpanNothing, SpanAdditive, SpanTextured, SpanFlat };
    enum DepthKind { DepthNone, DepthTest, DepthTestWrite, DepthWrite };
    struct Span;

    void Select();
    void Walk(const keshVertex* top, const keshVertex* middle, const keshVertex* bottom,
              const int32_t snapped[3][2], uint16_t colour);
    void DrawSpan(int y, int left, int right, Span& span);
    void FillChunk(uint16_t* pixels, int count, Span& span) const;

    bool m_Selected;
    int m_Cull;          // 0 none, 1 draw negative area only, -1 draw positive area only
    int m_SubpixelBits;  // 0 whole pixels, 4 sixteenths
    SpanKind m_SpanKind;
    DepthKind m_DepthKind;
    bool m_SubtexelCorrection;
};

#endif
