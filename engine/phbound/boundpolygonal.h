#ifndef PHBOUND_BOUNDPOLYGONAL_H
#define PHBOUND_BOUNDPOLYGONAL_H

#include <cstdint>
#include <vector>

#include "phbound/bound.h"
#include "phcore/segment.h"
#include "vector/matrix34.h"
#include "vector/vector3.h"

class phColliderBase;
struct phImpact;
struct phPolygon;

// An edge-segment hit on the polygon kept as record 0 when it is the nearest so far (a tie
// goes to a front-side hit) and as record 1 when it is the farthest (a tie goes to a back-side
// hit); the bounds move with the records.
void phKeepEdgeHit(const phIsect& hit, int index, const phPolygon* polygon, phIsect* isects,
                   float& bestT, float& worstT);
// Lengthens the segment from c to p beyond p: doubled when the margin reaches |p - c|,
// otherwise by 1.5 margins.
void phExtendSegment(Vector3& p, const Vector3& c, float margin);
// The same on a test segment with phCollisionMargin: Start moves away from End.
void phExtendSegmentByMargin(phSegment& segment);

// The cursor over a polygonal bound's test segments: vertex paths from the last to the
// current position, then edges at the current position.
struct phSegmentState {
    const class phBoundPolygonal* Bound = nullptr;
    Matrix34 Current;
    Matrix34 Last;
    // One byte per vertex, non-zero for a far vertex; null when every vertex is near.
    const uint8_t* Far = nullptr;
    int Vertex = 0;
    int Edge = 0;
};

// The base of the bounds made of vertices, polygons and edges. The shapes set the arrays
// and counts; this class owns none of them.
class phBoundPolygonal : public phBound {
public:
    enum { SEGMENT_END = 0, SEGMENT_VERTEX = -1, SEGMENT_EDGE = 1 };

    int RemoveCentroidOffset() override;
    bool TestProbePoint(phSegment& segment, phIsect* isect, float tLimit) override;
    bool TestAIPoint(phSegment& segment, phIsect* isect) override;
    int TestEdgeSegment(phSegment& segment, phIsect* isects, int maxIsects) override;
    bool TestProbeSegment(phSegment& segment, phIsect* isect, float tLimit) override;
    bool TestSphere(const Vector3& centre, float radius, Vector3* position, Vector3* normal,
                    float* depth) override;
    const Vector3& GetVertex(int index) override;

    virtual float GetEdgeAngle(int edge) = 0;
    virtual Vector3 GetEdgeNormal(int edge, Vector3& out) = 0;
    // The edge's normal turned into the world of the matrix.
    Vector3 GetWorldEdgeNormal(int edge, const Matrix34& matrix);
    // This bound (A) against another polygonal bound (B): both directions of CollidePolys,
    // the records of A's features into isectsA, those of B's into isectsB; returns the sum.
    virtual int Collide(phBoundPolygonal* other, const Matrix34& matrix, const Matrix34& last,
                        const Matrix34& otherMatrix, const Matrix34& otherLast, bool vertexPaths,
                        phIsect* isectsA, int& countA, phIsect* isectsB, int& countB,
                        int maxIsects, const Vector3& direction);
    // This bound's test segments against any bound's TestSegment, in that bound's frame.
    virtual void CollideSegments(phBound* other, const Matrix34& matrix, const Matrix34& last,
                                 const Matrix34& otherMatrix, bool vertexPaths, phIsect* isects,
                                 int maxIsects, int& count, float threshold,
                                 const Vector3& direction);
    // This bound's vertex paths and edges against the other's polygons; records in the
    // other's frame. The vertices whose projection on the direction (in this bound's frame)
    // stays below the threshold are far and take no part.
    virtual int CollidePolys(phBoundPolygonal* other, const Matrix34& matrix,
                             const Matrix34& otherMatrix, const Matrix34& last,
                             const Matrix34& otherLast, phIsect* isects, int maxIsects,
                             int& count, float threshold, const Vector3& direction,
                             bool vertexPaths);

    // CollidePolys over the listed polygons of the other bound only (all of them for null);
    // an edge's exit from a polygon becomes a record of its own only when exits is set.
    int CollidePolysOver(phBoundPolygonal* other, const Matrix34& matrix,
                         const Matrix34& otherMatrix, const Matrix34& last,
                         const Matrix34& otherLast, phIsect* isects, int maxIsects, int& count,
                         float threshold, const Vector3& direction, bool vertexPaths,
                         const std::vector<int>* polygons, bool exits);

    // A sphere (bound A, world centre) against this bound (B, at matrix); impacts with the
    // normal from this bound towards the sphere. Returns the count.
    int CollideSphere(phBound* sphere, const Vector3& centre, float radius,
                      const Matrix34& matrix, const Vector3& direction, phColliderBase* colliderA,
                      phColliderBase* colliderB, phImpact* impacts, int maxImpacts);

    // The contact of a sphere (centre in this bound's frame) with polygon i: the
    // sphere-polygon test, or a face contact when the centre passed through the polygon over
    // the step (direction is the step reversed). kind and feature as phImpact's SetFeature
    // takes them; false for no contact.
    bool SphereContact(const Vector3& centre, float radius, const Vector3& direction, int i,
                       Vector3& point, Vector3& normal, float& depth, int& kind, int& feature);
    // That contact as the next impact at impacts[count] (in the world of the matrix), unless
    // it repeats an earlier one; true when it was counted.
    bool AddSphereImpact(phBound* sphere, const Vector3& centre, float radius,
                         const Vector3& direction, int i, const Matrix34& matrix,
                         phColliderBase* colliderA, phColliderBase* colliderB, int componentB,
                         phImpact* impacts, int& count);

    float GetSupport(const Vector3& direction, const Matrix34& matrix, Vector3& localDirection);
    float GetSupportMin(const Vector3& direction, const Matrix34& matrix,
                        Vector3& localDirection);

    void BeginSegments(bool vertexPaths, const Matrix34& current, const Matrix34& last,
                       phSegmentState& state) const;
    static int NextSegment(phSegment& segment, int& index, phSegmentState& state);

    int NumVertices = 0;
    int NumPolygons = 0;
    int NumEdges = 0;
    Vector3* Vertices = nullptr;
    phPolygon* Polygons = nullptr;
    uint16_t (*Edges)[2] = nullptr;

protected:
    explicit phBoundPolygonal(int type) : phBound(type) {}
};

#endif
