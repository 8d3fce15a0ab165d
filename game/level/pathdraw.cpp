// Drawing of paths and path decals through the installed path drawer.

#include <cmath>
#include <cstdio>

#include "level/pathdrawer.h"
#include "level/pathset.h"

qvPathDrawer* PathDrawer;

namespace {

const uint32_t PathColour[2] = {0xFF00BF00, 0xFFBF0000};     // plain, highlighted
const uint32_t CurrentColour[2] = {0xFF00FF00, 0xFFFF0000};  // plain, highlighted
const uint32_t White = 0xFFFFFFFF;
const int LabelSize = 128;

}  // namespace

void qvPath::Draw(bool highlighted) const {
    if (!PathDrawer) {
        return;
    }
    // Paths stay visible through the city they lie on.
    PathDrawer->BindTexture(nullptr);
    PathDrawer->SetZFunction(qvPathDrawer::ZAlways);
    uint32_t colour = PathColour[highlighted];
    if (m_VertCount) {
        // The primitive codes follow the types: points, lines, line strip.
        PathDrawer->Begin(qvPathDrawer::PointList + m_Type);
        for (int i = 0; i < m_VertCount; ++i) {
            PathDrawer->Vertex(m_Vertices[i].m_Position, colour, 0.0f, 0.0f);
        }
        PathDrawer->End();
    }
    if (sm_ShowMarkers || m_Type == Points) {
        for (int i = 0; i < m_VertCount; ++i) {
            PathDrawer->Marker(m_Vertices[i].m_Position, colour);
        }
    }
    if (m_VertCount) {
        PathDrawer->Marker(m_Vertices[WriteIndex()].m_Position, CurrentColour[highlighted]);
    }
    if (sm_ShowIndices) {
        char label[LabelSize];
        for (int i = 0; i < m_VertCount; ++i) {
            if (m_Type == Lines) {
                snprintf(label, sizeof(label), "%s-%d%c", m_Name, i / 2 + 1, i & 1 ? 'R' : 'L');
            } else {
                snprintf(label, sizeof(label), "%s-%d", m_Name, i + 1);
            }
            PathDrawer->Label(m_Vertices[i].m_Position, label);
        }
    }
    PathDrawer->SetZFunction(qvPathDrawer::ZLessEqual);
}

void DrawPathDecal(const qvPath& path) {
    int count = path.GetVertexCount();
    if (!PathDrawer || count < 2) {
        return;
    }
    const Vector3& origin = path.GetVertex(0).m_Position;
    // The texture repeats once per width of the strip's first rung along its length.
    float width = path.GetVertex(1).m_Position.Dist(origin);
    PathDrawer->BindTexture(path.GetName());
    PathDrawer->Begin(qvPathDrawer::TriangleStrip);
    for (int i = 0; i < count; ++i) {
        float along = path.GetVertex(i & ~1).m_Position.Dist(origin);
        float v = width > 0.0f ? std::floor(along / width + 0.5f) : 0.0f;
        PathDrawer->Vertex(path.GetVertex(i).m_Position, White, float(i & 1), v);
    }
    PathDrawer->End();
}
