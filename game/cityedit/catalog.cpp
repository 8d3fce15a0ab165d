// The four element catalogues: loading a csv file into elements, groups and a popup menu, and
// finding elements by name.
#include "cityedit/catalog.h"

#include "bank/msgbox.h"
#include "data/asset.h"
#include "data/assert.h"
#include "data/csv.h"
#include "data/hash.h"
#include "data/options.h"
#include "data/stream.h"
#include "vector/random.h"

#include <cstdio>
#include <cstring>

SurfaceCatalog FloorsCatalog;
SurfaceCatalog WallsCatalog;
FacadeCatalog FacadesCatalog;
PropCatalog PropsCatalog;

int ElementCatalog::sm_MissCount = 0;

CatalogElement::~CatalogElement() = default;

void CatalogElement::Write(Stream*) const {}

int CatalogElement::SplitFields(const ElementCatalog& catalog, const char* line,
                                std::string* fields, int count) {
    Assert(count <= MaxFields);
    const int size = catalog.FieldLength() + 1;
    char buffers[MaxFields][64] = {};
    int found = SplitCsvLine(line, count, size, buffers[0], buffers[1], buffers[2], buffers[3],
                             buffers[4], buffers[5], buffers[6], buffers[7]);
    for (int i = 0; i < count; ++i) {
        fields[i] = buffers[i];
    }
    return found;
}

ElementCatalog::~ElementCatalog() {
    Clear();
}

void ElementCatalog::Clear() {
    // The main menu's handle holds the submenus' handles, so it goes first.
    m_Menu.reset();
    m_SubMenus.clear();
    m_Elements.clear();
    m_Names.clear();
    m_GroupNames.clear();
    m_GroupSizes.clear();
    m_GroupMembers.clear();
    m_ElementCount = 0;
    m_NbrCount = 0;
}

namespace {

const int groupTableSize = 101;

// Lines past the header, each cut at MaxLine - 1 characters as the reader cuts them.
int CountLines(Stream* stream) {
    char line[ElementCatalog::MaxLine];
    StreamSeek(stream, 0);
    StreamGets(line, sizeof(line), stream);
    int count = 0;
    while (StreamGets(line, sizeof(line), stream) > 0) {
        ++count;
    }
    return count;
}

}  // namespace

void ElementCatalog::Load(const char* name) {
    Clear();
    const char* directory = "city";
    GetOption("csvdir", 0, directory);
    Stream* stream = datAssetManager::Open(directory, name, "csv", true);
    if (!stream) {
        char text[2 * datAssetManager::MaxName];
        snprintf(text, sizeof(text), "Unable to open: %s/%s.csv\n", directory, name);
        BankMessageBox("Load Error", text, 0, 2);
        return;
    }
    HashTable groups(groupTableSize);
    m_Menu.reset(new bkPopupMenu);
    m_Menu->Create();

    int count = CountLines(stream);
    m_Elements.resize(count);
    // Entries of lines that do not parse stay "", which no search matches.
    m_Names.assign(count + 1, std::string());
    m_Names[0] = "none";
    m_ElementCount = count;

    char line[MaxLine];
    StreamSeek(stream, 0);
    StreamGets(line, sizeof(line), stream);
    m_LoadingFile = stream->m_Name;
    for (int i = 0; i < count; ++i) {
        if (StreamGets(line, sizeof(line), stream) <= 0) {
            line[0] = 0;
        }
        m_LoadingLine = i + 2;
        CatalogElement* element = CreateElement();
        m_Elements[i].reset(element);
        if (!element->Parse(*this, line)) {
            continue;
        }
        uintptr_t number = 0;
        if (!groups.Lookup(element->m_Group.c_str(), number)) {
            Assert(m_NbrCount < maxNbr);
            number = uintptr_t(++m_NbrCount);
            groups.Insert(element->m_Group.c_str(), number);
            m_SubMenus.emplace_back(new bkPopupMenu);
            m_SubMenus.back()->Create();
            m_Menu->AddSubMenu(element->m_Group.c_str(), m_SubMenus.back().get(), true);
            m_GroupNames.push_back(element->m_Group);
            m_GroupSizes.push_back(0);
            m_GroupMembers.emplace_back();
        }
        int group = int(number) - 1;
        bkPopupMenu& submenu = *m_SubMenus[group];
        if (HBITMAP__* bitmap = bkLoadMenuBitmap(element->m_Name.c_str())) {
            submenu.AddBitmap(bitmap, i + 1, false, true);
        } else {
            submenu.AddItem(element->m_Name.c_str(), i + 1, false, true);
        }
        if (m_GroupSizes[group] < MaxMembers) {
            m_GroupMembers[group].push_back(i + 1);
            ++m_GroupSizes[group];
        }
        m_Names[i + 1] = element->m_Name;
    }
    StreamClose(stream);
}

int ElementCatalog::Find(const char* name) const {
    if (!name || _stricmp(name, "none") == 0) {
        return 0;
    }
    for (int i = 1; i <= m_ElementCount; ++i) {
        if (!m_Names[i].empty() && _stricmp(m_Names[i].c_str(), name) == 0) {
            return i;
        }
    }
    if (++sm_MissCount <= MissBoxes) {
        BankMessageBox(name, "Element by this name not found.", 0, 2);
    }
    return 0;
}

int ElementCatalog::TrackMenu() {
    return m_Menu ? m_Menu->Track(-1, -1) : 0;
}

int ElementCatalog::PickFromGroup(int group, int current) const {
    Assert(group >= 0 && group < m_NbrCount);
    int n = m_GroupSizes[group];
    if (n < 2) {
        return 1;
    }
    // Mixes an element number with a position in the group, as the editor always has: any
    // member but the one at position current mod n may come up.
    int r = RandomNext();
    int k = (r % (n - 1) + current) % n;
    return m_GroupMembers[group][k];
}

const char* ElementCatalog::GetName(int index) const {
    if (index == 0) {
        return "none";
    }
    if (index < 0 || index > m_ElementCount) {
        return "";
    }
    return m_Names[index].c_str();
}

CatalogElement* ElementCatalog::GetElement(int index) const {
    if (index < 1 || index > m_ElementCount) {
        return nullptr;
    }
    return m_Elements[index - 1].get();
}

void LoadCatalogs() {
    FloorsCatalog.Load("floors");
    WallsCatalog.Load("walls");
    FacadesCatalog.Load("facades");
    PropsCatalog.Load("props");
}
