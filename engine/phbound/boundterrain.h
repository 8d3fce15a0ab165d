#ifndef PHBOUND_BOUNDTERRAIN_H
#define PHBOUND_BOUNDTERRAIN_H

#include <cstdint>
#include <vector>

#include "phbound/boundgeometry.h"

class phBoundHotdog;

// A large static mesh (a landscape, a street surface) whose polygons are indexed by a grid of
// buckets over the X/Z plane of its box. Queries list the buckets under their footprint and
// test only those buckets' polygons, each at most once per query through a bit of PolyMarks.
// The grid, the edge table and the edge data come from the binary ".ter" file beside the mesh.
class phBoundTerrain : public phBoundGeometry {
public:
    phBoundTerrain();
    ~phBoundTerrain() override;

    bool TestProbePoint(phSegment& segment, phIsect* isect, float tLimit) override;
    bool TestAIPoint(phSegment& segment, phIsect* isect) override;
    int TestEdgeSegment(phSegment& segment, phIsect* isects, int maxIsects) override;
    bool TestProbeSegment(phSegment& segment, phIsect* isect, float tLimit) override;
    bool TestSphere(const Vector3& centre, float radius, Vector3* position, Vector3* normal,
                    float* depth) override;
    void Draw(int mode) override;
    // A sphere (bound A, world centre) that moved by motion (world) this frame on the terrain
    // (B, at matrix): impacts over the polygons under its whole step, whose ComponentB is the
    // touched polygon's material, so that the response finds the terrain's material.
    // direction is the caller's, which the filter of several impacts goes by.
    int CollideSphere(phBound* sphere, const Vector3& centre, float radius,
                      const Matrix34& matrix, const Vector3& motion, const Vector3& direction,
                      phColliderBase* colliderA, phColliderBase* colliderB, phImpact* impacts,
                      int maxImpacts);
    // The terrain (B, at matrix) against a polygonal or box bound at otherMatrix, which stood
    // at otherLast a frame ago: the records of the terrain's edges on the other bound into
    // terrainIsects, those of the other bound's vertex paths and edges on the terrain into
    // otherIsects. direction is the caller's, from the other bound towards the terrain.
    // Returns the sum.
    virtual int CollidePolygonal(phBoundPolygonal* other, const Matrix34& otherMatrix,
                                 const Matrix34& otherLast, const Matrix34& matrix,
                                 phColliderBase* collider, phIsect* terrainIsects, int& terrainCount,
                                 phIsect* otherIsects, int& otherCount, int maxIsects,
                                 const Vector3& direction);
    // A capsule (A) that moved by motion (world) this frame against the terrain (B, at
    // matrix): impacts over the polygons under its whole swept footprint, with the normal
    // from the terrain towards the capsule. Either kind of terrain: its matrix places it.
    int CollideHotdog(phBoundHotdog* hotdog, const Matrix34& hotdogMatrix,
                      const Matrix34& matrix, const Vector3& motion, const Vector3& direction,
                      phColliderBase* colliderA, phColliderBase* colliderB, phImpact* impacts,
                      int maxImpacts);
    // The terrain's edges near the other bound's sphere against its TestEdgeSegment, each edge
    // once; records in the other bound's frame.
    int CollideEdges(phBoundPolygonal* other, const Matrix34& otherMatrix, const Matrix34& matrix,
                     phColliderBase* collider, phIsect* isects, int maxIsects);
    // The polygons of the listed buckets, each once.
    void ListedPolygons(std::vector<int>& out);
    // Bounds with more vertices than this collide through their own segments, not the
    // terrain's sweep over their vertices and edges.
    static const int SweepVertexLimit = 30;

    // The terrain loader finishes the mesh itself.
    void PostLoad() override {}

    // The mesh (".bbnd" when there is one, else ".bnd") and its ".ter" grid; false when the
    // terrain stands without a grid.
    bool Load(const char* name);
    // Writes the grid held in memory as the ".ter" file of the name.
    bool Create(const char* name);
    void EnableEdgeTests(bool on);
    void ClearPolyMarks();
    // Fill BucketList with the non-empty buckets under a sphere's or a segment's X/Z footprint.
    void CollectBucketPolys(const Vector3& centre, float radius);
    void CollectSegmentBuckets(const phSegment& segment);
    void WalkBuckets(float x0, float z0, float x1, float z1);
    // The polygon's index when this query has not tested it yet, marking it; -1 otherwise.
    int VisitPolygon(int entry);

    // The cell of a coordinate, clamped to the grid.
    int ColumnOf(float x) const;
    int RowOf(float z) const;

    uint8_t UseEdges = 0;
    Vector3 GridVector;
    int NumColumns = 0;
    int NumLayers = 0;
    int NumRows = 0;
    int NumBuckets = 0;
    int NumBucketPolys = 0;
    uint16_t* BucketStart = nullptr;
    uint16_t* BucketCount = nullptr;
    uint16_t* BucketPolys = nullptr;
    uint8_t* PolyMarks = nullptr;
    uint8_t* EdgeMarks = nullptr;
    Vector3 InvCellSize;
    uint16_t* BucketList = nullptr;
    int NumListed = 0;
    int MarksDirty = 2;

protected:
    // The polygon's outline into the debug lines, coloured by whether it was hit.
    void OutlinePolygon(int polygon, bool hit);
    // The box and the grid, and the polygons when asked, with lighting off.
    void DrawFrame(bool polygons);

private:
    // The ".ter" file into the members; false, with the message said, when it is missing or
    // does not fit the mesh. Nothing is changed on false.
    bool ReadGrid(const char* name);
    void FreeGrid();
    void ListBucket(int bucket);
    void ListRowSpan(int row, int first, int last);
};

// The terrain that draws its polygons as well and collides through the other bound's segments.
class phBoundTerrainAlt : public phBoundTerrain {
public:
    phBoundTerrainAlt();
    void Draw(int mode) override;
    // Always the other bound's own segments against the terrain; no edge pass.
    int CollidePolygonal(phBoundPolygonal* other, const Matrix34& otherMatrix,
                         const Matrix34& otherLast, const Matrix34& matrix,
                         phColliderBase* collider, phIsect* terrainIsects, int& terrainCount,
                         phIsect* otherIsects, int& otherCount, int maxIsects,
                         const Vector3& direction) override;
    // A capsule at hotdogMatrix (world) against the terrain at matrix, worked in the
    // terrain's own frame: the capsule's axis and centre are expressed through the matrix's
    // rows first, and motion and direction are given in that frame. Impacts come out in the
    // world.
    int CollideHotdog(phBoundHotdog* hotdog, const Matrix34& hotdogMatrix,
                      const Matrix34& matrix, const Vector3& motion, const Vector3& direction,
                      phColliderBase* colliderA, phColliderBase* colliderB, phImpact* impacts,
                      int maxImpacts);
};

// Normals packed into bytes and back; kept with the terrain for its tools.
uint8_t NormalToByte(float v);
void PackNormal(uint32_t& out, const float v[4]);
float ByteToNormal(uint8_t b);
void UnpackNormal(float out[4], uint32_t packed);

#endif
