// A landmark's model from its package in "geometry" and its join line from "scene".

#include "cityedit/landmark.h"

#include "data/asset.h"
#include "data/printer.h"
#include "data/streamfields.h"
#include "model/package.h"
#include "model/shader.h"
#include "model/static.h"

#include <algorithm>
#include <cctype>
#include <cstring>
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

// Landmarks and their copies share the model fields, so the models of a name are loaded once
// and kept for the run, as textures are.
std::map<std::string, LandmarkModel>& LoadedModels() {
    static std::map<std::string, LandmarkModel>* models = new std::map<std::string, LandmarkModel>;
    return *models;
}

bool ReadFloat(Stream* stream, float& value) {
    uint32_t bits;
    if (!StreamReadU32(stream, bits)) {
        return false;
    }
    std::memcpy(&value, &bits, 4);
    return true;
}

bool ReadPoint(Stream* stream, Vector3& p) {
    return ReadFloat(stream, p.x) && ReadFloat(stream, p.y) && ReadFloat(stream, p.z);
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
        Vector3 offset;
        if (ReadPoint(stream, offset)) {
            model.m_Offset = offset;
        }
        package.CloseFile();
    }
    return model;
}

const LandmarkModel& FindModel(const std::string& name) {
    std::string key = name;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    auto found = LoadedModels().find(key);
    if (found == LoadedModels().end()) {
        found = LoadedModels().emplace(key, LoadPackage(name.c_str())).first;
    }
    return found->second;
}

// The join line as stored, or nothing when the file is missing or damaged.
std::vector<Vector3> ReadJoinLine(const std::string& name) {
    std::vector<Vector3> points;
    Stream* stream = datAssetManager::Open("scene", name.c_str(), "join", true);
    if (!stream) {
        PrintError("Join file not found for %s, cannot sew up.", name.c_str());
        return points;
    }
    uint32_t count = 0;
    bool whole = StreamReadU32(stream, count);
    if (whole && count > MaxJoinPoints) {
        PrintError("Join file for %s holds %u points; at most %u can be sewn.", name.c_str(),
                   count, MaxJoinPoints);
        whole = false;
    }
    for (uint32_t i = 0; whole && i < count; ++i) {
        Vector3 p;
        whole = ReadPoint(stream, p);
        points.push_back(p);
    }
    StreamClose(stream);
    if (!whole) {
        if (count <= MaxJoinPoints) {
            PrintError("Join file for %s is cut short.", name.c_str());
        }
        points.clear();
    }
    return points;
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
    landmark.m_JoinPoints = ReadJoinLine(landmark.m_Name);
    for (Vector3& p : landmark.m_JoinPoints) {
        p -= model.m_Offset;
    }
}
