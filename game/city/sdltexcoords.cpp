// Texture coordinates along strips and rails, and the colour products of the room drawing.
#include "city/sdl.h"

#include "city/psdl.h"
#include "data/assert.h"

#include <algorithm>
#include <cmath>

namespace {

const Vector3& VertexAt(uint32_t index) {
    Assert(index < lvlPSDL::sm_Vertices.size());
    return lvlPSDL::sm_Vertices[index];
}

}  // namespace

void lvlSDL::StripTexCoords(float* out, const SDLCODE_T* words, int stride, int rows,
                            int railOffset) {
    if (rows <= 0) {
        return;
    }
    Assert(rows <= int(MAX_PRIM_SIZE));
    float width = 0.0f;
    float length = 0.0f;
    float longest = 1.0f;
    float steps[MAX_PRIM_SIZE];
    out[0] = 0.0f;
    for (int i = 1; i < rows; ++i) {
        const Vector3& a = VertexAt(words[i * stride]);
        const Vector3& previous = VertexAt(words[(i - 1) * stride]);
        const Vector3& across = VertexAt(words[(i - 1) * stride + railOffset]);
        steps[i] = a.Dist(previous);
        width += previous.Dist(across);
        length += steps[i];
        longest = std::max(longest, steps[i]);
    }
    if (width == 0.0f || length < 0.1f) {
        std::fill(out + 1, out + rows, 0.0f);
        return;
    }
    float squares = std::max(1.0f, std::floor(length / (width / float(rows)) + 0.5f));
    float scale = squares / length;
    if (scale * longest > 128.0f) {
        scale = 127.0f / longest;
    }
    // Forth and back, so that every second segment shows the texture mirrored.
    float along = 0.0f;
    for (int i = 1; i < rows; ++i) {
        along = along > 0.0f ? along - steps[i] : along + steps[i];
        out[i] = along * scale;
    }
}

void lvlSDL::RailTexCoords(float* out, const SDLCODE_T* words, float unitLength, int rows,
                           int stride) {
    if (rows <= 0) {
        return;
    }
    out[0] = 0.0f;
    float total = 0.0f;
    for (int i = 1; i < rows; ++i) {
        total += VertexAt(words[i * stride]).Dist(VertexAt(words[(i - 1) * stride]));
        out[i] = total;
    }
    // A rail without length or height has nothing to repeat along it.
    float repeats = total > 0.0f && unitLength > 0.0f ? std::floor(total / unitLength + 0.5f) : 0.0f;
    for (int i = 1; i < rows; ++i) {
        out[i] = repeats > 0.0f ? out[i] / total * repeats : 0.0f;
    }
}

uint32_t ColorMultiply(uint32_t a, uint32_t b) {
    if (b == 0xFFFFFFFF) {
        return a;
    }
    if (a == 0xFFFFFFFF) {
        return b;
    }
    uint32_t result = 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t product = ((a >> shift) & 0xFF) * ((b >> shift) & 0xFF) >> 8;
        result |= product << shift;
    }
    return result;
}

uint32_t ColorMultiply3(uint32_t a, uint32_t b, uint32_t c) {
    return ColorMultiply(a, ColorMultiply(b, c));
}
