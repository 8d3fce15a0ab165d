// Banger instances: creation, placement with the centre of gravity, geometry and break
// parts, bounds, the active body and the reset to the placed state.

#include "banger/banger.h"

#include <cstdio>
#include <memory>

#include "banger/active.h"
#include "banger/bangerdata.h"
#include "data/assert.h"
#include "data/printer.h"
#include "level/instclasses.h"
#include "level/level.h"
#include "phbound/boundbox.h"

namespace {

// The boxes that GetBound(1) lends, in turn.
std::unique_ptr<phBoundBox> sExtentBoxes[2];
int sNextExtentBox = 0;

const Vector3 ZeroVelocity(0.0f, 0.0f, 0.0f);

}  // namespace

qvBangerInstance* qvBangerInstance::Create(const char* type, bool fullMatrix) {
    qvBangerDataManager* types = qvBangerDataManager::GetInstance();
    if (!types || types->Lookup(type) < 0) {
        return nullptr;
    }
    qvBangerInstance* instance;
    if (fullMatrix) {
        instance = lvlInstance::Create<qvBangerMatrixInstance>();
    } else {
        instance = lvlInstance::Create<qvBangerCompactInstance>();
    }
    instance->AddFlags(PLACED | BANGER | UNDRIVEN);
    instance->m_TypeWord = 0;
    return instance;
}

qvBangerData* qvBangerInstance::GetData() const {
    qvBangerDataManager* types = qvBangerDataManager::GetInstance();
    return types ? types->GetData(GetTypeIndex()) : nullptr;
}

bool qvBangerInstance::Init(const char* name, const Matrix34& matrix, int) {
    qvBangerDataManager* types = qvBangerDataManager::GetInstance();
    int type = types ? types->Lookup(name) : -1;
    qvBangerData* data = types ? types->GetData(type) : nullptr;
    AssertText(data, "Data");
    SetTypeIndex(type);
    m_State = 255;
    if (data->NumGlows > 0) {
        AddFlags(GLOWS);
    }

    int index = BeginGeom(name, name, GEOM_BANGER);
    if (IsGeomOpen()) {
        LoadGeom("shadow", GEOM_OPTIONAL);
        LoadParts(name, *data);
        EndGeom();
    }
    if (!(data->BillFlags & NO_BILLBOARD)) {
        AddFlags(BILLBOARD);
    }
    SetGeomIndex(index);
    if (index) {
        data->PartGeometry = index;
    }
    // Placed whether or not the geometry came: a banger without a model still has a place.
    Matrix34 placed = matrix;
    placed.d += matrix.a * data->CG.x + matrix.b * data->CG.y + matrix.c * data->CG.z;
    SetMatrix(placed);
    if (data->CollisionType & qvBangerData::DRIVEABLE) {
        AddFlags(DRIVEABLE);
    }
    return index != 0;
}

// Each part's record holds the index of its geometry set; the parent keeps the parts' record
// indices, so a part that has no record shifts no other part.
void qvBangerInstance::LoadParts(const char* name, qvBangerData& data) {
    qvBangerDataManager* types = qvBangerDataManager::GetInstance();
    std::vector<int16_t>& parts = data.PartTypes;
    parts.clear();
    for (int i = 1; i <= data.NumParts; ++i) {
        char suffix[16];
        snprintf(suffix, sizeof(suffix), "BREAK%02d", i);
        int part = types->Lookup(name, suffix);
        qvBangerData* partData = types->GetData(part);
        if (!partData) {
            // Its model is read all the same: the package is read to its end.
            PrintWarning("%s: break part %s has no tuning and is left out", name, suffix);
            LoadGeom(suffix, GEOM_BANGER | GEOM_OPTIONAL);
            continue;
        }
        partData->PartGeometry = LoadGeom(suffix, GEOM_BANGER);
        parts.push_back(int16_t(part));
    }
}

const Matrix34& qvBangerCompactInstance::GetMatrix(Matrix34& scratch) const {
    return lvlCompactInstance::Upright(m_Position, m_Cos, m_Sin, scratch);
}

void qvBangerCompactInstance::SetMatrix(const Matrix34& matrix) {
    m_Position = matrix.d;
    m_Cos = matrix.a.x;
    m_Sin = matrix.a.z;
}

phBound* qvBangerInstance::GetBound(int lod) {
    qvBangerData* data = GetData();
    phBound* bound = data ? data->GetBound() : nullptr;
    if (lod != 1 || !bound || bound->Type == phBound::BOX) {
        return bound;
    }
    std::unique_ptr<phBoundBox>& box = sExtentBoxes[sNextExtentBox];
    sNextExtentBox ^= 1;
    if (!box) {
        box.reset(new phBoundBox(Vector3(1.0f, 1.0f, 1.0f)));
    }
    // The box's corners are placed about its centroid offset when it is sized.
    box->SetCentroidOffset((bound->BoxMax + bound->BoxMin) * 0.5f);
    box->SetSize(bound->BoxMax - bound->BoxMin);
    return box.get();
}

qvPhysEntity* qvBangerInstance::GetActive() {
    qvBangerActiveManager* manager = qvBangerActiveManager::GetInstance();
    return manager ? manager->GetActive(this) : nullptr;
}

qvBangerActive* qvBangerInstance::AttachActive(const qvBangerActive* keep) {
    qvBangerActiveManager* manager = qvBangerActiveManager::GetInstance();
    if (!manager) {
        return nullptr;
    }
    if (qvBangerActive* active = manager->GetActive(this)) {
        return active;
    }
    qvBangerActive* active = manager->Attach(this, keep);
    if (!active) {
        PrintError("qvBangerInstance::AttachEntity - Unable to attach an entity");
    }
    return active;
}

qvPhysEntity* qvBangerInstance::AttachEntity() {
    return AttachActive(nullptr);
}

const Vector3& qvBangerInstance::GetVelocity() {
    qvBangerActiveManager* manager = qvBangerActiveManager::GetInstance();
    qvBangerActive* active = manager ? manager->GetActive(this) : nullptr;
    return active ? active->GetICS()->Velocity : ZeroVelocity;
}

void qvBangerInstance::Reset() {
    lvlLevel* level = lvlLevel::GetInstance();
    int home = GetHomeRoom();
    if (!level || home < 1 || home >= level->GetRoomCount()) {
        return;
    }
    if (GetFlags() & PLACED) {
        level->MoveToRoom(this, 0);
    }
    level->MoveToRoom(this, home);
    AddFlags(PLACED);
}

void qvBangerInstance::LeaveHome() {
    lvlLevel* level = lvlLevel::GetInstance();
    AssertText(level && GetRoom() != 0, "id!=0");
    m_HomeRoom = GetRoom();
    level->MoveToRoom(this, 0);
    ClearFlags(PLACED);
}
