// The geometry sets of the instances: loaded package by package from "geometry", each package
// once, with their shader tables, bounds and the cross-references of attached props.

#include "level/inst.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "data/asset.h"
#include "data/assert.h"
#include "data/hash.h"
#include "data/options.h"
#include "data/printer.h"
#include "model/itemread.h"
#include "model/package.h"
#include "model/shader.h"
#include "model/static.h"
#include "phbound/boundbox.h"
#include "phbound/boundgeometry.h"
#include "phbound/boundterrain.h"

int lvlInstance::sm_GeomSetCount = 0;

namespace {

const char* const NoSetName = "(none)";
const char* const LodSuffixes[4] = {"%s_H", "%s_M", "%s_L", "%s_VL"};
const uint32_t XrefRecordSize = 80;

lvlGeomSet sSets[lvlInstance::MaxGeomSets];
std::string sSetNames[lvlInstance::MaxGeomSets];
HashTable sSetIndices(lvlInstance::HashSlots);
HashTable sXrefIndices(lvlInstance::HashSlots);
std::vector<std::vector<uint8_t>> sXrefBlocks;

// A package's shader tables, shared by every set loaded from it and freed with the sets.
struct ShaderTable {
    modShader** m_Variants;
    int m_VariantCount;
    int m_PerVariant;
};
std::vector<ShaderTable> sShaderTables;

// The package being loaded (PKG) and the first set loaded from it.
std::unique_ptr<modPackage> sPackage;
std::string sPackageName;
int sPackageFirstSet = 0;

// The box of a placement matrix: rows a, b and c are its edges, d its centre.
phBound* BoxFromMatrix(const Matrix34& m) {
    phBoundBox* box = new phBoundBox(Vector3(m.a.Mag(), m.b.Mag(), m.c.Mag()));
    box->SetCentroidOffset(m.d);
    return box;
}

// "<set>_bound": a box from the matrix file of that name in "geometry", else the geometry
// bound of that name in "bound".
phBound* LoadSetBound(const char* setName) {
    std::string name = std::string(setName) + "_bound";
    Matrix34 matrix;
    if (modLoadMatrix(matrix, setName, "bound")) {
        return BoxFromMatrix(matrix);
    }
    if (datAssetManager::Exists("bound", name.c_str(), "bnd")) {
        std::unique_ptr<phBoundGeometry> geometry(new phBoundGeometry);
        if (geometry->Load(name.c_str())) {
            return geometry.release();
        }
    }
    FatalQuit("Object %s needs a bound called %s", setName, name.c_str());
}

}  // namespace

bool lvlInstance::IsGeomOpen() {
    return sPackage != nullptr;
}

lvlGeomSet* lvlInstance::GetGeomSetAt(int index) {
    return index > 0 && index <= sm_GeomSetCount ? &sSets[index] : nullptr;
}

const char* lvlInstance::GetGeomNameAt(int index) {
    return index > 0 && index <= sm_GeomSetCount ? sSetNames[index].c_str() : NoSetName;
}

int lvlInstance::BeginGeom(const char* name, const char* setName, int flags) {
    AssertText(!sPackage, "!PKG");
    uintptr_t known = 0;
    if (sSetIndices.Lookup(name, known)) {
        return int(known);
    }
    std::unique_ptr<modPackage> package(new modPackage);
    if (!package->Open("geometry", name)) {
        sSetIndices.Insert(name, 0);
        return 0;
    }
    sPackage = std::move(package);
    sPackageName = name;
    sPackageFirstSet = sm_GeomSetCount + 1;
    int index = LoadGeom(setName, flags);
    sSetIndices.Insert(name, uintptr_t(index));
    return index;
}

int lvlInstance::LoadGeom(const char* setName, int flags) {
    AssertText(sPackage, "PKG");
    AssertText(sm_GeomSetCount + 1 < MaxGeomSets, "GeomSetCount < MaxGeomSets");
    int index = ++sm_GeomSetCount;
    lvlGeomSet& set = sSets[index];
    set = lvlGeomSet{};
    sSetNames[index] = setName;
    bool any = false;
    for (int lod = 0; lod < 4; ++lod) {
        char item[96];
        snprintf(item, sizeof(item), LodSuffixes[lod], setName);
        float radius = 0.0f;
        set.m_Models[lod] = modStatic::LoadMeasured(item, radius);
        if (set.m_Models[lod]) {
            set.m_Radius = std::max(set.m_Radius, radius);
            any = true;
        }
    }
    if (set.m_Models[lvlGeomSet::High] && !set.m_Models[lvlGeomSet::Medium] &&
        !set.m_Models[lvlGeomSet::Low]) {
        PrintWarning("%s: Missing medium and low LOD's", setName);
    }
    if (flags & GEOM_BOUND) {
        set.m_Bound = LoadSetBound(setName);
    }
    if (!any && !(flags & GEOM_OPTIONAL)) {
        FatalQuit("%s: Required object totally missing", setName);
    }
    set.m_Flags = uint8_t(flags);
    return index;
}

void lvlInstance::EndGeom() {
    if (!sPackage) {
        return;
    }
    Stream* stream = sPackage->OpenFile("shaders");
    int variants = 0;
    int perVariant = 0;
    modShader** shaders =
        stream ? modShader::LoadShaders(stream, &variants, &perVariant, true) : nullptr;
    if (!shaders) {
        FatalQuit("EndGeom: Missing shaders, or unread geometry in package");
    }
    sPackage->CloseFile();
    sShaderTables.push_back({shaders, variants, perVariant});
    Assert(variants < 256);
    Assert(perVariant < 256);

    if (Stream* xrefs = sPackage->OpenFile("xrefs")) {
        modItemReader reader(xrefs);
        uint32_t count = reader.U32();
        if (reader.Fits(count, XrefRecordSize)) {
            std::vector<uint8_t> block(4 + size_t(count) * XrefRecordSize);
            memcpy(block.data(), &count, 4);
            reader.Bytes(block.data() + 4, count * XrefRecordSize);
            sXrefBlocks.push_back(std::move(block));
            sXrefIndices.Insert(sPackageName.c_str(), sXrefBlocks.size());
        } else {
            PrintError("EndGeom: %u x-refs do not fit in package '%s'", count,
                       sPackageName.c_str());
        }
        sPackage->CloseFile();
    }
    for (int i = sPackageFirstSet; i <= sm_GeomSetCount; ++i) {
        sSets[i].m_Shaders = shaders;
        sSets[i].m_VariantCount = uint8_t(variants);
    }
    sPackage->Close();
    sPackage.reset();
}

const uint8_t* lvlInstance::GetXrefs(const char* name, uint32_t& bytes) {
    uintptr_t number = 0;
    if (!sXrefIndices.Lookup(name, number) || number == 0 || number > sXrefBlocks.size()) {
        bytes = 0;
        return nullptr;
    }
    const std::vector<uint8_t>& block = sXrefBlocks[number - 1];
    bytes = uint32_t(block.size());
    return block.data();
}

void lvlInstance::LoadBound(const char* name) {
    lvlGeomSet* set = GetGeomSetAt(m_GeomIndex);
    if (!set || set->m_Bound) {
        return;
    }
    std::string boundName = std::string(name) + "_bound";
    const char* bound = boundName.c_str();
    if (!HasOption("noterrain") && datAssetManager::Exists("bound", bound, "ter")) {
        std::unique_ptr<phBoundTerrain> terrain(new phBoundTerrain);
        if (terrain->Load(bound)) {
            set->m_Bound = terrain.release();
        } else {
            PrintError("Malformed terrain :%s", bound);
        }
        return;
    }
    // A set without bound files collides through the shared boxes of GetBound.
    if (!datAssetManager::Exists("bound", bound, "bnd")) {
        return;
    }
    std::unique_ptr<phBoundGeometry> geometry(new phBoundGeometry);
    if (geometry->Load(bound)) {
        set->m_Bound = geometry.release();
    } else {
        PrintError("Malformed bound :%s", bound);
    }
}

void lvlInstance::ForgetGeomSets() {
    sPackage.reset();
    for (int i = 1; i <= sm_GeomSetCount; ++i) {
        for (modStatic*& model : sSets[i].m_Models) {
            delete model;
        }
        delete sSets[i].m_Bound;
        sSets[i] = lvlGeomSet{};
        sSetNames[i].clear();
    }
    for (const ShaderTable& table : sShaderTables) {
        modShader::FreeShaders(table.m_Variants, table.m_VariantCount, table.m_PerVariant);
    }
    sShaderTables.clear();
    sXrefBlocks.clear();
    sSetIndices.Kill();
    sXrefIndices.Kill();
    sm_GeomSetCount = 0;
}
