#ifndef TESTS_GAME_CITYEDIT_BLOCKEDITORFIXTURE_H
#define TESTS_GAME_CITYEDIT_BLOCKEDITORFIXTURE_H

#include "bank/bkmgr.h"
#include "bank/dialogseam.h"
#include "bank/gfxbank.h"
#include "cityedit/block.h"
#include "cityedit/blockeditor.h"
#include "cityedit/catalog.h"
#include "devcam/pick.h"
#include "input/input.h"
#include "input/winproc.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/game/cityedit/blockeditorvalues.h"
#include "tests/game/cityedit/catalogfixture.h"

#include <dinput.h>

#include <cmath>
#include <cstring>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// What one frame's input holds: buttons (1 left, 2 right, 4 middle), keys held (DirectInput
// codes), wheel notches and vertical motion.
struct BlockFrameInput {
    BlockFrameInput(uint32_t buttons = 0, std::vector<uint8_t> keys = {}, int wheel = 0,
                    int dy = 0)
        : m_Buttons(buttons), m_Keys(std::move(keys)), m_Wheel(wheel), m_DY(dy) {}

    uint32_t m_Buttons;
    std::vector<uint8_t> m_Keys;
    int m_Wheel;
    int m_DY;
};

// The popup menus shown while it lives, each item as "text|id" with "|x" when checked and a
// submenu's items as "text>item", answered in turn from the scripted choices (0 when none is
// left).
class MenuScript {
public:
    MenuScript() : m_Previous(bkSetTrackPopupFunc(Track)) {
        Menus().clear();
        Answers().clear();
    }
    ~MenuScript() { bkSetTrackPopupFunc(m_Previous); }
    MenuScript(const MenuScript&) = delete;
    MenuScript& operator=(const MenuScript&) = delete;

    static std::vector<std::vector<std::string>>& Menus() {
        static std::vector<std::vector<std::string>> menus;
        return menus;
    }
    static std::deque<int>& Answers() {
        static std::deque<int> answers;
        return answers;
    }

private:
    static void Items(HMENU menu, const std::string& prefix, std::vector<std::string>& out) {
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[256] = "";
            GetMenuStringA(menu, UINT(i), text, sizeof(text), MF_BYPOSITION);
            if (HMENU sub = GetSubMenu(menu, i)) {
                Items(sub, prefix + text + ">", out);
                continue;
            }
            UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
            std::string item = prefix + text + "|" + std::to_string(GetMenuItemID(menu, i));
            out.push_back(item + ((state & MF_CHECKED) ? "|x" : "") +
                          ((state & MF_GRAYED) ? "|grey" : ""));
        }
    }
    static int Track(HMENU menu, UINT, int, int, HWND) {
        Menus().emplace_back();
        Items(menu, "", Menus().back());
        if (Answers().empty()) {
            return 0;
        }
        int answer = Answers().front();
        Answers().pop_front();
        return answer;
    }

    bkTrackPopupFunc m_Previous;
};

// The file dialogs shown while it lives: the buffer each found on entry, answered in turn by
// writing the scripted name (a null name cancels).
class FileDialogScript {
public:
    struct Shown {
        std::string m_Entry;
        std::string m_Description;
        std::string m_Filter;
        DWORD m_Size;
        bool m_Save;
    };

    FileDialogScript() : m_Previous(bkSetFileDialogFunc(Answer)) {
        Dialogs().clear();
        Names().clear();
    }
    ~FileDialogScript() { bkSetFileDialogFunc(m_Previous); }
    FileDialogScript(const FileDialogScript&) = delete;
    FileDialogScript& operator=(const FileDialogScript&) = delete;

    static std::vector<Shown>& Dialogs() {
        static std::vector<Shown> dialogs;
        return dialogs;
    }
    static std::deque<const char*>& Names() {
        static std::deque<const char*> names;
        return names;
    }

private:
    static BOOL Answer(OPENFILENAMEA* dialog, bool save) {
        const char* description = dialog->lpstrFilter;
        const char* filter = description + strlen(description) + 1;
        Dialogs().push_back({dialog->lpstrFile, description, filter, dialog->nMaxFile, save});
        const char* name = Names().empty() ? nullptr : Names().front();
        if (!Names().empty()) {
            Names().pop_front();
        }
        if (!name) {
            return FALSE;
        }
        snprintf(dialog->lpstrFile, dialog->nMaxFile, "%s", name);
        return TRUE;
    }

    bkFileDialogFunc m_Previous;
};

// A block editor with its banks, over the recording pipeline whose camera looks straight down
// on the x-z plane from 20 above (5, 0, 5), so that the 10 by 10 square from the origin fills
// the middle of the screen; catalogue files, boxes, menus and dialogs are the test's.
class BlockEditorTest : public FakePipeline {
protected:
    void SetUp() override {
        FakePipeline::SetUp();
        LookAtOriginFromTen();
        Matrix34 camera = Matrix34::sm_Identity;
        camera.a.Set(1, 0, 0);
        camera.b.Set(0, 0, -1);
        camera.c.Set(0, 1, 0);
        camera.d.Set(5, 20, 5);
        gfxSetCamera(camera);

        inpWindowButtonsFlag = false;
        inpWindowButtons = 0;
        Feed(BlockFrameInput());
        Feed(BlockFrameInput());
        MouseAt(Vector3(5.0f, 0.0f, 5.0f));

        m_Files.Write("floors", "g,grass,1\r\ng,tar,1\r\n");
        m_Files.Write("walls", "g,brick,3\r\ng,glass,2\r\ng,trim,1\r\ng,statue,1\r\n");
        m_Files.Write("facades", "shops,shop,grass,brick,glass,glass,trim,trim\r\n"
                                 "shops,kiosk,tar,glass,glass,glass,glass,trim\r\n");
        m_Files.Write("props", "");
        LoadCatalogs();
        EXPECT_EQ(std::vector<std::string>(), BoxRecorder::Boxes());

        bkManager::CreateInstance(gfxBankManager::Create);
        m_Editor.reset(new BlockEditor);
        Square(m_Block);
        m_Editor->SetEditedBlock(&m_Block, 1);
        m_Editor->m_Digitize = 0;
    }

    void TearDown() override {
        m_Editor.reset();
        // The shared values a test moved are not the next test's start.
        ResetBlockEditorValues();
        // The manager writes its layout when it goes: into the scratch folder, not the working
        // directory.
        bkManager::SetConfigPrefix("scratch\\");
        bkManager::DeleteInstance();
        bkManager::SetConfigPrefix(nullptr);
        FakePipeline::TearDown();
    }

    // The block as one lot over the 10 by 10 square from the origin at height 0.
    static void Square(CityBlock& block) {
        const Vector3 square[] = {Vector3(0, 0, 0), Vector3(10, 0, 0), Vector3(10, 0, 10),
                                  Vector3(0, 0, 10)};
        block.BuildFromOutline(square, 4);
    }

    // The lot raised to the height, with zeroed edge records.
    static void Raise(BlockLot* lot, float height) {
        lot->m_HeightOffset = height;
        lot->MakeEdges();
    }

    // The input layer reads the frame's state.
    static void Feed(const BlockFrameInput& input) {
        DIMOUSESTATE mouse = {};
        mouse.lY = input.m_DY;
        mouse.lZ = input.m_Wheel * 120;
        for (int b = 0; b < 3; ++b) {
            mouse.rgbButtons[b] = (input.m_Buttons >> b & 1) ? 0x80 : 0;
        }
        inpTakeMouseState(mouse);
        uint8_t keys[256] = {};
        for (uint8_t key : input.m_Keys) {
            keys[key] = 0x80;
        }
        inpTakeKeyboardState(keys);
    }

    // One frame of the editor with that input.
    void Frame(const BlockFrameInput& input) {
        Feed(input);
        m_Editor->UpdateBlockEditor(nullptr, m_City);
    }

    // One frame whose buttons are newly pressed and keys newly down.
    void Press(const BlockFrameInput& input) {
        Feed(BlockFrameInput());
        Frame(input);
    }

    // Runs the command and returns how many snapshots it added.
    int Snapshots(const std::function<void()>& action) {
        int before = m_Editor->m_UndoCount;
        action();
        return m_Editor->m_UndoCount - before;
    }

    CatalogFiles m_Files;
    BoxRecorder m_Boxes;
    MenuScript m_Menus;
    FileDialogScript m_Dialogs;
    CityBlock m_Block{7};
    lvlPSDL* m_City = nullptr;
    std::unique_ptr<BlockEditor> m_Editor;
};

#endif
