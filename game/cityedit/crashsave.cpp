// The fault frame of the interactive editor: a fault saves every block before the end.
#include "cityedit/plattor.h"

#include <string>

#include "cityedit/blockdata.h"
#include "cityedit/editor.h"
#include "data/asset.h"
#include "data/printer.h"
#include "data/stream.h"

namespace {

const int FullNameSize = 256;

// Every block to the file through a replacing stream: a save cut short by another fault leaves
// the crash file of an earlier run whole. True when the file was written whole.
bool SaveCrashFile(const char* name, lvlPSDL* city) {
    char full[FullNameSize];
    if (!datAssetManager::FullPath(full, sizeof(full), name, "block")) {
        return false;
    }
    Stream* stream = StreamCreateReplacing(full);
    if (!stream) {
        return false;
    }
    WriteBlockRecords(stream, city, nullptr);
    return StreamClose(stream) >= 0;
}

}  // namespace

void RunWithCrashSave(lvlPSDL* city, FaultBody body, void* user) {
    if (RunInFaultFrame(body, user)) {
        return;
    }
    std::string name = CurrentBlockFile ? std::string(CurrentBlockFile) + ".CRASH.block"
                                        : std::string("CRASH.block");
    bool saved = false;
    RunInFaultFrame([&] { saved = SaveCrashFile(name.c_str(), city); });
    if (!saved) {
        FatalQuit("Unexpected program fault, unable to save city block data (sorry!)");
    }
    FatalQuit("Unexpected program fault, saved data out to '%s'", name.c_str());
}
