#ifndef TESTS_GAME_CITYEDIT_BLOCKEDITORVALUES_H
#define TESTS_GAME_CITYEDIT_BLOCKEDITORVALUES_H

#include "bank/bkmgr.h"
#include "bank/gfxbank.h"
#include "cityedit/block.h"
#include "cityedit/blockeditor.h"
#include "devcam/pick.h"
#include "input/input.h"
#include "input/winproc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

// The block editor's shared values and the block model's switches as the program starts.
inline void ResetBlockEditorValues() {
    BlockLowPerimeterY = 1000.0f;
    BlockHighPerimeterY = -1000.0f;
    BlockSliverHeight = 0.0f;
    BlockFacadeHeight = 0.0f;
    BlockSnapStep = 1.0f;
    BlockEdgeLength = 0.0f;
    BlockVertexToCursor = 0.0f;
    BlockSegmentCount = 0;
    BlockSnapOn = 0;
    BlockSnapCCW = 1;
    BlockVertexPosition.Set(0.0f, 0.0f, 0.0f);
    BlockVertexAdjust.Set(0.0f, 0.0f, 0.0f);
    BlockLandmarkPosition.Set(0.0f, 0.0f, 0.0f);
    BlockRotationDelta = 1.0f;
    BlockMoveDelta.Set(1.0f, 1.0f, 1.0f);
    BlockLabelWalls = 0;
    BlockAutoTileWalls = 1;
    BlockDrawSlivers = 1;
    BlockLot::sm_LabelWalls = 0;
    BlockLot::sm_AutoTileWalls = 1;
    BlockLot::sm_DrawSlivers = 1;
}

// No button, wheel, motion or key.
inline void ClearBlockInput() {
    inpMouseButtons = 0;
    inpPrevMouseButtons = 0;
    inpWindowButtons = 0;
    inpMouseWheel = 0;
    inpMouseDX = 0;
    inpMouseDY = 0;
    memset(inpKeyStates, 0, sizeof(inpKeyStates));
}

// The mouse over the point, in client pixels.
inline void MouseAt(const Vector3& point) {
    Vector4 screen;
    ASSERT_TRUE(dcProjectToScreen(screen, point));
    inpMouseX = int32_t(std::lround(screen.x));
    inpMouseY = int32_t(std::lround(screen.y));
}

// An in-window bank manager for the editor's banks, and the editor's values at their start,
// while it lives.
class BlockEditorBanks {
public:
    BlockEditorBanks() {
        ResetBlockEditorValues();
        ClearBlockInput();
        bkManager::CreateInstance(gfxBankManager::Create);
    }
    ~BlockEditorBanks() {
        bkManager::DeleteInstance();
        ResetBlockEditorValues();
        ClearBlockInput();
    }
    BlockEditorBanks(const BlockEditorBanks&) = delete;
    BlockEditorBanks& operator=(const BlockEditorBanks&) = delete;
};

// A block of the given vertices whose lots are cycles of vertex indices, every edge on the
// outside.
inline std::unique_ptr<CityBlock> MakeBlock(const std::vector<Vector3>& vertices,
                                            const std::vector<std::vector<int>>& lots) {
    std::unique_ptr<CityBlock> block(new CityBlock(7));
    block->AddVertices(int(vertices.size()));
    for (size_t i = 0; i < vertices.size(); ++i) {
        block->Vertex(int(i))->m_Position = vertices[i];
    }
    for (const std::vector<int>& cycle : lots) {
        BlockLot* lot = block->Lot(block->AddLots(1));
        lot->SetVertexCount(int(cycle.size()));
        for (size_t i = 0; i < cycle.size(); ++i) {
            lot->VertexIndex(int(i)) = cycle[i];
            lot->Adjacent(int(i)) = -1;
        }
    }
    return block;
}

#endif
