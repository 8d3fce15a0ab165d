#ifndef GFX_PACKET_H
#define GFX_PACKET_H

#include <cstdint>

#include <windows.h>
#include <d3d.h>

struct Matrix44;
struct Vector2;
struct Vector3;

// One piece of static geometry: an indexed triangle list of one vertex format, optionally with
// per-vertex matrix slots for skinned drawing. With native vertex buffers the vertices of all
// packets of a format share large device buffers, listed so that they can be released and
// refilled when the device loses its surfaces.
class gfxPacket {
public:
    static const uint32_t MinBufferVertices = 4096;
    static const int MaxFormats = 16;
    static const int MaxBuffers = 256;
    static const uint32_t MaxSkinnedVertices = 2048;

    gfxPacket(uint16_t format, uint32_t primitiveType, uint32_t vertexCount, const void* vertices,
              uint32_t triangleCount, const uint16_t* indices, uint32_t unused,
              uint8_t matrixSlotCount, const uint8_t* matrixSlots, const uint8_t* vertexSlots,
              uint32_t flag);
    ~gfxPacket();
    gfxPacket(const gfxPacket&) = delete;
    gfxPacket& operator=(const gfxPacket&) = delete;

    gfxPacket* Clone() const;
    void CopyData(const gfxPacket& source);

    void Lock();
    void Unlock();
    void GetPosition(Vector3& value, uint32_t vertex) const;
    void SetPosition(const Vector3& value, uint32_t vertex);
    void GetNormal(Vector3& value, uint32_t vertex) const;
    void SetNormal(const Vector3& value, uint32_t vertex);
    void GetTexCoord(Vector2& value, uint32_t vertex) const;
    void GetTriangle(uint32_t out[3], uint32_t triangle) const;

    // Through the pipeline's indexed packet draw; colour 0xFFFFFFFF keeps the vertices' own.
    void Draw(uint32_t colour = 0xFFFFFFFF) const;
    void DrawSkinned(const Matrix44* matrices, uint32_t colour = 0xFFFFFFFF) const;

    static void ReserveVertices(uint32_t format, uint32_t vertexCount);
    static void FreeAllVertexBuffers();
    static void RestoreAllVertexBuffers();

    gfxPacket* m_Next;  // the rest of the geometry's chain, owned by this packet
    uint8_t* m_Vertices;             // own array, when m_Offset is -1
    IDirect3DVertexBuffer7* m_Buffer;  // shared device buffer otherwise
    uint8_t* m_Lock;
    uint16_t m_Format;
    int32_t m_Offset;  // first vertex in the shared buffer, -1 with an own array
    uint16_t m_VertCount;
    uint16_t m_IndexCount;
    uint16_t* m_Indices;
    uint8_t* m_VertexSlots;
    uint8_t* m_MatrixSlots;  // a count, then that many matrix numbers
    bool m_OwnsSlots;

private:
    gfxPacket() = default;
    void Place();
    uint8_t* VertexAt(uint32_t vertex) const;
    void Persist(uint32_t firstVertex, uint32_t count);
};

#endif
