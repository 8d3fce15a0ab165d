// Engine start-up, the frame's begin and end, and shut-down.
#include "simple/simple.h"

#include <cstdlib>

#include <windows.h>

#include "bank/gfxbank.h"
#include "bank/bkremotemgr.h"
#include "bank/bkwinmgr.h"
#include "data/asset.h"
#include "data/assert.h"
#include "data/debuglog.h"
#include "data/hash.h"
#include "data/options.h"
#include "data/printer.h"
#include "gfx/d3dpipe.h"
#include "gfx/pipeline.h"
#include "gfx/texture.h"
#include "input/attach.h"
#include "input/hotkey.h"
#include "input/joystick.h"
#include "rgl/rgl.h"

int32_t keshMemCheckMode = 1;
bool keshCheckAtExit = false;

namespace {

const unsigned MaskWithoutWarnings = 0xA;
const int LoginNameSize = 29;  // 28 characters and the terminator
const uint32_t VertexFormat = 0x142;

void CheckHeapOrAssert() {
    AssertText(keshCheckHeap(), "_CrtCheckMemory()");
}

}  // namespace

bool keshCheckHeap() {
    return HeapValidate(GetProcessHeap(), 0, nullptr) != 0;
}

void keshStartup(const char* root, const char* layoutPrefix) {
    keshInit(root, false);
    keshInitBank(layoutPrefix);
}

void keshInit(const char* defaultRoot, bool defaultFlat) {
    const char* root = defaultRoot;
    GetOption("path", 0, root);
    datAssetManager::SetPath(root);
    bool flat = defaultFlat;
    if (HasOption("flat")) {
        flat = true;
    } else if (HasOption("hier")) {
        flat = false;
    }
    datAssetManager::SetFlatNames(flat);
    if (HasOption("texcache")) {
        gfxTexture::EnableCache(true);
    }
    if (HasOption("nowarnings")) {
        SetPrintMask(MaskWithoutWarnings);
    }
    if (HasOption("checkmemslow")) {
        // The runtime's heap has no per-allocation checking to switch on; the setting keeps its
        // precedence over the other two.
        PrintMessage("keshInit: Checking enabled on EVERY allocation, slow!");
        return;
    }
    if (HasOption("checkmemfast")) {
        keshMemCheckMode = 2;
        PrintMessage("keshInit: Checking enabled at start and end of every frame!");
        return;
    }
    if (HasOption("checkleaks") && !keshCheckAtExit) {
        keshCheckAtExit = true;
        atexit(CheckHeapOrAssert);
    }
}

bkManagerFactory keshBankFactory() {
    if (HasOption("remote")) {
        return bkRemoteManager::Create;
    }
    if (HasOption("local") || HasOption("fs")) {
        return gfxBankManager::Create;
    }
    return bkWinManager::Create;
}

void keshInitBank(const char* layoutPrefix) {
    if (layoutPrefix) {
        bkManager::SetConfigPrefix(layoutPrefix);
    }
    bkManager::CreateInstance(keshBankFactory());
    char login[LoginNameSize];
    GetLoginName(login, sizeof(login));
    inpLoadHotKeys(login);
}

void keshInitPipeline(int width, int height) {
    gfxSetWindowMode(true, -1, -1);
    gfxParseOptions(width, height, 16, 16, true);
    if (bkManager::Instance) {
        bkManager::Instance->Update();
    }
    inpAttachToPipeline();
    gfxStartPipeline();
    rglSetVertexFormat(VertexFormat);
}

void keshBeginFrame(bool clear) {
    if (keshMemCheckMode) {
        CheckHeapOrAssert();
    }
    inpUpdateJoysticks();
    gfxPumpMessages();
    if (bkManager::Instance) {
        bkManager::Instance->Update();
    }
    BeginFrame();
    if (clear) {
        gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, keshClearColour, 1.0f, 0);
    }
    gfxBeginScene();
}

void keshEndFrame() {
    if (keshMemCheckMode) {
        CheckHeapOrAssert();
        if (keshMemCheckMode == 1) {
            keshMemCheckMode = 0;
        }
    }
    rglEndFrame();
    if (bkManager::Instance) {
        bkManager::Instance->Draw();
    }
    gfxEndScene();
    gfxEndFrame();
}

bool keshWantsQuit() {
    if (gfxWindowFlags & gfxQuitRequested) {
        gfxWindowFlags &= ~gfxQuitRequested;
        return true;
    }
    return false;
}

void keshShutdown() {
    gfxClosePipeline();
    bkManager::DeleteInstance();
    HashTable::KillAll();
}
