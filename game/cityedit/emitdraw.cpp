// Draw mode of the room emitters and the block views through the immediate-mode layer: fans
// and line strips with their texture coordinates, in the current colour.
#include "cityedit/psdltool.h"

#include "rgl/rgl.h"
#include "vector/matrix34.h"

namespace {

class RglEmitDrawer : public lvlEmitDrawer {
public:
    void BeginFan() override { rglBegin(RGL_TRIANGLE_FAN); }
    void BeginLineStrip() override { rglBegin(RGL_LINE_STRIP); }
    void Colour(uint32_t colour) override { rglColor(colour); }
    void Vertex(float x, float y, float z, float u, float v) override {
        rglTexCoord(u, v);
        rglVertex(x, y, z);
    }
    void End() override { rglEnd(); }
    void BindTexture(gfxTexture* texture) override { rglBindTexture(texture); }
    // Instance models draw with static geometry, which this layer does not hold: the model
    // is placed by its matrix but not drawn.
    void DrawModel(const Matrix34&, modStatic*, modShader*) override {}
    void Print(const Vector3& position, const char* text) override { rglPrint3D(position, text); }
};

RglEmitDrawer sDrawer;

}  // namespace

void lvlUseRglEmitDrawer() {
    EmitDrawer = &sDrawer;
}
