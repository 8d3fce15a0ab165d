#ifndef TESTS_GAME_LEVEL_PATHFIXTURE_H
#define TESTS_GAME_LEVEL_PATHFIXTURE_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "level/pathdrawer.h"
#include "level/pathmouse.h"
#include "level/pathset.h"

// Stand-ins for the layers above paths: a drawer that writes down every call, and a mouse
// whose events, keys and picks a test scripts.

class DrawRecorder : public qvPathDrawer {
public:
    DrawRecorder() : m_Previous(PathDrawer) { PathDrawer = this; }
    ~DrawRecorder() override { PathDrawer = m_Previous; }

    void BindTexture(const char* name) override {
        m_Calls.push_back(std::string("texture ") + (name ? name : "none"));
    }
    void SetZFunction(int function) override { m_Calls.push_back("z " + std::to_string(function)); }
    void Begin(int primitive) override { m_Calls.push_back("begin " + std::to_string(primitive)); }
    void Vertex(const Vector3& p, uint32_t colour, float u, float v) override {
        m_Calls.push_back("vertex " + Point(p) + " " + Hex(colour) + " " + Number(u) + " " +
                          Number(v));
    }
    void End() override { m_Calls.push_back("end"); }
    void Marker(const Vector3& p, uint32_t colour) override {
        m_Calls.push_back("marker " + Point(p) + " " + Hex(colour));
    }
    void Label(const Vector3& p, const char* text) override {
        m_Calls.push_back("label " + Point(p) + " " + text);
    }

    static std::string Number(float f) {
        char text[32];
        snprintf(text, sizeof(text), "%g", double(f));
        return text;
    }
    static std::string Point(const Vector3& p) {
        return Number(p.x) + "," + Number(p.y) + "," + Number(p.z);
    }
    static std::string Hex(uint32_t colour) {
        char text[16];
        snprintf(text, sizeof(text), "%08X", colour);
        return text;
    }

    std::vector<std::string> m_Calls;
    qvPathDrawer* m_Previous;
};

// Client point (x, y) looks straight down on the ground point (x, 0, y) from y = 10 to y = -10,
// unless m_RayStart and m_RayEnd are set. The mouse stands at (m_MouseX, m_MouseY), and a
// point's screen distance is its distance in x and z from there.
class ScriptedMouse : public qvPathMouse {
public:
    ScriptedMouse() : m_Previous(PathMouse) { PathMouse = this; }
    ~ScriptedMouse() override { PathMouse = m_Previous; }

    void Post(uint32_t type, int x = 0, int y = 0) { m_Events.push_back({type, x, y, 0}); }

    bool PeekEvent(qvPathEvent& event, uint32_t& cursor) override {
        if (cursor >= m_Events.size()) {
            return false;
        }
        event = m_Events[cursor++];
        return true;
    }
    bool ShiftHeld() override { return m_Shift; }
    int Wheel() override { return m_Wheel; }
    float PointDistance(const Vector3& p) override {
        float dx = p.x - m_MouseX;
        float dz = p.z - m_MouseY;
        return dx * dx + dz * dz;
    }
    bool RayFromScreen(int x, int y, Vector3& start, Vector3& end) override {
        m_Rays.push_back({x, y});
        if (m_Fixed) {
            start = m_RayStart;
            end = m_RayEnd;
        } else {
            start = Vector3(float(x), 10.0f, float(y));
            end = Vector3(float(x), -10.0f, float(y));
        }
        return true;
    }

    std::vector<qvPathEvent> m_Events;
    std::vector<std::pair<int, int>> m_Rays;
    bool m_Shift = false;
    int m_Wheel = 0;
    float m_MouseX = 0.0f;
    float m_MouseY = 0.0f;
    bool m_Fixed = false;
    Vector3 m_RayStart;
    Vector3 m_RayEnd;
    qvPathMouse* m_Previous;
};

inline qvPathVertex PathVertex(float x, float y, float z, uint32_t word = 0) {
    return qvPathVertex{Vector3(x, y, z), word};
}

// A path through the points, in order; its current vertex is then past the end.
inline void AddPoints(qvPath& path, const std::vector<Vector3>& points) {
    for (const Vector3& p : points) {
        path.InsertVertex(qvPathVertex{p, 0}, path.GetVertexCount());
    }
}

// Little-endian file bytes put together by hand.
struct FileBytes {
    FileBytes& U32(uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            m_Bytes += char(value >> (8 * i));
        }
        return *this;
    }
    FileBytes& F32(float value) {
        uint32_t bits;
        memcpy(&bits, &value, 4);
        return U32(bits);
    }
    FileBytes& Bytes(const std::string& bytes) {
        m_Bytes += bytes;
        return *this;
    }
    FileBytes& Name(const std::string& name) {
        std::string field = name;
        field.resize(qvPath::NAME_SIZE, '\0');
        return Bytes(field);
    }
    FileBytes& Byte(uint8_t value) {
        m_Bytes += char(value);
        return *this;
    }
    std::string m_Bytes;
};

#endif
