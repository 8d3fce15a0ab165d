#ifndef VECTOR_COLOUR_H
#define VECTOR_COLOUR_H

#include <cstdint>

// 0xAARRGGBB, the layout of Direct3D vertex colours. Channels are scaled by 255 and
// truncated, then wrap modulo 256: there is no clamping.
uint32_t PackColor(float r, float g, float b, float a);

#endif
