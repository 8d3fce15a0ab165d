#ifndef GFX_ZVISUAL_H
#define GFX_ZVISUAL_H

#include <cstdint>

// "Visualize Z": software devices can show the z-buffer in place of the picture, through a
// 64 K-entry colour ramp over 16-bit z values into a 5-6-5 target.
extern uint8_t gfxVisualizeZ;
extern float gfxZNearThresh;
extern float gfxZMidThresh;

const int gfxZRampSize = 65536;

// Near z (below n = near × 65535) is green, middle (below m = mid × 65535) blue, far red,
// each falling from full to 0 across its band.
void gfxBuildZRamp(uint16_t* ramp, float nearThresh, float midThresh);

// Replaces the render target's pixels by the ramp colours of the z-buffer's values, when the
// z-buffer is 16-bit and the target 5-6-5.
void gfxShowZBuffer();

// Frees the ramp.
void gfxFreeZRamp();

#endif
