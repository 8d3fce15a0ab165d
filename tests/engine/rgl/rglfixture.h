#ifndef TESTS_ENGINE_RGL_RGLFIXTURE_H
#define TESTS_ENGINE_RGL_RGLFIXTURE_H

#include <cstring>
#include <vector>

#include "gfx/hooks.h"
#include "gfx/screenshot.h"
#include "gfx/viewport.h"
#include "rgl/rgl.h"
#include "vector/matrix34.h"
#include "tests/engine/gfx/pipefixture.h"

// A recording device that also keeps the vertices of every DrawPrimitive.
class CapturingDevice : public FakeDevice {
public:
    STDMETHOD(DrawPrimitive)(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD count,
                             DWORD flags) override {
        HRESULT result = FakeDevice::DrawPrimitive(type, fvf, vertices, count, flags);
        m_Draws.push_back(m_LastVertices);
        return result;
    }
    STDMETHOD(SetTexture)(DWORD stage, IDirectDrawSurface7* surface) override {
        if (stage == 0 && surface) {
            m_Bound.push_back(reinterpret_cast<uintptr_t>(surface));
        }
        return FakeDevice::SetTexture(stage, surface);
    }
    std::vector<std::vector<uint8_t>> m_Draws;
    std::vector<uintptr_t> m_Bound;  // surfaces set on stage 0
};

// One primitive drawn from the ring of format FVF_VCT1, with its vertices.
struct RglDrawnVertex {
    float x, y, z;
    uint32_t m_Colour;
    float u, v;
};
static_assert(sizeof(RglDrawnVertex) == 24, "one FVF_VCT1 vertex");
struct RglDrawn {
    uint32_t m_Type;
    std::vector<RglDrawnVertex> m_Vertices;
};

// The fake pipeline with the immediate-mode ring of format FVF_VCT1 in a native buffer (or an
// emulated one, when the test says so) on a capturing device.
class RglPipeline : public FakePipeline {
protected:
    void SetUp() override {
        FakePipeline::SetUp();
        lpD3DDev = &m_Capture;
        gfxUseNativeVBs = true;
        rglSetVertexFormat(FVF_VCT1);
    }
    void TearDown() override {
        gfxRunHooks(gfxHookDeviceReleasing);
        FakePipeline::TearDown();
    }
    void UseEmulatedRing() {
        gfxUseNativeVBs = false;
        rglSetVertexFormat(FVF_VCT1);
    }
    FakeVertexBuffer* Ring() {
        return static_cast<FakeVertexBuffer*>(rglRingBuffer()->m_VB);
    }
    // The x coordinates of the vertices of each draw of 24-byte vertices: the plain draws, or
    // every draw with indexed ones expanded.
    std::vector<std::vector<float>> DrawnX(bool indexedToo = false) const {
        std::vector<std::vector<float>> pieces;
        for (const std::vector<uint8_t>& draw :
             indexedToo ? m_Capture.m_DrawnVertices : m_Capture.m_Draws) {
            std::vector<float> xs;
            for (size_t at = 0; at + 24 <= draw.size(); at += 24) {
                float x;
                memcpy(&x, &draw[at], 4);
                xs.push_back(x);
            }
            pieces.push_back(xs);
        }
        return pieces;
    }

    // Every primitive drawn from the native ring since the device last forgot its calls; valid
    // while the ring has not wrapped over them.
    std::vector<RglDrawn> Drawn() {
        std::vector<RglDrawn> drawn;
        const std::vector<uint8_t>& bytes = Ring()->m_Bytes;
        for (const FakeDevice::Call& call : m_Capture.CallsOf("DrawPrimitiveVB")) {
            RglDrawn primitive{call.m_A, {}};
            for (DWORD i = call.m_B; i < call.m_B + call.m_C && (i + 1) * 24 <= bytes.size(); ++i) {
                RglDrawnVertex vertex;
                memcpy(&vertex, &bytes[i * 24], 24);
                primitive.m_Vertices.push_back(vertex);
            }
            drawn.push_back(primitive);
        }
        return drawn;
    }

    CapturingDevice m_Capture;
};

// The capturing pipeline looking at the origin from 10 units away.
class RglCameraPipeline : public RglPipeline {
protected:
    void SetUp() override {
        RglPipeline::SetUp();
        LookAtOriginFromTen();
        rglLoadIdentity();
        rglEndFrame();
        m_Capture.Forget();
    }
    void TearDown() override {
        delete gfxScreenViewport;
        gfxScreenViewport = nullptr;
        RglPipeline::TearDown();
    }
};

// Draws two frames in the screen viewport after a clear to the colour and returns the screen
// shot of the second, written to the path.
template <typename Draw>
std::string ShootFrame(const std::string& path, uint32_t clear, Draw draw) {
    for (int frame = 0; frame < 2; ++frame) {
        gfxPumpMessages();
        BeginFrame();
        gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0);
        gfxBeginScene();
        gfxSetViewport(gfxScreenViewport);
        rglLoadIdentity();
        draw();
        rglEndFrame();
        gfxEndScene();
        if (frame == 1) {
            RequestScreenShot(path.c_str());
        }
        gfxEndFrame();
    }
    return ReadWholeFile(path);
}

#endif
