#ifndef TESTS_GAME_PHYS_POLYGONLEVEL_H
#define TESTS_GAME_PHYS_POLYGONLEVEL_H

#include <vector>

#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"
#include "phys/levelbound.h"
#include "vector/vector3.h"

// A level of any polygons, each segment's hits in polygon order: a slab's top and underside
// give an upright edge two records, one entering and one leaving.
class PolygonLevel : public lvlLevelBound {
public:
    void AddQuad(const Vector3& p0, const Vector3& p1, const Vector3& p2, const Vector3& p3) {
        int first = int(m_Vertices.size());
        m_Vertices.insert(m_Vertices.end(), {p0, p1, p2, p3});
        m_Polygons.emplace_back();
        m_Polygons.back().InitQuad(first, first + 1, first + 2, first + 3, m_Vertices.data());
    }
    // Top face at y = 0 facing up, underside at y = -thickness facing down.
    void MakeSlab(float thickness) {
        AddQuad({-10, 0, -10}, {-10, 0, 10}, {10, 0, 10}, {10, 0, -10});
        float y = -thickness;
        AddQuad({-10, y, -10}, {10, y, -10}, {10, y, 10}, {-10, y, 10});
    }

    const Vector3& GetVertex(int index) override { return m_Vertices[index]; }
    int TestSegmentIsects(phSegment& segment, phIsect* isects, int maxIsects) override {
        int hits = 0;
        for (size_t p = 0; p < m_Polygons.size() && hits < maxIsects; ++p) {
            phIsect& record = isects[hits];
            if (m_Polygons[p].TestSegment(m_Vertices.data(), segment, record, 2.0f, -1.0f)) {
                record.PolyIndex = int(p);
                record.Polygon = &m_Polygons[p];
                ++hits;
            }
        }
        return hits;
    }
    bool TestSegmentRooms(phSegment&, phIsect*, float) override { return false; }
    bool SegmentHits(phSegment&) override { return false; }

    std::vector<Vector3> m_Vertices;
    std::vector<phPolygon> m_Polygons;
};

#endif
