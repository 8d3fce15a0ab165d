#ifndef TESTS_GAME_EFFECTS_PTXFIXTURE_H
#define TESTS_GAME_EFFECTS_PTXFIXTURE_H

#include <memory>

#include "data/timemgr.h"
#include "effects/birthrule.h"
#include "effects/ptx.h"
#include "gfx/texture.h"
#include "tests/engine/rgl/rglfixture.h"

// A rule without variation that makes still, long-lived white particles at the origin.
inline void MakeSteady(ovBirthRule& rule) {
    rule.Life = 100.0f;
    rule.Gravity = 0.0f;
}

// Frames of 1/60 s on the recording device looking at the origin from (0, 0, 10), a pool of
// 64 on a 2 by 2 sheet with the steady rule, and a surface-less texture the test keeps.
class Particles : public RglCameraPipeline {
protected:
    void SetUp() override {
        RglCameraPipeline::SetUp();
        m_Seconds = datTimeManager::Seconds;
        datTimeManager::Seconds = 1.0f / 60.0f;
        MakeSteady(m_Rule);
        m_Texture.reset(new gfxTexture());
        m_Texture->m_Surface = reinterpret_cast<IDirectDrawSurface7*>(uintptr_t(0x5000));
        Make(64, 2, 2, 4);
    }
    void TearDown() override {
        m_System.reset();
        datTimeManager::Seconds = m_Seconds;
        RglCameraPipeline::TearDown();
    }
    void Make(int count, int columns, int rows, int vc) {
        m_System.reset(new ovParticles);
        m_System->Init(count, columns, rows, vc, nullptr);
        m_System->SetBirthRule(&m_Rule);
    }
    void Updates(int frames) {
        for (int i = 0; i < frames; ++i) {
            m_System->Update();
        }
    }

    float m_Seconds = 0.0f;
    ovBirthRule m_Rule;
    std::unique_ptr<gfxTexture> m_Texture;
    std::unique_ptr<ovParticles> m_System;
};

#endif
