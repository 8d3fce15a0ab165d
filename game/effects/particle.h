#ifndef EFFECTS_PARTICLE_H
#define EFFECTS_PARTICLE_H

#include <cstdint>

#include "vector/vector3.h"

// One particle's motion and life; its drawing data is the ParticleSprite of the same index.
struct ParticleRecord {
    float m_Life;  // seconds left
    Vector3 m_Velocity;
    float m_InvMass;
    float m_Drag;
    float m_Damp;     // bounce factor
    float m_Gravity;  // added to the vertical velocity per second
    float m_DRadius;  // per 1/60 s
    int8_t m_DAlpha;     // per 1/60 s
    int8_t m_DRotation;  // rotation steps per 1/60 s
    uint8_t m_FirstFrame;
    uint8_t m_LastFrame;
    uint8_t m_Red, m_Green, m_Blue, m_Alpha;  // the colour before the system's intensity
};
static_assert(sizeof(ParticleRecord) == 44, "particle record layout");

struct ParticleSprite {
    uint8_t m_Frame;
    int8_t m_Rotation;  // step of the sprite table's rotations
    uint8_t m_Flags;    // the birth rule's BirthFlags
    uint8_t m_Unused;
    float m_Radius;
    uint32_t m_Color;  // 0xAARRGGBB
    float m_GroundHeight;
    Vector3 m_Position;
};
static_assert(sizeof(ParticleSprite) == 28, "particle sprite layout");

#endif
