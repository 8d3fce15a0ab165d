#include "level/pathedit.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "bank/bkmgr.h"
#include "bank/dialogseam.h"
#include "data/asset.h"
#include "tests/game/level/pathfixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

namespace {

// A bank that writes down what is added to it and keeps every callback by title.
class TestBank : public bkBank {
public:
    ~TestBank() override {
        for (int i = 0; i < NumWidgets; ++i) {
            delete Widget[i];
        }
    }
    void GetConfig(bool*, int*, int*, int*, int*) override {}
    void SetConfig(bool, int, int, int, int) override {}

    bkButton* AddButton(const char* title, datCallback cb) override {
        Record("button " + std::string(title), title, cb);
        return bkBank::AddButton(title, cb);
    }
    bkText* AddText(const char* title, char* text, int size, bool readOnly,
                    datCallback cb) override {
        Record("text '" + std::string(title) + "' " + std::to_string(size), title, cb);
        return bkBank::AddText(title, text, size, readOnly, cb);
    }
    bkToggle* AddToggle(const char* title, uint8_t* value, datCallback cb) override {
        Record("toggle " + std::string(title) + " " + std::to_string(*value), title, cb);
        return bkBank::AddToggle(title, value, cb);
    }
    bkSlider* AddSlider(const char* title, bkSliderValue* value, datCallback cb) override {
        char step[16];
        snprintf(step, sizeof(step), "%g", double(value->GetDelta()));
        Record(std::string(value->IsFloat() ? "float " : "int ") + title + " step " + step, title,
               cb);
        bkSlider* slider = bkBank::AddSlider(title, value, cb);
        m_Sliders[title] = slider;
        return slider;
    }
    bkCombo* AddCombo(const char* title, int32_t* value, int count, const char** names,
                      int offset, datCallback cb) override {
        std::string text = "combo " + std::string(title);
        for (int i = 0; i < count; ++i) {
            text += std::string(" ") + names[i];
        }
        Record(text, title, cb);
        return bkBank::AddCombo(title, value, count, names, offset, cb);
    }
    bkGroup* PushGroup(const char* title, bool open) override {
        m_Added.push_back("group " + std::string(title) + (open ? " open" : " closed"));
        return bkBank::PushGroup(title, open);
    }
    bkGroup* PopGroup() override {
        m_Added.push_back("end group");
        return bkBank::PopGroup();
    }
    using bkBank::AddButton;
    using bkBank::AddText;
    using bkBank::AddToggle;
    using bkBank::AddSlider;
    using bkBank::AddCombo;

    void Press(const std::string& title) { m_Callbacks.at(title).Call(0); }
    // What the slider keeps of a value typed into it, after its range.
    void Type(const std::string& title, const char* text) {
        m_Sliders.at(title)->GetValue()->SetFromText(text);
    }

    std::vector<std::string> m_Added;
    std::map<std::string, datCallback> m_Callbacks;
    std::map<std::string, bkSlider*> m_Sliders;

private:
    void Record(const std::string& text, const char* title, datCallback cb) {
        m_Added.push_back(text);
        m_Callbacks[title] = cb;
    }
};

class TestManager : public bkManager {
public:
    TestManager() { Instance = this; }
    bkBank* CreateBank(const char*, int, int, bool) override { return new TestBank; }
};

// The editor's members in view, and its picks written down.
class Editor : public qvPathSet {
public:
    using qvPathSet::m_CurrentVert;
    using qvPathSet::m_FileName;
    using qvPathSet::m_NameBuffer;
    using qvPathSet::m_ShowCurrentOnly;
    using qvPathSet::m_SnapCurrent;
    using qvPathSet::m_SpacingValue;
    using qvPathSet::m_TypeValue;

    bool Pick(qvPath* path, qvPathVertex& point, int x, int y, bool flag) override {
        m_PickFlags.push_back(flag);
        return qvPathSet::Pick(path, point, x, y, flag);
    }
    void NewPath() override {
        ++m_NewPaths;
        qvPathSet::NewPath();
    }
    qvPath& Current() { return *GetCurrentPath(); }

    std::vector<bool> m_PickFlags;
    int m_NewPaths = 0;
};

std::string Point(const Vector3& p) {
    return DrawRecorder::Point(p);
}

std::string Points(const qvPath& path) {
    std::string text;
    for (int i = 0; i < path.GetVertexCount(); ++i) {
        text += (i ? " " : "") + Point(path.GetVertex(i).m_Position);
    }
    return text;
}

class PathEditor : public ::testing::Test {
protected:
    void SetUp() override {
        qvPathSet::sm_Position.Zero();
        qvPathSet::sm_Adjust.Zero();
        qvPathSet::sm_Moving = 0;
        datAssetManager::SetPath(m_Scratch.Root().c_str());
        m_Editor.AddWidgets(&m_Bank);
    }

    ConsoleCapture m_Capture;
    ScratchDir m_Scratch;
    TestBank m_Bank;
    Editor m_Editor;
};

const char Help[] =
    "LB: Add/Insert Vertex\nMB: Delete Current Vertex\nRB: Move Current Vertex\n"
    "Wheel: Change Vertex Height";

}  // namespace

TEST_F(PathEditor, BankInOrder) {
    EXPECT_EQ(m_Bank.m_Added,
              (std::vector<std::string>{
                  "button New Path", "button Current Path Name", "text '' 32",
                  "button Assign Name to Current Path", "int Current Path step 1",
                  "int Current Vert step 1", "button Delete Current Path", "button Load PathSet",
                  "button Save PathSet", "group Vertex Position closed",
                  "float X Position: step 0", "float Y Position: step 0",
                  "float Z Position: step 0", "float X Adjust: step 1", "float Y Adjust: step 1",
                  "float Z Adjust: step 1", "end group", "toggle Show Indices 0",
                  "toggle Show Markers 1", "toggle Show Current Only 0",
                  "toggle Snap Current to Cursor 0", "combo Type Points Lines LineStrip",
                  "float Spacing: step 0.25"}));
    EXPECT_EQ(std::string(m_Editor.m_FileName), m_Scratch.Root() + "\\");
    EXPECT_EQ(m_Editor.m_SpacingValue, 5.0f);
    EXPECT_EQ(m_Editor.m_NameBuffer[0], 0);
}

// The buttons reach the subclass's overrides.
TEST_F(PathEditor, ButtonsCallTheVirtualOperations) {
    m_Bank.Press("New Path");
    EXPECT_EQ(m_Editor.m_NewPaths, 1);
    EXPECT_EQ(m_Editor.GetPathCount(), 1u);
    EXPECT_STREQ(m_Editor.m_NameBuffer, "PATH01");

    strcpy(m_Editor.m_NameBuffer, "Avenue");
    m_Bank.Press("Assign Name to Current Path");
    EXPECT_STREQ(m_Editor.Current().GetName(), "Avenue");

    m_Editor.m_TypeValue = qvPath::Lines;
    m_Bank.Press("Type");
    EXPECT_EQ(m_Editor.Current().GetType(), qvPath::Lines);
    m_Bank.Type("Spacing:", "2.5");
    m_Bank.Press("Spacing:");
    EXPECT_EQ(m_Editor.Current().GetSpacing(), 2.5f);

    m_Bank.Press("Delete Current Path");
    EXPECT_EQ(m_Editor.GetPathCount(), 0u);
}

TEST_F(PathEditor, AtMostMaxPathsPaths) {
    for (int i = 0; i < MAX_PATHS; ++i) {
        m_Editor.NewPath();
    }
    EXPECT_EQ(m_Capture.Take(), "");
    EXPECT_STREQ(m_Editor.GetPath(0)->GetName(), "PATH01");
    EXPECT_STREQ(m_Editor.GetPath(9)->GetName(), "PATH10");
    EXPECT_STREQ(m_Editor.GetPath(191)->GetName(), "PATH192");
    EXPECT_EQ(m_Editor.GetCurrentPathIndex(), 191u);
    m_Editor.NewPath();
    EXPECT_EQ(m_Capture.Take(), "Error: Too many paths, raise MAX_PATHS\n");
    EXPECT_EQ(m_Editor.GetPathCount(), uint32_t(MAX_PATHS));
    // The "Current Path" slider reaches the last path and no further.
    m_Bank.Type("Current Path", "500");
    EXPECT_EQ(m_Editor.GetCurrentPathIndex(), 191u);
}

TEST_F(PathEditor, DeletePath) {
    struct Case {
        int m_Count;
        uint32_t m_Current;
        uint32_t m_NewCurrent;
        const char* m_NewName;  // in the name field
    };
    const Case cases[] = {
        {3, 2, 1, "PATH02"},  // the last: the one before becomes current
        {3, 1, 1, "PATH03"},  // the later paths move down
        {3, 0, 0, "PATH02"},
        {1, 0, 0, ""},        // the only one: none left
    };
    for (const Case& c : cases) {
        Editor editor;
        for (int i = 0; i < c.m_Count; ++i) {
            editor.NewPath();
        }
        TestBank bank;
        editor.AddWidgets(&bank);
        bank.Type("Current Path", std::to_string(c.m_Current).c_str());
        bank.Press("Current Path");
        editor.DeletePath();
        EXPECT_EQ(editor.GetPathCount(), uint32_t(c.m_Count - 1)) << c.m_Current;
        EXPECT_EQ(editor.GetCurrentPathIndex(), c.m_NewCurrent) << c.m_Current;
        EXPECT_STREQ(editor.m_NameBuffer, c.m_NewName) << c.m_Current;
    }
    // With no paths the slider range stays 0 to 0.
    Editor empty;
    TestBank bank;
    empty.AddWidgets(&bank);
    empty.DeletePath();
    bank.Type("Current Path", "3");
    EXPECT_EQ(empty.GetCurrentPathIndex(), 0u);
}

TEST_F(PathEditor, SelectPathAndVertex) {
    m_Editor.NewPath();
    m_Editor.m_TypeValue = qvPath::Points;
    m_Editor.m_SpacingValue = 1.0f;
    m_Editor.ApplyTypeAndSpacing();
    AddPoints(m_Editor.Current(), {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}});
    m_Editor.NewPath();
    EXPECT_EQ(m_Editor.m_TypeValue, qvPath::LineStrip);
    EXPECT_EQ(m_Editor.m_SpacingValue, 5.0f);

    m_Bank.Type("Current Path", "0");
    m_Bank.Press("Current Path");
    EXPECT_STREQ(m_Editor.m_NameBuffer, "PATH01");
    EXPECT_EQ(m_Editor.m_TypeValue, qvPath::Points);
    EXPECT_EQ(m_Editor.m_SpacingValue, 1.0f);
    // The path's current vertex lay past its end: it starts again from vertex 0.
    EXPECT_EQ(m_Editor.Current().GetCurrentVertex(), 0);
    EXPECT_EQ(Point(qvPathSet::sm_Position), "1,0,0");

    m_Bank.Type("Current Vert", "2");
    m_Bank.Press("Current Vert");
    EXPECT_EQ(m_Editor.Current().GetCurrentVertex(), 2);
    EXPECT_EQ(Point(qvPathSet::sm_Position), "3,0,0");
    // The slider's range follows the path: 7 is kept as 2.
    m_Bank.Type("Current Vert", "7");
    EXPECT_EQ(m_Editor.m_CurrentVert, 2);
    // A value out of range set from outside the slider starts from vertex 0.
    m_Editor.m_CurrentVert = 5;
    m_Editor.SelectVertex();
    EXPECT_EQ(m_Editor.Current().GetCurrentVertex(), 0);
    EXPECT_EQ(m_Editor.m_CurrentVert, 0);
}

TEST_F(PathEditor, Adjust) {
    m_Editor.AdjustX();  // no path: nothing
    m_Editor.NewPath();
    m_Editor.AdjustY();  // no vertices: nothing
    AddPoints(m_Editor.Current(), {{1, 2, 3}, {4, 5, 6}});
    m_Editor.Current().SelectVertex(1);
    m_Bank.Type("X Adjust:", "-7");
    m_Bank.Press("X Adjust:");
    m_Bank.Type("Z Adjust:", "9");
    m_Bank.Press("Z Adjust:");
    EXPECT_EQ(Points(m_Editor.Current()), "1,2,3 -7,5,9");
    EXPECT_EQ(qvPathSet::sm_Position.x, -7.0f);
    EXPECT_EQ(qvPathSet::sm_Position.z, 9.0f);
}

TEST_F(PathEditor, MouseWithoutAPathDoesNothing) {
    ScriptedMouse mouse;
    mouse.Post(qvPathEvent::LeftDown, 1, 1);
    mouse.m_Wheel = 2;
    EXPECT_STREQ(m_Editor.EditMouse(), Help);
    EXPECT_TRUE(m_Editor.m_PickFlags.empty());
}

TEST_F(PathEditor, LeftButtonAddsAndInserts) {
    ScriptedMouse mouse;
    m_Editor.NewPath();
    mouse.Post(qvPathEvent::LeftDown, 1, 1);
    mouse.Post(qvPathEvent::LeftUp, 1, 1);
    mouse.Post(qvPathEvent::LeftDown, 2, 2);
    mouse.Post(qvPathEvent::LeftDown, 3, 3);
    m_Editor.EditMouse();
    EXPECT_EQ(Points(m_Editor.Current()), "1,0,1 2,0,2 3,0,3");
    EXPECT_EQ(Point(qvPathSet::sm_Position), "3,0,3");
    // The events stay in the ring for the frame loop to empty.
    EXPECT_EQ(mouse.m_Events.size(), 4u);
    mouse.m_Events.clear();

    // With the current vertex last the click appends, and the new vertex becomes current.
    m_Editor.Current().SelectVertex(2);
    mouse.Post(qvPathEvent::LeftDown, 4, 4);
    m_Editor.EditMouse();
    EXPECT_EQ(Points(m_Editor.Current()), "1,0,1 2,0,2 3,0,3 4,0,4");
    EXPECT_EQ(m_Editor.Current().GetCurrentVertex(), 3);
    mouse.m_Events.clear();

    // Otherwise it goes before the current vertex, which stays current.
    m_Editor.Current().SelectVertex(1);
    mouse.m_Shift = true;
    mouse.Post(qvPathEvent::LeftDown, 9, 9);
    m_Editor.EditMouse();
    EXPECT_EQ(Points(m_Editor.Current()), "1,0,1 9,0,9 2,0,2 3,0,3 4,0,4");
    EXPECT_EQ(m_Editor.Current().GetCurrentVertex(), 2);
    EXPECT_EQ(m_Editor.m_PickFlags, (std::vector<bool>{false, false, false, false, true}));
    // The "Current Vert" slider reaches the new last vertex.
    m_Bank.Type("Current Vert", "99");
    EXPECT_EQ(m_Editor.m_CurrentVert, 4);
}

TEST_F(PathEditor, RightButtonDragsAndTheWheelLifts) {
    ScriptedMouse mouse;
    m_Editor.NewPath();
    AddPoints(m_Editor.Current(), {{1, 0, 1}, {2, 0, 2}});
    m_Editor.Current().SelectVertex(0);
    mouse.Post(qvPathEvent::RightDown, 5, 5);
    mouse.Post(qvPathEvent::MouseMove, 6, 7);
    mouse.Post(qvPathEvent::LeftDown, 8, 8);    // ignored while dragging
    mouse.Post(qvPathEvent::MiddleDown, 8, 8);  // ignored while dragging
    mouse.m_Wheel = 3;                          // ignored while dragging
    m_Editor.EditMouse();
    EXPECT_EQ(Points(m_Editor.Current()), "6,0,7 2,0,2");
    EXPECT_EQ(Point(qvPathSet::sm_Position), "6,0,7");
    EXPECT_EQ(m_Editor.m_PickFlags, (std::vector<bool>{true, false}));
    EXPECT_EQ(qvPathSet::sm_Moving, 1);

    mouse.m_Events.clear();
    mouse.Post(qvPathEvent::RightUp, 6, 7);
    mouse.Post(qvPathEvent::MouseMove, 1, 1);  // not dragging: no move
    m_Editor.EditMouse();
    EXPECT_EQ(qvPathSet::sm_Moving, 0);
    EXPECT_EQ(Points(m_Editor.Current()), "6,3,7 2,0,2");
    EXPECT_EQ(Point(qvPathSet::sm_Position), "6,3,7");
}

TEST_F(PathEditor, MiddleButtonDeletes) {
    ScriptedMouse mouse;
    m_Editor.NewPath();
    AddPoints(m_Editor.Current(), {{1, 0, 1}, {2, 0, 2}, {3, 0, 3}});
    // Past the end: the last vertex goes.
    mouse.Post(qvPathEvent::MiddleDown);
    m_Editor.EditMouse();
    EXPECT_EQ(Points(m_Editor.Current()), "1,0,1 2,0,2");
    EXPECT_EQ(Point(qvPathSet::sm_Position), "1,0,1");

    m_Editor.Current().DeleteVertex(0);
    qvPathSet::sm_Position.Set(5, 5, 5);
    m_Editor.EditMouse();
    EXPECT_EQ(m_Editor.Current().GetVertexCount(), 0);
    EXPECT_EQ(Point(qvPathSet::sm_Position), "0,0,0");
    m_Editor.EditMouse();  // nothing left to delete
    EXPECT_EQ(m_Capture.Take(), "");
}

TEST_F(PathEditor, SnapToCursor) {
    ScriptedMouse mouse;
    m_Editor.NewPath();
    AddPoints(m_Editor.Current(), {{1, 0, 1}, {5, 0, 5}, {9, 0, 9}});
    mouse.m_MouseX = 6.0f;
    mouse.m_MouseY = 6.0f;
    m_Editor.EditMouse();
    EXPECT_EQ(m_Editor.Current().GetCurrentVertex(), 3);
    m_Editor.m_SnapCurrent = 1;
    m_Editor.EditMouse();
    EXPECT_EQ(m_Editor.Current().GetCurrentVertex(), 1);
}

TEST_F(PathEditor, PickOnTheGround) {
    ScriptedMouse mouse;
    mouse.m_Fixed = true;
    struct Case {
        Vector3 m_Start;
        Vector3 m_End;
        const char* m_Point;  // null for no hit
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {{0, 10, 0}, {0, -10, 0}, "0,0,0"},
        {{2, 4, 0}, {6, -4, 8}, "4,0,4"},
        {{0, -1, 0}, {3, 2, 0}, "1,0,0"},  // from below
        {{0, 0, 5}, {3, -2, 0}, "0,0,5"},  // starting on the plane
        {{0, 1, 0}, {0, 2, 0}, nullptr},
        {{0, -1, 0}, {0, -2, 0}, nullptr},
        {{0, 0, 0}, {5, 0, 0}, nullptr},  // lying in the plane
        {{0, nan, 0}, {0, -1, 0}, nullptr},
    };
    for (const Case& c : cases) {
        mouse.m_RayStart = c.m_Start;
        mouse.m_RayEnd = c.m_End;
        qvPathVertex point = PathVertex(7, 7, 7, 0xABCDEF12);
        bool hit = m_Editor.qvPathSet::Pick(nullptr, point, 3, 4, false);
        EXPECT_EQ(hit, c.m_Point != nullptr) << Point(c.m_Start) << " " << Point(c.m_End);
        if (c.m_Point) {
            EXPECT_EQ(Point(point.m_Position), c.m_Point);
        }
        // The plane knows no rooms: the word stays.
        EXPECT_EQ(point.m_Word, 0xABCDEF12u);
    }
    EXPECT_EQ(mouse.m_Rays.back(), std::make_pair(3, 4));
}

TEST_F(PathEditor, DrawsEveryPathOrTheCurrentOnly) {
    DrawRecorder drawer;
    for (int i = 0; i < 3; ++i) {
        m_Editor.NewPath();
        AddPoints(m_Editor.Current(), {{float(i), 0, 0}});
    }
    m_Bank.Type("Current Path", "1");
    m_Editor.Draw();
    std::vector<std::string> vertices;
    for (const std::string& call : drawer.m_Calls) {
        if (call.rfind("vertex", 0) == 0) {
            vertices.push_back(call);
        }
    }
    EXPECT_EQ(vertices, (std::vector<std::string>{"vertex 0,0,0 FF00BF00 0 0",
                                                  "vertex 1,0,0 FFBF0000 0 0",
                                                  "vertex 2,0,0 FF00BF00 0 0"}));
    drawer.m_Calls.clear();
    m_Editor.m_ShowCurrentOnly = 1;
    m_Editor.EditMouse();
    EXPECT_EQ(std::count(drawer.m_Calls.begin(), drawer.m_Calls.end(),
                         "vertex 1,0,0 FFBF0000 0 0"),
              1);
    EXPECT_EQ(drawer.m_Calls.size(), 8u);
}

namespace {

// The dialog's answer, and what it was asked.
std::string sChosen;
std::string sFilter;
std::string sStart;

BOOL ScriptedDialog(OPENFILENAMEA* dialog, bool save) {
    const char* filter = dialog->lpstrFilter;
    sFilter = std::string(save ? "save " : "open ") + filter + "|" + (filter + strlen(filter) + 1);
    sStart = dialog->lpstrFile;
    if (sChosen.empty()) {
        return FALSE;
    }
    strcpy(dialog->lpstrFile, sChosen.c_str());
    return TRUE;
}

}  // namespace

TEST_F(PathEditor, LoadAndSaveThroughTheDialogs) {
    TestManager manager;
    bkFileDialogFunc previous = bkSetFileDialogFunc(ScriptedDialog);
    m_Editor.NewPath();
    m_Editor.NewPath();
    AddPoints(m_Editor.Current(), {{1, 2, 3}});

    sChosen = m_Scratch.Path("streets.pathset");
    m_Bank.Press("Save PathSet");
    EXPECT_EQ(sFilter, "save QV Path Set|*.pathset");
    EXPECT_EQ(sStart, m_Scratch.Root());
    ASSERT_TRUE(FileExists(sChosen));

    Editor other;
    TestBank bank;
    other.AddWidgets(&bank);
    bank.Press("Load PathSet");
    EXPECT_EQ(sFilter, "open QV Path Set|*.pathset");
    ASSERT_EQ(other.GetPathCount(), 2u);
    EXPECT_EQ(Points(*other.GetPath(1)), "1,2,3");
    bank.Type("Current Path", "9");
    EXPECT_EQ(other.GetCurrentPathIndex(), 1u);

    // A cancelled dialog changes nothing.
    sChosen.clear();
    other.NewPath();
    bank.Press("Load PathSet");
    EXPECT_EQ(other.GetPathCount(), 3u);
    EXPECT_EQ(m_Capture.Take(), "");
    bkSetFileDialogFunc(previous);
}

TEST_CHILD(PathDialogWithoutBanks) {
    qvPathSet set;
    set.LoadDialog();
    return 0;
}

TEST(PathEditorDialog, NeedsTheBankManager) {
    ExpectFatalChild("PathDialogWithoutBanks", "Assert(Instance) failed in [bank/bkmgr, line");
}
