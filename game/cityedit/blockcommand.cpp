// The block editor's numbered commands: what the assign menu, the repeat button and the key
// shortcuts ask for, each leaving one undo snapshot.

#include "cityedit/blockcommand.h"

#include "cityedit/block.h"
#include "cityedit/blockeditor.h"
#include "cityedit/catalog.h"
#include "cityedit/landmark.h"
#include "data/printer.h"

#include <memory>
#include <utility>
#include <string>

namespace {

// A catalogue element for one of the editor's slots: the popup menu's choice moves the slot's
// element to its alternate (when it has one); false when the menu was dismissed.
bool ChooseElement(ElementCatalog& catalog, int32_t& current, int32_t* alternate) {
    int k = catalog.TrackMenu();
    if (k == 0) {
        return false;
    }
    if (alternate) {
        *alternate = current;
    }
    current = k;
    return true;
}

}  // namespace

void BlockEditor::DoBlockMenuCommand(int id) {
    if (!m_Block) {
        return;
    }
    BeginUndoGroup();
    ExecuteCommand(id);
    EndUndoGroup();
}

void BlockEditor::ExecuteCommand(int id) {
    // The commands that pick a new current element repeat an assignment with it, which records
    // itself; a dismissed menu leaves the last command as it was.
    switch (id) {
    case CmdChooseGround:
        if (ChooseElement(FloorsCatalog, m_CurrentGround, &m_AlternateGround)) {
            PrintMessage("Ground: %d", m_CurrentGround);
            DoBlockMenuCommand(CmdAssignGround);
        }
        return;
    case CmdChooseWall:
        if (ChooseElement(WallsCatalog, m_CurrentWall, &m_AlternateWall)) {
            PrintMessage("Wall: %d", m_CurrentWall);
            if (m_LastCommand != CmdAssignWallToEdge && m_LastCommand != CmdAssignWallToLot) {
                m_LastCommand = CmdAssignWallToEdge;
            }
            DoBlockMenuCommand(m_LastCommand);
        }
        return;
    case CmdChooseFacade:
        if (ChooseElement(FacadesCatalog, m_CurrentFacade, &m_AlternateFacade)) {
            DoBlockMenuCommand(CmdAssignFacade);
        }
        return;
    case CmdChooseSliver:
        if (ChooseElement(WallsCatalog, m_CurrentSliver, nullptr)) {
            DoBlockMenuCommand(CmdAssignSliverToEdge);
        }
        return;
    case CmdChooseExtra:
        if (ChooseElement(WallsCatalog, m_CurrentExtra, nullptr)) {
            DoBlockMenuCommand(CmdAssignExtra);
        }
        return;
    default:
        break;
    }

    bool grid = id >= CmdMakeGridFirst && id <= CmdMakeGridLast;
    if ((id < CmdAssignGround || id > CmdWallFromEdge) && !grid) {
        return;
    }
    m_LastCommand = id == CmdFixWallWidthToFacade ? CmdSetWallWidth
                    : id == CmdWallFromEdge       ? CmdAssignWallToEdge
                                                  : id;
    BlockLot* lot = BlockEditedLot(*this);
    if (!lot) {
        return;
    }
    if (grid) {
        int tens = id / 10 % 10;
        if (tens == 1) {
            m_Block->MakeGrid(m_CurrentLot, m_CurrentEdge, id % 10);
        } else {
            m_Block->MakeGridMxN(m_CurrentLot, tens, id % 10);
        }
        return;
    }
    AssignToLot(id, *lot);
}

void BlockEditor::AssignToLot(int id, BlockLot& lot) {
    CityBlock& block = *m_Block;
    switch (id) {
    case CmdAssignGround:
        lot.m_Floor = m_CurrentGround;
        break;
    case CmdAssignWallToEdge:
        lot.SetWall(m_CurrentEdge, m_CurrentWall);
        break;
    case CmdAssignWallToLot:
        for (int i = 0; i < lot.VertexCount(); ++i) {
            lot.SetWall(i, m_CurrentWall);
        }
        break;
    case CmdAssignFacade:
        lot.AssignFacade(block, m_CurrentEdge, m_CurrentFacade);
        break;
    case CmdAssignSliverToLot:
        lot.SetSliver(m_CurrentSliver, -1);
        break;
    case CmdResetLot:
        lot.Reset();
        m_GroundValue = lot.m_HeightOffset;
        break;
    case CmdSetRoofHeight:
        lot.m_HeightOffset = m_GroundValue;
        if (m_GroundValue == 0.0f) {
            lot.Reset();
        }
        break;
    case CmdAssignLandmark: {
        std::string model;
        if (ChooseLandmarkModel(m_LandmarkFile, sizeof(m_LandmarkFile), model)) {
            lot.AssignLandmark(model.c_str(), block);
            m_Capture = 1;
        }
        break;
    }
    case CmdAdjustLandmark:
        m_Capture = 1;
        break;
    case CmdAssignRandomFacade:
        // A facade group the catalogue does not have (none loaded) offers nothing to pick.
        if (m_FacadeGroup >= 0 && m_FacadeGroup < FacadesCatalog.m_NbrCount) {
            m_CurrentFacade = FacadesCatalog.PickFromGroup(m_FacadeGroup, m_CurrentFacade);
            lot.AssignFacade(block, m_CurrentEdge, m_CurrentFacade);
            m_GroundValue = lot.m_HeightOffset;
        }
        break;
    case CmdAssignExtra:
        lot.m_Extra = m_CurrentExtra;
        break;
    case CmdAssignFixedLandmark: {
        std::string model;
        if (ChooseLandmarkModel(m_FixedLandmarkFile, sizeof(m_FixedLandmarkFile), model)) {
            std::unique_ptr<BlockLandmark> landmark(new BlockLandmark(model.c_str()));
            lot.AssignFixedLandmark(std::move(landmark));
            m_Capture = 1;
        }
        break;
    }
    case CmdEditWallVariant:
        lot.ChooseWallVariant(m_CurrentEdge);
        break;
    case CmdEditSliverVariant:
        lot.ChooseSliverVariant(m_CurrentEdge);
        break;
    case CmdFixWallWidthToFacade: {
        // An edge without a wall has no width to keep: moving the corner to 0 would fold the
        // edge onto itself.
        float width = lot.GetWallWidth(m_CurrentEdge);
        if (width > 0.0f) {
            m_WallWidth = width;
            lot.FixWallWidth(block, m_CurrentEdge, m_CurrentVertex, m_WallWidth);
        }
        break;
    }
    case CmdSetWallWidth:
        lot.FixWallWidth(block, m_CurrentEdge, m_CurrentVertex, m_WallWidth);
        break;
    case CmdSubdivideEvery:
        block.SubdivideEvery(m_CurrentLot, m_CurrentEdge, m_WallWidth);
        break;
    case CmdAssignSliverToEdge:
        lot.SetSliver(m_CurrentSliver, m_CurrentEdge);
        break;
    case CmdWallFromEdge:
        if (BlockLotEdge* edge = BlockCurrentEdgeRecord(*this)) {
            m_CurrentWall = edge->m_Wall;
        }
        break;
    default:
        break;
    }
}
