#include "cityedit/block.h"
#include "cityedit/landmark.h"

#include <algorithm>

BlockLot::BlockLot() = default;

BlockLot::BlockLot(const BlockLot& other)
    : m_Floor(other.m_Floor),
      m_Extra(other.m_Extra),
      m_HeightOffset(other.m_HeightOffset),
      m_Ground(other.m_Ground),
      m_Pitch(other.m_Pitch),
      m_WallTile(other.m_WallTile),
      m_Rotation(other.m_Rotation),
      m_Scale(other.m_Scale),
      m_Group(other.m_Group) {
    SetVertexCount(other.m_VertexCount);
    std::copy_n(other.m_VertexIndex.get(), m_VertexCount, m_VertexIndex.get());
    std::copy_n(other.m_Adjacent.get(), m_VertexCount, m_Adjacent.get());
    if (other.m_Edges) {
        MakeEdges();
        std::copy_n(other.m_Edges.get(), m_VertexCount, m_Edges.get());
    }
    if (other.m_Landmark) {
        m_Landmark.reset(new BlockLandmark(*other.m_Landmark));
    }
}

BlockLot::~BlockLot() = default;

int BlockLot::LotIndex(int vertex) const {
    for (int i = 0; i < m_VertexCount; ++i) {
        if (m_VertexIndex[i] == vertex) {
            return i;
        }
    }
    return -1;
}

void BlockLot::SetVertexCount(int n) {
    Assert(n >= 0);
    m_VertexCount = n;
    m_VertexIndex.reset(new int[n]);
    m_Adjacent.reset(new int[n]);
    m_Edges.reset();
}

void BlockLot::InsertVertex(int vertex, int adjacent, int after) {
    Assert(after >= 0 && after < m_VertexCount);
    int count = m_VertexCount + 1;
    int at = after + 1;
    std::unique_ptr<int[]> indices(new int[count]);
    std::unique_ptr<int[]> adjacents(new int[count]);
    std::copy_n(m_VertexIndex.get(), at, indices.get());
    std::copy_n(m_Adjacent.get(), at, adjacents.get());
    indices[at] = vertex;
    adjacents[at] = adjacent;
    std::copy(m_VertexIndex.get() + at, m_VertexIndex.get() + m_VertexCount,
              indices.get() + at + 1);
    std::copy(m_Adjacent.get() + at, m_Adjacent.get() + m_VertexCount, adjacents.get() + at + 1);
    if (m_Edges) {
        // Both halves of a split edge keep the split edge's walls.
        std::unique_ptr<BlockLotEdge[]> edges(new BlockLotEdge[count]);
        std::copy_n(m_Edges.get(), at, edges.get());
        edges[at] = m_Edges[after];
        std::copy(m_Edges.get() + at, m_Edges.get() + m_VertexCount, edges.get() + at + 1);
        m_Edges = std::move(edges);
    }
    m_VertexIndex = std::move(indices);
    m_Adjacent = std::move(adjacents);
    m_VertexCount = count;
}

void BlockLot::RemoveVertex(int pos) {
    Assert(pos >= 0 && pos < m_VertexCount);
    std::copy(m_VertexIndex.get() + pos + 1, m_VertexIndex.get() + m_VertexCount,
              m_VertexIndex.get() + pos);
    std::copy(m_Adjacent.get() + pos + 1, m_Adjacent.get() + m_VertexCount, m_Adjacent.get() + pos);
    if (m_Edges) {
        std::copy(m_Edges.get() + pos + 1, m_Edges.get() + m_VertexCount, m_Edges.get() + pos);
    }
    --m_VertexCount;
}

bool BlockLot::ReplaceNeighbour(int oldLot, int newLot) {
    int newIdx = newLot;
    bool found = false;
    for (int i = 0; i < m_VertexCount; ++i) {
        if (m_Adjacent[i] == oldLot) {
            Assert(newIdx >= 0);
            m_Adjacent[i] = newIdx;
            found = true;
        } else if (newIdx < 0 && m_Adjacent[i] > oldLot) {
            m_Adjacent[i] += newIdx;
        }
    }
    return found;
}

Vector3 BlockLot::GetCentroid(const CityBlock& block) const {
    Vector3 sum(0.0f, 0.0f, 0.0f);
    for (int i = 0; i < m_VertexCount; ++i) {
        sum += block.Vertex(m_VertexIndex[i])->m_Position;
    }
    return sum * (1.0f / m_VertexCount);
}

BlockLandmark& BlockLot::Landmark() {
    Assert(IsLandmark());
    return *m_Landmark;
}

BlockLotEdge* BlockLot::Edges() {
    Assert(!IsLandmark());
    return m_HeightOffset != 0.0f ? m_Edges.get() : nullptr;
}

void BlockLot::SetLandmark(std::unique_ptr<BlockLandmark> landmark) {
    m_Landmark = std::move(landmark);
}

void BlockLot::MakeEdges() {
    m_Edges.reset(new BlockLotEdge[m_VertexCount]);
}
