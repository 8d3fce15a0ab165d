// The graphics options of the command line and the publication of the target size.
#include <cerrno>
#include <climits>
#include <cstdlib>

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

// Target sides the surfaces and windows of every device can take; depths a drawing target or a
// z-buffer is made of.
const int MinTargetSide = 64;
const int MaxTargetSide = 2048;

bool UsableSide(int value) {
    return value >= MinTargetSide && value <= MaxTargetSide;
}

bool UsableDepth(int value) {
    return value == 16 || value == 24 || value == 32;
}

struct SizeOption {
    const char* m_Name;
    int* m_Value;
    bool (*m_Usable)(int);
    const char* m_Range;
};

// A whole decimal number that an int holds, and nothing after it.
bool ReadWholeNumber(const char* text, int& value) {
    char* end = nullptr;
    errno = 0;
    long number = strtol(text, &end, 10);
    if (end == text || *end || errno == ERANGE || number < INT_MIN || number > INT_MAX) {
        return false;
    }
    value = int(number);
    return true;
}

// A size or depth that the pipeline cannot use would end in DirectDraw failures and an odd
// window or none: every such value is reported, and then all four stay as the caller gave them.
void ReadSizes(int& width, int& height, int& colorDepth, int& zDepth) {
    int read[] = {width, height, colorDepth, zDepth};
    const SizeOption options[] = {
        {"width", &read[0], UsableSide, "64 to 2048"},
        {"height", &read[1], UsableSide, "64 to 2048"},
        {"cdepth", &read[2], UsableDepth, "16, 24 or 32"},
        {"zdepth", &read[3], UsableDepth, "16, 24 or 32"},
    };
    bool usable = true;
    for (const SizeOption& option : options) {
        const char* text = nullptr;
        if (!GetOption(option.m_Name, 0, text)) {
            continue;
        }
        if (!ReadWholeNumber(text, *option.m_Value) || !option.m_Usable(*option.m_Value)) {
            PrintError("Option -%s %s: the pipeline cannot use it (%s); starting from %d x %d, "
                       "depths %d and %d.",
                       option.m_Name, text, option.m_Range, width, height, colorDepth, zDepth);
            usable = false;
        }
    }
    if (usable) {
        width = read[0];
        height = read[1];
        colorDepth = read[2];
        zDepth = read[3];
    }
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
    ReadSizes(width, height, colorDepth, zDepth);
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
