// The level's room lists, draw buckets, instance heap and reset.

#include "level/level.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "level/instclasses.h"
#include "tests/game/level/levelfixture.h"
#include "tests/support/child.h"

namespace {

std::vector<std::string> sEvents;

// A placed instance of its own size that tells its reset and its end.
template <size_t Pad>
class Recorder : public lvlCompactInstance {
public:
    explicit Recorder(const char* name) : m_Name(name) {}
    ~Recorder() override { sEvents.push_back(std::string("~") + m_Name); }
    void Reset() override { sEvents.push_back(m_Name); }
    size_t SizeOf() const override { return sizeof(*this); }

    const char* m_Name;
    char m_Pad[Pad];
};

lvlInstance* Movable(uint16_t flags) {
    lvlInstance* i = lvlInstance::Create<lvlCompactInstance>();
    i->AddFlags(flags);
    return i;
}

lvlInstance* Static(uint16_t flags) {
    return Movable(uint16_t(flags | lvlInstance::INST_STATIC));
}

std::vector<lvlInstance*> RoomList(const lvlLevel& level, int room) {
    std::vector<lvlInstance*> list;
    lvlInstance* previous = nullptr;
    for (lvlInstance* i = level.GetRoomHead(room); i; i = i->GetNext()) {
        EXPECT_EQ(i->GetPrevious(), previous) << "back link of entry " << list.size();
        EXPECT_EQ(i->GetRoom(), room);
        previous = i;
        list.push_back(i);
    }
    return list;
}

class Level : public ::testing::Test {
protected:
    void TearDown() override {
        m_Level.reset();
        lvlBangers = lvlBangerSeam();
        sEvents.clear();
    }
    std::unique_ptr<GridLevel> m_Level{new GridLevel};
};

}  // namespace

TEST_F(Level, MovablesAtTheHeadStaticsAtTheTailNewestFirstAndFlagsFollowTheMembers) {
    // Any interleaving of the adds gives the same list.
    const char* const orders[] = {"m1 m2 s1 s2 s3", "s1 m1 s2 m2 s3", "s1 s2 s3 m1 m2"};
    for (const char* order : orders) {
        SCOPED_TRACE(order);
        m_Level.reset();
        m_Level.reset(new GridLevel);
        lvlInstance* m1 = Movable(0x8);
        lvlInstance* m2 = Movable(0x2);
        lvlInstance* s1 = Static(0x10);
        lvlInstance* s2 = Static(0x100);
        lvlInstance* s3 = Static(0x20);
        lvlInstance* const ms[] = {m1, m2};
        lvlInstance* const ss[] = {s1, s2, s3};
        for (size_t k = 0; k + 1 < strlen(order); k += 3) {
            int n = order[k + 1] - '1';
            m_Level->MoveToRoom(order[k] == 'm' ? ms[n] : ss[n], 1);
        }
        EXPECT_EQ(RoomList(*m_Level, 1), std::vector<lvlInstance*>({m2, m1, s3, s2, s1}));
        EXPECT_EQ(m_Level->GetRoomFirstStatic(1), s3);
        EXPECT_EQ(m_Level->GetRoomFlags(1), 0x200 | 0x400 | 0x8 | 0x2 | 0x10 | 0x100 | 0x20);

        // Out of room 1: its flags are recomputed without M1, room 2 takes them.
        m_Level->MoveToRoom(m1, 2);
        EXPECT_EQ(RoomList(*m_Level, 1), std::vector<lvlInstance*>({m2, s3, s2, s1}));
        EXPECT_EQ(m_Level->GetRoomFlags(1), 0x200 | 0x400 | 0x2 | 0x10 | 0x100 | 0x20);
        EXPECT_EQ(RoomList(*m_Level, 2), std::vector<lvlInstance*>({m1}));
        EXPECT_EQ(m_Level->GetRoomFlags(2), 0x200 | 0x8);

        // Back and again into a room it is in: to the head each time.
        m_Level->MoveToRoom(m1, 1);
        m_Level->MoveToRoom(m2, 1);
        EXPECT_EQ(RoomList(*m_Level, 1), std::vector<lvlInstance*>({m2, m1, s3, s2, s1}));
        EXPECT_EQ(m_Level->GetRoomFlags(1), 0x200 | 0x400 | 0x8 | 0x2 | 0x10 | 0x100 | 0x20);
        EXPECT_EQ(m_Level->GetRoomHead(2), nullptr);
        EXPECT_EQ(m_Level->GetRoomFlags(2), 0);
    }
}

TEST_F(Level, StaticsAloneAndTheLastMovableLeaving) {
    lvlInstance* s1 = Static(0);
    lvlInstance* m1 = Movable(0x8);
    m_Level->MoveToRoom(m1, 3);
    m_Level->MoveToRoom(s1, 3);
    m_Level->MoveToRoom(m1, 4);
    EXPECT_EQ(RoomList(*m_Level, 3), std::vector<lvlInstance*>({s1}));
    EXPECT_EQ(m_Level->GetRoomFirstStatic(3), s1);
    lvlInstance* s2 = Static(0);
    m_Level->MoveToRoom(s2, 3);
    EXPECT_EQ(RoomList(*m_Level, 3), std::vector<lvlInstance*>({s2, s1}));
    EXPECT_EQ(m_Level->GetRoomFlags(3), 0x600);
}

TEST_F(Level, DrawBucketCallsItsCallbacksInOrderWithZero) {
    static std::vector<std::pair<uintptr_t, uintptr_t>> calls;
    calls.clear();
    struct Target {
        static void Call(uintptr_t data, uintptr_t argument) { calls.push_back({data, argument}); }
    };
    for (int i = 0; i < lvlLevel::maxPerBucket; ++i) {
        lvlLevel::AddDrawable(1, datCallback(Target::Call, uintptr_t(100 + i)));
    }
    lvlLevel::DrawBucket(0);
    EXPECT_TRUE(calls.empty());
    lvlLevel::DrawBucket(1);
    ASSERT_EQ(calls.size(), 64u);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(calls[size_t(i)], std::make_pair(uintptr_t(100 + i), uintptr_t(0)));
    }
    lvlLevel::ClearDrawables();
    calls.clear();
    lvlLevel::DrawBucket(1);
    EXPECT_TRUE(calls.empty());
}

TEST_F(Level, HeapRoundsToPointersAndCountsOnlyItsOwnInstances) {
    EXPECT_EQ(lvlInstance::HeapUsed(), 0u);
    lvlInstance* a = Movable(0);
    uint32_t one = lvlInstance::HeapUsed();
    EXPECT_EQ(one % 8, 0u);
    EXPECT_GE(one, sizeof(lvlCompactInstance));
    Recorder<3>* b = lvlInstance::Create<Recorder<3>>("b");
    EXPECT_EQ(reinterpret_cast<uint8_t*>(b) - reinterpret_cast<uint8_t*>(a), ptrdiff_t(one));
    EXPECT_EQ(lvlInstance::HeapUsed() % 8, 0u);
    EXPECT_EQ(lvlInstance::HeapInstanceCount(), 2);
    {
        // An instance made elsewhere (the banger pool's loose ones) is not the heap's.
        Recorder<1> loose("loose");
    }
    EXPECT_EQ(lvlInstance::HeapInstanceCount(), 2);
    // The teardown ends the heap's instances and the heap with them.
    m_Level.reset();
    EXPECT_EQ(sEvents, std::vector<std::string>({"~loose", "~b"}));
    EXPECT_EQ(lvlInstance::HeapInstanceCount(), 0);
    EXPECT_EQ(lvlInstance::HeapUsed(), 0u);
}

TEST_F(Level, ResetWalksTheHeapInOrderThenThePoolThenTheActiveBangers) {
    lvlBangers.m_ResetPool = [] { sEvents.push_back("pool"); };
    lvlBangers.m_ResetActive = [] { sEvents.push_back("active"); };
    lvlInstance::Create<Recorder<1>>("first");
    lvlInstance::Create<Recorder<20>>("second");
    lvlInstance::Create<Recorder<1>>("third");
    lvlInstance::Create<Recorder<13>>("fourth");
    m_Level->ResetInstances();
    EXPECT_EQ(sEvents,
              std::vector<std::string>({"first", "second", "third", "fourth", "pool", "active"}));
}

TEST_CHILD(MoveStaticAgain) {
    GridLevel level;
    lvlInstance* s = Static(0);
    level.MoveToRoom(s, 1);
    level.MoveToRoom(s, 2);
    return 0;
}

TEST_CHILD(MoveToMissingRoom) {
    GridLevel level;
    level.MoveToRoom(Movable(0), 8);
    return 0;
}

TEST_CHILD(ThirdBucket) {
    lvlLevel::AddDrawable(2, NullCallback);
    return 0;
}

TEST_CHILD(FullBucket) {
    for (int i = 0; i <= lvlLevel::maxPerBucket; ++i) {
        lvlLevel::AddDrawable(1, NullCallback);
    }
    return 0;
}

TEST_CHILD(SecondLevel) {
    GridLevel first;
    GridLevel second;
    return 0;
}

TEST_CHILD(LabelMissingRoom) {
    GridLevel level;
    level.LabelRoom(-1);
    return 0;
}

TEST_CHILD(FullHeap) {
    GridLevel level;
    for (uint32_t i = 0; i <= lvlInstance::InstanceHeapSize / 64; ++i) {
        lvlInstance::Allocate(60);
    }
    return 0;
}

TEST(LevelFatal, AssertionsGuardRoomsBucketsTheSingletonAndTheHeap) {
    ExpectFatalChildren({
        {"MoveStaticAgain",
         "Assert(!(instance->GetFlags() & lvlInstance::INST_STATIC)) failed in [level/level"},
        {"MoveToMissingRoom", "Assert(newId >= 0 && newId < m_RoomCount) failed in [level/level"},
        {"ThirdBucket", "Assert(bucket >= 0 && bucket < maxBuckets) failed in [level/level"},
        {"FullBucket", "Assert(m_DrawableCounts[bucket] < maxPerBucket) failed in [level/level"},
        {"SecondLevel", "Assert(!sm_Singleton) failed in [level/level"},
        {"LabelMissingRoom", "Assert(id >= 0 && id < m_RoomCount) failed in [level/level"},
        {"FullHeap", "Assert(sm_HeapTop + size <= InstanceHeapSize) failed in [level/inst"},
    });
}
