// The cameras' and the pick's drawer: the immediate-mode layer, installed from the start.
#include "devcam/drawer.h"

#include "rgl/rgl.h"

namespace {

class RglDrawer : public dcDrawer {
public:
    void Begin(int primitive) override { rglBegin(uint32_t(primitive)); }
    void Vertex(float x, float y, float z) override { rglVertex(x, y, z); }
    void End() override { rglEnd(); }
    void Color(uint32_t colour) override { rglColor(colour); }
    bool Enable(int capability, bool on) override {
        return rglEnable(uint32_t(capability), on) != 0;
    }
    void LoadMatrix(const Matrix34& world) override { rglLoadMatrix(world); }
    void LoadIdentity() override { rglLoadIdentity(); }
    void Print(const Vector3& point, const char* text) override { rglPrint3D(point, text); }
};

RglDrawer sDrawer;

}  // namespace

dcDrawer* dcDraw = &sDrawer;
