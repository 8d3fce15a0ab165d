// Colliders: initialisation, identifiers, the end of a frame, diagnostics and the response
// constants.
#include "phcollide/collider.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "data/debuglog.h"
#include "phbound/bound.h"
#include "phinertia/inertia.h"

namespace {

// Where a collider without a matrix of its own is placed.
Matrix34 IdentityMatrix = Matrix34::sm_Identity;

uint32_t NextColliderId = 0;

}  // namespace

float phCollision::Gravity = 9.8f;
float phCollision::PenetrationFactor = 0.02f;
float phCollision::AllowedPenetration = 0.035f * 0.02f;
float phCollision::SqrtAllowedPenetration = std::sqrt(0.035f * 0.02f);
float phCollision::DampingFactor = 4.0f / std::sqrt(9.8f) * 0.5f;
bool phCollision::UseContacts = true;

void phCollision::ComputeConstants() {
    AllowedPenetration = phBound::DefaultMargin * PenetrationFactor;
    SqrtAllowedPenetration = std::sqrt(AllowedPenetration);
    DampingFactor = 4.0f / std::sqrt(Gravity) * 0.5f;
}

void phCollision::SetPenetrationFactor(float factor) {
    PenetrationFactor = factor;
    ComputeConstants();
}

void phCollision::SetMargins(float margin) {
    phBound::SetDefaultMargins(margin);
    ComputeConstants();
}

void phCollision::ResetResponse() {
    UseContacts = false;
    phBound::SetDefaultMargins(0.0f);
}

phColliderBase::phColliderBase()
    : Next(nullptr),
      Prev(nullptr),
      Active(1),
      MatrixStorage(nullptr),
      ImpulseCallback(nullptr),
      ComponentCallback(nullptr),
      Word3(0),
      Bound(nullptr),
      ICS(nullptr),
      CurrentMatrix(&IdentityMatrix),
      UserID(0),
      Id(0) {
    Reset();
}

phColliderBase::~phColliderBase() {}

// Identifiers go to colliders with storage of their own; wrapping skips 0, which stands for
// the static colliders.
void phColliderBase::Begin(phBound* bound, Matrix34* storage, phInertialCS* ics, int id) {
    Bound = bound;
    MatrixStorage = storage;
    ICS = ics;
    UserID = id;
    ImpulseCallback = nullptr;
    ComponentCallback = nullptr;
    Word3 = 0;
    Id = 0;
    if (storage) {
        if (++NextColliderId == 0) {
            ++NextColliderId;
        }
        Id = NextColliderId;
    }
    Reset();
}

void phColliderBase::InitWithStorage(phBound* bound, Matrix34* storage, phInertialCS* ics,
                                     int id) {
    Begin(bound, storage, ics, id);
    LastMatrix = *storage;
    ics->Matrix = *storage;
    CurrentMatrix = &ics->Matrix;
}

void phColliderBase::InitStatic(Matrix34* matrix, phBound* bound) {
    Begin(bound, nullptr, nullptr, 0);
    CurrentMatrix = matrix ? matrix : &IdentityMatrix;
    LastMatrix = *CurrentMatrix;
    MotionDistance = 0.0f;
    SlowMotion = 1;
}

void phColliderBase::SaveLastMatrix() {
    Reset();
    LastMatrix = MatrixStorage ? *MatrixStorage : *CurrentMatrix;
}

void phColliderBase::Reset() {
    LastMatrix.Identity();
    JustReset = 1;
    SlowMotion = 0;
    MotionDistance = FLT_MAX;
    MaxPush2 = 0.0f;
    Pusher = 0;
    LastPusher = 0;
}

void phColliderBase::EndFrame() {
    if (ICS) {
        ICS->ApplyPush();
    }
    LastMatrix = *CurrentMatrix;
    LastPusher = Pusher;
    MaxPush2 = 0.0f;
    Pusher = 0;
    JustReset = 0;
}

void phColliderBase::EndFrameAndUpdate() {
    EndFrame();
    if (ICS) {
        ICS->FrameUpdate();
    }
}

bool phColliderBase::IsActive() const {
    return ICS ? ICS->Active != 0 : Active != 0;
}

datCallback* phColliderBase::SetImpulseCallback(datCallback* callback) {
    return ImpulseCallback = callback;
}

datCallback* phColliderBase::SetComponentCallback(datCallback* callback) {
    return ComponentCallback = callback;
}

uint32_t phColliderBase::SetWord3(uint32_t word) {
    return Word3 = word;
}

// The current matrix is logged itself, and the identifier stands for the matrix pointer:
// addresses differ from run to run.
void phColliderBase::DebugLog() const {
    ::DebugLog(0x63756D6D, CurrentMatrix, sizeof(Matrix34));
    ::DebugLog(0x63626C73, &LastMatrix, sizeof(LastMatrix));
    ::DebugLog(0x6A726573, &JustReset, sizeof(JustReset));
    ::DebugLog(0x626D666C, &SlowMotion, sizeof(SlowMotion));
    ::DebugLog(0x6D6D6469, &MotionDistance, sizeof(MotionDistance));
    ::DebugLog(0x6375726D, &Id, sizeof(Id));
}

phCollider::phCollider() : OwnerWord(0), OwnerWord2(0) {
    Matrix.Identity();
}

void phCollider::InitWithICS(phBound* bound, phInertialCS* ics, int id) {
    Begin(bound, &Matrix, ics, id);
    CurrentMatrix = &ics->Matrix;
    Matrix = ics->Matrix;
    LastMatrix = ics->Matrix;
}

void phCollider::InitWithMatrix(phBound* bound, Matrix34* matrix, phInertialCS* ics, int id) {
    Begin(bound, &Matrix, ics, id);
    CurrentMatrix = matrix;
    Matrix = *matrix;
    LastMatrix = *matrix;
}

void phCollider::Init(phBound* bound, Matrix34* matrix) {
    InitWithMatrix(bound, matrix ? matrix : &IdentityMatrix, nullptr, 0);
    MotionDistance = 0.0f;
    SlowMotion = 1;
}

void phCollider::DebugLog() const {
    phColliderBase::DebugLog();
    uint8_t state[sizeof(Matrix34) + 2 * sizeof(uint32_t)];
    memcpy(state, &Matrix, sizeof(Matrix34));
    memcpy(state + sizeof(Matrix34), &OwnerWord, sizeof(uint32_t));
    memcpy(state + sizeof(Matrix34) + sizeof(uint32_t), &OwnerWord2, sizeof(uint32_t));
    ::DebugLog(0x74616463, state, sizeof(state));
}
