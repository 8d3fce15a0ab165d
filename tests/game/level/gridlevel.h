#ifndef TESTS_GAME_LEVEL_GRIDLEVEL_H
#define TESTS_GAME_LEVEL_GRIDLEVEL_H

#include <cmath>

#include "level/level.h"

// A strip of square rooms along x: room r (1 on) covers 10 (r - 1) <= x < 10 r, room 0 is
// everything else.
class GridLevel : public lvlLevel {
public:
    static constexpr float CellSize = 10.0f;

    explicit GridLevel(int rooms = 8) { SetRoomCount(rooms); }

    int FindRoomId(const Vector3& point, int) override {
        float cell = std::floor(point.x / CellSize);
        return cell >= 0.0f && cell < float(GetRoomCount() - 1) ? int(cell) + 1 : 0;
    }
    int GetMaxNeighbours() override { return 2; }
    int GetNeighbours(int room, int* out) override {
        int count = 0;
        for (int r : {room - 1, room + 1}) {
            if (r >= 1 && r < GetRoomCount()) {
                out[count++] = r;
            }
        }
        return count;
    }
    int GetRoomsInSphere(int* out, int capacity, int, const Vector3& centre,
                         float radius) override {
        int count = 0;
        for (int r = 1; r < GetRoomCount() && count < capacity; ++r) {
            float low = CellSize * float(r - 1);
            if (centre.x + radius >= low && centre.x - radius < low + CellSize) {
                out[count++] = r;
            }
        }
        return count;
    }
    int GetRoomOutline(int room, Vector3* out, int capacity) override {
        float low = CellSize * float(room - 1);
        const Vector3 corners[4] = {Vector3(low, 0, 0), Vector3(low + CellSize, 0, 0),
                                    Vector3(low + CellSize, 0, CellSize),
                                    Vector3(low, 0, CellSize)};
        int count = capacity < 4 ? capacity : 4;
        for (int i = 0; i < count; ++i) {
            out[i] = corners[i];
        }
        return count;
    }

    using lvlLevel::SetRoomCount;
};

#endif
