// Picking a room by its outline on screen, and drawing that outline filled.
#include "cityedit/roompick.h"

#include "city/psdl.h"
#include "city/sdl.h"
#include "cityedit/blockdata.h"
#include "cityedit/editor.h"
#include "devcam/drawer.h"
#include "devcam/pick.h"

namespace {

const uint8_t WarpBit = 0x40;

}  // namespace

void PickRoomUnderMouse(lvlPSDL* city, int32_t* picked) {
    Vector3 points[MAX_EDIT_PERIMETER];
    for (uint32_t r = 1; r < city->m_RoomCount; ++r) {
        const lvlSDL* room = city->GetRoom(int(r));
        if (!room || room->GetPerimeterCount() > uint32_t(MAX_EDIT_PERIMETER)) {
            continue;
        }
        int count = int(room->GetPerimeterCount());
        for (int i = 0; i < count; ++i) {
            points[i] = *room->GetVertex(room->GetPerimeterVertex(uint32_t(i)));
        }
        if (dcPickInPolygon(count, points)) {
            *picked = int32_t(r);
            SdlId = int32_t(city->m_RoomIds[r]);
            WarpRoom = (city->m_RoomTypes[r] & WarpBit) ? 1 : 0;
        }
    }
}

void DrawRoomFan(const lvlSDL& room) {
    if (!dcDraw || room.GetPerimeterCount() == 0) {
        return;
    }
    dcDraw->Begin(dcDrawer::TriangleFan);
    for (uint32_t i = 0; i < room.GetPerimeterCount(); ++i) {
        const Vector3& p = *room.GetVertex(room.GetPerimeterVertex(i));
        dcDraw->Vertex(p.x, p.y, p.z);
    }
    dcDraw->End();
}
