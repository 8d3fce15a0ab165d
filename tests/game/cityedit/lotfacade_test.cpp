#include "cityedit/block.h"
#include "cityedit/catalog.h"

#include "tests/game/cityedit/catalogfixture.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::vector<Vector3> Square = {Vector3(0.0f, 0.0f, 0.0f), Vector3(10.0f, 0.0f, 0.0f),
                                     Vector3(10.0f, 2.0f, 10.0f), Vector3(0.0f, 0.0f, 10.0f)};
const std::vector<Vector3> Pentagon = {Vector3(0, 1, 0), Vector3(10, 0, 0), Vector3(12, 0, 6),
                                       Vector3(5, 4, 10), Vector3(-2, 0, 6)};

class LotDressing : public ::testing::Test {
protected:
    void SetUp() override {
        m_Files.Write("floors", "g,roof,1\r\n");
        m_Files.Write("walls", "g,brick_a,3\r\ng,brick_b,2\r\ng,glass,4\r\ng,back,1\r\n"
                               "g,sliver,1\r\ng,statue,1,custom\r\n");
        m_Files.Write("facades", "g,shop,roof,brick_a,brick_b,glass,back,sliver\r\n"
                                 "g,short,roof,brick_b\r\n");
        FloorsCatalog.Load("floors");
        WallsCatalog.Load("walls");
        FacadesCatalog.Load("facades");
        // A custom wall with the variants its model would have.
        WallsCatalog.Get(6)->m_ModelLoaded = true;
        WallsCatalog.Get(6)->m_VariantCount = 4;
        m_Previous = bkSetTrackPopupFunc(
            [](HMENU, UINT, int, int, HWND) { return ++sMenus, sChoice; });
        sMenus = 0;
    }
    void TearDown() override { bkSetTrackPopupFunc(m_Previous); }

    std::vector<int> Walls(BlockLot* lot) {
        std::vector<int> walls;
        for (int i = 0; i < lot->VertexCount(); ++i) {
            walls.push_back(lot->Edges()[i].m_Wall);
        }
        return walls;
    }

    static int sChoice;
    static int sMenus;
    CatalogFiles m_Files;
    BoxRecorder m_Boxes;
    bkTrackPopupFunc m_Previous = nullptr;
};

int LotDressing::sChoice = 0;
int LotDressing::sMenus = 0;

TEST_F(LotDressing, FacadePutsItsWallsRoundTheLot) {
    struct Case {
        const std::vector<Vector3>* m_Outline;
        int m_Edge;
        int m_Facade;
        float m_Height;
        float m_FrontWidth;
        std::vector<int> m_Walls;
    };
    // brick_a 1, brick_b 2, glass 3, back 4: front, second, third and back of "shop".
    const Case cases[] = {
        {&Square, 1, 1, 2.0f + 15.0f, 15.0f, {2, 1, 3, 4}},
        {&Square, 0, 1, 2.0f + 15.0f, 15.0f, {1, 3, 4, 2}},
        {&Pentagon, 0, 1, 4.0f + 15.0f, 15.0f, {1, 3, 4, 4, 2}},
        {&Pentagon, 3, 2, 4.0f + 10.0f, 10.0f, {2, 2, 2, 2, 2}},  // all from the front wall
    };
    for (const Case& c : cases) {
        CityBlock block(1);
        block.BuildFromOutline(c.m_Outline->data(), static_cast<int>(c.m_Outline->size()));
        BlockLot* lot = block.Lot(0);
        lot->m_Ground = 3.0f;
        lot->m_WallTile = 2.0f;
        lot->m_Group = 4;
        lot->AssignFacade(block, c.m_Edge, c.m_Facade);
        EXPECT_FLOAT_EQ(c.m_Height, lot->m_HeightOffset);
        ASSERT_NE(nullptr, lot->Edges());
        EXPECT_EQ(c.m_Walls, Walls(lot));
        for (int i = 0; i < lot->VertexCount(); ++i) {
            EXPECT_EQ(5, lot->Edges()[i].m_Sliver);
            EXPECT_EQ(0, lot->Edges()[i].m_WallVariant);
        }
        EXPECT_EQ(1, lot->m_Floor);
        EXPECT_EQ(0.0f, lot->m_Ground);
        EXPECT_EQ(0.0f, lot->m_WallTile);
        EXPECT_EQ(4, lot->m_Group);
        EXPECT_FLOAT_EQ(c.m_FrontWidth, lot->GetWallWidth(c.m_Edge));
    }
    // No facade leaves the lot as it was.
    CityBlock block(1);
    block.BuildFromOutline(Square.data(), 4);
    block.Lot(0)->AssignFacade(block, 0, 0);
    EXPECT_EQ(0.0f, block.Lot(0)->m_HeightOffset);
    EXPECT_EQ(nullptr, block.Lot(0)->Edges());
    EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(LotDressing, WallWidthsAndVariants) {
    CityBlock block(1);
    block.BuildFromOutline(Square.data(), 4);
    BlockLot* lot = block.Lot(0);
    // A flat lot has no walls to measure or to vary.
    EXPECT_EQ(0.0f, lot->GetWallWidth(0));
    lot->ChooseWallVariant(0);
    EXPECT_EQ(0, sMenus);

    lot->m_HeightOffset = 8.0f;
    lot->SetWall(0, 2);
    lot->SetWall(1, 6);
    lot->SetSliver(6, 2);
    EXPECT_FLOAT_EQ(10.0f, lot->GetWallWidth(0));
    EXPECT_EQ(0.0f, lot->GetWallWidth(3));  // no wall

    sChoice = 3;  // "Variant 3"
    lot->ChooseWallVariant(1);
    EXPECT_EQ(2, lot->Edges()[1].m_WallVariant);
    sChoice = 2;
    lot->ChooseSliverVariant(2);
    EXPECT_EQ(1, lot->Edges()[2].m_SliverVariant);
    EXPECT_EQ(0, lot->Edges()[2].m_WallVariant);
    sChoice = 0;  // dismissed
    lot->ChooseWallVariant(1);
    EXPECT_EQ(2, lot->Edges()[1].m_WallVariant);
    // An edge without a wall offers no menu.
    int menus = sMenus;
    lot->ChooseWallVariant(3);
    EXPECT_EQ(menus, sMenus);
    EXPECT_EQ(0, lot->Edges()[3].m_WallVariant);
}

}  // namespace
