// The block editor's topology edits on the current lot: vertices inserted at the edge cursor
// or deleted, edges anchored, made and deleted. The block model refuses what would break the
// block, with a box that says why.

#include "cityedit/block.h"
#include "cityedit/blockcommand.h"
#include "cityedit/blockeditor.h"

#include <cmath>

BlockLot* BlockEditedLot(const BlockEditor& editor) {
    CityBlock* block = editor.m_Block;
    if (!block || editor.m_CurrentLot < 0 || editor.m_CurrentLot >= block->LotCount()) {
        return nullptr;
    }
    BlockLot* lot = block->Lot(editor.m_CurrentLot);
    int n = lot->VertexCount();
    bool inside = editor.m_CurrentEdge >= 0 && editor.m_CurrentEdge < n &&
                  editor.m_CurrentVertex >= 0 && editor.m_CurrentVertex < n;
    return inside ? lot : nullptr;
}

BlockLotEdge* BlockCurrentEdgeRecord(const BlockEditor& editor) {
    BlockLot* lot = BlockEditedLot(editor);
    // A flat lot may hold a landmark, whose lot has no edge records to ask for.
    BlockLotEdge* edges = lot && lot->m_HeightOffset != 0.0f ? lot->Edges() : nullptr;
    return edges ? &edges[editor.m_CurrentEdge] : nullptr;
}

void BlockEditor::InsertVertexAtCursor() {
    // The cursor is not on the edge until the frame's read-outs have placed it.
    bool placed = std::isfinite(m_Cursor.x) && std::isfinite(m_Cursor.y) &&
                  std::isfinite(m_Cursor.z);
    if (!BlockEditedLot(*this) || !placed) {
        return;
    }
    m_Block->InsertVertex(m_CurrentLot, m_Cursor, m_CurrentEdge, false);
    if (m_Anchor > m_CurrentVertex) {
        ++m_Anchor;
    }
    m_CursorParameter = 0.0f;
}

void BlockEditor::AnchorEdge() {
    m_Anchor = m_Anchor == m_CurrentVertex ? -1 : m_CurrentVertex;
}

void BlockEditor::MakeEdgeToAnchor() {
    BlockLot* lot = BlockEditedLot(*this);
    if (!lot || m_Anchor < 0 || m_Anchor >= lot->VertexCount() || m_Anchor == m_CurrentVertex) {
        m_Anchor = -1;
        return;
    }
    m_Block->MakeEdge(m_CurrentLot, m_Anchor, m_CurrentVertex);
}

void BlockEditor::DeleteCurrentEdge() {
    if (BlockEditedLot(*this)) {
        m_Block->DeleteEdge(m_CurrentLot, m_CurrentEdge);
    }
}

void BlockEditor::DeleteCurrentVertex() {
    if (BlockEditedLot(*this)) {
        m_Block->DeleteVertex(m_CurrentLot, m_CurrentVertex);
    }
}

void BlockEditor::StepCursorOverCorner() {
    BlockLot* lot = BlockEditedLot(*this);
    if (!lot) {
        return;
    }
    int n = lot->VertexCount();
    if (m_CursorParameter == 0.0f) {
        m_CurrentEdge = (m_CurrentEdge + n - 1) % n;
        m_CurrentVertex = m_CurrentEdge;
        m_CursorParameter = 0.999f;
    } else if (m_CursorParameter == 1.0f) {
        m_CurrentEdge = (m_CurrentEdge + 1) % n;
        m_CurrentVertex = m_CurrentEdge;
        m_CursorParameter = 0.001f;
    }
}

void BlockEditor::ResetBlockToPerimeter() {
    if (!m_Block) {
        return;
    }
    m_Block->ResetToPerimeter();
    m_CurrentLot = 0;
    m_CurrentEdge = 0;
    m_CurrentVertex = 0;
}
