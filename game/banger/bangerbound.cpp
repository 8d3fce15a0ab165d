// The collision bound of a tuning record: one of four shapes, each carrying a material of
// its own so that the record's surface values reach the collisions.
#include "banger/bangerdata.h"

#include <memory>
#include <string>

#include "city/material.h"
#include "data/assert.h"
#include "phbound/boundbox.h"
#include "phbound/boundgeometry.h"
#include "phbound/boundhotdog.h"
#include "phbound/boundsphere.h"

namespace {

// A shape whose every polygon answers with the one owned material.
template <class Shape>
class qvBangerBound : public Shape {
public:
    template <class... Args>
    explicit qvBangerBound(Args... args) : Shape(args...) {}

    phMaterial* GetMaterial(int) override { return &m_Material; }
    int GetNumMaterials() override { return 1; }
    void SetFriction(float friction) override { m_Material.Friction = friction; }
    void SetElasticity(float elasticity) override { m_Material.Elasticity = elasticity; }

private:
    qvMaterial m_Material;
};

}  // namespace

void qvBangerData::MakeBound() {
    m_Bound.reset();
    switch (CollisionPrim) {
    case PRIM_GEOMETRY: {
        auto geometry = std::make_unique<qvBangerBound<phBoundGeometry>>();
        std::string file = std::string(FileName()) + "_bound";
        if (geometry->Load(file.c_str())) {
            // Centred on the centre of gravity, as the rigid body is.
            geometry->OffsetVertices(Vector3(-CG.x, -CG.y, -CG.z));
            m_Bound = std::move(geometry);
        }
        break;
    }
    case PRIM_BOX:
        m_Bound = std::make_unique<qvBangerBound<phBoundBox>>(Size);
        break;
    case PRIM_HOTDOG:
        AssertText(YRadius != 0.0f, "YRadius != 0.0f");
        m_Bound = std::make_unique<qvBangerBound<phBoundHotdog>>(YRadius, Size.y);
        break;
    case PRIM_SPHERE:
        m_Bound = std::make_unique<qvBangerBound<phBoundSphere>>(YRadius);
        break;
    default:
        break;
    }
    CopyMaterial();
}

void qvBangerData::CopyMaterial() {
    if (m_Bound) {
        m_Bound->SetElasticity(Elasticity);
        m_Bound->SetFriction(Friction);
    }
}

// By the shape the bound really has: the shared "CollisionPrim" slider changes the record's
// code without remaking the bound, which colliders may hold.
void qvBangerData::ResizeBound() {
    if (!m_Bound) {
        return;
    }
    switch (m_Bound->Type) {
    case phBound::BOX:
        static_cast<phBoundBox*>(m_Bound.get())->SetSize(Size);
        break;
    case phBound::HOTDOG:
        static_cast<phBoundHotdog*>(m_Bound.get())->SetSize(YRadius, Size.y);
        break;
    case phBound::SPHERE:
        static_cast<phBoundSphere*>(m_Bound.get())->SetRadius(YRadius);
        break;
    default:
        break;
    }
}
