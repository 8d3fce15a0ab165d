#ifndef DEVCAM_POLARCAM_H
#define DEVCAM_POLARCAM_H

#include "vector/matrix34.h"
#include "vector/matrix44.h"
#include "vector/vector3.h"

class bkBank;

// A keyboard camera orbiting a point at a distance, with azimuth and incline angles (radians).
// Delete and Page Down turn the azimuth, End and Home the incline, Insert and Page Up change
// the distance; with Shift the same keys pan; Ctrl turns twice and moves ten times as fast.
class dcPolarCam {
public:
    void Init(float distance, float azimuth, float incline);
    void Update(float seconds);
    void AddWidgets(bkBank* bank);

    bool m_Enabled = false;
    float m_Distance = 0;
    float m_Azimuth = 0;
    float m_Incline = 0;
    float m_MoveSpeed = 0;
    float m_TurnSpeed = 0;
    Vector3 m_PanOffset;
    // Added to the position every update when set; the point must outlive the camera's use.
    const Vector3* m_Follow = nullptr;
    // The inverse of the transform.
    Matrix44 m_View;
    Matrix34 m_Transform;
};

#endif
