// The lot's landmark in the block editor: choosing its model file and moving, turning and
// scaling it with keys, mouse and wheel while "Block Assign" holds the capture.

#include "cityedit/blockcommand.h"

#include "bank/filedialog.h"
#include "cityedit/block.h"
#include "cityedit/blockeditor.h"
#include "cityedit/landmark.h"
#include "data/asset.h"
#include "input/input.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// DirectInput key codes of the keys that move a landmark.
const uint32_t KeyRight = 0xCD;
const uint32_t KeyLeft = 0xCB;
const uint32_t KeyUp = 0xC8;
const uint32_t KeyDown = 0xD0;
const uint32_t KeyPageUp = 0xC9;
const uint32_t KeyPageDown = 0xD1;

const char* const HelpRotate =
    "LB: End Move\nMB: Change Height\nRB: Move in XZ\nWheel: Rotate Landmark";
const char* const HelpScale =
    "LB: End Move\nMB: Change Height\nRB: Move in XZ\nWheel: Scale Landmark";

}  // namespace

bool ChooseLandmarkModel(char* buffer, int size, std::string& model) {
    if (!buffer[0]) {
        snprintf(buffer, size, "%s%s", datAssetManager::GetPath(), "geometry\\");
    }
    if (!bkFileDialog(buffer, size, "*.pkg", false, "Landmark Model File")) {
        return false;
    }
    size_t length = strlen(buffer);
    if (length > 4 && strcasecmp(buffer + length - 4, ".pkg") == 0) {
        buffer[length - 4] = 0;
    }
    const char* slash = strrchr(buffer, '\\');
    model = slash ? slash + 1 : buffer;
    return !model.empty();
}

void BlockEditor::SewLandmark(BlockLandmark& landmark) {
    // A fixed landmark stands in world coordinates with no ground of its own to sew.
    if (!landmark.m_Fixed) {
        landmark.Sew(*m_Block, *m_Block->Lot(m_CurrentLot));
    }
}

void BlockEditor::UpdateLandmarkAdjust() {
    BlockLandmark& landmark = m_Block->Lot(m_CurrentLot)->Landmark();
    Vector3& position = landmark.m_Position;
    BlockLandmarkPosition = position;

    struct Move {
        uint32_t key;
        float Vector3::*axis;
        float sign;
    };
    const Move moves[] = {{KeyRight, &Vector3::x, 1.0f},   {KeyLeft, &Vector3::x, -1.0f},
                          {KeyUp, &Vector3::z, -1.0f},     {KeyDown, &Vector3::z, 1.0f},
                          {KeyPageUp, &Vector3::y, 1.0f},  {KeyPageDown, &Vector3::y, -1.0f}};
    for (const Move& move : moves) {
        if (inpKeyHeld(move.key)) {
            position.*move.axis += move.sign * (BlockMoveDelta.*move.axis);
            SewLandmark(landmark);
            break;
        }
    }

    m_HelpText = BlockShiftHeld() ? HelpScale : HelpRotate;

    if ((inpMouseButtons & ~inpPrevMouseButtons) == 1) {
        m_Capture = 0;
    } else if (inpMouseHeld(4)) {
        position.y -= inpMouseDY * 0.1f;
        SewLandmark(landmark);
    } else if (inpMouseHeld(2)) {
        Vector3 hit;
        if (BlockMouseOnPlane(position.y, hit)) {
            // An adjustable landmark stands relative to the block's first vertex.
            Vector3 origin = landmark.m_Fixed ? Vector3(0.0f, 0.0f, 0.0f)
                                              : m_Block->Vertex(0)->m_Position;
            position.x = hit.x - origin.x;
            position.z = hit.z - origin.z;
        }
        SewLandmark(landmark);
    }

    int n = inpMouseWheel;
    if (n != 0) {
        if (BlockShiftHeld()) {
            landmark.m_Scale = uint8_t(landmark.m_Scale + n);
        } else {
            int turn = int(std::trunc(n * BlockRotationDelta));
            landmark.m_Rotation = int8_t(uint8_t(landmark.m_Rotation - turn));
        }
        SewLandmark(landmark);
    }
}
