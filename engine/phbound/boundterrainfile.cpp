// The terrain's ".ter" file: the bucket grid, the edge table, the polygons' edge ids and the
// edge normals and angles of a mesh, little-endian and unaligned. Every count, start and id
// is checked against the file and the mesh before the terrain takes any of it, so a damaged
// file leaves the terrain without a grid instead of indexing outside its arrays.
#include "phbound/boundterrain.h"

#include <algorithm>
#include <vector>

#include "data/asset.h"
#include "data/bytes.h"
#include "data/printer.h"
#include "data/stream.h"
#include "phcore/poly.h"
#include "vector/filevalue.h"

namespace {

const char* const BoundDirectory = "bound";
const uint32_t VersionBits = 0x3F8CCCCD;  // 1.1f
const int HeaderSize = 81;
const unsigned BigBucket = 10;
const float EdgeValueLimit = 2.0f;

// Cells per unit along x or z: cells from a thousandth of a unit up to the whole coordinate
// range, so that cell positions and counts stay finite in every bucket walk. Tested by the
// bits first: a signalling NaN traps in a comparison.
bool IsCellScale(float inverse) {
    return IsFiniteValue(inverse) && inverse >= 0.5f / MaxCoordinate && inverse <= 1000.0f;
}

// Reads fields in file order; reading past the end yields zeros and clears Complete.
struct ByteCursor {
    const std::vector<unsigned char>& Bytes;
    size_t At = 0;
    bool Complete = true;

    const unsigned char* Take(size_t count) {
        static const unsigned char Zeros[4] = {0, 0, 0, 0};
        if (At + count > Bytes.size()) {
            Complete = false;
            return Zeros;
        }
        const unsigned char* p = Bytes.data() + At;
        At += count;
        return p;
    }
    uint8_t U8() { return *Take(1); }
    uint16_t U16() {
        const unsigned char* p = Take(2);
        return uint16_t(p[0] | p[1] << 8);
    }
    uint32_t U32() { return DecodeU32(Take(4)); }
    int32_t I32() { return int32_t(U32()); }
    float F32() { return FloatFromBits(U32()); }
    Vector3 V3() {
        float x = F32();
        float y = F32();
        return Vector3(x, y, F32());
    }
};

struct ByteWriter {
    std::vector<unsigned char> Bytes;

    void U8(uint8_t v) { Bytes.push_back(v); }
    void U16(uint16_t v) {
        Bytes.push_back(uint8_t(v));
        Bytes.push_back(uint8_t(v >> 8));
    }
    void U32(uint32_t v) {
        unsigned char b[4];
        EncodeU32(v, b);
        Bytes.insert(Bytes.end(), b, b + 4);
    }
    void F32(float v) { U32(BitsFromFloat(v)); }
    void V3(const Vector3& v) {
        F32(v.x);
        F32(v.y);
        F32(v.z);
    }
};

// Everything the file holds, read before any of it is trusted.
struct TerrainFile {
    int32_t NumEdges = 0;
    uint8_t UseEdges = 0;
    Vector3 GridVector;
    int32_t NumColumns = 0, NumLayers = 0, NumRows = 0, NumBuckets = 0, NumBucketPolys = 0;
    Vector3 InvCellSize;
    std::vector<uint16_t> Starts, Counts, Polys, EdgeIds;
    std::vector<uint16_t> Edges;  // pairs
    std::vector<Vector3> EdgeNormals;
    std::vector<float> EdgeAngles;
};

// Why the header's counts cannot describe a grid of this file's size; null when they can.
const char* CheckCounts(const TerrainFile& f, int numPolygons, int64_t size) {
    if (f.NumEdges < 0 || f.NumBuckets < 0 || f.NumBucketPolys < 0) {
        return "negative count";
    }
    if (HeaderSize + 4 * int64_t(f.NumBuckets) + 2 * int64_t(f.NumBucketPolys) +
            20 * int64_t(f.NumEdges) + 16 * int64_t(numPolygons) > size) {
        return "cut short";
    }
    if (f.NumColumns <= 0 || f.NumRows <= 0 ||
        int64_t(f.NumColumns) * f.NumRows != f.NumBuckets) {
        return "bucket count is not columns x rows";
    }
    if (!IsCellScale(f.InvCellSize.x) || !IsCellScale(f.InvCellSize.z)) {
        return "bad cell size";
    }
    return nullptr;
}

// Why the edge normals (unit vectors) or edge angles (cosines, or 2 for none) are not values
// the edge tests can compute with; null when they are.
const char* CheckEdgeValues(const TerrainFile& f) {
    for (int e = 0; e < f.NumEdges; ++e) {
        const Vector3& n = f.EdgeNormals[size_t(e)];
        if (!IsValueWithin(n.x, EdgeValueLimit) || !IsValueWithin(n.y, EdgeValueLimit) ||
            !IsValueWithin(n.z, EdgeValueLimit) ||
            !IsValueWithin(f.EdgeAngles[size_t(e)], EdgeValueLimit)) {
            return "edge normal or angle is not a number within +-2";
        }
    }
    return nullptr;
}

// Why the tables index outside the lists or the mesh; null when they do not.
const char* CheckTables(const TerrainFile& f, int numPolygons, int numVertices) {
    for (int b = 0; b < f.NumBuckets; ++b) {
        if (int(f.Starts[b]) + f.Counts[b] > f.NumBucketPolys) {
            return "bucket runs past the polygon list";
        }
    }
    for (uint16_t p : f.Polys) {
        if (p >= numPolygons) {
            return "bucket names a missing polygon";
        }
    }
    for (uint16_t v : f.Edges) {
        if (v >= numVertices) {
            return "edge names a missing vertex";
        }
    }
    for (uint16_t e : f.EdgeIds) {
        if (e >= f.NumEdges) {
            return "polygon names a missing edge";
        }
    }
    return nullptr;
}

void ReadList(ByteCursor& in, std::vector<uint16_t>& list, int count) {
    list.resize(size_t(count));
    for (uint16_t& v : list) {
        v = in.U16();
    }
}

}  // namespace

bool phBoundTerrain::ReadGrid(const char* name) {
    Stream* stream = datAssetManager::Open(BoundDirectory, name, "ter", false, true);
    if (!stream) {
        PrintWarning("phBoundTerrain::Load()- Can't open file '%s.ter'", name);
        return false;
    }
    const int64_t size = StreamSize(stream);
    std::vector<unsigned char> bytes(size_t(size > 0 ? size : 0));
    bool read = bytes.empty() || StreamRead(stream, bytes.data(), int(bytes.size())) == size;
    StreamClose(stream);
    if (!read) {
        PrintError("phBoundTerrain::Load() - %s.ter is damaged: cannot be read", name);
        return false;
    }
    ByteCursor in{bytes};
    if (BitsFromFloat(in.F32()) != VersionBits) {
        PrintError("phBoundTerrain::Load() - %s.ter is the wrong version", name);
        return false;
    }
    if (in.I32() != NumPolygons) {
        PrintError("phBoundTerrain::Load() - %s.bnd file and %s.ter file don't match", name, name);
        return false;
    }
    TerrainFile f;
    f.NumEdges = in.I32();
    f.UseEdges = in.U8();
    f.GridVector = in.V3();
    f.NumColumns = in.I32();
    f.NumLayers = in.I32();
    f.NumRows = in.I32();
    f.NumBuckets = in.I32();
    f.NumBucketPolys = in.I32();
    f.InvCellSize = in.V3();
    in.V3();  // the box is recomputed from the vertices
    in.V3();
    const char* fault = CheckCounts(f, NumPolygons, size);
    if (!fault) {
        ReadList(in, f.Starts, f.NumBuckets);
        ReadList(in, f.Counts, f.NumBuckets);
        ReadList(in, f.Polys, f.NumBucketPolys);
        ReadList(in, f.Edges, 2 * f.NumEdges);
        f.EdgeIds.resize(4 * size_t(NumPolygons));
        for (uint16_t& id : f.EdgeIds) {
            id = uint16_t(in.U32());
        }
        f.EdgeNormals.resize(size_t(f.NumEdges));
        for (Vector3& n : f.EdgeNormals) {
            n = in.V3();
        }
        f.EdgeAngles.resize(size_t(f.NumEdges));
        for (float& a : f.EdgeAngles) {
            a = in.F32();
        }
        fault = CheckTables(f, NumPolygons, NumVertices);
        fault = fault ? fault : CheckEdgeValues(f);
    }
    if (fault) {
        PrintError("phBoundTerrain::Load() - %s.ter is damaged: %s", name, fault);
        return false;
    }

    FreeGrid();
    UseEdges = f.UseEdges;
    GridVector = f.GridVector;
    NumColumns = f.NumColumns;
    NumLayers = f.NumLayers;
    NumRows = f.NumRows;
    NumBuckets = f.NumBuckets;
    NumBucketPolys = f.NumBucketPolys;
    InvCellSize = f.InvCellSize;
    BucketStart = new uint16_t[NumBuckets];
    BucketCount = new uint16_t[NumBuckets];
    BucketPolys = new uint16_t[NumBucketPolys > 0 ? NumBucketPolys : 1];
    std::copy(f.Starts.begin(), f.Starts.end(), BucketStart);
    std::copy(f.Counts.begin(), f.Counts.end(), BucketCount);
    std::copy(f.Polys.begin(), f.Polys.end(), BucketPolys);
    PolyMarks = new uint8_t[(NumPolygons + 7) / 8]();
    BucketList = new uint16_t[NumBuckets + 1];

    delete[] EdgeStorage;
    delete[] GeomEdgeNormals;
    delete[] GeomEdgeAngles;
    NumEdges = f.NumEdges;
    EdgeStorage = new uint16_t[NumEdges > 0 ? NumEdges : 1][2]();
    Edges = EdgeStorage;
    GeomEdgeNormals = new Vector3[NumEdges > 0 ? NumEdges : 1];
    GeomEdgeAngles = new float[NumEdges > 0 ? NumEdges : 1];
    for (int e = 0; e < NumEdges; ++e) {
        EdgeStorage[e][0] = f.Edges[2 * e];
        EdgeStorage[e][1] = f.Edges[2 * e + 1];
        GeomEdgeNormals[e] = f.EdgeNormals[e];
        GeomEdgeAngles[e] = f.EdgeAngles[e];
    }
    for (int p = 0; p < NumPolygons; ++p) {
        for (int k = 0; k < 4; ++k) {
            Polygons[p].EdgeIndex[k] = f.EdgeIds[4 * p + k];
        }
    }

    unsigned biggest = 0;
    for (int b = 0; b < NumBuckets; ++b) {
        biggest = BucketCount[b] > biggest ? BucketCount[b] : biggest;
    }
    if (biggest > BigBucket) {
        PrintWarning("%s: biggest bucket = %u", name, biggest);
    }
    return true;
}

bool phBoundTerrain::Create(const char* name) {
    Stream* stream = datAssetManager::CreateReplacing(BoundDirectory, name, "ter", false);
    if (!stream) {
        PrintError("phBoundTerrain::Create()- Can't open file '%s'", name);
        return false;
    }
    ByteWriter out;
    out.U32(VersionBits);
    out.U32(uint32_t(NumPolygons));
    out.U32(uint32_t(NumEdges));
    out.U8(UseEdges);
    out.V3(GridVector);
    out.U32(uint32_t(NumColumns));
    out.U32(uint32_t(NumLayers));
    out.U32(uint32_t(NumRows));
    out.U32(uint32_t(NumBuckets));
    out.U32(uint32_t(NumBucketPolys));
    out.V3(InvCellSize);
    out.V3(BoxMin);
    out.V3(BoxMax);
    for (int b = 0; b < NumBuckets; ++b) {
        out.U16(BucketStart[b]);
    }
    for (int b = 0; b < NumBuckets; ++b) {
        out.U16(BucketCount[b]);
    }
    for (int i = 0; i < NumBucketPolys; ++i) {
        out.U16(BucketPolys[i]);
    }
    for (int e = 0; e < NumEdges; ++e) {
        out.U16(EdgeStorage[e][0]);
        out.U16(EdgeStorage[e][1]);
    }
    for (int p = 0; p < NumPolygons; ++p) {
        for (int k = 0; k < 4; ++k) {
            out.U32(Polygons[p].EdgeIndex[k]);
        }
    }
    for (int e = 0; e < NumEdges; ++e) {
        out.V3(GeomEdgeNormals[e]);
    }
    for (int e = 0; e < NumEdges; ++e) {
        out.F32(GeomEdgeAngles[e]);
    }
    StreamWrite(stream, out.Bytes.data(), int(out.Bytes.size()));
    if (StreamClose(stream) != 0) {
        PrintError("phBoundTerrain::Create()- Can't write file '%s'", name);
        return false;
    }
    return true;
}
