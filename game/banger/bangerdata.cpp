// The tuning record of a kind of breakable prop: its defaults and its file, text or binary.
#include "banger/bangerdata.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "data/asset.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/token.h"
#include "data/versionedtoken.h"
#include "phbound/bound.h"

namespace {

const char TextHeader[] = "type: a";
const char BinaryHeader[] = "type: b";

// A count or code that must fit its member; anything else is a damaged file.
int GetIntIn(TokenReader* reader, const char* what, int min, int max) {
    int value = reader->GetInt();
    if (value < min || value > max) {
        FatalQuit("%s(%d): %s %d is outside %d to %d.", reader->GetFileName(), reader->GetLine(),
                  what, value, min, max);
    }
    return value;
}

bool Finite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

qvBangerData::qvBangerData()
    : CG(0.0f, 0.0f, 0.0f),
      Size(0.2f, 0.5f, 0.2f),
      Spare(0.0f, 0.0f, 0.0f),
      NumGlows(0),
      Mass(50.0f),
      Elasticity(0.5f),
      Friction(0.9f),
      ImpulseLimit2(0.0f),
      YRadius(0.0f),
      ColliderId(0),
      TexNumber(0),
      BillFlags(0),
      SpinAxis(0),
      Flash(0),
      CollisionType(16),
      CollisionPrim(PRIM_GEOMETRY),
      NumParts(0),
      AudioId(0),
      PartGeometry(0),
      Index(-1) {}

qvBangerData::~qvBangerData() = default;

bool qvBangerData::Load() {
    Stream* stream = datAssetManager::Open(Directory(), FileName(), ClassName(), true);
    if (!stream) {
        return false;
    }
    VersionedTokenReader versioned;
    ReadFields(versioned.BeginRead(FileName(), stream, TextHeader, BinaryHeader));
    StreamClose(stream);
    if (!ValuesUsable()) {
        PrintError("qvBangerData::Load - %s.%s holds a size, mass or surface value no prop can "
                   "have",
                   FileName(), ClassName());
        return false;
    }
    // A record read again from its bank keeps its bound; the surface follows the file.
    CopyMaterial();
    return true;
}

// The binary form holds the same tokens: the class name, the brace, the skipped labels, the
// optional labels and the birth rule's labels as strings ended by a zero byte, the values raw;
// the labels read with Match (AudioId, Size, CG, GlowOffset) are not stored.
void qvBangerData::ReadFields(TokenReader* reader) {
    reader->SkipToken();
    reader->SkipToken();
    AudioId = reader->MatchInt("AudioId");
    reader->MatchVector3("Size", Size);
    reader->MatchVector3("CG", CG);
    int glows = 1;
    if (reader->CheckToken("NumGlows", true)) {
        glows = GetIntIn(reader, "NumGlows", 0, INT16_MAX);
    }
    NumGlows = int16_t(glows);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    GlowOffset.reset(new Vector3[glows]);
    for (int i = 0; i < glows; ++i) {
        GlowOffset[i].Set(nan, nan, nan);
    }
    for (int i = 0; i < glows; ++i) {
        reader->MatchVector3("GlowOffset", GlowOffset[i]);
    }
    // From Mass on the labels are skipped unread: the order is fixed.
    float* floats[] = {&Mass, &Elasticity, &Friction, &ImpulseLimit2};
    for (float* value : floats) {
        reader->SkipToken();
        *value = reader->GetFloat();
    }
    reader->SkipToken();
    SpinAxis = int16_t(GetIntIn(reader, "SpinAxis", INT16_MIN, INT16_MAX));
    reader->SkipToken();
    Flash = int16_t(GetIntIn(reader, "Flash", INT16_MIN, INT16_MAX));
    reader->SkipToken();
    NumParts = int16_t(GetIntIn(reader, "NumParts", 0, INT16_MAX));
    BirthRule.ReadText(reader);
    reader->SkipToken();
    TexNumber = reader->GetInt();
    reader->SkipToken();
    BillFlags = uint32_t(reader->GetInt());
    reader->SkipToken();
    YRadius = reader->GetFloat();
    if (reader->CheckToken("ColliderId", true)) {
        ColliderId = reader->GetInt();
    }
    if (reader->CheckToken("CollisionPrim", true)) {
        CollisionPrim = uint8_t(GetIntIn(reader, "CollisionPrim", 0, UINT8_MAX));
    }
    if (reader->CheckToken("CollisionType", true)) {
        CollisionType = uint8_t(GetIntIn(reader, "CollisionType", 0, UINT8_MAX));
    }
}

// What the bound and the rigid body are made from must be a number they can compute with.
bool qvBangerData::ValuesUsable() const {
    for (int i = 0; i < NumGlows; ++i) {
        if (!Finite(GlowOffset[i])) {
            return false;
        }
    }
    return Finite(CG) && Finite(Size) && Size.x >= 0.0f && Size.y >= 0.0f && Size.z >= 0.0f &&
           std::isfinite(Mass) && Mass > 0.0f && std::isfinite(Elasticity) &&
           std::isfinite(Friction) && std::isfinite(ImpulseLimit2) && std::isfinite(YRadius) &&
           YRadius >= 0.0f;
}

bool qvBangerData::Save() {
    BeforeSave();
    Stream* stream = datAssetManager::CreateReplacing(Directory(), FileName(), ClassName());
    if (!stream) {
        return false;
    }
    VersionedTokenReader versioned;
    WriteFields(versioned.BeginWrite(FileName(), stream, false, TextHeader));
    return StreamClose(stream) >= 0;
}

void qvBangerData::WriteFields(TokenReader* writer) {
    writer->Printf("%s {\n", ClassName());
    writer->Printf("  AudioId %d\n", AudioId);
    const struct {
        const char* m_Label;
        const Vector3& m_Value;
    } vectors[] = {{"Size", Size}, {"CG", CG}};
    for (const auto& v : vectors) {
        writer->Printf("  %s ", v.m_Label);
        writer->PutVector3(v.m_Value);
        writer->PutString("\n");
    }
    writer->Printf("  NumGlows %d\n", NumGlows);
    for (int i = 0; i < NumGlows; ++i) {
        writer->PutString("  GlowOffset ");
        writer->PutVector3(GlowOffset[i]);
        writer->PutString("\n");
    }
    const struct {
        const char* m_Label;
        float m_Value;
    } floats[] = {{"Mass", Mass},
                  {"Elasticity", Elasticity},
                  {"Friction", Friction},
                  {"ImpulseLimit2", ImpulseLimit2}};
    for (const auto& f : floats) {
        writer->Printf("  %s ", f.m_Label);
        writer->PutFloat(f.m_Value);
        writer->PutString("\n");
    }
    writer->Printf("  SpinAxis %d\n  Flash %d\n  NumParts %d\n", SpinAxis, Flash, NumParts);
    writer->PutString("  ");
    BirthRule.WriteText(writer, 2);
    writer->Printf("\n  TexNumber %d\n  BillFlags %d\n  YRadius ", TexNumber, int(BillFlags));
    writer->PutFloat(YRadius);
    writer->Printf("\n  ColliderId %d\n  CollisionPrim %d\n  CollisionType %d\n}\n", ColliderId,
                   CollisionPrim, CollisionType);
}
