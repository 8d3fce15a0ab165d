// Frames of the pipeline in an 800 by 600 window: an empty frame (clear, begin and end scene,
// present) and a frame that draws 10,000 lit triangles from one vertex buffer. Each figure is
// the median of five runs of 200 frames, in milliseconds per frame. Graphics options pass
// through ("-nohwtnl" for the plain HAL device, "-novblank" to present without waiting).
//
//   pipeline_bench [graphics options]

#include "bench/benchwindow.h"
#include "data/options.h"
#include "data/printer.h"
#include "data/timer.h"
#include "gfx/d3dpipe.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "gfx/viewport.h"
#include "vector/matrix34.h"

#include <algorithm>
#include <vector>

namespace {

const int Runs = 5;
const int Frames = 200;
const int Triangles = 10000;

struct LitVertex {
    float m_X, m_Y, m_Z;
    float m_NX, m_NY, m_NZ;
};
const uint32_t LitFormat = D3DFVF_XYZ | D3DFVF_NORMAL;

// Small triangles on a 100 by 100 grid in the plane z = 0, facing the camera.
gfxVertexBuffer* MakeTriangles() {
    gfxVertexBuffer* vb = gfxCreateVertexBuffer(Triangles * 3, LitFormat, true);
    if (!vb) {
        return nullptr;
    }
    LitVertex* v = (LitVertex*)gfxLockVertexBuffer(vb, DDLOCK_WRITEONLY | DDLOCK_WAIT);
    if (!v) {
        return nullptr;
    }
    for (int i = 0; i < Triangles; ++i) {
        float x = (float)(i % 100) - 50.0f;
        float y = (float)(i / 100) - 50.0f;
        const float corners[3][2] = {{x, y}, {x + 0.9f, y}, {x, y + 0.9f}};
        for (int k = 0; k < 3; ++k) {
            v[3 * i + k] = LitVertex{corners[k][0], corners[k][1], 0.0f, 0.0f, 0.0f, 1.0f};
        }
    }
    gfxUnlockVertexBuffer(vb);
    return vb;
}

double MedianFrameMs(gfxVertexBuffer* vb) {
    std::vector<double> runs;
    for (int run = 0; run < Runs; ++run) {
        uint64_t start = Timer::Ticks();
        for (int frame = 0; frame < Frames; ++frame) {
            gfxPumpMessages();
            BeginFrame();
            gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
            gfxBeginScene();
            if (vb) {
                gfxDrawVertexBuffer(D3DPT_TRIANGLELIST, 0, Triangles * 3, vb);
            }
            gfxEndScene();
            gfxEndFrame();
        }
        runs.push_back((double)(Timer::Ticks() - start) * Timer::sm_MsPerTick / Frames);
    }
    std::sort(runs.begin(), runs.end());
    return runs[Runs / 2];
}

}  // namespace

int main(int argc, char** argv) {
    ParseCommandLine(argc, argv);
    StartBenchWindow();
    PrintBenchDevice();

    double empty = MedianFrameMs(nullptr);
    PrintMessage("empty frame          %8.3f ms", empty);

    // The camera 120 back from the grid, the sun on, lighting on.
    Matrix34 camera = Matrix34::sm_Identity;
    camera.d = Vector3(0, 0, 120);
    gfxSetCamera(camera);
    gfxMainViewport->Perspective(60, 0, 1, 10000);
    gfxSetStateByte(gfxCurrentState.m_Lighting, 1);
    gfxStateApplyMask = gfxApplyMasks[1];
    gfxVertexBuffer* vb = MakeTriangles();
    if (!vb) {
        PrintError("pipeline_bench: no vertex buffer");
        gfxClosePipeline();
        return 1;
    }
    double lit = MedianFrameMs(vb);
    PrintMessage("10,000 lit triangles %8.3f ms (%u drawn per frame)", lit, gfxStats.m_Tris);
    gfxClosePipeline();
    return 0;
}
