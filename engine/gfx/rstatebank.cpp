// The "Pipeline" bank over the render-state record and switches, and the light, material
// and colour widgets.
#include <cstdio>

#include "bank/bank.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "gfx/screenshot.h"
#include "gfx/zvisual.h"

namespace {

const char* CullModes[] = {"None", "CW", "CCW"};
const char* FillModes[] = {"Point", "Wireframe", "Solid"};
const char* AntialiasModes[] = {"None", "Sort Dependent", "Sort Independent"};
const char* ShadeModes[] = {"Flat", "Gouraud"};
const char* FogModes[] = {"None", "Exp", "Exp**2", "Linear"};
const char* LightTypes[] = {"Point", "Spot", "Directional", "ParallelPoint"};

void LayersChanged() {
    gfxSetDCLayers(gfxDCLayers);
}

// A colour's bytes in memory: blue, green, red, alpha.
void AddColorBytes(bkBank* bank, const char* name, uint32_t* colour, bool alpha) {
    static const char* const suffixes[] = {" Red", " Green", " Blue", " Alpha"};
    static const int offsets[] = {2, 1, 0, 3};
    uint8_t* bytes = reinterpret_cast<uint8_t*>(colour);
    for (int i = 0; i < (alpha ? 4 : 3); ++i) {
        char title[64];
        snprintf(title, sizeof(title), "%s%s", name, suffixes[i]);
        bank->AddSlider(title, bytes + offsets[i], (uint8_t)0, (uint8_t)255, 1.0f,
                        gfxMarkAllDirty);
    }
}

void AddStatistic(bkBank* bank, const char* title, uint32_t* value) {
    bank->AddSlider(title, value, 0u, 100000u, 0.0f);
}

uint8_t* Byte(bool* flag) {
    return reinterpret_cast<uint8_t*>(flag);
}

}  // namespace

void gfxColorWidgets(bkBank* bank, const char* name, uint32_t* colour) {
    AddColorBytes(bank, name, colour, true);
}

void gfxColorWidgetsRGB(bkBank* bank, const char* name, uint32_t* colour) {
    AddColorBytes(bank, name, colour, false);
}

void gfxRenderStateBank(bkBank* bank) {
    gfxRenderState& s = gfxCurrentState;
    datCallback dirty(gfxMarkAllDirty);
    bank->AddButton("Save Screen Shot...", gfxScreenShotButton);
    bank->AddToggle("Textures", &gfxEnableTextures);
    bank->AddToggle("Depth Complexity", &gfxDepthComplexity);
    bank->AddSlider("D.C. Layers", &gfxDCLayers, 2, 16, 1.0f, LayersChanged);
    bank->AddCombo("Cull Mode", &s.m_CullMode, 3, CullModes, 1, dirty);
    bank->AddCombo("Fill Mode", &s.m_FillMode, 3, FillModes, 1, dirty);
    bank->AddToggle("Lighting", &s.m_Lighting, dirty);
    gfxColorWidgets(bank, "Ambient", &s.m_Ambient);
    bank->AddToggle("Z Test Enable", &s.m_ZEnable, dirty);
    bank->AddToggle("Z Write Enable", &s.m_ZWrite, dirty);
    bank->AddCombo("AA Mode", &s.m_Antialias, 3, AntialiasModes, 0, dirty);
    bank->AddToggle("Enable Tex PreLoad", &gfxEnableTexPreLoad);
    bank->AddToggle("Enable Specular", &s.m_Specular, dirty);
    bank->AddToggle("Normalize Normals", &s.m_NormalizeNormals, dirty);
    bank->AddToggle("Validate Device (SLOW)", &gfxValidateDevice);
    bank->AddToggle("Clipping - DANGER", &s.m_Clipping, dirty);
    bank->AddToggle("Texture Perspective", &s.m_TexturePerspective, dirty);
    bank->AddCombo("Shade Mode", &s.m_ShadeMode, 2, ShadeModes, 1, dirty);
    if (gfxUseOwnDevice) {
        bank->AddToggle("Subpixel Correction", &gfxSubpixelCorrection, dirty);
        bank->AddToggle("Subtexel Correction", &gfxSubtexelCorrection, dirty);
        bank->AddToggle("Plane Mask", &gfxPlaneMask, 0xFFFFFFFFu, dirty);
    }
    if (gfxUseSoftware) {
        bank->AddToggle("Visualize Z", &gfxVisualizeZ);
        bank->AddSlider("Z Near Thresh", &gfxZNearThresh, 0.0f, 1.0f, 0.01f);
        bank->AddSlider("Z Mid Thresh", &gfxZMidThresh, 0.0f, 1.0f, 0.01f);
    }
    bank->AddToggle("Use Int. Renderer", Byte(&gfxUseIntRenderer), dirty);
    bank->PushGroup("Fog", false);
    bank->AddToggle("Enable Fog Blend", &s.m_FogEnable, dirty);
    bank->AddCombo("Fog Mode", &s.m_FogVertexMode, 4, FogModes, 0, dirty);
    bank->AddToggle("Enable Range Fog", &s.m_RangeFog, dirty);
    bank->AddSlider("Fog Start", &s.m_FogStart, -10000.0f, 10000.0f, 1.0f, dirty);
    bank->AddSlider("Fog End", &s.m_FogEnd, -10000.0f, 10000.0f, 1.0f, dirty);
    bank->AddSlider("Fog Density", &s.m_FogDensity, -10.0f, 10.0f, 0.01f, dirty);
    gfxColorWidgets(bank, "Fog", &s.m_FogColor);
    bank->PopGroup();
    AddStatistic(bank, "Verts", &gfxStats.m_Verts);
    AddStatistic(bank, "Points", &gfxStats.m_Points);
    AddStatistic(bank, "Lines", &gfxStats.m_Lines);
    AddStatistic(bank, "Tris", &gfxStats.m_Tris);
    if (gfxUseSoftware) {
        AddStatistic(bank, "Int. Tris", &gfxStats.m_IntTris);
    }
    AddStatistic(bank, "State Changes", &gfxStats.m_StateChanges);
    AddStatistic(bank, "Texture Changes", &gfxStats.m_TextureChanges);
    bank->AddSlider("Frame Time (ms)", &gfxFrameTime, 0.0f, 10000.0f, 0.0f);
}

void gfxLightBank(bkBank* bank, D3DLIGHT7* light) {
    // A device without lights (the own software device) has no first light to edit.
    if (!light) {
        return;
    }
    datCallback refresh(gfxRefreshLights);
    bank->AddCombo("Type", reinterpret_cast<int32_t*>(&light->dltType), 4, LightTypes, 1, refresh);
    bank->AddVectorSlider("Diffuse", reinterpret_cast<Vector4*>(&light->dcvDiffuse), -10.0f, 10.0f,
                          0.01f, refresh);
    bank->AddVectorSlider("Specular", reinterpret_cast<Vector4*>(&light->dcvSpecular), -10.0f,
                          10.0f, 0.01f, refresh);
    bank->AddVectorSlider("Ambient", reinterpret_cast<Vector4*>(&light->dcvAmbient), -10.0f, 10.0f,
                          0.01f, refresh);
    bank->AddVectorSlider("Direction", reinterpret_cast<Vector3*>(&light->dvDirection), -1.0f,
                          1.0f, 0.01f, refresh);
    bank->AddVectorSlider("Position", reinterpret_cast<Vector3*>(&light->dvPosition), -10000.0f,
                          10000.0f, 0.01f, refresh);
    bank->AddSlider("Range", &light->dvRange, 0.0f, 10000.0f, 1.0f, refresh);
}

void gfxMaterialBank(bkBank* bank, gfxMaterial* material) {
    datCallback dirty(gfxMarkAllDirty);
    bank->AddVectorSlider("Diffuse", reinterpret_cast<Vector4*>(&material->diffuse), -10.0f, 10.0f,
                          0.01f, dirty);
    bank->AddVectorSlider("Ambient", reinterpret_cast<Vector4*>(&material->ambient), -10.0f, 10.0f,
                          0.01f, dirty);
    bank->AddVectorSlider("Specular", reinterpret_cast<Vector4*>(&material->specular), -10.0f,
                          10.0f, 0.01f, dirty);
    bank->AddVectorSlider("Emissive", reinterpret_cast<Vector4*>(&material->emissive), -10.0f,
                          10.0f, 0.01f, dirty);
    bank->AddSlider("Power", &material->power, -10.0f, 10.0f, 0.01f, dirty);
}
