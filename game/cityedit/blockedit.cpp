// Inserting vertices on lot edges, cutting a lot in two and removing lots.

#include "cityedit/blockedit.h"

#include "bank/msgbox.h"
#include "data/printer.h"

#include <cmath>
#include <utility>

void RefuseEdit(const char* title, const char* text) {
    BankMessageBox(title, text, 0, 2);
}

int* NeighbourBack(const CityBlock& block, BlockLot* lot, int entry) {
    int other = lot->Adjacent(entry);
    if (other < 0 || other >= block.LotCount()) {
        return nullptr;
    }
    BlockLot* neighbour = block.Lot(other);
    int pos = neighbour->LotIndex(lot->VertexIndex(entry));
    if (pos < 0) {
        return nullptr;
    }
    int count = neighbour->VertexCount();
    return &neighbour->Adjacent((pos + count - 1) % count);
}

namespace {

const float EdgeSlack = 0.05f;
const float SnapDist2 = 0.0025f;

// The first edge, from the closing one on, that the point lies on within the slack; -1 when
// there is none.
int FindEdge(const CityBlock& block, BlockLot* lot, const Vector3& point) {
    int n = lot->VertexCount();
    for (int k = 0; k < n; ++k) {
        int e = (k + n - 1) % n;
        const Vector3& a = block.Vertex(lot->VertexIndex(e))->m_Position;
        const Vector3& b = block.Vertex(lot->VertexIndex((e + 1) % n))->m_Position;
        if (std::fabs(point.FlatDist(b) + point.FlatDist(a) - a.FlatDist(b)) < EdgeSlack) {
            return e;
        }
    }
    return -1;
}

}  // namespace

int CityBlock::InsertVertex(int lot, const Vector3& point, int edge, bool constrained) {
    // A constrained insertion names its edge: the point is not searched for.
    Assert(!constrained || edge != -1);
    BlockLot* l = Lot(lot);
    int n = l->VertexCount();
    if (edge == -1) {
        edge = FindEdge(*this, l, point);
        if (edge == -1) {
            FatalQuit("InsertVertex autodetect edge failed.");
        }
    }
    int va = l->VertexIndex(edge);
    int vb = l->VertexIndex((edge + 1) % n);
    Vector3 a = Vertex(va)->m_Position;
    Vector3 b = Vertex(vb)->m_Position;
    if ((point - a).Mag2() < SnapDist2) {
        return va;
    }
    if ((point - b).Mag2() < SnapDist2) {
        return vb;
    }
    int v = AddVertices(1);
    float length = a.FlatDist(b);
    float t = length > 0.0f ? point.FlatDist(a) / length : 0.0f;
    Vertex(v)->m_Position = a + (b - a) * t;

    int other = l->Adjacent(edge);
    l->InsertVertex(v, other, edge);
    if (other == -1) {
        PrintWarning("Edge is perimeter, no neighbor");
    } else {
        BlockLot* neighbour = Lot(other);
        int posA = neighbour->LotIndex(va);
        int posB = neighbour->LotIndex(vb);
        if (posA >= 0 && posB >= 0) {
            neighbour->InsertVertex(v, lot, posB);
        } else {
            PrintError("InsertVertex - Can't find vertex in my neighbor.");
        }
    }
    CheckConnectivity();
    return v;
}

int CityBlock::InsertVertexAt(int lot, float fraction, int a, int b) {
    BlockLot* l = Lot(lot);
    int n = l->VertexCount();
    // The two entries must bound one edge; it is the edge from the earlier one.
    Assert(b == (a + 1) % n || a == (b + 1) % n);
    const Vector3& pa = Vertex(l->VertexIndex(a))->m_Position;
    const Vector3& pb = Vertex(l->VertexIndex(b))->m_Position;
    return InsertVertex(lot, pa + (pb - pa) * fraction, b == (a + 1) % n ? a : b, true);
}

int CityBlock::MakeEdge(int lot, int a, int b) {
    BlockLot* l = Lot(lot);
    int n = l->VertexCount();
    if (a > b) {
        std::swap(a, b);
    }
    Assert(a >= 0 && b < n);
    if (a == b || (a == 0 && b == n - 1) || b == a + 1) {
        RefuseEdit("Make Edge", "Already an edge here.");
        PrintError("MakeEdge - already an edge here.");
        return lot;
    }
    int first = AddLots(2);
    BlockLot* halves[2] = {Lot(first), Lot(first + 1)};
    // The first half runs a..b, the second b..a round the end; each closes along the new edge.
    const int starts[2] = {a, b};
    const int counts[2] = {b - a + 1, n - b + a + 1};
    for (int h = 0; h < 2; ++h) {
        BlockLot* half = halves[h];
        half->SetVertexCount(counts[h]);
        for (int k = 0; k < counts[h]; ++k) {
            int from = (starts[h] + k) % n;
            half->VertexIndex(k) = l->VertexIndex(from);
            half->Adjacent(k) = l->Adjacent(from);
        }
        half->Adjacent(counts[h] - 1) = first + 1 - h;
        for (int k = 0; k < counts[h] - 1; ++k) {
            if (half->Adjacent(k) == -1) {
                continue;
            }
            int* back = NeighbourBack(*this, half, k);
            AssertAs(back && *back == lot, "Lot(otherSide).LotIndex(vert2) == lotIndex");
            *back = first + h;
        }
        half->m_Floor = l->m_Floor;
        half->m_HeightOffset = l->m_HeightOffset;
    }
    RemoveLot(lot, -1);
    CheckConnectivity();
    return first;
}

int CityBlock::MakeEdgeByVertices(int u, int v) {
    for (int lot = 0; lot < m_LotCount; ++lot) {
        BlockLot* l = Lot(lot);
        int a = l->LotIndex(u);
        int b = l->LotIndex(v);
        if (a >= 0 && b >= 0) {
            return MakeEdge(lot, a, b);
        }
    }
    FatalQuit("MakeEdge(%d,%d) failed.", u, v);
}

void CityBlock::RemoveLot(int lot, int passOver) {
    Assert(lot >= 0 && lot < m_LotCount);
    for (int i = 0; i < m_LotCount; ++i) {
        if (i != lot && i != passOver) {
            m_Lots[i]->ReplaceNeighbour(lot, -1);
        }
    }
    m_Lots.erase(m_Lots.begin() + lot);
    --m_LotCount;
}
