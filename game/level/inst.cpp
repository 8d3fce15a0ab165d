// The instance base: the instance heap and its walk, variants, bounds lent to sets without
// one, the choice of level of detail and drawing.

#include "level/inst.h"

#include <cstdlib>
#include <cstring>

#include "bank/bank.h"
#include "data/assert.h"
#include "data/printer.h"
#include "gfx/rstate.h"
#include "gfx/viewport.h"
#include "model/static.h"
#include "phbound/boundbox.h"
#include "rgl/rgl.h"

uint8_t* lvlInstance::sm_Heap = nullptr;
uint32_t lvlInstance::sm_HeapTop = 0;
int lvlInstance::sm_HeapCount = 0;

uint8_t lvlInstance::sm_DrawSpheres = 0;
uint8_t lvlInstance::sm_EnableNoClip = 0;
uint8_t lvlInstance::sm_FacingTests = 0;
float lvlInstance::sm_VeryLowThreshold = 200.0f;
float lvlInstance::sm_LowThreshold = 100.0f;
float lvlInstance::sm_MediumThreshold = 40.0f;

namespace {

// Heap allocations keep pointer alignment for the instances' vtables and links.
const uint32_t HeapAlignment = sizeof(void*);

uint32_t RoundToHeap(size_t size) {
    return uint32_t((size + HeapAlignment - 1) & ~size_t(HeapAlignment - 1));
}

phBoundBox* sSharedBoxes[2] = {nullptr, nullptr};
int sNextSharedBox = 0;

const uint32_t InsideColour = 0xFF00FF00;
const uint32_t CrossingColour = 0xFFFF0000;

}  // namespace

lvlInstance::lvlInstance() = default;

lvlInstance::~lvlInstance() {
    if (IsInHeap(this)) {
        --sm_HeapCount;
    }
}

bool lvlInstance::IsInHeap(const void* p) {
    const uint8_t* byte = static_cast<const uint8_t*>(p);
    return sm_Heap && byte >= sm_Heap && byte < sm_Heap + InstanceHeapSize;
}

void* lvlInstance::Allocate(size_t size) {
    uint32_t rounded = RoundToHeap(size);
    if (!sm_Heap) {
        sm_Heap = static_cast<uint8_t*>(malloc(InstanceHeapSize));
        sm_HeapTop = 0;
    }
    AssertText(size <= InstanceHeapSize && sm_HeapTop + rounded <= InstanceHeapSize,
               "sm_HeapTop + size <= InstanceHeapSize");
    void* p = sm_Heap + sm_HeapTop;
    sm_HeapTop += rounded;
    ++sm_HeapCount;
    return p;
}

void lvlInstance::ForEachHeapInstance(void (*func)(lvlInstance& instance, void* context),
                                      void* context) {
    uint32_t offset = 0;
    while (sm_Heap && offset < sm_HeapTop) {
        lvlInstance* instance = reinterpret_cast<lvlInstance*>(sm_Heap + offset);
        uint32_t size = RoundToHeap(instance->SizeOf());
        Assert(size > 0 && offset + size <= sm_HeapTop);
        func(*instance, context);
        offset += size;
    }
}

void lvlInstance::DestroyAll() {
    ForEachHeapInstance([](lvlInstance& instance, void*) { instance.~lvlInstance(); }, nullptr);
    if (sm_Heap) {
        memset(sm_Heap, 0xFD, sm_HeapTop);
        free(sm_Heap);
    }
    sm_Heap = nullptr;
    sm_HeapTop = 0;
    sm_HeapCount = 0;
    ForgetGeomSets();
}

void lvlInstance::CreateSharedBounds() {
    for (phBoundBox*& box : sSharedBoxes) {
        if (!box) {
            box = new phBoundBox(Vector3(1.0f, 1.0f, 1.0f));
        }
    }
    sNextSharedBox = 0;
}

void lvlInstance::ReleaseSharedBounds() {
    for (phBoundBox*& box : sSharedBoxes) {
        delete box;
        box = nullptr;
    }
}

const lvlGeomSet* lvlInstance::GetGeomSet() const {
    return m_GeomIndex ? GetGeomSetAt(m_GeomIndex) : nullptr;
}

const char* lvlInstance::GetGeomName() const {
    return GetGeomNameAt(m_GeomIndex);
}

bool lvlInstance::Faces(const Vector3&) const {
    return true;
}

bool lvlInstance::Init(const char* name, const Matrix34& matrix, int flag) {
    m_GeomIndex = uint16_t(BeginGeom(name, name, flag ? GEOM_BOUND : 0));
    EndGeom();
    SetMatrix(matrix);
    return m_GeomIndex != 0;
}

int lvlInstance::SetVariant(int v) {
    const lvlGeomSet* set = GetGeomSet();
    int count = set ? set->m_VariantCount : 0;
    if (count == 0 || v < 0) {
        m_Variant = 0;
        return 0;
    }
    m_Variant = uint8_t(v % count);
    return v / count;
}

phBound* lvlInstance::GetBound(int) {
    const lvlGeomSet* set = GetGeomSet();
    if (!set) {
        PrintError("m_GeomIndex == 0 in lvlInstance::GetBound()");
        return nullptr;
    }
    if (set->m_Bound) {
        return set->m_Bound;
    }
    phBoundBox* box = sSharedBoxes[sNextSharedBox];
    sNextSharedBox ^= 1;
    if (box) {
        float side = 2.0f * set->m_Radius;
        box->SetSize(Vector3(side, side, side));
    }
    return box;
}

int lvlInstance::ChooseLOD(const gfxViewport& viewport) {
    const lvlGeomSet* set = GetGeomSet();
    const Vector3& position = GetPosition();
    float radius = set ? set->m_Radius : 0.0f;
    float depth = 0.0f;
    int visibility = viewport.TestSphere(position.x, position.y, position.z, radius, &depth);
    if (!set) {
        visibility = 2;
    }
    if (visibility == 0 || depth > FarLimit) {
        return 0;
    }
    if (sm_DrawSpheres) {
        rglLoadBillboard(position);
        rglColor(visibility == 1 ? InsideColour : CrossingColour);
        rglDrawWireSphere(radius, 6);
        rglLoadIdentity();
    }
    if (sm_EnableNoClip) {
        gfxSetStateByte(gfxCurrentState.m_Clipping, visibility == 1 ? 0 : 1);
    }
    float d = depth - radius;
    if (d > sm_VeryLowThreshold) {
        return 1;
    }
    if (d > sm_LowThreshold) {
        return 2;
    }
    if (d > sm_MediumThreshold) {
        return 3;
    }
    return 4;
}

void lvlInstance::DrawSetModel(int set, int slot, const Matrix34& matrix) const {
    const lvlGeomSet* geom = set ? GetGeomSetAt(set) : nullptr;
    if (!geom || slot < 0 || slot > 3 || !geom->m_Models[slot]) {
        return;
    }
    const modShader* shaders =
        geom->m_Shaders && m_Variant < geom->m_VariantCount ? geom->m_Shaders[m_Variant] : nullptr;
    rglLoadMatrix(matrix);
    geom->m_Models[slot]->Draw(shaders);
    rglLoadIdentity();
}

Vector3 lvlInstance::CameraPosition() {
    return Vector3(gfxCamera.d.x, gfxCamera.d.y, gfxCamera.d.z);
}

void lvlInstance::Draw(int lod) {
    if (lod <= 0 || !PassesFacing(CameraPosition())) {
        return;
    }
    Matrix34 scratch;
    DrawSetModel(m_GeomIndex, ModelSlot(lod), GetMatrix(scratch));
}

void lvlInstance::AddWidgets(bkBank* bank) {
    bank->AddToggle("Draw Inst Spheres", &sm_DrawSpheres);
    bank->AddToggle("Enable No Clip", &sm_EnableNoClip);
    bank->AddSlider("Inst VLOW Thresh", &sm_VeryLowThreshold, 0.0f, 2000.0f, 10.0f);
    bank->AddSlider("Inst LOW Thresh", &sm_LowThreshold, 0.0f, 2000.0f, 10.0f);
    bank->AddSlider("Inst MED Thresh", &sm_MediumThreshold, 0.0f, 2000.0f, 10.0f);
}

float lvlInstance::GetRadius() const {
    const lvlGeomSet* set = GetGeomSet();
    return set ? set->m_Radius : 0.0f;
}
