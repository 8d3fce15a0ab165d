#ifndef TESTS_GAME_BANGER_TUNING_H
#define TESTS_GAME_BANGER_TUNING_H

#include <string>
#include <vector>

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <utility>

#include "data/stream.h"
#include "data/versionedtoken.h"
#include "tests/support/scratch.h"
#include "vector/vector3.h"

// Banger tuning files written by the tests themselves, in text and binary form, from one set
// of values; the defaults are a record whose every field differs from the reader's defaults.
struct Tuning {
    int AudioId = 7;
    Vector3 Size{1.0f, 2.0f, 0.5f};
    Vector3 CG{0.0f, 0.25f, 0.0f};
    bool NumGlowsLine = true;
    std::vector<Vector3> Glows{{0.5f, 1.0f, 0.0f}, {-0.5f, 1.0f, 0.0f}};
    float Mass = 75.5f;
    float Elasticity = 0.25f;
    float Friction = 1.5f;
    float ImpulseLimit2 = 250000.0f;
    int SpinAxis = 1;
    int Flash = 3;
    int NumParts = 2;
    int InitialBlast = 3;
    int BirthFlags = 19;
    int TexNumber = 4;
    int BillFlags = 144;
    float YRadius = 0.4f;
    // Without the tail the file ends after YRadius.
    bool Tail = true;
    int ColliderId = -12;
    int CollisionPrim = 3;
    int CollisionType = 68;
};

namespace tuning {

// The birth rule's block, label and value, in the order the file holds them.
struct RuleField {
    const char* m_Label;
    int m_Count;  // 3 floats, 1 float, or 0 for an integer
    float m_Value;
};

inline std::vector<RuleField> RuleFields(const Tuning& t) {
    return {{"Position", 3, 1.5f},   {"PositionVar", 3, 0.0f},
            {"Velocity", 3, 5.0f},   {"VelocityVar", 3, 1.0f},
            {"Life", 1, 1.0f},       {"Mass", 1, 1.0f},
            {"MassVar", 1, 1.0f},    {"Radius", 1, 0.25f},
            {"RadiusVar", 1, 1.0f},  {"Drag", 1, 1.0f},
            {"DragVar", 1, 1.0f},    {"DRadius", 1, 1.0f},
            {"DRadiusVar", 1, 1.0f}, {"DAlpha", 0, 3},
            {"DAlphaVar", 0, 3},     {"DRotation", 0, 3},
            {"DRotationVar", 0, 3},  {"InitialBlast", 0, float(t.InitialBlast)},
            {"SpewRate", 1, 2.5f},   {"SpewTimeLimit", 1, 0},
            {"Gravity", 1, -9.5f},   {"TexFrameStart", 0, 0},
            {"TexFrameEnd", 0, 3},   {"BirthFlags", 0, float(t.BirthFlags)}};
}

inline std::string Line(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

inline std::string Vec(const Vector3& v) { return Line("%f\t%f\t%f", v.x, v.y, v.z); }

inline void MakeFolders(const std::string& root, const std::string& path) {
    std::string at = root;
    size_t start = 0;
    for (size_t sep = path.find('\\'); sep != std::string::npos; sep = path.find('\\', start)) {
        at += "\\" + path.substr(start, sep - start);
        CreateDirectoryA(at.c_str(), nullptr);
        start = sep + 1;
    }
}

}  // namespace tuning

inline std::string TuningText(const Tuning& t) {
    std::string s = "type: a\nqvBangerData {\n";
    s += tuning::Line("  AudioId %d\n  Size %s\n  CG %s\n", t.AudioId, tuning::Vec(t.Size).c_str(),
                      tuning::Vec(t.CG).c_str());
    if (t.NumGlowsLine) s += tuning::Line("  NumGlows %d\n", int(t.Glows.size()));
    for (const Vector3& g : t.Glows) s += "  GlowOffset " + tuning::Vec(g) + "\n";
    s += tuning::Line("  Mass %f\n  Elasticity %f\n  Friction %f\n  ImpulseLimit2 %f\n", t.Mass,
                      t.Elasticity, t.Friction, t.ImpulseLimit2);
    s += tuning::Line("  SpinAxis %d\n  Flash %d\n  NumParts %d\n  BirthRule {\n", t.SpinAxis,
                      t.Flash, t.NumParts);
    for (const tuning::RuleField& f : tuning::RuleFields(t)) {
        if (f.m_Count == 3)
            s += tuning::Line("    %s %f %f %f\n", f.m_Label, f.m_Value, f.m_Value, f.m_Value);
        else if (f.m_Count == 1)
            s += tuning::Line("    %s %f\n", f.m_Label, f.m_Value);
        else
            s += tuning::Line("    %s %d\n", f.m_Label, int(f.m_Value));
    }
    s += tuning::Line("  }\n  TexNumber %d\n  BillFlags %d\n  YRadius %f\n", t.TexNumber,
                      t.BillFlags, t.YRadius);
    if (t.Tail) {
        s += tuning::Line("  ColliderId %d\n  CollisionPrim %d\n  CollisionType %d\n", t.ColliderId,
                          t.CollisionPrim, t.CollisionType);
    }
    return s + "}\n";
}

// Written to path (a full file name); its contents are returned.
inline std::string TuningBinary(const Tuning& t, const std::string& path) {
    Stream* stream = StreamCreate(path.c_str());
    VersionedTokenReader versioned;
    TokenReader* w = versioned.BeginWrite(path.c_str(), stream, true, "type: b");
    auto label = [w](const char* text) { w->PutString(text, 0); };
    label("qvBangerData");
    label("{");
    w->PutInt(t.AudioId);
    w->PutVector3(t.Size);
    w->PutVector3(t.CG);
    if (t.NumGlowsLine) {
        label("NumGlows");
        w->PutInt(int(t.Glows.size()));
    }
    for (const Vector3& g : t.Glows) w->PutVector3(g);
    const std::pair<const char*, float> floats[] = {{"Mass", t.Mass},
                                                    {"Elasticity", t.Elasticity},
                                                    {"Friction", t.Friction},
                                                    {"ImpulseLimit2", t.ImpulseLimit2}};
    for (const auto& f : floats) {
        label(f.first);
        w->PutFloat(f.second);
    }
    const std::pair<const char*, int> ints[] = {
        {"SpinAxis", t.SpinAxis}, {"Flash", t.Flash}, {"NumParts", t.NumParts}};
    for (const auto& i : ints) {
        label(i.first);
        w->PutInt(i.second);
    }
    label("BirthRule");
    label("{");
    for (const tuning::RuleField& f : tuning::RuleFields(t)) {
        label(f.m_Label);
        if (f.m_Count == 3)
            w->PutVector3(Vector3(f.m_Value, f.m_Value, f.m_Value));
        else if (f.m_Count == 1)
            w->PutFloat(f.m_Value);
        else
            w->PutInt(int(f.m_Value));
    }
    label("}");
    label("TexNumber");
    w->PutInt(t.TexNumber);
    label("BillFlags");
    w->PutInt(t.BillFlags);
    label("YRadius");
    w->PutFloat(t.YRadius);
    if (t.Tail) {
        const std::pair<const char*, int> tail[] = {{"ColliderId", t.ColliderId},
                                                    {"CollisionPrim", t.CollisionPrim},
                                                    {"CollisionType", t.CollisionType}};
        for (const auto& i : tail) {
            label(i.first);
            w->PutInt(i.second);
        }
    }
    label("}");
    StreamClose(stream);
    return ReadWholeFile(path);
}

// Under the asset root: "tune\\banger\\<name>.qvBangerData", folders made as needed.
inline void WriteTuning(const std::string& root, const std::string& name,
                        const std::string& contents) {
    std::string path = "tune\\banger\\" + name + ".qvBangerData";
    tuning::MakeFolders(root, path);
    WriteWholeFile(root + "\\" + path, contents);
}

// A closed tetrahedron as the text bound "bound\\<name>.bnd", corners at the origin and at 1
// along each axis.
inline void WriteTetraBound(const std::string& root, const std::string& name) {
    std::string path = "bound\\" + name + ".bnd";
    tuning::MakeFolders(root, path);
    WriteWholeFile(root + "\\" + path,
                   "version: 1.01\n"
                   "verts: 4 materials: 1 edges: 0 polys: 4\n"
                   "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
                   "mtl m {\n\telasticity: 0.1\n\tfriction: 0.5\n\teffect: none\n\tsound: none\n}\n"
                   "tri 0 2 1 0\ntri 0 1 3 0\ntri 0 3 2 0\ntri 1 2 3 0\n");
}

#endif
