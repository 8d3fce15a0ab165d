#include "city/ai.h"
#include "city/psdlbytes.h"
#include "data/assert.h"
#include "data/stream.h"

#include <cstdlib>

// The road records hold arrays, so they go to and from the file field by field,
// little-endian. Each road is gathered into a few blocks: a processed city holds thousands
// of roads, and a stream call per field was most of their cost.

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

bool Take(Stream* stream, unsigned char* bytes, int count) {
    return StreamRead(stream, bytes, count) == count;
}

bool LoadRoad(Stream* stream, lvlAiRoad& road, uint32_t roomCount) {
    unsigned char head[HeadBytes];
    if (!Take(stream, head, HeadBytes)) {
        return false;
    }
    road.m_Flags = psdlBytes::Get(head, 4);
    road.SetLaneCounts(head[4], head[5]);
    int lanes = head[4] + head[5];
    // Every lane value and the fixed fields after them come in one read.
    unsigned char bytes[4 * 2 * 255 + TailBytes];
    if (!Take(stream, bytes, 4 * lanes + TailBytes)) {
        return false;
    }
    for (int i = 0; i < lanes; ++i) {
        road.SetLaneValue(i, psdlBytes::GetFloat(bytes + 4 * i));
    }
    const unsigned char* tail = bytes + 4 * lanes;
    road.m_SideInfo[0] = tail[0];
    road.m_SideInfo[1] = tail[1];
    for (int i = 0; i < 8; ++i) {
        road.m_RoadData[i] = uint16_t(psdlBytes::Get(tail + 2 + 2 * i, 2));
    }
    road.SetRoomCount(tail[TailBytes - 1]);
    if (!Take(stream, bytes, 2 * road.m_RoomCount)) {
        return false;
    }
    for (int i = 0; i < road.m_RoomCount; ++i) {
        int room = int16_t(psdlBytes::Get(bytes + 2 * i, 2));
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
    psdlBytes bytes;
    bytes.Put(GetRoadCount(), 4);
    bool ok = true;
    for (const lvlAiRoad& road : sm_Roads) {
        PutRoad(bytes, road);
        ok = bytes.FlushWhenFull(stream) && ok;
    }
    return bytes.Flush(stream) && ok;
}

bool lvlAiMap::Load(Stream* stream, uint32_t roomCount) {
    unsigned char bytes[4];
    if (!Take(stream, bytes, 4)) {
        return false;
    }
    uint32_t count = psdlBytes::Get(bytes, 4);
    sm_Roads.clear();
    for (uint32_t i = 0; i < count; ++i) {
        sm_Roads.emplace_back();
        if (!LoadRoad(stream, sm_Roads.back(), roomCount)) {
            sm_Roads.pop_back();
            return false;
        }
    }
    return true;
}
