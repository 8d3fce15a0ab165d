// The program's own software device drawing the demo city at 800 by 600 as the editor draws
// it: the room interpreter's textured batches through tgl, the internal renderer and the
// device, from a fixed camera above the city. The figure is the median of five runs of 50
// frames, in milliseconds per frame. Needs a 16-bit screen (tools/wine-run with
// PLATTOR_XVFB_SCREEN=800x600x16); graphics options pass through after the asset root.
//
//   swdevice_bench [asset root, default "assets"] [graphics options]

#include "bench/benchwindow.h"
#include "bench/cityframes.h"
#include "city/psdl.h"
#include "data/asset.h"
#include "data/options.h"
#include "data/printer.h"
#include "gfx/d3dpipe.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "gfx/texture.h"
#include "gfx/viewport.h"
#include "rgl/tgl.h"

namespace {

const int Runs = 5;
const int Frames = 50;

}  // namespace

int main(int argc, char** argv) {
    ParseCommandLine(argc, argv);
    datAssetManager::SetPath(argc > 1 && argv[1][0] != '-' ? argv[1] : "assets");
    lvlPSDL city;
    if (!city.LoadSDL("demo")) {
        PrintError("swdevice_bench: the demo city does not load");
        return 1;
    }
    SetOption("swkesh", "");
    StartBenchWindow();
    LoadCityTextures();
    StartCityBatches();
    gfxMainViewport->Perspective(60.0f, 0.0f, 1.0f, 10000.0f);
    PrintMessage("device: %s, %d-bit target, %d rooms", gfxUseOwnDevice ? "own" : "other",
                 gfxPipeline::m_ColorDepth, int(city.m_RoomCount) - 1);
    double ms = MedianFrameMs(city, CameraOverCity(), Runs, Frames);
    PrintMessage("demo city frame      %8.3f ms (%u triangles drawn by the renderer)", ms,
                 gfxStats.m_IntTris);
    tglShutdown();
    gfxReleaseAllTextures();
    gfxClosePipeline();
    return 0;
}
