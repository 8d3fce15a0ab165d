#include "city/material.h"

#include "bank/bank.h"
#include "data/token.h"
#include "vector/filevalue.h"

namespace {

void PutKey(TokenReader& writer, const char* key) {
    writer.PutString("\t", 0);
    writer.PutString(key, 0);
    writer.PutString(" ", 0);
}

void PutFloatLine(TokenReader& writer, const char* key, float value) {
    PutKey(writer, key);
    writer.PutFloat(value);
    writer.PutString("\n", 0);
}

// A particle index that no 16-bit field holds is kept as its least value, which no material
// takes: the cast alone would turn it into another index.
int16_t ParticleIndex(int value) {
    return value >= INT16_MIN && value <= INT16_MAX ? int16_t(value) : int16_t(INT16_MIN);
}

}  // namespace

qvMaterial::qvMaterial()
    : Drag(0.0f), Width(1.0f), Height(0.0f), Depth(0.0f), PtxIndex{-1, -1},
      PtxThreshold{0.25f, 0.5f} {
    Elasticity = 0.5f;
    Friction = 1.0f;
}

void qvMaterial::CopyProperties(const qvMaterial& source) {
    phMaterial::CopyProperties(source);
    Drag = source.Drag;
    Width = source.Width;
    Height = source.Height;
    Depth = source.Depth;
    PtxIndex[0] = source.PtxIndex[0];
    PtxIndex[1] = source.PtxIndex[1];
    PtxThreshold[0] = source.PtxThreshold[0];
    PtxThreshold[1] = source.PtxThreshold[1];
}

int qvMaterial::Load(TokenReader& reader) {
    const int line = LoadHead(reader);
    // An older physics-only block ends here.
    if (reader.CheckToken("}", true)) {
        return line;
    }
    reader.MatchToken("drag:");
    Drag = reader.GetFloat();
    reader.MatchToken("width:");
    Width = reader.GetFloat();
    reader.MatchToken("height:");
    Height = reader.GetFloat();
    reader.MatchToken("depth:");
    Depth = reader.GetFloat();
    if (reader.CheckToken("}", true)) {
        return line;
    }
    reader.MatchToken("ptxindex:");
    PtxIndex[0] = ParticleIndex(reader.GetInt());
    PtxIndex[1] = ParticleIndex(reader.GetInt());
    reader.MatchToken("ptxthreshold:");
    PtxThreshold[0] = reader.GetFloat();
    PtxThreshold[1] = reader.GetFloat();
    reader.MatchToken("}");
    return line;
}

const char* qvMaterial::UnusableValue() const {
    if (const char* base = phMaterial::UnusableValue()) {
        return base;
    }
    const struct {
        float value;
        const char* why;
    } values[] = {
        {Drag, "a drag that is not a number within +-100"},
        {Width, "a width that is not a number within +-100"},
        {Height, "a height that is not a number within +-100"},
        {Depth, "a depth that is not a number within +-100"},
        {PtxThreshold[0], "a particle threshold that is not a number within +-100"},
        {PtxThreshold[1], "a particle threshold that is not a number within +-100"},
    };
    for (const auto& v : values) {
        if (!IsValueWithin(v.value, MaxCoefficient)) {
            return v.why;
        }
    }
    // -1 is none; a 16-bit index below it names no particle.
    for (int16_t index : PtxIndex) {
        if (index < -1) {
            return "a particle index outside -1 to 32767";
        }
    }
    return nullptr;
}

void qvMaterial::Save(TokenReader& writer) const {
    SaveHead(writer);
    PutFloatLine(writer, "drag:", Drag);
    PutFloatLine(writer, "width:", Width);
    PutFloatLine(writer, "height:", Height);
    PutFloatLine(writer, "depth:", Depth);
    PutKey(writer, "ptxindex:");
    // The writer's number formats end in a blank of their own.
    writer.PutInt(PtxIndex[0]);
    writer.PutInt(PtxIndex[1]);
    writer.PutString("\n", 0);
    PutKey(writer, "ptxthreshold:");
    writer.PutFloat(PtxThreshold[0]);
    writer.PutFloat(PtxThreshold[1]);
    writer.PutString("\n", 0);
    writer.PutString("}\n", 0);
}

void qvMaterial::AddWidgets(bkBank& bank) {
    bank.AddButton(Name);
    bank.AddSlider("Effect", &EffectId, int16_t(-1), int16_t(32767), 1.0f);
    bank.AddSlider("Sound", &SoundId, int16_t(-1), int16_t(32767), 1.0f);
    bank.AddSlider("Friction", &Friction, 0.01f, 100.0f, 0.01f);
    bank.AddSlider("Elasticity", &Elasticity, 0.0f, 100.0f, 0.01f);
    bank.AddSlider("Drag", &Drag, 0.0f, 100.0f, 0.001f);
    bank.AddSlider("Width", &Width, 0.0f, 100.0f, 0.01f);
    bank.AddSlider("Height", &Height, 0.0f, 100.0f, 0.01f);
    bank.AddSlider("Depth", &Depth, 0.0f, 100.0f, 0.01f);
    bank.AddSlider("PtxIndex1", &PtxIndex[0], int16_t(-1), int16_t(32767), 1.0f);
    bank.AddSlider("PtxThreshold1", &PtxThreshold[0], 0.0f, 1.0f, 0.01f);
    bank.AddSlider("PtxIndex2", &PtxIndex[1], int16_t(-1), int16_t(32767), 1.0f);
    bank.AddSlider("PtxThreshold2", &PtxThreshold[1], 0.0f, 1.0f, 0.01f);
}
