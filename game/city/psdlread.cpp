#include "city/ai.h"
#include "city/materials.h"
#include "city/psdl.h"
#include "city/psdlbytes.h"
#include "data/asset.h"
#include "data/hash.h"
#include "data/printer.h"
#include "data/stream.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const uint32_t TargetSize = 2;
const uint32_t MaxRooms = 65536;
const int BoundBytes = 40;

// Reads the file in large blocks and checks every count against what is left of it, so that
// a cut or damaged file ends in a message instead of a short read or a huge allocation.
class PsdlReader {
public:
    // The size is asked once: under Wine each size query is a trip to the server.
    explicit PsdlReader(Stream* stream)
        : m_Stream(stream), m_Left(uint64_t(StreamSize(stream))), m_Position(0) {}

    const unsigned char* Take(uint64_t count, const char* what) {
        if (count > m_Left) {
            Damaged(what);
        }
        if (count > m_Block.size() - m_Position) {
            Refill(count);
        }
        const unsigned char* bytes = m_Block.data() + m_Position;
        m_Position += size_t(count);
        m_Left -= count;
        return bytes;
    }
    uint32_t U32(const char* what) { return psdlBytes::Get(Take(4, what), 4); }
    // A count of entries of the given size each, which must fit the limit and the file.
    uint32_t Count(uint32_t limit, uint64_t entrySize, const char* what) {
        uint32_t count = U32(what);
        if (count > limit || count * entrySize > m_Left) {
            Damaged(what);
        }
        return count;
    }
    // Everything not taken yet.
    const unsigned char* TakeRest(size_t& count, const char* what) {
        count = size_t(m_Left);
        return Take(m_Left, what);
    }
    [[noreturn]] void Damaged(const char* what) {
        FatalQuit("lvlPSDL::Load: '%s' is cut short or damaged (%s).", m_Stream->m_Name, what);
    }

private:
    // A city of up to a megabyte comes in with one read: each read is a trip into Wine.
    static const size_t BlockSize = 1 << 20;

    void Refill(uint64_t count) {
        m_Block.erase(m_Block.begin(), m_Block.begin() + m_Position);
        m_Position = 0;
        size_t have = m_Block.size();
        size_t want = size_t(std::min<uint64_t>(m_Left, std::max<uint64_t>(count, BlockSize)));
        m_Block.resize(want);
        int read = StreamRead(m_Stream, m_Block.data() + have, int(want - have));
        if (read != int(want - have)) {
            Damaged("read");
        }
    }

    Stream* m_Stream;
    uint64_t m_Left;
    std::vector<unsigned char> m_Block;
    size_t m_Position;
};

void ReadVectors(const unsigned char* bytes, Vector3* vectors, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i, bytes += 12) {
        vectors[i].Set(psdlBytes::GetFloat(bytes), psdlBytes::GetFloat(bytes + 4),
                       psdlBytes::GetFloat(bytes + 8));
    }
}

// A stored name ends at its first zero byte. The name of an animation frame (base, '-', four
// characters starting with '0') stands for its animated base texture.
std::string StoredTextureName(const unsigned char* bytes, uint32_t length) {
    std::string name(reinterpret_cast<const char*>(bytes), strnlen((const char*)bytes, length));
    size_t size = name.size();
    if (size >= 5 && name[size - 5] == '-' && name[size - 4] == '0') {
        name.resize(size - 5);
    }
    return name;
}

// Entries get their names here; their textures are attached once the table is read.
void ReadTextures(PsdlReader& reader, uint32_t count, HashTable& materials) {
    for (uint32_t i = 1; i < count; ++i) {
        uint32_t length = *reader.Take(1, "texture name");
        if (!length) {
            continue;
        }
        lvlCityTexture& texture = lvlPSDL::sm_Textures[i];
        texture.m_Name = StoredTextureName(reader.Take(length, "texture name"), length);
        uintptr_t index = 0;
        materials.Lookup(texture.m_Name.c_str(), index);
        lvlPSDL::sm_MaterialIndex[i] = uint8_t(index);
        if (index) {
            PrintMessage("texture '%s' has mtl index %d", texture.m_Name.c_str(), int(index));
        }
    }
}

lvlSDL* LoadRoom(PsdlReader& reader, uint32_t roomCount) {
    const unsigned char* counts = reader.Take(8, "room");
    uint32_t perimeter = psdlBytes::Get(counts, 4);
    uint32_t codes = psdlBytes::Get(counts + 4, 4);
    uint64_t words = 2 * uint64_t(perimeter) + codes;
    const unsigned char* bytes = reader.Take(words * TargetSize, "room");
    lvlSDL* room = lvlSDL::Create(perimeter, codes);
    for (uint32_t i = 0; i < perimeter; ++i, bytes += 2 * TargetSize) {
        lvlPerimeterEntry& entry = room->GetPerimeterEntry(i);
        entry.m_Vertex = uint16_t(psdlBytes::Get(bytes, TargetSize));
        entry.m_Neighbour = uint16_t(psdlBytes::Get(bytes + TargetSize, TargetSize));
        if (entry.m_Vertex >= lvlPSDL::sm_VertexCount || entry.m_Neighbour >= roomCount) {
            delete room;
            reader.Damaged("perimeter");
        }
    }
    for (uint32_t i = 0; i < codes; ++i, bytes += TargetSize) {
        room->GetCodes()[i] = SDLCODE_T(psdlBytes::Get(bytes, TargetSize));
    }
    return room;
}

}  // namespace

bool lvlPSDL::Load(const char* name) {
    Stream* stream = datAssetManager::Open("city", name, "psdl");
    if (!stream) {
        return false;
    }
    PsdlReader reader(stream);
    if (memcmp(reader.Take(4, "magic"), "PSD0", 4)) {
        FatalQuit("Wrong version of PSDL file -- please re-save city from newer version of block "
                  "editor.");
    }
    if (reader.U32("target size") != TargetSize) {
        FatalQuit("Wrong target size -- use a different SDL class to load this file.");
    }

    uint32_t vertices = reader.Count(MaxVertices, 12, "vertices");
    AllocateVertices(vertices);
    ReadVectors(reader.Take(12 * uint64_t(vertices), "vertices"), sm_Vertices.data(), vertices);

    uint32_t floats = reader.Count(MaxFloats, 4, "floats");
    const unsigned char* bytes = reader.Take(4 * uint64_t(floats), "floats");
    AllocateFloats(floats);
    for (uint32_t i = 0; i < floats; ++i) {
        sm_Floats[i] = psdlBytes::GetFloat(bytes + 4 * i);
    }

    uint32_t textures = reader.Count(MaxTextures, 1, "textures");
    if (!textures) {
        reader.Damaged("textures");
    }
    AllocateTextures(textures);
    HashTable materials(101, false, 32);
    int largest = LoadMaterialTable(materials);
    ReadTextures(reader, textures, materials);
    LoadCityTextures();
    NumMaterials = largest + 1;

    uint32_t rooms = reader.Count(MaxRooms, 10, "rooms");
    if (!rooms) {
        reader.Damaged("rooms");
    }
    AllocateRooms(rooms);
    m_FirstRoomCount = reader.U32("rooms");
    for (uint32_t i = 1; i < rooms; ++i) {
        m_Rooms[i].reset(LoadRoom(reader, rooms));
    }
    memcpy(m_RoomTypes.data(), reader.Take(rooms, "room types"), rooms);
    memcpy(m_RoomGroups.data(), reader.Take(rooms, "room groups"), rooms);
    Vector3 bound[3];
    bytes = reader.Take(BoundBytes, "bounds");
    ReadVectors(bytes, bound, 3);
    BoxMin = bound[0];
    BoxMax = bound[1];
    SetCentroidOffset(bound[2]);
    RadiusAroundCentroid = psdlBytes::GetFloat(bytes + 36);
    size_t aiBytes = 0;
    const unsigned char* ai = reader.TakeRest(aiBytes, "AI roads");
    if (!lvlAiMap::Load(ai, aiBytes, rooms)) {
        reader.Damaged("AI roads");
    }
    StreamClose(stream);
    return true;
}
