// A prop on a compiled city lying and sliding across the seam of two rooms: the terrain
// collision searches the rooms the prop's bound reaches as well as its own, so the prop meets
// the ground of both and neither tips into nor falls through the room it is not in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "city/psdl.h"
#include "data/timemgr.h"
#include "phys/physmgr.h"
#include "tests/game/level/gridlevel.h"
#include "tests/game/phys/printerrors.h"
#include "tests/game/phys/terrainscene.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

namespace {

// Two rooms of grass, each its own fan over the level's room of the same number: room 1 from
// x 0 to 10, room 2 from x 10 to 20, z 0 to 10, at height 0, the edge x 10 between them.
const char* const SeamCity =
    "v 0 0 0\nv 0 0 10\nv 10 0 10\nv 10 0 0\n"
    "v 10 0 0\nv 10 0 10\nv 20 0 10\nv 20 0 0\n"
    "td grass\n"
    "rooms 3 0 0\n"
    "room 1 type 1 id 1 perimeter 4 0 0 1 0 2 2 3 0 tex 1 ofan 4 0 1 2 3\n"
    "room 2 type 1 id 2 perimeter 4 4 1 5 0 6 0 7 0 tex 1 ofan 4 4 5 6 7\n";

class CitySeamTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Handler = SetPrintHandler(RecordPhysError);
        PhysErrors().clear();
        datTimeManager::Seconds = 1.0f / 60.0f;
        std::string path = m_Scratch.Path("seam.sdl");
        ASSERT_TRUE(WriteWholeFile(path, SeamCity));
        m_City.reset(new lvlPSDL);
        ASSERT_TRUE(m_City->LoadSDL(path.c_str()));
        ASSERT_EQ(m_City->m_RoomCount, 3u);
        // The manager collides with the level that exists when it is made.
        m_Manager.reset(new qvPhysManager);
    }
    void TearDown() override {
        m_Manager.reset();
        m_City.reset();
        SetPrintHandler(m_Handler);
    }

    static float Flat(float) { return 0.0f; }

    ConsoleCapture m_Capture;
    ScratchDir m_Scratch;
    GridLevel m_Level{3};
    std::unique_ptr<lvlPSDL> m_City;
    std::unique_ptr<qvPhysManager> m_Manager;
    PrintHandlerFunc m_Handler = nullptr;
};

// A plank 3 m long whose centre lies in room 1, two thirds of it over room 2, lies level; a
// slab sent sliding from room 1 into room 2 crosses the seam on the ground. Had the search
// kept to the prop's own room, the plank's end over room 2 would sink through its ground.
TEST_F(CitySeamTest, PropsMeetTheGroundOfBothRoomsAtTheSeam) {
    struct Case {
        const char* what;
        Vector3 size;
        float x;
        float slide;
        int room;
    };
    const Case cases[] = {
        {"a plank lying across", Vector3(3.0f, 0.2f, 0.5f), 9.0f, 0.0f, 1},
        {"a slab sliding across", Vector3(0.6f, 0.2f, 0.6f), 9.0f, 8.0f, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Matrix34 placed;
        placed.Identity();
        placed.d = Vector3(c.x, 0.5f * c.size.y + 0.01f, 5.0f);
        Block prop(c.size, 30.0f, placed);
        prop.m_Body.Velocity = Vector3(c.slide, 0.0f, 0.0f);
        prop.m_Body.Momentum = prop.m_Body.Velocity * prop.m_Body.Mass;
        m_Level.MoveToRoom(&prop, m_Level.FindRoomId(placed.d, 0));
        float deepest = -1e30f;
        for (int f = 0; f < 120; ++f) {
            m_Manager->DeclareMover(&prop, 2, qvPhysManager::UPDATE | qvPhysManager::TERRAIN);
            m_Manager->Update();
            deepest = std::fmax(deepest, prop.Deepest(Flat));
        }
        const Matrix34& m = prop.m_Body.Matrix;
        EXPECT_LT(deepest, 0.01f);
        EXPECT_GT(m.b.y, 0.999f) << "lying level";
        EXPECT_EQ(prop.GetRoom(), c.room);
        EXPECT_LT(prop.Leaving().Mag(), 0.05f);
        printf("%s: at x %.2f in room %d, deepest corner %.4f\n", c.what, m.d.x, prop.GetRoom(),
               deepest);
        m_Level.RemoveFromRoom(&prop);
    }
    EXPECT_TRUE(PhysErrors().empty()) << PhysErrors()[0];
}

}  // namespace
