// The ".block" text: block records with their vertices and lot records, each lot with its
// element names, corner lists and either its walls or its landmark. Names resolve through the
// catalogues as they are read.
#include "cityedit/block.h"

#include "cityedit/catalog.h"
#include "cityedit/landmark.h"
#include "data/assert.h"
#include "data/bytes.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/token.h"
#include "vector/filevalue.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Keywords and element names, as the token buffer holds them.
const int tokenSize = 32;
// Landmark model names.
const int modelNameSize = 128;

// Structure the tokenizer cannot see (lists before their counts, indices out of range) would
// break the block later; the file is refused where it is found, naming the line.
[[noreturn]] void Malformed(const TokenReader& tokens, const char* what) {
    const char* file = tokens.GetFileName();
    FatalQuit("%s(%d): Malformed block data: %s.", file ? file : "", tokens.GetLine(), what);
}

void WriteNames(Stream* stream, const char* keyword, const ElementCatalog& catalog,
                const BlockLotEdge* edges, int n, int32_t BlockLotEdge::*field) {
    StreamPrintf(stream, "\n\t\t%s ", keyword);
    for (int i = 0; i < n; ++i) {
        StreamPrintf(stream, "\"%s\" ", catalog.GetName(edges[i].*field));
    }
}

void WriteInts(Stream* stream, const char* keyword, const BlockLotEdge* edges, int n,
               int32_t BlockLotEdge::*field) {
    StreamPrintf(stream, "\n\t\t%s ", keyword);
    for (int i = 0; i < n; ++i) {
        StreamPrintf(stream, "%d ", edges[i].*field);
    }
}

void WriteBreaks(Stream* stream, const char* keyword, const BlockLotEdge* edges, int n,
                 float BlockLotEdge::*field) {
    StreamPrintf(stream, "\n\t\t%s ", keyword);
    for (int i = 0; i < n; ++i) {
        StreamPrintf(stream, "%.2f ", edges[i].*field);
    }
}

// Values that print as "inf" or "nan" would not read back, and magnitudes past the city's
// coordinates overflow the geometry made from them: the file is refused instead.
static_assert(MaxCoordinate == 100000.0f, "the refusal names the range");
float ReadFinite(TokenReader& tokens) {
    float value = tokens.GetFloat();
    if (!IsCoordinate(value)) {
        Malformed(tokens, "a value is not a number within +-100000");
    }
    return value;
}

Vector3 ReadFinitePoint(TokenReader& tokens) {
    float x = ReadFinite(tokens);
    float y = ReadFinite(tokens);
    return Vector3(x, y, ReadFinite(tokens));
}

int ReadName(TokenReader& tokens, const ElementCatalog& catalog) {
    char name[tokenSize];
    tokens.GetToken(name, sizeof(name));
    return catalog.Find(name);
}

}  // namespace

void WriteLandmark(const BlockLandmark& landmark, Stream* stream) {
    const char* name = landmark.m_Name.c_str();
    if (const char* slash = strrchr(name, '\\')) {
        name = slash + 1;
    }
    // The offset goes as its bit patterns, so that it reads back exactly.
    StreamPrintf(stream,
                 "\n\t\tlandmark \"%s\" {\n\t\t\trotation %d\n\t\t\tscale %d\n"
                 "\t\t\tposition %.3f %.3f %.3f\n\t\t\toffset %d %d %d\n\t\t\tfixed %d\n\t\t}\n",
                 name, landmark.m_Rotation, landmark.m_Scale, landmark.m_Position.x,
                 landmark.m_Position.y, landmark.m_Position.z,
                 int32_t(BitsFromFloat(landmark.m_Offset.x)),
                 int32_t(BitsFromFloat(landmark.m_Offset.y)),
                 int32_t(BitsFromFloat(landmark.m_Offset.z)), landmark.m_Fixed);
}

std::unique_ptr<BlockLandmark> ReadLandmark(TokenReader& tokens, CityBlock& block,
                                            BlockLot& lot) {
    char name[modelNameSize];
    tokens.GetToken(name, sizeof(name));
    const char* base = name;
    for (const char* c = name; *c; ++c) {
        if (*c == '/' || *c == '\\') {
            base = c + 1;
        }
    }
    // The writer quotes the name: a quote inside it would end the name early on the next read.
    if (strchr(base, '"')) {
        Malformed(tokens, "a landmark name holds a double quote");
    }
    std::unique_ptr<BlockLandmark> landmark(new BlockLandmark(base));
    tokens.Match("{");
    char token[tokenSize];
    while (tokens.GetToken(token, sizeof(token)) > 0 && strcmp(token, "}") != 0) {
        if (strcmp(token, "rotation") == 0) {
            landmark->m_Rotation = int8_t(tokens.GetInt());
        } else if (strcmp(token, "scale") == 0) {
            landmark->m_Scale = uint8_t(tokens.GetInt());
        } else if (strcmp(token, "position") == 0) {
            landmark->m_Position = ReadFinitePoint(tokens);
        } else if (strcmp(token, "offset") == 0) {
            float* offset[] = {&landmark->m_Offset.x, &landmark->m_Offset.y,
                               &landmark->m_Offset.z};
            for (float* component : offset) {
                *component = FloatFromBits(uint32_t(tokens.GetInt()));
            }
            if (!IsCoordinate(landmark->m_Offset)) {
                Malformed(tokens, "a value is not a number within +-100000");
            }
        } else if (strcmp(token, "fixed") == 0) {
            landmark->m_Fixed = tokens.GetInt() != 0 ? 1 : 0;
        }
    }
    LoadLandmarkModel(*landmark);
    // Loading moves the landmark by the change of its model's offset.
    if (!IsCoordinate(landmark->m_Position)) {
        Malformed(tokens, "a value is not a number within +-100000");
    }
    if (!landmark->m_Fixed) {
        landmark->Sew(block, lot);
    }
    return landmark;
}

void BlockLot::Write(Stream* stream) {
    StreamPrintf(stream, "\tlot {\n\t\tfloor \"%s\"\n\t\textra \"%s\"\n",
                 FloorsCatalog.GetName(m_Floor), WallsCatalog.GetName(m_Extra));
    StreamPrintf(stream, "\t\trotation %d\n\t\tscale %d\n", m_Rotation, m_Scale);
    StreamPrintf(stream, "\t\theight %.4f\n\t\twalltile %.4f\n\t\tground %.4f\n\t\tpitch %.4f\n",
                 m_HeightOffset, m_WallTile, m_Ground, m_Pitch);
    if (m_Group != 0) {
        StreamPrintf(stream, "\t\tgroup %d\n", m_Group);
    }
    StreamPrintf(stream, "\t\tverts: %d\n\t\tperimeter ", m_VertexCount);
    for (int i = 0; i < m_VertexCount; ++i) {
        StreamPrintf(stream, "%d ", m_VertexIndex[i]);
    }
    StreamPrintf(stream, "\n\t\tadjacent ");
    for (int i = 0; i < m_VertexCount; ++i) {
        StreamPrintf(stream, "%d ", m_Adjacent[i]);
    }
    if (IsLandmark()) {
        WriteLandmark(*m_Landmark, stream);
    } else if (const BlockLotEdge* edges = Edges()) {
        int n = m_VertexCount;
        WriteNames(stream, "walls", WallsCatalog, edges, n, &BlockLotEdge::m_Wall);
        bool variants = false;
        for (int i = 0; i < n; ++i) {
            variants = variants || edges[i].m_WallVariant != 0;
        }
        if (variants) {
            WriteInts(stream, "wallVariants", edges, n, &BlockLotEdge::m_WallVariant);
        }
        WriteNames(stream, "wallSlivers", WallsCatalog, edges, n, &BlockLotEdge::m_Sliver);
        WriteInts(stream, "wallSliverVariants", edges, n, &BlockLotEdge::m_SliverVariant);
        WriteBreaks(stream, "wallBreak1", edges, n, &BlockLotEdge::m_WallBreak1);
        WriteBreaks(stream, "wallBreak2", edges, n, &BlockLotEdge::m_WallBreak2);
    }
    StreamPrintf(stream, "\n\t}\n");
}

namespace {

// What a lot record has given so far, beyond the lot's own fields.
struct LotReading {
    int32_t m_Sliver = 0;  // defaults for the edges of a later "walls" list
    int32_t m_SliverVariant = 0;
    bool m_Verts = false;
    bool m_Perimeter = false;
    bool m_Adjacent = false;
    bool m_Landmark = false;
    // Edge records are kept aside until the lot's height is known: only a raised lot has them.
    std::vector<BlockLotEdge> m_Edges;
};

template <class T>
void ReadEdgeList(TokenReader& tokens, LotReading& reading, T BlockLotEdge::*field,
                  T (*read)(TokenReader&)) {
    if (reading.m_Edges.empty()) {
        Malformed(tokens, "an edge list comes before its \"walls\"");
    }
    for (BlockLotEdge& edge : reading.m_Edges) {
        edge.*field = read(tokens);
    }
}

int32_t ReadInt(TokenReader& tokens) {
    return tokens.GetInt();
}

int32_t ReadWallName(TokenReader& tokens) {
    return ReadName(tokens, WallsCatalog);
}

}  // namespace

void BlockLot::Read(TokenReader& tokens, CityBlock& block) {
    tokens.Match("lot");
    tokens.Match("{");
    LotReading reading;
    char token[tokenSize];
    while (tokens.GetToken(token, sizeof(token)) > 0 && strcmp(token, "}") != 0) {
        if (strcmp(token, "floor") == 0) {
            m_Floor = ReadName(tokens, FloorsCatalog);
        } else if (strcmp(token, "extra") == 0) {
            m_Extra = ReadName(tokens, WallsCatalog);
        } else if (strcmp(token, "sliver") == 0) {
            reading.m_Sliver = ReadName(tokens, WallsCatalog);
        } else if (strcmp(token, "sliverVariant") == 0) {
            reading.m_SliverVariant = tokens.GetInt();
        } else if (strcmp(token, "rotation") == 0) {
            m_Rotation = int8_t(tokens.GetInt());
        } else if (strcmp(token, "scale") == 0) {
            m_Scale = uint8_t(tokens.GetInt());
        } else if (strcmp(token, "height") == 0) {
            m_HeightOffset = ReadFinite(tokens);
        } else if (strcmp(token, "walltile") == 0) {
            m_WallTile = ReadFinite(tokens);
        } else if (strcmp(token, "ground") == 0) {
            m_Ground = ReadFinite(tokens);
        } else if (strcmp(token, "pitch") == 0) {
            m_Pitch = ReadFinite(tokens);
        } else if (strcmp(token, "group") == 0) {
            m_Group = uint8_t(tokens.GetInt());
        } else if (strcmp(token, "verts:") == 0) {
            // A lot's corners are distinct vertices of the block.
            int n = tokens.GetInt();
            if (n < 0 || n > block.VertexCount()) {
                Malformed(tokens, "a lot has more corners than its block has vertices");
            }
            SetVertexCount(n);
            for (int i = 0; i < n; ++i) {
                m_VertexIndex[i] = -1;
                m_Adjacent[i] = -1;
            }
            reading.m_Verts = true;
            reading.m_Perimeter = false;
            reading.m_Adjacent = false;
            reading.m_Edges.clear();
        } else if (strcmp(token, "perimeter") == 0 || strcmp(token, "adjacent") == 0) {
            bool perimeter = token[0] == 'p';
            if (!reading.m_Verts) {
                Malformed(tokens, "a corner list comes before \"verts:\"");
            }
            int* values = perimeter ? m_VertexIndex.get() : m_Adjacent.get();
            for (int i = 0; i < m_VertexCount; ++i) {
                values[i] = tokens.GetInt();
            }
            (perimeter ? reading.m_Perimeter : reading.m_Adjacent) = true;
        } else if (strcmp(token, "walls") == 0) {
            if (!reading.m_Verts || m_VertexCount == 0) {
                Malformed(tokens, "\"walls\" comes before the lot's corners");
            }
            reading.m_Edges.assign(m_VertexCount, BlockLotEdge());
            for (BlockLotEdge& edge : reading.m_Edges) {
                edge.m_Wall = ReadName(tokens, WallsCatalog);
                edge.m_Sliver = reading.m_Sliver;
                edge.m_SliverVariant = reading.m_SliverVariant;
            }
        } else if (strcmp(token, "wallVariants") == 0) {
            ReadEdgeList(tokens, reading, &BlockLotEdge::m_WallVariant, ReadInt);
        } else if (strcmp(token, "wallSlivers") == 0) {
            ReadEdgeList(tokens, reading, &BlockLotEdge::m_Sliver, ReadWallName);
        } else if (strcmp(token, "wallSliverVariants") == 0) {
            ReadEdgeList(tokens, reading, &BlockLotEdge::m_SliverVariant, ReadInt);
        } else if (strcmp(token, "wallBreak1") == 0) {
            ReadEdgeList(tokens, reading, &BlockLotEdge::m_WallBreak1, ReadFinite);
        } else if (strcmp(token, "wallBreak2") == 0) {
            ReadEdgeList(tokens, reading, &BlockLotEdge::m_WallBreak2, ReadFinite);
        } else if (strcmp(token, "landmark") == 0) {
            Assert(m_HeightOffset == 0);
            // The landmark is sewn to the lot's outline as it is read, so the outline must
            // stand by then.
            if (!reading.m_Perimeter || m_VertexCount < 3) {
                Malformed(tokens, "a landmark comes before its lot's corners");
            }
            for (int i = 0; i < m_VertexCount; ++i) {
                if (m_VertexIndex[i] < 0 || m_VertexIndex[i] >= block.VertexCount()) {
                    Malformed(tokens, "a lot corner is not a vertex of the block");
                }
            }
            SetLandmark(ReadLandmark(tokens, block, *this));
            reading.m_Landmark = true;
        }
    }
    if (reading.m_Verts && !(reading.m_Perimeter && reading.m_Adjacent)) {
        Malformed(tokens, "a lot lacks its \"perimeter\" or \"adjacent\" list");
    }
    // The height decides what the lot's detail is; a record that does not fit it is dropped
    // or refused, never taken for the other kind.
    if (reading.m_Landmark && m_HeightOffset != 0.0f) {
        Malformed(tokens, "a raised lot carries a landmark");
    }
    if (!reading.m_Edges.empty()) {
        if (m_HeightOffset == 0.0f) {
            PrintWarning("Block %d: walls of a flat lot dropped.", block.m_Id);
        } else {
            MakeEdges();
            std::copy(reading.m_Edges.begin(), reading.m_Edges.end(), m_Edges.get());
        }
    }
}

void CityBlock::Write(Stream* stream) const {
    StreamPrintf(stream, "block {\n\tid: %d\n\tperimeter: %d\n\tverts: %d\n\tsolid: %d\n", m_Id,
                 m_PerimeterCount, m_VertexCount, m_Solid);
    for (int i = 0; i < m_VertexCount; ++i) {
        const Vector3& p = m_Vertices[i]->m_Position;
        StreamPrintf(stream, "\tv %.4f %.4f %.4f\n", p.x, p.y, p.z);
    }
    StreamPrintf(stream, "\tlots: %d\n", m_LotCount);
    for (int i = 0; i < m_LotCount; ++i) {
        m_Lots[i]->Write(stream);
    }
    StreamPrintf(stream, "}\n");
}

bool CityBlock::Read(TokenReader& tokens) {
    Clear();
    char token[tokenSize];
    tokens.GetToken(token, sizeof(token));
    if (strcmp(token, "block") != 0) {
        return false;
    }
    tokens.Match("{");
    if (tokens.CheckToken("id:", true)) {
        m_Id = tokens.GetInt();
    }
    int perimeter = tokens.MatchInt("perimeter:");
    int verts = tokens.MatchInt("verts:");
    if (tokens.CheckToken("solid:", true)) {
        m_Solid = tokens.GetInt() != 0 ? 1 : 0;
    }
    // One vertex at a time: a count the file does not hold ends at the tokenizer's refusal,
    // not in an allocation.
    for (int i = 0; i < verts; ++i) {
        tokens.Match("v");
        Vector3 position = ReadFinitePoint(tokens);
        Vertex(AddVertices(1))->m_Position = position;
    }
    if (perimeter < 0 || perimeter > m_VertexCount) {
        Malformed(tokens, "the block's perimeter is not among its vertices");
    }
    m_PerimeterCount = perimeter;
    int lots = tokens.MatchInt("lots:");
    for (int i = 0; i < lots; ++i) {
        Lot(AddLots(1))->Read(tokens, *this);
    }
    tokens.Match("}");
    for (const auto& lot : m_Lots) {
        if (lot->VertexCount() < 3) {
            Malformed(tokens, "a lot has fewer than three corners");
        }
        for (int i = 0; i < lot->VertexCount(); ++i) {
            int vertex = lot->VertexIndex(i);
            int adjacent = lot->Adjacent(i);
            if (vertex < 0 || vertex >= m_VertexCount) {
                Malformed(tokens, "a lot corner is not a vertex of the block");
            }
            if (adjacent < -1 || adjacent >= m_LotCount) {
                Malformed(tokens, "a lot borders a lot the block does not have");
            }
        }
    }
    return true;
}
