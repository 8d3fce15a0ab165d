#ifndef DEVCAM_PICK_H
#define DEVCAM_PICK_H

#include <cstdint>

#include "vector/vector3.h"
#include "vector/vector4.h"

class bkBank;

// Picking: the mouse (client pixels) against world points through the current viewport's full
// world-to-screen matrix. Squared screen distances; 1e10 stands for not visible.

const float dcInvisible = 1e10f;

// (x / w, y / w, z / w, 1 / w); false when w is not above 0 (behind the eye).
bool dcProjectToScreen(Vector4& out, const Vector3& point);
float dcPickPointDist(const Vector3& point);
// t is the parameter from a to b of the point nearest the mouse.
float dcPickSegmentDist(float& t, const Vector3& a, const Vector3& b);
// Even-odd rule over the projected polygon, of any number of points; false when one of them
// lies behind the eye.
bool dcPickInPolygon(int count, const Vector3* points);
// The closest points of two lines through p1, p2 and p3, p4; false when a line is degenerate or
// the lines are parallel.
bool dcLineLineClosest(const Vector3& p1, const Vector3& p2, const Vector3& p3,
                       const Vector3& p4, Vector3& q1, Vector3& q2, float* mua = nullptr,
                       float* mub = nullptr);
// Count points drawn as a line list in pixels around the projected point, in the current colour.
void dcDrawPolyline(const Vector3& point, int count, const float (*offsets)[2]);
// Two diagonals, a horizontal and a vertical line through the point, 8 pixels long.
void dcDrawMarker(const Vector3& point);
// A square 8 pixels wide round the point.
void dcDrawSquareMarker(const Vector3& point);

// The world ray under a screen point: from depth 0 to depth 1.
struct dcRay {
    void FromScreen(float x, float y);

    Vector3 m_Start;
    Vector3 m_End;
    bool m_Valid = false;
};

// A left-button drag makes a selection box, turned into a frustum of six planes whose inside is
// behind every plane; a middle-button press makes a ray.
class dcPick {
public:
    static const int maxPoints = 256;

    enum State : uint32_t { Idle = 0, Dragging = 1 };
    enum Mode : int32_t { Box = 0, Line = 1 };

    dcPick();
    void Update();
    // The drag rectangle, while dragging.
    void Draw();
    void DrawFrustum();
    void AddWidgets(bkBank* bank);

    uint32_t m_State;
    int32_t m_StartX, m_StartY, m_EndX, m_EndY;
    int32_t m_Mode;
    // Near, far, left, top, right, bottom.
    Vector4 m_Planes[6];
    // Depth 0 then depth 1, each at (x1, y1), (x2, y1), (x2, y2), (x1, y2).
    Vector3 m_Corners[8];
    float m_Rectangle[4];
    bool m_Valid;
    dcRay m_Ray;

private:
    void BuildSelection(int x1, int y1, int x2, int y2);
};

#endif
