// The block editor's assign menu: the commands that fit the current lot and the elements at
// hand, with the last command checked, shown at the cursor.

#include "cityedit/blockcommand.h"

#include "bank/popupmenu.h"
#include "cityedit/block.h"
#include "cityedit/blockeditor.h"
#include "cityedit/catalog.h"
#include "cityedit/landmark.h"
#include "input/winproc.h"

#include <cstdio>

namespace {

// A command's menu text; its placeholder, if any, takes the name of the editor's element of
// a catalogue, or one of its values.
struct CommandText {
    int id;
    const char* text;
    const ElementCatalog* catalog;
    int32_t BlockEditor::*element;
    float BlockEditor::*value;
};

const ElementCatalog* const Floors = &FloorsCatalog;
const ElementCatalog* const Walls = &WallsCatalog;
const ElementCatalog* const Facades = &FacadesCatalog;

const CommandText Texts[] = {
    {CmdAssignGround, "Assign '%s' to ground", Floors, &BlockEditor::m_CurrentGround, nullptr},
    {CmdAssignWallToEdge, "Assign wall '%s' to edge", Walls, &BlockEditor::m_CurrentWall, nullptr},
    {CmdAssignWallToLot, "Assign wall '%s' to lot", Walls, &BlockEditor::m_CurrentWall, nullptr},
    {CmdAssignFacade, "Assign facade '%s' to lot", Facades, &BlockEditor::m_CurrentFacade,
     nullptr},
    {CmdAssignSliverToLot, "Assign sliver '%s' to lot", Walls, &BlockEditor::m_CurrentSliver,
     nullptr},
    {CmdResetLot, "Reset Lot", nullptr, nullptr, nullptr},
    {CmdSetRoofHeight, "Set roof height to %.2f meters", nullptr, nullptr,
     &BlockEditor::m_GroundValue},
    {CmdAssignLandmark, "Assign adjustable landmark to lot...", nullptr, nullptr, nullptr},
    {CmdAdjustLandmark, "Adjust landmark position", nullptr, nullptr, nullptr},
    {CmdAssignRandomFacade, "Assign Random Facade to lot...", nullptr, nullptr, nullptr},
    {CmdChooseGround, "Set current ground/roof...\tCtrl-G", nullptr, nullptr, nullptr},
    {CmdChooseWall, "Set current wall...\tCtrl-W", nullptr, nullptr, nullptr},
    {CmdChooseFacade, "Set current facade...\tCtrl-F", nullptr, nullptr, nullptr},
    {CmdChooseSliver, "Set current sliver...\tCtrl-V", nullptr, nullptr, nullptr},
    {CmdChooseExtra, "Set current extra...\tCtrl-X", nullptr, nullptr, nullptr},
    {CmdAssignExtra, "Assign extra '%s' to lot", Walls, &BlockEditor::m_CurrentExtra, nullptr},
    {CmdAssignFixedLandmark, "Assign fixed landmark to block...", nullptr, nullptr, nullptr},
    {CmdEditWallVariant, "Edit Wall Variant", nullptr, nullptr, nullptr},
    {CmdEditSliverVariant, "Edit Lot Sliver Variant", nullptr, nullptr, nullptr},
    {CmdFixWallWidthToFacade, "Fix Wall Width to Facade...", nullptr, nullptr, nullptr},
    {CmdSetWallWidth, "Set Wall Width to %.2f...", nullptr, nullptr, &BlockEditor::m_WallWidth},
    {CmdSubdivideEvery, "Subdivide every %.2f meters...", nullptr, nullptr,
     &BlockEditor::m_WallWidth},
    {CmdAssignSliverToEdge, "Assign sliver '%s' to edge", Walls, &BlockEditor::m_CurrentSliver,
     nullptr},
    {CmdWallFromEdge, "Set current wall from current edge\tCtrl-T", nullptr, nullptr, nullptr},
};

// The first grid of the menu, 1 by 2, and the last, 1 by 8.
const int MenuGridFirst = 112;
const int MenuGridLast = 118;

}  // namespace

void BlockEditor::AddAssignItem(bkPopupMenu& menu, int id) const {
    char text[128] = "";
    if (id >= MenuGridFirst && id <= MenuGridLast) {
        snprintf(text, sizeof(text), "Make 1x%d...", id % 10);
    }
    for (const CommandText& command : Texts) {
        if (command.id != id) {
            continue;
        }
        if (command.catalog) {
            const char* name = command.catalog->GetName(this->*command.element);
            snprintf(text, sizeof(text), command.text, name);
        } else if (command.value) {
            snprintf(text, sizeof(text), command.text, this->*command.value);
        } else {
            snprintf(text, sizeof(text), "%s", command.text);
        }
    }
    // The commands that only choose an element are never shown as the one last done.
    bool chooses = (id >= CmdChooseGround && id <= CmdChooseExtra) || id == CmdWallFromEdge;
    menu.AddItem(text, id, !chooses && m_LastCommand == id, true);
}

void BlockEditor::ShowAssignMenu() {
    BlockLot* lot = BlockEditedLot(*this);
    int choice = 0;
    if (lot) {
        bkPopupMenu menu;
        menu.Create();
        if (m_CurrentGround) {
            AddAssignItem(menu, CmdAssignGround);
        }
        if (m_CurrentWall) {
            AddAssignItem(menu, CmdAssignWallToEdge);
            AddAssignItem(menu, CmdAssignWallToLot);
        }
        if (m_CurrentFacade) {
            AddAssignItem(menu, CmdAssignFacade);
        }
        if (m_CurrentSliver) {
            AddAssignItem(menu, CmdAssignSliverToLot);
            AddAssignItem(menu, CmdAssignSliverToEdge);
        }
        if (m_CurrentExtra) {
            AddAssignItem(menu, CmdAssignExtra);
        }
        AddAssignItem(menu, CmdResetLot);
        AddAssignItem(menu, CmdSetRoofHeight);
        if (!lot->IsLandmark()) {
            AddAssignItem(menu, CmdAssignLandmark);
            if (m_CurrentLot == 0 && m_Block->LotCount() == 1) {
                AddAssignItem(menu, CmdAssignFixedLandmark);
            }
            AddAssignItem(menu, CmdFixWallWidthToFacade);
            AddAssignItem(menu, CmdSetWallWidth);
        } else if (!lot->Landmark().m_Fixed) {
            AddAssignItem(menu, CmdAdjustLandmark);
        }
        AddAssignItem(menu, CmdAssignRandomFacade);

        bkPopupMenu subdivide;
        subdivide.Create();
        AddAssignItem(subdivide, CmdSubdivideEvery);
        for (int id = MenuGridFirst; id <= MenuGridLast; ++id) {
            AddAssignItem(subdivide, id);
        }
        menu.AddSubMenu("Subdivide...", &subdivide, true);

        for (int id : {CmdChooseGround, CmdChooseWall, CmdWallFromEdge, CmdChooseFacade,
                       CmdChooseSliver, CmdChooseExtra, CmdEditSliverVariant, CmdEditWallVariant}) {
            AddAssignItem(menu, id);
        }
        choice = menu.Track(-1, -1);
    }
    DoBlockMenuCommand(choice);
    // The menu took the button's release, which the window messages never report.
    inpWindowButtons = 0;
}
