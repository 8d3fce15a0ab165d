// The process-wide debug line list and the shapes built from it.
#include "phcore/debuglines.h"

#include <cmath>

phDebugLine phDebugLines[MAX_DEBUG_LINES];
int phDebugLineCount = 0;
phDebugLineDrawer* DebugLineDrawer = nullptr;

uint32_t phDebugColour(const Vector3& colour) {
    return 0xFF000000u | uint32_t(colour.x * 255.0f) << 16 | uint32_t(colour.y * 255.0f) << 8 |
           uint32_t(colour.z * 255.0f);
}

void phDebugLineAdd(const Vector3& from, const Vector3& to, uint32_t colour) {
    if (phDebugLineCount >= MAX_DEBUG_LINES) {
        return;
    }
    phDebugLine& line = phDebugLines[phDebugLineCount++];
    line.From = from;
    line.To = to;
    line.Colour = colour;
}

void phDebugLineRender(bool clear) {
    phDebugLineDrawer* drawer = DebugLineDrawer;
    if (drawer) {
        bool lighting = drawer->Enable(phDebugLineDrawer::LIGHTING, false);
        drawer->LoadIdentity();
        drawer->UnbindTextures();
        for (int i = 0; i < phDebugLineCount; ++i) {
            const phDebugLine& line = phDebugLines[i];
            drawer->Color(line.Colour);
            drawer->Begin(phDebugLineDrawer::LINE_LIST);
            drawer->Vertex(line.From.x, line.From.y, line.From.z);
            drawer->Vertex(line.To.x, line.To.y, line.To.z);
            drawer->End();
        }
        drawer->Enable(phDebugLineDrawer::LIGHTING, lighting);
    }
    if (clear) {
        phDebugLineCount = 0;
    }
}

void phDebugBox(const Vector3& size, const Matrix34& matrix, uint32_t colour) {
    float hx = 0.5f * size.x, hy = 0.5f * size.y, hz = 0.5f * size.z;
    // Corners 0-3 go round the face at -z, 4-7 the same way round the face at +z.
    Vector3 corners[8] = {Vector3(-hx, -hy, -hz), Vector3(hx, -hy, -hz), Vector3(hx, hy, -hz),
                          Vector3(-hx, hy, -hz),  Vector3(-hx, -hy, hz), Vector3(hx, -hy, hz),
                          Vector3(hx, hy, hz),    Vector3(-hx, hy, hz)};
    for (Vector3& corner : corners) {
        corner.Transform(matrix);
    }
    for (int i = 0; i < 4; ++i) {
        phDebugLineAdd(corners[i], corners[(i + 1) & 3], colour);
    }
    for (int i = 0; i < 4; ++i) {
        phDebugLineAdd(corners[4 + i], corners[4 + ((i + 1) & 3)], colour);
    }
    for (int i = 0; i < 4; ++i) {
        phDebugLineAdd(corners[i], corners[4 + i], colour);
    }
}

namespace {

// One circle of the sphere; axis names the coordinate that stays constant.
void DebugCircle(const Vector3& centre, float radius, uint32_t colour, int segments, int axis) {
    const float step = 2.0f * 3.14159265f / (float)segments;
    auto point = [&](float angle) {
        float u = radius * std::cos(angle), v = radius * std::sin(angle);
        switch (axis) {
            case 0: return Vector3(centre.x, centre.y + u, centre.z + v);
            case 1: return Vector3(centre.x + u, centre.y, centre.z + v);
            default: return Vector3(centre.x + u, centre.y + v, centre.z);
        }
    };
    Vector3 from = point(0.0f);
    for (int i = 1; i <= segments; ++i) {
        Vector3 to = point(step * (float)i);
        phDebugLineAdd(from, to, colour);
        from = to;
    }
}

}  // namespace

void phDebugSphere(const Vector3& centre, float radius, uint32_t colour, int segments) {
    if (segments <= 0) {
        return;
    }
    for (int axis = 0; axis < 3; ++axis) {
        DebugCircle(centre, radius, colour, segments, axis);
    }
}
