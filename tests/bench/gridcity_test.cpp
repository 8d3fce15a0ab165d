#include "bench/gridcity.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "city/psdl.h"
#include "data/asset.h"
#include "data/printer.h"
#include "tests/support/scratch.h"
#include "vector/vector3.h"

namespace {

// Primitive kinds of the room records.
const uint32_t List = 4;
const uint32_t Strip = 5;
const uint32_t Fan = 6;

struct Triangle {
    Vector3 m_Corner[3];
};

// The room's primitives at the highest detail as triangles (lists, strips and fans).
std::vector<Triangle> RoomTriangles(const lvlSDL& room) {
    std::vector<uint32_t> words(1 << 14);
    int records = room.GetRoomTriangles(3, words.data(), int(words.size()));
    std::vector<Triangle> triangles;
    const uint32_t* word = words.data();
    for (int r = 0; r < records; ++r) {
        uint32_t kind = *word++;
        uint32_t count = *word++;
        std::vector<Vector3> v(count);
        for (Vector3& corner : v) {
            memcpy(&corner.x, word, 12);
            word += 3;
        }
        for (uint32_t k = 2; k < count; ++k) {
            if (kind == List && k % 3 == 2) {
                triangles.push_back({{v[k - 2], v[k - 1], v[k]}});
            } else if (kind == Strip) {
                triangles.push_back({{v[k - 2], v[k - 1], v[k]}});
            } else if (kind == Fan) {
                triangles.push_back({{v[0], v[k - 1], v[k]}});
            }
        }
    }
    return triangles;
}

double PlanCross(const Vector3& a, const Vector3& b, double x, double z) {
    return double(b.x - a.x) * (z - a.z) - double(b.z - a.z) * (x - a.x);
}

// Strictly inside the triangle's plan.
bool Covers(const Triangle& t, double x, double z) {
    double d0 = PlanCross(t.m_Corner[0], t.m_Corner[1], x, z);
    double d1 = PlanCross(t.m_Corner[1], t.m_Corner[2], x, z);
    double d2 = PlanCross(t.m_Corner[2], t.m_Corner[0], x, z);
    return (d0 > 0 && d1 > 0 && d2 > 0) || (d0 < 0 && d1 < 0 && d2 < 0);
}

}  // namespace

// What the grid's benchmarks draw must be a city: seen from above, the ground of every room
// (sidewalks, carriageways, blocks; the kerb faces stand upright) covers its own cell once, with
// no piece laid over another, none outside the cell and no triangle folded back by a strip in
// the wrong order; and no carriageway is lowered more than once.
TEST(GridCity, EveryRoomCoversItsCellOnceAtStreetLevel) {
    ScratchDir scratch;
    CreateDirectoryA(scratch.Path("city").c_str(), nullptr);
    GridCity grid(40);
    ASSERT_TRUE(WriteWholeFile(scratch.Path("city\\grid.sdl"), grid.Description()));
    datAssetManager::SetPath(scratch.Root().c_str());
    lvlPSDL city;
    unsigned mask = GetPrintMask();
    SetPrintMask(0);
    ASSERT_TRUE(city.LoadSDL("grid"));
    SetPrintMask(mask);
    datAssetManager::SetPath("");
    ASSERT_EQ(int(lvlPSDL::sm_VertexCount), grid.VertexCount());

    const float step = 0.5f;
    const float cell = GridCity::Spacing;
    for (int room = 1; room <= grid.m_Rooms; ++room) {
        int i = (room - 1) % grid.m_Width;
        int j = (room - 1) / grid.m_Width;
        double x0 = i * cell, z0 = j * cell;
        std::vector<Triangle> ground;
        for (const Triangle& t : RoomTriangles(*city.m_Rooms[room])) {
            Vector3 normal;
            normal.Cross(t.m_Corner[1] - t.m_Corner[0], t.m_Corner[2] - t.m_Corner[0]);
            if (std::fabs(normal.y) > 1e-4f * normal.Mag()) {
                ground.push_back(t);
            }
        }
        ASSERT_FALSE(ground.empty()) << "room " << room;
        for (const Triangle& t : ground) {
            for (const Vector3& v : t.m_Corner) {
                ASSERT_GE(v.x, x0 - 1e-3) << "room " << room;
                ASSERT_LE(v.x, x0 + cell + 1e-3) << "room " << room;
                ASSERT_GE(v.z, z0 - 1e-3) << "room " << room;
                ASSERT_LE(v.z, z0 + cell + 1e-3) << "room " << room;
                // The lattice's slope, less at most one lowering.
                double slope = 0.013 * (v.x + v.z) / cell;
                ASSERT_LE(std::fabs(v.y - slope), GridCity::Lowering + 0.014)
                    << "room " << room << " at " << v.x << " " << v.z;
            }
        }
        // Odd offsets, so that no sample lies on an edge or a diagonal.
        for (double x = x0 + 0.2113; x < x0 + cell; x += step) {
            for (double z = z0 + 0.3271; z < z0 + cell; z += step) {
                int covering = 0;
                for (const Triangle& t : ground) {
                    covering += Covers(t, x, z);
                }
                ASSERT_EQ(covering, 1) << "room " << room << " at " << x << " " << z;
            }
        }
    }
}
