// Mouse editing of the current path: add, insert, move and delete vertices, raise them with
// the wheel, and pick ground points on the plane y = 0.

#include "level/pathmouse.h"

#include "level/pathedit.h"

namespace {

const char HelpText[] =
    "LB: Add/Insert Vertex\nMB: Delete Current Vertex\nRB: Move Current Vertex\n"
    "Wheel: Change Vertex Height";

}  // namespace

const char* qvPathSet::EditMouse() {
    qvPath* path = GetCurrentPath();
    if (path && PathMouse) {
        qvPathEvent event;
        uint32_t cursor = 0;
        while (PathMouse->PeekEvent(event, cursor)) {
            HandleEvent(*path, event);
        }
        if (m_SnapCurrent) {
            path->SelectNearestVertex();
        }
        int wheel = PathMouse->Wheel();
        if (!sm_Moving && wheel && path->GetVertexCount()) {
            Vector3 position = path->GetVertex(path->ReadIndex()).m_Position;
            position.y += float(wheel);
            path->GetVertex(path->WriteIndex()).m_Position = position;
            sm_Position = position;
        }
    }
    Draw();
    return HelpText;
}

void qvPathSet::HandleEvent(qvPath& path, const qvPathEvent& event) {
    // A moved vertex is picked from what it holds, so that its word keeps what the pick leaves.
    qvPathVertex point{Vector3(), 0};
    if (path.GetVertexCount()) {
        point = path.GetVertex(path.WriteIndex());
    }
    switch (event.m_Type) {
    case qvPathEvent::LeftDown: {
        qvPathVertex added{Vector3(), 0};
        if (!sm_Moving && Pick(&path, added, event.m_X, event.m_Y, PathMouse->ShiftHeld())) {
            int count = path.GetVertexCount();
            // After the current vertex when it is the last, else before it.
            path.InsertVertex(added, path.GetCurrentVertex() >= count - 1 ? count : -1);
            SetIndexRange(m_VertSlider, path.GetVertexCount());
            sm_Position = added.m_Position;
        }
        break;
    }
    case qvPathEvent::RightDown:
        sm_Moving = 1;
        if (Pick(&path, point, event.m_X, event.m_Y, true) && path.GetVertexCount()) {
            path.GetVertex(path.WriteIndex()) = point;
        }
        break;
    case qvPathEvent::MouseMove:
        if (sm_Moving && Pick(&path, point, event.m_X, event.m_Y, false) &&
            path.GetVertexCount()) {
            path.GetVertex(path.WriteIndex()) = point;
            sm_Position = point.m_Position;
        }
        break;
    case qvPathEvent::RightUp:
        sm_Moving = 0;
        break;
    case qvPathEvent::MiddleDown:
        if (!sm_Moving && path.GetVertexCount()) {
            path.DeleteVertex(path.WriteIndex());
            SetIndexRange(m_VertSlider, path.GetVertexCount());
            SelectVertex();
            if (!path.GetVertexCount()) {
                sm_Position.Zero();
            }
        }
        break;
    default:
        break;
    }
}

bool qvPathSet::Pick(qvPath*, qvPathVertex& point, int x, int y, bool) {
    Vector3 start;
    Vector3 end;
    if (!PathMouse || !PathMouse->RayFromScreen(x, y, start, end)) {
        return false;
    }
    // Ends on one side, or a ray lying in the plane, meet it nowhere; NaN ends fail both tests.
    bool crosses = (start.y <= 0.0f && end.y >= 0.0f) || (start.y >= 0.0f && end.y <= 0.0f);
    if (!crosses || start.y == end.y) {
        return false;
    }
    float t = start.y / (start.y - end.y);
    point.m_Position = start + (end - start) * t;
    return true;
}
