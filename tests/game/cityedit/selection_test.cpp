#include "city/psdl.h"
#include "cityedit/blockdata.h"
#include "cityedit/editor.h"
#include "cityedit/modes.h"
#include "cityedit/selection.h"
#include "rgl/rgl.h"
#include "tests/engine/rgl/rglfixture.h"
#include "tests/game/cityedit/blockeditorfixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

const uint32_t Left = 1;
const uint32_t Right = 2;
const uint32_t Middle = 4;

// A city under the block editor's camera (looking down on the square from the origin to
// (10, 0, 10)): room 1 a block room [0,4]x[0,4] with room 3 [2,4]x[2,4] over its corner, room 2
// a warp room [6,10]x[0,4], and two rings of radius 1.5, room 4 of 513 vertices round (2, 8)
// and room 5 of 300 round (8, 8).
class Selection : public BlockEditorTest {
protected:
    void SetUp() override {
        BlockEditorTest::SetUp();
        rglSetVertexFormat(FVF_VCT1);
        m_PickCity.AllocateRooms(6);
        Room(1, Square(0, 0, 4), 0x01);
        Room(2, Square(6, 0, 4), 0x40);
        Room(3, Square(2, 2, 2), 0x00);
        Room(4, Ring(2, 8, 513), 0x01);
        Room(5, Ring(8, 8, 300), 0x00);
        lvlPSDL::AllocateVertices(uint32_t(m_Points.size()));
        std::copy(m_Points.begin(), m_Points.end(), lvlPSDL::sm_Vertices.begin());
        m_Selection.assign(6, 0);
        CurrentRoom = -1;
        MouseMode = 1;
        HideUnselected = 0;
        PickAnyVert = 1;
        PickedRoom = -1;
        SdlId = -1;
        WarpRoom = 0;
        m_Editor->SetEditedBlock(nullptr, 0);
    }
    void TearDown() override {
        DeleteAllRoomBlocks();
        CurrentRoom = -1;
        MouseMode = 0;
        HideUnselected = 0;
        PickAnyVert = 1;
        // The drawing ring goes with the device, before the pipeline frees its buffers.
        gfxRunHooks(gfxHookDeviceReleasing);
        BlockEditorTest::TearDown();
    }

    static std::vector<Vector3> Square(float x, float z, float side) {
        return {Vector3(x, 0, z), Vector3(x + side, 0, z), Vector3(x + side, 0, z + side),
                Vector3(x, 0, z + side)};
    }
    static std::vector<Vector3> Ring(float x, float z, int count) {
        std::vector<Vector3> ring;
        for (int i = 0; i < count; ++i) {
            float angle = 6.2831853f * float(i) / float(count);
            ring.push_back(Vector3(x + 1.5f * std::cos(angle), 0, z + 1.5f * std::sin(angle)));
        }
        return ring;
    }
    void Room(int room, const std::vector<Vector3>& outline, uint8_t type) {
        m_PickCity.m_Rooms[room].reset(lvlSDL::Create(uint32_t(outline.size()), 0));
        for (size_t i = 0; i < outline.size(); ++i) {
            m_PickCity.m_Rooms[room]->GetPerimeterEntry(uint32_t(i)).m_Vertex =
                uint16_t(m_Points.size());
            m_Points.push_back(outline[i]);
        }
        m_PickCity.m_RoomTypes[room] = type;
        m_PickCity.m_RoomIds[room] = uint32_t(100 + room);
    }

    // One frame of the mode with the mouse over the point.
    void PickFrame(const Vector3& point, const BlockFrameInput& input = BlockFrameInput()) {
        MouseAt(point);
        Feed(input);
        SelectionMenu(&m_PickCity, m_Editor.get(), &PickedRoom, m_Selection.data());
    }
    // A left-button drag from one point to the other, released there.
    void Drag(const Vector3& from, const Vector3& to, std::vector<uint8_t> keys = {}) {
        PickFrame(from, BlockFrameInput(0, keys));
        PickFrame(from, BlockFrameInput(Left, keys));
        PickFrame(to, BlockFrameInput(Left, keys));
        PickFrame(to, BlockFrameInput(0, keys));
    }
    // The menu over the point, answered with the id.
    void Menu(const Vector3& point, int id) {
        MenuScript::Answers().push_back(id);
        PickFrame(point);
        PickFrame(point, BlockFrameInput(Right));
    }
    std::set<int> Selected() const {
        std::set<int> rooms;
        for (size_t r = 0; r < m_Selection.size(); ++r) {
            if (m_Selection[r] & 1) {
                rooms.insert(int(r));
            }
        }
        return rooms;
    }

    lvlPSDL m_PickCity;
    std::vector<Vector3> m_Points;
    std::vector<uint8_t> m_Selection;
};

// The six planes of the box from (x1, -10, z1) to (x2, 10, z2), inside behind each.
void BoxPlanes(Vector4 planes[6], float x1, float z1, float x2, float z2) {
    planes[0] = Vector4(1, 0, 0, x2);
    planes[1] = Vector4(-1, 0, 0, -x1);
    planes[2] = Vector4(0, 0, 1, z2);
    planes[3] = Vector4(0, 0, -1, -z1);
    planes[4] = Vector4(0, 1, 0, 10);
    planes[5] = Vector4(0, -1, 0, 10);
}

TEST_F(Selection, TheVolumeSelectsByAnyOrEveryVertex) {
    struct Case {
        const char* m_Name;
        float m_Box[4];
        bool m_AnyVertex;
        uint8_t m_Value;
        std::set<int> m_Selected;
    };
    const Case cases[] = {
        {"any vertex", {-1, -1, 7, 5}, true, 1, {1, 2, 3}},
        {"every vertex", {-1, -1, 7, 5}, false, 1, {1, 3}},
        {"everything, but the ring past the limit", {-5, -5, 15, 15}, true, 1, {1, 2, 3, 5}},
        {"removal", {-1, -1, 7, 5}, true, 0, {0, 4, 5}},
        {"nothing", {20, 20, 30, 30}, true, 0, {0, 1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Name);
        m_Selection.assign(6, c.m_Value ? 0 : 1);
        Vector4 planes[6];
        BoxPlanes(planes, c.m_Box[0], c.m_Box[1], c.m_Box[2], c.m_Box[3]);
        SelectRoomsInVolume(&m_PickCity, planes, m_Selection.data(), c.m_Value, c.m_AnyVertex);
        EXPECT_EQ(Selected(), c.m_Selected);
    }
}

TEST_F(Selection, TheLastRoomUnderTheMouseIsPicked) {
    struct Case {
        Vector3 m_Mouse;
        int m_Room;
        int m_Id;
        uint8_t m_Warp;
    };
    const Case cases[] = {
        {Vector3(1, 0, 1), 1, 101, 0},
        {Vector3(3, 0, 3), 3, 103, 0},
        {Vector3(8, 0, 2), 2, 102, 1},
        {Vector3(5, 0, 5), -1, 102, 1},
        // Past the selection limit; within it, a room of more corners than a screen polygon
        // of the pick object holds.
        {Vector3(2, 0, 8), -1, 102, 1},
        {Vector3(8, 0, 8), 5, 105, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Room);
        PickFrame(c.m_Mouse);
        EXPECT_EQ(PickedRoom, c.m_Room);
        EXPECT_EQ(SdlId, c.m_Id);
        EXPECT_EQ(WarpRoom, c.m_Warp);
    }
    EXPECT_TRUE(Selected().empty());
}

TEST_F(Selection, DragsAddOrWithAltRemoveAndTheMiddleButtonToggles) {
    Drag(Vector3(-1, 0, -1), Vector3(11, 0, 11));
    EXPECT_EQ(Selected(), (std::set<int>{1, 2, 3, 5}));
    Drag(Vector3(5, 0, -1), Vector3(11, 0, 5), {DIK_LMENU});
    EXPECT_EQ(Selected(), (std::set<int>{1, 3, 5}));
    // Alt let go during the drag: the box keeps what it started as.
    PickFrame(Vector3(-1, 0, -1), BlockFrameInput(Left, {DIK_RMENU}));
    PickFrame(Vector3(5, 0, 5), BlockFrameInput(Left));
    PickFrame(Vector3(5, 0, 5));
    EXPECT_EQ(Selected(), (std::set<int>{5}));

    PickFrame(Vector3(8, 0, 2), BlockFrameInput(Middle));
    EXPECT_EQ(Selected(), (std::set<int>{2, 5}));
    PickFrame(Vector3(8, 0, 2), BlockFrameInput(Middle));
    EXPECT_EQ(Selected(), (std::set<int>{2, 5})) << "a held button is no new press";
    PickFrame(Vector3(8, 0, 2));
    PickFrame(Vector3(8, 0, 2), BlockFrameInput(Middle));
    EXPECT_EQ(Selected(), (std::set<int>{5}));
    PickFrame(Vector3(5, 0, 5), BlockFrameInput());
    PickFrame(Vector3(5, 0, 5), BlockFrameInput(Middle));
    EXPECT_EQ(Selected(), (std::set<int>{5})) << "nothing picked, nothing toggled";
}

TEST_F(Selection, TheMenuOffersTheRoomCommandsByRoom) {
    const std::vector<std::string> common = {
        "Save Selection as VRML file|1003", "Save Selection as block data|24",
        "Clear Selection|20", "Invert Selection|21"};
    struct Case {
        Vector3 m_Mouse;
        uint8_t m_Hide;
        uint8_t m_AnyVert;
        std::vector<std::string> m_Head;
        std::vector<std::string> m_Tail;
    };
    const Case cases[] = {
        {Vector3(5, 0, 5), 0, 1, {},
         {"Hide Unselected|22", "Pick any Vert to Select Block|23|x"}},
        {Vector3(8, 0, 2), 1, 0, {"Set Camera Axis to Selected Room|11"},
         {"Hide Unselected|22|x", "Pick any Vert to Select Block|23"}},
        {Vector3(1, 0, 1), 0, 1,
         {"Edit Current Block|10", "Set Camera Axis to Selected Room|11",
          "Delete Current Block|12"},
         {"Hide Unselected|22", "Pick any Vert to Select Block|23|x"}},
    };
    for (const Case& c : cases) {
        HideUnselected = c.m_Hide;
        PickAnyVert = c.m_AnyVert;
        MenuScript::Menus().clear();
        inpWindowButtons = Right;
        Menu(c.m_Mouse, 0);
        std::vector<std::string> expected = c.m_Head;
        expected.insert(expected.end(), common.begin(), common.end());
        expected.insert(expected.end(), c.m_Tail.begin(), c.m_Tail.end());
        ASSERT_EQ(MenuScript::Menus().size(), 1u);
        EXPECT_EQ(MenuScript::Menus()[0], expected);
        EXPECT_EQ(inpWindowButtons, 0u);
    }
}

TEST_F(Selection, TheSelectionCommands) {
    m_Selection = {0, 1, 0, 1, 0, 0};
    Menu(Vector3(5, 0, 5), 21);
    EXPECT_EQ(m_Selection, (std::vector<uint8_t>{1, 0, 1, 0, 1, 1})) << "room 0 flips too";
    Menu(Vector3(5, 0, 5), 20);
    EXPECT_EQ(m_Selection, std::vector<uint8_t>(6, 0));
    Menu(Vector3(5, 0, 5), 22);
    Menu(Vector3(5, 0, 5), 23);
    EXPECT_EQ(HideUnselected, 1);
    EXPECT_EQ(PickAnyVert, 0);
    Menu(Vector3(5, 0, 5), 22);
    Menu(Vector3(5, 0, 5), 23);
    EXPECT_EQ(HideUnselected, 0);
    EXPECT_EQ(PickAnyVert, 1);

    Menu(Vector3(8, 0, 2), 11);
    const Vector3& axis = TrackCam.m_AxisFrame.d;
    EXPECT_NEAR(axis.x, 8.0f, 1e-4f);
    EXPECT_NEAR(axis.z, 2.0f, 1e-4f);
    EXPECT_EQ(MouseMode, 1);
}

TEST_F(Selection, EditAndDeleteTheBlockOfThePickedRoom) {
    Menu(Vector3(3, 0, 1), 10);
    EXPECT_NEAR(TrackCam.m_AxisFrame.d.x, 2.0f, 1e-4f);
    EXPECT_NEAR(TrackCam.m_AxisFrame.d.z, 2.0f, 1e-4f);
    EXPECT_EQ(CurrentRoom, 1);
    EXPECT_EQ(MouseMode, 2);
    ASSERT_NE(GetRoomBlock(1), nullptr);
    EXPECT_EQ(m_Editor->GetEditedBlock(), GetRoomBlock(1));

    MouseMode = 1;
    int answer = IDNO;
    static int* sAnswer;
    sAnswer = &answer;
    bkMessageBoxFunc previous = bkSetMessageBoxFunc([](HWND, const char* text, const char* caption,
                                                       UINT type) -> int {
        BoxRecorder::Boxes().push_back(std::string(caption) + "|" + text);
        BoxRecorder::Types().push_back(type);
        return *sAnswer;
    });
    Menu(Vector3(3, 0, 1), 12);
    EXPECT_NE(GetRoomBlock(1), nullptr);
    EXPECT_EQ(CurrentRoom, 1);
    answer = IDYES;
    Menu(Vector3(3, 0, 1), 12);
    bkSetMessageBoxFunc(previous);
    EXPECT_EQ(GetRoomBlock(1), nullptr);
    EXPECT_EQ(m_Editor->GetEditedBlock(), nullptr);
    EXPECT_EQ(CurrentRoom, -1);
    const std::string box =
        "Confirm!|This cannot be undone!  Are you sure you want to delete the current block?";
    EXPECT_EQ(BoxRecorder::Boxes(), (std::vector<std::string>{box, box}));
    EXPECT_EQ(BoxRecorder::Types()[0], UINT(MB_YESNO | MB_ICONQUESTION));
}

// Both dialogs start in the city folder and then where the last choice was; the export holds
// the selected rooms, the block file the selected rooms' blocks.
TEST_F(Selection, TheSelectionIsSavedThroughItsDialogs) {
    EditRoomBlock(&m_PickCity, m_Editor.get(), 1);
    EditRoomBlock(&m_PickCity, m_Editor.get(), 4);
    MouseMode = 1;
    m_Selection = {0, 1, 0, 0, 0, 0};
    // The scratch folder named from the working directory, so that its names fit the dialog's
    // 64 bytes wherever the tests run.
    datAssetManager::SetPath(m_Files.m_Scratch.Relative().c_str());
    std::string root = datAssetManager::GetPath();
    const std::string picked = root + "city\\picked";
    const std::string elsewhere = root + "elsewhere";
    FileDialogScript::Names() = {picked.c_str(), elsewhere.c_str(), nullptr};
    Menu(Vector3(5, 0, 5), 1003);
    Menu(Vector3(5, 0, 5), 24);
    Menu(Vector3(5, 0, 5), 24);
    const std::vector<FileDialogScript::Shown>& shown = FileDialogScript::Dialogs();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].m_Filter, "*.wrl");
    EXPECT_EQ(shown[0].m_Description, "VRML 2.0 File");
    EXPECT_EQ(shown[0].m_Size, 64u);
    EXPECT_TRUE(shown[0].m_Save);
    ASSERT_LT(root.size() + 5, 64u) << "the scratch root fits the dialog";
    // The dialog starts in the folder its buffer names.
    EXPECT_EQ(shown[0].m_Entry, root + "city");
    EXPECT_EQ(shown[1].m_Filter, "*.block");
    EXPECT_EQ(shown[1].m_Description, "City Block File");
    EXPECT_EQ(shown[1].m_Size, 256u);
    EXPECT_EQ(shown[1].m_Entry, root + "city");
    EXPECT_EQ(shown[2].m_Entry, elsewhere) << "the last choice";

    std::string vrml = ReadWholeFile(m_Files.m_Scratch.Path("city\\picked.wrl"));
    EXPECT_EQ(vrml.find("#VRML V2.0 utf8\r\nDEF Room01 Transform {"), 0u);
    EXPECT_EQ(vrml.find("Room04"), std::string::npos);
    std::string blocks = ReadWholeFile(m_Files.m_Scratch.Path("elsewhere.block"));
    ASSERT_GE(blocks.size(), 4u);
    EXPECT_EQ(blocks.substr(blocks.size() - 4), "end\n");
    CityBlock* block1 = GetRoomBlock(1);
    EXPECT_NE(blocks.find("101"), std::string::npos) << blocks;
    EXPECT_EQ(blocks.find("104"), std::string::npos) << blocks;
    EXPECT_NE(block1, nullptr);
}

// The buffer is seeded only with a path that fits it whole.
TEST(SelectionDialog, TheSeedIsBounded) {
    struct Case {
        std::string m_Root;
        std::string m_Before;
        std::string m_After;
    };
    const std::string longRoot = std::string(60, 'r') + "\\";
    const Case cases[] = {
        {"", "", "city\\"},
        {"root\\", "", "root\\city\\"},
        {longRoot, "", ""},
        {"root\\", "kept.wrl", "kept.wrl"},
    };
    for (const Case& c : cases) {
        datAssetManager::SetPath(c.m_Root.c_str());
        char buffer[64] = {};
        snprintf(buffer, sizeof(buffer), "%s", c.m_Before.c_str());
        // A canary after the buffer's end.
        char guarded[80];
        memset(guarded, '#', sizeof(guarded));
        memcpy(guarded, buffer, sizeof(buffer));
        SeedCityDialog(guarded, sizeof(buffer));
        EXPECT_EQ(std::string(guarded), c.m_After) << c.m_Root;
        EXPECT_EQ(guarded[64], '#');
    }
    datAssetManager::SetPath("");
}

// Translucent walls 30 high round the picked room and the selected ones, without culling;
// "Hide Unselected" leaves the picked room only.
TEST_F(Selection, TheWallsShowWhatIsPickedAndSelected) {
    struct Case {
        Vector3 m_Mouse;
        std::vector<uint8_t> m_Selection;
        uint8_t m_Hide;
        std::vector<std::pair<int, uint32_t>> m_Walls;
    };
    const Case cases[] = {
        {Vector3(5, 0, 5), {1, 1, 0, 1, 0, 0}, 0, {{4, 0x7FFF0000}, {4, 0x7FFF0000}}},
        {Vector3(1, 0, 1), {0, 1, 0, 0, 0, 1}, 0, {{4, 0x7FFFFF00}, {300, 0x7FFF0000}}},
        {Vector3(8, 0, 2), {0, 1, 0, 0, 0, 0}, 0, {{4, 0x7FFF0000}, {4, 0x7F00FF00}}},
        {Vector3(8, 0, 2), {0, 1, 0, 0, 0, 0}, 1, {{4, 0x7F00FF00}}},
    };
    for (const Case& c : cases) {
        m_Selection = c.m_Selection;
        HideUnselected = c.m_Hide;
        rglEndFrame();
        m_Device.Forget();
        PickFrame(c.m_Mouse);
        // What the device last received is what the walls were drawn with.
        EXPECT_EQ(gfxDeviceState.m_CullMode, D3DCULL_NONE);
        EXPECT_EQ(gfxDeviceState.m_AlphaEnable, 1);
        std::vector<std::pair<int, uint32_t>> walls;
        bool thirtyHigh = true;
        for (const std::vector<uint8_t>& draw : m_Device.m_DrawnVertices) {
            std::vector<RglDrawnVertex> vertices(draw.size() / sizeof(RglDrawnVertex));
            memcpy(vertices.data(), draw.data(), vertices.size() * sizeof(RglDrawnVertex));
            ASSERT_FALSE(vertices.empty());
            for (size_t i = 0; i + 1 < vertices.size(); i += 2) {
                thirtyHigh &= vertices[i].y == 30.0f && vertices[i + 1].y == 0.0f &&
                              vertices[i].x == vertices[i + 1].x;
            }
            thirtyHigh &= vertices.front().x == vertices[vertices.size() - 2].x &&
                          vertices.front().z == vertices[vertices.size() - 2].z;
            walls.push_back({int(vertices.size() / 2) - 1, vertices[0].m_Colour});
        }
        EXPECT_EQ(walls, c.m_Walls);
        EXPECT_TRUE(thirtyHigh) << "each wall closes on its first vertex";
        EXPECT_EQ(gfxCurrentState.m_CullMode, D3DCULL_CW);
        EXPECT_EQ(gfxCurrentState.m_AlphaEnable, 0);
    }
}

}  // namespace
