#include "city/psdl.h"

#include "data/assert.h"
#include "phcore/poly.h"
#include "vector/geometry.h"

std::vector<Vector3> lvlPSDL::sm_Vertices;
uint32_t lvlPSDL::sm_VertexCount;
uint32_t lvlPSDL::sm_VertexCapacity;
bool lvlPSDL::sm_VertexHashStale = true;
std::vector<float> lvlPSDL::sm_Floats;
bool lvlPSDL::sm_FloatHashStale = true;
std::vector<lvlCityTexture> lvlPSDL::sm_Textures;
uint32_t lvlPSDL::sm_TextureCount;
std::vector<uint8_t> lvlPSDL::sm_MaterialIndex;
uint32_t lvlPSDL::sm_Available;
uint32_t lvlPSDL::sm_NextSpare;

lvlPSDL::lvlPSDL() : m_RoomCount(0), m_FirstRoomCount(0) {}

lvlPSDL::~lvlPSDL() {}

const Vector3& lvlPSDL::GetVertex(int index) {
    Assert(index >= 0 && size_t(index) < sm_Vertices.size());
    size_t spare = size_t(index) - sm_VertexCount;
    if (size_t(index) >= sm_VertexCount && spare < m_LevelSpares.size()) {
        return m_LevelSpares[spare];
    }
    return sm_Vertices[index];
}

int lvlPSDL::TestSegmentIsects(phSegment&, phIsect*, int) {
    Assert(0);
    return 0;
}

bool lvlPSDL::SegmentHits(phSegment&) {
    Assert(0);
    return false;
}

void lvlPSDL::ComputeBounds() {
    Vector3 centre;
    geomBoundingSphere(int(sm_VertexCount), sm_Vertices.data(), sizeof(Vector3), &BoxMin,
                       &BoxMax, &centre, &RadiusAroundCentroid);
    SetCentroidOffset(centre);
}

void lvlPSDL::AllocateRooms(uint32_t count) {
    m_RoomCount = count;
    m_Rooms.clear();
    m_RoomPool.Clear();
    m_Rooms.resize(count);
    m_RoomIds.assign(count, 0);
    m_RoomTypes.assign(count, 0);
    m_RoomGroups.assign(count, 0);
}

void lvlPSDL::AllocateVertices(uint32_t count) {
    Assert(count <= MaxVertices);
    sm_Vertices.assign(count + SpareVertices, Vector3());
    sm_VertexCount = count;
    sm_VertexCapacity = count;
    sm_VertexHashStale = true;
}

void lvlPSDL::AllocateFloats(uint32_t count) {
    Assert(count <= MaxFloats);
    sm_Floats.assign(count, 0.0f);
    sm_FloatHashStale = true;
}

void lvlPSDL::AllocateTextures(uint32_t count) {
    Assert(count <= MaxTextures);
    // Animated textures keep the addresses of entries: the table holds its largest size from
    // the start, so that adding an entry never moves the others.
    sm_Textures.reserve(MaxTextures);
    sm_Textures.assign(count, lvlCityTexture());
    sm_MaterialIndex.assign(count, 0);
    sm_TextureCount = count;
}

uint32_t lvlPSDL::AddTexture(const char* name, gfxTexture* texture) {
    Assert(sm_TextureCount < MaxTextures);
    sm_Textures.reserve(MaxTextures);
    sm_Textures.push_back(lvlCityTexture{name, texture});
    sm_MaterialIndex.push_back(0);
    return sm_TextureCount++;
}

void lvlPSDL::SetupSparePool() {
    sm_Available = SpareVertices;
    sm_NextSpare = sm_VertexCount;
}

uint16_t lvlPSDL::AddSpareVertex(const Vector3& position) {
    Assert(sm_Available > 0);
    // A city near the 16-bit limit has spare entries that no polygon index can name.
    Assert(sm_NextSpare <= 0xFFFF && sm_NextSpare < sm_Vertices.size());
    --sm_Available;
    sm_Vertices[sm_NextSpare] = position;
    return uint16_t(sm_NextSpare++);
}

lvlSDL* lvlPSDL::GetRoom(int room) const {
    Assert(room >= 0 && uint32_t(room) < m_RoomCount);
    return m_Rooms[room].get();
}

int lvlPSDL::FindRoomById(uint32_t id) const {
    for (uint32_t room = m_RoomIds.size(); room-- > 1;) {
        if (m_RoomIds[room] == id) {
            return int(room);
        }
    }
    return 0;
}

void lvlPSDL::ForEachCommand(int room, lvlCommandCallback callback, void* user) {
    const lvlSDL* sdl = GetRoom(room);
    if (!sdl) {
        return;
    }
    uint32_t position = 0;
    sdlCommand command;
    for (;;) {
        sdlDecodeResult result =
            sdlDecodeCommand(sdl->GetCodes(), sdl->GetCodeCount(), &position, &command);
        if (result == sdlDecodeEnd) {
            return;
        }
        if (result == sdlDecodeBadOpcode) {
            FatalQuit("Invalid command %x", command.m_Opcode >> 3);
        }
        callback(this, room, command.m_Opcode, command.m_OperandCount, command.m_Operands, user);
        if (command.m_Last) {
            return;
        }
    }
}
