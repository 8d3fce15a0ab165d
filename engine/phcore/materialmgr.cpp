#include "phcore/materialmgr.h"

#include <cstdio>
#include <cstring>

#include "data/assert.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/token.h"

phMaterialMgr* phMaterialMgr::sm_Instance = nullptr;
int phMaterialMgr::RefCount = 0;
phMaterial* phMaterialMgr::DefaultMaterial = nullptr;

phMaterialMgr* phMaterialMgr::Instance() {
    if (!sm_Instance) {
        new phMaterialMgr(new phMaterial);
    }
    return sm_Instance;
}

phMaterialMgr::phMaterialMgr(phMaterial* defaultMaterial)
    : Hash(101, false, phMaterial::NameSize), NumNames(0), NumMaterials(0) {
    ++RefCount;
    Assert(RefCount == 1);
    std::memset(Materials, 0, sizeof(Materials));
    std::memset(Names, 0, sizeof(Names));
    DefaultMaterial = defaultMaterial;
    AddToHash(defaultMaterial);
    Materials[NumMaterials++] = defaultMaterial;
    sm_Instance = this;
}

phMaterialMgr::~phMaterialMgr() {
    phMaterialMgr* Instance = sm_Instance;  // named as the assertion reports it
    Assert(Instance);
    --RefCount;
    for (int i = 0; i < NumMaterials; ++i) {
        delete Materials[i];
    }
    Hash.Kill();
    DefaultMaterial = nullptr;
    sm_Instance = nullptr;
}

phMaterial* phMaterialMgr::Find(const char* name) {
    return reinterpret_cast<phMaterial*>(Hash.Access(name));
}

bool phMaterialMgr::AddToHash(phMaterial* material) {
    return Hash.Insert(material->Name, reinterpret_cast<uintptr_t>(material));
}

void phMaterialMgr::TextSource(const TokenReader& reader, int line,
                               char (&source)[SourceSize]) {
    const char* file = reader.GetFileName();
    snprintf(source, SourceSize, "%s(%d)", file ? file : "", line);
}

bool phMaterialMgr::CheckLoaded(const phMaterial& loaded, const char* source) const {
    const char* why = loaded.UnusableValue();
    if (!why && (!phMaterial::HasTextForm(loaded.Name) ||
                 !phMaterial::HasTextForm(GetName(loaded.EffectId)) ||
                 !phMaterial::HasTextForm(GetName(loaded.SoundId)))) {
        why = "a name that no text block can hold";
    }
    if (why) {
        PrintError("phMaterialMgr: material '%s' of %s has %s, using '%s'.", loaded.Name, source,
                   why, DefaultMaterial->Name);
    }
    return !why;
}

phMaterial* phMaterialMgr::Register(const phMaterial& loaded, const char* source) {
    phMaterial* registered = Find(loaded.Name);
    if (registered) {
        return registered;
    }
    if (!CheckLoaded(loaded, source)) {
        return DefaultMaterial;
    }
    if (NumMaterials >= MAX_MATERIALS) {
        PrintWarning("phMaterialMgr: no room for material '%s', using '%s'.", loaded.Name,
                     DefaultMaterial->Name);
        return DefaultMaterial;
    }
    phMaterial* material = NewMaterial(loaded);
    material->SetName(loaded.Name);
    AddToHash(material);
    Materials[NumMaterials++] = material;
    return material;
}

phMaterial* phMaterialMgr::NewMaterial(const phMaterial& loaded) const {
    phMaterial* material = new phMaterial;
    material->CopyProperties(loaded);
    return material;
}

phMaterial* phMaterialMgr::Load(TokenReader& reader) {
    char source[SourceSize];
    phMaterial loaded;
    TextSource(reader, loaded.Load(reader), source);
    return Register(loaded, source);
}

phMaterial* phMaterialMgr::LoadBinary(Stream* stream) {
    char source[SourceSize];
    snprintf(source, SourceSize, "%s at byte %d", stream->m_Name, StreamTell(stream));
    phMaterial loaded;
    if (!loaded.LoadBinary(stream)) {
        PrintError("phMaterialMgr: material record cut short, using '%s'.", DefaultMaterial->Name);
        return DefaultMaterial;
    }
    return Register(loaded, source);
}

void phMaterialMgr::SaveUnregistered(phMaterial* material, TokenReader* writer) {
    if (!material || !writer || Find(material->Name)) {
        return;
    }
    material->Save(*writer);
    AddToHash(material);
}

const char* phMaterialMgr::GetName(int index) const {
    if (index < 0 || index >= NumNames) {
        return "none";
    }
    return Names[index];
}

int phMaterialMgr::FindOrAddName(const char* name) {
    for (int i = 0; i < NumNames; ++i) {
        if (std::strncmp(Names[i], name, phMaterial::NameSize - 1) == 0) {
            return i;
        }
    }
    int NameIndex = NumNames;
    Assert(NameIndex<MAX_MATERIALS);
    phMaterial::CopyName(Names[NameIndex], name);
    ++NumNames;
    return NameIndex;
}
