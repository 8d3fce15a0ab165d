#include "cityedit/blockeditor.h"

#include "city/psdl.h"
#include "city/sdl.h"
#include "cityedit/block.h"
#include "cityedit/blockdata.h"
#include "cityedit/catalog.h"
#include "cityedit/editor.h"
#include "data/asset.h"
#include "devcam/pick.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/game/cityedit/blockeditorvalues.h"
#include "tests/game/cityedit/catalogfixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

const uint32_t LeftShift = 0x2A;

bkBank* Bank(const char* name) {
    return bkManager::GetInstance()->FindBank(name);
}

bkLocWidget* Widget(const char* bank, const char* title) {
    return static_cast<bkLocWidget*>(bkFindWidget(Bank(bank), title));
}

std::vector<std::string> ComboItems(const bkLocWidget* widget) {
    std::vector<std::string> items;
    for (int i = 0; i < widget->m_Count; ++i) {
        items.push_back(widget->m_Names[i]);
    }
    return items;
}

void HoldKey(uint32_t key) {
    uint8_t keys[256] = {};
    keys[key] = 0x80;
    inpTakeKeyboardState(keys);
}

const std::vector<Vector3> SquareXZ = {Vector3(0, 0, 0), Vector3(10, 0, 0), Vector3(10, 0, 10),
                                       Vector3(0, 0, 10)};

// The editor over the recording pipeline, its camera at (0, 0, 10) looking at the origin: the
// test blocks lie in the plane z = 0, facing it.
class BlockEditorState : public FakePipeline {
protected:
    void SetUp() override {
        FakePipeline::SetUp();
        LookAtOriginFromTen();
        m_Banks.reset(new BlockEditorBanks);
    }
    void TearDown() override {
        m_Editor.reset();
        m_Banks.reset();
        FakePipeline::TearDown();
    }

    void Edit(CityBlock* block) {
        if (!m_Editor) {
            m_Editor.reset(new BlockEditor);
        }
        m_Editor->SetEditedBlock(block, 1);
    }
    void Update() { m_Editor->UpdateBlockEditor(nullptr, &m_City); }

    std::unique_ptr<BlockEditorBanks> m_Banks;
    std::unique_ptr<BlockEditor> m_Editor;
    lvlPSDL m_City;
};

}  // namespace

TEST_F(BlockEditorState, StartsWithItsStartValues) {
    Edit(nullptr);
    const BlockEditor& e = *m_Editor;
    EXPECT_EQ(e.m_UndoPosition, 0);
    EXPECT_EQ(e.m_UndoCount, 0);
    for (CityBlock* snapshot : e.m_Snapshots) {
        EXPECT_EQ(snapshot, nullptr);
    }
    EXPECT_EQ(e.GetEditedBlock(), nullptr);
    EXPECT_EQ(e.m_DrawMode, 2);
    EXPECT_EQ(e.m_CurrentLot, 0);
    EXPECT_EQ(e.m_CurrentEdge, 0);
    EXPECT_EQ(e.m_CurrentVertex, 0);
    EXPECT_EQ(e.m_Anchor, -1);
    EXPECT_EQ(e.m_CursorParameter, 0.0f);
    EXPECT_EQ(e.m_LastCommand, 0);
    EXPECT_EQ(e.m_HoverPicking, 1);
    EXPECT_EQ(e.m_Debug, 0);
    EXPECT_EQ(e.m_Capture, 0);
    EXPECT_EQ(e.m_Digitize, 1);
    EXPECT_EQ(e.m_FacadeGroup, 0);
    EXPECT_EQ(e.m_PropGroup, 0);
    for (int32_t element : {e.m_CurrentWall, e.m_CurrentGround, e.m_CurrentFacade,
                            e.m_CurrentSliver, e.m_CurrentExtra, e.m_AlternateWall,
                            e.m_AlternateGround, e.m_AlternateFacade}) {
        EXPECT_EQ(element, 0);
    }
    EXPECT_EQ(e.m_UndoNesting, 0);
    EXPECT_TRUE(std::isnan(e.m_Cursor.x) && std::isnan(e.m_OppositeCursor.z));
    EXPECT_EQ(e.m_GroundValue, 0.0f);
    EXPECT_EQ(e.m_WallWidth, 1.0f);
    EXPECT_EQ(e.m_HelpText, nullptr);
    EXPECT_EQ(e.m_HoverDistance, 1e10f);
    EXPECT_EQ(BlockAutoTileWalls, 1);
    EXPECT_EQ(BlockDrawSlivers, 1);
    EXPECT_EQ(BlockLot::sm_AutoTileWalls, 1);
    EXPECT_EQ(BlockLot::sm_DrawSlivers, 1);

    // The banks bind the editor's fields, so they go with it.
    m_Editor.reset();
    EXPECT_EQ(Bank("Block Editor"), nullptr);
    EXPECT_EQ(Bank("Block Attributes"), nullptr);
    EXPECT_NE(Bank("Banks"), nullptr);
}

TEST_F(BlockEditorState, BlockEditorBankHoldsItsCombosInOrder) {
    CatalogFiles files;
    BoxRecorder boxes;
    files.Write("floors", "ground,grass,3\r\nroof,tar,3\r\n");
    files.Write("walls", "brick,brick_a,3\r\n");
    files.Write("facades", "shop,corner,grass,brick_a\r\nhouse,villa,tar,brick_a\r\n");
    files.Write("props", "street,lamp\r\n");
    LoadCatalogs();
    Edit(nullptr);
    BlockEditor& e = *m_Editor;

    struct Row {
        const char* m_Title;
        bkLocWidget::Type m_Type;
        void* m_Value;
        std::vector<std::string> m_Items;
    };
    const std::vector<std::string> floors = {"none", "grass", "tar"};
    const std::vector<std::string> walls = {"none", "brick_a"};
    const std::vector<std::string> facades = {"none", "corner", "villa"};
    const Row rows[] = {
        {"DrawMode", bkLocWidget::I32Combo, &e.m_DrawMode, {"Wireframe", "Solid", "Textured"}},
        {"Debug", bkLocWidget::ByteBool, &e.m_Debug, {}},
        {"Current Ground", bkLocWidget::I32Combo, &e.m_CurrentGround, floors},
        {"Alternate Ground", bkLocWidget::I32Combo, &e.m_AlternateGround, floors},
        {"Current Wall", bkLocWidget::I32Combo, &e.m_CurrentWall, walls},
        {"Alternate Wall", bkLocWidget::I32Combo, &e.m_AlternateWall, walls},
        {"Current Facade", bkLocWidget::I32Combo, &e.m_CurrentFacade, facades},
        {"Alternate Facade", bkLocWidget::I32Combo, &e.m_AlternateFacade, facades},
        {"Current Sliver", bkLocWidget::I32Combo, &e.m_CurrentSliver, walls},
        {"Current Extra", bkLocWidget::I32Combo, &e.m_CurrentExtra, walls},
        {"Facade Group", bkLocWidget::I32Combo, &e.m_FacadeGroup, {"shop", "house"}},
        {"Prop Group", bkLocWidget::I32Combo, &e.m_PropGroup, {"street"}},
    };
    bkBank* bank = Bank("Block Editor");
    ASSERT_NE(bank, nullptr);
    ASSERT_EQ(bank->NumWidgets, int(sizeof(rows) / sizeof(rows[0])));
    for (int i = 0; i < bank->NumWidgets; ++i) {
        const Row& row = rows[i];
        bkLocWidget* widget = static_cast<bkLocWidget*>(bank->Widget[i]);
        EXPECT_EQ(std::string(widget->GetTitle()), row.m_Title);
        EXPECT_EQ(widget->m_Type, row.m_Type) << row.m_Title;
        EXPECT_EQ(widget->m_Value, row.m_Value) << row.m_Title;
        if (row.m_Type == bkLocWidget::I32Combo) {
            EXPECT_EQ(ComboItems(widget), row.m_Items) << row.m_Title;
            EXPECT_EQ(widget->m_Offset, 0) << row.m_Title;
        }
    }

    // The names are the editor's own: emptying the catalogues leaves the combos whole.
    FloorsCatalog.Clear();
    EXPECT_EQ(ComboItems(Widget("Block Editor", "Current Ground")), floors);
}

TEST_F(BlockEditorState, EmptyCataloguesGiveCombosOfNoneAndNoGroups) {
    Edit(nullptr);
    for (const char* title : {"Current Ground", "Current Wall", "Current Facade", "Current Extra"}) {
        EXPECT_EQ(ComboItems(Widget("Block Editor", title)), std::vector<std::string>{"none"})
            << title;
    }
    EXPECT_EQ(Widget("Block Editor", "Facade Group")->m_Count, 0);
    EXPECT_EQ(Widget("Block Editor", "Prop Group")->m_Count, 0);
    // Stepping a combo of one item or none stays in range.
    Widget("Block Editor", "Current Ground")->Adjust(1.0f);
    Widget("Block Editor", "Prop Group")->Adjust(1.0f);
    EXPECT_EQ(m_Editor->m_CurrentGround, 0);
    EXPECT_EQ(m_Editor->m_PropGroup, 0);
}

TEST_F(BlockEditorState, BlockAttributesBankHoldsItsGroupsInOrder) {
    Edit(nullptr);
    BlockEditor& e = *m_Editor;
    struct Row {
        const char* m_Title;
        bkLocWidget::Type m_Type;
        void* m_Value;  // null for the group headers
        double m_Min, m_Max;
        float m_Delta;
    };
    const bkLocWidget::Type Group = bkLocWidget::GroupHeader;
    const bkLocWidget::Type F32 = bkLocWidget::F32Slider;
    const bkLocWidget::Type Toggle = bkLocWidget::ByteBool;
    const Row rows[] = {
        {"Height", Group, nullptr, 0, 0, 0},
        {"Ground", F32, &e.m_GroundValue, 0, 1000, 1},
        {"Low Perim Y", F32, &BlockLowPerimeterY, -1000, 1000, 0},
        {"High Perim Y", F32, &BlockHighPerimeterY, -1000, 1000, 0},
        {"Sliver", F32, &BlockSliverHeight, 0, 1000, 0},
        {"Facade", F32, &BlockFacadeHeight, 0, 1000, 0},
        {"Measurements", Group, nullptr, 0, 0, 0},
        {"Snap to: (m)", F32, &BlockSnapStep, 1, 100, 1},
        {"Edge Length", F32, &BlockEdgeLength, 0, 1000, 0},
        {"Vert -> Cursor Dist", F32, &BlockVertexToCursor, 0, 1000, 0},
        {"Number Segments", bkLocWidget::I32Slider, &BlockSegmentCount, 0, 100, 0},
        {"Pct Seg. Dist", F32, &e.m_CursorParameter, 0, 1, 0},
        {"Snap On", Toggle, &BlockSnapOn, 0, 0, 0},
        {"Snap (CCW) or CW", Toggle, &BlockSnapCCW, 0, 0, 0},
        {"Set Wall Width to", F32, &e.m_WallWidth, 1, 100, 0.1f},
        {"Vertex Position", Group, nullptr, 0, 0, 0},
        {"X Position:", F32, &BlockVertexPosition.x, -10000, 10000, 0},
        {"Y Position:", F32, &BlockVertexPosition.y, -10000, 10000, 0},
        {"Z Position:", F32, &BlockVertexPosition.z, -10000, 10000, 0},
        {"X Adjust:", F32, &BlockVertexAdjust.x, -10000, 10000, 1},
        {"Y Adjust:", F32, &BlockVertexAdjust.y, -10000, 10000, 1},
        {"Z Adjust:", F32, &BlockVertexAdjust.z, -10000, 10000, 1},
        {"Landmark", Group, nullptr, 0, 0, 0},
        {"X", F32, &BlockLandmarkPosition.x, -10000, 10000, 0},
        {"Y", F32, &BlockLandmarkPosition.y, -10000, 10000, 0},
        {"Z", F32, &BlockLandmarkPosition.z, -10000, 10000, 0},
        {"Rotation Delta", F32, &BlockRotationDelta, 0.01f, 1, 0.01f},
        {"X Dist. Delta", F32, &BlockMoveDelta.x, 0.01f, 10, 0.01f},
        {"Y Dist. Delta", F32, &BlockMoveDelta.y, 0.01f, 10, 0.01f},
        {"Z Dist. Delta", F32, &BlockMoveDelta.z, 0.01f, 10, 0.01f},
        {"Misc.", Group, nullptr, 0, 0, 0},
        {"Label Walls", Toggle, &BlockLabelWalls, 0, 0, 0},
        {"Auto-tile Walls", Toggle, &BlockAutoTileWalls, 0, 0, 0},
        {"Draw Slivers", Toggle, &BlockDrawSlivers, 0, 0, 0},
    };
    bkBank* bank = Bank("Block Attributes");
    ASSERT_NE(bank, nullptr);
    ASSERT_EQ(bank->NumWidgets, int(sizeof(rows) / sizeof(rows[0])));
    int headers = 0;
    for (int i = 0; i < bank->NumWidgets; ++i) {
        const Row& row = rows[i];
        bkLocWidget* widget = static_cast<bkLocWidget*>(bank->Widget[i]);
        EXPECT_EQ(std::string(widget->GetTitle()), row.m_Title);
        EXPECT_EQ(widget->m_Type, row.m_Type) << row.m_Title;
        if (row.m_Type == Group) {
            // Each group is closed and ends before the next one.
            EXPECT_EQ(widget->m_Depth, 0) << row.m_Title;
            EXPECT_EQ(*static_cast<uint8_t*>(widget->m_Value), 0) << row.m_Title;
            ++headers;
            continue;
        }
        EXPECT_EQ(widget->m_Depth, 1) << row.m_Title;
        EXPECT_EQ(widget->m_Value, row.m_Value) << row.m_Title;
        if (row.m_Type != Toggle) {
            EXPECT_FLOAT_EQ(float(widget->m_Min), float(row.m_Min)) << row.m_Title;
            EXPECT_FLOAT_EQ(float(widget->m_Max), float(row.m_Max)) << row.m_Title;
            EXPECT_FLOAT_EQ(widget->m_Delta, row.m_Delta) << row.m_Title;
        }
    }
    EXPECT_EQ(headers, 5);
}

TEST_F(BlockEditorState, NotileAndNosliversClearTheirTogglesWhichFlipTheModelLater) {
    UseOptions("-notile -noslivers");
    Edit(nullptr);
    EXPECT_EQ(BlockAutoTileWalls, 0);
    EXPECT_EQ(BlockDrawSlivers, 0);
    EXPECT_EQ(BlockLot::sm_AutoTileWalls, 0);
    EXPECT_EQ(BlockLot::sm_DrawSlivers, 0);
    EXPECT_EQ(BlockLot::sm_LabelWalls, 0);

    Widget("Block Attributes", "Auto-tile Walls")->Press();
    Widget("Block Attributes", "Draw Slivers")->Press();
    EXPECT_EQ(BlockAutoTileWalls, 1);
    EXPECT_EQ(BlockDrawSlivers, 1);
    EXPECT_EQ(BlockLot::sm_AutoTileWalls, 1);
    EXPECT_EQ(BlockLot::sm_DrawSlivers, 1);
    Widget("Block Attributes", "Draw Slivers")->Press();
    EXPECT_EQ(BlockLot::sm_DrawSlivers, 0);
    EXPECT_EQ(BlockLot::sm_AutoTileWalls, 1);
}

TEST_F(BlockEditorState, LabelWallsWithoutABlockClearsItself) {
    Edit(nullptr);
    bkLocWidget* label = Widget("Block Attributes", "Label Walls");
    label->Press();
    EXPECT_EQ(BlockLabelWalls, 0);
    EXPECT_EQ(BlockLot::sm_LabelWalls, 0);

    std::unique_ptr<CityBlock> block = MakeBlock(SquareXZ, {{0, 1, 2, 3}});
    Edit(block.get());
    label->Press();
    EXPECT_EQ(BlockLabelWalls, 1);
    EXPECT_EQ(BlockLot::sm_LabelWalls, 1);
    label->Press();
    EXPECT_EQ(BlockLot::sm_LabelWalls, 0);
}

TEST_F(BlockEditorState, AdjustSlidersMoveTheCurrentVertexOnlyInDigitize) {
    std::unique_ptr<CityBlock> block =
        MakeBlock({Vector3(0, 0, 0), Vector3(10, 0, 0), Vector3(10, 0, 10), Vector3(0, 0, 10),
                   Vector3(20, 0, 0), Vector3(20, 0, 10)},
                  {{0, 1, 2, 3}, {1, 4, 5, 2}});
    Edit(block.get());
    m_Editor->m_CurrentLot = 1;
    m_Editor->m_CurrentVertex = 2;  // block vertex 5

    struct Case {
        const char* m_Title;
        uint8_t m_Digitize;
        Vector3 m_Expected;
    };
    const Case cases[] = {
        {"X Adjust:", 0, Vector3(20, 0, 10)},
        {"Y Adjust:", 0, Vector3(20, 0, 10)},
        {"X Adjust:", 1, Vector3(3, 0, 10)},
        {"Y Adjust:", 1, Vector3(3, 3, 10)},
        {"Z Adjust:", 1, Vector3(3, 3, 3)},
    };
    for (const Case& c : cases) {
        m_Editor->m_Digitize = c.m_Digitize;
        BlockVertexAdjust.Set(0.0f, 0.0f, 0.0f);
        bkLocWidget* slider = Widget("Block Attributes", c.m_Title);
        slider->Adjust(-3.0f);
        slider->Adjust(6.0f);  // a change in both directions runs the callback each time
        const Vector3& p = block->Vertex(5)->m_Position;
        EXPECT_TRUE(p.x == c.m_Expected.x && p.y == c.m_Expected.y && p.z == c.m_Expected.z)
            << c.m_Title << " digitize " << int(c.m_Digitize) << ": " << p.x << " " << p.y
            << " " << p.z;
    }
    EXPECT_EQ(block->Vertex(2)->m_Position.x, 10.0f);

    // A current vertex the block no longer has is left alone.
    m_Editor->m_CurrentVertex = 9;
    m_Editor->AdjustVertexX();
    Edit(nullptr);
    m_Editor->AdjustVertexZ();
}

TEST_F(BlockEditorState, NothingHappensWithoutABlock) {
    Edit(nullptr);
    m_Editor->m_HelpText = "kept";
    m_Editor->m_CurrentLot = 5;
    Update();
    EXPECT_STREQ(m_Editor->m_HelpText, "kept");
    EXPECT_EQ(m_Editor->m_CurrentLot, 5);
    EXPECT_EQ(BlockEdgeLength, 0.0f);
}

// Lot 0 and lot 1 overlap around the origin; lot 2 lies apart to the right.
TEST_F(BlockEditorState, HoverPicksTheLastLotUnderTheMouse) {
    std::unique_ptr<CityBlock> block =
        MakeBlock({Vector3(-2, -2, 0), Vector3(2, -2, 0), Vector3(2, 2, 0), Vector3(-2, 2, 0),
                   Vector3(-1, -1, 0), Vector3(3, -1, 0), Vector3(3, 3, 0), Vector3(-1, 3, 0),
                   Vector3(5, -1, 0), Vector3(7, -1, 0), Vector3(7, 1, 0)},
                  {{0, 1, 2, 3}, {4, 5, 6, 7}, {8, 9, 10}});
    struct Case {
        Vector3 m_Mouse;
        int m_StartLot;
        int m_Lot;
    };
    const Case cases[] = {
        {Vector3(-1.5f, -1.5f, 0), 2, 0},  // only lot 0
        {Vector3(0.5f, 0.5f, 0), 0, 1},    // both: the later
        {Vector3(2.5f, 2.5f, 0), 0, 1},    // only lot 1
        {Vector3(6.5f, -0.5f, 0), 0, 2},
        {Vector3(-4, 5, 0), 2, 2},  // none: the lot stays
        {Vector3(-4, 5, 0), 7, 0},  // a lot the block lacks becomes 0
    };
    Edit(block.get());
    for (const Case& c : cases) {
        m_Editor->m_CurrentLot = c.m_StartLot;
        m_Editor->m_CurrentEdge = 0;
        m_Editor->m_CurrentVertex = 0;
        MouseAt(c.m_Mouse);
        Update();
        EXPECT_EQ(m_Editor->m_CurrentLot, c.m_Lot) << c.m_Mouse.x << " " << c.m_Mouse.y;
    }
}

// The edge and vertex nearest the mouse on screen, against a search over every edge and vertex
// in the test; where two are as near, the earlier. The lot passes twice along the edge from
// (0, 0) to (4, 0), as entries 0-1 and 3-4.
TEST_F(BlockEditorState, HoverPicksTheNearestEdgeAndVertexTheEarlierOnATie) {
    const std::vector<Vector3> points = {Vector3(0, 0, 0), Vector3(4, 0, 0), Vector3(4, 3, 0),
                                         Vector3(-1, 2, 0)};
    const std::vector<int> cycle = {0, 1, 2, 0, 1, 3};
    std::unique_ptr<CityBlock> block = MakeBlock(points, {cycle});
    Edit(block.get());
    const Vector3 mice[] = {Vector3(1.2f, -0.3f, 0), Vector3(3.9f, -0.2f, 0),
                            Vector3(4.4f, 1.5f, 0),  Vector3(-0.8f, 1.0f, 0),
                            Vector3(2.0f, 2.7f, 0),  Vector3(0.1f, 0.1f, 0)};
    int n = int(cycle.size());
    for (const Vector3& mouse : mice) {
        SCOPED_TRACE(std::to_string(mouse.x) + " " + std::to_string(mouse.y));
        MouseAt(mouse);
        float nearestEdge = 1e10f;
        int edge = -1;
        float parameter = 0.0f;
        for (int j = 0; j < n; ++j) {
            float t = 0.0f;
            float d = dcPickSegmentDist(t, points[cycle[j]], points[cycle[(j + 1) % n]]);
            if (d < nearestEdge) {
                nearestEdge = d;
                edge = j;
                parameter = t;
            }
        }
        float nearestVertex = 1e10f;
        int vertex = -1;
        for (int i = 0; i < n; ++i) {
            float d = dcPickPointDist(points[cycle[i]]);
            if (d < nearestVertex) {
                nearestVertex = d;
                vertex = i;
            }
        }
        Update();
        EXPECT_EQ(m_Editor->m_CurrentEdge, edge);
        EXPECT_EQ(m_Editor->m_CursorParameter, parameter);
        EXPECT_EQ(m_Editor->m_CurrentVertex, vertex);
        EXPECT_EQ(m_Editor->m_HoverDistance, nearestVertex);
        // Never the second pass along the shared edge or over its corners.
        EXPECT_NE(m_Editor->m_CurrentEdge, 3);
        EXPECT_TRUE(m_Editor->m_CurrentVertex != 3 && m_Editor->m_CurrentVertex != 4);
    }
}

TEST_F(BlockEditorState, HoverTestsALotOfManyVerticesWithinItsBuffer) {
    const int count = 300;
    std::vector<Vector3> points;
    std::vector<int> cycle;
    for (int i = 0; i < count; ++i) {
        float angle = 6.2831853f * float(i) / float(count);
        points.push_back(Vector3(3.0f * std::cos(angle), 3.0f * std::sin(angle), 0.0f));
        cycle.push_back(i);
    }
    points.push_back(Vector3(-9, -9, 0));
    points.push_back(Vector3(-8, -9, 0));
    points.push_back(Vector3(-8, -8, 0));
    std::unique_ptr<CityBlock> block = MakeBlock(points, {{count, count + 1, count + 2}, cycle});
    Edit(block.get());
    MouseAt(points[10] * 0.97f);
    Update();
    EXPECT_EQ(m_Editor->m_CurrentLot, 1);
    // Every vertex is still a candidate for the nearest one.
    EXPECT_EQ(m_Editor->m_CurrentVertex, 10);
    MouseAt(points[299] * 0.97f);
    Update();
    EXPECT_EQ(m_Editor->m_CurrentLot, 1);
    EXPECT_EQ(m_Editor->m_CurrentVertex, 299);
}

TEST_F(BlockEditorState, WithoutHoverPickingNothingIsPickedAndNoVertexIsNear) {
    std::unique_ptr<CityBlock> block = MakeBlock(SquareXZ, {{0, 1, 2, 3}});
    Edit(block.get());
    MouseAt(Vector3(0, 0, 0));
    m_Editor->m_CurrentEdge = 2;
    m_Editor->m_CurrentVertex = 3;
    for (int hover : {0, 1}) {
        m_Editor->m_HoverPicking = uint8_t(hover);
        m_Editor->m_Capture = uint8_t(hover);  // a drag stops the picking too
        Update();
        EXPECT_EQ(m_Editor->m_HoverDistance, 1e10f);
        EXPECT_EQ(m_Editor->m_CurrentEdge, 2);
        EXPECT_EQ(m_Editor->m_CurrentVertex, 3);
    }
}

TEST_F(BlockEditorState, EdgeReadoutsSnapTheCursor) {
    struct Case {
        uint8_t m_Snap;
        uint8_t m_CCW;
        float m_Step;
        float m_Length;
        float m_Parameter;
        float m_Expected;  // parameter after the update
        float m_Distance;
        int m_Segments;
    };
    const Case cases[] = {
        {1, 1, 6, 10, 0.9375f, 1.0f, 10, 1},
        {1, 1, 4, 10, 0.75f, 0.8f, 8, 2},
        {1, 0, 4, 10, 0.75f, 0.6f, 4, 2},
        {1, 0, 3, 10, 0.02f, 0.1f, 9, 3},
        {1, 1, 3, 10, 0.02f, 0.0f, 0, 3},
        {1, 0, 6, 10, 0.05f, 0.0f, 10, 1},  // snapped past the start: clamped to 0
        {0, 1, 3, 10, 0.37f, 0.37f, 3.7f, 3},
        {0, 0, 3, 10, 0.25f, 0.25f, 7.5f, 3},
        {1, 1, 3, 0, 0.37f, 0.37f, 0, 0},  // no length: nothing to snap to
        {1, 0, 3, 0, 0.37f, 0.37f, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("snap " + std::to_string(c.m_Snap) + " ccw " + std::to_string(c.m_CCW) +
                     " step " + std::to_string(c.m_Step) + " length " +
                     std::to_string(c.m_Length) + " t " + std::to_string(c.m_Parameter));
        Vector3 a(1, 2, 3);
        Vector3 b(1 + c.m_Length * 0.6f, 2, 3 + c.m_Length * 0.8f);
        std::unique_ptr<CityBlock> block = MakeBlock({a, b, Vector3(0, 2, 20)}, {{0, 1, 2}});
        Edit(block.get());
        m_Editor->m_HoverPicking = 0;
        m_Editor->m_CurrentEdge = 0;
        m_Editor->m_CursorParameter = c.m_Parameter;
        BlockSnapOn = c.m_Snap;
        BlockSnapCCW = c.m_CCW;
        BlockSnapStep = c.m_Step;
        Update();
        EXPECT_NEAR(m_Editor->m_CursorParameter, c.m_Expected, 1e-6f);
        EXPECT_NEAR(BlockEdgeLength, c.m_Length, 1e-5f);
        EXPECT_NEAR(BlockVertexToCursor, c.m_Distance, 1e-5f);
        EXPECT_EQ(BlockSegmentCount, c.m_Segments);
        Vector3 cursor = a + (b - a) * c.m_Expected;
        EXPECT_NEAR(m_Editor->m_Cursor.Dist(cursor), 0.0f, 1e-5f);
        m_Editor.reset();
    }
}

TEST_F(BlockEditorState, VertexAndHeightReadoutsOnlyWiden) {
    std::unique_ptr<CityBlock> block =
        MakeBlock({Vector3(0, 1, 0), Vector3(10, 4, 0), Vector3(10, 2, 10), Vector3(0, 3, 10),
                   Vector3(20, 2.5f, 0), Vector3(20, 2.5f, 10)},
                  {{0, 1, 2, 3}, {1, 4, 5, 2}});
    Edit(block.get());
    m_Editor->m_HoverPicking = 0;
    m_Editor->m_GroundValue = 10.0f;
    struct Case {
        int m_Lot;
        int m_Vertex;
        float m_Ground;
        Vector3 m_Position;
        float m_Low, m_High, m_Sliver, m_Facade;
    };
    const Case cases[] = {
        {0, 3, 10, Vector3(0, 3, 10), 1, 4, 3, 6},
        {1, 1, 10, Vector3(20, 2.5f, 0), 1, 4, 3, 6},  // a lower lot keeps the extremes
        {1, 0, 3, Vector3(10, 4, 0), 1, 4, 3, 0},      // a roof below the top: no facade
    };
    for (const Case& c : cases) {
        m_Editor->m_CurrentLot = c.m_Lot;
        m_Editor->m_CurrentVertex = c.m_Vertex;
        m_Editor->m_GroundValue = c.m_Ground;
        Update();
        EXPECT_TRUE(BlockVertexPosition.x == c.m_Position.x &&
                    BlockVertexPosition.y == c.m_Position.y &&
                    BlockVertexPosition.z == c.m_Position.z)
            << "lot " << c.m_Lot << " vertex " << c.m_Vertex;
        EXPECT_EQ(BlockLowPerimeterY, c.m_Low);
        EXPECT_EQ(BlockHighPerimeterY, c.m_High);
        EXPECT_EQ(BlockSliverHeight, c.m_Sliver);
        EXPECT_EQ(BlockFacadeHeight, c.m_Facade);
    }
}

TEST_F(BlockEditorState, OppositeCursorFollowsWithShiftInDigitize) {
    std::unique_ptr<CityBlock> block = MakeBlock(SquareXZ, {{0, 1, 2, 3}});
    Edit(block.get());
    m_Editor->m_HoverPicking = 0;
    struct Case {
        uint8_t m_Digitize;
        bool m_Shift;
        int m_Edge;
        float m_Parameter;
        uint8_t m_Shown;
        Vector3 m_Opposite;  // what it holds afterwards
    };
    const Case cases[] = {
        {1, true, 0, 0.3f, 1, Vector3(3, 0, 10)},
        {1, true, 1, 0.25f, 1, Vector3(0, 0, 2.5f)},
        {1, true, 3, 0.5f, 1, Vector3(10, 0, 5)},
        {1, true, 0, 0.95f, 1, Vector3(10, 0, 5)},  // too near the far end: kept
        {1, false, 0, 0.4f, 0, Vector3(10, 0, 5)},
        {0, true, 0, 0.4f, 0, Vector3(10, 0, 5)},
    };
    for (const Case& c : cases) {
        m_Editor->m_Digitize = c.m_Digitize;
        m_Editor->m_CurrentEdge = c.m_Edge;
        m_Editor->m_CursorParameter = c.m_Parameter;
        if (c.m_Shift) {
            HoldKey(LeftShift);
        } else {
            ClearBlockInput();
        }
        Update();
        SCOPED_TRACE("edge " + std::to_string(c.m_Edge) + " t " + std::to_string(c.m_Parameter));
        EXPECT_EQ(m_Editor->m_OppositeShown, c.m_Shown);
        EXPECT_NEAR(m_Editor->m_OppositeCursor.Dist(c.m_Opposite), 0.0f, 1e-5f);
    }
    ClearBlockInput();
}

// Room 1 of the demo city is the square from (0, 0, 0) to (10, 0, 10) and carries a block,
// room 2 is a road that cannot.
class EditRoom : public ::testing::Test {
protected:
    EditRoom() {
        datAssetManager::SetPath(SourcePath("tests/data/oddcity").c_str());
        m_City.LoadSDL("demo");
        m_Console.Take();
        m_Editor.reset(new BlockEditor);
        MouseMode = 0;
        CurrentRoom = -1;
    }
    ~EditRoom() override {
        m_Editor.reset();
        DeleteAllRoomBlocks();
        MouseMode = 0;
        CurrentRoom = -1;
        datAssetManager::SetPath("");
    }

    ConsoleCapture m_Console;
    BlockEditorBanks m_Banks;
    lvlPSDL m_City;
    std::unique_ptr<BlockEditor> m_Editor;
};

TEST_F(EditRoom, MakesTheBlockFromTheRoomPerimeter) {
    ASSERT_TRUE(RoomCarriesBlock(&m_City, 1));
    EditRoomBlock(&m_City, m_Editor.get(), 1);
    CityBlock* block = GetRoomBlock(1);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(m_Editor->GetEditedBlock(), block);
    EXPECT_EQ(m_Editor->m_Room, 1);
    EXPECT_EQ(CurrentRoom, 1);
    EXPECT_EQ(MouseMode, 2);
    EXPECT_EQ(block->m_Id, int(m_City.m_RoomIds[1]));
    const lvlSDL* room = m_City.GetRoom(1);
    ASSERT_EQ(block->VertexCount(), int(room->GetPerimeterCount()));
    EXPECT_EQ(block->PerimeterCount(), block->VertexCount());
    for (int i = 0; i < block->VertexCount(); ++i) {
        const Vector3& expected = lvlPSDL::sm_Vertices[room->GetPerimeterVertex(uint32_t(i))];
        EXPECT_EQ(block->Vertex(i)->m_Position.Dist(expected), 0.0f) << i;
    }
    ASSERT_EQ(block->LotCount(), 1);
    EXPECT_EQ(block->Lot(0)->VertexCount(), block->VertexCount());
}

TEST_F(EditRoom, ReusesTheRoomsBlockAndKeepsItsHistory) {
    CityBlock* own = new CityBlock(42);
    own->BuildFromOutline(SquareXZ.data(), 4);
    GetRoomBlock(1) = own;
    EditRoomBlock(&m_City, m_Editor.get(), 1);
    EXPECT_EQ(GetRoomBlock(1), own);
    EXPECT_EQ(m_Editor->GetEditedBlock(), own);
    m_Editor->PushUndo();
    EditRoomBlock(&m_City, m_Editor.get(), 1);
    EXPECT_EQ(m_Editor->m_UndoCount, 1);
    EXPECT_EQ(own->m_Id, 42);
}

TEST_F(EditRoom, RoomsThatCannotCarryABlockChangeNothing) {
    ASSERT_FALSE(RoomCarriesBlock(&m_City, 2));
    CityBlock* own = new CityBlock(1);
    GetRoomBlock(1) = own;
    m_Editor->SetEditedBlock(own, 1);
    for (int room : {-1, 2, 0, int(m_City.m_RoomCount), MAX_ROOM_BLOCKS}) {
        EditRoomBlock(&m_City, m_Editor.get(), room);
        EXPECT_EQ(m_Editor->GetEditedBlock(), own) << room;
        EXPECT_EQ(m_Editor->m_Room, 1) << room;
        EXPECT_EQ(MouseMode, 0) << room;
        EXPECT_EQ(CurrentRoom, -1) << room;
    }
    EXPECT_EQ(GetRoomBlock(2), nullptr);
    EXPECT_EQ(GetRoomBlock(0), nullptr);
}

// Loading block data over the room or deleting its block frees the block being edited.
TEST_F(EditRoom, FreeingTheEditedBlockLetsTheEditorGo) {
    EditRoomBlock(&m_City, m_Editor.get(), 1);
    EditRoomBlock(&m_City, m_Editor.get(), 6);
    m_Editor->PushUndo();
    m_Editor->m_Capture = 1;
    DeleteRoomBlock(1);
    EXPECT_EQ(m_Editor->GetEditedBlock(), GetRoomBlock(6));
    EXPECT_EQ(m_Editor->m_UndoCount, 1);
    EXPECT_EQ(m_Editor->m_Capture, 1);
    // A drag under way when its block goes ends with it.
    DeleteRoomBlock(6);
    EXPECT_EQ(m_Editor->GetEditedBlock(), nullptr);
    EXPECT_EQ(m_Editor->m_Room, -1);
    EXPECT_EQ(m_Editor->m_UndoCount, 0);
    EXPECT_EQ(m_Editor->m_Capture, 0);
    m_Editor->UpdateBlockEditor(nullptr, &m_City);

    // A block freed after the editor is gone concerns no one.
    EditRoomBlock(&m_City, m_Editor.get(), 1);
    m_Editor.reset();
    DeleteAllRoomBlocks();
}
