#ifndef EFFECTS_PTX_H
#define EFFECTS_PTX_H

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "data/base.h"
#include "effects/particle.h"
#include "vector/vector3.h"

class bkBank;
class gfxTexture;
class ovBirthRule;
struct Matrix34;

// The corners of a sprite at each of R rotation steps, and the texture coordinates of each
// frame of a sheet of columns by rows frames (frame = row * columns + column).
struct SpriteTable {
    static const int R = 32;
    static const int MaxCorners = 4;
    // x, y, u, v of each corner.
    struct Corner {
        float x, y, u, v;
    };
    static const Corner DefaultTemplate[MaxCorners];

    void Init(int vc, const Corner* corners, int r, int columns, int rows);
    int FrameCount() const { return int(m_Frames.size()); }

    int vc = 0;
    int m_Rotations = 0;
    float m_Rotated[R][MaxCorners][2] = {};
    std::vector<std::array<float, 2 * MaxCorners>> m_Frames;
};

// A fixed pool of camera-facing sprite particles, spawned from a birth rule continuously at
// the rule's spew rate or in bursts, moved under drag, wind and gravity with optional bounce or
// splash on a ground height, and drawn as textured fans with optional flat ground copies.
// A dead particle is replaced by the last live one, so particle order is not kept.
class ovParticles : public Base {
public:
    ovParticles();
    ~ovParticles() override;
    ovParticles(const ovParticles&) = delete;
    ovParticles& operator=(const ovParticles&) = delete;

    // Sizes the pool once (again frees the previous pool); a software rendering device gets a
    // quarter of the count. corners is null for the default square.
    void Init(int count, int columns, int rows, int vc, const SpriteTable::Corner* corners);
    void Reset();
    // Holds a counted reference to the texture, releasing the one held before.
    void AttachTexture(gfxTexture* texture);
    void SetTexture(const char* name);
    void SetBirthRule(ovBirthRule* rule) { m_BirthRule = rule; }
    ovBirthRule* GetBirthRule() const { return m_BirthRule; }
    // Spawned positions are transformed by the matrix while it is set; it must outlive its use.
    void SetEmitter(const Matrix34* transform) { m_Emitter = transform; }

    // One frame of the time manager's length: spewing, motion, colour, size, frames.
    void Update();
    // Spawns up to count particles, as many as there are free slots.
    void Blast(int count, bool quiet);
    // Draws the live particles with the camera's orientation.
    virtual void Cull();
    void AddWidgets(bkBank* bank);

    int GetCapacity() const { return m_Capacity; }
    int GetLiveCount() const { return m_LiveCount; }
    ParticleRecord& Particle(int i) { return m_Particles[i]; }
    ParticleSprite& Sprite(int i) { return m_Sprites[i]; }
    const SpriteTable& GetSpriteTable() const { return m_SpriteTable; }
    gfxTexture* GetTexture() const { return m_Texture; }

    float m_Elapsed;
    float m_Intensity;  // "Intensity": scales red, green and blue
    // "Spew Rate", "Wind Density" and "Gravity" are tuning values of the bank only: particles
    // spew at their rule's SpewRate and fall with its Gravity, and nothing reads the density.
    float m_SpewRate;
    float m_SpawnRemainder;
    Vector3 m_Wind;
    float m_WindDensity;
    float m_Gravity;

private:
    void Remove(int i);
    // Keeps the sprite's frame inside the sheet.
    uint8_t SheetFrame(int frame) const;
    void DrawGroundCopies();
    void DrawSprites();

    int m_Capacity;
    int m_LiveCount;
    std::unique_ptr<ParticleRecord[]> m_Particles;
    std::unique_ptr<ParticleSprite[]> m_Sprites;
    gfxTexture* m_Texture;
    SpriteTable m_SpriteTable;
    const Matrix34* m_Emitter;
    ovBirthRule* m_BirthRule;
};

#endif
