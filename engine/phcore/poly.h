#ifndef PHCORE_POLY_H
#define PHCORE_POLY_H

#include <cstdint>

#include "vector/vector3.h"
#include "vector/vector4.h"

struct phIsect;
struct phSegment;

// A face of a polygonal bound: a triangle or a convex quad whose corners index the owning
// bound's vertex array. A triangle is exactly a polygon whose fourth index is 0, so vertex 0
// can never be the fourth corner of a quad.
struct phPolygon {
    Vector3 Normal;
    float Area = 0.0f;
    uint8_t MaterialIndex = 0;  // index into the owning bound's materials
    Vector4 EdgeNormals[4];     // Normal x side direction, unit length, w = 1
    uint16_t VertexIndex[4] = {0, 0, 0, 0};
    uint16_t EdgeIndex[4] = {0, 0, 0, 0};

    phPolygon();

    int NumSides() const { return VertexIndex[3] != 0 ? 4 : 3; }

    void InitTriangle(int i0, int i1, int i2, const Vector3* vertices);
    void InitQuad(int i0, int i1, int i2, int i3, const Vector3* vertices);

    // Normal, area and edge normals; returns the number of sides.
    int ComputeNormal(const Vector3* vertices);
    // The edge normals alone, from the stored Normal; returns the number of sides.
    int ComputeEdgeNormals(Vector4* edgeNormals, const Vector3* vertices) const;
    // The city's name for the same computation.
    int ComputeEdgePlanes(Vector4* edgePlanes, const Vector3* vertices) const {
        return ComputeEdgeNormals(edgePlanes, vertices);
    }

    // Every corner, side and edge normal moves one place down; the first goes last.
    void RotateVertices();

    // Crossings of the segment from Start to End. Both write the record only on a hit.
    int TestSegmentFront(const Vector3* vertices, const phSegment& segment, phIsect& isect,
                         float tLimit) const;
    int TestSegment(const Vector3* vertices, const phSegment& segment, phIsect& isect, float tNear,
                    float tFar) const;

    // Whether the line from p towards q passes inside the polygon; no plane test. A line
    // running from the back to the front is never outside by the one-sided rule, so callers
    // check the plane side first.
    int IntersectSegmentFront(const Vector3* vertices, const Vector3& p, const Vector3& q) const;
    int IntersectSegment(const Vector3* vertices, const Vector4& p, const Vector4& q) const;

private:
    float PlaneDistance(const Vector3* vertices, const Vector3& point) const;
    void WriteHit(const phSegment& segment, float t, float depth, uint32_t frontSide,
                  phIsect& isect) const;
    bool IsInside(const Vector3* vertices, const Vector3& p, const Vector3& direction,
                  bool twoSided) const;
};

// The city's copy of the polygon it hit last, with its own corners (indices 0 to 3), so that
// it can be tested again without the city's vertex table.
struct phPolygonCache {
    phPolygon Polygon;
    Vector3 Vertices[4];
};

#endif
