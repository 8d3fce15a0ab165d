#include "city/ai.h"
#include "city/psdl.h"
#include "city/psdlbytes.h"
#include "data/asset.h"
#include "data/assert.h"
#include "data/stream.h"

#include <cstring>

namespace {

unsigned char* PutIndex(unsigned char* bytes, int64_t c, int targetSize) {
    Assert(c >= 0 && c < (1<<(targetSize*8)));
    psdlBytes::Encode(bytes, uint32_t(c), targetSize);
    return bytes + targetSize;
}

void PutVectors(psdlBytes& bytes, const Vector3* vectors, uint32_t count) {
    unsigned char* out = bytes.Extend(12 * size_t(count));
    for (uint32_t i = 0; i < count; ++i, out += 12) {
        psdlBytes::Encode(out, BitsFromFloat(vectors[i].x), 4);
        psdlBytes::Encode(out + 4, BitsFromFloat(vectors[i].y), 4);
        psdlBytes::Encode(out + 8, BitsFromFloat(vectors[i].z), 4);
    }
}

// An empty slot is written as a room without perimeter and words, which reads back as an
// empty room.
void WriteRoom(const lvlSDL* room, psdlBytes& bytes, int targetSize) {
    uint32_t perimeter = room ? room->GetPerimeterCount() : 0;
    uint32_t codes = room ? room->GetCodeCount() : 0;
    // The record is sized first and filled in place: rooms are most of the file.
    unsigned char* out = bytes.Extend(8 + (2 * size_t(perimeter) + codes) * size_t(targetSize));
    psdlBytes::Encode(out, perimeter, 4);
    psdlBytes::Encode(out + 4, codes, 4);
    out += 8;
    for (uint32_t i = 0; i < perimeter; ++i) {
        out = PutIndex(out, room->GetPerimeterVertex(i), targetSize);
        out = PutIndex(out, room->GetNeighbour(i), targetSize);
    }
    const SDLCODE_T* words = room ? room->GetCodes() : nullptr;
    for (uint32_t i = 0; i < codes; ++i) {
        out = PutIndex(out, words[i], targetSize);
    }
}

}  // namespace

bool lvlPSDL::WritePSDL(const char* name, int targetSize) {
    // Wider targets belong to another city class.
    Assert(targetSize == 1 || targetSize == 2);
    Stream* stream = datAssetManager::Create("city", name, "psdl");
    if (!stream) {
        return false;
    }
    psdlBytes bytes;
    bytes.m_Bytes.reserve(2 * psdlBytes::FlushSize);
    bytes.PutBytes("PSD0", 4);
    bytes.Put(uint32_t(targetSize), 4);
    bytes.Put(sm_VertexCount, 4);
    PutVectors(bytes, sm_Vertices.data(), sm_VertexCount);
    bytes.Put(uint32_t(sm_Floats.size()), 4);
    for (float value : sm_Floats) {
        bytes.PutFloat(value);
    }
    bytes.Put(sm_TextureCount, 4);
    for (uint32_t i = 1; i < sm_TextureCount; ++i) {
        const std::string& texture = sm_Textures[i].m_Name;
        size_t length = texture.empty() ? 0 : texture.size() + 1;
        Assert(length <= 255);
        bytes.Put(uint32_t(length), 1);
        bytes.PutBytes(texture.c_str(), length);
    }
    bytes.Put(m_RoomCount, 4);
    bytes.Put(m_FirstRoomCount, 4);
    bool ok = true;
    for (uint32_t i = 1; i < m_RoomCount; ++i) {
        WriteRoom(m_Rooms[i].get(), bytes, targetSize);
        ok = bytes.FlushWhenFull(stream) && ok;
    }
    bytes.PutBytes(m_RoomTypes.data(), m_RoomCount);
    bytes.PutBytes(m_RoomGroups.data(), m_RoomCount);
    PutVectors(bytes, &BoxMin, 1);
    PutVectors(bytes, &BoxMax, 1);
    PutVectors(bytes, &CentroidOffset, 1);
    bytes.PutFloat(RadiusAroundCentroid);
    lvlAiMap::Save(bytes);
    ok = bytes.Flush(stream) && ok;
    ok = StreamClose(stream) >= 0 && ok;
    if (!ok) {
        PrintError("lvlPSDL::WritePSDL: could not write all of '%s'.", name);
        return false;
    }
    PrintMessage("%d verts written...", int(sm_VertexCount));
    return true;
}
