// The size rule and component offsets of the vertex formats.
#include "gfx/vertexformat.h"

uint32_t gfxVertexSize(uint32_t format) {
    static const uint8_t positionBytes[16] = {0, 0, 12, 0, 16, 0, 16, 0,
                                              20, 0, 24, 0, 28, 0, 32, 0};
    uint32_t size = positionBytes[format & 15];
    size += (format & 0x10) ? 12 : 0;
    size += (format & 0x40) ? 4 : 0;
    size += (format & 0x80) ? 4 : 0;
    size += (format & 0x100) ? 8 : 0;
    size += (format & 0x200) ? 8 : 0;
    return size;
}

uint32_t gfxVertexOffset(uint32_t format, uint32_t component) {
    uint32_t normal = 12;
    uint32_t diffuse = (format & 0x10) ? 24 : 12;
    uint32_t firstPair = diffuse + ((format & 0x40) ? 4 : 0);
    switch (component) {
    case 2:
        return 0;
    case 0x10:
        return normal;
    case 0x40:
        return diffuse;
    case 0x100:
        return firstPair;
    default:
        return firstPair + 8;
    }
}
