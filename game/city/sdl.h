#ifndef CITY_SDL_H
#define CITY_SDL_H

#include "city/sdlcode.h"

#include <cstdint>
#include <vector>

struct Vector3;
struct lvlCityTexture;

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
    lvlSDL(uint32_t perimeterCount, uint32_t codeCount);

    uint32_t GetPerimeterCount() const { return uint32_t(m_Perimeter.size()); }
    lvlPerimeterEntry& GetPerimeterEntry(uint32_t i);
    const lvlPerimeterEntry& GetPerimeterEntry(uint32_t i) const;
    uint32_t GetPerimeterVertex(uint32_t i) const { return GetPerimeterEntry(i).m_Vertex; }
    uint32_t GetNeighbour(uint32_t i) const { return GetPerimeterEntry(i).m_Neighbour; }

    Vector3* GetVertex(uint32_t i) const;
    float GetFloat(uint32_t i) const;
    const lvlCityTexture& GetTexture(uint32_t i) const;
    uint8_t GetMaterialIndex(uint32_t texture) const;

    // Null when the room has no words.
    SDLCODE_T* GetCodes() { return m_Codes.empty() ? nullptr : m_Codes.data(); }
    const SDLCODE_T* GetCodes() const { return m_Codes.empty() ? nullptr : m_Codes.data(); }
    uint32_t GetCodeCount() const { return uint32_t(m_Codes.size()); }
    void SetCodes(const SDLCODE_T* words, uint32_t count);

    // Queries on the outline, in the x-z plane unless said otherwise.
    void GetRoomCentroid(Vector3& centroid) const;
    void GetBoundingCircle(Vector3& centre, float& radius) const;
    bool IsPointInRoom(float x, float z) const;
    // Moves the point onto a perimeter vertex (3-D distance) or else a perimeter edge within
    // the distance; the first snap wins.
    bool SnapToPerimeter(Vector3& point, float distance) const;

private:
    std::vector<lvlPerimeterEntry> m_Perimeter;
    std::vector<SDLCODE_T> m_Codes;
};

#endif
