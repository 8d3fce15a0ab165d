// The immediate-mode ring: vertex writers per format, primitives streamed into one dynamic
// buffer, their wrap with the strip and fan vertices carried over, the capability switches,
// texture binding and the world-matrix stack.
#include "rgl/rgl.h"

#include <cstring>

#include "data/assert.h"
#include "data/printer.h"
#include "gfx/d3dpipe.h"
#include "gfx/drawstate.h"
#include "gfx/hooks.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "vector/matrix34.h"
#include "vector/matrix44.h"
#include "vector/nanfill.h"

rglVertexFunc rglVertex;
uint8_t rglLightMaps;

namespace {

// One vertex with every attribute a format may carry.
struct SavedVertex {
    float m_X, m_Y, m_Z;
    float m_NX, m_NY, m_NZ;
    uint32_t m_Color;
    float m_U, m_V, m_S, m_T;
};

typedef void (*ReemitFunc)(uint8_t* at, const SavedVertex& v);
typedef void (*HookFunc)(float x, float y, float z);

const float Nan = NanFill;

uint32_t sm_Format = FVF_VNT1;
uint32_t sm_VertexSize = 32;
ReemitFunc sm_Reemit;
float sm_Normal[3] = {0, 1, 0};
uint32_t sm_Color = 0xFFFFFFFF;
float sm_U, sm_V, sm_S, sm_T;

gfxVertexBuffer* sm_VB;
uint8_t* sm_Write;
uint32_t sm_VertCount;
uint32_t sm_VertBase;
uint32_t sm_VertLimit;
uint32_t sm_PrimType = uint32_t(-1);
uint8_t sm_beginBegun;
HookFunc sm_Hook;

SavedVertex sm_Saved[2] = {{Nan, Nan, Nan, Nan, Nan, Nan, 0, Nan, Nan, Nan, Nan},
                           {Nan, Nan, Nan, Nan, Nan, Nan, 0, Nan, Nan, Nan, Nan}};
uint32_t sm_SavedCount;
uint32_t sm_Selector;

uint8_t sm_Capabilities[7];

const uint32_t MaxDepth = 15;
Matrix44 sm_Stack[16];
uint32_t sm_Depth;

const DWORD AppendLock = DDLOCK_WRITEONLY | DDLOCK_NOOVERWRITE;
const DWORD RestartLock = DDLOCK_WRITEONLY | DDLOCK_DISCARDCONTENTS;

template <typename T>
uint8_t* Put(uint8_t* at, T value) {
    memcpy(at, &value, sizeof(value));
    return at + sizeof(value);
}

uint8_t* PutPosition(uint8_t* at, float x, float y, float z) {
    return Put(Put(Put(at, x), y), z);
}

uint8_t* PutNormal(uint8_t* at, const float* n) {
    return Put(Put(Put(at, n[0]), n[1]), n[2]);
}

uint8_t* PutPair(uint8_t* at, float u, float v) {
    return Put(Put(at, u), v);
}

// The writers: the per-vertex path holds no format test.
uint8_t* NextSlot() {
    if (sm_VertCount == sm_VertLimit) {
        rglFlush();
    }
    return sm_Write + sm_VertexSize * sm_VertCount++;
}

void Hook(float x, float y, float z) {
    if (sm_Hook) {
        sm_Hook(x, y, z);
    }
}

void VertexNT(float x, float y, float z) {
    PutPair(PutNormal(PutPosition(NextSlot(), x, y, z), sm_Normal), sm_U, sm_V);
    Hook(x, y, z);
}

void VertexCT(float x, float y, float z) {
    PutPair(Put(PutPosition(NextSlot(), x, y, z), sm_Color), sm_U, sm_V);
    Hook(x, y, z);
}

void VertexNT2(float x, float y, float z) {
    PutPair(PutPair(PutNormal(PutPosition(NextSlot(), x, y, z), sm_Normal), sm_U, sm_V), sm_S, sm_T);
    Hook(x, y, z);
}

void VertexCT2(float x, float y, float z) {
    PutPair(PutPair(Put(PutPosition(NextSlot(), x, y, z), sm_Color), sm_U, sm_V), sm_S, sm_T);
    Hook(x, y, z);
}

void ReemitNT(uint8_t* at, const SavedVertex& v) {
    PutPair(PutNormal(PutPosition(at, v.m_X, v.m_Y, v.m_Z), &v.m_NX), v.m_U, v.m_V);
}

void ReemitCT(uint8_t* at, const SavedVertex& v) {
    PutPair(Put(PutPosition(at, v.m_X, v.m_Y, v.m_Z), v.m_Color), v.m_U, v.m_V);
}

void ReemitNT2(uint8_t* at, const SavedVertex& v) {
    PutPair(PutPair(PutNormal(PutPosition(at, v.m_X, v.m_Y, v.m_Z), &v.m_NX), v.m_U, v.m_V), v.m_S,
            v.m_T);
}

void ReemitCT2(uint8_t* at, const SavedVertex& v) {
    PutPair(PutPair(Put(PutPosition(at, v.m_X, v.m_Y, v.m_Z), v.m_Color), v.m_U, v.m_V), v.m_S,
            v.m_T);
}

void Save(int slot, float x, float y, float z) {
    sm_Saved[slot] = SavedVertex{x,           y,           z,       sm_Normal[0], sm_Normal[1],
                                 sm_Normal[2], sm_Color,   sm_U,    sm_V,         sm_S,
                                 sm_T};
}

void LineStripHook(float x, float y, float z) {
    Save(0, x, y, z);
    sm_SavedCount = 1;
    sm_Selector = 1;
}

// Each vertex lands in the slot of its parity within the strip.
void TriStripHook(float x, float y, float z) {
    Save(sm_Selector, x, y, z);
    sm_SavedCount = 2;
    sm_Selector ^= 1;
}

// The centre stays in slot 0, every later vertex overwrites slot 1.
void TriFanHook(float x, float y, float z) {
    Save(sm_Selector, x, y, z);
    sm_SavedCount = 2;
    sm_Selector = 1;
}

const HookFunc Hooks[7] = {nullptr, nullptr, nullptr, LineStripHook, nullptr, TriStripHook, TriFanHook};

void Lock(DWORD flags) {
    sm_Write = static_cast<uint8_t*>(gfxLockVertexBuffer(sm_VB, flags));
}

void Draw(uint32_t start, uint32_t count) {
    gfxDrawVertexBuffer(D3DPRIMITIVETYPE(sm_PrimType), start, count, sm_VB);
}

// A wrapped triangle strip goes on with its last two vertices in strip order; after an odd
// number of strip vertices the older one goes first twice, so that the next triangles keep
// their winding (one degenerate triangle between).
uint32_t ReemitStrip() {
    const SavedVertex& older = sm_Saved[sm_Selector];
    const SavedVertex& newer = sm_Saved[sm_Selector ^ 1];
    uint32_t n = 0;
    sm_Reemit(sm_Write + sm_VertexSize * n++, older);
    if (sm_Selector) {
        sm_Reemit(sm_Write + sm_VertexSize * n++, older);
    }
    sm_Reemit(sm_Write + sm_VertexSize * n++, newer);
    return n;
}

uint32_t Reemit() {
    if (sm_PrimType == RGL_TRIANGLE_STRIP && sm_SavedCount == 2) {
        return ReemitStrip();
    }
    uint32_t first = sm_Selector ^ 1;
    sm_Reemit(sm_Write + sm_VertexSize * first, sm_Saved[first]);
    if (sm_SavedCount == 2) {
        sm_Reemit(sm_Write + sm_VertexSize * sm_Selector, sm_Saved[sm_Selector]);
    }
    return sm_SavedCount;
}

void FlushIfPending() {
    if (sm_VertCount != 0) {
        rglFlush();
    }
}

void ReleaseRing() {
    // The pipeline frees every vertex buffer with the device.
    sm_VB = nullptr;
    sm_Write = nullptr;
    sm_beginBegun = 0;
    sm_VertCount = sm_VertBase = rglRingSize;
}

const bool sHooked = gfxAddHook(gfxHookDeviceReleasing, ReleaseRing);

// Without the "Textures" switch or under depth complexity a stage binds no texture.
void BindStage(int stage, gfxTexture* texture) {
    if (gfxCurrentState.m_Texture[stage] == texture) {
        return;
    }
    FlushIfPending();
    gfxCurrentState.m_Texture[stage] = !gfxEnableTextures || gfxDepthComplexity ? nullptr : texture;
    gfxStateDirty |= gfxDirtyTextures;
}

void MarkWorld() {
    gfxStateDirty |= gfxDirtyWorld | gfxDirtyComposite;
}

}  // namespace

void rglSetVertexFormat(uint32_t format) {
    if (sm_VB) {
        gfxDestroyVertexBuffer(sm_VB);
        sm_VB = nullptr;
    }
    sm_Format = format;
    switch (format) {
    case FVF_VNT1:
        rglVertex = VertexNT, sm_Reemit = ReemitNT, sm_VertexSize = 32;
        break;
    case FVF_VCT1:
        rglVertex = VertexCT, sm_Reemit = ReemitCT, sm_VertexSize = 24;
        break;
    case FVF_VNT2:
        rglVertex = VertexNT2, sm_Reemit = ReemitNT2, sm_VertexSize = 40;
        break;
    case FVF_VCT2:
        rglVertex = VertexCT2, sm_Reemit = ReemitCT2, sm_VertexSize = 32;
        break;
    case 0:
        return;
    default:
        FatalQuit("Unsupported vertex format.");
    }
    sm_VB = gfxCreateVertexBuffer(rglRingSize, format, true);
    sm_VertCount = sm_VertBase = rglRingSize;
}

gfxVertexBuffer* rglRingBuffer() {
    return sm_VB;
}

uint32_t rglGetVertexFormat() {
    return sm_Format;
}

void rglBegin(uint32_t type) {
    Assert(sm_VB);
    Assert(type >= 1 && type <= 6);
    sm_VertBase = sm_VertCount;
    if (sm_VertCount < rglRingSize - 3) {
        static const uint32_t listRest[3] = {0, 2, 1};
        sm_VertLimit = type == RGL_LINES       ? rglRingSize - (sm_VertCount & 1)
                       : type == RGL_TRIANGLES ? rglRingSize - listRest[sm_VertCount % 3]
                                               : rglRingSize;
        Lock(AppendLock);
    } else {
        sm_VertCount = sm_VertBase = 0;
        sm_VertLimit = rglRingSize;
        Lock(RestartLock);
    }
    sm_SavedCount = 0;
    sm_Selector = 0;
    sm_PrimType = type;
    sm_Hook = Hooks[type];
    sm_beginBegun = 1;
}

void rglFlush() {
    if (!sm_beginBegun) {
        if (sm_VertCount != sm_VertBase) {
            Draw(sm_VertBase, sm_VertCount - sm_VertBase);
            sm_VertBase = sm_VertCount;
        }
        return;
    }
    Assert(sm_VertCount - sm_VertBase);
    gfxUnlockVertexBuffer(sm_VB);
    Draw(sm_VertBase, sm_VertCount - sm_VertBase);
    Lock(RestartLock);
    sm_VertCount = sm_VertBase = 0;
    sm_VertLimit = rglRingSize;
    if (sm_SavedCount) {
        sm_VertCount = Reemit();
        sm_SavedCount = 0;
    }
}

void rglEnd() {
    Assert(sm_beginBegun);
    sm_beginBegun = 0;
    gfxUnlockVertexBuffer(sm_VB);
    sm_Write = nullptr;
    FlushIfPending();
}

void rglEndFrame() {
    Assert(!sm_beginBegun);
    sm_VertCount = sm_VertBase = rglRingSize;
}

void rglColor(uint32_t colour) {
    sm_Color = gfxDepthComplexity ? rglDepthComplexityColor : colour;
}

void rglTexCoord(float u, float v) {
    sm_U = u;
    sm_V = v;
}

void rglNormal(float x, float y, float z) {
    sm_Normal[0] = x;
    sm_Normal[1] = y;
    sm_Normal[2] = z;
}

uint8_t rglEnable(uint32_t capability, uint8_t value) {
    Assert(capability <= RGL_MULTITEXTURE);
    FlushIfPending();
    uint8_t previous = sm_Capabilities[capability];
    sm_Capabilities[capability] = value;
    switch (capability) {
    case RGL_DEPTH_TEST:
        gfxSetStateByte(gfxCurrentState.m_ZEnable, value ? 1 : 0);
        break;
    case RGL_CULL_FACE:
        gfxSetStateByte(gfxCurrentState.m_CullMode, value ? D3DCULL_CW : D3DCULL_NONE);
        break;
    case RGL_LIGHTING:
        gfxStateApplyMask = gfxApplyMasks[value ? 1 : 0];
        gfxSetStateByte(gfxCurrentState.m_Lighting, value ? 1 : 0);
        break;
    case RGL_BLEND:
        gfxSetStateByte(gfxCurrentState.m_AlphaEnable, value ? 1 : 0);
        break;
    case RGL_LIGHT_MAPS:
        rglLightMaps = value;
        break;
    case RGL_MULTITEXTURE:
        // The device's kind: native with two or more stages a pass, emulated when
        // multitexturing is allowed but the device takes one stage, else none.
        gfxMultiTextureMode = !value ? 0 : gfxTexturesPerPass > 1 ? 2 : gfxMultiTexture ? 1 : 0;
        break;
    default:
        break;
    }
    return previous;
}

bool rglIsEnabled(uint32_t capability) {
    switch (capability) {
    case RGL_LIGHTING:
        return gfxCurrentState.m_Lighting != 0;
    case RGL_LIGHT_MAPS:
        return rglLightMaps != 0;
    case RGL_MULTITEXTURE:
        return gfxMultiTextureMode != 0;
    default:
        return false;
    }
}

void rglBindTexture(gfxTexture* texture) {
    BindStage(0, texture);
}

void rglBindTexture2(gfxTexture* texture) {
    BindStage(1, texture);
}

void rglLoadMatrix(const Matrix34& m) {
    FlushIfPending();
    gfxWorld.FromMatrix34(m);
    MarkWorld();
}

void rglLoadIdentity() {
    FlushIfPending();
    gfxWorld.Identity();
    MarkWorld();
}

void rglLoadBillboard(const Vector3& position) {
    FlushIfPending();
    gfxLoadBillboard(position);
}

void rglMultMatrix(const Matrix34& m) {
    Matrix44 product;
    product.FromMatrix34(m);
    product.Dot(gfxWorld);
    gfxWorld = product;
    MarkWorld();
}

void rglPushMatrix() {
    if (sm_Depth >= MaxDepth) {
        FatalQuit("rglPushMatrix()- Matrix stack overflow");
    }
    sm_Stack[sm_Depth++] = gfxWorld;
}

void rglPopMatrix() {
    Assert(sm_Depth > 0);
    gfxWorld = sm_Stack[--sm_Depth];
    MarkWorld();
}
