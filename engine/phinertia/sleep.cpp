// The rest monitor: counts quiet ticks of a body, puts it to rest and wakes it.
#include "phinertia/sleep.h"

#include <cfloat>

#include "bank/bank.h"
#include "data/callback.h"
#include "data/timemgr.h"
#include "phinertia/inertia.h"

phSleep::phSleep() : Enabled(1), Body(nullptr), Owner(nullptr), Callback(nullptr) {
    Init(nullptr, nullptr);
}

phSleep::phSleep(phInertialCS* body, void* owner) : phSleep() {
    Init(body, owner);
}

phSleep::~phSleep() {
    delete Callback;
}

void phSleep::Init(phInertialCS* body, void* owner) {
    Body = body;
    Owner = owner;
    RestTicks = 0;
    QuietTicks = 0;
    RestTickLimit = 120;
    MaxTicks = 15;
    VelTolerance2 = 0.005f;
    AngVelTolerance2 = 0.01f;
    State = AWAKE;
    SetCallback(nullptr);
    WakeTime = FLT_MAX;
}

void phSleep::SetCallback(datCallback* callback) {
    if (callback != Callback) {
        delete Callback;
    }
    Callback = callback;
}

void phSleep::WakeUp() {
    RestTicks = 0;
    QuietTicks = 0;
    State = AWAKE;
    Body->Active = 1;
}

void phSleep::Reset() {
    WakeUp();
}

void phSleep::WakeAtCurrentTime() {
    WakeTime = datTimeManager::sm_ElapsedTime;
}

void phSleep::PutToRest() {
    State = RESTING;
    if (Callback) {
        Callback->Call(0);
    }
    RestTicks = 0;
    Body->Active = 0;
    Body->ZeroMotion();
    WakeTime = FLT_MAX;
}

// The turn of the step joins the linear test as it stands: the step clears it, so it only
// counts for a body that is between the parts of a step.
bool phSleep::IsQuiet() const {
    const phInertialCS& body = *Body;
    Vector3 moved = body.Push + body.Turn + body.AppliedPush;
    Vector3 velocity = body.Velocity + moved * datTimeManager::FPS;
    Vector3 kick = body.Impulse * body.GetMobileInvMass();
    return velocity.Mag2() < VelTolerance2 && kick.Mag2() < VelTolerance2 &&
           body.AngVelocity.Mag2() < AngVelTolerance2 && body.Push.IsZero();
}

void phSleep::Update() {
    if (State != AWAKE && datTimeManager::sm_ElapsedTime > WakeTime) {
        WakeUp();
        return;
    }
    if (!IsQuiet()) {
        if (State != AWAKE) {
            WakeUp();
        } else {
            RestTicks = 0;
            QuietTicks = 0;
        }
        return;
    }
    if (State != AWAKE) {
        Body->ClearForces();
        if (++RestTicks >= RestTickLimit) {
            State = DEEP_REST;
        }
        return;
    }
    if (++QuietTicks >= MaxTicks) {
        PutToRest();
    }
}

void phSleep::AddWidgets(bkBank& bank) {
    bank.AddSlider("MaxTicks", &MaxTicks, 0, 10000, 1.0f);
    bank.AddSlider("VelTolerance2", &VelTolerance2, 0.0f, 1000.0f, 0.0001f);
    bank.AddSlider("AngVelTolerance2", &AngVelTolerance2, 0.0f, 1000.0f, 0.0001f);
}
