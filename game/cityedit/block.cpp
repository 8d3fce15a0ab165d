#include "cityedit/block.h"

#include "data/printer.h"

#include <cmath>

BlockVertex::BlockVertex() : BlockVertex(Vector3(0.0f, 0.0f, 0.0f)) {}

BlockVertex::BlockVertex(const Vector3& position)
    : m_Position(position), m_User1(0), m_UserFlag(0), m_User2(0), m_User3(0) {}

BlockVertex::BlockVertex(const BlockVertex& other)
    : m_Position(other.m_Position),
      m_User1(other.m_User1),
      m_UserFlag(other.m_UserFlag),
      m_User2(other.m_User2),
      m_User3(other.m_User3) {}

CityBlock::CityBlock(int id) : m_Id(id) {}

CityBlock::CityBlock(const CityBlock& other) : m_Id(other.m_Id) {
    CopyFrom(other);
}

CityBlock& CityBlock::operator=(const CityBlock& other) {
    // Clearing first would free the very lots about to be copied.
    if (this != &other) {
        Clear();
        CopyFrom(other);
    }
    return *this;
}

CityBlock::~CityBlock() {
    Clear();
}

void CityBlock::CopyFrom(const CityBlock& other) {
    m_Id = other.m_Id;
    m_Solid = other.m_Solid;
    m_PerimeterCount = other.m_PerimeterCount;
    for (const auto& vertex : other.m_Vertices) {
        m_Vertices.emplace_back(new BlockVertex(*vertex));
    }
    for (const auto& lot : other.m_Lots) {
        m_Lots.emplace_back(new BlockLot(*lot));
    }
    m_VertexCount = other.m_VertexCount;
    m_LotCount = other.m_LotCount;
}

void CityBlock::Clear() {
    while (!m_Lots.empty()) {
        m_Lots.pop_back();
    }
    while (!m_Vertices.empty()) {
        m_Vertices.pop_back();
    }
    m_PerimeterCount = 0;
    m_VertexCount = 0;
    m_LotCount = 0;
}

namespace {

template <class T>
int AppendNew(std::vector<std::unique_ptr<T>>& items, int32_t& count, int n) {
    int first = count;
    for (int i = 0; i < n; ++i) {
        items.emplace_back(new T());
    }
    count += n;
    return first;
}

}  // namespace

int CityBlock::AddVertices(int n) {
    return AppendNew(m_Vertices, m_VertexCount, n);
}

int CityBlock::AddLots(int n) {
    return AppendNew(m_Lots, m_LotCount, n);
}

void CityBlock::BuildFromOutline(const Vector3* points, int n) {
    Clear();
    AddVertices(n);
    for (int i = 0; i < n; ++i) {
        m_Vertices[i]->m_Position = points[i];
    }
    m_PerimeterCount = n;
    BlockLot* lot = Lot(AddLots(1));
    lot->SetVertexCount(n);
    for (int i = 0; i < n; ++i) {
        lot->VertexIndex(i) = i;
        lot->Adjacent(i) = -1;
    }
}

void CityBlock::ResetToPerimeter() {
    // The positions must outlive the vertices that Clear frees.
    std::vector<Vector3> outline;
    for (int i = 0; i < m_PerimeterCount; ++i) {
        outline.push_back(m_Vertices[i]->m_Position);
    }
    BuildFromOutline(outline.data(), m_PerimeterCount);
}

uint8_t CityBlock::UpdateSolid() {
    bool raised = false;
    bool landmark = false;
    for (const auto& lot : m_Lots) {
        raised = raised || lot->m_HeightOffset != 0.0f;
        landmark = landmark || lot->IsLandmark();
    }
    m_Solid = raised && !landmark ? 1 : 0;
    return m_Solid;
}

Vector3 CityBlock::GetLotCentroid(int lot) const {
    return Lot(lot)->GetCentroid(*this);
}

bool CityBlock::IsPerimeterVertex(int vertex, int& edge) const {
    if (vertex < m_PerimeterCount) {
        return true;
    }
    const Vector3& p = Vertex(vertex)->m_Position;
    for (int k = 0; k < m_PerimeterCount; ++k) {
        int e = (k + m_PerimeterCount - 1) % m_PerimeterCount;
        const Vector3& a = m_Vertices[e]->m_Position;
        const Vector3& b = m_Vertices[(e + 1) % m_PerimeterCount]->m_Position;
        if (std::fabs(p.Dist(a) + p.Dist(b) - a.Dist(b)) < 0.01f) {
            edge = e;
            return true;
        }
    }
    return false;
}

int CityBlock::FindVertex(const Vector3& position) const {
    for (int i = 0; i < m_VertexCount; ++i) {
        const Vector3& p = m_Vertices[i]->m_Position;
        if (p.x == position.x && p.y == position.y && p.z == position.z) {
            return i;
        }
    }
    for (int i = 0; i < m_VertexCount; ++i) {
        if (m_Vertices[i]->m_Position.FlatDist(position) < 0.01f) {
            return i;
        }
    }
    Assert(0);
    return -1;
}

int CityBlock::GetLotCorners(int lot, int start, int* out, int max) const {
    BlockLot* l = Lot(lot);
    int n = l->VertexCount();
    int found = 0;
    for (int k = 0; k < n; ++k) {
        int j = (start + k) % n;
        const Vector3& pi = Vertex(l->VertexIndex((j + n - 1) % n))->m_Position;
        const Vector3& pj = Vertex(l->VertexIndex(j))->m_Position;
        const Vector3& pm = Vertex(l->VertexIndex((j + 1) % n))->m_Position;
        Vector3 in = pj - pi;
        Vector3 onward = pm - pj;
        in.Normalize();
        onward.Normalize();
        if (in.Dot(onward) < 0.99f) {
            if (found < max) {
                out[found] = l->VertexIndex(j);
            }
            ++found;
        }
    }
    return found;
}

void CityBlock::CheckConnectivity() const {
    for (int lot = 0; lot < m_LotCount; ++lot) {
        BlockLot* l = m_Lots[lot].get();
        for (int p = 0; p < l->VertexCount(); ++p) {
            int nbr = l->Adjacent(p);
            if (nbr == -1) {
                continue;
            }
            // A neighbour that is no lot, or that lacks the vertex, is as broken as one that
            // points elsewhere; it is reported alike instead of being read out of bounds.
            int q = -1;
            int back = -1;
            if (nbr >= 0 && nbr < m_LotCount) {
                BlockLot* n = m_Lots[nbr].get();
                int pos = n->LotIndex(l->VertexIndex(p));
                if (pos >= 0) {
                    q = (pos + n->VertexCount() - 1) % n->VertexCount();
                    back = n->Adjacent(q);
                }
            }
            if (back != lot) {
                PrintError("Lot %d vertex %d -- nbr lot %d vtx %d points to %d, not us", lot, p,
                           nbr, q, back);
            }
        }
    }
}
