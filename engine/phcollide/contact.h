#ifndef PHCOLLIDE_CONTACT_H
#define PHCOLLIDE_CONTACT_H

#include <cstdint>

#include "vector/vector3.h"

class phColliderBase;

// The persistent record of one touching pair of features of two colliders, as the contact
// manager keeps it from frame to frame. The colliders read its point, its sides and its
// type when a contact force is applied to them.
struct phContact {
    int32_t Type = 0;
    int32_t ElementA = 0;
    int32_t ElementB = 0;
    int32_t ComponentA = -1;
    int32_t ComponentB = -1;
    uint32_t ColliderIdA = 0;
    uint32_t ColliderIdB = 0;
    Vector3 Point;
    Vector3 Normal;  // from B towards A
    float Friction = 0.0f;
    float Elasticity = 0.0f;
    phColliderBase* A = nullptr;
    phColliderBase* B = nullptr;
    int32_t ActiveFlag = -1;
    int32_t LastActiveFlag = -1;
    uint32_t Touched = 0;
    float Penetration = 0.0f;
    Vector3 Spring;
    float LastRatio = 0.0f;
    float LastFraction = 0.0f;
    float LastStiffness = 0.0f;
    Vector3 LastVelA;
    Vector3 LastVelB;
    float LastCosine = 0.0f;
    float Stiffness = 0.0f;
    float Damping = 0.0f;
    int32_t HPrev = -1;
    int32_t HNext = -1;
    int32_t* meRefIndex = nullptr;
};

#endif
