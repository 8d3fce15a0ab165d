// What the physics manager asks of the level when a mover meets the terrain: the polygons of
// the rooms around it, whether its box can reach the level at all, and the impacts of round
// bounds. The processed city answers the polygons from its rooms; these are the defaults.
#include "phys/levelbound.h"

#include "phbound/boundhotdog.h"
#include "phbound/impact.h"

int lvlLevelBound::CollidePolyToLevel(phBoundPolygonal* other, const int*, int, uint32_t id,
                                      const Matrix34& current, const Matrix34& last,
                                      phIsect* isects, int maxIsects, int& count,
                                      bool vertexPaths) {
    CollidePolygonal(other, 0, id, current, last, isects, maxIsects, count, vertexPaths);
    return count;
}

bool lvlLevelBound::TestBox(const phBound& box, const Matrix34& placement) {
    // The corners of the box in the world, each axis at its extreme.
    Vector3 lo = placement.d, hi = placement.d;
    const Vector3* axes[3] = {&placement.a, &placement.b, &placement.c};
    for (int i = 0; i < 3; ++i) {
        float from = (&box.BoxMin.x)[i], to = (&box.BoxMax.x)[i];
        const Vector3& axis = *axes[i];
        for (int k = 0; k < 3; ++k) {
            float a = (&axis.x)[k] * from, b = (&axis.x)[k] * to;
            (&lo.x)[k] += a < b ? a : b;
            (&hi.x)[k] += a < b ? b : a;
        }
    }
    return hi.x >= BoxMin.x && lo.x <= BoxMax.x && hi.y >= BoxMin.y && lo.y <= BoxMax.y &&
           hi.z >= BoxMin.z && lo.z <= BoxMax.z;
}

int lvlLevelBound::CollideSphereImpacts(phBound* sphere, const Vector3& position,
                                        phColliderBase* collider, phColliderBase* levelCollider,
                                        phImpact* impacts, int maxImpacts) {
    Vector3 point, normal;
    float depth = 0.0f;
    if (maxImpacts < 1 ||
        !TestSphere(position, sphere->RadiusAroundCentroid, &point, &normal, &depth)) {
        return 0;
    }
    impacts[0].SetAll(collider, levelCollider, point, normal, depth, sphere, this,
                      phImpact::A_ON_FACE, 0, 0);
    return 1;
}

int lvlLevelBound::CollideHotdogImpacts(phBoundHotdog* hotdog, const Matrix34& matrix,
                                        phColliderBase* collider, phColliderBase* levelCollider,
                                        phImpact* impacts, int maxImpacts) {
    int made = 0;
    for (float end : {-0.5f, 0.5f}) {
        Vector3 centre = matrix.d + matrix.b * (end * hotdog->Length);
        Vector3 point, normal;
        float depth = 0.0f;
        if (made < maxImpacts && TestSphere(centre, hotdog->Radius, &point, &normal, &depth)) {
            impacts[made++].SetAll(collider, levelCollider, point, normal, depth, hotdog, this,
                                   phImpact::A_ON_FACE, 0, 0);
        }
    }
    return made;
}
