// The perimeter cut of level instances: which part of a mesh lies inside a room's outline.
#include "phbound/boundgeometry.h"

#include <algorithm>

#include "data/assert.h"
#include "phcore/poly.h"
#include "vector/geometry.h"

namespace {

Vector3 TurnAboutY(const Vector3& v, float c, float s) {
    return Vector3(c * v.x - s * v.z, v.y, s * v.x + c * v.z);
}

bool Inside(const Vector3& v, const Vector3* perimeter, int count) {
    return geomPointInPolygonXZ(v.x, v.z, perimeter, count) != 0;
}

}  // namespace

bool phBoundGeometry::AnyVertexInPerimeter(const Vector3* perimeter, int count, float c,
                                           float s) {
    int nperimverts = count;
    Assert(nperimverts);
    for (int p = 0; p < NumPolygons; ++p) {
        const phPolygon& polygon = Polygons[p];
        for (int k = 0; k < polygon.NumSides(); ++k) {
            if (Inside(TurnAboutY(VertexStorage[polygon.VertexIndex[k]], c, s), perimeter, count)) {
                return true;
            }
        }
    }
    return false;
}

// The box and the centroid offset stay in the turned frame while the vertices go back into
// the source's orientation: the level instances place the copy with that in mind.
bool phBoundGeometry::CopyInsidePerimeter(phBoundGeometry* source, const Vector3* perimeter,
                                          int count, float c, float s) {
    phBoundGeometry* psrcgeom = source;
    int nperimverts = count;
    Assert(psrcgeom && nperimverts);
    Clear();
    static_cast<phBound&>(*this) = static_cast<const phBound&>(*source);
    SharesArrays = 1;
    GeomMaterials = source->GeomMaterials;
    GeomEdgeNormals = source->GeomEdgeNormals;
    GeomEdgeAngles = source->GeomEdgeAngles;
    NumVertices = source->NumVertices;
    AllocateVertices(NumVertices);
    for (int i = 0; i < NumVertices; ++i) {
        VertexStorage[i] = TurnAboutY(source->VertexStorage[i], c, s);
    }
    auto anyInside = [&](const phPolygon& polygon) {
        for (int k = 0; k < polygon.NumSides(); ++k) {
            if (Inside(VertexStorage[polygon.VertexIndex[k]], perimeter, count)) {
                return true;
            }
        }
        return false;
    };
    int inside = 0;
    for (int p = 0; p < source->NumPolygons; ++p) {
        inside += anyInside(source->Polygons[p]) ? 1 : 0;
    }
    Polygons = new phPolygon[inside > 0 ? inside : 1];
    BoxMin.Set(10000.0f, 10000.0f, 10000.0f);
    BoxMax.Set(-10000.0f, -10000.0f, -10000.0f);
    for (int p = 0; p < source->NumPolygons; ++p) {
        const phPolygon& polygon = source->Polygons[p];
        if (!anyInside(polygon)) {
            continue;
        }
        for (int k = 0; k < polygon.NumSides(); ++k) {
            const Vector3& v = VertexStorage[polygon.VertexIndex[k]];
            BoxMin.Set(std::min(BoxMin.x, v.x), std::min(BoxMin.y, v.y), std::min(BoxMin.z, v.z));
            BoxMax.Set(std::max(BoxMax.x, v.x), std::max(BoxMax.y, v.y), std::max(BoxMax.z, v.z));
        }
        Polygons[NumPolygons++] = polygon;
    }
    CalcCentroidAndRadius();
    const Vector3 centre = CentroidOffset;
    for (int i = 0; i < NumVertices; ++i) {
        const Vector3 v = VertexStorage[i];
        VertexStorage[i].Set(c * (v.x - centre.x) + s * (v.z - centre.z), v.y - centre.y,
                             c * (v.z - centre.z) - s * (v.x - centre.x));
    }
    return true;
}
