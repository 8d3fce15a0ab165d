#ifndef GFX_VERTEXFORMAT_H
#define GFX_VERTEXFORMAT_H

#include <cstdint>

// Sizes and component offsets of Direct3D flexible-vertex-format codes.

// Bytes of one vertex of the format.
uint32_t gfxVertexSize(uint32_t format);
// Offset of a component: 2 position, 0x10 normal, 0x40 diffuse, 0x100 the first coordinate
// pair, anything else the second pair (a 12-byte position assumed).
uint32_t gfxVertexOffset(uint32_t format, uint32_t component);

#endif
