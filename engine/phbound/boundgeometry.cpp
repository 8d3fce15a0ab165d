// The mesh bound: storage, post-load preparation (edges, edge ids, edge normals and angle
// values) and extents.
#include "phbound/boundgeometry.h"

#include <algorithm>
#include <vector>

#include "data/assert.h"
#include "data/printer.h"
#include "phbound/pairindex.h"
#include "phcore/poly.h"

uint8_t phBoundGeometry::BinaryVersion = 1;

namespace {

const float LargeFloat = 3.4028235e38f;

// Whether the polygon has the side from a to b, in its own winding.
bool HasSide(const phPolygon& polygon, int a, int b) {
    int sides = polygon.NumSides();
    for (int k = 0; k < sides; ++k) {
        if (polygon.VertexIndex[k] == a && polygon.VertexIndex[(k + 1) % sides] == b) {
            return true;
        }
    }
    return false;
}

}  // namespace

phBoundGeometry::phBoundGeometry() : phBoundPolygonal(GEOMETRY) {}

phBoundGeometry::~phBoundGeometry() {
    Clear();
}

void phBoundGeometry::Clear() {
    delete[] Polygons;
    delete[] VertexStorage;
    if (!SharesArrays) {
        delete[] GeomMaterials;
        delete[] EdgeStorage;
        delete[] GeomEdgeNormals;
        delete[] GeomEdgeAngles;
    }
    Polygons = nullptr;
    VertexStorage = nullptr;
    Vertices = nullptr;
    GeomMaterials = nullptr;
    EdgeStorage = nullptr;
    Edges = nullptr;
    GeomEdgeNormals = nullptr;
    GeomEdgeAngles = nullptr;
    SharesArrays = 0;
    NumVertices = NumMaterials = NumEdges = NumPolygons = 0;
}

// Rounded up to a multiple of four positions: the batch transforms read four at a time.
void phBoundGeometry::AllocateVertices(int count) {
    VertexStorage = new Vector3[(count + 3) & ~3];
    Vertices = VertexStorage;
}

void phBoundGeometry::Init(int numVertices, int numMaterials, int numEdges, int numPolygons) {
    Clear();
    NumVertices = numVertices;
    NumMaterials = numMaterials;
    NumEdges = numEdges;
    NumPolygons = numPolygons;
    AllocateVertices(numVertices);
    GeomMaterials = new phMaterial*[numMaterials > 0 ? numMaterials : 1]();
    if (numEdges > 0) {
        EdgeStorage = new uint16_t[numEdges][2]();
    }
    Edges = EdgeStorage;
    Polygons = new phPolygon[numPolygons > 0 ? numPolygons : 1];
}

phMaterial* phBoundGeometry::GetMaterial(int index) {
    return GeomMaterials[index];
}

float phBoundGeometry::GetEdgeAngle(int edge) {
    return GeomEdgeAngles[edge];
}

Vector3 phBoundGeometry::GetEdgeNormal(int edge, Vector3& out) {
    out = GeomEdgeNormals[edge];
    return out;
}

void phBoundGeometry::PostLoad() {
    AddMissingEdges();
    ComputeEdgeNums();
    ComputeEdgeNormals();
    CalcExtents();
}

int phBoundGeometry::FindEdge(int a, int b) const {
    for (int i = 0; i < NumEdges; ++i) {
        if ((EdgeStorage[i][0] == a && EdgeStorage[i][1] == b) ||
            (EdgeStorage[i][0] == b && EdgeStorage[i][1] == a)) {
            return i;
        }
    }
    return -1;
}

// A side is new when no edge and no earlier side joins its two vertices; new edges keep the
// direction and the order of the sides that brought them.
void phBoundGeometry::AddMissingEdges() {
    std::vector<std::pair<uint16_t, uint16_t>> sides;
    phVertexPairIndex earlier;
    sides.reserve(4 * size_t(NumPolygons));
    earlier.Reserve(4 * size_t(NumPolygons));
    for (int i = 0; i < NumPolygons; ++i) {
        const phPolygon& polygon = Polygons[i];
        int count = polygon.NumSides();
        Assert(((count >> 2) & 0xFFFFFFFE) == 0);
        int previous = polygon.VertexIndex[count - 1];
        for (int k = 0; k < count; ++k) {
            int current = polygon.VertexIndex[k];
            earlier.Add(previous, current, int(sides.size()));
            sides.push_back(std::make_pair(uint16_t(previous), uint16_t(current)));
            previous = current;
        }
    }
    earlier.Sort();
    phVertexPairIndex edges;
    edges.AddPairs(EdgeStorage, NumEdges);
    edges.Sort();
    std::vector<std::pair<uint16_t, uint16_t>> added;
    for (size_t s = 0; s < sides.size(); ++s) {
        int a = sides[s].first, b = sides[s].second;
        if (edges.Find(a, b) < 0 && earlier.Find(a, b) == int(s)) {
            added.push_back(sides[s]);
        }
    }
    if (added.empty()) {
        return;
    }
    int total = NumEdges + int(added.size());
    uint16_t(*storage)[2] = new uint16_t[total][2];
    for (int i = 0; i < NumEdges; ++i) {
        storage[i][0] = EdgeStorage[i][0];
        storage[i][1] = EdgeStorage[i][1];
    }
    for (size_t e = 0; e < added.size(); ++e) {
        storage[NumEdges + e][0] = added[e].first;
        storage[NumEdges + e][1] = added[e].second;
    }
    if (!SharesArrays) {
        delete[] EdgeStorage;
    }
    EdgeStorage = storage;
    Edges = storage;
    NumEdges = total;
}

void phBoundGeometry::ComputeEdgeNums() {
    phVertexPairIndex edges;
    edges.AddPairs(EdgeStorage, NumEdges);
    edges.Sort();
    for (int i = 0; i < NumPolygons; ++i) {
        phPolygon& polygon = Polygons[i];
        int sides = polygon.NumSides();
        for (int k = 0; k < sides; ++k) {
            int edge = edges.Find(polygon.VertexIndex[k], polygon.VertexIndex[(k + 1) % sides]);
            if (edge < 0) {
                PrintWarning("BoundGeom : ComputeEdgeNums: ERROR: edge missing!\n");
                edge = 0;
            }
            polygon.EdgeIndex[k] = uint16_t(edge);
        }
    }
}

void phBoundGeometry::ComputeEdgeNormals() {
    if (NumEdges == 0) {
        return;
    }
    if (GeomEdgeNormals) {
        PrintWarning("phBoundGeometry::ComputeEdgeNormals called twice!.\n");
        return;
    }
    GeomEdgeNormals = new Vector3[NumEdges];
    GeomEdgeAngles = new float[NumEdges];
    phVertexPairIndex sides;
    sides.Reserve(4 * size_t(NumPolygons));
    for (int i = 0; i < NumPolygons; ++i) {
        const phPolygon& polygon = Polygons[i];
        int count = polygon.NumSides();
        for (int k = 0; k < count; ++k) {
            sides.Add(polygon.VertexIndex[k], polygon.VertexIndex[(k + 1) % count], i);
        }
    }
    sides.Sort();
    // An edge that repeats an earlier one in the same direction gets the same values; a file
    // may repeat one edge many times.
    phVertexPairIndex directed(true);
    directed.AddPairs(EdgeStorage, NumEdges);
    directed.Sort();
    for (int i = 0; i < NumEdges; ++i) {
        int first = directed.Find(EdgeStorage[i][0], EdgeStorage[i][1]);
        if (first < i) {
            GeomEdgeNormals[i] = GeomEdgeNormals[first];
            GeomEdgeAngles[i] = GeomEdgeAngles[first];
        } else {
            ComputeEdgeData(i, sides);
        }
    }
}

// Only the polygons with a side joining the edge's vertices can have it; they are visited in
// polygon order, as a scan of all polygons would meet them.
void phBoundGeometry::ComputeEdgeData(int edge, const phVertexPairIndex& sides) {
    int a = EdgeStorage[edge][0];
    int b = EdgeStorage[edge][1];
    const Vector3* n1 = nullptr;
    const Vector3* n2 = nullptr;
    for (const phVertexPairIndex::Entry& entry : sides.Entries(a, b)) {
        const phPolygon& polygon = Polygons[entry.second];
        if (HasSide(polygon, a, b)) {
            n1 = &polygon.Normal;
        } else if (HasSide(polygon, b, a)) {
            n2 = &polygon.Normal;
        }
        if (n1 && n2) {
            break;
        }
    }
    if (!n1 && !n2) {
        GeomEdgeNormals[edge].Set(1.0f, 0.0f, 0.0f);
        GeomEdgeAngles[edge] = -1.0f;
        return;
    }
    Vector3 first = n1 ? *n1 : *n2 * -1.0f;
    Vector3 second = n2 ? *n2 : *n1 * -1.0f;
    Vector3 d = VertexStorage[b] - VertexStorage[a];
    Vector3 n = first + second;
    if (n.Mag2() < 1e-6f) {
        n.Cross(second, d);
        if (n.Mag2() < 1e-6f) {
            n.Set(0.0f, 1.0f, 0.0f);
        }
    }
    n.Normalize();
    GeomEdgeNormals[edge] = n;
    Vector3 side;
    side.Cross(n, d);
    GeomEdgeAngles[edge] = second.Dot(side) <= 0.0f ? second.Dot(n) : 2.0f;
}

void phBoundGeometry::CalcExtents() {
    Assert(NumVertices > 0);
    BoxMin.Set(LargeFloat, LargeFloat, LargeFloat);
    BoxMax.Set(-LargeFloat, -LargeFloat, -LargeFloat);
    for (int i = 0; i < NumVertices; ++i) {
        const Vector3& v = VertexStorage[i];
        BoxMin.Set(std::min(BoxMin.x, v.x), std::min(BoxMin.y, v.y), std::min(BoxMin.z, v.z));
        BoxMax.Set(std::max(BoxMax.x, v.x), std::max(BoxMax.y, v.y), std::max(BoxMax.z, v.z));
    }
    ScaleMargins();
    CalcCentroidAndRadius();
}

void phBoundGeometry::OffsetVertices(const Vector3& offset) {
    for (int i = 0; i < NumVertices; ++i) {
        VertexStorage[i] += offset;
    }
    CalcExtents();
}

void phBoundGeometry::ScaleVertices(float sx, float sy, float sz) {
    for (int i = 0; i < NumVertices; ++i) {
        Vector3& v = VertexStorage[i];
        v.Set(sx > 0.0f ? v.x * sx : v.x, sy > 0.0f ? v.y * sy : v.y, sz > 0.0f ? v.z * sz : v.z);
    }
    ComputePolygonNormals();
    CalcExtents();
}

void phBoundGeometry::ComputePolygonNormals() {
    for (int i = 0; i < NumPolygons; ++i) {
        Polygons[i].ComputeNormal(VertexStorage);
    }
}
