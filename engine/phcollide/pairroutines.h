#ifndef PHCOLLIDE_PAIRROUTINES_H
#define PHCOLLIDE_PAIRROUTINES_H

#include "vector/matrix34.h"
#include "vector/vector3.h"

class phBound;
class phBoundBox;
class phBoundHotdog;
class phBoundPoint;
class phBoundPolygonal;
class phBoundSphere;
class phBoundTerrain;
class phBoundTerrainAlt;
class phColliderBase;
struct phImpact;
struct phIsect;
struct phPairSide;

// The shape routines that the collision dispatch hands each pair of bound types to, called
// through this table so that a test can put recording doubles in their place. Each mirrors
// the routine it stands for, with the bound it is called on first; each returns the number
// of impacts (or, for the polygonal and terrain record passes, records) it wrote.
struct phPairRoutines {
    int (*SphereSphere)(phBoundSphere* a, phBoundSphere* b, const Matrix34& matrixA,
                        const Vector3& offset, phColliderBase* colliderA,
                        phColliderBase* colliderB, phImpact* impacts);
    int (*PolygonalSphere)(phBoundPolygonal* polygonal, phBound* sphere, const Vector3& centre,
                           float radius, const Matrix34& matrix, const Vector3& direction,
                           phColliderBase* sphereCollider, phColliderBase* polygonalCollider,
                           phImpact* impacts, int maxImpacts);
    int (*BoxSphere)(phBoundBox* box, phBound* sphere, float radius, const Matrix34& matrix,
                     const Vector3& offset, const Vector3& motion,
                     phColliderBase* sphereCollider, phColliderBase* boxCollider,
                     phImpact* impacts);
    int (*HotdogSphere)(phBoundHotdog* hotdog, phBound* sphere, float radius,
                        const Matrix34& matrix, const Vector3& offset,
                        phColliderBase* sphereCollider, phColliderBase* hotdogCollider,
                        phImpact* impacts);
    int (*HotdogHotdog)(phBoundHotdog* a, phBoundHotdog* b, const Matrix34& matrixA,
                        const Matrix34& matrixB, phColliderBase* colliderA,
                        phColliderBase* colliderB, phImpact* impacts, int maxImpacts);
    int (*HotdogPolygonal)(phBoundHotdog* hotdog, phBoundPolygonal* polygonal,
                           const Matrix34& hotdogMatrix, const Matrix34& polygonalMatrix,
                           const Vector3& direction, phColliderBase* hotdogCollider,
                           phColliderBase* polygonalCollider, phImpact* impacts,
                           int maxImpacts);
    int (*BoxBox)(phBoundBox* a, phBoundBox* b, const Matrix34& matrixA, const Matrix34& lastA,
                  const Matrix34& matrixB, const Matrix34& lastB, phColliderBase* colliderA,
                  phColliderBase* colliderB, phImpact* impacts, int maxImpacts);
    // The records of a polygon pair, A's features into isectsA and B's into isectsB.
    int (*PolygonalCollide)(phBoundPolygonal* a, phBoundPolygonal* b, const Matrix34& matrixA,
                            const Matrix34& lastA, const Matrix34& matrixB,
                            const Matrix34& lastB, bool vertexPaths, phIsect* isectsA,
                            int& countA, phIsect* isectsB, int& countB, int maxIsects,
                            const Vector3& direction);
    // Both sides' records into impacts.
    int (*FindImpacts)(phPairSide& a, phPairSide& b, int maxIsects, phImpact* impacts,
                       int maxImpacts);
    int (*TerrainSphere)(phBoundTerrain* terrain, phBound* sphere, const Vector3& centre,
                         float radius, const Matrix34& matrix, const Vector3& motion,
                         const Vector3& direction, phColliderBase* sphereCollider,
                         phColliderBase* terrainCollider, phImpact* impacts, int maxImpacts);
    int (*TerrainPolygonal)(phBoundTerrain* terrain, phBoundPolygonal* other,
                            const Matrix34& otherMatrix, const Matrix34& otherLast,
                            const Matrix34& matrix, phColliderBase* otherCollider,
                            phIsect* terrainIsects, int& terrainCount, phIsect* otherIsects,
                            int& otherCount, int maxIsects, const Vector3& direction);
    int (*TerrainHotdog)(phBoundTerrain* terrain, phBoundHotdog* hotdog,
                         const Matrix34& hotdogMatrix, const Matrix34& matrix,
                         const Vector3& motion, const Vector3& direction,
                         phColliderBase* hotdogCollider, phColliderBase* terrainCollider,
                         phImpact* impacts, int maxImpacts);
    // The same for the terrain that draws its polygons; motion and direction come in its frame.
    int (*TerrainAltHotdog)(phBoundTerrainAlt* terrain, phBoundHotdog* hotdog,
                            const Matrix34& hotdogMatrix, const Matrix34& matrix,
                            const Vector3& motion, const Vector3& direction,
                            phColliderBase* hotdogCollider, phColliderBase* terrainCollider,
                            phImpact* impacts, int maxImpacts);
    // The point-kind source's routines, called on the source.
    int (*PointPolygonal)(phBoundPoint* point, phColliderBase* pointCollider,
                          phBoundPolygonal* polygonal, phColliderBase* polygonalCollider);
    void (*PointSphere)(phBoundPoint* point, phColliderBase* pointCollider,
                        phBoundSphere* sphere, phColliderBase* sphereCollider);
    void (*PointHotdog)(phBoundPoint* point, phColliderBase* pointCollider,
                        phBoundHotdog* hotdog, phColliderBase* hotdogCollider);
};

// The routines in use.
const phPairRoutines& phGetPairRoutines();
// Puts a table in place and answers the one it replaces.
phPairRoutines phSetPairRoutines(const phPairRoutines& routines);
// The shapes' own routines.
const phPairRoutines& phShapePairRoutines();

#endif
