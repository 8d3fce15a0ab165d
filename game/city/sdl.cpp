#include "city/sdl.h"

#include "city/psdl.h"
#include "data/assert.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

lvlSDL* lvlSDL::Create(uint32_t perimeterCount, uint32_t codeCount) {
    return Construct(::operator new(AllocationBytes(perimeterCount, codeCount)), perimeterCount,
                     codeCount);
}

lvlSDL* lvlSDL::Construct(void* memory, uint32_t perimeterCount, uint32_t codeCount) {
    static_assert(sizeof(lvlSDL) % alignof(lvlPerimeterEntry) == 0, "the block follows the room");
    size_t bytes = BlockBytes(perimeterCount, codeCount);
    unsigned char* block = static_cast<unsigned char*>(memory) + sizeof(lvlSDL);
    memset(block, 0, bytes);
    return new (memory) lvlSDL(perimeterCount, codeCount, block);
}

size_t lvlSDL::AllocationBytes(uint32_t perimeterCount, uint32_t codeCount) {
    return sizeof(lvlSDL) + BlockBytes(perimeterCount, codeCount);
}

void lvlSDL::Deleter::operator()(lvlSDL* room) const {
    if (room->m_Pooled) {
        room->~lvlSDL();
    } else {
        delete room;
    }
}

lvlSDL::lvlSDL(uint32_t perimeterCount, uint32_t codeCount, unsigned char* block) {
    Place(block, perimeterCount, codeCount);
}

size_t lvlSDL::BlockBytes(uint32_t perimeterCount, uint32_t codeCount) {
    return size_t(perimeterCount) * sizeof(lvlPerimeterEntry) + size_t(codeCount) * sizeof(SDLCODE_T);
}

void lvlSDL::Place(unsigned char* block, uint32_t perimeterCount, uint32_t codeCount) {
    m_Perimeter = reinterpret_cast<lvlPerimeterEntry*>(block);
    m_Codes = reinterpret_cast<SDLCODE_T*>(block + size_t(perimeterCount) * sizeof(lvlPerimeterEntry));
    m_PerimeterCount = perimeterCount;
    m_CodeCount = codeCount;
}

lvlPerimeterEntry& lvlSDL::GetPerimeterEntry(uint32_t i) {
    Assert(i < m_PerimeterCount);
    return m_Perimeter[i];
}

const lvlPerimeterEntry& lvlSDL::GetPerimeterEntry(uint32_t i) const {
    Assert(i < m_PerimeterCount);
    return m_Perimeter[i];
}

Vector3* lvlSDL::GetVertex(uint32_t i) const {
    Assert(i < lvlPSDL::sm_Vertices.size());
    return &lvlPSDL::sm_Vertices[i];
}

float lvlSDL::GetFloat(uint32_t i) const {
    Assert(i < lvlPSDL::sm_Floats.size());
    return lvlPSDL::sm_Floats[i];
}

const lvlCityTexture& lvlSDL::GetTexture(uint32_t i) const {
    Assert(i < lvlPSDL::sm_Textures.size());
    return lvlPSDL::sm_Textures[i];
}

uint8_t lvlSDL::GetMaterialIndex(uint32_t texture) const {
    Assert(texture < lvlPSDL::sm_MaterialIndex.size());
    return lvlPSDL::sm_MaterialIndex[texture];
}

// The words may come from this room's own block, so the old one is kept until they are in.
void lvlSDL::SetCodes(const SDLCODE_T* words, uint32_t count) {
    m_HasBox = false;
    std::unique_ptr<unsigned char[]> old;
    if (count != m_CodeCount) {
        old = std::move(m_Storage);
        const lvlPerimeterEntry* perimeter = m_Perimeter;
        m_Storage.reset(new unsigned char[BlockBytes(m_PerimeterCount, count)]);
        Place(m_Storage.get(), m_PerimeterCount, count);
        std::copy(perimeter, perimeter + m_PerimeterCount, m_Perimeter);
    }
    if (count) {
        memmove(m_Codes, words, count * sizeof(SDLCODE_T));
    }
}

void lvlSDL::GetRoomCentroid(Vector3& centroid) const {
    uint32_t count = GetPerimeterCount();
    float area = 0.0f;
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    for (uint32_t i = 0, j = count - 1; i < count; j = i++) {
        const Vector3& vi = *GetVertex(GetPerimeterVertex(i));
        const Vector3& vj = *GetVertex(GetPerimeterVertex(j));
        float c = vj.x * vi.z - vi.x * vj.z;
        area += c;
        x += (vi.x + vj.x) * c;
        z += (vi.z + vj.z) * c;
        y += vj.y;
    }
    if (area == 0.0f) {
        PrintError("lvlSDL::GetRoomCentroid: Room is degenerate.");
        // A room without outline has no first vertex to fall back on.
        centroid = count ? *GetVertex(GetPerimeterVertex(0)) : Vector3::sm_Zero;
        return;
    }
    centroid.Set(x / (3.0f * area), y / float(count), z / (3.0f * area));
}

void lvlSDL::GetBoundingCircle(Vector3& centre, float& radius) const {
    GetRoomCentroid(centre);
    float largest = 0.0f;
    for (uint32_t i = 0; i < GetPerimeterCount(); ++i) {
        largest = std::max(largest, (*GetVertex(GetPerimeterVertex(i)) - centre).Mag2());
    }
    radius = std::sqrt(largest);
}

bool lvlSDL::IsPointInRoom(float x, float z) const {
    uint32_t count = GetPerimeterCount();
    bool inside = false;
    for (uint32_t i = 0, j = count - 1; i < count; j = i++) {
        const Vector3& vi = *GetVertex(GetPerimeterVertex(i));
        const Vector3& vj = *GetVertex(GetPerimeterVertex(j));
        if ((vi.z <= z && z < vj.z) || (vj.z <= z && z < vi.z)) {
            float xc = (z - vi.z) * (vj.x - vi.x) / (vj.z - vi.z) + vi.x;
            if (xc > x) {
                inside = !inside;
            }
        }
    }
    return inside;
}

static float FlatDist2(const Vector3& a, const Vector3& b) {
    float dx = a.x - b.x;
    float dz = a.z - b.z;
    return dx * dx + dz * dz;
}

bool lvlSDL::SnapToPerimeter(Vector3& point, float distance) const {
    float limit = distance * distance;
    uint32_t count = GetPerimeterCount();
    for (uint32_t i = 0; i < count; ++i) {
        const Vector3& v = *GetVertex(GetPerimeterVertex(i));
        if ((v - point).Mag2() <= limit) {
            point = v;
            return true;
        }
    }
    for (uint32_t i = 0, j = count - 1; i < count; j = i++) {
        const Vector3& a = *GetVertex(GetPerimeterVertex(j));
        const Vector3& b = *GetVertex(GetPerimeterVertex(i));
        Vector3 edge = b - a;
        float length2 = edge.x * edge.x + edge.z * edge.z;
        // An edge with no length in x-z snaps to its end.
        float t = length2 > 0.0f
                      ? ((point.x - a.x) * edge.x + (point.z - a.z) * edge.z) / length2
                      : 0.0f;
        Vector3 snapped = t > 1.0f ? b : t < 0.0f ? a : a + edge * t;
        if (FlatDist2(snapped, point) <= limit) {
            point = snapped;
            return true;
        }
    }
    return false;
}

// Not a number until the editor stores its first eye point.
Vector3 lvlSDL::sm_ViewPoint = [] {
    Vector3 v;
    uint32_t bits = 0x7F800001;
    float nan;
    memcpy(&nan, &bits, sizeof nan);
    v.Set(nan, nan, nan);
    return v;
}();

bool lvlSDL::IsBackFacing(const Vector3& a, const Vector3& b) {
    const Vector3& e = sm_ViewPoint;
    return (a.z - b.z) * (e.x - a.x) + (b.x - a.x) * (e.z - a.z) < 0.0f;
}
