// The bundled demo's rooms as the interpreter draws them from above: every piece that is not
// upright faces up, so that the editor's culling, on from the start, keeps it.
#include "city/psdl.h"
#include "data/asset.h"

#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

enum { List = 4, Strip = 5, Fan = 6 };

// The corners of the n-th triangle of a primitive, in the order that decides its facing: a
// strip's odd triangles turn the other way round.
void Corners(uint32_t kind, const Vector3* p, uint32_t n, Vector3 out[3]) {
    if (kind == List) {
        out[0] = p[3 * n], out[1] = p[3 * n + 1], out[2] = p[3 * n + 2];
    } else if (kind == Fan) {
        out[0] = p[0], out[1] = p[n + 1], out[2] = p[n + 2];
    } else if (n % 2) {
        out[0] = p[n + 1], out[1] = p[n], out[2] = p[n + 2];
    } else {
        out[0] = p[n], out[1] = p[n + 1], out[2] = p[n + 2];
    }
}

}  // namespace

TEST(DemoGround, EveryFlatPieceFacesUp) {
    ConsoleCapture capture;
    datAssetManager::SetPath(SourcePath("assets").c_str());
    lvlPSDL city;
    ASSERT_TRUE(city.LoadSDL("demo"));
    lvlSDL::sm_ViewPoint = Vector3(0, 1000, 0);
    std::vector<uint32_t> buffer(1 << 16);
    int triangles = 0;
    for (uint32_t r = 1; r < city.m_RoomCount; ++r) {
        int records = city.m_Rooms[r]->GetRoomTriangles(3, buffer.data(), int(buffer.size()));
        const uint32_t* at = buffer.data();
        for (int k = 0; k < records; ++k, at += 2 + 3 * at[1]) {
            uint32_t kind = at[0], count = at[1];
            std::vector<Vector3> points(count);
            const float* f = reinterpret_cast<const float*>(at + 2);
            for (uint32_t i = 0; i < count; ++i) {
                points[i] = Vector3(f[3 * i], f[3 * i + 1], f[3 * i + 2]);
            }
            uint32_t n = kind == List ? count / 3 : count - 2;
            for (uint32_t t = 0; t < n; ++t) {
                Vector3 c[3];
                Corners(kind, points.data(), t, c);
                Vector3 normal;
                normal.Cross(c[1] - c[0], c[2] - c[0]);
                // Upright faces (kerbs, walls) and the degenerate corners of fans stay out.
                if (std::fabs(normal.y) <= 0.01f * normal.Mag()) {
                    continue;
                }
                ++triangles;
                EXPECT_GT(normal.y, 0.0f) << "room " << r << " record " << k << " triangle " << t
                                          << " at " << c[0].x << "," << c[0].z;
            }
        }
    }
    EXPECT_GT(triangles, 500);
    datAssetManager::SetPath("");
}
