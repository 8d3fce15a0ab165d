#ifndef TESTS_GAME_CITYEDIT_CITYSNAPSHOT_H
#define TESTS_GAME_CITYEDIT_CITYSNAPSHOT_H

#include "city/ai.h"
#include "city/psdl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// What a city holds, taken from the statics before another city replaces them.
struct CitySnapshot {
    typedef std::vector<SDLCODE_T> Words;
    std::vector<Vector3> m_Vertices;
    std::vector<float> m_Floats;
    std::vector<std::string> m_Textures;
    std::vector<std::vector<lvlPerimeterEntry>> m_Perimeters;
    std::vector<Words> m_Words;
    std::vector<uint8_t> m_Types;
    std::vector<uint8_t> m_Groups;
    uint32_t m_FirstRoomCount;
    std::vector<float> m_Bounds;
    std::vector<lvlAiRoad> m_Roads;

    explicit CitySnapshot(const lvlPSDL& city)
        : m_Vertices(lvlPSDL::sm_Vertices.begin(),
                     lvlPSDL::sm_Vertices.begin() + lvlPSDL::sm_VertexCount),
          m_Floats(lvlPSDL::sm_Floats),
          m_Types(city.m_RoomTypes),
          m_Groups(city.m_RoomGroups),
          m_FirstRoomCount(city.m_FirstRoomCount) {
        for (uint32_t i = 0; i < lvlPSDL::sm_TextureCount; ++i) {
            m_Textures.push_back(lvlPSDL::sm_Textures[i].m_Name);
        }
        for (uint32_t r = 1; r < city.m_RoomCount; ++r) {
            const lvlSDL* room = city.m_Rooms[r].get();
            std::vector<lvlPerimeterEntry> perimeter;
            for (uint32_t i = 0; room && i < room->GetPerimeterCount(); ++i) {
                perimeter.push_back(room->GetPerimeterEntry(i));
            }
            m_Perimeters.push_back(perimeter);
            m_Words.push_back(room && room->GetCodes()
                                  ? Words(room->GetCodes(), room->GetCodes() + room->GetCodeCount())
                                  : Words());
        }
        for (const Vector3* v : {&city.BoxMin, &city.BoxMax, &city.CentroidOffset}) {
            m_Bounds.insert(m_Bounds.end(), {v->x, v->y, v->z});
        }
        m_Bounds.push_back(city.RadiusAroundCentroid);
        for (uint32_t i = 0; i < lvlAiMap::GetRoadCount(); ++i) {
            m_Roads.push_back(lvlAiMap::GetRoad(i));
        }
    }
};

inline void ExpectEqual(const CitySnapshot& a, const CitySnapshot& b) {
    ASSERT_EQ(a.m_Vertices.size(), b.m_Vertices.size());
    for (size_t i = 0; i < a.m_Vertices.size(); ++i) {
        EXPECT_EQ(a.m_Vertices[i].x, b.m_Vertices[i].x) << i;
        EXPECT_EQ(a.m_Vertices[i].y, b.m_Vertices[i].y) << i;
        EXPECT_EQ(a.m_Vertices[i].z, b.m_Vertices[i].z) << i;
    }
    EXPECT_EQ(a.m_Floats, b.m_Floats);
    EXPECT_EQ(a.m_Textures, b.m_Textures);
    ASSERT_EQ(a.m_Perimeters.size(), b.m_Perimeters.size());
    for (size_t r = 0; r < a.m_Perimeters.size(); ++r) {
        ASSERT_EQ(a.m_Perimeters[r].size(), b.m_Perimeters[r].size()) << r;
        for (size_t i = 0; i < a.m_Perimeters[r].size(); ++i) {
            EXPECT_EQ(a.m_Perimeters[r][i].m_Vertex, b.m_Perimeters[r][i].m_Vertex);
            EXPECT_EQ(a.m_Perimeters[r][i].m_Neighbour, b.m_Perimeters[r][i].m_Neighbour);
        }
    }
    EXPECT_EQ(a.m_Words, b.m_Words);
    EXPECT_EQ(a.m_Types, b.m_Types);
    EXPECT_EQ(a.m_Groups, b.m_Groups);
    EXPECT_EQ(a.m_FirstRoomCount, b.m_FirstRoomCount);
    EXPECT_EQ(a.m_Bounds, b.m_Bounds);
    ASSERT_EQ(a.m_Roads.size(), b.m_Roads.size());
    for (size_t i = 0; i < a.m_Roads.size(); ++i) {
        const lvlAiRoad& x = a.m_Roads[i];
        const lvlAiRoad& y = b.m_Roads[i];
        EXPECT_EQ(x.m_Flags, y.m_Flags);
        EXPECT_EQ(x.m_LaneValues, y.m_LaneValues);
        EXPECT_EQ(x.m_Rooms, y.m_Rooms);
        for (int k = 0; k < 2; ++k) {
            EXPECT_EQ(x.m_NumLanes[k], y.m_NumLanes[k]);
            EXPECT_EQ(x.m_SideInfo[k], y.m_SideInfo[k]);
        }
        for (int k = 0; k < 8; ++k) {
            EXPECT_EQ(x.m_RoadData[k], y.m_RoadData[k]);
        }
    }
}

#endif
