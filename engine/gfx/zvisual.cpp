// The z-buffer visualisation of the software devices.
#include "gfx/zvisual.h"

#include "gfx/pipeline.h"

uint8_t gfxVisualizeZ;
float gfxZNearThresh = 0.95f;
float gfxZMidThresh = 0.8f;

namespace {

uint16_t* sRamp;
float sRampNear = -1.0f;
float sRampMid = -1.0f;

// 31 - floor(31 (z - start) / (end - start)) for a band from start to end; full at start.
uint32_t Falling(uint32_t z, uint32_t start, uint32_t end, uint32_t top) {
    if (end <= start) {
        return top;
    }
    return top - (uint32_t)((uint64_t)top * (z - start) / (end - start));
}

bool Lock(IDirectDrawSurface7* surface, DDSURFACEDESC2& desc, DWORD flags, const char* call) {
    desc = DDSURFACEDESC2();
    desc.dwSize = sizeof(desc);
    return !gfxFailed(surface->Lock(nullptr, &desc, flags, nullptr), call);
}

}  // namespace

void gfxBuildZRamp(uint16_t* ramp, float nearThresh, float midThresh) {
    uint32_t n = (uint32_t)(nearThresh * 65535.0f);
    uint32_t m = (uint32_t)(midThresh * 65535.0f);
    for (uint32_t z = 0; z < (uint32_t)gfxZRampSize; ++z) {
        if (z < n) {
            ramp[z] = (uint16_t)(2016 - 32 * (uint32_t)((uint64_t)63 * z / n));
        } else if (z < m) {
            ramp[z] = (uint16_t)Falling(z, n, m, 31);
        } else {
            ramp[z] = (uint16_t)(Falling(z, m, 65535, 31) << 11);
        }
    }
}

void gfxFreeZRamp() {
    delete[] sRamp;
    sRamp = nullptr;
    sRampNear = -1.0f;
    sRampMid = -1.0f;
}

void gfxShowZBuffer() {
    if (!lpdsZ || !lpdsRend) {
        return;
    }
    DDSURFACEDESC2 zDesc;
    if (!Lock(lpdsZ, zDesc, DDLOCK_WAIT | DDLOCK_READONLY,
              "lpdsZ->Lock(NULL,&zsd,DDLOCK_WAIT | DDLOCK_READONLY,0)")) {
        return;
    }
    DDSURFACEDESC2 desc;
    if (!Lock(lpdsRend, desc, DDLOCK_WAIT | DDLOCK_WRITEONLY,
              "lpdsRend->Lock(NULL,&SD,DDLOCK_WAIT | DDLOCK_WRITEONLY,0)")) {
        lpdsZ->Unlock(nullptr);
        return;
    }
    bool supported = zDesc.ddpfPixelFormat.dwZBufferBitDepth == 16 &&
                     desc.ddpfPixelFormat.dwRGBBitCount == 16 &&
                     desc.ddpfPixelFormat.dwGBitMask == 0x7E0;
    if (supported) {
        if (!sRamp) {
            sRamp = new uint16_t[gfxZRampSize];
        }
        if (gfxZNearThresh != sRampNear || gfxZMidThresh != sRampMid) {
            gfxBuildZRamp(sRamp, gfxZNearThresh, gfxZMidThresh);
            sRampNear = gfxZNearThresh;
            sRampMid = gfxZMidThresh;
        }
        for (DWORD row = 0; row < desc.dwHeight && row < zDesc.dwHeight; ++row) {
            const uint16_t* z = (const uint16_t*)((uint8_t*)zDesc.lpSurface + row * zDesc.lPitch);
            uint16_t* pixel = (uint16_t*)((uint8_t*)desc.lpSurface + row * desc.lPitch);
            for (DWORD column = 0; column < desc.dwWidth && column < zDesc.dwWidth; ++column) {
                pixel[column] = sRamp[z[column]];
            }
        }
    }
    gfxFailed(lpdsRend->Unlock(nullptr), "lpdsRend->Unlock(NULL)");
    gfxFailed(lpdsZ->Unlock(nullptr), "lpdsZ->Unlock(NULL)");
}
