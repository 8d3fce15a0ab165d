// Applies the render-state record to the device before a draw: the difference only.
#include "gfx/drawstate.h"

#include <cstring>

#include "gfx/pipeline.h"

uint32_t gfxMultiTextureMode;
gfxTextureAccess gfxTextureHooks;

namespace {

const uint32_t ClampU = 0x1;
const uint32_t ClampV = 0x10000;

void SendState(D3DRENDERSTATETYPE type, DWORD value) {
    ++gfxStats.m_StateChanges;
    gfxFailed(lpD3DDev->SetRenderState(type, value), "lpD3DDev->SetRenderState(state,value)");
}

template <typename Type>
DWORD StateValue(Type value) {
    DWORD bits = 0;
    memcpy(&bits, &value, sizeof(value));
    return bits;
}

// Sends the desired field when it differs from the last applied one.
template <typename Type>
void Update(D3DRENDERSTATETYPE type, const Type& desired, Type& last) {
    if (desired != last) {
        last = desired;
        SendState(type, StateValue(desired));
    }
}

IDirectDrawSurface7* ResidentSurface(const gfxTexture* texture) {
    if (!texture || !gfxTextureHooks.m_ResidentSurface) {
        return nullptr;
    }
    return gfxTextureHooks.m_ResidentSurface(texture);
}

void BindTexture(int stage, const gfxTexture* desired, const gfxTexture*& last) {
    if (desired == last) {
        return;
    }
    last = desired;
    ++gfxStats.m_TextureChanges;
    IDirectDrawSurface7* surface = ResidentSurface(desired);
    if (surface) {
        gfxFailed(lpD3DDev->SetTexture(stage, surface),
                  stage == 0 ? "lpD3DDev->SetTexture(0,(const_cast<gfxTexture*>(m_Texture[0]))"
                               "->GetResidentSurface())"
                             : "lpD3DDev->SetTexture(1,const_cast<gfxTexture*>(m_Texture[1])"
                               "->GetResidentSurface())");
    } else {
        gfxFailed(lpD3DDev->SetTexture(stage, nullptr),
                  stage == 0 ? "lpD3DDev->SetTexture(0,0)" : "lpD3DDev->SetTexture(1,0)");
    }
}

void Address(const gfxTexture* texture, uint8_t& u, uint8_t& v) {
    uint32_t flags = texture && gfxTextureHooks.m_Flags ? gfxTextureHooks.m_Flags(texture) : 0;
    u = (flags & ClampU) ? D3DTADDRESS_CLAMP : D3DTADDRESS_WRAP;
    v = (flags & ClampV) ? D3DTADDRESS_CLAMP : D3DTADDRESS_WRAP;
}

void SendAddress(DWORD stage, D3DTEXTURESTAGESTATETYPE type, uint8_t desired, uint8_t& last) {
    if (desired != last) {
        last = desired;
        gfxFailed(lpD3DDev->SetTextureStageState(stage, type, desired),
                  "lpD3DDev->SetTextureStageState(stage,D3DTSS_ADDRESS,value)");
    }
}

void ApplyTextureFactor(gfxRenderState& desired, gfxRenderState& last) {
    if (desired.m_TextureFactor == last.m_TextureFactor) {
        return;
    }
    DWORD argument = desired.m_TextureFactor ? D3DTA_TFACTOR : D3DTA_DIFFUSE;
    gfxFailed(lpD3DDev->SetTextureStageState(0, D3DTSS_COLORARG2, argument),
              "lpD3DDev->SetTextureStageState(0,D3DTSS_COLORARG2,arg)");
    gfxFailed(lpD3DDev->SetTextureStageState(0, D3DTSS_ALPHAARG2, argument),
              "lpD3DDev->SetTextureStageState(0,D3DTSS_ALPHAARG2,arg)");
    Update(D3DRENDERSTATE_TEXTUREFACTOR, desired.m_TextureFactor, last.m_TextureFactor);
}

void ApplyStates(gfxRenderState& d, gfxRenderState& l) {
    // Depth complexity sends these itself at the frame start.
    if (!gfxDepthComplexity) {
        ApplyTextureFactor(d, l);
        if (d.m_AlphaEnable != l.m_AlphaEnable) {
            l.m_AlphaEnable = d.m_AlphaEnable;
            SendState(D3DRENDERSTATE_ALPHABLENDENABLE, d.m_AlphaEnable);
            SendState(D3DRENDERSTATE_ALPHATESTENABLE, d.m_AlphaEnable);
        }
        Update(D3DRENDERSTATE_ZENABLE, d.m_ZEnable, l.m_ZEnable);
        Update(D3DRENDERSTATE_ZWRITEENABLE, d.m_ZWrite, l.m_ZWrite);
        Update(D3DRENDERSTATE_SRCBLEND, d.m_SrcBlend, l.m_SrcBlend);
        Update(D3DRENDERSTATE_DESTBLEND, d.m_DestBlend, l.m_DestBlend);
        Update(D3DRENDERSTATE_LIGHTING, d.m_Lighting, l.m_Lighting);
    }
    Update(D3DRENDERSTATE_TEXTUREPERSPECTIVE, d.m_TexturePerspective, l.m_TexturePerspective);
    Update(D3DRENDERSTATE_SHADEMODE, d.m_ShadeMode, l.m_ShadeMode);
    Update(D3DRENDERSTATE_CULLMODE, d.m_CullMode, l.m_CullMode);
    Update(D3DRENDERSTATE_ZFUNC, d.m_ZFunc, l.m_ZFunc);
    Update(D3DRENDERSTATE_ALPHAREF, d.m_AlphaRef, l.m_AlphaRef);
    Update(D3DRENDERSTATE_ALPHAFUNC, d.m_AlphaFunc, l.m_AlphaFunc);
    Update(D3DRENDERSTATE_DITHERENABLE, d.m_Dither, l.m_Dither);
    Update(D3DRENDERSTATE_FILLMODE, d.m_FillMode, l.m_FillMode);
    Update(D3DRENDERSTATE_ZBIAS, d.m_ZBias, l.m_ZBias);
    Update(D3DRENDERSTATE_ANTIALIAS, d.m_Antialias, l.m_Antialias);
    uint8_t clipping = gfxUseIntRenderer ? 0 : d.m_Clipping;
    Update(D3DRENDERSTATE_CLIPPING, clipping, l.m_Clipping);
    Update(D3DRENDERSTATE_AMBIENT, d.m_Ambient, l.m_Ambient);
    Update(D3DRENDERSTATE_SPECULARENABLE, d.m_Specular, l.m_Specular);
    Update(D3DRENDERSTATE_FOGENABLE, d.m_FogEnable, l.m_FogEnable);
    Update(D3DRENDERSTATE_FOGVERTEXMODE, d.m_FogVertexMode, l.m_FogVertexMode);
    Update(D3DRENDERSTATE_FOGSTART, d.m_FogStart, l.m_FogStart);
    Update(D3DRENDERSTATE_FOGEND, d.m_FogEnd, l.m_FogEnd);
    Update(D3DRENDERSTATE_FOGCOLOR, d.m_FogColor, l.m_FogColor);
    Update(D3DRENDERSTATE_FOGDENSITY, d.m_FogDensity, l.m_FogDensity);
    Update(D3DRENDERSTATE_NORMALIZENORMALS, d.m_NormalizeNormals, l.m_NormalizeNormals);
    Update(D3DRENDERSTATE_RANGEFOGENABLE, d.m_RangeFog, l.m_RangeFog);
    Update(D3DRENDERSTATE_VERTEXBLEND, d.m_VertexBlend, l.m_VertexBlend);
    if (gfxUseOwnDevice) {
        Update(D3DRENDERSTATE_SUBPIXEL, gfxSubpixelCorrection, l.m_Subpixel);
        Update(D3DRENDERSTATE_SUBPIXELX, gfxSubtexelCorrection, l.m_Subtexel);
        Update(D3DRENDERSTATE_PLANEMASK, gfxPlaneMask, l.m_PlaneMask);
    }
}

}  // namespace

void gfxApplyDrawState(gfxRenderState& desired, gfxRenderState& last) {
    if (gfxStateDirty & gfxDirtyWorld) {
        gfxFailed(lpD3DDev->SetTransform(D3DTRANSFORMSTATE_WORLD, (D3DMATRIX*)&gfxWorld),
                  "lpD3DDev->SetTransform(D3DTRANSFORMSTATE_WORLD,(D3DMATRIX*)&gfxWorld)");
    }
    bool native = gfxMultiTextureMode == 2;
    BindTexture(0, desired.m_Texture[0], last.m_Texture[0]);
    uint8_t colorOp1 = native && desired.m_Texture[1] ? desired.m_COLOROP1 : (uint8_t)D3DTOP_DISABLE;
    if (native) {
        BindTexture(1, desired.m_Texture[1], last.m_Texture[1]);
    }
    for (int stage = 0; stage < 2; ++stage) {
        Address(desired.m_Texture[stage], desired.m_AddressU[stage], desired.m_AddressV[stage]);
    }
    if (native && colorOp1 != last.m_COLOROP1) {
        gfxFailed(lpD3DDev->SetTextureStageState(1, D3DTSS_COLOROP, last.m_COLOROP1 = colorOp1),
                  "lpD3DDev->SetTextureStageState(1,D3DTSS_COLOROP,last->m_COLOROP1 = "
                  "eff_COLOROP1)");
    }
    if (desired.m_Material != last.m_Material) {
        last.m_Material = desired.m_Material;
        gfxFailed(lpD3DDev->SetMaterial((D3DMATERIAL7*)desired.m_Material),
                  "lpD3DDev->SetMaterial((D3DMATERIAL7*)m_Material)");
    }
    if (gfxStateDirty & gfxDirtyStates) {
        ApplyStates(desired, last);
    }
    if ((gfxStateDirty & gfxDirtyTextures) && !gfxUseSoftware) {
        for (int stage = 0; stage < 2; ++stage) {
            SendAddress(stage, D3DTSS_ADDRESSU, desired.m_AddressU[stage], last.m_AddressU[stage]);
        }
        for (int stage = 0; stage < 2; ++stage) {
            SendAddress(stage, D3DTSS_ADDRESSV, desired.m_AddressV[stage], last.m_AddressV[stage]);
        }
    }
    gfxStateDirty &= gfxDirtyComposite;
}
