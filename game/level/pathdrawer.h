#ifndef LEVEL_PATHDRAWER_H
#define LEVEL_PATHDRAWER_H

#include <cstdint>

struct Vector3;

// What paths draw through: the editor's start-up installs the immediate-mode layer's with
// lvlUseRglPathDrawer; tests put a recorder in its place. With none installed paths draw
// nothing.
class qvPathDrawer {
public:
    // Primitive codes as the pipeline's.
    enum { PointList = 1, LineList = 2, LineStrip = 3, TriangleStrip = 5 };
    // Depth comparisons as the render state's.
    enum { ZLessEqual = 4, ZAlways = 8 };

    virtual ~qvPathDrawer() {}
    // The texture of that name for the primitives that follow; null binds none.
    virtual void BindTexture(const char* name) = 0;
    virtual void SetZFunction(int function) = 0;
    virtual void Begin(int primitive) = 0;
    // Colour packed 0xAARRGGBB; u, v the texture coordinates.
    virtual void Vertex(const Vector3& position, uint32_t colour, float u, float v) = 0;
    virtual void End() = 0;
    // The screen-space cross of picking, 8 pixels across, at the point.
    virtual void Marker(const Vector3& position, uint32_t colour) = 0;
    // Text at the point's place on screen.
    virtual void Label(const Vector3& position, const char* text) = 0;
};

extern qvPathDrawer* PathDrawer;

// Installs the drawer that draws through the immediate-mode layer.
void lvlUseRglPathDrawer();

#endif
