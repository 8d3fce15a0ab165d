// Frames of the room interpreter: the demo city and grid cities of 1,000 and 10,000 rooms
// (the grid of the compile benchmark, read from its description) drawn whole at the highest
// detail from a fixed camera above each, in an 800 by 600 window. Each figure is the median of
// five runs of 50 frames, in milliseconds per frame; a second line per city gives the time of
// the same walk exporting records instead of drawing, and a third the frame without any room
// (clearing and presenting alone). Graphics options pass through after the asset directory,
// whose "texture" folder is copied beside the generated cities; -city <name> measures that one
// city only (demo, grid1000 or grid10000). With -shot the city named by -city is not measured
// but drawn once and saved as a bitmap, from the camera of the figures or, with -zoom f, from
// f times as far (0.2 shows streets and sidewalks of grid1000 up close).
//
//   citydraw_bench <assets directory> [-city name [-shot picture.bmp [-zoom f]]] [graphics options]

#include "bench/benchwindow.h"
#include "bench/cityframes.h"
#include "bench/gridcity.h"
#include "city/psdl.h"
#include "data/asset.h"
#include "data/options.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/timer.h"
#include "gfx/d3dpipe.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "gfx/screenshot.h"
#include "gfx/texture.h"
#include "gfx/viewport.h"
#include "rgl/tgl.h"
#include "vector/matrix34.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

const int Runs = 5;
const int Frames = 50;

void Run(const char* name) {
    unsigned mask = GetPrintMask();
    SetPrintMask(0);
    auto city = std::make_unique<lvlPSDL>();
    bool loaded = city->LoadSDL(name);
    LoadCityTextures();
    SetPrintMask(mask);
    if (!loaded) {
        PrintError("citydraw_bench: '%s' did not load", name);
        return;
    }
    gfxMainViewport->Perspective(60.0f, 0.0f, 1.0f, 100000.0f);
    Matrix34 camera = CameraOverCity();
    const char* shot = nullptr;
    if (GetOption("shot", 0, shot)) {
        float zoom = 1.0f;
        GetOption("zoom", 0, zoom);
        camera = CameraOverCity(zoom);
        // The first frame loads what it draws; the second is the picture.
        MedianFrameMs(*city, camera, 1, 1);
        RequestScreenShot(shot);
        MedianFrameMs(*city, camera, 1, 1);
        gfxReleaseAllTextures();
        return;
    }
    double ms = MedianFrameMs(*city, camera, Runs, Frames);
    PrintMessage("%-10s %6u rooms  %8.3f ms per frame (%u triangles)", name, city->m_RoomCount - 1,
                 ms, gfxStats.m_Tris);
    PrintMessage("%-10s %6u rooms  %8.3f ms per frame without rooms", name, city->m_RoomCount - 1,
                 MedianFrameMs(*city, camera, Runs, Frames, false));
    // The interpreter's own share: the same walk writing records instead of drawing.
    std::vector<uint32_t> records(1 << 16);
    uint64_t start = Timer::Ticks();
    for (int frame = 0; frame < Frames; ++frame) {
        for (uint32_t r = 1; r < city->m_RoomCount; ++r) {
            city->m_Rooms[r]->GetRoomTriangles(3, records.data(), int(records.size()));
        }
    }
    PrintMessage("%-10s %6u rooms  %8.3f ms per walk of every room without drawing", name,
                 city->m_RoomCount - 1, double(Timer::Ticks() - start) * Timer::sm_MsPerTick / Frames);
    gfxReleaseAllTextures();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintError("Usage: citydraw_bench <assets directory> [-city name [-shot picture.bmp "
                   "[-zoom f]]] [graphics options]");
        return 1;
    }
    std::filesystem::path assets = argv[1];
    ParseCommandLine(argc - 1, argv + 1);
    std::filesystem::create_directories("city");
    std::filesystem::create_directories("texture");
    const auto overwrite = std::filesystem::copy_options::overwrite_existing;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(assets / "texture", error)) {
        std::filesystem::copy_file(entry.path(), "texture" / entry.path().filename(), overwrite,
                                   error);
    }
    std::filesystem::copy_file(assets / "city" / "demo.sdl", "city/demo.sdl", overwrite, error);
    datAssetManager::SetPath("");
    for (int rooms : {1000, 10000}) {
        std::string text = GridCity(rooms).Description();
        std::string name = "grid" + std::to_string(rooms);
        Stream* out = datAssetManager::Create("city", name.c_str(), "sdl");
        StreamWrite(out, text.data(), int(text.size()));
        StreamClose(out);
    }

    StartBenchWindow();
    PrintBenchDevice();
    StartCityBatches();
    const char* only = nullptr;
    GetOption("city", 0, only);
    for (const char* name : {"demo", "grid1000", "grid10000"}) {
        if (!only || strcmp(only, name) == 0) {
            Run(name);
        }
    }
    tglShutdown();
    gfxClosePipeline();
    return 0;
}
