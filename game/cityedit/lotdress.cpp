// Dressing a lot: clearing it, walls and slivers by index, moving a corner to give a wall its
// length, and landmarks.

#include "cityedit/blockedit.h"
#include "cityedit/landmark.h"

void BlockLot::Reset() {
    if (m_Landmark) {
        m_Landmark->Free();
    }
    m_Landmark.reset();
    m_Edges.reset();
    m_HeightOffset = 0.0f;
    m_Ground = 0.0f;
    m_Pitch = 0.0f;
    m_WallTile = 0.0f;
}

void BlockLot::SetWall(int edge, int wall) {
    if (m_HeightOffset == 0.0f) {
        return;
    }
    Assert(edge >= 0 && edge < m_VertexCount);
    if (!m_Edges) {
        MakeEdges();
    }
    m_Edges[edge].m_Wall = wall;
}

void BlockLot::SetSliver(int sliver, int edge) {
    BlockLotEdge* edges = m_HeightOffset != 0.0f ? m_Edges.get() : nullptr;
    if (!edges) {
        return;
    }
    Assert(edge >= -1 && edge < m_VertexCount);
    for (int i = 0; i < m_VertexCount; ++i) {
        if (edge == -1 || edge == i) {
            edges[i].m_Sliver = sliver;
        }
    }
}

void BlockLot::FixWallWidth(CityBlock& block, int edge, int fixedEnd, float length) {
    int n = m_VertexCount;
    int moving = fixedEnd == edge ? (edge + 1) % n : (fixedEnd + n - 1) % n;
    int v = VertexIndex(moving);
    if (v < block.PerimeterCount()) {
        RefuseEdit("Fix Wall Width", "Sorry, can't move a perimeter vertex.");
        return;
    }
    const Vector3& fixed = block.Vertex(VertexIndex(fixedEnd))->m_Position;
    Vector3& position = block.Vertex(v)->m_Position;
    Vector3 direction = position - fixed;
    direction.Normalize();
    position = fixed + direction * length;
}

void BlockLot::AssignLandmark(const char* name, CityBlock& block) {
    Reset();
    std::unique_ptr<BlockLandmark> landmark(new BlockLandmark(name));
    LoadLandmarkModel(*landmark);
    landmark->Sew(block, *this);
    m_Landmark = std::move(landmark);
}

void BlockLot::AssignFixedLandmark(std::unique_ptr<BlockLandmark> landmark) {
    landmark->m_Fixed = 1;
    LoadLandmarkModel(*landmark);
    // The landmark takes the place of any walls and roof: a landmark stands on a flat lot only,
    // so a raised lot comes down to show it.
    m_Edges.reset();
    m_HeightOffset = 0.0f;
    m_Landmark = std::move(landmark);
}
