#include "phcore/material.h"

#include "data/bytes.h"
#include "data/stream.h"
#include "data/token.h"
#include "phcore/materialmgr.h"
#include "vector/filevalue.h"

#include <cstring>

namespace {

// Offsets in the binary record.
const int ElasticityOffset = phMaterial::NameSize;
const int FrictionOffset = ElasticityOffset + 4;
const int EffectOffset = FrictionOffset + 4;
const int SoundOffset = EffectOffset + phMaterial::NameSize;
static_assert(SoundOffset + phMaterial::NameSize == phMaterial::BinarySize,
              "the binary material record is 104 bytes");
static_assert(phMaterial::BinarySize == 104, "the binary material record is 104 bytes");

bool NeedsQuotes(const char* name) {
    return !name[0] || name[0] == '"' || TokenReader::HoldsSeparator(name, int(strlen(name)));
}

// A name the text form would split, lose or take for a comment goes out quoted.
void PutName(TokenReader& writer, const char* name) {
    bool quoted = NeedsQuotes(name);
    writer.PutString(quoted ? "\"" : "", 0);
    writer.PutString(name, 0);
    writer.PutString(quoted ? "\"" : "", 0);
}

}  // namespace

bool phMaterial::HasTextForm(const char* name) {
    return !NeedsQuotes(name) || !strchr(name, '"');
}

const char* phMaterial::UnusableValue() const {
    if (!IsValueWithin(Elasticity, MaxCoefficient) || !IsValueWithin(Friction, MaxCoefficient)) {
        return "an elasticity or friction that is not a number within +-100";
    }
    return nullptr;
}

void phMaterial::CopyName(char* destination, const char* name) {
    int length = 0;
    while (length < NameSize - 1 && name[length]) {
        destination[length] = name[length];
        ++length;
    }
    destination[length] = 0;
}

phMaterial::phMaterial() : EffectId(-1), SoundId(-1), Elasticity(0.1f), Friction(0.5f) {
    SetName("default");
}

phMaterial::~phMaterial() {}

void phMaterial::SetName(const char* name) {
    CopyName(Name, name);
}

void phMaterial::CopyProperties(const phMaterial& source) {
    Elasticity = source.Elasticity;
    Friction = source.Friction;
    EffectId = source.EffectId;
    SoundId = source.SoundId;
}

int16_t phMaterial::NameIndex(const char* name) {
    if (strcmp(name, "none") == 0) {
        return -1;
    }
    return int16_t(phMaterialMgr::Instance()->FindOrAddName(name));
}

int phMaterial::LoadHead(TokenReader& reader) {
    char token[NameSize];
    reader.MatchToken("mtl");
    const int line = reader.GetLine();
    reader.GetToken(token, NameSize);
    SetName(token);
    reader.MatchToken("{");
    reader.MatchToken("elasticity:");
    Elasticity = reader.GetFloat();
    reader.MatchToken("friction:");
    Friction = reader.GetFloat();
    reader.MatchToken("effect:");
    reader.GetToken(token, NameSize);
    EffectId = NameIndex(token);
    reader.MatchToken("sound:");
    reader.GetToken(token, NameSize);
    SoundId = NameIndex(token);
    return line;
}

int phMaterial::Load(TokenReader& reader) {
    const int line = LoadHead(reader);
    reader.MatchToken("}");
    return line;
}

void phMaterial::SaveHead(TokenReader& writer) const {
    phMaterialMgr* manager = phMaterialMgr::Instance();
    writer.PutString("mtl ", 0);
    PutName(writer, Name);
    writer.PutString(" {\n", 0);
    writer.PutString("\telasticity: ", 0);
    writer.PutFloat(Elasticity);
    writer.PutString("\n", 0);
    writer.PutString("\tfriction: ", 0);
    writer.PutFloat(Friction);
    writer.PutString("\n", 0);
    writer.PutString("\teffect: ", 0);
    PutName(writer, manager->GetName(EffectId));
    writer.PutString("\n", 0);
    writer.PutString("\tsound: ", 0);
    PutName(writer, manager->GetName(SoundId));
    writer.PutString("\n", 0);
}

void phMaterial::Save(TokenReader& writer) const {
    SaveHead(writer);
    writer.PutString("}\n", 0);
}

bool phMaterial::LoadBinary(Stream* stream) {
    unsigned char record[BinarySize];
    if (StreamRead(stream, record, BinarySize) != BinarySize) {
        return false;
    }
    char name[NameSize];
    CopyName(Name, reinterpret_cast<const char*>(record));
    Elasticity = FloatFromBits(DecodeU32(record + ElasticityOffset));
    Friction = FloatFromBits(DecodeU32(record + FrictionOffset));
    CopyName(name, reinterpret_cast<const char*>(record + EffectOffset));
    EffectId = NameIndex(name);
    CopyName(name, reinterpret_cast<const char*>(record + SoundOffset));
    SoundId = NameIndex(name);
    return true;
}

void phMaterial::SaveBinary(Stream* stream) const {
    unsigned char record[BinarySize] = {};
    phMaterialMgr* manager = phMaterialMgr::Instance();
    CopyName(reinterpret_cast<char*>(record), Name);
    EncodeU32(BitsFromFloat(Elasticity), record + ElasticityOffset);
    EncodeU32(BitsFromFloat(Friction), record + FrictionOffset);
    CopyName(reinterpret_cast<char*>(record + EffectOffset), manager->GetName(EffectId));
    CopyName(reinterpret_cast<char*>(record + SoundOffset), manager->GetName(SoundId));
    StreamWrite(stream, record, BinarySize);
}
