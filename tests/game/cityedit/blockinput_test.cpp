#include "city/psdl.h"
#include "city/sdl.h"
#include "cityedit/blockcommand.h"
#include "cityedit/blockdata.h"
#include "cityedit/editor.h"
#include "cityedit/landmark.h"
#include "data/asset.h"

#include "tests/engine/devcam/recorder.h"
#include "tests/game/cityedit/blockcompare.h"
#include "tests/game/cityedit/blockeditorfixture.h"
#include "tests/game/cityedit/emitfixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const uint32_t Left = 1;
const uint32_t Right = 2;
const uint32_t Middle = 4;

const char* const DigitizeHelp =
    "LB: Insert Vertex\nMB: Anchor Edge\nRB: Move Vertex [Snap]\nWheel: Change Vertex Height "
    "[Coarse]";
const char* const AssignHelp =
    "LB: Repeat Last Assignment\nMB: Switch Current/Last Wall/Floor\nRB: Assign Menu\nWheel: "
    "Change Roof Height";

class BlockInput : public BlockEditorTest {};

// The lot commands of the assign menu, with the landmark items given.
std::vector<std::string> AssignMenuItems(const std::vector<std::string>& tail) {
    std::vector<std::string> items = {
        "Reset Lot|15",
        "Set roof height to 7.50 meters|16",
    };
    items.insert(items.end(), tail.begin(), tail.end());
    return items;
}

// The items every assign menu ends with: the subdivide submenu and the element choices, with
// the grid of the last command checked.
std::vector<std::string> MenuEnd(int checkedGrid) {
    std::vector<std::string> items = {"Assign Random Facade to lot...|19",
                                      "Subdivide...>Subdivide every 2.00 meters...|31"};
    for (int id = 112; id <= 118; ++id) {
        items.push_back("Subdivide...>Make 1x" + std::to_string(id % 10) + "...|" +
                        std::to_string(id) + (id == checkedGrid ? "|x" : ""));
    }
    for (const char* item : {"Set current ground/roof...\tCtrl-G|20",
                             "Set current wall...\tCtrl-W|21",
                             "Set current wall from current edge\tCtrl-T|33",
                             "Set current facade...\tCtrl-F|22", "Set current sliver...\tCtrl-V|23",
                             "Set current extra...\tCtrl-X|24", "Edit Lot Sliver Variant|28",
                             "Edit Wall Variant|27"}) {
        items.push_back(item);
    }
    return items;
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST_F(BlockInput, AssignMenuOffersWhatFitsTheLotAndChecksTheLastCommand) {
    m_Editor->m_GroundValue = 7.5f;
    m_Editor->m_WallWidth = 2.0f;
    // Lot 0 stays current, also of the two-lot block.
    m_Editor->m_HoverPicking = 0;
    struct Case {
        const char* m_Label;
        std::function<void(CityBlock&, BlockEditor&)> m_Set;
        std::vector<std::string> m_Items;
    };
    const std::vector<std::string> noLandmark = {"Assign adjustable landmark to lot...|17",
                                                 "Assign fixed landmark to block...|26",
                                                 "Fix Wall Width to Facade...|29",
                                                 "Set Wall Width to 2.00...|30"};
    const Case cases[] = {
        {"nothing at hand on a one-lot block; element choices never checked",
         [](CityBlock&, BlockEditor& e) { e.m_LastCommand = 21; },
         Join(AssignMenuItems(noLandmark), MenuEnd(0))},
        {"every element at hand on a two-lot block",
         [](CityBlock& b, BlockEditor& e) {
             b.MakeGrid(0, 0, 2);
             e.m_CurrentGround = 2;
             e.m_CurrentWall = 1;
             e.m_CurrentFacade = 2;
             e.m_CurrentSliver = 3;
             e.m_CurrentExtra = 4;
             e.m_LastCommand = 12;
         },
         Join(Join({"Assign 'tar' to ground|10", "Assign wall 'brick' to edge|11",
                    "Assign wall 'brick' to lot|12|x", "Assign facade 'kiosk' to lot|13",
                    "Assign sliver 'trim' to lot|14", "Assign sliver 'trim' to edge|32",
                    "Assign extra 'statue' to lot|25"},
                   AssignMenuItems({"Assign adjustable landmark to lot...|17",
                                    "Fix Wall Width to Facade...|29",
                                    "Set Wall Width to 2.00...|30"})),
              MenuEnd(0))},
        {"an adjustable landmark",
         [](CityBlock& b, BlockEditor& e) {
             b.Lot(0)->SetLandmark(std::unique_ptr<BlockLandmark>(new BlockLandmark("tower")));
             e.m_LastCommand = 18;
         },
         Join(AssignMenuItems({"Adjust landmark position|18|x"}), MenuEnd(0))},
        {"a fixed landmark",
         [](CityBlock& b, BlockEditor& e) {
             std::unique_ptr<BlockLandmark> landmark(new BlockLandmark("tower"));
             landmark->m_Fixed = 1;
             b.Lot(0)->SetLandmark(std::move(landmark));
             e.m_LastCommand = 114;
         },
         Join(AssignMenuItems({}), MenuEnd(114))},
    };
    CityBlock start(m_Block);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Label);
        m_Block = start;
        BlockEditor& e = *m_Editor;
        e.m_CurrentGround = e.m_CurrentWall = e.m_CurrentFacade = 0;
        e.m_CurrentSliver = e.m_CurrentExtra = 0;
        c.m_Set(m_Block, e);
        int last = m_Editor->m_LastCommand;
        MenuScript::Menus().clear();
        inpWindowButtons = Right;
        int snapshots = Snapshots([&] { Press({Right}); });
        ASSERT_EQ(1u, MenuScript::Menus().size());
        EXPECT_EQ(c.m_Items, MenuScript::Menus()[0]);
        // Dismissed: nothing done but the snapshot, and the menu took the button's release.
        EXPECT_EQ(1, snapshots);
        EXPECT_EQ(last, m_Editor->m_LastCommand);
        EXPECT_EQ(0u, inpWindowButtons);
    }
}

TEST_F(BlockInput, AssignMenuChoiceIsExecuted) {
    Raise(m_Block.Lot(0), 5.0f);
    MenuScript::Answers().assign({15});
    EXPECT_EQ(1, Snapshots([&] { Press({Right}); }));
    EXPECT_EQ(0.0f, m_Block.Lot(0)->m_HeightOffset);
    EXPECT_EQ(15, m_Editor->m_LastCommand);
}

TEST_F(BlockInput, LeftRepeatsTheLastCommandAndMiddleSwapsCurrentAndAlternate) {
    // Nothing recorded yet: the click does nothing but take its snapshot.
    CityBlock before(m_Block);
    EXPECT_EQ(1, Snapshots([&] { Press({Left}); }));
    ExpectSameBlock(m_Block, before, "last 0");

    m_Editor->m_LastCommand = 10;
    m_Editor->m_CurrentGround = 2;
    EXPECT_EQ(1, Snapshots([&] { Press({Left}); }));
    EXPECT_EQ(2, m_Block.Lot(0)->m_Floor);

    m_Editor->m_CurrentWall = 1;
    m_Editor->m_AlternateWall = 3;
    m_Editor->m_CurrentFacade = 2;
    m_Editor->m_AlternateGround = 1;
    EXPECT_EQ(0, Snapshots([&] { Press({Middle}); }));
    EXPECT_EQ(1, m_Editor->m_CurrentGround);
    EXPECT_EQ(2, m_Editor->m_AlternateGround);
    EXPECT_EQ(3, m_Editor->m_CurrentWall);
    EXPECT_EQ(1, m_Editor->m_AlternateWall);
    EXPECT_EQ(0, m_Editor->m_CurrentFacade);
    EXPECT_EQ(2, m_Editor->m_AlternateFacade);
}

TEST_F(BlockInput, WheelTunesTheCurrentLotByModifier) {
    m_Editor->m_HoverPicking = 0;
    m_Editor->m_CurrentEdge = 2;
    struct Case {
        const char* m_Label;
        std::vector<uint8_t> m_Keys;
        int m_Wheel;
        float m_Height;  // the lot's at the start; raised ones get edge records
        std::function<void(BlockLot&)> m_Before;
        std::function<void(BlockLot&)> m_Expect;
        float m_GroundValue;
    };
    auto none = [](BlockLot&) {};
    const Case cases[] = {
        {"pitch", {DIK_LCONTROL, DIK_LSHIFT}, 2, 5.0f, none,
         [](BlockLot& l) { l.m_Pitch = 0.125f; }, 0.0f},
        {"wall tile", {DIK_RCONTROL, DIK_RMENU}, -1, 5.0f, none,
         [](BlockLot& l) { l.m_WallTile = -0.0625f; }, 0.0f},
        {"rotation wraps", {DIK_LCONTROL}, 1, 5.0f, [](BlockLot& l) { l.m_Rotation = -128; },
         [](BlockLot& l) { l.m_Rotation = 127; }, 0.0f},
        {"rotation turns back", {DIK_RCONTROL}, 3, 0.0f, none,
         [](BlockLot& l) { l.m_Rotation = -3; }, 0.0f},
        {"scale wraps", {DIK_RSHIFT}, 1, 5.0f, [](BlockLot& l) { l.m_Scale = 255; },
         [](BlockLot& l) { l.m_Scale = 0; }, 0.0f},
        {"ground", {DIK_LMENU}, 2, 5.0f, none, [](BlockLot& l) { l.m_Ground = 0.125f; }, 0.0f},
        {"wall break 1", {DIK_1}, 2, 5.0f, none,
         [](BlockLot& l) { l.Edges()[2].m_WallBreak1 = 2.0f; }, 0.0f},
        {"wall break 2", {DIK_2}, -1, 5.0f, none,
         [](BlockLot& l) { l.Edges()[2].m_WallBreak2 = -1.0f; }, 0.0f},
        {"wall break without edge records", {DIK_1}, 2, 0.0f,
         [](BlockLot& l) { l.m_HeightOffset = 5.0f; }, none, 0.0f},
        {"roof", {}, 2, 5.0f, none, [](BlockLot& l) { l.m_HeightOffset = 7.0f; }, 7.0f},
        {"roof not to the ground", {}, -1, 1.0f, none, none, 0.0f},
        {"flat lot stays flat", {}, 1, 0.0f, none, none, 0.0f},
    };
    CityBlock start(m_Block);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Label);
        m_Block = start;
        if (c.m_Height != 0.0f) {
            Raise(m_Block.Lot(0), c.m_Height);
        }
        c.m_Before(*m_Block.Lot(0));
        m_Editor->m_GroundValue = 0.0f;
        CityBlock want(m_Block);
        c.m_Expect(*want.Lot(0));
        EXPECT_EQ(0, Snapshots([&] { Frame({0, c.m_Keys, c.m_Wheel}); }));
        ExpectSameBlock(m_Block, want, c.m_Label);
        EXPECT_EQ(c.m_GroundValue, m_Editor->m_GroundValue);
    }
}

TEST_F(BlockInput, KeysRunTheirShortcutsOnlyAsTheyGoDown) {
    Raise(m_Block.Lot(0), 5.0f);
    m_Editor->m_HoverPicking = 0;
    m_Editor->m_CurrentEdge = 1;
    BlockLotEdge* edges = m_Block.Lot(0)->Edges();
    edges[1].m_Wall = 4;

    // After "wall to lot" a new wall goes to every edge.
    m_Editor->m_LastCommand = 12;
    MenuScript::Answers().assign({3});
    EXPECT_EQ(1, Snapshots([&] { Press({0, {DIK_LCONTROL, DIK_W}}); }));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(3, edges[i].m_Wall) << i;
    }
    // Held on: not again.
    Frame({0, {DIK_LCONTROL, DIK_W}});
    EXPECT_EQ(1u, MenuScript::Menus().size());

    MenuScript::Answers().assign({2, 2, 4});
    Press({0, {DIK_RCONTROL, DIK_G}});
    EXPECT_EQ(2, m_Block.Lot(0)->m_Floor);
    Press({0, {DIK_LCONTROL, DIK_F}});
    EXPECT_EQ(2, m_Editor->m_CurrentFacade);
    EXPECT_EQ(13, m_Editor->m_LastCommand);
    edges = m_Block.Lot(0)->Edges();
    Press({0, {DIK_LCONTROL, DIK_V}});
    EXPECT_EQ(4, edges[1].m_Sliver);
    EXPECT_EQ(32, m_Editor->m_LastCommand);
    EXPECT_EQ(4u, MenuScript::Menus().size());

    // The first of the keys: G before W, one menu only.
    MenuScript::Answers().assign({1, 1});
    Press({0, {DIK_LCONTROL, DIK_W, DIK_G}});
    EXPECT_EQ(5u, MenuScript::Menus().size());
    EXPECT_EQ(1, m_Editor->m_CurrentGround);
    EXPECT_NE(1, m_Editor->m_CurrentWall);

    m_Editor->m_CurrentWall = 0;
    Press({0, {DIK_LCONTROL, DIK_T}});
    EXPECT_EQ(edges[1].m_Wall, m_Editor->m_CurrentWall);
    EXPECT_EQ(11, m_Editor->m_LastCommand);

    edges[1].m_WallBreak1 = 3.0f;
    edges[1].m_WallBreak2 = 4.0f;
    EXPECT_EQ(0, Snapshots([&] { Press({0, {DIK_LCONTROL, DIK_1}}); }));
    EXPECT_EQ(0.0f, edges[1].m_WallBreak1);
    EXPECT_EQ(4.0f, edges[1].m_WallBreak2);
    Press({0, {DIK_LCONTROL, DIK_2}});
    EXPECT_EQ(0.0f, edges[1].m_WallBreak2);

    // Ctrl+X is not a shortcut.
    size_t menus = MenuScript::Menus().size();
    EXPECT_EQ(0, Snapshots([&] { Press({0, {DIK_LCONTROL, DIK_X}}); }));
    EXPECT_EQ(menus, MenuScript::Menus().size());

    // Back and forth over the history.
    int position = m_Editor->m_UndoPosition;
    Press({0, {DIK_LCONTROL, DIK_Z}});
    EXPECT_EQ(position - 1, m_Editor->m_UndoPosition);
    Press({0, {DIK_LCONTROL, DIK_Y}});
    EXPECT_EQ(position, m_Editor->m_UndoPosition);

    // Space: textured, else wireframe; not with Ctrl.
    struct Case {
        int m_Mode;
        bool m_Ctrl;
        int m_After;
    } cases[] = {{2, false, 0}, {0, false, 2}, {1, false, 2}, {2, true, 2}};
    for (const Case& c : cases) {
        m_Editor->m_DrawMode = c.m_Mode;
        std::vector<uint8_t> keys = {DIK_SPACE};
        if (c.m_Ctrl) {
            keys.push_back(DIK_LCONTROL);
        }
        Press({0, keys});
        EXPECT_EQ(c.m_After, m_Editor->m_DrawMode) << c.m_Mode << c.m_Ctrl;
    }
}

TEST_F(BlockInput, HelpTextsFollowModeAndModifiers) {
    struct Case {
        uint8_t m_Digitize;
        std::vector<uint8_t> m_Keys;
        int m_Anchor;
        const char* m_Help;
    };
    const Case cases[] = {
        {1, {DIK_RMENU, DIK_LSHIFT}, 0,
         "LB: Delete Vertex\nMB: Delete Edge\nRB: Move Vertex\nWheel: Change Vertex Height"},
        {1, {DIK_RSHIFT}, 0, "LB: Cancel Edge\nMB: Insert Edge"},
        {1, {DIK_RSHIFT}, -1,
         "LB: Insert Vertex\nMB: Anchor Edge\nRB: Move Vertex [No Snap]\nWheel: Change Vertex "
         "Height [Fine]"},
        {1, {}, -1, DigitizeHelp},
        {0, {DIK_RCONTROL, DIK_LSHIFT, DIK_LMENU},
         -1,
         "LB: Repeat Last Assignment\nMB: Switch Current/Last Wall/Floor\nRB: Assign "
         "Menu\nWheel: Rotate Lot Texture"},
        {0, {DIK_LSHIFT, DIK_LMENU}, -1,
         "LB: Repeat Last Assignment\nMB: Switch Current/Last Wall/Floor\nRB: Assign "
         "Menu\nWheel: Scale Lot Texture"},
        {0, {DIK_RMENU}, -1,
         "LB: Repeat Last Assignment\nMB: Switch Current/Last Wall/Floor\nRB: Assign "
         "Menu\nWheel: Change Sliver Height"},
        {0, {}, -1, AssignHelp},
    };
    for (const Case& c : cases) {
        m_Editor->m_Digitize = c.m_Digitize;
        m_Editor->m_Anchor = c.m_Anchor;
        Frame({0, c.m_Keys});
        ASSERT_NE(nullptr, m_Editor->m_HelpText);
        EXPECT_STREQ(c.m_Help, m_Editor->m_HelpText);
    }
}

TEST_F(BlockInput, DigitizeInsertsAnchorsAndDeletes) {
    m_Editor->m_Digitize = 1;
    // Near the middle of edge 0: a vertex there.
    MouseAt(Vector3(5.0f, 0.0f, 0.5f));
    Frame({});
    EXPECT_EQ(0, m_Editor->m_CurrentEdge);
    EXPECT_EQ(1, Snapshots([&] { Press({Left}); }));
    ASSERT_EQ(5, m_Block.Lot(0)->VertexCount());
    const Vector3& added = m_Block.Vertex(m_Block.Lot(0)->VertexIndex(1))->m_Position;
    EXPECT_NEAR(5.0f, added.x, 0.05f);
    EXPECT_EQ(0.0f, added.z);
    EXPECT_EQ(0.0f, m_Editor->m_CursorParameter);

    // On corner 0: Alt deletes it, which the block refuses for the perimeter.
    MouseAt(Vector3(0.0f, 0.0f, 0.0f));
    CityBlock before(m_Block);
    BoxRecorder::Boxes().clear();
    EXPECT_EQ(1, Snapshots([&] { Press({Left, {DIK_LMENU}}); }));
    ExpectSameBlock(m_Block, before, "perimeter vertex");
    EXPECT_EQ(std::vector<std::string>{"Delete Vertex|Cannot delete a perimeter vertex"},
              BoxRecorder::Boxes());
    BoxRecorder::Boxes().clear();
    EXPECT_EQ(1, Snapshots([&] { Press({Middle, {DIK_RMENU}}); }));
    ExpectSameBlock(m_Block, before, "perimeter edge");
    EXPECT_EQ(std::vector<std::string>{"Delete Edge|Cannot remove edge on perimeter."},
              BoxRecorder::Boxes());

    // Anchored at corner 0: right button and wheel do nothing, middle on corner 3 (10, 0, 10)
    // makes the edge and keeps the anchor.
    EXPECT_EQ(1, Snapshots([&] { Press({Middle}); }));
    EXPECT_EQ(0, m_Editor->m_Anchor);
    Press({Right});
    Frame({0, {}, 3});
    EXPECT_EQ(0, m_Editor->m_Capture);
    ExpectSameBlock(m_Block, before, "anchored");
    MouseAt(Vector3(10.0f, 0.0f, 10.0f));
    Frame({});
    EXPECT_EQ(3, m_Editor->m_CurrentVertex);
    EXPECT_EQ(1, Snapshots([&] { Press({Middle}); }));
    EXPECT_EQ(2, m_Block.LotCount());
    EXPECT_EQ(0, m_Editor->m_Anchor);
    // Left lets the anchor go without a snapshot.
    EXPECT_EQ(0, Snapshots([&] { Press({Left}); }));
    EXPECT_EQ(-1, m_Editor->m_Anchor);
}

TEST_F(BlockInput, WheelRaisesTheVertexUnderTheMouseOnly) {
    m_Editor->m_Digitize = 1;
    struct Case {
        Vector3 m_Mouse;
        std::vector<uint8_t> m_Keys;
        int m_Wheel;
        float m_Y;
    } cases[] = {
        {Vector3(10.0f, 0.0f, 0.0f), {}, 2, 2.0f},
        {Vector3(10.0f, 0.0f, 0.0f), {DIK_LSHIFT}, -3, -0.3f},
        {Vector3(9.0f, 0.0f, 0.0f), {}, 2, 0.0f},  // 1 m off is far more than 5 pixels
    };
    for (const Case& c : cases) {
        m_Block.Vertex(1)->m_Position.y = 0.0f;
        MouseAt(c.m_Mouse);
        EXPECT_EQ(0, Snapshots([&] { Frame({0, c.m_Keys, c.m_Wheel}); }));
        EXPECT_FLOAT_EQ(c.m_Y, m_Block.Vertex(1)->m_Position.y) << c.m_Wheel;
    }
}

TEST_F(BlockInput, DraggedVertexSnapsToTheRoomUnlessShiftIsHeld) {
    // The demo city's room 1 is the square from (0, 0) to (10, 10) at height 0.
    lvlPSDL city;
    datAssetManager::SetPath(SourcePath("tests/data/oddcity").c_str());
    ASSERT_TRUE(city.LoadSDL("demo"));
    datAssetManager::SetPath(m_Files.m_Scratch.Root().c_str());
    m_City = &city;
    m_Editor->m_Digitize = 1;

    struct Case {
        Vector3 m_Target;
        bool m_Shift;
        float m_Z;  // NaN: where the mouse put it
    };
    const float where = std::nanf("");
    const Case cases[] = {
        {Vector3(3.0f, 0.0f, 0.15f), false, 0.0f},
        {Vector3(3.0f, 0.0f, 0.15f), true, where},
        // The edge is reached at 0.5, before corner (0, 0) at 1.0.
        {Vector3(0.9f, 0.0f, 0.4f), false, 0.0f},
        {Vector3(3.0f, 0.0f, 0.8f), false, 0.0f},
        {Vector3(5.0f, 0.0f, 3.0f), false, where},
    };
    CityBlock start(m_Block);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.m_Target.x) + " " + std::to_string(c.m_Target.z));
        m_Block = start;
        MouseAt(Vector3(10.0f, 0.0f, 0.0f));
        Frame({});
        ASSERT_EQ(1, m_Editor->m_CurrentVertex);
        int snapshots = Snapshots([&] {
            Press({Right});
            ASSERT_EQ(1, m_Editor->m_Capture);
            MouseAt(c.m_Target);
            Frame({Right});
            EXPECT_STREQ("Release mouse button to end drag.", m_Editor->m_HelpText);
            Frame({0, c.m_Shift ? std::vector<uint8_t>{DIK_LSHIFT} : std::vector<uint8_t>{}});
        });
        EXPECT_EQ(0, snapshots);
        EXPECT_EQ(0, m_Editor->m_Capture);
        const Vector3& v = m_Block.Vertex(1)->m_Position;
        EXPECT_NEAR(c.m_Target.x, v.x, 0.05f);
        EXPECT_EQ(0.0f, v.y);
        if (std::isnan(c.m_Z)) {
            EXPECT_NEAR(c.m_Target.z, v.z, 0.05f);
        } else {
            EXPECT_EQ(c.m_Z, v.z);
        }
    }
    m_City = nullptr;
}

TEST_F(BlockInput, LandmarkMovesWithKeysMouseAndWheelWhileCaptured) {
    m_Block.Vertex(0)->m_Position = Vector3(1.0f, 0.0f, 2.0f);
    BlockLot* lot = m_Block.Lot(0);
    lot->SetLandmark(std::unique_ptr<BlockLandmark>(new BlockLandmark("tower")));
    BlockLandmark& landmark = lot->Landmark();
    BlockMoveDelta = Vector3(0.5f, 0.25f, 2.0f);
    BlockRotationDelta = 0.6f;
    m_Editor->m_Capture = 1;

    struct Case {
        const char* m_Label;
        BlockFrameInput m_Input;
        Vector3 m_Position;
    } keys[] = {
        {"right", {0, {DIK_RIGHT}}, Vector3(1.5f, 2.0f, 3.0f)},
        {"left before up", {0, {DIK_UP, DIK_LEFT}}, Vector3(0.5f, 2.0f, 3.0f)},
        {"up", {0, {DIK_UP}}, Vector3(1.0f, 2.0f, 1.0f)},
        {"down", {0, {DIK_DOWN}}, Vector3(1.0f, 2.0f, 5.0f)},
        {"page up", {0, {DIK_PRIOR}}, Vector3(1.0f, 2.25f, 3.0f)},
        {"page down", {0, {DIK_NEXT}}, Vector3(1.0f, 1.75f, 3.0f)},
        {"middle", {Middle, {}, 0, 10}, Vector3(1.0f, 1.0f, 3.0f)},
    };
    for (const Case& c : keys) {
        SCOPED_TRACE(c.m_Label);
        landmark.m_Position = Vector3(1.0f, 2.0f, 3.0f);
        EXPECT_EQ(0, Snapshots([&] { Frame(c.m_Input); }));
        EXPECT_EQ(c.m_Position.x, landmark.m_Position.x);
        EXPECT_EQ(c.m_Position.y, landmark.m_Position.y);
        EXPECT_EQ(c.m_Position.z, landmark.m_Position.z);
        EXPECT_EQ(1, m_Editor->m_Capture);
    }
    // The read-out shows where the frame found it.
    EXPECT_EQ(2.0f, BlockLandmarkPosition.y);
    EXPECT_STREQ("LB: End Move\nMB: Change Height\nRB: Move in XZ\nWheel: Rotate Landmark",
                 m_Editor->m_HelpText);

    // Right button: under the mouse on the landmark's plane, from the block's first vertex;
    // a fixed landmark stands where the mouse is.
    for (uint8_t fixed : {0, 1}) {
        landmark.m_Fixed = fixed;
        landmark.m_Position = Vector3(0.0f, 2.0f, 0.0f);
        MouseAt(Vector3(7.0f, 2.0f, 4.0f));
        Frame({Right});
        EXPECT_NEAR(fixed ? 7.0f : 6.0f, landmark.m_Position.x, 0.05f) << int(fixed);
        EXPECT_NEAR(fixed ? 4.0f : 2.0f, landmark.m_Position.z, 0.05f) << int(fixed);
        EXPECT_EQ(2.0f, landmark.m_Position.y);
    }

    landmark.m_Rotation = 0;
    Frame({0, {}, 2});
    EXPECT_EQ(-1, landmark.m_Rotation);  // trunc(2 * 0.6)
    landmark.m_Scale = 255;
    Frame({0, {DIK_LSHIFT}, 2});
    EXPECT_EQ(1, landmark.m_Scale);
    EXPECT_STREQ("LB: End Move\nMB: Change Height\nRB: Move in XZ\nWheel: Scale Landmark",
                 m_Editor->m_HelpText);

    // Left with another button is not the end; left alone is.
    Press({Left | Middle});
    EXPECT_EQ(1, m_Editor->m_Capture);
    EXPECT_EQ(0, Snapshots([&] { Press({Left}); }));
    EXPECT_EQ(0, m_Editor->m_Capture);
}

TEST_F(BlockInput, AdjustingALotWithoutALandmarkLetsTheCaptureGo) {
    m_Editor->m_LastCommand = 18;
    Press({Left});
    EXPECT_EQ(1, m_Editor->m_Capture);
    Frame({});
    EXPECT_EQ(0, m_Editor->m_Capture);
    EXPECT_STREQ(AssignHelp, m_Editor->m_HelpText);
}

// A city past the rooms the block table holds, with rooms of a long, an empty and a two-point
// perimeter: each is edited, worked on in both modes and drawn without fault; a room past the
// table is refused with a warning.
TEST_F(BlockInput, RoomsOfAnyPerimeterInABigCityAreEditedWithoutFault) {
    const uint32_t ring = 600;
    lvlPSDL::AllocateVertices(ring);
    for (uint32_t i = 0; i < ring; ++i) {
        float angle = 6.2831853f * float(i) / float(ring);
        lvlPSDL::sm_Vertices[i] = Vector3(5.0f + 4.0f * std::cos(angle), 0.0f,
                                          5.0f + 4.0f * std::sin(angle));
    }
    lvlPSDL city;
    city.AllocateRooms(MAX_ROOM_BLOCKS + 3);
    struct Case {
        int m_Room;
        uint32_t m_Perimeter;
        int m_Vertices;  // of the block made; -1 refused
    };
    const Case cases[] = {{1, ring, MAX_EDIT_PERIMETER},
                          {2, 0, 0},
                          {3, 2, 2},
                          {MAX_ROOM_BLOCKS + 1, 4, -1}};
    for (const Case& c : cases) {
        city.m_Rooms[c.m_Room].reset(lvlSDL::Create(c.m_Perimeter, 0));
        city.m_RoomTypes[c.m_Room] = 1;
        for (uint32_t i = 0; i < c.m_Perimeter; ++i) {
            city.m_Rooms[c.m_Room]->GetPerimeterEntry(i).m_Vertex = uint16_t(i);
        }
    }
    m_City = &city;
    RecordingDrawer marks;
    EmitRecorder lots;
    lvlEmitDrawer* emitDrawer = EmitDrawer;
    EmitDrawer = &lots;
    m_Editor->m_DrawMode = DrawWireframe;
    const std::vector<BlockFrameInput> session = {
        {}, {Left}, {Middle}, {Middle}, {Right}, {0, {}, 2}, {},
        {Left, {DIK_LMENU}}, {Middle, {DIK_LMENU}}, {0, {DIK_LCONTROL, DIK_Z}},
        {0, {DIK_LCONTROL, DIK_Y}}, {0, {DIK_LCONTROL, DIK_T}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Room);
        CityBlock* before = m_Editor->GetEditedBlock();
        m_Console.Take();
        EditRoomBlock(&city, m_Editor.get(), c.m_Room);
        if (c.m_Vertices < 0) {
            EXPECT_EQ(before, m_Editor->GetEditedBlock());
            EXPECT_NE(std::string::npos, m_Console.Take().find("Room 2049 "));
            continue;
        }
        CityBlock* block = GetRoomBlock(c.m_Room);
        EXPECT_EQ(block, m_Editor->GetEditedBlock());
        if (!block || block->LotCount() != 1) {
            ADD_FAILURE() << "no block of one lot";
            continue;
        }
        EXPECT_EQ(c.m_Vertices, block->VertexCount());
        EXPECT_EQ(c.m_Vertices, block->Lot(0)->VertexCount());
        for (uint8_t digitize : {1, 0}) {
            m_Editor->m_Digitize = digitize;
            for (const BlockFrameInput& input : session) {
                Press(input);
                m_Editor->DrawBlockLots(nullptr, &city);
            }
        }
        for (int id = CmdAssignGround; id <= CmdWallFromEdge; ++id) {
            m_Editor->DoBlockMenuCommand(id);
            m_Editor->m_Capture = 0;
            Frame({});
            m_Editor->DrawBlockLots(nullptr, &city);
        }
    }
    EmitDrawer = emitDrawer;
    m_Editor->SetEditedBlock(&m_Block, 1);
    DeleteAllRoomBlocks();
    MouseMode = 0;
    CurrentRoom = -1;
    m_City = nullptr;
}
