#include "city/ai.h"
#include "data/assert.h"
#include "data/stream.h"

#include <cstdlib>
#include <cstring>

// The road records hold arrays, so they go to and from the file field by field,
// little-endian.

namespace {

bool Put(Stream* stream, uint32_t value, int size) {
    unsigned char bytes[4];
    for (int i = 0; i < size; ++i) {
        bytes[i] = (unsigned char)(value >> (8 * i));
    }
    return StreamWrite(stream, bytes, size) == size;
}

bool PutFloat(Stream* stream, float value) {
    uint32_t bits;
    memcpy(&bits, &value, 4);
    return Put(stream, bits, 4);
}

bool Get(Stream* stream, uint32_t& value, int size) {
    unsigned char bytes[4];
    if (StreamRead(stream, bytes, size) != size) {
        return false;
    }
    value = 0;
    for (int i = 0; i < size; ++i) {
        value |= uint32_t(bytes[i]) << (8 * i);
    }
    return true;
}

bool GetFloat(Stream* stream, float& value) {
    uint32_t bits;
    if (!Get(stream, bits, 4)) {
        return false;
    }
    memcpy(&value, &bits, 4);
    return true;
}

bool SaveRoad(Stream* stream, const lvlAiRoad& road) {
    bool ok = Put(stream, road.m_Flags, 4) && Put(stream, road.m_NumLanes[0], 1) &&
              Put(stream, road.m_NumLanes[1], 1);
    for (float value : road.m_LaneValues) {
        ok = ok && PutFloat(stream, value);
    }
    ok = ok && Put(stream, road.m_SideInfo[0], 1) && Put(stream, road.m_SideInfo[1], 1);
    for (uint16_t vertex : road.m_RoadData) {
        ok = ok && Put(stream, vertex, 2);
    }
    ok = ok && Put(stream, road.m_RoomCount, 1);
    for (int16_t room : road.m_Rooms) {
        ok = ok && Put(stream, uint16_t(room), 2);
    }
    return ok;
}

bool LoadRoad(Stream* stream, lvlAiRoad& road, uint32_t roomCount) {
    uint32_t value[2];
    if (!Get(stream, road.m_Flags, 4) || !Get(stream, value[0], 1) || !Get(stream, value[1], 1)) {
        return false;
    }
    road.SetLaneCounts(int(value[0]), int(value[1]));
    for (uint32_t i = 0; i < value[0] + value[1]; ++i) {
        float lane;
        if (!GetFloat(stream, lane)) {
            return false;
        }
        road.SetLaneValue(int(i), lane);
    }
    for (uint8_t& info : road.m_SideInfo) {
        if (!Get(stream, value[0], 1)) {
            return false;
        }
        info = uint8_t(value[0]);
    }
    for (uint16_t& vertex : road.m_RoadData) {
        if (!Get(stream, value[0], 2)) {
            return false;
        }
        vertex = uint16_t(value[0]);
    }
    if (!Get(stream, value[0], 1)) {
        return false;
    }
    road.SetRoomCount(int(value[0]));
    for (int i = 0; i < road.m_RoomCount; ++i) {
        if (!Get(stream, value[0], 2)) {
            return false;
        }
        int room = int16_t(value[0]);
        // A room that is not in the city would be walked as a missing room.
        if (room == 0 || uint32_t(std::abs(room)) >= roomCount) {
            FatalQuit("lvlAiMap::Load: road room %d is not a room of the city.", room);
        }
        road.SetRoom(i, room);
    }
    return true;
}

}  // namespace

bool lvlAiMap::Save(Stream* stream) {
    bool ok = Put(stream, GetRoadCount(), 4);
    for (const lvlAiRoad& road : sm_Roads) {
        ok = ok && SaveRoad(stream, road);
    }
    return ok;
}

bool lvlAiMap::Load(Stream* stream, uint32_t roomCount) {
    uint32_t count;
    if (!Get(stream, count, 4)) {
        return false;
    }
    sm_Roads.clear();
    for (uint32_t i = 0; i < count; ++i) {
        lvlAiRoad road;
        if (!LoadRoad(stream, road, roomCount)) {
            return false;
        }
        sm_Roads.push_back(road);
    }
    return true;
}
