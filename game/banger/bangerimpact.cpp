// Breaking loose: a placed banger hands its place to a loose instance, or shatters into its
// break parts, which fly off with what the impacts did to the whole body.

#include "banger/active.h"
#include "banger/banger.h"
#include "banger/bangerdata.h"
#include "banger/bangerpool.h"
#include "data/assert.h"
#include "level/level.h"
#include "phbound/bound.h"
#include "phcore/debuglines.h"
#include "phys/physmgr.h"

namespace {

const uint32_t ImpulseColour = 0xFFFFFF00;

// The loose instance from the pool, in the room, wearing the banger's type, geometry and
// variant and driven from now on; none from an empty pool.
qvBangerLooseInstance* TakeLoose(int room, int type, int geometry, int variant) {
    qvBangerInstancePool* pool = qvBangerInstancePool::GetInstance();
    qvBangerLooseInstance* loose = pool ? pool->Take() : nullptr;
    if (!loose) {
        return nullptr;
    }
    lvlLevel::GetInstance()->MoveToRoom(loose, room);
    loose->SetTypeIndex(type);
    loose->SetGeomIndex(geometry);
    loose->SetVariant(variant);
    loose->ClearFlags(qvBangerInstance::UNDRIVEN);
    return loose;
}

// The centre of gravity of a type moved into the world by a matrix's rotation.
Vector3 RotatedCG(const qvBangerData& data, const Matrix34& m) {
    return phRotateToWorld(data.CG, m);
}

}  // namespace

void qvBangerInstance::Impact(lvlInstance* other, const phImpact*) {
    qvBangerActiveManager* manager = qvBangerActiveManager::GetInstance();
    qvBangerActive* active = manager ? manager->GetActive(this) : nullptr;
    AssertText(active, "OldActive");
    qvBangerData* data = GetData();
    AssertText(data, "Data");
    if (data->PartTypes.empty()) {
        Swap(active, other);
    } else {
        Shatter(active, other);
    }
}

// With no loose instance to hand over to, the banger stays where it stands.
void qvBangerInstance::Swap(qvBangerActive* active, lvlInstance* other) {
    Matrix34 scratch;
    Matrix34 matrix = GetMatrix(scratch);
    AssertText(GetRoom() != 0, "id!=0");
    qvBangerLooseInstance* loose = TakeLoose(GetRoom(), GetTypeIndex(), GetGeomIndex(),
                                             GetVariant());
    if (!loose) {
        return;
    }
    HandOver(loose);
    LeaveHome();

    AssertText(this == active->GetTarget(), "this==OldActive->Target");
    AssertText(m_Owner == active->GetTarget()->GetOwner(),
               "m_Owner==OldActive->Target->GetOwner()");
    loose->SetOwner(m_Owner);
    active->SetTarget(loose);
    active->InitCollider();

    loose->SetMatrix(matrix);
    m_Owner = 0;
    if (qvPhysManager* physics = qvPhysManager::GetInstance()) {
        physics->NewMover(loose, this, other);
    }
    AddFlags(UNDRIVEN);
}

// Each part takes the body's change of velocity at its own place: what this frame's impacts
// gave the whole banger is shared out by the parts' masses.
void qvBangerInstance::Shatter(qvBangerActive* active, lvlInstance* other) {
    int home = GetRoom();
    LeaveHome();

    Matrix34 scratch;
    Matrix34 origin = GetMatrix(scratch);
    origin.d -= RotatedCG(*GetData(), origin);

    const phInertialCS& body = *active->GetICS();
    Vector3 dv = body.Impulse * body.InvMass;
    Matrix34 inverse;
    body.GetWorldInverseInertia(inverse);
    Vector3 dw = phRotateToWorld(body.AngImpulse, inverse);

    qvPhysManager* physics = qvPhysManager::GetInstance();
    qvBangerDataManager* types = qvBangerDataManager::GetInstance();
    bool first = true;
    for (int16_t type : GetData()->PartTypes) {
        qvBangerData* partData = types->GetData(type);
        qvBangerLooseInstance* part =
            TakeLoose(home, type, partData->PartGeometry, GetVariant());
        if (!part) {
            continue;
        }
        Matrix34 placed = origin;
        placed.d += RotatedCG(*partData, origin);
        part->SetMatrix(placed);
        qvBangerActive* partActive = part->AttachActive(active);
        if (!partActive) {
            part->Release();
            continue;
        }
        phInertialCS& partBody = *partActive->GetICS();
        Vector3 r = body.Matrix.d - part->GetPosition();
        Vector3 spin;
        spin.Cross(r, dw);
        partBody.Impulse += (dv + spin) * partBody.Mass;
        Matrix34 inertia;
        partBody.GetWorldInertia(inertia);
        partBody.AngImpulse += phRotateToWorld(dw, inertia);
        phDebugLineAdd(part->GetPosition(),
                       part->GetPosition() + partBody.Impulse * (60.0f * partBody.InvMass),
                       ImpulseColour);
        phDebugLineAdd(part->GetPosition(), part->GetPosition() + dw, ImpulseColour);
        if (physics) {
            physics->NewMover(part, first ? this : nullptr, other);
        }
        first = false;
    }
    // The whole banger's body lets go of it: owner byte 0, undriven, free again.
    active->Release();
}
