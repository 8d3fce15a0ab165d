#ifndef DEVCAM_DRAWER_H
#define DEVCAM_DRAWER_H

#include <cstdint>

struct Matrix34;
struct Vector3;

// What the cameras, the pick and the editors' overlays draw their axes, grids, rectangles,
// markers and labels through: the immediate-mode layer's drawer from the start; tests put a
// recorder in its place. With none installed nothing is drawn.
class dcDrawer {
public:
    // Primitive codes as the pipeline's.
    enum { LineList = 2, LineStrip = 3, TriangleFan = 6 };
    // Capabilities as the immediate-mode layer's.
    enum { DepthTest = 0, AlphaBlend = 3 };

    virtual ~dcDrawer() {}
    virtual void Begin(int primitive) = 0;
    virtual void Vertex(float x, float y, float z) = 0;
    virtual void End() = 0;
    // Colour of the following vertices, packed 0xAARRGGBB.
    virtual void Color(uint32_t colour) = 0;
    // Returns the previous setting.
    virtual bool Enable(int capability, bool on) = 0;
    virtual void LoadMatrix(const Matrix34& world) = 0;
    virtual void LoadIdentity() = 0;
    // Text at the point's place on screen.
    virtual void Print(const Vector3& point, const char* text) = 0;
};

extern dcDrawer* dcDraw;

#endif
