// The loader of the instance list (".inst") that the city compiler writes: records read from
// the file's bytes with every field checked against their end, instances made by kind and
// placed in their rooms, and the props that their geometry sets cross-reference.

#include "level/level.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "data/asset.h"
#include "data/bytes.h"
#include "data/options.h"
#include "data/printer.h"
#include "level/inst.h"
#include "level/instclasses.h"
#include "model/shader.h"
#include "vector/filevalue.h"

// One record of the list, its name copied and terminated.
struct lvlInstRecord {
    uint32_t m_Kind;
    int m_Variant;
    int m_Room;
    bool m_Compact;
    char m_Name[128];
    Matrix34 m_Matrix;
};

namespace {

// Kind bits.
const uint32_t KindStatic = 0x1;
const uint32_t KindProp = 0x2;
const uint32_t KindLowFlags = 0x4;
const uint32_t KindBounds = 0x20;

const uint16_t FlagsLow = 0x110;
const uint16_t FlagsHigh = 0x130;

const uint8_t CompactBit = 0x80;
const uint8_t LengthMask = 0x7F;

const int PropVariantLimit = 99;
const uint32_t XrefRecordSize = 80;
const uint32_t XrefNameSize = 32;

// Reads forward through bytes; a read that does not fit leaves the cursor where it was.
struct ByteCursor {
    const uint8_t* m_At;
    const uint8_t* m_End;

    bool AtEnd() const { return m_At >= m_End; }
    bool Take(void* out, size_t count) {
        if (size_t(m_End - m_At) < count) {
            return false;
        }
        memcpy(out, m_At, count);
        m_At += count;
        return true;
    }
    bool Floats(float* out, int count) {
        uint8_t bytes[48];
        if (!Take(bytes, size_t(count) * 4)) {
            return false;
        }
        for (int i = 0; i < count; ++i) {
            out[i] = FloatFromBits(DecodeU32(bytes + 4 * i));
        }
        return true;
    }
};

bool ReadVector(ByteCursor& in, Vector3& v) {
    float f[3];
    if (!in.Floats(f, 3)) {
        return false;
    }
    v.Set(f[0], f[1], f[2]);
    return true;
}

// Rows a, b, c, d as a Matrix34 stands in a file.
bool ReadMatrix(ByteCursor& in, Matrix34& m) {
    return ReadVector(in, m.a) && ReadVector(in, m.b) && ReadVector(in, m.c) &&
           ReadVector(in, m.d);
}

// One record; false when the bytes end inside it.
bool ReadRecord(ByteCursor& in, lvlInstRecord& record) {
    uint8_t head[5];
    if (!in.Take(head, sizeof(head))) {
        return false;
    }
    uint32_t word = DecodeU32(head);
    record.m_Kind = word >> 24;
    record.m_Variant = int(word >> 16 & 0xFF);
    record.m_Room = int(word & 0xFFFF);
    record.m_Compact = (head[4] & CompactBit) != 0;
    size_t length = head[4] & LengthMask;
    if (!in.Take(record.m_Name, length)) {
        return false;
    }
    record.m_Name[length] = 0;
    Matrix34& m = record.m_Matrix;
    if (record.m_Compact) {
        float f[2];
        if (!in.Floats(f, 2) || !ReadVector(in, m.d)) {
            return false;
        }
        m.a.Set(f[0], 0.0f, f[1]);
        m.b.Set(0.0f, 1.0f, 0.0f);
        m.c.Set(-f[1], 0.0f, f[0]);
        return true;
    }
    return ReadMatrix(in, m);
}

// Rows and position within the coordinate range, tested by their bits so that a signalling NaN
// cannot trap, and small enough that the row products below stay finite.
bool IsUsableMatrix(const Matrix34& m) {
    return IsCoordinate(m.a) && IsCoordinate(m.b) && IsCoordinate(m.c) && IsCoordinate(m.d);
}

// A row too short to be normalised counts as a zero row.
const float MinRowSquare = 1e-12f;

bool IsZero(const Vector3& v) {
    return v.Mag2() < MinRowSquare;
}

// The name the geometry goes by: any leading path cut off.
const char* GeometryName(const char* name) {
    return FileNamePart(name);
}

// A prop through the banger module, its geometry loaded under the lowered variant limit.
lvlInstance* CreateProp(const char* name, bool fullMatrix) {
    return lvlBangers.m_Create ? lvlBangers.m_Create(name, fullMatrix) : nullptr;
}

void InitProp(lvlInstance* prop, const char* name, const Matrix34& matrix) {
    int limit = modShader::sm_VariantLimit;
    modShader::sm_VariantLimit = PropVariantLimit;
    prop->Init(name, matrix, 0);
    modShader::sm_VariantLimit = limit;
}

// The x-ref's placement checked and its rows made unit length; false, reported, when it is
// unusable.
bool CheckXrefMatrix(Matrix34& m) {
    if (!IsUsableMatrix(m) || IsZero(m.a) || IsZero(m.b) || IsZero(m.c)) {
        PrintError("bad x-ref matrix.. bailing");
        return false;
    }
    if (std::fabs(m.a.Dot(m.b)) > 0.01f || std::fabs(m.a.Dot(m.c)) > 0.01f ||
        std::fabs(m.b.Dot(m.c)) > 0.01f) {
        PrintError("really bad x-ref matrix.. bailing");
        return false;
    }
    for (Vector3* row : {&m.a, &m.b, &m.c}) {
        float square = row->Mag2();
        if (square < 0.97f || square > 1.03f) {
            *row = *row * (1.0f / std::sqrt(square));
        }
    }
    return true;
}

}  // namespace

int lvlLevel::RoomOf(const Vector3& point, int fallback) {
    int room = FindRoomId(point, fallback);
    return room >= 0 && room < m_RoomCount ? room : fallback;
}

bool lvlLevel::LoadInstances(const char* directory, const char* name) {
    if (HasOption("noinstances")) {
        return false;
    }
    Stream* stream = datAssetManager::Open(directory, name, "inst");
    if (!stream) {
        return false;
    }
    int size = StreamSize(stream);
    std::vector<uint8_t> bytes(size_t(size > 0 ? size : 0));
    int read = bytes.empty() ? 0 : StreamRead(stream, bytes.data(), int(bytes.size()));
    StreamClose(stream);
    if (read < int(bytes.size())) {
        PrintError("lvlLevel::LoadInstances: could not read '%s.inst'", name);
        return false;
    }
    m_FirstInstance = nullptr;
    m_InstanceCount = 0;
    ByteCursor in{bytes.data(), bytes.data() + bytes.size()};
    for (int number = 0; !in.AtEnd(); ++number) {
        size_t offset = size_t(in.m_At - bytes.data());
        lvlInstRecord record;
        if (!ReadRecord(in, record)) {
            PrintError("lvlLevel::LoadInstances: '%s.inst' ends inside record %d (byte %u)",
                       name, number, unsigned(offset));
            break;
        }
        if (record.m_Room >= m_RoomCount) {
            PrintError("lvlLevel::LoadInstances: record %d of '%s.inst' names room %d of %d",
                       number, name, record.m_Room, m_RoomCount);
            continue;
        }
        if (!IsUsableMatrix(record.m_Matrix)) {
            PrintError("lvlLevel::LoadInstances: record %d of '%s.inst' has a bad matrix",
                       number, name);
            continue;
        }
        if (LoadRecord(record)) {
            ++m_InstanceCount;
        }
    }
    return true;
}

bool lvlLevel::LoadRecord(const lvlInstRecord& record) {
    uint32_t kind = record.m_Kind;
    const char* geometry = GeometryName(record.m_Name);
    lvlInstance* instance = nullptr;
    if (kind & KindProp) {
        instance = CreateProp(record.m_Name, !record.m_Compact);
        if (!instance) {
            return false;
        }
        InitProp(instance, geometry, record.m_Matrix);
    } else {
        if (kind & KindStatic) {
            instance = lvlInstance::Create<lvlCompactInstance>();
            instance->AddFlags((kind & KindLowFlags) ? FlagsLow : FlagsHigh);
        } else {
            instance = lvlInstance::Create<lvlMatrixInstance>();
            if (kind & KindBounds) {
                instance->AddFlags(FlagsHigh);
            }
        }
        instance->AddFlags(lvlInstance::INST_STATIC);
        instance->Init(geometry, record.m_Matrix, (kind & KindBounds) ? 1 : 0);
    }
    instance->SetVariant(record.m_Variant);
    if (kind & KindStatic && !(kind & KindProp)) {
        instance->LoadBound(geometry);
    }
    if (!m_FirstInstance) {
        m_FirstInstance = instance;
    }
    int room = record.m_Room;
    if (kind & KindBounds) {
        const Matrix34& m = record.m_Matrix;
        Vector3 reference = m.d + m.a * 0.5f + m.c * 0.25f;
        int found = RoomOf(reference, room);
        if (found != room) {
            PrintMessage("Facade with bounds '%s' moved from room %d to room %d", record.m_Name,
                         room, found);
            room = found;
        }
    }
    MoveToRoom(instance, room);
    LoadXrefs(instance, record);
    return true;
}

void lvlLevel::LoadXrefs(lvlInstance* instance, const lvlInstRecord& record) {
    uint32_t bytes = 0;
    const uint8_t* block = lvlInstance::GetXrefs(instance->GetGeomName(), bytes);
    if (!block || bytes < 4) {
        return;
    }
    ByteCursor in{block + 4, block + bytes};
    uint32_t count = DecodeU32(block);
    Matrix34 scratch;
    const Matrix34& placement = instance->GetMatrix(scratch);
    for (uint32_t i = 0; i < count; ++i) {
        Matrix34 local;
        char prop[XrefNameSize + 1];
        if (!ReadMatrix(in, local) || !in.Take(prop, XrefNameSize)) {
            PrintError("lvlLevel::LoadInstances: x-refs of '%s' end at record %u of %u",
                       instance->GetGeomName(), i, count);
            return;
        }
        prop[XrefNameSize] = 0;
        Matrix34 m;
        if (IsUsableMatrix(local) && IsUsableMatrix(placement)) {
            m.Dot(local, placement);
        } else {
            m = local;
        }
        if (!CheckXrefMatrix(m)) {
            continue;
        }
        lvlInstance* created = CreateProp(prop, false);
        if (!created) {
            PrintError("Xref'd prop %s not exported?", prop);
            continue;
        }
        created->Init(prop, m, 0);
        MoveToRoom(created, RoomOf(m.d, instance->GetRoom()));
        created->SetVariant(record.m_Variant);
    }
}
