// What picking draws: the drag rectangle, the selection frustum and screen-space markers.
#include "devcam/drawer.h"
#include "devcam/pick.h"
#include "gfx/viewport.h"

namespace {

// Draws in pixels on the pipeline's full-target viewport, without depth test, for as long as
// it lives; then the viewport that was current comes back.
class ScreenSpace {
public:
    ScreenSpace() : m_Previous(gfxCurrentViewport) {
        if (m_Previous != gfxScreenViewport) {
            gfxSetViewport(gfxScreenViewport);
        }
        dcDraw->Enable(dcDrawer::DepthTest, false);
    }
    ~ScreenSpace() {
        dcDraw->Enable(dcDrawer::DepthTest, true);
        if (m_Previous != gfxScreenViewport) {
            gfxSetViewport(m_Previous);
        }
    }

private:
    gfxViewport* m_Previous;
};

const float MarkerOffsets[8][2] = {{-4, -4}, {4, 4}, {-4, 4}, {4, -4},
                                   {-4, 0},  {4, 0}, {0, 4},  {0, -4}};
const float SquareOffsets[8][2] = {{-4, -4}, {4, -4}, {4, -4}, {4, 4},
                                   {4, 4},   {-4, 4}, {-4, 4}, {-4, -4}};

}  // namespace

void dcPick::Draw() {
    if (m_State != Dragging || !dcDraw) {
        return;
    }
    ScreenSpace screen;
    dcDraw->Color(0xFFFF0000);
    dcDraw->Begin(dcDrawer::LineStrip);
    dcDraw->Vertex((float)m_StartX, (float)m_StartY, 0);
    dcDraw->Vertex((float)m_EndX, (float)m_StartY, 0);
    dcDraw->Vertex((float)m_EndX, (float)m_EndY, 0);
    dcDraw->Vertex((float)m_StartX, (float)m_EndY, 0);
    dcDraw->Vertex((float)m_StartX, (float)m_StartY, 0);
    dcDraw->End();
}

void dcPick::DrawFrustum() {
    if (!dcDraw) {
        return;
    }
    dcDraw->Color(0xFF00FF00);
    for (int depth = 0; depth < 2; ++depth) {
        dcDraw->Begin(dcDrawer::LineStrip);
        for (int i = 0; i <= 4; ++i) {
            const Vector3& corner = m_Corners[depth * 4 + i % 4];
            dcDraw->Vertex(corner.x, corner.y, corner.z);
        }
        dcDraw->End();
    }
    dcDraw->Begin(dcDrawer::LineList);
    for (int i = 0; i < 4; ++i) {
        dcDraw->Vertex(m_Corners[i].x, m_Corners[i].y, m_Corners[i].z);
        dcDraw->Vertex(m_Corners[i + 4].x, m_Corners[i + 4].y, m_Corners[i + 4].z);
    }
    dcDraw->End();
}

// The point is projected through the viewport it is seen in, before the switch to pixels.
void dcDrawPolyline(const Vector3& point, int count, const float (*offsets)[2]) {
    Vector4 screen;
    if (!dcDraw || !dcProjectToScreen(screen, point)) {
        return;
    }
    ScreenSpace pixels;
    dcDraw->Begin(dcDrawer::LineList);
    for (int i = 0; i < count; ++i) {
        dcDraw->Vertex(screen.x + offsets[i][0], screen.y + offsets[i][1], 0);
    }
    dcDraw->End();
}

void dcDrawMarker(const Vector3& point) {
    dcDrawPolyline(point, 8, MarkerOffsets);
}

void dcDrawSquareMarker(const Vector3& point) {
    dcDrawPolyline(point, 8, SquareOffsets);
}
