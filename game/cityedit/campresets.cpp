// The trackball camera's presets: straight views of its axis origin from above, the sides, the
// front and the back.
#include "cityedit/mainloop.h"

#include <cmath>

#include "devcam/trackballcam.h"

namespace {

const float HalfPi = 1.57079632679f;
const float Pi = 3.14159265359f;

// No rotation at the camera's distance, the axis origin in the middle of the view.
Matrix34 PresetStart(const dcTrackballCam& camera) {
    Matrix34 view;
    view.Identity();
    view.d = camera.m_Transform.d;
    view.d.x = -camera.m_AxisFrame.d.x;
    view.d.y = -camera.m_AxisFrame.d.y;
    view.d.z = -std::fabs(view.d.z);
    return view;
}

// The view turned about the vertical through the axis origin, so that the origin stays in the
// middle of the view at the same depth.
void TurnAboutOrigin(Matrix34& view, const Vector3& origin, float angle) {
    view.MakeRotateY(angle);
    Vector3 turned = view.a * origin.x + view.b * origin.y + view.c * origin.z;
    view.d += origin - turned;
}

void Finish(dcTrackballCam& camera, const Matrix34& view) {
    camera.m_Transform = view;
    camera.Update();
}

}  // namespace

void CameraPresetTop(dcTrackballCam& camera) {
    const Vector3& origin = camera.m_AxisFrame.d;
    Matrix34 view = PresetStart(camera);
    view.d.y = origin.z;
    view.d.z = -(std::fabs(origin.y + camera.m_Transform.d.z) + origin.y);
    view.b.Set(0.0f, 0.0f, 1.0f);
    view.c.Set(0.0f, -1.0f, 0.0f);
    Finish(camera, view);
}

void CameraPresetSide(dcTrackballCam& camera, bool right) {
    Matrix34 view = PresetStart(camera);
    TurnAboutOrigin(view, camera.m_AxisFrame.d, right ? HalfPi : -HalfPi);
    Finish(camera, view);
}

void CameraPresetFrontBack(dcTrackballCam& camera, bool back) {
    Matrix34 view = PresetStart(camera);
    if (back) {
        TurnAboutOrigin(view, camera.m_AxisFrame.d, Pi);
    }
    Finish(camera, view);
}

void ApplyCameraPreset(dcTrackballCam& camera, CameraPreset preset) {
    switch (preset) {
    case PresetTop:
        CameraPresetTop(camera);
        break;
    case PresetFront:
        CameraPresetFrontBack(camera, false);
        break;
    case PresetBack:
        CameraPresetFrontBack(camera, true);
        break;
    case PresetLeft:
        CameraPresetSide(camera, false);
        break;
    case PresetRight:
        CameraPresetSide(camera, true);
        break;
    case PresetNone:
        break;
    }
}
