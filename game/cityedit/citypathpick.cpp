// Ground points for the city path editor: the mouse's ray against the city's rooms.
#include "cityedit/citypath.h"

#include "city/psdl.h"
#include "city/sdl.h"
#include "level/pathmouse.h"
#include "phcore/isect.h"
#include "phcore/segment.h"

#include <windows.h>

#include <cstring>

namespace {

// Rooms that "Opp" paths may rest on.
const uint8_t OppositeRoom = 0x10;
const uint32_t IdMask = 0x00FFFFFF;

}  // namespace

bool CityPathEditor::Pick(qvPath* path, qvPathVertex& point, int x, int y, bool opposite) {
    Vector3 start;
    Vector3 end;
    if (!m_City || !PathMouse || !PathMouse->RayFromScreen(x, y, start, end)) {
        return false;
    }
    phSegment segment;
    segment.Set(start, end, phSegment::PROBE, 0);
    bool oppositeOnly = opposite || (path && _strnicmp(path->GetName(), "Opp", 3) == 0);
    bool found = false;
    for (uint32_t r = 1; r < m_City->m_RoomCount; ++r) {
        const lvlSDL* room = m_City->GetRoom(int(r));
        if (!room || (oppositeOnly && !(m_City->m_RoomTypes[r] & OppositeRoom))) {
            continue;
        }
        lvlPSDL::SetupSparePool();
        phIsect isect;
        if (!room->CollideSegment(nullptr, segment, &isect, 2.0f, -1.0f)) {
            continue;
        }
        point.m_Position = isect.Position;
        point.m_Word = (point.m_Word & ~IdMask) | (m_City->m_RoomIds[r] & IdMask);
        found = true;
        // On: the first room in order; off: every later hit overwrites it.
        if (sm_CollideVsHighest) {
            break;
        }
    }
    if (!found) {
        MessageBeep(MB_ICONASTERISK);
    }
    return found;
}
