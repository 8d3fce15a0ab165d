#include "cityedit/catalog.h"

#include "bank/dialogseam.h"
#include "data/stream.h"
#include "model/static.h"
#include "vector/random.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/engine/model/modelfixture.h"
#include "tests/game/cityedit/catalogfixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Catalogs : public ::testing::Test {
protected:
    CatalogFiles m_Files;
    BoxRecorder m_Boxes;
    ConsoleCapture m_Console;
};

TEST_F(Catalogs, HeaderOnlyAndMissingFilesGiveEmptyCatalogues) {
    m_Files.Write("floors", "");
    FloorsCatalog.Load("floors");
    EXPECT_EQ(0, FloorsCatalog.GetCount());
    EXPECT_STREQ("none", FloorsCatalog.GetName(0));
    EXPECT_EQ(0, FloorsCatalog.m_NbrCount);
    EXPECT_TRUE(BoxRecorder::Boxes().empty());

    WallsCatalog.Load("nowhere");
    EXPECT_EQ(std::vector<std::string>{"Load Error|Unable to open: city/nowhere.csv\n"},
              BoxRecorder::Boxes());
    EXPECT_EQ(0, WallsCatalog.GetCount());
    EXPECT_EQ(0, WallsCatalog.Find("brick"));
    EXPECT_EQ(0, WallsCatalog.TrackMenu());
    EXPECT_EQ(nullptr, WallsCatalog.GetElement(1));
}

TEST_F(Catalogs, CsvDirOptionNamesTheFolder) {
    CreateDirectoryA(m_Files.m_Scratch.Path("other").c_str(), nullptr);
    WriteWholeFile(m_Files.m_Scratch.Path("other\\walls.csv"), "h\r\ng,brick,2\r\n");
    SetOption("csvdir", "other");
    WallsCatalog.Load("walls");
    ClearOptions();
    EXPECT_EQ(1, WallsCatalog.Find("brick"));
}

TEST_F(Catalogs, FindIgnoresCaseAndBoxesOnlyTheFirstMisses) {
    // Line 2 has too few fields: its element still takes a number, under a name nothing finds.
    m_Files.Write("walls", "a,Brick_A,3\r\nbad line\r\nb,brick_b,2\r\na,BRICK_A,4\r\n");
    WallsCatalog.Load("walls");
    ASSERT_EQ(4, WallsCatalog.GetCount());
    struct Case {
        const char* m_Name;
        int m_Index;
    } cases[] = {{"none", 0}, {"NONE", 0}, {"brick_a", 1}, {"BRICK_B", 3}, {"Brick_B", 3}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.m_Index, WallsCatalog.Find(c.m_Name)) << c.m_Name;
    }
    EXPECT_TRUE(BoxRecorder::Boxes().empty());
    EXPECT_STREQ("", WallsCatalog.GetName(2));
    EXPECT_STREQ("", WallsCatalog.GetName(99));

    for (int miss = 1; miss <= 25; ++miss) {
        EXPECT_EQ(0, WallsCatalog.Find(miss == 1 ? "" : "glass"));
    }
    ASSERT_EQ(24u, BoxRecorder::Boxes().size());
    EXPECT_EQ("|Element by this name not found.", BoxRecorder::Boxes()[0]);
    EXPECT_EQ("glass|Element by this name not found.", BoxRecorder::Boxes()[23]);
}

TEST_F(Catalogs, SurfaceColumnsAndComponents) {
    const std::string longName(70, 'n');
    m_Files.Write("walls",
                  "brick,brick_a,,\r\n"
                  "brick,brick_b,2,plain\r\n"
                  "stack,tower,1,COMPOSITE,brick_a,brick_b\r\n"
                  "stack,stump,1,composite,brick_b\r\n"
                  "stack,loop,1,Composite,loop,later\r\n"
                  "model,statue,1.5,custom\r\n"
                  "long," + longName + ",1\r\n"
                  "stack,later,1\r\n");
    WallsCatalog.Load("walls");
    SurfaceElement* brickA = WallsCatalog.Get(1);
    EXPECT_EQ(SurfaceElement::Plain, brickA->m_Type);
    EXPECT_EQ(3.0f, brickA->m_Size);
    EXPECT_EQ(15.0f, brickA->GetHeight());
    EXPECT_EQ(15.0f, brickA->GetWidth());
    EXPECT_EQ(10.0f, WallsCatalog.Get(2)->GetHeight());

    SurfaceElement* tower = WallsCatalog.Get(3);
    EXPECT_EQ(SurfaceElement::Composite, tower->m_Type);
    EXPECT_EQ(1, tower->m_Components[0]);
    EXPECT_EQ(2, tower->m_Components[1]);
    EXPECT_EQ(25.0f, tower->GetHeight());
    EXPECT_EQ(15.0f, tower->GetWidth());
    // One component is not a stack: the element's own size counts for its height.
    EXPECT_EQ(5.0f, WallsCatalog.Get(4)->GetHeight());
    EXPECT_EQ(10.0f, WallsCatalog.Get(4)->GetWidth());
    // Components name walls of earlier lines only: neither itself nor a later line is found.
    EXPECT_EQ(0, WallsCatalog.Get(5)->m_Components[0]);
    EXPECT_EQ(0, WallsCatalog.Get(5)->m_Components[1]);
    EXPECT_EQ(2u, BoxRecorder::Boxes().size());
    EXPECT_EQ(SurfaceElement::Custom, WallsCatalog.Get(6)->m_Type);
    EXPECT_EQ(7.5f, WallsCatalog.Get(6)->GetHeight());  // no model: drawn plain
    EXPECT_EQ(std::string(63, 'n'), WallsCatalog.GetName(7));

    Stream* stream = StreamCreate(m_Files.m_Scratch.Path("line.csv").c_str());
    WallsCatalog.Get(2)->Write(stream);
    StreamClose(stream);
    EXPECT_EQ("brick,brick_b,2.000\r\n", ReadWholeFile(m_Files.m_Scratch.Path("line.csv")));
}

// Sizes the make cannot tile with leave their line out, said with the line; the make trapped
// on a size of 1e-30.
TEST_F(Catalogs, SizesTheMakeCannotUseLeaveTheLineOut) {
    m_Files.Write("walls",
                  "b,brick_a,1e-30\r\n"
                  "b,brick_b,-2\r\n"
                  "b,brick_c,1e39\r\n"
                  "b,brick_d,0.001\r\n"
                  "b,brick_e,5000\r\n"
                  "b,brick_f,0\r\n"
                  "b,brick_g,0.01\r\n"
                  "b,brick_h,1000\r\n");
    WallsCatalog.Load("walls");
    std::string said = m_Console.Take();
    const char* refused[] = {"brick_a", "brick_b", "brick_c", "brick_d", "brick_e"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(0, WallsCatalog.Find(refused[i])) << refused[i];
        EXPECT_NE(said.find("walls.csv(" + std::to_string(i + 2) + "): the size '"),
                  std::string::npos)
            << said;
        EXPECT_NE(said.find("' of '" + std::string(refused[i]) +
                            "' is not 0 or a number from 0.01 to 1000; the line is left out."),
                  std::string::npos)
            << said;
    }
    for (const char* kept : {"brick_f", "brick_g", "brick_h"}) {
        EXPECT_NE(0, WallsCatalog.Find(kept)) << kept;
    }
    EXPECT_EQ(0.01f, WallsCatalog.Get(WallsCatalog.Find("brick_g"))->m_Size);
}

TEST_F(Catalogs, FacadesResolveTheirFloorWallsAndSliver) {
    m_Files.Write("floors", "g,roof,1\r\n");
    m_Files.Write("walls", "g,front,1\r\ng,side,1\r\ng,back,1\r\ng,sliver,1\r\ng,trim,1\r\n");
    m_Files.Write("props", "");
    m_Files.Write("facades",
                  "shop,short,roof,front\r\n"
                  "shop,full,roof,front,side,,back,trim\r\n"
                  "shop,emptysecond,roof,front,,side\r\n"
                  "shop,toofew,roof\r\n");
    LoadCatalogs();
    struct Case {
        int m_Index;
        int m_Walls[4];
        int m_Sliver;
    } cases[] = {{1, {1, 1, 1, 1}, 4}, {2, {1, 2, 2, 3}, 5}, {3, {1, 1, 2, 2}, 4}};
    for (const Case& c : cases) {
        FacadeElement* facade = FacadesCatalog.Get(c.m_Index);
        EXPECT_EQ(1, facade->m_Floor);
        EXPECT_EQ(c.m_Walls[0], facade->m_FrontWall) << c.m_Index;
        EXPECT_EQ(c.m_Walls[1], facade->m_SecondWall) << c.m_Index;
        EXPECT_EQ(c.m_Walls[2], facade->m_ThirdWall) << c.m_Index;
        EXPECT_EQ(c.m_Walls[3], facade->m_BackWall) << c.m_Index;
        EXPECT_EQ(c.m_Sliver, facade->m_Sliver) << c.m_Index;
    }
    EXPECT_EQ(0, FacadesCatalog.Find("toofew"));
    EXPECT_TRUE(BoxRecorder::Boxes().size() == 1u);  // the miss just above
}

TEST_F(Catalogs, FacadeFieldsKeepThirtyOneCharacters) {
    const std::string name(40, 'f');
    m_Files.Write("facades", "g," + name + ",none,none\r\n");
    FacadesCatalog.Load("facades");
    EXPECT_EQ(name.substr(0, 31), FacadesCatalog.GetName(1));
}

TEST_F(Catalogs, LongLinesAreCutAndTheRestReadAsALine) {
    // 300 characters: the first 255 make a line, the rest another.
    std::string line = "g,first," + std::string(292, '1');
    m_Files.Write("props", line + "\r\ng,second\r\n");
    PropsCatalog.Load("props");
    EXPECT_EQ(3, PropsCatalog.GetCount());
    EXPECT_EQ(1, PropsCatalog.Find("first"));
    EXPECT_EQ(3, PropsCatalog.Find("second"));
}

TEST_F(Catalogs, GroupsKeepTheirOrderAndMembers) {
    std::string lines;
    for (int i = 0; i < 130; ++i) {
        lines += "big,e" + std::to_string(i) + "\r\n";
    }
    m_Files.Write("props", "zeta,z1\r\nalpha,a1\r\n" + lines + "zeta,z2\r\n");
    PropsCatalog.Load("props");
    ASSERT_EQ(3, PropsCatalog.m_NbrCount);
    EXPECT_EQ((std::vector<std::string>{"zeta", "alpha", "big"}), PropsCatalog.m_GroupNames);
    EXPECT_EQ((std::vector<int>{2, 1, 128}), PropsCatalog.m_GroupSizes);
    EXPECT_EQ((std::vector<int>{1, 133}), PropsCatalog.m_GroupMembers[0]);
    EXPECT_EQ(3, PropsCatalog.m_GroupMembers[2][0]);
    EXPECT_EQ(130, PropsCatalog.m_GroupMembers[2][127]);
    // The menu still lists every element of the big group.
    HMENU menu = PropsCatalog.m_Menu->GetHandle();
    ASSERT_EQ(3, GetMenuItemCount(menu));
    EXPECT_EQ(130, GetMenuItemCount(GetSubMenu(menu, 2)));
    EXPECT_EQ(132u, GetMenuItemID(GetSubMenu(menu, 2), 129));
}

TEST_CHILD(TooManyGroups) {
    CatalogFiles files;
    std::string lines;
    for (int i = 0; i <= ElementCatalog::maxNbr; ++i) {
        lines += "g" + std::to_string(i) + ",e\r\n";
    }
    files.Write("props", lines);
    PropsCatalog.Load("props");
    return 0;
}

TEST(CatalogLimits, MoreThan128GroupsIsFatal) {
    ExpectFatalChild("TooManyGroups", "Assert(m_NbrCount < maxNbr) failed in [cityedit/catalog");
}

TEST_F(Catalogs, PickFromGroupFollowsTheGroupFormula) {
    m_Files.Write("props", "one,solo\r\nfour,a\r\nfour,b\r\nother,x\r\nfour,c\r\nfour,d\r\n");
    PropsCatalog.Load("props");
    EXPECT_EQ(1, PropsCatalog.PickFromGroup(0, 1));
    const std::vector<int>& members = PropsCatalog.m_GroupMembers[1];
    for (int current : {0, 2, 3, 6}) {
        for (int draw = 0; draw < 5; ++draw) {
            RandomReset();
            for (int skip = 0; skip < draw; ++skip) {
                RandomNext();
            }
            int r = RandomNext();
            RandomReset();
            for (int skip = 0; skip < draw; ++skip) {
                RandomNext();
            }
            EXPECT_EQ(members[(r % 3 + current) % 4], PropsCatalog.PickFromGroup(1, current));
        }
    }
}

TEST_F(Catalogs, TrackMenuReturnsTheChosenElement) {
    m_Files.Write("floors", "g,grass\r\nh,tar\r\n");
    FloorsCatalog.Load("floors");
    static HMENU tracked;
    bkTrackPopupFunc previous = bkSetTrackPopupFunc([](HMENU menu, UINT, int, int, HWND) {
        tracked = menu;
        return 2;
    });
    EXPECT_EQ(2, FloorsCatalog.TrackMenu());
    bkSetTrackPopupFunc(previous);
    EXPECT_EQ(FloorsCatalog.m_Menu->GetHandle(), tracked);
}

// The variant menu, as the user saw it, and the id the user picks by item text.
struct MenuItem {
    std::string m_Text;
    UINT m_Id;
    bool m_Checked;
};
std::vector<MenuItem> sShownMenu;
std::string sPick;
int sOccurrence;

int WINAPI PickByText(HMENU menu, UINT, int, int, HWND) {
    sShownMenu.clear();
    int chosen = 0;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        GetMenuStringA(menu, UINT(i), text, sizeof(text), MF_BYPOSITION);
        UINT id = GetMenuItemID(menu, i);
        sShownMenu.push_back({text, id, (GetMenuState(menu, UINT(i), MF_BYPOSITION) &
                                         MF_CHECKED) != 0});
        if (sPick == text && sOccurrence-- == 0) {
            chosen = int(id);
        }
    }
    return chosen;
}

class VariantMenu : public Catalogs {
protected:
    void SetUp() override {
        m_Previous = bkSetTrackPopupFunc(PickByText);
        m_Files.Write("walls",
                      "g,three,1,custom\r\ng,five,1,custom\r\ng,twenty,1,custom\r\n"
                      "g,stack,1,composite,three,,five\r\ng,plain,1\r\n");
        WallsCatalog.Load("walls");
        int counts[] = {3, 5, 20};
        for (int i = 0; i < 3; ++i) {
            // Variant counts as a loaded model would give them.
            WallsCatalog.Get(i + 1)->m_ModelLoaded = true;
            WallsCatalog.Get(i + 1)->m_VariantCount = counts[i];
        }
    }
    void TearDown() override { bkSetTrackPopupFunc(m_Previous); }

    int Choose(int element, int current, const char* pick, int occurrence = 0) {
        sPick = pick;
        sOccurrence = occurrence;
        return WallsCatalog.Get(element)->ChooseVariant(current);
    }

    bkTrackPopupFunc m_Previous = nullptr;
};

TEST_F(VariantMenu, CompositeSetsOneComponentOrAll) {
    struct Case {
        int m_Current;
        const char* m_Pick;  // the n-th item of that text
        int m_Occurrence;
        int m_Expected;
    } cases[] = {
        {0x000, "Set all to 2...", 0, 0x111},
        {0x4A3, "Set all to 5...", 0, 0x444},
        {0x000, "Variant 3", 1, 0x200},  // the third component's item
        {0x123, "Variant 1", 0, 0x120},
        {0x112, "nothing", 0, 0x112},  // dismissed
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.m_Expected, Choose(4, c.m_Current, c.m_Pick, c.m_Occurrence)) << c.m_Pick;
    }
    int setAll = 0;
    for (const MenuItem& item : sShownMenu) {
        setAll += item.m_Text.rfind("Set all to ", 0) == 0;
    }
    EXPECT_EQ(5, setAll);
    // Component 0 lists three variants, checked on its field of the current value 0x112.
    EXPECT_EQ("Variant 3", sShownMenu[2].m_Text);
    EXPECT_TRUE(sShownMenu[2].m_Checked);
    EXPECT_EQ(2u, sShownMenu[1].m_Id);
    EXPECT_EQ(128u + 5, sShownMenu[8].m_Id);
    EXPECT_TRUE(sShownMenu[5].m_Checked);  // "Variant 2" of component 2 for its field 1
}

TEST_F(VariantMenu, ThirdVariantOfComponentOne) {
    // The middle component carries variant counts of its own.
    m_Files.Write("walls", "g,three,1,custom\r\ng,five,1,custom\r\ng,mid,1,composite,,five\r\n");
    WallsCatalog.Load("walls");
    WallsCatalog.Get(2)->m_ModelLoaded = true;
    WallsCatalog.Get(2)->m_VariantCount = 5;
    EXPECT_EQ(0x020, Choose(3, 0x000, "Variant 3"));
    EXPECT_EQ(64u + 3, sShownMenu[2].m_Id);
}

TEST_F(VariantMenu, CustomOffersAtMostFifteen) {
    EXPECT_EQ(1, Choose(1, 0, "Variant 2"));
    EXPECT_TRUE(sShownMenu[0].m_Checked);
    EXPECT_EQ(14, Choose(3, 0, "Variant 15"));
    EXPECT_EQ(15u + 1, sShownMenu.size());  // and a separator
    EXPECT_EQ(7, Choose(5, 7, "Variant 1"));  // a plain wall has an empty menu
    EXPECT_TRUE(sShownMenu.empty());
}

// Custom elements with a model package, a shader set and a join line in the asset root.
class CustomModels : public FakePipeline {
protected:
    void SetUp() override {
        FakePipeline::SetUp();
        m_Files.Write("walls", "g,tower,1,custom\r\ng,flat,2,custom\r\ng,bare,2,custom\r\n"
                               "g,cut,1,custom\r\ng,lowonly,1,custom\r\n");
        const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        std::string shaders = U32(2) + U32(1) + ShaderRecord("", white, 0.0f) +
                              ShaderRecord("", white, 1.0f);
        std::string model = PackageItem("H", GeometryItem({0})) +
                            PackageItem("L", GeometryItem({0})) +
                            PackageItem("shaders", shaders);
        for (const char* name : {"tower", "flat", "bare", "cut"}) {
            m_Files.WriteAsset("geometry", std::string(name) + ".pkg", "PKG3" + model);
        }
        m_Files.WriteAsset("geometry", "lowonly.pkg", "PKG3" + PackageItem("M", GeometryItem({0})));
        m_Files.WriteAsset("scene", "tower.join", Join({{-1.0f, 0.0f}, {3.0f, 8.0f}, {1.0f, 2.0f}}));
        m_Files.WriteAsset("scene", "flat.join", Join({{-1.0f, 4.0f}, {3.0f, 4.005f}}));
        m_Files.WriteAsset("scene", "cut.join", U32(5) + F32(1.0f));
        m_Files.WriteAsset("bound", "tower_BOUND.bnd", "x");
        WallsCatalog.Load("walls");
    }

    static std::string Join(const std::vector<std::pair<float, float>>& points) {
        std::string bytes = U32(uint32_t(points.size()));
        for (const auto& p : points) {
            bytes += F32(p.first) + F32(p.second) + F32(0.5f);
        }
        return bytes;
    }

    CatalogFiles m_Files;
    BoxRecorder m_Boxes;
};

TEST_F(CustomModels, JoinLineGivesSizeAndScale) {
    EXPECT_NE(std::string::npos, m_Console.Take().find("Facade 'tower' has a bound."));
    SurfaceElement* tower = WallsCatalog.Get(1);
    EXPECT_EQ(1, tower->m_HasBound);
    EXPECT_EQ(0, WallsCatalog.Get(2)->m_HasBound);
    EXPECT_EQ(8.0f, tower->GetHeight());
    EXPECT_EQ(4.0f, tower->GetWidth());
    float x = 0.0f, y = 0.0f;
    ASSERT_TRUE(tower->GetJoinScale(x, y));
    EXPECT_EQ(0.25f, x);
    EXPECT_EQ(0.125f, y);
    EXPECT_NE(std::string::npos, m_Console.Take().find("Model 'tower' has 2 variants."));
    EXPECT_EQ(2, tower->m_VariantCount);
    // M has no mesh and takes L's; VL has none below it and is drawn with H.
    modStatic* low = tower->GetModel(SurfaceElement::LevelL);
    modStatic* high = tower->GetModel(SurfaceElement::LevelH);
    ASSERT_NE(nullptr, low);
    EXPECT_NE(low, high);
    EXPECT_EQ(low, tower->GetModel(SurfaceElement::LevelM));
    EXPECT_EQ(high, tower->GetModel(SurfaceElement::LevelVL));
    EXPECT_EQ(tower->m_Shaders[1], tower->GetShaders(3));
    EXPECT_EQ(tower->m_Shaders[0], tower->GetShaders(-2));
}

TEST_F(CustomModels, WithoutAUsableJoinLineTheElementStaysPlain) {
    struct Case {
        int m_Index;
        float m_Height;
        const char* m_Message;
    } cases[] = {
        {2, 10.0f, "GetModel - Bad JOIN line [Y axis]"},
        {3, 10.0f, "Model 'bare' has 2 variants."},  // no join file
        {4, 5.0f, "Join file for 'cut' is cut short."},
    };
    for (const Case& c : cases) {
        SurfaceElement* element = WallsCatalog.Get(c.m_Index);
        EXPECT_EQ(c.m_Height, element->GetHeight()) << c.m_Index;
        EXPECT_EQ(c.m_Height, element->GetWidth()) << c.m_Index;
        float x, y;
        EXPECT_FALSE(element->GetJoinScale(x, y));
        std::string console = m_Console.Take();
        if (c.m_Message) {
            EXPECT_NE(std::string::npos, console.find(c.m_Message)) << console;
        }
    }
}

TEST_F(CustomModels, MeshOfAMiddleLevelServesEveryLevel) {
    SurfaceElement* element = WallsCatalog.Get(5);
    modStatic* m = element->GetModel(SurfaceElement::LevelM);
    ASSERT_NE(nullptr, m);
    EXPECT_EQ(m, element->GetModel(SurfaceElement::LevelH));
    EXPECT_EQ(m, element->GetModel(SurfaceElement::LevelVL));
    EXPECT_EQ(nullptr, element->GetShaders(0));
    EXPECT_EQ(0, element->m_VariantCount);
}

TEST_F(CustomModels, PropsKeepOnlyTheirHighModel) {
    m_Files.Write("props", "g,tower\r\ng,ghost\r\n");
    PropsCatalog.Load("props");
    modStatic* model = PropsCatalog.Get(1)->GetModel();
    ASSERT_NE(nullptr, model);
    EXPECT_EQ(model, PropsCatalog.Get(1)->GetModel());
    EXPECT_EQ(2, PropsCatalog.Get(1)->m_VariantCount);
    EXPECT_EQ(nullptr, PropsCatalog.Get(2)->GetModel());
}

}  // namespace
