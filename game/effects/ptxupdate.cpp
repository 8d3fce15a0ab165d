// One frame of the particles: spewing at the rule's rate, then each live particle's life,
// motion, colour, rotation, size, ground contact and frame.
#include "effects/ptx.h"

#include <cmath>

#include "data/timemgr.h"
#include "effects/birthrule.h"

namespace {

// Frames of 1/60 s in a second: the float 0x426FFFFF.
const float FramesPerSecond = 59.999996f;
const float LowestHeight = -50.0f;

uint8_t ScaledByte(uint8_t byte, float scale) {
    float scaled = float(byte) * scale;
    if (!(scaled > 0.0f)) {
        return 0;
    }
    return scaled >= 255.0f ? 255 : uint8_t(scaled);
}

// A fading particle stops at 0 and one brightening at 255, rather than wrapping round.
uint8_t ChangedAlpha(uint8_t alpha, int8_t change, float frames) {
    int a = int(alpha) + int(float(change) * frames);
    return uint8_t(a < 0 ? 0 : (a > 255 ? 255 : a));
}

}  // namespace

void ovParticles::Remove(int i) {
    --m_LiveCount;
    m_Particles[i] = m_Particles[m_LiveCount];
    m_Sprites[i] = m_Sprites[m_LiveCount];
}

void ovParticles::Update() {
    const float dt = datTimeManager::Seconds;
    const float f = dt * FramesPerSecond;
    m_Elapsed += dt;

    if (m_BirthRule &&
        (m_Elapsed < m_BirthRule->SpewTimeLimit || m_BirthRule->SpewTimeLimit == 0.0f)) {
        float x = dt * m_BirthRule->SpewRate + m_SpawnRemainder;
        // Past the pool's size no more can be born anyway; the cut keeps the count an int.
        float n = std::trunc(x > float(m_Capacity) ? float(m_Capacity) : x);
        m_SpawnRemainder = x - n;
        if (x >= 1.0f) {
            Blast(int(n), false);
        }
    }

    for (int i = 0; i < m_LiveCount;) {
        ParticleRecord& p = m_Particles[i];
        ParticleSprite& s = m_Sprites[i];
        p.m_Life -= dt;
        if (p.m_Life <= 0.0f || s.m_Position.y < LowestHeight || (s.m_Color >> 24) == 0) {
            // The last live particle moves into this slot and is handled next.
            Remove(i);
            continue;
        }

        Vector3 w = p.m_Velocity + m_Wind;
        float k = -w.Mag() * p.m_Drag * p.m_InvMass;
        p.m_Velocity.x += w.x * k * dt;
        p.m_Velocity.y += (w.y * k + p.m_Gravity) * dt;
        p.m_Velocity.z += w.z * k * dt;
        s.m_Position.AddScaled(p.m_Velocity, dt);

        if (p.m_DAlpha != 0 && p.m_Alpha > 0) {
            p.m_Alpha = ChangedAlpha(p.m_Alpha, p.m_DAlpha, f);
        }
        s.m_Color = uint32_t(p.m_Alpha) << 24 | uint32_t(ScaledByte(p.m_Red, m_Intensity)) << 16 |
                    uint32_t(ScaledByte(p.m_Green, m_Intensity)) << 8 |
                    ScaledByte(p.m_Blue, m_Intensity);

        s.m_Rotation = int8_t(s.m_Rotation + int(float(p.m_DRotation) * f));
        s.m_Radius += f * p.m_DRadius;

        if ((s.m_Flags & ovBirthRule::Splashes) && s.m_Position.y < s.m_GroundHeight) {
            s.m_Position.y = s.m_GroundHeight;
            p.m_Life = 0.0f;
            p.m_Velocity.Set(0.0f, 0.0f, 0.0f);
            p.m_InvMass = 0.0f;
            p.m_Gravity = 0.0f;
        } else if ((s.m_Flags & ovBirthRule::Bounces) &&
                   s.m_Position.y < s.m_GroundHeight + s.m_Radius) {
            s.m_Position.y = s.m_GroundHeight;
            if (p.m_Velocity.y < 0.0f) {
                p.m_Velocity.y = -p.m_Velocity.y;
                p.m_Velocity.Scale(p.m_Damp);
            }
        }

        // The cycle runs first .. last - 1.
        if ((s.m_Flags & ovBirthRule::CycleFrames) && p.m_FirstFrame < p.m_LastFrame) {
            int span = p.m_LastFrame - p.m_FirstFrame;
            int step = (int(s.m_Frame) - p.m_FirstFrame + 1) % span;
            s.m_Frame = uint8_t((step < 0 ? step + span : step) + p.m_FirstFrame);
        }
        ++i;
    }
}
