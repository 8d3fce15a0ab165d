// The bundled demo district as the editor takes it: loaded with its catalogues, blocks and
// extras, drawn for one frame from the start-up view and made into the drivable city, all
// without a word at the warning level or above; its processed city reads back field for field
// and its instance list holds every kind of record that the make writes.
#include "city/psdl.h"
#include "cityedit/blockdata.h"
#include "cityedit/catalog.h"
#include "cityedit/rgldrawers.h"
#include "data/asset.h"
#include "gfx/texreg.h"
#include "rgl/tgl.h"
#include "tools/demopicture/demoframe.h"

#include "tests/engine/gfx/pipefixture.h"
#include "tests/game/cityedit/citysnapshot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <tuple>

namespace {

class DemoDistrict : public WindowPipeline {
protected:
    void TearDown() override {
        tglShutdown();
        DeleteAllRoomBlocks();
        ClearExtras();
        FloorsCatalog.Clear();
        WallsCatalog.Clear();
        FacadesCatalog.Clear();
        PropsCatalog.Clear();
        WindowPipeline::TearDown();
        gfxResetAnimTextures();
        datAssetManager::SetPath("");
    }
};

// An instance record's kind: its two flag bytes and whether it stands upright.
typedef std::tuple<int, int, bool> Kind;

std::set<Kind> InstanceKinds(const std::string& inst, uint32_t rooms, std::set<std::string>& names) {
    std::set<Kind> kinds;
    size_t at = 0;
    while (at + 5 <= inst.size()) {
        uint32_t word;
        memcpy(&word, &inst[at], 4);
        uint8_t length = uint8_t(inst[at + 4]);
        bool upright = length & 0x80;
        size_t name = (length & 0x7F);
        EXPECT_GT(word & 0xFFFF, 0u);
        EXPECT_LT(word & 0xFFFF, rooms);
        EXPECT_EQ(inst[at + 5 + name - 1], '\0');
        names.insert(inst.substr(at + 5, name - 1));
        kinds.insert(Kind(int(word >> 24), int(word >> 16 & 0xFF), upright));
        at += 5 + name + (upright ? 20 : 48);
    }
    EXPECT_EQ(at, inst.size()) << "the last record is cut";
    return kinds;
}

}  // namespace

TEST_F(DemoDistrict, LoadsDrawsAndMakesWithoutAWarning) {
    ASSERT_TRUE(Open(""));
    datAssetManager::SetPath(SourcePath("assets").c_str());
    auto city = std::make_unique<lvlPSDL>();
    LoadCatalogs();
    ASSERT_TRUE(city->LoadSDL("demo"));
    lvlUseRglDrawers();
    LoadCityTextures();
    LoadBlockData("demo", city.get());
    EXPECT_EQ(2, ExtraCount);

    // The start-up view: straight down from 1000 above the origin.
    StartDemoView();
    Matrix34 top = DemoLookAt(Vector3(0, 1000, 0.001f), Vector3(0, 0, 0));
    std::string shot = m_Scratch.Path("top.bmp");
    DrawDemoFrame(*city, top);
    DrawDemoFrame(*city, top, shot.c_str());
    std::string bmp = ReadWholeFile(shot);
    ASSERT_EQ(bmp.size(), 1440054u);
    // The district covers the middle of the view; grass shows among the roofs and roads.
    int background = 0, green = 0;
    for (int y = 230; y < 370; ++y) {
        for (int x = 330; x < 470; ++x) {
            uint32_t p = BmpPixel(bmp, x, y);
            int r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
            background += r < 20 && g < 20 && b < 40;
            green += g > r + 30 && g > b + 30;
        }
    }
    // A pixel may fall through where two fans meet edge to edge, nowhere more.
    EXPECT_LT(background, 8);
    EXPECT_GT(green, 500);

    // Closer, the whole district fills the view with its faces culled as the editor starts:
    // every ground piece, the corners of the intersections, the alley and the landmarks' roofs
    // face up, and the ground is sewn up to the landmarks' walls.
    Matrix34 close = DemoLookAt(Vector3(0, 350, 0.001f), Vector3(0, 0, 0));
    DrawDemoFrame(*city, close, shot.c_str());
    bmp = ReadWholeFile(shot);
    ASSERT_EQ(bmp.size(), 1440054u);
    // 1.48 pixels to the unit: the district's square runs from 163 to 637 across and from 63
    // to 537 down; a margin of three pixels keeps to its inside.
    int holes = 0;
    std::string where;
    for (int y = 66; y < 534; ++y) {
        for (int x = 166; x < 634; ++x) {
            uint32_t p = BmpPixel(bmp, x, y);
            if ((p >> 16 & 0xFF) < 20 && (p >> 8 & 0xFF) < 20 && (p & 0xFF) < 40 && ++holes < 40) {
                where += " " + std::to_string(x) + "," + std::to_string(y);
            }
        }
    }
    EXPECT_LT(holes, 8) << "background at" << where;

    std::string name = m_Scratch.Path("demo");
    ASSERT_TRUE(city->MakeCity(name.c_str(), EmitCityBlocks));
    ASSERT_TRUE(city->WritePSDL(name.c_str(), 2));
    std::string printed = m_Console.Take();
    for (const char* level : {"Warning", "Error", "Fatal"}) {
        EXPECT_EQ(printed.find(level), std::string::npos) << printed;
    }

    // Landmarks and extras stand upright (flags 1) or not (the scaled tower); custom walls
    // with a bound carry 32, those without 0, upright or stretched.
    std::set<std::string> names;
    std::set<Kind> kinds = InstanceKinds(ReadWholeFile(name + ".inst"), city->m_RoomCount, names);
    EXPECT_EQ(kinds, (std::set<Kind>{Kind(1, 0, true), Kind(1, 0, false), Kind(32, 0, true),
                                     Kind(0, 0, true), Kind(0, 0, false)}));
    EXPECT_EQ(names, (std::set<std::string>{"church", "glassfront", "kiosk", "plaza", "shelter",
                                            "shopfront", "tower"}));

    CitySnapshot written(*city);
    city.reset();
    lvlPSDL loaded;
    ASSERT_TRUE(loaded.Load(name.c_str()));
    ExpectEqual(written, CitySnapshot(loaded));
}
