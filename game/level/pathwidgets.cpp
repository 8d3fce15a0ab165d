// The path editor's bank.

#include "level/pathedit.h"

#include "bank/bank.h"
#include "data/asset.h"

namespace {

const char* TypeNames[] = {"Points", "Lines", "LineStrip"};
const float FieldLimit = 10000.0f;

}  // namespace

void qvPathSet::AddWidgets(bkBank* bank) {
    m_Bank = bank;
    // The dialogs start in the asset root.
    datAssetManager::FullPath(m_FileName, sizeof(m_FileName), nullptr, "", nullptr);

    qvPath* path = GetCurrentPath();
    uint32_t lastPath = m_PathCount > 1 ? m_PathCount - 1 : 0;
    int32_t lastVert = path && path->GetVertexCount() > 1 ? path->GetVertexCount() - 1 : 0;

    bank->AddButton("New Path", datCallback(&qvPathSet::NewPath, this));
    bank->AddButton("Current Path Name");
    bank->AddText("", m_NameBuffer, qvPath::NAME_SIZE);
    bank->AddButton("Assign Name to Current Path", datCallback(&qvPathSet::AssignName, this));
    m_PathSlider = bank->AddSlider("Current Path", &m_CurrentPath, 0u, lastPath, 1.0f,
                                   datCallback(&qvPathSet::SelectPath, this));
    m_VertSlider = bank->AddSlider("Current Vert", &m_CurrentVert, 0, lastVert, 1.0f,
                                   datCallback(&qvPathSet::SelectVertex, this));
    bank->AddButton("Delete Current Path", datCallback(&qvPathSet::DeletePath, this));
    bank->AddButton("Load PathSet", datCallback(&qvPathSet::LoadDialog, this));
    bank->AddButton("Save PathSet", datCallback(&qvPathSet::SaveDialog, this));

    bank->PushGroup("Vertex Position", false);
    bank->AddSlider("X Position:", &sm_Position.x, -FieldLimit, FieldLimit, 0.0f);
    bank->AddSlider("Y Position:", &sm_Position.y, -FieldLimit, FieldLimit, 0.0f);
    bank->AddSlider("Z Position:", &sm_Position.z, -FieldLimit, FieldLimit, 0.0f);
    bank->AddSlider("X Adjust:", &sm_Adjust.x, -FieldLimit, FieldLimit, 1.0f,
                    datCallback(&qvPathSet::AdjustX, this));
    bank->AddSlider("Y Adjust:", &sm_Adjust.y, -FieldLimit, FieldLimit, 1.0f,
                    datCallback(&qvPathSet::AdjustY, this));
    bank->AddSlider("Z Adjust:", &sm_Adjust.z, -FieldLimit, FieldLimit, 1.0f,
                    datCallback(&qvPathSet::AdjustZ, this));
    bank->PopGroup();

    bank->AddToggle("Show Indices", &qvPath::sm_ShowIndices);
    bank->AddToggle("Show Markers", &qvPath::sm_ShowMarkers);
    bank->AddToggle("Show Current Only", &m_ShowCurrentOnly);
    bank->AddToggle("Snap Current to Cursor", &m_SnapCurrent);
    bank->AddCombo("Type", &m_TypeValue, 3, TypeNames, 0,
                   datCallback(&qvPathSet::ApplyTypeAndSpacing, this));
    bank->AddSlider("Spacing:", &m_SpacingValue, 0.25f, 63.0f, 0.25f,
                    datCallback(&qvPathSet::ApplyTypeAndSpacing, this));
}
