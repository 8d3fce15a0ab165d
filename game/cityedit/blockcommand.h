#ifndef CITYEDIT_BLOCKCOMMAND_H
#define CITYEDIT_BLOCKCOMMAND_H

// What the block editor's commands, menus and mouse handling share: the command numbers, the
// modifier keys and the lot they work on.

#include <string>

class BlockEditor;
class BlockLot;
struct BlockLotEdge;
struct Vector3;

// The numbered commands of the assign menu and the key shortcuts. CmdMakeGridFirst to
// CmdMakeGridLast name grids by their digits: tens by units.
enum BlockCommand {
    CmdAssignGround = 10,
    CmdAssignWallToEdge = 11,
    CmdAssignWallToLot = 12,
    CmdAssignFacade = 13,
    CmdAssignSliverToLot = 14,
    CmdResetLot = 15,
    CmdSetRoofHeight = 16,
    CmdAssignLandmark = 17,
    CmdAdjustLandmark = 18,
    CmdAssignRandomFacade = 19,
    CmdChooseGround = 20,
    CmdChooseWall = 21,
    CmdChooseFacade = 22,
    CmdChooseSliver = 23,
    CmdChooseExtra = 24,
    CmdAssignExtra = 25,
    CmdAssignFixedLandmark = 26,
    CmdEditWallVariant = 27,
    CmdEditSliverVariant = 28,
    CmdFixWallWidthToFacade = 29,
    CmdSetWallWidth = 30,
    CmdSubdivideEvery = 31,
    CmdAssignSliverToEdge = 32,
    CmdWallFromEdge = 33,
    CmdMakeGridFirst = 101,
    CmdMakeGridLast = 198,
};

// Either key of the pair held in the keyboard's current state.
bool BlockCtrlHeld();
bool BlockShiftHeld();
bool BlockAltHeld();

// Where the ray under the mouse crosses the horizontal plane at height y, when it crosses it
// between its ends.
bool BlockMouseOnPlane(float y, Vector3& hit);

// The current lot of the edited block when the current edge and vertex lie in it; null when
// there is no block, or the block lost the lot or those corners in an edit.
BlockLot* BlockEditedLot(const BlockEditor& editor);

// The record of the current edge of the edited lot while it is raised; null when there is no
// edited lot, or it is flat or without records.
BlockLotEdge* BlockCurrentEdgeRecord(const BlockEditor& editor);

// The landmark model dialog over the caller's buffer of size characters, which keeps the
// choice from one call to the next (an empty buffer starts in the asset root's "geometry"
// folder). On OK the buffer loses a ".pkg" ending and model gets the name after the last
// backslash; false when the dialog is cancelled or the choice names no model.
bool ChooseLandmarkModel(char* buffer, int size, std::string& model);

#endif
