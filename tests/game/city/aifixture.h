#ifndef TESTS_GAME_CITY_AIFIXTURE_H
#define TESTS_GAME_CITY_AIFIXTURE_H

// A small city of road rooms for the AI map's tests.

#include "city/ai.h"
#include "city/psdl.h"

#include "tests/support/console.h"

#include <vector>

struct RoomSpec {
    uint8_t m_Type;
    std::vector<uint16_t> m_Neighbours;
    std::vector<SDLCODE_T> m_Words;
};

// Road cross-sections along x at x = 10 i: four vertices a b c d at z = 0, 2, 8, 10, so
// that the kerbs b and c lie 6 apart. From vertex 40 on, divided-road cross-sections of six
// vertices a b c d e f at z = 0, 2, 4, 6, 8, 10: kerbs b and e, median c and d.
const int DividedBase = 40;

struct AiFixture {
    explicit AiFixture(const std::vector<RoomSpec>& rooms) {
        lvlPSDL::AllocateVertices(DividedBase + 60);
        for (int i = 0; i < 10; ++i) {
            const float z[4] = {0, 2, 8, 10};
            for (int k = 0; k < 4; ++k) {
                lvlPSDL::sm_Vertices[4 * i + k].Set(10.0f * i, 0.0f, z[k]);
            }
            for (int k = 0; k < 6; ++k) {
                lvlPSDL::sm_Vertices[DividedBase + 6 * i + k].Set(10.0f * i, 0.0f, 2.0f * k);
            }
        }
        m_City.AllocateRooms(uint32_t(rooms.size() + 1));
        for (size_t r = 0; r < rooms.size(); ++r) {
            const RoomSpec& spec = rooms[r];
            lvlSDL* room = lvlSDL::Create(uint32_t(spec.m_Neighbours.size()), 0);
            for (size_t i = 0; i < spec.m_Neighbours.size(); ++i) {
                room->GetPerimeterEntry(uint32_t(i)).m_Neighbour = spec.m_Neighbours[i];
            }
            room->SetCodes(spec.m_Words.data(), uint32_t(spec.m_Words.size()));
            m_City.m_Rooms[r + 1].reset(room);
            m_City.m_RoomTypes[r + 1] = spec.m_Type;
        }
    }

    // Side 1 has the last lane value, side 0 the others.
    static void MakeRoad(lvlAiRoad& road, const std::vector<int>& rooms, uint32_t flags,
                         const std::vector<float>& lanes) {
        road.m_Flags = flags;
        road.SetRoomCount(uint32_t(rooms.size()));
        for (size_t i = 0; i < rooms.size(); ++i) {
            road.SetRoom(int(i), rooms[i]);
        }
        road.SetLaneCounts(int(lanes.size()) - 1, 1);
        for (size_t i = 0; i < lanes.size(); ++i) {
            road.SetLaneValue(int(i), lanes[i]);
        }
    }

    void SetRoad(std::vector<int> rooms, uint32_t flags, std::vector<float> lanes, bool direction) {
        lvlAiMap::Allocate(1);
        MakeRoad(lvlAiMap::GetRoad(0), rooms, flags, lanes);
        lvlAiMap::SetRoad(&m_City, 0, direction);
    }

    ConsoleCapture m_Capture;
    lvlPSDL m_City;
};

// A road command over the cross-sections first to first + count - 1, marked last.
inline std::vector<SDLCODE_T> Road(int first, int count) {
    std::vector<SDLCODE_T> words = {SDLCODE_T(SDL_TEXTURE), 1, SDLCODE_T(SDL_ROAD | SDL_LAST | count)};
    for (int i = first; i < first + count; ++i) {
        for (int k = 0; k < 4; ++k) {
            words.push_back(SDLCODE_T(4 * i + k));
        }
    }
    return words;
}

// A divided road over its cross-sections 0 to count - 1, marked last.
inline std::vector<SDLCODE_T> DividedRoad(int count) {
    std::vector<SDLCODE_T> words = {SDLCODE_T(SDL_TEXTURE), 1, SDLCODE_T(SDL_DIVROAD | SDL_LAST | count),
                                    0, 0};
    for (int i = 0; i < 6 * count; ++i) {
        words.push_back(SDLCODE_T(DividedBase + i));
    }
    return words;
}

const std::vector<SDLCODE_T> Fan = {SDL_FAN | SDL_LAST | 1, 0, 1, 2};


#endif
