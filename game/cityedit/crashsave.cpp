// The fault frame of the interactive editor: a fault saves every block before the end.
#include "cityedit/plattor.h"

#include <string>

#include "cityedit/blockdata.h"
#include "cityedit/editor.h"
#include "data/printer.h"

void RunWithCrashSave(lvlPSDL* city, FaultBody body, void* user) {
    if (RunInFaultFrame(body, user)) {
        return;
    }
    std::string name = CurrentBlockFile ? std::string(CurrentBlockFile) + ".CRASH.block"
                                        : std::string("CRASH.block");
    bool saved = false;
    RunInFaultFrame([&] { saved = SaveBlockData(name.c_str(), city, nullptr); });
    if (!saved) {
        FatalQuit("Unexpected program fault, unable to save city block data (sorry!)");
    }
    FatalQuit("Unexpected program fault, saved data out to '%s'", name.c_str());
}
