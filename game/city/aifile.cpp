#include "city/ai.h"
#include "city/psdlbytes.h"
#include "data/assert.h"

#include <cstdlib>

// The road records hold arrays, so they go to and from the file field by field,
// little-endian. The section is gathered with the rest of the file and read from the file's
// bytes in memory: a processed city holds thousands of roads, and stream calls per road were
// most of their cost.

namespace {

// Flags, then the two lane counts.
const int HeadBytes = 6;
// The side infos, the end vertices and the room count.
const int TailBytes = 2 + 2 * 8 + 1;

void PutRoad(psdlBytes& bytes, const lvlAiRoad& road) {
    int lanes = int(road.m_LaneValues.size());
    unsigned char* out = bytes.Extend(HeadBytes + 4 * lanes + TailBytes + 2 * road.m_Rooms.size());
    psdlBytes::Encode(out, road.m_Flags, 4);
    out[4] = road.m_NumLanes[0];
    out[5] = road.m_NumLanes[1];
    out += HeadBytes;
    for (float value : road.m_LaneValues) {
        psdlBytes::Encode(out, BitsFromFloat(value), 4);
        out += 4;
    }
    out[0] = road.m_SideInfo[0];
    out[1] = road.m_SideInfo[1];
    for (int i = 0; i < 8; ++i) {
        psdlBytes::Encode(out + 2 + 2 * i, road.m_RoadData[i], 2);
    }
    out[TailBytes - 1] = road.m_RoomCount;
    out += TailBytes;
    for (int16_t room : road.m_Rooms) {
        psdlBytes::Encode(out, uint16_t(room), 2);
        out += 2;
    }
}

// Hands out the section's bytes in order; false once they run out.
class RoadBytes {
public:
    RoadBytes(const unsigned char* bytes, size_t size) : m_Next(bytes), m_Left(size) {}
    const unsigned char* Take(size_t count) {
        if (count > m_Left) {
            return nullptr;
        }
        const unsigned char* bytes = m_Next;
        m_Next += count;
        m_Left -= count;
        return bytes;
    }

private:
    const unsigned char* m_Next;
    size_t m_Left;
};

bool LoadRoad(RoadBytes& in, lvlAiRoad& road, uint32_t roomCount) {
    const unsigned char* head = in.Take(HeadBytes);
    if (!head) {
        return false;
    }
    road.m_Flags = psdlBytes::Get(head, 4);
    road.SetLaneCounts(head[4], head[5]);
    int lanes = head[4] + head[5];
    const unsigned char* values = in.Take(4 * lanes + TailBytes);
    if (!values) {
        return false;
    }
    for (int i = 0; i < lanes; ++i) {
        road.SetLaneValue(i, psdlBytes::GetFloat(values + 4 * i));
    }
    const unsigned char* tail = values + 4 * lanes;
    road.m_SideInfo[0] = tail[0];
    road.m_SideInfo[1] = tail[1];
    for (int i = 0; i < 8; ++i) {
        road.m_RoadData[i] = uint16_t(psdlBytes::Get(tail + 2 + 2 * i, 2));
    }
    road.SetRoomCount(tail[TailBytes - 1]);
    const unsigned char* rooms = in.Take(2 * road.m_RoomCount);
    if (!rooms) {
        return false;
    }
    for (int i = 0; i < road.m_RoomCount; ++i) {
        int room = int16_t(psdlBytes::Get(rooms + 2 * i, 2));
        // A room that is not in the city would be walked as a missing room.
        if (room == 0 || uint32_t(std::abs(room)) >= roomCount) {
            FatalQuit("lvlAiMap::Load: road room %d is not a room of the city.", room);
        }
        road.SetRoom(i, room);
    }
    return true;
}

}  // namespace

void lvlAiMap::Save(psdlBytes& bytes) {
    bytes.Put(GetRoadCount(), 4);
    for (const lvlAiRoad& road : sm_Roads) {
        PutRoad(bytes, road);
    }
}

bool lvlAiMap::Load(const unsigned char* bytes, size_t size, uint32_t roomCount) {
    RoadBytes in(bytes, size);
    const unsigned char* head = in.Take(4);
    if (!head) {
        return false;
    }
    uint32_t count = psdlBytes::Get(head, 4);
    // Every road takes at least its fixed fields, so a count the bytes cannot hold is refused
    // before anything is allocated for it.
    if (count > size / (HeadBytes + TailBytes)) {
        return false;
    }
    sm_Roads.assign(count, lvlAiRoad());
    for (uint32_t i = 0; i < count; ++i) {
        if (!LoadRoad(in, sm_Roads[i], roomCount)) {
            sm_Roads.resize(i);
            return false;
        }
    }
    return true;
}
