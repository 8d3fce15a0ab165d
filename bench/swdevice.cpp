// The program's own software device drawing the demo city at 800 by 600: every room's
// polygons, shaded by their facing, go through the internal renderer and the device as flat
// triangles with depth. The figure is the median of five runs of 50 frames, in milliseconds
// per frame. Needs a 16-bit screen (tools/wine-run with PLATTOR_XVFB_SCREEN=800x600x16).
//
//   swdevice_bench [asset root, default "assets"]

#include "city/psdl.h"
#include "city/sdl.h"
#include "data/asset.h"
#include "data/options.h"
#include "data/printer.h"
#include "data/timer.h"
#include "gfx/d3dpipe.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "gfx/viewport.h"
#include "phcore/poly.h"
#include "vector/matrix34.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

const int Runs = 5;
const int Frames = 50;
const int MaxBufferVertices = 65535 / 3 * 3;

struct ColourVertex {
    float m_X, m_Y, m_Z;
    uint32_t m_Colour;
    float m_U, m_V;
};
const uint32_t ColourFormat = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Triangles of every room's collision polygons, grey by how much they face up.
std::vector<ColourVertex> CityTriangles(lvlPSDL& city) {
    std::vector<ColourVertex> out;
    phPolygon polys[64];
    for (uint32_t room = 1; room < city.m_RoomCount; ++room) {
        const lvlSDL* sdl = city.GetRoom((int)room);
        if (!sdl) {
            continue;
        }
        lvlPSDL::SetupSparePool();
        uint32_t cursor = 0;
        while (cursor != lvlSDL::EndCursor) {
            int count = sdl->BuildRoomPolys(nullptr, polys, 64, &cursor);
            for (int p = 0; p < count; ++p) {
                const phPolygon& poly = polys[p];
                uint32_t grey = 0x40 + (uint32_t)(0xBF * fabsf(poly.Normal.y));
                uint32_t colour = 0xFF000000 | grey << 16 | grey << 8 | grey;
                for (int k = 1; k + 1 < poly.NumSides(); ++k) {
                    for (int corner : {0, k, k + 1}) {
                        const Vector3& v = *sdl->GetVertex(poly.VertexIndex[corner]);
                        out.push_back(ColourVertex{v.x, v.y, v.z, colour, 0, 0});
                    }
                }
            }
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    ParseCommandLine(argc, argv);
    datAssetManager::SetPath(argc > 1 && argv[1][0] != '-' ? argv[1] : "assets");
    lvlPSDL city;
    if (!city.LoadSDL("demo")) {
        PrintError("swdevice_bench: the demo city does not load");
        return 1;
    }
    std::vector<ColourVertex> triangles = CityTriangles(city);

    SetOption("swkesh", "");
    gfxSetWindowMode(true, -1, -1);
    gfxParseOptions(800, 600, 16, 16, true);
    gfxStartPipeline();
    PrintMessage("device: %s, %d-bit target, %u triangles", gfxUseOwnDevice ? "own" : "other",
                 gfxPipeline::m_ColorDepth, (unsigned)(triangles.size() / 3));

    std::vector<gfxVertexBuffer*> buffers;
    std::vector<uint32_t> counts;
    for (size_t first = 0; first < triangles.size(); first += MaxBufferVertices) {
        uint32_t count = (uint32_t)std::min<size_t>(MaxBufferVertices, triangles.size() - first);
        gfxVertexBuffer* vb = gfxCreateVertexBuffer(count, ColourFormat, true);
        if (!vb) {
            PrintError("swdevice_bench: no vertex buffer");
            gfxClosePipeline();
            return 1;
        }
        memcpy(gfxLockVertexBuffer(vb, 0), &triangles[first], count * sizeof(ColourVertex));
        gfxUnlockVertexBuffer(vb);
        buffers.push_back(vb);
        counts.push_back(count);
    }

    // Above the city's middle, looking down at it from the south.
    Vector3 low(1e30f, 1e30f, 1e30f), high(-1e30f, -1e30f, -1e30f);
    for (const ColourVertex& v : triangles) {
        low.Set(std::min(low.x, v.m_X), std::min(low.y, v.m_Y), std::min(low.z, v.m_Z));
        high.Set(std::max(high.x, v.m_X), std::max(high.y, v.m_Y), std::max(high.z, v.m_Z));
    }
    Vector3 centre((low.x + high.x) / 2, low.y, (low.z + high.z) / 2);
    float size = std::max(high.x - low.x, high.z - low.z);
    Matrix34 camera = Matrix34::sm_Identity;
    camera.LookAt(Vector3(centre.x, centre.y + 0.4f * size, centre.z + 0.6f * size), centre);
    gfxSetCamera(camera);
    gfxMainViewport->Perspective(60, 0, 1.0f, 10000.0f);
    gfxSetStateByte(gfxCurrentState.m_CullMode, D3DCULL_NONE);

    std::vector<double> runs;
    uint32_t drawn = 0;
    for (int run = 0; run < Runs; ++run) {
        uint64_t start = Timer::Ticks();
        for (int frame = 0; frame < Frames; ++frame) {
            gfxPumpMessages();
            BeginFrame();
            gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
            gfxBeginScene();
            for (size_t i = 0; i < buffers.size(); ++i) {
                gfxDrawVertexBuffer(D3DPT_TRIANGLELIST, 0, counts[i], buffers[i]);
            }
            drawn = gfxStats.m_IntTris;
            gfxEndScene();
            gfxEndFrame();
        }
        runs.push_back((double)(Timer::Ticks() - start) * Timer::sm_MsPerTick / Frames);
    }
    std::sort(runs.begin(), runs.end());
    PrintMessage("demo city frame      %8.3f ms (%u triangles drawn by the renderer)",
                 runs[Runs / 2], drawn);
    gfxClosePipeline();
    return 0;
}
