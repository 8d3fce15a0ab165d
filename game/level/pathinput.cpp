// The path editor's mouse over the program's own input and picking: the window's event ring,
// the keyboard's Shift keys, the wheel, and picks through the current viewport. Installed in
// PathMouse from the start.

#include "level/pathmouse.h"

#include "devcam/pick.h"
#include "input/event.h"
#include "input/input.h"
#include "vector/vector3.h"

namespace {

// DirectInput key codes of the two Shift keys.
const uint32_t LeftShift = 0x2A;
const uint32_t RightShift = 0x36;

class qvPathInputMouse : public qvPathMouse {
public:
    bool PeekEvent(qvPathEvent& event, uint32_t& cursor) override {
        inpEvent ringEvent;
        if (!inpPeekEvent(ringEvent, cursor)) {
            return false;
        }
        event = qvPathEvent{ringEvent.type, ringEvent.x, ringEvent.y, ringEvent.data};
        return true;
    }
    bool ShiftHeld() override { return inpKeyHeld(LeftShift) || inpKeyHeld(RightShift); }
    int Wheel() override { return inpMouseWheel; }
    float PointDistance(const Vector3& point) override { return dcPickPointDist(point); }
    bool RayFromScreen(int x, int y, Vector3& start, Vector3& end) override {
        dcRay ray;
        ray.FromScreen(float(x), float(y));
        start = ray.m_Start;
        end = ray.m_End;
        return ray.m_Valid;
    }
};

qvPathInputMouse sInputMouse;

}  // namespace

qvPathMouse* PathMouse = &sInputMouse;
