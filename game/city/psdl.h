#ifndef CITY_PSDL_H
#define CITY_PSDL_H

#include "city/sdl.h"
#include "city/sdlpool.h"
#include "phys/levelbound.h"
#include "vector/vector3.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct gfxTexture;
struct Matrix34;
struct modShader;
struct phPolygon;
class modStatic;
class lvlPSDL;

// One entry of the city's texture table. The name stays beside the texture attached for it,
// so that a texture whose image is missing keeps its name.
struct lvlCityTexture {
    std::string m_Name;
    gfxTexture* m_Texture = nullptr;
};

// Attaches to every named entry of the texture table (1 to sm_TextureCount - 1) the texture or
// animated texture the registry finds or loads for the name; a name without an image keeps a
// null texture. Nothing is attached while the pipeline cannot make textures, so a city read
// without a display keeps its names only. An animated texture updates the entry itself: the
// table never moves once allocated.
void LoadCityTextures();

// The user value is pointer-sized: callers pass records through it.
typedef void (*lvlCommandCallback)(lvlPSDL* city, int room, uint32_t opcode,
                                   uint32_t operandCount, const SDLCODE_T* operands, void* user);

// The make's emitter: compiles the city's rooms while the instance list is open.
typedef void (*lvlMakeCallback)(lvlPSDL* city);

// The processed city: the rooms and their per-room arrays, beside the city's shared tables.
// It is the level-wide collision bound, so only one exists at a time.
class lvlPSDL : public lvlLevelBound {
public:
    static constexpr uint32_t SpareVertices = 512;
    static const uint32_t MaxVertices = 65535;
    static const uint32_t MaxFloats = 65535;
    // Entry 0 of the texture table is no texture.
    static const uint32_t MaxTextures = 2047;

    lvlPSDL();
    ~lvlPSDL() override;

    const Vector3& GetVertex(int index) override;
    // The rooms answer segments one at a time through TestSegmentRooms.
    int TestSegmentIsects(phSegment& segment, phIsect* isects, int maxIsects) override;
    bool SegmentHits(phSegment& segment) override;
    // The rooms of the segment's two ends (its information record, which it must carry); the
    // cached polygon of the last hit is tried first. Lowers nearestT on a hit.
    bool TestSegmentRooms(phSegment& segment, phIsect* isect, float nearestT) override;
    // The other bound's vertex paths (when asked) and edges against the listed rooms' polygons
    // near it; every record gets the id. Stops at maxIsects records; returns the count, also
    // stored in count. The records' polygons and their spare corners are kept by the city
    // until its next CollidePolyToLevel, whatever segment tests run in between.
    int CollidePolyToLevel(phBoundPolygonal* other, const int* rooms, int roomCount, uint32_t id,
                           const Matrix34& current, const Matrix34& last, phIsect* isects,
                           int maxIsects, int& count, bool vertexPaths) override;

    // Box and bounding sphere of the vertex table, into the bound's fields; the sphere's centre
    // is the bound's centroid offset.
    void ComputeBounds();

    // Compiles the ".sdl" city description in the "city" directory; false when it does not
    // open.
    bool LoadSDL(const char* name);

    // Calls the callback for each command of the room's code stream, up to the last-of-room
    // mark or the end of the room's words, whichever comes first.
    void ForEachCommand(int room, lvlCommandCallback callback, void* user);

    // The highest room number with that id; 0 when none.
    int FindRoomById(uint32_t id) const;

    lvlSDL* GetRoom(int room) const;

    // The make: opens "<name>.inst" in "city" (no list without a name) and calls the emitter,
    // which compiles rooms between BeginCompileRoom and EndCompileRoom. The list replaces the
    // old one only when written whole; false when it was not.
    bool MakeCity(const char* name, lvlMakeCallback callback);
    void BeginCompileRoom(int room);
    void EndCompileRoom();
    // One instance list record while compiling; draws the model in draw mode.
    static void EmitInstance(const Matrix34& matrix, const char* name, modStatic* model,
                             modShader* shaders, int byte1, int byte2);

    // The processed city file ".psdl" in "city". Load fills an empty city; a malformed file is
    // fatal.
    bool WritePSDL(const char* name, int targetSize);
    bool Load(const char* name);

    // Room slots including slot 0, which holds no room; every per-room array gets one entry
    // per slot.
    void AllocateRooms(uint32_t count);

    // The vertex table: count vertices and the spare pool after them, every float the
    // signalling-NaN fill.
    static void AllocateVertices(uint32_t count);
    // A float table of count zeros.
    static void AllocateFloats(uint32_t count);
    // An empty texture table of count entries: names, handles and material bytes are sized
    // together.
    static void AllocateTextures(uint32_t count);
    // A new entry at the end of the texture table, its material byte 0; returns its index.
    static uint32_t AddTexture(const char* name, gfxTexture* texture);

    // The spare vertex pool after the city's vertices: collision polygons take their extra
    // corners from it, so that every corner has a 16-bit vertex index. A query sets it up
    // before it builds polygons.
    static void SetupSparePool();
    static uint16_t AddSpareVertex(const Vector3& position);

    std::vector<uint32_t> m_RoomIds;
    uint32_t m_RoomCount;
    uint32_t m_FirstRoomCount;
    // The rooms LoadSDL makes, all at once, come from here. Declared before m_Rooms, so that
    // the rooms are destroyed before their memory.
    lvlSDLPool m_RoomPool;
    std::vector<std::unique_ptr<lvlSDL, lvlSDL::Deleter>> m_Rooms;
    std::vector<uint8_t> m_RoomTypes;
    std::vector<uint8_t> m_RoomGroups;
    // What the records of the last CollidePolyToLevel point at: its polygons, and a copy of
    // the spare corners they took, which GetVertex answers from while the pool serves others.
    std::vector<phPolygon> m_LevelPolys;
    std::vector<Vector3> m_LevelSpares;

    static std::vector<Vector3> sm_Vertices;
    static uint32_t sm_VertexCount;
    static uint32_t sm_VertexCapacity;
    // Set whenever the vertex table is made anew: the make's vertex hash is then refilled
    // from it before its next use.
    static bool sm_VertexHashStale;
    static std::vector<float> sm_Floats;
    // Set whenever the float table is made anew, as for the vertex hash.
    static bool sm_FloatHashStale;
    static std::vector<lvlCityTexture> sm_Textures;
    static uint32_t sm_TextureCount;
    static std::vector<uint8_t> sm_MaterialIndex;
    static uint32_t sm_Available;
    static uint32_t sm_NextSpare;
};

#endif
