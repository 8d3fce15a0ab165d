// The room groups: making, reassigning, selecting and deleting them, and their bank.
#include "cityedit/groups.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "bank/bank.h"
#include "bank/filedialog.h"
#include "bank/msgbox.h"
#include "city/psdl.h"
#include "data/asset.h"

namespace {

const int ButtonsOk = 0;
const int IconStop = 2;

void ReplaceAll(char* name, char from, char to) {
    for (char* c = name; *c; ++c) {
        if (*c == from) {
            *c = to;
        }
    }
}

}  // namespace

void SpacesToUnderscores(char* name) {
    ReplaceAll(name, ' ', '_');
}

void UnderscoresToSpaces(char* name) {
    ReplaceAll(name, '_', ' ');
}

GroupList::GroupList(lvlPSDL* city, uint8_t** selection) : m_City(city), m_Selection(selection) {}

void GroupList::InitGroups() {
    m_RoomCapacity = int32_t(m_City->m_RoomCount);
    for (RoomGroup& group : m_Groups) {
        group.m_Name[0] = 0;
        group.m_Rooms.reset(new int32_t[m_RoomCapacity]);
    }
    for (int i = 0; i < MAX_GROUPS; ++i) {
        EmptyGroup(i);
    }
}

void GroupList::BuildGroupBank(bkBank* bank) {
    m_CurrentGroup = 0;
    m_NameField[0] = 0;
    bank->AddText("", m_NameField, sizeof(m_NameField));
    bank->AddButton("Add", datCallback(&GroupList::AddGroup, this));
    bank->AddButton("Re-Assign", datCallback(&GroupList::ReassignGroup, this));
    bank->AddButton("Delete Selected", datCallback(&GroupList::DeleteGroup, this));
    bank->AddButton("Save", datCallback(&GroupList::SaveGroupsDialog, this));
    bank->AddButton("Load", datCallback(&GroupList::LoadGroupsDialog, this));
    m_GroupCombo = bank->AddCombo("", &m_CurrentGroup, 0, nullptr, 0,
                                  datCallback(&GroupList::SelectGroupRooms, this));
}

void GroupList::EmptyGroup(int group) {
    for (int i = 0; i < m_RoomCapacity; ++i) {
        m_Groups[group].m_Rooms[i] = -1;
    }
}

int GroupList::GroupRoomCount(int group) const {
    const int32_t* rooms = m_Groups[group].m_Rooms.get();
    int count = 0;
    while (count < m_RoomCapacity && rooms[count] != -1) {
        ++count;
    }
    return count;
}

void GroupList::AppendRoom(int group, int room) {
    int count = GroupRoomCount(group);
    if (count < m_RoomCapacity) {
        m_Groups[group].m_Rooms[count] = room;
    }
}

void GroupList::AddGroup() {
    if (!m_NameField[0]) {
        return;
    }
    if (m_GroupCount >= MAX_GROUPS) {
        BankMessageBox("Maximum Group Limit", "The maximum number of groups has been reached.",
                       ButtonsOk, IconStop);
        return;
    }
    RoomGroup& group = m_Groups[m_GroupCount];
    snprintf(group.m_Name, sizeof(group.m_Name), "%s", m_NameField);
    m_Updating = 1;
    if (m_GroupCombo) {
        m_GroupCombo->AddItem(group.m_Name);
        m_GroupCombo->Select(m_GroupCount);
    }
    m_CurrentGroup = m_GroupCount;
    m_Updating = 0;
    m_NameField[0] = 0;
    ++m_GroupCount;
    ReassignGroup();
}

void GroupList::ReassignGroup() {
    if (m_CurrentGroup < 0 || m_CurrentGroup >= m_GroupCount) {
        return;
    }
    EmptyGroup(m_CurrentGroup);
    const uint8_t* flags = m_Selection ? *m_Selection : nullptr;
    // Room 0 is no room: its flag byte may have been flipped by an inverted selection.
    for (int room = 1; flags && room < m_RoomCapacity; ++room) {
        if (flags[room]) {
            AppendRoom(m_CurrentGroup, room);
        }
    }
}

void GroupList::SelectGroupRooms() {
    uint8_t* flags = m_Selection ? *m_Selection : nullptr;
    if (m_Updating || !flags) {
        return;
    }
    memset(flags, 0, size_t(m_RoomCapacity));
    if (m_CurrentGroup < 0 || m_CurrentGroup >= m_GroupCount) {
        return;
    }
    int count = GroupRoomCount(m_CurrentGroup);
    for (int i = 0; i < count; ++i) {
        int room = m_Groups[m_CurrentGroup].m_Rooms[i];
        if (room >= 0 && room < m_RoomCapacity) {
            flags[room] = 1;
        }
    }
}

void GroupList::DeleteGroup() {
    if (m_GroupCount <= 0 || m_CurrentGroup < 0 || m_CurrentGroup >= m_GroupCount) {
        return;
    }
    // The later groups move down; the emptied list goes to the freed last slot.
    for (int i = m_CurrentGroup; i + 1 < m_GroupCount; ++i) {
        memcpy(m_Groups[i].m_Name, m_Groups[i + 1].m_Name, RoomGroup::NAME_SIZE);
        m_Groups[i].m_Rooms.swap(m_Groups[i + 1].m_Rooms);
    }
    --m_GroupCount;
    m_Groups[m_GroupCount].m_Name[0] = 0;
    EmptyGroup(m_GroupCount);
    RebuildCombo(0);
}

void GroupList::RebuildCombo(int select) {
    m_Updating = 1;
    if (m_GroupCombo) {
        m_GroupCombo->Clear();
        for (int i = 0; i < m_GroupCount; ++i) {
            m_GroupCombo->AddItem(m_Groups[i].m_Name);
        }
    }
    m_Updating = 0;
    if (m_GroupCount > 0) {
        m_CurrentGroup = select;
        if (m_GroupCombo) {
            m_GroupCombo->Select(select);
        }
    }
}

int GroupList::FindGroup(const char* name) const {
    for (int i = 0; i < m_GroupCount; ++i) {
        if (strcasecmp(m_Groups[i].m_Name, name) == 0) {
            return i;
        }
    }
    return -1;
}

void GroupList::SaveGroupsDialog() {
    snprintf(m_SaveDialogName, DIALOG_NAME_SIZE, "%s%s", datAssetManager::GetPath(), "city\\");
    if (bkFileDialog(m_SaveDialogName, DIALOG_NAME_SIZE, "*.grp", true, "Group File")) {
        SaveGroupFile(m_SaveDialogName);
    }
}

void GroupList::LoadGroupsDialog() {
    if (!m_LoadDialogName[0]) {
        snprintf(m_LoadDialogName, DIALOG_NAME_SIZE, "%s%s", datAssetManager::GetPath(), "city\\");
    }
    if (bkFileDialog(m_LoadDialogName, DIALOG_NAME_SIZE, "*.grp", false, "Group File")) {
        LoadGroupFile(m_LoadDialogName);
    }
}
