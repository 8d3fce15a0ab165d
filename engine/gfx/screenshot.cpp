// Screen shots: the request, and the finished frame written as a ".bmp" file.
#include "gfx/screenshot.h"

#include <cstring>

#include "bank/bkmgr.h"
#include "bank/filedialog.h"
#include "data/printer.h"
#include "gfx/image.h"
#include "gfx/imagefile.h"
#include "gfx/pipeline.h"

namespace {

char* gfxPendingShot;

void DropPendingShot() {
    delete[] gfxPendingShot;
    gfxPendingShot = nullptr;
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
    if (gfxPendingShot) {
        PrintError("RequestScreenShot() called when previous request not yet complete");
        DropPendingShot();
    }
    size_t length = strlen(name);
    gfxPendingShot = new char[length + 1];
    memcpy(gfxPendingShot, name, length + 1);
}

bool gfxScreenShotPending() {
    return gfxPendingShot != nullptr;
}

gfxImage* gfxCreateScreenImage() {
    int format = 0;
    switch (gfxPipeline::m_ColorDepth) {
    case 16:
        format = gfxImage::rif555;
        break;
    case 24:
        format = gfxImage::rif888;
        break;
    case 32:
        format = gfxImage::rif8888;
        break;
    default:
        PrintError("gfxCreateScreenImage: no image format holds %d-bit pixels",
                   gfxPipeline::m_ColorDepth);
        return nullptr;
    }
    return gfxImage::Create(gfxPipeline::m_iWidth, gfxPipeline::m_iHeight, format,
                            gfxImage::NoPalette, 0);
}

void gfxTakeScreenShot() {
    gfxImage* image = gfxCreateScreenImage();
    if (image) {
        gfxCopyScreen(image);
        gfxSaveBmp(gfxPendingShot, image);
        gfxReleaseImage(image);
    }
    DropPendingShot();
}
