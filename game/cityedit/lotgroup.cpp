// Mode 6 "Edit Lot Group": the lots of the picked room's block put into numbered lot groups
// with the mouse, the wheel choosing the group.
#include "cityedit/modes.h"

#include "cityedit/block.h"
#include "cityedit/blockdata.h"
#include "cityedit/editor.h"
#include "cityedit/roompick.h"
#include "devcam/drawer.h"
#include "devcam/pick.h"
#include "input/input.h"

#include <cstdio>

namespace {

const uint32_t LeftButton = 1;
const uint32_t MiddleButton = 4;
const uint32_t CurrentLotColour = 0xFF0000FF;
const int GroupCount = 256;
// Lots of more vertices are not picked.
const int MaxLotVertices = 128;

const char* const LotHelp =
    "LB: Assign poly to lot group %d\nMB: Get current lot group from current lot\nWheel: Change "
    "current lot group";
const char* const NoLotHelp = "Wheel: Change current lot group (now %d)";

int CurrentLotGroup = 0;
char HelpText[160];

// The first lot of the block under the mouse, drawn filled; null for none.
BlockLot* PickLot(CityBlock& block) {
    Vector3 points[MaxLotVertices];
    for (int i = 0; i < block.LotCount(); ++i) {
        BlockLot* lot = block.Lot(i);
        int count = lot->VertexCount();
        if (count >= MaxLotVertices) {
            continue;
        }
        for (int k = 0; k < count; ++k) {
            points[k] = block.Vertex(lot->VertexIndex(k))->m_Position;
        }
        if (!dcPickInPolygon(count, points)) {
            continue;
        }
        if (dcDraw) {
            dcDraw->Color(CurrentLotColour);
            dcDraw->Begin(dcDrawer::TriangleFan);
            for (int k = 0; k < count; ++k) {
                dcDraw->Vertex(points[k].x, points[k].y, points[k].z);
            }
            dcDraw->End();
        }
        return lot;
    }
    return nullptr;
}

const char* Help(const char* format) {
    snprintf(HelpText, sizeof(HelpText), format, CurrentLotGroup);
    return HelpText;
}

}  // namespace

const char* LotGroupMode(lvlPSDL* city, dcPick*) {
    if (dcDraw) {
        dcDraw->Enable(dcDrawer::AlphaBlend, true);
    }
    PickRoomUnderMouse(city, &PickedRoom);
    CityBlock* block = FindRoomBlock(city, PickedRoom);
    BlockLot* lot = block ? PickLot(*block) : nullptr;
    if (dcDraw) {
        dcDraw->Enable(dcDrawer::AlphaBlend, false);
    }

    if (inpMousePressed(LeftButton)) {
        if (!lot) {
            return Help(NoLotHelp);
        }
        lot->m_Group = uint8_t(CurrentLotGroup);
    } else if (inpMousePressed(MiddleButton)) {
        if (!lot) {
            return Help(NoLotHelp);
        }
        CurrentLotGroup = lot->m_Group;
    } else if (inpMouseWheel) {
        // C++'s remainder keeps the sign of a negative sum.
        CurrentLotGroup = ((CurrentLotGroup + inpMouseWheel) % GroupCount + GroupCount) % GroupCount;
    }
    return Help(lot ? LotHelp : NoLotHelp);
}
