#ifndef RGL_TGL_H
#define RGL_TGL_H

#include <cstdint>
#include <cstring>

#include "data/assert.h"
#include "gfx/rstate.h"
#include "rgl/rgl.h"
#include "vector/vector3.h"

class bkBank;
class gfxTexture;
struct gfxVertexBuffer;
struct Vector4;

// Textured triangles collected by texture, so that each texture is bound once per batch. Every
// texture used since the last drawing owns a slot: a vertex buffer and a list of primitives.
// Opaque textures take slots from the front, translucent ones from the back; drawing visits the
// opaque slots in the order taken, then the translucent ones in reverse, so translucent geometry
// lands after all opaque geometry. The vertex format is FVF_VCT1.

void tglInit(uint32_t format, uint32_t slots, uint32_t vertsPerSlot, uint32_t superVerts);
void tglShutdown();
void tglBegin();
void tglEnd();
void tglSetTexture(gfxTexture* texture);
inline void tglTexture(gfxTexture* texture) { tglSetTexture(texture); }
void tglReserve(uint32_t type, uint32_t count);
inline void tglBeginPrimitive(uint32_t type, uint32_t count) { tglReserve(type, count); }
inline void tglEndPrimitive() {}
void tglDrawBatch(int32_t slot);
void tglSetSuperTexture(gfxTexture* texture);
void tglBillboard(const Vector3& centre, float halfSize, const Vector4& colour);
void tglBillboardRotated(const Vector3& centre, float halfSize, float angle, const Vector4& colour);
void tglResetStats();
void tglStatsBank(bkBank* bank);

// The statistics: largest reservation, slots opened, vertices reserved, and their average at
// the last reset.
struct tglStatistics {
    uint32_t m_MaxVertsPerCall;
    uint32_t m_TotalTextures;
    uint32_t m_TotalVerts;
    uint32_t m_AvgVerts;
};
extern tglStatistics tglStats;

// The current slot and attributes, read by the inline writers.
extern int32_t sm_CurIndex;
extern uint32_t sm_CurSize;
extern uint32_t sm_Offset;
extern uint8_t* sm_tglWrite;
extern uint32_t sm_tglColor;
extern float sm_tglU, sm_tglV;

inline void tglTexCoord(float u, float v) {
    sm_tglU = u;
    sm_tglV = v;
}

inline void tglColor(uint32_t colour) {
    sm_tglColor = gfxDepthComplexity ? rglDepthComplexityColor : colour;
}

inline void tglVertex(float x, float y, float z) {
    Assert(sm_Offset < sm_CurSize);
    uint8_t* at = sm_tglWrite + 24 * sm_Offset++;
    const float position[3] = {x, y, z};
    memcpy(at, position, 12);
    memcpy(at + 12, &sm_tglColor, 4);
    const float uv[2] = {sm_tglU, sm_tglV};
    memcpy(at + 16, uv, 8);
}

inline void tglVertex(const Vector3& p) {
    tglVertex(p.x, p.y, p.z);
}

#endif
