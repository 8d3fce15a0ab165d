// The trackball camera: mouse rotation, pan and dolly, its menu and its bank.
#include "devcam/trackballcam.h"

#define DIRECTINPUT_VERSION 0x0700
#include <dinput.h>

#include "bank/bank.h"
#include "bank/popupmenu.h"
#include "devcam/drawer.h"
#include "devcam/quat.h"
#include "gfx/pipeline.h"
#include "input/input.h"
#include "input/winproc.h"

namespace {

const char* const AxisNames[3] = {"X", "Y", "Z"};

Matrix34 Translation(float x, float y, float z) {
    Matrix34 m = Matrix34::sm_Identity;
    m.d.Set(x, y, z);
    return m;
}

// v times the 3x3 part of m, v a row vector.
Vector3 Rotated(const Vector3& v, const Matrix34& m) {
    return m.a * v.x + m.b * v.y + m.c * v.z;
}

uint32_t AxisColour(int axis, int active) {
    uint32_t intensity = axis == active ? 255 : 255 / 2;
    return 0xFF000000 | intensity << (8 * (2 - axis));
}

}  // namespace

const char* dcTrackballCam::GetHelp() {
    return "LB: Trackball\nMB: Translate AB\nRM: Translate C / Menu\n"
           "Hold down CTRL key for continuous motion";
}

void dcTrackballCam::Init(float homeX, float homeY, float homeZ, float transScale) {
    m_Home.Set(homeX, homeY, homeZ);
    m_TransScale = transScale;
    m_POVMode = false;
    m_WheelZooms = true;
    Reset();
}

void dcTrackballCam::Reset() {
    m_Transform.Identity();
    m_Transform.d = m_Home;
    m_AxisFrame.Identity();
    m_ActiveAxis = 1;
    m_Rotation.Set(0, 0, 0, 1);
    m_LastMouseX = inpMouseX;
    m_LastMouseY = inpMouseY;
}

void dcTrackballCam::Update() {
    float nx = (inpMouseX - m_LastMouseX) * gfxPipeline::m_fInvWidth;
    float ny = (inpMouseY - m_LastMouseY) * gfxPipeline::m_fInvHeight;
    int32_t wheel = m_WheelZooms ? inpMouseWheel : 0;

    if (inpMouseHeld(2) || wheel != 0) {
        if (inpMousePressed(2)) {
            m_MovedSinceRightPress = false;
        }
        float amount = (wheel != 0 ? (float)wheel : nx - ny) * m_TransScale;
        m_Transform.Dot(Translation(0.0f, 0.0f, amount));
        if (nx != 0 || ny != 0) {
            m_MovedSinceRightPress = true;
        }
    } else if (inpMouseHeld(4)) {
        m_Transform.Dot(Translation(m_TransScale * nx, -(m_TransScale * ny), 0.0f));
    } else if (inpMouseHeld(1)) {
        float px = (inpMouseX * gfxPipeline::m_fInvWidth - 0.5f) * 2.0f;
        float py = (inpMouseY * gfxPipeline::m_fInvHeight - 0.5f) * -2.0f;
        if (inpMousePressed(1)) {
            m_PressX = px;
            m_PressY = py;
            m_PressTransform = m_Transform;
            Vector3 origin = m_AxisFrame.d;
            origin.Negate();
            m_PressTransform.d = Rotated(origin, m_PressTransform);
            m_PivotOffset = m_Transform.d - m_PressTransform.d;
        }
        m_Rotation = dcTrackballQuat(m_PressX, m_PressY, px, py);
        Matrix34 rotation;
        dcQuatToMatrix34(m_Rotation, rotation);
        m_Transform.Dot(m_PressTransform, rotation);
        m_Transform.d += m_PivotOffset;
    }

    if (inpMouseReleased(2) && !m_MovedSinceRightPress) {
        PopupMenu();
    }

    if (inpKeyHeld(DIK_LCONTROL)) {
        m_LastMouseX = gfxPipeline::m_iWidth / 2;
        m_LastMouseY = gfxPipeline::m_iHeight / 2;
    } else {
        m_LastMouseX = inpMouseX;
        m_LastMouseY = inpMouseY;
    }
    if (m_POVMode) {
        AxisToCamera();
    }
    m_Inverse.FastInverse(m_Transform);
}

void dcTrackballCam::AxisToCamera() {
    Matrix34 inverse;
    inverse.Inverse(m_Transform);
    m_AxisFrame.d = inverse.d;
}

void dcTrackballCam::SetAxisOrigin(const Vector3& origin) {
    m_AxisFrame.d = origin;
}

void dcTrackballCam::TopView(float distance) {
    m_Transform.a.Set(1, 0, 0);
    m_Transform.b.Set(0, 0, 1);
    m_Transform.c.Set(0, -1, 0);
    m_Transform.d.Set(0, 0, -distance);
}

void dcTrackballCam::TopViewButton(uintptr_t distance) {
    TopView((float)distance);
}

void dcTrackballCam::DrawAxis() {
    if (!dcDraw) {
        return;
    }
    dcDraw->LoadMatrix(m_AxisFrame);
    dcDraw->Begin(dcDrawer::LineList);
    for (int axis = 0; axis < 3; ++axis) {
        dcDraw->Color(AxisColour(axis, m_ActiveAxis));
        dcDraw->Vertex(0, 0, 0);
        dcDraw->Vertex(axis == 0, axis == 1, axis == 2);
    }
    dcDraw->End();
    dcDraw->LoadIdentity();
}

void dcTrackballCam::DrawGrid(int count, float spacing) {
    if (!dcDraw) {
        return;
    }
    if (spacing == 0) {
        spacing = m_TransScale;
    }
    // The two axes across the active one, in the axis frame.
    int u = (m_ActiveAxis + 1) % 3;
    int v = (m_ActiveAxis + 2) % 3;
    float extent = count * spacing;
    auto vertex = [&](float along, float across) {
        float p[3] = {0, 0, 0};
        p[u] = along;
        p[v] = across;
        dcDraw->Vertex(p[0], p[1], p[2]);
    };
    dcDraw->LoadMatrix(m_AxisFrame);
    dcDraw->Color(0xFF007F7F);
    dcDraw->Begin(dcDrawer::LineList);
    for (int i = -count; i <= count; ++i) {
        vertex(i * spacing, -extent);
        vertex(i * spacing, extent);
        vertex(-extent, i * spacing);
        vertex(extent, i * spacing);
    }
    dcDraw->End();
    dcDraw->LoadIdentity();
}

void dcTrackballCam::AddWidgets(bkBank* bank) {
    bank->AddSlider("Trans Scale", &m_TransScale, 5.0f, 1000.0f, 5.0f);
    bank->AddCombo("Active Axis", &m_ActiveAxis, 3, const_cast<const char**>(AxisNames), 0);
    bank->AddVectorSlider("Axis Origin", &m_AxisFrame.d, -1000.0f, 1000.0f, 1.0f);
    bank->AddButton("Axis to Camera", datCallback(&dcTrackballCam::AxisToCamera, this));
    bank->AddButton("Top View", datCallback(&dcTrackballCam::TopViewButton, this, 1000));
    bank->AddButton("Reset", datCallback(&dcTrackballCam::Reset, this));
    bank->AddToggle("POV Mode", reinterpret_cast<uint8_t*>(&m_POVMode));
}

void dcTrackballCam::PopupMenu() {
    bkPopupMenu menu;
    menu.Create();
    menu.AddItem("Fine", 10010, m_TransScale == 10.0f, true);
    menu.AddItem("Medium", 10100, m_TransScale == 100.0f, true);
    menu.AddItem("Coarse", 11000, m_TransScale == 1000.0f, true);
    menu.AddSeparator();
    menu.AddItem("Axis to Camera", 10, false, true);
    menu.AddItem("Top View", 20, false, true);
    menu.AddItem("Reset", 30, false, true);
    menu.AddItem("POV Mode", 40, m_POVMode, true);
    menu.AddItem("Wheel Zooms", 50, m_WheelZooms, true);
    int id = menu.Track(-1, -1);
    menu.Destroy();
    MenuCommand(id);
}

void dcTrackballCam::MenuCommand(int id) {
    switch (id) {
    case 0:
        break;
    case 10:
        AxisToCamera();
        break;
    case 20:
        TopView(1000.0f);
        break;
    case 30:
        Reset();
        break;
    case 40:
        m_POVMode = !m_POVMode;
        break;
    case 50:
        m_WheelZooms = !m_WheelZooms;
        break;
    default:
        m_TransScale = (float)(id - 10000);
        break;
    }
}
