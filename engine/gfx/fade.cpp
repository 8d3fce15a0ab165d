// The full-screen fade colour and its progress.
#include "gfx/fade.h"

gfxFadeState gfxFade;

void gfxFadeTo(uint32_t colour, float seconds) {
    gfxFade.m_From = gfxFade.m_Current;
    gfxFade.m_Target = colour;
    gfxFade.m_Progress = 0;
    gfxFade.m_Rate = seconds > 0 ? 1.0f / seconds : 1.0f;
}

void gfxSetFade(uint32_t colour) {
    gfxFade.m_From = colour;
    gfxFade.m_Target = colour;
    gfxFade.m_Current = colour;
    gfxFade.m_Progress = 1.0f;
}

uint32_t gfxBlendColor(uint32_t from, uint32_t to, float t) {
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        float a = (float)((from >> shift) & 0xFF);
        float b = (float)((to >> shift) & 0xFF);
        uint32_t channel = (uint32_t)(a + (b - a) * t);
        result |= (channel & 0xFF) << shift;
    }
    return result;
}

void gfxStepFade(gfxFadeState& fade, float seconds) {
    if (fade.m_Target == fade.m_Current) {
        return;
    }
    fade.m_Current = gfxBlendColor(fade.m_From, fade.m_Target, fade.m_Progress);
    fade.m_Progress += seconds * fade.m_Rate;
    if (fade.m_Progress > 1.0f) {
        fade.m_Progress = 1.0f;
    }
}
