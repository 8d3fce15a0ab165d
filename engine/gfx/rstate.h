#ifndef GFX_RSTATE_H
#define GFX_RSTATE_H

#include <cstdint>

#include <windows.h>
#include <d3d.h>

#include "vector/matrix34.h"
#include "vector/matrix44.h"

class bkBank;
class gfxTexture;

// A Direct3D 7 material followed by its diffuse colour packed 0xAARRGGBB.
struct gfxMaterial : D3DMATERIAL7 {
    gfxMaterial();
    uint32_t m_Packed;
};

// Every render state the program changes. Setters write gfxCurrentState and raise bits of
// gfxStateDirty; a draw applies what differs from gfxDeviceState, the values the device last
// received. Bytes unless stated; the Direct3D render state is in brackets.
struct gfxRenderState {
    uint8_t m_Clipping;            // [136], sent as off while the internal renderer is on
    uint8_t m_Lighting;            // [137]
    uint8_t m_SrcBlend;            // [19]
    uint8_t m_DestBlend;           // [20]
    uint8_t m_VertexBlend;         // [151]
    uint32_t m_TextureFactor;      // [60]; non-zero: stage 0 takes it in place of diffuse
    uint32_t m_BlendMode;          // 0 to 12, see gfxSetBlendMode
    float m_FogStart;              // [36]
    float m_FogEnd;                // [37]
    uint8_t m_ZEnable;             // [7]
    uint8_t m_ShadeMode;           // [9]
    uint8_t m_ZWrite;              // [14]
    uint8_t m_CullMode;            // [22]
    uint8_t m_ZFunc;               // [23]
    uint8_t m_AlphaRef;            // [24]
    uint8_t m_AlphaFunc;           // [25]
    uint8_t m_Dither;              // [26]
    uint8_t m_AlphaEnable;         // [27], and alpha test [15]
    uint8_t m_TexturePerspective;  // [4]
    uint8_t m_FillMode;            // [8]
    uint8_t m_ZBias;               // [47]
    uint8_t m_Antialias;           // [2]
    uint8_t m_FogVertexMode;       // [140]
    uint8_t m_AddressU[2];         // stage state 13 of stages 0 and 1
    uint8_t m_AddressV[2];         // stage state 14
    uint32_t m_Ambient;            // [139]
    uint32_t m_FogColor;           // [34]
    float m_FogDensity;            // [38]
    uint8_t m_COLOROP1;            // colour operation of stage 1
    uint8_t m_Specular;            // [29]
    uint8_t m_FogEnable;           // [28]
    uint8_t m_NormalizeNormals;    // [143]
    uint8_t m_RangeFog;            // [48]
    const gfxTexture* m_Texture[2];
    gfxMaterial* m_Material;
    // The own device only: what it last received of the "Subpixel Correction" [31],
    // "Subtexel Correction" [32] and "Plane Mask" [13] switches.
    uint8_t m_Subpixel;
    uint8_t m_Subtexel;
    uint32_t m_PlaneMask;
};

extern gfxRenderState gfxCurrentState;
extern gfxRenderState gfxDeviceState;

// gfxStateDirty bits.
const uint32_t gfxDirtyStates = 0x01;
const uint32_t gfxDirtyTextures = 0x02;
const uint32_t gfxDirtyMaterial = 0x04;
const uint32_t gfxDirtyWorld = 0x08;
const uint32_t gfxDirtyLights = 0x30;
const uint32_t gfxDirtyComposite = 0x80;
extern uint32_t gfxStateDirty;
// The bits that make a draw apply the pending state: by the lighting switch.
extern uint32_t gfxStateApplyMask;
extern const uint32_t gfxApplyMasks[2];

extern gfxMaterial gfxDefaultMaterial;
extern D3DLIGHT7 gfxSunLight;
const int gfxMaxLightSlots = 32;
extern D3DLIGHT7* gfxLights[gfxMaxLightSlots];
extern int gfxLightCount;

extern Matrix44 gfxCamera;
extern Matrix44 gfxView;
extern Matrix44 gfxWorld;
extern Matrix44 gfxWorldView;
extern Matrix44 gfxWorldViewProj;
extern Matrix44 gfxComposite;
extern const Matrix44 gfxFlipZ;

// Frame statistics, zeroed at every frame start.
struct gfxStatistics {
    uint32_t m_Verts;
    uint32_t m_Points;
    uint32_t m_Lines;
    uint32_t m_Tris;
    uint32_t m_IntTris;
    uint32_t m_StateChanges;
    uint32_t m_TextureChanges;
};
extern gfxStatistics gfxStats;

// Switches of the "Pipeline" bank.
extern uint8_t gfxEnableTextures;
extern uint8_t gfxEnableTexPreLoad;
extern uint8_t gfxDepthComplexity;
extern int32_t gfxDCLayers;
extern uint32_t gfxDCColor;
extern uint8_t gfxValidateDevice;
extern uint8_t gfxSubpixelCorrection;
extern uint8_t gfxSubtexelCorrection;
extern uint32_t gfxPlaneMask;

void gfxReadDeviceStates(gfxRenderState& state);
void gfxResetStates(gfxRenderState& state);
void gfxSetStateByte(uint8_t& field, uint8_t value);
void gfxSetBlendMode(gfxRenderState& state, uint32_t mode);
void gfxSetDCLayers(int layers);
void gfxMarkAllDirty();
// Applies the pending state when the dirty word meets the apply mask.
void gfxApplyPending();

void gfxDefaultLight(D3DLIGHT7& light);
void gfxLightEnable(int n, bool on);
void gfxSetLight(int n, D3DLIGHT7* light);
void gfxGetLight(int n, D3DLIGHT7* light);
void gfxDisableLights();
void gfxRefreshLights();

void gfxSetTexCoordIndex(int stage, int index);
void gfxSetTextureTransformFlags(int stage, int count, bool projected);
void gfxSetMipLodBias(int stage, float value);
void gfxSetTextureMatrix(int stage, const Matrix44& matrix);
void gfxSetBlendMatrix(int n, const Matrix44& matrix);

void gfxSetCamera(const Matrix34& m);
void gfxSetCameraMatrix(const Matrix44& m);
void gfxSetCameraFast(const Matrix34& m);
void gfxSetViewMatrix(const Matrix34& m);
void gfxLoadBillboard(const Vector3& p);
void gfxLoadBillboard4(const Vector4& p);
void gfxComposeMatrices();

void gfxRenderStateBank(bkBank* bank);
void gfxLightBank(bkBank* bank, D3DLIGHT7* light);
void gfxMaterialBank(bkBank* bank, gfxMaterial* material);
void gfxColorWidgets(bkBank* bank, const char* name, uint32_t* colour);
void gfxColorWidgetsRGB(bkBank* bank, const char* name, uint32_t* colour);

#endif
