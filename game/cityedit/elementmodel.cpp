// The models, shaders, join lines and textures of catalogue elements, loaded on first use and
// kept for the rest of the run.
#include "cityedit/catalog.h"

#include "cityedit/joinfile.h"
#include "data/printer.h"
#include "gfx/texreg.h"
#include "model/package.h"
#include "model/shader.h"
#include "model/static.h"

#include <algorithm>
#include <cfloat>

namespace {

// Below this a join line has no extent along an axis.
const float smallestJoinExtent = 0.01f;

void LoadShaderSet(modPackage& package, modShader**& shaders, int32_t& variants,
                   int32_t& perVariant) {
    variants = 0;
    perVariant = 0;
    if (Stream* stream = package.OpenFile("shaders")) {
        int count = 0;
        int per = 0;
        shaders = modShader::LoadShaders(stream, &count, &per, true);
        package.CloseFile();
        if (shaders) {
            variants = count;
            perVariant = per;
        }
    }
}

}  // namespace

modStatic* SurfaceElement::GetModel(int level) {
    if (!m_ModelLoaded) {
        LoadModel();
    }
    if (level < LevelVL || level > LevelH) {
        level = LevelH;
    }
    return m_Models[level] ? m_Models[level] : m_Models[LevelH];
}

void SurfaceElement::LoadModel() {
    m_ModelLoaded = true;
    modPackage package;
    if (!package.Open("geometry", m_Name.c_str())) {
        return;
    }
    // Items stand in the package in this order.
    modStatic* h = modStatic::Load("H");
    modStatic* m = modStatic::Load("M");
    modStatic* l = modStatic::Load("L");
    modStatic* vl = modStatic::Load("VL");
    m_Masks[LevelH] = modStatic::Load("mask_H");
    m_Masks[LevelM] = modStatic::Load("mask_M");
    m_Masks[LevelL] = modStatic::Load("mask_L");
    m_Masks[LevelVL] = m_Masks[LevelL];
    m_Models[LevelVL] = vl;
    m_Models[LevelL] = l ? l : m_Models[LevelVL];
    m_Models[LevelM] = m ? m : m_Models[LevelL];
    m_Models[LevelH] = h ? h : m_Models[LevelM];
    if (!m_Models[LevelH]) {
        PrintError("Model '%s' not found.", m_Name.c_str());
    }
    LoadShaderSet(package, m_Shaders, m_VariantCount, m_ShadersPerVariant);
    PrintMessage("Model '%s' has %d variants.", m_Name.c_str(), m_VariantCount);
    package.Close();
    if (!m_Models[LevelH]) {
        return;
    }
    std::vector<Vector3> join;
    if (!ReadJoinFile(m_Name.c_str(), join, UINT32_MAX)) {
        return;
    }
    float minX = FLT_MAX, maxX = -FLT_MAX, minY = FLT_MAX, maxY = -FLT_MAX;
    for (const Vector3& p : join) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    // A line without extent along an axis would scale by infinity: the element then keeps
    // drawing as a plain one.
    bool wide = maxX - minX >= smallestJoinExtent;
    bool high = maxY - minY >= smallestJoinExtent;
    if (!wide) {
        PrintError("GetModel - Bad JOIN line [X axis]");
    }
    if (!high) {
        PrintError("GetModel - Bad JOIN line [Y axis]");
    }
    if (wide && high) {
        m_InvJoinWidth = 1.0f / (maxX - minX);
        m_InvJoinHeight = 1.0f / (maxY - minY);
    }
}

void SurfaceElement::FreeModel() {
    // Levels share models where one stands in for a missing one.
    modStatic* seen[2 * LevelCount] = {};
    int seenCount = 0;
    for (modStatic* model : {m_Models[0], m_Models[1], m_Models[2], m_Models[3], m_Masks[0],
                             m_Masks[1], m_Masks[2], m_Masks[3]}) {
        if (model && std::find(seen, seen + seenCount, model) == seen + seenCount) {
            seen[seenCount++] = model;
            delete model;
        }
    }
    modShader::FreeShaders(m_Shaders, m_VariantCount, m_ShadersPerVariant);
}

modShader* SurfaceElement::GetShaders(int variant) {
    GetModel(LevelH);
    if (!m_Shaders || m_VariantCount <= 0) {
        return nullptr;
    }
    int index = variant % m_VariantCount;
    return m_Shaders[index < 0 ? index + m_VariantCount : index];
}

gfxTexture* SurfaceElement::GetTexture() {
    if (!m_TextureLooked) {
        m_TextureLooked = true;
        // An animated texture keeps the slot and moves it on through its frames.
        gfxGetAnimTexture(&m_Texture, m_Name.c_str(), 1);
    }
    return m_Texture;
}

PropElement::~PropElement() {
    delete m_Model;
    modShader::FreeShaders(m_Shaders, m_VariantCount, m_ShadersPerVariant);
}

modStatic* PropElement::GetModel() {
    if (m_ModelLoaded) {
        return m_Model;
    }
    m_ModelLoaded = true;
    modPackage package;
    if (!package.Open("geometry", m_Name.c_str())) {
        return nullptr;
    }
    m_Model = modStatic::Load("H");
    // The lower levels are read past, not kept.
    delete modStatic::Load("M");
    delete modStatic::Load("L");
    LoadShaderSet(package, m_Shaders, m_VariantCount, m_ShadersPerVariant);
    package.Close();
    return m_Model;
}
