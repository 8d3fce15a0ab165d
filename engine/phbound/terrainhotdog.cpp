// Capsules on the terrains: the polygons under the capsule's whole sweep over the frame are
// handed to the capsule's own polygon collide. The turned terrain first takes the capsule's
// axes and centre into its own frame and gives the impacts back in the world.
#include <algorithm>
#include <vector>

#include "phbound/boundhotdog.h"
#include "phbound/boundterrain.h"
#include "phbound/impact.h"

int phBoundTerrain::CollideHotdog(phBoundHotdog* hotdog, const Matrix34& hotdogMatrix,
                                  const Matrix34& matrix, const Vector3& motion,
                                  const Vector3& direction, phColliderBase* colliderA,
                                  phColliderBase* colliderB, phImpact* impacts,
                                  int maxImpacts) {
    const float h = 0.5f * hotdog->Length;
    const Vector3& centre = hotdogMatrix.d;
    const Vector3 previous = centre - motion;
    // About the world centroid, as the sphere collide culls.
    Vector3 centroid;
    GetWorldCentroid(matrix, centroid);
    float reach = hotdog->Radius + RadiusAroundCentroid + h;
    if (std::min((previous - centroid).Mag2(), (centre - centroid).Mag2()) > reach * reach ||
        maxImpacts <= 0) {
        return 0;
    }
    // The buckets under the whole swept capsule.
    Vector3 middle = phRotateToLocal((previous + centre) * 0.5f - matrix.d, matrix);
    CollectBucketPolys(middle, 0.5f * motion.Mag() + hotdog->Radius + h);
    std::vector<int> polygons;
    ListedPolygons(polygons);
    if (polygons.empty()) {
        return 0;
    }
    return hotdog->CollidePolygonalOver(this, hotdogMatrix, matrix, direction, colliderA,
                                        colliderB, impacts, maxImpacts, &polygons, motion);
}

int phBoundTerrainAlt::CollideHotdog(phBoundHotdog* hotdog, const Matrix34& hotdogMatrix,
                                     const Matrix34& matrix, const Vector3& motion,
                                     const Vector3& direction, phColliderBase* colliderA,
                                     phColliderBase* colliderB, phImpact* impacts,
                                     int maxImpacts) {
    Matrix34 local;
    local.DotTranspose(hotdogMatrix, matrix);
    int count = phBoundTerrain::CollideHotdog(hotdog, local, Matrix34::sm_Identity, motion,
                                              direction, colliderA, colliderB, impacts,
                                              maxImpacts);
    for (int i = 0; i < count; ++i) {
        impacts[i].Position.Transform(matrix);
        impacts[i].Normal = phRotateToWorld(impacts[i].Normal, matrix);
    }
    return count;
}
