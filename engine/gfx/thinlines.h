#ifndef GFX_THINLINES_H
#define GFX_THINLINES_H

#include <cstdint>

#include <windows.h>
#include <d3d.h>

#include "gfx/pipeline.h"

struct gfxScreenVertex;

// Points and lines of screen vertices on a device that draws triangles only: each line becomes
// a quad one pixel across, each point a square of one pixel, sent as triangle lists.

// The program's own device draws triangle lists, strips and fans and nothing else.
inline bool gfxDeviceDrawsLines() {
    return !gfxUseOwnDevice;
}

inline bool gfxIsLineOrPoint(uint32_t type) {
    return type == D3DPT_POINTLIST || type == D3DPT_LINELIST || type == D3DPT_LINESTRIP;
}

// The points or the lines of a point list, line list or line strip of count elements as vertex
// numbers, through the indices when given.
template <typename Point, typename Line>
void gfxForEachPointOrLine(uint32_t type, uint32_t count, const uint16_t* indices, Point point,
                           Line line) {
    auto at = [indices](uint32_t i) { return indices ? uint32_t(indices[i]) : i; };
    if (type == D3DPT_POINTLIST) {
        for (uint32_t i = 0; i < count; ++i) {
            point(at(i));
        }
        return;
    }
    uint32_t step = type == D3DPT_LINELIST ? 2 : 1;
    for (uint32_t i = 0; i + 1 < count; i += step) {
        line(at(i), at(i + 1));
    }
}

// A point list, line list or line strip of count elements, through the indices when given,
// drawn with the flags. Every quad faces the viewer whatever the device's culling.
void gfxDrawThinPrimitive(uint32_t type, const gfxScreenVertex* vertices, uint32_t count,
                          const uint16_t* indices, uint32_t flags);

#endif
