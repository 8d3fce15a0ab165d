#include "bank/msgbox.h"
#include "city/psdl.h"
#include "cityedit/psdltool.h"
#include "data/asset.h"
#include "data/printer.h"
#include "data/stream.h"

#include <cstdio>

namespace {

const uint32_t VertexWarning = 60000;
const int ButtonsOk = 0;
const int IconStop = 2;

}  // namespace

// A make that fails ends the program before the close, or refuses a value the processed city
// cannot hold and abandons the list at its close: either way the old list stays.
bool lvlPSDL::MakeCity(const char* name, lvlMakeCallback callback) {
    PsdlTool::sm_TextureHash.Init(101);
    PsdlTool::sm_CurTexture = 0;
    PsdlTool::sm_MakeRefused = false;
    PsdlTool::sm_InstFile = name ? datAssetManager::CreateReplacing("city", name, "inst") : nullptr;
    // A list that could not be made is as unwritten as one that could not be finished.
    bool written = !name || PsdlTool::sm_InstFile;
    callback(this);
    bool refused = PsdlTool::sm_MakeRefused;
    if (PsdlTool::sm_InstFile) {
        PsdlTool::sm_InstFile->m_WriteFailed = PsdlTool::sm_InstFile->m_WriteFailed || refused;
        written = StreamClose(PsdlTool::sm_InstFile) >= 0;
        PsdlTool::sm_InstFile = nullptr;
    }
    if (refused) {
        written = false;
    } else if (!written) {
        PrintError("lvlPSDL::MakeCity: could not write all of '%s.inst'.", name);
    }
    if (sm_VertexCount > VertexWarning) {
        char text[64];
        snprintf(text, sizeof(text), "%d verts used out of a possible 65535.", int(sm_VertexCount));
        BankMessageBox("Warning!", text, ButtonsOk, IconStop);
    }
    return written;
}
