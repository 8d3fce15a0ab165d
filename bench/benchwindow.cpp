#include "bench/benchwindow.h"

#include "data/printer.h"
#include "gfx/pipeline.h"

void StartBenchWindow() {
    gfxSetWindowMode(true, -1, -1);
    gfxParseOptions(800, 600, 16, 16, true);
    gfxStartPipeline();
}

void PrintBenchDevice() {
    PrintMessage("device: %s, %s vertex buffers, %d-bit target",
                 gfxUseSoftware ? "software" : (gfxUseHwTnL ? "T&L HAL" : "HAL"),
                 gfxUseNativeVBs ? "native" : "emulated", gfxPipeline::m_ColorDepth);
}
