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

namespace {

// Keywords and texture names are read into buffers of this size.
const int TokenSize = 32;
const float Lowering = 0.15f;
const uint8_t LoweredRoad = 0x10;

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
    SdlPass(lvlPSDL* city, TokenReader* reader, const char* fileName, SdlCounts* counts,
            bool fill)
        : m_City(city), m_Reader(reader), m_FileName(fileName), m_Counts(counts), m_Fill(fill) {}

    void Run();

private:
    void ReadTables(char* token);
    void ReadRoomCounts(const char* token);
    void ReadRooms();
    void BeginRoom(uint32_t roomNum);
    void EndRoom();
    void ReadCommand(const char* keyword, int count);
    void ReadPaired(const char* keyword, uint32_t opcode, int count);
    void ReadRoad(int count);
    void ReadDividedRoad(int count);
    void ReadExt(int count);
    void ReadStrip(int count);
    void ReadFan(const char* keyword, int count);
    void ReadPerimeter(int count);
    void ReadAiRoad(int count);

    int Vertex();
    void Lower(int vertex);
    void Drop(int count);
    void DropIntegers(int count);
    bool DropWithoutWholeGroup(bool miscounted, int groups, int count);
    [[noreturn]] void Malformed(const char* format, ...);

    lvlPSDL* m_City;
    TokenReader* m_Reader;
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
    FatalQuit("%s(%d): %s", m_FileName, m_Reader->GetLine(), text);
}

// An index that does not fit a word fails the word's own check (a negative one as the large
// unsigned value it would be); one that fits but lies past the table, the table's.
int SdlPass::Vertex() {
    int vertex = m_Reader->GetInt();
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
    char token[TokenSize];
    for (int i = 0; i < count; ++i) {
        if (!m_Reader->GetToken(token, sizeof(token))) {
            return;
        }
    }
}

// Values known to be integers are read as integers, so that a miscounted command cannot take
// the next keyword for one of its values.
void SdlPass::DropIntegers(int count) {
    for (int i = 0; i < count; ++i) {
        m_Reader->GetInt();
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
    char token[TokenSize];
    m_Reader->GetToken(token, sizeof(token));
    ReadTables(token);
    ReadRoomCounts(token);
    ReadRooms();
    PrintMessage("%d verts, %d rooms, %d codes", m_Counts->m_Vertices, m_Counts->m_Rooms,
                 m_Words);
}

void SdlPass::ReadTables(char* token) {
    uint32_t vertices = 0;
    while (!strcmp(token, "v")) {
        if (vertices == lvlPSDL::MaxVertices) {
            Malformed("More than %d vertices.", lvlPSDL::MaxVertices);
        }
        Vector3 vertex;
        m_Reader->GetVector3(vertex);
        // The bounds, the lowering and every later make compute with it.
        if (!IsCoordinate(vertex)) {
            Malformed("Vertex %u is not a number within +-%g.", vertices, double(MaxCoordinate));
        }
        if (m_Fill) {
            lvlPSDL::sm_Vertices[vertices] = vertex;
        }
        ++vertices;
        m_Reader->GetToken(token, TokenSize);
    }
    uint32_t textures = 1;
    while (!strcmp(token, "td")) {
        if (textures == lvlPSDL::MaxTextures) {
            Malformed("More than %d textures.", lvlPSDL::MaxTextures - 1);
        }
        char name[TokenSize];
        m_Reader->GetToken(name, sizeof(name));
        if (m_Fill) {
            lvlPSDL::sm_Textures[textures].m_Name = name;
        }
        ++textures;
        m_Reader->GetToken(token, TokenSize);
    }
    m_Counts->m_Vertices = vertices;
    m_Counts->m_Textures = textures;
}

void SdlPass::ReadRoomCounts(const char* token) {
    if (strcmp(token, "rooms")) {
        PrintError("Expected rooms command here");
        // The counts may still be there.
        m_Reader->PushBack(token, int(strlen(token)));
    }
    int a = m_Reader->GetInt();
    int b = m_Reader->GetInt();
    int c = m_Reader->GetInt();
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
    m_Reader->MatchToken("room");
    for (;;) {
        // Taken as unsigned: a negative number fails the bound like one too large.
        BeginRoom(uint32_t(m_Reader->GetInt()));
        char keyword[TokenSize];
        while (m_Reader->GetToken(keyword, sizeof(keyword)) && strcmp(keyword, "room")) {
            ReadCommand(keyword, m_Reader->GetInt());
        }
        EndRoom();
        if (strcmp(keyword, "room")) {
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
        m_City->m_Rooms[roomNum].reset(
            lvlSDL::Create(m_Counts->m_Perimeters[roomNum], m_Counts->m_Codes[roomNum]));
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

void SdlPass::ReadCommand(const char* keyword, int count) {
    if (!strcmp(keyword, "tex")) {
        if (count < 0 || uint32_t(count) >= m_Counts->m_Textures) {
            Malformed("Texture index %d out of range.", count);
        }
        m_Writer.Texture(uint32_t(count));
    } else if (!strcmp(keyword, "crosswalk")) {
        Assert(count == 4);
        m_Writer.Command(SDL_CROSSWALK, 4);
        for (int i = 0; i < 4; ++i) {
            m_Writer.Word(Vertex());
        }
    } else if (!strcmp(keyword, "sidewalk")) {
        ReadPaired(keyword, SDL_SIDEWALK, count);
    } else if (!strcmp(keyword, "alley")) {
        ReadPaired(keyword, SDL_ALLEY, count);
    } else if (!strcmp(keyword, "road")) {
        ReadRoad(count);
    } else if (!strcmp(keyword, "divroad")) {
        ReadDividedRoad(count);
    } else if (!strcmp(keyword, "ext")) {
        ReadExt(count);
    } else if (!strcmp(keyword, "ostrip")) {
        ReadStrip(count);
    } else if (!strcmp(keyword, "ofan") || !strcmp(keyword, "ofan2") ||
               !strcmp(keyword, "ofan3")) {
        ReadFan(keyword, count);
    } else if (!strcmp(keyword, "id")) {
        if (m_Fill) {
            m_City->m_RoomIds[m_Room] = uint32_t(count);
        }
    } else if (!strcmp(keyword, "type")) {
        m_RoomType = uint8_t(count);
        if (m_Fill) {
            m_City->m_RoomTypes[m_Room] = m_RoomType;
        }
    } else if (!strcmp(keyword, "perimeter")) {
        ReadPerimeter(count);
    } else if (!strcmp(keyword, "ai")) {
        ReadAiRoad(count);
    } else {
        Drop(count);
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
    m_Writer.Word(uint32_t(m_Reader->GetInt()));
    m_Writer.Fixed(m_Reader->GetFloat());
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
    m_Writer.Word(uint32_t(m_Reader->GetInt()));
    m_Writer.Fixed(m_Reader->GetFloat());
    int values = 2;
    if (count != 2 && count != 9) {
        m_Writer.Fixed(m_Reader->GetFloat());
        ++values;
    }
    for (; values < count; ++values) {
        m_Writer.Word(uint32_t(m_Reader->GetInt()));
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

void SdlPass::ReadFan(const char* keyword, int count) {
    if (count < 3) {
        PrintError("ofan count must be at least three");
        DropIntegers(count);
        return;
    }
    bool loweredRoad = (m_RoomType & LoweredRoad) != 0;
    bool writes = strcmp(keyword, "ofan3") != 0;
    bool lowers = !writes || (loweredRoad && !strcmp(keyword, "ofan"));
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
        int neighbour = m_Reader->GetInt();
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
    lvlAiRoad road;
    road.SetRoomCount(uint32_t(m_Reader->GetInt()));
    for (int i = 0; i < road.m_RoomCount; ++i) {
        int room = m_Reader->GetInt();
        if (room == 0 || abs(room) >= m_Counts->m_Rooms) {
            Malformed("AI road room %d out of range.", room);
        }
        road.SetRoom(i, room);
    }
    road.m_Flags = uint32_t(m_Reader->GetInt());
    int side0 = m_Reader->GetInt();
    int side1 = m_Reader->GetInt();
    if (side0 < 0 || side0 > 255 || side1 < 0 || side1 > 255) {
        Malformed("Bad AI lane counts %d %d.", side0, side1);
    }
    road.SetLaneCounts(side0, side1);
    for (int i = 0; i < side0 + side1; ++i) {
        float value = m_Reader->GetFloat();
        if (!IsCoordinate(value)) {
            Malformed("AI lane value %d is not a number within +-%g.", i, double(MaxCoordinate));
        }
        road.SetLaneValue(i, value);
    }
    for (uint16_t& vertex : road.m_RoadData) {
        vertex = uint16_t(Vertex());
    }
    for (uint8_t& info : road.m_SideInfo) {
        info = uint8_t(m_Reader->GetInt());
    }
    int values = 1 + road.m_RoomCount + 3 + side0 + side1 + 8 + 2;
    if (count != values) {
        Malformed("AI road count %d does not match its %d values.", count, values);
    }
    lvlAiMap::GetRoad(m_AiRoads++) = road;
}

}  // namespace

bool lvlPSDL::LoadSDL(const char* name) {
    Stream* stream = datAssetManager::Open("city", name, "sdl", false, true);
    if (!stream) {
        return false;
    }
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
        TokenReader reader(stream->m_Name, stream);
        SdlPass(this, &reader, stream->m_Name, &counts, fill).Run();
    }
    StreamClose(stream);
    ComputeBounds();
    return true;
}
