#ifndef CITYEDIT_GROUPS_H
#define CITYEDIT_GROUPS_H

#include <cstdint>
#include <memory>

#include "data/base.h"

class bkBank;
class bkCombo;
class lvlPSDL;
class TokenReader;

// A named set of rooms. The room list holds room numbers up to its first -1 (a full list has
// none); the name may hold blanks, or underscores once the group has been saved.
struct RoomGroup {
    static constexpr int NAME_SIZE = 32;

    char m_Name[NAME_SIZE] = {};
    std::unique_ptr<int32_t[]> m_Rooms;
};

// The editor's named room groups, made from the rooms selected in the Pick mode and kept in
// ".grp" files. Groups named "n01" to "n99" number the rooms' group bytes when the drivable
// city is made.
class GroupList : public Base {
public:
    static constexpr int MAX_GROUPS = 32;

    // selection: the editor's pointer to its per-room flag bytes (a room is selected when its
    // byte is not 0); it is read through at each use.
    GroupList(lvlPSDL* city, uint8_t** selection);

    // One room list per slot, sized for the city's rooms, all empty.
    void InitGroups();
    // The "Groups" bank: a name field, "Add", "Re-Assign", "Delete Selected", "Save", "Load" and
    // the combo of the groups.
    void BuildGroupBank(bkBank* bank);

    // A new group named by the name field, holding the selected rooms.
    void AddGroup();
    // The current group takes the selected rooms (room 0 is never a member).
    void ReassignGroup();
    // The current group's rooms become the selection; every other flag bit is cleared.
    void SelectGroupRooms();
    // Removes the current group; the later groups move down one slot.
    void DeleteGroup();
    void SaveGroupsDialog();
    void LoadGroupsDialog();

    // The first group in use with that name, ignoring case; -1 when none.
    int FindGroup(const char* name) const;
    int GroupRoomCount(int group) const;

    // The ".grp" file: the name is completed as an asset name with the extension "grp".
    // Save writes only groups with rooms and replaces the old file once the new one is whole;
    // false when it could not be written. Load leaves the list unchanged when the file does
    // not open; a count beyond the slots or a room list beyond the city's rooms is reported and
    // reading stops there.
    bool SaveGroupFile(const char* name);
    bool LoadGroupFile(const char* name);

    RoomGroup m_Groups[MAX_GROUPS];
    int32_t m_GroupCount = 0;
    int32_t m_RoomCapacity = 0;
    bkCombo* m_GroupCombo = nullptr;
    uint8_t m_Updating = 0;
    lvlPSDL* m_City;
    char m_NameField[RoomGroup::NAME_SIZE] = {};
    int32_t m_CurrentGroup = 0;
    uint8_t** m_Selection;

private:
    void EmptyGroup(int group);
    void AppendRoom(int group, int room);
    // The groups as the combo lists them: every slot in use, then the given selection.
    void RebuildCombo(int select);
    // Reads the groups of an open file into the slots from 0; the count of groups read.
    int ReadGroups(TokenReader& reader, const char* name);
    static constexpr int DIALOG_NAME_SIZE = 256;
    char m_SaveDialogName[DIALOG_NAME_SIZE] = {};
    char m_LoadDialogName[DIALOG_NAME_SIZE] = {};
};

// In-place replacement of every blank by an underscore and back.
void SpacesToUnderscores(char* name);
void UnderscoresToSpaces(char* name);

#endif
