#ifndef CITY_AI_H
#define CITY_AI_H

#include "city/sdlcode.h"
#include "vector/vector3.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

class lvlPSDL;
class psdlBytes;

const int MAX_ROOMS_PER_ROAD = 100;

// The values of one road, kept in the record itself up to Inline of them: a city loads
// thousands of roads, and two heap blocks for each were a large part of its load time. Longer
// arrays go to the heap.
template <typename T, int Inline>
class lvlAiValues {
public:
    typedef T value_type;
    typedef T* iterator;
    typedef const T* const_iterator;

    // count zeroed values.
    void Assign(int count) {
        m_Count = count;
        m_Spilled.assign(count > Inline ? count : 0, T());
        std::fill(begin(), end(), T());
    }
    size_t size() const { return size_t(m_Count); }
    T* begin() { return m_Count > Inline ? m_Spilled.data() : m_Inline; }
    const T* begin() const { return m_Count > Inline ? m_Spilled.data() : m_Inline; }
    T* end() { return begin() + m_Count; }
    const T* end() const { return begin() + m_Count; }
    T& operator[](size_t i) { return begin()[i]; }
    const T& operator[](size_t i) const { return begin()[i]; }
    bool operator==(const lvlAiValues& other) const {
        return std::equal(begin(), end(), other.begin(), other.end());
    }

private:
    T m_Inline[Inline] = {};
    std::vector<T> m_Spilled;
    int m_Count = 0;
};

// One AI road: the rooms it runs through (a negative number runs against the road), its lanes
// and the vertices that mark its two ends. The record holds arrays, so files read and write
// it field by field.
struct lvlAiRoad {
    uint32_t m_Flags = 0;
    lvlAiValues<float, 8> m_LaneValues;
    uint8_t m_NumLanes[2] = {0, 0};
    uint8_t m_SideInfo[2] = {0, 0};
    uint16_t m_RoadData[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    uint8_t m_RoomCount = 0;
    lvlAiValues<int16_t, 16> m_Rooms;

    void SetRoomCount(uint32_t count);
    void SetRoom(int index, int room);
    void SetLaneCounts(int side0, int side1);
    void SetLaneValue(int i, float value);
};

struct Matrix34;
struct lvlAiScatter;

typedef void (*lvlAiPlaceFunc)(int room, lvlAiScatter* scatter, const Matrix34& placement);

// Placement along the current road's sidewalks: from the start distance on, at random
// spacings, each at a random fraction across the sidewalk.
struct lvlAiScatter {
    float m_Start;
    float m_MinSpacing;
    float m_MaxSpacing;
    float m_MinLateral;
    float m_MaxLateral;
    lvlAiPlaceFunc m_Place;
};

// The road, alley or divided-road command of one road room.
struct lvlAiElement {
    const SDLCODE_T* m_Operands;
    uint32_t m_Stride;     // words per cross-section
    uint32_t m_Sections;
    uint32_t m_RoomIndex;  // into the road's rooms
};

// What the AI map draws its rails through: the immediate-mode layer installs its own. With
// none installed the map draws nothing.
class lvlAiDrawer {
public:
    // Primitive codes as the pipeline's.
    enum { LineStrip = 3, TriangleList = 4 };

    virtual void Begin(int primitive) = 0;
    // Colour packed 0xAARRGGBB.
    virtual void Vertex(const Vector3& position, uint32_t colour) = 0;
    virtual void End() = 0;
    virtual ~lvlAiDrawer() {}
};

extern lvlAiDrawer* AiDrawer;
// Installs the drawer that draws through the immediate-mode layer.
void lvlUseRglAiDrawer();

// The city's table of AI roads, and one current road turned into lane and sidewalk paths
// from its rooms' code streams.
class lvlAiMap {
public:
    static void Allocate(uint32_t count);
    static void Free();
    static lvlAiRoad& GetRoad(uint32_t i);
    static uint32_t GetRoadCount() { return uint32_t(sm_Roads.size()); }

    // The file section, gathered with the rest of the file and read from its bytes in memory.
    // Load takes the section from the front of the bytes, false when they end before it does;
    // it checks every road's rooms against the city's room count.
    static void Save(psdlBytes& bytes);
    static bool Load(const unsigned char* bytes, size_t size, uint32_t roomCount);

    static void SetRoad(lvlPSDL* city, uint32_t road, bool direction);

    // The current road.
    static int GetRoom(int i);
    static bool IsRoomWithRoad(int i);
    static int GetRoomCount();
    static int GetPathVertexCount() { return sm_PathVertexCount; }
    static int GetLaneCount(int side);
    static int GetRailCount(int side);
    static int GetFlag(uint32_t flag);
    static int GetEndRoom(int side) { return sm_EndRooms[side]; }
    static int GetEndCode(int side);
    static int GetSideKind(int side);
    static const char* GetTrafficLightModel(int side);

    // Raw path points, one per cross-section; the origin for an index past the road.
    static Vector3 GetVertexMulti(int index, int lane, bool reverse);
    static Vector3 GetSidewalkVertexMulti(int index, int side, bool reverse);
    // Smoothed path vertices: two per raw point, pulled towards its neighbours.
    static Vector3 GetLaneVertex(int index, int lane, bool reverse);
    static Vector3 GetPreviousLaneVertex(int index, int lane, bool reverse);
    static Vector3 GetSidewalkVertex(int index, int side, bool reverse);
    static bool GetSidewalkPointAt(Vector3& point, int& room, float distance, int side,
                                   bool reverse);
    static Vector3 GetPathNormal(int index);
    // A vertex of the city that a road names, checked against the table.
    static const Vector3& PathVertex(uint32_t index);
    // The line across road end 0 or 1 of the current road, from a to b. Mode 1 takes the end's
    // own marking vertices, mode 0 those of the other end.
    static void GetEndLine(int end, int mode, Vector3& a, Vector3& b);

    // Every road's end markers and lane rails, through AiDrawer. Each road is made current
    // in turn, with the direction flag.
    static void Draw(lvlPSDL* city);

    // A command walker callback; the user value is a lvlAiScatter. Acts on road and divided
    // road commands only.
    static void Scatter(lvlPSDL* city, int room, uint32_t opcode, uint32_t operandCount,
                        const SDLCODE_T* operands, void* user);

private:
    static bool FindElement(int index);
    static Vector3 Smooth(int index, bool lane, int which, bool reverse);
    static void Collect(lvlPSDL* city, int room, uint32_t opcode, uint32_t operandCount,
                        const SDLCODE_T* operands, void* user);

    static std::vector<lvlAiRoad> sm_Roads;

    static lvlAiRoad* sm_Road;
    static lvlAiElement sm_Elements[MAX_ROOMS_PER_ROAD];
    static int sm_ElementCount;
    static int sm_CurrentElement;
    static int sm_CurrentSection;
    static uint16_t sm_EndRooms[2];
    static uint16_t sm_PathVertexCount;
    static bool sm_Direction;
};

#endif
