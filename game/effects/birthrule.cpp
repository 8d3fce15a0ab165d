// A birth rule's tuning fields, their widgets and parameter tree, and the spawning of one
// particle from them.
#include "effects/birthrule.h"

#include "bank/bank.h"
#include "data/parser.h"
#include "gfx/pipeline.h"
#include "vector/random.h"

namespace {

// Lives are cut on a software rendering device, which draws far fewer particles in time.
const float SoftwareLifeScale = 0.333f;

float Varied(float value, float variation) {
    return value + (RandomFloat() - 0.5f) * variation;
}

Vector3 Varied(const Vector3& value, const Vector3& variation) {
    float x = Varied(value.x, variation.x);
    float y = Varied(value.y, variation.y);
    float z = Varied(value.z, variation.z);
    return Vector3(x, y, z);
}

}  // namespace

ovBirthRule::ovBirthRule()
    : Position(0, 0, 0),
      PositionVar(0, 0, 0),
      Velocity(0, 0, 0),
      VelocityVar(0, 0, 0),
      Life(1.0f),
      LifeVar(0.0f),
      Mass(1.0f),
      MassVar(0.0f),
      Radius(1.0f),
      RadiusVar(0.0f),
      DRadius(0.0f),
      DRadiusVar(0.0f),
      Drag(0.0f),
      DragVar(0.0f),
      Damp(1.0f),
      DampVar(0.0f),
      SpewRate(0.0f),
      SpewTimeLimit(0.0f),
      Gravity(-9.8f),
      Height(0.0f),
      Intensity(1.0f),
      Color{255, 255, 255, 255},
      DAlpha(0),
      DAlphaVar(0),
      DRotation(0),
      DRotationVar(0),
      TexFrameStart(0),
      TexFrameEnd(0),
      InitialBlast(0),
      BirthFlags(0),
      m_SpawnHook(nullptr) {}

// The draws come in a fixed order: velocity x, y, z, mass, life, drag, damping, the frame
// (unless cycling), radius, position x, y, z, radius change, alpha change, rotation change.
void ovBirthRule::Spawn(ParticleRecord& p, ParticleSprite& s) {
    RandomSave();
    s.m_Flags = uint8_t(BirthFlags);
    p.m_Velocity = Varied(Velocity, VelocityVar);
    // A mass of zero or less would give an infinite or negative inverse and NaN velocities;
    // such a particle is moved by gravity alone.
    float mass = Varied(Mass, MassVar);
    p.m_InvMass = mass > 0.0f ? 1.0f / mass : 0.0f;
    p.m_Life = Varied(Life, LifeVar);
    if (gfxUseSoftware) {
        p.m_Life *= SoftwareLifeScale;
    }
    p.m_Drag = Varied(Drag, DragVar);
    p.m_Damp = Varied(Damp, DampVar);

    p.m_FirstFrame = uint8_t(TexFrameStart);
    p.m_LastFrame = uint8_t(TexFrameEnd);
    // An end before the start gives the start frame, where the modulus would be zero or less.
    int64_t span = int64_t(TexFrameEnd) - TexFrameStart + 1;
    if ((BirthFlags & CycleFrames) || span <= 0) {
        s.m_Frame = uint8_t(TexFrameStart);
    } else {
        s.m_Frame = uint8_t(TexFrameStart + int64_t(RandomNext()) % span);
    }

    s.m_Radius = Varied(Radius, RadiusVar);
    s.m_Position = Varied(Position, PositionVar);
    p.m_Red = Color[0];
    p.m_Green = Color[1];
    p.m_Blue = Color[2];
    p.m_Alpha = Color[3];
    s.m_Color = uint32_t(Color[3]) << 24 | uint32_t(Color[0]) << 16 | uint32_t(Color[1]) << 8 |
                Color[2];
    p.m_Gravity = Gravity;
    p.m_DRadius = Varied(DRadius, DRadiusVar);
    p.m_DAlpha = int8_t(int(Varied(float(DAlpha), float(DAlphaVar))));
    s.m_Rotation = 0;
    p.m_DRotation = int8_t(int(Varied(float(DRotation), float(DRotationVar))));
    s.m_GroundHeight = Height;
    s.m_Unused = 0;
    RandomRestore();
    if (m_SpawnHook) {
        m_SpawnHook(p, s);
    }
}

void ovBirthRule::DeclareFields(datParser& parser) {
    parser.AddItem(datParser::ItemVector3, "Position", &Position);
    parser.AddItem(datParser::ItemVector3, "PositionVar", &PositionVar);
    parser.AddItem(datParser::ItemVector3, "Velocity", &Velocity);
    parser.AddItem(datParser::ItemVector3, "VelocityVar", &VelocityVar);
    struct Field {
        const char* m_Name;
        float* m_Value;
    };
    const Field floats[] = {
        {"Life", &Life},     {"LifeVar", &LifeVar},     {"Mass", &Mass},
        {"MassVar", &MassVar}, {"Radius", &Radius},     {"RadiusVar", &RadiusVar},
        {"Drag", &Drag},     {"DragVar", &DragVar},     {"Damp", &Damp},
        {"DampVar", &DampVar}, {"DRadius", &DRadius},   {"DRadiusVar", &DRadiusVar},
    };
    for (const Field& f : floats) {
        parser.AddItem(datParser::ItemFloat, f.m_Name, f.m_Value);
    }
    parser.AddItem(datParser::ItemInt32, "DAlpha", &DAlpha);
    parser.AddItem(datParser::ItemInt32, "DAlphaVar", &DAlphaVar);
    parser.AddItem(datParser::ItemInt32, "DRotation", &DRotation);
    parser.AddItem(datParser::ItemInt32, "DRotationVar", &DRotationVar);
    parser.AddItem(datParser::ItemInt32, "InitialBlast", &InitialBlast);
    parser.AddItem(datParser::ItemFloat, "SpewRate", &SpewRate);
    parser.AddItem(datParser::ItemFloat, "SpewTimeLimit", &SpewTimeLimit);
    parser.AddItem(datParser::ItemFloat, "Gravity", &Gravity);
    parser.AddItem(datParser::ItemInt32, "TexFrameStart", &TexFrameStart);
    parser.AddItem(datParser::ItemInt32, "TexFrameEnd", &TexFrameEnd);
    parser.AddItem(datParser::ItemInt32, "BirthFlags", &BirthFlags);
    parser.AddItem(datParser::ItemFloat, "Height", &Height);
    parser.AddItem(datParser::ItemFloat, "Intensity", &Intensity);
    // The four colour bytes as one integer.
    parser.AddItem(datParser::ItemInt32, "Color", Color);
}

void ovBirthRule::AddWidgets(bkBank* bank) {
    ovNode::AddWidgets(bank);
    bank->AddVectorSlider("Position", &Position, -10000.0f, 10000.0f, 0.1f);
    bank->AddVectorSlider("Position Var", &PositionVar, 0.0f, 10000.0f, 0.1f);
    bank->AddVectorSlider("Velocity", &Velocity, -10000.0f, 10000.0f, 0.1f);
    bank->AddVectorSlider("Velocity Var", &VelocityVar, 0.0f, 10000.0f, 0.1f);
    bank->AddSlider("Life", &Life, 0.0f, 10000.0f, 0.1f);
    bank->AddSlider("Life Var", &LifeVar, 0.0f, 10000.0f, 0.1f);
    bank->AddSlider("Mass", &Mass, 0.0f, 10000.0f, 0.01f);
    bank->AddSlider("Mass Var", &MassVar, 0.0f, 10000.0f, 0.01f);
    bank->AddSlider("Radius", &Radius, 0.0f, 10000.0f, 0.01f);
    bank->AddSlider("Radius Var", &RadiusVar, 0.0f, 10000.0f, 0.01f);
    bank->AddSlider("DRadius", &DRadius, 0.0f, 10.0f, 0.001f);
    bank->AddSlider("DRadius Var", &DRadiusVar, 0.0f, 10.0f, 0.001f);
    bank->AddSlider("DAlpha", &DAlpha, -64, 64, 1.0f);
    bank->AddSlider("DAlpha Var", &DAlphaVar, 0, 64, 1.0f);
    bank->AddSlider("DRotation", &DRotation, -64, 64, 1.0f);
    bank->AddSlider("DRotation Var", &DRotationVar, 0, 64, 1.0f);
    bank->AddSlider("Drag", &Drag, 0.0f, 10000.0f, 0.01f);
    bank->AddSlider("Drag Var", &DragVar, 0.0f, 10000.0f, 0.01f);
    bank->AddSlider("Damp", &Damp, 0.0f, 1.0f, 0.01f);
    bank->AddSlider("Damp Var", &DampVar, 0.0f, 1.0f, 0.01f);
    bank->AddSlider("Initial Blast", &InitialBlast, 0, 100, 1.0f);
    bank->AddSlider("SpewRate", &SpewRate, 0.0f, 1000.0f, 0.1f);
    bank->AddSlider("SpewTimeLimit", &SpewTimeLimit, 0.0f, 15.0f, 1.0f);
    bank->AddSlider("Gravity", &Gravity, -30.0f, 30.0f, 0.1f);
    bank->AddSlider("Height", &Height, -10000.0f, 10000.0f, 0.1f);
    const char* channels[] = {"Red", "Green", "Blue", "Alpha"};
    for (int i = 0; i < 4; ++i) {
        bank->AddSlider(channels[i], &Color[i], uint8_t(0), uint8_t(255), 1.0f);
    }
    bank->AddSlider("Intensity", &Intensity, 0.0f, 1.0f, 0.1f);
    bank->AddSlider("TexFrameStart", &TexFrameStart, 0, 64, 1.0f);
    bank->AddSlider("TexFrameEnd", &TexFrameEnd, 0, 64, 1.0f);
    uint32_t* flags = reinterpret_cast<uint32_t*>(&BirthFlags);
    bank->AddToggle("Stationary", flags, Stationary);
    bank->AddToggle("Bounces", flags, Bounces);
    bank->AddToggle("Splashes", flags, Splashes);
    bank->AddToggle("CycleFrames", flags, CycleFrames);
    bank->AddToggle("Shadow", flags, Shadow);
}
