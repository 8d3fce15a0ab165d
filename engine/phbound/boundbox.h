#ifndef PHBOUND_BOUNDBOX_H
#define PHBOUND_BOUNDBOX_H

#include <cstdint>

#include "phbound/boundpolygonal.h"
#include "phcore/poly.h"

class phColliderBase;
struct phImpact;

// A rectangular box: eight corners and six quads held in the object over constant topology
// tables, so that a box allocates nothing but its material list. Faces 0 to 5 are +x, -x,
// +y, -y, +z, -z.
class phBoundBox : public phBoundPolygonal {
public:
    static const int NUM_MATERIALS = 6;

    // Corners of a box of size 1 round the origin, and the same with components of 1.
    static const Vector3 UnitVertices[8];
    static const Vector3 CornerDirections[8];
    static uint16_t EdgeVertices[12][2];
    static const Vector3 EdgeNormals[12];
    static const int FaceCorners[6][4];
    static const int FaceEdges[6][4];
    static const Vector3 FaceNormals[6];
    static const int EdgeFaces[12][2];
    static const int VertexEdges[8][3];
    // The corner of a sign combination: (x > 0) + 2 (y > 0) + 4 (z > 0).
    static const int SignVertex[8];

    phBoundBox();
    explicit phBoundBox(const Vector3& size);
    ~phBoundBox() override;
    // The material list is owned, and the base points into the object: no plain copies.
    phBoundBox(const phBoundBox&) = delete;
    phBoundBox& operator=(const phBoundBox&) = delete;

    phMaterial* GetMaterial(int index) override;
    bool TestProbePoint(phSegment& segment, phIsect* isect, float tLimit) override;
    bool TestAIPoint(phSegment& segment, phIsect* isect) override;
    int TestEdgeSegment(phSegment& segment, phIsect* isects, int maxIsects) override;
    bool TestProbeSegment(phSegment& segment, phIsect* isect, float tLimit) override;
    float GetEdgeAngle(int edge) override;
    Vector3 GetEdgeNormal(int edge, Vector3& out) override;

    // A size without room on every axis (zero, negative or not finite) is refused with an
    // error naming it, and the box keeps its size: false.
    bool SetSize(const Vector3& size);
    bool ScaleSize(const Vector3& scale);
    // The corners move; the extents keep following the size and the centroid offset.
    void OffsetVertices(const Vector3& offset);
    void CalcExtents();
    // Takes the extents and materials of a text bound file. The size, corners and faces stay
    // as they were: a caller that wants the file's box calls ScaleSize or SetSize after.
    bool Load(const char* name);

    // The segment test of a box round the origin with half extents h: the entering face into
    // the record (with T, Position, Normal, Depth), or -1 when the segment does not enter it
    // by tLimit.
    static int TestCentredSegment(const Vector3& start, const Vector3& end, const Vector3& h,
                                  float tLimit, phIsect& isect);

    // A sphere (A, centre at offset from this box's position, moved by motion over the step)
    // against this box (B, at matrix). The normal points from the box towards the sphere;
    // the impact's type is the region of the box it touches (edge 0, face 1, vertex 2) and
    // its second feature the region's index.
    int CollideSphere(phBound* sphere, float radius, const Matrix34& matrix,
                      const Vector3& offset, const Vector3& motion, phColliderBase* colliderA,
                      phColliderBase* colliderB, phImpact* impacts);
    // This box (A) against another (B), each with its matrix of this and of the previous
    // step: at most maxnumimpacts impacts in world space, the normal from B towards A, the
    // depth less the pair's collision margin; 0 when apart or when maxnumimpacts is below 8.
    int CollideBox(phBoundBox* other, const Matrix34& matrix, const Matrix34& last,
                   const Matrix34& otherMatrix, const Matrix34& otherLast,
                   phColliderBase* colliderA, phColliderBase* colliderB, phImpact* impacts,
                   int maxnumimpacts);
    // The same for two boxes that stood still over the step.
    int CollideBox(phBoundBox* other, const Matrix34& matrix, const Matrix34& otherMatrix,
                   phColliderBase* colliderA, phColliderBase* colliderB, phImpact* impacts,
                   int maxnumimpacts) {
        return CollideBox(other, matrix, matrix, otherMatrix, otherMatrix, colliderA, colliderB,
                          impacts, maxnumimpacts);
    }

    // How a candidate contact direction of two boxes ranks: Depth is its depth less the
    // margin, Time how long ago (seconds) its contact began at its closing speed, the largest
    // float when it is not closing.
    struct AxisScore {
        float Time;
        float Depth;
    };
    static AxisScore ScoreAxis(float depth, float margin, float speed);
    // Whether a later candidate replaces the best so far: it must be shallower, and when the
    // best contact began within the gate (a fresh collision) also more recent.
    static bool TakesAxis(const AxisScore& best, const AxisScore& candidate, float gate);

    // The face dot pattern of two orientations: 1, -1 or 0 for each axis pair, with the dead
    // zone filled in until every row and column has one or two zeros at most.
    static void FaceDotPattern(const float dots[3][3], int pattern[3][3]);
    static bool CheckFourFaceDotPattern(const int pattern[3][3]);

    Vector3 Size;
    Vector3 BoxVertices[8];
    phPolygon Faces[6];
    phMaterial** BoxMaterials;

private:
    void Build(const Vector3& size);
    static bool Slabs(const Vector3& start, const Vector3& end, const Vector3& lo,
                      const Vector3& hi, int& enterFace, float& tEnter, int& exitFace,
                      float& tExit);
    void WriteHit(const phSegment& segment, int face, float t, bool entering,
                  phIsect& isect) const;
};

#endif
