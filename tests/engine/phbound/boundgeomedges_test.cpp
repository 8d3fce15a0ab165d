// The edge preparation of mesh bounds (new edges, edge ids per side, edge normals and angle
// values) against a brute-force search over all edges and polygons, on random meshes full of
// shared, repeated, reversed, degenerate and missing edges.
#include "phbound/boundgeometry.h"

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "phcore/poly.h"
#include "tests/support/console.h"

namespace {

struct Mesh {
    std::vector<Vector3> vertices;
    std::vector<std::vector<int>> polygons;  // 3 or 4 corners; a quad's fourth is never 0
    std::vector<std::pair<int, int>> edges;
};

// Few vertices on a small lattice, so that sides repeat in both directions, faces are
// coplanar, opposed or flat, and some edges join a vertex to itself or lie on no polygon.
Mesh RandomMesh(std::mt19937& random) {
    auto below = [&](int n) { return int(random() % uint32_t(n)); };
    Mesh mesh;
    int numVertices = 4 + below(9);
    for (int i = 0; i < numVertices; ++i) {
        float x = float(below(3) - 1), y = float(below(3) - 1), z = float(below(3) - 1);
        mesh.vertices.push_back(Vector3(x, y, z));
    }
    int numPolygons = 1 + below(40);
    for (int p = 0; p < numPolygons; ++p) {
        std::vector<int> corners = {below(numVertices), below(numVertices), below(numVertices)};
        if (below(2)) {
            corners.push_back(1 + below(numVertices - 1));
        }
        mesh.polygons.push_back(corners);
    }
    int numEdges = below(30);
    for (int e = 0; e < numEdges; ++e) {
        const std::vector<int>& polygon = mesh.polygons[below(numPolygons)];
        int k = below(int(polygon.size()));
        int a = polygon[k], b = polygon[(k + 1) % polygon.size()];
        switch (below(3)) {
        case 0: mesh.edges.push_back(std::make_pair(a, b)); break;
        case 1: mesh.edges.push_back(std::make_pair(b, a)); break;
        default: mesh.edges.push_back(std::make_pair(below(numVertices), below(numVertices)));
        }
    }
    return mesh;
}

void Build(const Mesh& mesh, phBoundGeometry& bound) {
    bound.Init(int(mesh.vertices.size()), 1, int(mesh.edges.size()), int(mesh.polygons.size()));
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
        bound.VertexStorage[i] = mesh.vertices[i];
    }
    for (size_t e = 0; e < mesh.edges.size(); ++e) {
        bound.EdgeStorage[e][0] = uint16_t(mesh.edges[e].first);
        bound.EdgeStorage[e][1] = uint16_t(mesh.edges[e].second);
    }
    for (size_t p = 0; p < mesh.polygons.size(); ++p) {
        const std::vector<int>& c = mesh.polygons[p];
        if (c.size() == 4) {
            bound.Polygons[p].InitQuad(c[0], c[1], c[2], c[3], bound.VertexStorage);
        } else {
            bound.Polygons[p].InitTriangle(c[0], c[1], c[2], bound.VertexStorage);
        }
    }
}

// The passes as a search of every edge and every polygon would do them.
struct Reference {
    const Mesh& mesh;
    const phBoundGeometry& bound;  // for the polygon normals
    std::vector<std::pair<int, int>> edges;

    int FindEdge(int a, int b) const {
        for (size_t e = 0; e < edges.size(); ++e) {
            if ((edges[e].first == a && edges[e].second == b) ||
                (edges[e].first == b && edges[e].second == a)) {
                return int(e);
            }
        }
        return -1;
    }

    // A side joins the edges unless the file's edges or those added before it hold its pair.
    void AddMissingEdges() {
        for (const std::vector<int>& c : mesh.polygons) {
            int previous = c.back();
            for (int current : c) {
                if (FindEdge(previous, current) < 0) {
                    edges.push_back(std::make_pair(previous, current));
                }
                previous = current;
            }
        }
    }

    static bool HasSide(const std::vector<int>& c, int a, int b) {
        for (size_t k = 0; k < c.size(); ++k) {
            if (c[k] == a && c[(k + 1) % c.size()] == b) {
                return true;
            }
        }
        return false;
    }

    void EdgeData(int edge, Vector3& normal, float& angle) const {
        int a = edges[edge].first, b = edges[edge].second;
        const Vector3* n1 = nullptr;
        const Vector3* n2 = nullptr;
        for (size_t p = 0; p < mesh.polygons.size() && !(n1 && n2); ++p) {
            if (HasSide(mesh.polygons[p], a, b)) {
                n1 = &bound.Polygons[p].Normal;
            } else if (HasSide(mesh.polygons[p], b, a)) {
                n2 = &bound.Polygons[p].Normal;
            }
        }
        if (!n1 && !n2) {
            normal.Set(1.0f, 0.0f, 0.0f);
            angle = -1.0f;
            return;
        }
        Vector3 first = n1 ? *n1 : *n2 * -1.0f;
        Vector3 second = n2 ? *n2 : *n1 * -1.0f;
        Vector3 d = mesh.vertices[b] - mesh.vertices[a];
        normal = first + second;
        if (normal.Mag2() < 1e-6f) {
            normal.Cross(second, d);
            if (normal.Mag2() < 1e-6f) {
                normal.Set(0.0f, 1.0f, 0.0f);
            }
        }
        normal.Normalize();
        Vector3 side;
        side.Cross(normal, d);
        angle = second.Dot(side) <= 0.0f ? second.Dot(normal) : 2.0f;
    }
};

bool SameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof(float)) == 0;
}

int CountOf(const std::string& text, const char* what) {
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// Edge ids of every side with their missing-edge warnings, then the normal and angle value of
// every edge, bit for bit.
void ExpectSameAsReference(const Reference& reference, const phBoundGeometry& bound,
                           const std::string& console, int seed) {
    ASSERT_EQ(bound.NumEdges, int(reference.edges.size())) << seed;
    for (int e = 0; e < bound.NumEdges; ++e) {
        EXPECT_EQ(bound.Edges[e][0], reference.edges[e].first) << seed << " edge " << e;
        EXPECT_EQ(bound.Edges[e][1], reference.edges[e].second) << seed << " edge " << e;
    }
    int missing = 0;
    for (size_t p = 0; p < reference.mesh.polygons.size(); ++p) {
        const std::vector<int>& c = reference.mesh.polygons[p];
        for (size_t k = 0; k < c.size(); ++k) {
            int id = reference.FindEdge(c[k], c[(k + 1) % c.size()]);
            missing += id < 0;
            EXPECT_EQ(bound.Polygons[p].EdgeIndex[k], id < 0 ? 0 : id)
                << seed << " polygon " << p << " side " << k;
        }
    }
    EXPECT_EQ(CountOf(console, "Warning: BoundGeom : ComputeEdgeNums: ERROR: edge missing!"),
              missing)
        << seed;
    for (int e = 0; e < bound.NumEdges; ++e) {
        Vector3 normal;
        float angle;
        reference.EdgeData(e, normal, angle);
        EXPECT_TRUE(SameBits(bound.GeomEdgeNormals[e].x, normal.x) &&
                    SameBits(bound.GeomEdgeNormals[e].y, normal.y) &&
                    SameBits(bound.GeomEdgeNormals[e].z, normal.z))
            << seed << " edge " << e;
        EXPECT_TRUE(SameBits(bound.GeomEdgeAngles[e], angle)) << seed << " edge " << e;
    }
}

TEST(BoundGeometryEdgesTest, PreparationMatchesASearchOfEveryEdgeAndPolygon) {
    std::mt19937 random(20261210);
    for (int seed = 0; seed < 400; ++seed) {
        Mesh mesh = RandomMesh(random);
        // The passes on the mesh's own edges alone, so that sides can miss their edge.
        {
            phBoundGeometry bound;
            Build(mesh, bound);
            ConsoleCapture console;
            bound.ComputeEdgeNums();
            bound.ComputeEdgeNormals();
            Reference reference{mesh, bound, mesh.edges};
            ExpectSameAsReference(reference, bound, console.Take(), seed);
        }
        // The whole preparation: the missing edges are added first.
        {
            phBoundGeometry bound;
            Build(mesh, bound);
            ConsoleCapture console;
            bound.PostLoad();
            Reference reference{mesh, bound, mesh.edges};
            reference.AddMissingEdges();
            ExpectSameAsReference(reference, bound, console.Take(), seed);
        }
    }
}

}  // namespace
