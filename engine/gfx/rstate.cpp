// The render-state record with its dirty word and defaults, the blend modes, lights, the
// default material and the camera, view, world and composite matrices.
#include "gfx/rstate.h"

#include <cstring>

#include "data/assert.h"
#include "gfx/drawstate.h"
#include "gfx/pipeline.h"
#include "gfx/viewport.h"

gfxRenderState gfxCurrentState;
gfxRenderState gfxDeviceState;
uint32_t gfxStateDirty;
const uint32_t gfxApplyMasks[2] = {0x0B, 0x7F};
uint32_t gfxStateApplyMask = gfxApplyMasks[0];

D3DLIGHT7 gfxSunLight;
D3DLIGHT7* gfxLights[gfxMaxLightSlots];
int gfxLightCount;

Matrix44 gfxCamera;
Matrix44 gfxView;
Matrix44 gfxWorld;
Matrix44 gfxWorldView;
Matrix44 gfxWorldViewProj;
Matrix44 gfxComposite;
const Matrix44 gfxFlipZ(Vector4(1, 0, 0, 0), Vector4(0, 1, 0, 0), Vector4(0, 0, -1, 0),
                        Vector4(0, 0, 0, 1));

gfxStatistics gfxStats;

uint8_t gfxEnableTextures = 1;
uint8_t gfxEnableTexPreLoad = 1;
uint8_t gfxDepthComplexity;
int32_t gfxDCLayers = 4;
uint32_t gfxDCColor = 0xFF3F3F3F;
uint8_t gfxValidateDevice;
uint8_t gfxSubpixelCorrection = 1;
uint8_t gfxSubtexelCorrection = 1;
uint32_t gfxPlaneMask = 0xFFFFFFFF;

namespace {

void SetColorValue(D3DCOLORVALUE& colour, float r, float g, float b, float a) {
    colour.r = r;
    colour.g = g;
    colour.b = b;
    colour.a = a;
}

void SetVector(D3DVECTOR& v, float x, float y, float z) {
    v.x = x;
    v.y = y;
    v.z = z;
}

void SetStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    gfxFailed(lpD3DDev->SetTextureStageState(stage, type, value),
              "lpD3DDev->SetTextureStageState(stage,type,value)");
}

void SendTransform(D3DTRANSFORMSTATETYPE type, const Matrix44& m, const char* call) {
    gfxFailed(lpD3DDev->SetTransform(type, (D3DMATRIX*)&m), call);
}

struct BlendFactors {
    uint8_t m_Source;
    uint8_t m_Destination;
};

// By blend mode; mode 8 has no factors.
const BlendFactors BlendTable[13] = {
    {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},  {D3DBLEND_INVSRCALPHA, D3DBLEND_SRCALPHA},
    {D3DBLEND_SRCALPHA, D3DBLEND_ONE},          {D3DBLEND_SRCALPHA, D3DBLEND_ZERO},
    {D3DBLEND_INVSRCALPHA, D3DBLEND_ZERO},      {D3DBLEND_ZERO, D3DBLEND_SRCALPHA},
    {D3DBLEND_ZERO, D3DBLEND_ZERO},             {D3DBLEND_ONE, D3DBLEND_ONE},
    {0, 0},                                     {D3DBLEND_DESTALPHA, D3DBLEND_INVDESTALPHA},
    {D3DBLEND_INVDESTALPHA, D3DBLEND_DESTALPHA}, {D3DBLEND_DESTALPHA, D3DBLEND_ONE},
    {D3DBLEND_ONE, D3DBLEND_SRCALPHA},
};

}  // namespace

gfxMaterial::gfxMaterial() {
    memset(static_cast<D3DMATERIAL7*>(this), 0, sizeof(D3DMATERIAL7));
    SetColorValue(diffuse, 1, 1, 1, 1);
    SetColorValue(ambient, 1, 1, 1, 1);
    m_Packed = 0xFFFFFFFF;
}

gfxMaterial gfxDefaultMaterial;

void gfxDefaultLight(D3DLIGHT7& light) {
    memset(&light, 0, sizeof(light));
    light.dltType = D3DLIGHT_DIRECTIONAL;
    SetColorValue(light.dcvDiffuse, 1, 1, 1, 1);
    SetColorValue(light.dcvAmbient, 0.25f, 0.25f, 0.25f, 0.25f);
    SetVector(light.dvDirection, 0, -1, 0);
    light.dvRange = 100;
    light.dvFalloff = 1;
}

namespace {

struct SunLightInit {
    SunLightInit() { gfxDefaultLight(gfxSunLight); }
};
SunLightInit sSunLightInit;

DWORD ReadState(D3DRENDERSTATETYPE type) {
    DWORD value = 0;
    gfxFailed(lpD3DDev->GetRenderState(type, &value), "lpD3DDev->GetRenderState(type,&value)");
    return value;
}

}  // namespace

void gfxReadDeviceStates(gfxRenderState& state) {
    memset(&state, 0, sizeof(state));
    state.m_Clipping = ReadState(D3DRENDERSTATE_CLIPPING) != 0;
    state.m_Lighting = ReadState(D3DRENDERSTATE_LIGHTING) != 0;
    state.m_TexturePerspective = (uint8_t)ReadState(D3DRENDERSTATE_TEXTUREPERSPECTIVE);
    state.m_ZEnable = (uint8_t)ReadState(D3DRENDERSTATE_ZENABLE);
    state.m_ZWrite = ReadState(D3DRENDERSTATE_ZWRITEENABLE) != 0;
    state.m_ZFunc = (uint8_t)ReadState(D3DRENDERSTATE_ZFUNC);
    state.m_FillMode = (uint8_t)ReadState(D3DRENDERSTATE_FILLMODE);
    state.m_Subpixel = ReadState(D3DRENDERSTATE_SUBPIXEL) != 0;
    state.m_Subtexel = ReadState(D3DRENDERSTATE_SUBPIXELX) != 0;
    state.m_PlaneMask = ReadState(D3DRENDERSTATE_PLANEMASK);

    gfxSunLight.dltType = D3DLIGHT_DIRECTIONAL;
    SetColorValue(gfxSunLight.dcvDiffuse, 1, 1, 1, 1);
    SetVector(gfxSunLight.dvDirection, 0.49999037f, -0.7071f, 0.49999037f);
    gfxSunLight.dvRange = 15;
}

void gfxSetStateByte(uint8_t& field, uint8_t value) {
    if (field != value) {
        field = value;
        gfxStateDirty |= gfxDirtyStates;
    }
}

void gfxSetBlendMode(gfxRenderState& state, uint32_t mode) {
    if (mode == state.m_BlendMode && mode != 8) {
        return;
    }
    Assert(mode < 13 && mode != 8);
    state.m_BlendMode = mode;
    gfxSetStateByte(state.m_SrcBlend, BlendTable[mode].m_Source);
    gfxSetStateByte(state.m_DestBlend, BlendTable[mode].m_Destination);
}

void gfxResetStates(gfxRenderState& state) {
    SetColorValue(gfxDefaultMaterial.diffuse, 1, 1, 1, 1);
    SetColorValue(gfxDefaultMaterial.ambient, 1, 1, 1, 1);
    gfxDefaultMaterial.m_Packed = 0xFFFFFFFF;
    if (state.m_Material != &gfxDefaultMaterial) {
        state.m_Material = &gfxDefaultMaterial;
        gfxStateDirty |= gfxDirtyMaterial;
    }
    gfxSetLight(0, &gfxSunLight);
    gfxLightEnable(0, true);

    bool hardware = !gfxUseSoftware;
    gfxSetStateByte(state.m_CullMode, D3DCULL_NONE);
    gfxSetStateByte(state.m_Dither, hardware && gfxPipeline::m_ColorDepth == 16);
    gfxSetStateByte(state.m_ZEnable, 1);
    gfxSetStateByte(state.m_ZWrite, 1);
    gfxSetStateByte(state.m_ZFunc, D3DCMP_LESSEQUAL);
    gfxSetStateByte(state.m_ShadeMode, hardware ? D3DSHADE_GOURAUD : D3DSHADE_FLAT);
    gfxSetStateByte(state.m_TexturePerspective, 1);
    // Forced away from 0 first so that mode 0 really writes its factors.
    state.m_BlendMode = 6;
    gfxSetBlendMode(state, 0);
    gfxStateApplyMask = gfxApplyMasks[0];
    gfxSetStateByte(state.m_Lighting, 0);
    gfxSetStateByte(state.m_Clipping, 1);
    gfxSetStateByte(state.m_AlphaRef, 0);
    gfxSetStateByte(state.m_AlphaFunc, D3DCMP_NOTEQUAL);
    gfxSetStateByte(state.m_COLOROP1, D3DTOP_MODULATE);

    DWORD op = hardware ? D3DTOP_MODULATE : D3DTOP_SELECTARG1;
    SetStageState(0, D3DTSS_COLOROP, op);
    SetStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    SetStageState(0, D3DTSS_ALPHAOP, op);
    SetStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    SetStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    SetStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    SetStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    SetStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
    if (!hardware) {
        SetStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        SetStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }
    if (gfxTexturesPerPass > 1) {
        SetStageState(1, D3DTSS_TEXCOORDINDEX, 1);
        SetStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        SetStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
        SetStageState(1, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
        SetStageState(1, D3DTSS_MINFILTER, D3DTFN_LINEAR);
        SetStageState(1, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
    }
    gfxWorld.Identity();
    gfxStateDirty |= gfxDirtyWorld | gfxDirtyComposite;
}

void gfxSetDCLayers(int layers) {
    gfxDCLayers = layers;
    uint32_t grey = layers > 0 ? 255 / layers : 255;
    gfxDCColor = 0xFF000000 | grey << 16 | grey << 8 | grey;
}

void gfxMarkAllDirty() {
    gfxStateDirty = 0xFFFFFFFF;
}

void gfxApplyPending() {
    if (gfxStateDirty & gfxStateApplyMask) {
        gfxApplyDrawState(gfxCurrentState, gfxDeviceState);
    }
}

void gfxLightEnable(int n, bool on) {
    gfxStateDirty |= gfxDirtyLights;
    gfxFailed(lpD3DDev->LightEnable(n, on), "lpD3DDev->LightEnable(idx,flag)");
}

namespace {

// The lights the program can record: the device's count, within the table.
int LightLimit() {
    return gfxMaxLights < gfxMaxLightSlots ? gfxMaxLights : gfxMaxLightSlots;
}

}  // namespace

void gfxSetLight(int n, D3DLIGHT7* light) {
    if (n < 0 || n >= LightLimit()) {
        return;
    }
    gfxStateDirty |= gfxDirtyLights;
    if (gfxLightCount < n + 1) {
        gfxLightCount = n + 1;
    }
    gfxLights[n] = light;
    if (FAILED(lpD3DDev->SetLight(n, light))) {
        PrintError("error setting D3D light");
    }
}

void gfxGetLight(int n, D3DLIGHT7* light) {
    if (n >= 0 && n < gfxMaxLights) {
        gfxFailed(lpD3DDev->GetLight(n, light), "lpD3DDev->GetLight(idx,light)");
    }
}

void gfxDisableLights() {
    for (int i = 0; i < gfxLightCount; ++i) {
        gfxLightEnable(i, false);
    }
    gfxLightCount = 0;
}

void gfxRefreshLights() {
    for (int i = 0; i < gfxLightCount; ++i) {
        if (gfxLights[i]) {
            gfxSetLight(i, gfxLights[i]);
        }
    }
}

void gfxSetTexCoordIndex(int stage, int index) {
    SetStageState(stage, D3DTSS_TEXCOORDINDEX, index);
}

void gfxSetTextureTransformFlags(int stage, int count, bool projected) {
    SetStageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS, count | (projected ? 256 : 0));
}

void gfxSetMipLodBias(int stage, float value) {
    DWORD bits;
    memcpy(&bits, &value, sizeof(bits));
    SetStageState(stage, D3DTSS_MIPMAPLODBIAS, bits);
}

void gfxSetTextureMatrix(int stage, const Matrix44& matrix) {
    SendTransform(D3DTRANSFORMSTATETYPE(D3DTRANSFORMSTATE_TEXTURE0 + stage), matrix,
                  "lpD3DDev->SetTransform(D3DTRANSFORMSTATE_TEXTURE0+stage,matrix)");
}

void gfxSetBlendMatrix(int n, const Matrix44& matrix) {
    SendTransform(D3DTRANSFORMSTATETYPE(D3DTRANSFORMSTATE_WORLD1 + n), matrix,
                  "lpD3DDev->SetTransform(D3DTRANSFORMSTATE_WORLD1+n,matrix)");
}

namespace {

void CameraFromMatrix34(const Matrix34& m) {
    gfxCamera.a = Vector4(m.a.x, m.a.y, m.a.z, 0);
    gfxCamera.b = Vector4(m.b.x, m.b.y, m.b.z, 0);
    gfxCamera.c = Vector4(m.c.x, m.c.y, m.c.z, 0);
    gfxCamera.d = Vector4(m.d.x, m.d.y, m.d.z, 1);
}

void SendView() {
    SendTransform(D3DTRANSFORMSTATE_VIEW, gfxView,
                  "lpD3DDev->SetTransform(D3DTRANSFORMSTATE_VIEW,(D3DMATRIX*)&gfxView)");
    gfxStateDirty |= gfxDirtyComposite;
}

}  // namespace

void gfxSetCamera(const Matrix34& m) {
    CameraFromMatrix34(m);
    gfxSetCameraMatrix(gfxCamera);
}

void gfxSetCameraMatrix(const Matrix44& m) {
    gfxCamera = m;
    gfxView.FastInverse(m);
    gfxView.Dot(gfxFlipZ);
    SendView();
}

void gfxSetCameraFast(const Matrix34& m) {
    CameraFromMatrix34(m);
    Matrix34 inverse;
    inverse.FastInverse(m);
    gfxView.FromMatrix34(inverse);
    gfxView.Dot(gfxFlipZ);
    SendView();
}

void gfxSetViewMatrix(const Matrix34& m) {
    gfxView.FromMatrix34(m);
    gfxView.Dot(gfxFlipZ);
    SendView();
}

void gfxLoadBillboard4(const Vector4& p) {
    gfxWorld.a = Vector4(gfxView.a.x, gfxView.b.x, gfxView.c.x, 0);
    gfxWorld.b = Vector4(gfxView.a.y, gfxView.b.y, gfxView.c.y, 0);
    gfxWorld.c = Vector4(gfxView.a.z, gfxView.b.z, gfxView.c.z, 0);
    gfxWorld.d = p;
    gfxStateDirty |= gfxDirtyWorld | gfxDirtyComposite;
}

void gfxLoadBillboard(const Vector3& p) {
    gfxLoadBillboard4(Vector4(p.x, p.y, p.z, 1));
}

void gfxComposeMatrices() {
    Assert(gfxCurrentViewport);
    gfxWorldView = gfxWorld;
    gfxWorldView.Dot(gfxView);
    gfxWorldViewProj = gfxWorldView;
    gfxWorldViewProj.Dot(gfxCurrentViewport->m_Projection);
    gfxComposite = gfxWorldViewProj;
    gfxComposite.Dot(gfxCurrentViewport->m_Screen);
    gfxStateDirty &= ~gfxDirtyComposite;
}
