// Facade and prop elements: their csv lines.
#include "cityedit/catalog.h"

#include <string>

bool FacadeElement::Parse(ElementCatalog& catalog, const char* line) {
    std::string f[8];
    if (SplitFields(catalog, line, f, 8) < 4) {
        return false;
    }
    m_Group = f[0];
    m_Name = f[1];
    // Missing walls repeat the one before them, around the lot from the front.
    for (int i = 4; i < 7; ++i) {
        if (f[i].empty()) {
            f[i] = f[i - 1];
        }
    }
    if (f[7].empty()) {
        f[7] = "sliver";
    }
    m_Floor = FloorsCatalog.Find(f[2].c_str());
    m_FrontWall = WallsCatalog.Find(f[3].c_str());
    m_SecondWall = WallsCatalog.Find(f[4].c_str());
    m_ThirdWall = WallsCatalog.Find(f[5].c_str());
    m_BackWall = WallsCatalog.Find(f[6].c_str());
    m_Sliver = WallsCatalog.Find(f[7].c_str());
    return true;
}

bool PropElement::Parse(ElementCatalog& catalog, const char* line) {
    std::string f[2];
    if (SplitFields(catalog, line, f, 2) < 2) {
        return false;
    }
    m_Group = f[0];
    m_Name = f[1];
    return true;
}
