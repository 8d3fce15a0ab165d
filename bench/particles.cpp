// Particles simulated and drawn per frame in an 800 by 600 window: for pools of 1,000 to
// 100,000 the median milliseconds of a frame (update, drawing, present), of the update alone,
// and their cost per particle; then the largest pool whose whole frame stays within 16.7 ms.
// On a software rendering device a pool holds a quarter of its count, as the particles have it.
// Each figure is the median of five runs of 10 frames. Graphics options pass through
// ("-nohwtnl", "-swkesh"; the own device needs a 16-bit screen).
//
//   particles_bench [graphics options]

#include <algorithm>
#include <vector>

#include "bench/benchwindow.h"
#include "data/options.h"
#include "data/printer.h"
#include "data/timemgr.h"
#include "data/timer.h"
#include "effects/birthrule.h"
#include "effects/ptx.h"
#include "gfx/d3dpipe.h"
#include "gfx/image.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "gfx/texture.h"
#include "gfx/viewport.h"
#include "rgl/rgl.h"
#include "vector/matrix34.h"

namespace {

const int Runs = 5;
const int Frames = 10;
const double FrameBudgetMs = 16.7;

struct Timing {
    double m_FrameMs;
    double m_UpdateMs;
};

// Long-lived particles drifting and turning in a cloud in front of the camera, so that every
// one is moved, recoloured and drawn each frame.
void MakeRule(ovBirthRule& rule) {
    rule.Life = 1e6f;
    rule.Gravity = 0.0f;
    rule.Position = Vector3(0, 0, 0);
    rule.PositionVar = Vector3(40, 30, 20);
    rule.VelocityVar = Vector3(0.5f, 0.5f, 0.5f);
    rule.Drag = 0.01f;
    rule.Radius = 0.5f;
    rule.DRotation = 1;
    rule.DAlpha = -1;
    rule.TexFrameEnd = 3;
}

gfxTexture* MakeTexture() {
    gfxImage* image = gfxImage::Create(16, 16, gfxImage::rif888, 0, 0);
    for (int y = 0; y < 16; ++y) {
        for (int b = 0; b < 48; ++b) {
            image->Row(y)[b] = uint8_t(128 + 8 * y);
        }
    }
    gfxTexture* texture = gfxTexture::Create(image, false);
    gfxReleaseImage(image);
    return texture;
}

Timing Measure(int count, ovBirthRule& rule, gfxTexture* texture, const Matrix34& camera) {
    ovParticles system;
    system.Init(count, 2, 2, 4, nullptr);
    system.AttachTexture(texture);
    system.SetBirthRule(&rule);
    std::vector<double> frames, updates;
    for (int run = 0; run < Runs; ++run) {
        system.Reset();
        system.Blast(count, false);
        uint64_t updateTicks = 0;
        uint64_t start = Timer::Ticks();
        for (int frame = 0; frame < Frames; ++frame) {
            gfxWindowFlags &= ~gfxAppInactive;
            gfxPumpMessages();
            BeginFrame();
            gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
            gfxBeginScene();
            gfxSetCamera(camera);
            rglLoadIdentity();
            uint64_t before = Timer::Ticks();
            system.Update();
            updateTicks += Timer::Ticks() - before;
            system.Cull();
            rglEndFrame();
            gfxEndScene();
            gfxEndFrame();
        }
        frames.push_back(double(Timer::Ticks() - start) * Timer::sm_MsPerTick / Frames);
        updates.push_back(double(updateTicks) * Timer::sm_MsPerTick / Frames);
    }
    std::sort(frames.begin(), frames.end());
    std::sort(updates.begin(), updates.end());
    return {frames[Runs / 2], updates[Runs / 2]};
}

}  // namespace

int main(int argc, char** argv) {
    ParseCommandLine(argc, argv);
    StartBenchWindow();
    PrintBenchDevice();
    rglSetVertexFormat(FVF_VCT1);
    gfxMainViewport->Perspective(60.0f, 0.0f, 1.0f, 1000.0f);
    datTimeManager::Seconds = 1.0f / 60.0f;
    Matrix34 camera = Matrix34::sm_Identity;
    camera.d.Set(0, 0, 60);
    ovBirthRule rule;
    MakeRule(rule);
    gfxTexture* texture = MakeTexture();

    PrintMessage("%9s %9s %10s %10s %12s %12s", "count", "live", "frame ms", "update ms",
                 "frame us/p", "update us/p");
    const int counts[] = {1000, 2000, 5000, 10000, 20000, 50000, 100000};
    for (int count : counts) {
        Timing t = Measure(count, rule, texture, camera);
        int live = gfxUseSoftware ? count >> 2 : count;
        PrintMessage("%9d %9d %10.3f %10.3f %12.4f %12.4f", count, live, t.m_FrameMs,
                     t.m_UpdateMs, 1000.0 * t.m_FrameMs / live, 1000.0 * t.m_UpdateMs / live);
    }

    // The largest pool within the frame budget, to the nearest 1 %.
    int low = 0;
    int high = 1000;
    while (Measure(high, rule, texture, camera).m_FrameMs <= FrameBudgetMs && high < 4000000) {
        low = high;
        high *= 2;
    }
    while (high - low > std::max(1, low / 100)) {
        int middle = (low + high) / 2;
        (Measure(middle, rule, texture, camera).m_FrameMs <= FrameBudgetMs ? low : high) = middle;
    }
    int live = gfxUseSoftware ? low >> 2 : low;
    PrintMessage("within %.1f ms a frame: %d particles simulated and drawn (pool of %d)",
                 FrameBudgetMs, live, low);
    gfxTexture::Release(texture);
    gfxClosePipeline();
    return 0;
}
