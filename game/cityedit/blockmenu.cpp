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

// What a menu text's placeholder takes.
enum Placeholder { None, GroundName, WallName, FacadeName, SliverName, ExtraName, Ground, Width };

struct CommandText {
    int id;
    const char* text;
    Placeholder placeholder;
};

const CommandText Texts[] = {
    {CmdAssignGround, "Assign '%s' to ground", GroundName},
    {CmdAssignWallToEdge, "Assign wall '%s' to edge", WallName},
    {CmdAssignWallToLot, "Assign wall '%s' to lot", WallName},
    {CmdAssignFacade, "Assign facade '%s' to lot", FacadeName},
    {CmdAssignSliverToLot, "Assign sliver '%s' to lot", SliverName},
    {CmdResetLot, "Reset Lot", None},
    {CmdSetRoofHeight, "Set roof height to %.2f meters", Ground},
    {CmdAssignLandmark, "Assign adjustable landmark to lot...", None},
    {CmdAdjustLandmark, "Adjust landmark position", None},
    {CmdAssignRandomFacade, "Assign Random Facade to lot...", None},
    {CmdChooseGround, "Set current ground/roof...\tCtrl-G", None},
    {CmdChooseWall, "Set current wall...\tCtrl-W", None},
    {CmdChooseFacade, "Set current facade...\tCtrl-F", None},
    {CmdChooseSliver, "Set current sliver...\tCtrl-V", None},
    {CmdChooseExtra, "Set current extra...\tCtrl-X", None},
    {CmdAssignExtra, "Assign extra '%s' to lot", ExtraName},
    {CmdAssignFixedLandmark, "Assign fixed landmark to block...", None},
    {CmdEditWallVariant, "Edit Wall Variant", None},
    {CmdEditSliverVariant, "Edit Lot Sliver Variant", None},
    {CmdFixWallWidthToFacade, "Fix Wall Width to Facade...", None},
    {CmdSetWallWidth, "Set Wall Width to %.2f...", Width},
    {CmdSubdivideEvery, "Subdivide every %.2f meters...", Width},
    {CmdAssignSliverToEdge, "Assign sliver '%s' to edge", SliverName},
    {CmdWallFromEdge, "Set current wall from current edge\tCtrl-T", None},
};

// The first grid of the menu, 1 by 2, and the last, 1 by 8.
const int MenuGridFirst = 112;
const int MenuGridLast = 118;

}  // namespace

void BlockEditor::AddAssignItem(bkPopupMenu& menu, int id) const {
    char text[128] = "";
    if (id >= MenuGridFirst && id <= MenuGridLast) {
        snprintf(text, sizeof(text), "Make 1x%d...", id % 10);
    } else {
        for (const CommandText& command : Texts) {
            if (command.id != id) {
                continue;
            }
            switch (command.placeholder) {
            case GroundName:
                snprintf(text, sizeof(text), command.text, FloorsCatalog.GetName(m_CurrentGround));
                break;
            case WallName:
                snprintf(text, sizeof(text), command.text, WallsCatalog.GetName(m_CurrentWall));
                break;
            case FacadeName:
                snprintf(text, sizeof(text), command.text,
                         FacadesCatalog.GetName(m_CurrentFacade));
                break;
            case SliverName:
                snprintf(text, sizeof(text), command.text, WallsCatalog.GetName(m_CurrentSliver));
                break;
            case ExtraName:
                snprintf(text, sizeof(text), command.text, WallsCatalog.GetName(m_CurrentExtra));
                break;
            case Ground:
                snprintf(text, sizeof(text), command.text, m_GroundValue);
                break;
            case Width:
                snprintf(text, sizeof(text), command.text, m_WallWidth);
                break;
            case None:
                snprintf(text, sizeof(text), "%s", command.text);
                break;
            }
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
