// The table of tuning records: found by name on demand, names without a file remembered.
#include "banger/bangerdata.h"

#include <cstdio>
#include <string>

#include "data/assert.h"
#include "data/printer.h"
#include "gfx/texreg.h"
#include "gfx/texture.h"

qvBangerDataManager* qvBangerDataManager::sm_Instance = nullptr;
HashTable qvBangerDataManager::sm_Found(101);
HashTable qvBangerDataManager::sm_Missing(101);

qvBangerDataManager::qvBangerDataManager()
    : NumEntries(0),
      TuneBangers(0),
      MassMultiplier(200.0f),
      ImpulseLimitMultiplier(100000.0f),
      m_Textures{},
      m_Selection(0),
      m_Bank(nullptr),
      m_Names{} {
    if (sm_Instance) {
        FatalQuit("Already have qvBangerDataManager");
    }
    sm_Instance = this;
    for (int i = 0; i < NUM_TEXTURES; ++i) {
        char name[16];
        snprintf(name, sizeof(name), "fxpt%d", i + 1);
        m_Textures[i] = gfxGetTexture(name, 1);
    }
}

qvBangerDataManager::~qvBangerDataManager() {
    sm_Instance = nullptr;
    sm_Found.Kill();
    sm_Missing.Kill();
    for (gfxTexture* texture : m_Textures) {
        gfxTexture::Release(texture);
    }
    RemoveAllChildren();
}

int16_t qvBangerDataManager::Lookup(const char* name, const char* suffix) {
    std::string key = suffix ? std::string(name) + "_" + suffix : std::string(name);
    uintptr_t value = 0;
    if (sm_Found.Lookup(key.c_str(), value)) {
        return reinterpret_cast<qvBangerData*>(value)->Index;
    }
    if (sm_Missing.Lookup(key.c_str(), value)) {
        return -1;
    }
    AssertText(NumEntries < NUM_BANGER_TYPES, "NumEntries < NUM_BANGER_TYPES");
    auto data = std::make_unique<qvBangerData>();
    data->SetName(key.c_str());
    if (!data->Load()) {
        sm_Missing.Insert(key.c_str(), 0);
        return -1;
    }
    data->MakeBound();
    data->Index = int16_t(NumEntries);
    AddChild(data.get());
    m_Data[NumEntries++] = std::move(data);
    if (!sm_Found.Insert(key.c_str(), reinterpret_cast<uintptr_t>(m_Data[NumEntries - 1].get()))) {
        PrintError("can't insert banger data entry in hash table");
        sm_Missing.Insert(key.c_str(), 0);
        return -1;
    }
    return int16_t(NumEntries - 1);
}

qvBangerData* qvBangerDataManager::GetData(int index) {
    return index >= 0 && index < NumEntries ? m_Data[index].get() : nullptr;
}

void qvBangerDataManager::SaveAll() {
    for (int i = 0; i < NumEntries; ++i) {
        m_Data[i]->Save();
    }
}

gfxTexture* qvBangerDataManager::GetTexture(int index) const {
    return index >= 0 && index < NUM_TEXTURES ? m_Textures[index] : nullptr;
}
