#ifndef BENCH_GRIDCITY_H
#define BENCH_GRIDCITY_H

#include <cmath>
#include <string>

// Rooms lie on a lattice of W columns; every third column is a street, the rest are blocks.
// Neighbouring rooms share their corner vertices, so that 50,000 rooms stay within the 65535
// vertices of a city.
struct GridCity {
    static constexpr float Spacing = 20.0f;

    int m_Rooms;
    int m_Width;

    explicit GridCity(int rooms)
        : m_Rooms(rooms), m_Width(int(std::ceil(std::sqrt(double(rooms))))) {}

    int Rows() const { return (m_Rooms + m_Width - 1) / m_Width; }
    int Vertex(int i, int j) const { return j * (m_Width + 1) + i; }
    // Room number of cell (i, j), 0 outside the city.
    int Room(int i, int j) const {
        int room = j * m_Width + i + 1;
        return i < 0 || j < 0 || i >= m_Width || room > m_Rooms ? 0 : room;
    }
    static bool IsStreet(int i) { return i % 3 == 2; }

    std::string Description() const;
};

#endif
