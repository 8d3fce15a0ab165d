// Draw mode of the room emitters and the block views through the immediate-mode layer: fans
// and line strips with their texture coordinates, in the current colour.
#include "cityedit/psdltool.h"

#include "model/static.h"
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
    void DrawModel(const Matrix34& matrix, modStatic* model, modShader* shaders) override {
        if (!model) {
            return;
        }
        rglLoadMatrix(matrix);
        model->Draw(shaders);
        rglLoadIdentity();
    }
    void Print(const Vector3& position, const char* text) override { rglPrint3D(position, text); }
};

RglEmitDrawer sDrawer;

}  // namespace

void lvlUseRglEmitDrawer() {
    EmitDrawer = &sDrawer;
}
