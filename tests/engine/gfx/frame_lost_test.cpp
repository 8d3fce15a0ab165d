#include <gtest/gtest.h>

#include "gfx/hooks.h"
#include "tests/engine/gfx/fakecom.h"
#include "tests/engine/gfx/pipefixture.h"

namespace {

// Slots of the methods the frame start calls.
const int SurfaceIsLost = 24;               // IDirectDrawSurface7::IsLost
const int DirectDrawRestoreAll = 25;        // IDirectDraw7::RestoreAllSurfaces

HRESULT sLostAnswer;
int sRestoreCalls;
int sHookCalls;

HRESULT STDMETHODCALLTYPE IsLost(IDirectDrawSurface7*) { return sLostAnswer; }
HRESULT STDMETHODCALLTYPE RestoreAll(IDirectDraw7*) {
    ++sRestoreCalls;
    return DD_OK;
}
void Restored() { ++sHookCalls; }

using LostSurfaces = FakePipeline;

}  // namespace

TEST_F(LostSurfaces, FullScreenFrameRestoresSurfacesBuffersAndCaches) {
    FakeCom front(50);
    front.Set(SurfaceIsLost, (void*)&IsLost);
    FakeCom directDraw(40);
    directDraw.Set(DirectDrawRestoreAll, (void*)&RestoreAll);
    lpdsFront = front.As<IDirectDrawSurface7>();
    lpDD = directDraw.As<IDirectDraw7>();
    gfxWindowed = false;
    gfxUseNativeVBs = true;
    gfxUseHwTnL = true;
    gfxVertexBuffer* vb = gfxCreateVertexBuffer(3, D3DFVF_XYZ, false);
    ASSERT_NE(nullptr, vb);
    gfxBackUpVertexBuffer(vb);
    FakeVertexBuffer* fake = static_cast<FakeVertexBuffer*>(vb->m_VB);
    ASSERT_TRUE(gfxAddHook(gfxHookSurfacesRestored, Restored));
    sRestoreCalls = 0;
    sHookCalls = 0;

    struct Case {
        HRESULT m_Lost;
        int m_Restores;
    };
    const Case cases[] = {{DD_OK, 0}, {DDERR_SURFACELOST, 1}};
    for (const Case& c : cases) {
        sLostAnswer = c.m_Lost;
        fake->m_LockFlags.clear();
        m_Console.Take();
        BeginFrame();
        std::string log = m_Console.Take();
        EXPECT_EQ(c.m_Restores, sRestoreCalls);
        EXPECT_EQ(c.m_Restores, sHookCalls);
        EXPECT_EQ(c.m_Restores ? std::vector<DWORD>{0x2020} : std::vector<DWORD>{},
                  fake->m_LockFlags);
        EXPECT_EQ(c.m_Restores ? 1 : 0, (int)(log.find("BeginFrame: Restoring lost surfaces.") !=
                                              std::string::npos));
    }
    // The frame went on: the hardware scene is open, the viewport sent again.
    EXPECT_EQ(2, m_Device.CountOf("BeginScene"));
    EXPECT_EQ(2, m_Device.CountOf("SetViewport"));

    gfxRemoveHook(gfxHookSurfacesRestored, Restored);
    lpdsFront = nullptr;
    lpDD = nullptr;
}

TEST_F(LostSurfaces, DepthComplexitySendsItsOverridesEachFrame) {
    gfxDepthComplexity = 1;
    BeginFrame();
    typedef std::vector<std::pair<DWORD, DWORD>> States;
    EXPECT_EQ((States{{D3DRENDERSTATE_ZENABLE, 0},
                      {D3DRENDERSTATE_ALPHABLENDENABLE, 1},
                      {D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE},
                      {D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE},
                      {D3DRENDERSTATE_LIGHTING, 0}}),
              m_Device.RenderStatesSent());
    // Back to the record: what the device copy holds is sent again.
    gfxDepthComplexity = 0;
    m_Device.Forget();
    BeginFrame();
    EXPECT_EQ((States{{D3DRENDERSTATE_ZENABLE, gfxDeviceState.m_ZEnable},
                      {D3DRENDERSTATE_SRCBLEND, gfxDeviceState.m_SrcBlend},
                      {D3DRENDERSTATE_DESTBLEND, gfxDeviceState.m_DestBlend},
                      {D3DRENDERSTATE_LIGHTING, gfxDeviceState.m_Lighting}}),
              m_Device.RenderStatesSent());
    EXPECT_EQ(0u, gfxStats.m_StateChanges) << "statistics start from zero";
}
