// Merging two lots by deleting their shared edge, and deleting a corner from the lots that
// hold it.

#include "cityedit/blockedit.h"

#include "data/printer.h"

void CityBlock::DeleteEdge(int lot, int edge) {
    BlockLot* l = Lot(lot);
    int otherSide = l->Adjacent(edge);
    if (otherSide == -1) {
        RefuseEdit("Delete Edge", "Cannot remove edge on perimeter.");
        PrintError("Cannot remove edge on perimeter.");
        return;
    }
    int shared = 0;
    for (int i = 0; i < l->VertexCount(); ++i) {
        shared += l->Adjacent(i) == otherSide;
    }
    if (shared > 1) {
        RefuseEdit("Delete Edge",
                   "Cannot delete an edge if there's more than one bordering the same lot.  "
                   "Delete extra vertices first.");
        PrintError("More than one edge shared with neighbor");
        return;
    }
    BlockLot* o = Lot(otherSide);
    int countL = l->VertexCount();
    int countO = o->VertexCount();
    int p = o->LotIndex(l->VertexIndex(edge));
    Assert(p >= 0);

    int merged = AddLots(1);
    BlockLot* m = Lot(merged);
    int count = countL + countO - 2;
    m->SetVertexCount(count);
    int destIdx = 0;
    auto append = [&](BlockLot* from, int entry) {
        Assert(destIdx < count);
        m->VertexIndex(destIdx) = from->VertexIndex(entry);
        m->Adjacent(destIdx) = from->Adjacent(entry);
        ++destIdx;
    };
    for (int i = 0; i <= edge; ++i) {
        append(l, i);
    }
    // The deleted edge's start now leads along the other lot, round to the far end of the edge.
    m->Adjacent(destIdx - 1) = o->Adjacent(p);
    for (int k = 1; k <= countO - 2; ++k) {
        append(o, (p + k) % countO);
    }
    for (int i = edge + 1; i < countL; ++i) {
        append(l, i);
    }
    Assert(destIdx == count);

    for (int i = 0; i < count; ++i) {
        if (m->Adjacent(i) == -1) {
            continue;
        }
        int* back = NeighbourBack(*this, m, i);
        AssertAs(back && (*back == lot || *back == otherSide),
                 "Lot(other).LotIndex(vert) == lotIndex || Lot(other).LotIndex(vert) == otherSide");
        *back = merged;
    }
    RemoveLot(lot > otherSide ? lot : otherSide, lot > otherSide ? otherSide : lot);
    RemoveLot(lot > otherSide ? otherSide : lot, -1);
    CheckConnectivity();
}

void CityBlock::DeleteVertex(int lot, int entry) {
    BlockLot* l = Lot(lot);
    int v = l->VertexIndex(entry);
    if (v < m_PerimeterCount) {
        RefuseEdit("Delete Vertex", "Cannot delete a perimeter vertex");
        return;
    }
    if (l->VertexCount() < 4) {
        RefuseEdit("Delete Vertex",
                   "Need at least three vertices in this lot; delete some edges first.");
        return;
    }
    int used = 0;
    for (int i = 0; i < m_LotCount; ++i) {
        BlockLot* other = Lot(i);
        for (int k = 0; k < other->VertexCount(); ++k) {
            used += other->VertexIndex(k) == v;
        }
    }
    int perimeterEdge = -1;
    if (IsPerimeterVertex(v, perimeterEdge)) {
        if (used != 1) {
            RefuseEdit("Delete Vertex",
                       "Delete all non-perimeter edges using this vertex before deleting this "
                       "vertex.");
            return;
        }
    } else if (used != 1 && used != 2) {
        RefuseEdit("Delete Vertex", "Vertex must be only used by two edges before it can be "
                                    "deleted.");
        CheckConnectivity();
        return;
    }
    int otherSide = l->Adjacent(entry);
    Assert((otherSide==-1 && used==1) || (otherSide!=-1 && used==2));
    if (otherSide != -1 && Lot(otherSide)->VertexCount() < 4) {
        RefuseEdit("Delete Vertex",
                   "Need at least three vertices in neighboring lot; delete some edges first.");
        return;
    }
    if (otherSide != -1) {
        BlockLot* o = Lot(otherSide);
        int pos = o->LotIndex(v);
        Assert(pos >= 0);
        o->RemoveVertex(pos);
    }
    l->RemoveVertex(entry);
    CheckConnectivity();
}
