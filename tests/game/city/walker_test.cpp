#include "city/psdl.h"

#include "tests/support/child.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Visit {
    uint32_t m_Opcode;
    uint32_t m_OperandCount;
    long m_Offset;  // of the operands from the start of the room's words

    bool operator==(const Visit& other) const {
        return m_Opcode == other.m_Opcode && m_OperandCount == other.m_OperandCount &&
               m_Offset == other.m_Offset;
    }
};

struct Walk {
    lvlPSDL* m_City;
    int m_Room;
    const SDLCODE_T* m_Words;
    std::vector<Visit> m_Visits;
};

void Record(lvlPSDL* city, int room, uint32_t opcode, uint32_t operandCount,
            const SDLCODE_T* operands, void* user) {
    Walk* walk = static_cast<Walk*>(user);
    EXPECT_EQ(city, walk->m_City);
    EXPECT_EQ(room, walk->m_Room);
    walk->m_Visits.push_back({opcode, operandCount, long(operands - walk->m_Words)});
}

std::vector<Visit> WalkRoom(const std::vector<SDLCODE_T>& words) {
    lvlPSDL city;
    city.AllocateRooms(3);
    city.m_Rooms[2].reset(lvlSDL::Create(0, 0));
    city.m_Rooms[2]->SetCodes(words.data(), uint32_t(words.size()));
    Walk walk{&city, 2, city.m_Rooms[2]->GetCodes(), {}};
    city.ForEachCommand(2, Record, &walk);
    return walk.m_Visits;
}

}  // namespace

TEST(ForEachCommand, VisitsEachCommandUpToTheMark) {
    struct Case {
        const char* m_Name;
        std::vector<SDLCODE_T> m_Words;
        std::vector<Visit> m_Expected;
    };
    const std::vector<Case> cases = {
        {"marked road, then a texture never run",
         {0x81, 1, 2, 3, 4, 80, 5},
         {{SDL_ROAD, 4, 1}}},
        {"texture 300, fan of 10, raised fan of 5, divided road of 2",
         {81, 44, 48, 8, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 100, 7, 1, 2, 3, 4, 5,
          0xC2, 0x1C2, 128, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
         {{SDL_TEXTURE, 0, 2}, {SDL_FAN, 10, 4}, {SDL_RAISEDFAN, 6, 15}, {SDL_DIVROAD, 12, 24}}},
        {"skirt, wall and facade",
         {28, 1, 2, 3, 4, 60, 5, 6, 7, 8, 94 | 0x80, 1, 2, 1, 1, 3, 4},
         {{SDL_SKIRT, 4, 1}, {SDL_WALL, 4, 6}, {SDL_FACADE, 6, 11}}},
        // Without a mark the walk ends with the room's words, not past them.
        {"only texture and ext", {80, 3, 74, 5, 384}, {{SDL_TEXTURE, 0, 2}, {SDL_EXT, 2, 3}}},
        {"no words", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Name);
        EXPECT_EQ(WalkRoom(c.m_Words), c.m_Expected);
    }
}

TEST(ForEachCommand, EmptySlotIsSkipped) {
    lvlPSDL city;
    city.AllocateRooms(3);
    Walk walk{&city, 1, nullptr, {}};
    city.ForEachCommand(1, Record, &walk);
    EXPECT_TRUE(walk.m_Visits.empty());
}

TEST_CHILD(WalkInvalidOpcode) {
    WalkRoom({80, 1, 13 << 3 | 1, 0});
    return 0;
}

TEST(ForEachCommand, InvalidOpcodeIsFatal) {
    ExpectFatalChild("WalkInvalidOpcode", "Invalid command d");
}
