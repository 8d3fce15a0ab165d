// The graphics options of the command line and the publication of the target size.
#include "data/options.h"
#include "data/printer.h"
#include "gfx/pipeline.h"

namespace {

// The first of the names that is present, or -1.
int FirstPresent(const char* const* names, int count) {
    for (int i = 0; i < count; ++i) {
        if (HasOption(names[i])) {
            return i;
        }
    }
    return -1;
}

void ReadDeviceChoice() {
    static const char* const devices[] = {"ref", "wedge", "wedged", "swkesh", "sw"};
    int device = FirstPresent(devices, 5);
    if (device < 0) {
        return;
    }
    gfxUseSoftware = true;
    gfxUseReference = device == 0;
    gfxUseWedge = device == 1 || device == 2;
    gfxUseOwnDevice = device == 3;
}

void ReadWindowChoice() {
    static const char* const modes[] = {"window", "max", "fs", "fullscreen"};
    int mode = FirstPresent(modes, 4);
    if (mode < 0) {
        return;
    }
    gfxWindowed = mode < 2;
    gfxMaximized = mode == 1;
}

void ReadOptions(int& width, int& height, int& colorDepth, int& zDepth) {
    ReadDeviceChoice();
    if (HasOption("sysmem")) {
        gfxSysmemOption = true;
    }
    if (HasOption("triple")) {
        gfxTripleBuffer = true;
    }
    if (HasOption("nomultitexture") || HasOption("nomt")) {
        gfxMultiTexture = false;
    }
    if (HasOption("novblank")) {
        gfxNoVBlank = true;
    }
    if (HasOption("nohwtnl")) {
        gfxAllowHwTnL = false;
    }
    if (HasOption("tex32")) {
        gfxUse32BitTextures = true;
    }
    if (HasOption("primary")) {
        gfxDisplayIndex = 0;
    } else {
        GetOption("display", 0, gfxDisplayIndex);
    }
    DebugOption("gfxDebug", gfxDebugLevel);
    if (HasOption("single")) {
        gfxDoubleBuffer = false;
    }
    ReadWindowChoice();
    GetOption("width", 0, width);
    GetOption("height", 0, height);
    GetOption("cdepth", 0, colorDepth);
    GetOption("zdepth", 0, zDepth);
    if (gfxMaximized) {
        width = GetSystemMetrics(SM_CXFULLSCREEN);
        height = GetSystemMetrics(SM_CYFULLSCREEN);
        gfxSetWindowMode(true, 0, 0);
    }
}

void ApplyDisplayMode() {
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof(desc);
    if (gfxFailed(lpDD->GetDisplayMode(&desc), "lpDD->GetDisplayMode(&ddsd)")) {
        return;
    }
    if ((int)desc.dwWidth == gfxPipeline::m_iWidth && (int)desc.dwHeight == gfxPipeline::m_iHeight) {
        return;
    }
    gfxFailed(lpDD->SetDisplayMode(gfxPipeline::m_iWidth, gfxPipeline::m_iHeight,
                                   gfxPipeline::m_ColorDepth, 0, 0),
              "lpDD->SetDisplayMode(m_iWidth, m_iHeight, m_ColorDepth, 0, 0)");
}

}  // namespace

void gfxParseOptions(int width, int height, int colorDepth, int zDepth, bool parse) {
    if (parse) {
        ReadOptions(width, height, colorDepth, zDepth);
    }
    // The option sysmem is kept but has no effect: software devices render to system memory.
    gfxRenderToSysmem = gfxUseSoftware;
    gfxPipeline::m_iWidth = width;
    gfxPipeline::m_iHeight = height;
    gfxPipeline::m_fWidth = (float)width;
    gfxPipeline::m_fHeight = (float)height;
    gfxPipeline::m_ColorDepth = colorDepth;
    gfxPipeline::m_ZDepth = zDepth;
    if (lpDD) {
        if (gfxWindowed) {
            gfxFitWindow();
        } else {
            ApplyDisplayMode();
        }
    }
    gfxPipeline::m_fInvWidth = 1.0f / (float)width;
    gfxPipeline::m_fInvHeight = 1.0f / (float)height;
}
