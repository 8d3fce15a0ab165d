// The collision dispatch: wrappers and composites taken apart, then each pair of shapes
// handed to the routine that knows them, with the matrices each side is tested at.
#include "phcollide/collision.h"

#include "data/assert.h"
#include "phbound/boundbox.h"
#include "phbound/boundcontainer.h"
#include "phbound/boundhotdog.h"
#include "phbound/boundsphere.h"
#include "phbound/boundterrain.h"
#include "phbound/impact.h"
#include "phbound/polypair.h"
#include "phcore/poly.h"
#include "phcollide/collider.h"
#include "phcollide/pairroutines.h"

namespace {

// One pair as the dispatch sees it. The colliders are null for bounds placed by matrices
// alone (the inner entry).
struct Pair {
    phBound* A;
    phBound* B;
    const Matrix34* CurrentA;
    const Matrix34* LastA;
    const Matrix34* CurrentB;
    const Matrix34* LastB;
    phColliderBase* ColliderA;
    phColliderBase* ColliderB;
    phIsect* Isects1;
    phIsect* Isects2;
    phImpact* Impacts;
    int MaxIsects;
    int MaxImpacts;
    Vector3 Direction;
    bool VertexPaths;
    // Whether an undefined pair of types is reported: only for the colliders' own bounds.
    bool Outer;
};

// The result of a pair of types the dispatch has no routine for.
const int UndefinedPair = -1;

int Collide(const Pair& pair);

bool IsSphereLike(int type) {
    return type == phBound::SPHERE || type == phBound::HOTDOG;
}

bool IsPolygonal(int type) {
    return type == phBound::GEOMETRY || type == phBound::BOX;
}

Vector3 Centre(const phBound& bound, const Matrix34& matrix) {
    Vector3 centre;
    bound.GetWorldCentroid(matrix, centre);
    return centre;
}

// How the round side Q moved against the polygonal side P over the frame, P's turn carried
// along: Q's offset from P now less its last offset turned with P.
Vector3 RelativeMotion(const Matrix34& currentP, const Matrix34& lastP,
                       const Matrix34& currentQ, const Matrix34& lastQ) {
    Vector3 motion;
    phCollision::GetRelativeOffset(&currentP, &lastP, &lastQ, currentQ.d - currentP.d, motion);
    return motion;
}

// A sphere or a capsule (round) against a geometry or a box (polygonal); the round side's
// collider comes first in the impacts.
int CollideRoundPolygonal(const phPairRoutines& r, phBound* round, const Matrix34& roundNow,
                          const Matrix34& roundLast, phColliderBase* roundCollider,
                          phBound* polygonal, const Matrix34& polyNow, const Matrix34& polyLast,
                          phColliderBase* polyCollider, const Pair& pair) {
    Vector3 motion = RelativeMotion(polyNow, polyLast, roundNow, roundLast);
    phBoundPolygonal* poly = static_cast<phBoundPolygonal*>(polygonal);
    if (round->Type == phBound::HOTDOG) {
        return r.HotdogPolygonal(static_cast<phBoundHotdog*>(round), poly, roundNow, polyNow,
                                 motion * -1.0f, roundCollider, polyCollider, pair.Impacts,
                                 pair.MaxImpacts);
    }
    float radius = static_cast<phBoundSphere*>(round)->Radius;
    if (polygonal->Type == phBound::BOX) {
        return r.BoxSphere(static_cast<phBoundBox*>(polygonal), round, radius, polyNow,
                           Centre(*round, roundNow) - polyNow.d, motion, roundCollider,
                           polyCollider, pair.Impacts);
    }
    return r.PolygonalSphere(poly, round, Centre(*round, roundNow), radius, polyNow,
                             motion * -1.0f, roundCollider, polyCollider, pair.Impacts,
                             pair.MaxImpacts);
}

// Sphere or capsule A against sphere or capsule B.
int CollideRound(const phPairRoutines& r, const Pair& pair) {
    phBound* a = pair.A;
    phBound* b = pair.B;
    if (a->Type == phBound::HOTDOG && b->Type == phBound::HOTDOG) {
        return r.HotdogHotdog(static_cast<phBoundHotdog*>(a), static_cast<phBoundHotdog*>(b),
                              *pair.CurrentA, *pair.CurrentB, pair.ColliderA, pair.ColliderB,
                              pair.Impacts, pair.MaxImpacts);
    }
    if (a->Type == phBound::SPHERE && b->Type == phBound::SPHERE) {
        return r.SphereSphere(static_cast<phBoundSphere*>(a), static_cast<phBoundSphere*>(b),
                              *pair.CurrentA, Centre(*b, *pair.CurrentB) - Centre(*a, *pair.CurrentA),
                              pair.ColliderA, pair.ColliderB, pair.Impacts);
    }
    // A sphere and a capsule: the routine is the capsule's, the sphere's collider first.
    bool sphereIsA = a->Type == phBound::SPHERE;
    phBound* sphere = sphereIsA ? a : b;
    phBound* hotdog = sphereIsA ? b : a;
    const Matrix34& sphereMatrix = sphereIsA ? *pair.CurrentA : *pair.CurrentB;
    const Matrix34& hotdogMatrix = sphereIsA ? *pair.CurrentB : *pair.CurrentA;
    return r.HotdogSphere(static_cast<phBoundHotdog*>(hotdog), sphere,
                          static_cast<phBoundSphere*>(sphere)->Radius, hotdogMatrix,
                          Centre(*sphere, sphereMatrix) - hotdogMatrix.d,
                          sphereIsA ? pair.ColliderA : pair.ColliderB,
                          sphereIsA ? pair.ColliderB : pair.ColliderA, pair.Impacts);
}

// One side of the pair with the records it fills.
phPairSide PairSide(const Pair& pair, bool sideA, phIsect* isects) {
    phPairSide side;
    side.Bound = sideA ? pair.A : pair.B;
    side.Collider = sideA ? pair.ColliderA : pair.ColliderB;
    side.Current = sideA ? *pair.CurrentA : *pair.CurrentB;
    side.Last = sideA ? *pair.LastA : *pair.LastB;
    side.Isects = isects;
    return side;
}

// Geometry or box A against geometry or box B.
int CollidePolygonPair(const phPairRoutines& r, const Pair& pair) {
    phBoundPolygonal* a = static_cast<phBoundPolygonal*>(pair.A);
    phBoundPolygonal* b = static_cast<phBoundPolygonal*>(pair.B);
    if (a->Type == phBound::BOX && b->Type == phBound::BOX) {
        return r.BoxBox(static_cast<phBoundBox*>(a), static_cast<phBoundBox*>(b), *pair.CurrentA,
                        *pair.LastA, *pair.CurrentB, *pair.LastB, pair.ColliderA,
                        pair.ColliderB, pair.Impacts, pair.MaxImpacts);
    }
    phPairSide sideA = PairSide(pair, true, pair.Isects1);
    phPairSide sideB = PairSide(pair, false, pair.Isects2);
    if (r.PolygonalCollide(a, b, *pair.CurrentA, *pair.LastA, *pair.CurrentB, *pair.LastB,
                           pair.VertexPaths, pair.Isects1, sideA.Count, pair.Isects2,
                           sideB.Count, pair.MaxIsects, pair.Direction) <= 0) {
        return 0;
    }
    return r.FindImpacts(sideA, sideB, pair.MaxIsects, pair.Impacts, pair.MaxImpacts);
}

// The terrain's side (B) of each impact carries the material of the polygon touched, which
// the response looks up; a contact off a terrain face takes the first material.
int StampTerrainMaterials(const phBoundTerrain& terrain, phImpact* impacts, int count) {
    for (int i = 0; i < count; ++i) {
        phImpact& impact = impacts[i];
        int polygon = impact.FeatureB;
        bool onFace = impact.Type == phImpact::A_ON_FACE && polygon >= 0 &&
                      polygon < terrain.NumPolygons;
        impact.ComponentB = onFace ? terrain.Polygons[polygon].MaterialIndex : 0;
    }
    return count;
}

// Anything but a terrain (A) against a terrain (B); the terrain routines take world values
// and the terrain's matrix, which places either kind of terrain.
int CollideTerrain(const phPairRoutines& r, const Pair& pair) {
    phBoundTerrain* terrain = static_cast<phBoundTerrain*>(pair.B);
    const Vector3 direction = pair.Direction * -1.0f;
    // How far A moved over the frame, from the place it is tested at.
    const Vector3 motion = pair.CurrentA->d - pair.LastA->d;
    switch (pair.A->Type) {
        case phBound::SPHERE:
            return r.TerrainSphere(terrain, pair.A, Centre(*pair.A, *pair.CurrentA),
                                   static_cast<phBoundSphere*>(pair.A)->Radius, *pair.CurrentB,
                                   motion, direction, pair.ColliderA, pair.ColliderB,
                                   pair.Impacts, pair.MaxImpacts);
        case phBound::HOTDOG: {
            phBoundHotdog* hotdog = static_cast<phBoundHotdog*>(pair.A);
            int count;
            if (terrain->Type == phBound::TERRAIN_ALT) {
                // This terrain works in its own frame.
                const Matrix34& placed = *pair.CurrentB;
                count = r.TerrainAltHotdog(static_cast<phBoundTerrainAlt*>(terrain), hotdog,
                                           *pair.CurrentA, placed,
                                           phRotateToLocal(motion, placed),
                                           phRotateToLocal(direction, placed), pair.ColliderA,
                                           pair.ColliderB, pair.Impacts, pair.MaxImpacts);
            } else {
                count = r.TerrainHotdog(terrain, hotdog, *pair.CurrentA, *pair.CurrentB, motion,
                                        direction, pair.ColliderA, pair.ColliderB,
                                        pair.Impacts, pair.MaxImpacts);
            }
            return StampTerrainMaterials(*terrain, pair.Impacts, count);
        }
        default: {
            phPairSide other = PairSide(pair, true, pair.Isects2);
            phPairSide ground = PairSide(pair, false, pair.Isects1);
            if (r.TerrainPolygonal(terrain, static_cast<phBoundPolygonal*>(pair.A),
                                   *pair.CurrentA, *pair.LastA, *pair.CurrentB, pair.ColliderA,
                                   pair.Isects1, ground.Count, pair.Isects2, other.Count,
                                   pair.MaxIsects, direction) <= 0) {
                return 0;
            }
            return StampTerrainMaterials(
                *terrain, pair.Impacts,
                r.FindImpacts(other, ground, pair.MaxIsects, pair.Impacts, pair.MaxImpacts));
        }
    }
}

// The routine of two shapes (neither a wrapper nor a composite), or UndefinedPair.
int CollideShapes(const Pair& pair) {
    const phPairRoutines& r = phGetPairRoutines();
    int a = pair.A->Type;
    int b = pair.B->Type;
    bool definedA = IsSphereLike(a) || IsPolygonal(a);
    bool definedB = IsSphereLike(b) || IsPolygonal(b) || b == phBound::TERRAIN ||
                    b == phBound::TERRAIN_ALT;
    if (!definedA || !definedB) {
        return UndefinedPair;
    }
    // Routines that write without a capacity need room for one.
    if (pair.MaxImpacts <= 0) {
        return 0;
    }
    if (b == phBound::TERRAIN || b == phBound::TERRAIN_ALT) {
        return CollideTerrain(r, pair);
    }
    if (IsSphereLike(a) && IsSphereLike(b)) {
        return CollideRound(r, pair);
    }
    if (IsPolygonal(a) && IsPolygonal(b)) {
        return CollidePolygonPair(r, pair);
    }
    if (IsSphereLike(a)) {
        return CollideRoundPolygonal(r, pair.A, *pair.CurrentA, *pair.LastA, pair.ColliderA,
                                     pair.B, *pair.CurrentB, *pair.LastB, pair.ColliderB, pair);
    }
    return CollideRoundPolygonal(r, pair.B, *pair.CurrentB, *pair.LastB, pair.ColliderB, pair.A,
                                 *pair.CurrentA, *pair.LastA, pair.ColliderA, pair);
}

// The parts of the composite on one side (partsOfA), from the last down, each culled by the
// bounding spheres and collided with the other side; the part's index goes into the
// component of the side its collider took in the impact.
int CollideParts(const Pair& pair, const phBoundComposite& composite, bool partsOfA) {
    const Matrix34& current = partsOfA ? *pair.CurrentA : *pair.CurrentB;
    const Matrix34& last = partsOfA ? *pair.LastA : *pair.LastB;
    const phBound& other = partsOfA ? *pair.B : *pair.A;
    const Vector3& otherPosition = partsOfA ? pair.CurrentB->d : pair.CurrentA->d;
    phColliderBase* own = partsOfA ? pair.ColliderA : pair.ColliderB;
    int total = 0;
    for (int i = composite.GetNumBounds() - 1; i >= 0; --i) {
        phBound* part = composite.Bounds[i];
        Matrix34 world;
        world.Dot(composite.Matrices[i], current);
        float reach = part->RadiusAroundCentroid + other.RadiusAroundCentroid;
        if (reach * reach < (world.d - otherPosition).Mag2()) {
            continue;
        }
        Matrix34 partLast;
        partLast.Dot(composite.Matrices[i], last);
        Pair sub = pair;
        sub.Outer = false;
        (partsOfA ? sub.A : sub.B) = part;
        (partsOfA ? sub.CurrentA : sub.CurrentB) = &world;
        (partsOfA ? sub.LastA : sub.LastB) = &partLast;
        sub.Impacts = pair.Impacts + total;
        sub.MaxImpacts = pair.MaxImpacts - total;
        int count = Collide(sub);
        for (int k = 0; k < count; ++k) {
            phImpact& impact = sub.Impacts[k];
            // A routine may list the other side first (a sphere before a polygonal bound).
            bool asA = own ? impact.ColliderA == own : partsOfA;
            if (asA) {
                impact.SetComponentA(i);
            } else {
                impact.SetComponentB(i);
            }
        }
        total += count;
        const int maxnumimpacts = pair.MaxImpacts;
        // The report quotes the expression: keep its spelling.
        Assert("Found too many impacts" && total<=maxnumimpacts);
        if (total == maxnumimpacts) {
            return total;
        }
    }
    return total;
}

// Wrappers and composites of B, then of A, taken apart; then the shapes.
int Collide(const Pair& pair) {
    for (bool sideA : {false, true}) {
        phBound* bound = sideA ? pair.A : pair.B;
        if (bound->Type == phBound::WRAPPER) {
            phBoundWrapper* wrapper = static_cast<phBoundWrapper*>(bound);
            wrapper->PrepareWrapped();
            Pair sub = pair;
            (sideA ? sub.A : sub.B) = wrapper->Wrapped;
            return Collide(sub);
        }
        if (bound->Type == phBound::COMPOSITE) {
            const phBoundComposite* composite = static_cast<phBoundComposite*>(bound);
            if (composite->SingleBound) {
                Pair sub = pair;
                (sideA ? sub.A : sub.B) = composite->SingleBound;
                return Collide(sub);
            }
            return CollideParts(pair, *composite, sideA);
        }
    }
    int count = CollideShapes(pair);
    if (count == UndefinedPair) {
        if (pair.Outer) {
            Assert("A collider's bound has an undefined type" && 0);
        }
        return 0;
    }
    return count;
}

}  // namespace

int phCollision::CollideBounds(phBound* boundA, phColliderBase* colliderA, phBound* boundB,
                               phColliderBase* colliderB, phIsect* isects1, phIsect* isects2,
                               phImpact* impacts, int maxIsects, int maxnumimpacts,
                               const Vector3& direction) {
    Matrix34 lastA;
    Matrix34 lastB;
    GetColliderMatrix(*colliderA, lastA);
    GetColliderMatrix(*colliderB, lastB);
    // Two slowly moving colliders have no need of the vertex paths.
    bool vertexPaths = !(colliderA->SlowMotion && colliderB->SlowMotion);
    Pair pair{boundA,    boundB,    colliderA->CurrentMatrix, &lastA,    colliderB->CurrentMatrix,
              &lastB,    colliderA, colliderB,                isects1,   isects2,
              impacts,   maxIsects, maxnumimpacts,            direction, vertexPaths,
              true};
    return Collide(pair);
}

int phCollision::CollideBounds(phBound* boundA, phBound* boundB, const Matrix34& currentA,
                               const Matrix34& lastA, const Matrix34& currentB,
                               const Matrix34& lastB, phIsect* isects1, phIsect* isects2,
                               phImpact* impacts, int maxIsects, int maxnumimpacts,
                               const Vector3& direction, bool vertexPaths) {
    Pair pair{boundA,   boundB,    &currentA,     &lastA,    &currentB,   &lastB,
              nullptr,  nullptr,   isects1,       isects2,   impacts,     maxIsects,
              maxnumimpacts, direction, vertexPaths, false};
    return Collide(pair);
}

void phCollision::GetColliderMatrix(const phColliderBase& collider, Matrix34& out) {
    out = collider.LastMatrix;
}

void phCollision::GetRelativeOffset(const Matrix34* currentA, const Matrix34* lastA,
                                    const Matrix34* lastB, const Vector3& offset, Vector3& out) {
    // The report quotes the expressions: keep their spelling.
    Assert("A collider's or instance's current matrix is NULL" && currentA);
    Assert("A collider's or instance's last matrix is NULL" && lastA && lastB);
    Vector3 d = lastA->d - lastB->d;
    Vector3 local(d.Dot(lastA->a), d.Dot(lastA->b), d.Dot(lastA->c));
    out = currentA->a * local.x + currentA->b * local.y + currentA->c * local.z + offset;
}
