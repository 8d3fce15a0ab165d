// The city path editor's bank and drawing.
#include "cityedit/citypath.h"

#include "bank/bank.h"
#include "cityedit/catalog.h"
#include "level/pathset.h"
#include "vector/matrix34.h"

#include <cstring>

namespace {

const char* DisplayNames[] = {"Paths", "Props", "Decals"};

void PlaceProp(const Matrix34& placement, void* user) {
    CityPathEditor::DrawProp(static_cast<const char*>(user), placement);
}

void DrawExtra(const qvPath& path, int mode) {
    if (mode == CityPathEditor::ShowProps) {
        path.Walk(PlaceProp, const_cast<char*>(path.GetName()), path.GetSpacing());
    } else if (mode == CityPathEditor::ShowDecals) {
        DrawPathDecal(path);
    }
}

}  // namespace

uint8_t CityPathEditor::sm_CollideVsHighest = 1;

CityPathEditor::CityPathEditor() : m_City(nullptr), m_DisplayMode(ShowPaths), m_PropIndex(0) {}

void CityPathEditor::AddWidgets(bkBank* bank) {
    qvPathSet::AddWidgets(bank);
    m_DisplayMode = ShowPaths;
    m_PropIndex = 0;
    bank->AddCombo("Display as...", &m_DisplayMode, 3, DisplayNames, 0);
    m_PropNames.clear();
    for (int i = 1; i <= PropsCatalog.GetCount(); ++i) {
        m_PropNames.push_back(PropsCatalog.GetName(i));
    }
    bank->AddCombo("Prop Group", &m_PropIndex, int(m_PropNames.size()), m_PropNames.data(), 0,
                   datCallback(&CityPathEditor::SelectProp, this));
    bank->AddToggle("Collide vs highest", &sm_CollideVsHighest);
}

void CityPathEditor::SelectProp() {
    strncpy(m_NameBuffer, PropsCatalog.GetName(m_PropIndex + 1), sizeof(m_NameBuffer) - 1);
    m_NameBuffer[sizeof(m_NameBuffer) - 1] = 0;
    AssignName();
}

void CityPathEditor::Draw() {
    qvPathSet::Draw();
    if (m_DisplayMode == ShowPaths) {
        return;
    }
    if (m_ShowCurrentOnly) {
        if (const qvPath* path = GetCurrentPath()) {
            DrawExtra(*path, m_DisplayMode);
        }
        return;
    }
    for (uint32_t i = 0; i < m_PathCount; ++i) {
        DrawExtra(*m_Paths[i], m_DisplayMode);
    }
}
