// Room group bytes of the processed city from the groups named "n01" to "n99".
#include "cityedit/blockdata.h"

#include <cstdio>

#include "city/psdl.h"
#include "cityedit/groups.h"
#include "data/assert.h"

namespace {

const int MaxNumberedGroup = 99;

}  // namespace

void AssignRoomGroups(lvlPSDL* city, const GroupList* groups) {
    for (uint32_t room = 1; room < city->m_RoomCount; ++room) {
        city->m_RoomGroups[room] = 0;
    }
    for (int n = 1; n <= MaxNumberedGroup; ++n) {
        char name[8];
        snprintf(name, sizeof(name), "n%02d", n);
        int group = groups->FindGroup(name);
        if (group < 0) {
            continue;
        }
        int count = groups->GroupRoomCount(group);
        for (int i = 0; i < count; ++i) {
            int room = groups->m_Groups[group].m_Rooms[i];
            if (room == 0) {
                continue;
            }
            AssertText(room >= 1 && room < int(city->m_RoomCount), "room>=1 && room < m_RoomCount");
            city->m_RoomGroups[room] = uint8_t(n);
        }
    }
}
