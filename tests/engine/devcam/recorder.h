#ifndef TESTS_ENGINE_DEVCAM_RECORDER_H
#define TESTS_ENGINE_DEVCAM_RECORDER_H

#include <cstdio>
#include <string>
#include <vector>

#include "devcam/drawer.h"
#include "vector/matrix34.h"
#include "vector/vector3.h"

// A drawer that writes down every call, vertices rounded to hundredths, and installs itself
// while it lives.
class RecordingDrawer : public dcDrawer {
public:
    RecordingDrawer() : m_Previous(dcDraw) { dcDraw = this; }
    ~RecordingDrawer() override { dcDraw = m_Previous; }

    void Begin(int primitive) override { Add("Begin " + std::to_string(primitive)); }
    void Vertex(float x, float y, float z) override {
        char text[96];
        snprintf(text, sizeof(text), "Vertex %.2f %.2f %.2f", x, y, z);
        Add(text);
        m_Vertices.push_back({x, y, z});
    }
    void End() override { Add("End"); }
    void Color(uint32_t colour) override {
        char text[32];
        snprintf(text, sizeof(text), "Color %08X", colour);
        Add(text);
    }
    bool Enable(int capability, bool on) override {
        Add("Enable " + std::to_string(capability) + " " + std::to_string(on));
        return true;
    }
    void LoadMatrix(const Matrix34& world) override {
        m_Matrix = world;
        Add("LoadMatrix");
    }
    void LoadIdentity() override { Add("LoadIdentity"); }
    void Print(const Vector3& point, const char* text) override {
        char line[160];
        snprintf(line, sizeof(line), "Print %.2f %.2f %.2f %s", point.x, point.y, point.z, text);
        Add(line);
    }

    void Add(const std::string& call) { m_Calls.push_back(call); }

    struct Point {
        float x, y, z;
    };
    std::vector<std::string> m_Calls;
    std::vector<Point> m_Vertices;
    Matrix34 m_Matrix;

private:
    dcDrawer* m_Previous;
};

#endif
