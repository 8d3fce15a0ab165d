#include "phbound/impact.h"

#include <cstdint>

#include "data/assert.h"
#include "data/debuglog.h"
#include "phbound/bound.h"
#include "phcore/material.h"

namespace {

// Two impacts describe one contact when their mid points lie within this fraction of the
// depth of each other's plane.
const float MergeTolerance = 0.01f;

Vector3 Rotate(const Vector3& v, const Matrix34& m) {
    return Vector3(v.x * m.a.x + v.y * m.b.x + v.z * m.c.x, v.x * m.a.y + v.y * m.b.y + v.z * m.c.y,
                   v.x * m.a.z + v.y * m.b.z + v.z * m.c.z);
}

// Removes impacts[index]; everything after it, the uncounted new impact at impacts[count]
// included, moves down one place.
void RemoveImpact(phImpact* impacts, int& count, int index) {
    for (int i = index; i < count; ++i) {
        impacts[i] = impacts[i + 1];
    }
    --count;
}

// The normal of a listed impact as seen from the new one's side A, and its feature there.
Vector3 OrientedNormal(const phImpact& listed, const phImpact& added, int* feature) {
    if (listed.ColliderA == added.ColliderA) {
        *feature = listed.FeatureA;
        return listed.Normal;
    }
    *feature = listed.FeatureB;
    return listed.Normal * -1.0f;
}

void ApplyMaterials(phImpact& impact, phBound* boundA, phBound* boundB) {
    phMaterial* materialA = boundA->GetMaterial(0);
    phMaterial* materialB = boundB->GetMaterial(0);
    impact.Friction = materialA->Friction * materialB->Friction;
    impact.Elasticity = materialA->Elasticity * materialB->Elasticity;
    impact.Margin = phBound::SmallerMargin(*boundA, *boundB);
}

}  // namespace

Vector3 phImpact::MidPoint() const {
    return Position + Normal * (0.5f * Depth);
}

void phImpact::Set(float depth, const Vector3& normal, const Vector3& position, phColliderBase* a,
                   phColliderBase* b, const Matrix34* matrix, int featureA, int componentA,
                   int componentB) {
    Position = position;
    Normal = normal;
    if (matrix) {
        Position.Transform(*matrix);
        Normal = Rotate(normal, *matrix);
    }
    Depth = depth;
    ColliderA = a;
    ColliderB = b;
    FeatureA = featureA;
    ComponentA = componentA;
    ComponentB = componentB;
    Friction = 0.5f;
    Elasticity = 0.1f;
}

void phImpact::SetFeature(int kind, int featureB, phBound* boundA, phBound* boundB,
                          int featureA) {
    switch (kind) {
    case VERTEX:
        Type = B_ON_FACE;
        break;
    case EDGE:
        Type = EDGE_EDGE;
        break;
    case FACE:
        Type = A_ON_FACE;
        break;
    default:
        Assert(0);
    }
    ApplyMaterials(*this, boundA, boundB);
    FeatureA = featureA;
    FeatureB = featureB;
}

void phImpact::SetAll(phColliderBase* a, phColliderBase* b, const Vector3& position,
                      const Vector3& normal, float depth, phBound* boundA, phBound* boundB,
                      int type, int featureA, int featureB) {
    ColliderA = a;
    ColliderB = b;
    Position = position;
    Normal = normal;
    Depth = depth;
    ApplyMaterials(*this, boundA, boundB);
    Type = type;
    FeatureA = featureA;
    FeatureB = featureB;
    ComponentA = -1;
    ComponentB = -1;
}

void phImpact::SetColliders(phColliderBase* a, phColliderBase* b) {
    ColliderA = a;
    ColliderB = b;
}

void phImpact::SetCollidersAndComponents(phColliderBase* a, phColliderBase* b, int componentA,
                                         int componentB) {
    SetColliders(a, b);
    ComponentA = componentA;
    ComponentB = componentB;
}

void phImpact::SetColliders(phColliderBase* a, phColliderBase* b, phImpact* impacts, int count) {
    for (int i = count - 1; i >= 0; --i) {
        impacts[i].SetColliders(a, b);
    }
}

void phImpact::Clear() {
    Type = 0;
    FeatureA = 0;
    FeatureB = 0;
    ComponentA = 0;
    ComponentB = 0;
    Position.Zero();
    Normal.Zero();
    Depth = 0.0f;
    Margin = 0.0f;
    Friction = 0.0f;
    Elasticity = 0.0f;
}

void phImpact::DebugLog() const {
    ::DebugLog(0x69545950, &Type, sizeof(Type));
    ::DebugLog(0x69494441, &FeatureA, sizeof(FeatureA));
    ::DebugLog(0x69494442, &FeatureB, sizeof(FeatureB));
    ::DebugLog(0x69434D41, &ComponentA, sizeof(ComponentA));
    ::DebugLog(0x69434D42, &ComponentB, sizeof(ComponentB));
    ::DebugLog(0x69504F53, &Position, sizeof(Position));
    ::DebugLog(0x694E4F52, &Normal, sizeof(Normal));
    ::DebugLog(0x69444550, &Depth, sizeof(Depth));
    ::DebugLog(0x6950454E, &Margin, sizeof(Margin));
    ::DebugLog(0x69465249, &Friction, sizeof(Friction));
    ::DebugLog(0x69454C41, &Elasticity, sizeof(Elasticity));
}

bool phMergeImpact(phImpact* impacts, int& count) {
    const phImpact added = impacts[count];
    Vector3 addedMid = added.MidPoint();
    for (int i = 0; i < count;) {
        int feature;
        Vector3 normal = OrientedNormal(impacts[i], added, &feature);
        if (feature == added.FeatureA) {
            const phImpact& listed = impacts[i];
            Vector3 listedMid = listed.MidPoint();
            bool nearListed = (addedMid - listedMid).Dot(normal) < MergeTolerance * listed.Depth;
            bool nearAdded =
                (listedMid - addedMid).Dot(added.Normal) < MergeTolerance * added.Depth;
            if (nearListed && nearAdded) {
                if (listed.Depth >= added.Depth) {
                    return false;
                }
                RemoveImpact(impacts, count, i);
                continue;
            }
        }
        ++i;
    }
    for (int i = 0; i < count;) {
        int feature;
        OrientedNormal(impacts[i], added, &feature);
        if (feature == added.FeatureA &&
            (impacts[i].MidPoint() - addedMid).Dot(added.Normal) < MergeTolerance * added.Depth) {
            RemoveImpact(impacts, count, i);
            continue;
        }
        ++i;
    }
    return true;
}

bool phMergeImpactAlongAxis(phImpact* impacts, int& count, const Vector3& p,
                            const Vector3& direction) {
    const phImpact added = impacts[count];
    Vector3 addedMid = added.MidPoint();
    float addedSide = (addedMid - p).Dot(direction);
    // Pass 1 may only refuse; pass 2 removes, so the new impact's place moves with the list.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < count;) {
            const phImpact& listed = impacts[i];
            if ((listed.Position - p).Dot(direction) * addedSide <= 0.0f) {
                ++i;
                continue;
            }
            int feature;
            Vector3 normal = OrientedNormal(listed, added, &feature);
            normal.AddScaled(direction, -normal.Dot(direction));
            normal.Normalize();
            Vector3 listedMid = listed.Position + normal * (0.5f * listed.Depth);
            if (pass == 0) {
                if ((addedMid - listedMid).Dot(normal) < MergeTolerance * listed.Depth) {
                    return false;
                }
            } else if ((listedMid - addedMid).Dot(added.Normal) < MergeTolerance * added.Depth) {
                RemoveImpact(impacts, count, i);
                continue;
            }
            ++i;
        }
    }
    return true;
}

void phReduceImpacts(phImpact* impacts, int& count, const Vector3& direction) {
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        if (impacts[i].Normal.Dot(direction) > 0.0f) {
            impacts[kept++] = impacts[i];
        }
    }
    if (kept > 0) {
        count = kept;
    }
}

bool phFindImpact(int a, int b, int kind, const phImpact* impacts, int count) {
    for (int i = 0; i < count; ++i) {
        const phImpact& impact = impacts[i];
        bool forward = impact.FeatureA == a && impact.FeatureB == b;
        bool mirrored = impact.FeatureA == b && impact.FeatureB == a;
        bool found;
        if (kind == 1) {
            found = impact.Type == phImpact::EDGE_EDGE && forward;
        } else if (kind == 0) {
            found = (impact.Type == phImpact::A_ON_FACE && forward) ||
                    (impact.Type == phImpact::B_ON_FACE && mirrored);
        } else {
            found = (impact.Type == phImpact::A_ON_FACE && mirrored) ||
                    (impact.Type == phImpact::B_ON_FACE && forward);
        }
        if (found) {
            return true;
        }
    }
    return false;
}
