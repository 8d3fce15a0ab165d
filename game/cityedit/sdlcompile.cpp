#include "city/ai.h"
#include "city/psdl.h"
#include "data/asset.h"
#include "data/assert.h"
#include "data/stream.h"
#include "data/token.h"
#include "vector/filevalue.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Keywords and texture names are read into buffers of this size.
const int TokenSize = 32;
const float Lowering = 0.15f;
const uint8_t LoweredRoad = 0x10;
// The description is read twice from end to end, in pieces of this size: a device call per
// piece costs more than the scan of a slot buffer's worth.
const int ReadSize = 64 * 1024;

enum class Keyword {
    Tex, Crosswalk, Sidewalk, Alley, Road, DividedRoad, Ext, Strip, Fan, Fan2, Fan3, Id, Type,
    Perimeter, Ai, Room, Other
};

// Whether a token read into a buffer of TokenSize bytes is name, as strcmp tells it: name and
// its zero byte compared at once.
template <size_t Size>
bool Is(const char* token, const char (&name)[Size]) {
    static_assert(Size <= TokenSize, "a keyword fits the token buffer");
    return memcmp(token, name, Size) == 0;
}

// Every command of the file is looked up: by its first letter, so that it costs one or two
// comparisons.
Keyword FindKeyword(const char* token) {
    switch (token[0]) {
    case 'a':
        return Is(token, "ai") ? Keyword::Ai : Is(token, "alley") ? Keyword::Alley : Keyword::Other;
    case 'c':
        return Is(token, "crosswalk") ? Keyword::Crosswalk : Keyword::Other;
    case 'd':
        return Is(token, "divroad") ? Keyword::DividedRoad : Keyword::Other;
    case 'e':
        return Is(token, "ext") ? Keyword::Ext : Keyword::Other;
    case 'i':
        return Is(token, "id") ? Keyword::Id : Keyword::Other;
    case 'o':
        return Is(token, "ofan")    ? Keyword::Fan
               : Is(token, "ofan2") ? Keyword::Fan2
               : Is(token, "ofan3") ? Keyword::Fan3
               : Is(token, "ostrip") ? Keyword::Strip
                                     : Keyword::Other;
    case 'p':
        return Is(token, "perimeter") ? Keyword::Perimeter : Keyword::Other;
    case 'r':
        return Is(token, "road") ? Keyword::Road : Is(token, "room") ? Keyword::Room : Keyword::Other;
    case 's':
        return Is(token, "sidewalk") ? Keyword::Sidewalk : Keyword::Other;
    case 't':
        return Is(token, "tex") ? Keyword::Tex : Is(token, "type") ? Keyword::Type : Keyword::Other;
    default:
        return Keyword::Other;
    }
}

// What the counting pass finds and the filling pass relies on.
struct SdlCounts {
    uint32_t m_Vertices = 0;
    uint32_t m_Textures = 1;
    int m_Rooms = 0;
    uint32_t m_AiRoads = 0;
    std::vector<uint32_t> m_Perimeters;
    std::vector<uint32_t> m_Codes;
};

// One pass over the description. Both passes run this code and only the filling pass stores,
// so that the words counted for a room are exactly the words written into it.
class SdlPass {
public:
    SdlPass(lvlPSDL* city, Stream* stream, SdlCounts* counts, bool fill)
        : m_City(city), m_Reader(stream->m_Name, stream), m_FileName(stream->m_Name),
          m_Counts(counts), m_Fill(fill) {}

    void Run();

private:
    void ReadTables(char* token);
    void ReadRoomCounts(const char* token);
    void ReadRooms();
    void BeginRoom(uint32_t roomNum);
    void EndRoom();
    void ReadCommand(const char* name, Keyword keyword, int count);
    void ReadPaired(const char* keyword, uint32_t opcode, int count);
    void ReadRoad(int count);
    void ReadDividedRoad(int count);
    void ReadExt(int count);
    void ReadStrip(int count);
    void ReadFan(Keyword keyword, int count);
    void ReadPerimeter(int count);
    void ReadAiRoad(int count);

    int Vertex();
    void Lower(int vertex);
    void Drop(int count);
    void DropIntegers(int count);
    bool DropWithoutWholeGroup(bool miscounted, int groups, int count);
    [[noreturn]] void Malformed(const char* format, ...);

    lvlPSDL* m_City;
    TokenReader m_Reader;
    const char* m_FileName;
    SdlCounts* m_Counts;
    bool m_Fill;

    std::vector<bool> m_RoomSeen;
    int m_Room = 0;
    uint8_t m_RoomType = 0;
    uint32_t m_PerimeterFilled = 0;
    sdlCodeWriter m_Writer;
    uint32_t m_Words = 0;
    uint32_t m_AiRoads = 0;
};

void SdlPass::Malformed(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    FatalQuit("%s(%d): %s", m_FileName, m_Reader.GetLine(), text);
}

// An index that does not fit a word fails the word's own check (a negative one as the large
// unsigned value it would be); one that fits but lies past the table, the table's.
int SdlPass::Vertex() {
    int vertex = m_Reader.GetTextInt();
    if (uint32_t(vertex) >= m_Counts->m_Vertices) {
        sdlCodeWriter::CheckWord(uint32_t(vertex));
        Malformed("Vertex index %d out of range.", vertex);
    }
    return vertex;
}

void SdlPass::Lower(int vertex) {
    if (m_Fill) {
        lvlPSDL::sm_Vertices[vertex].y -= Lowering;
    }
}

// Values of unknown type. Stops where the file ends: a count need not be believed further
// than the values there are.
void SdlPass::Drop(int count) {
    for (int i = 0; i < count; ++i) {
        if (!m_Reader.SkipToken()) {
            return;
        }
    }
}

// Values known to be integers are read as integers, so that a miscounted command cannot take
// the next keyword for one of its values.
void SdlPass::DropIntegers(int count) {
    for (int i = 0; i < count; ++i) {
        m_Reader.GetTextInt();
    }
}

// A miscounted command with no whole group has nothing the format can hold: it is dropped
// and compilation goes on, as after any other count error.
bool SdlPass::DropWithoutWholeGroup(bool miscounted, int groups, int count) {
    if (!miscounted || groups > 0) {
        return false;
    }
    DropIntegers(count);
    return true;
}

void SdlPass::Run() {
    char token[TokenSize] = {};
    m_Reader.GetToken(token, sizeof(token));
    ReadTables(token);
    ReadRoomCounts(token);
    ReadRooms();
    PrintMessage("%d verts, %d rooms, %d codes", m_Counts->m_Vertices, m_Counts->m_Rooms,
                 m_Words);
}

void SdlPass::ReadTables(char* token) {
    uint32_t vertices = 0;
    while (Is(token, "v")) {
        if (vertices == lvlPSDL::MaxVertices) {
            Malformed("More than %d vertices.", lvlPSDL::MaxVertices);
        }
        Vector3 vertex;
        vertex.x = m_Reader.GetTextFloat();
        vertex.y = m_Reader.GetTextFloat();
        vertex.z = m_Reader.GetTextFloat();
        // The bounds, the lowering and every later make compute with it.
        if (!IsCoordinate(vertex)) {
            Malformed("Vertex %u is not a number within +-%g.", vertices, double(MaxCoordinate));
        }
        if (m_Fill) {
            lvlPSDL::sm_Vertices[vertices] = vertex;
        }
        ++vertices;
        m_Reader.GetToken(token, TokenSize);
    }
    uint32_t textures = 1;
    while (Is(token, "td")) {
        if (textures == lvlPSDL::MaxTextures) {
            Malformed("More than %d textures.", lvlPSDL::MaxTextures - 1);
        }
        char name[TokenSize];
        m_Reader.GetToken(name, sizeof(name));
        if (m_Fill) {
            lvlPSDL::sm_Textures[textures].m_Name = name;
        }
        ++textures;
        m_Reader.GetToken(token, TokenSize);
    }
    m_Counts->m_Vertices = vertices;
    m_Counts->m_Textures = textures;
}

void SdlPass::ReadRoomCounts(const char* token) {
    if (strcmp(token, "rooms")) {
        PrintError("Expected rooms command here");
        // The counts may still be there.
        m_Reader.PushBack(token, int(strlen(token)));
    }
    int a = m_Reader.GetTextInt();
    int b = m_Reader.GetTextInt();
    int c = m_Reader.GetTextInt();
    // Neighbour room numbers are 16-bit.
    const int maxRooms = 65536;
    if (a < 0 || b < 0 || c < 0 || a > maxRooms || b > maxRooms - a || c > maxRooms - a - b) {
        Malformed("Bad room counts %d %d %d.", a, b, c);
    }
    m_Counts->m_Rooms = a + b + c;
    m_RoomSeen.assign(m_Counts->m_Rooms, false);
    if (m_Fill) {
        m_City->m_FirstRoomCount = uint32_t(a);
    } else {
        m_Counts->m_Perimeters.assign(m_Counts->m_Rooms, 0);
        m_Counts->m_Codes.assign(m_Counts->m_Rooms, 0);
    }
}

void SdlPass::ReadRooms() {
    m_Reader.MatchToken("room");
    for (;;) {
        // Taken as unsigned: a negative number fails the bound like one too large.
        BeginRoom(uint32_t(m_Reader.GetTextInt()));
        // Zeroed, so that comparing a keyword past a shorter token's end compares known bytes.
        char name[TokenSize] = {};
        Keyword keyword = Keyword::Other;
        while (m_Reader.GetToken(name, sizeof(name)) &&
               (keyword = FindKeyword(name)) != Keyword::Room) {
            ReadCommand(name, keyword, m_Reader.GetTextInt());
        }
        EndRoom();
        if (keyword != Keyword::Room) {
            return;
        }
    }
}

void SdlPass::BeginRoom(uint32_t roomNum) {
    uint32_t rooms = uint32_t(m_Counts->m_Rooms);
    Assert(roomNum < rooms);
    // Slot 0 is never a room: the processed file does not store it.
    if (roomNum == 0) {
        Malformed("Bad room number 0.");
    }
    if (m_RoomSeen[roomNum]) {
        Malformed("Room %d appears twice.", roomNum);
    }
    m_RoomSeen[roomNum] = true;
    m_Room = roomNum;
    m_RoomType = 0;
    m_PerimeterFilled = 0;
    if (m_Fill) {
        m_City->m_Rooms[roomNum].reset(m_City->m_RoomPool.Create(m_Counts->m_Perimeters[roomNum],
                                                                 m_Counts->m_Codes[roomNum]));
        lvlSDL* room = m_City->m_Rooms[roomNum].get();
        m_Writer = sdlCodeWriter(room->GetCodes(), room->GetCodeCount());
    } else {
        m_Writer = sdlCodeWriter();
    }
}

void SdlPass::EndRoom() {
    m_Writer.MarkLast();
    m_Words += m_Writer.GetCount();
    if (!m_Fill) {
        m_Counts->m_Perimeters[m_Room] = m_PerimeterFilled;
        m_Counts->m_Codes[m_Room] = m_Writer.GetCount();
    }
}

void SdlPass::ReadCommand(const char* name, Keyword keyword, int count) {
    switch (keyword) {
    case Keyword::Tex:
        if (count < 0 || uint32_t(count) >= m_Counts->m_Textures) {
            Malformed("Texture index %d out of range.", count);
        }
        m_Writer.Texture(uint32_t(count));
        break;
    case Keyword::Crosswalk:
        Assert(count == 4);
        m_Writer.Command(SDL_CROSSWALK, 4);
        for (int i = 0; i < 4; ++i) {
            m_Writer.Word(Vertex());
        }
        break;
    case Keyword::Sidewalk:
        ReadPaired(name, SDL_SIDEWALK, count);
        break;
    case Keyword::Alley:
        ReadPaired(name, SDL_ALLEY, count);
        break;
    case Keyword::Road:
        ReadRoad(count);
        break;
    case Keyword::DividedRoad:
        ReadDividedRoad(count);
        break;
    case Keyword::Ext:
        ReadExt(count);
        break;
    case Keyword::Strip:
        ReadStrip(count);
        break;
    case Keyword::Fan:
    case Keyword::Fan2:
    case Keyword::Fan3:
        ReadFan(keyword, count);
        break;
    case Keyword::Id:
        if (m_Fill) {
            m_City->m_RoomIds[m_Room] = uint32_t(count);
        }
        break;
    case Keyword::Type:
        m_RoomType = uint8_t(count);
        if (m_Fill) {
            m_City->m_RoomTypes[m_Room] = m_RoomType;
        }
        break;
    case Keyword::Perimeter:
        ReadPerimeter(count);
        break;
    case Keyword::Ai:
        ReadAiRoad(count);
        break;
    default:
        Drop(count);
        break;
    }
}

// An odd count keeps its error, but the stream gets only whole steps: the odd value is read
// and dropped, so that no reader takes a vertex index for a command word.
void SdlPass::ReadPaired(const char* keyword, uint32_t opcode, int count) {
    if (count % 2) {
        PrintError("%s count must be multiple of two", keyword);
    }
    int steps = count / 2;
    if (DropWithoutWholeGroup(count % 2 != 0, steps, count)) {
        return;
    }
    m_Writer.Command(opcode, uint32_t(steps));
    for (int i = 0; i < 2 * steps; ++i) {
        m_Writer.Word(Vertex());
    }
    DropIntegers(count - 2 * steps);
}

void SdlPass::ReadRoad(int count) {
    if (count % 4) {
        PrintError("road count must be multiple of four");
    }
    int sections = count / 4;
    if (DropWithoutWholeGroup(count % 4 != 0, sections, count)) {
        return;
    }
    m_Writer.Command(SDL_ROAD, uint32_t(sections));
    for (int i = 0; i < sections; ++i) {
        int v[4];
        for (int& vertex : v) {
            vertex = Vertex();
            m_Writer.Word(vertex);
        }
        if (v[0] != v[1]) {
            Lower(v[1]);
            Lower(v[2]);
        }
    }
    DropIntegers(count - 4 * sections);
}

void SdlPass::ReadDividedRoad(int count) {
    if ((count - 2) % 6) {
        PrintError("divided road count must be multiple of six");
    }
    int sections = (count - 2) / 6;
    if (DropWithoutWholeGroup((count - 2) % 6 != 0, sections, count)) {
        return;
    }
    m_Writer.Command(SDL_DIVROAD, uint32_t(sections));
    m_Writer.Word(uint32_t(m_Reader.GetTextInt()));
    m_Writer.Fixed(m_Reader.GetTextFloat());
    for (int i = 0; i < sections; ++i) {
        int v[6];
        for (int& vertex : v) {
            vertex = Vertex();
            m_Writer.Word(vertex);
        }
        if (v[0] != v[1]) {
            Lower(v[1]);
            Lower(v[4]);
        }
        Lower(v[2]);
        Lower(v[3]);
    }
    DropIntegers(count - 2 - 6 * sections);
}

void SdlPass::ReadExt(int count) {
    if (count < 2) {
        PrintError("ext count must be at least two");
        DropIntegers(count);
        return;
    }
    m_Writer.Command(SDL_EXT, uint32_t(count));
    m_Writer.Word(uint32_t(m_Reader.GetTextInt()));
    m_Writer.Fixed(m_Reader.GetTextFloat());
    int values = 2;
    if (count != 2 && count != 9) {
        m_Writer.Fixed(m_Reader.GetTextFloat());
        ++values;
    }
    for (; values < count; ++values) {
        m_Writer.Word(uint32_t(m_Reader.GetTextInt()));
    }
}

// A strip of four becomes a fan a b d c; a strip of three is its own triangle.
void SdlPass::ReadStrip(int count) {
    if (count < 3) {
        PrintError("ostrip count must be at least three");
    }
    if (count < 3 || count > 4) {
        DropIntegers(count);
        return;
    }
    int v[4];
    for (int i = 0; i < count; ++i) {
        v[i] = Vertex();
    }
    m_Writer.Command(SDL_FLATFAN, uint32_t(count - 2));
    m_Writer.Word(v[0]);
    m_Writer.Word(v[1]);
    if (count == 4) {
        m_Writer.Word(v[3]);
    }
    m_Writer.Word(v[2]);
}

void SdlPass::ReadFan(Keyword keyword, int count) {
    if (count < 3) {
        PrintError("ofan count must be at least three");
        DropIntegers(count);
        return;
    }
    bool loweredRoad = (m_RoomType & LoweredRoad) != 0;
    bool writes = keyword != Keyword::Fan3;
    bool lowers = !writes || (loweredRoad && keyword == Keyword::Fan);
    if (writes) {
        m_Writer.Command(loweredRoad ? SDL_FLATFAN : SDL_FAN, uint32_t(count - 2));
    }
    for (int i = 0; i < count; ++i) {
        int vertex = Vertex();
        if (writes) {
            m_Writer.Word(vertex);
        }
        if (lowers) {
            Lower(vertex);
        }
    }
}

void SdlPass::ReadPerimeter(int count) {
    if (count < 0) {
        Malformed("Bad perimeter count %d.", count);
    }
    for (int i = 0; i < count; ++i) {
        int vertex = Vertex();
        int neighbour = m_Reader.GetTextInt();
        if (neighbour < 0 || neighbour >= m_Counts->m_Rooms) {
            Malformed("Neighbour room %d out of range.", neighbour);
        }
        if (m_Fill) {
            lvlPerimeterEntry& entry = m_City->m_Rooms[m_Room]->GetPerimeterEntry(m_PerimeterFilled);
            entry.m_Vertex = uint16_t(vertex);
            entry.m_Neighbour = uint16_t(neighbour);
        }
        ++m_PerimeterFilled;
    }
}

// The counting pass only counts the record and skips its values; the filling pass reads and
// checks them, and a count that does not match the record is found there.
void SdlPass::ReadAiRoad(int count) {
    if (!m_Fill) {
        ++m_Counts->m_AiRoads;
        Drop(count);
        return;
    }
    // Filled where it is kept: the table's records are new, and a record that does not read
    // whole ends the program.
    lvlAiRoad& road = lvlAiMap::GetRoad(m_AiRoads++);
    road.SetRoomCount(uint32_t(m_Reader.GetTextInt()));
    for (int i = 0; i < road.m_RoomCount; ++i) {
        int room = m_Reader.GetTextInt();
        if (room == 0 || abs(room) >= m_Counts->m_Rooms) {
            Malformed("AI road room %d out of range.", room);
        }
        road.SetRoom(i, room);
    }
    road.m_Flags = uint32_t(m_Reader.GetTextInt());
    int side0 = m_Reader.GetTextInt();
    int side1 = m_Reader.GetTextInt();
    if (side0 < 0 || side0 > 255 || side1 < 0 || side1 > 255) {
        Malformed("Bad AI lane counts %d %d.", side0, side1);
    }
    road.SetLaneCounts(side0, side1);
    for (int i = 0; i < side0 + side1; ++i) {
        float value = m_Reader.GetTextFloat();
        if (!IsCoordinate(value)) {
            Malformed("AI lane value %d is not a number within +-%g.", i, double(MaxCoordinate));
        }
        road.SetLaneValue(i, value);
    }
    for (uint16_t& vertex : road.m_RoadData) {
        vertex = uint16_t(Vertex());
    }
    for (uint8_t& info : road.m_SideInfo) {
        info = uint8_t(m_Reader.GetTextInt());
    }
    int values = 1 + road.m_RoomCount + 3 + side0 + side1 + 8 + 2;
    if (count != values) {
        Malformed("AI road count %d does not match its %d values.", count, values);
    }
}

}  // namespace

bool lvlPSDL::LoadSDL(const char* name) {
    Stream* stream = datAssetManager::Open("city", name, "sdl", false, true);
    if (!stream) {
        return false;
    }
    // A stream that refuses the larger buffer is only read in smaller pieces.
    std::vector<unsigned char> buffer(ReadSize);
    StreamSetBuffer(stream, buffer.data(), ReadSize);
    SdlCounts counts;
    for (int pass = 0; pass < 2; ++pass) {
        bool fill = pass == 1;
        if (fill) {
            AllocateVertices(counts.m_Vertices);
            AllocateRooms(uint32_t(counts.m_Rooms));
            lvlAiMap::Allocate(counts.m_AiRoads);
            AllocateTextures(counts.m_Textures);
            AllocateFloats(0);
        }
        StreamSeek(stream, 0);
        SdlPass(this, stream, &counts, fill).Run();
    }
    StreamClose(stream);
    ComputeBounds();
    return true;
}
