#include "cityedit/block.h"
#include "cityedit/landmark.h"

#include "tests/game/cityedit/blockcompare.h"
#include "tests/support/child.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const std::vector<Vector3> Square = {Vector3(0.0f, 0.0f, 0.0f), Vector3(10.0f, 0.0f, 0.0f),
                                     Vector3(10.0f, 1.0f, 10.0f), Vector3(0.0f, 0.0f, 10.0f)};

// The square cut along 0-2 into lot 0 (0, 1, 2) and lot 1 (2, 3, 0).
void MakeSplitSquare(CityBlock& block) {
    block.BuildFromOutline(Square.data(), 4);
    block.AddLots(1);
    SetEntries(block.Lot(0), {0, 1, 2}, {-1, -1, 1});
    SetEntries(block.Lot(1), {2, 3, 0}, {-1, -1, 0});
}

TEST(CityBlock, BuildFromOutlineMakesOnePerimeterLot) {
    CityBlock block(7);
    block.m_Solid = 1;
    block.BuildFromOutline(Square.data(), 4);
    EXPECT_EQ(4, block.PerimeterCount());
    EXPECT_EQ(4, block.VertexCount());
    ASSERT_EQ(1, block.LotCount());
    BlockLot* lot = block.Lot(0);
    ASSERT_EQ(4, lot->VertexCount());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(i, lot->VertexIndex(i));
        EXPECT_EQ(-1, lot->Adjacent(i));
        EXPECT_EQ(Square[i].y, block.Vertex(i)->m_Position.y);
        EXPECT_EQ(0u, block.Vertex(i)->m_User1);
    }
    EXPECT_EQ(16, lot->m_Scale);
    EXPECT_EQ(nullptr, lot->Edges());
    EXPECT_FALSE(lot->IsLandmark());

    block.Clear();
    EXPECT_EQ(0, block.VertexCount());
    EXPECT_EQ(0, block.LotCount());
    EXPECT_EQ(0, block.PerimeterCount());
    EXPECT_EQ(7, block.m_Id);
    EXPECT_EQ(1, block.m_Solid);
}

TEST(CityBlock, ResetToPerimeterDropsInnerVerticesAndLots) {
    CityBlock block(1);
    MakeSplitSquare(block);
    block.Vertex(block.AddVertices(1))->m_Position = Vector3(5.0f, 0.0f, 5.0f);
    block.ResetToPerimeter();
    EXPECT_EQ(4, block.VertexCount());
    EXPECT_EQ(1, block.LotCount());
    EXPECT_EQ(1.0f, block.Vertex(2)->m_Position.y);
    EXPECT_EQ(10.0f, block.Vertex(2)->m_Position.z);
}

TEST(CityBlock, CopiesAreIndependent) {
    CityBlock source(3);
    MakeSplitSquare(source);
    BlockLot* raised = source.Lot(0);
    raised->m_HeightOffset = 12.0f;
    raised->MakeEdges();
    raised->Edges()[1].m_Wall = 5;
    std::unique_ptr<BlockLandmark> landmark(new BlockLandmark("tower"));
    landmark->m_JoinPoints.push_back(Vector3(1.0f, 0.0f, 1.0f));
    landmark->m_FanIndices.push_back(4);
    source.Lot(1)->SetLandmark(std::move(landmark));
    source.Vertex(0)->m_User2 = 99;
    source.m_Solid = 1;

    CityBlock copy(source);
    CityBlock assigned(8);
    assigned.BuildFromOutline(Square.data(), 3);
    assigned = source;
    for (CityBlock* block : {&copy, &assigned}) {
        EXPECT_EQ(3, block->m_Id);
        EXPECT_EQ(1, block->m_Solid);
        EXPECT_EQ(4, block->PerimeterCount());
        EXPECT_EQ(99u, block->Vertex(0)->m_User2);
        ASSERT_EQ(2, block->LotCount());
        ASSERT_NE(nullptr, block->Lot(0)->Edges());
        EXPECT_EQ(5, block->Lot(0)->Edges()[1].m_Wall);
        EXPECT_EQ("tower", block->Lot(1)->Landmark().m_Name);

        block->Lot(0)->Edges()[1].m_Wall = 6;
        block->Lot(0)->VertexIndex(0) = 3;
        block->Lot(1)->Landmark().m_JoinPoints[0].x = 2.0f;
        block->Lot(1)->Landmark().m_FanIndices[0] = 9;
        block->Lot(1)->Landmark().m_Name = "changed";
        block->Vertex(1)->m_Position.x = -1.0f;
    }
    EXPECT_EQ(5, source.Lot(0)->Edges()[1].m_Wall);
    EXPECT_EQ(0, source.Lot(0)->VertexIndex(0));
    EXPECT_EQ(1.0f, source.Lot(1)->Landmark().m_JoinPoints[0].x);
    EXPECT_EQ(4, source.Lot(1)->Landmark().m_FanIndices[0]);
    EXPECT_EQ("tower", source.Lot(1)->Landmark().m_Name);
    EXPECT_EQ(10.0f, source.Vertex(1)->m_Position.x);

    // Assigning a block to itself must not clear it first.
    CityBlock& alias = source;
    source = alias;
    EXPECT_EQ(2, source.LotCount());
    EXPECT_EQ(5, source.Lot(0)->Edges()[1].m_Wall);
}

TEST(CityBlock, LandmarkFreeReleasesItsNameAndPoints) {
    BlockLandmark landmark("tower");
    landmark.m_JoinPoints.assign(3, Vector3(1.0f, 0.0f, 1.0f));
    landmark.m_RingPoints.assign(7, Vector3(2.0f, 0.0f, 2.0f));
    landmark.m_FanIndices = {0, 1, 0x82, 3};
    landmark.m_Scale = 64;
    BlockLandmark copy(landmark);

    landmark.Free();
    EXPECT_TRUE(landmark.m_Name.empty());
    EXPECT_EQ(0u, landmark.m_JoinPoints.capacity());
    EXPECT_EQ(0u, landmark.m_RingPoints.capacity());
    EXPECT_EQ(0u, landmark.m_FanIndices.capacity());
    // The placement stays; the copy keeps everything.
    EXPECT_EQ(64, landmark.m_Scale);
    EXPECT_EQ("tower", copy.m_Name);
    EXPECT_EQ(3u, copy.m_JoinPoints.size());
    EXPECT_EQ(7u, copy.m_RingPoints.size());
    EXPECT_EQ(0x82, copy.m_FanIndices[2]);
}

TEST(CityBlock, UpdateSolidNeedsARaisedLotAndNoLandmark) {
    struct Case {
        const char* m_Name;
        float m_Height0;
        float m_Height1;
        bool m_Landmark1;
        int m_Expected;
    };
    const Case cases[] = {
        {"flat and bare", 0.0f, 0.0f, false, 0},        {"one raised", 8.0f, 0.0f, false, 1},
        {"raised and a landmark", 8.0f, 0.0f, true, 0}, {"landmark only", 0.0f, 0.0f, true, 0},
        {"all raised", 8.0f, 3.0f, false, 1},
    };
    for (const Case& c : cases) {
        CityBlock block(1);
        MakeSplitSquare(block);
        block.Lot(0)->m_HeightOffset = c.m_Height0;
        block.Lot(1)->m_HeightOffset = c.m_Height1;
        if (c.m_Landmark1) {
            block.Lot(1)->SetLandmark(std::unique_ptr<BlockLandmark>(new BlockLandmark("m")));
        }
        EXPECT_EQ(c.m_Expected, block.UpdateSolid()) << c.m_Name;
        EXPECT_EQ(c.m_Expected, block.m_Solid) << c.m_Name;
    }
    CityBlock empty(1);
    empty.m_Solid = 1;
    EXPECT_EQ(0, empty.UpdateSolid());
}

TEST(BlockLot, DetailIsNeverReadAsTheOtherKind) {
    BlockLot lot;
    lot.SetVertexCount(3);
    lot.m_HeightOffset = 5.0f;
    lot.MakeEdges();
    lot.Edges()[0].m_Sliver = 2;
    lot.SetLandmark(std::unique_ptr<BlockLandmark>(new BlockLandmark("statue")));
    // Raised: the edges count, the landmark does not.
    EXPECT_FALSE(lot.IsLandmark());
    EXPECT_EQ(2, lot.Edges()[0].m_Sliver);
    // Flat: the landmark counts and the edges stay out of sight until the lot is raised again.
    lot.m_HeightOffset = 0.0f;
    EXPECT_TRUE(lot.IsLandmark());
    EXPECT_EQ("statue", lot.Landmark().m_Name);
    EXPECT_EQ(128, lot.Landmark().m_Scale);
    EXPECT_EQ(0.0f, lot.Landmark().m_Position.x);
    lot.m_HeightOffset = 5.0f;
    EXPECT_EQ(2, lot.Edges()[0].m_Sliver);
    // New entries leave no edge records of the wrong length behind.
    lot.SetVertexCount(4);
    EXPECT_EQ(nullptr, lot.Edges());
}

TEST(BlockLot, EntryEditsKeepArraysInStep) {
    BlockLot lot;
    SetEntries(&lot, {0, 1, 2}, {-1, 4, 5});
    lot.m_HeightOffset = 3.0f;
    lot.MakeEdges();
    for (int i = 0; i < 3; ++i) {
        lot.Edges()[i].m_Wall = 10 + i;
    }
    lot.InsertVertex(7, 4, 1);
    ASSERT_EQ(4, lot.VertexCount());
    const int vertices[] = {0, 1, 7, 2};
    const int adjacent[] = {-1, 4, 4, 5};
    const int walls[] = {10, 11, 11, 12};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(vertices[i], lot.VertexIndex(i));
        EXPECT_EQ(adjacent[i], lot.Adjacent(i));
        EXPECT_EQ(walls[i], lot.Edges()[i].m_Wall);
    }
    EXPECT_EQ(2, lot.LotIndex(7));
    EXPECT_EQ(-1, lot.LotIndex(9));

    lot.RemoveVertex(0);
    ASSERT_EQ(3, lot.VertexCount());
    EXPECT_EQ(1, lot.VertexIndex(0));
    EXPECT_EQ(4, lot.Adjacent(0));
    EXPECT_EQ(11, lot.Edges()[0].m_Wall);
    EXPECT_EQ(12, lot.Edges()[2].m_Wall);

    EXPECT_TRUE(lot.ReplaceNeighbour(4, 8));
    EXPECT_EQ(8, lot.Adjacent(0));
    EXPECT_EQ(8, lot.Adjacent(1));
    EXPECT_FALSE(lot.ReplaceNeighbour(3, -1));
    EXPECT_EQ(7, lot.Adjacent(0));
    EXPECT_EQ(4, lot.Adjacent(2));
}

TEST(CityBlock, QueriesOnVertices) {
    CityBlock block(1);
    block.BuildFromOutline(Square.data(), 4);
    int first = block.AddVertices(3);
    block.Vertex(first)->m_Position = Vector3(10.005f, 0.3f, 4.0f);      // near edge 1
    block.Vertex(first + 1)->m_Position = Vector3(3.0f, 0.0f, 5.0f);     // inside
    block.Vertex(first + 2)->m_Position = Vector3(10.004f, 0.3f, 4.0f);  // near the first
    int edge = -5;
    EXPECT_TRUE(block.IsPerimeterVertex(2, edge));
    EXPECT_EQ(-5, edge);
    EXPECT_TRUE(block.IsPerimeterVertex(first, edge));
    EXPECT_EQ(1, edge);
    edge = -5;
    EXPECT_FALSE(block.IsPerimeterVertex(first + 1, edge));
    EXPECT_EQ(-5, edge);
    block.Vertex(first + 1)->m_Position = Vector3(0.0f, 0.0f, 9.995f);  // near the closing edge
    EXPECT_TRUE(block.IsPerimeterVertex(first + 1, edge));
    EXPECT_EQ(3, edge);

    EXPECT_EQ(first + 2, block.FindVertex(Vector3(10.004f, 0.3f, 4.0f)));
    EXPECT_EQ(first, block.FindVertex(Vector3(10.0045f, 9.0f, 4.0f)));
    EXPECT_EQ(1, block.FindVertex(Vector3(10.0f, 0.0f, 0.0f)));
}

TEST(CityBlock, LotCornersSkipStraightRuns) {
    CityBlock block(1);
    std::vector<Vector3> outline = {Vector3(0.0f, 0.0f, 0.0f),  Vector3(5.0f, 0.0f, 0.0f),
                                    Vector3(10.0f, 0.0f, 0.0f), Vector3(10.0f, 0.0f, 10.0f),
                                    Vector3(5.0f, 0.0f, 10.0f), Vector3(0.0f, 0.0f, 10.0f)};
    block.BuildFromOutline(outline.data(), 6);
    int corners[4] = {-1, -1, -1, -1};
    EXPECT_EQ(4, block.GetLotCorners(0, 1, corners, 4));
    EXPECT_EQ(2, corners[0]);
    EXPECT_EQ(3, corners[1]);
    EXPECT_EQ(5, corners[2]);
    EXPECT_EQ(0, corners[3]);
    int two[2] = {-1, -1};
    EXPECT_EQ(4, block.GetLotCorners(0, 0, two, 2));
    EXPECT_EQ(0, two[0]);
    EXPECT_EQ(2, two[1]);
    Vector3 centre = block.GetLotCentroid(0);
    EXPECT_FLOAT_EQ(5.0f, centre.x);
    EXPECT_FLOAT_EQ(5.0f, centre.z);
}

TEST(CityBlock, CheckConnectivityReportsBrokenAdjacency) {
    CityBlock block(1);
    MakeSplitSquare(block);
    {
        ConsoleCapture capture;
        block.CheckConnectivity();
        EXPECT_EQ("", capture.Take());
    }
    struct Case {
        int m_Lot;
        int m_Entry;
        int m_Adjacent;
        const char* m_Message;
    };
    const Case cases[] = {
        {1, 2, -1, "Error: Lot 0 vertex 2 -- nbr lot 1 vtx 2 points to -1, not us"},
        {0, 0, 1, "Error: Lot 0 vertex 0 -- nbr lot 1 vtx 1 points to -1, not us"},
        {0, 2, 5, "Error: Lot 0 vertex 2 -- nbr lot 5 vtx -1 points to -1, not us"},
    };
    for (const Case& c : cases) {
        CityBlock broken(block);
        broken.Lot(c.m_Lot)->Adjacent(c.m_Entry) = c.m_Adjacent;
        CityBlock before(broken);
        ConsoleCapture capture;
        broken.CheckConnectivity();
        std::string text = capture.Take();
        EXPECT_NE(std::string::npos, text.find(c.m_Message)) << text;
        EXPECT_EQ(before.Lot(c.m_Lot)->Adjacent(c.m_Entry),
                  broken.Lot(c.m_Lot)->Adjacent(c.m_Entry));
    }
    // A neighbour that does not hold the shared vertex at all.
    CityBlock stray(block);
    stray.Lot(1)->VertexIndex(0) = 3;
    ConsoleCapture capture;
    stray.CheckConnectivity();
    EXPECT_NE(std::string::npos,
              capture.Take().find("Lot 0 vertex 2 -- nbr lot 1 vtx -1 points to -1, not us"));
}

TEST_CHILD(BlockVertexOutOfRange) {
    CityBlock block(1);
    block.BuildFromOutline(Square.data(), 4);
    block.Vertex(4);
    return 0;
}

TEST_CHILD(BlockLotEntryOutOfRange) {
    BlockLot lot;
    lot.SetVertexCount(3);
    lot.Adjacent(-1);
    return 0;
}

TEST_CHILD(BlockLotOutOfRange) {
    CityBlock block(1);
    block.Lot(0);
    return 0;
}

TEST_CHILD(BlockRemovedNeighbourStillReferenced) {
    BlockLot lot;
    SetEntries(&lot, {0, 1, 2}, {-1, 3, 4});
    lot.ReplaceNeighbour(3, -1);
    return 0;
}

TEST_CHILD(BlockVertexNotFound) {
    CityBlock block(1);
    block.BuildFromOutline(Square.data(), 4);
    block.FindVertex(Vector3(5.0f, 0.0f, 5.0f));
    return 0;
}

TEST_CHILD(BlockLandmarkOnRaisedLot) {
    BlockLot lot;
    lot.SetLandmark(std::unique_ptr<BlockLandmark>(new BlockLandmark("m")));
    lot.m_HeightOffset = 2.0f;
    lot.Landmark();
    return 0;
}

TEST_CHILD(BlockEdgesOfLandmarkLot) {
    BlockLot lot;
    lot.SetLandmark(std::unique_ptr<BlockLandmark>(new BlockLandmark("m")));
    lot.Edges();
    return 0;
}

TEST(CityBlock, MisuseIsAFatalAssertion) {
    ExpectFatalChildren({
        {"BlockVertexOutOfRange",
         "Assert(i >= 0 && i < m_VertexCount) failed in [cityedit/block, line"},
        {"BlockLotEntryOutOfRange",
         "Assert(i >= 0 && i < m_VertexCount) failed in [cityedit/block, line"},
        {"BlockLotOutOfRange", "Assert(i >= 0 && i < m_LotCount) failed in [cityedit/block, line"},
        {"BlockRemovedNeighbourStillReferenced", "Assert(newIdx >= 0) failed in [cityedit/"},
        {"BlockVertexNotFound", "Assert(0) failed in [cityedit/block, line"},
        {"BlockLandmarkOnRaisedLot", "Assert(IsLandmark()) failed in [cityedit/"},
        {"BlockEdgesOfLandmarkLot", "Assert(!IsLandmark()) failed in [cityedit/"},
    });
}

}  // namespace
