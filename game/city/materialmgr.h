#ifndef CITY_MATERIALMGR_H
#define CITY_MATERIALMGR_H

#include "city/material.h"
#include "phcore/materialmgr.h"

class bkBank;
class TokenReader;

// The physics material manager holding game materials, with a qvMaterial default at entry 0.
// It must take the process-wide slot before anything asks phMaterialMgr::Instance, which would
// put a plain manager there; the level bound creates it first for that reason. Creating it
// while a plain manager holds the slot is fatal ("RefCount == 1").
class qvMaterialMgr : public phMaterialMgr {
public:
    static qvMaterialMgr* Instance();
    static qvMaterialMgr* CreateInstance();
    static void DeleteInstance();

    phMaterial* Load(TokenReader& reader) override;

    qvMaterial* Find(const char* name);
    qvMaterial* GetMaterial(int index) const;
    void AddWidgets(bkBank& bank);

protected:
    phMaterial* NewMaterial(const phMaterial& loaded) const override;

private:
    qvMaterialMgr();
    ~qvMaterialMgr() override;

    static qvMaterialMgr* sm_Instance;
};

#endif
