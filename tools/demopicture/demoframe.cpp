// One frame of the city as the editor draws it; see demoframe.h.
#include "tools/demopicture/demoframe.h"

#include "city/psdl.h"
#include "cityedit/block.h"
#include "cityedit/blockdata.h"
#include "gfx/d3dpipe.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "gfx/screenshot.h"
#include "gfx/viewport.h"
#include "rgl/rgl.h"
#include "rgl/tgl.h"

namespace {

const uint32_t VertexFormat = 0x142;
const uint32_t Background = 0xFF0A0A1E;
const int DetailLevel = 3;

}  // namespace

Matrix34 DemoLookAt(const Vector3& eye, const Vector3& target) {
    Matrix34 camera = Matrix34::sm_Identity;
    camera.c = eye - target;
    camera.c.Normalize();
    camera.a = Vector3(0, 1, 0);
    camera.a.Cross(camera.c);
    camera.a.Normalize();
    camera.b = camera.c;
    camera.b.Cross(camera.a);
    camera.d = eye;
    return camera;
}

void StartDemoView() {
    if (gfxCurrentViewport) {
        gfxCurrentViewport->Perspective(60.0f, gfxCurrentViewport->m_Aspect, 1.0f, 10000.0f);
    }
    rglSetVertexFormat(VertexFormat);
    tglInit(VertexFormat, 64, 120, 0);
}

void DrawDemoFrame(lvlPSDL& city, const Matrix34& camera, const char* shot) {
    lvlSDL::sm_ViewPoint = camera.d;
    // A window that lost the focus would wait for messages; the frame is drawn regardless.
    gfxWindowFlags &= ~gfxAppInactive;
    gfxPumpMessages();
    BeginFrame();
    gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, Background, 1.0f, 0);
    gfxBeginScene();
    gfxSetCamera(camera);
    gfxSetStateByte(gfxCurrentState.m_Lighting, 0);
    // The editor's "Culling" is on from the start: what faces away is not drawn.
    rglEnable(RGL_CULL_FACE, 1);
    tglBegin();
    for (uint32_t r = 1; r < city.m_RoomCount; ++r) {
        if (!GetRoomBlock(int(r))) {
            tglColor(0xFFFFFFFF);
            city.m_Rooms[r]->DrawRoom(DetailLevel, 0xFFFFFFFF);
        }
    }
    tglEnd();
    for (uint32_t r = 1; r < city.m_RoomCount; ++r) {
        if (CityBlock* block = GetRoomBlock(int(r))) {
            rglColor(0xFFFFFFFF);
            block->Draw(DrawTextured, &city, DetailLevel);
        }
    }
    for (int i = 0; i < ExtraCount; ++i) {
        Matrix34 placement = Matrix34::sm_Identity;
        placement.d = Extras[i].m_Position;
        lvlPSDL::EmitInstance(placement, Extras[i].m_Name, Extras[i].m_Model,
                              Extras[i].m_Shaders ? Extras[i].m_Shaders[0] : nullptr, 1, 0);
    }
    gfxEndScene();
    if (shot) {
        RequestScreenShot(shot);
    }
    gfxEndFrame();
}
