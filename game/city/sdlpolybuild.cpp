#include "city/sdl.h"

#include "city/psdl.h"
#include "phcore/poly.h"

// Every builder ends here: the corners are city vertex indices, a quad's fourth never 0.
void lvlSDL::MakePoly(phPolygon& poly, int material, int i0, int i1, int i2, int i3) {
    const Vector3* vertices = lvlPSDL::sm_Vertices.data();
    if (i3 == 0) {
        poly.InitTriangle(i0, i1, i2, vertices);
    } else {
        poly.InitQuad(i0, i1, i2, i3, vertices);
    }
    poly.MaterialIndex = uint8_t(material);
}

namespace {

// A quad whose fourth corner is vertex 0 would read as a triangle: start it one corner later.
void MakeQuad(phPolygon& poly, int material, int c0, int c1, int c2, int c3) {
    if (c3 == 0) {
        lvlSDL::MakePoly(poly, material, c3, c0, c1, c2);
    } else {
        lvlSDL::MakePoly(poly, material, c0, c1, c2, c3);
    }
}

int Raised(int index, float offset) {
    if (offset == 0.0f) {
        return index;
    }
    Vector3 p = lvlPSDL::sm_Vertices[index];
    p.y += offset;
    return lvlPSDL::AddSpareVertex(p);
}

int Flattened(int index, float height) {
    Vector3 p = lvlPSDL::sm_Vertices[index];
    if (p.y == height) {
        return index;
    }
    p.y = height;
    return lvlPSDL::AddSpareVertex(p);
}

}  // namespace

void lvlSDL::MakeStripPoly(phPolygon& poly, int material, const int* indices,
                           const float* offsets) {
    int i[4] = {indices[0], indices[1], indices[2], indices[3]};
    float h[4] = {offsets[0], offsets[1], offsets[2], offsets[3]};
    bool triangle = true;
    if (i[1] == i[3]) {
        i[3] = i[2];
        h[3] = h[2];
    } else if (i[0] != i[2]) {
        triangle = false;
    }
    int c0 = Raised(i[0], h[0]);
    int c1 = Raised(i[1], h[1]);
    int c3 = Raised(i[3], h[3]);
    if (triangle) {
        MakePoly(poly, material, c0, c1, c3, 0);
    } else {
        MakeQuad(poly, material, c0, c1, c3, Raised(i[2], h[2]));
    }
}

void lvlSDL::MakeFlatPoly(phPolygon& poly, int material, int i0, int i1, int i2, int i3,
                          float height) {
    int c0 = Flattened(i0, height);
    int c1 = Flattened(i1, height);
    if (i3 < 0) {
        MakePoly(poly, material, c0, c1, Flattened(i2, height), 0);
        return;
    }
    int c3 = Flattened(i3, height);
    MakeQuad(poly, material, c0, c1, c3, Flattened(i2, height));
}

void lvlSDL::MakeStripPoly(phPolygon& poly, int material, const Vector3* positions) {
    int c0 = lvlPSDL::AddSpareVertex(positions[0]);
    int c1 = lvlPSDL::AddSpareVertex(positions[1]);
    int c3 = lvlPSDL::AddSpareVertex(positions[3]);
    MakePoly(poly, material, c0, c1, c3, lvlPSDL::AddSpareVertex(positions[2]));
}

void lvlSDL::MakeEdgeWall(phPolygon& poly, int material, int i0, int i1, float h0, float h1) {
    Vector3 top0 = lvlPSDL::sm_Vertices[i0];
    Vector3 top1 = lvlPSDL::sm_Vertices[i1];
    top0.y = h0;
    top1.y = h1;
    int c3 = lvlPSDL::AddSpareVertex(top0);
    int c2 = lvlPSDL::AddSpareVertex(top1);
    MakePoly(poly, material, i0, i1, c2, c3);
}

void lvlSDL::MakeWall(phPolygon& poly, int material, const Vector3& p0, const Vector3& p1,
                      float h0, float h1) {
    Vector3 top0(p0.x, h0, p0.z);
    Vector3 top1(p1.x, h1, p1.z);
    int c0 = lvlPSDL::AddSpareVertex(p0);
    int c3 = lvlPSDL::AddSpareVertex(top0);
    int c1 = lvlPSDL::AddSpareVertex(p1);
    int c2 = lvlPSDL::AddSpareVertex(top1);
    poly.InitQuad(c0, c1, c2, c3, lvlPSDL::sm_Vertices.data());
    poly.MaterialIndex = uint8_t(material);
}
