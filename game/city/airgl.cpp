// The AI map's rails and end markers drawn through the immediate-mode layer.
#include "city/ai.h"

#include "rgl/rgl.h"

namespace {

class RglAiDrawer : public lvlAiDrawer {
public:
    void Begin(int primitive) override { rglBegin(uint32_t(primitive)); }
    void Vertex(const Vector3& position, uint32_t colour) override {
        rglColor(colour);
        rglVertex(position.x, position.y, position.z);
    }
    void End() override { rglEnd(); }
};

RglAiDrawer sDrawer;

}  // namespace

void lvlUseRglAiDrawer() {
    AiDrawer = &sDrawer;
}
