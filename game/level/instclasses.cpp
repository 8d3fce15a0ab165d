// The placed instance classes: compact, matrix and facade instances.

#include "level/instclasses.h"

bool (*lvlFacadeInstance::sm_ProbeGround)(const Vector3& from, float& groundY) = nullptr;

namespace {

// The main set of a facade package carries this flag once its companions are loaded.
const uint8_t HasCompanions = 0x80;

bool HasModel(const lvlGeomSet* set) {
    return set && (set->m_Models[0] || set->m_Models[1] || set->m_Models[2] || set->m_Models[3]);
}

bool LacksModel(const lvlGeomSet* set) {
    return !set->m_Models[0] || !set->m_Models[1] || !set->m_Models[2] || !set->m_Models[3];
}

}  // namespace

const Matrix34& lvlCompactInstance::Upright(const Vector3& position, float cos, float sin,
                                            Matrix34& scratch) {
    scratch.a.Set(cos, 0.0f, sin);
    scratch.b.Set(0.0f, 1.0f, 0.0f);
    scratch.c.Set(-sin, 0.0f, cos);
    scratch.d = position;
    return scratch;
}

void lvlCompactInstance::SetMatrix(const Matrix34& matrix) {
    m_Position = matrix.d;
    m_Cos = matrix.a.x;
    m_Sin = matrix.a.z;
}

bool lvlCompactInstance::Faces(const Vector3& camera) const {
    return (camera.z - m_Position.z) * m_Cos - (camera.x - m_Position.x) * m_Sin >= 0.0f;
}

bool lvlMatrixInstance::Faces(const Vector3& camera) const {
    const Matrix34& m = m_Matrix;
    return (camera.z - m.d.z) * m.c.z + (camera.x - m.d.x) * m.c.x >= 0.0f;
}

bool lvlFacadeInstance::Init(const char* name, const Matrix34& matrix, int flag) {
    int index = BeginGeom(name, name, flag ? GEOM_BOUND : 0);
    if (IsGeomOpen()) {
        LoadGeom("shadow", GEOM_OPTIONAL);
        int mask = LoadGeom("mask", GEOM_OPTIONAL);
        lvlGeomSet* main = GetGeomSetAt(index);
        const lvlGeomSet* maskSet = GetGeomSetAt(mask);
        if (HasModel(maskSet) && LacksModel(main)) {
            main->m_Radius = maskSet->m_Radius;
        }
        main->m_Flags |= HasCompanions;
        EndGeom();
    }
    SetGeomIndex(index);
    SetMatrix(matrix);
    if (HasModel(GetGeomSetAt(GetShadowSet()))) {
        AddFlags(INST_SHADOW);
    }
    return index != 0;
}

int lvlFacadeInstance::GetShadowSet() const {
    const lvlGeomSet* set = GetGeomSet();
    return set && (set->m_Flags & HasCompanions) ? GetGeomIndex() + 1 : 0;
}

int lvlFacadeInstance::GetMaskSet() const {
    const lvlGeomSet* set = GetGeomSet();
    return set && (set->m_Flags & HasCompanions) ? GetGeomIndex() + 2 : 0;
}

void lvlFacadeInstance::Draw(int lod) {
    if (lod <= 0 || !PassesFacing(CameraPosition())) {
        return;
    }
    Matrix34 scratch;
    const Matrix34& matrix = GetMatrix(scratch);
    int slot = ModelSlot(lod);
    DrawSetModel(GetGeomIndex(), slot, matrix);
    DrawSetModel(GetMaskSet(), slot, matrix);
    float ground = 0.0f;
    if ((GetFlags() & INST_SHADOW) && sm_ProbeGround && sm_ProbeGround(matrix.d, ground)) {
        // Flattened onto the plane of the ground: no height, every point at the ground's.
        Matrix34 flat = matrix;
        flat.a.y = flat.b.y = flat.c.y = 0.0f;
        flat.d.y = ground;
        DrawSetModel(GetShadowSet(), slot, flat);
    }
}
