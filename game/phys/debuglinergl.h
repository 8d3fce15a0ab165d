#ifndef PHYS_DEBUGLINERGL_H
#define PHYS_DEBUGLINERGL_H

// The physics debug lines reach the screen through the immediate-mode layer once the start-up
// installs its drawer with this; the physics modules below cannot reach that layer themselves.
void lvlUseRglDebugLineDrawer();

#endif
