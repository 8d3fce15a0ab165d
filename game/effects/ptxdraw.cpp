// The drawing of the particles: flat ground copies first, then the camera-facing sprites, each
// one textured fan of the sprite table's corners.
#include "effects/ptx.h"

#include "data/printer.h"
#include "effects/birthrule.h"
#include "gfx/rstate.h"
#include "rgl/rgl.h"

namespace {

// Copies lower than this over their ground would fight with it.
const float MinShadowHeight = 0.01f;

// Alpha kept; red and blue exchanged, and each of red, green and blue halved.
uint32_t ShadowColor(uint32_t c) {
    uint32_t r = (c >> 16) & 0xFF;
    uint32_t g = (c >> 8) & 0xFF;
    uint32_t b = c & 0xFF;
    return (c & 0xFF000000) | ((b & 0xFE) >> 1) << 16 | ((g & 0xFE) >> 1) << 8 | (r & 0xFE) >> 1;
}

}  // namespace

void ovParticles::Cull() {
    if (!m_LiveCount) {
        return;
    }
    if (!m_Texture) {
        PrintError("ovParticles::Cull: Null texture");
        return;
    }
    rglBindTexture(m_Texture);
    DrawGroundCopies();
    DrawSprites();
    rglColor(0xFFFFFFFF);
}

void ovParticles::DrawGroundCopies() {
    const SpriteTable& table = m_SpriteTable;
    for (int i = 0; i < m_LiveCount; ++i) {
        const ParticleSprite& s = m_Sprites[i];
        if (!(s.m_Flags & ovBirthRule::Shadow) ||
            !(s.m_Position.y - s.m_GroundHeight > MinShadowHeight)) {
            continue;
        }
        const float(*corners)[2] = table.m_Rotated[s.m_Rotation & (SpriteTable::R - 1)];
        const float* uv = table.m_Frames[SheetFrame(s.m_Frame)].data();
        rglColor(ShadowColor(s.m_Color));
        rglBegin(RGL_TRIANGLE_FAN);
        for (int k = 0; k < table.vc; ++k) {
            rglTexCoord(uv[2 * k], uv[2 * k + 1]);
            rglVertex(s.m_Position.x + s.m_Radius * corners[k][0], s.m_GroundHeight,
                      s.m_Position.z + s.m_Radius * corners[k][1]);
        }
        rglEnd();
    }
}

// The first two rows of the camera matrix span the screen's plane in the world.
void ovParticles::DrawSprites() {
    const SpriteTable& table = m_SpriteTable;
    const Vector3 right(gfxCamera.a.x, gfxCamera.a.y, gfxCamera.a.z);
    const Vector3 up(gfxCamera.b.x, gfxCamera.b.y, gfxCamera.b.z);
    for (int i = 0; i < m_LiveCount; ++i) {
        const ParticleSprite& s = m_Sprites[i];
        const float(*corners)[2] = table.m_Rotated[s.m_Rotation & (SpriteTable::R - 1)];
        const float* uv = table.m_Frames[SheetFrame(s.m_Frame)].data();
        rglColor(s.m_Color);
        rglBegin(RGL_TRIANGLE_FAN);
        for (int k = 0; k < table.vc; ++k) {
            float x = s.m_Radius * corners[k][0];
            float y = s.m_Radius * corners[k][1];
            rglTexCoord(uv[2 * k], uv[2 * k + 1]);
            rglVertex(s.m_Position.x + x * right.x + y * up.x,
                      s.m_Position.y + x * right.y + y * up.y,
                      s.m_Position.z + x * right.z + y * up.z);
        }
        rglEnd();
    }
}
