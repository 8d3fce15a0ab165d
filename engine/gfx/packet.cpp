// Static geometry packets: own vertex arrays or places in shared device vertex buffers, their
// backing stores for lost devices, accessors, and skinned drawing.
#include "gfx/packet.h"

#include <cstring>

#include "data/assert.h"
#include "data/printer.h"
#include "gfx/d3dpipe.h"
#include "gfx/hooks.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "gfx/vertexformat.h"
#include "vector/matrix44.h"
#include "vector/vector2.h"
#include "vector/vector3.h"

namespace {

const DWORD AppendLock = DDLOCK_WRITEONLY | DDLOCK_NOOVERWRITE;

// One shared buffer per format, the one being filled.
struct SharedBuffer {
    uint32_t m_Format;
    IDirect3DVertexBuffer7* m_VB;
    uint32_t m_Used;
    uint32_t m_Capacity;
    uint32_t m_Reserved;  // the next buffer holds at least this many
};

// Every buffer made for packets, with its copy when the device transforms in hardware.
struct ListedBuffer {
    IDirect3DVertexBuffer7* m_VB;
    uint8_t* m_BackingStore;
    uint32_t m_Bytes;
};

SharedBuffer sTable[gfxPacket::MaxFormats];
int sTableCount;
ListedBuffer sList[gfxPacket::MaxBuffers];
int sListCount;

Vector3 sSkinPositions[gfxPacket::MaxSkinnedVertices];
Vector3 sSkinNormals[gfxPacket::MaxSkinnedVertices];

SharedBuffer* FindEntry(uint32_t format) {
    for (int i = 0; i < sTableCount; ++i) {
        if (sTable[i].m_Format == format) {
            return &sTable[i];
        }
    }
    return nullptr;
}

ListedBuffer* FindListed(IDirect3DVertexBuffer7* vb) {
    for (int i = 0; i < sListCount; ++i) {
        if (sList[i].m_VB == vb) {
            return &sList[i];
        }
    }
    return nullptr;
}

uint8_t* LockBuffer(IDirect3DVertexBuffer7* vb, DWORD flags) {
    void* data = nullptr;
    if (gfxFailed(vb->Lock(flags, &data, nullptr), "vb->Lock(flags,&data,NULL)")) {
        return nullptr;
    }
    return static_cast<uint8_t*>(data);
}

void FreeBuffers() {
    gfxPacket::FreeAllVertexBuffers();
}

void RestoreBuffers() {
    gfxPacket::RestoreAllVertexBuffers();
}

const bool sHooked = gfxAddHook(gfxHookSurfacesRestored, RestoreBuffers) &&
                     gfxAddHook(gfxHookDeviceReleasing, FreeBuffers);

}  // namespace

gfxPacket::gfxPacket(uint16_t format, uint32_t, uint32_t vertCount, const void* vertices,
                     uint32_t triangleCount, const uint16_t* indices, uint32_t,
                     uint8_t matrixSlotCount, const uint8_t* matrixSlots,
                     const uint8_t* vertexSlots, uint32_t)
    : m_Next(nullptr), m_Vertices(nullptr), m_Buffer(nullptr), m_Lock(nullptr), m_Format(format),
      m_Offset(-1), m_VertCount(uint16_t(vertCount)), m_IndexCount(0), m_Indices(nullptr),
      m_VertexSlots(nullptr), m_MatrixSlots(nullptr), m_OwnsSlots(true) {
    Assert(vertCount);
    Assert(vertCount <= 0xFFFF && triangleCount * 3 <= 0xFFFF);
    uint32_t size = gfxVertexSize(format) * m_VertCount;
    if (!matrixSlotCount && gfxUseNativeVBs) {
        Place();
    }
    if (m_Buffer) {
        m_Lock = LockBuffer(m_Buffer, AppendLock);
        if (m_Lock) {
            memcpy(VertexAt(0), vertices, size);
            Persist(0, m_VertCount);
            m_Buffer->Unlock();
        }
        m_Lock = nullptr;
    } else {
        m_Offset = -1;
        m_Vertices = new uint8_t[size];
        memcpy(m_Vertices, vertices, size);
    }
    if (indices) {
        m_IndexCount = uint16_t(triangleCount * 3);
        m_Indices = new uint16_t[m_IndexCount];
        memcpy(m_Indices, indices, m_IndexCount * sizeof(uint16_t));
    }
    if (matrixSlotCount) {
        m_VertexSlots = new uint8_t[m_VertCount];
        memcpy(m_VertexSlots, vertexSlots, m_VertCount);
        m_MatrixSlots = new uint8_t[matrixSlotCount + 1];
        m_MatrixSlots[0] = matrixSlotCount;
        memcpy(m_MatrixSlots + 1, matrixSlots, matrixSlotCount);
    }
}

gfxPacket::~gfxPacket() {
    delete[] m_Vertices;
    delete[] m_Indices;
    if (m_OwnsSlots) {
        delete[] m_VertexSlots;
        delete[] m_MatrixSlots;
    }
    delete m_Next;
}

void gfxPacket::Place() {
    SharedBuffer* entry = FindEntry(m_Format);
    if (entry && entry->m_Capacity - entry->m_Used >= m_VertCount) {
        m_Offset = int32_t(entry->m_Used);
        m_Buffer = entry->m_VB;
        entry->m_Used += m_VertCount;
        return;
    }
    if (!entry) {
        int& vbtableCount = sTableCount;
        Assert(vbtableCount < 16);
        entry = &sTable[vbtableCount++];
        *entry = SharedBuffer();
        entry->m_Format = m_Format;
    }
    uint32_t capacity = m_VertCount;
    if (capacity < MinBufferVertices) {
        capacity = MinBufferVertices;
    }
    if (capacity < entry->m_Reserved) {
        capacity = entry->m_Reserved;
    }
    D3DVERTEXBUFFERDESC desc = {};
    desc.dwSize = sizeof(desc);
    desc.dwCaps = D3DVBCAPS_WRITEONLY | (gfxUseHwTnL ? 0 : D3DVBCAPS_SYSTEMMEMORY);
    desc.dwFVF = m_Format;
    desc.dwNumVertices = capacity;
    IDirect3DVertexBuffer7* vb = nullptr;
    if (gfxFailed(lpD3D->CreateVertexBuffer(&desc, &vb, 0),
                  "lpD3D->CreateVertexBuffer(&desc,&table[i].vb,0)")) {
        return;
    }
    m_Offset = 0;
    m_Buffer = vb;
    *entry = SharedBuffer{m_Format, vb, m_VertCount, capacity, 0};
    int& vblistCount = sListCount;
    const int maxVBs = MaxBuffers;
    Assert(vblistCount < maxVBs);
    ListedBuffer& listed = sList[vblistCount++];
    listed.m_VB = vb;
    listed.m_Bytes = capacity * gfxVertexSize(m_Format);
    listed.m_BackingStore = gfxUseHwTnL ? new uint8_t[listed.m_Bytes]() : nullptr;
}

uint8_t* gfxPacket::VertexAt(uint32_t vertex) const {
    uint32_t size = gfxVertexSize(m_Format);
    if (m_Offset < 0) {
        return m_Vertices + size * vertex;
    }
    Assert(m_Lock);
    return m_Lock + size * (uint32_t(m_Offset) + vertex);
}

void gfxPacket::Persist(uint32_t firstVertex, uint32_t count) {
    if (!gfxUseHwTnL || m_Offset < 0) {
        return;
    }
    ListedBuffer* listed = FindListed(m_Buffer);
    if (!listed) {
        Assert(0 && "Persist: Missing vertex buffer?");
        return;
    }
    uint32_t size = gfxVertexSize(m_Format);
    size_t at = size_t(size) * (uint32_t(m_Offset) + firstVertex);
    memcpy(listed->m_BackingStore + at, VertexAt(firstVertex), size_t(size) * count);
}

gfxPacket* gfxPacket::Clone() const {
    gfxPacket* p = new gfxPacket();
    p->m_Next = m_Next ? m_Next->Clone() : nullptr;
    p->m_Vertices = nullptr;
    p->m_Buffer = nullptr;
    p->m_Lock = nullptr;
    p->m_Format = m_Format;
    p->m_Offset = -1;
    p->m_VertCount = m_VertCount;
    if (m_Offset >= 0) {
        p->Place();
    }
    if (!p->m_Buffer) {
        p->m_Offset = -1;
        p->m_Vertices = new uint8_t[gfxVertexSize(m_Format) * m_VertCount];
    }
    p->m_IndexCount = m_IndexCount;
    p->m_Indices = nullptr;
    if (m_Indices) {
        p->m_Indices = new uint16_t[m_IndexCount];
        memcpy(p->m_Indices, m_Indices, m_IndexCount * sizeof(uint16_t));
    }
    p->m_VertexSlots = m_VertexSlots;
    p->m_MatrixSlots = m_MatrixSlots;
    p->m_OwnsSlots = false;
    p->CopyData(*this);
    return p;
}

void gfxPacket::CopyData(const gfxPacket& source) {
    Assert(source.m_VertCount == m_VertCount && source.m_Format == m_Format);
    uint32_t bytes = gfxVertexSize(m_Format) * m_VertCount;
    if (m_Indices && source.m_Indices) {
        memcpy(m_Indices, source.m_Indices, m_IndexCount * sizeof(uint16_t));
    }
    gfxPacket& from = const_cast<gfxPacket&>(source);
    if (m_Offset >= 0) {
        const gfxPacket* sourcePacket = &source;
        Assert(sourcePacket->m_Offset >= 0);
    }
    bool sourceLocked = false;
    if (from.m_Offset >= 0) {
        from.m_Lock = LockBuffer(from.m_Buffer, DDLOCK_READONLY | DDLOCK_WAIT);
        sourceLocked = from.m_Lock != nullptr;
        if (!sourceLocked) {
            return;
        }
    }
    if (m_Offset >= 0) {
        m_Lock = from.m_Buffer == m_Buffer && sourceLocked ? from.m_Lock : LockBuffer(m_Buffer, AppendLock);
    }
    if (m_Offset < 0 || m_Lock) {
        memcpy(VertexAt(0), from.VertexAt(0), bytes);
        Persist(0, m_VertCount);
    }
    if (m_Offset >= 0 && m_Lock && m_Lock != from.m_Lock) {
        m_Buffer->Unlock();
    }
    m_Lock = nullptr;
    if (sourceLocked) {
        from.m_Buffer->Unlock();
        from.m_Lock = nullptr;
    }
}

void gfxPacket::Lock() {
    Assert(!m_Lock);
    if (m_Offset >= 0) {
        m_Lock = LockBuffer(m_Buffer, 0);
    }
}

void gfxPacket::Unlock() {
    if (m_Offset < 0) {
        return;
    }
    Assert(m_Lock);
    m_Buffer->Unlock();
    m_Lock = nullptr;
}

void gfxPacket::GetPosition(Vector3& value, uint32_t vertex) const {
    memcpy(&value, VertexAt(vertex), sizeof(Vector3));
}

void gfxPacket::SetPosition(const Vector3& value, uint32_t vertex) {
    memcpy(VertexAt(vertex), &value, sizeof(Vector3));
    Persist(vertex, 1);
}

void gfxPacket::GetNormal(Vector3& value, uint32_t vertex) const {
    memcpy(&value, VertexAt(vertex) + gfxVertexOffset(m_Format, D3DFVF_NORMAL), sizeof(Vector3));
}

void gfxPacket::SetNormal(const Vector3& value, uint32_t vertex) {
    memcpy(VertexAt(vertex) + gfxVertexOffset(m_Format, D3DFVF_NORMAL), &value, sizeof(Vector3));
    Persist(vertex, 1);
}

void gfxPacket::GetTexCoord(Vector2& value, uint32_t vertex) const {
    memcpy(&value, VertexAt(vertex) + gfxVertexOffset(m_Format, D3DFVF_TEX1), sizeof(Vector2));
}

void gfxPacket::GetTriangle(uint32_t out[3], uint32_t triangle) const {
    Assert(triangle * 3 + 2 < m_IndexCount);
    for (int i = 0; i < 3; ++i) {
        out[i] = m_Indices[triangle * 3 + i];
    }
}

void gfxPacket::Draw(uint32_t colour) const {
    gfxPacketDraw draw = {m_Format, m_Buffer, m_Offset, m_Vertices, m_VertCount, m_Indices,
                          m_IndexCount};
    gfxDrawIndexedPacket(draw, colour);
}

void gfxPacket::DrawSkinned(const Matrix44* matrices, uint32_t colour) const {
    if (gfxUseIntRenderer) {
        return;
    }
    gfxStats.m_Verts += m_VertCount;
    gfxStats.m_Tris += m_IndexCount / 3;
    Assert(m_Offset == -1);
    const uint32_t maxVerts = MaxSkinnedVertices;
    Assert(m_VertCount <= maxVerts);
    Assert(m_VertexSlots && m_MatrixSlots);
    uint32_t size = gfxVertexSize(m_Format);
    bool lit = gfxCurrentState.m_Lighting && (m_Format & D3DFVF_NORMAL);
    for (uint32_t i = 0; i < m_VertCount; ++i) {
        Assert(m_VertexSlots[i] < m_MatrixSlots[0]);
        const Matrix44& m = matrices[m_MatrixSlots[1 + m_VertexSlots[i]]];
        Vector3 p;
        memcpy(&p, m_Vertices + size * i, sizeof(p));
        sSkinPositions[i] = Vector3(p.x * m.a.x + p.y * m.b.x + p.z * m.c.x + m.d.x,
                                    p.x * m.a.y + p.y * m.b.y + p.z * m.c.y + m.d.y,
                                    p.x * m.a.z + p.y * m.b.z + p.z * m.c.z + m.d.z);
        if (lit) {
            Vector3 n;
            memcpy(&n, m_Vertices + size * i + 12, sizeof(n));
            sSkinNormals[i] = Vector3(n.x * m.a.x + n.y * m.b.x + n.z * m.c.x,
                                      n.x * m.a.y + n.y * m.b.y + n.z * m.c.y,
                                      n.x * m.a.z + n.y * m.b.z + n.z * m.c.z);
        }
    }
    D3DDRAWPRIMITIVESTRIDEDDATA sd = {};
    uint32_t format = m_Format;
    sd.position.lpvData = sSkinPositions;
    sd.position.dwStride = sizeof(Vector3);
    if (format & D3DFVF_NORMAL) {
        sd.normal.lpvData = lit ? static_cast<void*>(sSkinNormals) : m_Vertices + 12;
        sd.normal.dwStride = lit ? sizeof(Vector3) : size;
    }
    if (colour != 0xFFFFFFFF) {
        format |= D3DFVF_DIFFUSE;
        sd.diffuse.lpvData = &colour;
        sd.diffuse.dwStride = 0;
    } else if (format & D3DFVF_DIFFUSE) {
        sd.diffuse.lpvData = m_Vertices + gfxVertexOffset(m_Format, D3DFVF_DIFFUSE);
        sd.diffuse.dwStride = size;
    }
    if (m_Format & D3DFVF_TEX1) {
        sd.textureCoords[0].lpvData = m_Vertices + gfxVertexOffset(m_Format, D3DFVF_TEX1);
        sd.textureCoords[0].dwStride = size;
    }
    gfxDrawIndexedPrimitiveStrided(D3DPT_TRIANGLELIST, format, &sd, m_VertCount, m_Indices,
                                   m_IndexCount, 0);
}

void gfxPacket::ReserveVertices(uint32_t format, uint32_t vertexCount) {
    SharedBuffer* entry = FindEntry(format);
    if (entry && entry->m_Capacity - entry->m_Used < vertexCount) {
        entry->m_Used = 0;
        entry->m_Capacity = 0;
        entry->m_Reserved = vertexCount;
    }
}

void gfxPacket::FreeAllVertexBuffers() {
    PrintMessage("gfxPacket::FreeAllVertexBuffers: Freeing %d vertex buffers.", sListCount);
    while (sListCount) {
        ListedBuffer& listed = sList[--sListCount];
        listed.m_VB->Release();
        delete[] listed.m_BackingStore;
        listed = ListedBuffer();
    }
    sTableCount = 0;
}

void gfxPacket::RestoreAllVertexBuffers() {
    PrintMessage("gfxPacket::RestoreAllVertexBuffers: Restoring %d vertex buffers.", sListCount);
    for (int i = sListCount; i-- > 0;) {
        ListedBuffer& listed = sList[i];
        if (!listed.m_BackingStore) {
            continue;
        }
        uint8_t* data = LockBuffer(listed.m_VB, AppendLock);
        if (data) {
            memcpy(data, listed.m_BackingStore, listed.m_Bytes);
            listed.m_VB->Unlock();
        }
    }
}
