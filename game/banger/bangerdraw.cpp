// Drawing a banger: its model by level of detail, its shadow on the ground and its glows.

#include <cstring>

#include "banger/banger.h"
#include "banger/bangerdata.h"
#include "banger/bangerpool.h"
#include "gfx/rstate.h"
#include "rgl/rgl.h"
#include "vector/random.h"
#include "vector/vector4.h"

namespace {

// "Don't Light Object" bangers are drawn unlit with this alpha reference.
const uint8_t UnlitAlphaRef = 140;
// A glow's half size is this times a flicker between 0.99 and 1.
const float GlowSize = 1.5f;

// The most detailed model slot the set has, -1 for none.
int FirstModelSlot(const lvlGeomSet* set) {
    for (int slot = 0; set && slot < 4; ++slot) {
        if (set->m_Models[slot]) {
            return slot;
        }
    }
    return -1;
}

}  // namespace

void qvBangerInstance::Draw(int lod) {
    if (lod <= 0) {
        return;
    }
    int slot = ModelSlot(lod);
    if ((GetFlags() & COARSER) && slot < lvlGeomSet::VeryLow) {
        ++slot;
    }
    Matrix34 scratch;
    const Matrix34& matrix = GetMatrix(scratch);
    gfxSetBlendMode(gfxCurrentState, 0);
    const qvBangerData* data = GetData();
    bool unlit = data && (data->BillFlags & qvBangerData::DONT_LIGHT);
    if (unlit) {
        gfxSetStateByte(gfxCurrentState.m_AlphaRef, UnlitAlphaRef);
        rglEnable(RGL_LIGHTING, 0);
    }
    DrawSetModel(GetGeomIndex(), slot, matrix);
    if (unlit) {
        rglEnable(RGL_LIGHTING, 1);
        gfxSetStateByte(gfxCurrentState.m_AlphaRef, 0);
    }
}

// The shadow set follows the banger's own in its package.
void qvBangerInstance::DrawShadow() {
    int shadow = GetGeomIndex() ? GetGeomIndex() + 1 : 0;
    if (!shadow || strcmp(GetGeomNameAt(shadow), "shadow") != 0) {
        return;
    }
    int slot = FirstModelSlot(GetGeomSetAt(shadow));
    if (slot < 0) {
        return;
    }
    Matrix34 scratch;
    Matrix34 ground = GetMatrix(scratch);
    ground.d.y = 0.0f;
    DrawSetModel(shadow, slot, ground);
}

// The flicker draws from the side stream of random numbers, so drawing never shifts the
// sequence the simulation sees.
void qvBangerInstance::DrawGlows() {
    gfxTexture* texture = qvBangerInstancePool::GetGlowTexture();
    const qvBangerData* data = GetData();
    if (!(GetFlags() & PLACED) || !texture || !data || !data->GlowOffset) {
        return;
    }
    Matrix34 scratch;
    const Matrix34& matrix = GetMatrix(scratch);
    for (int i = 0; i < data->NumGlows; ++i) {
        Vector3 position = data->GlowOffset[i];
        position.Transform(matrix);
        RandomSave();
        float r = RandomFloat();
        RandomRestore();
        rglLoadIdentity();
        rglBindTexture(texture);
        rglDrawBillboard(position, (r * 0.01f + 0.99f) * GlowSize, Vector4(1, 1, 1, 1));
    }
}
