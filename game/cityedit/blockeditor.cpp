// The block editor's state, its banks "Block Editor" and "Block Attributes", the values they
// show and the callbacks of their widgets.
#include "cityedit/blockeditor.h"

#include "bank/bank.h"
#include "bank/bkmgr.h"
#include "city/psdl.h"
#include "cityedit/block.h"
#include "cityedit/catalog.h"
#include "data/options.h"
#include "vector/nanfill.h"

float BlockLowPerimeterY = 1000.0f;
float BlockHighPerimeterY = -1000.0f;
float BlockSliverHeight = 0.0f;
float BlockFacadeHeight = 0.0f;
float BlockSnapStep = 1.0f;
float BlockEdgeLength = 0.0f;
float BlockVertexToCursor = 0.0f;
int32_t BlockSegmentCount = 0;
uint8_t BlockSnapOn = 0;
uint8_t BlockSnapCCW = 1;
Vector3 BlockVertexPosition(0.0f, 0.0f, 0.0f);
Vector3 BlockVertexAdjust(0.0f, 0.0f, 0.0f);
Vector3 BlockLandmarkPosition(0.0f, 0.0f, 0.0f);
float BlockRotationDelta = 1.0f;
Vector3 BlockMoveDelta(1.0f, 1.0f, 1.0f);
uint8_t BlockLabelWalls = 0;
uint8_t BlockAutoTileWalls = 1;
uint8_t BlockDrawSlivers = 1;

BlockEditor* BlockEditor::sm_Living = nullptr;

namespace {

const int BankX = 100;
const int BankY = 100;
const float NoHover = 1e10f;

const char* const DrawModeNames[] = {"Wireframe", "Solid", "Textured"};

}  // namespace

BlockEditor::BlockEditor()
    : m_UndoPosition(0),
      m_UndoCount(0),
      m_Snapshots(),
      m_Block(nullptr),
      m_DrawMode(DrawTextured),
      m_Room(-1),
      m_CurrentLot(0),
      m_CurrentEdge(0),
      m_CurrentVertex(0),
      m_Anchor(-1),
      m_CursorParameter(0.0f),
      m_LastCommand(0),
      m_HoverPicking(1),
      m_Debug(0),
      m_Capture(0),
      m_OppositeShown(0),
      m_Digitize(1),
      m_FacadeGroup(0),
      m_PropGroup(0),
      m_CurrentWall(0),
      m_CurrentGround(0),
      m_CurrentFacade(0),
      m_CurrentSliver(0),
      m_CurrentExtra(0),
      m_AlternateWall(0),
      m_AlternateGround(0),
      m_AlternateFacade(0),
      m_UndoNesting(0),
      m_GroundValue(0.0f),
      m_WallWidth(1.0f),
      m_HelpText(nullptr),
      m_HoverDistance(NoHover) {
    sm_Living = this;
    if (HasOption("notile")) {
        BlockAutoTileWalls = 0;
        BlockLot::sm_AutoTileWalls = 0;
    }
    if (HasOption("noslivers")) {
        BlockDrawSlivers = 0;
        BlockLot::sm_DrawSlivers = 0;
    }
    BuildBanks();
}

BlockEditor::~BlockEditor() {
    if (sm_Living == this) {
        sm_Living = nullptr;
    }
    ClearUndo();
    // The banks bind this object's fields: while the bank manager still lives (the batch make
    // returns before it is shut down) they go with the editor.
    bkManager* manager = bkManager::Instance;
    for (bkBank* bank : {m_EditorBank, m_AttributeBank}) {
        for (uint32_t i = 1; manager && bank && i < manager->NumBanks; ++i) {
            if (manager->Banks[i] == bank) {
                manager->DestroyBank(bank);
                break;
            }
        }
    }
}

void BlockEditor::SetEditedBlock(CityBlock* block, int room) {
    if (block != m_Block) {
        ClearUndo();
    }
    m_Block = block;
    m_Room = room;
}

void BlockEditor::ReleaseBlock(const CityBlock* block) {
    if (block && sm_Living && sm_Living->m_Block == block) {
        sm_Living->SetEditedBlock(nullptr, -1);
        // A drag or landmark move has nothing left to end it, and the main loop would keep
        // ignoring its keys.
        sm_Living->m_Capture = 0;
    }
}

lvlSDL* BlockEditor::EditedRoom(const lvlPSDL* city) const {
    bool known = city && m_Room > 0 && uint32_t(m_Room) < city->m_RoomCount;
    return known ? city->GetRoom(m_Room) : nullptr;
}

void BlockEditor::BuildBanks() {
    bkManager* manager = bkManager::GetInstance();
    m_EditorBank = manager->AddBank("Block Editor", BankX, BankY, true);
    AddEditorWidgets(m_EditorBank);
    m_AttributeBank = manager->AddBank("Block Attributes", BankX, BankY, true);
    AddAttributeWidgets(m_AttributeBank);
}

void BlockEditor::CatalogNames::Fill(const ElementCatalog& catalog) {
    m_Names.clear();
    for (int i = 0; i <= catalog.GetCount(); ++i) {
        m_Names.push_back(catalog.GetName(i));
    }
    Point();
}

void BlockEditor::CatalogNames::FillGroups(const ElementCatalog& catalog) {
    m_Names.assign(catalog.m_GroupNames.begin(), catalog.m_GroupNames.end());
    Point();
}

void BlockEditor::CatalogNames::Point() {
    m_Pointers.clear();
    for (const std::string& name : m_Names) {
        m_Pointers.push_back(name.c_str());
    }
}

void BlockEditor::CatalogNames::AddCombo(bkBank* bank, const char* title, int32_t* value) {
    bank->AddCombo(title, value, int(m_Pointers.size()), m_Pointers.data(), 0);
}

void BlockEditor::AddEditorWidgets(bkBank* bank) {
    m_FloorNames.Fill(FloorsCatalog);
    m_WallNames.Fill(WallsCatalog);
    m_FacadeNames.Fill(FacadesCatalog);
    m_FacadeGroupNames.FillGroups(FacadesCatalog);
    m_PropGroupNames.FillGroups(PropsCatalog);

    bank->AddCombo("DrawMode", &m_DrawMode, 3, const_cast<const char**>(DrawModeNames), 0);
    bank->AddToggle("Debug", &m_Debug);
    m_FloorNames.AddCombo(bank, "Current Ground", &m_CurrentGround);
    m_FloorNames.AddCombo(bank, "Alternate Ground", &m_AlternateGround);
    m_WallNames.AddCombo(bank, "Current Wall", &m_CurrentWall);
    m_WallNames.AddCombo(bank, "Alternate Wall", &m_AlternateWall);
    m_FacadeNames.AddCombo(bank, "Current Facade", &m_CurrentFacade);
    m_FacadeNames.AddCombo(bank, "Alternate Facade", &m_AlternateFacade);
    m_WallNames.AddCombo(bank, "Current Sliver", &m_CurrentSliver);
    m_WallNames.AddCombo(bank, "Current Extra", &m_CurrentExtra);
    m_FacadeGroupNames.AddCombo(bank, "Facade Group", &m_FacadeGroup);
    m_PropGroupNames.AddCombo(bank, "Prop Group", &m_PropGroup);
}

void BlockEditor::AddAttributeWidgets(bkBank* bank) {
    bank->PushGroup("Height", false);
    bank->AddSlider("Ground", &m_GroundValue, 0.0f, 1000.0f, 1.0f);
    bank->AddSlider("Low Perim Y", &BlockLowPerimeterY, -1000.0f, 1000.0f, 0.0f);
    bank->AddSlider("High Perim Y", &BlockHighPerimeterY, -1000.0f, 1000.0f, 0.0f);
    bank->AddSlider("Sliver", &BlockSliverHeight, 0.0f, 1000.0f, 0.0f);
    bank->AddSlider("Facade", &BlockFacadeHeight, 0.0f, 1000.0f, 0.0f);
    bank->PopGroup();

    bank->PushGroup("Measurements", false);
    bank->AddSlider("Snap to: (m)", &BlockSnapStep, 1.0f, 100.0f, 1.0f);
    bank->AddSlider("Edge Length", &BlockEdgeLength, 0.0f, 1000.0f, 0.0f);
    bank->AddSlider("Vert -> Cursor Dist", &BlockVertexToCursor, 0.0f, 1000.0f, 0.0f);
    bank->AddSlider("Number Segments", &BlockSegmentCount, 0, 100, 0.0f);
    bank->AddSlider("Pct Seg. Dist", &m_CursorParameter, 0.0f, 1.0f, 0.0f);
    bank->AddToggle("Snap On", &BlockSnapOn);
    bank->AddToggle("Snap (CCW) or CW", &BlockSnapCCW);
    bank->AddSlider("Set Wall Width to", &m_WallWidth, 1.0f, 100.0f, 0.1f);
    bank->PopGroup();

    bank->PushGroup("Vertex Position", false);
    bank->AddSlider("X Position:", &BlockVertexPosition.x, -10000.0f, 10000.0f, 0.0f);
    bank->AddSlider("Y Position:", &BlockVertexPosition.y, -10000.0f, 10000.0f, 0.0f);
    bank->AddSlider("Z Position:", &BlockVertexPosition.z, -10000.0f, 10000.0f, 0.0f);
    bank->AddSlider("X Adjust:", &BlockVertexAdjust.x, -10000.0f, 10000.0f, 1.0f,
                    datCallback(&BlockEditor::AdjustVertexX, this));
    bank->AddSlider("Y Adjust:", &BlockVertexAdjust.y, -10000.0f, 10000.0f, 1.0f,
                    datCallback(&BlockEditor::AdjustVertexY, this));
    bank->AddSlider("Z Adjust:", &BlockVertexAdjust.z, -10000.0f, 10000.0f, 1.0f,
                    datCallback(&BlockEditor::AdjustVertexZ, this));
    bank->PopGroup();

    bank->PushGroup("Landmark", false);
    bank->AddSlider("X", &BlockLandmarkPosition.x, -10000.0f, 10000.0f, 0.0f);
    bank->AddSlider("Y", &BlockLandmarkPosition.y, -10000.0f, 10000.0f, 0.0f);
    bank->AddSlider("Z", &BlockLandmarkPosition.z, -10000.0f, 10000.0f, 0.0f);
    bank->AddSlider("Rotation Delta", &BlockRotationDelta, 0.01f, 1.0f, 0.01f);
    bank->AddSlider("X Dist. Delta", &BlockMoveDelta.x, 0.01f, 10.0f, 0.01f);
    bank->AddSlider("Y Dist. Delta", &BlockMoveDelta.y, 0.01f, 10.0f, 0.01f);
    bank->AddSlider("Z Dist. Delta", &BlockMoveDelta.z, 0.01f, 10.0f, 0.01f);
    bank->PopGroup();

    bank->PushGroup("Misc.", false);
    bank->AddToggle("Label Walls", &BlockLabelWalls,
                    datCallback(&BlockEditor::ToggleLabelWalls, this));
    bank->AddToggle("Auto-tile Walls", &BlockAutoTileWalls,
                    datCallback(&BlockEditor::ToggleAutoTileWalls, this));
    bank->AddToggle("Draw Slivers", &BlockDrawSlivers,
                    datCallback(&BlockEditor::ToggleDrawSlivers, this));
    bank->PopGroup();
}

void BlockEditor::AdjustVertex(float Vector3::*axis) {
    BlockVertex* vertex = m_Digitize ? CurrentVertex() : nullptr;
    if (vertex) {
        vertex->m_Position.*axis = BlockVertexAdjust.*axis;
    }
}

BlockVertex* BlockEditor::CurrentVertex() const {
    if (!m_Block || m_CurrentLot < 0 || m_CurrentLot >= m_Block->LotCount()) {
        return nullptr;
    }
    BlockLot* lot = m_Block->Lot(m_CurrentLot);
    if (m_CurrentVertex < 0 || m_CurrentVertex >= lot->VertexCount()) {
        return nullptr;
    }
    return m_Block->Vertex(lot->VertexIndex(m_CurrentVertex));
}

void BlockEditor::AdjustVertexX() {
    AdjustVertex(&Vector3::x);
}

void BlockEditor::AdjustVertexY() {
    AdjustVertex(&Vector3::y);
}

void BlockEditor::AdjustVertexZ() {
    AdjustVertex(&Vector3::z);
}

void BlockEditor::ToggleLabelWalls() {
    if (!m_Block) {
        BlockLabelWalls = 0;
        return;
    }
    BlockLot::sm_LabelWalls ^= 1;
}

void BlockEditor::ToggleAutoTileWalls() {
    BlockLot::sm_AutoTileWalls ^= 1;
}

void BlockEditor::ToggleDrawSlivers() {
    BlockLot::sm_DrawSlivers ^= 1;
}
