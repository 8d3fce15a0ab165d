#ifndef GFX_D3DPIPE_H
#define GFX_D3DPIPE_H

#include <cstdint>

#include <windows.h>
#include <d3d.h>

#include "vector/vector3.h"

class gfxImage;

// The device entry points every draw goes through: the clear, the draw wrappers, vertex
// buffers, the indexed packet draw, screen-space cells, bitmap blits, the colour fill, the
// render-target switch and the copy of the target. Each applies the pending render state first
// and counts what it draws.

// One vertex buffer: a Direct3D vertex buffer (native) or an array in program memory
// (emulated). All records are linked in one list, newest first.
struct gfxVertexBuffer {
    gfxVertexBuffer* m_Next;
    IDirect3DVertexBuffer7* m_VB;  // native
    uint8_t* m_BackingStore;       // native: copy that restores the buffer, or none
    uint32_t m_BackingSize;
    uint8_t* m_Verts;              // emulated
    uint16_t m_Count;              // emulated: vertices
    uint16_t m_ElementSize;        // emulated: bytes per vertex
    uint32_t m_FVF;                // emulated: the vertex format; 0 when native
};

// The internal renderer's draw entries, filled when it starts; null draws nothing.
struct gfxInternalRenderer {
    void (*m_Draw)(D3DPRIMITIVETYPE type, uint32_t format, const void* vertices, uint32_t count);
    void (*m_DrawIndexed)(D3DPRIMITIVETYPE type, uint32_t format, const void* vertices,
                          uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount);
};
extern gfxInternalRenderer gfxIntRenderer;

// What the indexed packet draw needs of a static-geometry packet: an indexed triangle list,
// in a shared device vertex buffer at a slot, or in its own vertex array (slot -1).
struct gfxPacketDraw {
    uint32_t m_Format;
    IDirect3DVertexBuffer7* m_Buffer;
    int32_t m_Slot;
    const void* m_Vertices;
    uint32_t m_VertexCount;
    const uint16_t* m_Indices;
    uint32_t m_IndexCount;
};

// A screen cell: a rectangle of the bound texture in texels, drawn at an offset in pixels.
struct gfxScreenCell {
    float m_OffsetX;
    float m_OffsetY;
    float m_SourceX;
    float m_SourceY;
    float m_Width;
    float m_Height;
};

// Counts a draw of count vertices (or indices) of the primitive type into the statistics.
void gfxCountPrimitives(D3DPRIMITIVETYPE type, uint32_t count);

void gfxClear(uint32_t flags, uint32_t colour, float z, uint32_t stencil);
void gfxDrawPrimitive(D3DPRIMITIVETYPE type, uint32_t format, const void* vertices,
                      uint32_t count, uint32_t flags);
void gfxDrawIndexedPrimitive(D3DPRIMITIVETYPE type, uint32_t format, const void* vertices,
                             uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount,
                             uint32_t flags);
void gfxDrawPrimitiveStrided(D3DPRIMITIVETYPE type, uint32_t format,
                             const D3DDRAWPRIMITIVESTRIDEDDATA* data, uint32_t count,
                             uint32_t flags);
void gfxDrawIndexedPrimitiveStrided(D3DPRIMITIVETYPE type, uint32_t format,
                                    const D3DDRAWPRIMITIVESTRIDEDDATA* data, uint32_t vertexCount,
                                    const uint16_t* indices, uint32_t indexCount, uint32_t flags);

gfxVertexBuffer* gfxCreateVertexBuffer(uint32_t count, uint32_t format, bool writeOnly);
void gfxDestroyVertexBuffer(gfxVertexBuffer* vb);
// Native buffers lock the device buffer; an emulated one hands out its array.
void* gfxLockVertexBuffer(gfxVertexBuffer* vb, uint32_t flags);
void gfxUnlockVertexBuffer(gfxVertexBuffer* vb);
void gfxOptimizeVertexBuffer(gfxVertexBuffer* vb);
void gfxBackUpVertexBuffer(gfxVertexBuffer* vb);
void gfxRestoreVertexBuffers();
void gfxFreeVertexBuffers();
void gfxDrawVertexBuffer(D3DPRIMITIVETYPE type, uint32_t start, uint32_t count,
                         gfxVertexBuffer* vb);
// counted false leaves the statistics to the caller, which counts the primitives it merged.
void gfxDrawIndexedVertexBuffer(D3DPRIMITIVETYPE type, uint32_t start, uint32_t vertexCount,
                                gfxVertexBuffer* vb, const uint16_t* indices,
                                uint32_t indexCount, bool counted = true);

void gfxDrawIndexedPacket(const gfxPacketDraw& packet, uint32_t colour);
// Cells of the texture bound to stage 0, which is textureWidth by textureHeight texels.
void gfxDrawScreenQuads(const Vector3& position, const gfxScreenCell* cells, int count,
                        uint32_t colour, float textureWidth, float textureHeight);
void gfxBlitBitmap(int x, int y, IDirectDrawSurface7* bitmap, int sourceX, int sourceY,
                   int width, int height, bool colorKeyed);
void gfxFillRect(int x, int y, int width, int height, uint32_t colour);
// A texture surface to render into, or null for the back buffer again.
void gfxSetRenderTarget(IDirectDrawSurface7* target);

#endif
