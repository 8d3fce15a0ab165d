#ifndef CITY_SDL_H
#define CITY_SDL_H

#include "city/sdlcode.h"

#include <cstdint>
#include <memory>

#include "vector/vector3.h"
#include "vector/vector4.h"

struct lvlCityTexture;
struct phIsect;
struct phPolygon;
struct phSegment;

// One perimeter entry, as the processed city file stores it.
struct lvlPerimeterEntry {
    uint16_t m_Vertex;
    uint16_t m_Neighbour;  // room number, 0 for none
};
static_assert(sizeof(lvlPerimeterEntry) == 4, "perimeter entries are read and written whole");

// One room of the processed city: its outline and its code stream. The shared vertex, float
// and texture tables are reached through the city's statics rather than through pointers
// kept here, so that a table that grows cannot leave a room pointing into freed memory. The
// perimeter count is not limited to a byte: descriptions and processed files carry more.
class lvlSDL {
public:
    // A room comes with its outline and words, zero-filled, in the same allocation as itself:
    // a city loads tens of thousands of rooms, and their allocations were most of its load
    // time. A city's rooms made at once come from its pool instead (lvlSDLPool).
    static lvlSDL* Create(uint32_t perimeterCount, uint32_t codeCount);
    static void operator delete(void* room) { ::operator delete(room); }
    // Deletes a room of its own allocation; a pool's room is only destroyed, its memory going
    // with the pool.
    struct Deleter {
        void operator()(lvlSDL* room) const;
    };
    lvlSDL(const lvlSDL&) = delete;
    lvlSDL& operator=(const lvlSDL&) = delete;

    uint32_t GetPerimeterCount() const { return m_PerimeterCount; }
    lvlPerimeterEntry& GetPerimeterEntry(uint32_t i);
    const lvlPerimeterEntry& GetPerimeterEntry(uint32_t i) const;
    uint32_t GetPerimeterVertex(uint32_t i) const { return GetPerimeterEntry(i).m_Vertex; }
    uint32_t GetNeighbour(uint32_t i) const { return GetPerimeterEntry(i).m_Neighbour; }

    Vector3* GetVertex(uint32_t i) const;
    float GetFloat(uint32_t i) const;
    const lvlCityTexture& GetTexture(uint32_t i) const;
    uint8_t GetMaterialIndex(uint32_t texture) const;

    // Null when the room has no words.
    SDLCODE_T* GetCodes() { return m_CodeCount ? m_Codes : nullptr; }
    const SDLCODE_T* GetCodes() const { return m_CodeCount ? m_Codes : nullptr; }
    uint32_t GetCodeCount() const { return m_CodeCount; }
    void SetCodes(const SDLCODE_T* words, uint32_t count);

    // Queries on the outline, in the x-z plane unless said otherwise.
    void GetRoomCentroid(Vector3& centroid) const;
    void GetBoundingCircle(Vector3& centre, float& radius) const;
    bool IsPointInRoom(float x, float z) const;
    // Moves the point onto a perimeter vertex (3-D distance) or else a perimeter edge within
    // the distance; the first snap wins.
    bool SnapToPerimeter(Vector3& point, float distance) const;

    // The eye point, stored by the editor before drawing; the side test reads it.
    static Vector3 sm_ViewPoint;
    // Whether the eye lies strictly on the negative side of the line from a to b (x-z).
    static bool IsBackFacing(const Vector3& a, const Vector3& b);

    // Draws the room through the texture-sorted batches at the level of detail (0 to 3): the
    // ground takes the batch colour current at the call, pieces with colours of their own
    // (kerb faces, skirts, facades) leave the tint current behind them.
    void DrawRoom(int lod, uint32_t tint) const;
    // The same primitives as records (u32 kind, u32 count, count positions of three floats)
    // into the buffer of bufsize 32-bit words; returns the number of records.
    int GetRoomTriangles(int lod, uint32_t* buffer, int bufsize) const;

    // u along a strip between the rails words[i * stride] and words[i * stride + railOffset]:
    // about as many squares as the strip is wide, mirrored on every second segment.
    static void StripTexCoords(float* out, const SDLCODE_T* words, int stride, int rows,
                               int railOffset);
    // u along the rail words[i * stride] in whole repeats of the unit length.
    static void RailTexCoords(float* out, const SDLCODE_T* words, float unitLength, int rows,
                              int stride);

    // The cursor value of a walk that has built every polygon of the room.
    static constexpr uint32_t EndCursor = 0xFFFFFFFF;
    // The room's collision polygons near the sphere (centre and radius; null for all), at most
    // maxPolys. The cursor (word offset << 11 | texture index) starts a walk where the last
    // stopped: 0 for a fresh walk; EndCursor comes back once the room is done. Extra corners
    // come from the city's spare vertex pool, which the caller sets up.
    int BuildRoomPolys(const Vector4* sphere, phPolygon* polys, int maxPolys,
                       uint32_t* cursor) const;
    // The segment against the room's polygons near the sphere (null for all), admitting hits
    // at or below nearestT or at or above furthestT. A hit fills the record with the nearest
    // hit and the segment's polygon cache; a miss marks the cache invalid. A segment that
    // passes by the room's box misses without a polygon being built.
    bool CollideSegment(const Vector4* sphere, phSegment& segment, phIsect* isect,
                        float nearestT, float furthestT) const;
    // Whether the segment meets the box round every polygon the room builds. The box is made
    // at the first call, from the polygons and the vertex table as they are then, and made
    // again after SetCodes; it leaves the spare pool set up afresh.
    bool SegmentNearRoom(const phSegment& segment) const;

    // Polygon builders: a material byte and the corners; strip order p0 p1 p2 p3 makes the
    // polygon p0 p1 p3 p2. Corners at other heights take spare vertices.
    static void MakePoly(phPolygon& poly, int material, int i0, int i1, int i2, int i3);
    // Pairs of vertex index and height offset, in strip order.
    static void MakeStripPoly(phPolygon& poly, int material, const int* indices,
                              const float* offsets);
    // Vertex indices in strip order (i3 < 0 for a triangle i0 i1 i2), flattened to a height.
    static void MakeFlatPoly(phPolygon& poly, int material, int i0, int i1, int i2, int i3,
                             float height);
    static void MakeStripPoly(phPolygon& poly, int material, const Vector3* positions);
    // A vertical quad on the edge i0 i1, up to the heights h0 and h1.
    static void MakeEdgeWall(phPolygon& poly, int material, int i0, int i1, float h0, float h1);
    static void MakeWall(phPolygon& poly, int material, const Vector3& p0, const Vector3& p1,
                         float h0, float h1);

    // The longest strip a walk builds, in rows.
    static const uint32_t MAX_PRIM_SIZE = 256;

private:
    friend class lvlSDLPool;

    lvlSDL(uint32_t perimeterCount, uint32_t codeCount, unsigned char* block);
    // The room, its outline and its words in memory of AllocationBytes.
    static lvlSDL* Construct(void* memory, uint32_t perimeterCount, uint32_t codeCount);
    static size_t AllocationBytes(uint32_t perimeterCount, uint32_t codeCount);
    static size_t BlockBytes(uint32_t perimeterCount, uint32_t codeCount);
    void Place(unsigned char* block, uint32_t perimeterCount, uint32_t codeCount);

    // Holds the outline and words once SetCodes has changed their size.
    std::unique_ptr<unsigned char[]> m_Storage;
    lvlPerimeterEntry* m_Perimeter;
    SDLCODE_T* m_Codes;
    uint32_t m_PerimeterCount;
    uint32_t m_CodeCount;
    // The polygons' box, once SegmentNearRoom has made it. The mouse ray of every frame is
    // tested against every room of the city in turn, and passes by nearly all of them.
    mutable Vector3 m_BoxMin;
    mutable Vector3 m_BoxMax;
    mutable bool m_HasBox = false;
    bool m_Pooled = false;
};

// Packed colours multiplied channel by channel; white on either side gives the other.
uint32_t ColorMultiply(uint32_t a, uint32_t b);
uint32_t ColorMultiply3(uint32_t a, uint32_t b, uint32_t c);

// A debug line from the middle of a wall along its facing direction (0 to 63).
void DrawWallFacing(int direction, const Vector3& a, const Vector3& b, float y0, float y1);

#endif
