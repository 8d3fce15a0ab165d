// The physics debug lines drawn through the immediate-mode layer.
#include "phys/debuglinergl.h"

#include "phcore/debuglines.h"
#include "rgl/rgl.h"

namespace {

class RglDebugLineDrawer : public phDebugLineDrawer {
public:
    bool Enable(int capability, bool on) override {
        return rglEnable(uint32_t(capability), on) != 0;
    }
    void LoadIdentity() override { rglLoadIdentity(); }
    void UnbindTextures() override {
        rglBindTexture(nullptr);
        rglBindTexture2(nullptr);
    }
    void Color(uint32_t colour) override { rglColor(colour); }
    void Begin(int primitive) override { rglBegin(uint32_t(primitive)); }
    void Vertex(float x, float y, float z) override { rglVertex(x, y, z); }
    void End() override { rglEnd(); }
};

RglDebugLineDrawer sDrawer;

}  // namespace

void lvlUseRglDebugLineDrawer() {
    DebugLineDrawer = &sDrawer;
}
