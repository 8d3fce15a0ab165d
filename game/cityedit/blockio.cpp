// Block files: reading blocks into the rooms they match, and writing them with a backup.
#include "cityedit/blockdata.h"

#include <cstdio>
#include <string>
#include <vector>

#include "bank/msgbox.h"
#include "city/psdl.h"
#include "cityedit/block.h"
#include "cityedit/outline.h"
#include "data/asset.h"
#include "data/options.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/token.h"

namespace {

const uint8_t SolidRoom = 0x80;
const float ExactMatchDistance2 = 0.01f;
const float NearestMatchDistance2 = 625.0f;
const float SewTolerances[] = {0.25f, 0.5f, 1.0f, 2.0f};
const int ButtonsOk = 0;
const int IconStop = 2;
const int FullNameSize = 256;

// Every perimeter vertex of the block on the room's, in order.
bool MatchesExactly(const lvlPSDL* city, uint32_t room, const CityBlock& block) {
    const lvlSDL* sdl = city->GetRoom(int(room));
    if (int(sdl->GetPerimeterCount()) != block.PerimeterCount()) {
        return false;
    }
    for (int i = 0; i < block.PerimeterCount(); ++i) {
        const Vector3& a = block.Vertex(i)->m_Position;
        const Vector3& b = lvlPSDL::sm_Vertices[sdl->GetPerimeterVertex(uint32_t(i))];
        if ((a - b).Mag2() >= ExactMatchDistance2) {
            return false;
        }
    }
    return true;
}

// Room 0 is no room: the search starts at 1.
int FindExactRoom(const lvlPSDL* city, const CityBlock& block) {
    for (uint32_t room = 1; room < city->m_RoomCount && room < MAX_ROOM_BLOCKS; ++room) {
        if (RoomCarriesBlock(city, room) && MatchesExactly(city, room, block)) {
            return int(room);
        }
    }
    return 0;
}

// The area-weighted centroid of all the block's vertices in x and z; their mean when they
// enclose no area.
void BlockCentroid(const CityBlock& block, float& x, float& z) {
    std::vector<float> xs;
    std::vector<float> zs;
    x = 0.0f;
    z = 0.0f;
    for (int i = 0; i < block.VertexCount(); ++i) {
        xs.push_back(block.Vertex(i)->m_Position.x);
        zs.push_back(block.Vertex(i)->m_Position.z);
        x += xs.back();
        z += zs.back();
    }
    if (!xs.empty()) {
        x /= float(xs.size());
        z /= float(zs.size());
    }
    float area = 0.0f;
    PolygonCentroid(xs.data(), zs.data(), int(xs.size()), x, z, area);
}

// The room whose centroid is nearest the block's, closer than 25 units; ties keep the
// earlier room. 0 when none.
int FindNearestRoom(const lvlPSDL* city, float x, float z, Vector3& roomCentroid) {
    int nearest = 0;
    float best = NearestMatchDistance2;
    for (uint32_t room = 1; room < city->m_RoomCount && room < MAX_ROOM_BLOCKS; ++room) {
        if (!RoomCarriesBlock(city, room)) {
            continue;
        }
        Vector3 centroid;
        city->GetRoom(int(room))->GetRoomCentroid(centroid);
        float dx = centroid.x - x;
        float dz = centroid.z - z;
        float distance2 = dx * dx + dz * dz;
        if (distance2 < best) {
            best = distance2;
            nearest = int(room);
            roomCentroid = centroid;
        }
    }
    return nearest;
}

void StoreBlock(lvlPSDL* city, int room, const CityBlock& block) {
    DeleteRoomBlock(room);
    GetRoomBlock(room) = new CityBlock(block);
    if (block.m_Solid) {
        city->m_RoomTypes[room] |= SolidRoom;
    }
}

void PlaceBlock(lvlPSDL* city, CityBlock& block) {
    bool autosew = HasOption("autosew");
    int room = FindExactRoom(city, block);
    if (room) {
        if (autosew) {
            SewBlockToRoom(city, room, &block);
        }
        StoreBlock(city, room, block);
        return;
    }
    float x = 0.0f;
    float z = 0.0f;
    BlockCentroid(block, x, z);
    Vector3 centroid;
    room = FindNearestRoom(city, x, z, centroid);
    if (!room) {
        const Vector3& v = block.Vertex(0)->m_Position;
        char text[160];
        snprintf(text, sizeof(text),
                 "Block couldn't find match, discarded.\n\nVert(0) position: x=%5.3f y=%5.3f "
                 "z=%5.3f",
                 double(v.x), double(v.y), double(v.z));
        BankMessageBox("Load Block Data", text, ButtonsOk, IconStop);
        return;
    }
    if (autosew) {
        Vector3 shift(centroid.x - x, 0.0f, centroid.z - z);
        for (int i = 0; i < block.VertexCount(); ++i) {
            block.Vertex(i)->m_Position += shift;
        }
        SewBlockToRoom(city, room, &block);
    }
    if (block.m_Id == 0) {
        block.m_Id = int32_t(city->m_RoomIds[room]);
    }
    StoreBlock(city, room, block);
}

}  // namespace

void SewBlockToRoom(lvlPSDL* city, int room, CityBlock* block) {
    const lvlSDL* sdl = city->GetRoom(room);
    for (int i = 0; i < block->VertexCount(); ++i) {
        Vector3& position = block->Vertex(i)->m_Position;
        for (float tolerance : SewTolerances) {
            if (sdl->SnapToPerimeter(position, tolerance)) {
                break;
            }
        }
    }
}

void LoadBlockData(const char* name, lvlPSDL* city) {
    Stream* stream = datAssetManager::Open("city", name, "block");
    if (!stream) {
        return;
    }
    TokenReader reader(name, stream);
    for (;;) {
        CityBlock block(0);
        if (!block.Read(reader)) {
            break;
        }
        if (block.VertexCount() > 0) {
            PlaceBlock(city, block);
        }
    }
    StreamClose(stream);
    LoadExtras(name, city);
}

void BackupFile(const char* name) {
    std::string backup = std::string(name) + ".bak";
    remove(backup.c_str());
    rename(name, backup.c_str());
}

void WriteBlockRecords(Stream* stream, lvlPSDL* city, const uint8_t* selection) {
    for (uint32_t room = 0; room < city->m_RoomCount && room < MAX_ROOM_BLOCKS; ++room) {
        CityBlock* block = GetRoomBlock(int(room));
        if (!block || !(city->m_RoomTypes[room] & BlockRoom) || (selection && !selection[room])) {
            continue;
        }
        if (block->m_Id == 0) {
            block->m_Id = int32_t(city->m_RoomIds[room]);
        }
        block->Write(stream);
    }
    StreamPrintf(stream, "end\n");
}

bool SaveBlockData(const char* name, lvlPSDL* city, const uint8_t* selection) {
    char full[FullNameSize];
    Stream* stream = nullptr;
    if (datAssetManager::FullPath(full, sizeof(full), name, "block")) {
        BackupFile(full);
        stream = StreamCreateReplacing(full);
    }
    bool written = false;
    if (stream) {
        WriteBlockRecords(stream, city, selection);
        written = StreamClose(stream) >= 0;
    }
    if (!written) {
        BankMessageBox("Save Block Data", "Couldn't write file.  Might be read-only.", ButtonsOk,
                       IconStop);
    }
    return written;
}
