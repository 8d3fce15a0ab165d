// The block editor's view of its block over the city: the room's outline, every lot with what
// stands on it and its outline, and the editing marks of the lot under edit.
#include "cityedit/blockeditor.h"

#include "city/sdl.h"
#include "cityedit/block.h"
#include "devcam/drawer.h"
#include "devcam/pick.h"

#include <cstdio>

namespace {

const uint32_t White = 0xFFFFFFFF;
const uint32_t Blue = 0xFF0000FF;       // the room's outline, the neighbour link
const uint32_t Grey = 0xFF404040;       // outlines of the lots not under edit
const uint32_t Green = 0xFF00FF00;      // the current edge and vertex
const uint32_t DarkGreen = 0xFF008000;  // the other edges and vertices of the current lot
const uint32_t Red = 0xFFFF0000;        // the edge cursor
const uint32_t DarkRed = 0xFF7F0000;    // the opposite cursor
const uint32_t Cyan = 0xFF00FFFF;       // the anchor line

// The lots' editor view is drawn at the highest detail.
const int OverlayLevel = 2;

void Vertex(const Vector3& p) {
    dcDraw->Vertex(p.x, p.y, p.z);
}

// Drawn over everything, so that it shows through the lots and the city around them.
void DrawRoomOutline(const lvlSDL* sdl) {
    if (!sdl || sdl->GetPerimeterCount() == 0) {
        return;
    }
    dcDraw->Color(Blue);
    dcDraw->Enable(dcDrawer::DepthTest, false);
    dcDraw->Begin(dcDrawer::LineStrip);
    uint32_t count = sdl->GetPerimeterCount();
    for (uint32_t i = 0; i <= count; ++i) {
        Vertex(*sdl->GetVertex(sdl->GetPerimeterVertex(i % count)));
    }
    dcDraw->End();
    dcDraw->Enable(dcDrawer::DepthTest, true);
}

}  // namespace

void BlockEditor::DrawBlockLots(dcPick*, lvlPSDL* city) {
    CityBlock* block = m_Block;
    if (!block || !dcDraw) {
        return;
    }
    // An edit may have removed the lot, edge or vertex the editor was on.
    bool lotShown = KeepCurrentInLot();
    DrawRoomOutline(EditedRoom(city));
    dcDraw->Color(White);
    int lots = block->LotCount();
    for (int i = 0; i < lots; ++i) {
        if (i != m_CurrentLot) {
            DrawBlockOverlay(i, false, city);
        }
    }
    if (!lotShown) {
        return;
    }
    DrawBlockOverlay(m_CurrentLot, true, city);
    BlockLot& lot = *block->Lot(m_CurrentLot);
    for (int i = 0; i < lot.VertexCount(); ++i) {
        dcDraw->Color(i == m_CurrentVertex ? Green : DarkGreen);
        dcDrawSquareMarker(LotPoint(m_CurrentLot, i));
    }

    if (m_Digitize) {
        if (m_CursorParameter != 0.0f && m_CursorParameter != 1.0f) {
            dcDraw->Color(Red);
            dcDrawSquareMarker(m_Cursor);
        }
        if (m_OppositeShown) {
            dcDraw->Color(DarkRed);
            dcDrawSquareMarker(m_OppositeCursor);
        }
        if (m_Anchor >= 0 && m_Anchor != m_CurrentVertex) {
            dcDraw->Color(Cyan);
            dcDraw->Begin(dcDrawer::LineList);
            Vertex(LotPoint(m_CurrentLot, m_Anchor));
            Vertex(LotPoint(m_CurrentLot, m_CurrentVertex));
            dcDraw->End();
        }
    }

    int neighbour = lot.Adjacent(m_CurrentEdge);
    if (m_Debug && neighbour >= 0 && neighbour < lots) {
        dcDraw->Color(Blue);
        dcDraw->Begin(dcDrawer::LineStrip);
        Vertex(block->GetLotCentroid(m_CurrentLot));
        Vertex(block->GetLotCentroid(neighbour));
        dcDraw->End();
    }
}

void BlockEditor::DrawBlockOverlay(int lotIndex, bool current, lvlPSDL* city) {
    if (!m_Block || !dcDraw || lotIndex < 0 || lotIndex >= m_Block->LotCount()) {
        return;
    }
    BlockLot& lot = *m_Block->Lot(lotIndex);
    dcDraw->Color(White);
    lot.Draw(m_DrawMode, *m_Block, city, OverlayLevel);

    int n = lot.VertexCount();
    if (n == 0) {
        return;
    }
    if (!current) {
        dcDraw->Color(Grey);
        dcDraw->Begin(dcDrawer::LineStrip);
        for (int i = 0; i <= n; ++i) {
            Vertex(LotPoint(lotIndex, i));
        }
        dcDraw->End();
        return;
    }
    dcDraw->Begin(dcDrawer::LineList);
    for (int i = 0; i < n; ++i) {
        dcDraw->Color(i == m_CurrentEdge ? Green : DarkGreen);
        Vertex(LotPoint(lotIndex, i));
        Vertex(LotPoint(lotIndex, i + 1));
    }
    dcDraw->End();
    if (m_Debug) {
        dcDraw->Enable(dcDrawer::DepthTest, false);
        for (int i = 0; i < n; ++i) {
            char label[16];
            snprintf(label, sizeof(label), "%d", i);
            dcDraw->Print(LotPoint(lotIndex, i), label);
        }
        dcDraw->Enable(dcDrawer::DepthTest, true);
    }
}
