// The device entry points: clears, draw wrappers, vertex buffers, the packet draw, screen
// cells, blits, fills, the render-target switch and the copy of the target into an image.
#include "gfx/d3dpipe.h"

#include <cstring>

#include "data/assert.h"
#include "gfx/image.h"
#include "gfx/imagefile.h"
#include "gfx/pipeline.h"
#include "gfx/renderer.h"
#include "gfx/rstate.h"
#include "gfx/screenshot.h"
#include "gfx/vertexformat.h"
#include "gfx/viewport.h"

gfxInternalRenderer gfxIntRenderer = {gfxIntDraw, gfxIntDrawIndexed};

namespace {

gfxVertexBuffer* sVertexBuffers;

const DWORD SystemMemoryCaps = 0x800;
const DWORD WriteOnlyCaps = 0x10000;
const DWORD RestoreLock = DDLOCK_WRITEONLY | DDLOCK_DISCARDCONTENTS;

void SetScreenVertex(gfxScreenVertex& v, float x, float y, float z, float rhw,
                     uint32_t diffuse, uint32_t specular, float u, float v2) {
    v.m_X = x;
    v.m_Y = y;
    v.m_Z = z;
    v.m_Rhw = rhw;
    v.m_Diffuse = diffuse;
    v.m_Specular = specular;
    v.m_U = u;
    v.m_V = v2;
}

bool IsNative(const gfxVertexBuffer* vb) {
    return vb->m_VB != nullptr;
}

// Depth complexity draws every vertex in the override colour, without normals.
D3DDRAWPRIMITIVESTRIDEDDATA DepthComplexityData(uint32_t& format,
                                                const D3DDRAWPRIMITIVESTRIDEDDATA& data) {
    D3DDRAWPRIMITIVESTRIDEDDATA copy = data;
    format = (format & ~D3DFVF_NORMAL) | D3DFVF_DIFFUSE;
    copy.diffuse.lpvData = &gfxDCColor;
    copy.diffuse.dwStride = 0;
    return copy;
}

}  // namespace

void gfxCountPrimitives(D3DPRIMITIVETYPE type, uint32_t count) {
    gfxStats.m_Verts += count;
    switch (type) {
    case D3DPT_POINTLIST:
        gfxStats.m_Points += count;
        break;
    case D3DPT_LINELIST:
        gfxStats.m_Lines += count / 2;
        break;
    case D3DPT_LINESTRIP:
        gfxStats.m_Lines += count - 1;
        break;
    case D3DPT_TRIANGLELIST:
        gfxStats.m_Tris += count * 21846 / 65536;
        break;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
        gfxStats.m_Tris += count - 2;
        break;
    default:
        break;
    }
}

void gfxClear(uint32_t flags, uint32_t colour, float z, uint32_t stencil) {
    if (!flags) {
        return;
    }
    gfxApplyPending();
    uint32_t alpha = colour >> 24;
    if (gfxDepthComplexity) {
        colour = 0;
    } else if (alpha != 0 && alpha != 255) {
        float width = gfxPipeline::m_fWidth;
        float height = gfxPipeline::m_fHeight;
        gfxScreenVertex v[4];
        SetScreenVertex(v[0], width, 0, 0, 0, colour, 0, 0, 0);
        SetScreenVertex(v[1], 0, 0, 0, 0, colour, 0, 0, 0);
        SetScreenVertex(v[2], width, height, 0, 0, colour, 0, 0, 0);
        SetScreenVertex(v[3], 0, height, 0, 0, colour, 0, 0, 0);
        gfxFailed(lpD3DDev->DrawPrimitive(D3DPT_TRIANGLESTRIP, gfxScreenVertexFormat, v, 4, 0),
                  "lpD3DDev->DrawPrimitive(D3DPT_TRIANGLESTRIP,D3DFVF_TLVERTEX,v,4,0)");
        return;
    }
    gfxFailed(lpD3DDev->Clear(0, nullptr, flags, colour, z, stencil),
              "lpD3DDev->Clear(0,NULL,flags,color,zval,sval)");
}

void gfxDrawPrimitive(D3DPRIMITIVETYPE type, uint32_t format, const void* vertices,
                      uint32_t count, uint32_t flags) {
    gfxApplyPending();
    gfxCountPrimitives(type, count);
    gfxFailed(lpD3DDev->DrawPrimitive(type, format, (void*)vertices, count, flags),
              "lpD3DDev->DrawPrimitive((D3DPRIMITIVETYPE)dm,vflags,verts,count,flags)");
}

void gfxDrawIndexedPrimitive(D3DPRIMITIVETYPE type, uint32_t format, const void* vertices,
                             uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount,
                             uint32_t flags) {
    gfxApplyPending();
    gfxCountPrimitives(type, indexCount);
    gfxFailed(lpD3DDev->DrawIndexedPrimitive(type, format, (void*)vertices, vertexCount,
                                             (WORD*)indices, indexCount, flags),
              "lpD3DDev->DrawIndexedPrimitive((D3DPRIMITIVETYPE)dm,vflags,verts,vcount,"
              "indices,icount,flags)");
}

void gfxDrawPrimitiveStrided(D3DPRIMITIVETYPE type, uint32_t format,
                             const D3DDRAWPRIMITIVESTRIDEDDATA* data, uint32_t count,
                             uint32_t flags) {
    gfxApplyPending();
    gfxCountPrimitives(type, count);
    D3DDRAWPRIMITIVESTRIDEDDATA sd = gfxDepthComplexity ? DepthComplexityData(format, *data) : *data;
    gfxFailed(lpD3DDev->DrawPrimitiveStrided(type, format, &sd, count, flags),
              "lpD3DDev->DrawPrimitiveStrided((D3DPRIMITIVETYPE)dm,vflags, "
              "(D3DDRAWPRIMITIVESTRIDEDDATA*)&sd,count,flags)");
}

void gfxDrawIndexedPrimitiveStrided(D3DPRIMITIVETYPE type, uint32_t format,
                                    const D3DDRAWPRIMITIVESTRIDEDDATA* data, uint32_t vertexCount,
                                    const uint16_t* indices, uint32_t indexCount, uint32_t flags) {
    gfxApplyPending();
    gfxCountPrimitives(type, indexCount);
    D3DDRAWPRIMITIVESTRIDEDDATA sd = gfxDepthComplexity ? DepthComplexityData(format, *data) : *data;
    gfxFailed(lpD3DDev->DrawIndexedPrimitiveStrided(type, format, &sd, vertexCount, (WORD*)indices,
                                                    indexCount, flags),
              "lpD3DDev->DrawIndexedPrimitiveStrided((D3DPRIMITIVETYPE)dm,vflags, "
              "(D3DDRAWPRIMITIVESTRIDEDDATA*)&sd,vcount,indices,icount,flags)");
}

gfxVertexBuffer* gfxCreateVertexBuffer(uint32_t count, uint32_t format, bool writeOnly) {
    gfxVertexBuffer* vb = new gfxVertexBuffer();
    if (gfxUseNativeVBs) {
        D3DVERTEXBUFFERDESC desc = {};
        desc.dwSize = sizeof(desc);
        bool preTransformed = (format & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
        desc.dwCaps = (gfxUseHwTnL || preTransformed ? 0 : SystemMemoryCaps) |
                      (writeOnly ? WriteOnlyCaps : 0);
        desc.dwFVF = format;
        desc.dwNumVertices = count;
        if (gfxFailed(lpD3D->CreateVertexBuffer(&desc, &vb->m_VB, 0),
                      "lpD3D->CreateVertexBuffer(&desc,&vb,0)")) {
            delete vb;
            return nullptr;
        }
    } else {
        if (count > 0xFFFF) {
            PrintError("gfxCreateVertexBuffer: %u vertices are more than a buffer holds", count);
            delete vb;
            return nullptr;
        }
        vb->m_Count = (uint16_t)count;
        vb->m_ElementSize = (uint16_t)gfxVertexSize(format);
        vb->m_FVF = format;
        vb->m_Verts = new uint8_t[(size_t)count * vb->m_ElementSize]();
    }
    vb->m_Next = sVertexBuffers;
    sVertexBuffers = vb;
    return vb;
}

void gfxDestroyVertexBuffer(gfxVertexBuffer* vb) {
    gfxVertexBuffer** i = &sVertexBuffers;
    while (*i && *i != vb) {
        i = &(*i)->m_Next;
    }
    Assert(*i);
    *i = vb->m_Next;
    if (vb->m_VB) {
        vb->m_VB->Release();
    }
    delete[] vb->m_BackingStore;
    delete[] vb->m_Verts;
    delete vb;
}

void* gfxLockVertexBuffer(gfxVertexBuffer* vb, uint32_t flags) {
    if (!IsNative(vb)) {
        return vb->m_Verts;
    }
    void* data = nullptr;
    if (gfxFailed(vb->m_VB->Lock(flags, &data, nullptr), "vb->m_VB->Lock(flags,&data,NULL )")) {
        return nullptr;
    }
    return data;
}

void gfxUnlockVertexBuffer(gfxVertexBuffer* vb) {
    if (IsNative(vb)) {
        gfxFailed(vb->m_VB->Unlock(), "vb->m_VB->Unlock()");
    }
}

void gfxOptimizeVertexBuffer(gfxVertexBuffer* vb) {
    if (IsNative(vb)) {
        gfxFailed(vb->m_VB->Optimize(lpD3DDev, 0), "vb->m_VB->Optimize(lpD3DDev,0)");
    }
}

void gfxBackUpVertexBuffer(gfxVertexBuffer* vb) {
    if (!IsNative(vb)) {
        return;
    }
    Assert(!vb->m_BackingStore);
    void* data = nullptr;
    DWORD size = 0;
    if (gfxFailed(vb->m_VB->Lock(DDLOCK_READONLY | DDLOCK_WAIT, &data, &size),
                  "vb->m_VB->Lock(DDLOCK_READONLY,&data,&size)")) {
        return;
    }
    vb->m_BackingStore = new uint8_t[size];
    vb->m_BackingSize = size;
    memcpy(vb->m_BackingStore, data, size);
    gfxFailed(vb->m_VB->Unlock(), "vb->m_VB->Unlock()");
}

void gfxRestoreVertexBuffers() {
    if (!gfxUseHwTnL) {
        return;
    }
    for (gfxVertexBuffer* i = sVertexBuffers; i; i = i->m_Next) {
        if (!IsNative(i) || !i->m_BackingStore) {
            continue;
        }
        void* data = nullptr;
        DWORD size = 0;
        if (gfxFailed(i->m_VB->Lock(RestoreLock, &data, &size),
                      "i->m_VB->Lock(DDLOCK_WRITEONLY | DDLOCK_DISCARDCONTENTS,&data,&size)")) {
            continue;
        }
        memcpy(data, i->m_BackingStore, size < i->m_BackingSize ? size : i->m_BackingSize);
        gfxFailed(i->m_VB->Unlock(), "i->m_VB->Unlock()");
    }
}

void gfxFreeVertexBuffers() {
    while (sVertexBuffers) {
        gfxDestroyVertexBuffer(sVertexBuffers);
    }
}

void gfxDrawVertexBuffer(D3DPRIMITIVETYPE type, uint32_t start, uint32_t count,
                         gfxVertexBuffer* vb) {
    gfxApplyPending();
    gfxCountPrimitives(type, count);
    if (IsNative(vb)) {
        gfxFailed(lpD3DDev->DrawPrimitiveVB(type, vb->m_VB, start, count, 0),
                  "lpD3DDev->DrawPrimitiveVB((D3DPRIMITIVETYPE)dm,vb->m_VB,start,count,0)");
        return;
    }
    const uint8_t* first = vb->m_Verts + (size_t)vb->m_ElementSize * start;
    if (gfxUseIntRenderer) {
        if (gfxIntRenderer.m_Draw) {
            gfxIntRenderer.m_Draw(type, vb->m_FVF, first, count);
        }
        return;
    }
    gfxFailed(lpD3DDev->DrawPrimitive(type, vb->m_FVF, (void*)first, count, 0),
              "lpD3DDev->DrawPrimitive((D3DPRIMITIVETYPE)dm,vb->m_FVF,verts,count,0)");
}

void gfxDrawIndexedVertexBuffer(D3DPRIMITIVETYPE type, uint32_t start, uint32_t vertexCount,
                                gfxVertexBuffer* vb, const uint16_t* indices,
                                uint32_t indexCount, bool counted) {
    gfxApplyPending();
    if (counted) {
        gfxCountPrimitives(type, indexCount);
    }
    if (IsNative(vb)) {
        gfxFailed(lpD3DDev->DrawIndexedPrimitiveVB(type, vb->m_VB, start, vertexCount,
                                                   (WORD*)indices, indexCount, 0),
                  "lpD3DDev->DrawIndexedPrimitiveVB((D3DPRIMITIVETYPE)dm,vb->m_VB,start,vcount,"
                  "indices,icount,0)");
        return;
    }
    const uint8_t* first = vb->m_Verts + (size_t)vb->m_ElementSize * start;
    if (gfxUseIntRenderer) {
        if (gfxIntRenderer.m_DrawIndexed) {
            gfxIntRenderer.m_DrawIndexed(type, vb->m_FVF, first, vertexCount, indices, indexCount);
        }
        return;
    }
    gfxFailed(lpD3DDev->DrawIndexedPrimitive(type, vb->m_FVF, (void*)first, vertexCount,
                                             (WORD*)indices, indexCount, 0),
              "lpD3DDev->DrawIndexedPrimitive((D3DPRIMITIVETYPE)dm,vb->m_FVF,verts,vcount,"
              "indices,icount,0)");
}

void gfxDrawIndexedPacket(const gfxPacketDraw& p, uint32_t colour) {
    gfxApplyPending();
    gfxStats.m_Verts += p.m_VertexCount;
    gfxStats.m_Tris += p.m_IndexCount / 3;
    WORD* indices = (WORD*)p.m_Indices;
    if (p.m_Slot >= 0) {
        gfxFailed(lpD3DDev->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, p.m_Buffer, p.m_Slot,
                                                   p.m_VertexCount, indices, p.m_IndexCount, 0),
                  "lpD3DDev->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST,vb,slot,vcount,indices,"
                  "icount,0)");
    } else if (gfxUseIntRenderer) {
        if (gfxIntRenderer.m_DrawIndexed) {
            gfxIntRenderer.m_DrawIndexed(D3DPT_TRIANGLELIST, p.m_Format, p.m_Vertices,
                                         p.m_VertexCount, p.m_Indices, p.m_IndexCount);
        }
    } else if (colour != 0xFFFFFFFF && !(p.m_Format & D3DFVF_DIFFUSE)) {
        uint32_t stride = gfxVertexSize(p.m_Format);
        const uint8_t* base = (const uint8_t*)p.m_Vertices;
        D3DDRAWPRIMITIVESTRIDEDDATA sd = {};
        sd.position.lpvData = (void*)base;
        sd.position.dwStride = stride;
        sd.normal.lpvData = (void*)(base + gfxVertexOffset(p.m_Format, D3DFVF_NORMAL));
        sd.normal.dwStride = stride;
        sd.diffuse.lpvData = &colour;
        sd.diffuse.dwStride = 0;
        sd.textureCoords[0].lpvData = (void*)(base + gfxVertexOffset(p.m_Format, D3DFVF_TEX1));
        sd.textureCoords[0].dwStride = stride;
        gfxFailed(lpD3DDev->DrawIndexedPrimitiveStrided(D3DPT_TRIANGLELIST,
                                                        p.m_Format | D3DFVF_DIFFUSE, &sd,
                                                        p.m_VertexCount, indices, p.m_IndexCount, 0),
                  "lpD3DDev->DrawIndexedPrimitiveStrided(D3DPT_TRIANGLELIST,fvf,&sd,vcount,"
                  "indices,icount,0)");
    } else {
        gfxFailed(lpD3DDev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, p.m_Format,
                                                 (void*)p.m_Vertices, p.m_VertexCount, indices,
                                                 p.m_IndexCount, 0),
                  "lpD3DDev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST,fvf,verts,vcount,indices,"
                  "icount,0)");
    }
}

void gfxDrawScreenQuads(const Vector3& position, const gfxScreenCell* cells, int count,
                        uint32_t colour, float textureWidth, float textureHeight) {
    // Screen text and marks show whatever the scene's culling is.
    uint8_t clipping = gfxCurrentState.m_Clipping;
    uint8_t culling = gfxCurrentState.m_CullMode;
    gfxCurrentState.m_Clipping = 0;
    gfxCurrentState.m_CullMode = D3DCULL_NONE;
    gfxStateDirty |= gfxDirtyStates;
    gfxApplyPending();
    bool openedScene = false;
    if (gfxSoftwareScene() && !gfxSceneOpen) {
        gfxSceneOpen = true;
        openedScene = true;
        gfxFailed(lpD3DDev->BeginScene(), "lpD3DDev->BeginScene()");
    }
    gfxFailed(lpD3DDev->SetRenderState(D3DRENDERSTATE_CLIPPING, FALSE),
              "lpD3DDev->SetRenderState(D3DRENDERSTATE_CLIPPING,FALSE)");
    float right = gfxPipeline::m_fWidth - 0.5f;
    float bottom = gfxPipeline::m_fHeight - 0.5f;
    float z = position.z * 0.99999f;
    for (int i = 0; i < count; ++i) {
        const gfxScreenCell& cell = cells[i];
        float x0 = position.x + cell.m_OffsetX - 0.5f;
        float y0 = position.y + cell.m_OffsetY - 0.5f;
        float x1 = x0 + cell.m_Width;
        float y1 = y0 + cell.m_Height;
        if (x0 < -0.5f || y0 < -0.5f || x1 > right || y1 > bottom) {
            continue;
        }
        float u0 = cell.m_SourceX / textureWidth;
        float v0 = cell.m_SourceY / textureHeight;
        float u1 = (cell.m_SourceX + cell.m_Width) / textureWidth;
        float v1 = (cell.m_SourceY + cell.m_Height) / textureHeight;
        gfxScreenVertex v[4];
        SetScreenVertex(v[0], x0, y0, z, 1, colour, 0xFFFFFFFF, u0, v0);
        SetScreenVertex(v[1], x1, y0, z, 1, colour, 0xFFFFFFFF, u1, v0);
        SetScreenVertex(v[2], x0, y1, z, 1, colour, 0xFFFFFFFF, u0, v1);
        SetScreenVertex(v[3], x1, y1, z, 1, colour, 0xFFFFFFFF, u1, v1);
        gfxCountPrimitives(D3DPT_TRIANGLESTRIP, 4);
        gfxFailed(lpD3DDev->DrawPrimitive(D3DPT_TRIANGLESTRIP, gfxScreenVertexFormat, v, 4, 0),
                  "lpD3DDev->DrawPrimitive(D3DPT_TRIANGLESTRIP,D3DFVF_TLVERTEX,v,4,0)");
    }
    gfxCurrentState.m_Clipping = clipping;
    gfxCurrentState.m_CullMode = culling;
    gfxStateDirty |= gfxDirtyStates;
    if (openedScene) {
        gfxSceneOpen = false;
        gfxFailed(lpD3DDev->EndScene(), "lpD3DDev->EndScene()");
    }
}

void gfxBlitBitmap(int x, int y, IDirectDrawSurface7* bitmap, int sourceX, int sourceY,
                   int width, int height, bool colorKeyed) {
    if (!gfxDepthComplexity) {
        RECT source = {sourceX, sourceY, sourceX + width, sourceY + height};
        DWORD flags = DDBLTFAST_WAIT | (colorKeyed ? DDBLTFAST_SRCCOLORKEY : 0);
        gfxFailed(lpdsRend->BltFast(x, y, bitmap, &source, flags),
                  "lpdsRend->BltFast(x,y,bitmap,&src,flags)");
        return;
    }
    // Each bitmap adds a step of brightness to the pixels it covers.
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    if (gfxFailed(lpdsRend->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr),
                  "lpdsRend->Lock(NULL,&SD,DDLOCK_WAIT,0)")) {
        return;
    }
    if (desc.ddpfPixelFormat.dwRGBBitCount == 16) {
        int right = x + width < (int)desc.dwWidth ? x + width : (int)desc.dwWidth;
        int bottom = y + height < (int)desc.dwHeight ? y + height : (int)desc.dwHeight;
        for (int row = y < 0 ? 0 : y; row < bottom; ++row) {
            uint16_t* pixels = (uint16_t*)((uint8_t*)desc.lpSurface + (size_t)row * desc.lPitch);
            for (int column = x < 0 ? 0 : x; column < right; ++column) {
                pixels[column] = (uint16_t)(pixels[column] + 4);
            }
        }
    }
    gfxFailed(lpdsRend->Unlock(nullptr), "lpdsRend->Unlock(NULL)");
}

void gfxFillRect(int x, int y, int width, int height, uint32_t colour) {
    RECT rect = {x, y, x + width, y + height};
    DDBLTFX fx = {};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = colour;
    gfxFailed(lpdsRend->Blt(&rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx),
              "lpdsRend->Blt(&rect,NULL,NULL,DDBLT_COLORFILL | DDBLT_WAIT,&fx)");
}

void gfxSetRenderTarget(IDirectDrawSurface7* target) {
    IDirectDrawSurface7* surface = target ? target : lpdsBack;
    IDirectDrawSurface7* current = gfxRenderTarget ? gfxRenderTarget : lpdsRend;
    if (lpdsZ) {
        current->DeleteAttachedSurface(0, lpdsZ);
        gfxFailed(surface->AddAttachedSurface(lpdsZ), "surface->AddAttachedSurface(lpdsZ)");
    }
    gfxFailed(lpD3DDev->SetRenderTarget(surface, 0), "lpD3DDev->SetRenderTarget(surface,0)");
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    if (!gfxFailed(surface->GetSurfaceDesc(&desc), "surface->GetSurfaceDesc(&ddsd)")) {
        gfxPipeline::m_iWidth = (int)desc.dwWidth;
        gfxPipeline::m_iHeight = (int)desc.dwHeight;
        gfxPipeline::m_fWidth = (float)desc.dwWidth;
        gfxPipeline::m_fHeight = (float)desc.dwHeight;
    }
    gfxRenderTarget = target;
    if (gfxCurrentViewport) {
        gfxCurrentViewport->SetFullWindow();
    }
}

void gfxCopyScreen(gfxImage* dest) {
    // Named as the checks below report them.
    const int& m_iWidth = gfxPipeline::m_iWidth;
    const int& m_iHeight = gfxPipeline::m_iHeight;
    const int& m_ColorDepth = gfxPipeline::m_ColorDepth;
    Assert(dest->m_XRes == m_iWidth);
    Assert(dest->m_YRes == m_iHeight);
    Assert(dest->GetDepth() == m_ColorDepth);
    // A flip has swapped the rendered back buffer to the front: the frame just shown is there.
    bool flipped = !gfxWindowed && !gfxRenderToSysmem && lpdsBack != lpdsFront;
    IDirectDrawSurface7* shown = flipped ? lpdsFront : lpdsRend;
    DDSURFACEDESC2 SD = {};
    SD.dwSize = sizeof(SD);
    if (gfxFailed(shown->Lock(nullptr, &SD, DDLOCK_WAIT | DDLOCK_READONLY, nullptr),
                  flipped ? "lpdsFront->Lock(NULL,&SD,DDLOCK_WAIT | DDLOCK_READONLY,0)"
                          : "lpdsRend->Lock(NULL,&SD,DDLOCK_WAIT | DDLOCK_READONLY,0)")) {
        return;
    }
    size_t rowBytes = (size_t)dest->m_XRes * (dest->GetDepth() / 8);
    const uint8_t* source = (const uint8_t*)SD.lpSurface;
    for (int y = 0; y < dest->m_YRes; ++y, source += SD.lPitch) {
        memcpy(dest->Row(y), source, rowBytes);
    }
    gfxFailed(shown->Unlock(nullptr), "shown->Unlock(NULL)");
    gfxUse565 = SD.ddpfPixelFormat.dwGBitMask == 0x7E0;
    PrintVerbose1(gfxDebugLevel, "use565 = %d", (int)gfxUse565);
}
