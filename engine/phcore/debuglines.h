#ifndef PHCORE_DEBUGLINES_H
#define PHCORE_DEBUGLINES_H

#include <cstdint>

#include "vector/matrix34.h"
#include "vector/nanfill.h"
#include "vector/vector3.h"

// The physics code's own diagnostics: coloured line segments queued from anywhere in the
// simulation step and drawn once per frame. The list is a fixed static array, so queuing never
// allocates; a full list drops further lines silently until it is cleared.

enum { MAX_DEBUG_LINES = 4096 };

struct phDebugLine {
    Vector3 From;
    Vector3 To;
    // Packed 0xAARRGGBB. Filled like the points until queued, so a stray record shows up.
    uint32_t Colour = NanFillBits;
};

extern phDebugLine phDebugLines[MAX_DEBUG_LINES];
extern int phDebugLineCount;

// How the lines reach the screen. The physics modules sit below the drawing layer, so the game's
// start-up installs the immediate-mode layer's drawer (lvlUseRglDebugLineDrawer); with none
// installed, rendering draws nothing (and a clear still empties the list).
class phDebugLineDrawer {
public:
    enum { LIGHTING = 2, LINE_LIST = 2, LINE_STRIP = 3 };

    // Sets a drawing state on or off and answers its previous value.
    virtual bool Enable(int capability, bool on) = 0;
    virtual void LoadIdentity() = 0;
    // Unbinds the textures of both stages.
    virtual void UnbindTextures() = 0;
    virtual void Color(uint32_t colour) = 0;
    virtual void Begin(int primitive) = 0;
    virtual void Vertex(float x, float y, float z) = 0;
    virtual void End() = 0;
    virtual ~phDebugLineDrawer() {}
};

extern phDebugLineDrawer* DebugLineDrawer;

// Colour components from 0 to 1, packed with alpha 255.
uint32_t phDebugColour(const Vector3& colour);

void phDebugLineAdd(const Vector3& from, const Vector3& to, uint32_t colour);
void phDebugLineRender(bool clear);
// The 12 edges of a box of the given size centred on the matrix's origin.
void phDebugBox(const Vector3& size, const Matrix34& matrix, uint32_t colour);
// Three circles about the centre, in the planes of constant x, y and z.
void phDebugSphere(const Vector3& centre, float radius, uint32_t colour, int segments);

#endif
