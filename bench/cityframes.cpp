// Timed frames of the room interpreter, shared by the city drawing benchmarks.
#include "bench/cityframes.h"

#include "data/timer.h"
#include "gfx/d3dpipe.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "rgl/tgl.h"

#include <algorithm>
#include <cmath>
#include <vector>

void StartCityBatches() {
    tglInit(FVF_VCT1, 64, 120, 0);
    gfxSetStateByte(gfxCurrentState.m_Lighting, 0);
    gfxSetStateByte(gfxCurrentState.m_CullMode, D3DCULL_NONE);
}

Matrix34 CameraOverCity(float zoom) {
    Vector3 low = lvlPSDL::sm_Vertices[0];
    Vector3 high = low;
    for (uint32_t i = 0; i < lvlPSDL::sm_VertexCount; ++i) {
        const Vector3& v = lvlPSDL::sm_Vertices[i];
        low.Set(std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z));
        high.Set(std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z));
    }
    Vector3 centre = (low + high) * 0.5f;
    float size = std::max(high.x - low.x, high.z - low.z);
    float pitch = 1.0471976f;
    Matrix34 camera = Matrix34::sm_Identity;
    camera.b = Vector3(0, std::cos(pitch), -std::sin(pitch));
    camera.c = Vector3(0, std::sin(pitch), std::cos(pitch));
    camera.d = centre + camera.c * (size * 1.1f * zoom);
    return camera;
}

double MedianFrameMs(lvlPSDL& city, const Matrix34& camera, int runs, int frames,
                     bool drawRooms) {
    lvlSDL::sm_ViewPoint = camera.d;
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        uint64_t start = Timer::Ticks();
        for (int frame = 0; frame < frames; ++frame) {
            // A window that lost the focus would wait for messages; the bench draws on.
            gfxWindowFlags &= ~gfxAppInactive;
            gfxPumpMessages();
            BeginFrame();
            gfxClear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0A0A1E, 1.0f, 0);
            gfxBeginScene();
            gfxSetCamera(camera);
            tglBegin();
            for (uint32_t r = 1; drawRooms && r < city.m_RoomCount; ++r) {
                tglColor(0xFFFFFFFF);
                city.m_Rooms[r]->DrawRoom(3, 0xFFFFFFFF);
            }
            tglEnd();
            gfxEndScene();
            gfxEndFrame();
        }
        times.push_back(double(Timer::Ticks() - start) * Timer::sm_MsPerTick / frames);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
