#include "city/materialmgr.h"

#include <cstring>

qvMaterialMgr* qvMaterialMgr::sm_Instance = nullptr;

qvMaterialMgr::qvMaterialMgr() : phMaterialMgr(new qvMaterial) {}

qvMaterialMgr::~qvMaterialMgr() {}

qvMaterialMgr* qvMaterialMgr::Instance() {
    return CreateInstance();
}

qvMaterialMgr* qvMaterialMgr::CreateInstance() {
    if (!sm_Instance) {
        sm_Instance = new qvMaterialMgr;
    }
    return sm_Instance;
}

void qvMaterialMgr::DeleteInstance() {
    delete sm_Instance;
    sm_Instance = nullptr;
}

// Every listed material is a qvMaterial: the default is made here and Load makes the rest.
qvMaterial* qvMaterialMgr::Find(const char* name) {
    return static_cast<qvMaterial*>(phMaterialMgr::Find(name));
}

qvMaterial* qvMaterialMgr::GetMaterial(int index) const {
    return static_cast<qvMaterial*>(phMaterialMgr::GetMaterial(index));
}

phMaterial* qvMaterialMgr::Load(TokenReader& reader) {
    char source[SourceSize];
    qvMaterial loaded;
    TextSource(reader, loaded.Load(reader), source);
    // "_default" in a file names the default material, registered as "default".
    if (std::strcmp(loaded.Name, "_default") == 0) {
        qvMaterial* registered = GetMaterial(0);
        if (CheckLoaded(loaded, source)) {
            registered->CopyProperties(loaded);
        }
        registered->SetName("default");
        return registered;
    }
    return Register(loaded, source);
}

// A binary block holds the physics properties only; the game's keep their defaults.
phMaterial* qvMaterialMgr::NewMaterial(const phMaterial& loaded) const {
    qvMaterial* material = new qvMaterial;
    if (const qvMaterial* game = dynamic_cast<const qvMaterial*>(&loaded)) {
        material->CopyProperties(*game);
    } else {
        material->phMaterial::CopyProperties(loaded);
    }
    return material;
}

// The default material is entry 0 of the list, so it comes first and only once.
void qvMaterialMgr::AddWidgets(bkBank& bank) {
    for (int i = 0; i < NumMaterials; ++i) {
        GetMaterial(i)->AddWidgets(bank);
    }
}
