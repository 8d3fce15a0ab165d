// Triangles per second through the immediate-mode layer against the same vertices sent
// straight to DrawPrimitive, and texture-sorted batches against the immediate-mode layer with
// the same textures, in an 800 by 600 window. Each frame draws 5,000 small quads of two
// triangles, each its own primitive of six vertices, as the editor's overlays do; the textured
// runs cycle through four textures quad by quad. Each figure is the median of five runs of 100
// frames. Graphics options pass through ("-nohwtnl", "-novblank", "-sw").
//
//   rgl_bench [graphics options]

#include "bench/benchwindow.h"
#include "data/options.h"
#include "data/printer.h"
#include "data/timer.h"
#include "gfx/d3dpipe.h"
#include "gfx/image.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "gfx/texture.h"
#include "gfx/viewport.h"
#include "rgl/rgl.h"
#include "rgl/tgl.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace {

const int Runs = 5;
const int Frames = 100;
const int Quads = 5000;
const int TextureCount = 4;

struct Vertex {
    float m_X, m_Y, m_Z;
    uint32_t m_Color;
    float m_U, m_V;
};

std::vector<Vertex> sVertices;
gfxTexture* sTextures[TextureCount];

// Quads of 6 by 6 pixels over the screen.
void MakeVertices() {
    for (int i = 0; i < Quads; ++i) {
        float x = float(i % 100) * 8.0f;
        float y = float(i / 100) * 8.0f + 100.0f;
        const float c[6][2] = {{0, 0}, {6, 0}, {6, 6}, {0, 0}, {6, 6}, {0, 6}};
        for (const auto& k : c) {
            sVertices.push_back(Vertex{x + k[0], y + k[1], 0.5f, 0xFFFFFFFF, k[0] / 6, k[1] / 6});
        }
    }
}

void MakeTextures() {
    for (int t = 0; t < TextureCount; ++t) {
        gfxImage* image = gfxImage::Create(8, 8, gfxImage::rif888, 0, 0);
        for (int y = 0; y < 8; ++y) {
            for (int b = 0; b < 24; ++b) {
                image->Row(y)[b] = uint8_t(60 * t + 4 * b);
            }
        }
        sTextures[t] = gfxTexture::Create(image, false);
        gfxReleaseImage(image);
    }
}

void Direct() {
    for (int q = 0; q < Quads; ++q) {
        gfxDrawPrimitive(D3DPT_TRIANGLELIST, FVF_VCT1, &sVertices[6 * q], 6, 0);
    }
}

void Immediate(bool textured) {
    for (int q = 0; q < Quads; ++q) {
        if (textured) {
            rglBindTexture(sTextures[q % TextureCount]);
        }
        rglBegin(RGL_TRIANGLES);
        for (int k = 0; k < 6; ++k) {
            const Vertex& v = sVertices[6 * q + k];
            rglColor(v.m_Color);
            rglTexCoord(v.m_U, v.m_V);
            rglVertex(v.m_X, v.m_Y, v.m_Z);
        }
        rglEnd();
    }
    rglBindTexture(nullptr);
}

void Batched() {
    tglBegin();
    for (int q = 0; q < Quads; ++q) {
        tglSetTexture(sTextures[q % TextureCount]);
        tglReserve(RGL_TRIANGLES, 6);
        for (int k = 0; k < 6; ++k) {
            const Vertex& v = sVertices[6 * q + k];
            tglColor(v.m_Color);
            tglTexCoord(v.m_U, v.m_V);
            tglVertex(v.m_X, v.m_Y, v.m_Z);
        }
    }
    tglEnd();
}

// Millions of triangles a second, the median of the runs.
double MillionTrianglesPerSecond(const std::function<void()>& draw) {
    std::vector<double> runs;
    for (int run = 0; run < Runs; ++run) {
        uint64_t start = Timer::Ticks();
        for (int frame = 0; frame < Frames; ++frame) {
            gfxPumpMessages();
            BeginFrame();
            gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
            gfxBeginScene();
            gfxSetViewport(gfxScreenViewport);
            draw();
            rglEndFrame();
            gfxEndScene();
            gfxEndFrame();
        }
        double seconds = double(Timer::Ticks() - start) * Timer::sm_SecondsPerTick;
        runs.push_back(2.0 * Quads * Frames / seconds / 1e6);
    }
    std::sort(runs.begin(), runs.end());
    return runs[Runs / 2];
}

}  // namespace

int main(int argc, char** argv) {
    ParseCommandLine(argc, argv);
    StartBenchWindow();
    PrintBenchDevice();
    rglSetVertexFormat(FVF_VCT1);
    tglInit(FVF_VCT1, 64, 120, 0);
    MakeVertices();
    MakeTextures();

    double direct = MillionTrianglesPerSecond(Direct);
    double immediate = MillionTrianglesPerSecond([] { Immediate(false); });
    PrintMessage("untextured: DrawPrimitive %7.3f, rgl %7.3f million triangles/s (rgl %.0f%%)",
                 direct, immediate, 100.0 * immediate / direct);
    double textured = MillionTrianglesPerSecond([] { Immediate(true); });
    double batched = MillionTrianglesPerSecond(Batched);
    PrintMessage("4 textures: rgl %7.3f, tgl %7.3f million triangles/s (tgl %.0f%% of rgl)",
                 textured, batched, 100.0 * batched / textured);
    gfxReleaseAllTextures();
    gfxClosePipeline();
    return 0;
}
