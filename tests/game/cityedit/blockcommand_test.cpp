#include "cityedit/blockcommand.h"
#include "cityedit/landmark.h"
#include "data/asset.h"

#include "tests/game/cityedit/blockcompare.h"
#include "tests/game/cityedit/blockeditorfixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

// The editor as every command case starts: the square's lot raised to 5, brick and trim on its
// edge 1, edge and vertex 1 current, an element of every kind at hand.
class BlockCommands : public BlockEditorTest {
protected:
    void SetUp() override {
        BlockEditorTest::SetUp();
        Raise(m_Block.Lot(0), 5.0f);
        m_Block.Lot(0)->Edges()[1].m_Wall = 1;
        m_Block.Lot(0)->Edges()[1].m_Sliver = 3;
        m_Editor->m_CurrentEdge = 1;
        m_Editor->m_CurrentVertex = 1;
        SetElements(*m_Editor);
    }

    static void SetElements(BlockEditor& e) {
        e.m_CurrentGround = 1;
        e.m_CurrentWall = 2;
        e.m_CurrentFacade = 1;
        e.m_CurrentSliver = 3;
        e.m_CurrentExtra = 4;
        e.m_AlternateGround = 2;
        e.m_AlternateWall = 1;
        e.m_AlternateFacade = 2;
        e.m_GroundValue = 7.5f;
        e.m_WallWidth = 2.5f;
    }
};

}  // namespace

TEST_F(BlockCommands, EachCommandDoesItsWorkRecordsItselfAndLeavesOneSnapshot) {
    const std::string shop = m_Files.m_Scratch.Root() + "\\geometry\\shop.pkg";
    struct Case {
        const char* m_Label;
        int m_Id;
        int m_LastBefore;
        std::vector<int> m_Menus;        // catalogue or variant menu answers
        std::vector<const char*> m_Files;  // landmark dialog answers; null cancels
        // Makes the expected block out of a copy of the one before, and checks the editor.
        std::function<void(CityBlock&, BlockEditor&)> m_Expect;
        int m_Last;
        uint8_t m_Capture;
        std::string m_Boxes;
        std::string m_Message = "";
    };
    auto noChange = [](CityBlock&, BlockEditor&) {};
    const Case cases[] = {
        {"ground", 10, 15, {}, {},
         [](CityBlock& b, BlockEditor&) { b.Lot(0)->m_Floor = 1; }, 10, 0, ""},
        {"wall to edge", 11, 15, {}, {},
         [](CityBlock& b, BlockEditor&) { b.Lot(0)->Edges()[1].m_Wall = 2; }, 11, 0, ""},
        {"wall to lot", 12, 15, {}, {},
         [](CityBlock& b, BlockEditor&) {
             for (int i = 0; i < 4; ++i) {
                 b.Lot(0)->Edges()[i].m_Wall = 2;
             }
         },
         12, 0, ""},
        {"facade", 13, 15, {}, {},
         [](CityBlock& b, BlockEditor&) { b.Lot(0)->AssignFacade(b, 1, 1); }, 13, 0, ""},
        {"sliver to lot", 14, 15, {}, {},
         [](CityBlock& b, BlockEditor&) { b.Lot(0)->SetSliver(3, -1); }, 14, 0, ""},
        {"reset", 15, 10, {}, {},
         [](CityBlock& b, BlockEditor& e) {
             b.Lot(0)->Reset();
             EXPECT_EQ(0.0f, e.m_GroundValue);
         },
         15, 0, ""},
        {"roof height", 16, 15, {}, {},
         [](CityBlock& b, BlockEditor&) { b.Lot(0)->m_HeightOffset = 7.5f; }, 16, 0, ""},
        {"landmark cancelled", 17, 15, {}, {nullptr}, noChange, 17, 0, ""},
        {"landmark", 17, 15, {}, {shop.c_str()},
         [](CityBlock& b, BlockEditor&) { b.Lot(0)->AssignLandmark("shop", b); }, 17, 1, ""},
        {"adjust landmark", 18, 15, {}, {}, noChange, 18, 1, ""},
        {"random facade", 19, 15, {}, {},
         [](CityBlock& b, BlockEditor& e) {
             // The other member of the facade's group.
             b.Lot(0)->AssignFacade(b, 1, 2);
             EXPECT_EQ(2, e.m_CurrentFacade);
             EXPECT_EQ(b.Lot(0)->m_HeightOffset, e.m_GroundValue);
         },
         19, 0, ""},
        {"ground menu dismissed", 20, 15, {0}, {},
         [](CityBlock&, BlockEditor& e) {
             EXPECT_EQ(1, e.m_CurrentGround);
             EXPECT_EQ(2, e.m_AlternateGround);
         },
         15, 0, ""},
        {"ground chosen", 20, 15, {2}, {},
         [](CityBlock& b, BlockEditor& e) {
             b.Lot(0)->m_Floor = 2;
             EXPECT_EQ(2, e.m_CurrentGround);
             EXPECT_EQ(1, e.m_AlternateGround);
         },
         10, 0, "", "Ground: 2"},
        {"wall chosen after another command", 21, 15, {3}, {},
         [](CityBlock& b, BlockEditor& e) {
             b.Lot(0)->Edges()[1].m_Wall = 3;
             EXPECT_EQ(3, e.m_CurrentWall);
             EXPECT_EQ(2, e.m_AlternateWall);
         },
         11, 0, "", "Wall: 3"},
        {"wall chosen after wall to lot", 21, 12, {3}, {},
         [](CityBlock& b, BlockEditor&) {
             for (int i = 0; i < 4; ++i) {
                 b.Lot(0)->Edges()[i].m_Wall = 3;
             }
         },
         12, 0, "", "Wall: 3"},
        {"wall menu dismissed", 21, 16, {0}, {},
         [](CityBlock&, BlockEditor& e) { EXPECT_EQ(2, e.m_CurrentWall); }, 16, 0, ""},
        {"facade chosen", 22, 15, {2}, {},
         [](CityBlock& b, BlockEditor& e) {
             b.Lot(0)->AssignFacade(b, 1, 2);
             EXPECT_EQ(2, e.m_CurrentFacade);
             EXPECT_EQ(1, e.m_AlternateFacade);
         },
         13, 0, ""},
        {"facade menu dismissed", 22, 15, {0}, {}, noChange, 15, 0, ""},
        {"sliver chosen", 23, 15, {4}, {},
         [](CityBlock& b, BlockEditor& e) {
             b.Lot(0)->SetSliver(4, 1);
             EXPECT_EQ(4, e.m_CurrentSliver);
         },
         32, 0, ""},
        {"sliver menu dismissed", 23, 15, {0}, {}, noChange, 15, 0, ""},
        {"extra chosen", 24, 15, {1}, {},
         [](CityBlock& b, BlockEditor& e) {
             b.Lot(0)->m_Extra = 1;
             EXPECT_EQ(1, e.m_CurrentExtra);
         },
         25, 0, ""},
        {"extra menu dismissed", 24, 15, {0}, {}, noChange, 15, 0, ""},
        {"extra", 25, 15, {}, {}, [](CityBlock& b, BlockEditor&) { b.Lot(0)->m_Extra = 4; }, 25,
         0, ""},
        {"fixed landmark cancelled", 26, 15, {}, {nullptr}, noChange, 26, 0, ""},
        {"fixed landmark", 26, 15, {}, {shop.c_str()},
         [](CityBlock& b, BlockEditor&) {
             b.Lot(0)->AssignFixedLandmark(
                 std::unique_ptr<BlockLandmark>(new BlockLandmark("shop")));
         },
         26, 1, ""},
        {"wall variant", 27, 15, {0}, {}, noChange, 27, 0, ""},  // brick's variant menu
        {"sliver variant", 28, 15, {0}, {}, noChange, 28, 0, ""},
        {"wall width to facade", 29, 15, {}, {},
         [](CityBlock&, BlockEditor& e) {
             EXPECT_EQ(WallsCatalog.Get(1)->GetWidth(), e.m_WallWidth);
         },
         30, 0, "Fix Wall Width|Sorry, can't move a perimeter vertex."},
        {"set wall width", 30, 15, {}, {}, noChange, 30, 0,
         "Fix Wall Width|Sorry, can't move a perimeter vertex."},
        {"subdivide", 31, 15, {}, {},
         [](CityBlock& b, BlockEditor&) { b.SubdivideEvery(0, 1, 2.5f); }, 31, 0, ""},
        {"sliver to edge", 32, 15, {}, {},
         [](CityBlock& b, BlockEditor&) { b.Lot(0)->SetSliver(3, 1); }, 32, 0, ""},
        {"wall from edge", 33, 15, {}, {},
         [](CityBlock&, BlockEditor& e) { EXPECT_EQ(1, e.m_CurrentWall); }, 11, 0, ""},
        {"grid 1x2", 112, 15, {}, {}, [](CityBlock& b, BlockEditor&) { b.MakeGrid(0, 1, 2); },
         112, 0, ""},
        {"grid 1x8", 118, 15, {}, {}, [](CityBlock& b, BlockEditor&) { b.MakeGrid(0, 1, 8); },
         118, 0, ""},
        {"grid of two digits", 123, 15, {}, {}, noChange, 123, 0, ""},
        {"dismissed menu", 0, 15, {}, {}, noChange, 15, 0, ""},
        {"below the commands", 9, 15, {}, {}, noChange, 15, 0, ""},
        {"between commands and grids", 34, 15, {}, {}, noChange, 15, 0, ""},
        {"before the grids", 100, 15, {}, {}, noChange, 15, 0, ""},
        {"after the grids", 199, 15, {}, {}, noChange, 15, 0, ""},
        {"negative", -12, 15, {}, {}, noChange, 15, 0, ""},
    };
    CityBlock start(m_Block);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Label);
        m_Block = start;
        BlockEditor& e = *m_Editor;
        e.m_Capture = 0;
        e.m_LastCommand = c.m_LastBefore;
        SetElements(e);
        MenuScript::Answers().assign(c.m_Menus.begin(), c.m_Menus.end());
        MenuScript::Menus().clear();
        FileDialogScript::Names().assign(c.m_Files.begin(), c.m_Files.end());
        BoxRecorder::Boxes().clear();

        e.ClearUndo();
        e.DoBlockMenuCommand(c.m_Id);
        EXPECT_EQ(1, e.m_UndoCount);
        EXPECT_EQ(0, e.m_UndoNesting);

        CityBlock want(start);
        c.m_Expect(want, e);
        ExpectSameBlock(m_Block, want, c.m_Label);
        ExpectSameBlock(*e.m_Snapshots[0], want, c.m_Label);
        EXPECT_EQ(c.m_Last, e.m_LastCommand);
        EXPECT_EQ(c.m_Capture, e.m_Capture);
        std::string boxes;
        for (const std::string& box : BoxRecorder::Boxes()) {
            boxes += box;
        }
        EXPECT_EQ(c.m_Boxes, boxes);
        EXPECT_EQ(c.m_Menus.size(), MenuScript::Menus().size());
        EXPECT_EQ(c.m_Files.size(), FileDialogScript::Dialogs().size());
        std::string console = m_Console.Take();
        if (c.m_Message.empty()) {
            EXPECT_EQ(std::string::npos, console.find("Ground: "));
            EXPECT_EQ(std::string::npos, console.find("Wall: "));
        } else {
            EXPECT_NE(std::string::npos, console.find(c.m_Message + "\n")) << console;
        }
        FileDialogScript::Dialogs().clear();
    }
}

TEST_F(BlockCommands, LandmarkDialogKeepsTheChoiceAndNamesTheModelAfterTheLastBackslash) {
    struct Case {
        const char* m_Chosen;  // null: cancelled
        bool m_Ok;
        const char* m_Model;
        const char* m_Buffer;  // what the next dialog starts from
    };
    const Case cases[] = {
        {"C:\\city\\geometry\\tower.pkg", true, "tower", "C:\\city\\geometry\\tower"},
        {"C:\\city\\geometry\\Tower.PKG", true, "Tower", "C:\\city\\geometry\\Tower"},
        {"C:\\city\\geometry\\hall", true, "hall", "C:\\city\\geometry\\hall"},
        {"C:\\city\\geometry\\hall.pkg.bak", true, "hall.pkg.bak",
         "C:\\city\\geometry\\hall.pkg.bak"},
        {"x.pkg", true, "x", "x"},
        {"tower", true, "tower", "tower"},
        {".pkg", true, ".pkg", ".pkg"},  // not longer than the ending
        {"C:\\city\\geometry\\", false, "", "C:\\city\\geometry\\"},
        {nullptr, false, "", "C:\\city\\geometry"},  // the dialog's start folder stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Chosen ? c.m_Chosen : "cancelled");
        char buffer[256] = "C:\\city\\geometry\\";
        FileDialogScript::Names().assign({c.m_Chosen});
        std::string model;
        EXPECT_EQ(c.m_Ok, ChooseLandmarkModel(buffer, sizeof(buffer), model));
        EXPECT_EQ(c.m_Model, model);
        EXPECT_STREQ(c.m_Buffer, buffer);
    }
    for (const FileDialogScript::Shown& shown : FileDialogScript::Dialogs()) {
        EXPECT_EQ("Landmark Model File", shown.m_Description);
        EXPECT_EQ("*.pkg", shown.m_Filter);
        EXPECT_EQ(256u, shown.m_Size);
        EXPECT_FALSE(shown.m_Save);
    }
}

TEST_F(BlockCommands, EachLandmarkCommandStartsInGeometryAndKeepsItsOwnChoice) {
    m_Block.Lot(0)->Reset();
    const std::string root = datAssetManager::GetPath();
    const std::string tower = root + "geometry\\tower.pkg";
    const std::string hall = root + "geometry\\hall.pkg";
    FileDialogScript::Names().assign({tower.c_str(), hall.c_str(), nullptr, nullptr});
    m_Editor->DoBlockMenuCommand(17);
    m_Block.Lot(0)->Reset();
    m_Editor->DoBlockMenuCommand(26);
    m_Editor->DoBlockMenuCommand(17);
    m_Editor->DoBlockMenuCommand(26);

    const std::vector<FileDialogScript::Shown>& shown = FileDialogScript::Dialogs();
    ASSERT_EQ(4u, shown.size());
    // The dialog is handed the folder without its closing backslash.
    EXPECT_EQ(root + "geometry", shown[0].m_Entry);
    EXPECT_EQ(root + "geometry", shown[1].m_Entry);
    EXPECT_EQ(root + "geometry\\tower", shown[2].m_Entry);
    EXPECT_EQ(root + "geometry\\hall", shown[3].m_Entry);
    ASSERT_TRUE(m_Block.Lot(0)->IsLandmark());
    EXPECT_EQ("hall", m_Block.Lot(0)->Landmark().m_Name);
    EXPECT_EQ(1, m_Block.Lot(0)->Landmark().m_Fixed);
}

TEST_F(BlockCommands, WallWidthOfAnEdgeWithoutAWallMovesNothing) {
    // Edge 0 has no wall: a width of 0 would fold the edge onto its fixed corner.
    m_Editor->m_CurrentEdge = 0;
    m_Editor->m_CurrentVertex = 0;
    CityBlock before(m_Block);
    m_Editor->DoBlockMenuCommand(29);
    ExpectSameBlock(m_Block, before, "no wall");
    EXPECT_EQ(2.5f, m_Editor->m_WallWidth);
    EXPECT_EQ(30, m_Editor->m_LastCommand);
    EXPECT_EQ(std::vector<std::string>(), BoxRecorder::Boxes());
}

TEST_F(BlockCommands, NothingToWorkOnStillLeavesOneSnapshot) {
    // No facade groups to pick from, a lot or corners the block no longer has.
    FacadesCatalog.Clear();
    m_Editor->m_FacadeGroup = 0;
    CityBlock before(m_Block);
    EXPECT_EQ(1, Snapshots([&] { m_Editor->DoBlockMenuCommand(19); }));
    ExpectSameBlock(m_Block, before, "no groups");
    EXPECT_EQ(1, m_Editor->m_CurrentFacade);

    struct Case {
        int m_Lot, m_Edge, m_Vertex;
    } cases[] = {{1, 0, 0}, {-1, 0, 0}, {0, 4, 0}, {0, 0, 4}, {0, -1, 0}};
    for (const Case& c : cases) {
        m_Editor->m_CurrentLot = c.m_Lot;
        m_Editor->m_CurrentEdge = c.m_Edge;
        m_Editor->m_CurrentVertex = c.m_Vertex;
        for (int id : {10, 11, 12, 13, 14, 15, 16, 25, 27, 28, 29, 30, 31, 32, 33, 112}) {
            EXPECT_EQ(1, Snapshots([&] { m_Editor->DoBlockMenuCommand(id); })) << id;
            m_Editor->ClearUndo();
        }
        ExpectSameBlock(m_Block, before, "out of range");
    }
}

TEST_F(BlockCommands, CursorStepsOverTheCornerItSitsOn) {
    struct Case {
        int m_Edge;
        float m_T;
        int m_NewEdge;
        float m_NewT;
    } cases[] = {{0, 0.0f, 3, 0.999f}, {2, 0.0f, 1, 0.999f}, {3, 1.0f, 0, 0.001f},
                 {1, 1.0f, 2, 0.001f}, {1, 0.5f, 1, 0.5f}};
    for (const Case& c : cases) {
        m_Editor->m_CurrentEdge = c.m_Edge;
        m_Editor->m_CurrentVertex = 1;
        m_Editor->m_CursorParameter = c.m_T;
        m_Editor->StepCursorOverCorner();
        EXPECT_EQ(c.m_NewEdge, m_Editor->m_CurrentEdge) << c.m_Edge << " " << c.m_T;
        EXPECT_EQ(c.m_T == 0.5f ? 1 : c.m_NewEdge, m_Editor->m_CurrentVertex);
        EXPECT_EQ(c.m_NewT, m_Editor->m_CursorParameter);
    }
}

TEST_F(BlockCommands, EditsKeepTheAnchorAndTheCurrentCornersInStep) {
    BlockEditor& e = *m_Editor;
    // Inserting on edge 1 moves every later corner one on: an anchor past the current vertex
    // with them, one on it or before it stays.
    struct Case {
        int m_Anchor, m_After;
    } cases[] = {{1, 1}, {0, 0}, {3, 4}};
    CityBlock start(m_Block);
    for (const Case& c : cases) {
        m_Block = start;
        e.m_CurrentEdge = 1;
        e.m_CurrentVertex = 1;
        e.m_Anchor = c.m_Anchor;
        e.m_Cursor = Vector3(10.0f, 0.0f, 4.0f);
        e.m_CursorParameter = 0.4f;
        e.InsertVertexAtCursor();
        ASSERT_EQ(5, m_Block.Lot(0)->VertexCount());
        EXPECT_EQ(c.m_After, e.m_Anchor) << c.m_Anchor;
        EXPECT_EQ(0.0f, e.m_CursorParameter);
        EXPECT_EQ(4, m_Block.Lot(0)->VertexIndex(2));
    }

    // A cursor not yet placed inserts nothing.
    e.m_Cursor = Vector3(std::nanf(""), 0.0f, 0.0f);
    e.InsertVertexAtCursor();
    EXPECT_EQ(5, m_Block.Lot(0)->VertexCount());

    // Anchoring twice lets go; an edge to the anchor itself or to a lost corner lets go too.
    e.AnchorEdge();
    EXPECT_EQ(1, e.m_Anchor);
    e.AnchorEdge();
    EXPECT_EQ(-1, e.m_Anchor);
    for (int anchor : {1, 5, -1}) {
        e.m_Anchor = anchor;
        e.MakeEdgeToAnchor();
        EXPECT_EQ(-1, e.m_Anchor) << anchor;
        EXPECT_EQ(1, m_Block.LotCount());
    }

    e.m_CurrentLot = 0;
    e.m_CurrentEdge = 3;
    e.m_CurrentVertex = 3;
    e.m_Anchor = 1;
    e.MakeEdgeToAnchor();
    EXPECT_EQ(2, m_Block.LotCount());
    EXPECT_EQ(1, e.m_Anchor);

    e.m_CurrentLot = 1;
    e.ResetBlockToPerimeter();
    EXPECT_EQ(1, m_Block.LotCount());
    EXPECT_EQ(4, m_Block.Lot(0)->VertexCount());
    EXPECT_EQ(0, e.m_CurrentLot);
    EXPECT_EQ(0, e.m_CurrentEdge);
    EXPECT_EQ(0, e.m_CurrentVertex);
}
