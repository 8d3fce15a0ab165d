#ifndef TESTS_GAME_CITYEDIT_EMITFIXTURE_H
#define TESTS_GAME_CITYEDIT_EMITFIXTURE_H

#include "city/psdl.h"
#include "cityedit/psdltool.h"
#include "vector/matrix34.h"

#include <cstdio>
#include <string>
#include <vector>

// A city without vertices, floats or textures, whose room slots 1 to count - 1 hold empty
// rooms.
inline void MakeEmptyCity(lvlPSDL& city, uint32_t count = 4) {
    lvlPSDL::AllocateVertices(0);
    lvlPSDL::AllocateTextures(1);
    lvlPSDL::AllocateFloats(0);
    city.AllocateRooms(count);
    for (uint32_t i = 1; i < count; ++i) {
        city.m_Rooms[i].reset(lvlSDL::Create(0, 0));
    }
    PsdlTool::sm_TextureHash.Init(101);
}

// What draw mode sends to the immediate-mode layer, as text: each primitive ends in ';'.
// Models drawn are kept as well, with their matrices.
class EmitRecorder : public lvlEmitDrawer {
public:
    void BeginFan() override { m_Log += "fan"; }
    void BeginLineStrip() override { m_Log += "strip"; }
    void Colour(uint32_t colour) override {
        char text[24];
        snprintf(text, sizeof(text), "colour %08X;", colour);
        m_Log += text;
    }
    void Vertex(float x, float y, float z, float u, float v) override {
        char text[96];
        snprintf(text, sizeof(text), " (%g %g %g|%g %g)", x, y, z, u, v);
        m_Log += text;
    }
    void End() override { m_Log += ";"; }
    void BindTexture(gfxTexture* texture) override { m_Log += texture ? "tex;" : "notex;"; }
    void DrawModel(const Matrix34& matrix, modStatic* model, modShader* shaders) override {
        m_Log += "model at " + std::to_string(int(matrix.d.x)) + ";";
        m_Models.push_back({matrix, model, shaders});
    }
    void Print(const Vector3& p, const char* text) override {
        char line[160];
        snprintf(line, sizeof(line), "print (%g %g %g) %s;", p.x, p.y, p.z, text);
        m_Log += line;
    }

    // The log's entries that begin with the prefix, each without its ';'.
    std::vector<std::string> Entries(const std::string& prefix) const {
        std::vector<std::string> entries;
        for (size_t at = 0; at < m_Log.size();) {
            size_t end = m_Log.find(';', at);
            std::string entry = m_Log.substr(at, end - at);
            if (entry.compare(0, prefix.size(), prefix) == 0) {
                entries.push_back(entry);
            }
            at = end == std::string::npos ? m_Log.size() : end + 1;
        }
        return entries;
    }

    struct Model {
        Matrix34 m_Matrix;
        modStatic* m_Model;
        modShader* m_Shaders;
    };
    std::string m_Log;
    std::vector<Model> m_Models;
};

#endif
