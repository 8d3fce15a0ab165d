#include "bank/bkmgr.h"

#include <direct.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/printer.h"
#include "data/stream.h"
#include "tests/engine/bank/recorder.h"
#include "tests/support/child.h"
#include "tests/support/failingwrites.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

namespace {

std::string g_Printed;

void CapturePrint(const char* text) {
    g_Printed += text;
}

std::vector<std::string> Titles(bkBank* bank) {
    std::vector<std::string> titles;
    for (int i = 0; i < bank->NumWidgets; ++i) {
        titles.push_back(g_Widgets.at(bank->Widget[i])->m_Title);
    }
    return titles;
}

void Press(bkBank* bank, const char* title) {
    static_cast<RecButton*>(g_Widgets.at(bkFindWidget(bank, title)))->Press();
}

// Children work in the scratch folder that the parent names, where the default layout file lands.
const char ScratchVariable[] = "BANK_TEST_SCRATCH";

void EnterScratchOfParent() {
    char dir[MAX_PATH] = "";
    GetEnvironmentVariableA(ScratchVariable, dir, sizeof(dir));
    _chdir(dir);
}

std::string DefaultNameOfThisUser() {
    return bkManager::GetDefaultConfigName();
}

// Each test runs in a scratch folder of its own, with a recording manager.
class Manager : public ::testing::Test {
protected:
    void SetUp() override {
        _getcwd(m_Home, sizeof(m_Home));
        _chdir(m_Scratch.Root().c_str());
        std::string scratch = std::string(m_Home) + "\\" + m_Scratch.Root();
        SetEnvironmentVariableA(ScratchVariable, scratch.c_str());
        g_Printed.clear();
        m_SavedHook = SetConsoleHook(CapturePrint);
        bkManager::CreateInstance(RecManager::Create);
        g_Calls.clear();
    }
    void TearDown() override {
        bkManager::DeleteInstance();
        SetConsoleHook(m_SavedHook);
        _chdir(m_Home);
    }

    bkManager* Mgr() { return bkManager::GetInstance(); }

    ScratchDir m_Scratch;
    char m_Home[MAX_PATH];
    PrintHookFunc m_SavedHook = nullptr;
};

TEST_F(Manager, StartsWithTheOpenBankOfBanks) {
    ASSERT_EQ(Mgr()->NumBanks, 1u);
    EXPECT_STREQ(Mgr()->BankNames[0], "Banks");
    RecBank* banks = RecBankAt(0);
    EXPECT_TRUE(banks->IsOpen());
    EXPECT_EQ(banks->m_Config.m_X, 100);
    EXPECT_EQ(banks->m_Config.m_Y, 100);
    EXPECT_EQ(Titles(banks), (std::vector<std::string>{"Load Config", "Save Config"}));
    EXPECT_EQ(bkFindWidget(banks, "save config"), banks->Widget[1]);
    EXPECT_EQ(bkFindWidget(banks, "Nothing"), nullptr);
    EXPECT_EQ(bkFindWidget(nullptr, "Load Config"), nullptr);

    Mgr()->SaveConfig("t.bfg");
    EXPECT_EQ(ReadWholeFile("t.bfg"), "1\n\"Banks\" 1 100 100 200 600\n");
}

TEST_F(Manager, DuplicateNamesAreReportedAndKept) {
    bkBank* foo = Mgr()->AddBank("Foo", 10, 20, true);
    bkBank* foo2 = Mgr()->AddBank("foo", 30, 40, true);
    EXPECT_EQ(g_Printed, "Error: Duplicate bank name! (foo)\n");
    EXPECT_EQ(g_Calls, (std::vector<std::string>{"CreateBank Foo 1", "CreateBank foo 1"}));
    EXPECT_EQ(Mgr()->NumBanks, 3u);
    EXPECT_EQ(Mgr()->FindBank("FOO"), foo);
    EXPECT_EQ(Mgr()->FindBank("foo"), foo);
    EXPECT_EQ(Mgr()->FindBank("Bar"), nullptr);
    EXPECT_FALSE(foo->IsOpen());
    EXPECT_FALSE(foo2->IsOpen());
    EXPECT_EQ(Titles(RecBankAt(0)),
              (std::vector<std::string>{"Load Config", "Save Config", "Foo", "foo"}));

    Press(RecBankAt(0), "Foo");
    EXPECT_TRUE(foo->IsOpen());
    EXPECT_FALSE(foo2->IsOpen());
    Press(RecBankAt(0), "Foo");
    EXPECT_FALSE(foo->IsOpen());

    Mgr()->OpenBank("FOO");
    EXPECT_TRUE(foo->IsOpen());
    EXPECT_TRUE(foo2->IsOpen());
}

TEST_F(Manager, UnlistedBanksAreStillReachedByTheWholeManager) {
    bkBank* quiet = Mgr()->AddBank("Quiet", 0, 0, false);
    EXPECT_EQ(quiet->m_BankButton, nullptr);
    EXPECT_EQ(RecBankAt(0)->NumWidgets, 2);
    Mgr()->OpenAll();
    EXPECT_TRUE(quiet->IsOpen());
    g_Calls.clear();
    Mgr()->SetOnTopAll(true);
    EXPECT_EQ(g_Calls, (std::vector<std::string>{"SetOnTop Banks 1", "SetOnTop Quiet 1"}));
}

TEST_F(Manager, LoadsLayouts) {
    Mgr()->AddBank("Foo", 0, 0, true);
    Mgr()->AddBank("Bar", 0, 0, true);
    Mgr()->AddBank("Two Words", 0, 0, true);
    // damaged: the line the reader stopped on; 0 for a file that loads, -1 for a warning.
    struct Case {
        const char* name;
        const char* contents;  // null: no file
        std::vector<std::string> calls;
        int damaged;
    } cases[] = {
        {"first entry forced open, unknown skipped",
         "3\n\"Foo\" 0 1 2 3 4\n\"Nope\" 1 0 0 0 0\n\"Bar\" 0 5 6 7 8\n",
         {"SetConfig Foo 1 1 2 3 4", "SetConfig Bar 0 5 6 7 8"},
         0},
        {"later entries follow their flag", "2\nBanks 0 1 1 1 1\nbar 1 -5 6 7 8\n",
         {"SetConfig Banks 1 1 1 1 1", "SetConfig Bar 1 -5 6 7 8"},
         0},
        {"quoted name with a blank", "1\n\"Two Words\" 0 9 9 9 9\n",
         {"SetConfig Two Words 1 9 9 9 9"},
         0},
        {"count 0", "0\n\"Foo\" 1 1 1 1 1\n", {}, 0},
        {"entries past the count", "1\nFoo 1 1 1 1 1\nrubbish\n", {"SetConfig Foo 1 1 1 1 1"}, 0},
        {"empty file", "", {}, -1},
        {"no file", nullptr, {}, -1},
        {"count not a number", "three\nFoo 1 1 1 1 1\n", {}, 1},
        {"negative count", "-1\n", {}, 1},
        {"a later entry damaged", "2\nFoo 1 1 1 1 1\nBar 1 1 x 1 1\n", {}, 3},
        {"number with a tail", "1\nFoo 1 1 1 1 1px\n", {}, 2},
        {"number past int", "1\nFoo 1 1 1 1 2147483648\n", {}, 2},
        {"cut short", "2\nFoo 1 1 1 1 1\nBar 1 1", {}, 3},
        {"fewer entries than counted", "3\nFoo 1 1 1 1 1\n", {}, 3},
    };
    for (const Case& c : cases) {
        std::string file = m_Scratch.Path("layout.bfg");
        DeleteFileA(file.c_str());
        if (c.contents) {
            WriteWholeFile(file, c.contents);
        }
        g_Calls.clear();
        g_Printed.clear();
        Mgr()->LoadConfig(file.c_str());
        EXPECT_EQ(g_Calls, c.calls) << c.name;
        std::string report;
        if (c.damaged < 0) {
            report = "Warning: bkManager::LoadConfig(" + file + ") failed.\n";
        } else if (c.damaged > 0) {
            report = "Error: bkManager::LoadConfig(" + file + "): damaged layout file (line " +
                     std::to_string(c.damaged) + "); layout unchanged.\n";
        }
        EXPECT_EQ(g_Printed, report) << c.name;
    }
}

// Damaged layout files of every kind are errors that change nothing; none stops the program.
TEST_F(Manager, MutatedLayoutFilesNeverStopTheProgram) {
    Mgr()->AddBank("Foo", 0, 0, true);
    Mgr()->AddBank("Bar Two", 0, 0, true);
    const std::string good = "3\n\"Banks\" 1 100 100 200 600\n\"Foo\" 1 300 200 250 400\n"
                             "\"Bar Two\" 0 5 6 200 600\n";
    std::vector<std::string> texts;
    for (const char* count : {"2147483647", "-2147483648", "99999999999", "-1", "4", "0x3"}) {
        texts.push_back(count + good.substr(1));
    }
    for (int i = 0; i < 1200; ++i) {
        texts.push_back(Mutant({good}, i));
    }
    std::string file = m_Scratch.Path("layout.bfg");
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(WriteWholeFile(file, text));
        g_Calls.clear();
        g_Printed.clear();
        Mgr()->LoadConfig(file.c_str());
        if (g_Printed.find("Error: ") == 0) {
            EXPECT_NE(g_Printed.find("damaged layout file"), std::string::npos);
            EXPECT_TRUE(g_Calls.empty());
        } else if (g_Printed.empty()) {
            EXPECT_LE(g_Calls.size(), 3u);
        } else {
            EXPECT_EQ(g_Printed, "Warning: bkManager::LoadConfig(" + file + ") failed.\n");
        }
    }
}

TEST_F(Manager, LayoutFileRoundTrip) {
    bkBank* foo = Mgr()->AddBank("Foo", -220, 40, true);
    bkBank* bar = Mgr()->AddBank("Bar Two", 5, 6, false);
    foo->SetConfig(true, 300, 200, 250, 400);
    Mgr()->SaveConfig(nullptr);
    const std::string expected =
        "3\n\"Banks\" 1 100 100 200 600\n\"Foo\" 1 300 200 250 400\n\"Bar Two\" 0 5 6 200 600\n";
    EXPECT_EQ(ReadWholeFile(DefaultNameOfThisUser()), expected);

    foo->SetConfig(false, 0, 0, 0, 0);
    bar->SetConfig(true, 1, 1, 1, 1);
    g_Calls.clear();
    Mgr()->LoadConfig(nullptr);
    EXPECT_EQ(g_Calls, (std::vector<std::string>{"SetConfig Banks 1 100 100 200 600",
                                                 "SetConfig Foo 1 300 200 250 400",
                                                 "SetConfig Bar Two 0 5 6 200 600"}));
    Mgr()->SaveConfig("again.bfg");
    EXPECT_EQ(ReadWholeFile("again.bfg"), expected);
}

TEST_F(Manager, SaveFailureIsAnErrorAndKeepsTheOldFile) {
    std::string missing = m_Scratch.Path("missing\\t.bfg");
    Mgr()->SaveConfig(missing.c_str());
    EXPECT_EQ(g_Printed, "Error: bkManager::SaveConfig(" + missing + ") failed.\n");

    Mgr()->AddBank("Foo", 0, 0, true);
    std::string file = m_Scratch.Path("t.bfg");
    Mgr()->SaveConfig(file.c_str());
    std::string old = ReadWholeFile(file);
    Mgr()->Banks[1]->SetConfig(true, 1, 2, 3, 4);
    for (FailingWrites::Mode mode : {FailingWrites::Refuse, FailingWrites::Short}) {
        g_Printed.clear();
        {
            FailingWrites failing(20, mode);
            Mgr()->SaveConfig(file.c_str());
        }
        EXPECT_EQ(g_Printed, "Error: bkManager::SaveConfig(" + file + ") failed.\n") << mode;
        EXPECT_EQ(ReadWholeFile(file), old) << mode;
        EXPECT_FALSE(FileExists(file + ReplacingSuffix)) << mode;
    }
}

TEST_F(Manager, DestroyingABankShiftsTheLaterOnes) {
    Mgr()->AddBank("Foo", 0, 0, true);
    bkBank* bar = Mgr()->AddBank("Bar", 0, 0, true);
    bkBank* baz = Mgr()->AddBank("Baz", 0, 0, true);
    Mgr()->DestroyBank(bar);
    EXPECT_EQ(Mgr()->NumBanks, 3u);
    EXPECT_EQ(Mgr()->Banks[2], baz);
    EXPECT_STREQ(Mgr()->BankNames[2], "Baz");
    EXPECT_EQ(Mgr()->Banks[3], nullptr);
    EXPECT_EQ(Mgr()->FindBank("Bar"), nullptr);
    EXPECT_EQ(Titles(RecBankAt(0)),
              (std::vector<std::string>{"Load Config", "Save Config", "Foo", "Baz"}));
    EXPECT_EQ(RecBankAt(0)->At(3)->m_Y, 60);
    Press(RecBankAt(0), "Baz");
    EXPECT_TRUE(baz->IsOpen());
}

// A front end whose add operations return null, as some do.
class SilentBank : public RecBank {
public:
    using RecBank::RecBank;
    bkButton* AddButton(const char* title, datCallback cb) override {
        RecBank::AddButton(title, cb);
        return nullptr;
    }
    using RecBank::AddButton;
};

class SilentManager : public bkManager {
public:
    bkBank* CreateBank(const char* name, int x, int y, bool) override {
        return new SilentBank(name, x, y);
    }
    static bkManager* Create() { return new SilentManager; }
};

TEST(ManagerFrontEnds, DestroyedBankLeavesNoButtonWhenAddReturnsNull) {
    ScratchDir scratch;
    char home[MAX_PATH];
    _getcwd(home, sizeof(home));
    _chdir(scratch.Root().c_str());
    bkManager::CreateInstance(SilentManager::Create);
    bkManager* manager = bkManager::GetInstance();
    bkBank* foo = manager->AddBank("Foo", 0, 0, true);
    EXPECT_NE(foo->m_BankButton, nullptr);
    manager->DestroyBank(foo);
    EXPECT_EQ(Titles(manager->Banks[0]), (std::vector<std::string>{"Load Config", "Save Config"}));
    bkManager::DeleteInstance();
    EXPECT_EQ(bkManager::Instance, nullptr);
    _chdir(home);
}

TEST_CHILD(DestroyBanks) {
    bkManager::CreateInstance(RecManager::Create);
    bkManager::GetInstance()->DestroyBank(bkManager::GetInstance()->Banks[0]);
    return 0;
}

TEST_CHILD(DestroyForeignBank) {
    bkManager::CreateInstance(RecManager::Create);
    RecBank stranger("Stranger", 0, 0);
    bkManager::GetInstance()->DestroyBank(&stranger);
    return 0;
}

TEST_CHILD(TooManyBanks) {
    EnterScratchOfParent();
    bkManager::CreateInstance(RecManager::Create);
    for (int i = 1; i <= bkManager::MAX_BANKS; ++i) {
        bkManager::GetInstance()->AddBank(("B" + std::to_string(i)).c_str(), 0, 0, false);
    }
    return 0;
}

TEST_CHILD(NoManager) {
    bkManager::GetInstance();
    return 0;
}

TEST_CHILD(LongPrefix) {
    bkManager::SetConfigPrefix("0123456789012345678901234567890X");
    bkManager::GetDefaultConfigName();
    return 0;
}

TEST_F(Manager, FatalPaths) {
    ExpectFatalChildren({
        {"DestroyBanks", "Fatal Error: Couldn't destroy this bank"},
        {"DestroyForeignBank", "Fatal Error: Couldn't destroy this bank"},
        {"TooManyBanks", "Assert(NumBanks<MAX_BANKS) failed in [bank/bkmgr"},
        {"NoManager", "Assert(Instance) failed in [bank/bkmgr"},
        {"LongPrefix", "Assert(len<32) failed in [bank/bkconfig"},
    });
}

TEST_F(Manager, DefaultNameIsPrefixLoginAndExtension) {
    std::string plain = DefaultNameOfThisUser();
    ASSERT_GT(plain.size(), 4u);
    EXPECT_EQ(plain.substr(plain.size() - 4), ".bfg");
    EXPECT_LE(plain.size(), 14u);
    // The name follows the prefix as it is when the name is used.
    for (const char* prefix : {"plattor-", "other-"}) {
        bkManager::SetConfigPrefix(prefix);
        EXPECT_EQ(bkManager::GetDefaultConfigName(), prefix + plain);
        Mgr()->SaveConfig(nullptr);
        EXPECT_TRUE(FileExists(prefix + plain)) << prefix;
    }
    bkManager::SetConfigPrefix(nullptr);
    EXPECT_EQ(bkManager::GetDefaultConfigName(), plain);
}

TEST_CHILD(FirstUpdateLoads) {
    EnterScratchOfParent();
    bkManager::CreateInstance(RecManager::Create);
    bkManager::GetInstance()->AddBank("Foo", 0, 0, true);
    bkManager::GetInstance()->Update();
    WriteWholeFile(bkManager::GetDefaultConfigName(), "1\n\"Foo\" 1 2 3 4 5\n");
    bkManager::GetInstance()->Update();
    for (const std::string& call : g_Calls) {
        PrintMessage("call=%s", call.c_str());
    }
    return 0;
}

TEST_CHILD(FirstUpdateWithDamagedFile) {
    EnterScratchOfParent();
    bkManager::CreateInstance(RecManager::Create);
    bkManager::GetInstance()->AddBank("Foo", 0, 0, true);
    g_Calls.clear();
    bkManager::GetInstance()->Update();
    for (const std::string& call : g_Calls) {
        PrintMessage("call=%s", call.c_str());
    }
    PrintMessage("still running");
    return 0;
}

TEST_CHILD(ExitWithoutShutdown) {
    EnterScratchOfParent();
    bkManager::CreateInstance(RecManager::Create);
    bkManager::GetInstance()->AddBank("Foo", 0, 0, true);
    return 0;
}

TEST_CHILD(ExitAfterShutdown) {
    EnterScratchOfParent();
    bkManager::CreateInstance(RecManager::Create);
    bkManager::DeleteInstance();
    DeleteFileA(bkManager::GetDefaultConfigName().c_str());
    return 0;
}

TEST_F(Manager, LayoutFileAtFirstUpdateAndAtExit) {
    std::string layout = DefaultNameOfThisUser();
    WriteWholeFile(layout, "2\n\"Banks\" 0 7 8 9 10\n\"Foo\" 1 1 2 3 4\n");
    ChildResult update = RunChild("FirstUpdateLoads");
    EXPECT_EQ(update.m_ExitCode, 0);
    size_t banks = update.m_Output.find("call=SetConfig Banks 1 7 8 9 10");
    size_t foo = update.m_Output.find("call=SetConfig Foo 1 1 2 3 4");
    EXPECT_NE(banks, std::string::npos) << update.m_Output;
    EXPECT_NE(foo, std::string::npos) << update.m_Output;
    EXPECT_LT(banks, foo);
    EXPECT_EQ(update.m_Output.find("1 2 3 4 5"), std::string::npos) << update.m_Output;

    WriteWholeFile(layout, "2\n\"Banks\" 0 7 8 9 10\n\"Foo\" 1 1 2 3 four\n");
    ChildResult damaged = RunChild("FirstUpdateWithDamagedFile");
    EXPECT_EQ(damaged.m_ExitCode, 0);
    EXPECT_NE(damaged.m_Output.find("Error: bkManager::LoadConfig(" + layout +
                                    "): damaged layout file (line 3); layout unchanged.\n"
                                    "still running"),
              std::string::npos) << damaged.m_Output;
    EXPECT_EQ(damaged.m_Output.find("call=SetConfig"), std::string::npos) << damaged.m_Output;

    DeleteFileA(layout.c_str());
    ChildResult exited = RunChild("ExitWithoutShutdown");
    EXPECT_EQ(exited.m_ExitCode, 0);
    EXPECT_EQ(ReadWholeFile(layout), "2\n\"Banks\" 1 100 100 200 600\n\"Foo\" 0 0 0 200 600\n");

    DeleteFileA(layout.c_str());
    ChildResult twice = RunChild("ExitAfterShutdown");
    EXPECT_EQ(twice.m_ExitCode, 0);
    EXPECT_EQ(GetFileAttributesA(layout.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
