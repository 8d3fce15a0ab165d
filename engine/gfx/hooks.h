#ifndef GFX_HOOKS_H
#define GFX_HOOKS_H

// The pipeline reaches the parts built over it (input, textures and their cache, the debug
// font, packet vertex buffers, the internal renderer) through hook lists that those parts fill
// when they start. Each list runs its functions in the order they were added.

enum gfxHookPoint {
    gfxHookInputStart,       // device created: start mouse, keyboard, joysticks and pads
    gfxHookDeviceCreated,    // device, states and viewports are ready
    gfxHookInputPoll,        // after the message pump: poll the input devices
    gfxHookSurfacesRestored, // lost surfaces were restored: refill buffers, drop caches
    gfxHookFrameStart,       // frame begins: make sure the font and texture cache exist
    gfxHookFrameEnd,         // frame ends: end the frame's texture use
    gfxHookDeviceReleasing,  // before the device goes: free what was made on it
    gfxHookInputStop,        // shut down pads, joysticks, keyboard and mouse
    gfxHookPointCount
};

typedef void (*gfxHookFunc)();

const int gfxMaxHooks = 16;

// Adds the function once (a second add of the same function is ignored); false when the list
// is full.
bool gfxAddHook(gfxHookPoint point, gfxHookFunc function);
void gfxRemoveHook(gfxHookPoint point, gfxHookFunc function);
void gfxRunHooks(gfxHookPoint point);

#endif
