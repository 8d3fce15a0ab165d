#include "city/ai.h"
#include "city/psdl.h"
#include "city/psdlbytes.h"
#include "data/asset.h"
#include "data/assert.h"
#include "data/stream.h"

#include <cstring>

namespace {

// The room records are gathered this far before they go to the stream.
const size_t FlushSize = 1 << 16;

void PutIndex(psdlBytes& bytes, int64_t c, int targetSize) {
    Assert(c >= 0 && c < (1<<(targetSize*8)));
    bytes.Put(uint32_t(c), targetSize);
}

void PutVector(psdlBytes& bytes, const Vector3& v) {
    bytes.PutFloat(v.x);
    bytes.PutFloat(v.y);
    bytes.PutFloat(v.z);
}

bool Flush(Stream* stream, psdlBytes& bytes) {
    int count = int(bytes.m_Bytes.size());
    bool ok = StreamWrite(stream, bytes.m_Bytes.data(), count) == count;
    bytes.m_Bytes.clear();
    return ok;
}

// An empty slot is written as a room without perimeter and words, which reads back as an
// empty room.
void WriteRoom(const lvlSDL* room, psdlBytes& bytes, int targetSize) {
    uint32_t perimeter = room ? room->GetPerimeterCount() : 0;
    uint32_t codes = room ? room->GetCodeCount() : 0;
    bytes.Put(perimeter, 4);
    bytes.Put(codes, 4);
    for (uint32_t i = 0; i < perimeter; ++i) {
        PutIndex(bytes, room->GetPerimeterVertex(i), targetSize);
        PutIndex(bytes, room->GetNeighbour(i), targetSize);
    }
    for (uint32_t i = 0; i < codes; ++i) {
        PutIndex(bytes, room->GetCodes()[i], targetSize);
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
    bytes.PutBytes("PSD0", 4);
    bytes.Put(uint32_t(targetSize), 4);
    bytes.Put(sm_VertexCount, 4);
    for (uint32_t i = 0; i < sm_VertexCount; ++i) {
        PutVector(bytes, sm_Vertices[i]);
    }
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
        if (bytes.m_Bytes.size() >= FlushSize) {
            ok = Flush(stream, bytes) && ok;
        }
    }
    bytes.PutBytes(m_RoomTypes.data(), m_RoomCount);
    bytes.PutBytes(m_RoomGroups.data(), m_RoomCount);
    PutVector(bytes, BoxMin);
    PutVector(bytes, BoxMax);
    PutVector(bytes, CentroidOffset);
    bytes.PutFloat(RadiusAroundCentroid);
    ok = Flush(stream, bytes) && ok;
    ok = lvlAiMap::Save(stream) && ok;
    ok = StreamClose(stream) >= 0 && ok;
    if (!ok) {
        PrintError("lvlPSDL::WritePSDL: could not write all of '%s'.", name);
        return false;
    }
    PrintMessage("%d verts written...", int(sm_VertexCount));
    return true;
}
