// The game's level reads the instance list that the make writes: every kind of record the
// city's emitters produce lands in its room with its flags and placement.

#include "city/psdl.h"
#include "cityedit/psdltool.h"
#include "level/instclasses.h"
#include "level/level.h"
#include "vector/matrix34.h"

#include "tests/game/level/levelfixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Emitted {
    int m_Room;
    int m_Kind;
    int m_Variant;
    std::string m_Name;
    Matrix34 m_Matrix;
};

std::vector<Emitted> sEmitted;

void Emit(int room, int kind, int variant, const char* name, const Matrix34& m) {
    PsdlTool::sm_CompileRoom = uint32_t(room);
    lvlPSDL::EmitInstance(m, name, nullptr, nullptr, kind, variant);
    PsdlTool::sm_CompileRoom = 0;
    sEmitted.push_back({room, kind, variant, name, m});
}

// The records of the emitters: an extra (upright, kind 1), a landmark turned and scaled
// (kind 1 in the full form), a tiled facade without bounds and one with bounds reaching into
// the next room (kinds 0 and 0x20, full form), and a prop (kind 2, upright).
void EmitEveryKind(lvlPSDL*) {
    Matrix34 m;
    m.Identity();
    m.d.Set(3, 0, 4);
    Emit(1, 1, 0, "lamp", m);
    m.MakeRotateY(0.5f);
    m.Scale3x3(1.5f);
    m.d.Set(15, 2, 5);
    Emit(2, 1, 0, "tower", m);
    Matrix34 facade;
    facade.a.Set(2.5f, 0, 0);
    facade.b.Set(0, 3, 0);
    facade.c.Set(0, 0, 1);
    facade.d.Set(21, 0, 8);
    Emit(3, 0, 0, "brick_wall", facade);
    facade.a.Set(0.6f * 4, 0, 0.8f * 4);
    facade.c.Set(-0.8f, 0, 0.6f);
    facade.d.Set(28, 0, 2);
    Emit(3, 0x20, 0, "shop_front", facade);
    m.MakeRotateY(1.0f);
    m.d.Set(35, 0, 1);
    Emit(4, 2, 3, "banger_bin", m);
}

using CityInstances = LevelFixture;

}  // namespace

TEST_F(CityInstances, TheLevelPlacesWhatTheMakeEmitted) {
    sEmitted.clear();
    {
        lvlPSDL city;
        ASSERT_TRUE(city.MakeCity("made", EmitEveryKind));
    }
    m_Console.Take();
    ASSERT_TRUE(m_Level->LoadInstances("city", "made"));
    EXPECT_EQ(m_Level->GetInstanceCount(), int(sEmitted.size()));
    std::string said = m_Console.Take();
    // 28 + 0.5 a + 0.25 c lies at x 29, in room 3 still; the tower's set is the compact
    // static's, its scale dropped.
    EXPECT_EQ(said.find("Facade with bounds"), std::string::npos) << said;

    for (const Emitted& e : sEmitted) {
        SCOPED_TRACE(e.m_Name);
        lvlInstance* found = nullptr;
        for (lvlInstance* i = m_Level->GetRoomHead(e.m_Room); i; i = i->GetNext()) {
            Matrix34 scratch;
            if (i->GetMatrix(scratch).d.x == e.m_Matrix.d.x) {
                found = i;
            }
        }
        ASSERT_NE(found, nullptr) << "not in room " << e.m_Room;
        uint16_t flags = lvlInstance::INST_BASE;
        Matrix34 want = e.m_Matrix;
        if (e.m_Kind & 2) {
            ASSERT_EQ(MadeProps().size(), 1u);
            EXPECT_EQ(found, MadeProps()[0]);
            EXPECT_FALSE(MadeProps()[0]->m_Full);
        } else {
            flags |= lvlInstance::INST_STATIC;
            if (e.m_Kind & 1) {
                flags |= 0x130;
                // Compact statics keep the turn of row a and the position.
                want.a.Set(e.m_Matrix.a.x, 0, e.m_Matrix.a.z);
                want.b.Set(0, 1, 0);
                want.c.Set(-e.m_Matrix.a.z, 0, e.m_Matrix.a.x);
            } else if (e.m_Kind & 0x20) {
                flags |= 0x130;
            }
            EXPECT_EQ(found->GetFlags(), flags);
        }
        Matrix34 scratch;
        ExpectMatrix(found->GetMatrix(scratch), want, e.m_Name);
        EXPECT_TRUE(m_Level->GetRoomFlags(e.m_Room) & flags);
    }
}

TEST_F(CityInstances, AFacadeWithBoundsReachingIntoTheNextRoomMovesThere) {
    sEmitted.clear();
    struct Make {
        static void Emit1(lvlPSDL*) {
            Matrix34 facade;
            facade.a.Set(8, 0, 0);
            facade.b.Set(0, 3, 0);
            facade.c.Set(0, 0, 1);
            facade.d.Set(7, 0, 8);
            Emit(1, 0x20, 0, "shop_front", facade);
        }
    };
    {
        lvlPSDL city;
        ASSERT_TRUE(city.MakeCity("moved", Make::Emit1));
    }
    m_Console.Take();
    ASSERT_TRUE(m_Level->LoadInstances("city", "moved"));
    EXPECT_NE(m_Console.Take().find("Facade with bounds 'shop_front' moved from room 1 to room 2\n"),
              std::string::npos);
    EXPECT_EQ(m_Level->GetRoomHead(1), nullptr);
    ASSERT_NE(m_Level->GetRoomHead(2), nullptr);
    EXPECT_EQ(m_Level->GetRoomFlags(2), 0x200 | 0x130 | 0x400);
}
