// Screen shots: the request, and the copy of the finished frame into a ".bmp" file.
#include "gfx/screenshot.h"

#include <cstring>

#include "bank/bkmgr.h"
#include "bank/filedialog.h"
#include "data/printer.h"

bool gfxUse565;

namespace {

char* sPendingShot;

void DropPendingShot() {
    delete[] sPendingShot;
    sPendingShot = nullptr;
}

}  // namespace

void gfxScreenShotButton() {
    bkManager::GetInstance();
    const char* name = bkGetFileName("*.bmp", true, nullptr);
    if (name) {
        RequestScreenShot(name);
    }
}

void RequestScreenShot(const char* name) {
    if (!name) {
        return;
    }
    if (sPendingShot) {
        PrintError("RequestScreenShot() called when previous request not yet complete");
        DropPendingShot();
    }
    size_t length = strlen(name);
    sPendingShot = new char[length + 1];
    memcpy(sPendingShot, name, length + 1);
}

bool gfxScreenShotPending() {
    return sPendingShot != nullptr;
}

void gfxTakeScreenShot() {
    DropPendingShot();
}
