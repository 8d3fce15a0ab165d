#include "simple/simple.h"

#include <direct.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bank/bkremotemgr.h"
#include "bank/bkwinmgr.h"
#include "bank/gfxbank.h"
#include "data/asset.h"
#include "data/options.h"
#include "data/printer.h"
#include "input/hotkey.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

namespace {

const unsigned DefaultMask = 0xE;

// The options as a command line would give them; the table keeps pointers into the text.
void SetOptions(const std::string& text) {
    static std::vector<char> line;
    ClearOptions();
    std::string words = "plattor " + text;
    line.assign(words.begin(), words.end());
    line.push_back(0);
    ParseCommandString(line.data());
}

std::string AssetName(const char* directory, const char* name) {
    char full[256];
    datAssetManager::FullPath(full, sizeof(full), directory, name, "sdl");
    return full;
}

class EngineStart : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryA(MAX_PATH, m_Home);
        SetCurrentDirectoryA(m_Scratch.Root().c_str());
    }
    void TearDown() override {
        if (bkManager::Instance) {
            bkManager::DeleteInstance();
        }
        for (inpHotKey& entry : inpHotKeys) {
            delete[] entry.m_Bank;
            delete[] entry.m_Widget;
            delete[] entry.m_Value;
            entry = inpHotKey{};
        }
        ClearOptions();
        SetPrintMask(DefaultMask);
        datAssetManager::SetPath("");
        datAssetManager::SetFlatNames(false);
        keshMemCheckMode = 1;
        SetCurrentDirectoryA(m_Home);
    }

    ScratchDir m_Scratch;
    char m_Home[MAX_PATH];
};

}  // namespace

TEST_F(EngineStart, OptionsSetRootNamesMaskAndHeapChecks) {
    struct Case {
        const char* m_Options;
        const char* m_CityName;  // the full name of city\demo.sdl
        unsigned m_Mask;
        int m_MemCheckMode;
        const char* m_Printed;
    };
    const Case cases[] = {
        {"", ".\\city\\demo.sdl", DefaultMask, 1, ""},
        {"-path c:\\data -flat", "c:\\data\\demo.sdl", DefaultMask, 1, ""},
        {"-path=c:/data -hier", "c:\\data\\city\\demo.sdl", DefaultMask, 1, ""},
        {"-nowarnings", ".\\city\\demo.sdl", 0xA, 1, ""},
        {"-checkmemfast -checkleaks", ".\\city\\demo.sdl", DefaultMask, 2,
         "keshInit: Checking enabled at start and end of every frame!\n"},
        // The slow check takes precedence, and the other two are then ignored.
        {"-checkmemslow -checkmemfast -checkleaks", ".\\city\\demo.sdl", DefaultMask, 1,
         "keshInit: Checking enabled on EVERY allocation, slow!\n"},
    };
    for (const Case& c : cases) {
        SetOptions(c.m_Options);
        datAssetManager::SetPath("");
        SetPrintMask(DefaultMask);
        keshMemCheckMode = 1;
        ConsoleCapture console;
        keshInit(".", false);
        SCOPED_TRACE(c.m_Options);
        EXPECT_EQ(AssetName("city", "demo"), c.m_CityName);
        EXPECT_EQ(GetPrintMask(), c.m_Mask);
        EXPECT_EQ(keshMemCheckMode, c.m_MemCheckMode);
        EXPECT_EQ(console.Take(), c.m_Printed);
    }
}

TEST_F(EngineStart, OptionsChooseTheBankManager) {
    struct Case {
        const char* m_Options;
        bkManagerFactory m_Factory;
    };
    const Case cases[] = {
        {"", bkWinManager::Create},
        {"-local", gfxBankManager::Create},
        {"-fs", gfxBankManager::Create},
        {"-remote -local", bkRemoteManager::Create},
        {"-fs -remote", bkRemoteManager::Create},
    };
    for (const Case& c : cases) {
        SetOptions(c.m_Options);
        EXPECT_EQ(keshBankFactory(), c.m_Factory) << c.m_Options;
    }
}

TEST_F(EngineStart, BankStartReadsTheDefaultHotKeysWhenTheUserHasNone) {
    SetOptions("-local");
    {
        ConsoleCapture console;
        keshInitBank(nullptr);
        EXPECT_EQ(console.Take().find("Reading hotkey"), std::string::npos);
        EXPECT_NE(bkManager::Instance, nullptr);
        EXPECT_EQ(inpHotKeys[0].m_Bank, nullptr);
    }
    bkManager::DeleteInstance();
    ASSERT_TRUE(WriteWholeFile("default.hot",
                               "A \"Main Menu\" Culling 1\nF12 \"Main Menu\" Lighting 1\n"
                               "F0 b w v\n1 b w v\n"));
    ConsoleCapture console;
    keshInitBank("pre");
    EXPECT_NE(console.Take().find("Reading hotkey definitions from 'default.hot'..."),
              std::string::npos);
    EXPECT_STREQ(inpHotKeys[0].m_Widget, "Culling");
    EXPECT_STREQ(inpHotKeys[37].m_Widget, "Lighting");
    // F0 names no key: the slot of Z stays free.
    EXPECT_EQ(inpHotKeys[25].m_Bank, nullptr);
    EXPECT_EQ(bkManager::GetDefaultConfigName().rfind("pre", 0), 0u);
    bkManager::SetConfigPrefix(nullptr);
}
