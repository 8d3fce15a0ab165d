// Dressing a lot from the catalogues: wall and sliver variants, wall widths and facades.

#include "cityedit/block.h"
#include "cityedit/catalog.h"

#include <algorithm>

namespace {

// The edge records of a raised lot, or null.
BlockLotEdge* RaisedEdges(BlockLot& lot, int edge) {
    BlockLotEdge* edges = lot.m_HeightOffset != 0.0f ? lot.Edges() : nullptr;
    if (edges) {
        Assert(edge >= 0 && edge < lot.VertexCount());
    }
    return edges;
}

// The variant menu of the walls element; the variant stays when the element is none.
void ChooseVariant(int element, int32_t& variant) {
    if (SurfaceElement* surface = WallsCatalog.Get(element)) {
        variant = surface->ChooseVariant(variant);
    }
}

}  // namespace

void BlockLot::ChooseWallVariant(int edge) {
    if (BlockLotEdge* edges = RaisedEdges(*this, edge)) {
        ChooseVariant(edges[edge].m_Wall, edges[edge].m_WallVariant);
    }
}

void BlockLot::ChooseSliverVariant(int edge) {
    if (BlockLotEdge* edges = RaisedEdges(*this, edge)) {
        ChooseVariant(edges[edge].m_Sliver, edges[edge].m_SliverVariant);
    }
}

float BlockLot::GetWallWidth(int edge) {
    BlockLotEdge* edges = RaisedEdges(*this, edge);
    SurfaceElement* wall = edges ? WallsCatalog.Get(edges[edge].m_Wall) : nullptr;
    // An edge without a wall has no width to keep.
    return wall ? wall->GetWidth() : 0.0f;
}

void BlockLot::AssignFacade(CityBlock& block, int edge, int facade) {
    FacadeElement* f = FacadesCatalog.Get(facade);
    if (!f) {
        return;
    }
    int n = m_VertexCount;
    Assert(edge >= 0 && edge < n);
    Reset();
    float highest = -9999.0f;
    for (int i = 0; i < n; ++i) {
        highest = std::max(highest, block.Vertex(m_VertexIndex[i])->m_Position.y);
    }
    SurfaceElement* front = WallsCatalog.Get(f->m_FrontWall);
    m_HeightOffset = highest + (front ? front->GetHeight() : 0.0f);
    MakeEdges();
    m_Edges[edge].m_Wall = f->m_FrontWall;
    m_Edges[(edge + 1) % n].m_Wall = f->m_ThirdWall;
    m_Edges[(edge + n - 1) % n].m_Wall = f->m_SecondWall;
    for (int k = 2; k <= n - 2; ++k) {
        m_Edges[(edge + k) % n].m_Wall = f->m_BackWall;
    }
    m_Floor = f->m_Floor;
    for (int i = 0; i < n; ++i) {
        m_Edges[i].m_Sliver = f->m_Sliver;
    }
}
