#ifndef DEVCAM_TRACKBALLCAM_H
#define DEVCAM_TRACKBALLCAM_H

#include <cstdint>

#include "vector/matrix34.h"
#include "vector/quaternion.h"
#include "vector/vector3.h"

class bkBank;

// A mouse camera: the left button turns the view on a trackball about the axis origin, the
// middle button pans in the view plane, the right button (or the wheel) dollies along the view
// axis, and a right click without motion opens the camera's menu. The transform takes world
// points to the view; the inverse places the camera in the world.
class dcTrackballCam {
public:
    static const char* GetHelp();

    void Init(float homeX, float homeY, float homeZ, float transScale);
    void Reset();
    void Update();
    // The axis origin moves to the camera's position.
    void AxisToCamera();
    void SetAxisOrigin(const Vector3& origin);
    // Looks straight down on the world origin from the distance.
    void TopView(float distance);
    void DrawAxis();
    // A grid across the active axis, count lines either side; spacing 0 means the trans scale.
    void DrawGrid(int count, float spacing);
    void AddWidgets(bkBank* bank);
    // The right-button menu; the chosen command runs through MenuCommand.
    void PopupMenu();
    // Menu ids: 10 axis to camera, 20 top view, 30 reset, 40 and 50 toggle POV mode and wheel
    // zooms; any other id but 0 sets the trans scale to id - 10000.
    void MenuCommand(int id);

    Matrix34 m_Transform;
    // Rows a, b, c are the axes drawn by DrawAxis; row d is the axis origin.
    Matrix34 m_AxisFrame;
    Matrix34 m_Inverse;
    Vector3 m_Home;
    Vector3 m_PivotOffset;
    Matrix34 m_PressTransform;
    float m_TransScale = 0;
    float m_PressX = 0;
    float m_PressY = 0;
    Quaternion m_Rotation;
    int32_t m_LastMouseX = 0;
    int32_t m_LastMouseY = 0;
    // 0 X, 1 Y, 2 Z.
    int32_t m_ActiveAxis = 1;
    bool m_POVMode = false;
    bool m_WheelZooms = false;
    // Cleared when the right button goes down, set by motion while it is held: a release
    // without motion is a click.
    bool m_MovedSinceRightPress = false;

private:
    void TopViewButton(uintptr_t distance);
};

#endif
