// One path's vertices and their editing, and the set's clearing.

#include "level/pathset.h"

#include <algorithm>
#include <cstring>

#include "level/pathmouse.h"

uint8_t qvPath::sm_ShowIndices = 0;
uint8_t qvPath::sm_ShowMarkers = 1;

qvPath::qvPath(const char* name)
    : m_VertCount(0), m_Capacity(0), m_CurrentVertex(0), m_Type(LineStrip), m_Spacing(5.0f) {
    SetName(name);
}

void qvPath::SetName(const char* name) {
    // The whole field is cleared: the file stores all of it.
    memset(m_Name, 0, sizeof(m_Name));
    strncpy(m_Name, name, NAME_SIZE - 1);
}

void qvPath::InsertVertex(const qvPathVertex& vertex, int index) {
    if (index < 0 || index > m_VertCount) {
        index = m_CurrentVertex;
    }
    if (m_VertCount == m_Capacity) {
        std::unique_ptr<qvPathVertex[]> grown(new qvPathVertex[m_Capacity + GROW]);
        std::copy(m_Vertices.get(), m_Vertices.get() + m_VertCount, grown.get());
        m_Vertices = std::move(grown);
        m_Capacity += GROW;
    }
    std::copy_backward(m_Vertices.get() + index, m_Vertices.get() + m_VertCount,
                       m_Vertices.get() + m_VertCount + 1);
    m_Vertices[index] = vertex;
    ++m_VertCount;
    ++m_CurrentVertex;
}

void qvPath::DeleteVertex(int index) {
    if (!m_VertCount) {
        return;
    }
    Assert(index >= 0 && index < m_VertCount);
    std::copy(m_Vertices.get() + index + 1, m_Vertices.get() + m_VertCount,
              m_Vertices.get() + index);
    --m_VertCount;
    if (m_CurrentVertex > m_VertCount - 1) {
        m_CurrentVertex = m_VertCount > 0 ? m_VertCount - 1 : 0;
    }
}

void qvPath::SelectNearestVertex() {
    if (!PathMouse || !m_VertCount) {
        return;
    }
    int nearest = 0;
    float best = PathMouse->PointDistance(m_Vertices[0].m_Position);
    for (int i = 1; i < m_VertCount; ++i) {
        float distance = PathMouse->PointDistance(m_Vertices[i].m_Position);
        if (distance < best) {
            best = distance;
            nearest = i;
        }
    }
    m_CurrentVertex = nearest;
}

void qvPathSetBase::Clear() {
    for (uint32_t i = 0; i < m_PathCount; ++i) {
        m_Paths[i].reset();
    }
    m_PathCount = 0;
    m_CurrentPath = 0;
}
