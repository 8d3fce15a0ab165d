// The polar camera: keyboard orbit and pan.
#include "devcam/polarcam.h"

#define DIRECTINPUT_VERSION 0x0700
#include <dinput.h>

#include "bank/bank.h"
#include "input/input.h"

void dcPolarCam::Init(float distance, float azimuth, float incline) {
    m_Distance = distance;
    m_Azimuth = azimuth;
    m_Incline = incline;
    m_MoveSpeed = 10.0f;
    m_TurnSpeed = 2.0f;
    m_PanOffset.Zero();
    m_Follow = nullptr;
    m_Transform.Identity();
    m_Enabled = true;
}

void dcPolarCam::Update(float seconds) {
    if (!m_Enabled) {
        return;
    }
    float turn = seconds * m_TurnSpeed;
    float move = seconds * m_MoveSpeed;
    if (inpKeyHeld(DIK_LCONTROL) || inpKeyHeld(DIK_RCONTROL)) {
        turn *= 2.0f;
        move *= 10.0f;
    }
    if (!inpKeyHeld(DIK_LSHIFT) && !inpKeyHeld(DIK_RSHIFT)) {
        if (inpKeyHeld(DIK_DELETE)) m_Azimuth -= turn;
        if (inpKeyHeld(DIK_NEXT)) m_Azimuth += turn;
        if (inpKeyHeld(DIK_END)) m_Incline -= turn;
        if (inpKeyHeld(DIK_HOME)) m_Incline += turn;
        if (inpKeyHeld(DIK_INSERT)) m_Distance += move;
        if (inpKeyHeld(DIK_PRIOR)) m_Distance -= move;
    } else {
        if (inpKeyHeld(DIK_DELETE)) m_PanOffset.AddScaled(m_Transform.a, -move);
        if (inpKeyHeld(DIK_NEXT)) m_PanOffset.AddScaled(m_Transform.a, move);
        if (inpKeyHeld(DIK_HOME)) m_PanOffset.y += move;
        if (inpKeyHeld(DIK_END)) m_PanOffset.y -= move;
        // Forward and back along the view flattened onto the ground.
        Vector3 flat(m_Transform.c.x, 0.0f, m_Transform.c.z);
        flat.Normalize();
        if (inpKeyHeld(DIK_PRIOR)) {
            m_PanOffset.AddScaled(flat, -move);
        } else if (inpKeyHeld(DIK_INSERT)) {
            m_PanOffset.AddScaled(flat, move);
        }
    }
    m_Transform.PolarView(m_Distance, m_Azimuth, m_Incline, 0.0f);
    m_Transform.d += m_PanOffset;
    if (m_Follow) {
        m_Transform.d += *m_Follow;
    }
    Matrix34 inverse;
    inverse.Inverse(m_Transform);
    m_View.FromMatrix34(inverse);
}

void dcPolarCam::AddWidgets(bkBank* bank) {
    bank->AddSlider("Distance", &m_Distance, 0.0f, 1000.0f, 0.1f, NullCallback);
    bank->AddSlider("Azimuth", &m_Azimuth, -100.0f, 100.0f, 0.01f, NullCallback);
    bank->AddSlider("Incline", &m_Incline, -100.0f, 100.0f, 0.01f, NullCallback);
}
