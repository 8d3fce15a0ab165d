#include "city/ai.h"

#include "data/assert.h"

std::vector<lvlAiRoad> lvlAiMap::sm_Roads;

// Unsigned, so that a negative count fails the one bound.
void lvlAiRoad::SetRoomCount(uint32_t count) {
    Assert(count < MAX_ROOMS_PER_ROAD);
    m_RoomCount = uint8_t(count);
    m_Rooms.Assign(int(count));
}

void lvlAiRoad::SetRoom(int index, int room) {
    Assert(index >= 0 && index < m_RoomCount);
    m_Rooms[index] = int16_t(room);
}

void lvlAiRoad::SetLaneCounts(int side0, int side1) {
    Assert(side0 >= 0 && side0 < 256 && side1 >= 0 && side1 < 256);
    m_NumLanes[0] = uint8_t(side0);
    m_NumLanes[1] = uint8_t(side1);
    m_LaneValues.Assign(side0 + side1);
}

void lvlAiRoad::SetLaneValue(int i, float value) {
    Assert(i >= 0);
    Assert(i<m_NumLanes[0]+m_NumLanes[1]);
    m_LaneValues[i] = value;
}

void lvlAiMap::Allocate(uint32_t count) {
    sm_Roads.assign(count, lvlAiRoad());
}

void lvlAiMap::Free() {
    sm_Roads.clear();
}

lvlAiRoad& lvlAiMap::GetRoad(uint32_t i) {
    Assert(i < sm_Roads.size());
    return sm_Roads[i];
}
