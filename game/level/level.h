#ifndef LEVEL_LEVEL_H
#define LEVEL_LEVEL_H

#include <cstdint>
#include <vector>

#include "data/callback.h"
#include "vector/vector3.h"

class bkBank;
class lvlInstance;
struct lvlInstRecord;

// What the level asks of the banger module, which fills this in when it starts. Unset, the
// loader skips props and cross-referenced props, and resetting touches only the instances.
struct lvlBangerSeam {
    // qvBangerInstance::Create: a prop of that type, with a full matrix or a compact one;
    // null for an unknown type.
    lvlInstance* (*m_Create)(const char* name, bool fullMatrix) = nullptr;
    // The loose-banger pool's ResetAll and the active-banger manager's reset.
    void (*m_ResetPool)() = nullptr;
    void (*m_ResetActive)() = nullptr;
};
extern lvlBangerSeam lvlBangers;

// The run-time level: per room a doubly linked list of the instances standing in it (movable
// ones at the head, static ones at the tail, newest static first) with the OR of their flags,
// two buckets of deferred draws, debug labels, and the loader of the instance list (".inst")
// that the city compiler writes. The game's level class supplies the city's geometry.
class lvlLevel {
public:
    static constexpr int maxBuckets = 2;
    static constexpr int maxPerBucket = 64;

    // Label mask bits.
    static constexpr uint16_t LABEL_BANGERS = 0x2;
    static constexpr uint16_t LABEL_VEHICLES = 0x8;
    static constexpr uint16_t LABEL_LANDMARKS = 0x100;
    static constexpr uint16_t LABEL_FACADES = 0x400;

    lvlLevel();
    virtual ~lvlLevel();
    lvlLevel(const lvlLevel&) = delete;
    lvlLevel& operator=(const lvlLevel&) = delete;

    // The room holding the point, searched from startRoom; a result outside the rooms means
    // none.
    virtual int FindRoomId(const Vector3& point, int startRoom) = 0;
    // The room a point's search from fallback gives, or fallback when it names no room.
    int RoomOf(const Vector3& point, int fallback);
    // The most neighbours any room has, and a room's neighbours into out (that many at most).
    virtual int GetMaxNeighbours() = 0;
    virtual int GetNeighbours(int room, int* out) = 0;
    // The rooms overlapping a sphere, searched from room: at most capacity into out.
    virtual int GetRoomsInSphere(int* out, int capacity, int room, const Vector3& centre,
                                 float radius) = 0;
    // The outline points of a room, at most capacity.
    virtual int GetRoomOutline(int room, Vector3* out, int capacity) = 0;

    // Reads "<directory>/<name>.inst" and places its instances; false with the option
    // "noinstances" or without the file. Damaged records are reported and skipped; a record
    // cut short ends the reading.
    virtual bool LoadInstances(const char* directory, const char* name);
    virtual void AddWidgets(bkBank* bank);

    void MoveToRoom(lvlInstance* instance, int newId);
    // Takes the instance out of its room's list, for an instance that ends before the level.
    void RemoveFromRoom(lvlInstance* instance);
    // Every heap instance's Reset in allocation order, then the banger pool's and the active
    // bangers'.
    void ResetInstances();
    // The room's instances labelled by the name of their geometry set, for the mask's kinds.
    void LabelRoom(int id);

    int GetRoomCount() const { return m_RoomCount; }
    lvlInstance* GetRoomHead(int id) const;
    lvlInstance* GetRoomFirstStatic(int id) const;
    uint16_t GetRoomFlags(int id) const;
    lvlInstance* GetFirstInstance() const { return m_FirstInstance; }
    int GetInstanceCount() const { return m_InstanceCount; }

    static void AddDrawable(int bucket, const datCallback& callback);
    static void DrawBucket(int bucket);
    static void ClearDrawables();
    static lvlLevel* GetInstance() { return sm_Singleton; }

    uint16_t m_LabelMask = 0;

protected:
    // The game's level class makes its rooms before anything moves into them.
    void SetRoomCount(int count);

private:
    struct Room {
        uint16_t m_Unused;
        uint16_t m_Flags;
        lvlInstance* m_Head;
        lvlInstance* m_FirstStatic;
    };

    void Unlink(lvlInstance* instance);
    void PushHead(lvlInstance* instance, int id);
    void InsertStatic(lvlInstance* instance, int id);
    bool LoadRecord(const lvlInstRecord& record);
    void LoadXrefs(lvlInstance* instance, const lvlInstRecord& record);

    std::vector<Room> m_Rooms;
    int m_RoomCount = 0;
    lvlInstance* m_FirstInstance = nullptr;
    int m_InstanceCount = 0;

    static lvlLevel* sm_Singleton;
    static datCallback m_Drawables[maxBuckets][maxPerBucket];
    static int m_DrawableCounts[maxBuckets];
};

#endif
