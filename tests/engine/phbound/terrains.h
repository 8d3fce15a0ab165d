#ifndef TESTS_ENGINE_PHBOUND_TERRAINS_H
#define TESTS_ENGINE_PHBOUND_TERRAINS_H

#include <algorithm>
#include <functional>
#include <string>

#include "phbound/boundterrain.h"
#include "phcore/poly.h"

// Terrain meshes and their grids for the tests: a height field of cells, two upward
// triangles per cell, in the text bound format; and a grid builder, since nothing in the
// system makes one.

// cells x cells of the given size from the origin, each corner at height(i, j).
inline std::string HeightFieldText(int cellsX, int cellsZ, float size,
                                   const std::function<float(int, int)>& height) {
    int verts = (cellsX + 1) * (cellsZ + 1);
    std::string text = "version: 1.01\nverts: " + std::to_string(verts) +
                       " materials: 2 edges: 0 polys: " + std::to_string(2 * cellsX * cellsZ) +
                       "\n";
    for (int j = 0; j <= cellsZ; ++j) {
        for (int i = 0; i <= cellsX; ++i) {
            text += "v " + std::to_string(i * size) + " " + std::to_string(height(i, j)) + " " +
                    std::to_string(j * size) + "\n";
        }
    }
    text += "mtl ground {\n\telasticity: 0.1\n\tfriction: 0.5\n\teffect: none\n\tsound: none\n}\n";
    text += "mtl grass {\n\telasticity: 0.2\n\tfriction: 0.7\n\teffect: none\n\tsound: none\n}\n";
    for (int j = 0; j < cellsZ; ++j) {
        for (int i = 0; i < cellsX; ++i) {
            int a = j * (cellsX + 1) + i;
            int b = a + 1;
            int d = a + cellsX + 1;
            int c = d + 1;
            // a d b and b d c turn upwards.
            text += "tri " + std::to_string(a) + " " + std::to_string(d) + " " +
                    std::to_string(b) + " 0\n";
            text += "tri " + std::to_string(b) + " " + std::to_string(d) + " " +
                    std::to_string(c) + " 1\n";
        }
    }
    return text;
}

// The flat 2 x 2 m square at y = 0: 9 vertices, 8 triangles.
inline std::string FlatSquareText() {
    return HeightFieldText(2, 2, 1.0f, [](int, int) { return 0.0f; });
}

// Gives a mesh loaded by phBoundGeometry a columns x rows grid over its box: each bucket
// lists every polygon whose X/Z extent overlaps the cell's inside. The mesh's edges, edge
// normals and extents are made first, as the mesh loader would.
inline void BuildTerrainGrid(phBoundTerrain& t, int columns, int rows, bool useEdges = true) {
    t.phBoundGeometry::PostLoad();
    t.EnableEdgeTests(useEdges);
    t.GridVector.Set(1.0f, 2.0f, 3.0f);
    t.NumColumns = columns;
    t.NumLayers = 1;
    t.NumRows = rows;
    t.NumBuckets = columns * rows;
    t.InvCellSize.Set(columns / (t.BoxMax.x - t.BoxMin.x), 1.0f,
                      rows / (t.BoxMax.z - t.BoxMin.z));
    std::vector<std::vector<uint16_t>> buckets(size_t(t.NumBuckets));
    for (int p = 0; p < t.NumPolygons; ++p) {
        const phPolygon& polygon = t.Polygons[p];
        float x0 = 1e30f, x1 = -1e30f, z0 = 1e30f, z1 = -1e30f;
        for (int k = 0; k < polygon.NumSides(); ++k) {
            const Vector3& v = t.Vertices[polygon.VertexIndex[k]];
            x0 = std::min(x0, v.x);
            x1 = std::max(x1, v.x);
            z0 = std::min(z0, v.z);
            z1 = std::max(z1, v.z);
        }
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                float cx0 = t.BoxMin.x + column / t.InvCellSize.x;
                float cz0 = t.BoxMin.z + row / t.InvCellSize.z;
                if (x0 < cx0 + 1.0f / t.InvCellSize.x && x1 > cx0 &&
                    z0 < cz0 + 1.0f / t.InvCellSize.z && z1 > cz0) {
                    buckets[size_t(row * columns + column)].push_back(uint16_t(p));
                }
            }
        }
    }
    t.BucketStart = new uint16_t[t.NumBuckets];
    t.BucketCount = new uint16_t[t.NumBuckets];
    std::vector<uint16_t> all;
    for (int b = 0; b < t.NumBuckets; ++b) {
        t.BucketStart[b] = uint16_t(all.size());
        t.BucketCount[b] = uint16_t(buckets[size_t(b)].size());
        all.insert(all.end(), buckets[size_t(b)].begin(), buckets[size_t(b)].end());
    }
    t.NumBucketPolys = int(all.size());
    t.BucketPolys = new uint16_t[all.size() + 1];
    std::copy(all.begin(), all.end(), t.BucketPolys);
    t.PolyMarks = new uint8_t[(t.NumPolygons + 7) / 8]();
    t.BucketList = new uint16_t[t.NumBuckets + 1];
}

#endif
