#ifndef TESTS_GAME_CITYEDIT_GROUPFIXTURE_H
#define TESTS_GAME_CITYEDIT_GROUPFIXTURE_H

#include "bank/bank.h"
#include "city/psdl.h"
#include "cityedit/groups.h"

#include <string>
#include <vector>

// A city of rooms 1 to count - 1 whose ids are 100 times their numbers, and the group list over
// it, with a bank whose combo records what the list does to it. One city lives at a time.

class RecordingCombo : public bkCombo {
public:
    RecordingCombo(int32_t* value, datCallback cb) : bkCombo(value, 0, 0, cb) {}
    void AddItem(const char* item) override { m_Items.push_back(item); }
    void Select(int index) override { SetIndex(index); }
    void Clear() override { m_Items.clear(); }
    std::vector<std::string> m_Items;
};

class RecordingBank : public bkBank {
public:
    ~RecordingBank() override { delete m_Combo; }
    void GetConfig(bool*, int*, int*, int*, int*) override {}
    void SetConfig(bool, int, int, int, int) override {}
    bkCombo* AddCombo(const char*, int32_t* value, int, const char**, int,
                      datCallback cb) override {
        m_Combo = new RecordingCombo(value, cb);
        return m_Combo;
    }
    RecordingCombo* m_Combo = nullptr;
};

struct GroupCity {
    explicit GroupCity(uint32_t rooms) : m_Flags(rooms, 0), m_FlagPointer(m_Flags.data()) {
        m_City.AllocateRooms(rooms);
        for (uint32_t room = 1; room < rooms; ++room) {
            m_City.m_RoomIds[room] = room * 100;
        }
        m_Groups.InitGroups();
        m_Groups.BuildGroupBank(&m_Bank);
    }

    // A group of the given rooms, made as the bank's "Add" makes it.
    void Add(const char* name, const std::vector<int>& rooms) {
        std::fill(m_Flags.begin(), m_Flags.end(), 0);
        for (int room : rooms) {
            m_Flags[room] = 1;
        }
        snprintf(m_Groups.m_NameField, sizeof(m_Groups.m_NameField), "%s", name);
        m_Groups.AddGroup();
    }

    std::vector<int> Rooms(int group) const {
        std::vector<int> rooms;
        for (int i = 0; i < m_Groups.GroupRoomCount(group); ++i) {
            rooms.push_back(m_Groups.m_Groups[group].m_Rooms[i]);
        }
        return rooms;
    }

    lvlPSDL m_City;
    std::vector<uint8_t> m_Flags;
    uint8_t* m_FlagPointer;
    RecordingBank m_Bank;
    GroupList m_Groups{&m_City, &m_FlagPointer};
};

#endif
