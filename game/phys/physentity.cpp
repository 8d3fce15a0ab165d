// The default update of a mover: gravity on its body, shown as a force line.

#include "phys/physentity.h"

#include "phcore/debuglines.h"
#include "phinertia/inertia.h"

namespace {

const uint32_t ForceColour = 0xFFFF00FF;

}  // namespace

void qvPhysEntity::Update() {
    phInertialCS* body = GetICS();
    if (!body) return;
    float weight = body->Mass * sm_Gravity;
    body->Force.y += weight;
    phDebugLineAdd(body->Matrix.d, body->Matrix.d + Vector3(0.0f, body->InvMass * weight, 0.0f),
                   ForceColour);
}
