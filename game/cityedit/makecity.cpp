#include "bank/msgbox.h"
#include "city/psdl.h"
#include "cityedit/psdltool.h"
#include "data/asset.h"
#include "data/printer.h"

#include <cstdio>

namespace {

const uint32_t VertexWarning = 60000;
const int ButtonsOk = 0;
const int IconStop = 2;

}  // namespace

void lvlPSDL::MakeCity(const char* name, lvlMakeCallback callback) {
    PsdlTool::sm_TextureHash.Init(101);
    PsdlTool::sm_CurTexture = 0;
    PsdlTool::sm_InstFile = name ? datAssetManager::Create("city", name, "inst") : nullptr;
    callback(this);
    if (PsdlTool::sm_InstFile) {
        StreamClose(PsdlTool::sm_InstFile);
        PsdlTool::sm_InstFile = nullptr;
    }
    if (sm_VertexCount > VertexWarning) {
        char text[64];
        snprintf(text, sizeof(text), "%d verts used out of a possible 65535.", int(sm_VertexCount));
        BankMessageBox("Warning!", text, ButtonsOk, IconStop);
    }
}
