// The frame loop's parts without a window: the key table, the camera presets and the commands.
#include "bank/dialogseam.h"
#include "cityedit/block.h"
#include "cityedit/blockdata.h"
#include "cityedit/blockeditor.h"
#include "cityedit/editor.h"
#include "cityedit/groups.h"
#include "cityedit/mainloop.h"
#include "devcam/trackballcam.h"
#include "input/event.h"
#include "tests/game/cityedit/blockeditorvalues.h"
#include "tests/game/cityedit/demoblocks.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <dinput.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Keys {
    uint8_t m_Now[256] = {};
    uint8_t m_Before[256] = {};
    KeyFrame Frame() const { return {m_Now, m_Before}; }
};

Keys Press(std::vector<uint8_t> pressed, std::vector<uint8_t> held = {}) {
    Keys keys;
    for (uint8_t key : pressed) {
        keys.m_Now[key] = 0x80;
    }
    for (uint8_t key : held) {
        keys.m_Now[key] = 0x80;
        keys.m_Before[key] = 0x80;
    }
    return keys;
}

}  // namespace

TEST(MainKeys, FunctionKeysSetModeAndDetail) {
    struct Case {
        const char* m_Name;
        std::vector<uint8_t> m_Pressed;
        std::vector<uint8_t> m_Held;
        int32_t m_Mode, m_LastMode, m_LOD;
        bool m_CurrentRoom, m_Capture;
        int32_t m_WantMode, m_WantLast, m_WantLOD, m_WantPick;
    };
    const Case cases[] = {
        {"F1 from 0 to the last mode", {DIK_F1}, {}, 0, 1, 3, false, false, 1, 1, 3, 0},
        {"F1 back to 0", {DIK_F1}, {}, 5, 5, 3, false, false, 0, 5, 3, 0},
        {"F2 Pick", {DIK_F2}, {}, 0, 4, 3, false, false, 1, 1, 3, 0},
        {"F3 without a room", {DIK_F3}, {}, 1, 1, 3, false, false, 1, 1, 3, 0},
        {"F4 without a room", {DIK_F4}, {}, 0, 1, 3, false, false, 0, 1, 3, 0},
        {"F3 with a room", {DIK_F3}, {}, 1, 1, 3, true, false, 3, 3, 3, 0},
        {"F4 with a room", {DIK_F4}, {}, 1, 1, 3, true, false, 2, 2, 3, 0},
        {"Shift+F3 picks", {DIK_F3}, {DIK_LSHIFT}, 0, 1, 3, true, false, 0, 1, 3, 3},
        {"Shift+F4 picks", {DIK_F4}, {DIK_RSHIFT}, 1, 1, 3, false, false, 1, 1, 3, 4},
        {"F5", {DIK_F5}, {}, 0, 1, 3, false, false, 4, 4, 3, 0},
        {"F9", {DIK_F9}, {}, 0, 1, 3, false, false, 8, 8, 3, 0},
        {"F12 wraps", {DIK_F12}, {}, 0, 1, 3, false, false, 0, 1, 0, 0},
        {"F12 steps", {DIK_F12}, {}, 0, 1, 1, false, false, 0, 1, 2, 0},
        {"held F2 is no press", {}, {DIK_F2, DIK_F12}, 0, 1, 3, false, false, 0, 1, 3, 0},
        {"first rule wins", {DIK_F2, DIK_F5}, {}, 0, 1, 3, false, false, 1, 1, 3, 0},
        {"capture ignores keys", {DIK_F2, DIK_F12}, {}, 3, 3, 3, true, true, 3, 3, 3, 0},
    };
    for (const Case& c : cases) {
        Keys keys = Press(c.m_Pressed, c.m_Held);
        ModeKeys result = ApplyKeys(c.m_Mode, c.m_LastMode, c.m_LOD, c.m_CurrentRoom, c.m_Capture,
                                    keys.Frame());
        EXPECT_EQ(result.m_Mode, c.m_WantMode) << c.m_Name;
        EXPECT_EQ(result.m_LastMode, c.m_WantLast) << c.m_Name;
        EXPECT_EQ(result.m_LOD, c.m_WantLOD) << c.m_Name;
        EXPECT_EQ(result.m_PickAndEdit, c.m_WantPick) << c.m_Name;
    }
}

TEST(MainKeys, APressIsADownStateChangeNotAByteChange) {
    Keys keys;
    // A held key whose byte reads differently from one poll to the next.
    keys.m_Now[DIK_T] = 0x80;
    keys.m_Before[DIK_T] = 0x81;
    EXPECT_EQ(PresetForKeys(keys.Frame()), PresetNone);
    EXPECT_EQ(PresetForKeys(Press({DIK_B, DIK_T}).Frame()), PresetTop);
    EXPECT_EQ(PresetForKeys(Press({DIK_L}).Frame()), PresetLeft);
    EXPECT_EQ(PresetForKeys(Press({DIK_R}).Frame()), PresetRight);
    EXPECT_EQ(PresetForKeys(Press({DIK_F}).Frame()), PresetFront);
    EXPECT_EQ(PresetForKeys(Press({DIK_B}).Frame()), PresetBack);
}

// Every preset looks at the axis origin from straight ahead: it lies on the view axis in front
// of the camera (view z negative), the view's rows stay orthonormal.
TEST(CameraPresets, EachLooksAtTheAxisOrigin) {
    struct Case {
        CameraPreset m_Preset;
        Vector3 m_Forward;  // the world direction the camera looks along
    };
    const Case cases[] = {
        {PresetTop, Vector3(0, -1, 0)},   {PresetFront, Vector3(0, 0, -1)},
        {PresetBack, Vector3(0, 0, 1)},   {PresetLeft, Vector3(-1, 0, 0)},
        {PresetRight, Vector3(1, 0, 0)},
    };
    for (const Case& c : cases) {
        dcTrackballCam camera;
        camera.Init(0, 0, 0, 150.0f);
        camera.TopView(400.0f);
        const Vector3 origin(30.0f, 5.0f, -20.0f);
        camera.SetAxisOrigin(origin);
        ApplyCameraPreset(camera, c.m_Preset);
        const Matrix34& m = camera.m_Transform;
        Vector3 view = m.a * origin.x + m.b * origin.y + m.c * origin.z + m.d;
        EXPECT_NEAR(view.x, 0.0f, 1e-3f) << c.m_Preset;
        EXPECT_NEAR(view.y, 0.0f, 1e-3f) << c.m_Preset;
        EXPECT_LT(view.z, 0.0f) << c.m_Preset;
        // The camera looks along -z of the view: the world direction mapped onto (0, 0, -1).
        Vector3 forward = m.a * c.m_Forward.x + m.b * c.m_Forward.y + m.c * c.m_Forward.z;
        EXPECT_NEAR(forward.z, -1.0f, 1e-5f) << c.m_Preset;
        // The inverse follows the preset at once.
        Matrix34 inverse;
        inverse.FastInverse(m);
        EXPECT_NEAR((camera.m_Inverse.d - inverse.d).Mag(), 0.0f, 1e-2f) << c.m_Preset;
    }
}

namespace {

std::vector<std::string> sBoxes;
int sBoxAnswer = 0;
std::string sDialogAnswer;
int sDialogs = 0;

int ScriptedBox(HWND, const char* text, const char* caption, UINT) {
    sBoxes.push_back(std::string(caption) + ": " + text);
    return sBoxAnswer == 1 ? IDYES : IDNO;
}

BOOL ScriptedDialog(OPENFILENAMEA* dialog, bool) {
    ++sDialogs;
    if (sDialogAnswer.empty()) {
        return FALSE;
    }
    strncpy(dialog->lpstrFile, sDialogAnswer.c_str(), dialog->nMaxFile);
    return TRUE;
}

class MainCommands : public ::testing::Test {
protected:
    void SetUp() override {
        sBoxes.clear();
        sDialogs = 0;
        sDialogAnswer.clear();
        sBoxAnswer = 0;
        bkSetMessageBoxFunc(ScriptedBox);
        bkSetFileDialogFunc(ScriptedDialog);
        AllocateRoomState(m_Demo.m_City);
        m_Groups.reset(new GroupList(&m_Demo.m_City, &RoomSelection));
        m_Groups->InitGroups();
    }
    void TearDown() override {
        bkSetMessageBoxFunc(nullptr);
        bkSetFileDialogFunc(nullptr);
        m_Groups.reset();
        FreeRoomState();
        delete[] CurrentBlockFile;
        CurrentBlockFile = nullptr;
        CurrentRoom = -1;
        MouseMode = 0;
        remove("genbai");
    }
    bool Run(uint32_t code) {
        return RunMainCommand(code, &m_Demo.m_City, m_Editor.get(), m_Groups.get(), m_Buffers);
    }

    DemoBlocks m_Demo;
    std::unique_ptr<GroupList> m_Groups;
    std::unique_ptr<BlockEditor> m_Editor;
    MainDialogBuffers m_Buffers;
};

}  // namespace

TEST_F(MainCommands, MakeCancelledOrFailedKeepsTheLoopAndWritesNothing) {
    EXPECT_FALSE(Run(MakeCityCommand));
    ASSERT_EQ(sBoxes.size(), 1u);
    EXPECT_EQ(sBoxes[0],
              "Confirm Exit: PLATTOR will exit after creating the drivable city.  Please make "
              "sure you've saved your block data.  Are you sure you want to save and exit now?");
    EXPECT_EQ(sDialogs, 0);

    sBoxAnswer = 1;
    EXPECT_FALSE(Run(MakeCityCommand));
    EXPECT_EQ(sDialogs, 1);
    // The dialog proposed the city folder under the asset root.
    EXPECT_EQ(std::string(m_Buffers.m_ProcessedCity).find(m_Demo.m_Scratch.Root() + "\\city"), 0u);

    // A folder that is not there: nothing is written and the editor goes on.
    sDialogAnswer = m_Demo.m_Scratch.Path("nosuchfolder\\made.psdl");
    EXPECT_FALSE(Run(MakeCityCommand));
    EXPECT_FALSE(FileExists("genbai"));
    EXPECT_FALSE(FileExists(m_Demo.m_Scratch.Path("nosuchfolder\\made.psdl")));
    m_Demo.m_Console.Take();

    sDialogAnswer = m_Demo.m_Scratch.Path("city\\made.psdl");
    EXPECT_TRUE(Run(MakeCityCommand));
    EXPECT_TRUE(FileExists("genbai"));
    EXPECT_TRUE(FileExists(m_Demo.m_Scratch.Path("city\\made.psdl")));
    EXPECT_TRUE(FileExists(m_Demo.m_Scratch.Path("city\\made.inst")));
}

TEST_F(MainCommands, LoadOverTheEditedRoomLetsTheEditorGo) {
    BlockEditorBanks banks;
    m_Editor.reset(new BlockEditor);
    // The first room that may carry a block.
    int room = 1;
    while (room < int(m_Demo.m_City.m_RoomCount) && !(m_Demo.m_City.m_RoomTypes[room] & 5)) {
        ++room;
    }
    ASSERT_TRUE(m_Demo.m_Loaded);
    EditRoomBlock(&m_Demo.m_City, m_Editor.get(), room);
    ASSERT_EQ(CurrentRoom, room);
    ASSERT_NE(m_Editor->GetEditedBlock(), nullptr);
    ASSERT_TRUE(SaveBlockData(m_Demo.m_Scratch.Path("city\\saved.block").c_str(), &m_Demo.m_City,
                              nullptr));

    // Cancelled: nothing changes.
    EXPECT_FALSE(Run(LoadBlockDataCommand));
    EXPECT_EQ(CurrentRoom, room);

    sDialogAnswer = m_Demo.m_Scratch.Path("city\\saved.block");
    EXPECT_FALSE(Run(LoadBlockDataCommand));
    EXPECT_EQ(CurrentRoom, -1);
    EXPECT_EQ(m_Editor->GetEditedBlock(), nullptr);
    ASSERT_NE(CurrentBlockFile, nullptr);
    EXPECT_EQ(std::string(CurrentBlockFile), sDialogAnswer);
    EXPECT_NE(GetRoomBlock(room), nullptr);
    m_Editor.reset();
}

TEST_F(MainCommands, QueuedCommandsRunInOrderAndOthersAreLeft) {
    inpFlushEvents();
    inpPostEvent(inpKeyDown, 0, 0, DIK_A);
    inpPostCommand(SaveBlockDataCommand);
    inpPostCommand(77);
    inpPostCommand(SaveBlockDataCommand);
    sDialogAnswer = m_Demo.m_Scratch.Path("city\\twice.block");
    GetRoomBlock(1) = new CityBlock(0);
    EXPECT_FALSE(RunMainCommands(&m_Demo.m_City, nullptr, m_Groups.get(), m_Buffers));
    EXPECT_EQ(sDialogs, 2);
    // The second save kept the first as ".bak".
    EXPECT_TRUE(FileExists(m_Demo.m_Scratch.Path("city\\twice.block.bak")));
    inpEvent event;
    ASSERT_TRUE(inpGetEvent(event));
    EXPECT_EQ(event.type, uint32_t(inpKeyDown));
    inpFlushEvents();
}
