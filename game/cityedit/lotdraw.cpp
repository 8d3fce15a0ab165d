// Lots turned into geometry: drawn at once in the block editor, or compiled into the room being
// made through the room emitters. One path serves both, so what the editor shows is what the
// make writes.
#include "cityedit/block.h"

#include "city/psdl.h"
#include "cityedit/catalog.h"
#include "cityedit/facadedraw.h"
#include "cityedit/landmark.h"
#include "cityedit/psdltool.h"
#include "gfx/rstate.h"
#include "rgl/rgl.h"
#include "vector/matrix34.h"

#include <algorithm>
#include <cstdio>

uint8_t BlockLot::sm_LabelWalls = 0;
uint8_t BlockLot::sm_AutoTileWalls = 1;
uint8_t BlockLot::sm_DrawSlivers = 1;

namespace {

const float PerimeterNeighbour = -9999.0f;
const float BareSliverTile = 10.0f;
const float Pi = 3.14159265f;
const uint8_t FanEnd = 0x80;
const uint8_t RingIndex = 0x7F;
const uint32_t White = 0xFFFFFFFF;
const int LevelCount = 4;

void SetTextureFactor(uint32_t factor) {
    if (gfxCurrentState.m_TextureFactor != factor) {
        gfxCurrentState.m_TextureFactor = factor;
        gfxStateDirty |= gfxDirtyStates;
    }
}

const Vector3& Corner(const CityBlock& block, BlockLot& lot, int i) {
    return block.Vertex(lot.VertexIndex(i % lot.VertexCount()))->m_Position;
}

// The lot's corners as a fan or, back to the first, as its outline; textured by x and z.
void DrawCorners(const CityBlock& block, BlockLot& lot, bool outline) {
    if (outline) {
        EmitDrawer->BeginLineStrip();
    } else {
        EmitDrawer->BeginFan();
    }
    for (int i = 0; i < lot.VertexCount() + (outline ? 1 : 0); ++i) {
        const Vector3& p = Corner(block, lot, i);
        EmitDrawer->Vertex(p.x, p.y, p.z, p.x, p.z);
    }
    EmitDrawer->End();
}

// The lot in a colour of its group, with the group's number at its centre.
void DrawGroup(const CityBlock& block, BlockLot& lot) {
    Vector3 colour((lot.m_Group % 16) / 16.0f, 1.0f, 1.0f);
    colour.HSVtoRGB();
    EmitDrawer->Colour(0xFF000000 | uint32_t(colour.x * 255.0f) << 16 |
                       uint32_t(colour.y * 255.0f) << 8 | uint32_t(colour.z * 255.0f));
    DrawCorners(block, lot, false);
    EmitDrawer->Colour(White);
    char text[8];
    snprintf(text, sizeof(text), "%d", lot.m_Group);
    EmitDrawer->Print(lot.GetCentroid(block), text);
}

void SelectFloorTexture(const BlockLot& lot, bool textured) {
    SelectElementTexture(textured ? FloorsCatalog.Get(lot.m_Floor) : nullptr);
}

// The landmark's model unlit, then its ground: the fans that sew the lot's outline to the
// model's join line.
void DrawLandmark(const CityBlock& block, BlockLot& lot, bool textured, int level) {
    BlockLandmark& landmark = lot.Landmark();
    rglEnable(RGL_LIGHTING, 0);
    SetTextureFactor(0xFFFFFFFF);

    Matrix34 m;
    m.MakeRotateY(landmark.m_Rotation * Pi / 127.0f);
    m.Scale3x3(landmark.m_Scale / 128.0f);
    m.d = landmark.m_Position;
    if (!landmark.m_Fixed) {
        m.d += block.Vertex(0)->m_Position;
    }
    modShader* shaders = landmark.m_Shaders ? landmark.m_Shaders[0] : nullptr;
    const char* name = landmark.m_Name.c_str();
    if (modStatic* model = landmark.m_Models[level]) {
        lvlPSDL::EmitInstance(m, name, model, shaders, 1, 0);
        if (modStatic* mask = landmark.m_Masks[level]) {
            if (!PsdlTool::sm_CompileRoom) {
                lvlPSDL::EmitInstance(m, name, mask, shaders, 1, 0);
            }
        }
    }

    SelectFloorTexture(lot, textured);
    const std::vector<uint8_t>& fans = landmark.m_FanIndices;
    const std::vector<Vector3>& ring = landmark.m_RingPoints;
    for (size_t at = 0; at < fans.size();) {
        BeginPrimitive(SDL_FAN);
        for (; at < fans.size(); ++at) {
            size_t point = fans[at] & RingIndex;
            if (point < ring.size()) {
                EmitVertex(ring[point]);
            }
            if (fans[at] & FanEnd) {
                ++at;
                break;
            }
        }
        EndPrimitive();
    }
    SetTextureFactor(0);
    SetTexture(nullptr);
}

// The walls of a raised lot on every edge whose neighbour stands lower, each with its facade,
// and on sloped ground the slivers that close the gap down to the ground.
void DrawWalls(const CityBlock& block, BlockLot& lot, const BlockLotEdge* edges, bool textured,
               int level) {
    int n = lot.VertexCount();
    float base = Corner(block, lot, 0).y;
    bool sloped = false;
    for (int i = 1; i < n; ++i) {
        float y = Corner(block, lot, i).y;
        sloped = sloped || y != base;
        base = std::max(base, y);
    }
    if (lot.m_Ground != 0.0f) {
        base += lot.m_Ground;
        sloped = true;
    }
    for (int i = 0; i < n; ++i) {
        const Vector3& a = Corner(block, lot, i);
        const Vector3& b = Corner(block, lot, i + 1);
        const BlockLotEdge& edge = edges[i];
        int across = lot.Adjacent(i);
        float neighbour = across == -1 ? base : block.Lot(across)->m_HeightOffset;
        if (neighbour == 0.0f) {
            neighbour = base;
        }
        if (neighbour >= lot.m_HeightOffset) {
            continue;
        }
        SurfaceElement* wall = WallsCatalog.Get(edge.m_Wall);
        // Labels are for the editor's eyes only, never compiled.
        if (textured && wall && BlockLot::sm_LabelWalls && !PsdlTool::sm_CompileRoom &&
            EmitDrawer) {
            EmitDrawer->Print(a, wall->m_Name.c_str());
        }
        SelectElementTexture(textured ? wall : nullptr);
        EmitWall(a, b, lot.m_HeightOffset);
        if (wall) {
            DrawFacade(*wall, textured, a, b, neighbour, lot.m_HeightOffset, lot.m_WallTile,
                       edge.m_WallVariant, level, edge.m_WallBreak1, edge.m_WallBreak2);
        }
        if (!sloped || !BlockLot::sm_DrawSlivers) {
            continue;
        }
        float below = across == -1 ? PerimeterNeighbour : neighbour;
        SurfaceElement* sliver = WallsCatalog.Get(edge.m_Sliver);
        float tile = BareSliverTile;
        if (sliver && sliver->m_Type != SurfaceElement::Plain) {
            if (below <= base) {
                DrawFacade(*sliver, textured, a, b, base - sliver->GetHeight(), base,
                           lot.m_WallTile, edge.m_SliverVariant, level, edge.m_WallBreak1,
                           edge.m_WallBreak2);
            }
            continue;
        }
        if (sliver) {
            tile = sliver->m_Size;
        }
        SelectElementTexture(textured ? sliver : nullptr);
        if (below <= base && tile != 0.0f && !(a.y == base && b.y == base)) {
            EmitSkirt(a, b, base, 1.0f / tile);
        }
    }
}

}  // namespace

void BlockLot::Draw(int mode, const CityBlock& block, lvlPSDL*, int level) {
    Assert(level >= 0 && level < LevelCount);
    bool compiling = PsdlTool::sm_CompileRoom != 0;
    if (compiling) {
        mode = DrawTextured;
    } else if (mode == DrawWireframe || mode == DrawDebug) {
        if (EmitDrawer && (mode == DrawWireframe || m_Group)) {
            mode == DrawWireframe ? DrawCorners(block, *this, true) : DrawGroup(block, *this);
        }
        return;
    }
    bool textured = mode == DrawTextured;
    if (IsLandmark()) {
        DrawLandmark(block, *this, textured, level);
        return;
    }
    if (textured && m_Floor) {
        SelectFloorTexture(*this, true);
    }
    bool raised = m_HeightOffset != 0.0f;
    BeginPrimitive(raised ? SDL_RAISEDFAN : SDL_FAN, m_HeightOffset);
    for (int i = 0; i < m_VertexCount; ++i) {
        EmitVertex(Corner(block, *this, i));
    }
    EndPrimitive();
    if (raised && Edges()) {
        DrawWalls(block, *this, Edges(), textured, level);
    }
    SetTexture(nullptr);
}

void CityBlock::Draw(int mode, lvlPSDL* city, int level) const {
    for (int i = 0; i < m_LotCount; ++i) {
        m_Lots[i]->Draw(mode, *this, city, level);
    }
}
