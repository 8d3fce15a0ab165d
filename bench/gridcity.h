#ifndef BENCH_GRIDCITY_H
#define BENCH_GRIDCITY_H

#include <cmath>
#include <string>

// Rooms lie on a lattice of W columns; every third column is a street, the rest are blocks.
// Neighbouring rooms share their corner vertices. A street runs the lattice's height: its
// carriageway lies between two sidewalks of SidewalkWidth, whose kerb vertices follow the
// lattice vertices, two per street and lattice row. So a city of N rooms has about 5N / 3
// vertices, and up to about 38,000 rooms stay within the 65535 vertices of a city.
struct GridCity {
    static constexpr float Spacing = 20.0f;
    static constexpr float SidewalkWidth = 3.0f;
    // What the description compiler lowers a carriageway's kerb vertices by, once for each road
    // that names them.
    static constexpr float Lowering = 0.15f;

    int m_Rooms;
    int m_Width;

    explicit GridCity(int rooms)
        : m_Rooms(rooms), m_Width(int(std::ceil(std::sqrt(double(rooms))))) {}

    int Rows() const { return (m_Rooms + m_Width - 1) / m_Width; }
    int Streets() const { return m_Width / 3; }
    int Vertex(int i, int j) const { return j * (m_Width + 1) + i; }
    // The kerb vertex of street column i on lattice row j: side 0 on the left (lower x).
    int Kerb(int i, int j, int side) const {
        return (Rows() + 1) * (m_Width + 1) + (j * Streets() + i / 3) * 2 + side;
    }
    int VertexCount() const { return (Rows() + 1) * (m_Width + 1 + 2 * Streets()); }
    // Room number of cell (i, j), 0 outside the city.
    int Room(int i, int j) const {
        int room = j * m_Width + i + 1;
        return i < 0 || j < 0 || i >= m_Width || room > m_Rooms ? 0 : room;
    }
    static bool IsStreet(int i) { return i % 3 == 2; }

    std::string Description() const;
};

#endif
