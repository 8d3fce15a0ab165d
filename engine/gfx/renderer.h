#ifndef GFX_RENDERER_H
#define GFX_RENDERER_H

#include <cstdint>

#include <windows.h>
#include <d3d.h>

// The internal renderer: vertices in program memory are transformed, clipped and projected
// here and reach the device as screen vertices (format 0x1C4) drawn with the device's own
// clipping, extent updates and lighting off.

// A pre-transformed vertex of format 0x1C4, and the draw flags the renderer sends.
struct gfxScreenVertex {
    float m_X, m_Y, m_Z, m_Rhw;
    uint32_t m_Diffuse;
    uint32_t m_Specular;
    float m_U, m_V;
};
static_assert(sizeof(gfxScreenVertex) == 32, "screen vertices are 32 bytes");
const uint32_t gfxScreenVertexFormat =
    D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;
const uint32_t gfxIntDrawFlags = 28;

// Transforms and classifies the primitive. True when every vertex was projected into the screen
// array (gfxIntScreenVertices) and the caller must still draw it with its own indices; false
// when whatever is visible has been drawn already, or nothing is.
bool gfxIntRender(uint32_t type, uint32_t count, uint32_t format, const void* vertices,
                  uint32_t indexCount, const uint16_t* indices);
// The projected vertices of the last gfxIntRender that answered true.
const void* gfxIntScreenVertices();

// The pipeline's draw entries: render under masked single precision and draw what is left.
void gfxIntDraw(D3DPRIMITIVETYPE type, uint32_t format, const void* vertices, uint32_t count);
void gfxIntDrawIndexed(D3DPRIMITIVETYPE type, uint32_t format, const void* vertices,
                       uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount);

// Device created: keeps the screen size the projection clamps to. Release: frees the arrays.
void gfxIntRendererDeviceCreated();
void gfxIntRendererRelease();

#endif
