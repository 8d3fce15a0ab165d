// Wall spans covered with walls elements, drawn or compiled through the room emitters.
#include "cityedit/facadedraw.h"

#include "city/psdl.h"
#include "cityedit/block.h"
#include "cityedit/catalog.h"
#include "cityedit/psdltool.h"
#include "vector/matrix34.h"

#include <cmath>

namespace {

const int BoundFlag = 32;

// At least one: a span shorter than half a module still gets one squeezed model, as a plain
// facade gets one tile.
int Repeats(float modules) {
    int n = int(std::floor(modules + 0.5f));
    return n < 1 ? 1 : n;
}

void DrawComposite(SurfaceElement& element, bool textured, const Vector3& a, const Vector3& b,
                   float bottom, float top, float wallTile, int variant, int level,
                   float break1, float break2) {
    SurfaceElement* low = WallsCatalog.Get(element.m_Components[0]);
    SurfaceElement* middle = WallsCatalog.Get(element.m_Components[1]);
    SurfaceElement* high = WallsCatalog.Get(element.m_Components[2]);
    if (!low || !middle) {
        return;
    }
    float highHeight = high ? high->GetHeight() : 0.0f;
    float split1 = break1 != 0.0f                 ? break1
                   : low->m_Type != SurfaceElement::Plain ? bottom + low->GetHeight()
                                                          : top - middle->GetHeight() - highHeight;
    float split2 = !high ? top : break2 != 0.0f ? break2 : top - highHeight;
    DrawFacade(*low, textured, a, b, bottom, split1, wallTile, variant & 15, level, 0.0f, 0.0f);
    DrawFacade(*middle, textured, a, b, split1, split2, wallTile, variant >> 4 & 15, level, 0.0f,
               0.0f);
    if (high) {
        DrawFacade(*high, textured, a, b, split2, top, wallTile, variant >> 8 & 15, level, 0.0f,
                   0.0f);
    }
}

// The model tiled over the span: nx across, ny up, each instance scaled to its cell.
void DrawCustom(SurfaceElement& element, modStatic* model, const Vector3& a, const Vector3& b,
                float bottom, float top, int variant, int level) {
    float sx = 0.0f;
    float sy = 0.0f;
    element.GetJoinScale(sx, sy);
    float length = a.FlatDist(b);
    if (length == 0.0f) {
        return;
    }
    float height = top - bottom;
    bool tiled = BlockLot::sm_AutoTileWalls != 0;
    int nx = tiled ? Repeats(length * sx) : 1;
    int ny = tiled ? Repeats(height * sy) : 1;
    Vector3 span(b.x - a.x, 0.0f, b.z - a.z);
    Matrix34 m;
    m.a = span * (sx / float(nx));
    m.b.Set(0.0f, height * sy / float(ny), 0.0f);
    m.c.Set(-m.a.z, 0.0f, m.a.x);
    m.c = m.c * (1.0f / m.a.Mag());
    modShader* shaders = element.GetShaders(variant);
    int flags = element.m_HasBound ? BoundFlag : 0;
    modStatic* mask = PsdlTool::sm_CompileRoom ? nullptr : element.m_Masks[level];
    for (int j = 0; j < ny; ++j) {
        float t = float(j) / float(ny);
        for (int i = 0; i < nx; ++i) {
            float u = float(i) / float(nx);
            m.d.Set(a.x + span.x * u, bottom * (1.0f - t) + top * t, a.z + span.z * u);
            lvlPSDL::EmitInstance(m, element.m_Name.c_str(), model, shaders, flags, 0);
            if (mask) {
                lvlPSDL::EmitInstance(m, element.m_Name.c_str(), mask, shaders, flags, 0);
            }
        }
    }
}

}  // namespace

void SelectElementTexture(SurfaceElement* element) {
    SetTexture(element ? element->m_Name.c_str() : nullptr,
               element ? element->GetTexture() : nullptr);
}

void DrawFacade(SurfaceElement& element, bool textured, const Vector3& a, const Vector3& b,
                float bottom, float top, float wallTile, int variant, int level, float break1,
                float break2) {
    switch (element.m_Type) {
    case SurfaceElement::Composite:
        DrawComposite(element, textured, a, b, bottom, top, wallTile, variant, level, break1,
                      break2);
        return;
    case SurfaceElement::Custom:
        if (modStatic* model = element.GetModel(level)) {
            DrawCustom(element, model, a, b, bottom, top, variant, level);
        }
        return;
    default:
        break;
    }
    float tile = wallTile != 0.0f ? wallTile : element.m_Size;
    float along = tile != 0.0f ? std::floor(a.FlatDist(b) / tile + 0.5f) : 1.0f;
    float up = tile != 0.0f ? std::floor((top - bottom) / tile + 0.5f) : 1.0f;
    if (textured) {
        SelectElementTexture(&element);
    }
    EmitFacade(a, b, bottom, top, along, up);
}
