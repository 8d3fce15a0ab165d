// The table of shape routines behind the collision dispatch, and the shapes' own entries.
#include "phcollide/pairroutines.h"

#include "phbound/boundbox.h"
#include "phbound/boundhotdog.h"
#include "phbound/boundsphere.h"
#include "phbound/boundterrain.h"
#include "phbound/polypair.h"
#include "phcollide/collision.h"

namespace {

int SphereSphere(phBoundSphere* a, phBoundSphere* b, const Matrix34& matrixA,
                 const Vector3& offset, phColliderBase* colliderA, phColliderBase* colliderB,
                 phImpact* impacts) {
    return a->CollideSphere(b, matrixA, offset, colliderA, colliderB, impacts);
}

int PolygonalSphere(phBoundPolygonal* polygonal, phBound* sphere, const Vector3& centre,
                    float radius, const Matrix34& matrix, const Vector3& direction,
                    phColliderBase* sphereCollider, phColliderBase* polygonalCollider,
                    phImpact* impacts, int maxImpacts) {
    return polygonal->CollideSphere(sphere, centre, radius, matrix, direction, sphereCollider,
                                    polygonalCollider, impacts, maxImpacts);
}

int BoxSphere(phBoundBox* box, phBound* sphere, float radius, const Matrix34& matrix,
              const Vector3& offset, const Vector3& motion, phColliderBase* sphereCollider,
              phColliderBase* boxCollider, phImpact* impacts) {
    return box->CollideSphere(sphere, radius, matrix, offset, motion, sphereCollider,
                              boxCollider, impacts);
}

int HotdogSphere(phBoundHotdog* hotdog, phBound* sphere, float radius, const Matrix34& matrix,
                 const Vector3& offset, phColliderBase* sphereCollider,
                 phColliderBase* hotdogCollider, phImpact* impacts) {
    return hotdog->CollideSphere(sphere, radius, matrix, offset, sphereCollider, hotdogCollider,
                                 impacts);
}

int HotdogHotdog(phBoundHotdog* a, phBoundHotdog* b, const Matrix34& matrixA,
                 const Matrix34& matrixB, phColliderBase* colliderA, phColliderBase* colliderB,
                 phImpact* impacts, int maxImpacts) {
    return a->CollideHotdog(b, matrixA, matrixB, colliderA, colliderB, impacts, maxImpacts);
}

int HotdogPolygonal(phBoundHotdog* hotdog, phBoundPolygonal* polygonal,
                    const Matrix34& hotdogMatrix, const Matrix34& polygonalMatrix,
                    const Vector3& direction, phColliderBase* hotdogCollider,
                    phColliderBase* polygonalCollider, phImpact* impacts, int maxImpacts) {
    return hotdog->CollidePolygonal(polygonal, hotdogMatrix, polygonalMatrix, direction,
                                    hotdogCollider, polygonalCollider, impacts, maxImpacts);
}

int BoxBox(phBoundBox* a, phBoundBox* b, const Matrix34& matrixA, const Matrix34& lastA,
           const Matrix34& matrixB, const Matrix34& lastB, phColliderBase* colliderA,
           phColliderBase* colliderB, phImpact* impacts, int maxImpacts) {
    return a->CollideBox(b, matrixA, lastA, matrixB, lastB, colliderA, colliderB, impacts,
                         maxImpacts);
}

int PolygonalCollide(phBoundPolygonal* a, phBoundPolygonal* b, const Matrix34& matrixA,
                     const Matrix34& lastA, const Matrix34& matrixB, const Matrix34& lastB,
                     bool vertexPaths, phIsect* isectsA, int& countA, phIsect* isectsB,
                     int& countB, int maxIsects, const Vector3& direction) {
    return a->Collide(b, matrixA, lastA, matrixB, lastB, vertexPaths, isectsA, countA, isectsB,
                      countB, maxIsects, direction);
}

int TerrainSphere(phBoundTerrain* terrain, phBound* sphere, const Vector3& centre, float radius,
                  const Matrix34& matrix, const Vector3& motion, const Vector3& direction,
                  phColliderBase* sphereCollider, phColliderBase* terrainCollider,
                  phImpact* impacts, int maxImpacts) {
    return terrain->CollideSphere(sphere, centre, radius, matrix, motion, direction,
                                  sphereCollider, terrainCollider, impacts, maxImpacts);
}

int TerrainPolygonal(phBoundTerrain* terrain, phBoundPolygonal* other,
                     const Matrix34& otherMatrix, const Matrix34& otherLast,
                     const Matrix34& matrix, phColliderBase* otherCollider,
                     phIsect* terrainIsects, int& terrainCount, phIsect* otherIsects,
                     int& otherCount, int maxIsects, const Vector3& direction) {
    return terrain->CollidePolygonal(other, otherMatrix, otherLast, matrix, otherCollider,
                                     terrainIsects, terrainCount, otherIsects, otherCount,
                                     maxIsects, direction);
}

int TerrainHotdog(phBoundTerrain* terrain, phBoundHotdog* hotdog, const Matrix34& hotdogMatrix,
                  const Matrix34& matrix, const Vector3& motion, const Vector3& direction,
                  phColliderBase* hotdogCollider, phColliderBase* terrainCollider,
                  phImpact* impacts, int maxImpacts) {
    return terrain->CollideHotdog(hotdog, hotdogMatrix, matrix, motion, direction,
                                  hotdogCollider, terrainCollider, impacts, maxImpacts);
}

int TerrainAltHotdog(phBoundTerrainAlt* terrain, phBoundHotdog* hotdog,
                     const Matrix34& hotdogMatrix, const Matrix34& matrix, const Vector3& motion,
                     const Vector3& direction, phColliderBase* hotdogCollider,
                     phColliderBase* terrainCollider, phImpact* impacts, int maxImpacts) {
    return terrain->CollideHotdog(hotdog, hotdogMatrix, matrix, motion, direction,
                                  hotdogCollider, terrainCollider, impacts, maxImpacts);
}

const phPairRoutines ShapeRoutines = {
    SphereSphere,     PolygonalSphere,  BoxSphere,     HotdogSphere,
    HotdogHotdog,     HotdogPolygonal,  BoxBox,        PolygonalCollide,
    phCollidePolygonal, TerrainSphere,  TerrainPolygonal, TerrainHotdog,
    TerrainAltHotdog,   phCollision::CollidePointPolygonal, phCollision::CollidePointSphere,
    phCollision::CollidePointHotdog};

phPairRoutines Routines = ShapeRoutines;

}  // namespace

const phPairRoutines& phGetPairRoutines() {
    return Routines;
}

phPairRoutines phSetPairRoutines(const phPairRoutines& routines) {
    phPairRoutines previous = Routines;
    Routines = routines;
    return previous;
}

const phPairRoutines& phShapePairRoutines() {
    return ShapeRoutines;
}
