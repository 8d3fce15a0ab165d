#ifndef EFFECTS_BIRTHRULE_H
#define EFFECTS_BIRTHRULE_H

#include <cstdint>

#include "effects/particle.h"
#include "node/node.h"
#include "vector/vector3.h"

class TokenReader;

// The tunable description of one kind of particle burst: where particles start, how fast,
// how long they live, their size, colour and texture frames. Each value with a "Var" partner
// is varied by (r - 0.5) times that partner, r uniform in [0, 1).
class ovBirthRule : public ovNode {
public:
    // BirthFlags bits.
    static constexpr uint32_t Stationary = 0x1;
    static constexpr uint32_t Bounces = 0x2;
    static constexpr uint32_t CycleFrames = 0x4;
    static constexpr uint32_t Splashes = 0x8;
    static constexpr uint32_t Shadow = 0x10;

    typedef void (*SpawnHook)(ParticleRecord& particle, ParticleSprite& sprite);

    ovBirthRule();

    // Fills one particle from the side stream of the random generator, so that the sequence
    // the rest of the game draws is not disturbed.
    void Spawn(ParticleRecord& particle, ParticleSprite& sprite);

    // The text block that banger tuning files embed: 24 of the fields, one a line, each line
    // indented by that many blanks. The reader takes the values by position.
    void WriteText(TokenReader* writer, int indent);
    void ReadText(TokenReader* reader);

    void DeclareFields(datParser& parser) override;
    void AddWidgets(bkBank* bank) override;
    const char* ClassName() override { return "ovBirthRule"; }
    const char* Directory() override { return "tune/effects"; }

    Vector3 Position, PositionVar;
    Vector3 Velocity, VelocityVar;
    float Life, LifeVar;
    float Mass, MassVar;
    float Radius, RadiusVar;
    float DRadius, DRadiusVar;
    float Drag, DragVar;
    float Damp, DampVar;
    float SpewRate;
    float SpewTimeLimit;  // seconds of spewing after a reset; 0 spews for ever
    float Gravity;
    float Height;  // the ground that particles bounce or splash on
    float Intensity;
    uint8_t Color[4];  // red, green, blue, alpha
    int32_t DAlpha, DAlphaVar;
    int32_t DRotation, DRotationVar;
    int32_t TexFrameStart, TexFrameEnd;
    int32_t InitialBlast;
    int32_t BirthFlags;
    SpawnHook m_SpawnHook;
};

#endif
