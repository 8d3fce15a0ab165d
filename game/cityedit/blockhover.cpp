// The block editor's frame: what lies under the mouse, the read-outs of the current lot, edge
// and vertex, and the edge cursor; then the input of the mode.
#include "cityedit/blockeditor.h"

#include <climits>

#include "cityedit/block.h"
#include "cityedit/blockcommand.h"
#include "devcam/pick.h"

namespace {

// The opposite cursor shows only on an opposite edge longer than this beyond its distance.
const float OppositeMargin = 1.0f;

// Truncated toward 0, within the range of int32_t (NaN gives 0).
int32_t Truncate(float value) {
    if (!(value > float(INT32_MIN) && value < float(INT32_MAX))) {
        return value > 0.0f ? INT32_MAX : value < 0.0f ? INT32_MIN : 0;
    }
    return int32_t(value);
}

}  // namespace

void BlockEditor::UpdateBlockEditor(dcPick*, lvlPSDL* city) {
    if (!m_Block) {
        return;
    }
    m_HoverDistance = dcInvisible;
    m_OppositeShown = 0;
    if (KeepCurrentInLot()) {
        if (m_HoverPicking && !m_Capture) {
            HoverPick();
        }
        UpdateReadouts();
        UpdateCursor();
        UpdateOppositeCursor();
    }
    UpdateInput(city);
}

bool BlockEditor::KeepCurrentInLot() {
    if (m_Block->LotCount() == 0) {
        return false;
    }
    if (m_CurrentLot < 0 || m_CurrentLot >= m_Block->LotCount()) {
        m_CurrentLot = 0;
    }
    int n = m_Block->Lot(m_CurrentLot)->VertexCount();
    if (m_CurrentEdge < 0 || m_CurrentEdge >= n) {
        m_CurrentEdge = 0;
    }
    if (m_CurrentVertex < 0 || m_CurrentVertex >= n) {
        m_CurrentVertex = 0;
    }
    if (m_Anchor >= n) {
        m_Anchor = -1;
    }
    return n > 0;
}

Vector3& BlockEditor::LotPoint(int lot, int i) const {
    BlockLot* entries = m_Block->Lot(lot);
    return m_Block->Vertex(entries->VertexIndex(i % entries->VertexCount()))->m_Position;
}

void BlockEditor::HoverPick() {
    // The polygon test holds fewer than dcPick::maxPoints points: a lot with more is tested on
    // its first ones.
    Vector3 points[dcPick::maxPoints];
    for (int lot = 0; lot < m_Block->LotCount(); ++lot) {
        int count = m_Block->Lot(lot)->VertexCount();
        if (count > dcPick::maxPoints - 1) {
            count = dcPick::maxPoints - 1;
        }
        for (int i = 0; i < count; ++i) {
            points[i] = LotPoint(lot, i);
        }
        if (dcPickInPolygon(count, points)) {
            m_CurrentLot = lot;
            m_CurrentEdge = 0;
            m_CurrentVertex = 0;
        }
    }

    int n = m_Block->Lot(m_CurrentLot)->VertexCount();
    float nearest = dcInvisible;
    for (int j = 0; j < n; ++j) {
        float t = 0.0f;
        float distance = dcPickSegmentDist(t, LotPoint(m_CurrentLot, j),
                                           LotPoint(m_CurrentLot, j + 1));
        if (distance < nearest) {
            nearest = distance;
            m_CurrentEdge = j;
            m_CursorParameter = t;
        }
    }
    nearest = dcInvisible;
    for (int i = 0; i < n; ++i) {
        float distance = dcPickPointDist(LotPoint(m_CurrentLot, i));
        if (distance < nearest) {
            nearest = distance;
            m_CurrentVertex = i;
        }
    }
    m_HoverDistance = nearest;
}

void BlockEditor::UpdateReadouts() {
    BlockVertexPosition = LotPoint(m_CurrentLot, m_CurrentVertex);
    // Never reset: the extremes of every lot shown so far.
    for (int i = 0; i < m_Block->Lot(m_CurrentLot)->VertexCount(); ++i) {
        float y = LotPoint(m_CurrentLot, i).y;
        if (y > BlockHighPerimeterY) {
            BlockHighPerimeterY = y;
        }
        if (y < BlockLowPerimeterY) {
            BlockLowPerimeterY = y;
        }
    }
    BlockSliverHeight = BlockHighPerimeterY - BlockLowPerimeterY;
    BlockFacadeHeight = m_GroundValue - BlockHighPerimeterY;
    if (!(BlockFacadeHeight > 0.0f)) {
        BlockFacadeHeight = 0.0f;
    }
}

void BlockEditor::UpdateCursor() {
    const Vector3& a = LotPoint(m_CurrentLot, m_CurrentEdge);
    const Vector3& b = LotPoint(m_CurrentLot, m_CurrentEdge + 1);
    float length = a.Dist(b);
    BlockEdgeLength = length;
    BlockSegmentCount = BlockSnapStep > 0.0f ? Truncate(length / BlockSnapStep) : 0;
    float& t = m_CursorParameter;
    // An edge of no length has no steps to snap to: the parameter stays.
    if (BlockSnapOn && BlockSnapStep > 0.0f && length > 0.0f) {
        if (BlockSnapCCW) {
            int32_t k = Truncate(length * t / BlockSnapStep + 0.5f);
            t = float(k) * BlockSnapStep / length;
        } else {
            int32_t k = Truncate((length - length * t) / BlockSnapStep + 0.5f);
            t = 1.0f - float(k) * BlockSnapStep / length;
        }
    }
    if (t > 1.0f) {
        t = 1.0f;
    } else if (!(t >= 0.0f)) {
        t = 0.0f;
    }
    BlockVertexToCursor = BlockSnapCCW ? length * t : (1.0f - t) * length;
    m_Cursor = a + (b - a) * t;
}

void BlockEditor::UpdateOppositeCursor() {
    m_OppositeShown = m_Digitize && BlockShiftHeld();
    if (!m_OppositeShown) {
        return;
    }
    int half = m_Block->Lot(m_CurrentLot)->VertexCount() / 2;
    float distance = m_Cursor.Dist(LotPoint(m_CurrentLot, m_CurrentEdge));
    const Vector3& p = LotPoint(m_CurrentLot, m_CurrentEdge + half + 1);
    const Vector3& q = LotPoint(m_CurrentLot, m_CurrentEdge + half);
    float length = p.Dist(q);
    if (distance < length - OppositeMargin) {
        m_OppositeCursor = p + (q - p) * (distance / length);
    }
}
