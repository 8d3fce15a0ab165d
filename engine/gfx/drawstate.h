#ifndef GFX_DRAWSTATE_H
#define GFX_DRAWSTATE_H

#include <cstdint>

#include <windows.h>
#include <ddraw.h>

#include "gfx/rstate.h"

// Brings the device up to the desired render state, sending only what differs from the last
// applied one, which is updated as it goes; clears every dirty bit but the composite's.
void gfxApplyDrawState(gfxRenderState& desired, gfxRenderState& last);

// The multitexture mode of the drawing layer: 0 none, 1 emulated, 2 native.
extern uint32_t gfxMultiTextureMode;

// What the state applier needs of a texture, filled by the texture code: the surface to bind
// (loading it into the texture cache when needed) and the texture's flags (0x1 clamp in U,
// 0x10000 clamp in V). Without them a texture binds as none and wraps.
struct gfxTextureAccess {
    IDirectDrawSurface7* (*m_ResidentSurface)(const gfxTexture* texture);
    uint32_t (*m_Flags)(const gfxTexture* texture);
};
extern gfxTextureAccess gfxTextureHooks;

#endif
