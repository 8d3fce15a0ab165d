// Paths drawn through the immediate-mode layer, with the pick's markers.
#include "level/pathdrawer.h"

#include <map>
#include <string>

#include "devcam/pick.h"
#include "gfx/hooks.h"
#include "gfx/rstate.h"
#include "gfx/texreg.h"
#include "gfx/texture.h"
#include "rgl/rgl.h"
#include "vector/vector3.h"

namespace {

class RglPathDrawer : public qvPathDrawer {
public:
    void BindTexture(const char* name) override {
        rglBindTexture(name ? Texture(name) : nullptr);
    }
    void SetZFunction(int function) override {
        gfxSetStateByte(gfxCurrentState.m_ZFunc, uint8_t(function));
    }
    void Begin(int primitive) override { rglBegin(uint32_t(primitive)); }
    void Vertex(const Vector3& position, uint32_t colour, float u, float v) override {
        rglColor(colour);
        rglTexCoord(u, v);
        rglVertex(position.x, position.y, position.z);
    }
    void End() override { rglEnd(); }
    void Marker(const Vector3& position, uint32_t colour) override {
        rglColor(colour);
        dcDrawMarker(position);
    }
    void Label(const Vector3& position, const char* text) override {
        rglPrint3D(position, text);
    }

    // The textures are made on the device: they go with it.
    void ReleaseTextures() {
        for (auto& entry : m_Textures) {
            gfxTexture::Release(entry.second);
        }
        m_Textures.clear();
    }

private:
    // Each name is looked up once and its reference kept, so a path drawn every frame does not
    // take a new one every frame.
    gfxTexture* Texture(const char* name) {
        auto found = m_Textures.find(name);
        if (found != m_Textures.end()) {
            return found->second;
        }
        gfxTexture* texture = gfxGetTexture(name, 0);
        if (texture) {
            m_Textures[name] = texture;
        }
        return texture;
    }

    std::map<std::string, gfxTexture*> m_Textures;
};

RglPathDrawer sDrawer;

void ReleasePathTextures() {
    sDrawer.ReleaseTextures();
}

const bool sHooked = gfxAddHook(gfxHookDeviceReleasing, ReleasePathTextures);

}  // namespace

void lvlUseRglPathDrawer() {
    PathDrawer = &sDrawer;
}
