// The game's level reads the instance list that the make writes: every kind of record the
// city's emitters produce lands in its room with its flags and placement.

#include "city/psdl.h"
#include "cityedit/blockdata.h"
#include "cityedit/catalog.h"
#include "cityedit/psdltool.h"
#include "data/asset.h"
#include "level/instclasses.h"
#include "level/level.h"
#include "vector/matrix34.h"

#include "tests/game/level/levelfixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
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

// The bundled demo made as the batch make does: every record of its instance list lands in the
// room it names (a facade with bounds may move, saying so), with the flags and placement of
// its kind. The test level's rooms are a strip along x, not the demo's, so many facades
// with bounds move.
TEST_F(CityInstances, TheLevelPlacesTheBundledDemo) {
    datAssetManager::SetPath(SourcePath("assets").c_str());
    lvlPSDL city;
    LoadCatalogs();
    ASSERT_TRUE(city.LoadSDL("demo"));
    LoadBlockData("demo", &city);
    std::string made = m_Scratch.Path("city/demo");
    bool madeOk = city.MakeCity(made.c_str(), EmitCityBlocks);
    DeleteAllRoomBlocks();
    ClearExtras();
    FloorsCatalog.Clear();
    WallsCatalog.Clear();
    FacadesCatalog.Clear();
    PropsCatalog.Clear();
    datAssetManager::SetPath(m_Scratch.Root().c_str());
    ASSERT_TRUE(madeOk);
    std::ifstream file(made + ".inst", std::ios::binary);
    std::stringstream whole;
    whole << file.rdbuf();
    const std::string inst = whole.str();
    ASSERT_FALSE(inst.empty());

    m_Level.reset();
    m_Level.reset(new GridLevel(int(city.m_RoomCount)));
    m_Console.Take();
    bool loadedOk = m_Level->LoadInstances("city", "demo");
    std::string said = m_Console.Take();
    ASSERT_TRUE(loadedOk) << said;
    int records = 0;
    size_t at = 0;
    while (at + 5 <= inst.size()) {
        uint32_t word;
        memcpy(&word, &inst[at], 4);
        int kind = int(word >> 24), room = int(word & 0xFFFF);
        bool compact = inst[at + 4] & 0x80;
        size_t length = inst[at + 4] & 0x7F;
        std::string name = inst.substr(at + 5, length - 1);
        const char* body = &inst[at + 5 + length];
        float f[12];
        Matrix34 want;
        if (compact) {
            memcpy(f, body, 20);
            want.a.Set(f[0], 0, f[1]);
            want.b.Set(0, 1, 0);
            want.c.Set(-f[1], 0, f[0]);
            want.d.Set(f[2], f[3], f[4]);
        } else {
            memcpy(f, body, 48);
            want.a.Set(f[0], f[1], f[2]);
            want.b.Set(f[3], f[4], f[5]);
            want.c.Set(f[6], f[7], f[8]);
            want.d.Set(f[9], f[10], f[11]);
        }
        at += 5 + length + (compact ? 20 : 48);
        ++records;
        SCOPED_TRACE(name + " in room " + std::to_string(room));
        uint16_t flags = lvlInstance::INST_BASE | lvlInstance::INST_STATIC;
        if (kind & 1) {
            flags |= (kind & 4) ? 0x110 : 0x130;
            want.a.Set(want.a.x, 0, want.a.z);
            want.b.Set(0, 1, 0);
            want.c.Set(-want.a.z, 0, want.a.x);
        } else if (kind & 0x20) {
            flags |= 0x130;
        }
        lvlInstance* found = nullptr;
        int lands = -1;
        for (int r = 0; r < m_Level->GetRoomCount() && !found; ++r) {
            for (lvlInstance* i = m_Level->GetRoomHead(r); i && !found; i = i->GetNext()) {
                Matrix34 scratch;
                const Matrix34& got = i->GetMatrix(scratch);
                if (got.d.x == want.d.x && got.d.y == want.d.y && got.d.z == want.d.z) {
                    found = i;
                    lands = r;
                }
            }
        }
        ASSERT_NE(found, nullptr) << "not placed";
        if (lands != room) {
            // Only a facade with bounds leaves its room, and says where to.
            EXPECT_TRUE((kind & 0x20) && !(kind & 1)) << "in room " << lands;
            EXPECT_NE(said.find("Facade with bounds '" + name + "' moved from room " +
                                std::to_string(room) + " to room " + std::to_string(lands) +
                                "\n"),
                      std::string::npos)
                << "in room " << lands;
        }
        EXPECT_EQ(found->GetFlags(), flags);
        Matrix34 scratch;
        ExpectMatrix(found->GetMatrix(scratch), want, name);
        EXPECT_EQ(m_Level->GetRoomFlags(lands) & flags, flags);
    }
    EXPECT_EQ(at, inst.size());
    EXPECT_EQ(m_Level->GetInstanceCount(), records);
}
