// The in-window banks print with the debug text on a real device.
#include <direct.h>

#include <gtest/gtest.h>

#include <string>

#include "bank/gfxbank.h"
#include "gfx/screenshot.h"
#include "tests/engine/gfx/pipefixture.h"

namespace {

using InWindowText = WindowPipeline;

TEST_F(InWindowText, TheOpenBankIsPrintedAtItsOffsetInTheFontsCells) {
    ASSERT_TRUE(Open(""));
    // The manager keeps its layout in the working folder.
    char home[MAX_PATH];
    _getcwd(home, sizeof(home));
    _chdir(m_Scratch.Root().c_str());
    bkLocBank::sm_WidgetsAtTop = 1;
    bkLocBank::sm_XOffset = 40;
    bkLocBank::sm_YOffset = 16;
    bkManager::CreateInstance(gfxBankManager::Create);
    bkManager::GetInstance()->Banks[0]->Open();
    std::string path = m_Scratch.Path("banks.bmp");
    for (int frame = 0; frame < 2; ++frame) {
        gfxPumpMessages();
        BeginFrame();
        gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        gfxBeginScene();
        bkManager::GetInstance()->Draw();
        gfxEndScene();
        if (frame == 1) {
            RequestScreenShot(path.c_str());
        }
        gfxEndFrame();
    }
    bkManager::DeleteInstance();
    _chdir(home);
    std::string bmp = ReadWholeFile(path);
    ASSERT_EQ(1440054u, bmp.size());
    // Lines start at the offset, one 8-pixel cell per row; nothing above or left of them.
    int lit = 0, stray = 0;
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 400; ++x) {
            bool on = BmpPixel(bmp, x, y) != 0;
            bool inText = x >= 40 && y >= 16;
            lit += on && inText;
            stray += on && !inText;
        }
    }
    EXPECT_GT(lit, 50);
    EXPECT_EQ(stray, 0);
}

}  // namespace
