// The text bound file as the shape bounds read it: only the extents and the materials count.
#include "phbound/shapefile.h"

#include <cstdint>
#include <cstring>

#include "data/asset.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/token.h"
#include "phcore/materialmgr.h"
#include "vector/filevalue.h"

namespace {

const float LargeFloat = 3.4028235e38f;

// The fewest bytes of a vertex, an edge and a polygon record.
const int64_t MinVertexText = 8;
const int64_t MinEdgeText = 9;
const int64_t MinPolygonText = 12;

}  // namespace

bool phBoundTextCountsFit(int64_t fileSize, int numVertices, int numMaterials, int numEdges,
                          int numPolygons) {
    return numVertices >= 0 && numMaterials >= 0 && numEdges >= 0 && numPolygons >= 0 &&
           numVertices * MinVertexText + numMaterials + numEdges * MinEdgeText +
                   numPolygons * MinPolygonText <=
               fileSize;
}

bool phCheckBoundVertex(const char* className, const char* function, const char* name,
                        const char* extension, int index, const Vector3& vertex) {
    if (IsCoordinate(vertex)) {
        return true;
    }
    PrintError("%s::%s()- vertex %d of '%s.%s' is not a number within +-%g.", className, function,
               index, name, extension, double(MaxCoordinate));
    return false;
}

void phOwnMaterialFile::TakeMaterial(int, phMaterial* material) {
    m_Material.SetName(material->Name);
    m_Material.CopyProperties(*material);
}

bool phShapeFile::Read(const char* className, const char* name) {
    Stream* stream = datAssetManager::Open("bound", name, "bnd", false, true);
    if (!stream) {
        return false;
    }
    const int64_t size = StreamSize(stream);
    TokenReader reader(name, stream);
    reader.MatchToken("version:");
    char token[256];
    reader.GetToken(token, sizeof(token));
    if (strcmp(token, "1.01") != 0) {
        StreamClose(stream);
        PrintError("%s::Load()- Bad file version number %s", className, token);
        return false;
    }
    reader.MatchToken("verts:");
    int numVertices = reader.GetInt();
    reader.MatchToken("materials:");
    int numMaterials = reader.GetInt();
    reader.MatchToken("edges:");
    int numEdges = reader.GetInt();
    reader.MatchToken("polys:");
    int numPolygons = reader.GetInt();
    // Without a vertex there is no extent to take.
    if (numVertices == 0 ||
        !phBoundTextCountsFit(size, numVertices, numMaterials, numEdges, numPolygons)) {
        PrintError("%s::Load()- '%s.bnd' has bad counts (%d verts, %d materials, %d edges, %d "
                   "polys).",
                   className, name, numVertices, numMaterials, numEdges, numPolygons);
        StreamClose(stream);
        return false;
    }
    NumMaterials = numMaterials;
    if (numPolygons == 0) {
        PrintWarning("%s::Load found zero polygons in %s.bnd.", className, name);
    }
    BoxMax.Set(-LargeFloat, -LargeFloat, -LargeFloat);
    BoxMin.Set(LargeFloat, LargeFloat, LargeFloat);
    for (int i = 0; i < numVertices; ++i) {
        reader.MatchToken("v");
        Vector3 v;
        reader.GetVector3(v);
        if (!phCheckBoundVertex(className, "Load", name, "bnd", i, v)) {
            StreamClose(stream);
            return false;
        }
        BoxMin.Set(v.x < BoxMin.x ? v.x : BoxMin.x, v.y < BoxMin.y ? v.y : BoxMin.y,
                   v.z < BoxMin.z ? v.z : BoxMin.z);
        BoxMax.Set(v.x > BoxMax.x ? v.x : BoxMax.x, v.y > BoxMax.y ? v.y : BoxMax.y,
                   v.z > BoxMax.z ? v.z : BoxMax.z);
    }
    for (int i = 0; i < numMaterials; ++i) {
        TakeMaterial(i, phMaterialMgr::Instance()->Load(reader));
    }
    for (int i = 0; i < numEdges; ++i) {
        reader.MatchToken("edge");
        reader.GetInt();
        reader.GetInt();
    }
    for (int i = 0; i < numPolygons; ++i) {
        reader.GetToken(token, sizeof(token));
        int ids = strcmp(token, "tri") == 0 ? 4 : strcmp(token, "quad") == 0 ? 5 : 0;
        if (ids == 0) {
            StreamClose(stream);
            PrintError("%s::Load()- Expecting 'tri' or 'quad'; found '%s'", className, token);
            return false;
        }
        for (int k = 0; k < ids; ++k) {
            reader.GetInt();
        }
    }
    StreamClose(stream);
    return true;
}
