#include "city/ai.h"
#include "city/psdlbytes.h"

#include "tests/support/child.h"
#include "tests/support/scratch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using ::testing::ElementsAre;

namespace {

void MakeRoad() {
    lvlAiMap::Allocate(1);
    lvlAiRoad& road = lvlAiMap::GetRoad(0);
    road.m_Flags = 0x00C00;
    road.SetLaneCounts(2, 1);
    road.SetLaneValue(0, 0.25f);
    road.SetLaneValue(1, 0.5f);
    road.SetLaneValue(2, 1.0f);
    road.m_SideInfo[0] = 1;
    road.m_SideInfo[1] = 0x15;
    for (int i = 0; i < 8; ++i) {
        road.m_RoadData[i] = uint16_t(0x101 * (i + 1));
    }
    road.SetRoomCount(2);
    road.SetRoom(0, 3);
    road.SetRoom(1, -4);
}

bool SaveTo(const std::string& path) {
    psdlBytes bytes;
    lvlAiMap::Save(bytes);
    return WriteWholeFile(path, std::string(bytes.m_Bytes.begin(), bytes.m_Bytes.end()));
}

bool LoadFrom(const std::string& path, uint32_t roomCount) {
    std::string bytes = ReadWholeFile(path);
    return lvlAiMap::Load(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                          roomCount);
}

}  // namespace

TEST(AiFile, SavesFieldByFieldAndLoadsBack) {
    ScratchDir scratch;
    MakeRoad();
    ASSERT_TRUE(SaveTo(scratch.Path("a.ai")));
    const unsigned char expected[] = {
        1, 0, 0, 0,                                       // roads
        0x00, 0x0C, 0, 0,                                 // flags
        2, 1,                                             // lanes
        0, 0, 0x80, 0x3E, 0, 0, 0, 0x3F, 0, 0, 0x80, 0x3F,  // lane values
        1, 0x15,                                          // sides
        1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8,   // end vertices
        2, 3, 0, 0xFC, 0xFF,                              // rooms
    };
    std::string bytes = ReadWholeFile(scratch.Path("a.ai"));
    EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(expected), sizeof(expected)));

    lvlAiMap::Free();
    ASSERT_TRUE(LoadFrom(scratch.Path("a.ai"), 5));
    ASSERT_EQ(lvlAiMap::GetRoadCount(), 1u);
    const lvlAiRoad& road = lvlAiMap::GetRoad(0);
    EXPECT_EQ(road.m_Flags, 0xC00u);
    EXPECT_THAT(road.m_LaneValues, ElementsAre(0.25f, 0.5f, 1.0f));
    EXPECT_THAT(road.m_Rooms, ElementsAre(3, -4));
    EXPECT_EQ(road.m_RoadData[7], 0x808);
    ASSERT_TRUE(SaveTo(scratch.Path("b.ai")));
    EXPECT_EQ(ReadWholeFile(scratch.Path("b.ai")), bytes);

    // Cut short: false, not a read past the data.
    ASSERT_TRUE(WriteWholeFile(scratch.Path("c.ai"), bytes.substr(0, bytes.size() - 1)));
    EXPECT_FALSE(LoadFrom(scratch.Path("c.ai"), 5));
}

// Past the values a record holds itself, they go to the heap; file and copies are the same.
TEST(AiFile, LongRoadsRoundTripAndCopy) {
    ScratchDir scratch;
    lvlAiMap::Allocate(1);
    lvlAiRoad& road = lvlAiMap::GetRoad(0);
    road.SetLaneCounts(5, 4);
    for (int i = 0; i < 9; ++i) {
        road.SetLaneValue(i, 0.125f * float(i));
    }
    road.SetRoomCount(17);
    for (int i = 0; i < 17; ++i) {
        road.SetRoom(i, i % 2 ? -(i + 1) : i + 1);
    }
    const lvlAiRoad saved = road;
    ASSERT_TRUE(SaveTo(scratch.Path("long.ai")));
    lvlAiMap::Free();
    ASSERT_TRUE(LoadFrom(scratch.Path("long.ai"), 18));
    const lvlAiRoad& loaded = lvlAiMap::GetRoad(0);
    EXPECT_EQ(loaded.m_LaneValues, saved.m_LaneValues);
    EXPECT_EQ(loaded.m_Rooms, saved.m_Rooms);
    EXPECT_EQ(loaded.m_LaneValues[8], 1.0f);
    EXPECT_EQ(loaded.m_Rooms[16], 17);
    // Shrinking back below the spill size keeps the values in the record.
    lvlAiRoad shorter = loaded;
    shorter.SetRoomCount(2);
    shorter.SetRoom(1, -5);
    EXPECT_THAT(shorter.m_Rooms, ElementsAre(0, -5));
    EXPECT_EQ(loaded.m_Rooms.size(), 17u);
}

TEST_CHILD(AiLoadRoomCount100) {
    ScratchDir scratch;
    MakeRoad();
    SaveTo(scratch.Path("a.ai"));
    std::string bytes = ReadWholeFile(scratch.Path("a.ai"));
    bytes[bytes.size() - 5] = 100;
    WriteWholeFile(scratch.Path("a.ai"), bytes);
    LoadFrom(scratch.Path("a.ai"), 5);
    return 0;
}

TEST_CHILD(AiLoadRoomOutsideTheCity) {
    ScratchDir scratch;
    MakeRoad();
    SaveTo(scratch.Path("a.ai"));
    LoadFrom(scratch.Path("a.ai"), 4);
    return 0;
}

TEST(AiFile, MalformedRoadsAreFatal) {
    ChildResult tooMany = RunChild("AiLoadRoomCount100");
    EXPECT_EQ(tooMany.m_ExitCode, 1);
    EXPECT_NE(tooMany.m_Output.find("Assert(count < MAX_ROOMS_PER_ROAD) failed in [city/ai"),
              std::string::npos)
        << tooMany.m_Output;
    ChildResult outside = RunChild("AiLoadRoomOutsideTheCity");
    EXPECT_EQ(outside.m_ExitCode, 1);
    EXPECT_NE(outside.m_Output.find("lvlAiMap::Load: road room -4 is not a room of the city."),
              std::string::npos)
        << outside.m_Output;
}
