// The banks that tune the records and the manager at run time.
#include "banger/bangerdata.h"

#include <cfloat>

#include "bank/bank.h"
#include "data/callback.h"

int32_t qvBangerData::sm_SharedPrim = 0;

// TexNumber is left as loaded: opening a bank must not change what a later Save writes.
void qvBangerData::AddWidgets(bkBank* bank) {
    ovNode::AddWidgets(bank);
    bank->AddButton(GetName() ? GetName() : FileName());
    bank->AddSlider("Mass", &Mass, 0.0f, FLT_MAX, 1.0f);
    bank->AddVectorSlider("Size", &Size, 0.0f, 150.0f, 0.1f);
    bank->AddSlider("Elasticity", &Elasticity, 0.0f, 5.0f, 0.01f,
                    datCallback(&qvBangerData::CopyMaterial, this));
    bank->AddSlider("Friction", &Friction, 0.0f, 5.0f, 0.01f,
                    datCallback(&qvBangerData::CopyMaterial, this));
    bank->AddSlider("ImpulseLimit2", &ImpulseLimit2, 0.0f, FLT_MAX, 100000.0f);
    bank->AddSlider("TexNumber", &TexNumber, 0, 9, 1.0f);
    bank->AddSlider("YRadius", &YRadius, 0.0f, 100.0f, 0.01f,
                    datCallback(&qvBangerData::ResizeBound, this));
    bank->AddToggle("Driveable", &CollisionType, DRIVEABLE);
    bank->AddToggle("Don't Light Object", &BillFlags, DONT_LIGHT);
    bank->AddSlider("CollisionPrim", &sm_SharedPrim, 0, 3, 1.0f,
                    datCallback(&qvBangerData::ChooseShape, this));
    bank->AddSlider("ColliderId", &ColliderId, -10000, 10000, 1.0f);
    bank->PushGroup("Birth Rule", true);
    BirthRule.AddWidgets(bank);
    bank->PopGroup();
}

void qvBangerData::ChooseShape() {
    CollisionPrim = uint8_t(sm_SharedPrim);
}

void qvBangerDataManager::AddWidgets(bkBank* bank) {
    m_Bank = bank;
    bank->AddSlider("ImpulseLimitMultiplier", &ImpulseLimitMultiplier, 0.0f, 1e8f, 1.0f);
    bank->AddSlider("MassMultiplier", &MassMultiplier, 0.0f, 1e8f, 1.0f);
    bank->AddToggle("TuneBangers", &TuneBangers);
    for (int i = 0; i < NumEntries; ++i) {
        m_Names[i] = m_Data[i]->GetName();
    }
    bank->AddCombo("Banger Data", &m_Selection, NumEntries, m_Names, 0,
                   datCallback(&qvBangerDataManager::ChooseRecord, this));
}

// The manager's own four widgets stay; the chosen record's follow them.
void qvBangerDataManager::ChooseRecord() {
    if (m_Bank->NumWidgets > 1) {
        m_Bank->TruncateWidgets(4);
    }
    if (qvBangerData* data = GetData(m_Selection)) {
        data->AddWidgets(m_Bank);
    }
}
