// The particle pool: its sizing, the sprite table, its texture and the spawning of bursts.
#include "effects/ptx.h"

#include <cmath>

#include "bank/bank.h"
#include "data/assert.h"
#include "data/printer.h"
#include "effects/birthrule.h"
#include "gfx/pipeline.h"
#include "gfx/texreg.h"
#include "gfx/texture.h"
#include "vector/matrix34.h"

const SpriteTable::Corner SpriteTable::DefaultTemplate[MaxCorners] = {
    {-1, -1, 0, 0}, {1, -1, 1, 0}, {1, 1, 1, 1}, {-1, 1, 0, 1}};

void SpriteTable::Init(int vc, const Corner* shape, int r, int columns, int rows) {
    Assert(vc == 3 || vc == 4);
    Assert(r > 0 && r <= R);
    Assert(columns > 0 && rows > 0);
    this->vc = vc;
    m_Rotations = r;
    const float step = 2.0f * 3.14159265f / float(r);
    float angle = 0.0f;
    for (int k = 0; k < r; ++k, angle += step) {
        float c = std::cos(angle);
        float s = std::sin(angle);
        for (int i = 0; i < vc; ++i) {
            m_Rotated[k][i][0] = c * shape[i].x - s * shape[i].y;
            m_Rotated[k][i][1] = c * shape[i].y + s * shape[i].x;
        }
    }
    m_Frames.assign(size_t(columns) * size_t(rows), {});
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            std::array<float, 2 * MaxCorners>& frame = m_Frames[size_t(row) * columns + column];
            for (int i = 0; i < vc; ++i) {
                frame[2 * i] = (float(column) + shape[i].u) / float(columns);
                frame[2 * i + 1] = (float(row) + shape[i].v) / float(rows);
            }
        }
    }
}

ovParticles::ovParticles()
    : m_Elapsed(0.0f),
      m_Intensity(1.0f),
      m_SpewRate(0.0f),
      m_SpawnRemainder(0.0f),
      m_Wind(0.0f, 0.0f, 0.0f),
      m_WindDensity(0.0f),
      m_Gravity(-9.8f),
      m_Capacity(0),
      m_LiveCount(0),
      m_Texture(nullptr),
      m_Emitter(nullptr),
      m_BirthRule(nullptr) {
    Reset();
}

ovParticles::~ovParticles() {
    gfxTexture::Release(m_Texture);
}

// The records default to the NaN fill, so a field that spawning forgot shows up at once.
void ovParticles::Init(int count, int columns, int rows, int vc,
                       const SpriteTable::Corner* corners) {
    if (count < 0) {
        count = 0;
    }
    m_Particles.reset(new ParticleRecord[size_t(count)]);
    m_Sprites.reset(new ParticleSprite[size_t(count)]);
    m_Capacity = gfxUseSoftware ? count >> 2 : count;
    m_LiveCount = 0;
    m_SpriteTable.Init(vc, corners ? corners : SpriteTable::DefaultTemplate, SpriteTable::R,
                       columns, rows);
}

void ovParticles::Reset() {
    m_LiveCount = 0;
    m_Emitter = nullptr;
    m_Elapsed = 0.0f;
}

// The new reference is taken before the old one goes, so attaching the texture already held
// never destroys it.
void ovParticles::AttachTexture(gfxTexture* texture) {
    if (texture) {
        ++texture->m_RefCount;
    }
    gfxTexture::Release(m_Texture);
    m_Texture = texture;
}

void ovParticles::SetTexture(const char* name) {
    gfxTexture* texture = gfxGetTexture(name, 0);
    if (!texture) {
        PrintError("ovParticles::SetTexture: '%s' not found", name);
    }
    AttachTexture(texture);
    gfxTexture::Release(texture);
    m_LiveCount = 0;
}

uint8_t ovParticles::SheetFrame(int frame) const {
    int last = m_SpriteTable.FrameCount() - 1;
    if (frame < 0) {
        return 0;
    }
    return uint8_t(frame > last ? last : frame);
}

void ovParticles::Blast(int count, bool quiet) {
    if (!m_BirthRule) {
        if (!quiet) {
            PrintError("ovParticles::Blast()- No BirthRule");
        }
        return;
    }
    if (count > m_Capacity - m_LiveCount) {
        count = m_Capacity - m_LiveCount;
    }
    for (int n = 0; n < count; ++n) {
        ParticleRecord& particle = m_Particles[m_LiveCount];
        ParticleSprite& sprite = m_Sprites[m_LiveCount];
        m_BirthRule->Spawn(particle, sprite);
        sprite.m_Frame = SheetFrame(sprite.m_Frame);
        if (m_Emitter) {
            sprite.m_Position.Transform(*m_Emitter);
        }
        ++m_LiveCount;
    }
}

void ovParticles::AddWidgets(bkBank* bank) {
    bank->AddSlider("Spew Rate", &m_SpewRate, 0.0f, 10000.0f, 1.0f);
    bank->AddVectorSlider("Wind", &m_Wind, -10000.0f, 10000.0f, 0.1f);
    bank->AddSlider("Wind Density", &m_WindDensity, 0.0f, 10000.0f, 0.1f);
    bank->AddSlider("Gravity", &m_Gravity, -100000.0f, 10000.0f, 0.1f);
    bank->AddSlider("Intensity", &m_Intensity, 0.0f, 1.0f, 0.01f);
}
