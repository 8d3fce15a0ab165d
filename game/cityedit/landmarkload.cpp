// A landmark's model from its package in "geometry" and its join line from "scene".

#include "cityedit/landmark.h"

#include "cityedit/joinfile.h"
#include "data/asset.h"
#include "data/printer.h"
#include "model/package.h"
#include "model/shader.h"
#include "model/static.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>

namespace {

// A join line longer than this does not fit the landmark's point count.
const uint32_t MaxJoinPoints = 255;

struct LandmarkModel {
    modStatic* m_Models[BlockLandmark::LevelCount] = {};
    modStatic* m_Masks[BlockLandmark::LevelCount] = {};
    modShader** m_Shaders = nullptr;
    Vector3 m_Offset{0.0f, 0.0f, 0.0f};
};

// Landmarks and their copies share the model fields, so the models of a package are loaded
// once and kept for the run, as textures are.
std::map<std::string, LandmarkModel>& LoadedModels() {
    static std::map<std::string, LandmarkModel>* models = new std::map<std::string, LandmarkModel>;
    return *models;
}

// The items stand in the package in this order; a missing one is passed over.
LandmarkModel LoadPackage(const char* name) {
    LandmarkModel model;
    modPackage package;
    if (!package.Open("geometry", name)) {
        return model;
    }
    const char* const meshes[] = {"H", "M", "L", "VL"};
    const char* const masks[] = {"mask_H", "mask_M", "mask_L", "mask_VL"};
    for (int i = 0; i < BlockLandmark::LevelCount; ++i) {
        model.m_Models[BlockLandmark::LevelH - i] = modStatic::Load(meshes[i]);
    }
    for (int i = 0; i < BlockLandmark::LevelCount; ++i) {
        model.m_Masks[BlockLandmark::LevelH - i] = modStatic::Load(masks[i]);
    }
    if (Stream* stream = package.OpenFile("shaders")) {
        model.m_Shaders = modShader::LoadShaders(stream, nullptr, nullptr, true);
        package.CloseFile();
    }
    if (Stream* stream = package.OpenFile("offset")) {
        ReadModelOffset(stream, name, model.m_Offset);
        package.CloseFile();
    }
    return model;
}

// Packages are told apart by the file they come from, so that the same name under another
// asset root is another model.
const LandmarkModel& FindModel(const std::string& name) {
    char path[datAssetManager::MaxName];
    std::string key = datAssetManager::FullPath(path, sizeof(path), "geometry", name.c_str(), "pkg")
                          ? path
                          : name;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    auto found = LoadedModels().find(key);
    if (found == LoadedModels().end()) {
        found = LoadedModels().emplace(key, LoadPackage(name.c_str())).first;
    }
    return found->second;
}

}  // namespace

void LoadLandmarkModel(BlockLandmark& landmark) {
    const LandmarkModel& model = FindModel(landmark.m_Name);
    std::copy_n(model.m_Models, BlockLandmark::LevelCount, landmark.m_Models);
    std::copy_n(model.m_Masks, BlockLandmark::LevelCount, landmark.m_Masks);
    landmark.m_Shaders = model.m_Shaders;
    if (landmark.m_Fixed) {
        landmark.m_Position = model.m_Offset;
        landmark.m_Offset = Vector3(0.0f, 0.0f, 0.0f);
    } else {
        landmark.m_Position += model.m_Offset - landmark.m_Offset;
        landmark.m_Offset = model.m_Offset;
    }
    // A damaged join file is reported by its reader; a missing one here.
    if (!ReadJoinFile(landmark.m_Name.c_str(), landmark.m_JoinPoints, MaxJoinPoints) &&
        !datAssetManager::Exists("scene", landmark.m_Name.c_str(), "join")) {
        PrintError("Join file not found for %s, cannot sew up.", landmark.m_Name.c_str());
    }
    for (Vector3& p : landmark.m_JoinPoints) {
        p -= model.m_Offset;
    }
}
