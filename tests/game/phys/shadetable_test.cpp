#include "gfx/rstate.h"
#include "phys/levelbound.h"

#include <gtest/gtest.h>

// The ambient colour plus each directional light by how squarely a wall direction faces it;
// point lights and lights past the eighth directional one do not count.
TEST(ShadeTable, AmbientPlusFacingDirectionalLights) {
    D3DLIGHT7 lights[10] = {};
    for (D3DLIGHT7& light : lights) {
        light.dltType = D3DLIGHT_DIRECTIONAL;
        light.dvDirection.x = -1.0f;
    }
    lights[0].dcvDiffuse.r = 0.5f;
    lights[1].dltType = D3DLIGHT_POINT;
    lights[1].dcvDiffuse.g = 1.0f;
    lights[9].dcvDiffuse.b = 1.0f;
    const int savedCount = gfxLightCount;
    const uint32_t savedAmbient = gfxCurrentState.m_Ambient;
    gfxLightCount = 10;
    for (int i = 0; i < 10; ++i) {
        gfxLights[i] = &lights[i];
    }
    gfxCurrentState.m_Ambient = 0xFF102030;
    lvlLevelBound::ComputeShadeTable();
    // Direction 16 faces +x squarely, 32 at right angles, 48 away.
    EXPECT_EQ(lvlLevelBound::sm_ShadeTable[16], 0xFF8F2030u);
    EXPECT_EQ(lvlLevelBound::sm_ShadeTable[32], 0xFF102030u);
    EXPECT_EQ(lvlLevelBound::sm_ShadeTable[48], 0xFF102030u);
    lights[0].dcvDiffuse.r = 2.0f;
    lvlLevelBound::ComputeShadeTable();
    EXPECT_EQ(lvlLevelBound::sm_ShadeTable[16], 0xFFFF2030u) << "clamped";
    gfxLightCount = savedCount;
    gfxCurrentState.m_Ambient = savedAmbient;
}
