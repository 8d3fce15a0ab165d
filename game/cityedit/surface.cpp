// Floor and wall elements: their csv lines, their sizes and the variant menu.
#include "cityedit/catalog.h"

#include "bank/popupmenu.h"
#include "data/asset.h"
#include "data/printer.h"
#include "data/stream.h"
#include "vector/filevalue.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// A module of a plain element is its size times this.
const float sizeScale = 5.0f;
// Sizes the make can tile a wall with: walls are counted in modules, and a size near 0 or past
// the city's extent counts nothing a designer meant. A size of 0 stands for one tile across.
const float MinSize = 0.01f;
const float MaxSize = 1000.0f;
// A menu id with this bit sets every component to the variant in its low 12 bits.
const int setAllBit = 0x1000;

}  // namespace

SurfaceElement::~SurfaceElement() {
    FreeModel();
}

bool SurfaceElement::Parse(ElementCatalog& catalog, const char* line) {
    std::string fields[7];
    if (SplitFields(catalog, line, fields, 7) < 3) {
        return false;
    }
    m_Group = fields[0];
    m_Name = fields[1];
    float size = fields[2].empty() ? 3.0f : float(atof(fields[2].c_str()));
    if (!IsFiniteValue(size) || !(size == 0.0f || (size >= MinSize && size <= MaxSize))) {
        PrintError("%s(%d): the size '%s' of '%s' is not 0 or a number from %g to %g; the line "
                   "is left out.",
                   catalog.LoadingFile(), catalog.LoadingLine(), fields[2].c_str(),
                   fields[1].c_str(), MinSize, MaxSize);
        return false;
    }
    m_Size = size;
    const char* type = fields[3].c_str();
    m_Type = _stricmp(type, "Custom") == 0      ? Custom
             : _stricmp(type, "Composite") == 0 ? Composite
                                                 : Plain;
    for (int c = 0; c < 3; ++c) {
        const char* component = fields[4 + c].c_str();
        m_Components[c] = component[0] ? WallsCatalog.Find(component) : 0;
    }
    if (m_Type == Custom) {
        std::string bound = m_Name + "_BOUND";
        if (datAssetManager::Exists("bound", bound.c_str(), "bnd")) {
            m_HasBound = 1;
            PrintMessage("Facade '%s' has a bound.", m_Name.c_str());
        }
    }
    return true;
}

void SurfaceElement::Write(Stream* stream) const {
    StreamPrintf(stream, "%s,%s,%.3f\r\n", m_Group.c_str(), m_Name.c_str(), m_Size);
}

SurfaceElement* SurfaceElement::Component(int c) const {
    return WallsCatalog.Get(m_Components[c]);
}

float SurfaceElement::GetHeight() {
    float x, y;
    if (m_Type == Custom && GetJoinScale(x, y)) {
        return 1.0f / y;
    }
    if (m_Type == Composite && Component(0) && Component(1)) {
        float height = Component(0)->GetHeight() + Component(1)->GetHeight();
        if (Component(2)) {
            height += Component(2)->GetHeight();
        }
        return height;
    }
    return m_Size * sizeScale;
}

float SurfaceElement::GetWidth() {
    // Components always name walls of earlier lines, so this walk ends.
    SurfaceElement* element = this;
    while (element->m_Type == Composite && element->Component(0)) {
        element = element->Component(0);
    }
    float x, y;
    if (element->m_Type == Custom && element->GetJoinScale(x, y)) {
        return 1.0f / x;
    }
    return element->m_Size * sizeScale;
}

bool SurfaceElement::GetJoinScale(float& x, float& y) {
    // Without a usable join line the scales stay 0 and the element is drawn as a plain one.
    if (!GetModel(LevelH) || m_InvJoinWidth <= 0.0f || m_InvJoinHeight <= 0.0f) {
        return false;
    }
    x = m_InvJoinWidth;
    y = m_InvJoinHeight;
    return true;
}

namespace {

// Variants the menu offers for an element: beyond 15 a choice would not fit its 4-bit field.
int MenuVariants(SurfaceElement& element) {
    element.GetModel(SurfaceElement::LevelH);
    return std::min(element.m_VariantCount, SurfaceElement::MaxMenuVariants);
}

void AddVariantItems(bkPopupMenu& menu, int count, int firstId, int checked) {
    for (int k = 1; k <= count; ++k) {
        char text[32];
        snprintf(text, sizeof(text), "Variant %d", k);
        menu.AddItem(text, firstId + k, k == checked + 1, true);
    }
    menu.AddSeparator();
}

}  // namespace

int SurfaceElement::ChooseVariant(int current) {
    bkPopupMenu menu;
    menu.Create();
    if (m_Type == Custom) {
        AddVariantItems(menu, MenuVariants(*this), 0, current & 15);
    } else if (m_Type == Composite) {
        int largest = 0;
        for (int c = 0; c < 3; ++c) {
            if (SurfaceElement* component = Component(c)) {
                int count = MenuVariants(*component);
                AddVariantItems(menu, count, 64 * c, (current >> (4 * c)) & 15);
                largest = std::max(largest, count);
            }
        }
        for (int j = 0; j < largest; ++j) {
            char text[32];
            snprintf(text, sizeof(text), "Set all to %d...", j + 1);
            menu.AddItem(text, setAllBit + 0x111 * j, false, true);
        }
    }
    int id = menu.Track(-1, -1);
    menu.Destroy();
    if (id == 0) {
        return current;
    }
    if (id & setAllBit) {
        return id & 0xFFF;
    }
    int shift = (id >> 4) & 31;
    int k = id & 15;
    return (current & ~(15 << shift)) | ((k - 1) << shift);
}
