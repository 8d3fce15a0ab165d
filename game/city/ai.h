#ifndef CITY_AI_H
#define CITY_AI_H

#include <cstdint>
#include <vector>

const int MAX_ROOMS_PER_ROAD = 100;

// One AI road: the rooms it runs through (a negative number runs against the road), its lanes
// and the vertices that mark its two ends. The record holds arrays, so files read and write
// it field by field.
struct lvlAiRoad {
    uint32_t m_Flags = 0;
    std::vector<float> m_LaneValues;
    uint8_t m_NumLanes[2] = {0, 0};
    uint8_t m_SideInfo[2] = {0, 0};
    uint16_t m_RoadData[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    uint8_t m_RoomCount = 0;
    std::vector<int16_t> m_Rooms;

    void SetRoomCount(int count);
    void SetRoom(int index, int room);
    void SetLaneCounts(int side0, int side1);
    void SetLaneValue(int i, float value);
};

// The city's table of AI roads.
class lvlAiMap {
public:
    static void Allocate(uint32_t count);
    static void Free();
    static lvlAiRoad& GetRoad(uint32_t i);
    static uint32_t GetRoadCount() { return uint32_t(sm_Roads.size()); }

private:
    static std::vector<lvlAiRoad> sm_Roads;
};

#endif
