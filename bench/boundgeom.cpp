// Preparing large mesh bounds: the seconds PostLoad takes (new edges, edge ids, edge normals
// and angle values, extents) on a bound built in memory, median of five runs, each on a fresh
// bound. Two meshes: a gently rolling grid of N triangles (about N / 2 vertices), and a
// hostile one of N copies of a single triangle whose file also lists one edge N times, in
// alternating directions.
//
//   boundgeom_bench [N ...]        default: 100000

#include "data/printer.h"
#include "phbound/boundgeometry.h"
#include "phcore/poly.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

const int Runs = 5;

// Squares of two triangles on a W by W lattice, W as large as N triangles allow.
void BuildGrid(phBoundGeometry& bound, int triangles) {
    int width = std::max(1, int(std::ceil(std::sqrt(triangles / 2.0))));
    int squares = std::min(triangles / 2, width * width);
    bound.Init((width + 1) * (width + 1), 1, 0, 2 * squares);
    for (int j = 0; j <= width; ++j) {
        for (int i = 0; i <= width; ++i) {
            bound.VertexStorage[j * (width + 1) + i].Set(float(i), std::sin(0.1f * float(i + j)),
                                                         float(j));
        }
    }
    for (int s = 0; s < squares; ++s) {
        int i = s % width, j = s / width;
        int a = j * (width + 1) + i, b = a + 1, c = b + width + 1, d = a + width + 1;
        bound.Polygons[2 * s].InitTriangle(a, d, c, bound.VertexStorage);
        bound.Polygons[2 * s + 1].InitTriangle(a, c, b, bound.VertexStorage);
    }
}

void BuildHostile(phBoundGeometry& bound, int triangles) {
    bound.Init(3, 1, triangles, triangles);
    bound.VertexStorage[0].Set(0, 0, 0);
    bound.VertexStorage[1].Set(1, 0, 0);
    bound.VertexStorage[2].Set(0, 0, 1);
    for (int p = 0; p < triangles; ++p) {
        bound.Polygons[p].InitTriangle(0, 2, 1, bound.VertexStorage);
        bound.EdgeStorage[p][0] = uint16_t(p & 1);
        bound.EdgeStorage[p][1] = uint16_t(1 - (p & 1));
    }
}

void Run(const char* mesh, int triangles, const std::function<void(phBoundGeometry&, int)>& build) {
    std::vector<double> seconds;
    int vertices = 0, polygons = 0, edges = 0;
    for (int r = 0; r < Runs; ++r) {
        phBoundGeometry bound;
        build(bound, triangles);
        auto start = std::chrono::steady_clock::now();
        bound.PostLoad();
        seconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        vertices = bound.NumVertices;
        polygons = bound.NumPolygons;
        edges = bound.NumEdges;
    }
    std::sort(seconds.begin(), seconds.end());
    PrintMessage("PostLoad %-7s %7d tris %6d verts %7d edges: %8.4f s (median of %d runs)", mesh,
                 polygons, vertices, edges, seconds[Runs / 2], Runs);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) {
        counts.push_back(atoi(argv[i]));
    }
    if (counts.empty()) {
        counts = {100000};
    }
    for (int triangles : counts) {
        Run("grid", triangles, BuildGrid);
        Run("hostile", triangles, BuildHostile);
    }
    return 0;
}
