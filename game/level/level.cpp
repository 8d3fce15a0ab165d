// The level singleton: room lists of instances and their flags, deferred draw buckets,
// labels, widgets and the reset of every instance.

#include "level/level.h"

#include "bank/bank.h"
#include "city/materialmgr.h"
#include "data/assert.h"
#include "level/inst.h"
#include "model/shader.h"
#include "rgl/rgl.h"

lvlBangerSeam lvlBangers;

lvlLevel* lvlLevel::sm_Singleton = nullptr;
datCallback lvlLevel::m_Drawables[maxBuckets][maxPerBucket];
int lvlLevel::m_DrawableCounts[maxBuckets] = {0, 0};

lvlLevel::lvlLevel() {
    Assert(!sm_Singleton);
    sm_Singleton = this;
    qvMaterialMgr::CreateInstance();
    lvlInstance::CreateSharedBounds();
}

lvlLevel::~lvlLevel() {
    sm_Singleton = nullptr;
    lvlInstance::DestroyAll();
    lvlInstance::ReleaseSharedBounds();
    qvMaterialMgr::DeleteInstance();
    modStaticMaterial::ResetPool();
}

void lvlLevel::SetRoomCount(int count) {
    m_Rooms.assign(size_t(count > 0 ? count : 0), Room{0, 0, nullptr, nullptr});
    m_RoomCount = int(m_Rooms.size());
}

lvlInstance* lvlLevel::GetRoomHead(int id) const {
    Assert(id >= 0 && id < m_RoomCount);
    return m_Rooms[size_t(id)].m_Head;
}

lvlInstance* lvlLevel::GetRoomFirstStatic(int id) const {
    Assert(id >= 0 && id < m_RoomCount);
    return m_Rooms[size_t(id)].m_FirstStatic;
}

uint16_t lvlLevel::GetRoomFlags(int id) const {
    Assert(id >= 0 && id < m_RoomCount);
    return m_Rooms[size_t(id)].m_Flags;
}

void lvlLevel::Unlink(lvlInstance* instance) {
    Room& room = m_Rooms[size_t(instance->m_Room)];
    if (room.m_FirstStatic == instance) {
        room.m_FirstStatic = instance->m_Next;
    }
    if (instance->m_Previous) {
        instance->m_Previous->m_Next = instance->m_Next;
    } else {
        room.m_Head = instance->m_Next;
    }
    if (instance->m_Next) {
        instance->m_Next->m_Previous = instance->m_Previous;
    }
    instance->m_Previous = instance->m_Next = nullptr;
    room.m_Flags = 0;
    for (lvlInstance* i = room.m_Head; i; i = i->m_Next) {
        room.m_Flags = uint16_t(room.m_Flags | i->GetFlags());
    }
    instance->m_Room = -1;
}

void lvlLevel::PushHead(lvlInstance* instance, int id) {
    Room& room = m_Rooms[size_t(id)];
    instance->m_Previous = nullptr;
    instance->m_Next = room.m_Head;
    if (room.m_Head) {
        room.m_Head->m_Previous = instance;
    }
    room.m_Head = instance;
}

void lvlLevel::InsertStatic(lvlInstance* instance, int id) {
    Room& room = m_Rooms[size_t(id)];
    if (lvlInstance* first = room.m_FirstStatic) {
        instance->m_Next = first;
        instance->m_Previous = first->m_Previous;
        if (first->m_Previous) {
            first->m_Previous->m_Next = instance;
        } else {
            room.m_Head = instance;
        }
        first->m_Previous = instance;
    } else {
        lvlInstance* tail = room.m_Head;
        while (tail && tail->m_Next) {
            tail = tail->m_Next;
        }
        instance->m_Previous = tail;
        instance->m_Next = nullptr;
        if (tail) {
            tail->m_Next = instance;
        } else {
            room.m_Head = instance;
        }
    }
    room.m_FirstStatic = instance;
}

void lvlLevel::MoveToRoom(lvlInstance* instance, int newId) {
    Assert(newId >= 0 && newId < m_RoomCount);
    if (instance->m_Room != -1) {
        Assert(!(instance->GetFlags() & lvlInstance::INST_STATIC));
        Unlink(instance);
        PushHead(instance, newId);
    } else if (instance->GetFlags() & lvlInstance::INST_STATIC) {
        InsertStatic(instance, newId);
    } else {
        PushHead(instance, newId);
    }
    // Whichever way it came, the room's flags take the newcomer's.
    instance->m_Room = newId;
    Room& room = m_Rooms[size_t(newId)];
    room.m_Flags = uint16_t(room.m_Flags | instance->GetFlags());
}

void lvlLevel::RemoveFromRoom(lvlInstance* instance) {
    if (instance->m_Room >= 0 && instance->m_Room < m_RoomCount) {
        Unlink(instance);
    }
}

void lvlLevel::ResetInstances() {
    lvlInstance::ForEachHeapInstance([](lvlInstance& instance, void*) { instance.Reset(); },
                                     nullptr);
    if (lvlBangers.m_ResetPool) {
        lvlBangers.m_ResetPool();
    }
    if (lvlBangers.m_ResetActive) {
        lvlBangers.m_ResetActive();
    }
}

void lvlLevel::AddDrawable(int bucket, const datCallback& callback) {
    Assert(bucket >= 0 && bucket < maxBuckets);
    Assert(m_DrawableCounts[bucket] < maxPerBucket);
    m_Drawables[bucket][m_DrawableCounts[bucket]++] = callback;
}

void lvlLevel::DrawBucket(int bucket) {
    Assert(bucket >= 0 && bucket < maxBuckets);
    for (int i = 0; i < m_DrawableCounts[bucket]; ++i) {
        m_Drawables[bucket][i].Call(0);
    }
}

void lvlLevel::ClearDrawables() {
    m_DrawableCounts[0] = m_DrawableCounts[1] = 0;
}

void lvlLevel::LabelRoom(int id) {
    Assert(id >= 0 && id < m_RoomCount);
    for (lvlInstance* i = m_Rooms[size_t(id)].m_Head; i; i = i->m_Next) {
        if (i->GetFlags() & m_LabelMask) {
            rglPrint3D(i->GetPosition(), i->GetGeomName());
        }
    }
}

void lvlLevel::AddWidgets(bkBank* bank) {
    bank->PushGroup("LabelInstances", false);
    bank->AddToggle("Bangers", &m_LabelMask, LABEL_BANGERS);
    bank->AddToggle("Vehicles", &m_LabelMask, LABEL_VEHICLES);
    bank->AddToggle("Landmarks", &m_LabelMask, LABEL_LANDMARKS);
    bank->AddToggle("Facades", &m_LabelMask, LABEL_FACADES);
    bank->PopGroup();
}
