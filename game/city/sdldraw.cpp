// Drawing a room into the texture-sorted batches, and the wall-facing debug line.
#include "city/sdl.h"

#include "city/psdl.h"
#include "city/sdlwalk.h"
#include "gfx/texture.h"
#include "rgl/rgl.h"
#include "rgl/tgl.h"

#include <cmath>

namespace {

class BatchSink : public lvlRoomSink {
public:
    void Texture(uint32_t index) override {
        tglSetTexture(index < lvlPSDL::sm_Textures.size() ? lvlPSDL::sm_Textures[index].m_Texture
                                                         : nullptr);
    }
    void Color(uint32_t colour) override { tglColor(colour); }
    void Primitive(uint32_t kind, const lvlRoomVertex* vertices, uint32_t count) override {
        tglReserve(kind, count);
        for (uint32_t i = 0; i < count; ++i) {
            const lvlRoomVertex& v = vertices[i];
            tglTexCoord(v.u, v.v);
            tglVertex(v.x, v.y, v.z);
        }
    }
};

}  // namespace

void lvlSDL::DrawRoom(int lod, uint32_t tint) const {
    BatchSink sink;
    lvlWalkRoom(*this, lod, tint, sink);
}

void DrawWallFacing(int direction, const Vector3& a, const Vector3& b, float y0, float y1) {
    float angle = float(direction) * 0.09817477f - 1.5707964f;
    Vector3 middle((a.x + b.x) * 0.5f, (y0 + y1) * 0.5f, (a.z + b.z) * 0.5f);
    rglBegin(RGL_LINES);
    rglColor(0xFF0000FF);
    rglVertex(middle.x, middle.y, middle.z);
    rglColor(0xFFFFFFFF);
    rglVertex(middle.x + 5.0f * std::cos(angle), middle.y, middle.z + 5.0f * std::sin(angle));
    rglEnd();
}
