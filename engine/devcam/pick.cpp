// Picking: projections, screen distances, the polygon test, rays and the selection frustum.
#include "devcam/pick.h"

#include <cstring>

#include "bank/bank.h"
#include "data/assert.h"
#include "gfx/rstate.h"
#include "input/input.h"
#include "input/winproc.h"
#include "vector/matrix44.h"
#include "vector/nanfill.h"

namespace {

const float Epsilon = 1e-7f;
const char* const ModeNames[2] = {"Box", "Line"};

const Matrix44& FullMatrix() {
    if (gfxStateDirty & gfxDirtyComposite) {
        gfxComposeMatrices();
    }
    return gfxComposite;
}

Matrix44 InverseFullMatrix() {
    Matrix44 inverse;
    FullMatrix().Inverse(inverse);
    return inverse;
}

// The screen point at the depth through the inverse matrix, divided by its w times sign.
Vector3 Unproject(const Matrix44& inverse, float x, float y, float depth, float sign) {
    Vector4 p;
    p.Dot44(Vector4(x, y, depth, 1.0f), inverse);
    float scale = sign / p.w;
    return Vector3(p.x * scale, p.y * scale, p.z * scale);
}

float MouseDist2(const Vector4& screen) {
    float dx = screen.x - inpMouseX;
    float dy = screen.y - inpMouseY;
    return dx * dx + dy * dy;
}

bool Tiny(const Vector3& v) {
    return fabsf(v.x) < Epsilon && fabsf(v.y) < Epsilon && fabsf(v.z) < Epsilon;
}

// The plane through a, o and b: n = (b - o) x (a - o), normalised, with w = -(n . o).
Vector4 PlaneThrough(const Vector3& a, const Vector3& o, const Vector3& b) {
    Vector3 n;
    n.Cross(b - o, a - o);
    n.Normalize();
    return Vector4(n.x, n.y, n.z, -n.Dot(o));
}

}  // namespace

bool dcProjectToScreen(Vector4& out, const Vector3& point) {
    Vector4 p;
    p.Dot44(Vector4(point.x, point.y, point.z, 1.0f), FullMatrix());
    if (!(p.w > 0)) {
        return false;
    }
    float inverseW = 1.0f / p.w;
    out.Set(p.x * inverseW, p.y * inverseW, p.z * inverseW, inverseW);
    return true;
}

float dcPickPointDist(const Vector3& point) {
    Vector4 screen;
    return dcProjectToScreen(screen, point) ? MouseDist2(screen) : dcInvisible;
}

float dcPickSegmentDist(float& t, const Vector3& a, const Vector3& b) {
    Vector4 A;
    Vector4 B;
    if (!dcProjectToScreen(A, a) || !dcProjectToScreen(B, b)) {
        return dcInvisible;
    }
    float ex = B.x - A.x;
    float ey = B.y - A.y;
    float mx = inpMouseX - A.x;
    float my = inpMouseY - A.y;
    float length2 = ex * ex + ey * ey;
    // A segment seen end on is a point: without this the parameter would be 0 / 0.
    if (length2 == 0) {
        t = 0;
        return MouseDist2(A);
    }
    t = (ex * mx + ey * my) / length2;
    if (t < 0) {
        t = 0;
        return MouseDist2(A);
    }
    if (t > 1) {
        t = 1;
        return MouseDist2(B);
    }
    // The nearest point along the world segment, not along its projection: where the
    // segment passes closest to the mouse's ray.
    dcRay ray;
    ray.FromScreen((float)inpMouseX, (float)inpMouseY);
    Vector3 q1;
    Vector3 q2;
    if (dcLineLineClosest(ray.m_Start, ray.m_End, a, b, q1, q2)) {
        t = (a - q2).Mag() / (a - b).Mag();
    }
    float cross = ex * (A.y - inpMouseY) - ey * (A.x - inpMouseX);
    return cross * cross / length2;
}

bool dcPickInPolygon(int npol, const Vector3* points) {
    if (npol < 1) {
        return false;
    }
    // Each edge from the point before: any number of points, each projected once.
    Vector4 previous;
    if (!dcProjectToScreen(previous, points[npol - 1])) {
        return false;
    }
    float mx = (float)inpMouseX;
    float my = (float)inpMouseY;
    bool inside = false;
    for (int i = 0; i < npol; ++i) {
        Vector4 current;
        if (!dcProjectToScreen(current, points[i])) {
            return false;
        }
        const Vector4& pi = current;
        const Vector4& pj = previous;
        if (((pi.y <= my && my < pj.y) || (pj.y <= my && my < pi.y)) &&
            mx < (pj.x - pi.x) * (my - pi.y) / (pj.y - pi.y) + pi.x) {
            inside = !inside;
        }
        previous = current;
    }
    return inside;
}

bool dcLineLineClosest(const Vector3& p1, const Vector3& p2, const Vector3& p3,
                       const Vector3& p4, Vector3& q1, Vector3& q2, float* mua, float* mub) {
    Vector3 p43 = p4 - p3;
    Vector3 p21 = p2 - p1;
    if (Tiny(p43) || Tiny(p21)) {
        return false;
    }
    Vector3 p13 = p1 - p3;
    float d1343 = p13.Dot(p43);
    float d4321 = p43.Dot(p21);
    float d1321 = p13.Dot(p21);
    float d4343 = p43.Dot(p43);
    float d2121 = p21.Dot(p21);
    float denominator = d2121 * d4343 - d4321 * d4321;
    if (fabsf(denominator) < Epsilon) {
        return false;
    }
    float a = (d1343 * d4321 - d1321 * d4343) / denominator;
    float b = (d1343 + d4321 * a) / d4343;
    q1 = p1 + p21 * a;
    q2 = p3 + p43 * b;
    if (mua) {
        *mua = a;
    }
    if (mub) {
        *mub = b;
    }
    return true;
}

void dcRay::FromScreen(float x, float y) {
    Matrix44 inverse = InverseFullMatrix();
    m_Start = Unproject(inverse, x, y, 0.0f, 1.0f);
    m_End = Unproject(inverse, x, y, 1.0f, 1.0f);
    m_Valid = true;
}

dcPick::dcPick()
    : m_State(Idle), m_StartX(0), m_StartY(0), m_EndX(0), m_EndY(0), m_Mode(Box), m_Valid(false) {
    for (float& f : m_Rectangle) {
        f = NanFill;
    }
}

void dcPick::Update() {
    if (m_State == Idle) {
        if (!inpMouseHeld(1) && !inpMouseHeld(4)) {
            return;
        }
        m_StartX = m_EndX = inpMouseX;
        m_StartY = m_EndY = inpMouseY;
        if (inpMousePressed(1)) {
            m_Mode = Box;
        } else if (inpMousePressed(4)) {
            m_Mode = Line;
        }
        if (m_Mode == Line) {
            m_Ray.FromScreen((float)inpMouseX, (float)inpMouseY);
        } else {
            m_State = Dragging;
        }
    } else if (!inpMouseHeld(1) && !inpMouseHeld(4)) {
        m_State = Idle;
        int x1 = m_StartX < m_EndX ? m_StartX : m_EndX;
        int x2 = m_StartX < m_EndX ? m_EndX : m_StartX;
        int y1 = m_StartY < m_EndY ? m_StartY : m_EndY;
        int y2 = m_StartY < m_EndY ? m_EndY : m_StartY;
        m_StartX = x1;
        m_EndX = x2;
        m_StartY = y1;
        m_EndY = y2;
        BuildSelection(x1, y1, x2, y2);
    } else {
        m_EndX = inpMouseX;
        m_EndY = inpMouseY;
    }
}

// The corners are divided by minus their w: mirrored through the origin they give, with the
// distances -(n . o), planes in the system's own form (p on the plane when p . n = w), so that
// a point inside the selection lies behind all six.
void dcPick::BuildSelection(int x1, int y1, int x2, int y2) {
    if (x1 == x2) {
        x1 -= 3;
        x2 += 3;
    }
    if (y1 == y2) {
        y1 -= 3;
        y2 += 3;
    }
    m_Rectangle[0] = (float)x1;
    m_Rectangle[1] = (float)y1;
    m_Rectangle[2] = (float)x2;
    m_Rectangle[3] = (float)y2;
    Matrix44 inverse = InverseFullMatrix();
    const float xs[4] = {(float)x1, (float)x2, (float)x2, (float)x1};
    const float ys[4] = {(float)y1, (float)y1, (float)y2, (float)y2};
    for (int depth = 0; depth < 2; ++depth) {
        for (int i = 0; i < 4; ++i) {
            m_Corners[depth * 4 + i] = Unproject(inverse, xs[i], ys[i], (float)depth, -1.0f);
        }
    }
    const Vector3* c = m_Corners;
    m_Planes[0] = PlaneThrough(c[1], c[0], c[3]);  // near
    m_Planes[1] = PlaneThrough(c[7], c[4], c[5]);  // far
    m_Planes[2] = PlaneThrough(c[3], c[0], c[4]);  // left
    m_Planes[3] = PlaneThrough(c[0], c[1], c[5]);  // top
    m_Planes[4] = PlaneThrough(c[1], c[2], c[6]);  // right
    m_Planes[5] = PlaneThrough(c[2], c[3], c[7]);  // bottom
    m_Valid = true;
}

void dcPick::AddWidgets(bkBank* bank) {
    bank->AddCombo("Pick Mode", &m_Mode, 2, const_cast<const char**>(ModeNames), 0);
}
