// The path editor's operations on paths and vertices, shared by its widgets and its mouse.

#include "level/pathedit.h"

#include <cstdio>
#include <cstring>

#include "bank/bkmgr.h"
#include "bank/filedialog.h"
#include "data/printer.h"

Vector3 qvPathSet::sm_Position(0.0f, 0.0f, 0.0f);
Vector3 qvPathSet::sm_Adjust(0.0f, 0.0f, 0.0f);
int qvPathSet::sm_Moving = 0;

qvPathSet::qvPathSet()
    : m_CurrentVert(0),
      m_PathSlider(nullptr),
      m_VertSlider(nullptr),
      m_FileName(),
      m_TypeValue(qvPath::LineStrip),
      m_SpacingValue(5.0f),
      m_NameBuffer(),
      m_ShowCurrentOnly(0),
      m_SnapCurrent(0),
      m_Bank(nullptr) {}

qvPathSet::~qvPathSet() {
    Clear();
}

void qvPathSet::SetIndexRange(bkSlider* slider, int count) {
    // An empty list still has the range 0 to 0.
    if (slider) {
        slider->SetRange(0.0f, float(count > 1 ? count - 1 : 0));
    }
}

void qvPathSet::ApplyTypeAndSpacing() {
    qvPath* path = GetCurrentPath();
    if (path) {
        path->SetType(m_TypeValue);
        path->SetSpacing(m_SpacingValue);
    }
}

void qvPathSet::SelectPath() {
    qvPath* path = GetCurrentPath();
    if (path) {
        strncpy(m_NameBuffer, path->GetName(), sizeof(m_NameBuffer) - 1);
        m_NameBuffer[sizeof(m_NameBuffer) - 1] = 0;
        m_TypeValue = path->GetType();
        m_SpacingValue = path->GetSpacing();
    } else {
        m_NameBuffer[0] = 0;
    }
    SetIndexRange(m_VertSlider, path ? path->GetVertexCount() : 0);
    SelectVertex();
}

void qvPathSet::SelectVertex() {
    qvPath* path = GetCurrentPath();
    if (!path || !path->GetVertexCount()) {
        return;
    }
    int count = path->GetVertexCount();
    // A value out of range, or a path whose current vertex lies past its end, starts again
    // from vertex 0; the slider then shows the vertex that the fields show.
    if (m_CurrentVert < 0 || m_CurrentVert >= count || path->GetCurrentVertex() >= count) {
        m_CurrentVert = 0;
    }
    path->SelectVertex(m_CurrentVert);
    sm_Position = path->GetVertex(m_CurrentVert).m_Position;
}

void qvPathSet::DeletePath() {
    if (!GetCurrentPath()) {
        return;
    }
    for (uint32_t i = m_CurrentPath; i + 1 < m_PathCount; ++i) {
        m_Paths[i] = std::move(m_Paths[i + 1]);
    }
    m_Paths[--m_PathCount].reset();
    if (m_CurrentPath == m_PathCount && m_CurrentPath != 0) {
        --m_CurrentPath;
    }
    SetIndexRange(m_PathSlider, int(m_PathCount));
    SelectPath();
}

void qvPathSet::AssignName() {
    qvPath* path = GetCurrentPath();
    if (path && strcmp(m_NameBuffer, path->GetName()) != 0) {
        path->SetName(m_NameBuffer);
    }
}

void qvPathSet::NewPath() {
    if (m_PathCount >= uint32_t(MAX_PATHS)) {
        PrintError("Too many paths, raise MAX_PATHS");
        return;
    }
    char name[qvPath::NAME_SIZE];
    snprintf(name, sizeof(name), "PATH%02u", m_PathCount + 1);
    m_Paths[m_PathCount].reset(new qvPath(name));
    m_CurrentPath = m_PathCount++;
    SetIndexRange(m_PathSlider, int(m_PathCount));
    SelectPath();
}

void qvPathSet::RunFileDialog(bool save) {
    bkManager::GetInstance();
    if (!bkFileDialog(m_FileName, sizeof(m_FileName), "*.pathset", save, "QV Path Set")) {
        return;
    }
    if (save ? Save(nullptr, m_FileName) : Load(nullptr, m_FileName)) {
        SetIndexRange(m_PathSlider, int(m_PathCount));
    }
}

void qvPathSet::LoadDialog() {
    RunFileDialog(false);
}

void qvPathSet::SaveDialog() {
    RunFileDialog(true);
}

namespace {

float& Component(Vector3& v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

}  // namespace

// One coordinate of the current vertex takes the adjust field; the others are those of the
// vertex as read.
void qvPathSet::Adjust(int axis) {
    qvPath* path = GetCurrentPath();
    if (!path || !path->GetVertexCount()) {
        return;
    }
    Vector3 position = path->GetVertex(path->ReadIndex()).m_Position;
    Component(position, axis) = Component(sm_Adjust, axis);
    path->GetVertex(path->WriteIndex()).m_Position = position;
    Component(sm_Position, axis) = Component(sm_Adjust, axis);
}

void qvPathSet::AdjustX() {
    Adjust(0);
}

void qvPathSet::AdjustY() {
    Adjust(1);
}

void qvPathSet::AdjustZ() {
    Adjust(2);
}

void qvPathSet::Draw() {
    if (m_ShowCurrentOnly) {
        qvPath* path = GetCurrentPath();
        if (path) {
            path->Draw(true);
        }
        return;
    }
    for (uint32_t i = 0; i < m_PathCount; ++i) {
        m_Paths[i]->Draw(i == m_CurrentPath);
    }
}
