// The wall shades from the render state's ambient colour and its directional lights.
#include "phys/levelbound.h"

#include "gfx/rstate.h"

#include <algorithm>
#include <cmath>

void lvlLevelBound::ComputeShadeTable() {
    const int MaxLights = 8;
    struct Light {
        float dx, dz;
        float colour[3];
    } lights[MaxLights];
    int count = 0;
    for (int i = 0; i < gfxLightCount && count < MaxLights; ++i) {
        const D3DLIGHT7* light = gfxLights[i];
        if (!light || light->dltType != D3DLIGHT_DIRECTIONAL) {
            continue;
        }
        Light& l = lights[count++];
        l.dx = -light->dvDirection.x;
        l.dz = -light->dvDirection.z;
        l.colour[0] = light->dcvDiffuse.r * 255.0f;
        l.colour[1] = light->dcvDiffuse.g * 255.0f;
        l.colour[2] = light->dcvDiffuse.b * 255.0f;
    }
    uint32_t ambient = gfxCurrentState.m_Ambient;
    const float base[3] = {float((ambient >> 16) & 0xFF), float((ambient >> 8) & 0xFF),
                           float(ambient & 0xFF)};
    for (int i = 0; i < SHADE_COUNT; ++i) {
        float angle = float(i) * 0.09817477f - 1.5707964f;
        float c = std::cos(angle);
        float s = std::sin(angle);
        uint32_t packed = 0xFF000000;
        for (int channel = 0; channel < 3; ++channel) {
            float value = base[channel];
            for (int k = 0; k < count; ++k) {
                value += std::max(0.0f, c * lights[k].dx + s * lights[k].dz) * lights[k].colour[channel];
            }
            packed |= uint32_t(std::min(255.0f, value)) << (16 - 8 * channel);
        }
        sm_ShadeTable[i] = packed;
    }
}
