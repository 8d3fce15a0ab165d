// The prop models that paths show along them, loaded on first use and kept by name.
#include "cityedit/citypath.h"

#include "cityedit/psdltool.h"
#include "data/hash.h"
#include "model/package.h"
#include "model/shader.h"
#include "model/static.h"
#include "vector/matrix34.h"

namespace {

const int CacheSize = 101;
const int CacheNameLength = 32;

struct PropCacheEntry {
    modStatic* m_Model = nullptr;
    modShader** m_Shaders = nullptr;
    int m_Variants = 0;
    int m_PerVariant = 0;
    float m_LowestY = 0.0f;
};

// Prop name to entry; a missing model is held as null, so that it is looked for once.
HashTable* PropCache = nullptr;

void PropBottomCallback(void* vertex, uint32_t, void* lowest) {
    float y = static_cast<const float*>(vertex)[1];
    float& low = *static_cast<float*>(lowest);
    if (y < low) {
        low = y;
    }
}

// The first level that loads, its vertices measured; the levels after it are read past.
PropCacheEntry* LoadProp(const char* name) {
    modPackage package;
    if (!package.Open("geometry", name)) {
        return nullptr;
    }
    PropCacheEntry* entry = new PropCacheEntry;
    for (const char* level : {"H", "M", "L", "VL"}) {
        if (entry->m_Model) {
            delete modStatic::Load(level);
        } else {
            // A level that fails part way through leaves no measure behind.
            entry->m_LowestY = 0.0f;
            entry->m_Model = modStatic::Load(level, PropBottomCallback, &entry->m_LowestY);
        }
    }
    if (Stream* stream = package.OpenFile("shaders")) {
        entry->m_Shaders =
            modShader::LoadShaders(stream, &entry->m_Variants, &entry->m_PerVariant, true);
        package.CloseFile();
    }
    package.Close();
    return entry;
}

}  // namespace

void CityPathEditor::DrawProp(const char* name, const Matrix34& placement) {
    if (!PropCache) {
        PropCache = new HashTable(CacheSize, false, CacheNameLength);
    }
    uintptr_t value = 0;
    if (!PropCache->Lookup(name, value)) {
        value = reinterpret_cast<uintptr_t>(LoadProp(name));
        PropCache->Insert(name, value);
    }
    const PropCacheEntry* entry = reinterpret_cast<const PropCacheEntry*>(value);
    if (!entry || !entry->m_Model || !EmitDrawer) {
        return;
    }
    Matrix34 world = placement;
    world.d.y -= entry->m_LowestY;
    EmitDrawer->DrawModel(world, entry->m_Model, entry->m_Shaders ? entry->m_Shaders[0] : nullptr);
}

CityPathEditor::~CityPathEditor() {
    if (!PropCache) {
        return;
    }
    HashTable::Iterator it;
    for (bool more = PropCache->First(it); more; more = PropCache->Next(it)) {
        if (PropCacheEntry* entry = reinterpret_cast<PropCacheEntry*>(it.m_Value)) {
            delete entry->m_Model;
            modShader::FreeShaders(entry->m_Shaders, entry->m_Variants, entry->m_PerVariant);
            delete entry;
        }
    }
    delete PropCache;
    PropCache = nullptr;
}
