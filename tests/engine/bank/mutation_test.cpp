// Damaged bank layout files: each sets the banks it names, or is refused.
#include "bank/bkmgr.h"
#include "tests/engine/bank/recorder.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

#include <direct.h>
#include <gtest/gtest.h>

#include <string>

namespace {

const int Mutants = 1000;

// A damaged layout is refused by an error that names the file and keeps the layout as it was;
// none may end the program, so that one bad file cannot keep the editor from starting.
bool CheckLayout(int index, std::string& why) {
    static const std::vector<std::string> seeds = {
        "4\n\"Banks\" 1 10 20 200 600\n\"Foo\" 0 -220 40 300 400\n\"Bar Two\" 1 5 6 7 8\n"
        "\"Not There\" 1 0 0 100 100\n"};
    static ScratchDir scratch;
    static bool made = false;
    if (!made) {
        // The manager writes its layout where the program runs when the child ends.
        _chdir(scratch.Root().c_str());
        bkManager::CreateInstance(RecManager::Create);
        bkManager::GetInstance()->AddBank("Foo", 0, 0, true);
        bkManager::GetInstance()->AddBank("Bar Two", 0, 0, true);
        made = true;
    }
    std::string path = scratch.Path("m.bfg");
    WriteWholeFile(path, Mutant(seeds, index));
    ConsoleCapture console;
    g_Calls.clear();
    bkManager::GetInstance()->LoadConfig(path.c_str());
    std::string printed = console.Take();
    if (printed.find("damaged layout file") != std::string::npos && !g_Calls.empty()) {
        why = "a refused layout changed the banks: " + g_Calls[0];
        return false;
    }
    return OnlyAllowedMessages(printed, {path}, why);
}

}  // namespace

TEST_CHILD(MutateLayout) { return RunMutantsInChild(Mutants, CheckLayout); }

TEST(LayoutMutation, DamagedLayoutFilesAreReadOrRefused) {
    RunMutation("MutateLayout", Mutants, {}, 2);
}
