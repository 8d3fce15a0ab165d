#include "phys/physmgr.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/printer.h"
#include "data/timemgr.h"
#include "gfx/pipeline.h"
#include "gfx/print.h"
#include "phcore/segment.h"
#include "phys/physentity.h"
#include "tests/game/level/levelfixture.h"
#include "tests/game/phys/printerrors.h"
#include "tests/game/phys/testmover.h"

namespace {

std::vector<std::string> g_Lines;

void RecordText(int, int, const char* text) { g_Lines.push_back(text); }

// A manager that records the pairs it is asked to collide.
class PairManager : public qvPhysManager {
public:
    bool CollideInstances(lvlInstance* a, lvlInstance* b) override {
        m_Pairs.push_back({a, b});
        return false;
    }
    std::vector<std::pair<lvlInstance*, lvlInstance*>> m_Pairs;
};

// The manager's statistics page as ovStats::Draw prints it, with the manager the page shown.
std::vector<std::string> DrawPage() {
    uint8_t cell = gfxDebugFont.m_CellHeight;
    int height = gfxPipeline::m_iHeight;
    gfxDebugFont.m_CellHeight = 8;
    gfxPipeline::m_iHeight = 600;
    ovStats::TextFunc text = ovStats::SetTextFunc(RecordText);
    g_Lines.clear();
    while (ovStats::CurrentPage() != ovStats::PageCount() - 1) ovStats::NextPage();
    ovStats::Draw();
    ovStats::SetTextFunc(text);
    while (ovStats::CurrentPage() != -1) ovStats::NextPage();
    gfxDebugFont.m_CellHeight = cell;
    gfxPipeline::m_iHeight = height;
    return g_Lines;
}

class PhysManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Handler = SetPrintHandler(RecordPhysError);
        PhysErrors().clear();
        datTimeManager::Seconds = 1.0f / 60.0f;
    }
    void TearDown() override {
        m_Manager.reset();
        m_Movers.clear();
        SetPrintHandler(m_Handler);
    }
    // A mover in the grid room holding x.
    TestMover* Mover(float x, float radius = 1.0f, bool entity = false) {
        m_Movers.emplace_back(new TestMover(Vector3(x, 0, 5), radius, entity));
        TestMover* m = m_Movers.back().get();
        m_Level.MoveToRoom(m, m_Level.FindRoomId(m->GetPosition(), 0));
        return m;
    }

    GridLevel m_Level;
    std::unique_ptr<PairManager> m_Manager{new PairManager};
    std::vector<std::unique_ptr<TestMover>> m_Movers;
    PrintHandlerFunc m_Handler = nullptr;
};

TEST_F(PhysManagerTest, SubStepsFollowTheFrameTimeAndRestoreIt) {
    struct Case {
        float seconds;
        int maxSamples;
        int steps;
    } cases[] = {{1.0f / 60.0f, 6, 1}, {0.05f, 6, 3}, {0.2f, 6, 6}, {0.001f, 6, 0},
                 {0.0f, 6, 0}, {0.05f, 0, 0}};
    for (const Case& c : cases) {
        m_Manager->MaxSamples = c.maxSamples;
        EXPECT_EQ(m_Manager->SubSteps(c.seconds), c.steps) << c.seconds;
        TestMover* m = Mover(5.0f, 1.0f, true);
        datTimeManager::Seconds = c.seconds;
        m_Manager->DeclareMover(m, 2, qvPhysManager::UPDATE);
        m_Manager->Update();
        EXPECT_EQ(m->m_Entity->m_Updates, c.steps) << c.seconds;
        EXPECT_EQ(m->m_Entity->m_Pre, 1);
        EXPECT_EQ(m->m_Entity->m_Post, 1);
        for (float s : m->m_Entity->m_Seconds) EXPECT_FLOAT_EQ(s, c.seconds / float(c.steps));
        // A paused frame keeps its time untouched: no division by zero sub-steps.
        EXPECT_FLOAT_EQ(datTimeManager::Seconds, c.seconds);
        EXPECT_EQ(m_Manager->GetMoverCount(), 0);
    }
}

TEST_F(PhysManagerTest, DeclareMoverRefusesMergesAndActivatesRooms) {
    TestMover* outside = Mover(-5.0f);
    EXPECT_EQ(outside->GetRoom(), 0);
    EXPECT_EQ(m_Manager->DeclareMover(outside, 2, 0), nullptr);
    TestMover* bodiless = Mover(15.0f);
    EXPECT_EQ(m_Manager->DeclareMover(bodiless, 2, qvPhysManager::UPDATE), nullptr);
    EXPECT_EQ(PhysErrors(), (std::vector<std::string>{
                            "PHYS.DeclareMover : mover not even in city",
                            "qvPhysManager::DeclareMover : cant update a mover with no physEntity"}));
    EXPECT_EQ(m_Manager->GetMoverCount(), 0);

    // Kind 3 in room 2 of the strip makes 2 and its neighbours 1 and 3 active.
    TestMover* leader = Mover(15.0f);
    ASSERT_EQ(leader->GetRoom(), 2);
    m_Manager->DeclareMover(leader, 3, qvPhysManager::TERRAIN);
    std::vector<int> rooms(m_Manager->GetActiveRooms(),
                           m_Manager->GetActiveRooms() + m_Manager->GetActiveRoomCount());
    EXPECT_EQ(rooms, (std::vector<int>{2, 1, 3}));
    m_Manager->DeclareMover(leader, 3, qvPhysManager::MOVERS);
    EXPECT_EQ(m_Manager->GetMoverCount(), 1);
    EXPECT_EQ(m_Manager->GetMover(0).m_Flags, qvPhysManager::TERRAIN | qvPhysManager::MOVERS);

    for (int i = 1; i < qvPhysManager::MAX_MOVERS; ++i) m_Manager->DeclareMover(Mover(25.0f), 2, 0);
    PhysErrors().clear();
    EXPECT_EQ(m_Manager->DeclareMover(Mover(25.0f), 2, 0), nullptr);
    EXPECT_EQ(PhysErrors(), std::vector<std::string>{"PHYS.DeclareMover: raise MAX_MOVERS past 32"});
    // A full table still merges flags into an existing entry.
    EXPECT_NE(m_Manager->DeclareMover(leader, 3, qvPhysManager::STATICS), nullptr);
    EXPECT_EQ(m_Manager->GetMover(0).m_Flags & qvPhysManager::STATICS, qvPhysManager::STATICS);
}

TEST_F(PhysManagerTest, CullingAndMoverPairs) {
    // Rooms 1..3 active through the kind-3 mover in room 2; room 5 is not.
    TestMover* leader = Mover(15.0f);
    m_Manager->DeclareMover(leader, 3, 0);
    TestMover* distant = Mover(45.0f, 1.0f);
    m_Manager->DeclareMover(distant, 1, qvPhysManager::MOVERS);
    TestMover* a = Mover(12.0f, 1.0f);
    TestMover* b = Mover(13.5f, 0.5f);  // exactly touching: 1.5 apart, radii 1 + 0.5
    TestMover* c = Mover(20.1f, 0.5f);  // beyond b's reach by 0.1
    for (TestMover* m : {a, b, c}) m_Manager->DeclareMover(m, 1, qvPhysManager::MOVERS);
    datTimeManager::Seconds = 0.05f;
    m_Manager->Update();
    EXPECT_EQ(m_Manager->GetCulledCount(), 1);
    EXPECT_EQ(distant->m_Left, 1);
    using Pair = std::pair<lvlInstance*, lvlInstance*>;
    EXPECT_EQ(m_Manager->m_Pairs, (std::vector<Pair>{{a, b}, {a, b}, {a, b}}));

    // With no kind-3 mover the active list is empty and every kind-1 mover is culled.
    m_Manager->m_Pairs.clear();
    for (TestMover* m : {a, b}) m_Manager->DeclareMover(m, 1, qvPhysManager::MOVERS);
    m_Manager->Update();
    EXPECT_EQ(m_Manager->GetCulledCount(), 3);
    EXPECT_TRUE(m_Manager->m_Pairs.empty());
}

TEST_F(PhysManagerTest, NewMoversJoinAfterTheirSubStep) {
    TestMover* a = Mover(12.0f);
    TestMover* b = Mover(13.0f);
    // A standing neighbour that no body drives (0x10): gathered as a static.
    TestMover* c = Mover(13.5f);
    c->AddFlags(lvlInstance::INST_REPORTED);
    m_Manager->DeclareMover(a, 2, qvPhysManager::MOVERS);
    m_Manager->NewMover(b, a);
    EXPECT_EQ(m_Manager->GetMover(1).m_Flags, qvPhysManager::NEW);
    m_Manager->NewMover(b);
    m_Manager->NewMover(Mover(14.0f), nullptr, Mover(16.0f));
    EXPECT_EQ(PhysErrors(), (std::vector<std::string>{"PHYS.NewMover, mover's already here",
                                                  "PHYS.NewMover - not able to find other's entry"}));
    EXPECT_EQ(m_Manager->GetMoverCount(), 2);
    datTimeManager::Seconds = 0.05f;
    m_Manager->Update();
    // The first sub-step skips b; from the second on it is a full mover (0x1B): paired with
    // a, and gathering the undriven c as a static neighbour; a, a mover, meets it only as one.
    using Pair = std::pair<lvlInstance*, lvlInstance*>;
    int pairs = 0, gathered = 0, twice = 0;
    for (const Pair& p : m_Manager->m_Pairs) {
        pairs += p == Pair(a, b);
        gathered += p == Pair(b, c);
        twice += p == Pair(b, a);
    }
    EXPECT_EQ(pairs, 2);
    EXPECT_EQ(gathered, 2);
    EXPECT_EQ(twice, 0);
}

TEST_F(PhysManagerTest, PrintStatsPrintsItsPageAndKeepsTheActiveRooms) {
    TestMover* leader = Mover(15.0f);
    TestMover* close = Mover(16.0f);
    m_Manager->DeclareMover(leader, 3, 0);
    m_Manager->Update();
    m_Manager->DeclareMover(leader, 3, 0);
    m_Manager->DeclareMover(close, 1, 0);
    // Printed between declaration and update: the live list stays, the mover is not culled.
    std::vector<std::string> lines = DrawPage();
    m_Manager->Update();
    EXPECT_EQ(m_Manager->GetCulledCount(), 0);

    ASSERT_EQ(lines.size(), 22u);
    const char* want[] = {
        "Total Physics Update Time:      ", "  Obj Pair Collecting Time:     ",
        "  Total Collision Time:         ", "    Mover Update:               ",
        "    Gathering Movers:           ", "    Collisions:                 ",
        "      Obj/Obj Collision:        ", "      Obj/Obj Impact:           ",
        "        VehCarDamage::Impact():  0.00ms ( 0.00ms)", "      Obj/Terrain Collision:    ",
        "      Obj/Terrain Impact:       ", "  Post-Collision:             ",
        "NumSamples:             1", "NumMovers:              1", "Mover vs Mover:         0",
        "Mover vs Collidable:    0", "Total Probes:           0", "Total Probe Time:    0.00ms",
        "External Probes:        0", "External Probe Time: 0.00ms", "NumActiveRooms:         3",
        "NumCulledMovers:        0"};
    for (size_t i = 0; i < 22; ++i) EXPECT_EQ(lines[i].rfind(want[i], 0), 0u) << lines[i];
    EXPECT_EQ(lines[2].size(), std::string("  Total Collision Time:          0.00ms ( 0.00ms)").size());
}

TEST_F(PhysManagerTest, ProbeFindsItsRoomsAndCountsExternalProbes) {
    phSegment segment;
    segment.Set(Vector3(15, 5, 5), Vector3(25, -5, 5), phSegment::PROBE, 0);
    phIsect isect;
    m_Manager->Probe(segment, isect, 1);
    // Without a room pair the rooms live only for the call.
    EXPECT_EQ(segment.m_Info, nullptr);
    EXPECT_FLOAT_EQ(isect.T, 2.0f);
    phSegmentInfo pair;
    segment.m_Info = &pair;
    m_Manager->Probe(segment, isect, 1);
    EXPECT_EQ(pair.StartRoom, 2);
    EXPECT_EQ(pair.EndRoom, 3);

    std::vector<std::string> lines = DrawPage();
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines[16], "Total Probes:           2");
    EXPECT_EQ(lines[18], "External Probes:        2");
}

}  // namespace
