// The room block table, the start of a room's block edit and the make's emitter.
#include "cityedit/blockdata.h"

#include "city/psdl.h"
#include "city/sdl.h"
#include "cityedit/block.h"
#include "cityedit/blockeditor.h"
#include "cityedit/editor.h"
#include "cityedit/psdltool.h"
#include "data/assert.h"
#include "data/printer.h"
#include "vector/matrix34.h"

#include <vector>

namespace {

CityBlock* sRoomBlocks[MAX_ROOM_BLOCKS];

const int CompileLevel = 3;
const int BlockAssignMode = 2;

}  // namespace

CityBlock*& GetRoomBlock(int room) {
    Assert(room < 2048);
    return sRoomBlocks[room];
}

void DeleteRoomBlock(int room) {
    CityBlock*& block = GetRoomBlock(room);
    BlockEditor::ReleaseBlock(block);
    delete block;
    block = nullptr;
}

bool RoomCarriesBlock(const lvlPSDL* city, uint32_t room) {
    return (city->m_RoomTypes[room] & BlockRoom) && city->GetRoom(int(room));
}

CityBlock* FindRoomBlock(const lvlPSDL* city, int room) {
    bool inCity = room >= 1 && uint32_t(room) < city->m_RoomCount && room < MAX_ROOM_BLOCKS;
    return inCity && RoomCarriesBlock(city, uint32_t(room)) ? GetRoomBlock(room) : nullptr;
}

void EditRoomBlock(lvlPSDL* city, BlockEditor* editor, int room) {
    if (room < 0 || uint32_t(room) >= city->m_RoomCount ||
        !RoomCarriesBlock(city, uint32_t(room))) {
        return;
    }
    if (room >= MAX_ROOM_BLOCKS) {
        PrintWarning("Room %d cannot be edited: blocks are kept for the first %d rooms only.", room,
                     MAX_ROOM_BLOCKS);
        return;
    }
    CityBlock*& block = GetRoomBlock(room);
    if (!block) {
        const lvlSDL* sdl = city->GetRoom(room);
        std::vector<Vector3> outline;
        for (uint32_t i = 0; i < sdl->GetPerimeterCount() && i < MAX_EDIT_PERIMETER; ++i) {
            outline.push_back(lvlPSDL::sm_Vertices[sdl->GetPerimeterVertex(i)]);
        }
        block = new CityBlock(int(city->m_RoomIds[room]));
        block->BuildFromOutline(outline.data(), int(outline.size()));
    }
    editor->SetEditedBlock(block, room);
    CurrentRoom = room;
    MouseMode = BlockAssignMode;
}

void DeleteAllRoomBlocks() {
    for (int room = 0; room < MAX_ROOM_BLOCKS; ++room) {
        DeleteRoomBlock(room);
    }
    ClearExtras();
}

void EmitCityBlocks(lvlPSDL* city) {
    for (uint32_t room = 1; room < city->m_RoomCount && room < MAX_ROOM_BLOCKS; ++room) {
        const CityBlock* block = GetRoomBlock(int(room));
        if (!block) {
            continue;
        }
        city->BeginCompileRoom(int(room));
        for (int i = 0; i < block->LotCount(); ++i) {
            block->Lot(i)->Draw(DrawTextured, *block, city, CompileLevel);
            if (PsdlTool::sm_Refusal) {
                PrintError("Cannot make the city: block %d, lot %d: %s.", block->m_Id, i,
                           PsdlTool::sm_Refusal);
                PsdlTool::sm_Refusal = nullptr;
                PsdlTool::sm_MakeRefused = true;
            }
        }
        city->EndCompileRoom();
    }
    for (int i = 0; i < ExtraCount; ++i) {
        const ExtraRecord& extra = Extras[i];
        Matrix34 placement;
        placement.Identity();
        placement.d = extra.m_Position;
        // The extra adds a record to its room's instances and nothing to its words: a whole
        // compile of the room would replace the words compiled for it with none.
        PsdlTool::sm_CompileRoom = uint32_t(extra.m_Room);
        lvlPSDL::EmitInstance(placement, extra.m_Name, extra.m_Model,
                              extra.m_Shaders ? extra.m_Shaders[0] : nullptr, 1, 0);
        PsdlTool::sm_CompileRoom = 0;
    }
}
