#ifndef TESTS_ENGINE_PHBOUND_STROKES_H
#define TESTS_ENGINE_PHBOUND_STROKES_H

#include <vector>

#include "phcore/debuglines.h"

// Installs itself as the debug line drawer while it lives and keeps every primitive drawn:
// its kind, colour and vertices, and the lighting state it was drawn in.
class StrokeRecorder : public phDebugLineDrawer {
public:
    struct Stroke {
        int primitive;
        uint32_t colour;
        bool lit;
        std::vector<Vector3> points;
    };

    StrokeRecorder() : m_Previous(DebugLineDrawer) { DebugLineDrawer = this; }
    ~StrokeRecorder() override { DebugLineDrawer = m_Previous; }

    bool Enable(int, bool on) override {
        bool previous = m_Lighting;
        m_Lighting = on;
        return previous;
    }
    void LoadIdentity() override {}
    void UnbindTextures() override {}
    void Color(uint32_t colour) override { m_Colour = colour; }
    void Begin(int primitive) override { m_Strokes.push_back({primitive, m_Colour, m_Lighting, {}}); }
    void Vertex(float x, float y, float z) override {
        m_Strokes.back().points.push_back(Vector3(x, y, z));
    }
    void End() override {}

    bool m_Lighting = true;
    uint32_t m_Colour = 0;
    std::vector<Stroke> m_Strokes;

private:
    phDebugLineDrawer* m_Previous;
};

#endif
