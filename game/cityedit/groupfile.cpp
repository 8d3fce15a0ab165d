// The ".grp" files of the room groups: a count line, then one line for each of the 32 slots.
#include "cityedit/groups.h"

#include <cctype>
#include <cstring>

#include "city/psdl.h"
#include "data/asset.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/token.h"

namespace {

const int FullNameSize = 256;

bool FullGroupName(char* full, const char* name) {
    if (!datAssetManager::FullPath(full, FullNameSize, name, "grp")) {
        PrintError("Group file name too long: '%s'.", name);
        return false;
    }
    return true;
}

// A name is one token of the file: besides its spaces, any other blank, a comment mark or a
// quote would split it or swallow the rest of the line, and the file would no longer read.
void MakeNameReadable(char* name) {
    SpacesToUnderscores(name);
    for (char* c = name; *c; ++c) {
        if (isspace((unsigned char)*c) || *c == ';' || *c == '"') {
            *c = '_';
        }
    }
}

}  // namespace

bool GroupList::SaveGroupFile(const char* name) {
    char full[FullNameSize];
    if (!FullGroupName(full, name)) {
        return false;
    }
    Stream* stream = StreamCreateReplacing(full);
    if (!stream) {
        PrintWarning("Cannot create file '%s'.", full);
        return false;
    }
    TokenReader writer(full, stream);
    int written = 0;
    for (int i = 0; i < m_GroupCount; ++i) {
        written += GroupRoomCount(i) > 0;
    }
    writer.PutInt(written);
    writer.PutChar('\n');
    for (int i = 0; i < MAX_GROUPS; ++i) {
        int count = i < m_GroupCount ? GroupRoomCount(i) : 0;
        if (count > 0) {
            MakeNameReadable(m_Groups[i].m_Name);
            writer.PutString(m_Groups[i].m_Name);
            writer.PutChar(' ');
            writer.PutInt(count);
            for (int j = 0; j < count; ++j) {
                writer.PutChar(' ');
                writer.PutInt(int(m_City->m_RoomIds[m_Groups[i].m_Rooms[j]]));
            }
        }
        writer.PutChar('\n');
    }
    if (StreamClose(stream) < 0) {
        PrintError("Cannot write file '%s'.", full);
        return false;
    }
    return true;
}

int GroupList::ReadGroups(TokenReader& reader, const char* name) {
    int count = reader.GetInt();
    if (count < 0 || count > MAX_GROUPS) {
        PrintError("%s: %d groups; a file holds 0 to %d. Reading stops here.", name, count,
                   MAX_GROUPS);
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        RoomGroup& group = m_Groups[i];
        if (!reader.GetToken(group.m_Name, RoomGroup::NAME_SIZE)) {
            PrintError("%s: the file ends after %d of %d groups.", name, i, count);
            return i;
        }
        UnderscoresToSpaces(group.m_Name);
        int rooms = reader.GetInt();
        if (rooms < 0 || rooms > m_RoomCapacity) {
            PrintError("%s: group '%s' lists %d rooms; the city has %d. Reading stops here.",
                       name, group.m_Name, rooms, m_RoomCapacity);
            return i;
        }
        EmptyGroup(i);
        for (int j = 0; j < rooms; ++j) {
            group.m_Rooms[j] = m_City->FindRoomById(uint32_t(reader.GetInt()));
        }
    }
    return count;
}

bool GroupList::LoadGroupFile(const char* name) {
    char full[FullNameSize];
    if (!FullGroupName(full, name)) {
        return false;
    }
    Stream* stream = StreamOpen(full, true);
    if (!stream) {
        PrintWarning("Cannot open file '%s'.", full);
        return false;
    }
    TokenReader reader(full, stream);
    m_GroupCount = ReadGroups(reader, full);
    StreamClose(stream);
    for (int i = m_GroupCount; i < MAX_GROUPS; ++i) {
        m_Groups[i].m_Name[0] = 0;
        EmptyGroup(i);
    }
    RebuildCombo(0);
    return true;
}
