// The physics manager against a city's terrain: which rooms and which of the level's
// collisions a mover's bound goes to, what its switches reject, that a body comes to rest on
// the terrain, the pair test of upright props, probes onto the terrain and the debug view of
// the gathering.
#include "phys/physmgr.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/printer.h"
#include "data/timemgr.h"
#include "phbound/boundbox.h"
#include "phbound/boundhotdog.h"
#include "phbound/boundsphere.h"
#include "phcore/isect.h"
#include "phcore/segment.h"
#include "rgl/rgl.h"
#include "tests/engine/rgl/rglfixture.h"
#include "tests/game/level/gridlevel.h"
#include "tests/game/phys/terrainscene.h"
#include "tests/game/phys/printerrors.h"
#include "tests/game/phys/testmover.h"

namespace {


// The grid of rooms, its touching rooms without the room it is asked from, as a level whose
// own room is not among the rooms a sphere touches.
class TouchingLevel : public GridLevel {
public:
    int GetRoomsInSphere(int* out, int capacity, int room, const Vector3& centre,
                         float radius) override {
        int all[8];
        int found = GridLevel::GetRoomsInSphere(all, 8, room, centre, radius);
        int count = 0;
        for (int i = 0; i < found && count < capacity; ++i)
            if (all[i] != room) out[count++] = all[i];
        return count;
    }
};

// The terrain, remembering what the manager asked of it.
class WatchedTerrain : public Terrain {
public:
    WatchedTerrain() : Terrain(8) {}
    int CollidePolyToLevel(phBoundPolygonal* other, const int* rooms, int roomCount, uint32_t id,
                           const Matrix34& current, const Matrix34& last, phIsect* isects,
                           int maxIsects, int& count, bool vertexPaths) override {
        m_Asked.push_back("polygons");
        m_Bound = other;
        m_Rooms.assign(rooms, rooms + roomCount);
        return Terrain::CollidePolyToLevel(other, rooms, roomCount, id, current, last, isects,
                                           maxIsects, count, vertexPaths);
    }
    int CollideSphereImpacts(phBound* sphere, const Vector3& position, phColliderBase*,
                             phColliderBase*, phImpact*, int) override {
        m_Asked.push_back("sphere");
        m_Bound = sphere;
        m_At = position;
        return 0;
    }
    int CollideHotdogImpacts(phBoundHotdog* hotdog, const Matrix34& matrix, phColliderBase*,
                             phColliderBase*, phImpact*, int) override {
        m_Asked.push_back("hotdog");
        m_Bound = hotdog;
        m_At = matrix.d;
        return 0;
    }

    std::vector<std::string> m_Asked;
    std::vector<int> m_Rooms;
    phBound* m_Bound = nullptr;
    Vector3 m_At;
};

// A mover whose coarse bound (level 1) is a bound of its own.
class TwoBoundMover : public TestMover {
public:
    TwoBoundMover(const Vector3& position, phBound* fine, phBound* coarse)
        : TestMover(position, 1.0f, true), m_Coarse(coarse) {
        m_Bound = fine;
    }
    phBound* GetBound(int lod) override { return lod == 1 ? m_Coarse : m_Bound; }
    phBound* m_Coarse;
};

class PhysTerrainTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Handler = SetPrintHandler(RecordPhysError);
        PhysErrors().clear();
        datTimeManager::Seconds = 1.0f / 60.0f;
        m_Manager.reset(new qvPhysManager);
    }
    void TearDown() override {
        m_Manager.reset();
        qvPhysManager::sm_Bangers = {nullptr, nullptr, nullptr};
        SetPrintHandler(m_Handler);
    }
    // Collides the mover with the terrain once, as a frame's sub-step does.
    bool Collide(lvlInstance* mover) {
        m_Level.MoveToRoom(mover, m_Level.FindRoomId(mover->GetPosition(), 0));
        qvPhysManager::Mover* entry = m_Manager->DeclareMover(mover, 2, qvPhysManager::TERRAIN);
        EXPECT_TRUE(entry);
        bool hit = entry && m_Manager->CollideTerrain(*entry);
        m_Level.RemoveFromRoom(mover);
        return hit;
    }

    TouchingLevel m_Level;
    WatchedTerrain m_Terrain;
    std::unique_ptr<qvPhysManager> m_Manager;
    PrintHandlerFunc m_Handler = nullptr;
};

// A box sunk 5 cm into the slope: its own room and the rooms its sphere touches go to the
// city's polygons; the box test and the own-room switch leave them out as they should.
TEST_F(PhysTerrainTest, BoxesGoToTheCitysRoomsNearThem) {
    phBoundBox box(Vector3(1.0f, 1.0f, 1.0f));
    phBoundBox faraway(Vector3(1.0f, 1.0f, 1.0f));
    faraway.SetCentroidOffset(Vector3(0.0f, 50.0f, 0.0f));
    faraway.SetSize(Vector3(1.0f, 1.0f, 1.0f));
    struct Case {
        const char* what;
        float x;
        int boxReject, entityReject;
        bool ownRoom;
        bool coarseFaraway;
        std::vector<int> rooms;
        bool hit;
    };
    const Case cases[] = {
        {"inside room 2", 15.0f, 0, 0, true, false, {2}, true},
        {"across the seam of rooms 2 and 3", 19.8f, 0, 0, true, false, {2, 3}, true},
        {"own room left out", 19.8f, 0, 1, false, false, {3}, true},
        {"own room kept by the entity", 19.8f, 0, 1, true, false, {2, 3}, true},
        {"the switch off, the entity's answer unread", 19.8f, 0, 0, false, false, {2, 3}, true},
        {"a coarse box that reaches the terrain", 15.0f, 1, 0, true, false, {2}, true},
        {"a coarse box high above it", 15.0f, 1, 0, true, true, {}, false},
        {"no room left", 15.0f, 0, 1, false, false, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_Terrain.m_Asked.clear();
        m_Terrain.m_Rooms.clear();
        m_Manager->BoxTrivialReject = c.boxReject;
        m_Manager->PhysEntityTrivialReject = c.entityReject;
        TwoBoundMover mover(Vector3(c.x, Terrain::Height(c.x) + 0.45f, 5.0f), &box,
                            c.coarseFaraway ? &faraway : &box);
        mover.m_Entity->m_OwnRoom = c.ownRoom;
        mover.m_Entity->m_Collider.Init(&box, &mover.m_Matrix);
        mover.m_Entity->m_Collider.SaveLastMatrix();
        EXPECT_EQ(Collide(&mover), c.hit);
        EXPECT_EQ(m_Terrain.m_Rooms, c.rooms);
        m_Manager->Reset();
    }
    EXPECT_TRUE(PhysErrors().empty()) << PhysErrors()[0];
}

// Round bounds meet the terrain as the box of their extents when they have one; without one
// each goes to its own impact finder.
TEST_F(PhysTerrainTest, RoundBoundsAsTheirBoxOrThroughTheirOwnFinder) {
    phBoundSphere ball(0.5f);
    phBoundHotdog capsule(0.3f, 1.0f);
    phBoundBox extents(Vector3(1.0f, 1.0f, 1.0f));
    const Vector3 at(15.0f, Terrain::Height(15.0f) + 0.45f, 5.0f);
    struct Case {
        phBound* fine;
        phBound* coarse;
        const char* asked;
        phBound* bound;
    };
    const Case cases[] = {
        {&ball, &extents, "polygons", &extents},
        {&capsule, &extents, "polygons", &extents},
        {&ball, nullptr, "sphere", &ball},
        {&capsule, nullptr, "hotdog", &capsule},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        m_Terrain.m_Asked.clear();
        TwoBoundMover mover(at, c.fine, c.coarse);
        mover.m_Entity->m_Collider.Init(c.fine, &mover.m_Matrix);
        mover.m_Entity->m_Collider.SaveLastMatrix();
        Collide(&mover);
        ASSERT_EQ(m_Terrain.m_Asked, std::vector<std::string>{c.asked});
        EXPECT_EQ(m_Terrain.m_Bound, c.bound);
        m_Manager->Reset();
    }
    EXPECT_FLOAT_EQ(m_Terrain.m_At.y, at.y);
}

// The statics of a room are gathered once whether or not the level names the mover's own
// room among the rooms its sphere touches; a static across the seam comes from its own room.
TEST(PhysGathering, SearchesEachRoomOnce) {
    struct Case {
        const char* what;
        bool ownAmongTouching;
    };
    for (const Case& c : {Case{"own room among the touching ones", true},
                          Case{"own room apart", false}}) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<GridLevel> owner(c.ownAmongTouching ? new GridLevel : new TouchingLevel);
        GridLevel& level = *owner;
        TestMover mover(Vector3(19.0f, 0.0f, 5.0f), 1.0f, false);
        TestMover beside(Vector3(18.5f, 0.0f, 5.0f), 0.5f, false);
        TestMover across(Vector3(20.5f, 0.0f, 5.0f), 0.5f, false);
        for (TestMover* m : {&mover, &beside, &across}) {
            m->AddFlags(lvlInstance::INST_REPORTED);
            level.MoveToRoom(m, level.FindRoomId(m->GetPosition(), 0));
        }
        qvPhysManager manager;
        qvPhysManager::Mover* entry = manager.DeclareMover(&mover, 2, qvPhysManager::STATICS);
        ASSERT_TRUE(entry);
        manager.GatherCollidables(*entry);
        std::vector<lvlInstance*> got(entry->m_Collidables,
                                      entry->m_Collidables + entry->m_CollidableCount);
        EXPECT_EQ(got, (std::vector<lvlInstance*>{&beside, &across}));
        manager.Reset();
        for (TestMover* m : {&mover, &beside, &across}) level.RemoveFromRoom(m);
    }
}

// A heavy box dropped onto the slope of room 2 and declared every frame lands and stays
// where the terrain holds it: on its bottom face, not sinking, not sliding off.
TEST_F(PhysTerrainTest, DroppedBoxComesToRestOnTheTerrain) {
    Car car(Vector3(15.0f, Terrain::Height(15.0f) + 1.5f, 5.0f));
    car.m_Lane = 5.0f;
    m_Level.MoveToRoom(&car, m_Level.FindRoomId(car.GetPosition(), 0));
    // Over the last second it neither sinks nor leaves the ground: its bottom stays within
    // a few centimetres of the slope.
    float low = 1e9f, high = -1e9f;
    for (int f = 0; f < 180; ++f) {
        m_Manager->DeclareMover(&car, 3, 0x1B);
        m_Manager->Update();
        const Vector3& p = car.GetPosition();
        if (f < 120) continue;
        low = std::fmin(low, p.y - Terrain::Height(p.x));
        high = std::fmax(high, p.y - Terrain::Height(p.x));
    }
    EXPECT_GT(low, 0.72f);
    EXPECT_LT(high, 0.78f);
    EXPECT_NEAR(car.GetPosition().x, 15.0f, 0.3f);
    m_Level.RemoveFromRoom(&car);
    EXPECT_TRUE(PhysErrors().empty()) << PhysErrors()[0];
}

// A box falling fast whose body is taken during a sub-step's collisions (by a prop woken
// there while every body is in use) is left where the sub-step began: where the sub-step's
// motion left it, not yet answered by its collisions, a corner of it lies deeper in the
// ground than the terrain's collision takes one out. It falls across a room seam, and is
// filed back in the room where it began. Let go afterwards, it stays where it is.
TEST_F(PhysTerrainTest, BoxLetGoDuringTheCollisionsStaysWhereTheStepBegan) {
    class LetGo : public qvPhysManager {
    public:
        bool CollideTerrain(Mover& entry) override {
            bool hit = qvPhysManager::CollideTerrain(entry);
            if (m_LetGo) RemoveMover(entry.m_Instance);
            return hit;
        }
        bool m_LetGo = false;
    };
    m_Manager.reset();
    LetGo* manager = new LetGo;
    m_Manager.reset(manager);
    for (bool during : {true, false}) {
        SCOPED_TRACE(during ? "during the collisions" : "after the frame");
        Matrix34 placed;
        placed.Identity();
        placed.RotateUnitAxis(Vector3(0.6f, 0.0f, 0.8f), 0.6f);
        placed.d = Vector3(19.98f, Terrain::Height(19.98f) + 0.45f, 5.0f);
        Block block(Vector3(0.5f, 0.5f, 0.5f), 20.0f, placed);
        block.m_Body.Momentum = Vector3(12.0f, -7.0f, 0.0f) * block.m_Body.Mass;
        block.m_Collider.SaveLastMatrix();
        int room = m_Level.FindRoomId(block.GetPosition(), 0);
        m_Level.MoveToRoom(&block, room);
        manager->m_LetGo = during;
        manager->DeclareMover(&block, 2, qvPhysManager::UPDATE | qvPhysManager::TERRAIN);
        manager->Update();
        if (!during) {
            manager->RemoveMover(&block);
        }
        float deepest = block.Deepest([](float x) { return Terrain::Height(x); });
        if (during) {
            EXPECT_EQ(placed.d.y, block.GetPosition().y);
            EXPECT_EQ(placed.b.y, block.m_Body.Matrix.b.y);
            EXPECT_EQ(room, block.GetRoom());
        }
        EXPECT_LT(deepest, 0.01f);
        m_Level.RemoveFromRoom(&block);
    }
    EXPECT_TRUE(PhysErrors().empty()) << PhysErrors()[0];
}

// Boxes laid on the terrain, turned and across a seam, lie still once settled: the velocity
// each leaves a frame with (its impulses taken in; a step of gravity comes on top of it at the
// next) stays near zero, and no corner sinks into the ground. Answered with a share of 1/n
// each, the impacts of a box's corners left it moving at 0.26 to 1.1 m/s and turning at up to
// 1 rad/s every frame, held up only by pushes.
TEST_F(PhysTerrainTest, BoxesLyingOnTheTerrainStayStill) {
    struct Case {
        const char* what;
        Vector3 size;
        float mass;
        float x, heading;
    };
    const Case cases[] = {
        {"a crate in room 2", Vector3(0.5f, 0.5f, 0.5f), 20.0f, 15.0f, 0.0f},
        {"a crate turned", Vector3(0.5f, 0.5f, 0.5f), 20.0f, 15.0f, 0.6f},
        {"a plank across the ridge of rooms 2 and 3", Vector3(2.0f, 0.3f, 0.5f), 40.0f, 19.9f,
         0.3f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Matrix34 placed;
        placed.Identity();
        placed.RotateUnitAxis(Vector3(0.0f, 1.0f, 0.0f), c.heading);
        placed.d = Vector3(c.x, Terrain::Height(c.x) + 0.5f * c.size.y + 0.02f, 5.0f);
        Block block(c.size, c.mass, placed);
        m_Level.MoveToRoom(&block, m_Level.FindRoomId(block.GetPosition(), 0));
        float fastest = 0.0f, turning = 0.0f, deepest = 0.0f;
        Vector3 settled;
        for (int f = 0; f < 180; ++f) {
            m_Manager->DeclareMover(&block, 2, qvPhysManager::UPDATE | qvPhysManager::TERRAIN);
            m_Manager->Update();
            const phInertialCS& body = block.m_Body;
            deepest = std::fmax(deepest, block.Deepest([](float x) { return Terrain::Height(x); }));
            if (f == 59) settled = body.Matrix.d;
            if (f < 60) continue;
            fastest = std::fmax(fastest, block.Leaving().Mag());
            Matrix34 inverse;
            body.GetWorldInverseInertia(inverse);
            Vector3 w = body.AngVelocity + phRotateToWorld(body.AngImpulse, inverse);
            turning = std::fmax(turning, w.Mag());
        }
        // Held by its friction, it does not creep down the slope either.
        Vector3 moved = block.m_Body.Matrix.d - settled;
        float crept = std::sqrt(moved.x * moved.x + moved.z * moved.z);
        EXPECT_LT(fastest, 0.05f);
        EXPECT_LT(turning, 0.05f);
        EXPECT_LT(deepest, 0.01f);
        EXPECT_LT(crept, 1e-3f);
        printf("%s: at most %.4f m/s and %.4f rad/s once settled, %.4f m deep, crept %.4f m in "
               "2 s\n",
               c.what, fastest, turning, deepest, crept);
        m_Level.RemoveFromRoom(&block);
    }
    EXPECT_TRUE(PhysErrors().empty()) << PhysErrors()[0];
}

// Upright props with a YRadius are paired as cylinders round their model origin (the centre
// less the CG turned by the prop's matrix), level with the other side.
TEST_F(PhysTerrainTest, CylinderTrivialRejectPairsUprightPropsByTheirYRadius) {
    qvPhysManager::sm_Bangers.m_Cylinder = [](lvlInstance*, float& yRadius, Vector3& cg) {
        yRadius = 0.5f;
        cg = Vector3(1.0f, 0.0f, 0.0f);
        return true;
    };
    TestMover a(Vector3(0.0f, 0.0f, 5.0f), 0.5f, false);
    struct Case {
        bool turned;
        bool placed;
        int cylinders;
        Vector3 at;
        bool touch;
    };
    // Turned a quarter round y, the CG (1, 0, 0) lies at (0, 0, -1) from the origin.
    const Case cases[] = {
        {false, true, 0, Vector3(2.5f, 1.0f, 5.0f), true},
        {false, true, 1, Vector3(2.5f, 1.0f, 5.0f), false},
        {false, true, 1, Vector3(1.9f, 1.0f, 5.0f), true},
        {true, true, 1, Vector3(0.9f, 1.0f, 4.0f), true},
        {true, true, 1, Vector3(0.9f, 1.0f, 3.1f), false},
        {false, false, 1, Vector3(2.5f, 1.0f, 5.0f), true},
    };
    for (const Case& c : cases) {
        TestMover b(c.at, 3.0f, false);
        if (c.turned) {
            b.m_Matrix.a = Vector3(0.0f, 0.0f, -1.0f);
            b.m_Matrix.c = Vector3(1.0f, 0.0f, 0.0f);
        }
        if (c.placed) b.AddFlags(qvPhysManager::PLACED_BANGER);
        m_Manager->CylinderTrivialReject = c.cylinders;
        EXPECT_EQ(m_Manager->TrivialReject(&a, &b), c.touch) << c.at.x << " " << c.at.z;
        EXPECT_EQ(m_Manager->TrivialReject(&b, &a), c.touch) << c.at.x << " " << c.at.z;
    }
}

// A wheel ray down onto the slope hits the terrain where the city's polygons are; a driveable
// instance above the terrain in the start room answers the nearer hit.
TEST_F(PhysTerrainTest, ProbesHitTheTerrainAndNearerDriveableInstances) {
    phSegment segment;
    segment.Set(Vector3(15.0f, 5.0f, 5.0f), Vector3(15.0f, -5.0f, 5.0f), phSegment::PROBE, 0);
    phIsect isect;
    ASSERT_TRUE(m_Manager->Probe(segment, isect, 2));
    EXPECT_NEAR(isect.T, (5.0f - Terrain::Height(15.0f)) / 10.0f, 1e-5f);
    EXPECT_NEAR(isect.Position.y, Terrain::Height(15.0f), 1e-4f);

    phBoundBox deck(Vector3(4.0f, 0.5f, 4.0f));
    TestMover ramp(Vector3(15.0f, 1.0f, 5.0f), 3.0f, false);
    ramp.m_Bound = &deck;
    ramp.AddFlags(qvPhysManager::DRIVEABLE);
    m_Level.MoveToRoom(&ramp, 2);
    ASSERT_TRUE(m_Manager->Probe(segment, isect, 2));
    EXPECT_NEAR(isect.T, (5.0f - 1.25f) / 10.0f, 1e-5f);
    EXPECT_EQ(isect.HitBound, &deck);
    m_Level.RemoveFromRoom(&ramp);
}

}  // namespace

namespace {

// The debug view of the gathering through the capturing pipeline.
class PhysDebugDrawTest : public RglCameraPipeline {
protected:
    // The ends of the crosses drawn, by colour.
    std::map<uint32_t, int> CrossEnds() {
        rglEndFrame();
        std::map<uint32_t, int> ends;
        for (const RglDrawn& d : Drawn())
            if (d.m_Type == unsigned(RGL_LINES))
                for (const RglDrawnVertex& v : d.m_Vertices) ++ends[v.m_Colour];
        m_Capture.Forget();
        return ends;
    }
};

// Statics left by the gathering get an orange cross each call, the ones it took a dark blue
// one every second call; nothing without the "Collidables" flag.
TEST_F(PhysDebugDrawTest, CollidablesShowWhatTheGatheringTookAndLeft) {
    GridLevel level;
    qvPhysManager manager;
    TestMover mover(Vector3(15.0f, 0.0f, 5.0f), 1.0f, false);
    TestMover taken(Vector3(16.0f, 0.0f, 5.0f), 1.0f, false);
    TestMover left1(Vector3(12.0f, 0.0f, 5.0f), 0.5f, false);
    TestMover left2(Vector3(18.0f, 0.0f, 5.0f), 0.5f, false);
    for (TestMover* m : {&mover, &taken, &left1, &left2}) {
        m->AddFlags(lvlInstance::INST_REPORTED);
        level.MoveToRoom(m, 2);
    }
    datTimeManager::Seconds = 1.0f / 60.0f;
    manager.DeclareMover(&mover, 2, qvPhysManager::STATICS);
    manager.Update();
    const uint32_t orange = 0xFFFFBF33, blue = 0xFF000080;

    manager.DebugDraw();
    EXPECT_TRUE(CrossEnds().empty());
    manager.DebugFlags = 0x2;
    manager.DebugDraw();
    EXPECT_EQ(CrossEnds(), (std::map<uint32_t, int>{{orange, 8}}));
    manager.DebugDraw();
    EXPECT_EQ(CrossEnds(), (std::map<uint32_t, int>{{orange, 8}, {blue, 4}}));
    for (TestMover* m : {&mover, &taken, &left1, &left2}) level.RemoveFromRoom(m);
}

}  // namespace
