#ifndef CITYEDIT_CATALOG_H
#define CITYEDIT_CATALOG_H

// The named building elements that lots refer to: floors, walls, facades and props, each read
// from a csv file of the catalogue directory, grouped by their first column, with a popup menu
// of groups and elements. Lots hold 1-based element numbers; 0 is "none".

#include "bank/popupmenu.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ElementCatalog;
class gfxTexture;
class modStatic;
struct modShader;
struct Stream;

// One element of a catalogue, made from one csv line.
class CatalogElement {
public:
    CatalogElement() = default;
    CatalogElement(const CatalogElement&) = delete;
    CatalogElement& operator=(const CatalogElement&) = delete;
    virtual ~CatalogElement();

    // Fills the element from one csv line; false when the line has too few fields or a value
    // that the make cannot use (said with the line).
    virtual bool Parse(ElementCatalog& catalog, const char* line) = 0;
    // The element as a csv line; only surfaces write anything.
    virtual void Write(Stream* stream) const;

    std::string m_Group;
    std::string m_Name;

protected:
    static const int MaxFields = 8;
    // The first count fields of a line, each cut to the catalogue's field length; fields the
    // line does not have stay empty. Returns the number of fields the line has.
    static int SplitFields(const ElementCatalog& catalog, const char* line, std::string* fields,
                           int count);
};

// A floor (ground or roof) or a wall (wall, sliver or extra): plain, a model of its own, or up
// to three walls stacked.
class SurfaceElement : public CatalogElement {
public:
    enum { Plain, Custom, Composite };
    enum { LevelVL, LevelL, LevelM, LevelH, LevelCount };
    // Variants a menu offers per component: a component's variant is a 4-bit field.
    static const int MaxMenuVariants = 15;

    ~SurfaceElement() override;
    bool Parse(ElementCatalog& catalog, const char* line) override;
    void Write(Stream* stream) const override;

    // The model of the level (VL, L, M, H), else the H model; loaded on the first call. Null
    // when the element has no model.
    modStatic* GetModel(int level);
    // The texture of the element's name, looked up once; null when there is none.
    gfxTexture* GetTexture();
    float GetHeight();
    float GetWidth();
    // The inverse extents of the model's join line; false when there is no model.
    bool GetJoinScale(float& x, float& y);
    // Lets the user pick a variant from a popup menu; current when nothing was chosen.
    int ChooseVariant(int current);
    // The shader table of a variant (taken modulo the variant count); null when the model has
    // no shaders.
    modShader* GetShaders(int variant);

    float m_Size = 3.0f;
    float m_InvJoinWidth = 0.0f;
    float m_InvJoinHeight = 0.0f;
    int32_t m_Type = Plain;
    gfxTexture* m_Texture = nullptr;
    bool m_TextureLooked = false;  // the texture was looked up (it may still be null)
    modStatic* m_Models[LevelCount] = {};
    bool m_ModelLoaded = false;  // the model package was tried (the models may still be null)
    modStatic* m_Masks[LevelCount] = {};
    modShader** m_Shaders = nullptr;
    int32_t m_ShadersPerVariant = 0;
    uint8_t m_HasBound = 0;
    int32_t m_Components[3] = {};  // walls numbers, bottom to top; 0 = none
    int32_t m_VariantCount = 0;

private:
    void LoadModel();
    void FreeModel();
    SurfaceElement* Component(int c) const;
};

// A ready-made combination of a floor, four walls and a sliver.
class FacadeElement : public CatalogElement {
public:
    bool Parse(ElementCatalog& catalog, const char* line) override;

    int32_t m_Floor = 0;  // floors number
    // Walls numbers.
    int32_t m_FrontWall = 0;
    int32_t m_SecondWall = 0;
    int32_t m_ThirdWall = 0;
    int32_t m_BackWall = 0;
    int32_t m_Sliver = 0;
};

// A free-standing model.
class PropElement : public CatalogElement {
public:
    ~PropElement() override;
    bool Parse(ElementCatalog& catalog, const char* line) override;

    // The H model of the element's package, loaded on the first call; null when the package is
    // missing.
    modStatic* GetModel();

    modStatic* m_Model = nullptr;
    bool m_ModelLoaded = false;
    modShader** m_Shaders = nullptr;
    int32_t m_VariantCount = 0;
    int32_t m_ShadersPerVariant = 0;
};

class ElementCatalog {
public:
    static const int maxNbr = 128;      // groups
    static const int MaxMembers = 128;  // member list of one group
    static const int MaxLine = 256;     // a csv line with its terminator
    static const int MissBoxes = 24;    // misses of Find that show a box, over the whole run

    ElementCatalog() = default;
    ElementCatalog(const ElementCatalog&) = delete;
    ElementCatalog& operator=(const ElementCatalog&) = delete;
    virtual ~ElementCatalog();

    // An empty element of the catalogue's class.
    virtual CatalogElement* CreateElement() const = 0;
    // The longest field kept from a csv line, without its terminator.
    virtual int FieldLength() const { return 63; }

    // Reads <csvdir>/<name>.csv, replacing what the catalogue held. A missing file gives a box
    // and leaves the catalogue empty.
    void Load(const char* name);
    void Clear();
    // 0 for "none" or a name not in the catalogue; else the 1-based number of the first element
    // of that name, in any letter case.
    int Find(const char* name) const;
    // The element chosen from the popup menu at the cursor; 0 when none.
    int TrackMenu();
    // Another member of the group (0-based) for the element number current; 1 when the group
    // has fewer than two members.
    int PickFromGroup(int group, int current) const;

    int GetCount() const { return m_ElementCount; }
    // Where the line that Parse is given comes from (the file as opened, its 1-based line), for
    // the messages of a line that is refused.
    const char* LoadingFile() const { return m_LoadingFile.c_str(); }
    int LoadingLine() const { return m_LoadingLine; }
    // The name of element number index: "none" for 0, "" for a line that did not parse and for
    // numbers out of range.
    const char* GetName(int index) const;
    // Element number index (1-based); null for 0 or a number out of range.
    CatalogElement* GetElement(int index) const;

    std::unique_ptr<bkPopupMenu> m_Menu;
    std::vector<std::unique_ptr<bkPopupMenu>> m_SubMenus;
    std::vector<std::unique_ptr<CatalogElement>> m_Elements;
    // Entry 0 is "none", entry i+1 the name of element i ("" when its line did not parse).
    std::vector<std::string> m_Names;
    std::vector<std::string> m_GroupNames;
    int m_ElementCount = 0;
    int m_NbrCount = 0;
    std::string m_LoadingFile;
    int m_LoadingLine = 0;
    std::vector<int> m_GroupSizes;
    std::vector<std::vector<int>> m_GroupMembers;  // 1-based element numbers, file order

    // Misses of Find so far; boxes stop after MissBoxes of them.
    static int sm_MissCount;
};

class SurfaceCatalog : public ElementCatalog {
public:
    CatalogElement* CreateElement() const override { return new SurfaceElement; }
    SurfaceElement* Get(int index) const { return static_cast<SurfaceElement*>(GetElement(index)); }
};

class FacadeCatalog : public ElementCatalog {
public:
    CatalogElement* CreateElement() const override { return new FacadeElement; }
    int FieldLength() const override { return 31; }
    FacadeElement* Get(int index) const { return static_cast<FacadeElement*>(GetElement(index)); }
};

class PropCatalog : public ElementCatalog {
public:
    CatalogElement* CreateElement() const override { return new PropElement; }
    PropElement* Get(int index) const { return static_cast<PropElement*>(GetElement(index)); }
};

extern SurfaceCatalog FloorsCatalog;
extern SurfaceCatalog WallsCatalog;
extern FacadeCatalog FacadesCatalog;
extern PropCatalog PropsCatalog;

// Loads "floors", "walls", "facades" and "props" in that order: facades name floors and walls.
void LoadCatalogs();

#endif
