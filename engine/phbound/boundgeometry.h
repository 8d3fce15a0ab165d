#ifndef PHBOUND_BOUNDGEOMETRY_H
#define PHBOUND_BOUNDGEOMETRY_H

#include <cstdint>

#include "phbound/boundpolygonal.h"

class phMaterial;
class phVertexPairIndex;

// The general mesh bound: vertices, triangles and quads with a material each, the edges
// between them and, per edge, a normal and an angle value for the polygon collisions. Loaded
// from the text ".bnd" or the binary ".bbnd" files of the "bound" directory.
class phBoundGeometry : public phBoundPolygonal {
public:
    // The most vertices a bound can index: polygon corners are 16-bit.
    static const int MaxVertices = 65535;
    // The first byte of the binary files: what the last binary load read, written back by
    // the next binary save.
    static uint8_t BinaryVersion;

    phBoundGeometry();
    ~phBoundGeometry() override;
    // The arrays are owned (or shared on purpose, see CopyInsidePerimeter): no plain copies.
    phBoundGeometry(const phBoundGeometry&) = delete;
    phBoundGeometry& operator=(const phBoundGeometry&) = delete;

    phMaterial* GetMaterial(int index) override;
    float GetEdgeAngle(int edge) override;
    Vector3 GetEdgeNormal(int edge, Vector3& out) override;
    // Edges, edge ids, edge normals and angles, extents; the last step of both loaders.
    virtual void PostLoad();

    void Init(int numVertices, int numMaterials, int numEdges, int numPolygons);
    bool Load(const char* name);
    bool Save(const char* name);
    bool LoadBinary(const char* name);
    bool SaveBinary(const char* name);

    void AddMissingEdges();
    void ComputeEdgeNums();
    void ComputeEdgeNormals();
    void CalcExtents();
    void OffsetVertices(const Vector3& offset);
    // Factors of 0 or less leave their axis alone. Edge normals are not recomputed.
    void ScaleVertices(float sx, float sy, float sz);
    void ComputePolygonNormals();
    // The first edge joining a and b in either direction, or -1: a search of the edge list,
    // for single questions (the preparation passes use a phVertexPairIndex).
    int FindEdge(int a, int b) const;

    // Mesh clean-up for preparation tools; both need PostLoad to have run.
    bool RemoveDuplicates();
    bool MergeCoplanarTriangles();

    // Perimeter operations of level instances: the perimeter's x and z are used, (c, s) turn
    // the bound about y.
    bool AnyVertexInPerimeter(const Vector3* perimeter, int count, float c, float s);
    bool CopyInsidePerimeter(phBoundGeometry* source, const Vector3* perimeter, int count, float c,
                             float s);

    Vector3* VertexStorage = nullptr;
    phMaterial** GeomMaterials = nullptr;
    uint16_t (*EdgeStorage)[2] = nullptr;
    Vector3* GeomEdgeNormals = nullptr;
    float* GeomEdgeAngles = nullptr;
    uint32_t SharesArrays = 0;

private:
    // Frees everything the bound holds and empties it, so that a failed load leaves no mixture
    // of two files.
    void Clear();
    void AllocateVertices(int count);
    // The normal and angle value of one edge; sides holds each polygon by its sides.
    void ComputeEdgeData(int edge, const phVertexPairIndex& sides);
    void RemovePolygon(int index);
    void RemoveEdge(int edge);
    bool WeldVertices();
    bool MergeEdges();
    void RemoveDegenerateTriangles();
    void RemoveDuplicatePolygons();
    // Checks a polygon's corners and material against the counts; false with an error.
    bool CheckPolygon(const char* name, int polygon, int material);
};

// Whether the angle at p1 between p0-p1 and p1-p2 is within tolerance radians of straight.
bool AreEdgesCollinear(const Vector3& p0, const Vector3& p1, const Vector3& p2, float tolerance);
bool IsConvexQuad(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d);

#endif
