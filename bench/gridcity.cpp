// The synthetic grid city of the benchmarks, as a ".sdl" description.
#include "bench/gridcity.h"

#include <cstdio>

namespace {

// A gentle slope, so that heights are not all round.
double Height(int i, int j) {
    return 0.013 * (i + j);
}

}  // namespace

std::string GridCity::Description() const {
    std::string text;
    text.reserve(size_t(m_Rooms) * 200);
    char line[256];
    for (int j = 0; j <= Rows(); ++j) {
        for (int i = 0; i <= m_Width; ++i) {
            snprintf(line, sizeof(line), "v %.2f %.3f %.2f\n", i * Spacing, Height(i, j),
                     j * Spacing);
            text += line;
        }
    }
    // Every street room lowers the kerbs of both its rows: those between two street rooms are
    // written the second lowering higher, so that every carriageway lies one lowering down.
    for (int j = 0; j <= Rows(); ++j) {
        for (int i = 2; i < m_Width; i += 3) {
            int roads = (Room(i, j - 1) != 0) + (Room(i, j) != 0);
            double lift = roads > 1 ? Lowering : 0.0;
            for (int side = 0; side < 2; ++side) {
                double x = side ? (i + 1) * Spacing - SidewalkWidth : i * Spacing + SidewalkWidth;
                snprintf(line, sizeof(line), "v %.2f %.3f %.2f\n", x,
                         Height(i + side, j) + lift, j * Spacing);
                text += line;
            }
        }
    }
    text += "td road_a\ntd sidewalk_a\ntd road_lod\ntd grass\n";
    snprintf(line, sizeof(line), "rooms %d 1 0\n", m_Rooms);
    text += line;
    for (int room = 1; room <= m_Rooms; ++room) {
        int i = (room - 1) % m_Width;
        int j = (room - 1) / m_Width;
        int a = Vertex(i, j), b = Vertex(i + 1, j), c = Vertex(i + 1, j + 1), d = Vertex(i, j + 1);
        snprintf(line, sizeof(line), "room %d\ntype %d id %d\nperimeter 4 %d %d %d %d %d %d %d %d\n",
                 room, IsStreet(i) ? 0 : 1, 1000 + room, a, Room(i, j - 1), b, Room(i + 1, j), c,
                 Room(i, j + 1), d, Room(i - 1, j));
        text += line;
        if (IsStreet(i)) {
            // One cross-section a row, left to right: outer edge, kerb, kerb, outer edge.
            int near0 = Kerb(i, j, 0), near1 = Kerb(i, j, 1);
            int far0 = Kerb(i, j + 1, 0), far1 = Kerb(i, j + 1, 1);
            snprintf(line, sizeof(line),
                     "tex 1\nroad 8 %d %d %d %d %d %d %d %d\n"
                     "ai 17 1 %d 0 1 1 0.25 0.75 %d %d %d %d %d %d %d %d 0 0\n",
                     a, near0, near1, b, d, far0, far1, c, room, a, near0, near1, b, d, far0,
                     far1, c);
        } else {
            snprintf(line, sizeof(line), "tex 4\nofan 4 %d %d %d %d\n", a, b, c, d);
        }
        text += line;
    }
    return text;
}
