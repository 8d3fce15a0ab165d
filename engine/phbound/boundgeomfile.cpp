// The mesh bound's files: the text ".bnd" and the binary ".bbnd" of the "bound" directory.
// Counts and ids are checked against the file before anything is allocated or indexed, so a
// damaged file is refused with an error instead of reading or writing outside the arrays.
#include "phbound/boundgeometry.h"

#include <cstring>
#include <vector>

#include "data/asset.h"
#include "data/assert.h"
#include "data/bytes.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/token.h"
#include "phcore/material.h"
#include "phcore/materialmgr.h"
#include "phcore/poly.h"
#include "phbound/shapefile.h"

namespace {

const char* const BoundDirectory = "bound";
const uint32_t TextVersionBits = 0x3F8147AE;  // 1.01f
const int HeaderSize = 13;
const int PolygonRecordSize = 10;

uint16_t DecodeU16(const unsigned char* bytes) {
    return uint16_t(bytes[0] | bytes[1] << 8);
}

void EncodeU16(uint16_t value, unsigned char* bytes) {
    bytes[0] = (unsigned char)value;
    bytes[1] = (unsigned char)(value >> 8);
}

// A bound made by Init may leave material entries unset; they go out as the default material,
// the one a surface without a material of its own gets everywhere else, and read back as it.
const phMaterial* SavedMaterial(const phMaterial* material) {
    return material ? material : phMaterialMgr::Instance()->DefaultMaterial;
}

bool ReadExactly(Stream* stream, void* buffer, int64_t count) {
    return count == 0 || StreamRead(stream, buffer, int(count)) == count;
}

}  // namespace

bool phBoundGeometry::CheckPolygon(const char* name, int polygon, int material) {
    const phPolygon& p = Polygons[polygon];
    for (int k = 0; k < 4; ++k) {
        if (p.VertexIndex[k] >= NumVertices) {
            PrintError("phBoundGeometry: polygon %d of '%s' names vertex %d of %d.", polygon, name,
                       p.VertexIndex[k], NumVertices);
            return false;
        }
    }
    if (material >= NumMaterials) {
        PrintError("phBoundGeometry: polygon %d of '%s' names material %d of %d.", polygon, name,
                   material, NumMaterials);
        return false;
    }
    return true;
}

bool phBoundGeometry::Load(const char* name) {
    Stream* stream = datAssetManager::Open(BoundDirectory, name, "bnd", false, true);
    if (!stream) {
        return false;
    }
    const int64_t size = StreamSize(stream);
    TokenReader reader(name, stream);
    reader.MatchToken("version:");
    float version = reader.GetFloat();
    if (BitsFromFloat(version) != TextVersionBits) {
        StreamClose(stream);
        PrintError("phBoundGeometry::Load()- Bad file version number: %f", version);
        return false;
    }
    reader.MatchToken("verts:");
    int numVertices = reader.GetInt();
    if (numVertices == 0) {
        PrintWarning("phBoundGeometry::Load found zero vertices in %s.bnd.", name);
        StreamClose(stream);
        return false;
    }
    reader.MatchToken("materials:");
    int numMaterials = reader.GetInt();
    reader.MatchToken("edges:");
    int numEdges = reader.GetInt();
    reader.MatchToken("polys:");
    int numPolygons = reader.GetInt();
    if (numPolygons == 0) {
        PrintWarning("phBoundGeometry::Load found zero polygons in %s.bnd.", name);
        StreamClose(stream);
        return false;
    }
    if (numVertices > MaxVertices ||
        !phBoundTextCountsFit(size, numVertices, numMaterials, numEdges, numPolygons)) {
        PrintError("phBoundGeometry::Load()- '%s.bnd' has bad counts (%d verts, %d materials, %d "
                   "edges, %d polys).",
                   name, numVertices, numMaterials, numEdges, numPolygons);
        StreamClose(stream);
        return false;
    }
    Init(numVertices, numMaterials, numEdges, numPolygons);
    for (int i = 0; i < numVertices; ++i) {
        reader.MatchToken("v");
        reader.GetVector3(VertexStorage[i]);
        if (!phCheckBoundVertex("phBoundGeometry", "Load", name, "bnd", i, VertexStorage[i])) {
            StreamClose(stream);
            Clear();
            return false;
        }
    }
    for (int i = 0; i < numMaterials; ++i) {
        GeomMaterials[i] = phMaterialMgr::Instance()->Load(reader);
    }
    for (int i = 0; i < numEdges; ++i) {
        reader.MatchToken("edge");
        int a = reader.GetInt();
        int b = reader.GetInt();
        if (a < 0 || a >= numVertices || b < 0 || b >= numVertices) {
            PrintError("phBoundGeometry::Load()- edge %d of '%s.bnd' joins %d and %d of %d "
                       "vertices.",
                       i, name, a, b, numVertices);
            StreamClose(stream);
            Clear();
            return false;
        }
        EdgeStorage[i][0] = uint16_t(a);
        EdgeStorage[i][1] = uint16_t(b);
    }
    for (int i = 0; i < numPolygons; ++i) {
        char keyword[256];
        reader.GetToken(keyword, sizeof(keyword));
        bool quad = strcmp(keyword, "quad") == 0;
        if (!quad && strcmp(keyword, "tri") != 0) {
            StreamClose(stream);
            PrintError("phBoundGeometry::Load()- Expecting 'tri' or 'quad'; found '%s'", keyword);
            return false;
        }
        int ids[4] = {0, 0, 0, 0};
        for (int k = 0; k < (quad ? 4 : 3); ++k) {
            ids[k] = reader.GetInt();
            if (ids[k] < 0 || ids[k] >= numVertices) {
                PrintError("phBoundGeometry::Load()- polygon %d of '%s.bnd' names vertex %d of "
                           "%d.",
                           i, name, ids[k], numVertices);
                StreamClose(stream);
                Clear();
                return false;
            }
        }
        int m = reader.GetInt();
        Assert(m <= 255);
        if (m < 0 || m >= numMaterials) {
            PrintError("phBoundGeometry::Load()- polygon %d of '%s.bnd' names material %d of %d.",
                       i, name, m, numMaterials);
            StreamClose(stream);
            Clear();
            return false;
        }
        phPolygon& polygon = Polygons[i];
        if (!quad) {
            polygon.InitTriangle(ids[0], ids[1], ids[2], VertexStorage);
        } else if (ids[3] != 0) {
            polygon.InitQuad(ids[0], ids[1], ids[2], ids[3], VertexStorage);
        } else {
            polygon.InitQuad(ids[1], ids[2], ids[3], ids[0], VertexStorage);
        }
        polygon.MaterialIndex = uint8_t(m);
    }
    StreamClose(stream);
    PostLoad();
    return true;
}

bool phBoundGeometry::Save(const char* name) {
    Stream* stream = datAssetManager::CreateReplacing(BoundDirectory, name, "bnd", true);
    if (!stream) {
        PrintError("phBoundGeometry::Save()- Can't open file '%s'", name);
        return false;
    }
    TokenReader writer(name, stream);
    writer.PutString("version: 1.01\n", 0);
    const char* labels[4] = {"verts: ", "materials: ", "edges: ", "polys: "};
    const int counts[4] = {NumVertices, NumMaterials, 0, NumPolygons};
    for (int i = 0; i < 4; ++i) {
        writer.PutString(labels[i], 0);
        writer.PutInt(counts[i]);
        writer.PutString("\n", 0);
    }
    writer.PutString("\n", 0);
    for (int i = 0; i < NumVertices; ++i) {
        writer.PutString("v\t", 0);
        writer.PutVector3(VertexStorage[i]);
        writer.PutString("\n", 0);
    }
    writer.PutString("\n", 0);
    for (int i = 0; i < NumMaterials; ++i) {
        SavedMaterial(GeomMaterials[i])->Save(writer);
    }
    writer.PutString("\n", 0);
    writer.PutString("\n", 0);
    for (int i = 0; i < NumPolygons; ++i) {
        const phPolygon& polygon = Polygons[i];
        int sides = polygon.NumSides();
        writer.PutString(sides == 3 ? "tri " : "quad ", 0);
        for (int k = 0; k < sides; ++k) {
            writer.PutInt(polygon.VertexIndex[k]);
            writer.PutString(" ", 0);
        }
        writer.PutInt(polygon.MaterialIndex);
        writer.PutString("\n", 0);
    }
    if (StreamClose(stream) != 0) {
        PrintError("phBoundGeometry::Save()- Can't write file '%s'", name);
        return false;
    }
    return true;
}

bool phBoundGeometry::LoadBinary(const char* name) {
    Stream* stream = datAssetManager::Open(BoundDirectory, name, "bbnd", false, true);
    if (!stream) {
        return false;
    }
    const int64_t size = StreamSize(stream);
    unsigned char header[HeaderSize];
    if (!ReadExactly(stream, header, HeaderSize)) {
        PrintError("phBoundGeometry::LoadBinary()- '%s.bbnd' is cut short.", name);
        StreamClose(stream);
        return false;
    }
    BinaryVersion = header[0];
    int numVertices = int(DecodeU32(header + 1));
    int numMaterials = int(DecodeU32(header + 5));
    int numPolygons = int(DecodeU32(header + 9));
    if (numVertices <= 0 || numVertices > MaxVertices || numMaterials < 0 || numPolygons <= 0 ||
        HeaderSize + 12 * int64_t(numVertices) + int64_t(phMaterial::BinarySize) * numMaterials +
                int64_t(PolygonRecordSize) * numPolygons > size) {
        PrintError("phBoundGeometry::LoadBinary()- '%s.bbnd' has bad counts (%d verts, %d "
                   "materials, %d polys).",
                   name, numVertices, numMaterials, numPolygons);
        StreamClose(stream);
        return false;
    }
    Init(numVertices, numMaterials, 0, numPolygons);
    std::vector<unsigned char> bytes(12 * size_t(numVertices));
    bool complete = ReadExactly(stream, bytes.data(), int64_t(bytes.size()));
    for (int i = 0; complete && i < numVertices; ++i) {
        const unsigned char* v = bytes.data() + 12 * i;
        VertexStorage[i].Set(FloatFromBits(DecodeU32(v)), FloatFromBits(DecodeU32(v + 4)),
                             FloatFromBits(DecodeU32(v + 8)));
        if (!phCheckBoundVertex("phBoundGeometry", "LoadBinary", name, "bbnd", i,
                                VertexStorage[i])) {
            StreamClose(stream);
            Clear();
            return false;
        }
    }
    for (int i = 0; complete && i < numMaterials; ++i) {
        GeomMaterials[i] = phMaterialMgr::Instance()->LoadBinary(stream);
    }
    bytes.assign(PolygonRecordSize * size_t(numPolygons), 0);
    complete = complete && ReadExactly(stream, bytes.data(), int64_t(bytes.size()));
    StreamClose(stream);
    if (!complete) {
        PrintError("phBoundGeometry::LoadBinary()- '%s.bbnd' is cut short.", name);
        Clear();
        return false;
    }
    for (int i = 0; i < numPolygons; ++i) {
        const unsigned char* record = bytes.data() + PolygonRecordSize * i;
        phPolygon& polygon = Polygons[i];
        for (int k = 0; k < 4; ++k) {
            polygon.VertexIndex[k] = DecodeU16(record + 2 * k);
        }
        int index[1] = {DecodeU16(record + 8)};
        Assert(index[0] <= 255);
        if (!CheckPolygon(name, i, index[0])) {
            Clear();
            return false;
        }
        polygon.ComputeNormal(VertexStorage);
        polygon.MaterialIndex = uint8_t(index[0]);
    }
    PostLoad();
    return true;
}

bool phBoundGeometry::SaveBinary(const char* name) {
    Stream* stream = datAssetManager::CreateReplacing(BoundDirectory, name, "bbnd", true);
    if (!stream) {
        PrintError("phBoundGeometry::Save()- Can't open file '%s'", name);
        return false;
    }
    unsigned char header[HeaderSize];
    header[0] = BinaryVersion;
    EncodeU32(uint32_t(NumVertices), header + 1);
    EncodeU32(uint32_t(NumMaterials), header + 5);
    EncodeU32(uint32_t(NumPolygons), header + 9);
    StreamWrite(stream, header, HeaderSize);
    // Exactly the vertices, not the rounded-up storage: the reader takes 12 bytes per vertex.
    std::vector<unsigned char> bytes(12 * size_t(NumVertices));
    for (int i = 0; i < NumVertices; ++i) {
        unsigned char* v = bytes.data() + 12 * i;
        EncodeU32(BitsFromFloat(VertexStorage[i].x), v);
        EncodeU32(BitsFromFloat(VertexStorage[i].y), v + 4);
        EncodeU32(BitsFromFloat(VertexStorage[i].z), v + 8);
    }
    StreamWrite(stream, bytes.data(), int(bytes.size()));
    for (int i = 0; i < NumMaterials; ++i) {
        SavedMaterial(GeomMaterials[i])->SaveBinary(stream);
    }
    bytes.assign(PolygonRecordSize * size_t(NumPolygons), 0);
    for (int i = 0; i < NumPolygons; ++i) {
        unsigned char* record = bytes.data() + PolygonRecordSize * i;
        for (int k = 0; k < 4; ++k) {
            EncodeU16(Polygons[i].VertexIndex[k], record + 2 * k);
        }
        EncodeU16(Polygons[i].MaterialIndex, record + 8);
    }
    StreamWrite(stream, bytes.data(), int(bytes.size()));
    if (StreamClose(stream) != 0) {
        PrintError("phBoundGeometry::Save()- Can't write file '%s'", name);
        return false;
    }
    return true;
}
