// Texture-sorted batches: slots taken per texture, primitives reserved in them, and their
// drawing with opaque slots first and translucent ones after, in reverse.
#include "rgl/tgl.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "bank/bank.h"
#include "gfx/d3dpipe.h"
#include "gfx/drawstate.h"
#include "gfx/hooks.h"
#include "gfx/pipeline.h"
#include "gfx/texture.h"
#include "vector/colour.h"
#include "vector/vector4.h"

tglStatistics tglStats;
int32_t sm_CurIndex;
uint32_t sm_CurSize;
uint32_t sm_Offset;
uint8_t* sm_tglWrite;
uint32_t sm_tglColor = 0xFFFFFFFF;
float sm_tglU, sm_tglV;

namespace {

// Arrays of N + 1 entries, entry 0 being the super slot (index -1).
struct Slot {
    gfxVertexBuffer* m_VB;
    std::vector<uint16_t> m_List;  // m_List[0] holds the entry count
    gfxTexture* m_Texture;
    uint32_t m_VtxCount;
};

std::vector<Slot> sSlots;
uint32_t sSlotCount;
uint32_t sVertsPerSlot;
uint32_t sSuperSize;
uint32_t sOpaqueTaken;
uint32_t sTranslucentTaken;
gfxTexture* sSuperTexture;
gfxVertexBuffer* sCurrentVB;
bool sCurrentTranslucent;
// A drawn slot's strips, fans and lists as one indexed triangle list: three indices for every
// triangle a slot can hold.
std::vector<uint16_t> sIndices;
// The slot key of untextured drawing.
uint32_t sNoTextureKey;

Slot& SlotAt(int32_t index) {
    return sSlots[size_t(index + 1)];
}

uint32_t& KeyOf(gfxTexture* t) {
    return t ? t->m_BatchSlot : sNoTextureKey;
}

void CloseCurrent() {
    if (sCurrentVB) {
        gfxUnlockVertexBuffer(sCurrentVB);
    }
    sm_tglWrite = nullptr;
    sCurrentVB = nullptr;
}

void Open(int32_t index, uint32_t size, DWORD lockFlags) {
    Slot& slot = SlotAt(index);
    sm_CurIndex = index;
    sm_CurSize = size;
    sCurrentVB = slot.m_VB;
    sm_Offset = slot.m_VtxCount;
    sm_tglWrite = static_cast<uint8_t*>(gfxLockVertexBuffer(slot.m_VB, lockFlags));
}

// Makes the texture resident ahead of its use.
void Touch(gfxTexture* t) {
    if (t) {
        t->Bind();
    }
}

void DrawAndFree(int32_t index, gfxTexture* next) {
    Touch(next);
    tglDrawBatch(index);
    Slot& slot = SlotAt(index);
    KeyOf(slot.m_Texture) = 0;
    slot.m_Texture = nullptr;
}

// Per-slot views in the names the assertions report.
struct CountsView {
    uint32_t& operator[](int32_t i) const { return SlotAt(i).m_VtxCount; }
};
struct TexturesView {
    gfxTexture*& operator[](int32_t i) const { return SlotAt(i).m_Texture; }
};

// The pipeline frees every vertex buffer with its device: the slots go first, and a new
// device needs tglInit again.
const bool sHooked = gfxAddHook(gfxHookDeviceReleasing, tglShutdown);

const DWORD AppendLock = DDLOCK_WRITEONLY | DDLOCK_NOOVERWRITE;
const DWORD RestartLock = DDLOCK_WRITEONLY | DDLOCK_DISCARDCONTENTS;

}  // namespace

void tglInit(uint32_t fvf, uint32_t slots, uint32_t vertsPerSlot, uint32_t superVerts) {
    Assert(fvf == FVF_VCT1);
    // A slot's triangles are drawn through 16-bit indices.
    Assert(vertsPerSlot <= 65536 && superVerts <= 65536);
    tglShutdown();
    sSlotCount = slots;
    sVertsPerSlot = vertsPerSlot;
    sSuperSize = superVerts;
    sSlots.assign(slots + 1, Slot());
    sIndices.assign(3 * size_t(std::max(vertsPerSlot, superVerts)) + 3, 0);
    bool native = gfxUseNativeVBs;
    gfxUseNativeVBs = false;
    for (uint32_t i = 0; i <= slots; ++i) {
        uint32_t size = i == 0 ? superVerts : vertsPerSlot;
        Slot& slot = sSlots[i];
        if (size) {
            slot.m_VB = gfxCreateVertexBuffer(size, fvf, true);
            slot.m_List.assign((size & ~1u) / 2 + 1, 0);
        }
    }
    gfxUseNativeVBs = native;
    sOpaqueTaken = sTranslucentTaken = 0;
    sm_CurIndex = 0;
    sm_CurSize = 0;
    sm_Offset = 0;
}

void tglShutdown() {
    CloseCurrent();
    for (Slot& slot : sSlots) {
        if (slot.m_VB) {
            gfxDestroyVertexBuffer(slot.m_VB);
        }
        KeyOf(slot.m_Texture) = 0;
    }
    sSlots.clear();
    sIndices.clear();
    sSlotCount = 0;
}

void tglBegin() {}

void tglSetTexture(gfxTexture* t) {
    if (sm_tglWrite && SlotAt(sm_CurIndex).m_Texture == t) {
        return;
    }
    bool translucent = false;
    if (t) {
        if (t->m_LOD == 255) {
            t->FirstUse();
        } else if (t->m_LOD > gfxTexture::sm_LODLimit) {
            t->SetLOD();
        }
        translucent = (t->m_Flags & gfxTexture::Translucent) != 0;
    }
    if (sm_tglWrite) {
        SlotAt(sm_CurIndex).m_VtxCount = sm_Offset;
        CloseCurrent();
    }
    DWORD flags = AppendLock;
    int32_t index;
    uint32_t size = sVertsPerSlot;
    if (t && t == sSuperTexture) {
        index = -1;
        size = sSuperSize;
        if (SlotAt(-1).m_VtxCount == 0) {
            flags = RestartLock;
            ++tglStats.m_TotalTextures;
        }
    } else if (KeyOf(t)) {
        index = int32_t(KeyOf(t)) - 1;
    } else {
        ++tglStats.m_TotalTextures;
        if (sOpaqueTaken == sSlotCount - sTranslucentTaken) {
            tglEnd();
            tglBegin();
        }
        index = translucent ? int32_t(sSlotCount - 1 - sTranslucentTaken++) : int32_t(sOpaqueTaken++);
        KeyOf(t) = uint32_t(index + 1);
        sm_CurIndex = index;
        const CountsView sm_VtxCounts;
        const TexturesView sm_Textures;
        Assert(sm_VtxCounts[sm_CurIndex] == 0);
        Assert(sm_Textures[sm_CurIndex] == 0);
        flags = RestartLock;
    }
    sCurrentTranslucent = translucent;
    Open(index, size, flags);
    SlotAt(index).m_Texture = t;
}

void tglReserve(uint32_t type, uint32_t ct) {
    if (ct > tglStats.m_MaxVertsPerCall) {
        tglStats.m_MaxVertsPerCall = ct;
    }
    tglStats.m_TotalVerts += ct;
    Assert(sm_Offset <= sm_CurSize);
    Assert(ct >= 3);
    if (sm_Offset + ct > sm_CurSize) {
        Assert(ct <= sm_CurSize);
        int32_t index = sm_CurIndex;
        gfxTexture* t = SlotAt(index).m_Texture;
        gfxUnlockVertexBuffer(sCurrentVB);
        sm_Offset = 0;
        if (sCurrentTranslucent) {
            sm_tglWrite = nullptr;
            sCurrentVB = nullptr;
            tglEnd();
            tglBegin();
            tglSetTexture(t);
        } else {
            sm_tglWrite = nullptr;
            sCurrentVB = nullptr;
            SlotAt(index).m_VtxCount = 0;
            tglDrawBatch(index);
            Open(index, sm_CurSize, RestartLock);
        }
    }
    std::vector<uint16_t>& list = SlotAt(sm_CurIndex).m_List;
    Assert(list[0] + 1u < list.size());
    list[++list[0]] = uint16_t(ct * 8 + type);
}

void tglDrawBatch(int32_t index) {
    Slot& slot = SlotAt(index);
    uint32_t entries = slot.m_List[0];
    slot.m_List[0] = 0;
    slot.m_VtxCount = 0;
    const gfxTexture* wanted = !gfxEnableTextures || gfxDepthComplexity ? nullptr : slot.m_Texture;
    if (gfxCurrentState.m_Texture[0] != wanted) {
        gfxCurrentState.m_Texture[0] = wanted;
        gfxStateDirty |= gfxDirtyTextures;
    }
    gfxApplyPending();
    // Under a translating driver a draw call costs far more than the few triangles of a strip,
    // so the slot's triangles go out in one call, in the order and winding of their primitives.
    uint32_t start = 0;
    uint32_t indexCount = 0;
    auto flush = [&]() {
        if (indexCount) {
            gfxDrawIndexedVertexBuffer(D3DPT_TRIANGLELIST, 0, start, slot.m_VB, sIndices.data(),
                                       indexCount, false);
            indexCount = 0;
        }
    };
    for (uint32_t i = 1; i <= entries; ++i) {
        uint32_t count = slot.m_List[i] >> 3;
        uint32_t type = slot.m_List[i] & 7;
        uint16_t* at = sIndices.data() + indexCount;
        switch (type) {
        case D3DPT_TRIANGLELIST:
            for (uint32_t k = 0; k < count / 3 * 3; ++k) {
                *at++ = uint16_t(start + k);
            }
            break;
        case D3DPT_TRIANGLESTRIP:
            for (uint32_t k = 0; k + 2 < count; ++k) {
                // Every second triangle of a strip turns the other way round.
                *at++ = uint16_t(start + k);
                *at++ = uint16_t(start + k + 1 + (k & 1));
                *at++ = uint16_t(start + k + 2 - (k & 1));
            }
            break;
        case D3DPT_TRIANGLEFAN:
            // Each fan triangle starts at its second corner, the one whose colour the device
            // gives it when shading flat; turning the corners round keeps the winding.
            for (uint32_t k = 0; k + 2 < count; ++k) {
                *at++ = uint16_t(start + k + 1);
                *at++ = uint16_t(start + k + 2);
                *at++ = uint16_t(start);
            }
            break;
        default:
            flush();
            gfxDrawVertexBuffer(D3DPRIMITIVETYPE(type), start, count, slot.m_VB);
            start += count;
            continue;
        }
        // The statistics show the primitives as written, not the list they go out in.
        gfxCountPrimitives(D3DPRIMITIVETYPE(type), count);
        indexCount = uint32_t(at - sIndices.data());
        start += count;
    }
    flush();
}

void tglEnd() {
    if (sm_tglWrite) {
        SlotAt(sm_CurIndex).m_VtxCount = sm_Offset;
        CloseCurrent();
    }
    sm_Offset = 0;
    for (uint32_t i = 0; i < sOpaqueTaken; ++i) {
        DrawAndFree(int32_t(i), i + 1 < sOpaqueTaken ? SlotAt(int32_t(i + 1)).m_Texture : nullptr);
    }
    sOpaqueTaken = 0;
    uint32_t last = sSlotCount - sTranslucentTaken;
    for (uint32_t i = sSlotCount; i-- > last;) {
        DrawAndFree(int32_t(i), i > last ? SlotAt(int32_t(i - 1)).m_Texture : nullptr);
    }
    sTranslucentTaken = 0;
    if (sSuperSize && (SlotAt(-1).m_VtxCount || sm_CurIndex == -1)) {
        gfxTexture* keep = SlotAt(-1).m_Texture;
        tglDrawBatch(-1);
        SlotAt(-1).m_Texture = keep;
    }
}

void tglSetSuperTexture(gfxTexture* texture) {
    const uint32_t sm_SuperSize = sSuperSize;
    Assert(sm_SuperSize>0);
    sSuperTexture = texture;
}

void tglBillboard(const Vector3& centre, float halfSize, const Vector4& colour) {
    Vector3 corners[4];
    rglBillboardCorners(centre, halfSize, corners);
    static const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    tglReserve(RGL_TRIANGLE_FAN, 4);
    tglColor(PackColor(colour.x, colour.y, colour.z, colour.w));
    for (int i = 0; i < 4; ++i) {
        tglTexCoord(uv[i][0], uv[i][1]);
        tglVertex(corners[i]);
    }
}

void tglBillboardRotated(const Vector3& centre, float halfSize, float angle, const Vector4& colour) {
    Vector3 corners[4];
    rglBillboardCorners(centre, halfSize, corners);
    static const float unit[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    float c = cosf(angle);
    float s = sinf(angle);
    tglReserve(RGL_TRIANGLE_FAN, 4);
    tglColor(PackColor(colour.x, colour.y, colour.z, colour.w));
    for (int i = 0; i < 4; ++i) {
        float x = unit[i][0];
        float y = unit[i][1];
        tglTexCoord(0.5f + 0.5f * (x * c + y * s), 0.5f + 0.5f * (y * c - x * s));
        tglVertex(corners[i]);
    }
}

void tglResetStats() {
    uint32_t textures = tglStats.m_TotalTextures ? tglStats.m_TotalTextures : 1;
    tglStats.m_AvgVerts = tglStats.m_TotalVerts / textures;
    tglStats.m_TotalVerts = 0;
    tglStats.m_TotalTextures = 0;
    tglStats.m_MaxVertsPerCall = 0;
}

void tglStatsBank(bkBank* bank) {
    bank->AddSlider("Max Verts / Call", &tglStats.m_MaxVertsPerCall, 0u, 0u, 0.0f);
    bank->AddSlider("Total Textures", &tglStats.m_TotalTextures, 0u, 0u, 0.0f);
    bank->AddSlider("Total Verts", &tglStats.m_TotalVerts, 0u, 0u, 0.0f);
    bank->AddSlider("Avg Verts", &tglStats.m_AvgVerts, 0u, 0u, 0.0f);
}
