// The block editor's mouse, wheel and keys each frame: in "Block Digitize" vertices are
// inserted, dragged and deleted and edges made; in "Block Assign" the current lot is dressed,
// its texture and heights tuned with the wheel, and its landmark adjusted.

#include "cityedit/blockcommand.h"

#include "city/sdl.h"
#include "cityedit/block.h"
#include "cityedit/blockeditor.h"
#include "devcam/pick.h"
#include "input/input.h"
#include "input/winproc.h"

#include <utility>

namespace {

// DirectInput key codes.
const uint32_t KeyLeftCtrl = 0x1D;
const uint32_t KeyRightCtrl = 0x9D;
const uint32_t KeyLeftShift = 0x2A;
const uint32_t KeyRightShift = 0x36;
const uint32_t KeyLeftAlt = 0x38;
const uint32_t KeyRightAlt = 0xB8;
const uint32_t Key1 = 0x02;
const uint32_t Key2 = 0x03;
const uint32_t KeyY = 0x15;
const uint32_t KeyT = 0x14;
const uint32_t KeyW = 0x11;
const uint32_t KeyF = 0x21;
const uint32_t KeyG = 0x22;
const uint32_t KeyZ = 0x2C;
const uint32_t KeyV = 0x2F;
const uint32_t KeySpace = 0x39;

const uint32_t LeftButton = 1;
const uint32_t RightButton = 2;
const uint32_t MiddleButton = 4;

// A vertex is under the mouse within 5 pixels.
const float HoverLimit = 25.0f;
// Released drags snap to the room outline at the first of these distances that reaches it.
const float SnapDistances[] = {0.25f, 0.5f, 1.0f, 2.0f};

const char* const DigitizeAltHelp =
    "LB: Delete Vertex\nMB: Delete Edge\nRB: Move Vertex\nWheel: Change Vertex Height";
const char* const DigitizeAnchorHelp = "LB: Cancel Edge\nMB: Insert Edge";
const char* const DigitizeShiftHelp =
    "LB: Insert Vertex\nMB: Anchor Edge\nRB: Move Vertex [No Snap]\n"
    "Wheel: Change Vertex Height [Fine]";
const char* const DigitizeHelp =
    "LB: Insert Vertex\nMB: Anchor Edge\nRB: Move Vertex [Snap]\n"
    "Wheel: Change Vertex Height [Coarse]";
const char* const DragHelp = "Release mouse button to end drag.";

#define ASSIGN_HELP(wheel)                                                                   \
    "LB: Repeat Last Assignment\nMB: Switch Current/Last Wall/Floor\nRB: Assign Menu\nWheel: " \
    wheel
const char* const AssignCtrlHelp = ASSIGN_HELP("Rotate Lot Texture");
const char* const AssignShiftHelp = ASSIGN_HELP("Scale Lot Texture");
const char* const AssignAltHelp = ASSIGN_HELP("Change Sliver Height");
const char* const AssignHelp = ASSIGN_HELP("Change Roof Height");
#undef ASSIGN_HELP

bool EitherHeld(uint32_t left, uint32_t right) {
    return inpKeyHeld(left) || inpKeyHeld(right);
}

}  // namespace

bool BlockMouseOnPlane(float y, Vector3& hit) {
    dcRay ray;
    ray.FromScreen(float(inpMouseX), float(inpMouseY));
    float rise = ray.m_End.y - ray.m_Start.y;
    if (rise == 0.0f) {
        return false;
    }
    float t = (y - ray.m_Start.y) / rise;
    if (t < 0.0f || t > 1.0f) {
        return false;
    }
    hit = ray.m_Start + (ray.m_End - ray.m_Start) * t;
    return true;
}

bool BlockCtrlHeld() {
    return EitherHeld(KeyLeftCtrl, KeyRightCtrl);
}

bool BlockShiftHeld() {
    return EitherHeld(KeyLeftShift, KeyRightShift);
}

bool BlockAltHeld() {
    return EitherHeld(KeyLeftAlt, KeyRightAlt);
}

void BlockEditor::UpdateInput(lvlPSDL* city) {
    if (m_Digitize) {
        UpdateDigitize(city);
    } else {
        // Repeating "Adjust landmark position" on a lot without a landmark finds nothing to
        // move: the capture goes off again and the frame is an ordinary one.
        BlockLot* lot = BlockEditedLot(*this);
        if (m_Capture && !(lot && lot->IsLandmark())) {
            m_Capture = 0;
        }
        if (m_Capture) {
            UpdateLandmarkAdjust();
        } else {
            UpdateAssign();
        }
    }
    UpdateKeys();
}

void BlockEditor::UpdateDigitize(lvlPSDL* city) {
    bool alt = BlockAltHeld();
    bool shift = BlockShiftHeld();
    m_HelpText = alt               ? DigitizeAltHelp
                 : m_Anchor != -1  ? DigitizeAnchorHelp
                 : shift           ? DigitizeShiftHelp
                                   : DigitizeHelp;
    BlockLot* lot = BlockEditedLot(*this);
    if (!lot) {
        m_Capture = 0;
        return;
    }
    Vector3& vertex = LotPoint(m_CurrentLot, m_CurrentVertex);

    if (m_Capture) {
        if (inpMouseButtons & (LeftButton | RightButton | MiddleButton)) {
            Vector3 hit;
            if (BlockMouseOnPlane(vertex.y, hit)) {
                vertex.x = hit.x;
                vertex.z = hit.z;
            }
            m_HelpText = DragHelp;
            return;
        }
        m_Capture = 0;
        lvlSDL* room = EditedRoom(city);
        if (room && !shift) {
            for (float distance : SnapDistances) {
                if (room->SnapToPerimeter(vertex, distance)) {
                    break;
                }
            }
        }
        return;
    }

    if (m_Anchor != -1) {
        if (inpMousePressed(LeftButton)) {
            m_Anchor = -1;
        } else if (inpMousePressed(MiddleButton)) {
            BeginUndoGroup();
            MakeEdgeToAnchor();
            EndUndoGroup();
        }
        return;
    }
    bool left = inpMousePressed(LeftButton);
    if (left || inpMousePressed(MiddleButton)) {
        BeginUndoGroup();
        if (left) {
            alt ? DeleteCurrentVertex() : InsertVertexAtCursor();
        } else {
            alt ? DeleteCurrentEdge() : AnchorEdge();
        }
        EndUndoGroup();
    } else if (m_HoverDistance < HoverLimit) {
        if (inpMousePressed(RightButton)) {
            m_Capture = 1;
        } else {
            vertex.y += inpMouseWheel * (shift ? 0.1f : 1.0f);
        }
    }
}

void BlockEditor::UpdateAssign() {
    bool ctrl = BlockCtrlHeld();
    bool shift = BlockShiftHeld();
    bool alt = BlockAltHeld();
    m_HelpText = ctrl ? AssignCtrlHelp : shift ? AssignShiftHelp : alt ? AssignAltHelp : AssignHelp;

    if (inpMousePressed(LeftButton)) {
        DoBlockMenuCommand(m_LastCommand);
        return;
    }
    if (inpMousePressed(RightButton)) {
        ShowAssignMenu();
        return;
    }
    if (inpMousePressed(MiddleButton)) {
        std::swap(m_CurrentGround, m_AlternateGround);
        std::swap(m_CurrentWall, m_AlternateWall);
        std::swap(m_CurrentFacade, m_AlternateFacade);
        return;
    }
    int n = inpMouseWheel;
    BlockLot* lot = BlockEditedLot(*this);
    if (n == 0 || !lot) {
        return;
    }
    if (ctrl && shift) {
        lot->m_Pitch += n * 0.0625f;
    } else if (ctrl && alt) {
        lot->m_WallTile += n * 0.0625f;
    } else if (ctrl) {
        lot->m_Rotation = int8_t(uint8_t(lot->m_Rotation - n));
    } else if (shift) {
        lot->m_Scale = uint8_t(lot->m_Scale + n);
    } else if (alt) {
        lot->m_Ground += n * 0.0625f;
    } else if (inpKeyHeld(Key1) || inpKeyHeld(Key2)) {
        float BlockLotEdge::*wallBreak =
            inpKeyHeld(Key1) ? &BlockLotEdge::m_WallBreak1 : &BlockLotEdge::m_WallBreak2;
        if (BlockLotEdge* edge = BlockCurrentEdgeRecord(*this)) {
            edge->*wallBreak += n;
        }
    } else if (lot->m_HeightOffset != 0.0f && lot->m_HeightOffset + n != 0.0f) {
        lot->m_HeightOffset += n;
        m_GroundValue = lot->m_HeightOffset;
    }
}

void BlockEditor::UpdateKeys() {
    if (!BlockCtrlHeld()) {
        if (inpKeyPressed(KeySpace)) {
            m_DrawMode = m_DrawMode == DrawTextured ? DrawWireframe : DrawTextured;
        }
        return;
    }
    if (inpKeyPressed(KeyG)) {
        DoBlockMenuCommand(CmdChooseGround);
    } else if (inpKeyPressed(KeyW)) {
        DoBlockMenuCommand(CmdChooseWall);
    } else if (inpKeyPressed(KeyF)) {
        DoBlockMenuCommand(CmdChooseFacade);
    } else if (inpKeyPressed(KeyV)) {
        DoBlockMenuCommand(CmdChooseSliver);
    } else if (inpKeyPressed(KeyZ)) {
        Undo();
    } else if (inpKeyPressed(KeyY)) {
        Redo();
    } else if (inpKeyPressed(KeyT)) {
        DoBlockMenuCommand(CmdWallFromEdge);
    } else if (inpKeyPressed(Key1) || inpKeyPressed(Key2)) {
        if (BlockLotEdge* edge = BlockCurrentEdgeRecord(*this)) {
            (inpKeyPressed(Key1) ? edge->m_WallBreak1 : edge->m_WallBreak2) = 0.0f;
        }
    }
}
