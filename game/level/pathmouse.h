#ifndef LEVEL_PATHMOUSE_H
#define LEVEL_PATHMOUSE_H

#include <cstdint>

struct Vector3;

// The mouse as path editing sees it: the window's input events, the keyboard's Shift, the wheel
// and the picking of the current view. PathMouse starts as the program's own input and picking
// (level/pathinput.cpp); tests put a scripted mouse in its place. With none installed paths are
// not edited by mouse.

// One input event, as the window's event ring holds it.
struct qvPathEvent {
    enum {
        MouseMove = 0,
        LeftDown = 1,
        LeftUp = 2,
        RightDown = 3,
        RightUp = 4,
        MiddleDown = 5,
        MiddleUp = 6
    };
    uint32_t m_Type;
    int32_t m_X;  // client pixels
    int32_t m_Y;
    uint32_t m_Data;
};

class qvPathMouse {
public:
    virtual ~qvPathMouse() {}
    // The pending event after cursor, oldest first, advancing cursor; false past the newest.
    // Reading does not take events out of the ring.
    virtual bool PeekEvent(qvPathEvent& event, uint32_t& cursor) = 0;
    // Either Shift key held in this frame's keyboard state.
    virtual bool ShiftHeld() = 0;
    // Wheel clicks of this frame.
    virtual int Wheel() = 0;
    // Squared screen distance from the mouse to the point, 1e10 when it is behind the eye.
    virtual float PointDistance(const Vector3& point) = 0;
    // The ray under a client point, from the near plane (start) to the far plane (end).
    virtual bool RayFromScreen(int x, int y, Vector3& start, Vector3& end) = 0;
};

extern qvPathMouse* PathMouse;

#endif
