// A minimal application over the pipeline: a window, a frame that clears and presents, a
// camera, and whether to go on.
#include "rgl/rgl.h"

#include "gfx/d3dpipe.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "gfx/viewport.h"

rglKeyStatesFunc rglKeyStates;

namespace {

const uint8_t KeyEscape = 0x01;

bool EscapePressed() {
    if (!rglKeyStates) {
        return false;
    }
    const uint8_t* current = nullptr;
    const uint8_t* previous = nullptr;
    rglKeyStates(&current, &previous);
    return current && previous && (current[KeyEscape] & 0x80) && !(previous[KeyEscape] & 0x80);
}

}  // namespace

void rglStart(int width, int height, bool windowed) {
    gfxSetWindowMode(windowed, -1, -1);
    gfxParseOptions(width, height, 16, 16, true);
    gfxStartPipeline();
    rglSetVertexFormat(FVF_VCT1);
    rglEnable(RGL_CULL_FACE, 1);
    if (gfxCurrentViewport) {
        gfxCurrentViewport->Perspective(60.0f, float(width) / float(height), 0.1f, 200.0f);
    }
}

void rglClose() {
    gfxClosePipeline();
}

void rglBeginFrame(uint32_t clearColour) {
    gfxPumpMessages();
    BeginFrame();
    gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clearColour, 1.0f, 0);
    gfxBeginScene();
    rglResetTileCursor();
}

void rglFinishFrame() {
    rglEndFrame();
    gfxEndScene();
    gfxEndFrame();
}

void rglSetCamera(const Matrix34& camera) {
    gfxSetCamera(camera);
}

bool rglKeepRunning() {
    return (gfxWindowFlags & gfxQuitRequested) == 0 && !EscapePressed();
}
