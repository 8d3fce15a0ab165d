#ifndef GFX_FADE_H
#define GFX_FADE_H

#include <cstdint>

// The full-screen fade: each frame end blends the current colour from the start colour toward
// the target by the progress, moves the progress on, and covers the screen with the current
// colour while its alpha is not 0.
struct gfxFadeState {
    uint32_t m_From;
    uint32_t m_Target;
    uint32_t m_Current;
    float m_Progress;  // 0 to 1
    float m_Rate;      // 1 / seconds
};
extern gfxFadeState gfxFade;

// Starts a fade from the current colour to the colour over the seconds.
void gfxFadeTo(uint32_t colour, float seconds);
// Start, target and current at once.
void gfxSetFade(uint32_t colour);

// Per-channel linear blend of two packed colours, t from 0 to 1.
uint32_t gfxBlendColor(uint32_t from, uint32_t to, float t);
// One frame of the fade: blend, then progress += seconds × rate, at most 1.
void gfxStepFade(gfxFadeState& fade, float seconds);

#endif
