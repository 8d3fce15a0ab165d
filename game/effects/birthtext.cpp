// The text block of a birth rule that banger tuning files embed: 24 of its fields, one a
// line, read back by position.
#include "effects/birthrule.h"

#include "data/token.h"

namespace {

enum Kind { KindVector, KindFloat, KindInt };

struct TextField {
    const char* m_Name;
    Kind m_Kind;
    void* m_Value;
};

// The block's order.
void ListFields(ovBirthRule& r, TextField fields[24]) {
    const TextField all[24] = {
        {"Position", KindVector, &r.Position},      {"PositionVar", KindVector, &r.PositionVar},
        {"Velocity", KindVector, &r.Velocity},      {"VelocityVar", KindVector, &r.VelocityVar},
        {"Life", KindFloat, &r.Life},               {"Mass", KindFloat, &r.Mass},
        {"MassVar", KindFloat, &r.MassVar},         {"Radius", KindFloat, &r.Radius},
        {"RadiusVar", KindFloat, &r.RadiusVar},     {"Drag", KindFloat, &r.Drag},
        {"DragVar", KindFloat, &r.DragVar},         {"DRadius", KindFloat, &r.DRadius},
        {"DRadiusVar", KindFloat, &r.DRadiusVar},   {"DAlpha", KindInt, &r.DAlpha},
        {"DAlphaVar", KindInt, &r.DAlphaVar},       {"DRotation", KindInt, &r.DRotation},
        {"DRotationVar", KindInt, &r.DRotationVar}, {"InitialBlast", KindInt, &r.InitialBlast},
        {"SpewRate", KindFloat, &r.SpewRate},       {"SpewTimeLimit", KindFloat, &r.SpewTimeLimit},
        {"Gravity", KindFloat, &r.Gravity},         {"TexFrameStart", KindInt, &r.TexFrameStart},
        {"TexFrameEnd", KindInt, &r.TexFrameEnd},   {"BirthFlags", KindInt, &r.BirthFlags},
    };
    for (int i = 0; i < 24; ++i) {
        fields[i] = all[i];
    }
}

}  // namespace

void ovBirthRule::WriteText(TokenReader* writer, int indent) {
    TextField fields[24];
    ListFields(*this, fields);
    writer->PutString("BirthRule {\n");
    for (const TextField& f : fields) {
        writer->Printf("%*s%s ", indent, "", f.m_Name);
        switch (f.m_Kind) {
        case KindVector:
            writer->PutVector3(*static_cast<Vector3*>(f.m_Value));
            break;
        case KindFloat:
            writer->PutFloat(*static_cast<float*>(f.m_Value));
            break;
        case KindInt:
            writer->PutInt(*static_cast<int32_t*>(f.m_Value));
            break;
        }
        writer->PutString("\n");
    }
    writer->Printf("%*s}", indent, "");
}

// The labels are skipped, not compared: the block is known by its place in the file.
void ovBirthRule::ReadText(TokenReader* reader) {
    TextField fields[24];
    ListFields(*this, fields);
    reader->SkipToken();
    reader->SkipToken();
    for (const TextField& f : fields) {
        reader->SkipToken();
        switch (f.m_Kind) {
        case KindVector:
            reader->GetVector3(*static_cast<Vector3*>(f.m_Value));
            break;
        case KindFloat:
            *static_cast<float*>(f.m_Value) = reader->GetFloat();
            break;
        case KindInt:
            *static_cast<int32_t*>(f.m_Value) = reader->GetInt();
            break;
        }
    }
    reader->SkipToken();
}
