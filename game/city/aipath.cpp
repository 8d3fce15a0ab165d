#include "city/ai.h"
#include "city/psdl.h"
#include "data/assert.h"

#include <algorithm>
#include <cstdlib>

lvlAiRoad* lvlAiMap::sm_Road;
lvlAiElement lvlAiMap::sm_Elements[MAX_ROOMS_PER_ROAD];
int lvlAiMap::sm_ElementCount;
int lvlAiMap::sm_CurrentElement;
int lvlAiMap::sm_CurrentSection;
uint16_t lvlAiMap::sm_EndRooms[2];
uint16_t lvlAiMap::sm_PathVertexCount;
bool lvlAiMap::sm_Direction;

namespace {

const uint8_t LoweredRoad = 0x10;
const uint8_t SecondClass = 0x40;
const uint32_t FarSidewalks = 0x40;
const uint32_t SkipFirstLane = 0x100;
const uint32_t LaneRails = 0x200;
const uint32_t NoDrawIn = 0x4;
const uint32_t DrawInSide0 = 0x400000;

struct CollectState {
    uint32_t m_RoomIndex;
};

// The first and second end-room candidates among a road room's neighbours.
void FindEndRooms(const lvlPSDL* city, int room, int& first, int& second) {
    const lvlSDL* sdl = city->GetRoom(room);
    first = 0;
    second = 0;
    bool secondClass = (city->m_RoomTypes[room] & SecondClass) != 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (uint32_t i = 0; i < sdl->GetPerimeterCount(); ++i) {
            uint32_t neighbour = sdl->GetNeighbour(i);
            Assert(neighbour < city->m_RoomCount);
            uint8_t type = city->m_RoomTypes[neighbour];
            if (!(type & LoweredRoad) || (pass == 0 && secondClass && !(type & SecondClass))) {
                continue;
            }
            if (!first) {
                first = int(neighbour);
            } else if (int(neighbour) != first) {
                second = int(neighbour);
                break;
            }
        }
    }
    if (!second) {
        second = first;
    }
}

}  // namespace

const Vector3& lvlAiMap::PathVertex(uint32_t index) {
    Assert(index < lvlPSDL::sm_Vertices.size());
    return lvlPSDL::sm_Vertices[index];
}

void lvlAiMap::Collect(lvlPSDL* city, int room, uint32_t opcode, uint32_t operandCount,
                       const SDLCODE_T* operands, void* user) {
    uint32_t stride = opcode == SDL_ROAD ? 4 : opcode == SDL_ALLEY ? 2 : opcode == SDL_DIVROAD ? 6 : 0;
    if (!stride || sm_ElementCount >= sm_Road->m_RoomCount) {
        return;
    }
    uint32_t roomIndex = static_cast<CollectState*>(user)->m_RoomIndex;
    int element = sm_ElementCount++;
    sm_Elements[element] = {operands, stride, operandCount / stride, roomIndex};
    int first = 0;
    int second = 0;
    FindEndRooms(city, room, first, second);
    if (sm_Road->m_RoomCount == 1) {
        sm_EndRooms[0] = uint16_t(first);
        sm_EndRooms[1] = uint16_t(second);
        return;
    }
    if (element == 0) {
        sm_EndRooms[1] = uint16_t(first);
    }
    if (element == sm_Road->m_RoomCount - 1) {
        sm_EndRooms[0] = uint16_t(first);
    }
}

void lvlAiMap::SetRoad(lvlPSDL* city, uint32_t road, bool direction) {
    sm_Direction = direction;
    sm_Road = &GetRoad(road);
    sm_ElementCount = 0;
    sm_CurrentElement = 0;
    sm_CurrentSection = 0;
    sm_EndRooms[0] = sm_EndRooms[1] = 0;
    int rooms = sm_Road->m_RoomCount;
    for (int i = 0; i < rooms; ++i) {
        CollectState state{uint32_t(i)};
        city->ForEachCommand(GetRoom(i), Collect, &state);
    }
    if (!rooms || sm_ElementCount < rooms) {
        PrintError("lvlAiMap::SetRoad()- no road/alley element found road=%d", road);
        sm_PathVertexCount = 0;
        return;
    }
    if (!sm_EndRooms[0] || !sm_EndRooms[1]) {
        PrintWarning("BAD ROAD[%d] isect = %d,%d", road, sm_EndRooms[0], sm_EndRooms[1]);
    }
    int count = 0;
    for (int i = 0; i < rooms; ++i) {
        int ends = (i == 0) + (i == rooms - 1);
        if (!IsRoomWithRoad(i)) {
            count += 2 + ends;
        } else if (rooms > 1) {
            count += 2 * int(sm_Elements[i].m_Sections) - 2 + (ends ? 1 : 0);
        } else {
            count += 2 * int(sm_Elements[i].m_Sections);
        }
    }
    sm_PathVertexCount = uint16_t(count);
}

int lvlAiMap::GetRoom(int i) {
    Assert(sm_Road && i >= 0 && i < sm_Road->m_RoomCount);
    return std::abs(sm_Road->m_Rooms[i]);
}

bool lvlAiMap::IsRoomWithRoad(int i) {
    Assert(sm_Road && i >= 0 && i < sm_Road->m_RoomCount);
    return !sm_Direction || sm_Road->m_Rooms[i] > 0;
}

int lvlAiMap::GetRoomCount() {
    Assert(sm_Road);
    return sm_Road->m_RoomCount;
}

int lvlAiMap::GetLaneCount(int side) {
    Assert(sm_Road && (side == 0 || side == 1));
    return sm_Road->m_NumLanes[side] - GetFlag(SkipFirstLane);
}

int lvlAiMap::GetRailCount(int side) {
    return GetFlag(LaneRails) ? GetLaneCount(side) : 0;
}

int lvlAiMap::GetFlag(uint32_t flag) {
    Assert(sm_Road);
    return (sm_Road->m_Flags & flag) ? 1 : 0;
}

int lvlAiMap::GetEndCode(int side) {
    Assert(sm_Road && (side == 0 || side == 1));
    return (sm_Road->m_Flags >> (side ? 16 : 10)) & 3;
}

int lvlAiMap::GetSideKind(int side) {
    Assert(sm_Road && (side == 0 || side == 1));
    return sm_Road->m_SideInfo[side] & 0x15;
}

const char* lvlAiMap::GetTrafficLightModel(int side) {
    return GetSideKind(side) == 0 ? "sp_traflitsingle_f" : "sp_traflitdual_f";
}

bool lvlAiMap::FindElement(int index) {
    int start = 0;
    for (int e = 0; e < sm_ElementCount; ++e) {
        const lvlAiElement& element = sm_Elements[e];
        bool with = IsRoomWithRoad(int(element.m_RoomIndex));
        // Elements after the first share their first cross-section with the one before.
        int count = with ? int(element.m_Sections) - (e > 0) : (e == 0 ? 2 : 1);
        if (index >= start && index < start + count) {
            int section = index - start + (e > 0);
            sm_CurrentElement = e;
            sm_CurrentSection = with || section == 0 ? section : int(element.m_Sections) - 1;
            return true;
        }
        start += count;
    }
    return false;
}

// The lane point of the current cross-section: a fraction of the way between its kerbs.
static Vector3 LanePoint(const lvlAiRoad& road, const lvlAiElement& element, int section,
                         int lane, bool reverse) {
    const SDLCODE_T* operands = element.m_Operands + element.m_Stride * section;
    uint32_t p = element.m_Stride == 2 ? 0 : 1;
    uint32_t q = p + (element.m_Stride == 6 ? 3 : 1);
    int lanes = int(road.m_LaneValues.size());
    Assert(lane >= 0 && lane < lanes);
    float value = road.m_LaneValues[reverse ? lanes - lane - 1 : lane];
    const Vector3& a = lvlAiMap::PathVertex(operands[p]);
    const Vector3& b = lvlAiMap::PathVertex(operands[q]);
    return a + (b - a) * value;
}

Vector3 lvlAiMap::GetVertexMulti(int index, int lane, bool reverse) {
    if (!FindElement(index)) {
        PrintError("lvlAiMap::GetVertexMulti()- Bad Index %d", index);
        return Vector3::sm_Zero;
    }
    return LanePoint(*sm_Road, sm_Elements[sm_CurrentElement], sm_CurrentSection, lane, reverse);
}

Vector3 lvlAiMap::GetSidewalkVertexMulti(int index, int side, bool reverse) {
    if (!FindElement(index)) {
        PrintError("lvlAiMap::GetSidewalkVertexMulti()- Bad Index %d", index);
        return Vector3::sm_Zero;
    }
    const lvlAiElement& element = sm_Elements[sm_CurrentElement];
    uint32_t flags = sm_Road->m_Flags;
    bool far = (flags & FarSidewalks) != 0;
    uint32_t offset;
    if (reverse) {
        offset = far && side == 0 ? 1 : 0;
    } else if (!far) {
        offset = 1;
    } else {
        offset = (side ? 3 : 2) + (element.m_Stride == 6 ? 2 : 0);
    }
    // A far pair that the cross-section does not have would read the next one.
    Assert(offset < element.m_Stride);
    const SDLCODE_T* operands = element.m_Operands + element.m_Stride * sm_CurrentSection;
    Vector3 point = PathVertex(operands[offset]);
    if (side == 0 && !(flags & NoDrawIn) && (flags & DrawInSide0)) {
        const SDLCODE_T* kerbs = operands + (element.m_Stride == 2 ? 0 : 1);
        const Vector3& p = PathVertex(kerbs[0]);
        const Vector3& q = PathVertex(kerbs[element.m_Stride == 6 ? 3 : 1]);
        Vector3 centre = (p + q) * 0.5f;
        point = point + (centre - point) * 0.95f;
    }
    return point;
}

Vector3 lvlAiMap::Smooth(int index, bool lane, int which, bool reverse) {
    int count = sm_PathVertexCount;
    if (reverse && (lane || sm_Direction)) {
        index = count - 1 - index;
    }
    auto raw = [&](int i) {
        return lane ? GetVertexMulti(i, which, reverse) : GetSidewalkVertexMulti(i, which, reverse);
    };
    if (index == 0 || index == count - 1) {
        return raw(index / 2);
    }
    // The neighbour first, so that the current element is that of the point itself.
    Vector3 q = raw(index % 2 == 0 ? index / 2 - 1 : index / 2 + 1);
    Vector3 p = raw(index / 2);
    Vector3 d = q - p;
    float length = d.Mag();
    if (length == 0.0f) {
        return p;
    }
    float cap = sm_Direction ? 5.0f : 0.1f;
    return p + d * (std::min(length * 0.333f, cap) / length);
}

Vector3 lvlAiMap::GetLaneVertex(int index, int lane, bool reverse) {
    return Smooth(index, true, lane + GetFlag(SkipFirstLane), reverse);
}

Vector3 lvlAiMap::GetPreviousLaneVertex(int index, int lane, bool reverse) {
    return GetLaneVertex(index, lane - 1, reverse);
}

Vector3 lvlAiMap::GetSidewalkVertex(int index, int side, bool reverse) {
    return Smooth(index, false, side, reverse);
}

bool lvlAiMap::GetSidewalkPointAt(Vector3& point, int& room, float distance, int side,
                                  bool reverse) {
    int count = sm_PathVertexCount;
    if (count < 2) {
        return false;
    }
    Vector3 a = GetSidewalkVertex(0, side, reverse);
    int roomOfA = GetRoom(int(sm_Elements[sm_CurrentElement].m_RoomIndex));
    for (int i = 0; i + 1 < count; ++i) {
        Vector3 b = GetSidewalkVertex(i + 1, side, reverse);
        int roomOfB = GetRoom(int(sm_Elements[sm_CurrentElement].m_RoomIndex));
        float length = (b - a).Mag();
        if (distance <= length) {
            point = length > 0.0f ? a + (b - a) * (distance / length) : a;
            room = roomOfA;
            return true;
        }
        distance -= length;
        a = b;
        roomOfA = roomOfB;
    }
    return false;
}

Vector3 lvlAiMap::GetPathNormal(int index) {
    int count = sm_PathVertexCount;
    Vector3 d = index < count - 1 ? GetLaneVertex(index, 0, false) - GetLaneVertex(index + 1, 0, false)
                                  : GetLaneVertex(index - 1, 0, false) - GetLaneVertex(index, 0, false);
    Vector3 normal(-d.x * d.y, d.x * d.x + d.z * d.z, -d.z * d.y);
    normal.Normalize();
    return normal;
}
