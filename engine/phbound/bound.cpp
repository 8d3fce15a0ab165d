#include "phbound/bound.h"

#include "data/assert.h"
#include "data/printer.h"
#include "phcore/isect.h"
#include "phcore/material.h"
#include "phcore/materialmgr.h"
#include "phcore/poly.h"
#include "phcore/segment.h"
#include "vector/nanfill.h"

// The secondary margin is the float product, whose bits differ from the literal 0.0105f.
float phBound::DefaultMargin = 0.035f;
float phBound::DefaultSecondaryMargin = 0.3f * 0.035f;
float phCollisionMargin = 0.035f;

namespace {

// Hits have parameters from 0 to 1, so the first probe hit is always taken.
const float ProbeLimit = 2.0f;

// Too small a record buffer reports no hit and writes nothing.
bool HasRoom(int maxIsects, int needed, const char* message) {
    if (maxIsects >= needed) {
        return true;
    }
    PrintLevel0("%s", message);
    return false;
}

}  // namespace

Vector3 phRotateToWorld(const Vector3& local, const Matrix34& matrix) {
    return matrix.a * local.x + matrix.b * local.y + matrix.c * local.z;
}

Vector3 phRotateToLocal(const Vector3& world, const Matrix34& matrix) {
    return Vector3(world.Dot(matrix.a), world.Dot(matrix.b), world.Dot(matrix.c));
}

float phBound::SmallerMargin(const phBound& a, const phBound& b) {
    return a.Margin < b.Margin ? a.Margin : b.Margin;
}

phBound::phBound(int type)
    : NumMaterials(0),
      Type(type),
      IsCentroidOffset(false),
      RadiusAroundCentroid(0.0f),
      ComponentMotion(0.0f),
      GravityScale(1.0f),
      Margin(DefaultMargin),
      SecondaryMargin(DefaultSecondaryMargin) {
    NanFloat(BoxMin.x);
    NanFloat(BoxMin.y);
    NanFloat(BoxMin.z);
    NanFloat(BoxMax.x);
    NanFloat(BoxMax.y);
    NanFloat(BoxMax.z);
    CentroidOffset.Set(0.0f, 0.0f, 0.0f);
}

phBound::~phBound() {}

int phBound::RemoveCentroidOffset() {
    IsCentroidOffset = false;
    CentroidOffset.Set(0.0f, 0.0f, 0.0f);
    return 0;
}

int phBound::GetNumMaterials() {
    return NumMaterials;
}

float phBound::GetFriction() {
    return 0.5f;
}

void phBound::SetFriction(float) {}

float phBound::GetElasticity() {
    return 0.5f;
}

void phBound::SetElasticity(float) {}

bool phBound::TestSphere(const Vector3&, float, Vector3*, Vector3*, float*) {
    return false;
}

void phBound::AdjustLocalVelocityEx(Matrix34&, int, const Vector3&, const Vector3&) {}

void phBound::AdjustLocalVelocity(Matrix34&, int, const Vector3&) {}

float phBound::GetEffectiveMass(const Vector3&, const Vector3&, int, float mass) {
    return mass;
}

const Vector3& phBound::GetVertex(int) {
    Assert(0 && "should never be called");
    return Vector3::sm_Zero;
}

void phBound::Draw(int) {}

void phBound::SetCentroidOffset(const Vector3& offset) {
    CentroidOffset = offset;
    if (offset.x != 0.0f || offset.y != 0.0f || offset.z != 0.0f) {
        IsCentroidOffset = true;
    }
}

void phBound::CalcCentroidAndRadius() {
    Vector3 centre;
    centre.Set(BoxMin.x + 0.5f * (BoxMax.x - BoxMin.x), BoxMin.y + 0.5f * (BoxMax.y - BoxMin.y),
               BoxMin.z + 0.5f * (BoxMax.z - BoxMin.z));
    SetCentroidOffset(centre);
    RadiusAroundCentroid = (CentroidOffset - BoxMax).Mag();
}

void phBound::GetWorldCentroid(const Matrix34& matrix, Vector3& out) const {
    if (!IsCentroidOffset) {
        out = matrix.d;
        return;
    }
    out = CentroidOffset;
    out.Transform(matrix);
}

void phBound::GetWorldCentroid(Vector3& out, const Matrix34& matrix) const {
    GetWorldCentroid(matrix, out);
}

void phBound::ScaleMargins() {
    float x = BoxMax.x - BoxMin.x;
    float y = BoxMax.y - BoxMin.y;
    float z = BoxMax.z - BoxMin.z;
    float thinnest = x < y ? x : y;
    thinnest = z < thinnest ? z : thinnest;
    if (thinnest >= 0.001f) {
        Margin = DefaultMargin * thinnest;
        SecondaryMargin = DefaultSecondaryMargin * thinnest;
    }
}

void phBound::SetDefaultMargins(float margin) {
    DefaultMargin = margin;
    DefaultSecondaryMargin = 0.3f * margin;
}

void phBound::GetMaterialProperties(const phIsect& isect, float& friction, float& elasticity) {
    int index = isect.Polygon ? int(isect.Polygon->MaterialIndex) : isect.MaterialIndex;
    // An index the shape does not have would read past its material list.
    phMaterial* material = phMaterialMgr::Instance()->DefaultMaterial;
    if (index >= 0 && index < GetNumMaterials()) {
        material = GetMaterial(index);
    }
    friction = material->Friction;
    elasticity = material->Elasticity;
}

void phBound::CombineMaterialProperties(phBound* a, const phIsect& p, phBound* b, const phIsect& q,
                                        float& friction, float& elasticity) {
    // Named as the assertion reports them.
    const phIsect* AisectPtr = &p;
    const phIsect* BisectPtr = &q;
    Assert(!AisectPtr->InteriorEdge() || !BisectPtr->InteriorEdge());
    // Each record names the polygon of the other side.
    float frictionA;
    float elasticityA;
    a->GetMaterialProperties(q, frictionA, elasticityA);
    float frictionB;
    float elasticityB;
    b->GetMaterialProperties(p, frictionB, elasticityB);
    friction = frictionA * frictionB;
    elasticity = elasticityA * elasticityB;
}

int phBound::TestSegment(phSegment& segment, phIsect* isects, int maxIsects) {
    if (segment.Kind == phSegment::PROBE) {
        return HasRoom(maxIsects, 1, "phBound::TestSegment (PROBE): ran out of isects.") &&
               TestProbeSegment(segment, isects, ProbeLimit);
    }
    if (segment.Kind == phSegment::EDGE) {
        return HasRoom(maxIsects, 2, "phBound::TestSegment (EDGE): ran out of isects.")
                   ? TestEdgeSegment(segment, isects, maxIsects)
                   : 0;
    }
    Assert(0);
    return 0;
}

int phBound::TestSegmentPoint(phSegment& segment, phIsect* isect, int maxIsects) {
    if (segment.Kind == phSegment::PROBE) {
        return HasRoom(maxIsects, 1, "phBound::TestSegmentPoint (PROBE): ran out of isects.") &&
               TestProbePoint(segment, isect, ProbeLimit);
    }
    if (segment.Kind == phSegment::AI) {
        return HasRoom(maxIsects, 1, "phBound::TestSegmentPoint (AI): ran out of isects.") &&
               TestAIPoint(segment, isect);
    }
    Assert(0);
    return 0;
}
